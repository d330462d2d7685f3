#include "export/json_text_writer.h"

#include <cinttypes>

#include "export/export_text.h"

void JsonTextWriter::newLine() {
  std::fputc('\n', out_);
  for (std::size_t i = 0; i < levels_.size(); ++i)
    std::fputs("  ", out_);
}

void JsonTextWriter::beforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (levels_.empty()) return;
  Level &level = levels_.back();
  if (!level.empty) std::fputs(level.inlined ? ", " : ",", out_);
  level.empty = false;
  if (!level.inlined) newLine();
}

void JsonTextWriter::open(char bracket, bool inlined) {
  beforeValue();
  std::fputc(bracket, out_);
  // Inside an inline container everything stays on its line.
  const bool parentInline = !levels_.empty() && levels_.back().inlined;
  levels_.push_back(Level{inlined || parentInline, true});
}

void JsonTextWriter::close(char bracket) {
  const Level level = levels_.back();
  levels_.pop_back();
  if (!level.empty && !level.inlined) newLine();
  std::fputc(bracket, out_);
}

void JsonTextWriter::key(std::string_view name) {
  beforeValue();
  const std::string text = quoted(name);
  std::fwrite(text.data(), 1, text.size(), out_);
  std::fputs(": ", out_);
  afterKey_ = true;
}

void JsonTextWriter::string(std::string_view bytes) {
  beforeValue();
  const std::string text = quoted(bytes);
  std::fwrite(text.data(), 1, text.size(), out_);
}

void JsonTextWriter::number(uint64_t value) {
  beforeValue();
  std::fprintf(out_, "%" PRIu64, value);
}

void JsonTextWriter::number(int64_t value) {
  beforeValue();
  std::fprintf(out_, "%" PRId64, value);
}

void JsonTextWriter::boolean(bool value) {
  beforeValue();
  std::fputs(value ? "true" : "false", out_);
}

void JsonTextWriter::null() {
  beforeValue();
  std::fputs("null", out_);
}

void JsonTextWriter::finish() {
  std::fputc('\n', out_);
}

std::string JsonTextWriter::quoted(std::string_view bytes) {
  const std::string text = validUtf8(bytes);
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('"');
  for (char c : text) {
    switch (c) {
    case '"':
      out += "\\\"";
      break;
    case '\\':
      out += "\\\\";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\r':
      out += "\\r";
      break;
    case '\t':
      out += "\\t";
      break;
    default:
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
        out += escape;
      } else {
        out.push_back(c);
      }
    }
  }
  out.push_back('"');
  return out;
}
