// The index of the HTML report: the run's conclusion, the charts of the recorded
// measures, one row per selected file, and with -NOGLOBAL one row per test and
// the matrix of which tests hit which files.
#pragma once

#include <cstdio>

#include "html/html_run.h"

/// Most cells of a matrix of tests and files kept on the index; a larger one has
/// a page of its own.
constexpr std::size_t kIndexMatrixCells = 20000;

/// Whether the run's matrix of tests and files goes on a page of its own.
bool matrixHasOwnPage(const HtmlRun &run);

/// Writes the index page.
void writeIndexPage(std::FILE *out, const HtmlRun &run);

/// Writes the page of the matrix of tests and files.
void writeMatrixPage(std::FILE *out, const HtmlRun &run);
