#include "cli/command_line_decoder.h"

#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "support/host_services.h"
#include "support/keyword_match.h"
#include "support/messages.h"

namespace {

// The texts are translated in context "CAB" when they are printed.
const char *const kDecoderTexts[] = {
    QT_TRANSLATE_NOOP("CAB", "Arg value too small,"),
    QT_TRANSLATE_NOOP("CAB", "Arg value too large,"),
    QT_TRANSLATE_NOOP("CAB", "Arg length too small,"),
    QT_TRANSLATE_NOOP("CAB", "Arg length too large,"),
    QT_TRANSLATE_NOOP("CAB", "Too many arguments invalid argument,"),
    QT_TRANSLATE_NOOP("CAB", "List forbidden invalid argument,"),
    QT_TRANSLATE_NOOP("CAB", "Unknown option,"),
    QT_TRANSLATE_NOOP("CAB", "Invalid character following option,"),
    QT_TRANSLATE_NOOP("CAB", "An option can't be used twice,"),
    QT_TRANSLATE_NOOP("CAB", "Mandatory argument for this option,"),
    QT_TRANSLATE_NOOP("CAB", "No argument for this option,"),
    QT_TRANSLATE_NOOP("CAB", "List forbidden invalid option,"),
    QT_TRANSLATE_NOOP("CAB", "Argument missing,"),
    QT_TRANSLATE_NOOP("CAB", "Ambiguous option,"),
    QT_TRANSLATE_NOOP("CAB", "Unknown value of option,"),
    QT_TRANSLATE_NOOP("CAB", "Ambiguous value of option,"),
    QT_TRANSLATE_NOOP("CAB", "Illegal combination of command elements,"),
    QT_TRANSLATE_NOOP("CAB", "File not found"),
    QT_TRANSLATE_NOOP("CAB", "Command analysis: No memory left"),
    QT_TRANSLATE_NOOP("CAB", "Command analysis"),
    QT_TRANSLATE_NOOP("CAB", "Internal error, bad option name"),
    QT_TRANSLATE_NOOP("CAB", "and"),
    QT_TRANSLATE_NOOP("CAB", "Argument file too large,"),
    QT_TRANSLATE_NOOP("CAB", "Word too long in argument file,"),
    QT_TRANSLATE_NOOP("CAB", "Too many words in argument files,"),
};

/// The error of a keyword choice that names nothing: `ambiguous` when the word
/// begins several keywords, `unknown` when it names none; -1 when it names one.
int choiceError(const KeywordChoice &choice, int unknown, int ambiguous) {
  if (choice.ambiguous) return ambiguous;
  return choice.index == KeywordChoice::kNone ? unknown : -1;
}

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

/// The message for a measure of a value (the number, or the length of a text)
/// outside the limits of its descriptor, or -1 when it is within them.
int limitError(long long measure, const ValueDescriptor &descriptor, int tooSmall, int tooLarge) {
  if (measure < descriptor.minimum) return tooSmall;
  if (measure > descriptor.maximum) return tooLarge;
  return -1;
}

} // namespace

const char *decoderMessageText(int index) {
  constexpr int count = static_cast<int>(sizeof kDecoderTexts / sizeof kDecoderTexts[0]);
  return (index >= 0 && index < count) ? kDecoderTexts[index] : "";
}

std::vector<std::string> splitValueList(const std::string &text) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && (text[i] != ',' || (i > 0 && text[i - 1] == '\\'))) continue;
    if (i == start) break; // an empty piece ends the list
    pieces.push_back(text.substr(start, i - start));
    start = i + 1;
  }
  return pieces;
}

bool hasUnescapedComma(const std::string &text) {
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] == ',' && (i == 0 || text[i - 1] != '\\')) return true;
  return false;
}

CommandLineDecoder::CommandLineDecoder(CommandLineTables tables) : tables_(std::move(tables)) {}

QString CommandLineDecoder::usageText() const {
  const QString translated = tr("Command-line", tables_.usage.c_str());
  // Lines of options kept out of the help start with a tab and "[-XT".
  const QStringList lines = translated.split(QLatin1Char('\n'));
  QStringList kept;
  for (const QString &line : lines)
    if (!line.startsWith(QLatin1String("\t[-XT"))) kept.append(line);
  return kept.join(QLatin1Char('\n'));
}

QString CommandLineDecoder::decoderPrefix(int titleIndex) const {
  return QStringLiteral("%1 %2 %3")
      .arg(tr("CAB", "Corvane(R)"), productName(), tr("CAB", decoderMessageText(titleIndex)));
}

void CommandLineDecoder::decoderError(int index, const char *element) const {
  QString message =
      decoderPrefix(CommandAnalysis) + QLatin1String(" : ") + tr("CAB", decoderMessageText(index));
  if (element) message += QLatin1Char(' ') + tr("Command-line", element);
  message += usageText() + QLatin1Char('\n');
  writeToStderr(message);
}

