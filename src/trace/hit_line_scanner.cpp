#include "trace/hit_line_scanner.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <type_traits>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define ZELTOCOV_X86_VECTORS 1
#endif

namespace {

/// Digit value of every byte: 0-15 for hexadecimal digits, -1 otherwise (NUL too).
constexpr std::array<int8_t, 256> kDigitValues = [] {
  std::array<int8_t, 256> values{};
  for (int8_t &value : values)
    value = -1;
  for (int c = '0'; c <= '9'; ++c)
    values[c] = static_cast<int8_t>(c - '0');
  for (int c = 'a'; c <= 'f'; ++c) {
    values[c] = static_cast<int8_t>(c - 'a' + 10);
    values[c - 'a' + 'A'] = static_cast<int8_t>(c - 'a' + 10);
  }
  return values;
}();

/// Trace kind of the second letter of a hit opcode (T followed by it), 0 for others.
constexpr std::array<uint8_t, 256> kHitKinds = [] {
  std::array<uint8_t, 256> kinds{};
  kinds['P'] = KindProcPoint;
  kinds['A'] = KindCall;
  kinds['B'] = KindBlock;
  kinds['E'] = KindCondition;
  return kinds;
}();

/// Whether a hit of count 1 that does not add, on the branch of dense slot `id`,
/// changes nothing in the model: the branch is settled, or this is its first hit
/// in a while, which is noted in the pending bits (when there are) and settles it.
[[gnu::always_inline]] inline bool settlesHit(uint64_t *settled, uint64_t *pending,
                                              Branch *const *dense, uint32_t id) {
  uint64_t &word = settled[id / 64];
  const uint64_t bit = uint64_t{1} << (id % 64);
  if (!(word & bit) && pending && dense[id]) {
    // The first hit in a while: noted, applied later with the others.
    word |= bit;
    pending[id / 64] |= bit;
  }
  return word & bit;
}

/// Where the hits of a scan go: the store, through the filter when there is one
/// (`kFiltered`). Made on the stack of each scan, so that its fields stay in
/// registers.
template <bool kFiltered> class HitSink {
public:
  HitSink(TraceHit *out, std::size_t capacity, const HitScanFilter *filter, bool countOriented)
      : out_(out), next_(out), last_(out + capacity - 1) {
    if (!kFiltered) return;
    kinds_ = filter->kinds;
    cleaning_ = filter->cleaning;
    // Without settled branches to drop, no hit is dropped as settled.
    for (int k = 0; k < 4; ++k) {
      denseSize_[k] = countOriented ? 0 : filter->denseSize[k];
      settled_[k] = filter->settled[k];
      pending_[k] = filter->pending[k];
      dense_[k] = filter->dense[k];
      kept_[k] = filter->kept[k];
      keptSize_[k] = filter->kept[k] ? filter->keptSize[k] : 0;
    }
  }

  /// Room for the hits of one more line: its own, and with the filter a dropped
  /// one kept before it.
  bool hasRoom() const { return kFiltered ? next_ < last_ : next_ <= last_; }

  [[gnu::always_inline]] void take(uint8_t kind, uint32_t id, uint32_t count) {
    if (kFiltered) {
      if (count == 0) return;
      const unsigned k = kind - 1u;
      const bool counted = kinds_ >> k & 1u;
      const bool dense = id < denseSize_[k];
      // With the cleaned trace, first hits are not left pending.
      const bool settled =
          dense && (cleaning_ ? (settled_[k][id / 64] >> (id % 64) & 1u) != 0
                              : counted && settlesHit(settled_[k], pending_[k], dense_[k], id));
      if (cleaning_ ? id < keptSize_[k] && kept_[k][id] != 0 && (!counted || settled)
                    : !counted || settled) {
        if (counted) {
          droppedId_ = id;
          droppedKind_ = kind;
        }
        return;
      }
      // A hit that the dense slots cannot place is looked up from the current
      // service, which must then be the one of the hit dropped just before.
      if (droppedKind_ && (!dense || !dense_[k][id]))
        *next_++ = TraceHit{droppedId_, 1, droppedKind_};
      droppedKind_ = 0;
    }
    *next_++ = TraceHit{id, count, kind};
  }

  /// A counted hit of `kind` on `id` left out as take() leaves it out.
  void noteDropped(unsigned kind, uint32_t id) {
    droppedId_ = id;
    droppedKind_ = static_cast<uint8_t>(kind);
  }

  /// Hits stored; the last hit dropped is kept when no hit followed it.
  std::size_t finish() {
    if (droppedKind_) *next_++ = TraceHit{droppedId_, 1, droppedKind_};
    droppedKind_ = 0;
    return static_cast<std::size_t>(next_ - out_);
  }

private:
  TraceHit *out_;
  TraceHit *next_;
  /// The last place of the store.
  TraceHit *last_;
  unsigned kinds_ = 0;
  /// Per kind: the dense slots that may be settled (none for counted hits), their
  /// settled bits, the slots.
  std::size_t denseSize_[4] = {};
  uint64_t *settled_[4] = {};
  uint64_t *pending_[4] = {};
  Branch *const *dense_[4] = {};
  /// With the cleaned trace, the counters it keeps per kind.
  bool cleaning_ = false;
  const uint32_t *kept_[4] = {};
  std::size_t keptSize_[4] = {};
  /// The last hit dropped as settled since the last hit stored (kind 0: none).
  uint32_t droppedId_ = 0;
  uint8_t droppedKind_ = 0;
};

/// Reads 1 to 8 reversed hexadecimal digits at `p`, moving it past them; false
/// when there is none. A ninth digit is left in place (it stops the line).
inline bool readDigits(const unsigned char *&p, uint32_t &value) {
  uint32_t result = 0;
  int length = 0;
  for (; length < 8; ++length) {
    const int digit = kDigitValues[p[length]];
    if (digit < 0) break;
    result |= static_cast<uint32_t>(digit) << (4 * length);
  }
  p += length;
  value = result;
  return length > 0;
}

template <bool kFiltered>
HitScan scanPlain(std::string_view bytes, bool countOriented, TraceHit *out, std::size_t capacity,
                  const HitScanFilter *filter, bool countRequired = false) {
  HitSink<kFiltered> sink(out, capacity, filter, countOriented);
  // Each byte is looked at only after the one before it matched and was not NUL,
  // so the scan never passes the NUL that follows the bytes.
  const auto *begin = reinterpret_cast<const unsigned char *>(bytes.data());
  const unsigned char *p = begin;
  bool full = true;
  while (sink.hasRoom()) {
    full = false;
    if (p[0] != 'T') break;
    const uint8_t kind = kHitKinds[p[1]];
    if (!kind || p[2] != ' ') break;
    const unsigned char *q = p + 3;
    uint32_t id;
    if (!readDigits(q, id)) break;
    uint32_t hits = 1;
    if (*q == ' ' && countOriented) {
      ++q;
      if (!readDigits(q, hits)) break;
    } else if (countOriented && countRequired) {
      break;
    }
    if (*q != '\n') break;
    sink.take(kind, id, hits);
    p = q + 1;
    full = true;
  }
  // A line is taken only once its line end is seen, which lies within the bytes.
  return HitScan{sink.finish(), static_cast<std::size_t>(p - begin), full};
}

/// The settled check of one kind, as the tight loop of the filtered scan reads it.
struct KindCheck {
  uint64_t *settled = nullptr;
  std::size_t denseSize = 0;
  Branch *const *dense = nullptr;
  uint64_t *pending = nullptr;
};

/// The store of the common case of the filtered scan: plain hit lines without
/// count, to the model alone. The same as a HitSink, in fewer instructions: a
/// settled hit costs one bit test, a first hit (with pending bits) two bits set.
/// Made on the stack of each scan, so that its fields stay in registers.
class SettledSink {
public:
  SettledSink(TraceHit *out, std::size_t capacity, const HitScanFilter &filter)
      : counted_(filter.kinds << 1), out_(out), next_(out), last_(out + capacity - 1) {
    for (int k = 0; k < 4; ++k)
      checks_[k + 1] =
          KindCheck{filter.settled[k], filter.denseSize[k], filter.dense[k], filter.pending[k]};
  }

