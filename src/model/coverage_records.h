// The records of the coverage model: source files, their services and the
// branches that traces hit, with their hit state.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/branch_index.h"
#include "support/coverage_counts.h"
#include "support/coverage_types.h"
#include "support/name_table.h"

/// Bits of the flags byte of a branch or modified-condition item.
enum BranchFlagBits : uint8_t {
  FlagHitSinceLook = 0x01,   ///< set by every hit; cleared by the CIO writer once counted
  FlagCountedInGroup = 0x02, ///< used by the CIO writer alone
  FlagEverHit = 0x10,        ///< already counted in the service's totalCovered
};

/// The largest hit count: counts that would pass it stay at it.
inline constexpr uint32_t kHitCountCeiling = 0x7FFFFFFF;

/// Hit fields shared by branches and modified-condition items.
struct HitState {
  /// Hit count in the current test (reset between tests).
  uint32_t hits = 0;
  /// Hit count over the run.
  uint32_t totalHits = 0;
  /// BranchFlagBits.
  uint8_t flags = 0;
};

/// One countable item.
struct Branch : HitState {
  /// Instrumentation ID within its kind and source file.
  uint32_t id = 0;
  /// First source line of the item.
  uint32_t firstLine = 0;
  /// Last source line of the item.
  uint32_t lastLine = 0;
};

/// Kinds of procedure points as read from PR records (0 is the entry).
enum ProcPointKind : uint8_t {
  PointProc = 0,
  ExitRegular = 1,
  ExitReturn = 2,
  ExitTermination = 3
};
/// Kinds of blocks.
enum BlockKind : uint8_t { BlockSimple = 0, BlockImplicit = 1, BlockLogical = 2, BlockAsync = 3 };
/// Kinds of condition entries.
enum ConditionKind : uint8_t {
  CondBasic = 0,          ///< an outcome of a CE record (True entry then False entry)
  CondSingle = 1,         ///< the single outcome of a CA record
  CondCompoundVector = 2, ///< a case of a CC composition
};

/// The coverage-type bit of a block kind (0 for a kind that is none of them).
constexpr CoverageTypes blockTypeBit(uint8_t kind) {
  switch (kind) {
  case BlockSimple:
    return CovStatementBlocks;
  case BlockImplicit:
    return CovImplicitBlocks;
  case BlockLogical:
    return CovLoops;
  case BlockAsync:
    return CovAsyncBlocks;
  default:
    return 0;
  }
}

/// The coverage-type bit of a condition entry kind: basic conditions for an
/// outcome, compound conditions for a vector (0 for a kind that is none of them).
constexpr CoverageTypes conditionTypeBit(uint8_t kind) {
  switch (kind) {
  case CondBasic:
  case CondSingle:
    return CovBasicConditions;
  case CondCompoundVector:
    return CovCompoundConditions;
  default:
    return 0;
  }
}

/// One exit point of a service.
struct ExitEntry {
  /// Its branch.
  Branch branch;
  /// ProcPointKind 1..3.
  uint8_t kind = ExitRegular;
};

/// One call of a service.
struct CallEntry {
  /// Its branch.
  Branch branch;
  /// Interned name of the called function.
  NameEntry *calledName = nullptr;
};

/// One block of a service.
struct BlockEntry {
  /// Its branch.
  Branch branch;
  /// BlockKind.
  uint8_t kind = BlockSimple;
  /// The label token of the BL record.
  std::string label;
};

/// One condition entry of a service.
struct ConditionEntry {
  /// Its branch.
  Branch branch;
  /// ConditionKind.
  uint8_t kind = CondBasic;
  /// Condition text with its quotes (kinds 0, 1) or vector text such as TFX=T
  /// (kind 2). Owned by the service; the two entries of one CE record share the
  /// same pointer, and "same text" means this identity.
  const std::string *text = nullptr;
};

/// Two cases of one composition that show a condition's independence.
struct VectorPair {
  /// Index in the service's conditions of the first vector.
  uint32_t first = 0;
  /// Index in the service's conditions of the second vector.
  uint32_t second = 0;
};

/// One basic condition of a composition, counted like a branch of type
/// CovModifiedConditions.
struct ModifiedCondition : HitState {
  /// Index in the service's conditions of the condition's True entry.
  uint32_t condition = 0;
  /// "#<position> (v1/v2), (v3/v4)..."; empty when the condition has no pair.
  std::string label;
  /// Pairs in the order they were found (increasing u, then v).
  std::vector<VectorPair> pairs;
};

