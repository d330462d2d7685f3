// What each path of the scan provides, as the dispatch (hit_line_scanner.cpp)
// calls it: one table of entry points per path, defined by the path's own file.
// The plain path is built everywhere; the vector paths only for x86 processors,
// where the dispatch finds at run time which of them the processor can take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "trace/hit_line_scanner.h"

#if defined(__x86_64__) || defined(__i386__)
#define ZELTOCOV_X86_VECTORS 1
#endif

namespace hit_scan {

/// The entry points of one path; each does what the function of the same name
/// in hit_line_scanner.h does. Scans that require counts are not among them:
/// they are rare enough that the plain path alone takes them (scanPlainHitLines).
struct PathFunctions {
  HitScan (*scan)(std::string_view bytes, bool countOriented, TraceHit *out, std::size_t capacity,
                  const HitScanFilter *filter);
  DecodedLines (*decode)(std::string_view bytes, uint32_t *out, std::size_t capacity);
  DecodedTake (*take)(const uint32_t *decoded, std::size_t count, TraceHit *out,
                      std::size_t capacity, const HitScanFilter &filter);
};

/// Byte by byte, on every machine (plain_scan.cpp).
extern const PathFunctions kPlainPath;
/// scanHitLines through the plain path, with `countRequired`.
HitScan scanPlainHitLines(std::string_view bytes, bool countOriented, TraceHit *out,
                          std::size_t capacity, const HitScanFilter *filter, bool countRequired);
/// takeDecodedHits line by line: the taking of every path without one of its own.
DecodedTake takeDecodedLineByLine(const uint32_t *decoded, std::size_t count, TraceHit *out,
                                  std::size_t capacity, const HitScanFilter &filter);

#ifdef ZELTOCOV_X86_VECTORS
/// The vector paths (x86/): each of HitScanPath's values but the plain one.
extern const PathFunctions kSse2Path;
extern const PathFunctions kAvx2Path;
extern const PathFunctions kAvx2PextPath;
extern const PathFunctions kAvx512Path;
extern const PathFunctions kAvx512VbmiPath;
#endif

} // namespace hit_scan
