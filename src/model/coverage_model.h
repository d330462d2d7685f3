// The in-memory model of what can be covered: the list of source files with their
// lookup by identity. The model owns every record and frees them together.
// It has three faces: ModelBuilder fills it from the FDC files, HitRecorder marks
// the hits of the reading pass, and every output reads it through a const
// reference.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "model/coverage_records.h"
#include "support/non_copyable.h"

class CoverageModel : NonCopyable {
public:
  CoverageModel();
  ~CoverageModel();

  /// Every source file in order: loaded sections, then placeholders.
  const std::vector<std::unique_ptr<SourceFile>> &files() const { return files_; }
  /// Appends one file at the end of the list (and indexes its key).
  SourceFile &registerSourceFile(std::unique_ptr<SourceFile> file);
  /// Appends a new service to a file's services; it is numbered at once when
  /// the file is registered.
  Service &addService(SourceFile &file, NameEntry *name);
  /// First file with this key and checksum; `otherVersion` tells whether a
  /// loaded section (not a placeholder) had the key with another checksum.
  SourceFile *findSourceFile(uint32_t fileKey, uint32_t checksum,
                             bool *otherVersion = nullptr) const;
  /// Number of services of the registered files (Service::index is below it).
  uint32_t serviceCount() const { return serviceCount_; }
  /// Union of the instrumented types of every file.
  CoverageTypes unionOfInstrumentedTypes() const;
  /// Frees every file and empties the list.
  void freeSourceFiles();

private:
  /// The checksums met with one file key among the loaded sections.
  struct KeyChecksums {
    /// Checksum of the first section with the key.
    uint32_t first = 0;
    /// Some later section had the key with another checksum.
    bool several = false;
  };

  std::vector<std::unique_ptr<SourceFile>> files_;
  /// (key << 32 | checksum) -> first file with both.
  std::unordered_map<uint64_t, SourceFile *> byKeyAndChecksum_;
  /// Keys of loaded sections (not placeholders).
  std::unordered_map<uint32_t, KeyChecksums> sectionKeys_;
  /// Services numbered so far.
  uint32_t serviceCount_ = 0;
};
