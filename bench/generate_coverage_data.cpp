// Synthetic coverage data for benchmarks: FDC files describing instrumented source
// files, and a plain trace of a chosen size whose hits follow call-like sequences
// (entry, blocks, conditions, calls, exit) over many file-parts and several tests.
//
// The model depends only on --files and --seed, so traces of different sizes made
// with the same two values match the same FDC files. Output is deterministic.
//
//   generate_coverage_data --out DIR [--files N] [--seed S] [--big-file F] [--fdc]
//                          [--trace FILE --size BYTES [--tests T]]
//
// --fdc writes DIR/fdc/unit_NNNN.fdc; --trace writes FILE (relative names go
// under DIR) with about BYTES bytes. --big-file gives the first file F functions
// instead of 6 to 18, as in a program built from one amalgamated source: its IDs
// run into the thousands, so that its hit lines are longer ("TB 3c1a").
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

/// splitmix64: small, fast and the same on every platform.
struct Random {
  /// Generator state.
  uint64_t state;

  uint64_t next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  /// A value in [0, bound).
  uint32_t below(uint32_t bound) { return bound ? static_cast<uint32_t>(next() % bound) : 0; }
  /// A value in [low, high].
  uint32_t between(uint32_t low, uint32_t high) { return low + below(high - low + 1); }
  /// True with the given probability in percent.
  bool chance(uint32_t percent) { return below(100) < percent; }
};

/// One statement block of a service.
struct BlockModel {
  /// Instrumentation ID among the blocks of the file.
  uint32_t id;
  /// 0 simple, 1 implicit, 2 logical (loop), 3 asynchronous transfer.
  uint32_t kind;
  /// How often, in percent, a call of the service runs the block.
  uint32_t reach;
};

/// One composition of basic conditions.
struct CompositionModel {
  /// ID of case 0; the cases follow.
  uint32_t firstCase;
  /// Number of cases.
  uint32_t caseCount;
  /// True IDs of the basic conditions it combines.
  std::vector<uint32_t> conditions;
  /// Prefix expression (expression form) or the case rows (cases form).
  std::string text;
  /// Number of leading True rows (cases form); 0 for the expression form.
  uint32_t frontier;
};

/// One call made by a service.
struct CallModel {
  /// Instrumentation ID among the calls of the file.
  uint32_t id;
  /// Index of the called service in the same file, or -1 for an external function.
  int callee;
  /// Name of the called function.
  std::string calledName;
  /// How often, in percent, a call of the service makes this call.
  uint32_t reach;
};

/// One function of a source file.
struct ServiceModel {
  /// Function name.
  std::string name;
  /// ID of the entry point.
  uint32_t entry;
  /// IDs of the exit points, with their kinds (1 endproc, 2 return, 3 term).
  std::vector<std::pair<uint32_t, uint32_t>> exits;
  /// Calls in source order.
  std::vector<CallModel> calls;
  /// Blocks in source order; the first is the function body.
  std::vector<BlockModel> blocks;
  /// True IDs of the two-outcome conditions (the False ID follows).
  std::vector<uint32_t> twoWay;
  /// IDs of the single-outcome conditions.
  std::vector<uint32_t> oneWay;
  /// Compositions over some of the two-outcome conditions.
  std::vector<CompositionModel> compositions;
  /// Whether the traces ever call it.
  bool reached;
};

/// One instrumented source file.
struct FileModel {
  /// Source file name.
  std::string name;
  /// Source directory.
  std::string directory;
  /// Identification token of the VE line.
  std::string token;
  /// File key (from directory and name).
  uint32_t key;
  /// Checksum written on the DC line.
  uint32_t checksum;
  /// Checksum with the identification text folded in, as the traces give it.
  uint32_t folded;
  /// Functions in source order.
  std::vector<ServiceModel> services;
};

uint32_t fileKey(const std::string &text) {
  std::vector<signed char> bytes((text.size() / 4 + 1) * 4, 0);
  std::memcpy(bytes.data(), text.data(), text.size());
  uint32_t key = 0x4A4A4A4A;
  for (size_t b = 0; b < bytes.size(); b += 4) {
    int64_t group = int64_t(bytes[b]) * 16777216 + int64_t(bytes[b + 1]) * 65536 +
                    int64_t(bytes[b + 2]) * 256 + int64_t(bytes[b + 3]);
    key ^= static_cast<uint32_t>(group);
  }
  return key;
}

uint32_t foldChecksum(uint32_t checksum, const std::string &text) {
  std::string padded = text + std::string(4, '\0');
  for (size_t b = 0; b < text.size(); b += 4) {
    const auto *u = reinterpret_cast<const unsigned char *>(padded.data() + b);
    checksum ^= (uint32_t(u[0]) << 24) | (uint32_t(u[1]) << 16) | (uint32_t(u[2]) << 8) | u[3];
  }
  return checksum;
}

