// Selection predicates over the marks that option analysis left on interned names.
#pragma once

#include "support/name_table.h"
#include "support/run_settings.h"

/// Whether a source file takes part; looked up under its upper-cased base name.
/// An empty or absent name answers the default (bit 0 of selectAll).
bool isFileSelected(const char *fileName, const RunSettings &options);
/// Whether a service takes part; a missing entry is an internal error.
bool GetServiceAuth(const NameEntry *service, const RunSettings &options);
/// Whether a test takes part; a test without name answers the default.
bool isTestSelected(const NameEntry *test, const RunSettings &options);