  /// No room for the hits of one more line (its own and a dropped one kept).
  bool full() const { return next_ >= last_; }

  /// Takes the hit of a line of `kind` (1 to 4); false once the store is full.
  [[gnu::always_inline]] bool take(unsigned kind, uint32_t id) {
    if (!(counted_ >> kind & 1u)) return true;
    const KindCheck &check = checks_[kind];
    const bool dense = id < check.denseSize;
    if (dense && settlesHit(check.settled, check.pending, check.dense, id)) {
      droppedId_ = id;
      droppedKind_ = kind;
      return true;
    }
    // A hit that the dense slots cannot place is looked up from the current
    // service, which must then be the one of the hit dropped just before.
    if (droppedKind_ && (!dense || !check.dense[id]))
      *next_++ = TraceHit{droppedId_, 1, static_cast<uint8_t>(droppedKind_)};
    droppedKind_ = 0;
    *next_++ = TraceHit{id, 1, static_cast<uint8_t>(kind)};
    return next_ < last_;
  }

  /// Hits stored; the last hit dropped is kept when no hit followed it.
  std::size_t finish() {
    if (droppedKind_) *next_++ = TraceHit{droppedId_, 1, static_cast<uint8_t>(droppedKind_)};
    return static_cast<std::size_t>(next_ - out_);
  }

  /// A hit of a counted kind on a settled branch, dropped as take drops it.
  void noteDropped(unsigned kind, uint32_t id) {
    droppedId_ = id;
    droppedKind_ = kind;
  }
  const KindCheck &check(unsigned kind) const { return checks_[kind]; }
  unsigned counted() const { return counted_; }

private:
  KindCheck checks_[5];
  /// Kinds whose hits the model counts: bit kind.
  const unsigned counted_;
  TraceHit *const out_;
  TraceHit *next_;
  TraceHit *const last_;
  /// The last hit dropped as settled since the last hit stored (kind 0: none).
  uint32_t droppedId_ = 0;
  unsigned droppedKind_ = 0;
};

/// decodeHitLines byte by byte: every line is checked to end within the bytes.
DecodedLines decodePlain(std::string_view bytes, uint32_t *out, std::size_t capacity) {
  const auto *begin = reinterpret_cast<const unsigned char *>(bytes.data());
  const unsigned char *const end = begin + bytes.size();
  const unsigned char *p = begin;
  std::size_t lines = 0;
  while (lines < capacity && p < end) {
    if (p[0] != 'T') break;
    const uint8_t kind = kHitKinds[p[1]];
    if (!kind || p[2] != ' ') break;
    const unsigned char *q = p + 3;
    uint32_t id;
    if (!readDigits(q, id) || q >= end || *q != '\n' || id >= kDecodedIdLimit) break;
    out[lines++] = decodedLine(kind, id);
    p = q + 1;
  }
  return DecodedLines{lines, static_cast<std::size_t>(p - begin)};
}

#ifdef ZELTOCOV_X86_VECTORS

/// What 64 bytes hold, one bit per byte.
struct BlockMasks {
  uint64_t lineFeeds;
  /// Bytes that are not hexadecimal digits.
  uint64_t nonDigits;
  /// 'T' bytes.
  uint64_t tees;
  uint64_t spaces;
};

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

/// The value of 1 to 8 reversed hexadecimal digits (checked already) at `p`,
/// without a branch per digit: one load, each byte turned into its digit value,
/// the nibbles packed in place. IDs of up to 4 digits (nearly all) take 32 bits.
inline uint32_t decodeDigits(const unsigned char *p, unsigned digits) {
  if (digits <= 4) {
    uint32_t x;
    std::memcpy(&x, p, sizeof x);
    x &= ~uint32_t{0} >> (32 - 8 * digits);
    // '0'-'9' keep their low four bits; 'a'-'f' and 'A'-'F' (bit 6 set) add 9.
    x = (x & 0x0F0F0F0Fu) + 9 * ((x >> 6) & 0x01010101u);
    x = (x | (x >> 4)) & 0x00FF00FFu;
    return (x | (x >> 8)) & 0xFFFFu;
  }
  uint64_t x;
  std::memcpy(&x, p, sizeof x);
  x &= ~uint64_t{0} >> (64 - 8 * digits);
  x = (x & 0x0F0F0F0F0F0F0F0Full) + 9 * ((x >> 6) & 0x0101010101010101ull);
  x = (x | (x >> 4)) & 0x00FF00FF00FF00FFull;
  x = (x | (x >> 8)) & 0x0000FFFF0000FFFFull;
  return static_cast<uint32_t>(x | (x >> 16));
}

/// decodeDigits with the nibbles gathered in one instruction (PEXT).
[[gnu::target("bmi2")]] inline uint32_t decodeDigitsPext(const unsigned char *p, unsigned digits) {
  uint64_t x;
  std::memcpy(&x, p, sizeof x);
  x = _bzhi_u64(x, 8 * digits);
  x = (x & 0x0F0F0F0F0F0F0F0Full) + 9 * ((x >> 6) & 0x0101010101010101ull);
  return static_cast<uint32_t>(_pext_u64(x, 0x0F0F0F0F0F0F0F0Full));
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
    const auto available = static_cast<std::size_t>(end - p);
    const uint64_t lineFeeds =
        available < 64 ? masks.lineFeeds & ((uint64_t{1} << available) - 1) : masks.lineFeeds;
    if (!lineFeeds) break;
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

/// Decodes plain hit lines without count for takeDecodedHits. `Whole` (made from
/// the store, its room and its count of lines) may decode whole blocks.
template <typename Classify, typename Whole = NoWholeBlocks>
[[gnu::always_inline]] inline DecodedLines decodeBlocks(std::string_view bytes, uint32_t *out,
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

/// The scan over blocks of 64 bytes, each starting at a line: the lines that end
/// inside a block are taken from its masks, the next block starts at the first
/// line not taken. A line that does not end within 64 bytes is not a plain hit line.
template <typename Classify, bool kFiltered, typename Whole = NoWholeBlocks>
[[gnu::always_inline]] inline HitScan scanBlocks(std::string_view bytes, bool countOriented,
                                                 TraceHit *out, std::size_t capacity,
                                                 const HitScanFilter *filter) {
  HitSink<kFiltered> sink(out, capacity, filter, countOriented);
  // Lines without count whose hits would all be left out may be taken a block at
  // a time.
  Whole whole(sink, countOriented ? nullptr : filter);
  const auto *begin = reinterpret_cast<const unsigned char *>(bytes.data());
  const unsigned char *const end = begin + bytes.size();
  const unsigned char *p = begin;
  // The scan is full once the store has no room left, whatever follows.
  bool full = !sink.hasRoom();
  while (p < end && !full) {
    const BlockMasks masks = Classify()(p);
    const auto available = static_cast<std::size_t>(end - p);
    // Line ends past the bytes (in the padding) do not count.
    const uint64_t lineFeeds =
        available < 64 ? masks.lineFeeds & ((uint64_t{1} << available) - 1) : masks.lineFeeds;
    if (!lineFeeds) break;
    unsigned s = 0;
    bool stop = false;
    if (!countOriented) {
      // The whole block is checked at once; each line is only decoded.
      uint64_t ends = plainLineEnds(masks, lineFeeds);
      stop = ends != lineFeeds;
      if (ends) {
        s = whole(p, ends);
        if (s) ends = 0;
      }
      while (ends) {
        const unsigned e = static_cast<unsigned>(__builtin_ctzll(ends));
        const uint8_t kind = kHitKinds[p[s + 1]];
        if (!kind) {
          stop = true;
          break;
        }
        sink.take(kind, Classify::decode(p + s + 3, e - s - 3), 1);
        ends &= ends - 1;
        s = e + 1;
        if (!sink.hasRoom()) {
          full = true;
          break;
        }
      }
    } else {
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
    }
    p += s;
    if (stop || s == 0) break;
  }
  return HitScan{sink.finish(), static_cast<std::size_t>(p - begin), full};
}

/// The 16 or 32 bits of a vector compare, at their place among 64.
[[gnu::target("sse2")]] inline uint64_t bits16(__m128i compared, int part) {
  return static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(compared))) << (16 * part);
}
[[gnu::target("avx2")]] inline uint64_t bits32(__m256i compared, int part) {
  return static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(compared)))
         << (32 * part);
}

