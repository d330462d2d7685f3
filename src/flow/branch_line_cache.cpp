#include "flow/branch_line_cache.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "model/branch_lookup.h"
#include "model/service_cursor.h"
#include "trace/hit_line_scanner.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

/// Hits ahead of the one written whose records are fetched.
constexpr std::size_t kFetchAhead = 32;

/// The (ID, service) pair of every branch of a kind in a file.
void collectHolders(SourceFile &file, int kind,
                    std::vector<std::pair<uint32_t, const Service *>> &holders) {
  holders.clear();
  for (const std::unique_ptr<Service> &service : file.services) {
    switch (kind) {
    case KindProcPoint:
      if (service->hasEntry) holders.emplace_back(service->entry.id, service.get());
      for (const ExitEntry &exit : service->exits)
        holders.emplace_back(exit.branch.id, service.get());
      break;
    case KindCall:
      for (const CallEntry &call : service->calls)
        holders.emplace_back(call.branch.id, service.get());
      break;
    case KindBlock:
      for (const BlockEntry &block : service->blocks)
        holders.emplace_back(block.branch.id, service.get());
      break;
    default:
      for (const ConditionEntry &condition : service->conditions)
        holders.emplace_back(condition.branch.id, service.get());
      break;
    }
  }
}

} // namespace

void BranchLineCache::selectFile(SourceFile &file) {
  file_ = &file;
  if (file.ordinal >= files_.size()) files_.resize(file.ordinal + 1);
  lines_ = &files_[file.ordinal];
  if (!lines_->made) makeRecords(file, *lines_);
}

