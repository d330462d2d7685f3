// The index of the HTML report: the run's conclusion, the charts of the recorded
// measures, one row per selected file, and with -NOGLOBAL one row per test and
// the matrix of which tests hit which files (on a page of their own when they are
// many).
#pragma once

#include <cstdio>

#include "html/html_run.h"

/// Most tests, and most cells of the matrix of tests and files, that the index
/// shows; with more, the tests and the matrix have a page of their own.
constexpr std::size_t kIndexTests = 500;
constexpr std::size_t kIndexMatrixCells = 20000;

/// Whether the run's tests and matrix go on a page of their own.
bool testsHaveOwnPage(const HtmlRun &run);

/// Writes the index page.
void writeIndexPage(std::FILE *out, const HtmlRun &run);

/// Writes the page of the tests and of the matrix of tests and files.
void writeTestsPage(std::FILE *out, const HtmlRun &run);
