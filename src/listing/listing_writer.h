// One annotated listing being written: its header, the source copied line by line
// behind a line number and a marker, and after a line the annotation lines of the
// items placed on it that were not hit.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <vector>

#include "listing/annotation_list.h"

struct SourceFile;

class ListingWriter {
public:
  /// Copies `source` into `listing` (both stay owned by the caller). `sourceName`
  /// names the source in the warning about annotations past its end.
  /// `afterOpenLine`: the listing is appended to one that ends inside a line.
  ListingWriter(std::FILE *source, std::FILE *listing, const char *sourceName,
                bool afterOpenLine = false);

  /// Writes the header of the source file's listing, dated `listingTime`.
  void writeHeader(const SourceFile &file, std::time_t listingTime);
  /// Copies the source up to the line of each group of annotations of one line,
  /// that line with its marker, then one annotation line per item not hit.
  /// Annotations of lines the source does not have are written where the source
  /// ends, framed with "+++++"; no source line is copied after them.
  void writeAnnotations(const std::vector<ListingAnnotation> &annotations);
  /// Copies the rest of the source with the blank marker.
  void copyRest();
  /// Whether the listing ends inside a line (a last source line without line end).
  bool endsInsideLine() const { return insideLine_; }

private:
  /// Copies the next source line behind its number and `marker`; false (nothing
  /// written) when the source is exhausted.
  bool copyLine(const char *marker);
  /// Reads the next block of the source; false at its end.
  bool refill();
  /// Ends the line the listing ends inside, so that what follows starts a line.
  void endOpenLine();
  /// Writes the annotation line of an item not hit.
  void writeAnnotationLine(const ListingAnnotation &annotation);

  std::FILE *source_;
  std::FILE *listing_;
  const char *sourceName_;
  /// Source lines copied so far.
  unsigned long copied_ = 0;
  /// The source ended before a line that annotations refer to.
  bool pastEnd_ = false;
  /// The warning about annotations past the end has been given.
  bool pastEndWarned_ = false;
  /// The listing ends inside a line.
  bool insideLine_ = false;
  /// Source bytes read and not yet copied: buffer_[pos_, end_).
  std::vector<char> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
  /// The source has been read to its end.
  bool sourceDone_ = false;
};