struct ClassifySse2 {
  static uint32_t decode(const unsigned char *p, unsigned digits) {
    return decodeDigits(p, digits);
  }
  [[gnu::target("sse2")]] BlockMasks operator()(const unsigned char *p) const {
    const __m128i zero = _mm_set1_epi8('0'), nine = _mm_set1_epi8(9);
    const __m128i lowA = _mm_set1_epi8('a'), five = _mm_set1_epi8(5), lower = _mm_set1_epi8(0x20);
    BlockMasks masks{0, 0, 0, 0};
    uint64_t digits = 0;
    for (int part = 0; part < 4; ++part) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * part));
      // x <= n (unsigned) is min(x, n) == x.
      const __m128i decimal = _mm_sub_epi8(v, zero);
      const __m128i letter = _mm_sub_epi8(_mm_or_si128(v, lower), lowA);
      const __m128i isDigit = _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(decimal, nine), decimal),
                                           _mm_cmpeq_epi8(_mm_min_epu8(letter, five), letter));
      masks.lineFeeds |= bits16(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')), part);
      masks.tees |= bits16(_mm_cmpeq_epi8(v, _mm_set1_epi8('T')), part);
      masks.spaces |= bits16(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')), part);
      digits |= bits16(isDigit, part);
    }
    masks.nonDigits = ~digits;
    return masks;
  }
};

struct ClassifyAvx2 {
  static uint32_t decode(const unsigned char *p, unsigned digits) {
    return decodeDigits(p, digits);
  }
  [[gnu::target("avx2")]] BlockMasks operator()(const unsigned char *p) const {
    const __m256i zero = _mm256_set1_epi8('0'), nine = _mm256_set1_epi8(9);
    const __m256i lowA = _mm256_set1_epi8('a'), five = _mm256_set1_epi8(5);
    const __m256i lower = _mm256_set1_epi8(0x20);
    BlockMasks masks{0, 0, 0, 0};
    uint64_t digits = 0;
    for (int part = 0; part < 2; ++part) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + 32 * part));
      const __m256i decimal = _mm256_sub_epi8(v, zero);
      const __m256i letter = _mm256_sub_epi8(_mm256_or_si256(v, lower), lowA);
      const __m256i isDigit =
          _mm256_or_si256(_mm256_cmpeq_epi8(_mm256_min_epu8(decimal, nine), decimal),
                          _mm256_cmpeq_epi8(_mm256_min_epu8(letter, five), letter));
      masks.lineFeeds |= bits32(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('\n')), part);
      masks.tees |= bits32(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('T')), part);
      masks.spaces |= bits32(_mm256_cmpeq_epi8(v, _mm256_set1_epi8(' ')), part);
      digits |= bits32(isDigit, part);
    }
    masks.nonDigits = ~digits;
    return masks;
  }
};

/// AVX2 with the nibbles gathered by PEXT, on processors where it is quick.
struct ClassifyAvx2Pext : ClassifyAvx2 {
  [[gnu::target("bmi2")]] static uint32_t decode(const unsigned char *p, unsigned digits) {
    return decodeDigitsPext(p, digits);
  }
};

struct ClassifyAvx512 {
  /// Every processor with AVX-512 extracts bits quickly (PEXT).
  [[gnu::target("bmi2")]] static uint32_t decode(const unsigned char *p, unsigned digits) {
    return decodeDigitsPext(p, digits);
  }
  [[gnu::target("avx512f,avx512bw")]] BlockMasks operator()(const unsigned char *p) const {
    const __m512i v = _mm512_loadu_si512(p);
    const __m512i decimal = _mm512_sub_epi8(v, _mm512_set1_epi8('0'));
    const __m512i letter =
        _mm512_sub_epi8(_mm512_or_si512(v, _mm512_set1_epi8(0x20)), _mm512_set1_epi8('a'));
    const uint64_t digits = _mm512_cmplt_epu8_mask(decimal, _mm512_set1_epi8(10)) |
                            _mm512_cmplt_epu8_mask(letter, _mm512_set1_epi8(6));
    return BlockMasks{_mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('\n')), ~digits,
                      _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('T')),
                      _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(' '))};
  }
};

