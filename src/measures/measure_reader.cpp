#include "measures/measure_reader.h"

#include <algorithm>
#include <cstdio>

MeasureRecord decodeMeasureRecord(const unsigned char *bytes, std::size_t count) {
  MeasureRecord record;
  record.date = getWord(bytes);
  record.key = getWord(bytes + 4);
  record.values.resize(count);
  record.totals.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    record.values[i] = getWord(bytes + kRecordHeadSize + 8 * i);
    record.totals[i] = getWord(bytes + kRecordHeadSize + 8 * i + 4);
  }
  return record;
}

std::optional<std::vector<MeasureRecord>> readMeasureRecords(const std::string &path,
                                                             std::size_t count) {
  std::FILE *file = std::fopen(path.c_str(), "rb");
  if (!file) return std::nullopt;
  const std::size_t size = measureRecordSize(count);
  std::vector<MeasureRecord> records;
  // Records are read a block at a time; a torn last record stays unread.
  std::vector<unsigned char> block(size * 1024);
  std::size_t held = 0;
  for (;;) {
    const std::size_t got = std::fread(block.data() + held, 1, block.size() - held, file);
    held += got;
    std::size_t used = 0;
    for (; used + size <= held; used += size)
      records.push_back(decodeMeasureRecord(block.data() + used, count));
    std::copy(block.begin() + used, block.begin() + held, block.begin());
    held -= used;
    if (got == 0) break;
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return records;
}
