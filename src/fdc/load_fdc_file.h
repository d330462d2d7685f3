// Loading the inputs: every section of an FDC file enters the coverage model; a
// file whose first line is not a VE line is handed back as a trace file.
#pragma once

#include <string>
#include <vector>

#include "support/coverage_types.h"
#include "support/input_file.h"

class CoverageModel;

/// Loads every section of an FDC file into the model, or appends the input to
/// `otherFiles` when the file is not an FDC file. A pipe or a device is read once
/// into a copy that every later pass reads (see openInput). An input left out is
/// counted (noteInputDropped): one that cannot be opened with a warning; with
/// `strict` (-STRICT) a directory or a link to a missing file with a warning that
/// says so, where without it they are files that cannot be opened.
void LoadFdcFile(const std::string &name, CoverageTypes requested,
                 std::vector<InputFile> &otherFiles, CoverageModel &model, bool strict = false);
