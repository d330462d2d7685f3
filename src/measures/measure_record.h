// The records of a measure database and their bytes: every word is an unsigned
// 32-bit number stored little-endian whatever the host, so that a database can
// be moved between machines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

/// Stores a word at `at` (4 bytes, least significant first).
inline void putWord(unsigned char *at, uint32_t word) {
  at[0] = static_cast<unsigned char>(word);
  at[1] = static_cast<unsigned char>(word >> 8);
  at[2] = static_cast<unsigned char>(word >> 16);
  at[3] = static_cast<unsigned char>(word >> 24);
}

/// The word stored at `at`.
inline uint32_t getWord(const unsigned char *at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
         static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

/// Bytes of the head of a record (date and key), and of an index entry (key and offset).
constexpr std::size_t kRecordHeadSize = 8;
constexpr std::size_t kIndexEntrySize = 8;

/// Bytes of a record of `count` sub values: the head, then a pair of words per sub value.
constexpr std::size_t measureRecordSize(std::size_t count) {
  return kRecordHeadSize + 8 * count;
}

/// One record of a database file.
struct MeasureRecord {
  /// Seconds since 1970-01-01 UTC.
  uint32_t date = 0;
  /// The measure key (for coverage, the source file's key).
  uint32_t key = 0;
  /// The key's sub values in this record.
  std::vector<uint32_t> values;
  /// For each sub value, the sum over every key of the key's latest value, this
  /// record included.
  std::vector<uint32_t> totals;

  /// The record's bytes: date, key, then (value, total) per sub value.
  std::vector<unsigned char> encode() const;
};
