#include "measures/measure_record.h"

std::vector<unsigned char> MeasureRecord::encode() const {
  std::vector<unsigned char> bytes(measureRecordSize(values.size()));
  putWord(&bytes[0], date);
  putWord(&bytes[4], key);
  for (std::size_t i = 0; i < values.size(); ++i) {
    putWord(&bytes[kRecordHeadSize + 8 * i], values[i]);
    putWord(&bytes[kRecordHeadSize + 8 * i + 4], totals[i]);
  }
  return bytes;
}
