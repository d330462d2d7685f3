// The page of one recorded test (-NOGLOBAL): the items that only this test
// reached, then every item it hit, each list by file with each item linked to
// its line on the file's page. Its size is that of the test's hits.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "html/html_run.h"
#include "html/test_coverage.h"

/// Writes the page of the test at `ordinal` of the run's tests; `items` are the
/// items it hit (itemsByTest).
void writeTestPage(std::FILE *out, const HtmlRun &run, uint32_t ordinal,
                   const std::vector<TestItem> &items);
