#include "measures/measure_database.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <unistd.h>

#include "measures/deferred_signals.h"
#include "measures/measure_error_display.h"
#include "measures/measure_record.h"
#include "support/messages.h"

namespace {

/// Whether a position can be stored in a 32-bit index entry.
bool fitsInIndex(off_t position) {
  return position >= 0 &&
         static_cast<unsigned long long>(position) <= std::numeric_limits<uint32_t>::max();
}

/// Records read at once when the whole database is read.
constexpr std::size_t kRecordsPerRead = 1024;

} // namespace

MeasureDatabase::MeasureDatabase(const MeasurePaths &paths, std::size_t count,
                                 const MeasureErrorDisplay &display)
    : paths_(paths), count_(count), recordSize_(measureRecordSize(count)), display_(display) {}

bool MeasureDatabase::fail(const QString &message) const {
  display_.showTpmError(message);
  return false;
}

void MeasureDatabase::showRefusal(MeasureFile::Opened verdict, const std::string &path) const {
  display_.showTpmError(refusalMessage(verdict, path));
}

bool MeasureDatabase::openOne(MeasureFile &file, const std::string &path,
                              const QString &createFailure, const QString &openFailure) {
  MeasureFile::Opened verdict = file.open(path);
  if (verdict == MeasureFile::Opened::Missing) {
    verdict = file.create(path);
    if (verdict == MeasureFile::Opened::Failed) return fail(createFailure);
  }
  if (verdict == MeasureFile::Opened::Failed) return fail(openFailure);
  if (verdict != MeasureFile::Opened::Open) {
    showRefusal(verdict, path);
    return false;
  }
  return true;
}

bool MeasureDatabase::open() {
  // Both names are checked before either file is created.
  for (const std::string *path : {&paths_.database, &paths_.index}) {
    MeasureFile probe;
    const MeasureFile::Opened verdict = probe.open(*path);
    if (verdict != MeasureFile::Opened::Open && verdict != MeasureFile::Opened::Missing &&
        verdict != MeasureFile::Opened::Failed) {
      showRefusal(verdict, *path);
      return false;
    }
  }
  if (!openOne(database_, paths_.database, tr("Error", "Unable to create DataBase file"),
               tr("Error", "Unable to open DataBase file")) ||
      !openOne(index_, paths_.index, tr("Error", "Unable to create TPM file"),
               tr("Error", "Unable to open index file")))
    return false;

  // Bytes after the last complete record: a record cut short by a crash or a
  // full disk. They are cut off.
  const off_t size = database_.size();
  if (size < 0) return fail(tr("Error", "Unable to read DataBase file"));
  const off_t recordSize = static_cast<off_t>(recordSize_);
  size_ = size - size % recordSize;
  if (size_ != size) {
    if (!database_.truncate(size_)) return fail(tr("Error", "Unable to update DataBase file"));
    display_.showTpmError(tr("Error",
                             "Repaired %1: %2 bytes after its last complete record were cut off",
                             "%1 is a file name; %2 a number of bytes")
                              .arg(QString::fromLocal8Bit(paths_.database))
                              .arg(static_cast<qlonglong>(size - size_)));
  }
  last_.clear();
  if (size_ > 0) {
    last_.resize(recordSize_);
    if (!database_.readAt(size_ - recordSize, last_.data(), last_.size()))
      return fail(tr("Error", "Unable to read DataBase file"));
  }

  bool consistent = false;
  if (!readIndex(consistent)) return false;
  return consistent || rebuildIndex();
}

