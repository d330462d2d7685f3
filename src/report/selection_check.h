// The check of the selections before a report run: warnings about names that
// match nothing, and the stop when nothing is left to report.
#pragma once

#include "support/run_settings.h"

class CoverageModel;

/// Warns about -FILE/-EXFILE/-SERVICE/-EXSERVICE names that match nothing, gives
/// the -EXFILE mark to every selected file none of whose services is selected, and
/// ends the run when nothing is left to report or no file has a requested type.
void checkSelection(const RunSettings &options, const CoverageModel &model);
