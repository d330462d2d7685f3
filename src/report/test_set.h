// A set of test ordinals, built in increasing order and kept small: runs of
// consecutive ordinals while they are few, a bitmap once it is the smaller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TestSet {
public:
  /// Adds an ordinal greater than every ordinal in the set (adding the last one
  /// again changes nothing).
  void add(uint32_t ordinal);
  bool empty() const { return words_.empty(); }
  /// How many ordinals it holds.
  std::size_t size() const;
  /// Whether it holds the ordinal.
  bool contains(uint32_t ordinal) const;
  /// Calls `visit(uint32_t)` for each ordinal, increasing.
  template <typename Visit> void forEach(Visit &&visit) const {
    if (!bitmap_) {
      for (std::size_t i = 0; i + 1 < words_.size(); i += 2)
        for (uint64_t o = words_[i]; o <= words_[i + 1]; ++o)
          visit(static_cast<uint32_t>(o));
      return;
    }
    for (std::size_t w = 1; w < words_.size(); ++w)
      for (uint32_t bits = words_[w]; bits; bits &= bits - 1)
        visit(static_cast<uint32_t>((words_[0] + w - 1) * 32 + __builtin_ctz(bits)));
  }
  /// The ordinals, increasing.
  std::vector<uint32_t> ordinals() const;
  /// Held as a bitmap.
  bool isBitmap() const { return bitmap_; }
  /// The bytes its ordinals take (the words in use).
  std::size_t bytes() const { return words_.size() * sizeof(uint32_t); }
  /// Gives back the room that growing left unused.
  void shrink() { words_.shrink_to_fit(); }

private:
  /// Turns the runs into a bitmap that can hold `last`.
  void toBitmap(uint32_t last);

  /// Runs: first and last ordinal of each run, pairs in increasing order.
  /// Bitmap: the first word is the index of the first 32-ordinal word held,
  /// then the words of ordinals from there.
  std::vector<uint32_t> words_;
  bool bitmap_ = false;
};
