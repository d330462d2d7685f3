// The choice of reading ahead: the processors a process may use and the cores they
// sit on, read from a topology folder laid out as /sys/devices/system/cpu.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "test_support.h"
#include "trace/read_ahead_choice.h"

namespace {

/// Writes processor `processor`'s list of SMT siblings under `folder`.
void writeSiblings(const std::string &folder, int processor, const std::string &list) {
  const std::string topology = folder + "/cpu" + std::to_string(processor) + "/topology";
  std::filesystem::create_directories(topology);
  std::ofstream(topology + "/thread_siblings_list") << list << "\n";
}

TEST(ReadAheadChoiceTest, CoresAreCountedOncePerSetOfSiblings) {
  TempDir dir;
  const std::string folder = dir.path() + "/cpu";
  // Two cores of two SMT siblings each, and a core of one processor.
  writeSiblings(folder, 0, "0,2");
  writeSiblings(folder, 2, "0,2");
  writeSiblings(folder, 1, "1,3");
  writeSiblings(folder, 3, "1,3");
  writeSiblings(folder, 4, "4");

  ProcessorLayout siblings = processorLayout({0, 2}, folder);
  EXPECT_EQ(siblings.processors, 2);
  EXPECT_EQ(siblings.cores, 1);
  ProcessorLayout all = processorLayout({0, 1, 2, 3, 4}, folder);
  EXPECT_EQ(all.processors, 5);
  EXPECT_EQ(all.cores, 3);
  // A processor without topology: the cores are unknown, the processors are not.
  ProcessorLayout unknown = processorLayout({0, 7}, folder);
  EXPECT_EQ(unknown.processors, 2);
  EXPECT_EQ(unknown.cores, 0);
}

TEST(ReadAheadChoiceTest, ReadsAheadOnlyWithASecondProcessor) {
  EXPECT_FALSE(readAheadPays(ProcessorLayout{1, 1}));
  EXPECT_TRUE(readAheadPays(ProcessorLayout{2, 1}));
  EXPECT_TRUE(readAheadPays(ProcessorLayout{2, 2}));
  EXPECT_TRUE(readAheadPays(ProcessorLayout{8, 0}));
  // Nothing known (the affinity could not be read): as before, read ahead.
  EXPECT_TRUE(readAheadPays(ProcessorLayout{}));
  // This process: the layout has at least the processor it runs on.
  EXPECT_GE(processorLayout().processors, 1);
}

} // namespace