const char *const kBlockKinds[] = {"simple", "implicit", "logical", "atc"};
const char *const kBlockLabels[] = {"then", "else", "loop", "select"};
const char *const kExitKinds[] = {"", "endproc", "return", "term"};
const char *const kExternal[] = {"memcpy", "printf", "strlen", "malloc", "free", "log_event"};

/// Builds the model of one file; IDs run from 0 in each kind.
FileModel makeFile(Random &random, uint32_t index, uint32_t functions) {
  FileModel file;
  char text[96];
  std::snprintf(text, sizeof text, "unit_%04u.c", index);
  file.name = text;
  std::snprintf(text, sizeof text, "/home/dev/bench/src/mod_%02u/", index % 37);
  file.directory = text;
  std::snprintf(text, sizeof text, "B%08X", static_cast<unsigned>(random.next()));
  file.token = text;
  file.key = fileKey(file.directory + file.name);
  file.checksum = static_cast<uint32_t>(random.next());
  file.folded = foldChecksum(file.checksum, file.token + " C bench");

  uint32_t points = 0, calls = 0, blocks = 0, conditions = 0;
  uint32_t serviceCount = random.between(6, 18);
  if (functions) serviceCount = functions;
  for (uint32_t s = 0; s < serviceCount; ++s) {
    ServiceModel service;
    std::snprintf(text, sizeof text, "u%04u_function_%02u", index, s);
    service.name = text;
    service.reached = s == 0 || random.chance(85);
    service.entry = points++;
    uint32_t returns = random.between(0, 3);
    for (uint32_t r = 0; r < returns; ++r)
      service.exits.push_back({points++, 2});
    if (random.chance(10)) service.exits.push_back({points++, 3});
    service.exits.push_back({points++, 1});
    service.blocks.push_back({blocks++, 0, 100});
    uint32_t blockCount = random.between(3, 12);
    for (uint32_t b = 0; b < blockCount; ++b) {
      uint32_t roll = random.below(100);
      uint32_t kind = roll < 55 ? 0 : roll < 80 ? 1 : roll < 97 ? 2 : 3;
      service.blocks.push_back({blocks++, kind, random.chance(15) ? 0 : random.between(20, 100)});
    }
    uint32_t twoWay = random.between(1, 6);
    for (uint32_t c = 0; c < twoWay; ++c) {
      service.twoWay.push_back(conditions);
      conditions += 2;
    }
    if (twoWay >= 2 && random.chance(60)) {
      CompositionModel composition;
      uint32_t n = twoWay >= 3 && random.chance(40) ? 3 : 2;
      composition.conditions.assign(service.twoWay.begin(), service.twoWay.begin() + n);
      if (random.chance(50)) {
        // Expression form: every combination of the n conditions is a case.
        composition.text = n == 2 ? (random.chance(50) ? "A.." : "O..") : "A.O..";
        composition.caseCount = 1u << n;
        composition.frontier = 0;
      } else {
        // Cases form of a short-circuit "and": all True, then one row per first False.
        composition.text = std::string(n, 'T');
        for (uint32_t f = n; f-- > 0;)
          composition.text += std::string(f, 'T') + "F" + std::string(n - f - 1, 'X');
        composition.caseCount = n + 1;
        composition.frontier = 1;
      }
      composition.firstCase = conditions;
      conditions += composition.caseCount;
      service.compositions.push_back(composition);
    }
    uint32_t oneWay = random.chance(30) ? random.between(1, 3) : 0;
    for (uint32_t c = 0; c < oneWay; ++c)
      service.oneWay.push_back(conditions++);
    uint32_t callCount = random.between(0, 5);
    for (uint32_t c = 0; c < callCount; ++c) {
      CallModel call;
      call.id = calls++;
      // Calls go forward in the file, so that call chains end.
      if (s + 1 < serviceCount && random.chance(60)) {
        call.callee = static_cast<int>(random.between(s + 1, serviceCount - 1));
        std::snprintf(text, sizeof text, "u%04u_function_%02d", index, call.callee);
        call.calledName = text;
      } else {
        call.callee = -1;
        call.calledName = kExternal[random.below(6)];
      }
      call.reach = random.chance(10) ? 0 : random.between(30, 100);
      service.calls.push_back(call);
    }
    file.services.push_back(std::move(service));
  }
  return file;
}

