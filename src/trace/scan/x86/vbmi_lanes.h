// The lines of a block decoded all at once with AVX-512 VBMI2: the offsets of the
// lines' starts and ends compressed into line order, then each line's bytes
// gathered into a lane of its own (sixteen lanes of 32 bits for IDs of up to four
// digits, eight lanes of 64 bits for longer ones), where its digits are turned
// into the ID and its letter into the kind.
#pragma once

#include <array>
#include <cstdint>
#include <immintrin.h>

#include "model/branch_index.h"

/// The instruction sets of the AVX-512 VBMI2 path.
#define ZELTOCOV_VBMI_TARGET "avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi2,popcnt"

namespace hit_scan {

/// Byte tables of the whole-block decoding: byte 8j + k of lane j.
constexpr std::array<uint8_t, 64> kByteTable(uint8_t (*value)(unsigned lane, unsigned byte)) {
  std::array<uint8_t, 64> table{};
  for (unsigned i = 0; i < 64; ++i)
    table[i] = value(i / 8, i % 8);
  return table;
}
/// Every byte: its position.
alignas(64) [[gnu::visibility("hidden")]] inline constexpr std::array<uint8_t, 64> kIota =
    kByteTable([](unsigned lane, unsigned byte) { return static_cast<uint8_t>(8 * lane + byte); });
/// Every byte of lane j: j (the line of the lane).
alignas(64) [[gnu::visibility("hidden")]] inline constexpr std::array<uint8_t, 64> kLaneLines =
    kByteTable([](unsigned lane, unsigned) { return static_cast<uint8_t>(lane); });
/// Byte k of a lane: the offset of the line's digit k (after "TB ").
alignas(64) [[gnu::visibility("hidden")]] inline constexpr std::array<uint8_t, 64> kDigitOffsets =
    kByteTable([](unsigned, unsigned byte) { return static_cast<uint8_t>(3 + byte); });
/// Bytes 0 to 3 of lane j: the low bytes of the lane's four 16-bit words.
alignas(64)
    [[gnu::visibility("hidden")]] inline constexpr std::array<uint8_t, 64> kLowBytesOfWords =
        kByteTable([](unsigned lane, unsigned byte) {
          return static_cast<uint8_t>(8 * lane + 2 * byte);
        });
/// By the low four bits of a kind letter: the letter (P, A, B, E), 0 for none.
alignas(64) [[gnu::visibility("hidden")]] inline constexpr std::array<uint8_t, 64> kKindLetters =
    kByteTable([](unsigned lane, unsigned byte) -> uint8_t {
      constexpr uint8_t letters[16] = {'P', 'A', 'B', 0, 0, 'E'};
      return letters[(8 * lane + byte) % 16];
    });
/// The same for the trace kind of the letter.
alignas(64) [[gnu::visibility("hidden")]] inline constexpr std::array<uint8_t, 64> kKindOfLetters =
    kByteTable([](unsigned lane, unsigned byte) -> uint8_t {
      constexpr uint8_t kinds[16] = {KindProcPoint, KindCall, KindBlock, 0, 0, KindCondition};
      return kinds[(8 * lane + byte) % 16];
    });

/// The same tables for sixteen lanes of four bytes: every byte of lane j: j.
alignas(64)
    [[gnu::visibility("hidden")]] inline constexpr std::array<uint8_t, 64> kLaneLines16 = [] {
      std::array<uint8_t, 64> table{};
      for (unsigned i = 0; i < 64; ++i)
        table[i] = static_cast<uint8_t>(i / 4);
      return table;
    }();
/// Byte k of a lane: the offset of the line's digit k.
alignas(64)
    [[gnu::visibility("hidden")]] inline constexpr std::array<uint8_t, 64> kDigitOffsets16 = [] {
      std::array<uint8_t, 64> table{};
      for (unsigned i = 0; i < 64; ++i)
        table[i] = static_cast<uint8_t>(3 + i % 4);
      return table;
    }();
/// Bytes 0 and 1 of lane j: the low bytes of the lane's two 16-bit words.
alignas(64)
    [[gnu::visibility("hidden")]] inline constexpr std::array<uint8_t, 64> kLowBytesOfWords16 = [] {
      std::array<uint8_t, 64> table{};
      for (unsigned i = 0; i < 64; ++i)
        table[i] = static_cast<uint8_t>(i / 4 * 4 + (i % 4 == 1 ? 2 : 0));
      return table;
    }();

/// The kind and ID in the highest of the `lanes` (not 0) of `kinds` and `ids`
/// (lanes of 32 bits).
[[gnu::target(ZELTOCOV_VBMI_TARGET)]] inline void
lastLaneOf(__mmask16 lanes, __m512i kinds, __m512i ids, unsigned &kind, uint32_t &id) {
  const __m512i lane = _mm512_set1_epi32(31 - __builtin_clz(lanes));
  kind = static_cast<unsigned>(
      _mm_cvtsi128_si32(_mm512_castsi512_si128(_mm512_permutexvar_epi32(lane, kinds))));
  id = static_cast<uint32_t>(
      _mm_cvtsi128_si32(_mm512_castsi512_si128(_mm512_permutexvar_epi32(lane, ids))));
}

/// What decodeSixteenLanes made of a block's lines.
enum class SixteenLanes : uint8_t {
  Decoded, ///< every line decoded
  NoKind,  ///< some line's letter is no kind
  LongIds, ///< some ID has more than four digits (eight lanes of eight bytes take them)
};

/// The lines of the block at `p` that end at `ends` (not 0; plain hit lines as far
/// as the block's masks tell), ready to be decoded in lanes.
struct BlockLines {
  [[gnu::target(ZELTOCOV_VBMI_TARGET)]] BlockLines(const unsigned char *p, uint64_t ends)
      : block(_mm512_loadu_si512(p)),
        // The offsets of the lines' first bytes and of their line ends, in line order.
        starts(_mm512_maskz_compress_epi8(ends << 1 | 1, _mm512_load_si512(kIota.data()))),
        lineEnds(_mm512_maskz_compress_epi8(ends, _mm512_load_si512(kIota.data()))),
        lines(static_cast<unsigned>(__builtin_popcountll(ends))),
        bytes(64u - static_cast<unsigned>(__builtin_clzll(ends))) {}

