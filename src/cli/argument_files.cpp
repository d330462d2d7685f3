// Argument pre-processing of the command-line decoder: argument files ("@file" and
// "-OPTION=file") and $NAME environment references.
#include <cstdio>

#include "cli/command_line_decoder.h"
#include "support/host_services.h"
#include "support/keyword_match.h"

namespace {

bool isNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The file named by an argument, when the argument names one.
bool argumentFileName(const std::string &argument, std::string &path) {
  if (!argument.empty() && argument[0] == '@') {
    path = argument.substr(1);
    return true;
  }
  constexpr std::string_view option = "-OPTION=";
  if (matchKeyword(argument, option, AfterKeyword::Anything) != KeywordMatch::Whole) return false;
  path = argument.substr(option.size());
  return true;
}

} // namespace

std::string CommandLineDecoder::expandEnvironment(const std::string &word) const {
  std::string result;
  std::size_t i = 0;
  while (i < word.size()) {
    if (word[i] != '$') {
      result += word[i++];
      continue;
    }
    std::size_t end = i + 1;
    while (end < word.size() && isNameCharacter(word[end]))
      ++end;
    const std::string name = word.substr(i + 1, end - i - 1);
    const std::optional<std::string> value = name.empty() ? std::nullopt : getEnv(name.c_str());
    // The inserted value is not scanned again.
    result += value ? *value : word.substr(i, end - i);
    i = end;
  }
  return result;
}

// Reads the words of an argument file: blanks separate words, double quotes group
// and are dropped, a line whose first non-blank character is '#' is a comment, a
// backslash before a line end (LF, CR LF or CR) or the end of the file continues
// the line, and before any other character keeps both.
int CommandLineDecoder::readArgumentFile(const std::string &path,
                                         std::vector<std::string> &words) const {
  std::FILE *file = std::fopen(path.c_str(), "r");
  if (!file) return FileNotFound;
  int failure = 0;
  std::size_t bytes = 0;
  // Reads one byte, or EOF once the file is over its bounds.
  auto next = [&]() -> int {
    if (failure) return EOF;
    const int c = std::getc(file);
    if (c != EOF && ++bytes > limits_.fileBytes) {
      failure = ArgumentFileTooLarge;
      return EOF;
    }
    return c;
  };

  std::string word;
  bool wordStarted = false; // a word is in progress (also an empty quoted one)
  bool inQuotes = false;
  bool lineStart = true; // only blanks seen on this line so far
  auto finishWord = [&] {
    if (wordStarted && !failure) {
      if (words.size() >= limits_.words)
        failure = TooManyArgumentWords;
      else
        words.push_back(expandEnvironment(word));
    }
    word.clear();
    wordStarted = false;
  };
  auto add = [&](char c) {
    if (word.size() >= limits_.wordBytes && !failure) failure = ArgumentWordTooLong;
    word += c;
  };

  int c;
  while ((c = next()) != EOF) {
    if (c == '#' && lineStart && !inQuotes) {
      while ((c = next()) != EOF && c != '\n') {
      }
      continue; // the next line starts blank again
    }
    if (c == '\\') {
      const int following = next();
      if (following == EOF || following == '\n') continue;
      if (following == '\r') {
        const int after = next();
        if (after != '\n' && after != EOF) {
          std::ungetc(after, file);
          --bytes;
        }
        continue;
      }
      add('\\');
      add(static_cast<char>(following));
      wordStarted = true;
      lineStart = false;
      continue;
    }
    if (c == '"') {
      inQuotes = !inQuotes;
      wordStarted = true;
      lineStart = false;
      continue;
    }
    if (!inQuotes && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
      finishWord();
      if (c == '\r' || c == '\n') lineStart = true;
      continue;
    }
    add(static_cast<char>(c));
    wordStarted = true;
    lineStart = false;
  }
  finishWord();
  // A directory opens for reading here but cannot be read: it is no argument
  // file, just as one that does not open.
  const bool readable = !std::ferror(file);
  std::fclose(file);
  if (failure) return failure;
  return readable ? 0 : FileNotFound;
}

int CommandLineDecoder::preprocessArguments(int &argc, char **&argv) {
  std::vector<std::string> words;
  std::vector<std::string> files;
  words.push_back(expandEnvironment(argc > 0 && argv[0] ? argv[0] : ""));
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i] ? argv[i] : "";
    std::string path;
    if (!argumentFileName(argument, path)) {
      if (words.size() >= limits_.words) {
        decoderError(TooManyArgumentWords, nullptr);
        return -1;
      }
      words.push_back(expandEnvironment(argument));
      continue;
    }
    if (const int failure = readArgumentFile(path, words)) {
      decoderError(failure, path.c_str());
      return -1;
    }
    files.push_back(std::move(path));
  }
  expanded_ = std::move(words);
  argumentFiles_ = std::move(files);
  expandedVector_.clear();
  for (std::string &word : expanded_)
    expandedVector_.push_back(word.data());
  expandedVector_.push_back(nullptr);
  argc = static_cast<int>(expanded_.size());
  argv = expandedVector_.data();
  return 0;
}
