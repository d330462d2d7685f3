// The recording face of the coverage model: the hit marking of the reading pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/branch_index.h"
#include "model/coverage_model.h"
#include "model/service_cursor.h"

class HitRecorder {
public:
  explicit HitRecorder(CoverageModel &model) : model_(model) {}
  HitRecorder(const HitRecorder &) = delete;
  HitRecorder &operator=(const HitRecorder &) = delete;

  const CoverageModel &model() const { return model_; }
  /// The model's file with this key and checksum (see CoverageModel); forgets
  /// the current service.
  SourceFile *findSourceFile(uint32_t fileKey, uint32_t checksum, bool *otherVersion = nullptr) {
    cursor_.clear();
    return model_.findSourceFile(fileKey, checksum, otherVersion);
  }
  /// Appends a file met only in the traces (a placeholder).
  SourceFile &registerSourceFile(std::unique_ptr<SourceFile> file) {
    return model_.registerSourceFile(std::move(file));
  }
  /// The service lookups start from, or null.
  Service *currentService() const { return cursor_.current(); }
  /// Forgets the current service.
  void clearCurrentService() { cursor_.clear(); }
  /// findBranch from the current service; the service found becomes current.
  BranchLookup findBranch(SourceFile &file, int kind, uint32_t id);

  /// findBranch then MarkBranchHit; an unknown branch is fatal.
  void markTraceBranch(SourceFile &file, int kind, uint32_t id, uint32_t count, bool add);
  /// markTraceBranch for each hit in order, skipping hits with count 0 and hits
  /// of kinds whose bit (1 << (kind - 1)) is clear in `kinds`. The same as one
  /// call per hit, but the index slots and branches of the run are fetched ahead,
  /// and a hit on a settled branch (KindIndex::settled) is not looked up.
  void markTraceHits(SourceFile &file, const TraceHit *hits, std::size_t count, unsigned kinds,
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
  /// Applies the pending hits of the noted files, as markTraceHits marks hits of
  /// count 1 that do not add (in whatever order: such hits commute). Done before
  /// anything reads the hits: by updateModifiedConditions, forgetSettledHits
  /// (and so resetTestHits), and before a hit that adds is marked.
  void applyPendingHits();
  /// Forgets which branches are settled. Code that changes the hits, totalHits or
  /// flags of branches other than through markTraceBranch, markTraceHits and
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
  void updateModifiedConditions(bool markAgain = true);
  /// The per-test reset: zeroes testCovered and every hits field and forgets the
  /// settled branches, with one exception: the modified conditions found hit keep
  /// hits 1 and count in testCovered, as evaluating them again at the end of the
  /// next test (before anything reads them) would make them. So only the services
  /// whose branches were hit since the last reset are visited.
  void resetTestHits();
  /// The services whose branches were hit since the last reset, or with a
  /// modified condition first found hit since then. Every other service has the
  /// hits of a service untouched since the reset: testCovered zero but for its
  /// modified conditions found hit ([8] is its modifiedConditionsHit), hits 0
  /// but for those items (1). The hit counts of the model change only through
  /// this marking.
  const std::vector<Service *> &servicesHitInTest() const { return servicesHit_; }
  /// A modified condition found hit, and its service.
  struct HitModifiedCondition {
    Service *service;
    ModifiedCondition *item;
  };
  /// Every modified condition found hit so far, in the order they were found.
  const std::vector<HitModifiedCondition> &modifiedConditionsHit() const { return satisfied_; }

private:
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

  CoverageModel &model_;
  /// Where lookups start.
  ServiceCursor cursor_;
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
};
