// The names of the pages in the HTML directory: index.html, tests.html for the
// tests of a run that reported many, and one page per source file named after its
// position among the loaded files and its name.
#pragma once

#include <string>
#include <vector>

class CoverageModel;
struct SourceFile;

/// The index page.
inline constexpr const char kIndexPage[] = "index.html";
/// The page of the tests and of the matrix of tests and files, when they are too
/// many for the index.
inline constexpr const char kTestsPage[] = "tests.html";

/// The page of a source file: its position among the loaded files (from 1), '-',
/// its name with each byte other than an ASCII letter, digit, '.', '_' or '-'
/// turned into '_' (the first 80 bytes), and ".html". Two files never share a
/// page, and a name never leaves the directory.
std::string filePageName(const SourceFile &file);

/// Every page that a run over this model may write in `directory`: the index, the
/// tests page and the page of each loaded source file.
std::vector<std::string> htmlPagePaths(const CoverageModel &model, const std::string &directory);
