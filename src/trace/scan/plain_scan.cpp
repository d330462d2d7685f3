// The plain path: plain hit lines read byte by byte, each byte looked at only
// after the one before it matched, on every machine. The vector paths must take
// exactly what it takes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "trace/scan/hit_line_bytes.h"
#include "trace/scan/hit_sink.h"
#include "trace/scan/path_functions.h"
#include "trace/scan/settled_sink.h"

namespace hit_scan {

namespace {

/// Each instantiation stays a function of its own: inlined together into their
/// caller, they take about 1% more instructions.
template <bool kFiltered>
[[gnu::noinline]] HitScan scanPlain(std::string_view bytes, bool countOriented, TraceHit *out,
                                    std::size_t capacity, const HitScanFilter *filter,
                                    bool countRequired) {
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

HitScan scanPlainLines(std::string_view bytes, bool countOriented, TraceHit *out,
                       std::size_t capacity, const HitScanFilter *filter) {
  return scanPlainHitLines(bytes, countOriented, out, capacity, filter, false);
}

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

} // namespace

HitScan scanPlainHitLines(std::string_view bytes, bool countOriented, TraceHit *out,
                          std::size_t capacity, const HitScanFilter *filter, bool countRequired) {
  return filter ? scanPlain<true>(bytes, countOriented, out, capacity, filter, countRequired)
                : scanPlain<false>(bytes, countOriented, out, capacity, filter, countRequired);
}

DecodedTake takeDecodedLineByLine(const uint32_t *decoded, std::size_t count, TraceHit *out,
                                  std::size_t capacity, const HitScanFilter &filter) {
  std::size_t lines = 0;
  if (filter.cleaning) {
    // As the block scan takes them, through the store that knows the cleaned trace.
    HitSink<true> sink(out, capacity, &filter, false);
    while (lines < count && sink.hasRoom()) {
      const uint32_t line = decoded[lines++];
      sink.take(static_cast<uint8_t>(decodedKind(line)), decodedId(line), 1);
    }
    return DecodedTake{sink.finish(), lines};
  }
  SettledSink sink(out, capacity, filter);
  if (!sink.full())
    while (lines < count) {
      const uint32_t line = decoded[lines++];
      if (!sink.take(decodedKind(line), decodedId(line))) break;
    }
  return DecodedTake{sink.finish(), lines};
}

const PathFunctions kPlainPath = {scanPlainLines, decodePlain, takeDecodedLineByLine};

} // namespace hit_scan
