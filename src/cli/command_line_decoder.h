// A table-driven decoder of command lines made of positional words and options
// ("-NAME", "-NAME=value", "-NAME=v1,v2"). It knows nothing of coverage: the tables
// of options, positional arguments and forbidden combinations come from its user.
#pragma once

#include <QString>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

/// One allowed value of an option.
struct Keyword {
  /// Canonical name (upper case in this program).
  std::string name;
  /// Set when a value of the command line matched this keyword.
  bool chosen = false;
};

/// The values of one option or of one positional argument.
struct ValueDescriptor {
  /// Shown in messages for positional arguments ("file").
  std::string label;
  /// 'C' text, 'I' integer, 'L' long integer.
  char kind = 'C';
  /// Several values (comma lists, repetition) are allowed.
  bool listAllowed = false;
  /// Lower bound of the text length (kind C) or of the number (kinds I, L).
  int32_t minimum = 0;
  /// Upper bound of the text length (kind C) or of the number (kinds I, L).
  int32_t maximum = 0;
  /// For positional arguments: may be absent.
  bool optional = false;
  /// The values decoded so far, in command-line order.
  std::vector<std::string> values;
};

/// One option of the table.
struct OptionDescriptor {
  /// Canonical name, at most 20 characters.
  std::string name;
  /// The option must be followed by "=" and a non-empty value.
  bool valueMandatory = false;
  /// How its values are checked and where they are kept; none when it takes no value.
  std::optional<ValueDescriptor> value;
  /// 0 absent, 1 given (or on by default), -1 negated (or off by default).
  int state = 0;
  /// The form "NO" + name is also accepted and sets state -1.
  bool negatable = false;
  /// When not given, the state becomes 1.
  bool defaultOn = false;
  /// 1-based keyword stored as the value when none was chosen; 0 for none.
  int defaultKeyword = 0;
  /// Allowed values, in matching order; empty when any text is allowed.
  std::vector<Keyword> keywords;
};

/// Kinds of the elements of an exclusive pair; a negated kind counts the element
/// as present when it is absent (or, for an option, negated).
enum ExclusiveKind : int { ExclusiveKeyword = 1, ExclusiveArgument = 2, ExclusiveOption = 3 };

/// One element of a forbidden combination.
struct ExclusiveElement {
  /// ExclusiveKind, negative for the inverted test.
  int kind = ExclusiveOption;
  /// Keyword name, positional argument label or option name.
  std::string name;
};

/// Two elements that must not both be present.
struct ExclusivePair {
  /// The element named first in the message.
  ExclusiveElement first;
  /// The element named second in the message.
  ExclusiveElement second;
};

/// Everything the decoder needs to know about one program's command line.
struct CommandLineTables {
  /// Options in table order (positions are 1-based in this order).
  std::vector<OptionDescriptor> options;
  /// Positional arguments: the n-th word goes to the n-th, extra words to the last.
  std::vector<ValueDescriptor> arguments;
  /// Forbidden combinations, tested in this order.
  std::vector<ExclusivePair> exclusivePairs;
  /// Usage text printed with every command-line error (translated when printed).
  std::string usage;
};

/// Indexes of the decoder's message texts.
enum DecoderMessage : int {
  ArgValueTooSmall = 0,
  ArgValueTooLarge = 1,
  ArgLengthTooSmall = 2,
  ArgLengthTooLarge = 3,
  TooManyArguments = 4,
  ArgumentListForbidden = 5,
  UnknownOption = 6,
  InvalidCharacterAfterOption = 7,
  OptionUsedTwice = 8,
  MandatoryArgument = 9,
  NoArgumentAllowed = 10,
  OptionListForbidden = 11,
  ArgumentMissing = 12,
  AmbiguousOption = 13,
  UnknownValue = 14,
  AmbiguousValue = 15,
  IllegalCombination = 16,
  FileNotFound = 17,
  DecoderNoMemory = 18,
  CommandAnalysis = 19,
  BadOptionName = 20,
  CombinationAnd = 21,
  ArgumentFileTooLarge = 22,
  ArgumentWordTooLong = 23,
  TooManyArgumentWords = 24,
};