bool writeFdc(const FileModel &file, const std::string &path) {
  FILE *out = std::fopen(path.c_str(), "w");
  if (!out) return false;
  std::fprintf(out, "VE 3.0e %s C bench\n", file.token.c_str());
  std::fprintf(out, "FC \"%s\" \"%s\"\n", file.name.c_str(), file.directory.c_str());
  std::fprintf(out, "FD 1700000000\n");
  std::fprintf(out, "TC PR RE AP BS BI BL BA CO CC\n");
  uint32_t line = 10;
  for (const ServiceModel &service : file.services) {
    const char *name = service.name.c_str();
    std::fprintf(out, "PR %u proc \"%s\" %u %u\n", service.entry, name, line, line);
    line += 1;
    for (const BlockModel &block : service.blocks) {
      std::fprintf(out, "BL %u %s \"%s\" %s %u %u\n", block.id, kBlockKinds[block.kind], name,
                   block.id == service.blocks.front().id ? "body" : kBlockLabels[block.kind], line,
                   line + 2);
      line += 3;
    }
    for (uint32_t id : service.twoWay) {
      std::fprintf(out, "CE %u \"%s\" \"flag_%u != 0\" %u %u\n", id, name, id, line, line);
      line += 1;
    }
    for (const CompositionModel &composition : service.compositions) {
      std::fprintf(out, "CC %u %zu", composition.firstCase, composition.conditions.size());
      for (uint32_t id : composition.conditions)
        std::fprintf(out, " %u", id);
      std::fprintf(out, " %u %s", composition.caseCount, composition.text.c_str());
      if (composition.frontier) std::fprintf(out, " %u", composition.frontier);
      std::fprintf(out, "\n");
    }
    for (uint32_t id : service.oneWay) {
      std::fprintf(out, "CA %u \"%s\" \"case %u\" %u %u\n", id, name, id, line, line);
      line += 2;
    }
    for (const CallModel &call : service.calls) {
      std::fprintf(out, "AP %u \"%s\" \"%s\" %u %u\n", call.id, name, call.calledName.c_str(), line,
                   line);
      line += 1;
    }
    for (const auto &[id, kind] : service.exits) {
      std::fprintf(out, "PR %u %s \"%s\" %u %u\n", id, kExitKinds[kind], name, line, line);
      line += 1;
    }
    line += 2;
  }
  std::fprintf(out, "DC %u\n", file.checksum);
  return std::fclose(out) == 0;
}

/// Writes trace lines into a large buffer and counts the bytes written.
struct TraceWriter {
  /// Destination.
  FILE *out;
  /// Pending output.
  std::vector<char> buffer;
  /// Bytes written so far, pending ones included.
  uint64_t written;

  void flush() {
    if (!buffer.empty()) std::fwrite(buffer.data(), 1, buffer.size(), out);
    buffer.clear();
  }
  void text(const char *s, size_t length) {
    buffer.insert(buffer.end(), s, s + length);
    written += length;
    if (buffer.size() >= (1u << 20)) flush();
  }
  /// A reversed hexadecimal number (least significant digit first), then a character.
  void number(uint32_t value, char end) {
    char digits[12];
    size_t length = 0;
    do {
      digits[length++] = "0123456789abcdef"[value & 15];
      value >>= 4;
    } while (value);
    digits[length++] = end;
    text(digits, length);
  }
  /// A line of a two-letter opcode and one number.
  void hit(const char *opcode, uint32_t value) {
    text(opcode, 2);
    text(" ", 1);
    number(value, '\n');
  }
};

/// Emits the hits of one call of a service, with the calls it makes.
void traceCall(TraceWriter &trace, Random &random, const FileModel &file, uint32_t index,
               int depth) {
  const ServiceModel &service = file.services[index];
  trace.hit("TP", service.entry);
  for (const BlockModel &block : service.blocks) {
    if (!random.chance(block.reach)) continue;
    uint32_t runs = block.kind == 2 ? random.between(1, 4) : 1;
    for (uint32_t r = 0; r < runs; ++r)
      trace.hit("TB", block.id);
  }
  for (uint32_t id : service.twoWay)
    trace.hit("TE", random.chance(70) ? id : id + 1);
  for (const CompositionModel &composition : service.compositions)
    trace.hit("TE", composition.firstCase + random.below(composition.caseCount));
  for (uint32_t id : service.oneWay)
    if (random.chance(60)) trace.hit("TE", id);
  for (const CallModel &call : service.calls) {
    if (!random.chance(call.reach)) continue;
    trace.hit("TA", call.id);
    if (call.callee >= 0 && depth < 3 && file.services[call.callee].reached)
      traceCall(trace, random, file, static_cast<uint32_t>(call.callee), depth + 1);
  }
  // Mostly a regular exit; the other exits now and then.
  const auto &exits = service.exits;
  uint32_t exit = random.chance(70) ? uint32_t(exits.size() - 1) : random.below(exits.size());
  trace.hit("TP", exits[exit].first);
}

