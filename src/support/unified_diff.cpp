#include "support/unified_diff.h"

#include <optional>

namespace {

/// Where the reading of a diff stands.
enum class DiffState {
  Outside,    ///< before any file header, or between files: other lines are ignored
  AfterMinus, ///< a "--- " line was read: its "+++ " line must follow
  InFile,     ///< in a file, between hunks
  InHunk,     ///< in a hunk, lines left to read
};

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

/// A decimal number of at most nine digits at `at`, which moves past it.
std::optional<uint32_t> readNumber(std::string_view text, std::size_t &at) {
  uint32_t value = 0;
  std::size_t digits = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
    if (++digits > 9) return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(text[at] - '0');
    ++at;
  }
  if (digits == 0) return std::nullopt;
  return value;
}

/// One side of a hunk header: "<start>[,<count>]", the count 1 when not written.
bool readRange(std::string_view text, std::size_t &at, uint32_t &start, uint32_t &count) {
  const auto first = readNumber(text, at);
  if (!first) return false;
  start = *first;
  count = 1;
  if (at < text.size() && text[at] == ',') {
    ++at;
    const auto written = readNumber(text, at);
    if (!written) return false;
    count = *written;
  }
  return true;
}

/// "@@ -<old> +<new> @@[ section]".
bool readHunkHeader(std::string_view line, uint32_t &oldCount, uint32_t &newStart,
                    uint32_t &newCount) {
  if (!startsWith(line, "@@ -")) return false;
  std::size_t at = 4;
  uint32_t oldStart = 0;
  if (!readRange(line, at, oldStart, oldCount)) return false;
  if (line.substr(at, 2) != " +") return false;
  at += 2;
  if (!readRange(line, at, newStart, newCount)) return false;
  return line.substr(at, 3) == " @@";
}

int octalDigit(char c) {
  return c >= '0' && c <= '7' ? c - '0' : -1;
}

} // namespace

bool diffHeaderPath(std::string_view text, std::string &path) {
  path.clear();
  if (text.empty() || text.front() != '"') {
    path = std::string(text.substr(0, text.find('\t')));
    return true;
  }
  for (std::size_t at = 1; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '"') return true;
    if (c != '\\') {
      path += c;
      continue;
    }
    if (++at == text.size()) return false;
    const char escaped = text[at];
    switch (escaped) {
    case 'a':
      path += '\a';
      break;
    case 'b':
      path += '\b';
      break;
    case 't':
      path += '\t';
      break;
    case 'n':
      path += '\n';
      break;
    case 'v':
      path += '\v';
      break;
    case 'f':
      path += '\f';
      break;
    case 'r':
      path += '\r';
      break;
    default:
      if (octalDigit(escaped) >= 0 && at + 2 < text.size() && octalDigit(text[at + 1]) >= 0 &&
          octalDigit(text[at + 2]) >= 0) {
        const int value =
            octalDigit(escaped) * 64 + octalDigit(text[at + 1]) * 8 + octalDigit(text[at + 2]);
        path += static_cast<char>(value & 0xFF);
        at += 2;
      } else {
        path += escaped; // \" and \\ stand for themselves
      }
    }
  }
  return false;
}

namespace {

/// The reading of one diff text, line by line.
class DiffReader {
public:
  DiffReader(UnifiedDiff &diff, DiffError &error) : diff_(diff), error_(error) {}

  bool read(std::string_view text) {
    diff_.files.clear();
    std::size_t number = 0;
    for (std::size_t start = 0; start < text.size();) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(start, end - start);
      start = end + 1;
      ++number;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (!firstText_ && !line.empty()) {
        firstText_ = number;
        firstTextLine_ = std::string(line);
      }
      const bool read = state_ == DiffState::InHunk       ? hunkLine(line)
                        : state_ == DiffState::AfterMinus ? newPathLine(line)
                                                          : outsideLine(line, number);
      if (!read) return fail(number, line);
    }
    if (state_ == DiffState::InHunk || state_ == DiffState::AfterMinus)
      return fail(headerLine_, headerText_);
    if (!sawFile_ && firstText_) return fail(firstText_, firstTextLine_);
    return true;
  }

private:
  bool fail(std::size_t line, std::string_view lineText) {
    error_.line = line;
    error_.text = std::string(lineText);
    diff_.files.clear();
    return false;
  }

