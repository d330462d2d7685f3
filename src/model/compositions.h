// Compositions of conditions: the compound condition vectors of a CC record, the
// prefix expressions that give their outcomes, and the independence pairs from
// which the modified conditions are counted.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/coverage_model.h"

/// Most conditions of a composition in expression form (2^n vectors).
constexpr int kMaxExpressionConditions = 20;

/// The first condition entry of a service for each ID, kept up to date while the
/// service's conditions grow.
class ConditionIdIndex {
public:
  /// Notes that conditions[index] has this ID (an earlier entry with it stays first).
  void add(uint32_t id, uint32_t index) {
    if ((used_ + 1) * 4 > slots_.size() * 3) grow();
    Slot &slot = slots_[slotOf(id)];
    if (slot.entry != 0) return;
    slot = Slot{id, uint64_t{index} + 1};
    ++used_;
  }
  /// Index of the first entry with the ID, or -1.
  int64_t find(uint32_t id) const {
    if (slots_.empty()) return -1;
    return static_cast<int64_t>(slots_[slotOf(id)].entry) - 1;
  }
  /// The index of a service's current conditions.
  static ConditionIdIndex of(const Service &service);

private:
  /// An ID and the index of its first entry plus 1 (0: the slot is free).
  struct Slot {
    uint32_t id = 0;
    uint64_t entry = 0;
  };
  /// The slot of an ID, or the free slot where it would go (open addressing,
  /// linear probing: the table is never more than three quarters full).
  std::size_t slotOf(uint32_t id) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = (id * 0x9E3779B9u) & mask;; at = (at + 1) & mask)
      if (slots_[at].entry == 0 || slots_[at].id == id) return at;
  }
  /// Doubles the table (16 slots at first).
  void grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 16 : old.size() * 2, Slot{});
    for (const Slot &slot : old)
      if (slot.entry != 0) slots_[slotOf(slot.id)] = slot;
  }

  /// Conditions by ID; the entries of a service's conditions are a few dozen.
  std::vector<Slot> slots_;
  std::size_t used_ = 0;
};

/// The fields of a CC record after its first case ID.
struct CompositionRecord {
  /// Instrumentation ID of case 0 (case i has this ID + i).
  uint32_t firstCaseId = 0;
  /// n, the number of basic conditions.
  int16_t conditionCount = 0;
  /// IDs of the basic conditions (their True branches).
  std::vector<uint32_t> conditionIds;
  /// m, the number of cases.
  uint32_t caseCount = 0;
  /// The expression, or the m rows of n characters.
  std::string caseText;
  /// Number of leading True rows; 0xFFFFFFFF for the expression form.
  uint32_t frontier = 0xFFFFFFFF;
};

/// Adds a composition to `service` (null when the record came before any service
/// of its section): checks its shape, appends its m vectors to the service's
/// conditions, counts them and builds its modified-condition items. A malformed
/// record is fatal, naming `fdcName`.
void AddComposition(SourceFile &file, Service *service, ConditionIdIndex &ids,
                    CompositionRecord record, const QString &fdcName);

/// Outcome 'T' or 'F' of a prefix expression for the condition values in the bits
/// of `vector` (the k-th '.' from the left is bit k - 1); 0 when the expression
/// ends before its operators have their operands. A character other than
/// . N A a O o X is an internal error.
char CalculVector(std::string_view expression, uint32_t vector);
