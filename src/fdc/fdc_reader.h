// Reader of FDC files: every section enters the coverage model; a file whose first
// line is not a VE line is handed back as a trace file.
#pragma once

#include <string>
#include <vector>

#include "support/coverage_types.h"

class CoverageModel;

/// Loads every section of an FDC file into the model, or appends the path to
/// `otherFiles` when the file is not an FDC file.
void LoadFdcFile(const std::string &path, CoverageTypes requested,
                 std::vector<std::string> &otherFiles, CoverageModel &model);
