// Which tests hit each item: recorded at the end of each test from the services
// hit in it, for the outputs that ask for it (RunOutput::attributesTests). Each
// service keeps a log of the tests that hit it, each with a mask of the items it
// hit (one bit per item, in forEachCountedItem order). A service's log becomes
// its items' sets of tests when they are first read, so that the services no
// output reads are never expanded, and each expansion stays within one service.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/coverage_records.h"
#include "model/service_items.h"
#include "report/test_set.h"

struct NameEntry;

class TestAttribution {
public:
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

  /// The tests recorded.
  std::size_t testCount() const { return names_.size(); }
  /// A test's name as the text report writes it.
  const char *testName(uint32_t ordinal) const;

  /// The tests that hit an item of a service (state of one of its branches), or
  /// null when none did.
  const TestSet *testsOf(const Service &service, const HitState &item) const;
  /// Calls `visit(const HitState &, const TestSet &)` for each item of the
  /// service that some test hit, in the order of forEachCountedItem.
  /// The sets stay valid as long as the attribution.
  template <typename Visit> void forEachHitItem(const Service &service, Visit &&visit) const {
    const std::vector<TestSet> *sets = setsOf(service);
    if (!sets) return;
    std::size_t slot = 0;
    // The enumeration only reads the service.
    forEachCountedItem(const_cast<Service &>(service), [&](HitState &item, CoverageTypes) {
      const TestSet &tests = (*sets)[slot++];
      if (!tests.empty()) visit(static_cast<const HitState &>(item), tests);
    });
  }

  /// The bytes that the logs and sets of tests take, the vectors' own records
  /// included.
  std::size_t bytes() const;

private:
  /// What is recorded of a service hit by some test.
  struct ServiceTests {
    /// Its counted items.
    uint32_t items = 0;
    /// Until it is read: for each test that hit it, in the order they ended,
    /// the test's ordinal then (items + 31) / 32 words of the mask of the items
    /// the test hit.
    std::vector<uint32_t> log;
    /// Once it is read: one set per item, in forEachCountedItem order.
    std::vector<TestSet> sets;
  };

  /// The sets of the service's items, made from its log at the first call;
  /// null when no test hit it.
  const std::vector<TestSet> *setsOf(const Service &service) const;

  /// By Service::index: what is recorded of the services hit (the others have
  /// none).
  mutable std::vector<std::unique_ptr<ServiceTests>> services_;
  /// The tests' names, by ordinal.
  std::vector<const NameEntry *> names_;
  /// The services recorded, by Service::index, when restricted to some.
  std::vector<bool> recorded_;
  bool restricted_ = false;
};