/// Byte tables of the whole-block decoding: byte 8j + k of lane j.
constexpr std::array<uint8_t, 64> kByteTable(uint8_t (*value)(unsigned lane, unsigned byte)) {
  std::array<uint8_t, 64> table{};
  for (unsigned i = 0; i < 64; ++i)
    table[i] = value(i / 8, i % 8);
  return table;
}
/// Every byte: its position.
alignas(64) constexpr std::array<uint8_t, 64> kIota = kByteTable([](unsigned lane, unsigned byte) {
  return static_cast<uint8_t>(8 * lane + byte);
});
/// Every byte of lane j: j (the line of the lane).
alignas(64) constexpr std::array<uint8_t, 64> kLaneLines = kByteTable([](unsigned lane, unsigned) {
  return static_cast<uint8_t>(lane);
});
/// Byte k of a lane: the offset of the line's digit k (after "TB ").
alignas(64) constexpr std::array<uint8_t, 64> kDigitOffsets =
    kByteTable([](unsigned, unsigned byte) { return static_cast<uint8_t>(3 + byte); });
/// Bytes 0 to 3 of lane j: the low bytes of the lane's four 16-bit words.
alignas(64) constexpr std::array<uint8_t, 64> kLowBytesOfWords = kByteTable([](unsigned lane,
                                                                               unsigned byte) {
  return static_cast<uint8_t>(8 * lane + 2 * byte);
});
/// By the low four bits of a kind letter: the letter (P, A, B, E), 0 for none.
alignas(64) constexpr std::array<uint8_t, 64> kKindLetters =
    kByteTable([](unsigned lane, unsigned byte) -> uint8_t {
      constexpr uint8_t letters[16] = {'P', 'A', 'B', 0, 0, 'E'};
      return letters[(8 * lane + byte) % 16];
    });
/// The same for the trace kind of the letter.
alignas(64) constexpr std::array<uint8_t, 64> kKindOfLetters =
    kByteTable([](unsigned lane, unsigned byte) -> uint8_t {
      constexpr uint8_t kinds[16] = {KindProcPoint, KindCall, KindBlock, 0, 0, KindCondition};
      return kinds[(8 * lane + byte) % 16];
    });

/// The same tables for sixteen lanes of four bytes: every byte of lane j: j.
alignas(64) constexpr std::array<uint8_t, 64> kLaneLines16 = [] {
  std::array<uint8_t, 64> table{};
  for (unsigned i = 0; i < 64; ++i)
    table[i] = static_cast<uint8_t>(i / 4);
  return table;
}();
/// Byte k of a lane: the offset of the line's digit k.
alignas(64) constexpr std::array<uint8_t, 64> kDigitOffsets16 = [] {
  std::array<uint8_t, 64> table{};
  for (unsigned i = 0; i < 64; ++i)
    table[i] = static_cast<uint8_t>(3 + i % 4);
  return table;
}();
/// Bytes 0 and 1 of lane j: the low bytes of the lane's two 16-bit words.
alignas(64) constexpr std::array<uint8_t, 64> kLowBytesOfWords16 = [] {
  std::array<uint8_t, 64> table{};
  for (unsigned i = 0; i < 64; ++i)
    table[i] = static_cast<uint8_t>(i / 4 * 4 + (i % 4 == 1 ? 2 : 0));
  return table;
}();

#define ZELTOCOV_VBMI_TARGET "avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi2,popcnt"

// GCC 12's headers fill the lanes that masks leave out from an undefined vector,
// which it then takes for an uninitialized variable.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

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

/// With AVX-512 VBMI2: the lines of a block decoded all at once (in sixteen lanes,
/// or eight at a time for long IDs) and checked against the settled bits all at
/// once (the words picked from vectors, or gathered). A block whose lines would
/// all be left out by the sink, on settled branches or of kinds not counted, is
/// taken whole; any other block is left to the line-by-line taking (a first hit,
/// a hit the dense slots cannot place, a letter that is no kind).
class WholeSettledBlocks {
public:
  [[gnu::target(ZELTOCOV_VBMI_TARGET)]] explicit WholeSettledBlocks(SettledSink &sink)
      : sink_(sink) {
    alignas(64) uint64_t dense[8] = {}, settled[8] = {}, counted[8] = {};
    for (unsigned kind = KindProcPoint; kind <= KindCondition; ++kind) {
      const KindCheck &check = sink.check(kind);
      dense[kind] = check.denseSize;
      settled[kind] = reinterpret_cast<uintptr_t>(check.settled);
      counted[kind] = sink.counted() >> kind & 1u;
      const std::size_t words = std::min<std::size_t>((check.denseSize + 63) / 64, 8);
      fewWords_ = fewWords_ && (check.denseSize + 63) / 64 <= 8;
      wordMask_[kind] = static_cast<__mmask8>((1u << words) - 1);
      // Two 32-bit words to each word of settled bits.
      dwordMask_[kind] = static_cast<__mmask16>((1u << (2 * words)) - 1);
    }
    denseSizes_ = _mm512_load_si512(dense);
    settledWords_ = _mm512_load_si512(settled);
    countedKinds_ = _mm512_load_si512(counted);
    // The same by lanes of 32 bits (sizes past 2^32 - 1 saturate).
    denseSizes32_ = _mm512_zextsi256_si512(_mm512_cvtusepi64_epi32(denseSizes_));
    countedKinds32_ = _mm512_zextsi256_si512(_mm512_cvtepi64_epi32(countedKinds_));
  }

  /// Takes the lines of the block at `p` that end at `ends` (not 0; plain hit
  /// lines as far as the block's masks tell): their bytes, or 0 when they are left
  /// to the line-by-line taking.
  [[gnu::target(ZELTOCOV_VBMI_TARGET)]] unsigned operator()(const unsigned char *p, uint64_t ends) {
    uint32_t lastId = 0;
    unsigned lastKind = 0;
    const BlockLines lines(p, ends);
    __m512i kinds16, ids16;
    __mmask16 lanes16;
    switch (decodeSixteenLanes(lines, kinds16, ids16, lanes16)) {
    case SixteenLanes::Decoded:
      if (!sixteenLeftOut(kinds16, ids16, lanes16, lastId, lastKind)) return 0;
      break;
    case SixteenLanes::NoKind:
      return 0;
    case SixteenLanes::LongIds:
      for (unsigned first = 0; first < lines.lines; first += 8) {
        __m512i kinds, ids;
        __mmask8 lanes;
        if (!decodeEightLanes(lines, first, kinds, ids, lanes) ||
            !leftOut(kinds, ids, lanes, lastId, lastKind))
          return 0;
      }
      break;
    }
    if (lastKind) sink_.noteDropped(lastKind, lastId);
    return lines.bytes;
  }

