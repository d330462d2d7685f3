// Helpers of the FDC unit tests: loading FDC text, message frames and exact
// matching of a dying process's standard error.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fdc/load_fdc_file.h"
#include "model/hit_recorder.h"
#include "support/messages.h"
#include "support/name_table.h"
#include "test_support.h"

/// A regular expression that matches exactly `text`.
inline std::string exactly(const std::string &text) {
  std::string pattern = "^";
  for (char c : text) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) pattern += '\\';
    pattern += c;
  }
  return pattern + "$";
}

/// The frames of the message levels, with the identity set by FdcTest.
inline std::string fatalFrame(const std::string &text) {
  return "Velmora zeltocov - FATAL ERROR: " + text + "\n";
}
inline std::string internalFrame(const std::string &text) {
  return "Velmora zeltocov - INTERNAL ERROR: " + text + "\n\n";
}
inline std::string warningFrame(const std::string &text) {
  return "Velmora zeltocov - WARNING: " + text + "\n";
}
inline std::string infoFrame(const std::string &text) {
  return "Velmora zeltocov - INFO: " + text + "\n";
}

/// A model, a temporary directory for FDC files and a fresh name table.
class FdcTest : public ::testing::Test {
protected:
  void SetUp() override {
    setMessageIdentity("Velmora", "zeltocov");
    initNameTable();
  }
  void TearDown() override {
    model.freeSourceFiles();
    freeNameTable();
  }

  /// Writes `content` as an FDC file and loads it; returns its path.
  std::string load(const std::string &name, const std::string &content,
                   CoverageTypes requested = 0) {
    const std::string path = dir.write(name, content);
    LoadFdcFile(path, requested, otherFiles, model);
    return path;
  }

  /// The service of a file with that name, or null.
  static Service *serviceNamed(SourceFile &file, const char *name) {
    for (auto &service : file.services)
      if (service->name == internName(name)) return service.get();
    return nullptr;
  }

  TempDir dir;
  CoverageModel model;
  /// The hit marking of the reading pass, on `model`.
  HitRecorder hits{model};
  std::vector<InputFile> otherFiles;
};

/// A section header for a source file a.c in /src whose tests use the body only.
inline std::string header(const std::string &types = "PR RE AP BS BI BL BA CO CC") {
  return "VE 3.0e tok\nFC \"a.c\" \"/src/\"\nFD 0\nTC " + types + "\n";
}
