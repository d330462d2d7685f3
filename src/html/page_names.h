// The names of the pages in the HTML directory: index.html, tests.html for the
// tests of a run that reported many, one page per source file named after its
// position among the loaded files and its name, and one page per source folder
// when the files come from several.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CoverageModel;
struct NameEntry;
struct SourceFile;

/// The index page.
inline constexpr const char kIndexPage[] = "index.html";
/// The page of the tests and of the matrix of tests and files, when they are too
/// many for the index.
inline constexpr const char kTestsPage[] = "tests.html";

/// The page of the recorded test at `ordinal` (from 0): "test-", ordinal + 1,
/// ".html". It never names the page of a file nor of a folder.
std::string testPageName(std::size_t ordinal);

/// The page of a source file: its position among the loaded files (from 1), '-',
/// its name with each byte other than an ASCII letter, digit, '.', '_' or '-'
/// turned into '_' (the first 80 bytes), and ".html". Two files never share a
/// page, and a name never leaves the directory.
std::string filePageName(const SourceFile &file);

/// The folders of the loaded source files (their FDC files' source folders, null
/// for none), each once, in the order of the first file of each.
std::vector<const NameEntry *> sourceFolders(const CoverageModel &model);

/// The page of the folder at `position` (from 0) of sourceFolders: "dir-",
/// position + 1, '-', the folder's last part as filePageName turns a name, and
/// ".html". It never names a file's page.
std::string folderPageName(std::size_t position, const NameEntry *folder);

/// Every page that a run over this model may write in `directory`: the index, the
/// tests page, the page of each loaded source file and, when they come from
/// several folders, the page of each folder.
std::vector<std::string> htmlPagePaths(const CoverageModel &model, const std::string &directory);
