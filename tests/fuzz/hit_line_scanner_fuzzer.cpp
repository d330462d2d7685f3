// Fuzz target: the plain path of the hit line scan against the best path of this
// processor, on any bytes. A header of 11 bytes chooses the scan (count-oriented
// or not, with a filter or not, with the cleaned trace, with pending bits), the
// room of the store, the kinds counted, the dense slots of each kind and the seed
// of their settled bits; the rest is the text. Both paths must take the same
// lines, store the same hits and leave the same bits, in the scan, in the
// decoding ahead and in the taking of decoded lines. Any difference aborts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "model/coverage_model.h"
#include "trace/hit_line_scanner.h"
#include "trace/pending_hits.h"

namespace {

constexpr std::size_t kHeader = 11;

/// A filter and the bits it points to, made from the header.
struct Filter {
  HitScanFilter filter;
  Branch branch;
  std::vector<Branch *> dense[4];
  std::vector<uint64_t> settled[4], pending[4];
  PendingHitArray kept[4];

  explicit Filter(const uint8_t *header) {
    const uint8_t mode = header[0];
    filter.kinds = header[2] & 15u;
    filter.cleaning = (mode & 4) != 0;
    std::mt19937 random(uint32_t{header[7]} | uint32_t{header[8]} << 8 | uint32_t{header[9]} << 16 |
                        uint32_t{header[10]} << 24);
    for (int k = 0; k < 4; ++k) {
      // Up to 1275 slots: past the 512 whose settled bits a vector holds.
      dense[k].resize(std::size_t{header[3 + k]} * 5);
      for (Branch *&slot : dense[k])
        slot = random() % 8 ? &branch : nullptr;
      settled[k].assign((dense[k].size() + 63) / 64, 0);
      for (std::size_t id = 0; id < dense[k].size(); ++id)
        if (dense[k][id] && random() % 4) settled[k][id / 64] |= uint64_t{1} << id % 64;
      if (mode & 8) pending[k].assign(settled[k].size(), 0);
      filter.dense[k] = dense[k].data();
      filter.denseSize[k] = dense[k].size();
      if (!filter.cleaning || random() % 4 == 0) continue;
      makeDenseCounters(kept[k], static_cast<uint32_t>(random() % 700));
      for (uint32_t id = 0; id < kept[k].dense.size(); ++id)
        if (random() % 3) countDense(kept[k], id, 1, false);
      filter.kept[k] = kept[k].dense.data();
      filter.keptBits[k] = kept[k].denseBits.data();
      filter.keptSize[k] = kept[k].dense.size();
    }
  }