bool MeasureDatabase::readIndex(bool &consistent) {
  consistent = false;
  entries_.clear();
  slotOf_.clear();
  const off_t size = index_.size();
  if (size < 0) return fail(tr("Error", "Unable to read index file"));
  // A cut entry, or more entries than records: rebuilt without reading further.
  const off_t entrySize = static_cast<off_t>(kIndexEntrySize);
  if (size % entrySize != 0 || size / entrySize > size_ / static_cast<off_t>(recordSize_))
    return true;
  std::vector<unsigned char> chunk(kIndexEntrySize * kRecordsPerRead);
  for (off_t at = 0; at < size;) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<off_t>(size - at, static_cast<off_t>(chunk.size())));
    if (!index_.readAt(at, chunk.data(), want))
      return fail(tr("Error", "Unable to read index file"));
    for (std::size_t i = 0; i < want; i += kIndexEntrySize) {
      const Entry entry{getWord(&chunk[i]), getWord(&chunk[i + 4])};
      // Each key once, at the start of a record.
      if (entry.offset % recordSize_ != 0 ||
          static_cast<off_t>(entry.offset) + static_cast<off_t>(recordSize_) > size_ ||
          !slotOf_.emplace(entry.key, entries_.size()).second)
        return true;
      entries_.push_back(entry);
    }
    at += static_cast<off_t>(want);
  }
  // Each entry on a record of its key.
  for (const Entry &entry : entries_) {
    unsigned char key[4];
    if (!database_.readAt(static_cast<off_t>(entry.offset) + 4, key, sizeof key))
      return fail(tr("Error", "Unable to read DataBase file"));
    if (getWord(key) != entry.key) return true;
  }
  // A crash between a record and its index entry leaves the last record without
  // its entry: only the last one, since every run checks this before appending.
  if (!last_.empty()) {
    const auto slot = slotOf_.find(getWord(&last_[4]));
    if (slot == slotOf_.end() ||
        entries_[slot->second].offset != static_cast<uint32_t>(size_ - recordSize_))
      return true;
  }
  consistent = true;
  return true;
}

bool MeasureDatabase::rebuildIndex() {
  // Each key's latest record and values, keys in the order they first appear.
  std::vector<Entry> entries;
  std::unordered_map<uint32_t, std::size_t> slotOf;
  std::vector<std::vector<uint32_t>> latestValues;
  std::vector<uint32_t> totals(count_, 0);
  std::vector<unsigned char> chunk(recordSize_ * kRecordsPerRead);
  for (off_t at = 0; at < size_;) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<off_t>(size_ - at, static_cast<off_t>(chunk.size())));
    if (!database_.readAt(at, chunk.data(), want))
      return fail(tr("Error", "Unable to read DataBase file"));
    for (std::size_t i = 0; i < want; i += recordSize_, at += static_cast<off_t>(recordSize_)) {
      const unsigned char *record = &chunk[i];
      if (!fitsInIndex(at)) return fail(tr("Error", "Unable to read DataBase file"));
      const uint32_t key = getWord(record + 4);
      const auto [slot, added] = slotOf.emplace(key, entries.size());
      if (added) {
        entries.push_back(Entry{key, 0});
        latestValues.emplace_back(count_, 0);
      }
      entries[slot->second].offset = static_cast<uint32_t>(at);
      std::vector<uint32_t> &latest = latestValues[slot->second];
      // The totals of every record follow from those before it: bytes changed
      // inside complete records, which no crash leaves, are refused.
      for (std::size_t v = 0; v < count_; ++v) {
        const uint32_t value = getWord(record + kRecordHeadSize + 8 * v);
        const uint32_t total = getWord(record + kRecordHeadSize + 8 * v + 4);
        if (total != totals[v] - latest[v] + value)
          return fail(tr("Error", "Unable to read DataBase file"));
        totals[v] = total;
        latest[v] = value;
      }
    }
  }
  if (!writeIndex(entries)) return false;
  entries_ = std::move(entries);
  slotOf_ = std::move(slotOf);
  display_.showTpmError(
      tr("Error", "Repaired %1: rebuilt from the records of %2",
         "%1 is the index file; %2 the database file")
          .arg(QString::fromLocal8Bit(paths_.index), QString::fromLocal8Bit(paths_.database)));
  return true;
}

bool MeasureDatabase::writeIndex(const std::vector<Entry> &entries) {
  // Written aside and renamed over the index, so that a crash leaves the old
  // index or the new one, never a part of it.
  const std::string aside = paths_.index + ".new";
  ::unlink(aside.c_str());
  MeasureFile file;
  const MeasureFile::Opened verdict = file.create(aside);
  if (verdict == MeasureFile::Opened::Failed) return fail(tr("Error", "Unable to create TPM file"));
  if (verdict != MeasureFile::Opened::Open) {
    showRefusal(verdict, aside);
    return false;
  }
  std::vector<unsigned char> bytes(entries.size() * kIndexEntrySize);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    putWord(&bytes[i * kIndexEntrySize], entries[i].key);
    putWord(&bytes[i * kIndexEntrySize + 4], entries[i].offset);
  }
  if (!file.writeAt(0, bytes.data(), bytes.size()) || !file.sync() || !file.close() ||
      ::rename(aside.c_str(), paths_.index.c_str()) != 0) {
    ::unlink(aside.c_str());
    return fail(tr("Error", "Unable to update Index File"));
  }
  if (!openOne(index_, paths_.index, tr("Error", "Unable to create TPM file"),
               tr("Error", "Unable to open index file")))
    return false;
  return true;
}

