// One pair of measure files: the database file, where every measure appends a
// record that carries the running totals over all keys, and the index file, which
// points each key at its latest record.
//
// The pair survives a crash, a kill or a full disk at any moment: a record is
// appended before its index entry, a failed append is cut off again, and before
// the first append of a session the tail is checked and what a crash can leave is
// repaired (a partial last record is cut off, an index that does not point every
// key at its latest record is rebuilt from the records, which carry their keys).
#pragma once

#include <QString>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "measures/measure_file.h"
#include "measures/measure_paths.h"

class MeasureErrorDisplay;

/// Appends measures to one pair of files; the caller holds their lock from
/// open() to close().
class MeasureDatabase {
public:
  /// The files of `paths`, whose records hold `count` sub values.
  MeasureDatabase(const MeasurePaths &paths, std::size_t count, const MeasureErrorDisplay &display);

  /// Opens both files (creating those missing) and repairs what a crash can
  /// leave, with a warning that says what was repaired. Refuses, with a message
  /// naming it, a file that is a link, not a regular file or not the effective
  /// user's, and a database whose complete records do not hold consistent
  /// totals ("Unable to read DataBase file"). False after showing the failure.
  bool open();
  /// Appends the record of a key's new values and points the key's index entry
  /// at it: a new key adds its values to the totals of the last record, a key
  /// measured again replaces its previous values in them. A failed append leaves
  /// both files as they were. False after showing the failure.
  bool append(uint32_t key, uint32_t date, const std::vector<uint32_t> &values);
  /// Closes both files; false after showing a failure.
  bool close();

private:
  struct Entry {
    uint32_t key;
    uint32_t offset;
  };

  bool openOne(MeasureFile &file, const std::string &path, const QString &createFailure,
               const QString &openFailure);
  /// Reads the index and checks that each key occurs once, on a record, and that
  /// the last record is its key's latest; false when it must be rebuilt.
  bool readIndex(bool &consistent);
  /// Rebuilds the index from the records, checking their totals on the way.
  bool rebuildIndex();
  /// The key's latest record into `latest` (empty when the key has none); an
  /// index entry on another key's record is repaired first. False after a failure.
  bool readLatest(uint32_t key, std::vector<unsigned char> &latest);
  bool writeIndex(const std::vector<Entry> &entries);
  bool fail(const QString &message) const;
  void showRefusal(MeasureFile::Opened verdict, const std::string &path) const;

  const MeasurePaths &paths_;
  std::size_t count_;
  std::size_t recordSize_;
  const MeasureErrorDisplay &display_;
  MeasureFile database_, index_;
  /// Bytes of the database: its complete records.
  off_t size_ = 0;
  /// The index as it is on disk, and where each key's entry is.
  std::vector<Entry> entries_;
  std::unordered_map<uint32_t, std::size_t> slotOf_;
  /// The last record (empty when there is none yet).
  std::vector<unsigned char> last_;
};
