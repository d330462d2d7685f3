#include "report/test_attribution.h"

#include "support/name_table.h"

std::size_t TestAttribution::slotsOf(Service &service) {
  if (service.index >= firstSlot_.size()) firstSlot_.resize(service.index + 1, kNoSlot);
  uint32_t &first = firstSlot_[service.index];
  if (first == kNoSlot) {
    first = static_cast<uint32_t>(sets_.size());
    std::size_t items = 0;
    forEachCountedItem(service, [&](HitState &, CoverageTypes) { ++items; });
    sets_.resize(sets_.size() + items);
  }
  return first;
}

void TestAttribution::testEnded(const std::vector<Service *> &servicesHit, const NameEntry *name) {
  if (logTests_.empty()) {
    logFirstOrdinal_ = static_cast<uint32_t>(names_.size());
    log_.reserve(batchEntries_);
  }
  names_.push_back(name);
  logTests_.push_back(log_.size());
  for (Service *service : servicesHit) {
    if (!service->branchesHit) continue;
    if (restricted_ && (service->index >= recorded_.size() || !recorded_[service->index])) continue;
    auto slot = static_cast<uint32_t>(slotsOf(*service));
    forEachCountedItem(*service, [&](HitState &item, CoverageTypes type) {
      if (item.hits && type != CovModifiedConditions) log_.push_back(slot);
      ++slot;
    });
  }
  if (log_.size() >= batchEntries_) flush();
}

void TestAttribution::flush() {
  // The entries sorted by slot, each slot's in trace order (a counting sort).
  std::vector<std::size_t> start(sets_.size() + 1, 0);
  for (const uint32_t slot : log_)
    ++start[slot + 1];
  for (std::size_t slot = 0; slot < sets_.size(); ++slot)
    start[slot + 1] += start[slot];
  std::vector<uint32_t> ordinals(log_.size());
  std::vector<std::size_t> next(start.begin(), start.end() - 1);
  for (std::size_t test = 0; test < logTests_.size(); ++test) {
    const std::size_t end = test + 1 < logTests_.size() ? logTests_[test + 1] : log_.size();
    const auto ordinal = static_cast<uint32_t>(logFirstOrdinal_ + test);
    for (std::size_t entry = logTests_[test]; entry < end; ++entry)
      ordinals[next[log_[entry]]++] = ordinal;
  }
  for (std::size_t slot = 0; slot < sets_.size(); ++slot)
    for (std::size_t entry = start[slot]; entry < start[slot + 1]; ++entry)
      sets_[slot].add(ordinals[entry]);
  log_.clear();
  logTests_.clear();
}

const char *TestAttribution::testName(uint32_t ordinal) const {
  const NameEntry *name = ordinal < names_.size() ? names_[ordinal] : nullptr;
  return name && name->text ? name->text : "#";
}

const TestSet *TestAttribution::testsOf(const Service &service, const HitState &item) const {
  const TestSet *found = nullptr;
  forEachHitItem(service, [&](const HitState &hit, const TestSet &tests) {
    if (&hit == &item) found = &tests;
  });
  return found;
}

void TestAttribution::finish() {
  flush();
  log_.shrink_to_fit();
  logTests_.shrink_to_fit();
  for (TestSet &set : sets_)
    set.shrink();
}

std::size_t TestAttribution::bytes() const {
  std::size_t total = firstSlot_.capacity() * sizeof(uint32_t) + sets_.capacity() * sizeof(TestSet);
  for (const TestSet &set : sets_)
    total += set.bytes();
  return total;
}
