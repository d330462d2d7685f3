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
#include "flow/flow_output.h"

class CoverageModel;
struct SourceFile;

class BranchLineCache {
public:
  BranchLineCache(CoverageModel &model, const BranchLineLabels &labels)
      : model_(model), labels_(labels), text_(kWindow, '\0') {}
  BranchLineCache(const BranchLineCache &) = delete;
  BranchLineCache &operator=(const BranchLineCache &) = delete;

  /// The file-part whose hits come next.
  void selectFile(SourceFile &file);

  /// The line of a hit of a trace kind (1 to 4) on an ID in the selected file-part,
  /// as FindBranch finds the branch; empty when it finds none or the branch has no
  /// line. Valid until the next call.
  std::string_view lineOf(int kind, uint32_t id) {
    const std::vector<Slot> &places = lines_->places[kind - 1];
    if (id < places.size() && places[id].offset != kNotYet)
      return std::string_view(text_.data() + places[id].offset, places[id].length);
    return lookUp(kind, id);
  }
  /// Writes the lines of hits of the selected file-part, in order, leaving out
  /// the kinds whose bit (1 << (kind - 1)) is clear in `kinds`: the same as
  /// lineOf for each, a kept line of kWindow bytes or less copied in one block.
  void writeLines(const TraceHit *hits, std::size_t count, unsigned kinds, FlowOutput &out);
  /// The same for decoded lines (decodeHitLines).
  void writeDecodedLines(const uint32_t *lines, std::size_t count, unsigned kinds, FlowOutput &out);

private:
  /// Where a line is in text_.
  struct Slot {
    uint32_t offset;
    uint32_t length;
  };
  /// Bytes that a kept line of that length or less is copied with at once: the
  /// text ends with as many bytes of padding, so that they can be read after
  /// any kept line.
  static constexpr std::size_t kWindow = FlowOutput::kWindow;
  /// Offset of a line not put together yet.
  static constexpr uint32_t kNotYet = UINT32_MAX;

  /// The kept lines of one source file.
  struct FileLines {
    /// The places are made.
    bool made = false;
    /// Slots by trace kind, then by ID. Empty when some ID of the file is held
    /// by several services: which one FindBranch finds then depends on the
    /// hits before, so such a file's lines are not kept.
    std::array<std::vector<Slot>, 4> places;
  };

  /// writeLines over hits whose kind and ID `hitOf(i)` gives.
  template <typename HitOf>
  void writeHits(std::size_t count, unsigned kinds, FlowOutput &out, HitOf &&hitOf);
  /// Looks the branch up and keeps its line when it has a slot.
  std::string_view lookUp(int kind, uint32_t id);
  /// Makes the places of a file.
  void makeSlots(SourceFile &file, FileLines &lines);

  CoverageModel &model_;
  const BranchLineLabels labels_;
  SourceFile *file_ = nullptr;
  /// The lines of the selected file (an empty set before any).
  FileLines *lines_ = &noLines_;
  FileLines noLines_;
  /// Kept lines by file ordinal.
  std::vector<FileLines> files_;
  /// Every kept line, one after the other, then kWindow bytes of padding.
  std::string text_;
  /// A line that is not kept.
  std::string scratch_;
};
