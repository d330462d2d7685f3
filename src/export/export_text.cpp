#include "export/export_text.h"

#include <filesystem>
#include <system_error>

#include "model/coverage_records.h"
#include "support/source_map.h"

namespace {

bool isAscii(std::string_view bytes) {
  for (char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

/// Whether XML 1.0 can carry a UTF-16 unit (surrogates come in pairs out of
/// the UTF-8 decoder, so they are fine here).
bool xmlCharacter(char16_t c) {
  if (c < 0x20) return c == 0x09 || c == 0x0A || c == 0x0D;
  return c != 0xFFFE && c != 0xFFFF;
}

} // namespace

std::string validUtf8(std::string_view bytes) {
  if (isAscii(bytes)) return std::string(bytes);
  // Qt's decoder replaces each ill-formed sequence (stray continuation bytes,
  // overlong forms, surrogates, values above U+10FFFF) with U+FFFD.
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()))
      .toUtf8()
      .toStdString();
}

QString xmlText(std::string_view bytes) {
  QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  for (QChar &c : text)
    if (!xmlCharacter(c.unicode())) c = QChar(0xFFFD);
  return text;
}

std::string displayPath(const SourceFile &file, const std::string &currentDirectory) {
  // Without a directory the name is shown as given, relative to the current one.
  const bool hasDirectory = file.sourceDir && file.sourceDir->length > 0;
  std::string given = hasDirectory ? MappedSourcePath(file.sourceDir, file.sourceName)
                                   : mapSourcePath(file.sourceName ? file.sourceName->text : "");
  namespace fs = std::filesystem;
  fs::path path(given);
  if (path.is_relative()) path = fs::path(currentDirectory) / path;
  path = path.lexically_normal();
  const fs::path relative = path.lexically_relative(fs::path(currentDirectory));
  // Under the current directory: the relative path has no ".." step.
  if (!relative.empty() && *relative.begin() != "..") {
    std::string text = relative.generic_string();
    if (text != ".") return text;
  }
  return given;
}

std::string displayDirectory(const std::string &path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string currentDirectoryPath() {
  std::error_code error;
  std::string path = std::filesystem::current_path(error).string();
  while (path.size() > 1 && path.back() == '/')
    path.pop_back();
  return error ? std::string(".") : path;
}
