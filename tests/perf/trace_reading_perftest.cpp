// Speed of the trace reading pass, in nanoseconds per trace line, beside the floors
// that bound it on the same data: reading the file alone, counting its lines,
// decoding its plain hit lines alone (the scanner of the pass through each of its
// paths, without counting anything), and a minimal loop that does the work every
// line needs in the most direct way (find its end, decode the opcode and ID, find
// the branch and count it). The pass itself is timed with each scan path, without
// reading ahead, and line by line. Loading the FDC files is timed too, as the
// other fixed part of a run.
//
//   trace_perftest [--files N] [--lines N] [--runs N] [--seed N]
//       generates FDC files and a plain trace in a temporary directory;
//   trace_perftest [--runs N] FDC... TRACE
//       measures on given data (the last argument is the trace);
//   trace_perftest [--runs N] --decode-only TRACE
//       the floors only (reading, line ends, decoding per scan path), for a trace
//       of any model;
//   trace_perftest --ahead-pairs N FDC... TRACE
//       the reading pass read ahead and not, in turn, N pairs: the median of each
//       and of the pairs' ratios (a shared machine drifts less within a pair).
//
// Each figure is the best of --runs runs (default 3); the file is read once
// before, so that it comes from the page cache.
#include <fcntl.h>
#include <immintrin.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "cli/report_options.h"
#include "fdc/load_fdc_file.h"
#include "model/hit_recorder.h"
#include "support/line_reader.h"
#include "support/numbers.h"
#include "test_support.h"
#include "trace/hit_line_scanner.h"
#include "trace/read_ahead_choice.h"
#include "trace/trace_reader.h"

namespace {

/// Settings of a run of the measures.
struct Settings {
  /// Source files of a generated model.
  uint32_t files = 500;
  /// Lines of a generated trace (about).
  uint64_t lines = 20000000;
  /// Runs of each measure; the best counts.
  int runs = 3;
  /// Seed of the generator.
  uint32_t seed = 20240601;
  /// FDC files and trace given on the command line (empty: generate them).
  std::vector<std::string> given;
  /// Only the floors that need no model.
  bool decodeOnly = false;
  /// Pairs of passes read ahead and not (0: the usual measures).
  int aheadPairs = 0;
};

/// CPU and wall time of one measure.
struct Cost {
  /// Wall time in seconds.
  double wall = 1e30;
  /// User CPU time in seconds.
  double user = 1e30;
  /// System CPU time in seconds.
  double system = 1e30;
};

double seconds(const timeval &time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

/// The best (lowest) wall, user and system times of several runs of `work`.
Cost measure(int runs, const std::function<void()> &work) {
  Cost best;
  for (int run = 0; run < runs; ++run) {
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto end = std::chrono::steady_clock::now();
    getrusage(RUSAGE_SELF, &after);
    best.wall = std::min(best.wall, std::chrono::duration<double>(end - start).count());
    best.user = std::min(best.user, seconds(after.ru_utime) - seconds(before.ru_utime));
    best.system = std::min(best.system, seconds(after.ru_stime) - seconds(before.ru_stime));
  }
  return best;
}

/// Reads a file with read(2) in blocks of 1 MB, handing each block to `consume`,
/// which returns how many bytes it used; the rest is kept for the next block.
void readBlocks(const std::string &path,
                const std::function<std::size_t(char *, std::size_t)> &consume) {
  constexpr std::size_t kBlock = 1 << 20;
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) {
    std::perror(path.c_str());
    std::exit(2);
  }
  // Room for the longest line kept, and the padding a scan reads past the bytes.
  std::vector<char> buffer(2 * kBlock + kHitScanPadding);
  std::size_t kept = 0;
  for (;;) {
    const ssize_t got = read(fd, buffer.data() + kept, kBlock);
    if (got <= 0) break;
    const std::size_t size = kept + static_cast<std::size_t>(got);
    buffer[size] = '\0';
    const std::size_t used = consume(buffer.data(), size);
    kept = size - used;
    std::memmove(buffer.data(), buffer.data() + used, kept);
  }
  close(fd);
}

/// Line ends in 64 bytes at a time, compared in vectors and counted from their
/// masks, as `wc -l` counts them (std::count compiles here to a loop that widens
/// every byte's compare to a 64-bit lane: 2.5 times the processor time of this).
[[gnu::target("avx2,popcnt")]] uint64_t countLineEndsAvx2(const char *data, std::size_t size) {
  const __m256i end = _mm256_set1_epi8('\n');
  uint64_t count = 0;
  std::size_t i = 0;
  for (; i + 64 <= size; i += 64) {
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + i));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + i + 32));
    const uint64_t mask = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(low, end))) |
                          static_cast<uint64_t>(static_cast<uint32_t>(
                              _mm256_movemask_epi8(_mm256_cmpeq_epi8(high, end))))
                              << 32;
    count += static_cast<uint64_t>(__builtin_popcountll(mask));
  }
  return count + static_cast<uint64_t>(std::count(data + i, data + size, '\n'));
}

