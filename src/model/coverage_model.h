// The in-memory model of what can be covered: the list of source files with their
// lookups by identity, the current service, and the hit marking of the reading
// pass. The model owns every record and frees them together.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "model/branch_index.h"
#include "model/branch_lookup.h"
#include "model/coverage_records.h"
#include "model/hit_counting.h"

class CoverageModel {
public:
  CoverageModel();
  ~CoverageModel();
  CoverageModel(const CoverageModel &) = delete;
  CoverageModel &operator=(const CoverageModel &) = delete;

  /// Every source file in order: loaded sections, then placeholders.
  const std::vector<std::unique_ptr<SourceFile>> &files() const { return files_; }
  /// Appends one file at the end of the list (and indexes its key).
  SourceFile &RegisterSourceFile(std::unique_ptr<SourceFile> file);
  /// Builds the branch index of a file whose services are complete.
  void buildBranchIndex(SourceFile &file);

  /// Makes the named service current, creating it at the end of the file's
  /// services when absent.
  Service &SelectService(SourceFile &file, NameEntry *name);
  Service *currentService() const;
  /// Forgets the current service (done at the start of every section body).
  void clearCurrentService();

  /// First file with this key and checksum; `otherVersion` tells whether a
  /// loaded section (not a placeholder) had the key with another checksum.
  /// Clears the current service.
  SourceFile *FindSourceFile(uint32_t fileKey, uint32_t checksum, bool *otherVersion = nullptr);
  /// Finds a branch from the current service onwards, wrapping round; the service
  /// found becomes current.
  BranchLookup FindBranch(SourceFile &file, int kind, uint32_t id);
  /// FindBranch then MarkBranchHit; an unknown branch is fatal.
  void MarkTraceBranch(SourceFile &file, int kind, uint32_t id, uint32_t count, bool add);
  /// MarkTraceBranch for each hit in order, skipping hits with count 0 and hits
  /// of kinds whose bit (1 << (kind - 1)) is clear in `kinds`. The same as one
  /// call per hit, but the index slots and branches of the run are fetched ahead,
  /// and a hit on a settled branch (KindIndex::settled) is not looked up.
  void MarkTraceHits(SourceFile &file, const TraceHit *hits, std::size_t count, unsigned kinds,
                     bool add);
  /// Forgets which branches are settled. Code that changes the hits, totalHits or
  /// flags of branches other than through MarkTraceBranch, MarkTraceHits and
  /// resetTestHits (such as a report writer clearing flag 0x01) must call it
  /// before the next hits are marked; the reading pass calls it at its start and
  /// whenever a test closes (the report writers run then).
  void forgetSettledHits();
  /// Counts the modified conditions whose pairs are both hit.
  void UpdateModifiedConditions();
  /// Zeroes testCovered and every hits field (per-test reset); forgets the
  /// settled branches.
  void resetTestHits();
  /// Whether some instrumentation ID of the file is held by branches of several
  /// of its services (the current service then tells which one a hit is for).
  static bool hasSharedIds(const SourceFile &file);
  /// Union of the instrumented types of every file.
  CoverageTypes unionOfInstrumentedTypes() const;
  /// Frees every file and empties the list.
  void FreeSourceFiles();

private:
  /// The checksums met with one file key among the loaded sections.
  struct KeyChecksums {
    /// Checksum of the first section with the key.
    uint32_t first = 0;
    /// Some later section had the key with another checksum.
    bool several = false;
  };
  /// Service lookup by name for the file whose services are being selected.
  struct ServiceNames {
    /// The file indexed, or null.
    const SourceFile *file = nullptr;
    /// How many of its services are indexed.
    std::size_t indexed = 0;
    /// Name -> first service with it.
    std::unordered_map<const NameEntry *, Service *> byName;
  };

  /// Makes the service of a hit found in the dense index the current one; the
  /// service itself is looked up only when it is asked for.
  void makeCurrent(SourceFile &file, const TraceHit &hit);
  /// Notes whether the branch of a dense slot is settled after a hit.
  static void noteSettled(KindIndex &index, uint32_t id, const Branch &branch);

  std::vector<std::unique_ptr<SourceFile>> files_;
  /// (key << 32 | checksum) -> first file with both.
  std::unordered_map<uint64_t, SourceFile *> byKeyAndChecksum_;
  /// Keys of loaded sections (not placeholders).
  std::unordered_map<uint32_t, KeyChecksums> sectionKeys_;
  /// The current service; null with currentFile_ set to pendingFile_ when it is
  /// the one of the dense slot pendingKind_/pendingId_ (makeCurrent).
  Service *currentService_ = nullptr;
  /// File of the current service.
  const SourceFile *currentFile_ = nullptr;
  /// File of the slot that names the current service, or null.
  const SourceFile *pendingFile_ = nullptr;
  /// Kind of that slot.
  uint8_t pendingKind_ = 0;
  /// ID of that slot.
  uint32_t pendingId_ = 0;
  ServiceNames serviceNames_;
};