  /// The lines of a block decoded in sixteen lanes (decodeSixteenLanes) and
  /// checked as leftOut checks them: whether they are all left out (the last
  /// counted one in lastId and lastKind), false when some line is to be taken.
  [[gnu::target(ZELTOCOV_VBMI_TARGET)]] bool sixteenLeftOut(__m512i kinds, __m512i ids,
                                                            __mmask16 lanes, uint32_t &lastId,
                                                            unsigned &lastKind) const {
    if (fewWords_) return leftOut16(kinds, ids, lanes, lastId, lastKind);
    // Settled bits gathered: eight lanes of 64 bits at a time.
    for (unsigned half = 0; half < 2 && (lanes >> (8 * half)); ++half) {
      const __m256i kindsHalf =
          half ? _mm512_extracti64x4_epi64(kinds, 1) : _mm512_castsi512_si256(kinds);
      const __m256i idsHalf =
          half ? _mm512_extracti64x4_epi64(ids, 1) : _mm512_castsi512_si256(ids);
      const auto halfLanes = static_cast<__mmask8>(lanes >> (8 * half));
      if (!leftOut(_mm512_cvtepu32_epi64(kindsHalf), _mm512_cvtepu32_epi64(idsHalf), halfLanes,
                   lastId, lastKind))
        return false;
    }
    return true;
  }

  /// leftOut for sixteen lanes of 32 bits, when every kind's settled bits fit in
  /// a vector.
  [[gnu::target(ZELTOCOV_VBMI_TARGET)]] bool leftOut16(__m512i kinds, __m512i ids, __mmask16 lanes,
                                                       uint32_t &lastId, unsigned &lastKind) const {
    const __m512i kindCounted = _mm512_permutexvar_epi32(kinds, countedKinds32_);
    const __mmask16 counted = _mm512_mask_test_epi32_mask(lanes, kindCounted, kindCounted);
    const __mmask16 dense =
        _mm512_mask_cmplt_epu32_mask(counted, ids, _mm512_permutexvar_epi32(kinds, denseSizes32_));
    const __m512i word = _mm512_srli_epi32(ids, 5);
    __m512i settledWords = _mm512_setzero_si512();
    for (unsigned kind = KindProcPoint; kind <= KindCondition; ++kind)
      settledWords = _mm512_mask_permutexvar_epi32(
          settledWords, _mm512_mask_cmpeq_epi32_mask(dense, kinds, _mm512_set1_epi32(kind)), word,
          _mm512_maskz_loadu_epi32(dwordMask_[kind], sink_.check(kind).settled));
    const __mmask16 settled = _mm512_mask_test_epi32_mask(
        dense, _mm512_srlv_epi32(settledWords, _mm512_and_si512(ids, _mm512_set1_epi32(31))),
        _mm512_set1_epi32(1));
    if (settled != counted) return false;
    if (counted) lastLaneOf(counted, kinds, ids, lastKind, lastId);
    return true;
  }

  /// Whether the `lanes` of eight lines of `kinds` and `ids` (qword lanes) are all
  /// of kinds not counted or on settled branches; the last of them counted, if
  /// any, goes to `lastId` and `lastKind`.
  [[gnu::target(ZELTOCOV_VBMI_TARGET)]] bool leftOut(__m512i kinds, __m512i ids, __mmask8 lanes,
                                                     uint32_t &lastId, unsigned &lastKind) const {
    // Lines of counted kinds, on dense slots, on settled branches.
    const __m512i kindCounted = _mm512_permutexvar_epi64(kinds, countedKinds_);
    const __mmask8 counted = _mm512_mask_test_epi64_mask(lanes, kindCounted, kindCounted);
    const __mmask8 dense =
        _mm512_mask_cmplt_epu64_mask(counted, ids, _mm512_permutexvar_epi64(kinds, denseSizes_));
    __m512i settledWords;
    if (fewWords_) {
      // Each kind's settled bits fit in a vector: the words are picked from them.
      const __m512i word = _mm512_srli_epi64(ids, 6);
      settledWords = _mm512_setzero_si512();
      for (unsigned kind = KindProcPoint; kind <= KindCondition; ++kind)
        settledWords = _mm512_mask_permutexvar_epi64(
            settledWords, _mm512_mask_cmpeq_epi64_mask(dense, kinds, _mm512_set1_epi64(kind)), word,
            _mm512_maskz_loadu_epi64(wordMask_[kind], sink_.check(kind).settled));
    } else {
      const __m512i words = _mm512_add_epi64(_mm512_permutexvar_epi64(kinds, settledWords_),
                                             _mm512_slli_epi64(_mm512_srli_epi64(ids, 6), 3));
      settledWords = _mm512_mask_i64gather_epi64(_mm512_setzero_si512(), dense, words, nullptr, 1);
    }
    const __mmask8 settled = _mm512_mask_test_epi64_mask(
        dense, _mm512_srlv_epi64(settledWords, _mm512_and_si512(ids, _mm512_set1_epi64(63))),
        _mm512_set1_epi64(1));
    if (settled != counted) return false;
    if (counted) {
      const __m512i lane = _mm512_set1_epi64(31 - __builtin_clz(counted));
      lastId = static_cast<uint32_t>(
          _mm_cvtsi128_si64(_mm512_castsi512_si128(_mm512_permutexvar_epi64(lane, ids))));
      lastKind = static_cast<unsigned>(
          _mm_cvtsi128_si64(_mm512_castsi512_si128(_mm512_permutexvar_epi64(lane, kinds))));
    }
    return true;
  }

private:
  SettledSink &sink_;
  /// By kind (lane): the dense slots' count, the address of the settled bits,
  /// 1 when the model counts the kind.
  __m512i denseSizes_;
  __m512i settledWords_;
  __m512i countedKinds_;
  /// Every kind's settled bits are at most 8 words (`wordMask_` of them, by kind).
  bool fewWords_ = true;
  __mmask8 wordMask_[5] = {};
  /// The same by lanes of 32 bits.
  __m512i denseSizes32_;
  __m512i countedKinds32_;
  __mmask16 dwordMask_[5] = {};
};