uint64_t countLineEndsSse2(const char *data, std::size_t size) {
  const __m128i end = _mm_set1_epi8('\n');
  uint64_t count = 0;
  std::size_t i = 0;
  for (; i + 16 <= size; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
    count += static_cast<uint64_t>(
        __builtin_popcount(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, end)))));
  }
  return count + static_cast<uint64_t>(std::count(data + i, data + size, '\n'));
}

uint64_t countLineEnds(const char *data, std::size_t size) {
  static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
  return avx2 ? countLineEndsAvx2(data, size) : countLineEndsSse2(data, size);
}

/// Digit values of the bytes of reversed hexadecimal numbers, -1 for others.
struct DigitTable {
  /// Value of each byte.
  int8_t values[256];
  DigitTable() {
    std::fill(values, values + 256, int8_t{-1});
    for (int c = 0; c < 16; ++c) {
      values[static_cast<unsigned char>("0123456789abcdef"[c])] = static_cast<int8_t>(c);
      values[static_cast<unsigned char>("0123456789ABCDEF"[c])] = static_cast<int8_t>(c);
    }
  }
};

/// The minimal loop: hit lines are decoded and their branch counted through the
/// dense index, FT/DC pairs select the file, other lines are skipped to their
/// end; nothing is checked and nothing else is counted. Returns the lines seen.
uint64_t minimalPass(const std::string &path, CoverageModel &model) {
  static const DigitTable digits;
  static const std::array<uint8_t, 256> kinds = [] {
    std::array<uint8_t, 256> table{};
    table['P'] = 1;
    table['A'] = 2;
    table['B'] = 3;
    table['E'] = 4;
    return table;
  }();
  uint64_t lines = 0;
  SourceFile *part = nullptr;
  uint32_t key = 0;
  readBlocks(path, [&](char *data, std::size_t size) {
    const auto *p = reinterpret_cast<const unsigned char *>(data);
    const unsigned char *end = p + size;
    while (end - p >= 3) {
      // The digits after the opcode, up to the first other byte (the NUL after
      // the data stops a line cut by the block end).
      const unsigned char *q = p + 3;
      uint32_t value = 0;
      for (int shift = 0, digit; (digit = digits.values[*q]) >= 0; ++q, shift += 4)
        value |= static_cast<uint32_t>(digit) << shift;
      if (*q != '\n') {
        q = static_cast<const unsigned char *>(std::memchr(p, '\n', end - p));
        if (!q) break;
      } else if (p[0] == 'T' && part) {
        const std::vector<Branch *> &dense = part->branchIndex[(kinds[p[1]] - 1) & 3].dense;
        if (value < dense.size() && dense[value]) {
          Branch &branch = *dense[value];
          branch.hits = branch.totalHits = 1;
          branch.flags |= FlagHitSinceLook | FlagEverHit;
        }
      } else if (p[0] == 'F') {
        key = value;
      } else if (p[0] == 'D') {
        part = model.findSourceFile(key, value);
      }
      ++lines;
      p = q + 1;
    }
    return static_cast<std::size_t>(reinterpret_cast<const char *>(p) - data);
  });
  return lines;
}

