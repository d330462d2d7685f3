// Reading an FDC file section by section: the header lines, the body loop, the
// checksum line, the scan for the next section, and the redundancy check.
#include "fdc/fdc_reader.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>

#include "fdc/fdc_file_reader.h"
#include "fdc/source_validation.h"
#include "support/file_identity.h"
#include "support/messages.h"
#include "support/numbers.h"

namespace {

/// Type bigrammes of the TC line and the bits they set.
struct TypeBigramme {
  /// The bigramme.
  const char *name;
  /// Its CoverageTypes bits.
  CoverageTypes bits;
};

constexpr TypeBigramme kTypeBigrammes[] = {
    {"PR", CovFunctions},
    {"RE", CovFunctionsExits},
    {"AP", CovCalls},
    {"BS", CovStatementBlocks},
    {"BT", CovBlockCompanion},
    {"BI", CovImplicitBlocks},
    {"BL", CovLoops},
    {"BF", CovBf},
    {"BA", CovAsyncBlocks},
    {"CO", CovBasicConditions},
    // A composition gives both modified and compound conditions.
    {"CC", CovModifiedConditions | CovCompoundConditions},
    {"CF", CovForcedConditions},
    {"CW", CovCw},
    {"CE", CovConditionsInExpression},
};

/// The longest first line read to tell an FDC file from a trace.
constexpr std::size_t kLongestFirstLine = 64 * 1024;

/// Marker that introduces the next section between two at signs.
constexpr char kSectionMarker[] = "/RIK";

bool isToken(const char *token, const char *expected) {
  return token && std::strcmp(token, expected) == 0;
}

bool startsChecksumLine(const char *line) {
  return std::strncmp(line, "DC ", 3) == 0;
}

/// What makes a named input no file to read.
enum class Unusable { No, Directory, MissingLinkTarget };

Unusable unusableKind(const std::string &name) {
  struct stat status {};
  if (::stat(name.c_str(), &status) == 0)
    return S_ISDIR(status.st_mode) ? Unusable::Directory : Unusable::No;
  if (errno == ENOENT && ::lstat(name.c_str(), &status) == 0 && S_ISLNK(status.st_mode))
    return Unusable::MissingLinkTarget;
  return Unusable::No;
}

} // namespace

void LoadFdcFile(const std::string &name, CoverageTypes requested,
                 std::vector<InputFile> &otherFiles, CoverageModel &model, bool strict) {
  FdcReader reader(model, requested);
  if (name.empty()) reportInternal(tr("fdcL-Assertion", "Attempt to open unnamed FDC file"));
  if (strict) {
    const Unusable kind = unusableKind(name);
    if (kind != Unusable::No) {
      reportWarning((kind == Unusable::Directory
                         ? tr("User Warning", "%1 is a directory; it is left out",
                              "%1 is the name given on the command line")
                         : tr("User Warning", "%1 is a link to a missing file; it is left out",
                              "%1 is the name given on the command line"))
                        .arg(QString::fromLocal8Bit(name.c_str())));
      noteInputDropped();
      return;
    }
  }
  reader.load(openInput(name), otherFiles);
}

FdcReader::FdcReader(CoverageModel &model, CoverageTypes requested)
    : model_(model), requested_(requested) {}

void FdcReader::failWithFileName(const QString &text) const {
  reportFatal(text.arg(fdcNameText_));
}

