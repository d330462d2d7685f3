// Which tests hit each item: recorded at the end of each test from the services
// hit in it, for the outputs that ask for it (RunOutput::attributesTests). The
// items a test hit are noted in a log, in trace order; the log is turned into
// the items' sets of tests a batch of tests at a time, item by item, so that
// each set is visited once a batch rather than once a test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/coverage_records.h"
#include "model/service_items.h"
#include "report/test_set.h"

struct NameEntry;

class TestAttribution {
public:
  /// Log entries after which the log goes into the sets.
  static constexpr std::size_t kBatchEntries = std::size_t{1} << 20;

  explicit TestAttribution(std::size_t batchEntries = kBatchEntries)
      : batchEntries_(batchEntries) {}

  /// Records a test that has ended: its name, and for each item it hit (hits in
  /// the test) of the services hit in it, its ordinal. Modified conditions are
  /// not hit by traces and are left out. The tests are numbered from 0 in the
  /// order they end, as the JSON lists them.
  void testEnded(const std::vector<Service *> &servicesHit, const NameEntry *name);
  /// Records the tests of the items of these services only (by Service::index);
  /// every service's without it.
  void recordOnly(std::vector<bool> services) {
    recorded_ = std::move(services);
    restricted_ = true;
  }

  /// Ends the recording: what the log holds goes into the sets, and the room
  /// that growing left unused is given back. The sets are read after it.
  void finish();

  /// The tests recorded.
  std::size_t testCount() const { return names_.size(); }
  /// A test's name as the text report writes it.
  const char *testName(uint32_t ordinal) const;

  /// The tests that hit an item of a service (state of one of its branches), or
  /// null when none did.
  const TestSet *testsOf(const Service &service, const HitState &item) const;
  /// Calls `visit(const HitState &, const TestSet &)` for each item of the
  /// service that some test hit, in the order of forEachCountedItem.
  template <typename Visit> void forEachHitItem(const Service &service, Visit &&visit) const {
    if (service.index >= firstSlot_.size() || firstSlot_[service.index] == kNoSlot) return;
    std::size_t slot = firstSlot_[service.index];
    // The enumeration only reads the service.
    forEachCountedItem(const_cast<Service &>(service), [&](HitState &item, CoverageTypes) {
      const TestSet &tests = sets_[slot++];
      if (!tests.empty()) visit(static_cast<const HitState &>(item), tests);
    });
  }

  /// The bytes that the sets of tests take, the vectors' own records included.
  std::size_t bytes() const;

private:
  static constexpr uint32_t kNoSlot = UINT32_MAX;

  /// The first slot of the service's items, made at its first hit.
  std::size_t slotsOf(Service &service);
  /// Puts the log's entries into the sets, and empties it.
  void flush();

  /// By Service::index: the slot of its first item, or kNoSlot.
  std::vector<uint32_t> firstSlot_;
  /// One set per item of the services hit, in forEachCountedItem order.
  std::vector<TestSet> sets_;
  /// The tests' names, by ordinal.
  std::vector<const NameEntry *> names_;
  /// The slots of the items hit by the tests not yet put into the sets, test
  /// after test; where each of those tests begins in it; the first one's ordinal.
  std::vector<uint32_t> log_;
  std::vector<std::size_t> logTests_;
  uint32_t logFirstOrdinal_ = 0;
  /// The services recorded, by Service::index, when restricted to some.
  std::vector<bool> recorded_;
  bool restricted_ = false;
  std::size_t batchEntries_;
};
