#include "listing/listing_writer.h"

#include <cstring>
#include <string>

#include "listing/line_classification.h"
#include "model/coverage_records.h"
#include "support/messages.h"
#include "support/run_clock.h"
#include "support/source_map.h"
#include "support/tool_version.h"

namespace {

/// Line markers: no item of the line missed, some missed, all missed.
const char *const kBlankMarker = "   ";
const char *const kPartlyHitMarker = "-->";
const char *const kNotHitMarker = "==>";

const char *const kRule =
    "--------------------------------------------------------------------------------\n";

constexpr size_t kSourceBlock = 64 * 1024;

} // namespace

ListingWriter::ListingWriter(std::FILE *source, std::FILE *listing, const char *sourceName,
                             bool afterOpenLine)
    : source_(source), listing_(listing), sourceName_(sourceName), insideLine_(afterOpenLine),
      buffer_(kSourceBlock) {}

void ListingWriter::writeHeader(const SourceFile &file, std::time_t listingTime) {
  endOpenLine();
  std::fputs(kRule, listing_);
  std::fputs("\n\tCorvane(R) Velmora Coverage - Listing\n", listing_);
  std::fprintf(listing_, "\tTool version:             %s\n", kToolVersion);
  std::fprintf(listing_, "\n\tFile: %s (%s)\n", file.sourceName ? file.sourceName->text : "",
               mapSourcePath(file.sourceDir ? file.sourceDir->text : "").c_str());
  std::fprintf(listing_, "\n\tSource time:        %s\n",
               dateText(static_cast<std::time_t>(file.sourceTime)).c_str());
  std::fprintf(listing_, "\tListing time:       %s\n", dateText(listingTime).c_str());
  if (file.extraText) std::fprintf(listing_, "\t(%s)\n", file.extraText->text);
  std::fputc('\n', listing_);
  std::fputs(kRule, listing_);
  std::fprintf(listing_, "(Following annotated lines were not hit %s, or partially hit %s)\n",
               kNotHitMarker, kPartlyHitMarker);
}

void ListingWriter::writeAnnotations(const std::vector<ListingAnnotation> &annotations) {
  forEachAnnotatedLine(annotations, [&](const AnnotatedLine &group) {
    const uint32_t line = group.line;
    const char *marker = group.state == LineHitState::Hit         ? kBlankMarker
                         : group.state == LineHitState::PartlyHit ? kPartlyHitMarker
                                                                  : kNotHitMarker;
    if (!pastEnd_) {
      while (copied_ + 1 < line && !pastEnd_)
        if (!copyLine(kBlankMarker)) pastEnd_ = true;
      // The group's own line; a line the source does not have is past its end too.
      if (!pastEnd_ && copied_ + 1 == line && !copyLine(marker)) pastEnd_ = true;
    }
    if (group.missed > 0) {
      if (pastEnd_ && !pastEndWarned_) {
        reportWarning(tr("User Warning",
                         "Some unexecuted branches do not come from file %1, they are copied at "
                         "the end of listing file.",
                         "%1 is the name of the file")
                          .arg(QString::fromLocal8Bit(sourceName_)));
        pastEndWarned_ = true;
      }
      endOpenLine();
      for (size_t i = group.first; i < group.end; ++i)
        if (!annotations[i].hit) writeAnnotationLine(annotations[i]);
    }
  });
}

void ListingWriter::copyRest() {
  if (pastEnd_) return;
  while (copyLine(kBlankMarker)) {
  }
}

void ListingWriter::writeAnnotationLine(const ListingAnnotation &annotation) {
  const char *frame = pastEnd_ ? "+++++" : "*****";
  std::fprintf(listing_, "%s %s%s%s%s%s %s\n", frame, listingKindText(annotation.kind),
               annotation.text ? " " : "", annotation.text ? annotation.text : "",
               annotation.detail ? " " : "", annotation.detail ? annotation.detail : "", frame);
}

bool ListingWriter::refill() {
  if (sourceDone_) return false;
  pos_ = 0;
  end_ = std::fread(buffer_.data(), 1, buffer_.size(), source_);
  if (end_ == 0) sourceDone_ = true;
  return end_ > 0;
}

bool ListingWriter::copyLine(const char *marker) {
  if (pos_ == end_ && !refill()) return false;
  ++copied_;
  std::fprintf(listing_, "%5lu %s|", copied_, marker);
  // The line's bytes as they are, up to and including its line end.
  for (;;) {
    const char *start = buffer_.data() + pos_;
    const size_t available = end_ - pos_;
    if (const void *lineEnd = std::memchr(start, '\n', available)) {
      const size_t length = static_cast<const char *>(lineEnd) - start + 1;
      std::fwrite(start, 1, length, listing_);
      pos_ += length;
      insideLine_ = false;
      return true;
    }
    std::fwrite(start, 1, available, listing_);
    pos_ = end_;
    if (!refill()) {
      // The last line of a source without a final line end.
      insideLine_ = true;
      return true;
    }
  }
}

void ListingWriter::endOpenLine() {
  if (!insideLine_) return;
  std::fputc('\n', listing_);
  insideLine_ = false;
}
