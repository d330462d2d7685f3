// The AVX-512 path (AVX-512 BW): the block scan with each block classified in one
// vector.
#include "trace/scan/path_functions.h"

#ifdef ZELTOCOV_X86_VECTORS

#include "trace/scan/x86/avx512_classify.h"

namespace hit_scan {

namespace {

[[gnu::target("avx512f,avx512bw,bmi2"), gnu::flatten]] HitScan
scanAvx512(std::string_view bytes, bool countOriented, TraceHit *out, std::size_t capacity,
           const HitScanFilter *filter) {
  return scanBlockPath<ClassifyAvx512>(bytes, countOriented, out, capacity, filter);
}

[[gnu::target("avx512f,avx512bw,bmi2"), gnu::flatten]] DecodedLines
decodeAvx512(std::string_view bytes, uint32_t *out, std::size_t capacity) {
  return decodeBlockPath<ClassifyAvx512>(bytes, out, capacity);
}

} // namespace

const PathFunctions kAvx512Path = {scanAvx512, decodeAvx512, takeDecodedLineByLine};

} // namespace hit_scan

#endif // ZELTOCOV_X86_VECTORS
