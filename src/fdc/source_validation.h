// Checks of a freshly read section against its source file on disk and against
// the coverage types requested for the run.
#pragma once

#include "support/coverage_types.h"

struct SourceFile;

/// Warns when the source file changed since instrumentation and about every
/// requested coverage type the section was not instrumented for. The section is
/// loaded whatever the warnings.
void ValidateFdcFile(const SourceFile *file, CoverageTypes requested);
