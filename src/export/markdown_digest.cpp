#include "export/markdown_digest.h"

#include <QString>
#include <algorithm>
#include <cstring>
#include <ctime>

#include "export/coverage_gate.h"
#include "export/export_run.h"
#include "export/export_text.h"
#include "model/service_items.h"
#include "report/test_attribution.h"
#include "support/coverage_rate.h"
#include "support/rated_types.h"
#include "support/run_clock.h"
#include "support/tool_version.h"

namespace {

/// One file in the list of the least covered.
struct FileItems {
  std::string path;
  uint64_t items = 0;
  uint64_t unhit = 0;
};

std::string rateText(uint64_t hit, uint64_t total, CoverageTypes instrumented, CoverageTypes type) {
  if (total == 0) return (instrumented & type) ? "none" : "n/a";
  return percentText(coverageRate(hit, total));
}

std::vector<FileItems> leastCovered(const ExportRun &run) {
  std::vector<FileItems> files;
  for (const FileSummary &summary : run.scope->files) {
    FileItems file;
    file.path = displayPath(*summary.file, run.currentDirectory);
    const CoverageTypes mask = run.scope->fileMask(*summary.file);
    for (const Service *service : summary.services)
      forEachPlacedItem(*service, mask, [&](const ServiceItem &item) {
        ++file.items;
        if (!item.hitInRun()) ++file.unhit;
      });
    if (file.unhit) files.push_back(std::move(file));
  }
  std::stable_sort(files.begin(), files.end(),
                   [](const FileItems &a, const FileItems &b) { return a.unhit > b.unhit; });
  if (files.size() > kDigestFiles) files.resize(kDigestFiles);
  return files;
}

/// "rate (hit/total)" of the changed lines; "none" for a rate without lines.
std::string changedRateText(const ChangeReport &changes) {
  const uint64_t total = changes.lines.size();
  const std::string rate =
      total ? percentText(coverageRate(changes.linesHit, total)) : std::string("none");
  return rate + " (" + std::to_string(changes.linesHit) + "/" + std::to_string(total) + ")";
}

void writeChangedLines(std::FILE *out, const ExportRun &run) {
  const ChangeReport &changes = *run.changes;
  std::fprintf(out, "\n### Changed lines\n\nchanged lines: %s\n", changedRateText(changes).c_str());
  if (changes.linesWithoutItems)
    std::fprintf(out, "\nChanged lines without items (not counted): %llu\n",
                 static_cast<unsigned long long>(changes.linesWithoutItems));
  if (!changes.unmatchedPaths.empty()) {
    std::fprintf(out, "\nDiff paths that match no file of the report:\n\n");
    for (const std::string &path : changes.unmatchedPaths)
      std::fprintf(out, "- %s\n", markdownText(path).c_str());
  }
  if (changes.lines.empty()) return;
  std::fprintf(out, "\n| File | Line | Run | Tests |\n|:--|--:|:--|:--|\n");
  std::size_t written = 0;
  for (const ChangedLine &line : changes.lines) {
    if (written++ == kDigestChangedLines) {
      std::fprintf(out, "\n%llu more changed lines are in the JSON output.\n",
                   static_cast<unsigned long long>(changes.lines.size() - kDigestChangedLines));
      break;
    }
    std::string tests;
    for (const uint32_t ordinal : line.tests) {
      if (!tests.empty()) tests += "; ";
      tests += markdownText(run.attribution ? run.attribution->testName(ordinal) : "#", 80);
    }
    std::fprintf(out, "| %s | %u | %s | %s |\n", markdownText(line.path).c_str(), line.line,
                 line.hit ? "yes" : "**no**", tests.c_str());
  }
}

} // namespace

std::string markdownText(std::string_view bytes, int maxLength) {
  QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  bool cut = false;
  if (text.size() > maxLength) {
    text.truncate(maxLength);
    // Never end inside a surrogate pair.
    if (!text.isEmpty() && text.back().isHighSurrogate()) text.chop(1);
    cut = true;
  }
  QString escaped;
  escaped.reserve(text.size() + 8);
  for (QChar c : text) {
    const char16_t u = c.unicode();
    if (u < 0x20 || u == 0x7F) {
      escaped += QChar(0xFFFD);
      continue;
    }
    if (u < 0x80 && std::strchr("\\`*_{}[]<>()#+!|~&$", static_cast<char>(u)))
      escaped += QLatin1Char('\\');
    escaped += c;
  }
  if (cut) escaped += QChar(0x2026);
  return escaped.toUtf8().toStdString();
}

void writeMarkdownDigest(std::FILE *out, const ExportRun &run,
                         const std::vector<GateResult> &gate) {
  const CoverageTypes mask = run.scope->runMask();
  std::fprintf(out, "## Coverage\n\n");
  std::fprintf(out, "zeltocov %s, run of %s\n\n", kToolVersion,
               isoTime(run.runTime, IsoTimeForm::Spaced).c_str());

  std::fprintf(out, "| Coverage type | Rate | Hit / total |\n|:--|--:|--:|\n");
  for (const RatedType &rated : kRatedTypes) {
    if (!(mask & rated.type)) continue;
    const uint64_t hit = ratedValue(run.hits, rated);
    const uint64_t total = ratedValue(run.totals, rated);
    std::fprintf(out, "| %s | %s | %llu/%llu |\n", ratedTypeName(rated, mask),
                 rateText(hit, total, run.scope->selectedMask, rated.type).c_str(),
                 static_cast<unsigned long long>(hit), static_cast<unsigned long long>(total));
  }

  if (!gate.empty()) {
    std::fprintf(out, "\n### Thresholds\n\n| Type | Threshold | Rate | Result |\n"
                      "|:--|--:|--:|:--|\n");
    for (const GateResult &result : gate) {
      const std::string rate = !result.measured ? "not measured"
                               : result.total   ? gateRateText(result) + "%"
                                                : "none";
      std::fprintf(out, "| %s | %s%% | %s | %s |\n", thresholdKeyword(*result.threshold),
                   result.threshold->percentText.c_str(), rate.c_str(),
                   result.passed ? "passed" : "**failed**");
    }
  }

  if (run.changes) writeChangedLines(out, run);

  const std::vector<FileItems> files = leastCovered(run);
  std::fprintf(out, "\n### Files with the most unhit items\n\n");
  if (files.empty()) {
    std::fprintf(out, "Every item of the selected files was hit.\n");
    return;
  }
  std::fprintf(out, "| File | Unhit items | Hit / total |\n|:--|--:|--:|\n");
  for (const FileItems &file : files)
    std::fprintf(out, "| %s | %llu | %llu/%llu |\n", markdownText(file.path).c_str(),
                 static_cast<unsigned long long>(file.unhit),
                 static_cast<unsigned long long>(file.items - file.unhit),
                 static_cast<unsigned long long>(file.items));
}
