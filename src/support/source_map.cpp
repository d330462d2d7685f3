#include "support/source_map.h"

#include "support/paths.h"

namespace {

SourceMap &runMap() {
  static SourceMap map;
  return map;
}

bool isSeparator(char c) {
  return c == '/' || c == '\\';
}

/// Whether `prefix` begins `path` and ends where a folder of it ends.
bool leadsTo(const std::string &prefix, const std::string &path) {
  if (prefix.empty() || path.compare(0, prefix.size(), prefix) != 0) return false;
  return path.size() == prefix.size() || isSeparator(prefix.back()) ||
         isSeparator(path[prefix.size()]);
}

} // namespace

void SourceMap::add(std::string from, std::string to) {
  pairs_.emplace_back(std::move(from), std::move(to));
}

std::string SourceMap::apply(const std::string &path) const {
  const std::pair<std::string, std::string> *best = nullptr;
  for (const auto &pair : pairs_)
    if (leadsTo(pair.first, path) && (!best || pair.first.size() > best->first.size()))
      best = &pair;
  if (!best) return path;
  const std::string &from = best->first;
  std::string rest = path.substr(from.size());
  // A prefix given with its final separator keeps it before the rest.
  if (!rest.empty() && isSeparator(from.back())) rest.insert(rest.begin(), from.back());
  const std::string &to = best->second;
  // One separator between the replacement and the rest.
  if (!to.empty() && isSeparator(to.back()) && !rest.empty() && isSeparator(rest.front()))
    rest.erase(0, 1);
  if (to.empty() && !rest.empty() && isSeparator(rest.front())) rest.erase(0, 1);
  return to + rest;
}

void setSourceMap(SourceMap map) {
  runMap() = std::move(map);
}

std::string mapSourcePath(const std::string &path) {
  return runMap().apply(path);
}

std::string MappedSourcePath(const NameEntry *directory, const NameEntry *name) {
  return mapSourcePath(SourcePath(directory, name));
}
