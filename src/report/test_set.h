// A set of test ordinals, built in increasing order and kept small: runs of
// consecutive ordinals while they are few, a bitmap once it is the smaller. The
// last run, or the last word of the bitmap, is held in the set's own record, so
// that adding an ordinal next to the last one touches nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TestSet {
public:
  /// Adds an ordinal not below any ordinal in the set (adding the last one again
  /// changes nothing).
  void add(uint32_t ordinal) {
    if (tail_ && (bitmap_ ? ordinal / 32 == first_ : ordinal - 1 == last_)) {
      if (bitmap_)
        last_ |= uint32_t{1} << (ordinal % 32);
      else
        last_ = ordinal;
      return;
    }
    addFar(ordinal);
  }
  /// Makes it hold these ordinals (increasing, without repeats) instead, as
  /// runs or as a bitmap, whichever is the smaller.
  void assign(const uint32_t *ordinals, std::size_t count);
  bool empty() const { return !tail_; }
  /// How many ordinals it holds.
  std::size_t size() const;
  /// Whether it holds the ordinal.
  bool contains(uint32_t ordinal) const;
  /// Calls `visit(uint32_t)` for each ordinal, increasing.
  template <typename Visit> void forEach(Visit &&visit) const {
    if (!tail_) return;
    if (!bitmap_) {
      for (std::size_t i = 0; i + 1 < words_.size(); i += 2)
        visitRun(words_[i], words_[i + 1], visit);
      visitRun(first_, last_, visit);
      return;
    }
    for (std::size_t w = 1; w < words_.size(); ++w)
      visitWord(words_[0] + static_cast<uint32_t>(w) - 1, words_[w], visit);
    visitWord(first_, last_, visit);
  }
  /// The ordinals, increasing.
  std::vector<uint32_t> ordinals() const;
  /// Held as a bitmap.
  bool isBitmap() const { return bitmap_; }
  /// The bytes its ordinals take outside its own record.
  std::size_t bytes() const { return words_.size() * sizeof(uint32_t); }
  /// Gives back the room that growing left unused.
  void shrink() { words_.shrink_to_fit(); }

private:
  template <typename Visit> static void visitRun(uint32_t first, uint32_t last, Visit &visit) {
    for (uint64_t o = first; o <= last; ++o)
      visit(static_cast<uint32_t>(o));
  }
  template <typename Visit> static void visitWord(uint32_t word, uint32_t bits, Visit &visit) {
    for (; bits; bits &= bits - 1)
      visit(word * 32 + static_cast<uint32_t>(__builtin_ctz(bits)));
  }
  /// Adds an ordinal that begins a new run or a new word.
  void addFar(uint32_t ordinal);
  /// Turns the runs into a bitmap.
  void toBitmap();

  /// The runs before the last one: first and last ordinal of each, in increasing
  /// order. Or, as a bitmap: the index of the first 32-ordinal word held, then
  /// the words from there up to the one before the last.
  std::vector<uint32_t> words_;
  /// The last run (its first and last ordinal), or the last word of the bitmap
  /// (its index and its bits).
  uint32_t first_ = 0;
  uint32_t last_ = 0;
  /// The set holds an ordinal (the last run or word is set).
  bool tail_ = false;
  bool bitmap_ = false;
};