bool MeasureDatabase::readLatest(uint32_t key, std::vector<unsigned char> &latest) {
  latest.clear();
  auto slot = slotOf_.find(key);
  if (slot == slotOf_.end()) return true;
  latest.resize(recordSize_);
  if (!database_.readAt(entries_[slot->second].offset, latest.data(), latest.size()))
    return fail(tr("Error", "Unable to read DataBase file"));
  if (getWord(&latest[4]) == key) return true;
  // An entry on another key's record is repaired first.
  if (!rebuildIndex()) return false;
  slot = slotOf_.find(key);
  if (slot == slotOf_.end()) {
    latest.clear();
    return true;
  }
  if (!database_.readAt(entries_[slot->second].offset, latest.data(), latest.size()))
    return fail(tr("Error", "Unable to read DataBase file"));
  return true;
}

bool MeasureDatabase::append(uint32_t key, uint32_t date, const std::vector<uint32_t> &values) {
  if (values.size() != count_) return fail(tr("Error", "Unable to update DataBase file"));
  std::vector<unsigned char> latest;
  if (!readLatest(key, latest)) return false;
  const auto slot = slotOf_.find(key);

  // Each total: the last record's, less the key's previous value, plus its new one.
  std::vector<unsigned char> record(recordSize_);
  putWord(&record[0], date);
  putWord(&record[4], key);
  for (std::size_t i = 0; i < count_; ++i) {
    const std::size_t at = kRecordHeadSize + 8 * i;
    uint32_t total = values[i];
    if (!last_.empty()) total += getWord(&last_[at + 4]);
    if (!latest.empty()) total -= getWord(&latest[at]);
    putWord(&record[at], values[i]);
    putWord(&record[at + 4], total);
  }

  const off_t offset = size_;
  const bool first = size_ == 0;
  if (!fitsInIndex(offset))
    return fail(first ? tr("Error", "Unable to write in DataBase file")
                      : tr("Error", "Unable to update DataBase file"));
  // The record first: a failure undoes it, and a crash before its index entry
  // is seen and repaired by the next writer. A signal that ends the run waits
  // until both are written.
  DeferredSignals deferred;
  if (!database_.writeAt(offset, record.data(), record.size())) {
    database_.truncate(offset);
    return fail(first ? tr("Error", "Unable to write in DataBase file")
                      : tr("Error", "Unable to update DataBase file"));
  }
  const bool known = slot != slotOf_.end();
  const std::size_t position = known ? slot->second : entries_.size();
  unsigned char entry[kIndexEntrySize];
  putWord(entry, key);
  putWord(entry + 4, static_cast<uint32_t>(offset));
  if (!index_.writeAt(static_cast<off_t>(position * kIndexEntrySize), entry, sizeof entry)) {
    if (!known) index_.truncate(static_cast<off_t>(entries_.size() * kIndexEntrySize));
    database_.truncate(offset);
    return fail(known ? tr("Error", "Unable to update Index File")
                      : tr("Error", "Unable to write in Index file"));
  }
  if (known) {
    entries_[position].offset = static_cast<uint32_t>(offset);
  } else {
    slotOf_.emplace(key, entries_.size());
    entries_.push_back(Entry{key, static_cast<uint32_t>(offset)});
  }
  size_ = offset + static_cast<off_t>(record.size());
  last_ = std::move(record);
  return true;
}

bool MeasureDatabase::close() {
  // The run's records reach the disk before their index entries do, once per
  // run: a measure reported written survives a system crash too (what a crash
  // during the run leaves is repaired as after a kill). Closed even when the
  // sync failed.
  const auto syncAndClose = [](MeasureFile &file) {
    const bool synced = file.sync();
    return file.close() && synced;
  };
  bool closed = true;
  if (database_.isOpen() && !syncAndClose(database_)) {
    display_.showTpmError(tr("Error", "Unable close DataBase file"));
    closed = false;
  }
  if (index_.isOpen() && !syncAndClose(index_)) {
    display_.showTpmError(tr("Error", "Unable to close Index file"));
    closed = false;
  }
  return closed;
}
