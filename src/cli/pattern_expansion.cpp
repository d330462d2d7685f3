#include "cli/pattern_expansion.h"

#include <algorithm>
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

namespace {

bool hasWildcard(const std::string &text) {
  return text.find_first_of("*?[") != std::string::npos;
}

/// Whether a path names something that exists and is not a directory.
bool isReadableKind(const std::string &path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

/// Whether a path names an entry of its directory, be it a link to nothing.
bool isEntry(const std::string &path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0;
}

unsigned char lowerAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

/// Letter case ignored first, then the bytes, so that the order is total.
bool lessIgnoringCase(const std::string &a, const std::string &b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = lowerAscii(static_cast<unsigned char>(a[i]));
    const unsigned char y = lowerAscii(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

} // namespace

const std::vector<std::string> &PatternExpander::entriesOf(const std::string &directory) {
  auto known = listings_.find(directory);
  if (known != listings_.end()) return known->second;
  std::vector<std::string> &entries = listings_[directory];
  if (DIR *dir = ::opendir(directory.c_str())) {
    while (const dirent *entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") entries.push_back(name);
    }
    ::closedir(dir);
  }
  std::sort(entries.begin(), entries.end(), lessIgnoringCase);
  return entries;
}

std::vector<std::string> PatternExpander::expand(const std::string &word) {
  const std::size_t slash = word.rfind('/');
  const bool inFolder = slash != std::string::npos;
  // The folder "/" when the word starts with its only slash.
  const std::string directory =
      !inFolder ? std::string(".") : (slash == 0 ? std::string("/") : word.substr(0, slash));
  const std::string pattern = inFolder ? word.substr(slash + 1) : word;
  if (pattern.empty()) return {word};
  const std::string prefix = directory.back() == '/' ? directory : directory + '/';

  // A plain name that exists as typed means that one file only, not also its
  // namesakes in another letter case, and needs no listing.
  if (!hasWildcard(pattern)) {
    if (isReadableKind(prefix + pattern)) return {prefix + pattern};
    if (keepUnusableNames_ && isEntry(prefix + pattern)) return {word};
  }

  std::vector<std::string> names;
  bool anyMatch = false;
  for (const std::string &entry : entriesOf(directory)) {
    if (::fnmatch(pattern.c_str(), entry.c_str(), FNM_CASEFOLD) != 0) continue;
    anyMatch = true;
    const std::string candidate = prefix + entry;
    if (isReadableKind(candidate)) names.push_back(candidate);
  }
  if (!anyMatch) return {word};
  return names;
}
