#include "report/test_set.h"

void TestSet::add(uint32_t ordinal) {
  if (words_.empty()) {
    words_ = {ordinal, ordinal};
    return;
  }
  if (bitmap_) {
    const std::size_t word = ordinal / 32 - words_[0] + 1;
    if (word >= words_.size()) words_.resize(word + 1, 0);
    words_[word] |= uint32_t{1} << (ordinal % 32);
    return;
  }
  uint32_t &last = words_.back();
  if (ordinal <= last) return;
  if (ordinal == last + 1) {
    last = ordinal;
    return;
  }
  // A new run costs two words; a bitmap from the first ordinal's word to this
  // one costs one word per 32 ordinals and one for where it starts.
  const std::size_t bitmapWords = ordinal / 32 - words_[0] / 32 + 2;
  if (words_.size() + 2 > bitmapWords) {
    toBitmap(ordinal);
    add(ordinal);
    return;
  }
  words_.push_back(ordinal);
  words_.push_back(ordinal);
}

void TestSet::toBitmap(uint32_t last) {
  const uint32_t firstWord = words_[0] / 32;
  std::vector<uint32_t> bits(last / 32 - firstWord + 2, 0);
  bits[0] = firstWord;
  forEach([&](uint32_t o) { bits[o / 32 - firstWord + 1] |= uint32_t{1} << (o % 32); });
  words_ = std::move(bits);
  bitmap_ = true;
}

std::size_t TestSet::size() const {
  std::size_t count = 0;
  if (!bitmap_) {
    for (std::size_t i = 0; i + 1 < words_.size(); i += 2)
      count += std::size_t{words_[i + 1]} - words_[i] + 1;
    return count;
  }
  for (std::size_t w = 1; w < words_.size(); ++w)
    count += static_cast<std::size_t>(__builtin_popcount(words_[w]));
  return count;
}

bool TestSet::contains(uint32_t ordinal) const {
  if (words_.empty()) return false;
  if (!bitmap_) {
    for (std::size_t i = 0; i + 1 < words_.size(); i += 2)
      if (ordinal >= words_[i] && ordinal <= words_[i + 1]) return true;
    return false;
  }
  if (ordinal / 32 < words_[0]) return false;
  const std::size_t word = ordinal / 32 - words_[0] + 1;
  return word < words_.size() && (words_[word] >> (ordinal % 32) & 1) != 0;
}

std::vector<uint32_t> TestSet::ordinals() const {
  std::vector<uint32_t> all;
  forEach([&](uint32_t o) { all.push_back(o); });
  return all;
}
