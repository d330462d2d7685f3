#include "measures/measure_database.h"

#include <cstdio>
#include <limits>
#include <sys/types.h>

#include "measures/measure_error_display.h"
#include "measures/measure_record.h"
#include "support/messages.h"

/// A stdio stream closed when it goes out of scope, unless closed by hand.
struct MeasureDatabase::OpenFile {
  std::FILE *stream = nullptr;

  OpenFile(const std::string &path, const char *mode) : stream(std::fopen(path.c_str(), mode)) {}
  ~OpenFile() {
    if (stream) std::fclose(stream);
  }
  OpenFile(const OpenFile &) = delete;
  OpenFile &operator=(const OpenFile &) = delete;

  explicit operator bool() const { return stream != nullptr; }
  /// Closes the stream; false when the close (and its last writes) failed.
  bool close() {
    std::FILE *closing = stream;
    stream = nullptr;
    return std::fclose(closing) == 0;
  }
  bool write(const unsigned char *bytes, std::size_t size) {
    return std::fwrite(bytes, 1, size, stream) == size;
  }
  bool writeWord(uint32_t word) {
    unsigned char bytes[4];
    putWord(bytes, word);
    return write(bytes, sizeof bytes);
  }
  bool readWhole(unsigned char *bytes, std::size_t size) {
    return std::fread(bytes, 1, size, stream) == size;
  }
  bool seek(off_t offset, int whence) { return fseeko(stream, offset, whence) == 0; }
  off_t position() { return ftello(stream); }
};

namespace {

/// Whether a position can be stored in a 32-bit index entry.
bool fitsInIndex(off_t position) {
  return position >= 0 &&
         static_cast<unsigned long long>(position) <= std::numeric_limits<uint32_t>::max();
}

} // namespace

MeasureDatabase::MeasureDatabase(const MeasurePaths &paths, const MeasureErrorDisplay &display)
    : paths_(paths), display_(display) {}

bool MeasureDatabase::fail(const QString &message) const {
  display_.showTpmError(message);
  return false;
}

bool MeasureDatabase::append(uint32_t key, uint32_t date, const std::vector<uint32_t> &values) {
  // Until the totals are known, each total is the value itself: the record of the
  // first measure.
  MeasureRecord first;
  first.date = date;
  first.key = key;
  first.values = values;
  first.totals = values;
  std::vector<unsigned char> record = first.encode();

  OpenFile index(paths_.index, "r+b");
  if (index) return update(index, record, key, values.size());
  return create(record, key);
}

// No index yet. The record is written before the index entry, so that a failure
// never leaves an entry that points at nothing; a database that outlived its index
// is appended to, and the entry holds the record's real offset.
bool MeasureDatabase::create(const std::vector<unsigned char> &record, uint32_t key) {
  OpenFile database(paths_.database, "a+b");
  if (!database) return fail(tr("Error", "Unable to create DataBase file"));
  if (!database.seek(0, SEEK_END)) return fail(tr("Error", "Reposition in DataBase file fail"));
  const off_t offset = database.position();
  if (offset < 0) return fail(tr("Error", "Reposition in DataBase file fail"));
  if (offset % static_cast<off_t>(record.size()) != 0)
    return fail(tr("Error", "Unable to read DataBase file"));
  if (!fitsInIndex(offset)) return fail(tr("Error", "Unable to write in DataBase file"));
  if (!database.write(record.data(), 4) || !database.write(record.data() + 4, 4))
    return fail(tr("Error", "Unable to write in DataBase file"));
  if (!database.write(record.data() + kRecordHeadSize, record.size() - kRecordHeadSize))
    return fail(tr("Error", "Unable write in DataBase file"));
  if (!database.close()) return fail(tr("Error", "Unable close DataBase file"));

  OpenFile index(paths_.index, "a+b");
  if (!index) return fail(tr("Error", "Unable to create TPM file"));
  if (!index.writeWord(key)) return fail(tr("Error", "Unable to write in Index file"));
  if (!index.writeWord(static_cast<uint32_t>(offset)))
    return fail(tr("Error", "Unable to write fail in Index file"));
  if (!index.close()) return fail(tr("Error", "Unable to close Index file"));
  return true;
}

