// Path helpers. A separator is inserted as '/'; '\\', '/' and ':' all end a
// directory part when one is searched for (FDC files may come from other hosts).
#pragma once

#include <cstdint>
#include <string>

struct NameEntry;

bool FileExists(const char *path);
/// Modification time in seconds, 0 when unavailable.
uint32_t FileTime(const char *path);
/// The part after the last '\\', '/' or ':' (the whole path when none).
const char *BaseName(const char *path);
/// directory + '/' + name, or directory + name when it ends in '/' or '\\'.
std::string JoinPath(const std::string &directory, const std::string &name);
/// The path of a source file: the directory and the name that its FDC file gives
/// (either may be missing, as an empty text), joined by JoinPath, so that an empty
/// directory gives '/' and the name.
std::string SourcePath(const NameEntry *directory, const NameEntry *name);
/// name + extension; internal errors for an empty name or extension, or an
/// extension not beginning with '.'.
std::string AppendExtension(const std::string &name, const std::string &extension);