/// With AVX-512 VBMI2, for the cleaned trace: the lines of a block decoded in
/// sixteen lanes and checked all at once against what the store would leave out
/// (a branch the cleaned trace keeps already, and a settled one if the model
/// counts its kind). Nothing of that changes during a scan, so a bit per ID tells
/// it, made once per scan; taken when every kind's counters number 512 at most.
class WholeKeptBlocks {
public:
  [[gnu::target(ZELTOCOV_VBMI_TARGET)]] WholeKeptBlocks(HitSink<true> &sink,
                                                        const HitScanFilter *filter)
      : sink_(sink) {
    if (!filter || !filter->cleaning) return;
    alignas(64) uint32_t counted[16] = {};
    __m512i bits[4];
    const __m512i wordIds =
        _mm512_mullo_epi32(_mm512_set_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0),
                           _mm512_set1_epi32(32));
    for (unsigned k = 0; k < 4; ++k) {
      const std::size_t kept = filter->kept[k] ? filter->keptSize[k] : 0;
      if (kept > 512 || (kept && !filter->keptBits[k])) return;
      counted[k + 1] = filter->kinds >> k & 1u;
      const auto keptWords = static_cast<__mmask16>((1u << ((kept + 31) / 32)) - 1);
      bits[k] = _mm512_maskz_loadu_epi32(keptWords, filter->keptBits[k]);
      if (!counted[k + 1]) continue;
      // Counted kinds: only the settled branches of dense slots.
      const std::size_t dense = std::min<std::size_t>(filter->denseSize[k], 512);
      const auto denseWords = static_cast<__mmask16>((1u << ((dense + 31) / 32)) - 1);
      // Bits of each word below the dense size: 32 - (size - first ID) shifted out.
      const __m512i below = _mm512_min_epi32(
          _mm512_max_epi32(_mm512_sub_epi32(_mm512_set1_epi32(static_cast<int>(dense)), wordIds),
                           _mm512_setzero_si512()),
          _mm512_set1_epi32(32));
      const __m512i denseBits =
          _mm512_srlv_epi32(_mm512_set1_epi32(-1), _mm512_sub_epi32(_mm512_set1_epi32(32), below));
      bits[k] = _mm512_and_si512(
          bits[k],
          _mm512_and_si512(denseBits, _mm512_maskz_loadu_epi32(denseWords, filter->settled[k])));
    }
    lowKinds_[0] = bits[0];
    lowKinds_[1] = bits[1];
    highKinds_[0] = bits[2];
    highKinds_[1] = bits[3];
    countedKinds_ = _mm512_load_si512(counted);
    enabled_ = true;
  }

  /// Takes the lines of the block at `p` that end at `ends` (not 0): their bytes,
  /// or 0 when they are left to the line-by-line taking.
  [[gnu::target(ZELTOCOV_VBMI_TARGET)]] unsigned operator()(const unsigned char *p, uint64_t ends) {
    if (!enabled_) return 0;
    const BlockLines lines(p, ends);
    __m512i kinds, ids;
    __mmask16 lanes;
    if (decodeSixteenLanes(lines, kinds, ids, lanes) != SixteenLanes::Decoded ||
        !leftOut(kinds, ids, lanes))
      return 0;
    return lines.bytes;
  }

  /// Whether the `lanes` of `kinds` and `ids` (lanes of 32 bits, kinds 1 to 4)
  /// are all left out; the last of them counted is noted as dropped.
  [[gnu::target(ZELTOCOV_VBMI_TARGET)]] bool leftOut(__m512i kinds, __m512i ids, __mmask16 lanes) {
    // Word ID / 32 of the kind's bits: kinds 1 and 3 in the first 16 words of a
    // pair of tables, kinds 2 and 4 in the next 16.
    const __m512i word = _mm512_or_si512(
        _mm512_srli_epi32(ids, 5),
        _mm512_slli_epi32(
            _mm512_and_si512(_mm512_sub_epi32(kinds, _mm512_set1_epi32(1)), _mm512_set1_epi32(1)),
            4));
    const __m512i words =
        _mm512_mask_blend_epi32(_mm512_cmpgt_epu32_mask(kinds, _mm512_set1_epi32(2)),
                                _mm512_permutex2var_epi32(lowKinds_[0], word, lowKinds_[1]),
                                _mm512_permutex2var_epi32(highKinds_[0], word, highKinds_[1]));
    const __mmask16 left = _mm512_mask_test_epi32_mask(
        _mm512_mask_cmplt_epu32_mask(lanes, ids, _mm512_set1_epi32(512)),
        _mm512_srlv_epi32(words, _mm512_and_si512(ids, _mm512_set1_epi32(31))),
        _mm512_set1_epi32(1));
    if (left != lanes) return false;
    const __m512i kindCounted = _mm512_permutexvar_epi32(kinds, countedKinds_);
    const __mmask16 counted = _mm512_mask_test_epi32_mask(lanes, kindCounted, kindCounted);
    if (counted) {
      unsigned kind;
      uint32_t id;
      lastLaneOf(counted, kinds, ids, kind, id);
      sink_.noteDropped(kind, id);
    }
    return true;
  }

  bool enabled() const { return enabled_; }

private:
  HitSink<true> &sink_;
  bool enabled_ = false;
  /// By kind, bit ID set when a hit on ID is left out: kinds 1 and 2, then 3 and 4.
  __m512i lowKinds_[2];
  __m512i highKinds_[2];
  /// 1 at the index of each kind the model counts.
  __m512i countedKinds_;
};

[[gnu::target("sse2"), gnu::flatten]] HitScan scanSse2(std::string_view bytes, bool countOriented,
                                                       TraceHit *out, std::size_t capacity,
                                                       const HitScanFilter *filter) {
  if (filter && !filter->cleaning && !countOriented)
    return scanSettledBlocks<ClassifySse2>(bytes, out, capacity, *filter);
  return filter ? scanBlocks<ClassifySse2, true>(bytes, countOriented, out, capacity, filter)
                : scanBlocks<ClassifySse2, false>(bytes, countOriented, out, capacity, filter);
}

[[gnu::target("avx2"), gnu::flatten]] HitScan scanAvx2(std::string_view bytes, bool countOriented,
                                                       TraceHit *out, std::size_t capacity,
                                                       const HitScanFilter *filter) {
  if (filter && !filter->cleaning && !countOriented)
    return scanSettledBlocks<ClassifyAvx2>(bytes, out, capacity, *filter);
  return filter ? scanBlocks<ClassifyAvx2, true>(bytes, countOriented, out, capacity, filter)
                : scanBlocks<ClassifyAvx2, false>(bytes, countOriented, out, capacity, filter);
}

[[gnu::target("avx2,bmi2"), gnu::flatten]] HitScan scanAvx2Pext(std::string_view bytes,
                                                                bool countOriented, TraceHit *out,
                                                                std::size_t capacity,
                                                                const HitScanFilter *filter) {
  if (filter && !filter->cleaning && !countOriented)
    return scanSettledBlocks<ClassifyAvx2Pext>(bytes, out, capacity, *filter);
  return filter ? scanBlocks<ClassifyAvx2Pext, true>(bytes, countOriented, out, capacity, filter)
                : scanBlocks<ClassifyAvx2Pext, false>(bytes, countOriented, out, capacity, filter);
}

[[gnu::target("avx512f,avx512bw,bmi2"), gnu::flatten]] HitScan
scanAvx512(std::string_view bytes, bool countOriented, TraceHit *out, std::size_t capacity,
           const HitScanFilter *filter) {
  if (filter && !filter->cleaning && !countOriented)
    return scanSettledBlocks<ClassifyAvx512>(bytes, out, capacity, *filter);
  return filter ? scanBlocks<ClassifyAvx512, true>(bytes, countOriented, out, capacity, filter)
                : scanBlocks<ClassifyAvx512, false>(bytes, countOriented, out, capacity, filter);
}

