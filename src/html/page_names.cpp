#include "html/page_names.h"

#include "model/coverage_model.h"
#include "support/paths.h"

namespace {

constexpr std::size_t kNameBytes = 80;

bool keptInName(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_' || c == '-';
}

} // namespace

std::string filePageName(const SourceFile &file) {
  std::string name = std::to_string(file.ordinal + 1) + "-";
  const char *source = file.sourceName ? file.sourceName->text : "";
  for (std::size_t i = 0; source[i] && i < kNameBytes; ++i) {
    const unsigned char c = static_cast<unsigned char>(source[i]);
    name += keptInName(c) ? static_cast<char>(c) : '_';
  }
  return name + ".html";
}

std::vector<std::string> htmlPagePaths(const CoverageModel &model, const std::string &directory) {
  std::vector<std::string> paths{JoinPath(directory, kIndexPage), JoinPath(directory, kTestsPage)};
  for (const std::unique_ptr<SourceFile> &file : model.files())
    if (!file->placeholder && file->sourceName)
      paths.push_back(JoinPath(directory, filePageName(*file)));
  return paths;
}