int CommandLineDecoder::optionState(const char *name) const {
  for (std::size_t i = 0; i < tables_.options.size(); ++i)
    if (tables_.options[i].name == name) return tables_.options[i].state * static_cast<int>(i + 1);
  writeToStderr(decoderPrefix(CommandAnalysis) + QLatin1String(" : ") +
                tr("CAB", decoderMessageText(BadOptionName)) + QLatin1Char(' ') +
                QString::fromLocal8Bit(name) + QLatin1Char('\n'));
  return 0;
}

const char *CommandLineDecoder::optionValue(int position, int n) const {
  std::size_t index = static_cast<std::size_t>(position < 0 ? -position : position);
  if (index < 1 || index > tables_.options.size() || n < 1) return nullptr;
  const OptionDescriptor &option = tables_.options[index - 1];
  if (!option.value || static_cast<std::size_t>(n) > option.value->values.size()) return nullptr;
  return option.value->values[n - 1].c_str();
}

std::vector<std::size_t> CommandLineDecoder::optionOccurrenceSizes(int position) const {
  std::size_t index = static_cast<std::size_t>(position < 0 ? -position : position);
  if (index < 1 || index > tables_.options.size()) return {};
  const auto found = occurrenceSizes_.find(index - 1);
  return found == occurrenceSizes_.end() ? std::vector<std::size_t>{} : found->second;
}

const char *CommandLineDecoder::argumentValue(int position, int n) const {
  if (position < 1 || static_cast<std::size_t>(position) > tables_.arguments.size() || n < 1)
    return nullptr;
  const ValueDescriptor &argument = tables_.arguments[position - 1];
  if (static_cast<std::size_t>(n) > argument.values.size()) return nullptr;
  return argument.values[n - 1].c_str();
}

void CommandLineDecoder::releaseDecoder() {
  for (OptionDescriptor &option : tables_.options) {
    if (option.value) option.value->values.clear();
    option.state = 0;
    for (Keyword &keyword : option.keywords)
      keyword.chosen = false;
  }
  for (ValueDescriptor &argument : tables_.arguments)
    argument.values.clear();
  expanded_.clear();
  expandedVector_.clear();
  argumentFiles_.clear();
  occurrenceSizes_.clear();
}

int CommandLineDecoder::decodeCommandLine(int argc, char **argv) {
  std::size_t nextArgument = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i] ? argv[i] : "";
    const int result = (!word.empty() && word[0] == '-') ? decodeOption(word)
                                                         : decodePositional(word, nextArgument);
    if (result != 0) return -1;
  }

  for (const ValueDescriptor &argument : tables_.arguments)
    if (argument.values.empty() && !argument.optional) {
      decoderError(ArgumentMissing, argument.label.c_str());
      return -1;
    }

  for (OptionDescriptor &option : tables_.options) {
    if (option.state == 0 && option.defaultOn)
      option.state = 1;
    else if (option.state == 0 && option.negatable)
      option.state = -1;
    if (option.value && option.defaultKeyword > 0 &&
        static_cast<std::size_t>(option.defaultKeyword) <= option.keywords.size()) {
      bool anyChosen = false;
      for (const Keyword &keyword : option.keywords)
        anyChosen = anyChosen || keyword.chosen;
      if (!anyChosen)
        option.value->values.push_back(option.keywords[option.defaultKeyword - 1].name);
    }
  }

  for (const ExclusivePair &pair : tables_.exclusivePairs) {
    if (!elementPresent(pair.first) || !elementPresent(pair.second)) continue;
    const std::string element = pair.first.name + " " +
                                tr("CAB", decoderMessageText(CombinationAnd)).toStdString() + " " +
                                pair.second.name;
    decoderError(IllegalCombination, element.c_str());
    return -1;
  }
  return 0;
}

bool CommandLineDecoder::elementPresent(const ExclusiveElement &element) const {
  const bool inverted = element.kind < 0;
  const int kind = inverted ? -element.kind : element.kind;
  bool present = false;
  switch (kind) {
  case ExclusiveKeyword:
    for (const OptionDescriptor &option : tables_.options)
      for (const Keyword &keyword : option.keywords)
        if (keyword.name == element.name && keyword.chosen) present = true;
    break;
  case ExclusiveArgument:
    for (const ValueDescriptor &argument : tables_.arguments)
      if (argument.label == element.name && !argument.values.empty()) present = true;
    break;
  case ExclusiveOption:
    for (const OptionDescriptor &option : tables_.options)
      if (option.name == element.name && option.state == 1) present = true;
    break;
  default:
    break;
  }
  return inverted ? !present : present;
}

