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

bool parseUnifiedDiff(std::string_view text, UnifiedDiff &diff, DiffError &error) {
  diff.files.clear();
  DiffState state = DiffState::Outside;
  std::string oldPath;
  // The file whose hunks are read; null for a deleted file.
  DiffFile *file = nullptr;
  uint32_t oldLeft = 0, newLeft = 0, newLine = 0;
  std::size_t headerLine = 0;
  std::string headerText;
  bool sawFile = false;
  std::size_t firstText = 0;
  std::string firstTextLine;

  const auto fail = [&](std::size_t line, std::string_view lineText) {
    error.line = line;
    error.text = std::string(lineText);
    diff.files.clear();
    return false;
  };

  std::size_t number = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!firstText && !line.empty()) {
      firstText = number;
      firstTextLine = std::string(line);
    }

    if (state == DiffState::InHunk) {
      const char kind = line.empty() ? ' ' : line.front();
      if (kind == '\\') continue;
      if (kind == ' ' && oldLeft > 0 && newLeft > 0) {
        --oldLeft;
        --newLeft;
        ++newLine;
      } else if (kind == '-' && oldLeft > 0) {
        --oldLeft;
      } else if (kind == '+' && newLeft > 0) {
        if (file) file->lines.push_back(newLine);
        ++newLine;
        --newLeft;
      } else {
        // The hunk ends before its counts are met.
        return fail(number, line);
      }
      if (oldLeft == 0 && newLeft == 0) state = DiffState::InFile;
      continue;
    }

    if (state == DiffState::AfterMinus) {
      if (!startsWith(line, "+++ ")) return fail(number, line);
      std::string newPath;
      if (!diffHeaderPath(line.substr(4), newPath)) return fail(number, line);
      file = nullptr;
      if (newPath != "/dev/null") {
        DiffFile added;
        added.givenPath = newPath;
        added.added = oldPath == "/dev/null";
        const bool prefixed = (startsWith(oldPath, "a/") || added.added) &&
                              startsWith(newPath, "b/") && newPath.size() > 2;
        added.path = prefixed ? newPath.substr(2) : newPath;
        diff.files.push_back(std::move(added));
        file = &diff.files.back();
      }
      state = DiffState::InFile;
      continue;
    }

    // Outside a hunk: file headers, hunk headers, and lines that say nothing
    // about lines (extended headers, binary patches, a mail's text).
    if (startsWith(line, "diff ")) {
      sawFile = true;
      file = nullptr;
      state = DiffState::Outside;
      continue;
    }
    if (startsWith(line, "--- ")) {
      if (!diffHeaderPath(line.substr(4), oldPath)) return fail(number, line);
      sawFile = true;
      headerLine = number;
      headerText = std::string(line);
      state = DiffState::AfterMinus;
      continue;
    }
    if (startsWith(line, "+++ ")) return fail(number, line);
    if (startsWith(line, "@@")) {
      uint32_t newStart = 0;
      if (state != DiffState::InFile || !readHunkHeader(line, oldLeft, newStart, newLeft))
        return fail(number, line);
      newLine = newStart;
      headerLine = number;
      headerText = std::string(line);
      if (oldLeft > 0 || newLeft > 0) state = DiffState::InHunk;
      continue;
    }
    if (state == DiffState::InFile) {
      // A mail's signature ends the patch; a hunk line here is one more than
      // its header counts.
      if (line == "-- " || line == "--") {
        state = DiffState::Outside;
        file = nullptr;
        continue;
      }
      if (!line.empty() && (line.front() == ' ' || line.front() == '+' || line.front() == '-'))
        return fail(number, line);
    }
  }
  if (state == DiffState::InHunk || state == DiffState::AfterMinus)
    return fail(headerLine, headerText);
  if (!sawFile && firstText) return fail(firstText, firstTextLine);
  return true;
}
