#include "flow/branch_line_cache.h"

#include <algorithm>
#include <utility>

#include "model/coverage_model.h"
#include "trace/hit_line_scanner.h"

namespace {

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
  if (!lines_->made) makeSlots(file, *lines_);
}

void BranchLineCache::makeSlots(SourceFile &file, FileLines &lines) {
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
    // looked up each time rather than given millions of places.
    const uint64_t limit = static_cast<uint64_t>(file.branchCount(kind)) * 2 + 64;
    uint64_t size = 0;
    for (const auto &holder : list)
      if (holder.first < limit) size = std::max<uint64_t>(size, uint64_t{holder.first} + 1);
    lines.places[kind - 1].assign(size, Slot{kNotYet, 0});
  }
  // Every line of the file is put together now, one after the other: the hits of
  // a file-part then read one stretch of text rather than lines spread over the
  // text of every file in the order they were first hit.
  for (int kind = KindProcPoint; kind <= KindCondition; ++kind) {
    const std::vector<Slot> &places = lines.places[kind - 1];
    for (const auto &holder : holders[kind - 1])
      if (holder.first < places.size() && places[holder.first].offset == kNotYet)
        lookUp(kind, holder.first);
  }
  // The lookups leave the model as the file-part's FT line left it.
  model_.clearCurrentService();
}

std::string_view BranchLineCache::lookUp(int kind, uint32_t id) {
  const BranchLookup found = model_.FindBranch(*file_, kind, id);
  std::vector<Slot> &places = lines_->places[kind - 1];
  const std::size_t offset = text_.size() - kWindow;
  if (id >= places.size() || offset >= kNotYet - 4096) {
    scratch_.clear();
    if (found) appendBranchLine(scratch_, found, labels_);
    return scratch_;
  }
  // The line goes before the padding that ends the text.
  text_.resize(offset);
  if (found) appendBranchLine(text_, found, labels_);
  const std::size_t length = text_.size() - offset;
  text_.append(kWindow, '\0');
  places[id] = Slot{static_cast<uint32_t>(offset), static_cast<uint32_t>(length)};
  return std::string_view(text_.data() + offset, length);
}

template <typename HitOf>
void BranchLineCache::writeHits(std::size_t count, unsigned kinds, FlowOutput &out, HitOf &&hitOf) {
  // A file's lines lie together in the text (put together when the file was
  // first selected): its hits read one stretch of memory.
  for (std::size_t i = 0; i < count; ++i) {
    const auto [kind, id] = hitOf(i);
    if (!(kinds & (1u << (kind - 1)))) continue;
    const std::vector<Slot> &places = lines_->places[kind - 1];
    if (id < places.size()) {
      const Slot slot = places[id];
      // A kept line is followed by kWindow readable bytes at least.
      if (slot.offset != kNotYet && slot.length <= kWindow) {
        out.appendWindow(text_.data() + slot.offset, slot.length);
        continue;
      }
    }
    out.append(lineOf(kind, id));
  }
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
