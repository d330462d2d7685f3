// The words of the HTML report that the report's label table does not have, in
// English and French (the French ones written without accents, like the report's).
#pragma once

#include <QString>
#include <cstdint>

#include "report/report_labels.h"
#include "support/coverage_types.h"

/// Rows of the HTML label table.
enum HtmlLabel : int {
  HlFiles,
  HlFile,
  HlDirectory,
  HlServices,
  HlService,
  HlLines,
  HlLine,
  HlSource,
  HlItems,
  HlTests,
  HlTest,
  HlDate,
  HlTestsAndFiles,
  HlTestsElsewhere,
  HlCoverageOverTime,
  HlMeasureCount,
  HlSourceNotFound,
  HlPastEnd,
  HlLineHit,
  HlLinePartlyHit,
  HlLineNotHit,
  HlItemHit,
  HlItemNotHit,
  HlBackToIndex,
  HlToolVersion,
  HlNoFileSelected,
  HlNoTest,
  HlSortHint,
  HlLineRule,
  HlCountColumn,
  HlLineKeys,
  HlRateBars,
  HlDirectories,
  HlFilesHit,
  HlRunByTests,
  HlTestLineRule,
  HlOnlyThisTest,
  HlItemsOfTest,
  HlNoItemOnlyHere,
  HlChangedLines,
  HlChangedLinesRate,
  HlChangedNotRun,
  HlChangedWithoutItems,
  HlChangedUnmatched,
  HlLabelCount,
};

/// The text of a row in a report language.
const char *htmlLabel(HtmlLabel row, ReportLanguage language);

/// The name of a listing kind (Incoming, Call of, ...) in a report language.
const char *itemKindLabel(uint8_t kind, ReportLanguage language);

/// A label of the report's table without the dots and blanks that align it in the
/// text report ("Functions ..........." gives "Functions").
QString plainLabel(ReportLabel row, ReportLanguage language);