void BranchLineCache::makeRecords(SourceFile &file, FileLines &lines) {
  lines.made = true;
  std::array<std::vector<std::pair<uint32_t, const Service *>>, 4> holders;
  for (int kind = KindProcPoint; kind <= KindCondition; ++kind) {
    std::vector<std::pair<uint32_t, const Service *>> &list = holders[kind - 1];
    collectHolders(file, kind, list);
    std::sort(list.begin(), list.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    for (std::size_t i = 1; i < list.size(); ++i)
      if (list[i].first == list[i - 1].first && list[i].second != list[i - 1].second) return;
  }
  for (int kind = KindProcPoint; kind <= KindCondition; ++kind) {
    const std::vector<std::pair<uint32_t, const Service *>> &list = holders[kind - 1];
    // IDs run from 0 to the branch count - 1 in a sound file; a stray huge ID is
    // looked up each time rather than given millions of records.
    const uint64_t limit = static_cast<uint64_t>(file.branchCount(kind)) * 2 + 64;
    uint64_t size = 0;
    for (const auto &holder : list)
      if (holder.first < limit) size = std::max<uint64_t>(size, uint64_t{holder.first} + 1);
    LineRecord notKept{};
    notKept.length = kNotKept;
    lines.records[kind - 1].assign(size, notKept);
  }
  // Every line of the file is put together now.
  for (int kind = KindProcPoint; kind <= KindCondition; ++kind) {
    const std::vector<LineRecord> &records = lines.records[kind - 1];
    for (const auto &holder : holders[kind - 1])
      if (holder.first < records.size() && records[holder.first].length == kNotKept)
        lookUp(kind, holder.first);
  }
  // The lookups leave the cursor as the file-part's FT line left it.
  cursor_.clear();
}

std::string_view BranchLineCache::lookUp(int kind, uint32_t id) {
  const BranchLookup found = findBranch(cursor_, *file_, kind, id);
  scratch_.clear();
  if (found) appendBranchLine(scratch_, found, labels_);
  std::vector<LineRecord> &records = lines_->records[kind - 1];
  if (id >= records.size()) return scratch_;
  LineRecord &record = records[id];
  if (scratch_.size() <= kInline) {
    std::memcpy(record.text, scratch_.data(), scratch_.size());
    record.length = static_cast<uint8_t>(scratch_.size());
    return std::string_view(record.text, record.length);
  }
  const auto index = static_cast<uint32_t>(longLines_.size());
  longLines_.push_back(scratch_);
  std::memcpy(record.text, &index, sizeof index);
  record.length = kLong;
  return longLines_.back();
}

template <typename HitOf>
void BranchLineCache::writeHits(std::size_t count, unsigned kinds, FlowOutput &out, HitOf &&hitOf) {
  // The records of the selected file, by kind, and the output position, held
  // here: the copies into the output could otherwise be any of them.
  const LineRecord *records[4];
  std::size_t sizes[4];
  for (int k = 0; k < 4; ++k) {
    records[k] = lines_->records[k].data();
    sizes[k] = lines_->records[k].size();
  }
  char *next = out.position();
  char *const last = out.lastWindow();
  for (std::size_t i = 0; i < count; ++i) {
    if (i + kFetchAhead < count) {
      const auto [aheadKind, aheadId] = hitOf(i + kFetchAhead);
      if (aheadId < sizes[aheadKind - 1]) __builtin_prefetch(records[aheadKind - 1] + aheadId);
    }
    const auto [kind, id] = hitOf(i);
    if (!(kinds & (1u << (kind - 1)))) continue;
    if (id < sizes[kind - 1] && next <= last) {
      const LineRecord &record = records[kind - 1][id];
      if (record.length <= kInline) {
        std::memcpy(next, &record, sizeof record);
        next += record.length;
        continue;
      }
    }
    next = writeOther(kind, id, next, out);
  }
  out.moveTo(next);
}

char *BranchLineCache::writeOther(int kind, uint32_t id, char *next, FlowOutput &out) {
  out.moveTo(next);
  out.append(lineOf(kind, id));
  return out.position();
}

void BranchLineCache::writeLines(const TraceHit *hits, std::size_t count, unsigned kinds,
                                 FlowOutput &out) {
  writeHits(count, kinds, out,
            [hits](std::size_t i) { return std::pair<int, uint32_t>(hits[i].kind, hits[i].id); });
}

void BranchLineCache::writeDecodedLines(const uint32_t *lines, std::size_t count, unsigned kinds,
                                        FlowOutput &out) {
#if defined(__x86_64__)
  if (wideCopies_) {
    writeDecodedWide(lines, count, kinds, out);
    return;
  }
#endif
  writeHits(count, kinds, out, [lines](std::size_t i) {
    return std::pair<int, uint32_t>(static_cast<int>(decodedKind(lines[i])), decodedId(lines[i]));
  });
}

#if defined(__x86_64__)
// GCC 12's headers fill the lanes that masks leave out from an undefined vector,
// which it then takes for an uninitialized variable.
#pragma GCC diagnostic push
#ifndef __clang__
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#pragma GCC diagnostic ignored "-Wuninitialized"

namespace {

/// What writeDecodedWide knows of the selected file, by kind (lanes 0 to 3).
struct WideKinds {
  /// The address of the kind's records.
  __m512i base;
  /// The kind's record count.
  __m512i size;
  /// All ones in the lane of a kind whose hits are written.
  __m512i written;
};

/// Up to sixteen decoded lines: the address of each one's record, the lanes whose
/// hit is written (kept) and, among them, those that have a record (inRange).
struct WideBatch {
  alignas(64) uint64_t records[16];
  __mmask16 kept;
  __mmask16 inRange;
};

__attribute__((target("avx512f,avx512bw"))) void prepareWideBatch(const WideKinds &kinds,
                                                                  const uint32_t *lines,
                                                                  std::size_t lanes,
                                                                  WideBatch &batch) {
  const auto present = static_cast<__mmask16>((1u << lanes) - 1);
  const __m512i line = _mm512_maskz_loadu_epi32(present, lines);
  const __m512i kind =
      _mm512_sub_epi32(_mm512_srli_epi32(line, kDecodedKindShift), _mm512_set1_epi32(1));
  const __m512i id =
      _mm512_and_si512(line, _mm512_set1_epi32(static_cast<int>(kDecodedIdLimit - 1)));
  const __m512i written = _mm512_permutexvar_epi32(kind, kinds.written);
  batch.kept = _mm512_mask_test_epi32_mask(present, written, written);
  batch.inRange =
      _mm512_mask_cmplt_epu32_mask(batch.kept, id, _mm512_permutexvar_epi32(kind, kinds.size));
  const __m512i kindLow = _mm512_cvtepu32_epi64(_mm512_castsi512_si256(kind));
  const __m512i kindHigh = _mm512_cvtepu32_epi64(_mm512_extracti64x4_epi64(kind, 1));
  const __m512i idLow = _mm512_cvtepu32_epi64(_mm512_castsi512_si256(id));
  const __m512i idHigh = _mm512_cvtepu32_epi64(_mm512_extracti64x4_epi64(id, 1));
  _mm512_store_si512(batch.records, _mm512_add_epi64(_mm512_permutexvar_epi64(kindLow, kinds.base),
                                                     _mm512_slli_epi64(idLow, 6)));
  _mm512_store_si512(batch.records + 8,
                     _mm512_add_epi64(_mm512_permutexvar_epi64(kindHigh, kinds.base),
                                      _mm512_slli_epi64(idHigh, 6)));
  for (unsigned left = batch.inRange; left; left &= left - 1)
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the addresses are computed in a vector.
    _mm_prefetch(reinterpret_cast<const char *>(batch.records[__builtin_ctz(left)]), _MM_HINT_T0);
}

/// Batches ahead of the one written whose records are fetched.
constexpr std::size_t kWideAhead = 2;

} // namespace

__attribute__((target("avx512f,avx512bw"))) void
BranchLineCache::writeDecodedWide(const uint32_t *lines, std::size_t count, unsigned kinds,
                                  FlowOutput &out) {
  alignas(64) uint64_t bases[8] = {};
  alignas(64) uint32_t sizes[16] = {};
  alignas(64) uint32_t written[16] = {};
  for (int k = 0; k < 4; ++k) {
    bases[k] = reinterpret_cast<uintptr_t>(lines_->records[k].data());
    sizes[k] = static_cast<uint32_t>(lines_->records[k].size());
    written[k] = (kinds >> k & 1u) ? ~0u : 0u;
  }
  const WideKinds wide{_mm512_load_si512(bases), _mm512_load_si512(sizes),
                       _mm512_load_si512(written)};
  // The records of a batch are fetched while the kWideAhead batches before it
  // are written.
  WideBatch batches[kWideAhead + 1];
  for (std::size_t b = 0; b < kWideAhead && b * 16 < count; ++b)
    prepareWideBatch(wide, lines + b * 16, std::min<std::size_t>(16, count - b * 16), batches[b]);
  char *next = out.position();
  char *const last = out.lastWindow();
  for (std::size_t at = 0, b = 0; at < count; at += 16, b = b == kWideAhead ? 0 : b + 1) {
    const std::size_t ahead = at + kWideAhead * 16;
    if (ahead < count)
      prepareWideBatch(wide, lines + ahead, std::min<std::size_t>(16, count - ahead),
                       batches[b == 0 ? kWideAhead : b - 1]);
    const WideBatch &batch = batches[b];
    for (unsigned left = batch.kept; left; left &= left - 1) {
      const auto lane = static_cast<unsigned>(__builtin_ctz(left));
      if ((batch.inRange >> lane & 1u) && next <= last) {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): the address was computed in a vector.
        const auto *record = reinterpret_cast<const LineRecord *>(batch.records[lane]);
        const unsigned length = record->length;
        if (length <= kInline) {
          _mm512_storeu_si512(next, _mm512_load_si512(record));
          next += length;
          continue;
        }
      }
      const uint32_t line = lines[at + lane];
      next = writeOther(static_cast<int>(decodedKind(line)), decodedId(line), next, out);
    }
  }
  out.moveTo(next);
}

#pragma GCC diagnostic pop
#endif
