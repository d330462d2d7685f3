// The AVX-512 path (AVX-512 BW): the block scan with each block classified in one
// vector.
#include "trace/scan/path_functions.h"

#ifdef ZELTOCOV_X86_VECTORS

#include "trace/scan/x86/avx512_classify.h"

namespace hit_scan {

ZELTOCOV_BLOCK_PATH(kAvx512Path, ClassifyAvx512, "avx512f,avx512bw,bmi2")

} // namespace hit_scan

#endif // ZELTOCOV_X86_VECTORS