bool writeTrace(const std::vector<FileModel> &files, const std::string &path, uint64_t size,
                uint32_t tests, uint64_t seed) {
  TraceWriter trace{std::fopen(path.c_str(), "w"), {}, 0};
  if (!trace.out) return false;
  trace.buffer.reserve((1u << 20) + 64);
  Random random{seed ^ 0x7472616365ull};
  // Most of the run happens in a few files: pick files with a skewed choice.
  std::vector<uint32_t> hot;
  for (uint32_t i = 0; i < files.size(); ++i)
    if (random.chance(20)) hot.push_back(i);
  if (hot.empty()) hot.push_back(0);
  char line[160];
  uint32_t test = 0;
  uint32_t current = UINT32_MAX;
  while (trace.written < size) {
    if (test < tests && trace.written >= size / tests * test) {
      ++test;
      // A test starts a new process: its first hit needs a new file-part.
      int length = std::snprintf(line, sizeof line, "NT \"bench test %u\" ", test);
      trace.text(line, length);
      trace.number(test, ' ');
      trace.number((test - 1) / 4, '\n');
      trace.hit("DT", 1700003600u + test * 60);
      current = UINT32_MAX;
    }
    uint32_t next = random.chance(75) ? hot[random.below(hot.size())] : random.below(files.size());
    if (next != current) {
      current = next;
      trace.hit("FT", files[current].key);
      trace.hit("DC", files[current].folded);
    }
    const FileModel &file = files[current];
    uint32_t calls = random.between(1, 20);
    for (uint32_t c = 0; c < calls; ++c) {
      uint32_t service = random.below(file.services.size());
      if (file.services[service].reached) traceCall(trace, random, file, service, 0);
    }
  }
  trace.flush();
  bool ok = !std::ferror(trace.out);
  return std::fclose(trace.out) == 0 && ok;
}

[[noreturn]] void usage() {
  std::fprintf(stderr,
               "usage: generate_coverage_data --out DIR [--files N] [--seed S] [--big-file F]\n"
               "                              [--fdc]\n"
               "                              [--trace FILE --size BYTES [--tests T]]\n");
  std::exit(2);
}

} // namespace

int main(int argc, char **argv) {
  std::string outDir, tracePath;
  uint32_t fileCount = 500, tests = 8, bigFile = 0;
  uint64_t seed = 20240601, size = 0;
  bool fdc = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&]() -> const char * {
      if (i + 1 >= argc) usage();
      return argv[++i];
    };
    if (arg == "--out")
      outDir = value();
    else if (arg == "--files")
      fileCount = static_cast<uint32_t>(std::strtoul(value(), nullptr, 10));
    else if (arg == "--seed")
      seed = std::strtoull(value(), nullptr, 10);
    else if (arg == "--big-file")
      bigFile = static_cast<uint32_t>(std::strtoul(value(), nullptr, 10));
    else if (arg == "--fdc")
      fdc = true;
    else if (arg == "--trace")
      tracePath = value();
    else if (arg == "--size")
      size = std::strtoull(value(), nullptr, 10);
    else if (arg == "--tests")
      tests = static_cast<uint32_t>(std::strtoul(value(), nullptr, 10));
    else
      usage();
  }
  if (outDir.empty() || fileCount == 0 || tests == 0 || (!tracePath.empty() && size == 0)) usage();

  Random random{seed};
  std::vector<FileModel> files;
  std::set<std::pair<uint32_t, uint32_t>> identities;
  for (uint32_t i = 0; i < fileCount; ++i) {
    files.push_back(makeFile(random, i, i == 0 ? bigFile : 0));
    // Two parts with the same key and checksum would be one source file.
    while (!identities.insert({files.back().key, files.back().folded}).second) {
      files.back().checksum += 1;
      files.back().folded = foldChecksum(files.back().checksum, files.back().token + " C bench");
    }
  }

  if (::mkdir(outDir.c_str(), 0777) != 0 && errno != EEXIST) {
    std::perror(outDir.c_str());
    return 1;
  }
  if (fdc) {
    std::string fdcDir = outDir + "/fdc";
    if (::mkdir(fdcDir.c_str(), 0777) != 0 && errno != EEXIST) {
      std::perror(fdcDir.c_str());
      return 1;
    }
    for (uint32_t i = 0; i < fileCount; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "/unit_%04u.fdc", i);
      if (!writeFdc(files[i], fdcDir + name)) {
        std::perror((fdcDir + name).c_str());
        return 1;
      }
    }
  }
  if (!tracePath.empty()) {
    if (tracePath[0] != '/') tracePath = outDir + "/" + tracePath;
    if (!writeTrace(files, tracePath, size, tests, seed)) {
      std::perror(tracePath.c_str());
      return 1;
    }
  }
  return 0;
}
