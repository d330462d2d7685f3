#include "measures/measure_reader.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void decodeInto(const unsigned char *bytes, std::size_t count, MeasureRecord &record) {
  record.date = getWord(bytes);
  record.key = getWord(bytes + 4);
  record.values.resize(count);
  record.totals.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    record.values[i] = getWord(bytes + kRecordHeadSize + 8 * i);
    record.totals[i] = getWord(bytes + kRecordHeadSize + 8 * i + 4);
  }
}

} // namespace

MeasureRecord decodeMeasureRecord(const unsigned char *bytes, std::size_t count) {
  MeasureRecord record;
  decodeInto(bytes, count, record);
  return record;
}

bool forEachMeasureRecord(const std::string &path, std::size_t count,
                          const std::function<void(const MeasureRecord &)> &each) {
  // Not through a link, and no wait on a FIFO planted at the name.
  const int file = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (file < 0) return false;
  struct stat status {};
  if (::fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(file);
    return false;
  }
  const std::size_t size = measureRecordSize(count);
  // Records are read a block at a time; a torn last record stays unread.
  std::vector<unsigned char> block(size * 1024);
  MeasureRecord record;
  std::size_t held = 0;
  bool failed = false;
  for (;;) {
    const ssize_t got = ::read(file, block.data() + held, block.size() - held);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      failed = true;
      break;
    }
    held += static_cast<std::size_t>(got);
    std::size_t used = 0;
    for (; used + size <= held; used += size) {
      decodeInto(block.data() + used, count, record);
      each(record);
    }
    std::copy(block.begin() + used, block.begin() + held, block.begin());
    held -= used;
    if (got == 0) break;
  }
  ::close(file);
  return !failed;
}

std::optional<std::vector<MeasureRecord>> readMeasureRecords(const std::string &path,
                                                             std::size_t count) {
  std::vector<MeasureRecord> records;
  if (!forEachMeasureRecord(path, count,
                            [&records](const MeasureRecord &record) { records.push_back(record); }))
    return std::nullopt;
  return records;
}
