#include "report/test_attribution.h"

#include "support/name_table.h"

void TestAttribution::testEnded(const std::vector<Service *> &servicesHit, const NameEntry *name) {
  const auto ordinal = static_cast<uint32_t>(names_.size());
  names_.push_back(name);
  for (Service *service : servicesHit) {
    if (!service->branchesHit) continue;
    if (restricted_ && (service->index >= recorded_.size() || !recorded_[service->index])) continue;
    if (service->index >= services_.size()) services_.resize(service->index + 1);
    std::unique_ptr<ServiceTests> &recorded = services_[service->index];
    if (!recorded) {
      recorded = std::make_unique<ServiceTests>();
      forEachCountedItem(*service, [&](HitState &, CoverageTypes) { ++recorded->items; });
    }
    std::vector<uint32_t> &log = recorded->log;
    const std::size_t at = log.size();
    log.resize(at + 1 + (recorded->items + 31) / 32, 0);
    log[at] = ordinal;
    uint32_t *mask = log.data() + at + 1;
    uint32_t item = 0;
    bool hit = false;
    forEachCountedItem(*service, [&](HitState &state, CoverageTypes type) {
      if (state.hits && type != CovModifiedConditions) {
        mask[item / 32] |= uint32_t{1} << (item % 32);
        hit = true;
      }
      ++item;
    });
    if (!hit) log.resize(at);
  }
}

const std::vector<TestSet> *TestAttribution::setsOf(const Service &service) const {
  if (service.index >= services_.size() || !services_[service.index]) return nullptr;
  ServiceTests &recorded = *services_[service.index];
  if (!recorded.log.empty() || recorded.sets.empty()) {
    // The log turned item by item (a counting sort), each item's tests in the
    // order they ended, which is increasing.
    const std::size_t words = (recorded.items + 31) / 32;
    const std::vector<uint32_t> &log = recorded.log;
    std::vector<uint32_t> start(std::size_t{recorded.items} + 1, 0);
    for (std::size_t at = 0; at < log.size(); at += 1 + words)
      for (std::size_t word = 0; word < words; ++word)
        for (uint32_t bits = log[at + 1 + word]; bits; bits &= bits - 1)
          ++start[word * 32 + static_cast<std::size_t>(__builtin_ctz(bits)) + 1];
    for (std::size_t item = 0; item < recorded.items; ++item)
      start[item + 1] += start[item];
    std::vector<uint32_t> ordinals(start.back());
    std::vector<uint32_t> next(start.begin(), start.end() - 1);
    for (std::size_t at = 0; at < log.size(); at += 1 + words)
      for (std::size_t word = 0; word < words; ++word)
        for (uint32_t bits = log[at + 1 + word]; bits; bits &= bits - 1)
          ordinals[next[word * 32 + static_cast<std::size_t>(__builtin_ctz(bits))]++] = log[at];
    recorded.sets.resize(recorded.items);
    for (std::size_t item = 0; item < recorded.items; ++item)
      recorded.sets[item].assign(ordinals.data() + start[item], start[item + 1] - start[item]);
    std::vector<uint32_t>().swap(recorded.log);
  }
  return &recorded.sets;
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

std::size_t TestAttribution::bytes() const {
  std::size_t total = services_.capacity() * sizeof(std::unique_ptr<ServiceTests>);
  for (const std::unique_ptr<ServiceTests> &recorded : services_) {
    if (!recorded) continue;
    total += sizeof(ServiceTests) + recorded->log.capacity() * sizeof(uint32_t) +
             recorded->sets.capacity() * sizeof(TestSet);
    for (const TestSet &set : recorded->sets)
      total += set.bytes();
  }
  return total;
}
