// Texts of the model (names read from FDC files, any bytes) made fit for the
// machine-readable outputs, and the paths those outputs show.
#pragma once

#include <QString>
#include <string>
#include <string_view>

struct SourceFile;

/// The bytes as valid UTF-8: each byte that does not begin a well-formed
/// sequence becomes U+FFFD.
std::string validUtf8(std::string_view bytes);

/// The bytes decoded as UTF-8 with every character that XML 1.0 cannot carry
/// (invalid bytes, control characters other than tab, line feed and carriage
/// return, U+FFFE and U+FFFF) replaced by U+FFFD.
QString xmlText(std::string_view bytes);

/// The path of a source file as the FDC gives it (its directory joined with its
/// name) with the run's source map applied, made relative to `currentDirectory`
/// when it lies under it.
std::string displayPath(const SourceFile &file, const std::string &currentDirectory);

/// The directory part of a display path, "." when it has none.
std::string displayDirectory(const std::string &path);

/// The absolute current directory, without a final '/'.
std::string currentDirectoryPath();
