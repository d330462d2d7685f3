// Helpers shared by the unit tests.
#pragma once

#include <string>

/// A fresh temporary directory, removed when the object goes away.
class TempDir {
public:
  TempDir();
  ~TempDir();
  const std::string &path() const { return path_; }
  /// Writes a file below the directory and returns its full path.
  std::string write(const std::string &name, const std::string &content) const;

private:
  std::string path_;
};

/// Reads a whole file ("" when it cannot be read).
std::string readFile(const std::string &path);
