// Hit lines taken straight from the read buffer. The bulk of a trace is plain hit
// lines ("TB 1a" and a line end); they are recognised, checked and decoded in one
// pass over the bytes, without cutting tokens. Every line that is not exactly of
// that form stops the scan and is left to the line-by-line reading, which applies
// the full token rules and gives the messages, so both read every line alike.
//
// Several implementations (paths) read the same lines: the plain one goes byte by
// byte; the vector ones classify 64 bytes at a time with vector compares (SSE2,
// AVX2 or AVX-512) and decode each ID from one 8-byte load, with no branch per
// digit. The fastest the processor has is chosen once at run time (the plain one
// without AVX2, or when ZELTOCOV_SCAN=plain asks for it: support/plain_reading.h).
// The vector paths need kHitScanPadding readable bytes after the bytes they are
// given.
//
// This file's functions are the dispatch; the paths are under scan/:
//   scan/plain_scan.cpp      the plain path
//   scan/block_scan.h        the block scan that every vector path shares
//   scan/hit_sink.h, scan/settled_sink.h   where the hits of a scan go
//   scan/x86/                each instruction set's classifier and entry points,
//                            and the whole-block takers of AVX-512 VBMI2
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "model/coverage_records.h"

/// Readable bytes that must follow the bytes given to a scan (the first of them
/// NUL); their values do not matter otherwise.
constexpr std::size_t kHitScanPadding = 64;

/// The implementations of the scan.
enum class HitScanPath : uint8_t {
  Plain,    ///< byte by byte, on every machine
  Sse2,     ///< 16-byte vectors
  Avx2,     ///< 32-byte vectors
  Avx2Pext, ///< 32-byte vectors, digits gathered with PEXT (where it is quick)
  Avx512,   ///< 64-byte vectors (AVX-512 BW), digits gathered with PEXT
  /// AVX-512 with VBMI2: besides, the lines of a block decoded and checked
  /// against the settled bits all at once
  Avx512Vbmi,
};

/// Every path, the plain one first.
constexpr HitScanPath kHitScanPaths[] = {HitScanPath::Plain,  HitScanPath::Sse2,
                                         HitScanPath::Avx2,   HitScanPath::Avx2Pext,
                                         HitScanPath::Avx512, HitScanPath::Avx512Vbmi};

/// Whether this build and processor can take a path.
bool hitScanPathAvailable(HitScanPath path);
/// The paths this build and processor can take, the plain one first.
std::vector<HitScanPath> availableHitScanPaths();
/// The fastest path available, chosen once (the plain one with the plain reading).
HitScanPath bestHitScanPath();
/// The path's name, for the measures.
const char *hitScanPathName(HitScanPath path);

/// Hits a scan may leave out because recording them would change nothing: in
/// the model, and with the cleaned trace in the hits kept for it.
struct HitScanFilter {
  /// Kinds whose hits the model counts: bit (kind - 1). Hits of other kinds do
  /// not reach the model.
  unsigned kinds = 0;
  /// Per kind (index kind - 1), the dense slots of the file-part's branch index,
  /// their count and their settled bits (KindIndex). A hit of count 1 that does
  /// not add, on a settled branch, changes nothing in the model; the last such hit
  /// left out before a hit that the dense slots cannot place, and the last one of
  /// the scan, is kept, so that the current service ends up the same as when
  /// every hit is marked.
  Branch *const *dense[4] = {};
  std::size_t denseSize[4] = {};
  uint64_t *settled[4] = {};
  /// When given (per kind, the KindIndex bits), the first such hit of a branch
  /// that a dense slot holds is not stored either: the scan sets its pending bit
  /// and its settled bit, and the model applies the pending hits later, all at
  /// once (HitRecorder::applyPendingHits). The same holds then as for a settled
  /// hit about the last one left out.
  uint64_t *pending[4] = {};
  /// The hits also go to the cleaned trace: a hit is left out only when the
  /// cleaned trace keeps its branch already (a counter not 0 among the `keptSize`
  /// counters of `kept`, which are the file-part's counters of a kind).
  bool cleaning = false;
  const uint32_t *kept[4] = {};
  std::size_t keptSize[4] = {};
  /// The same counters as bits (bit ID set: counter not 0), when given.
  const uint64_t *keptBits[4] = {};
};

