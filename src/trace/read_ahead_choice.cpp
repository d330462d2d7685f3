#include "trace/read_ahead_choice.h"

#include <fstream>
#include <sched.h>
#include <set>

ProcessorLayout processorLayout(const std::vector<int> &allowed, const std::string &cpuFolder) {
  ProcessorLayout layout;
  layout.processors = static_cast<int>(allowed.size());
  std::set<std::string> cores;
  for (int processor : allowed) {
    std::ifstream siblings(cpuFolder + "/cpu" + std::to_string(processor) +
                           "/topology/thread_siblings_list");
    std::string list;
    if (!std::getline(siblings, list) || list.empty()) return ProcessorLayout{layout.processors, 0};
    cores.insert(list);
  }
  layout.cores = static_cast<int>(cores.size());
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
  // Unknown: as before, read ahead.
  return layout.processors == 0 || layout.processors >= 2;
}
