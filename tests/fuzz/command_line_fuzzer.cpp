// Fuzz target: any bytes as a command line. Words are separated by NUL bytes;
// the part after the first 0x01 byte becomes an argument file named by "@".
#include <QCoreApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/report_options.h"
#include "fuzz_support.h"
#include "support/name_table.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  setExitHandler(fuzzExit);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char *>(data), size);
  const std::size_t split = bytes.find('\x01');
  const std::string words = bytes.substr(0, split);
  const std::string fileContent = split == std::string::npos ? "" : bytes.substr(split + 1);
  MemoryFile argumentFile(reinterpret_cast<const uint8_t *>(fileContent.data()),
                          fileContent.size());

  std::vector<std::string> arguments{"zeltocov"};
  std::size_t start = 0;
  while (start <= words.size()) {
    const std::size_t end = words.find('\0', start);
    std::string word = words.substr(start, end == std::string::npos ? end : end - start);
    // "@@" stands for the argument file.
    if (word == "@@") word = "@" + argumentFile.path();
    arguments.push_back(word);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  std::vector<char *> argv;
  for (std::string &argument : arguments)
    argv.push_back(argument.data());
  argv.push_back(nullptr);

  initNameTable();
  {
    ReportOptions options;
    try {
      analyseOptions(static_cast<int>(arguments.size()), argv.data(), options);
    } catch (const FatalExit &) {
    }
    releaseOptions(options);
  }
  freeNameTable();
  return 0;
}