int CommandLineDecoder::decodePositional(const std::string &word, std::size_t &nextArgument) {
  if (tables_.arguments.empty()) {
    decoderError(TooManyArguments, word.c_str());
    return -1;
  }
  const std::size_t index = std::min(nextArgument, tables_.arguments.size() - 1);
  nextArgument = index + 1;
  ValueDescriptor &argument = tables_.arguments[index];
  if (!argument.listAllowed && hasUnescapedComma(word)) {
    decoderError(ArgumentListForbidden, word.c_str());
    return -1;
  }
  if (!argument.listAllowed && !argument.values.empty()) {
    decoderError(TooManyArguments, word.c_str());
    return -1;
  }
  return addValues(argument, nullptr, word);
}

int CommandLineDecoder::decodeOption(const std::string &word) {
  const std::string body = word.substr(1);
  // The name ends at the end or at "="; each option is spelt as it is, then, when
  // negatable, with "NO" in front.
  const std::string name = body.substr(0, body.find('='));
  const std::vector<OptionDescriptor> &options = tables_.options;
  const KeywordChoice choice = chooseKeyword(
      name, options.size() * 2,
      [&options](std::size_t i) {
        const OptionDescriptor &option = options[i / 2];
        if (i % 2 == 0) return option.name;
        return option.negatable ? "NO" + option.name : std::string();
      },
      [](std::size_t i) { return i / 2; });
  if (const int error = choiceError(choice, UnknownOption, AmbiguousOption); error >= 0) {
    decoderError(error, body.c_str());
    return -1;
  }
  const std::size_t best = choice.index / 2;
  const bool negated = choice.index % 2 == 1;

  OptionDescriptor &option = tables_.options[best];
  const bool listValues = option.value && option.value->listAllowed;
  if (option.state != 0 && !listValues) {
    decoderError(OptionUsedTwice, body.c_str());
    return -1;
  }
  option.state = negated ? -1 : 1;

  const bool hasEquals = name.size() < body.size();
  const std::string valueText = hasEquals ? body.substr(name.size() + 1) : std::string();
  if (option.valueMandatory && valueText.empty()) {
    decoderError(MandatoryArgument, body.c_str());
    return -1;
  }
  if (!option.value && hasEquals) {
    decoderError(NoArgumentAllowed, body.c_str());
    return -1;
  }
  if (!hasEquals) return 0;
  if (!listValues && hasUnescapedComma(valueText)) {
    decoderError(OptionListForbidden, body.c_str());
    return -1;
  }
  const std::size_t before = option.value->values.size();
  const int result = addValues(*option.value, &option.keywords, valueText);
  occurrenceSizes_[best].push_back(option.value->values.size() - before);
  return result;
}

int CommandLineDecoder::addValues(ValueDescriptor &descriptor, std::vector<Keyword> *keywords,
                                  const std::string &text) {
  for (const std::string &piece : splitValueList(text)) {
    std::string stored;
    if (validateValue(descriptor, keywords, piece, stored) != 0) return -1;
    descriptor.values.push_back(std::move(stored));
  }
  return 0;
}

int CommandLineDecoder::validateValue(ValueDescriptor &descriptor, std::vector<Keyword> *keywords,
                                      std::string value, std::string &stored) const {
  if (descriptor.kind == 'I' || descriptor.kind == 'L') {
    // Numbers are whole decimal texts with an optional sign.
    errno = 0;
    char *end = nullptr;
    const long long number = std::strtoll(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || errno == ERANGE) {
      decoderError(UnknownValue, value.c_str());
      return -1;
    }
    if (const int error = limitError(number, descriptor, ArgValueTooSmall, ArgValueTooLarge);
        error >= 0) {
      decoderError(error, value.c_str());
      return -1;
    }
    stored = value;
    return 0;
  }

  if (const int error = limitError(static_cast<long long>(value.size()), descriptor,
                                   ArgLengthTooSmall, ArgLengthTooLarge);
      error >= 0) {
    decoderError(error, value.c_str());
    return -1;
  }
  const std::string typed = value;
  for (std::size_t i = 0; i + 1 < value.size(); ++i)
    if (value[i] == '\\' && value[i + 1] == ',') value.erase(i, 1);

  if (!keywords || keywords->empty()) {
    stored = std::move(value);
    return 0;
  }
  // The whole keyword consumed wins at once, whatever follows it; otherwise the
  // value must abbreviate one keyword only.
  const KeywordChoice choice = chooseKeyword(
      value, keywords->size(), [keywords](std::size_t i) { return (*keywords)[i].name; },
      AfterKeyword::Anything);
  if (const int error = choiceError(choice, UnknownValue, AmbiguousValue); error >= 0) {
    decoderError(error, typed.c_str());
    return -1;
  }
  Keyword *chosen = &(*keywords)[choice.index];
  chosen->chosen = true;
  stored = chosen->name;
  return 0;
}

// Argument pre-processing: argument files ("@file" and
// "-OPTION=file") and $NAME environment references.

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
