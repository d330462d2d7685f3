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
  const auto ordinal = static_cast<uint32_t>(names_.size());
  names_.push_back(name);
  for (Service *service : servicesHit) {
    if (!service->branchesHit) continue;
    std::size_t slot = slotsOf(*service);
    forEachCountedItem(*service, [&](HitState &item, CoverageTypes type) {
      if (item.hits && type != CovModifiedConditions) sets_[slot].add(ordinal);
      ++slot;
    });
  }
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

void TestAttribution::shrink() {
  for (TestSet &set : sets_)
    set.shrink();
}

std::size_t TestAttribution::bytes() const {
  std::size_t total = firstSlot_.capacity() * sizeof(uint32_t) + sets_.capacity() * sizeof(TestSet);
  for (const TestSet &set : sets_)
    total += set.bytes();
  return total;
}
