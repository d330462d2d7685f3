// The in-memory model of what can be covered: source files, their services, the
// branches that traces hit, and the lookups and hit counting used while reading.
// The model owns every record and frees them together.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "driver/report_options.h"
#include "support/name_table.h"

/// Positions of the ten counters of CoverageCounts.
enum CountIndex : int {
  CntFunctions = 0,      ///< in a service: its entry mark (0 or 1)
  CntFunctionsExits = 1, ///< procedure points: entry and exits
  CntCalls = 2,
  CntStatementBlocks = 3, ///< simple blocks
  CntImplicitBlocks = 4,
  CntLoops = 5,       ///< logical blocks
  CntAsyncBlocks = 6, ///< asynchronous transfer blocks
  CntBasicConditions = 7,
  CntModifiedConditions = 8,
  CntCompoundConditions = 9, ///< compound condition vectors
  CntCount = 10,
};

/// Ten unsigned counters, totals or hits, in CountIndex order.
struct CoverageCounts {
  /// The counters.
  uint32_t c[CntCount] = {};
  uint32_t &operator[](int i) { return c[i]; }
  uint32_t operator[](int i) const { return c[i]; }
  CoverageCounts &operator+=(const CoverageCounts &other) {
    for (int i = 0; i < CntCount; ++i)
      c[i] += other.c[i];
    return *this;
  }
  void clear() { *this = CoverageCounts{}; }
  /// Whether any counter is non-zero.
  bool any() const {
    for (uint32_t v : c)
      if (v) return true;
    return false;
  }
};

/// Bits of the flags byte of a branch or modified-condition item.
enum BranchFlagBits : uint8_t {
  FlagHitSinceLook = 0x01,   ///< set by every hit; cleared by the CIO writer once counted
  FlagCountedInGroup = 0x02, ///< used by the CIO writer alone
  FlagEverHit = 0x10,        ///< already counted in the service's totalCovered
};

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

/// One basic condition of a composition, counted like a branch of type 0x0200.
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

  Branch *entryBranch() { return hasEntry ? &entry : nullptr; }
};

/// Trace kinds of hits.
enum TraceKind : int { KindProcPoint = 1, KindCall = 2, KindBlock = 3, KindCondition = 4 };

/// Result of a branch lookup.
struct BranchLookup {
  Service *service = nullptr;
  /// The branch found, or null.
  Branch *branch = nullptr;
  /// Its coverage-type bit (0x0001 entry, 0x0002 exit, 0x0004 call, block bits
  /// by kind, 0x0100 basic condition, 0x0400 compound vector).
  uint16_t type = 0;
  /// Index of the holding entry in its service list (exits, calls, blocks or
  /// conditions, by type); unused for the entry.
  uint32_t entryIndex = 0;
  explicit operator bool() const { return branch != nullptr; }
};

/// Hits pending for the cleaned trace, for one kind of one file-part.
struct PendingHitArray {
  /// The array exists: hits were stored since the last written section.
  bool present = false;
  /// FDC parts: counters indexed by ID (as many as the file's branches of the kind).
  std::vector<uint32_t> dense;
  /// Placeholders: counters of the IDs actually hit (IDs may be anything).
  std::unordered_map<uint32_t, uint32_t> sparse;
};

/// Where the branch of a dense index slot lives, read only when a hit is the
/// branch's first (in the test or in the run) or its service is asked for.
struct BranchSlotDetail {
  /// The branch's service.
  Service *service = nullptr;
  /// Its coverage-type bit.
  uint16_t type = 0;
};

/// O(1) lookup of branches by ID for one kind of one source file.
struct KindIndex {
  /// The branch of each ID, when the IDs are dense enough; null when no service
  /// holds the ID, or when several do (they are then in `other`). Every hit reads
  /// one, so the slots are kept to a pointer.
  std::vector<Branch *> dense;
  /// Service and type of each branch of `dense`, at the same positions.
  std::vector<BranchSlotDetail> details;
  /// One bit per slot of `dense`: its branch is settled, that is a hit of count
  /// 1 that does not add would change nothing in it (hits and totalHits 1, flags
  /// 0x01 and 0x10 set), so such a hit need not touch it. Kept by the hit
  /// marking and forgotten by forgetSettledHits.
  std::vector<uint64_t> settled;
  /// Lookups of IDs outside `dense` (and of IDs held by several services: all of
  /// their holders, in service order).
  std::unordered_map<uint32_t, std::vector<BranchLookup>> other;
};

/// Most hits that a reader hands to MarkTraceHits at a time.
constexpr std::size_t kMaxTraceHitRun = 256;

/// One hit as a trace line gives it.
struct TraceHit {
  /// Instrumentation ID.
  uint32_t id = 0;
  /// Count of the line (1 when it has none).
  uint32_t count = 0;
  /// Trace kind (TraceKind).
  uint8_t kind = 0;
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
  /// Placeholders: pending counters add up counts.
  bool accumulateFlag = false;
  /// Placeholders: an FDC part had the same file key with another checksum.
  bool otherVersion = false;
  /// Pending hits for the cleaned trace, by kind (TP, TA, TB, TE).
  std::array<PendingHitArray, 4> pendingHits;
  /// Services in creation order.
  std::vector<std::unique_ptr<Service>> services;
  /// Branch lookup by kind (index kind - 1), built when the section is complete.
  std::array<KindIndex, 4> branchIndex;
  /// Whether branchIndex has been built (lookups walk the services otherwise).
  bool branchIndexBuilt = false;

  /// Branch count of a trace kind (1..4).
  uint32_t &branchCount(int kind);
};

/// The FindBranchInService lookup: the branch of a kind with an ID in one
/// service, in the service's own order (entry, then exits; calls; blocks; conditions).
BranchLookup FindBranchInService(Service &service, int kind, uint32_t id);

/// The FindBranch walk itself: the services from `start` (the first one when null
/// or not a service of the file) to the last, then from the first up to `start`.
BranchLookup FindBranchByWalk(SourceFile &file, const Service *start, int kind, uint32_t id);

/// Counts a hit on a branch or item of a service (first-hit rules, saturating add).
void MarkBranchHit(Service &service, HitState &item, uint16_t type, uint32_t count, bool add);

/// Type bit of a block kind (0x0008, 0x0020, 0x0040, 0x0080).
uint16_t blockTypeBit(uint8_t kind);

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