void FdcReader::load(const InputFile &input, std::vector<InputFile> &otherFiles) {
  const std::string &path = input.path;
  fdcName_ = input.name;
  fdcNameText_ = QString::fromLocal8Bit(input.name.c_str());
  const auto cannotOpen = [&] {
    reportWarning(tr("fdcL-Warning", "Cannot open file %1", "%1 is a file name").arg(fdcNameText_));
    noteInputDropped();
  };
  // Most inputs looked at here are traces, of which only the first line is
  // read: no thread reads ahead (FDC files are small, read straight).
  lines_.setReadAheadMinimum(SIZE_MAX);
  if (!lines_.open(path.c_str())) return cannotOpen();
  // Telling an FDC file from a trace needs only its first bytes: a first line
  // longer than any VE line is no VE line.
  lines_.setMaxLineLength(kLongestFirstLine);
  const bool isFdc = lines_.readLine() && isToken(lines_.nextToken(), "VE");
  lines_.setMaxLineLength(LineReader::kMaxLineLength);
  if (!isFdc) {
    // A directory opens for reading here but yields no byte: it is no more a
    // readable file than a missing one, and must not pass for an empty trace.
    if (lines_.readFailed()) {
      lines_.close();
      return cannotOpen();
    }
    otherFiles.push_back(input);
    lines_.close();
    return;
  }
  // From here on the end of the file is the end of its data, never a failed read.
  lines_.failOnReadError(fdcNameText_);

  // New sections go in front, so the sections of one file end up in the model in
  // the reverse of their file order. Redundancy is judged against the files
  // loaded before this one only.
  std::vector<std::unique_ptr<SourceFile>> kept;
  bool redundancyTold = false;
  for (;;) {
    auto file = std::make_unique<SourceFile>();
    file->fdcName = fdcName_;
    readHeader(*file);
    ValidateFdcFile(file.get(), requested_);
    readBody(*file);
    readChecksum(*file);

    std::string identification = file->token ? file->token->text : "";
    for (NameEntry *word : file->tokenWords)
      if (word) {
        identification += ' ';
        identification += word->text;
      }
    FoldChecksum(file->checksum, identification.c_str());

    if (model_.FindSourceFile(file->fileKey, file->checksum)) {
      if (!redundancyTold)
        reportInfo(tr("fdcL-Info", "%1 contains redundant static information; it is ignored",
                      "%1 is a fdc file name")
                       .arg(fdcNameText_));
      redundancyTold = true;
    } else {
      kept.push_back(std::move(file));
    }
    if (!findNextSection()) break;
  }
  lines_.close();
  conditionIds_.clear();

  for (auto section = kept.rbegin(); section != kept.rend(); ++section) {
    model_.buildBranchIndex(**section);
    model_.RegisterSourceFile(std::move(*section));
  }
}

NameEntry *FdcReader::readName(const char *label) {
  if (!lines_.nextQuotedText(quoted_)) {
    if (!label) return nullptr;
    reportFatal(
        tr("fdcL-Error", "Cannot retrieve correctly %1 %2", "%1 is a message, %2 a file name")
            .arg(tr("fdcL-Error", label), fdcNameText_));
  }
  const std::string_view name = std::string_view(quoted_).substr(1, quoted_.size() - 2);
  if (name.empty()) {
    if (!label) return nullptr;
    reportFatal(tr("fdcL-Error", "Empty %1 %2", "%1 is a message, %2 a file name")
                    .arg(tr("fdcL-Error", label), fdcNameText_));
  }
  // Records name their service again and again: the last names are tried first.
  for (NameEntry *last : lastNames_)
    if (last && name == last->text) return last;
  // The closing quote gives way to the end of the text the name table reads.
  quoted_.back() = '\0';
  NameEntry *entry = internName(quoted_.data() + 1);
  lastNames_[1] = lastNames_[0];
  lastNames_[0] = entry;
  return entry;
}

char *FdcReader::nextLine() {
  char *line = lines_.readLine();
  if (!line && lines_.lineTooLong())
    failWithFileName(tr("fdcL-Error", "Line too long in FDC file %1", "%1 is a file name"));
  return line;
}

void FdcReader::readHeaderLine(const char *bigramme, const QString &missing) {
  if (!nextLine()) reportFatal(tr("fdcL-Error", "Bad FDC file", "%1 is a file name"));
  if (!isToken(lines_.nextToken(), bigramme)) failWithFileName(missing);
}