/// Decodes the plain hit lines with the pass's scanner (through `path`) and skips
/// every other line to its end, counting nothing. Returns the lines seen.
uint64_t decodePass(const std::string &trace, HitScanPath path) {
  uint64_t lines = 0;
  TraceHit hits[kMaxTraceHitRun];
  readBlocks(trace, [&](char *data, std::size_t size) {
    std::size_t at = 0;
    for (;;) {
      const HitScan scan = scanHitLinesWith(path, std::string_view(data + at, size - at), false,
                                            hits, kMaxTraceHitRun);
      lines += scan.hits;
      at += scan.bytes;
      if (scan.full) continue;
      const void *lineFeed = std::memchr(data + at, '\n', size - at);
      if (!lineFeed) break;
      ++lines;
      at = static_cast<std::size_t>(static_cast<const char *>(lineFeed) - data) + 1;
    }
    return at;
  });
  return lines;
}

/// One function of a generated source file: its IDs by kind.
struct GeneratedService {
  /// Entry and exit IDs.
  uint32_t entry = 0, exit = 0;
  /// Block IDs.
  std::vector<uint32_t> blocks;
  /// True IDs of the conditions (the False ID follows).
  std::vector<uint32_t> conditions;
  /// Call IDs.
  std::vector<uint32_t> calls;
};

/// Writes `files` FDC files of 6 to 18 functions each into `dir`; returns their
/// paths and, per file, its functions.
std::vector<std::string> generateFdcFiles(const TempDir &dir, const Settings &settings,
                                          std::vector<std::vector<GeneratedService>> &model) {
  std::mt19937 random(settings.seed);
  auto between = [&](uint32_t low, uint32_t high) { return low + random() % (high - low + 1); };
  std::vector<std::string> paths;
  for (uint32_t index = 0; index < settings.files; ++index) {
    std::string text = "VE 3.0e B" + std::to_string(index) + " C perf\nFC \"unit_" +
                       std::to_string(index) +
                       ".c\" \"/perf/src/\"\nFD 0\nTC PR RE AP BS BI "
                       "BL CO\n";
    uint32_t points = 0, blocks = 0, conditions = 0, calls = 0, line = 1;
    std::vector<GeneratedService> services(between(6, 18));
    for (std::size_t s = 0; s < services.size(); ++s) {
      GeneratedService &service = services[s];
      const std::string name = "\"f" + std::to_string(s) + "\"";
      auto record = [&](const std::string &head, uint32_t id, const std::string &tail) {
        text += head + " " + std::to_string(id) + tail + " " + name + " " + std::to_string(line) +
                " " + std::to_string(line) + "\n";
        ++line;
      };
      service.entry = points++;
      record("PR", service.entry, " proc");
      for (uint32_t b = between(4, 13); b > 0; --b) {
        service.blocks.push_back(blocks++);
        text += "BL " + std::to_string(service.blocks.back()) + " simple " + name + " then " +
                std::to_string(line) + " " + std::to_string(line) + "\n";
        ++line;
      }
      for (uint32_t c = between(1, 6); c > 0; --c) {
        service.conditions.push_back(conditions);
        text += "CE " + std::to_string(conditions) + " " + name + " \"c\" " + std::to_string(line) +
                " " + std::to_string(line) + "\n";
        conditions += 2;
        ++line;
      }
      for (uint32_t c = between(0, 5); c > 0; --c) {
        service.calls.push_back(calls++);
        text += "AP " + std::to_string(service.calls.back()) + " " + name + " \"g\" " +
                std::to_string(line) + " " + std::to_string(line) + "\n";
        ++line;
      }
      service.exit = points++;
      record("PR", service.exit, " endproc");
    }
    text += "DC " + std::to_string(random()) + "\n";
    paths.push_back(dir.write("unit_" + std::to_string(index) + ".fdc", text));
    model.push_back(std::move(services));
  }
  return paths;
}

