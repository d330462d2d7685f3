#include "trace/trace_accumulator.h"

#include <ctime>

#include "cli/selection.h"
#include "model/branch_lookup.h"
#include "model/hit_counting.h"
#include "support/messages.h"

TraceAccumulator::TraceAccumulator(HitRecorder &recorder, const RunSettings &options,
                                   TraceEvents *events, std::time_t runTime)
    : recorder_(recorder), options_(options), events_(events), runTime_(runTime),
      cleaning_(options.cleanFile.has_value()) {
  if (cleaning_) cleaned_ = std::make_unique<CleanedTraceWriter>(*options.cleanFile);
  state_.defaultName = internName("#");
  resetTypeSet();
}

TraceAccumulator::~TraceAccumulator() = default;

void TraceAccumulator::resetTypeSet() {
  // The hit filters follow the type set.
  filters_.clear();
  currentFilter_ = nullptr;
  ++filterGeneration_;
  state_.typeSet = options_.coverageTypes ? options_.coverageTypes
                                          : recorder_.model().unionOfInstrumentedTypes();
}

void TraceAccumulator::startFile(const std::string &path) {
  state_.traceFileName = path;
  dateFromEarlierFile_ = true;
}

void TraceAccumulator::closeTest() {
  // Outputs that clear hit flags (the CIO file) need the modified conditions
  // marked again, and the settled branches forgotten after them.
  const bool flagsCleared = events_ && events_->clearsHitFlags();
  recorder_.updateModifiedConditions(flagsCleared);
  if (!options_.global) state_.testReported = true;
  if (events_) events_->testEnded();
  if (flagsCleared) recorder_.forgetSettledHits();
  state_.testOpen = false;
}

void TraceAccumulator::beginTest(const TestStartLine &line) {
  if (state_.cleanPending && !options_.mergeTests) writeCleanedSection(false);
  if (cleaning_) state_.cleanPending = true;

  const int64_t number = line.numberText ? int64_t{line.number} : kNoNumber;
  if (state_.testOpen &&
      (number == kNoNumber || number != state_.testNumber || options_.iterations)) {
    closeTest();
    if (events_ && events_->keepsTestHits()) recorder_.resetTestHits();
  }
  // A new trace file's tests have no date until they read one.
  if (dateFromEarlierFile_) {
    state_.currentDate = nullptr;
    dateFromEarlierFile_ = false;
  }
  if (line.hasGroup) {
    if (state_.groupNumber != kNoNumber && state_.groupNumber != int64_t{line.group} && events_)
      events_->groupEnded();
    state_.groupNumber = line.group;
  }
  state_.testNumber = number;
  state_.testName = testNameOf(line, state_.defaultName);
  if (state_.testName) state_.seenTests.insert(state_.testName);
  state_.countOriented = false;

  testSkipped_ = !isTestSelected(state_.testName, options_);
  state_.testOpen = !testSkipped_;
}

void TraceAccumulator::beginFilePart(FilePartId id) {
  // A pair matched once always matches the same file: files are only appended,
  // and placeholders only for pairs that match nothing.
  const uint64_t identity = uint64_t{id.fileKey} << 32 | id.checksum;
  MatchedPart *known = &matchedPart(identity);
  bool otherVersion = false;
  SourceFile *found;
  if (known->file) {
    recorder_.clearCurrentService(); // as findSourceFile does
    found = known->file;
  } else {
    found = recorder_.findSourceFile(id.fileKey, id.checksum, &otherVersion);
    // A placeholder stands for a part that matches no loaded section.
    if (found) {
      *known =
          MatchedPart{identity, found, !found->placeholder && isSelected(*found), found->ordinal};
      known = &rememberMatchedPart(*known);
      // A file's first part is the first pair that matches it: the check is made
      // then, not at every FT line.
      if (cleaning_ && !found->placeholder && warnedSharedIds_.insert(found).second &&
          hasSharedIds(*found))
        reportWarning(tr("User Warning",
                         "FDC file %1 gives one instrumentation ID to several functions; the "
                         "cleaned trace may not keep all of their hits",
                         "%1 is a file name")
                          .arg(QString::fromLocal8Bit(found->fdcName.c_str())));
    }
  }
  if (found) {
    state_.currentPart = found;
    partSkipped_ = !known->read;
    currentFilter_ = nullptr;
    if (partSkipped_) return;
    if (!state_.countOriented) state_.plainPartRead = true;
    // The part's hit filter is kept with the pair, so that the file's record need
    // not be looked at again.
    if (known->filterGeneration != filterGeneration_) {
      known->filter = filterFor(*found);
      known->filterGeneration = filterGeneration_;
    }
    currentFilter_ = known->filter;
    currentOrdinal_ = known->ordinal;
    return;
  }
  if (!unmatchedPartReported_) {
    reportInfo(tr("User Info",
                  "Parts of traces do not match any listed FDC files; such parts are ignored"));
    unmatchedPartReported_ = true;
  }
  partSkipped_ = true;
  state_.currentPart = nullptr;
  currentFilter_ = nullptr;
  if (cleaning_) {
    auto placeholder = std::make_unique<SourceFile>();
    placeholder->fileKey = id.fileKey;
    placeholder->checksum = id.checksum;
    placeholder->placeholder = true;
    placeholder->accumulateFlag = state_.countOriented;
    placeholder->otherVersion = otherVersion;
    state_.currentPart = &recorder_.registerSourceFile(std::move(placeholder));
  }
}

