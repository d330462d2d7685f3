// The reader of one FDC file: its sections, their records and their checksums.
#pragma once

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "model/compositions.h"
#include "model/model_builder.h"
#include "support/coverage_types.h"
#include "support/input_file.h"
#include "support/line_reader.h"

class FdcReader {
public:
  FdcReader(CoverageModel &model, CoverageTypes requested);

  /// Loads every section of the file at `path`, or hands the path back in
  /// `otherFiles` when the file is not an FDC file.
  void load(const InputFile &input, std::vector<InputFile> &otherFiles);

private:
  // Sections.
  void readHeader(SourceFile &file);
  void readBody(SourceFile &file);
  void readChecksum(SourceFile &file);
  bool findNextSection();
  /// A quoted name, interned; with a label a missing or empty name is fatal,
  /// without one it gives null.
  NameEntry *readName(const char *label);
  /// The next line, whose first token must be `bigramme`; fatal `missing` when it
  /// is not, "Bad FDC file" when the file has ended.
  /// The next line; a line too long for an FDC record is fatal.
  char *nextLine();
  void readHeaderLine(const char *bigramme, const QString &missing);

  // Records of a body.
  void readRecord(SourceFile &file);
  void readProcedurePoint(SourceFile &file, uint32_t id);
  void readCall(SourceFile &file, uint32_t id);
  void readBlock(SourceFile &file, uint32_t id);
  void readCondition(SourceFile &file, uint32_t id, bool outcomePair);
  void readComposition(SourceFile &file, uint32_t firstCaseId);
  /// The first and last line of a record into its branch and its service.
  void readLines(Service &service, Branch &branch);
  uint32_t readNumber();
  /// The condition index of a service of the section being read.
  ConditionIdIndex &conditionIds(const Service &service);

  /// Ends the run with a format error whose %1 is the FDC file name.
  [[noreturn]] void failWithFileName(const QString &text) const;
  /// Reads the kind token of a record: its position among `kinds`, or -1 when it
  /// is none of them; a missing token is fatal with `missing`.
  int readKind(const char *const *kinds, std::size_t count, const QString &missing);

  /// The model that receives the sections.
  ModelBuilder model_;
  /// Coverage types requested for the run.
  CoverageTypes requested_;
  /// Path of the FDC file being read.
  std::string fdcName_;
  /// The same path as shown in messages.
  QString fdcNameText_;
  /// Lines and tokens of the file.
  LineReader lines_;
  /// Per service (by ordinal) of the section being read: the first condition
  /// entry of each ID.
  std::vector<ConditionIdIndex> conditionIds_;
  /// Scratch text of quoted names.
  std::string quoted_;
  /// The last two names read (a call record names its caller and the callee).
  NameEntry *lastNames_[2] = {nullptr, nullptr};
};
