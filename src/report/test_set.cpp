#include "report/test_set.h"

void TestSet::addFar(uint32_t ordinal) {
  if (!tail_) {
    tail_ = true;
    if (bitmap_) {
      first_ = ordinal / 32;
      last_ = uint32_t{1} << (ordinal % 32);
    } else {
      first_ = last_ = ordinal;
    }
    return;
  }
  if (bitmap_) {
    // The last word goes into place, the words between it and this one zero.
    const std::size_t at = first_ - words_[0] + 1;
    if (words_.size() < at + 1) words_.resize(at + 1, 0);
    words_[at] = last_;
    first_ = ordinal / 32;
    last_ = uint32_t{1} << (ordinal % 32);
    return;
  }
  if (ordinal <= last_) return;
  // A new run costs two words more; a bitmap from the first ordinal's word up to
  // the one before this ordinal's costs one word for 32 ordinals and one for
  // where it starts.
  const uint32_t firstOrdinal = words_.empty() ? first_ : words_[0];
  const std::size_t bitmapWords = ordinal / 32 - firstOrdinal / 32 + 1;
  if (words_.size() + 2 > bitmapWords) {
    toBitmap();
    add(ordinal);
    return;
  }
  words_.push_back(first_);
  words_.push_back(last_);
  first_ = last_ = ordinal;
}

void TestSet::assign(const uint32_t *ordinals, std::size_t count) {
  words_.clear();
  tail_ = count > 0;
  bitmap_ = false;
  if (!tail_) return;
  std::size_t runs = 1;
  for (std::size_t i = 1; i < count; ++i)
    if (ordinals[i] != ordinals[i - 1] + 1) ++runs;
  // What each form holds outside the record, as addFar weighs them.
  const uint32_t firstWord = ordinals[0] / 32;
  const uint32_t lastWord = ordinals[count - 1] / 32;
  if (2 * (runs - 1) > std::size_t{lastWord - firstWord} + 1) {
    words_.assign(std::size_t{lastWord - firstWord} + 1, 0);
    words_[0] = firstWord;
    first_ = lastWord;
    last_ = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const uint32_t word = ordinals[i] / 32;
      const uint32_t bit = uint32_t{1} << (ordinals[i] % 32);
      if (word == lastWord)
        last_ |= bit;
      else
        words_[word - firstWord + 1] |= bit;
    }
    bitmap_ = true;
    return;
  }
  words_.reserve(2 * (runs - 1));
  first_ = last_ = ordinals[0];
  for (std::size_t i = 1; i < count; ++i) {
    if (ordinals[i] == last_ + 1) {
      last_ = ordinals[i];
      continue;
    }
    words_.push_back(first_);
    words_.push_back(last_);
    first_ = last_ = ordinals[i];
  }
}

void TestSet::toBitmap() {
  const uint32_t firstWord = (words_.empty() ? first_ : words_[0]) / 32;
  const uint32_t lastWord = last_ / 32;
  std::vector<uint32_t> bits(lastWord - firstWord + 2, 0);
  bits[0] = firstWord;
  forEach([&](uint32_t o) { bits[o / 32 - firstWord + 1] |= uint32_t{1} << (o % 32); });
  // The last word is held apart.
  first_ = lastWord;
  last_ = bits.back();
  bits.pop_back();
  words_ = std::move(bits);
  bitmap_ = true;
}

std::size_t TestSet::size() const {
  std::size_t count = 0;
  forEach([&](uint32_t) { ++count; });
  return count;
}

bool TestSet::contains(uint32_t ordinal) const {
  bool found = false;
  forEach([&](uint32_t o) { found = found || o == ordinal; });
  return found;
}

std::vector<uint32_t> TestSet::ordinals() const {
  std::vector<uint32_t> all;
  forEach([&](uint32_t o) { all.push_back(o); });
  return all;
}
