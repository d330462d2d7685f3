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
  /// Notes that a trace scan may set pending bits in the file's branch index
  /// (KindIndex::pending) until the next applyPendingHits.
  void notePending(SourceFile &file) {
    listSettled(file);
    if (file.pendingListed) return;
    file.pendingListed = true;
    pendingFiles_.push_back(&file);
  }
  /// How many times applyPendingHits has run: a file noted before the last one
  /// must be noted again.
  uint64_t pendingRound() const { return pendingRound_; }
  /// Applies the pending hits of the noted files, as MarkTraceHits marks hits of
  /// count 1 that do not add (in whatever order: such hits commute). Done before
  /// anything reads the hits: by UpdateModifiedConditions, forgetSettledHits
  /// (and so resetTestHits), and before a hit that adds is marked.
  void applyPendingHits();
  /// Forgets which branches are settled. Code that changes the hits, totalHits or
  /// flags of branches other than through MarkTraceBranch, MarkTraceHits and
  /// resetTestHits (such as a report writer clearing FlagHitSinceLook) must call it
  /// before the next hits are marked; the reading pass calls it at its start and
  /// whenever a test closes (the report writers run then).
  void forgetSettledHits();
  /// Counts the modified conditions whose pairs are both hit: an item found hit
  /// counts in the test (hits 1, testCovered) and from then on in every later
  /// test. A pair stays hit once it is (its branches keep FlagEverHit), so only the
  /// services whose condition branches were first hit since the last call are
  /// looked at again. The items found hit before are marked again (FlagHitSinceLook)
  /// only when `markAgain`: without it their state is already what marking
  /// them would make it, unless FlagHitSinceLook was cleared since (as the CIO file does).
  void UpdateModifiedConditions(bool markAgain = true);
  /// The per-test reset: zeroes testCovered and every hits field and forgets the
  /// settled branches, with one exception: the modified conditions found hit keep
  /// hits 1 and count in testCovered, as evaluating them again at the end of the
  /// next test (before anything reads them) would make them. So only the services
  /// whose branches were hit since the last reset are visited.
  void resetTestHits();
  /// Whether some instrumentation ID of the file is held by branches of several
  /// of its services (the current service then tells which one a hit is for).
  static bool hasSharedIds(const SourceFile &file);
  /// The services whose branches were hit since the last reset, or with a
  /// modified condition first found hit since then. Every other service has the
  /// hits of a service untouched since the reset: testCovered zero but for its
  /// modified conditions found hit ([8] is its modifiedConditionsHit), hits 0
  /// but for those items (1). The hit counts of the model change only through
  /// its own marking.
  const std::vector<Service *> &servicesHitInTest() const { return servicesHit_; }
  /// A modified condition found hit, and its service.
  struct HitModifiedCondition {
    Service *service;
    ModifiedCondition *item;
  };
  /// Every modified condition found hit so far, in the order they were found.
  const std::vector<HitModifiedCondition> &modifiedConditionsHit() const { return satisfied_; }
  /// Number of services of the registered files (Service::index is below it).
  uint32_t serviceCount() const { return serviceCount_; }
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
  /// MarkBranchHit, keeping the lists of services hit, of services whose
  /// modified conditions must be looked at again.
  void markHit(Service &service, HitState &item, uint16_t type, uint32_t count, bool add);
  /// Puts a file on the list of files whose settled bits may be set.
  void listSettled(SourceFile &file) {
    if (file.settledListed) return;
    file.settledListed = true;
    settledFiles_.push_back(&file);
  }

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
  /// Services hit in the current test (Service::listedAsHit).
  std::vector<Service *> servicesHit_;
  /// Services whose modified conditions must be looked at again.
  std::vector<Service *> conditionsChanged_;
  /// Every modified condition found hit so far (each has FlagEverHit).
  std::vector<HitModifiedCondition> satisfied_;
  /// Files whose settled bits may be set (SourceFile::settledListed).
  std::vector<SourceFile *> settledFiles_;
  /// Files whose pending bits may be set (SourceFile::pendingListed).
  std::vector<SourceFile *> pendingFiles_;
  uint64_t pendingRound_ = 0;
  /// Services numbered so far.
  uint32_t serviceCount_ = 0;
};