/// A compound decision over n basic conditions (a CC record).
struct Composition {
  /// Index in the service's conditions of the vector of case 0; the m vectors
  /// follow it in the list.
  uint32_t firstVector = 0;
  /// One item per basic condition, in condition order.
  std::vector<ModifiedCondition> items;
  /// n, at least 1.
  int16_t conditionCount = 0;
  /// IDs of the basic conditions (their True branches).
  std::vector<uint32_t> conditionIds;
  /// m, not 0.
  uint32_t caseCount = 0;
  /// The expression (expression form) or the m rows of n characters (cases form).
  std::string caseText;
  /// Cases form: number of leading rows whose outcome is True; 0xFFFFFFFF marks
  /// the expression form.
  uint32_t frontier = 0xFFFFFFFF;
  /// Expression form: the outcome 'T' or 'F' of each case.
  std::string outcomes;
};

/// One function, procedure or method of a source file.
struct Service {
  /// Interned name.
  NameEntry *name = nullptr;
  /// Totals read from the FDC file ([0] is the has-entry mark).
  CoverageCounts staticCounts;
  /// Items covered in the current test ([0]: the entry was covered).
  CoverageCounts testCovered;
  /// Items covered at least once over the run.
  CoverageCounts totalCovered;
  /// Whether the service has an entry branch (a proc point).
  bool hasEntry = false;
  /// The entry branch, meaningful when hasEntry.
  Branch entry;
  /// Exit points in file order.
  std::vector<ExitEntry> exits;
  /// Calls in file order.
  std::vector<CallEntry> calls;
  /// Blocks in file order.
  std::vector<BlockEntry> blocks;
  /// Condition outcomes and compound vectors in file order.
  std::vector<ConditionEntry> conditions;
  /// Compositions in file order.
  std::vector<Composition> compositions;
  /// Storage of the condition and vector texts of this service.
  std::vector<std::unique_ptr<std::string>> texts;
  /// Smallest first line of the service's records (0xFFFFFFFF while none).
  uint32_t firstLine = 0xFFFFFFFF;
  /// Largest last line (0 while none).
  uint32_t lastLine = 0;
  /// Position of the service in its file's services.
  uint32_t ordinal = 0;
  /// Position of the service among the services of every registered file (set
  /// when its file is registered).
  uint32_t index = 0;
  /// On the model's list of the services hit in the current test.
  bool listedAsHit = false;
  /// Some of its branches (not only modified conditions) were hit in the current test.
  bool branchesHit = false;
  /// On the model's list of services whose modified conditions are to be evaluated
  /// again: one of its condition branches was hit for the first time.
  bool conditionsChanged = false;
  /// Its modified conditions found hit so far (they count in every later test).
  uint32_t modifiedConditionsHit = 0;

  Branch *entryBranch() { return hasEntry ? &entry : nullptr; }
};

/// One instrumented source file (one section of an FDC file), or a placeholder
/// made by the trace reader for a file-part that matches no loaded section.
struct SourceFile {
  /// Path of the FDC file (for messages).
  std::string fdcName;
  /// FileKey of directory + name, or the second number of the DC line.
  uint32_t fileKey = 0;
  /// DC checksum folded with the identification text.
  uint32_t checksum = 0;
  /// Source time stamp of the FD line (0: none).
  uint32_t sourceTime = 0;
  /// Types of the TC line.
  CoverageTypes instrumentedTypes = 0;
  /// Source file name of the FC line.
  NameEntry *sourceName = nullptr;
  /// Source directory of the FC line.
  NameEntry *sourceDir = nullptr;
  /// Optional third text of the FC line.
  NameEntry *extraText = nullptr;
  /// Identification token and words of the VE line.
  NameEntry *token = nullptr;
  NameEntry *tokenWords[3] = {nullptr, nullptr, nullptr};
  uint32_t procedureBranchCount = 0;
  uint32_t callBranchCount = 0;
  uint32_t blockBranchCount = 0;
  uint32_t conditionBranchCount = 0;
  /// Made by the trace reader for traces matching no loaded section.
  bool placeholder = false;
  /// Placeholders: the cleaned trace adds up their counts.
  bool accumulateFlag = false;
  /// Placeholders: an FDC part had the same file key with another checksum.
  bool otherVersion = false;
  /// Position in the model's list of files.
  uint32_t ordinal = 0;
  /// Services in creation order.
  std::vector<std::unique_ptr<Service>> services;
  /// Branch lookup by kind (index kind - 1), built when the section is complete.
  std::array<KindIndex, 4> branchIndex;
  /// Whether branchIndex has been built (lookups walk the services otherwise).
  bool branchIndexBuilt = false;
  /// On the model's list of files whose settled bits may be set.
  bool settledListed = false;
  /// On the model's list of files whose pending bits may be set.
  bool pendingListed = false;

  /// Branch count of a trace kind (1..4).
  uint32_t &branchCount(int kind);
};
