#include "report/cio_file.h"

#include "model/coverage_model.h"
#include "model/hit_counting.h"
#include "model/service_items.h"
#include "report/rate_lines.h"
#include "report/report_line.h"
#include "support/messages.h"
#include "support/output_stream.h"
#include "support/run_clock.h"
#include "support/tool_version.h"
#include "trace/test_state.h"

namespace {

/// Looks at one item: counts it as new when it was hit since it was last looked
/// at and is not yet counted in the group.
void lookAt(CoverageCounts &counts, HitState &item, CoverageTypes type) {
  if ((item.flags & FlagHitSinceLook) && !(item.flags & FlagCountedInGroup)) {
    countType(counts, type);
    item.flags |= FlagCountedInGroup;
  }
  item.flags &= ~FlagHitSinceLook;
}

/// Clears the counted mark of every item of a service.
void forgetCounted(Service &service) {
  forEachCountedItem(service,
                     [](HitState &item, CoverageTypes) { item.flags &= ~FlagCountedInGroup; });
}

QString traceFileName(const TestState &test) {
  return QString::fromLocal8Bit(test.traceFileName.c_str());
}

} // namespace

CoverageCounts countNewHits(Service &service) {
  CoverageCounts counts;
  forEachCountedItem(service,
                     [&counts](HitState &item, CoverageTypes type) { lookAt(counts, item, type); });
  return counts;
}

CioFile::CioFile(const ReportScope &scope, CoverageTypes mask) : scope_(scope), mask_(mask) {
  labels_.reserve(LblCount);
  for (int row = 0; row < LblCount; ++row)
    labels_.push_back(tr("Cio message", kReportLabels.get(static_cast<ReportLabel>(row), ColumnCio))
                          .toLocal8Bit());
}

CioFile::~CioFile() = default;

void CioFile::openCio(const std::string &path, std::time_t runTime) {
  firstTestRecord_ = true;
  firstGroupRecord_ = true;
  path_ = path;
  QString reason;
  if (!file_.open(path, OnFatal::KeepWritten, &reason))
    reportFatal(tr("Fatal Error", "Cannot create CIO file %1", "%1 is the name of the cio file")
                    .arg(QString::fromLocal8Bit(path.c_str())));
  out_ = file_.stream();
  std::fprintf(out_, "# CIO File from Corvane(R) Velmora Coverage\n");
  std::fprintf(out_, "# Tool version: %s\n", kToolVersion);
  std::fprintf(out_, "# Generation date: %s\n", dateText(runTime).c_str());
  for (const FileSummary &summary : scope_.files)
    for (Service *service : summary.services)
      entries_.push_back(Entry{summary.file, service, CoverageCounts{}});
}

void CioFile::writeCioRates(const SourceFile &file, const CoverageCounts &totals,
                            const CoverageCounts &hits, const CoverageCounts *newHits) {
  for (const RatedType &rated : kRatedTypes) {
    if (rated.id == RatedFunctions || !(mask_ & rated.type)) continue;
    const char *text = label(rateLabel(rated, mask_));
    const uint64_t total = ratedValue(totals, rated);
    ReportLine out(out_);
    out << "       " << text << '\t';
    if (total == 0) {
      out << label(noneRow(file.instrumentedTypes, rated.type)) << '\n';
      continue;
    }
    const uint64_t hit = ratedValue(hits, rated);
    out.rate(coverageRate(hit, total)) << "% (" << hit << '/' << total << ')';
    if (newHits) {
      const uint64_t added = ratedValue(*newHits, rated);
      out << ", +";
      out.rate(coverageRate(added, total), 0) << " (+" << added << ')';
    }
    out << '\n';
  }
}

void CioFile::writeFileLine(const SourceFile &file, const SourceFile *&last) {
  if (last && last->sourceName == file.sourceName) return;
  ReportLine(out_) << ' ' << label(LblFileWord) << ' ' << file.sourceName->text << '\n';
  last = &file;
}

void CioFile::writeNote(ReportLabel row) {
  std::fprintf(out_, " (%s)\n", label(row));
}

void CioFile::writeNothingHit() {
  std::fprintf(out_, " %s\n", label(LblNothingHit));
}

void CioFile::writeCioTest(const TestState &test) {
  if (test.testNumber == kNoNumber)
    reportFatal(tr("Fatal Error", "No current test number in file %1", "%1 is the name of the file")
                    .arg(traceFileName(test)));
  ReportLine(out_) << 'T' << static_cast<uint64_t>(test.testNumber) << '\n';
  if ((mask_ & CovModifiedConditions) && !firstTestRecord_)
    writeNote(firstGroupRecord_ ? LblNoteTests : LblNoteTestsAndGroups);
  firstTestRecord_ = false;

  const SourceFile *last = nullptr;
  bool any = false;
  for (Entry &entry : entries_) {
    if (!entry.service->testCovered.any()) continue;
    any = true;
    writeFileLine(*entry.file, last);
    ReportLine(out_) << "    " << entry.service->name->text << '\n';
    const CoverageCounts added = countNewHits(*entry.service);
    entry.groupHits += added;
    writeCioRates(*entry.file, entry.service->staticCounts, entry.groupHits, &added);
  }
  if (!any) writeNothingHit();
}

void CioFile::writeCioGroup(const TestState &test) {
  if (test.groupNumber == kNoNumber)
    reportFatal(
        tr("Fatal Error", "No current service number in file %1", "%1 is the name of the file")
            .arg(traceFileName(test)));
  ReportLine(out_) << 'O' << static_cast<uint64_t>(test.groupNumber) << '\n';
  if ((mask_ & CovModifiedConditions) && !firstGroupRecord_) writeNote(LblNoteGroups);
  firstGroupRecord_ = false;

  const SourceFile *last = nullptr;
  bool any = false;
  for (Entry &entry : entries_) {
    if (!entry.groupHits.any()) continue;
    any = true;
    writeFileLine(*entry.file, last);
    ReportLine(out_) << "    " << entry.service->name->text << '\n';
    writeCioRates(*entry.file, entry.service->staticCounts, entry.groupHits, nullptr);
    forgetCounted(*entry.service);
    entry.groupHits.clear();
  }
  if (!any) writeNothingHit();
}

void CioFile::writeCioGlobal() {
  std::fprintf(out_, "G\n");
  const NameEntry *last = nullptr;
  for (const FileSummary &summary : scope_.files) {
    for (const Service *service : summary.services) {
      if (last != summary.file->sourceName) {
        std::fprintf(out_, " %s %s\n", label(LblFileWord), summary.file->sourceName->text);
        writeCioRates(*summary.file, summary.totals, sumHits(summary.services, HitSet::Run),
                      nullptr);
        last = summary.file->sourceName;
      }
      std::fprintf(out_, "    %s\n", service->name->text);
      if (mask_ & CovFunctions)
        std::fprintf(out_, "       %s\t%s\n", label(LblServiceHit),
                     label(service->totalCovered[CntFunctions] ? LblHitYes : LblHitNo));
      writeCioRates(*summary.file, service->staticCounts, service->totalCovered, nullptr);
    }
  }
}

void CioFile::writeCioRoot(const CoverageModel &model, const CoverageCounts &totals,
                           const CoverageCounts &hits) {
  if (!model.files().empty()) {
    std::fprintf(out_, "R\n %s\n", label(LblRootSummary));
    writeCioRates(*model.files().front(), totals, hits, nullptr);
  }
  out_ = nullptr;
  file_.commitOrFail();
  entries_.clear();
}
