// One pair of measure files: the database file, where every measure appends a
// record that carries the running totals over all keys, and the index file, which
// points each key at its latest record.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "measures/measure_paths.h"

class MeasureErrorDisplay;

/// Appends measures to one pair of files; the caller holds their lock.
class MeasureDatabase {
public:
  MeasureDatabase(const MeasurePaths &paths, const MeasureErrorDisplay &display);

  /// Appends the record of a key's new values and points the key's index entry
  /// at it: the first measure creates both files, a new key adds its values to
  /// the totals of the last record, a key measured again replaces its previous
  /// values in them. A database whose size is not a whole number of records, or
  /// an index entry that does not point at a record of its key, is not appended
  /// to. False after showing the failure.
  bool append(uint32_t key, uint32_t date, const std::vector<uint32_t> &values);

private:
  struct OpenFile;

  bool create(const std::vector<unsigned char> &record, uint32_t key);
  bool update(OpenFile &index, std::vector<unsigned char> &record, uint32_t key, std::size_t count);
  /// Reads the key's latest record (when `found`) and the last record back and
  /// sets the totals of `record` from them.
  bool computeTotals(std::vector<unsigned char> &record, std::size_t count, bool found,
                     uint32_t latestOffset);
  bool fail(const QString &message) const;

  const MeasurePaths &paths_;
  const MeasureErrorDisplay &display_;
};