void FdcReader::readHeader(SourceFile &file) {
  // The VE token has been read.
  const char *version = lines_.nextToken();
  if (!version)
    failWithFileName(
        tr("fdcL-Error", "FDC file without any version string: %1", "%1 is a file name"));
  if (!isToken(version, "3.0e") && !isToken(version, "3.0d"))
    reportFatal(tr("fdcL-Error",
                   "%1 has been generated with an incompatible version of the product: %2",
                   "%1 is a file name, %2 a version")
                    .arg(fdcNameText_, QString::fromLocal8Bit(version)));
  const char *token = lines_.nextToken();
  if (!token || token[0] == '\0' || token[0] == '#')
    failWithFileName(
        tr("fdcL-Error", "FDC file without any token string: %1", "%1 is a file name"));
  file.token = internName(token);
  for (NameEntry *&word : file.tokenWords) {
    const char *text = lines_.nextToken();
    if (!text || (text[0] >= '0' && text[0] <= '9') || text[0] == '#') break;
    word = internName(text);
  }

  readHeaderLine("FC", tr("fdcL-Error", "Bad or missing FC in FDC file %1", "%1 is a file name"));
  file.sourceName = readName(QT_TRANSLATE_NOOP("fdcL-Error", "src-file name in FDC file"));
  file.sourceDir = readName(QT_TRANSLATE_NOOP("fdcL-Error", "src-file directory in FDC file"));
  file.extraText = readName(nullptr);
  file.fileKey = FileKey(std::string(file.sourceDir->text) + file.sourceName->text);

  readHeaderLine("FD", tr("fdcL-Error", "Bad or missing FD in FDC file %1", "%1 is a file name"));
  file.sourceTime = ReadDecimalTime(lines_.nextToken(), fdcNameText_);
  if (lines_.nextToken())
    failWithFileName(
        tr("fdcL-Error", "Garbage at the end of FD line in FDC file %1", "%1 is a file name"));

  readHeaderLine("TC", tr("fdcL-Error", "Bad or missing TC in FDC file %1", "%1 is a file name"));
  const char *type = lines_.nextToken();
  if (!type)
    failWithFileName(
        tr("fdcL-Error", "Bad or missing TC information in FDC file %1", "%1 is a file name"));
  for (; type; type = lines_.nextToken()) {
    const TypeBigramme *known = nullptr;
    for (const TypeBigramme &candidate : kTypeBigrammes)
      if (std::strcmp(candidate.name, type) == 0) {
        known = &candidate;
        break;
      }
    if (!known)
      failWithFileName(
          tr("fdcL-Error", "Unknown coverage type in FDC file %1", "%1 is a file name"));
    file.instrumentedTypes |= known->bits;
  }
}

void FdcReader::readBody(SourceFile &file) {
  if (!nextLine()) reportFatal(tr("fdcL-Error", "No data in FDC", "%1 is a file name"));
  model_.clearCurrentService();
  conditionIds_.clear();
  // The first line after TC is a record whatever it holds.
  const char *line;
  do {
    readRecord(file);
    line = nextLine();
  } while (line && !startsChecksumLine(line));
}

void FdcReader::readChecksum(SourceFile &file) {
  const QString badChecksumLine =
      tr("fdcL-Error", "Bad or missing DC in FDC file %1", "%1 is a file name");
  if (!lines_.line()) {
    // A DC line without line end is read as a DC line whose values are missing.
    const std::string_view rest = lines_.finalFragment();
    if (rest.size() >= 2 && rest.substr(0, 2) == "DC" &&
        (rest.size() == 2 || rest[2] == ' ' || rest[2] == '\t' || rest[2] == '\r'))
      ReadDecimal(nullptr, fdcNameText_);
    failWithFileName(badChecksumLine);
  }
  if (!isToken(lines_.nextToken(), "DC")) failWithFileName(badChecksumLine);
  file.checksum = ReadDecimal(lines_.nextToken(), fdcNameText_);
  if (const char *key = lines_.nextToken()) {
    file.fileKey = ReadDecimal(key, fdcNameText_);
    if (lines_.nextToken())
      failWithFileName(tr("fdcL-Error", "Garbage at the end of DC line checksum in FDC file %1",
                          "%1 is a file name"));
  }
}

bool FdcReader::findNextSection() {
  // Between two sections any text may stand; the next one is announced by the
  // marker inside at signs, and starts at the first VE line after the marker's line.
  bool inside = false;
  std::size_t matched = 0;
  for (;;) {
    const int c = lines_.readChar();
    if (c == EOF) return false;
    if (c == '@') {
      inside = !inside;
      matched = 0;
      continue;
    }
    if (!inside) continue;
    if (c != kSectionMarker[matched]) {
      matched = 0;
      continue;
    }
    if (++matched < sizeof kSectionMarker - 1) continue;

    int rest;
    do
      rest = lines_.readChar();
    while (rest != EOF && rest != '\n');
    if (!nextLine()) return false;
    if (isToken(lines_.nextToken(), "VE")) return true;
    matched = 0;
  }
}