bool MeasureDatabase::update(OpenFile &index, std::vector<unsigned char> &record, uint32_t key,
                             std::size_t count) {
  // The key's entry, if it has one.
  bool found = false;
  uint32_t latestOffset = 0;
  for (;;) {
    unsigned char entry[kIndexEntrySize];
    const std::size_t got = std::fread(entry, 1, sizeof entry, index.stream);
    if (got == 0 && !std::ferror(index.stream)) break;
    if (got != sizeof entry) return fail(tr("Error", "Unable to read index file"));
    if (getWord(entry) == key) {
      found = true;
      latestOffset = getWord(entry + 4);
      break;
    }
  }

  if (!computeTotals(record, count, found, latestOffset)) return false;

  OpenFile database(paths_.database, "a+b");
  if (!database) return fail(tr("Error", "Unable to open DataBase file"));
  if (!database.seek(0, SEEK_END)) return fail(tr("Error", "Reposition in DataBase file fail"));
  const off_t offset = database.position();
  if (!fitsInIndex(offset)) return fail(tr("Error", "Unable to update DataBase file"));
  if (!database.write(record.data(), 4) || !database.write(record.data() + 4, 4) ||
      !database.write(record.data() + kRecordHeadSize, record.size() - kRecordHeadSize))
    return fail(tr("Error", "Unable to update DataBase file"));
  if (!database.close()) return fail(tr("Error", "Unable close DataBase file"));

  // Rewrite the key's entry in place, or add one at the end.
  if (!(found ? index.seek(-static_cast<off_t>(kIndexEntrySize), SEEK_CUR)
              : index.seek(0, SEEK_END)))
    return fail(tr("Error", "Reposition in DataBase file fail"));
  if (!index.writeWord(key) || !index.writeWord(static_cast<uint32_t>(offset)))
    return fail(tr("Error", "Unable to update Index File"));
  if (!index.close()) return fail(tr("Error", "Unable to close Index file"));
  return true;
}

bool MeasureDatabase::computeTotals(std::vector<unsigned char> &record, std::size_t count,
                                    bool found, uint32_t latestOffset) {
  const off_t recordSize = static_cast<off_t>(record.size());
  OpenFile database(paths_.database, "r+b");
  if (!database) return fail(tr("Error", "Unable to open DataBase file"));
  if (!database.seek(0, SEEK_END)) return fail(tr("Error", "Reposition in DataBase file fail"));
  const off_t size = database.position();
  if (size < 0) return fail(tr("Error", "Reposition in DataBase file fail"));
  // A torn file, or an entry that points past the end or into a record, would
  // give totals read from the wrong bytes, and every later total would be wrong.
  if (size % recordSize != 0) return fail(tr("Error", "Unable to read DataBase file"));
  if (found && (latestOffset % recordSize != 0 || latestOffset + recordSize > size))
    return fail(tr("Error", "Unable to read DataBase file"));

  std::vector<unsigned char> latest(record.size()), last(record.size());
  if (found) {
    if (!database.seek(latestOffset, SEEK_SET))
      return fail(tr("Error", "Reposition in DataBase file fail"));
    if (!database.readWhole(latest.data(), latest.size()))
      return fail(tr("Error", "Unable to read DataBase file"));
    if (getWord(latest.data() + 4) != getWord(record.data() + 4))
      return fail(tr("Error", "Unable to read DataBase file"));
  }
  if (!database.seek(-recordSize, SEEK_END))
    return fail(tr("Error", "Reposition in DataBase file fail"));
  if (!database.readWhole(last.data(), last.size()))
    return fail(tr("Error", "Unable to read DataBase file"));
  if (!database.close()) return fail(tr("Error", "Unable to close DataBase"));

  // Each total: the last record's, less the key's previous value, plus its new one.
  for (std::size_t i = 0; i < count; ++i) {
    unsigned char *pair = record.data() + kRecordHeadSize + 8 * i;
    uint32_t total = getWord(last.data() + kRecordHeadSize + 8 * i + 4) + getWord(pair);
    if (found) total -= getWord(latest.data() + kRecordHeadSize + 8 * i);
    putWord(pair + 4, total);
  }
  return true;
}