/// Bounds of argument files: a command line needs none of them, and a file or
/// stream beyond them (such as /dev/zero) must not exhaust the memory.
struct ArgumentFileLimits {
  /// Bytes of one argument file.
  std::size_t fileBytes = 64 * 1024 * 1024;
  /// Bytes of one word.
  std::size_t wordBytes = 64 * 1024;
  /// Words of the whole command line after the argument files are read.
  std::size_t words = 1000000;
};

/// The untranslated text of a decoder message (context "CAB").
const char *decoderMessageText(int index);

class CommandLineDecoder {
public:
  explicit CommandLineDecoder(CommandLineTables tables);

  /// Expands argument files ("@file", "-OPTION=file") and $NAME references. On
  /// success replaces argc/argv by the expanded vector (owned by the decoder) and
  /// returns 0; when an argument file cannot be opened, prints the error, leaves
  /// argc/argv as they were and returns -1.
  int preprocessArguments(int &argc, char **&argv);
  /// Decodes the arguments after the program name: 0 valid, -1 invalid (the
  /// message has been printed).
  int decodeCommandLine(int argc, char **argv);

  /// 0 absent; +p given or on by default; -p negated or off by default (p is the
  /// 1-based position). The name is compared exactly; an unknown name is reported
  /// and answers 0.
  int optionState(const char *name) const;
  /// The n-th (1-based) value of the option at position |position|, or null.
  const char *optionValue(int position, int n) const;
  /// How many values each occurrence of the option at position |position| gave.
  std::vector<std::size_t> optionOccurrenceSizes(int position) const;
  /// The n-th (1-based) value of the position-th positional argument, or null.
  const char *argumentValue(int position, int n) const;
  /// Forgets every value and the expanded arguments; earlier results become invalid.
  void releaseDecoder();
  /// The argument files read by the last successful preprocessArguments, each path
  /// as it was opened, in command-line order (a file named twice is listed twice).
  const std::vector<std::string> &argumentFiles() const { return argumentFiles_; }

  /// Prints a decoder message with its prefix, the element text and the usage text.
  void decoderError(int index, const char *element) const;
  /// "Corvane(R) <product> <title>", the prefix of every decoder message.
  QString decoderPrefix(int titleIndex) const;
  /// The usage text, translated, without the lines of hidden options.
  QString usageText() const;

  const CommandLineTables &tables() const { return tables_; }
  /// The bounds of argument files (tests make them smaller).
  void setArgumentFileLimits(const ArgumentFileLimits &limits) { limits_ = limits; }

private:
  std::string expandEnvironment(const std::string &word) const;
  /// 0, or the DecoderMessage of the failure (FileNotFound, ArgumentFileTooLarge,
  /// ArgumentWordTooLong, TooManyArgumentWords).
  int readArgumentFile(const std::string &path, std::vector<std::string> &words) const;

  int decodePositional(const std::string &word, std::size_t &nextArgument);
  int decodeOption(const std::string &word);
  int addValues(ValueDescriptor &descriptor, std::vector<Keyword> *keywords,
                const std::string &text);
  int validateValue(ValueDescriptor &descriptor, std::vector<Keyword> *keywords, std::string value,
                    std::string &stored) const;
  bool elementPresent(const ExclusiveElement &element) const;

  /// The tables, with the states and values decoded so far.
  CommandLineTables tables_;
  ArgumentFileLimits limits_;
  /// The arguments after expansion of argument files and references.
  std::vector<std::string> expanded_;
  /// The argument vector over expanded_ handed back by preprocessArguments.
  std::vector<char *> expandedVector_;
  /// The argument files that expanded_ was read from.
  std::vector<std::string> argumentFiles_;
  /// By option position (0-based): how many values each occurrence gave, in order.
  std::map<std::size_t, std::vector<std::size_t>> occurrenceSizes_;
};

/// Splits a value text at commas not preceded by a backslash; an empty piece ends
/// the list.
std::vector<std::string> splitValueList(const std::string &text);
/// Whether a text holds a comma not preceded by a backslash.
bool hasUnescapedComma(const std::string &text);
