// The choice of reading ahead: the processors a process may use and the
// second-level caches they have, read from a topology folder laid out as
// /sys/devices/system/cpu.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "test_support.h"
#include "trace/read_ahead_choice.h"

namespace {

/// Writes cache entry `index` of processor `processor` under `folder`.
void writeCache(const std::string &folder, int processor, int index, int level,
                const std::string &sharers) {
  const std::string entry =
      folder + "/cpu" + std::to_string(processor) + "/cache/index" + std::to_string(index);
  std::filesystem::create_directories(entry);
  std::ofstream(entry + "/level") << level << "\n";
  std::ofstream(entry + "/shared_cpu_list") << sharers << "\n";
}

/// Processor `processor` with its own first-level caches, a second-level cache
/// shared by `sharers` and a third-level cache shared by all.
void writeProcessor(const std::string &folder, int processor, const std::string &sharers) {
  writeCache(folder, processor, 0, 1, std::to_string(processor));
  writeCache(folder, processor, 1, 1, std::to_string(processor));
  writeCache(folder, processor, 2, 2, sharers);
  writeCache(folder, processor, 3, 3, "0-4");
}

TEST(ReadAheadChoiceTest, SecondLevelCachesAreCountedOncePerSharingSet) {
  TempDir dir;
  const std::string folder = dir.path() + "/cpu";
  // Two cores of two SMT siblings each (0 and 2, 1 and 3), and a core of one (4).
  writeProcessor(folder, 0, "0,2");
  writeProcessor(folder, 2, "0,2");
  writeProcessor(folder, 1, "1,3");
  writeProcessor(folder, 3, "1,3");
  writeProcessor(folder, 4, "4");
  // A processor whose caches are not described.
  std::filesystem::create_directories(folder + "/cpu5");

  const ProcessorLayout siblings = processorLayout({0, 2}, folder);
  EXPECT_EQ(siblings.processors, 2);
  EXPECT_EQ(siblings.secondLevelCaches, 1);
  const ProcessorLayout separate = processorLayout({0, 1}, folder);
  EXPECT_EQ(separate.processors, 2);
  EXPECT_EQ(separate.secondLevelCaches, 2);
  const ProcessorLayout all = processorLayout({0, 1, 2, 3, 4}, folder);
  EXPECT_EQ(all.processors, 5);
  EXPECT_EQ(all.secondLevelCaches, 3);
  const ProcessorLayout unknown = processorLayout({0, 5}, folder);
  EXPECT_EQ(unknown.processors, 2);
  EXPECT_EQ(unknown.secondLevelCaches, 0);

  EXPECT_TRUE(readAheadPays(siblings));
  EXPECT_FALSE(readAheadPays(separate));
  EXPECT_TRUE(readAheadPays(all));
  EXPECT_TRUE(readAheadPays(unknown));
}

TEST(ReadAheadChoiceTest, OneProcessorNeverReadsAhead) {
  EXPECT_FALSE(readAheadPays(ProcessorLayout{1, 1}));
  EXPECT_FALSE(readAheadPays(ProcessorLayout{1, 0}));
  // Nothing known (the affinity could not be read): read ahead, as before.
  EXPECT_TRUE(readAheadPays(ProcessorLayout{}));
  // This process: the layout has at least the processor it runs on.
  EXPECT_GE(processorLayout().processors, 1);
}

} // namespace
