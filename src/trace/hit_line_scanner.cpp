// The dispatch of the scan: which paths this build and processor can take, the
// one taken by default, and each call sent to its path's entry points. The paths
// themselves are under scan/: the plain one, the block scan that the vector paths
// share, and each instruction set's classifiers and whole-block takers (scan/x86/).
#include "trace/hit_line_scanner.h"

#include <iterator>

#include "support/plain_reading.h"
#include "trace/scan/path_functions.h"

#ifdef ZELTOCOV_X86_VECTORS
#include <cpuid.h>
#endif

namespace {

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
  if (plainReadingForced()) return HitScanPath::Plain;
  // The SSE2 path is slower than the plain one where IDs have the same few
  // digits in a row (the byte loop's branches are then well predicted): without
  // AVX2 the plain path is taken.
  for (HitScanPath path :
       {HitScanPath::Avx512Vbmi, HitScanPath::Avx512, HitScanPath::Avx2Pext, HitScanPath::Avx2})
    if (hitScanPathAvailable(path)) return path;
  return HitScanPath::Plain;
}

/// The entry points of a path (which must be available).
const hit_scan::PathFunctions &functionsOf(HitScanPath path) {
  switch (path) {
#ifdef ZELTOCOV_X86_VECTORS
  case HitScanPath::Sse2:
    return hit_scan::kSse2Path;
  case HitScanPath::Avx2:
    return hit_scan::kAvx2Path;
  case HitScanPath::Avx2Pext:
    return hit_scan::kAvx2PextPath;
  case HitScanPath::Avx512:
    return hit_scan::kAvx512Path;
  case HitScanPath::Avx512Vbmi:
    return hit_scan::kAvx512VbmiPath;
#endif
  default:
    return hit_scan::kPlainPath;
  }
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
  for (HitScanPath path : kHitScanPaths)
    if (hitScanPathAvailable(path)) paths.push_back(path);
  return paths;
}

HitScanPath bestHitScanPath() {
  static const HitScanPath best = chooseBestPath();
  return best;
}

const char *hitScanPathName(HitScanPath path) {
  // In the order of HitScanPath.
  static constexpr const char *kNames[] = {"plain",     "SSE2",    "AVX2",
                                           "AVX2+PEXT", "AVX-512", "AVX-512 VBMI2"};
  const auto index = static_cast<std::size_t>(path);
  return index < std::size(kNames) ? kNames[index] : "?";
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
    return hit_scan::scanPlainHitLines(bytes, countOriented, out, capacity, filter, true);
  return functionsOf(path).scan(bytes, countOriented, out, capacity, filter);
}

DecodedLines decodeHitLines(HitScanPath path, std::string_view bytes, uint32_t *out,
                            std::size_t capacity) {
  return functionsOf(path).decode(bytes, out, capacity);
}

DecodedTake takeDecodedHits(HitScanPath path, const uint32_t *decoded, std::size_t count,
                            TraceHit *out, std::size_t capacity, const HitScanFilter &filter) {
  return functionsOf(path).take(decoded, count, out, capacity, filter);
}

HitScan scanHitLines(std::string_view bytes, bool countOriented, TraceHit *out,
                     std::size_t capacity, const HitScanFilter *filter, bool countRequired) {
  return scanHitLinesWith(bestHitScanPath(), bytes, countOriented, out, capacity, filter,
                          countRequired);
}