/// Fills the model part of a filter for the hits of a file whose branch index is
/// built; with `pending`, first hits are left pending in the index.
void fillHitScanFilter(HitScanFilter &filter, SourceFile &file, unsigned kinds, bool pending);

/// What a scan took.
struct HitScan {
  /// Hits stored.
  std::size_t hits = 0;
  /// Bytes of the lines taken (also of those whose hits were dropped).
  std::size_t bytes = 0;
  /// The scan stopped because the hit store was full, not at a line it does not
  /// take or at the end of the bytes.
  bool full = false;
};

/// Decodes the plain hit lines at the start of `bytes` into `out` (at most
/// `capacity`; at least 2 with a filter). A plain hit line is one of TP, TA, TB, TE, one space,
/// an ID of 1 to 8 hexadecimal digits and LF; when `countOriented`, the ID may be
/// followed by one space and a count of 1 to 8 digits (an absent count counts 1;
/// with `countRequired` a line without count is not plain). The scan stops before the first other
/// line, and before a line that does not end within `bytes`; kHitScanPadding readable bytes must
/// follow `bytes`, the first of them NUL. With a filter hits that would change nothing are left out
/// (hits of count 0 always, settled branches only when not `countOriented`).
HitScan scanHitLines(std::string_view bytes, bool countOriented, TraceHit *out,
                     std::size_t capacity, const HitScanFilter *filter = nullptr,
                     bool countRequired = false);
/// The same through a given path (which must be available).
HitScan scanHitLinesWith(HitScanPath path, std::string_view bytes, bool countOriented,
                         TraceHit *out, std::size_t capacity, const HitScanFilter *filter = nullptr,
                         bool countRequired = false);

/// Plain hit lines decoded ahead of their recording, on another thread: each
/// line as `kind << kDecodedKindShift | id`, for IDs below kDecodedIdLimit.
constexpr unsigned kDecodedKindShift = 29;
constexpr uint32_t kDecodedIdLimit = uint32_t{1} << kDecodedKindShift;
/// A decoded line of a kind on an ID (below kDecodedIdLimit), and its kind and ID.
inline uint32_t decodedLine(unsigned kind, uint32_t id) {
  return uint32_t{kind} << kDecodedKindShift | id;
}
inline unsigned decodedKind(uint32_t line) {
  return line >> kDecodedKindShift;
}
inline uint32_t decodedId(uint32_t line) {
  return line & (kDecodedIdLimit - 1);
}

/// What a decoding took.
struct DecodedLines {
  /// Lines decoded.
  std::size_t lines = 0;
  /// Their bytes.
  std::size_t bytes = 0;
};

/// Decodes the plain hit lines without count at the start of `bytes` into `out`
/// (at most `capacity`), stopping before the first other line, the first line
/// with an ID of kDecodedIdLimit or more, and a line that does not end within
/// `bytes`. kHitScanPadding readable bytes must follow `bytes` (of any value).
DecodedLines decodeHitLines(HitScanPath path, std::string_view bytes, uint32_t *out,
                            std::size_t capacity);

/// What recording decoded lines took.
struct DecodedTake {
  /// Hits stored.
  std::size_t hits = 0;
  /// Decoded lines taken.
  std::size_t lines = 0;
};

/// Stores the hits of decoded lines (at most `capacity`, at least 2) exactly as
/// a scan of those lines with `filter` (not count-oriented) would:
/// the same hits stored and the same bits set (through `path`, which must be
/// available).
DecodedTake takeDecodedHits(HitScanPath path, const uint32_t *decoded, std::size_t count,
                            TraceHit *out, std::size_t capacity, const HitScanFilter &filter);
