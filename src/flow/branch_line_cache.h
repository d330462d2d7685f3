// The lines of the branches that hits name, each put together once per run of the
// path trace: a trace names the same branches over and over, and a line kept in
// one block of text costs one copy where a lookup in the model and the assembly
// of its texts cost several reads scattered over the model.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "flow/branch_line.h"

class CoverageModel;
struct SourceFile;

class BranchLineCache {
public:
  BranchLineCache(CoverageModel &model, const BranchLineLabels &labels)
      : model_(model), labels_(labels) {}
  BranchLineCache(const BranchLineCache &) = delete;
  BranchLineCache &operator=(const BranchLineCache &) = delete;

  /// The file-part whose hits come next.
  void selectFile(SourceFile &file);

  /// The line of a hit of a trace kind (1 to 4) on an ID in the selected file-part,
  /// as FindBranch finds the branch; empty when it finds none or the branch has no
  /// line. Valid until the next call.
  std::string_view lineOf(int kind, uint32_t id) {
    const std::vector<Slot> &slots = lines_->slots[kind - 1];
    if (id < slots.size() && slots[id].offset != kNotYet)
      return std::string_view(text_.data() + slots[id].offset, slots[id].length);
    return lookUp(kind, id);
  }
  /// Asks the processor for the place of the line of a hit that comes soon.
  void prefetch(int kind, uint32_t id) const {
    const std::vector<Slot> &slots = lines_->slots[kind - 1];
    if (id < slots.size()) __builtin_prefetch(&slots[id]);
  }

private:
  /// Where a line is in text_.
  struct Slot {
    uint32_t offset;
    uint32_t length;
  };
  /// Offset of a line not put together yet.
  static constexpr uint32_t kNotYet = UINT32_MAX;

  /// The kept lines of one source file.
  struct FileLines {
    /// The slots are made.
    bool made = false;
    /// Slots by trace kind, then by ID. Empty when some ID of the file is held
    /// by several services: which one FindBranch finds then depends on the
    /// hits before, so such a file's lines are not kept.
    std::array<std::vector<Slot>, 4> slots;
  };

  /// Looks the branch up and keeps its line when it has a slot.
  std::string_view lookUp(int kind, uint32_t id);
  /// Makes the slots of a file.
  void makeSlots(SourceFile &file, FileLines &lines);

  CoverageModel &model_;
  const BranchLineLabels labels_;
  SourceFile *file_ = nullptr;
  /// The lines of the selected file (an empty set before any).
  FileLines *lines_ = &noLines_;
  FileLines noLines_;
  /// Kept lines by file ordinal.
  std::vector<FileLines> files_;
  /// Every kept line, one after the other.
  std::string text_;
  /// A line that is not kept.
  std::string scratch_;
};