[[gnu::target("sse2"), gnu::flatten]] DecodedLines decodeSse2(std::string_view bytes, uint32_t *out,
                                                              std::size_t capacity) {
  return decodeBlocks<ClassifySse2>(bytes, out, capacity);
}

[[gnu::target("avx2"), gnu::flatten]] DecodedLines decodeAvx2(std::string_view bytes, uint32_t *out,
                                                              std::size_t capacity) {
  return decodeBlocks<ClassifyAvx2>(bytes, out, capacity);
}

[[gnu::target("avx2,bmi2"), gnu::flatten]] DecodedLines
decodeAvx2Pext(std::string_view bytes, uint32_t *out, std::size_t capacity) {
  return decodeBlocks<ClassifyAvx2Pext>(bytes, out, capacity);
}

[[gnu::target("avx512f,avx512bw,bmi2"), gnu::flatten]] DecodedLines
decodeAvx512(std::string_view bytes, uint32_t *out, std::size_t capacity) {
  return decodeBlocks<ClassifyAvx512>(bytes, out, capacity);
}

/// With AVX-512 VBMI2: the lines of a block decoded in sixteen lanes and stored
/// at once when the room left holds them all; a block with a letter that is no
/// kind or an ID of more than four digits is left to the line-by-line decoding.
class WholeDecodedBlocks {
public:
  WholeDecodedBlocks(uint32_t *out, std::size_t capacity, std::size_t &lines)
      : out_(out), capacity_(capacity), lines_(lines) {}

  [[gnu::target(ZELTOCOV_VBMI_TARGET)]] unsigned operator()(const unsigned char *p, uint64_t ends) {
    if (capacity_ - lines_ < static_cast<std::size_t>(__builtin_popcountll(ends))) return 0;
    const BlockLines lines(p, ends);
    __m512i kinds, ids;
    __mmask16 lanes;
    if (decodeSixteenLanes(lines, kinds, ids, lanes) != SixteenLanes::Decoded) return 0;
    // IDs of four digits are far below the decoded lines' limit.
    _mm512_mask_storeu_epi32(out_ + lines_, lanes,
                             _mm512_or_si512(_mm512_slli_epi32(kinds, kDecodedKindShift), ids));
    lines_ += lines.lines;
    return lines.bytes;
  }

private:
  uint32_t *out_;
  std::size_t capacity_;
  /// Lines stored so far.
  std::size_t &lines_;
};

[[gnu::target(ZELTOCOV_VBMI_TARGET), gnu::flatten]] DecodedLines
decodeAvx512Vbmi(std::string_view bytes, uint32_t *out, std::size_t capacity) {
  return decodeBlocks<ClassifyAvx512, WholeDecodedBlocks>(bytes, out, capacity);
}

/// takeDecodedHits with AVX-512 VBMI2: eight lines whose hits would all be left
/// out are taken at once.
[[gnu::target(ZELTOCOV_VBMI_TARGET), gnu::flatten]] DecodedTake
takeDecodedVbmi(const uint32_t *decoded, std::size_t count, TraceHit *out, std::size_t capacity,
                const HitScanFilter &filter) {
  SettledSink sink(out, capacity, filter);
  const WholeSettledBlocks whole(sink);
  std::size_t lines = 0;
  bool full = sink.full();
  while (lines < count && !full) {
    if (count - lines >= 8) {
      const __m512i eight = _mm512_cvtepu32_epi64(
          _mm256_loadu_si256(reinterpret_cast<const __m256i *>(decoded + lines)));
      const __m512i kinds = _mm512_srli_epi64(eight, kDecodedKindShift);
      const __m512i ids = _mm512_and_si512(eight, _mm512_set1_epi64(kDecodedIdLimit - 1));
      uint32_t lastId = 0;
      unsigned lastKind = 0;
      if (whole.leftOut(kinds, ids, 0xFF, lastId, lastKind)) {
        if (lastKind) sink.noteDropped(lastKind, lastId);
        lines += 8;
        continue;
      }
    }
    for (const std::size_t stop = std::min(count, lines + 8); lines < stop && !full;) {
      const uint32_t line = decoded[lines++];
      full = !sink.take(decodedKind(line), decodedId(line));
    }
  }
  return DecodedTake{sink.finish(), lines};
}

/// takeDecodedHits with AVX-512 VBMI2, for the cleaned trace: sixteen lines
/// whose hits would all be left out are taken at once.
[[gnu::target(ZELTOCOV_VBMI_TARGET), gnu::flatten]] DecodedTake
takeDecodedKeptVbmi(const uint32_t *decoded, std::size_t count, TraceHit *out, std::size_t capacity,
                    const HitScanFilter &filter) {
  HitSink<true> sink(out, capacity, &filter, false);
  WholeKeptBlocks whole(sink, &filter);
  std::size_t lines = 0;
  while (lines < count && sink.hasRoom()) {
    if (whole.enabled() && count - lines >= 16) {
      const __m512i sixteen = _mm512_loadu_si512(decoded + lines);
      if (whole.leftOut(_mm512_srli_epi32(sixteen, kDecodedKindShift),
                        _mm512_and_si512(sixteen, _mm512_set1_epi32(kDecodedIdLimit - 1)),
                        0xFFFF)) {
        lines += 16;
        continue;
      }
    }
    for (const std::size_t stop = std::min(count, lines + 16); lines < stop && sink.hasRoom();) {
      const uint32_t line = decoded[lines++];
      sink.take(static_cast<uint8_t>(decodedKind(line)), decodedId(line), 1);
    }
  }
  return DecodedTake{sink.finish(), lines};
}

[[gnu::target(ZELTOCOV_VBMI_TARGET), gnu::flatten]] HitScan
scanAvx512Vbmi(std::string_view bytes, bool countOriented, TraceHit *out, std::size_t capacity,
               const HitScanFilter *filter) {
  if (filter && !filter->cleaning && !countOriented)
    return scanSettledBlocks<ClassifyAvx512, WholeSettledBlocks>(bytes, out, capacity, *filter);
  return filter ? scanBlocks<ClassifyAvx512, true, WholeKeptBlocks>(bytes, countOriented, out,
                                                                    capacity, filter)
                : scanBlocks<ClassifyAvx512, false>(bytes, countOriented, out, capacity, filter);
}

#pragma GCC diagnostic pop

#endif // ZELTOCOV_X86_VECTORS

