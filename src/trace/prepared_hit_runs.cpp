#include "trace/prepared_hit_runs.h"

#include <algorithm>
#include <cstring>

void PreparedHitRuns::prepare(int slot, const char *data, std::size_t size) {
  Slot &out = slots_[slot];
  out.data = data;
  out.runs.clear();
  // A decoded line holds at least five bytes ("TB 1" and LF).
  if (out.lines.size() < size / 5 + 1) out.lines.resize(size / 5 + 1);
  // From the first line that starts after the share of the block given to the
  // reader.
  std::size_t at = static_cast<std::size_t>(static_cast<double>(size) * share_);
  if (at >= size) return;
  const void *lineEnd = std::memchr(data + at, '\n', size - at);
  if (!lineEnd) return;
  at = static_cast<std::size_t>(static_cast<const char *>(lineEnd) - data) + 1;
  std::size_t decoded = 0;
  while (at < size) {
    const DecodedLines run = decodeHitLines(path_, std::string_view(data + at, size - at),
                                            out.lines.data() + decoded, out.lines.size() - decoded);
    if (run.lines > 0) out.runs.push_back(DecodedRun{at, run.bytes, decoded, run.lines});
    decoded += run.lines;
    at += run.bytes;
    // The line the decoding stopped at is left to the reader.
    lineEnd = at < size ? std::memchr(data + at, '\n', size - at) : nullptr;
    if (!lineEnd) break;
    at = static_cast<std::size_t>(static_cast<const char *>(lineEnd) - data) + 1;
  }
}

const DecodedRun *PreparedHitRuns::Slot::runAt(std::string_view &bytes) const {
  const std::ptrdiff_t at = bytes.data() - data;
  const auto next = std::lower_bound(runs.begin(), runs.end(), at,
                                     [](const DecodedRun &run, std::ptrdiff_t offset) {
                                       return static_cast<std::ptrdiff_t>(run.start) < offset;
                                     });
  if (next == runs.end()) return nullptr;
  if (static_cast<std::ptrdiff_t>(next->start) == at) return &*next;
  bytes = bytes.substr(0, static_cast<std::size_t>(static_cast<std::ptrdiff_t>(next->start) - at));
  return nullptr;
}
