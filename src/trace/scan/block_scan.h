// The block scan, written once for every vector path: 64 bytes at a time, each
// block starting at a line. A path gives a classifier (`Classify`): what the 64
// bytes at a pointer hold, as bit masks (BlockMasks), and the decoding of an
// ID's digits (`Classify::decode`). From the masks, the lines that end inside a
// block are checked at once and decoded one by one; the next block starts at the
// first line not taken. A line that does not end within 64 bytes is not a plain
// hit line. A path may also take all the lines of a block at once (`Whole`).
//
// Everything here is inlined into each path's entry points, which are compiled
// for that path's instruction set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

#include "trace/hit_line_scanner.h"
#include "trace/scan/hit_line_bytes.h"
#include "trace/scan/hit_sink.h"
#include "trace/scan/settled_sink.h"

namespace hit_scan {

/// What 64 bytes hold, one bit per byte.
struct BlockMasks {
  uint64_t lineFeeds;
  /// Bytes that are not hexadecimal digits.
  uint64_t nonDigits;
  /// 'T' bytes.
  uint64_t tees;
  uint64_t spaces;
};

/// The line ends of a block's masks that lie within the `available` bytes (line
/// ends past them, in the padding, do not count).
inline uint64_t lineFeedsWithin(const BlockMasks &masks, std::size_t available) {
  return available < 64 ? masks.lineFeeds & ((uint64_t{1} << available) - 1) : masks.lineFeeds;
}

/// Of the line ends `lineFeeds` (not 0) of a block that starts at a line, those of
/// the lines before the first line that is not a plain hit line without count,
/// as far as the masks tell: T, any byte, space, 1 to 8 digits, LF. (The kind
/// letter is checked line by line.)
inline uint64_t plainLineEnds(const BlockMasks &masks, uint64_t lineFeeds) {
  const unsigned last = 63u - static_cast<unsigned>(__builtin_clzll(lineFeeds));
  const uint64_t lines = ~uint64_t{0} >> (63u - last);
  const uint64_t starts = (lineFeeds << 1 | 1u) & lines;
  const uint64_t digits = ~masks.nonDigits;
  // Digits that begin a run of nine.
  uint64_t runs = digits & digits >> 1;
  runs &= runs >> 2;
  runs &= runs >> 4;
  runs &= digits >> 8;
  const uint64_t bad = (starts & ~masks.tees) | (starts << 2 & ~masks.spaces) |
                       (starts << 3 & lineFeeds) |
                       (masks.nonDigits & ~(starts | starts << 1 | starts << 2 | lineFeeds)) | runs;
  const uint64_t badInLines = bad & lines;
  if (!badInLines) return lineFeeds;
  return lineFeeds & ((uint64_t{1} << __builtin_ctzll(badInLines)) - 1);
}

/// Takes the line from `s` to its line end at `e` (offsets in the 64 bytes at
/// `p`) when it is a plain hit line, with or without count.
template <typename Classify, typename Sink>
[[gnu::always_inline]] inline bool takeLine(const unsigned char *p, unsigned s, unsigned e,
                                            uint64_t nonDigits, Sink &sink) {
  if (e < s + 4) return false;
  uint32_t head;
  std::memcpy(&head, p + s, sizeof head);
  // 'T', the kind letter, ' ' (bytes in memory order).
  if ((head & 0x00FF00FFu) != (uint32_t{'T'} | uint32_t{' '} << 16)) return false;
  const uint8_t kind = kHitKinds[head >> 8 & 0xFF];
  if (!kind) return false;
  // The line end is no digit, so the digits stop at it at the latest.
  const unsigned idAt = s + 3;
  const unsigned idDigits = static_cast<unsigned>(__builtin_ctzll(nonDigits >> idAt));
  if (idDigits - 1u >= 8u) return false;
  const unsigned idEnd = idAt + idDigits;
  uint32_t count = 1;
  if (idEnd != e) {
    if (p[idEnd] != ' ') return false;
    const unsigned countAt = idEnd + 1;
    const unsigned countDigits = static_cast<unsigned>(__builtin_ctzll(nonDigits >> countAt));
    if (countDigits - 1u >= 8u || countAt + countDigits != e) return false;
    count = Classify::decode(p + countAt, countDigits);
  }
  sink.take(kind, Classify::decode(p + idAt, idDigits), count);
  return true;
}

/// What a scan does after a line handed to it.
enum class LineStep : uint8_t {
  Next,       ///< the line is taken, the scan goes on
  StopAfter,  ///< the line is taken, the scan stops
  StopBefore, ///< the line is not taken, the scan stops
};

/// A block's lines taken whole by none: forPlainBlocks takes them one by one.
struct NoWholeBlocks {
  NoWholeBlocks() = default;
  template <typename Sink> explicit NoWholeBlocks(Sink &) {}
  template <typename Sink> NoWholeBlocks(Sink &, const HitScanFilter *) {}
  unsigned operator()(const unsigned char *, uint64_t) const { return 0; }
};

/// Calls `take(kind, id)` for the plain hit lines without count at the start of
/// `bytes`, over blocks of 64 bytes each starting at a line, until one is not
/// such a line or `take` says to stop; the bytes of the lines taken. `whole(p,
/// ends)` may take all the lines of a block that end at `ends` at once: it then
/// returns their bytes (else 0, and they are taken one by one).
template <typename Classify, typename Take, typename Whole = NoWholeBlocks>
[[gnu::always_inline]] inline std::size_t forPlainBlocks(std::string_view bytes, Take &&take,
                                                         Whole &&whole = Whole()) {
  const auto *begin = reinterpret_cast<const unsigned char *>(bytes.data());
  const unsigned char *const end = begin + bytes.size();
  const unsigned char *p = begin;
  while (p < end) {
    const BlockMasks masks = Classify()(p);
    const uint64_t lineFeeds = lineFeedsWithin(masks, static_cast<std::size_t>(end - p));
    if (!lineFeeds) break;
    // The whole block is checked at once; each line is only decoded.
    uint64_t ends = plainLineEnds(masks, lineFeeds);
    bool stop = ends != lineFeeds;
    unsigned s = ends ? whole(p, ends) : 0;
    if (s) ends = 0;
    while (ends) {
      const unsigned e = static_cast<unsigned>(__builtin_ctzll(ends));
      const unsigned kind = kHitKinds[p[s + 1]];
      if (!kind) {
        stop = true;
        break;
      }
      const LineStep step = take(kind, Classify::decode(p + s + 3, e - s - 3));
      if (step == LineStep::StopBefore) {
        stop = true;
        break;
      }
      ends &= ends - 1;
      s = e + 1;
      if (step == LineStep::StopAfter) {
        stop = true;
        break;
      }
    }
    p += s;
    if (stop || s == 0) break;
  }
  return static_cast<std::size_t>(p - begin);
}

/// The lines with or without count at the start of `bytes` into `sink` (which
/// has room), line by line over blocks of 64 bytes.
template <typename Classify, typename Sink>
[[gnu::always_inline]] inline HitScan scanCountedBlocks(std::string_view bytes, Sink &sink) {
  const auto *begin = reinterpret_cast<const unsigned char *>(bytes.data());
  const unsigned char *const end = begin + bytes.size();
  const unsigned char *p = begin;
  bool full = false;
  while (p < end && !full) {
    const BlockMasks masks = Classify()(p);
    const uint64_t lineFeeds = lineFeedsWithin(masks, static_cast<std::size_t>(end - p));
    if (!lineFeeds) break;
    unsigned s = 0;
    bool stop = false;
    while (s < 64) {
      const uint64_t rest = lineFeeds >> s;
      if (!rest) break;
      const unsigned e = s + static_cast<unsigned>(__builtin_ctzll(rest));
      if (!takeLine<Classify>(p, s, e, masks.nonDigits, sink)) {
        stop = true;
        break;
      }
      s = e + 1;
      if (!sink.hasRoom()) {
        full = true;
        break;
      }
    }
    p += s;
    if (stop || s == 0) break;
  }
  return HitScan{sink.finish(), static_cast<std::size_t>(p - begin), full};
}

/// The scan through a HitSink: lines with count one by one, lines without count
/// a block at a time. `Whole` (made from the sink and the filter) may take the
/// lines of a block whose hits would all be left out.
template <typename Classify, bool kFiltered, typename Whole = NoWholeBlocks>
[[gnu::always_inline]] inline HitScan scanBlocks(std::string_view bytes, bool countOriented,
                                                 TraceHit *out, std::size_t capacity,
                                                 const HitScanFilter *filter) {
  HitSink<kFiltered> sink(out, capacity, filter, countOriented);
  // The scan is full once the store has no room left, whatever follows.
  if (!sink.hasRoom()) return HitScan{sink.finish(), 0, true};
  if (countOriented) return scanCountedBlocks<Classify>(bytes, sink);
  bool full = false;
  const std::size_t taken = forPlainBlocks<Classify>(
      bytes,
      [&](unsigned kind, uint32_t id) {
        sink.take(static_cast<uint8_t>(kind), id, 1);
        if (sink.hasRoom()) return LineStep::Next;
        full = true;
        return LineStep::StopAfter;
      },
      Whole(sink, filter));
  return HitScan{sink.finish(), taken, full};
}

/// The common case of the filtered scan on its own: plain hit lines without
/// count, to the model alone. `Whole` (made from the sink) may take whole blocks.
template <typename Classify, typename Whole = NoWholeBlocks>
[[gnu::always_inline]] inline HitScan scanSettledBlocks(std::string_view bytes, TraceHit *out,
                                                        std::size_t capacity,
                                                        const HitScanFilter &filter) {
  SettledSink sink(out, capacity, filter);
  if (sink.full()) return HitScan{sink.finish(), 0, true};
  bool full = false;
  Whole whole(sink);
  const std::size_t taken = forPlainBlocks<Classify>(
      bytes,
      [&](unsigned kind, uint32_t id) {
        if (sink.take(kind, id)) return LineStep::Next;
        full = true;
        return LineStep::StopAfter;
      },
      whole);
  return HitScan{sink.finish(), taken, full};
}

/// scanHitLines through a vector path: `WholeSettled` may take whole blocks of
/// the common case (scanSettledBlocks), `WholeKept` those of the other filtered
/// scans.
template <typename Classify, typename WholeSettled = NoWholeBlocks,
          typename WholeKept = NoWholeBlocks>
[[gnu::always_inline]] inline HitScan scanBlockPath(std::string_view bytes, bool countOriented,
                                                    TraceHit *out, std::size_t capacity,
                                                    const HitScanFilter *filter) {
  if (filter && !filter->cleaning && !countOriented)
    return scanSettledBlocks<Classify, WholeSettled>(bytes, out, capacity, *filter);
  return filter ? scanBlocks<Classify, true, WholeKept>(bytes, countOriented, out, capacity, filter)
                : scanBlocks<Classify, false>(bytes, countOriented, out, capacity, filter);
}

/// decodeHitLines through a vector path. `Whole` (made from the store, its room
/// and its count of lines) may decode whole blocks.
template <typename Classify, typename Whole = NoWholeBlocks>
[[gnu::always_inline]] inline DecodedLines decodeBlockPath(std::string_view bytes, uint32_t *out,
                                                           std::size_t capacity) {
  if (capacity == 0) return DecodedLines{};
  std::size_t lines = 0;
  const auto take = [&](unsigned kind, uint32_t id) {
    if (id >= kDecodedIdLimit) return LineStep::StopBefore;
    out[lines++] = decodedLine(kind, id);
    return lines < capacity ? LineStep::Next : LineStep::StopAfter;
  };
  std::size_t taken;
  if constexpr (std::is_same_v<Whole, NoWholeBlocks>)
    taken = forPlainBlocks<Classify>(bytes, take);
  else
    taken = forPlainBlocks<Classify>(bytes, take, Whole(out, capacity, lines));
  return DecodedLines{lines, taken};
}

} // namespace hit_scan

/// Defines the table `table` of a block path: its scan and decoding compiled for
/// the processor features `features` (a gnu::target text) with the classifier
/// `Classify`, and the taking line by line. Written once here so that each
/// processor's file holds only its classifier.
#define ZELTOCOV_BLOCK_PATH(table, Classify, features)                                             \
  namespace {                                                                                      \
  [[gnu::target(features), gnu::flatten]] HitScan                                                  \
      scan##Classify(std::string_view bytes, bool countOriented, TraceHit *out,                    \
                     std::size_t capacity, const HitScanFilter *filter) {                          \
    return scanBlockPath<Classify>(bytes, countOriented, out, capacity, filter);                   \
  }                                                                                                \
  [[gnu::target(features), gnu::flatten]] DecodedLines                                             \
      decode##Classify(std::string_view bytes, uint32_t *out, std::size_t capacity) {              \
    return decodeBlockPath<Classify>(bytes, out, capacity);                                        \
  }                                                                                                \
  }                                                                                                \
  const PathFunctions table = {scan##Classify, decode##Classify, takeDecodedLineByLine};
