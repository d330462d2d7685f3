#include "trace/cleaned_trace_writer.h"

#include <algorithm>

#include "model/coverage_model.h"
#include "support/messages.h"
#include "support/numbers.h"

namespace {

const char *const kHitOpcodes[4] = {"TP", "TA", "TB", "TE"};

} // namespace

std::string escapeQuoted(const char *text) {
  std::string escaped;
  for (const char *c = text; *c; ++c) {
    if (*c == '\\' || *c == '"') escaped += '\\';
    escaped += *c;
  }
  return escaped;
}

void CleanedTraceWriter::writeSection(const CleanedSectionHead &head, const CoverageModel &model) {
  if (!out_) {
    if (!file_.open(path_, OnFatal::KeepWritten, nullptr))
      reportFatal(
          tr("Fatal Error", "Cannot write to file %1", "%1 is the name of the cleaned tio file")
              .arg(QString::fromLocal8Bit(path_.c_str())));
    out_ = file_.stream();
  }
  if (head.testName)
    std::fprintf(out_, "NT \"%s\"\n", escapeQuoted(head.testName).c_str());
  else
    std::fprintf(out_, "NT\n");
  // A test without date gets the time 0, which reads back as no date.
  if (head.date)
    std::fprintf(out_, "DT \"%s\"\n", escapeQuoted(head.date).c_str());
  else
    std::fprintf(out_, "DT 0\n");
  if (head.countOriented) std::fprintf(out_, "CO\n");

  for (const auto &file : model.files()) {
    if (file->otherVersion || file->ordinal >= pending_.size() || !pending_[file->ordinal])
      continue;
    const PendingHits &pending = *pending_[file->ordinal];
    if (std::none_of(pending.begin(), pending.end(),
                     [](const PendingHitArray &hits) { return hits.present; }))
      continue;
    std::fprintf(out_, "FT %s\n", FormatHex(file->fileKey));
    std::fprintf(out_, "DC %s\n", FormatHex(file->checksum));
    for (int kind = 0; kind < 4; ++kind) {
      const PendingHitArray &hits = pending[kind];
      if (!hits.present) continue;
      auto writeHit = [&](uint32_t id, uint32_t counter) {
        std::fprintf(out_, "%s %s", kHitOpcodes[kind], FormatHex(id));
        if (head.countOriented)
          std::fprintf(out_, " %s\n", FormatHex(counter));
        else
          std::fprintf(out_, "\n");
      };
      if (file->placeholder) {
        // Every ID kept for a placeholder lies below its grown size.
        ids_.clear();
        for (const auto &[id, counter] : hits.sparse)
          if (counter) ids_.push_back(id);
        std::sort(ids_.begin(), ids_.end());
        for (uint32_t id : ids_)
          writeHit(id, hits.sparse.at(id));
      } else {
        for (uint32_t id = 0; id < hits.dense.size(); ++id)
          if (hits.dense[id]) writeHit(id, hits.dense[id]);
      }
    }
  }
  for (std::unique_ptr<PendingHits> &pending : pending_)
    if (pending)
      for (PendingHitArray &hits : *pending)
        hits = PendingHitArray{};
}

PendingHits &CleanedTraceWriter::pendingOf(const SourceFile &file) {
  if (file.ordinal >= pending_.size()) pending_.resize(file.ordinal + 1);
  std::unique_ptr<PendingHits> &pending = pending_[file.ordinal];
  if (!pending) pending = std::make_unique<PendingHits>();
  return *pending;
}

void CleanedTraceWriter::close() {
  if (out_) file_.commitOrFail();
  out_ = nullptr;
}
