// Reading a measure database back for display: every whole record of a database
// file, in the order they were appended. Readers take no lock; a record that a
// writer is still appending is not yet whole and is left out.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "measures/measure_record.h"

/// The record whose bytes start at `bytes`, of `count` sub values.
MeasureRecord decodeMeasureRecord(const unsigned char *bytes, std::size_t count);

/// Hands every whole record of the database file at `path`, whose records hold
/// `count` sub values, to `each` in file order, a block at a time: the memory
/// used does not grow with the file. Bytes after the last whole record are
/// ignored. False when the file is not a regular file (a link is not followed)
/// or cannot be read.
bool forEachMeasureRecord(const std::string &path, std::size_t count,
                          const std::function<void(const MeasureRecord &)> &each);

/// The whole records of the database file at `path`, as forEachMeasureRecord
/// reads them; none when the file cannot be read.
std::optional<std::vector<MeasureRecord>> readMeasureRecords(const std::string &path,
                                                             std::size_t count);
