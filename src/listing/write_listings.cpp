#include "listing/write_listings.h"

#include <cstdio>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "cli/report_options.h"
#include "listing/annotation_list.h"
#include "listing/listing_writer.h"
#include "model/coverage_model.h"
#include "report/report_scope.h"
#include "support/messages.h"
#include "support/name_table.h"
#include "support/output_stream.h"
#include "support/paths.h"

namespace {

/// The file a path or stream stands for, whatever the spelling of its path.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileIdentity &other) const {
    return device == other.device && inode == other.inode;
  }
};

std::optional<FileIdentity> identityOf(const std::string &path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return std::nullopt;
  return FileIdentity{status.st_dev, status.st_ino};
}

std::optional<FileIdentity> identityOf(std::FILE *stream) {
  struct stat status {};
  if (fstat(fileno(stream), &status) != 0) return std::nullopt;
  return FileIdentity{status.st_dev, status.st_ino};
}

std::string sourcePathOf(const SourceFile &file) {
  return JoinPath(file.sourceDir ? file.sourceDir->text : "", file.sourceName->text);
}

QString local(const std::string &text) {
  return QString::fromLocal8Bit(text.c_str());
}

/// What the listings of one run share: the listing names met, the listings
/// written, and the sources that no listing may overwrite.
class ListingRun {
public:
  ListingRun(const CoverageModel &model, const ReportOptions &options, std::time_t listingTime)
      : options_(options), listingTime_(listingTime) {
    for (const std::unique_ptr<SourceFile> &file : model.files()) {
      if (file->placeholder || !file->sourceName) continue;
      if (std::optional<FileIdentity> identity = identityOf(sourcePathOf(*file)))
        sources_.push_back(*identity);
    }
  }
  ~ListingRun() { freeOccurrenceList(names_); }
  ListingRun(const ListingRun &) = delete;
  ListingRun &operator=(const ListingRun &) = delete;

  /// Writes the listing of one selected file with the items of its selected services.
  void write(const FileSummary &summary, CoverageTypes mask);

private:
  /// A listing written in this run.
  struct Written {
    FileIdentity identity;
    /// It ends inside a line.
    bool endsInsideLine = false;
  };

  Written *writtenAs(const std::optional<FileIdentity> &identity) {
    if (!identity) return nullptr;
    for (Written &written : written_)
      if (written.identity == *identity) return &written;
    return nullptr;
  }
  bool isSource(const std::optional<FileIdentity> &identity) const {
    if (!identity) return false;
    for (const FileIdentity &source : sources_)
      if (source == *identity) return true;
    return false;
  }
  /// Creates the listing, or opens it for appending when this run wrote it already;
  /// null when it cannot be written.
  std::FILE *open(const std::string &path, bool &appending);
  /// Copies the source into the listing with the annotations of the services.
  void annotate(std::FILE *source, std::FILE *listing, const FileSummary &summary,
                CoverageTypes mask);

  const ReportOptions &options_;
  std::time_t listingTime_;
  /// Listing paths met so far.
  OccurrenceList names_;
  std::vector<Written> written_;
  /// Identities of the loaded source files found on disk.
  std::vector<FileIdentity> sources_;
};

std::FILE *ListingRun::open(const std::string &path, bool &appending) {
  NameEntry *name = internName(path.c_str());
  const std::optional<FileIdentity> existing = identityOf(path);
  // A listing of this run met again, by the same path or by another spelling of it,
  // is appended to; any other file of that name is replaced.
  appending = countOccurrence(names_, name) > 1 || writtenAs(existing);
  // A listing never replaces a source file (a path that names a source through a
  // link, or a source whose name ends in .lsc).
  if (isSource(existing)) return nullptr;
  return std::fopen(path.c_str(), appending ? "a" : "w");
}

void ListingRun::write(const FileSummary &summary, CoverageTypes mask) {
  const SourceFile &file = *summary.file;
  const char *sourceName = file.sourceName->text;
  const std::string sourcePath = sourcePathOf(file);
  std::FILE *source = std::fopen(sourcePath.c_str(), "r");
  if (!source) {
    reportWarning(tr("User Warning", "Cannot create annotated listing, source file %1 not found",
                     "%1 is the name of the source file")
                      .arg(local(sourcePath)));
    return;
  }
  const std::string directory = options_.listingDirectory
                                    ? *options_.listingDirectory
                                    : std::string(file.sourceDir ? file.sourceDir->text : "");
  const std::string listingPath = AppendExtension(JoinPath(directory, sourceName), ".lsc");
  bool appending = false;
  std::FILE *listing = open(listingPath, appending);
  if (!listing) {
    reportWarning(tr("User Warning", "Cannot create annotated listing %1",
                     "%1 is the name of the listing file")
                      .arg(local(listingPath)));
    std::fclose(source);
    return;
  }
  const QString info = appending ? tr("User Info", "Appending annotated listing of %1",
                                      "%1 is the corresponding source file name")
                                 : tr("User Info", "Creating annotated listing of %1",
                                      "%1 is the corresponding source file name");
  reportInfo(info.arg(QString::fromLocal8Bit(sourceName)));
  annotate(source, listing, summary, mask);
  const bool sourceFailed = std::ferror(source) != 0;
  std::fclose(source);
  QString reason;
  if (!closeOutputChecked(listing, &reason) || sourceFailed) {
    if (reason.isEmpty())
      reason = tr("User Warning", "the source file could not be read",
                  "the reason why a listing is incomplete");
    reportWarning(tr("User Warning", "Annotated listing %1 could not be written completely: %2",
                     "%1 is the name of the listing file, %2 the reason")
                      .arg(local(listingPath), reason));
  }
}

void ListingRun::annotate(std::FILE *source, std::FILE *listing, const FileSummary &summary,
                          CoverageTypes mask) {
  const std::optional<FileIdentity> identity = identityOf(listing);
  Written *earlier = writtenAs(identity);
  ListingWriter writer(source, listing, summary.file->sourceName->text,
                       earlier && earlier->endsInsideLine);
  writer.writeHeader(*summary.file, listingTime_);

  // Services that follow one another in the source are annotated one by one;
  // services that overlap are annotated together, by line.
  bool inSequence = true;
  uint32_t previousLast = 0;
  for (const Service *service : summary.services) {
    if (service->firstLine <= previousLast) inSequence = false;
    previousLast = service->lastLine;
  }
  AnnotationList annotations;
  if (inSequence) {
    for (const Service *service : summary.services) {
      annotations.clear();
      annotations.addService(*service, mask);
      writer.writeAnnotations(annotations.entries());
    }
  } else {
    for (const Service *service : summary.services)
      annotations.addService(*service, mask);
    writer.writeAnnotations(annotations.entries());
  }
  writer.copyRest();

  if (earlier) {
    earlier->endsInsideLine = writer.endsInsideLine();
  } else if (identity) {
    written_.push_back(Written{*identity, writer.endsInsideLine()});
  }
}

} // namespace

void writeListings(const CoverageModel &model, const ReportOptions &options,
                   std::time_t listingTime) {
  const ReportScope scope = buildReportScope(model, options);
  ListingRun run(model, options, listingTime);
  for (const FileSummary &summary : scope.files)
    run.write(summary, scope.fileMask(*summary.file));
}