TraceAccumulator::MatchedPart &TraceAccumulator::matchedPart(uint64_t identity) {
  if (matchedParts_.empty()) matchedParts_.resize(1024);
  const std::size_t mask = matchedParts_.size() - 1;
  std::size_t slot = static_cast<std::size_t>((identity * 0x9E3779B97F4A7C15u) >> 32) & mask;
  while (matchedParts_[slot].file && matchedParts_[slot].identity != identity)
    slot = (slot + 1) & mask;
  return matchedParts_[slot];
}

TraceAccumulator::MatchedPart &TraceAccumulator::rememberMatchedPart(const MatchedPart &part) {
  // The table stays at most half full.
  if (++matchedCount_ * 2 <= matchedParts_.size()) return matchedPart(part.identity);
  std::vector<MatchedPart> old(matchedParts_.size() * 2);
  old.swap(matchedParts_);
  for (const MatchedPart &entry : old)
    if (entry.file) matchedPart(entry.identity) = entry;
  return matchedPart(part.identity);
}

void TraceAccumulator::recordHits(const TraceHit *hits, std::size_t count) {
  SourceFile &part = *state_.currentPart;
  if (part.placeholder) {
    for (const TraceHit *hit = hits; hit != hits + count; ++hit)
      recordHit(static_cast<TioOpcode>(OpTP + hit->kind - 1), hit->id, hit->count);
    return;
  }
  const unsigned kinds = countedKinds();
  if (!cleaning_) {
    recorder_.markTraceHits(part, hits, count, kinds, state_.countOriented);
    return;
  }
  // With the cleaned trace, the hits are counted in the model and kept for the
  // cleaned trace a stretch at a time. A hit the cleaned trace refuses (an ID
  // beyond the file's branch count, which ends the run) takes the one-at-a-time
  // path after the hits before it, so that the errors come in line order.
  const uint32_t sizes[4] = {part.procedureBranchCount, part.callBranchCount, part.blockBranchCount,
                             part.conditionBranchCount};
  const TraceHit *const end = hits + count;
  for (const TraceHit *first = hits; first != end;) {
    const TraceHit *refused = first;
    while (refused != end && (refused->count == 0 || refused->id < sizes[refused->kind - 1]))
      ++refused;
    recorder_.markTraceHits(part, first, static_cast<std::size_t>(refused - first), kinds,
                            state_.countOriented);
    keepForCleanedTrace(part, first, refused);
    if (refused == end) break;
    recordHit(static_cast<TioOpcode>(OpTP + refused->kind - 1), refused->id, refused->count);
    first = refused + 1;
  }
}

void TraceAccumulator::keepForCleanedTrace(SourceFile &part, const TraceHit *first,
                                           const TraceHit *end) {
  PendingHits &pending = pendingOf(part);
  const uint32_t sizes[4] = {part.procedureBranchCount, part.callBranchCount, part.blockBranchCount,
                             part.conditionBranchCount};
  for (const TraceHit *hit = first; hit != end; ++hit) {
    if (hit->count == 0) continue;
    PendingHitArray &hits = pending[hit->kind - 1];
    if (!hits.present) makeDenseCounters(hits, sizes[hit->kind - 1]);
    countDense(hits, hit->id, hit->count, part.accumulateFlag);
  }
}

unsigned TraceAccumulator::countedKinds() const {
  unsigned kinds = 0;
  for (int kind = KindProcPoint; kind <= KindCondition; ++kind)
    if (state_.typeSet & kHitTypeBits[kind - 1]) kinds |= 1u << (kind - 1);
  return kinds;
}

HitScanFilter *TraceAccumulator::filterFor(SourceFile &part) {
  if (part.placeholder || !part.branchIndexBuilt) return nullptr;
  if (part.ordinal >= filters_.size()) filters_.resize(part.ordinal + 1);
  PartFilter &entry = filters_[part.ordinal];
  if (!entry.filter) {
    entry.filter = std::make_unique<HitScanFilter>();
    // Without the cleaned trace, first hits are left pending in the index.
    fillHitScanFilter(*entry.filter, part, countedKinds(), !cleaning_);
  }
  return entry.filter.get();
}

const HitScanFilter *TraceAccumulator::hitScanFilter() {
  if (!currentFilter_) return nullptr;
  if (cleaning_) {
    currentFilter_->cleaning = true;
    const PendingHits &pending = pendingOf(*state_.currentPart);
    for (int k = 0; k < 4; ++k) {
      currentFilter_->kept[k] = pending[k].present ? pending[k].dense.data() : nullptr;
      currentFilter_->keptBits[k] = pending[k].present ? pending[k].denseBits.data() : nullptr;
      currentFilter_->keptSize[k] = pending[k].present ? pending[k].dense.size() : 0;
    }
    return currentFilter_;
  }
  // The model learns once per round of pending hits that the scan may leave
  // some in this file.
  PartFilter &entry = filters_[currentOrdinal_];
  if (entry.notedRound != recorder_.pendingRound() + 1) {
    recorder_.notePending(*state_.currentPart);
    entry.notedRound = recorder_.pendingRound() + 1;
  }
  return currentFilter_;
}

