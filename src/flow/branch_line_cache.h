// The lines of the branches that hits name, each put together once per run of the
// path trace: a trace names the same branches over and over, and a line kept in
// one block of text costs one copy where a lookup in the model and the assembly
// of its texts cost several reads scattered over the model.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "flow/branch_line.h"
#include "flow/flow_output.h"

class ServiceCursor;
struct SourceFile;

class BranchLineCache {
public:
  /// With `wideCopies` (the processor has AVX-512 BW), decoded lines are written
  /// sixteen at a time with 64-byte vectors. Lookups start from `cursor`'s service.
  BranchLineCache(ServiceCursor &cursor, const BranchLineLabels &labels, bool wideCopies)
      : cursor_(cursor), labels_(labels), wideCopies_(wideCopies) {}
  BranchLineCache(const BranchLineCache &) = delete;
  BranchLineCache &operator=(const BranchLineCache &) = delete;

  /// The file-part whose hits come next.
  void selectFile(SourceFile &file);

  /// The line of a hit of a trace kind (1 to 4) on an ID in the selected file-part,
  /// as findBranch finds the branch; empty when it finds none or the branch has no
  /// line. Valid until the next call.
  std::string_view lineOf(int kind, uint32_t id) {
    const std::vector<LineRecord> &records = lines_->records[kind - 1];
    if (id < records.size()) {
      const LineRecord &record = records[id];
      if (record.length <= kInline) return std::string_view(record.text, record.length);
      if (record.length == kLong) return longLines_[record.longIndex()];
    }
    return lookUp(kind, id);
  }
  /// Writes the lines of hits of the selected file-part, in order, leaving out
  /// the kinds whose bit (1 << (kind - 1)) is clear in `kinds`: the same as
  /// lineOf for each, a line kept in its record copied with the whole record.
  void writeLines(const TraceHit *hits, std::size_t count, unsigned kinds, FlowOutput &out);
  /// The same for decoded lines (decodeHitLines).
  void writeDecodedLines(const uint32_t *lines, std::size_t count, unsigned kinds, FlowOutput &out);

private:
  /// The line of one branch, kept where its ID points: a hit's line is one read
  /// away from the hit, and the reads of the hits that follow do not wait for it.
  /// A line is copied with its whole record (the output has room for that).
  struct alignas(FlowOutput::kWindow) LineRecord {
    /// The line, or for a long one its index in longLines_.
    char text[FlowOutput::kWindow - 1];
    /// Its length (0: the hit writes nothing), or kLong, or kNotKept.
    uint8_t length;

    uint32_t longIndex() const {
      uint32_t index;
      std::memcpy(&index, text, sizeof index);
      return index;
    }
  };
  static_assert(sizeof(LineRecord) == FlowOutput::kWindow);
  /// The longest line kept in its record.
  static constexpr uint8_t kInline = sizeof(LineRecord::text);
  /// A longer line, kept in longLines_.
  static constexpr uint8_t kLong = 0xFE;
  /// No line is kept: it is looked up at each hit.
  static constexpr uint8_t kNotKept = 0xFF;

  /// The kept lines of one source file.
  struct FileLines {
    /// The records are made.
    bool made = false;
    /// Records by trace kind, then by ID. Empty when some ID of the file is held
    /// by several services: which one findBranch finds then depends on the hits
    /// before, so such a file's lines are not kept.
    std::array<std::vector<LineRecord>, 4> records;
  };

  /// writeLines over hits whose kind and ID `hitOf(i)` gives.
  template <typename HitOf>
  void writeHits(std::size_t count, unsigned kinds, FlowOutput &out, HitOf &&hitOf);
  /// writeDecodedLines sixteen lines at a time, with AVX-512 BW.
  void writeDecodedWide(const uint32_t *lines, std::size_t count, unsigned kinds, FlowOutput &out);
  /// The line of a hit that writeHits does not copy from a record, at the output
  /// position `next`; returns the position after it.
  char *writeOther(int kind, uint32_t id, char *next, FlowOutput &out);
  /// Looks the branch up and keeps its line when it has a record.
  std::string_view lookUp(int kind, uint32_t id);
  /// Makes the records of a file.
  void makeRecords(SourceFile &file, FileLines &lines);

  ServiceCursor &cursor_;
  const BranchLineLabels labels_;
  const bool wideCopies_;
  SourceFile *file_ = nullptr;
  /// The lines of the selected file (an empty set before any).
  FileLines *lines_ = &noLines_;
  FileLines noLines_;
  /// Kept lines by file ordinal.
  std::vector<FileLines> files_;
  /// The kept lines longer than a record holds.
  std::vector<std::string> longLines_;
  /// A line that is not kept.
  std::string scratch_;
};