  /// The filter over copies of the bits, which a scan changes.
  struct Copy {
    HitScanFilter filter;
    std::vector<uint64_t> settled[4], pending[4];
  };
  void copyTo(Copy &copy) const {
    copy.filter = filter;
    for (int k = 0; k < 4; ++k) {
      copy.settled[k] = settled[k];
      copy.pending[k] = pending[k];
      copy.filter.settled[k] = copy.settled[k].data();
      copy.filter.pending[k] = copy.pending[k].empty() ? nullptr : copy.pending[k].data();
    }
  }
};

/// The bits of a filter as text.
std::string bitsOf(const Filter::Copy &copy) {
  std::string text;
  for (int k = 0; k < 4; ++k) {
    for (uint64_t word : copy.settled[k])
      text += std::to_string(word) + " ";
    text += "/";
    for (uint64_t word : copy.pending[k])
      text += std::to_string(word) + " ";
    text += "\n";
  }
  return text;
}

void hitsTo(std::string &text, const TraceHit *hits, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    text += std::to_string(hits[i].kind) + ":" + std::to_string(hits[i].id) + ":" +
            std::to_string(hits[i].count) + " ";
}

/// Where the next scan starts after one that stopped at `at` without being full:
/// past the line that stopped it (npos: none).
std::size_t afterLine(std::string_view text, std::size_t at) {
  const std::size_t lineFeed = text.find('\n', at);
  return lineFeed == std::string_view::npos ? lineFeed : lineFeed + 1;
}

/// Every scan of `text` (followed by the padding in memory) from its start, each
/// going on after the lines taken or past the line that stopped the one before.
std::string scanAll(HitScanPath path, std::string_view text, bool countOriented, bool countRequired,
                    std::size_t capacity, const HitScanFilter *filter) {
  std::string result;
  std::vector<TraceHit> hits(capacity);
  for (std::size_t at = 0; at < text.size();) {
    const HitScan scan = scanHitLinesWith(path, text.substr(at), countOriented, hits.data(),
                                          capacity, filter, countRequired);
    hitsTo(result, hits.data(), scan.hits);
    result += "| " + std::to_string(scan.bytes) + (scan.full ? " full\n" : "\n");
    at += scan.bytes;
    if (!scan.full) at = afterLine(text, at);
  }
  return result;
}

/// Every decoding of `text` from its start, as scanAll goes on; the lines
/// decoded go to `all`.
std::string decodeAll(HitScanPath path, std::string_view text, std::size_t capacity,
                      std::vector<uint32_t> &all) {
  std::string result;
  std::vector<uint32_t> lines(capacity);
  for (std::size_t at = 0; at < text.size();) {
    const DecodedLines decoded = decodeHitLines(path, text.substr(at), lines.data(), capacity);
    for (std::size_t i = 0; i < decoded.lines; ++i)
      result += std::to_string(lines[i]) + " ";
    result += "| " + std::to_string(decoded.bytes) + "\n";
    all.insert(all.end(), lines.begin(),
               lines.begin() + static_cast<std::ptrdiff_t>(decoded.lines));
    at += decoded.bytes;
    if (decoded.lines < capacity) at = afterLine(text, at);
  }
  return result;
}

/// Every taking of the decoded lines, each going on after the lines taken.
std::string takeAll(HitScanPath path, const std::vector<uint32_t> &decoded, std::size_t capacity,
                    const HitScanFilter &filter) {
  std::string result;
  std::vector<TraceHit> hits(capacity);
  for (std::size_t at = 0; at < decoded.size();) {
    const DecodedTake take = takeDecodedHits(path, decoded.data() + at, decoded.size() - at,
                                             hits.data(), capacity, filter);
    hitsTo(result, hits.data(), take.hits);
    result += "| " + std::to_string(take.lines) + "\n";
    if (take.lines == 0) std::abort(); // a store of at least 2 always takes a line
    at += take.lines;
  }
  return result;
}

void expectSame(const std::string &plain, const std::string &best, const char *what) {
  if (plain == best) return;
  std::fprintf(stderr, "The %s path's %s differs from the plain path's:\n%s\n---\n%s\n",
               hitScanPathName(bestHitScanPath()), what, best.c_str(), plain.c_str());
  std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  std::fprintf(stderr, "Hit line scan: the plain path against the %s path\n",
               hitScanPathName(bestHitScanPath()));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  if (size < kHeader) return 0;
  const uint8_t mode = data[0];
  const bool countOriented = (mode & 1) != 0, filtered = (mode & 2) != 0;
  const bool countRequired = (mode & 16) != 0;
  // At least 2 (the room a filtered scan needs), mostly small, sometimes a run's.
  const std::size_t capacity = data[1] < 192 ? 2 + data[1] % 16 : kMaxTraceHitRun;
  // The text, a NUL, then padding of plain hit lines that a scan must not take.
  std::string bytes(reinterpret_cast<const char *>(data) + kHeader, size - kHeader);
  const std::size_t textSize = bytes.size();
  bytes += '\0';
  while (bytes.size() < textSize + kHitScanPadding)
    bytes += "TB 1\n";
  const std::string_view text(bytes.data(), textSize);

  const HitScanPath best = bestHitScanPath();
  const Filter filter(data);
  Filter::Copy plainBits, bestBits;
  filter.copyTo(plainBits);
  filter.copyTo(bestBits);
  expectSame(scanAll(HitScanPath::Plain, text, countOriented, countRequired, capacity,
                     filtered ? &plainBits.filter : nullptr) +
                 bitsOf(plainBits),
             scanAll(best, text, countOriented, countRequired, capacity,
                     filtered ? &bestBits.filter : nullptr) +
                 bitsOf(bestBits),
             "scan");

  std::vector<uint32_t> plainLines, bestLines;
  expectSame(decodeAll(HitScanPath::Plain, text, capacity, plainLines),
             decodeAll(best, text, capacity, bestLines), "decoding");
  filter.copyTo(plainBits);
  filter.copyTo(bestBits);
  expectSame(takeAll(HitScanPath::Plain, plainLines, capacity, plainBits.filter) +
                 bitsOf(plainBits),
             takeAll(best, plainLines, capacity, bestBits.filter) + bitsOf(bestBits),
             "taking of decoded lines");
  return 0;
}
