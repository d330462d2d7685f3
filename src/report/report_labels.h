// The fixed label table of the report outputs: an English and a French column for
// the text report and the path trace, and a column of short labels for the CIO file.
#pragma once

#include "support/host_services.h"

/// Columns of the label table.
/// (The English and French columns are those of the report languages.)
enum LabelColumn : int {
  ColumnEnglish = English,
  ColumnFrench = French,
  ColumnCio = 2,
  ColumnCount = 3
};

/// Rows of the label table.
enum ReportLabel : int {
  LblFunctions,
  LblServiceHit,
  LblHitYes,
  LblHitNo,
  LblFunctionsExits,
  LblCalls,
  LblStatementBlocks,
  LblImplicitBlocks,
  LblDecisions,
  LblLoops,
  LblAsyncBlocks,
  LblBasicConditions,
  LblModifiedConditions,
  LblCompoundConditions,
  LblForcedModifiedConditions,
  LblForcedCompoundConditions,
  LblEntryReference,
  LblRegularExitReference,
  LblReturnExitReference,
  LblTerminationExitReference,
  LblLineWord,
  LblRunConclusion,
  LblTestConclusionPrefix,
  LblCountUnit,
  LblNone,
  LblNotInstrumented,
  LblReportTitle,
  LblHitReferencesHeading,
  LblUnhitReferencesHeading,
  LblCountSaturated,
  LblNoVectorsPair,
  LblNoteTests,
  LblNoteTestsAndGroups,
  LblNoteGroups,
  LblNothingHit,
  LblFileWord,
  LblRootSummary,
  LblPathTraceTitle,
  LblPathTraceTest,
  LblCount,
};

/// The texts of every row in every column, blanks included.
struct ReportLabels {
  /// Texts by row, then by column (English, French, CIO).
  const char *texts[LblCount][ColumnCount];

  /// The text of a row in a column.
  const char *get(ReportLabel row, int column) const { return texts[row][column]; }
};

/// The one label table of the program.
extern const ReportLabels kReportLabels;
