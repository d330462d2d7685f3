// The line of the path trace that names a branch hit: what was entered, left,
// called, run through or decided, in which function, and on which source line.
#pragma once

#include <string>
#include <string_view>

#include "model/branch_index.h"

/// The texts of one report language that branch lines use.
struct BranchLineLabels {
  /// The entry of a function.
  std::string_view entry;
  /// Exits of kind 1 (regular leaving), 2 (return) and 3 (termination).
  std::string_view exits[3];
  /// The word before the line number.
  std::string_view line;
};

/// The labels of a report language (0 English, 1 French).
BranchLineLabels branchLineLabels(int language);

/// Appends to `text` the line of a branch that findBranch found: a tab, the
/// label, a blank and the second text when there is one, a comma, a blank, the
/// line word, a blank, the source line and a line end. Exits of other kinds than
/// 1 to 3 and compound condition vectors have no line: nothing is appended.
void appendBranchLine(std::string &text, const BranchLookup &found, const BranchLineLabels &labels);
