// The index of the HTML report: the run's conclusion, the charts of the recorded
// measures, one row per source folder when the files come from several (each with
// a page of its own), one row per selected file, and with -NOGLOBAL one row per
// test and the matrix of which tests hit which files (when they are many, the
// tests go to a page of their own, each with the files it hit, without matrix).
#pragma once

#include <cstdio>

#include "html/html_run.h"

/// Most tests, and most cells of the matrix of tests and files, that the index
/// shows; with more, the tests and the matrix have a page of their own.
constexpr std::size_t kIndexTests = 500;
constexpr std::size_t kIndexMatrixCells = 20000;

/// Whether the tests of a run (`tests` tests, `files` selected files) go on a
/// page of their own.
bool testsHaveOwnPage(std::size_t tests, std::size_t files);

/// Writes the index page.
void writeIndexPage(std::FILE *out, const HtmlRun &run);

/// Writes the page of the tests, each with the files it hit.
void writeTestsPage(std::FILE *out, const HtmlRun &run);

/// Writes the page of a source folder: its rates and the table of its files.
void writeFolderPage(std::FILE *out, const HtmlRun &run, const HtmlFolder &folder);