/// Writes a plain trace of about `settings.lines` lines over the loaded files:
/// a few tests, file-parts mostly among a fifth of the files, calls of functions.
std::string generateTrace(const TempDir &dir, const Settings &settings, const CoverageModel &model,
                          const std::vector<std::vector<GeneratedService>> &services) {
  std::mt19937 random(settings.seed + 1);
  const std::string path = dir.write("perf.tio", "");
  std::FILE *out = std::fopen(path.c_str(), "w");
  std::vector<uint32_t> hot;
  for (uint32_t i = 0; i < services.size(); ++i)
    if (random() % 5 == 0) hot.push_back(i);
  if (hot.empty()) hot.push_back(0);
  uint64_t lines = 0;
  auto hit = [&](const char *opcode, uint32_t id) {
    std::fprintf(out, "%s %s\n", opcode, FormatHex(id));
    ++lines;
  };
  const uint64_t perTest = settings.lines / 4 + 1;
  for (uint32_t test = 1; lines < settings.lines; ++test) {
    std::fprintf(out, "NT \"perf test %u\" %s\n", test, FormatHex(test));
    lines += 1;
    for (const uint64_t end = lines + perTest; lines < end && lines < settings.lines;) {
      const uint32_t index = random() % 4 ? hot[random() % hot.size()]
                                          : random() % static_cast<uint32_t>(services.size());
      const SourceFile &file = *model.files()[index];
      std::fprintf(out, "FT %s\n", FormatHex(file.fileKey));
      std::fprintf(out, "DC %s\n", FormatHex(file.checksum));
      lines += 2;
      for (uint32_t call = 1 + random() % 20; call > 0; --call) {
        const GeneratedService &service = services[index][random() % services[index].size()];
        hit("TP", service.entry);
        for (uint32_t block : service.blocks)
          if (random() % 4) hit("TB", block);
        for (uint32_t condition : service.conditions)
          hit("TE", condition + random() % 2);
        for (uint32_t id : service.calls)
          hit("TA", id);
        hit("TP", service.exit);
      }
    }
  }
  std::fclose(out);
  return path;
}

double medianOf(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

/// The reading pass read ahead and not, in turn: medians of the wall and processor
/// times per line and of the pairs' ratios.
int aheadPairs(const Settings &settings, CoverageModel &model, const std::string &trace,
               uint64_t lines) {
  ReportOptions options;
  auto pass = [&](bool readAhead) {
    return measure(1, [&] {
      model.resetTestHits();
      TraceReader reader(model, options, nullptr, 0);
      reader.lineReader().setReadAheadMinimum(readAhead ? LineReader::kReadAheadMinimum : SIZE_MAX);
      reader.run({trace});
    });
  };
  std::vector<double> aheadWall, plainWall, aheadCpu, plainCpu, wallRatio, cpuRatio;
  const double perLine = 1e9 / static_cast<double>(lines);
  for (int pair = 0; pair < settings.aheadPairs; ++pair) {
    const Cost ahead = pass(true);
    const Cost plain = pass(false);
    aheadWall.push_back(ahead.wall * perLine);
    plainWall.push_back(plain.wall * perLine);
    aheadCpu.push_back((ahead.user + ahead.system) * perLine);
    plainCpu.push_back((plain.user + plain.system) * perLine);
    wallRatio.push_back(ahead.wall / plain.wall);
    cpuRatio.push_back((ahead.user + ahead.system) / (plain.user + plain.system));
  }
  std::printf("%d pairs, medians: read ahead %.2f ns/line wall, %.2f processor; not read ahead "
              "%.2f wall, %.2f processor; ratio read ahead / not %.3f wall, %.3f processor\n",
              settings.aheadPairs, medianOf(aheadWall), medianOf(aheadCpu), medianOf(plainWall),
              medianOf(plainCpu), medianOf(wallRatio), medianOf(cpuRatio));
  return 0;
}

void print(const char *label, const Cost &cost, uint64_t lines) {
  std::printf("%-34s %6.2f ns/line wall, %6.2f user, %6.2f system\n", label,
              cost.wall * 1e9 / static_cast<double>(lines),
              cost.user * 1e9 / static_cast<double>(lines),
              cost.system * 1e9 / static_cast<double>(lines));
}

Settings parse(int argc, char **argv) {
  Settings settings;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto number = [&]() -> uint64_t {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "%s needs a number\n", arg.c_str());
        std::exit(2);
      }
      return std::strtoull(argv[++i], nullptr, 10);
    };
    if (arg == "--files")
      settings.files = static_cast<uint32_t>(number());
    else if (arg == "--lines")
      settings.lines = number();
    else if (arg == "--runs")
      settings.runs = static_cast<int>(number());
    else if (arg == "--seed")
      settings.seed = static_cast<uint32_t>(number());
    else if (arg == "--decode-only")
      settings.decodeOnly = true;
    else if (arg == "--ahead-pairs")
      settings.aheadPairs = static_cast<int>(number());
    else
      settings.given.push_back(arg);
  }
  return settings;
}

} // namespace

