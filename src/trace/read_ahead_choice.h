// Whether the trace files are read ahead on a thread of their own. The thread
// copies each block out of the page cache (and decodes part of it) while the
// reader scans the block before: the block then sits in the caches of the
// thread's processor. Where that processor shares its second-level cache with the
// reader's (SMT siblings of one core), the reader finds the block there; where it
// does not, the reader pulls every block across from the other core, which costs
// more than the copy it was spared (measured on two processors of separate cores:
// 12 to 18% more time, 11 to 14% more processor time).
#pragma once

#include <string>
#include <vector>

/// The processors this process may run on, and the second-level caches they have.
struct ProcessorLayout {
  /// Processors the process may run on (its affinity), 0 when unknown.
  int processors = 0;
  /// Distinct second-level caches among them (processors that share one count
  /// once), 0 when unknown.
  int secondLevelCaches = 0;
};

/// The layout of the processors in `allowed` (processor numbers), from the
/// topology under `cpuFolder` (laid out as /sys/devices/system/cpu: the caches of
/// processor N under cpuN/cache/index*/, each with its level and shared_cpu_list).
ProcessorLayout processorLayout(const std::vector<int> &allowed, const std::string &cpuFolder);
/// The layout of this process's processors (its affinity, the system's topology).
ProcessorLayout processorLayout();
/// The rule: read ahead when the process may run on two processors that share a
/// second-level cache; when the caches are unknown, on any two processors.
bool readAheadPays(const ProcessorLayout &layout);
