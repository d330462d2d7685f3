#include "html/page_names.h"

#include <unordered_set>

#include "model/coverage_model.h"
#include "support/name_table.h"
#include "support/paths.h"

namespace {

constexpr std::size_t kNameBytes = 80;

bool keptInName(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_' || c == '-';
}

/// `prefix`, the first 80 bytes of `text` with those not kept turned into '_',
/// and ".html".
std::string pageName(std::string name, const char *text) {
  for (std::size_t i = 0; text[i] && i < kNameBytes; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    name += keptInName(c) ? static_cast<char>(c) : '_';
  }
  return name + ".html";
}

bool hasPage(const SourceFile &file) {
  return !file.placeholder && file.sourceName;
}

} // namespace

std::string testPageName(std::size_t ordinal) {
  return "test-" + std::to_string(ordinal + 1) + ".html";
}

std::string filePageName(const SourceFile &file) {
  return pageName(std::to_string(file.ordinal + 1) + "-",
                  file.sourceName ? file.sourceName->text : "");
}

std::vector<const NameEntry *> sourceFolders(const CoverageModel &model) {
  std::vector<const NameEntry *> folders;
  std::unordered_set<const NameEntry *> seen;
  for (const std::unique_ptr<SourceFile> &file : model.files())
    if (hasPage(*file) && seen.insert(file->sourceDir).second) folders.push_back(file->sourceDir);
  return folders;
}

std::string folderPageName(std::size_t position, const NameEntry *folder) {
  std::string text = folder ? folder->text : "";
  // Its last part: what is after the last separator that is not the last byte.
  while (text.size() > 1 && (text.back() == '/' || text.back() == '\\'))
    text.pop_back();
  return pageName("dir-" + std::to_string(position + 1) + "-", BaseName(text.c_str()));
}

std::vector<std::string> htmlPagePaths(const CoverageModel &model, const std::string &directory) {
  std::vector<std::string> paths{JoinPath(directory, kIndexPage), JoinPath(directory, kTestsPage)};
  for (const std::unique_ptr<SourceFile> &file : model.files())
    if (hasPage(*file)) paths.push_back(JoinPath(directory, filePageName(*file)));
  const std::vector<const NameEntry *> folders = sourceFolders(model);
  if (folders.size() > 1)
    for (std::size_t i = 0; i < folders.size(); ++i)
      paths.push_back(JoinPath(directory, folderPageName(i, folders[i])));
  return paths;
}
