// Reading a measure database back for display: every whole record of a database
// file, in the order they were appended. Readers take no lock; a record that a
// writer is still appending is not yet whole and is left out.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "measures/measure_record.h"

/// The record whose bytes start at `bytes`, of `count` sub values.
MeasureRecord decodeMeasureRecord(const unsigned char *bytes, std::size_t count);

/// The whole records of the database file at `path`, whose records hold `count`
/// sub values, in file order; bytes after the last whole record are ignored. None
/// when the file cannot be opened or read.
std::optional<std::vector<MeasureRecord>> readMeasureRecords(const std::string &path,
                                                             std::size_t count);