  /// A line of a hunk; false when the hunk ends before its counts are met.
  bool hunkLine(std::string_view line) {
    const char kind = line.empty() ? ' ' : line.front();
    if (kind == '\\') return true;
    if (kind == ' ' && oldLeft_ > 0 && newLeft_ > 0) {
      --oldLeft_;
      --newLeft_;
      ++newLine_;
    } else if (kind == '-' && oldLeft_ > 0) {
      --oldLeft_;
    } else if (kind == '+' && newLeft_ > 0) {
      if (file_) file_->lines.push_back(newLine_);
      ++newLine_;
      --newLeft_;
    } else {
      return false;
    }
    if (oldLeft_ == 0 && newLeft_ == 0) state_ = DiffState::InFile;
    return true;
  }

  /// The "+++ " line that must follow a "--- " line.
  bool newPathLine(std::string_view line) {
    if (!startsWith(line, "+++ ")) return false;
    std::string newPath;
    if (!diffHeaderPath(line.substr(4), newPath)) return false;
    file_ = nullptr;
    if (newPath != "/dev/null") {
      DiffFile added;
      added.givenPath = newPath;
      added.added = oldPath_ == "/dev/null";
      const bool prefixed = (startsWith(oldPath_, "a/") || added.added) &&
                            startsWith(newPath, "b/") && newPath.size() > 2;
      added.path = prefixed ? newPath.substr(2) : newPath;
      diff_.files.push_back(std::move(added));
      file_ = &diff_.files.back();
    }
    state_ = DiffState::InFile;
    return true;
  }

  /// Outside a hunk: file headers, hunk headers, and lines that say nothing
  /// about lines (extended headers, binary patches, a mail's text).
  bool outsideLine(std::string_view line, std::size_t number) {
    if (startsWith(line, "diff ")) {
      sawFile_ = true;
      file_ = nullptr;
      state_ = DiffState::Outside;
      return true;
    }
    if (startsWith(line, "--- ")) {
      if (!diffHeaderPath(line.substr(4), oldPath_)) return false;
      sawFile_ = true;
      noteHeader(line, number);
      state_ = DiffState::AfterMinus;
      return true;
    }
    if (startsWith(line, "+++ ")) return false;
    if (startsWith(line, "@@")) {
      uint32_t newStart = 0;
      if (state_ != DiffState::InFile || !readHunkHeader(line, oldLeft_, newStart, newLeft_))
        return false;
      newLine_ = newStart;
      noteHeader(line, number);
      if (oldLeft_ > 0 || newLeft_ > 0) state_ = DiffState::InHunk;
      return true;
    }
    if (state_ == DiffState::InFile) {
      // A mail's signature ends the patch; a hunk line here is one more than
      // its header counts.
      if (line == "-- " || line == "--") {
        state_ = DiffState::Outside;
        file_ = nullptr;
        return true;
      }
      if (!line.empty() && (line.front() == ' ' || line.front() == '+' || line.front() == '-'))
        return false;
    }
    return true;
  }

  void noteHeader(std::string_view line, std::size_t number) {
    headerLine_ = number;
    headerText_ = std::string(line);
  }

  UnifiedDiff &diff_;
  DiffError &error_;
  DiffState state_ = DiffState::Outside;
  std::string oldPath_;
  /// The file whose hunks are read; null for a deleted file.
  DiffFile *file_ = nullptr;
  uint32_t oldLeft_ = 0, newLeft_ = 0, newLine_ = 0;
  /// The last file or hunk header, named when its hunk is cut short.
  std::size_t headerLine_ = 0;
  std::string headerText_;
  bool sawFile_ = false;
  /// The first line with text, named when the text holds no file at all.
  std::size_t firstText_ = 0;
  std::string firstTextLine_;
};

} // namespace

bool parseUnifiedDiff(std::string_view text, UnifiedDiff &diff, DiffError &error) {
  return DiffReader(diff, error).read(text);
}