  __m512i block;
  __m512i starts;
  __m512i lineEnds;
  /// Lines, and their bytes.
  unsigned lines;
  unsigned bytes;
};

/// The hexadecimal digits of `block` at the bytes `at` (those before `end`; the
/// others count as 0), each pair of digits (the lowest first) in a word.
[[gnu::target(ZELTOCOV_VBMI_TARGET), gnu::always_inline]] inline __m512i
digitPairs(__m512i block, __m512i at, __m512i end) {
  const __mmask64 isDigit = _mm512_cmplt_epu8_mask(at, end);
  const __m512i digits = _mm512_permutexvar_epi8(at, block);
  // '0'-'9' keep their low four bits; 'a'-'f' and 'A'-'F' (bit 6 set) add 9.
  const __m512i letter = _mm512_and_si512(_mm512_srli_epi16(digits, 6), _mm512_set1_epi8(1));
  const __m512i nibbles =
      _mm512_maskz_add_epi8(isDigit, _mm512_and_si512(digits, _mm512_set1_epi8(0x0F)),
                            _mm512_add_epi8(letter, _mm512_slli_epi16(letter, 3)));
  return _mm512_maddubs_epi16(nibbles, _mm512_set1_epi16(0x1001));
}

/// The kind of the letter after the T of the lines starting at `start`, in the
/// first byte of each lane (`laneBytes` marks them); false when a line of `lanes`
/// has a letter that is no kind.
[[gnu::target(ZELTOCOV_VBMI_TARGET), gnu::always_inline]] inline bool
laneKinds(__m512i block, __m512i start, uint64_t laneBytes, unsigned lanes, __m512i &kinds) {
  const __m512i letters =
      _mm512_permutexvar_epi8(_mm512_add_epi8(start, _mm512_set1_epi8(1)), block);
  const __m512i low = _mm512_and_si512(letters, _mm512_set1_epi8(0x0F));
  const __mmask64 known = _mm512_cmpeq_epi8_mask(
      letters, _mm512_shuffle_epi8(_mm512_load_si512(kKindLetters.data()), low));
  if ((_pext_u64(known, laneBytes) & lanes) != lanes) return false;
  kinds = _mm512_maskz_shuffle_epi8(laneBytes, _mm512_load_si512(kKindOfLetters.data()), low);
  return true;
}

/// The lines of a block decoded in sixteen lanes of 32 bits: lane j of `kinds`
/// and `ids` holds line j, for the `lanes`. A line takes five bytes at least, so a
/// block holds 12 whole lines at most: they fit when their IDs have four digits
/// at most.
[[gnu::target(ZELTOCOV_VBMI_TARGET)]] inline SixteenLanes
decodeSixteenLanes(const BlockLines &lines, __m512i &kinds, __m512i &ids, __mmask16 &lanes) {
  if (lines.lines > 16) return SixteenLanes::LongIds;
  lanes = static_cast<__mmask16>((1u << lines.lines) - 1);
  const __m512i block = lines.block;
  // Every byte of lane j: the start, then the end, of line j.
  const __m512i lineOfLane = _mm512_load_si512(kLaneLines16.data());
  const __m512i start = _mm512_permutexvar_epi8(lineOfLane, lines.starts);
  const __m512i end = _mm512_permutexvar_epi8(lineOfLane, lines.lineEnds);
  // A fifth digit (at start + 7) before the line end: an ID too long.
  if (_mm512_mask_cmplt_epu8_mask(_pdep_u64(lanes, 0x1111111111111111ull),
                                  _mm512_add_epi8(start, _mm512_set1_epi8(7)), end))
    return SixteenLanes::LongIds;
  // Byte k of lane j: the line's digit k when it has one; the reversed digits
  // (the lowest first) make pairs, then the two pairs.
  const __m512i pairs =
      digitPairs(block, _mm512_add_epi8(start, _mm512_load_si512(kDigitOffsets16.data())), end);
  ids = _mm512_maskz_permutexvar_epi8(0x3333333333333333ull,
                                      _mm512_load_si512(kLowBytesOfWords16.data()), pairs);
  if (!laneKinds(block, start, 0x1111111111111111ull, lanes, kinds)) return SixteenLanes::NoKind;
  return SixteenLanes::Decoded;
}

/// Lines first to first + 7 of a block decoded in eight lanes of 64 bits (IDs of
/// up to eight digits): lane j of `kinds` and `ids` holds line first + j, for the
/// `lanes`; false when a line's letter is no kind.
[[gnu::target(ZELTOCOV_VBMI_TARGET)]] inline bool decodeEightLanes(const BlockLines &lines,
                                                                   unsigned first, __m512i &kinds,
                                                                   __m512i &ids, __mmask8 &lanes) {
  lanes =
      static_cast<__mmask8>(lines.lines - first >= 8 ? 0xFF : (1u << (lines.lines - first)) - 1);
  const __m512i block = lines.block;
  // Every byte of lane j: the start, then the end, of line first + j.
  const __m512i lineOfLane =
      _mm512_add_epi8(_mm512_load_si512(kLaneLines.data()), _mm512_set1_epi8(first));
  const __m512i start = _mm512_permutexvar_epi8(lineOfLane, lines.starts);
  const __m512i end = _mm512_permutexvar_epi8(lineOfLane, lines.lineEnds);
  // Byte k of lane j: the line's digit k when it has one; the reversed digits
  // (the lowest first) make pairs, then the four pairs.
  const __m512i pairs =
      digitPairs(block, _mm512_add_epi8(start, _mm512_load_si512(kDigitOffsets.data())), end);
  ids = _mm512_maskz_permutexvar_epi8(0x0F0F0F0F0F0F0F0Full,
                                      _mm512_load_si512(kLowBytesOfWords.data()), pairs);
  return laneKinds(block, start, 0x0101010101010101ull, lanes, kinds);
}

} // namespace hit_scan
