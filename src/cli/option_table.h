// The command-line vocabulary of zeltocov: options, positional arguments, forbidden
// combinations and the usage text, as tables for the command-line decoder.
#pragma once

#include "cli/command_line_decoder.h"

/// The usage text printed with every command-line error.
extern const char kReportUsage[];

/// A fresh copy of the tables (states and values empty).
CommandLineTables reportCommandLineTables();
