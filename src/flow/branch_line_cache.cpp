#include "flow/branch_line_cache.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "model/coverage_model.h"
#include "trace/hit_line_scanner.h"

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
  // The lookups leave the model as the file-part's FT line left it.
  model_.clearCurrentService();
}

std::string_view BranchLineCache::lookUp(int kind, uint32_t id) {
  const BranchLookup found = model_.FindBranch(*file_, kind, id);
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
    out.moveTo(next);
    out.append(lineOf(kind, id));
    next = out.position();
  }
  out.moveTo(next);
}

void BranchLineCache::writeLines(const TraceHit *hits, std::size_t count, unsigned kinds,
                                 FlowOutput &out) {
  writeHits(count, kinds, out,
            [hits](std::size_t i) { return std::pair<int, uint32_t>(hits[i].kind, hits[i].id); });
}

void BranchLineCache::writeDecodedLines(const uint32_t *lines, std::size_t count, unsigned kinds,
                                        FlowOutput &out) {
  writeHits(count, kinds, out, [lines](std::size_t i) {
    return std::pair<int, uint32_t>(static_cast<int>(decodedKind(lines[i])), decodedId(lines[i]));
  });
}
