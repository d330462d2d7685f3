// The scan paths a differential test compares, and the note of those it could
// not run: a path this processor lacks is not compared, and the test says so (on
// its output and as the property "paths_not_run" of its XML report), so that a
// green run on a machine without AVX-512 is not taken for a check of that path.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "trace/hit_line_scanner.h"

/// The paths this machine takes (the plain one first); the first call in each
/// test notes the paths it lacks.
inline std::vector<HitScanPath> pathsToCompare() {
  static std::string notedIn;
  const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name =
      test ? std::string(test->test_suite_name()) + "." + test->name() : std::string();
  if (name != notedIn) {
    notedIn = name;
    std::string missing;
    for (HitScanPath path : kHitScanPaths)
      if (!hitScanPathAvailable(path))
        missing += (missing.empty() ? "" : ", ") + std::string(hitScanPathName(path));
    if (!missing.empty()) {
      ::testing::Test::RecordProperty("paths_not_run", missing);
      std::printf("[ NOT RUN  ] %s: no %s on this processor\n", name.c_str(), missing.c_str());
    }
  }
  return availableHitScanPaths();
}