int main(int argc, char **argv) {
  const Settings settings = parse(argc, argv);
  TempDir dir;
  CoverageModel model;
  HitRecorder hits{model};
  std::vector<InputFile> ignored;
  std::string trace;
  std::vector<std::string> fdcFiles;
  std::vector<std::vector<GeneratedService>> services;
  if (settings.decodeOnly && !settings.given.empty()) {
    trace = settings.given.back();
  } else if (settings.given.size() >= 2) {
    fdcFiles.assign(settings.given.begin(), settings.given.end() - 1);
    trace = settings.given.back();
  } else {
    fdcFiles = generateFdcFiles(dir, settings, services);
  }
  const Cost loading = measure(settings.runs, [&] {
    CoverageModel loaded;
    for (const std::string &path : fdcFiles)
      LoadFdcFile(path, 0, ignored, loaded);
  });
  for (const std::string &path : fdcFiles)
    LoadFdcFile(path, 0, ignored, model);
  if (trace.empty()) trace = generateTrace(dir, settings, model, services);

  uint64_t lines = 0;
  uint64_t bytes = 0;
  readBlocks(trace, [&](char *data, std::size_t size) {
    lines += static_cast<uint64_t>(std::count(data, data + size, '\n'));
    bytes += size;
    return size;
  });
  std::printf("trace %s: %llu lines, %.1f MB; %zu source files\n", trace.c_str(),
              static_cast<unsigned long long>(lines), static_cast<double>(bytes) / 1e6,
              model.files().size());
  std::printf("loading the %zu FDC files: %.3f s wall, %.3f user, %.3f system\n", fdcFiles.size(),
              loading.wall, loading.user, loading.system);

  const ProcessorLayout layout = processorLayout();
  std::printf("processors: %d that this process may use, with %d second-level caches (0: unknown); "
              "read ahead by "
              "default: %s\n",
              layout.processors, layout.secondLevelCaches, readAheadPays(layout) ? "yes" : "no");
  if (settings.aheadPairs > 0 && !settings.decodeOnly)
    return aheadPairs(settings, model, trace, lines);
  print("read(2) alone",
        measure(settings.runs,
                [&] { readBlocks(trace, [](char *, std::size_t size) { return size; }); }),
        lines);
  print("read(2), count line ends",
        measure(settings.runs,
                [&] {
                  uint64_t count = 0;
                  readBlocks(trace, [&](char *data, std::size_t size) {
                    count += countLineEnds(data, size);
                    return size;
                  });
                  if (count != lines) std::abort();
                }),
        lines);
  const std::vector<HitScanPath> paths = availableHitScanPaths();
  for (HitScanPath path : paths) {
    print(("decode plain hit lines alone, " + std::string(hitScanPathName(path))).c_str(),
          measure(settings.runs,
                  [&] {
                    if (decodePass(trace, path) != lines) std::abort();
                  }),
          lines);
  }
  if (settings.decodeOnly) return 0;
  print("minimal loop (decode, find, count)",
        measure(settings.runs,
                [&] {
                  if (minimalPass(trace, model) != lines) std::abort();
                }),
        lines);

  ReportOptions options;
  auto pass = [&](const char *label, bool scanning, HitScanPath path, bool readAhead,
                  bool preparing = true) {
    const Cost cost = measure(settings.runs, [&] {
      hits.resetTestHits();
      TraceReader reader(hits, options, nullptr, 0);
      reader.setHitLineScanning(scanning);
      reader.setHitScanPath(path);
      reader.setBlockPreparing(preparing);
      if (!readAhead) reader.lineReader().setReadAheadMinimum(SIZE_MAX);
      reader.run({trace});
    });
    print(label, cost, lines);
  };
  for (HitScanPath path : paths)
    pass(("reading pass, " + std::string(hitScanPathName(path))).c_str(), true, path, true);
  pass("reading pass, blocks read ahead not decoded by the thread", true, bestHitScanPath(), true,
       false);
  pass("reading pass, not read ahead", true, bestHitScanPath(), false);
  pass("reading pass, line by line", false, bestHitScanPath(), true);
  return 0;
}
