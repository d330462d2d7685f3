// Whether the trace files are read ahead on a thread of their own: only where the
// process may run on a second processor. The thread reads (the kernel's copy) and
// decodes while the reader scans; on one processor it could only take turns with
// the reader.
#pragma once

#include <string>
#include <vector>

/// The processors this process may run on, and the cores they sit on.
struct ProcessorLayout {
  /// Processors the process may run on (its affinity), 0 when unknown.
  int processors = 0;
  /// Distinct cores among them (SMT siblings count once), 0 when unknown.
  int cores = 0;
};

/// The layout of the processors in `allowed` (processor numbers), from the
/// topology under `cpuFolder` (/sys/devices/system/cpu): cores are told apart by
/// each processor's list of SMT siblings (topology/thread_siblings_list).
ProcessorLayout processorLayout(const std::vector<int> &allowed, const std::string &cpuFolder);
/// The layout of this process's processors (its affinity, the system's topology).
ProcessorLayout processorLayout();
/// The rule: read ahead when the process may run on two processors or more.
bool readAheadPays(const ProcessorLayout &layout);
