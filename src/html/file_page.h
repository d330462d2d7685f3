// The page of one source file: its rates, the chart of its recorded measures, a
// table of its functions, and its source with each line coloured by the items
// placed on it and those items listed beside it.
#pragma once

#include <cstdio>

#include "html/html_run.h"

/// Writes the page of a selected file. A source that cannot be read gives a note
/// and the lines that hold items, without their text.
void writeFilePage(std::FILE *out, const HtmlRun &run, const FileSummary &summary);
