// The CIO file (-CIO): the machine-readable progress of a run, a T record per
// test that ends, an O record per group of tests, the G section per service after
// the traces and the R summary after the conclusion.
#pragma once

#include <QByteArray>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "report/report_labels.h"
#include "report/report_scope.h"
#include "support/coverage_counts.h"
#include "support/output_file.h"

class CoverageModel;
struct Service;
struct SourceFile;
struct TestState;

/// The new hits of a service since it was last looked at: every item whose
/// current-test mark (FlagHitSinceLook) is set and whose counted mark
/// (FlagCountedInGroup) is not counts one and receives the counted mark; the
/// current-test mark of every item is cleared.
CoverageCounts countNewHits(Service &service);

class CioFile {
public:
  /// `scope` lists the services the file follows; `mask` is the run's mask of
  /// report lines.
  CioFile(const ReportScope &scope, CoverageTypes mask);
  ~CioFile();
  CioFile(const CioFile &) = delete;
  CioFile &operator=(const CioFile &) = delete;

  /// Creates the file and writes its header; a file that cannot be created is
  /// fatal.
  void openCio(const std::string &path, std::time_t runTime);
  /// The T record of the test that has just ended.
  void writeCioTest(const TestState &test);
  /// The O record of the group that has just ended.
  void writeCioGroup(const TestState &test);
  /// The G section, after the last trace.
  void writeCioGlobal();
  /// The R section with the totals and hits of the report's conclusion (nothing
  /// when no source file is loaded), then the file is closed.
  void writeCioRoot(const CoverageModel &model, const CoverageCounts &totals,
                    const CoverageCounts &hits);

private:
  /// One followed service and the new hits of its group so far.
  struct Entry {
    const SourceFile *file = nullptr;
    Service *service = nullptr;
    CoverageCounts groupHits;
  };

  /// The translated CIO label of a row.
  const char *label(ReportLabel row) const { return labels_[row].constData(); }
  /// The rate lines of the mask for a file; `newHits` adds the "+" part.
  void writeCioRates(const SourceFile &file, const CoverageCounts &totals,
                     const CoverageCounts &hits, const CoverageCounts *newHits);
  /// The file line when the file is not the one of the last service written.
  void writeFileLine(const SourceFile &file, const SourceFile *&last);
  /// The note about modified conditions.
  void writeNote(ReportLabel row);
  void writeNothingHit();

  const ReportScope &scope_;
  const CoverageTypes mask_;
  OutputFile file_;
  std::FILE *out_ = nullptr;
  std::string path_;
  std::vector<Entry> entries_;
  /// The CIO column of the label table, translated.
  std::vector<QByteArray> labels_;
  bool firstTestRecord_ = true;
  bool firstGroupRecord_ = true;
};
