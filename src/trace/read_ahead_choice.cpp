#include "trace/read_ahead_choice.h"

#include <fstream>
#include <sched.h>
#include <set>

namespace {

/// The first line of a file, empty when it cannot be read.
std::string firstLine(const std::string &path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

/// The list of processors sharing `processor`'s second-level cache, empty when
/// unknown.
std::string secondLevelSharers(const std::string &cpuFolder, int processor) {
  const std::string caches = cpuFolder + "/cpu" + std::to_string(processor) + "/cache/index";
  // A processor has a handful of cache entries (instruction, data, unified levels).
  for (int index = 0; index < 8; ++index) {
    const std::string entry = caches + std::to_string(index);
    if (firstLine(entry + "/level") == "2") return firstLine(entry + "/shared_cpu_list");
  }
  return {};
}

} // namespace

ProcessorLayout processorLayout(const std::vector<int> &allowed, const std::string &cpuFolder) {
  ProcessorLayout layout;
  layout.processors = static_cast<int>(allowed.size());
  std::set<std::string> caches;
  for (int processor : allowed) {
    const std::string sharers = secondLevelSharers(cpuFolder, processor);
    if (sharers.empty()) return layout;
    caches.insert(sharers);
  }
  layout.secondLevelCaches = static_cast<int>(caches.size());
  return layout;
}

ProcessorLayout processorLayout() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0) return ProcessorLayout{};
  std::vector<int> allowed;
  for (int processor = 0; processor < CPU_SETSIZE; ++processor)
    if (CPU_ISSET(processor, &set)) allowed.push_back(processor);
  return processorLayout(allowed, "/sys/devices/system/cpu");
}

bool readAheadPays(const ProcessorLayout &layout) {
  // Nothing known: read ahead, as on any machine of two processors or more.
  if (layout.processors == 0) return true;
  if (layout.processors < 2) return false;
  return layout.secondLevelCaches == 0 || layout.secondLevelCaches < layout.processors;
}
