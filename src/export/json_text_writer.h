// A streaming JSON writer: values are written as they come, so a large model
// never sits in memory as a document. Containers are indented two blanks per
// level, or written on one line when opened as inline.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

class JsonTextWriter {
public:
  explicit JsonTextWriter(std::FILE *out) : out_(out) {}

  /// Opens an object; `inlined` writes it, and all it holds, on one line.
  void beginObject(bool inlined = false) { open('{', inlined); }
  void endObject() { close('}'); }
  void beginArray(bool inlined = false) { open('[', inlined); }
  void endArray() { close(']'); }

  /// The key of the next member of the current object.
  void key(std::string_view name);

  /// A string of any bytes: ill-formed UTF-8 becomes U+FFFD, control characters
  /// are escaped.
  void string(std::string_view bytes);
  void number(uint64_t value);
  void number(int64_t value);
  void boolean(bool value);
  void null();

  /// key() then the value.
  void member(std::string_view name, std::string_view text) {
    key(name);
    string(text);
  }
  void member(std::string_view name, const char *text) { member(name, std::string_view(text)); }
  void member(std::string_view name, uint64_t value) {
    key(name);
    number(value);
  }
  void member(std::string_view name, uint32_t value) { member(name, uint64_t{value}); }
  void member(std::string_view name, bool value) {
    key(name);
    boolean(value);
  }

  /// Ends the document with a line feed.
  void finish();

  /// The JSON form of a string (with its quotes).
  static std::string quoted(std::string_view bytes);

private:
  struct Level {
    bool inlined = false;
    bool empty = true;
  };
  void open(char bracket, bool inlined);
  void close(char bracket);
  /// Writes what comes before a value: a comma, a line break and indentation.
  void beforeValue();
  void newLine();

  std::FILE *out_;
  std::vector<Level> levels_;
  /// A key was just written: the value follows on the same line.
  bool afterKey_ = false;
};