/// Whether PEXT is quick here: it is on every processor with it but AMD's before
/// family 19h (where it is microcoded).
bool quickPext() {
#ifdef ZELTOCOV_X86_VECTORS
  if (!__builtin_cpu_supports("bmi2")) return false;
  if (!__builtin_cpu_is("amd")) return true;
  unsigned eax, ebx, ecx, edx;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  unsigned family = eax >> 8 & 0xF;
  if (family == 0xF) family += eax >> 20 & 0xFF;
  return family >= 0x19;
#else
  return false;
#endif
}

HitScanPath chooseBestPath() {
  // The SSE2 path is slower than the plain one where IDs have the same few
  // digits in a row (the byte loop's branches are then well predicted): without
  // AVX2 the plain path is taken.
  for (HitScanPath path :
       {HitScanPath::Avx512Vbmi, HitScanPath::Avx512, HitScanPath::Avx2Pext, HitScanPath::Avx2})
    if (hitScanPathAvailable(path)) return path;
  return HitScanPath::Plain;
}

} // namespace

bool hitScanPathAvailable(HitScanPath path) {
  switch (path) {
  case HitScanPath::Plain:
    return true;
#ifdef ZELTOCOV_X86_VECTORS
  case HitScanPath::Sse2:
    return __builtin_cpu_supports("sse2");
  case HitScanPath::Avx2:
    return __builtin_cpu_supports("avx2");
  case HitScanPath::Avx2Pext:
    return __builtin_cpu_supports("avx2") && quickPext();
  case HitScanPath::Avx512:
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("bmi2");
  case HitScanPath::Avx512Vbmi:
    return hitScanPathAvailable(HitScanPath::Avx512) && __builtin_cpu_supports("avx512vbmi") &&
           __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("popcnt");
#endif
  default:
    return false;
  }
}

std::vector<HitScanPath> availableHitScanPaths() {
  std::vector<HitScanPath> paths;
  for (HitScanPath path : {HitScanPath::Plain, HitScanPath::Sse2, HitScanPath::Avx2,
                           HitScanPath::Avx2Pext, HitScanPath::Avx512, HitScanPath::Avx512Vbmi})
    if (hitScanPathAvailable(path)) paths.push_back(path);
  return paths;
}

HitScanPath bestHitScanPath() {
  static const HitScanPath best = chooseBestPath();
  return best;
}

const char *hitScanPathName(HitScanPath path) {
  switch (path) {
  case HitScanPath::Plain:
    return "plain";
  case HitScanPath::Sse2:
    return "SSE2";
  case HitScanPath::Avx2:
    return "AVX2";
  case HitScanPath::Avx2Pext:
    return "AVX2+PEXT";
  case HitScanPath::Avx512:
    return "AVX-512";
  case HitScanPath::Avx512Vbmi:
    return "AVX-512 VBMI2";
  }
  return "?";
}

void fillHitScanFilter(HitScanFilter &filter, SourceFile &file, unsigned kinds, bool pending) {
  filter = HitScanFilter{};
  filter.kinds = kinds;
  for (int k = 0; k < 4; ++k) {
    KindIndex &index = file.branchIndex[k];
    filter.dense[k] = index.dense.data();
    filter.denseSize[k] = index.dense.size();
    filter.settled[k] = index.settled.data();
    if (pending) filter.pending[k] = index.pending.data();
  }
}

HitScan scanHitLinesWith(HitScanPath path, std::string_view bytes, bool countOriented,
                         TraceHit *out, std::size_t capacity, const HitScanFilter *filter,
                         bool countRequired) {
  // Counted lines are rare enough that only the plain path tells them apart.
  if (countOriented && countRequired)
    return filter ? scanPlain<true>(bytes, countOriented, out, capacity, filter, true)
                  : scanPlain<false>(bytes, countOriented, out, capacity, filter, true);
  switch (path) {
#ifdef ZELTOCOV_X86_VECTORS
  case HitScanPath::Sse2:
    return scanSse2(bytes, countOriented, out, capacity, filter);
  case HitScanPath::Avx2:
    return scanAvx2(bytes, countOriented, out, capacity, filter);
  case HitScanPath::Avx2Pext:
    return scanAvx2Pext(bytes, countOriented, out, capacity, filter);
  case HitScanPath::Avx512:
    return scanAvx512(bytes, countOriented, out, capacity, filter);
  case HitScanPath::Avx512Vbmi:
    return scanAvx512Vbmi(bytes, countOriented, out, capacity, filter);
#endif
  default:
    return filter ? scanPlain<true>(bytes, countOriented, out, capacity, filter)
                  : scanPlain<false>(bytes, countOriented, out, capacity, filter);
  }
}

DecodedLines decodeHitLines(HitScanPath path, std::string_view bytes, uint32_t *out,
                            std::size_t capacity) {
  switch (path) {
#ifdef ZELTOCOV_X86_VECTORS
  case HitScanPath::Sse2:
    return decodeSse2(bytes, out, capacity);
  case HitScanPath::Avx2:
    return decodeAvx2(bytes, out, capacity);
  case HitScanPath::Avx2Pext:
    return decodeAvx2Pext(bytes, out, capacity);
  case HitScanPath::Avx512:
    return decodeAvx512(bytes, out, capacity);
  case HitScanPath::Avx512Vbmi:
    return decodeAvx512Vbmi(bytes, out, capacity);
#endif
  default:
    return decodePlain(bytes, out, capacity);
  }
}

DecodedTake takeDecodedHits(HitScanPath path, const uint32_t *decoded, std::size_t count,
                            TraceHit *out, std::size_t capacity, const HitScanFilter &filter) {
  if (filter.cleaning) {
#ifdef ZELTOCOV_X86_VECTORS
    if (path == HitScanPath::Avx512Vbmi)
      return takeDecodedKeptVbmi(decoded, count, out, capacity, filter);
#endif
    // As the block scan takes them, through the store that knows the cleaned trace.
    HitSink<true> sink(out, capacity, &filter, false);
    std::size_t lines = 0;
    while (lines < count && sink.hasRoom()) {
      const uint32_t line = decoded[lines++];
      sink.take(static_cast<uint8_t>(decodedKind(line)), decodedId(line), 1);
    }
    return DecodedTake{sink.finish(), lines};
  }
#ifdef ZELTOCOV_X86_VECTORS
  if (path == HitScanPath::Avx512Vbmi)
    return takeDecodedVbmi(decoded, count, out, capacity, filter);
#else
  (void)path;
#endif
  SettledSink sink(out, capacity, filter);
  std::size_t lines = 0;
  if (!sink.full())
    while (lines < count) {
      const uint32_t line = decoded[lines++];
      if (!sink.take(decodedKind(line), decodedId(line))) break;
    }
  return DecodedTake{sink.finish(), lines};
}

HitScan scanHitLines(std::string_view bytes, bool countOriented, TraceHit *out,
                     std::size_t capacity, const HitScanFilter *filter, bool countRequired) {
  return scanHitLinesWith(bestHitScanPath(), bytes, countOriented, out, capacity, filter,
                          countRequired);
}