PendingHits &TraceAccumulator::pendingOf(const SourceFile &part) {
  if (&part != pendingPart_) {
    pendingPart_ = &part;
    pending_ = &cleaned_->pendingOf(part);
  }
  return *pending_;
}

bool TraceAccumulator::isSelected(const SourceFile &file) {
  // The answer depends only on the name and the options: asked once per file.
  auto known = fileSelected_.find(&file);
  if (known != fileSelected_.end()) return known->second;
  const bool selected = isFileSelected(file.sourceName ? file.sourceName->text : nullptr, options_);
  fileSelected_.emplace(&file, selected);
  return selected;
}

void TraceAccumulator::markCountOriented(bool remember) {
  state_.countOriented = true;
  if (remember) state_.countTestRead = true;
}

void TraceAccumulator::AddTioBranch(uint8_t opcode, uint32_t id, uint32_t count) {
  if (opcode < OpTP || opcode > OpTE)
    reportInternal(tr("Internal Error", "Bad bigramme in AddTioBranch()"));
  SourceFile *part = state_.currentPart;
  if (!part || count == 0) return;
  const int kind = opcode - OpTP + 1;
  uint32_t &size = part->branchCount(kind);
  PendingHitArray &hits = pendingOf(*part)[kind - 1];
  if (part->placeholder) {
    // A placeholder's size grows in steps of 100 (clamped to the 32-bit range).
    if (id >= size) {
      const uint64_t grown = (uint64_t{id} / 100 + 1) * 100;
      size = grown > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(grown);
    }
    hits.present = true;
    countHits(hits.sparse[id], count, part->accumulateFlag);
    return;
  }
  if (!hits.present) makeDenseCounters(hits, size);
  // An ID that no branch of the file has is a fault of the trace, as when it is
  // looked up in the model.
  if (id >= size) reportUnknownBranch(*part, id);
  countDense(hits, id, count, part->accumulateFlag);
}

void TraceAccumulator::writeCleanedSection(bool merged) {
  CleanedSectionHead head;
  head.countOriented = state_.countOriented;
  QByteArray mergedName;
  std::string mergedDate;
  if (merged) {
    mergedName =
        tr("Merged test", "Merged test", "The test name to display for a set of merged tests")
            .toLocal8Bit();
    head.testName = mergedName.constData();
    mergedDate = dateText(runTime_);
    state_.currentDate = internName(mergedDate.c_str());
  } else if (state_.testName) {
    head.testName = state_.testName->text;
  }
  if (state_.currentDate) head.date = state_.currentDate->text;
  cleaned_->writeSection(head, recorder_.model());
}

void TraceAccumulator::warnUnknownTests(const OccurrenceList &names, const QString &text) const {
  for (const OccurrenceEntry *entry = names.first; entry; entry = entry->next) {
    if (state_.seenTests.count(static_cast<const NameEntry *>(entry->key))) continue;
    const auto *name = static_cast<const NameEntry *>(entry->key);
    reportWarning(text.arg(QString::fromLocal8Bit(name->text)));
  }
}

void TraceAccumulator::endOfReading(bool anyTraceFile) {
  // The hits left pending count before anything reads them.
  recorder_.applyPendingHits();
  if (state_.cleanPending && !options_.mergeTests) writeCleanedSection(false);
  if (state_.testOpen) {
    closeTest();
  } else if (!state_.testReported) {
    reportWarning(
        anyTraceFile ? tr("User Warning", "Selected test list is empty; generating conclusion only")
                     : tr("User Warning",
                          "No traces in argument list; generating report showing all branches"));
  }
  if (events_) {
    if (state_.groupNumber != kNoNumber) events_->groupEnded();
    events_->tracesEnded();
  }

  // Counts are shown only when every part read belongs to a count-oriented test.
  if (state_.countTestRead && state_.plainPartRead && options_.global)
    reportWarning(
        tr("User Warning", "Some traces are count-oriented and others are not, count is ignored"));
  state_.countOriented = state_.countTestRead && !state_.plainPartRead;

  if (!options_.global) {
    warnUnknownTests(options_.testList,
                     tr("User Warning", "Test %1 in -TEST option was unknown in trace file list",
                        "%1 is the name of the file"));
    warnUnknownTests(options_.excludedTestList,
                     tr("User Warning", "Test %1 in -EXTEST option was unknown in trace file list",
                        "%1 is the name of the file"));
  }
}

void TraceAccumulator::finishCleanedOutput() {
  if (!cleaning_) return;
  if (options_.mergeTests && state_.cleanPending) writeCleanedSection(true);
  cleaned_->close();
}
