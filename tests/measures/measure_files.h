// Helpers of the measure tests: the records and index entries of a pair of files
// decoded independently of the writer, little-endian bytes, and environment
// variables set for one test.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

/// The bytes of 32-bit words stored least significant byte first.
inline std::string littleEndian(const std::vector<uint32_t> &words) {
  std::string bytes;
  for (uint32_t word : words)
    for (int shift = 0; shift < 32; shift += 8)
      bytes.push_back(static_cast<char>((word >> shift) & 0xFF));
  return bytes;
}

/// The words of a file read as little-endian 32-bit words (a partial last word is dropped).
inline std::vector<uint32_t> wordsOf(const std::string &bytes) {
  std::vector<uint32_t> words;
  for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4) {
    uint32_t word = 0;
    for (int i = 3; i >= 0; --i)
      word = word << 8 | static_cast<unsigned char>(bytes[at + i]);
    words.push_back(word);
  }
  return words;
}

/// One record of a database file, decoded word by word.
struct DecodedRecord {
  uint32_t date = 0;
  uint32_t key = 0;
  std::vector<uint32_t> values;
  std::vector<uint32_t> totals;
};

/// The records of a database file of `count` sub values.
inline std::vector<DecodedRecord> recordsOf(const std::string &bytes, std::size_t count) {
  const std::vector<uint32_t> words = wordsOf(bytes);
  std::vector<DecodedRecord> records;
  const std::size_t size = 2 + 2 * count;
  for (std::size_t at = 0; at + size <= words.size(); at += size) {
    DecodedRecord record;
    record.date = words[at];
    record.key = words[at + 1];
    for (std::size_t i = 0; i < count; ++i) {
      record.values.push_back(words[at + 2 + 2 * i]);
      record.totals.push_back(words[at + 3 + 2 * i]);
    }
    records.push_back(record);
  }
  return records;
}

/// The (key, offset) entries of an index file.
inline std::vector<std::pair<uint32_t, uint32_t>> indexOf(const std::string &bytes) {
  const std::vector<uint32_t> words = wordsOf(bytes);
  std::vector<std::pair<uint32_t, uint32_t>> entries;
  for (std::size_t at = 0; at + 2 <= words.size(); at += 2)
    entries.emplace_back(words[at], words[at + 1]);
  return entries;
}

/// Sets (or, with no value, unsets) an environment variable until the object goes away.
class ScopedEnv {
public:
  ScopedEnv(const char *name, std::optional<std::string> value) : name_(name) {
    if (const char *old = std::getenv(name)) old_ = old;
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv &) = delete;
  ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
  const char *name_;
  std::optional<std::string> old_;
};
