#include "cli/option_table.h"

#include <QtGlobal>

// Translated in context "Command-line" when printed.
const char kReportUsage[] =
    QT_TRANSLATE_NOOP("Command-line", "\nUsage zeltocov:\n"
                                      "\t<file>[,file]\n"
                                      "\t[-PROC[=<RET>]]\n"
                                      "\t[-NOPROC]\n"
                                      "\t[-CALL|-NOCALL]\n"
                                      "\t[-BLOCK[=<IMPLICIT|DECISION|LOGICAL|ATC>]]\n"
                                      "\t[-NOBLOCK]\n"
                                      "\t[-COND[=<MODIFIED|COMPOUND>]]\n"
                                      "\t[-NOCOND]\n"
                                      "\t[-OUTPUT=<file>]\n"
                                      "\t[-LISTING[=<directory>]]\n"
                                      "\t[-GLOBAL|-NOGLOBAL]\n"
                                      "\t[-CLEAN=<newtiofile>]\n"
                                      "\t[-MERGETESTS]\n"
                                      "\t[-BRANCH=<NOCOV|COV>]\n"
                                      "\t[-SUMMARY=<SERVICE|FILE|CONCLUSION>]\n"
                                      "\t[-FILE=<file>[,file]]\n"
                                      "\t[-EXFILE=<file>[,file]]\n"
                                      "\t[-SERVICE=<name>[,name]]\n"
                                      "\t[-EXSERVICE=<name>[,name]]\n"
                                      "\t[-TEST=<test>[,test]]\n"
                                      "\t[-EXTEST=<test>[,test]]\n"
                                      "\t[-CIO=<file>]\n");

namespace {

ValueDescriptor textValue(const char *label, bool list, int32_t maximum) {
  ValueDescriptor value;
  value.label = label;
  value.kind = 'C';
  value.listAllowed = list;
  value.minimum = 1;
  value.maximum = maximum;
  return value;
}

OptionDescriptor flagOption(const char *name, bool negatable = false, bool defaultOn = false) {
  OptionDescriptor option;
  option.name = name;
  option.negatable = negatable;
  option.defaultOn = defaultOn;
  return option;
}

OptionDescriptor valueOption(const char *name, ValueDescriptor value, bool mandatory,
                             const std::vector<const char *> &keywords = {}) {
  OptionDescriptor option;
  option.name = name;
  option.value = std::move(value);
  option.valueMandatory = mandatory;
  for (const char *keyword : keywords)
    option.keywords.push_back(Keyword{keyword, false});
  return option;
}

ExclusivePair optionPair(const char *first, const char *second) {
  return ExclusivePair{{ExclusiveOption, first}, {ExclusiveOption, second}};
}

} // namespace

CommandLineTables reportCommandLineTables() {
  CommandLineTables tables;
  tables.options = {
      valueOption("PROC", textValue("proc type", false, 1024), false, {"RET"}),
      flagOption("NOPROC"),
      flagOption("CALL", true),
      valueOption("BLOCK", textValue("block type", false, 1024), false,
                  {"ATC", "LOGICAL", "DECISION", "IMPLICIT"}),
      flagOption("NOBLOCK"),
      valueOption("COND", textValue("cond type", false, 1024), false, {"COMPOUND", "MODIFIED"}),
      flagOption("NOCOND"),
      valueOption("OUTPUT", textValue("file", false, 1024), true),
      valueOption("LISTING", textValue("directory", false, 1024), false),
      flagOption("GLOBAL", true, true),
      valueOption("CLEAN", textValue("newtiofile", false, 8192), true),
      flagOption("MERGETESTS"),
      valueOption("BRANCH", textValue("branch type", false, 1024), true, {"COV", "NOCOV"}),
      valueOption("SUMMARY", textValue("summary type", false, 1024), true,
                  {"CONCLUSION", "FILE", "SERVICE"}),
      valueOption("FILE", textValue("file", true, 8192), true),
      valueOption("EXFILE", textValue("file", true, 8192), true),
      valueOption("SERVICE", textValue("name", true, 8192), true),
      valueOption("EXSERVICE", textValue("name", true, 8192), true),
      valueOption("TEST", textValue("test", true, 8192), true),
      valueOption("EXTEST", textValue("test", true, 8192), true),
      valueOption("CIO", textValue("file", false, 1024), true),
      valueOption("FLOW", textValue("file", false, 1024), true),
      flagOption("ITERATION"),
      // Outputs for CI systems and the coverage gate; documented in the manual page,
      // not in the usage text. Their names begin with letters or pairs that no
      // option above begins with, so every abbreviation of those stays valid.
      valueOption("XML", textValue("file", false, 1024), true),
      valueOption("JSON", textValue("file", false, 1024), true),
      valueOption("DIGEST", textValue("file", false, 1024), true),
      valueOption("FAILUNDER", textValue("type:percent", true, 8192), true),
      flagOption("STRICT"),
      // The HTML report; no option above begins with H.
      valueOption("HTML", textValue("directory", false, 1024), true),
      // Where the sources named by FDC files are found and how the outputs name
      // them; no option above begins with SO.
      valueOption("SOURCEMAP", textValue("from,to", true, 8192), true),
      // The changed lines of a diff and the tests they need; no option above
      // begins with CH or A.
      valueOption("CHANGES", textValue("file", false, 1024), true),
      valueOption("AFFECTED", textValue("file", false, 1024), true),
  };
  // The label names a missing argument in a message, in context "Command-line".
  tables.arguments = {textValue(QT_TRANSLATE_NOOP("Command-line", "file"), true, 1024)};
  tables.exclusivePairs = {
      optionPair("PROC", "NOPROC"),       optionPair("BLOCK", "NOBLOCK"),
      optionPair("COND", "NOCOND"),       optionPair("FILE", "EXFILE"),
      optionPair("SERVICE", "EXSERVICE"), optionPair("TEST", "EXTEST"),
  };
  tables.usage = kReportUsage;
  return tables;
}
