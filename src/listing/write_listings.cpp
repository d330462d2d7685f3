#include "listing/write_listings.h"

#include <cstdio>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "listing/annotation_list.h"
#include "listing/listing_writer.h"
#include "model/coverage_model.h"
#include "report/report_scope.h"
#include "support/emergency_texts.h"
#include "support/messages.h"
#include "support/name_table.h"
#include "support/output_file.h"
#include "support/paths.h"
#include "support/run_settings.h"
#include "support/source_map.h"
#include "support/source_text.h"

namespace {

/// The file a path or stream stands for, whatever the spelling of its path.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileIdentity &other) const {
    return device == other.device && inode == other.inode;
  }
};

struct FileIdentityHash {
  size_t operator()(const FileIdentity &identity) const {
    return std::hash<uint64_t>()(static_cast<uint64_t>(identity.inode) * 0x9E3779B97F4A7C15ull ^
                                 static_cast<uint64_t>(identity.device));
  }
};

std::optional<FileIdentity> identityOf(const std::string &path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return std::nullopt;
  return FileIdentity{status.st_dev, status.st_ino};
}

std::string sourcePathOf(const SourceFile &file) {
  return MappedSourcePath(file.sourceDir, file.sourceName);
}

QString local(const std::string &text) {
  return QString::fromLocal8Bit(text.c_str());
}

/// What the listings of one run share: the listing names met, the listings
/// written, and the sources that no listing may overwrite.
class ListingRun {
public:
  ListingRun(const CoverageModel &model, const std::optional<std::string> &folder,
             std::time_t listingTime)
      : folder_(folder), listingTime_(listingTime) {
    for (const std::unique_ptr<SourceFile> &file : model.files()) {
      if (file->placeholder || !file->sourceName) continue;
      if (std::optional<FileIdentity> identity = identityOf(sourcePathOf(*file)))
        sources_.insert(*identity);
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
    const auto found = writtenIndex_.find(*identity);
    return found == writtenIndex_.end() ? nullptr : &written_[found->second];
  }
  bool isSource(const std::optional<FileIdentity> &identity) const {
    return identity && sources_.count(*identity) != 0;
  }
  /// Creates the listing, or opens it for appending when this run wrote it already;
  /// null when it cannot be written.
  std::FILE *open(const std::string &path, bool &appending);
  /// Records the listing just put in place at `path` (`earlier` when this run
  /// wrote it before) and whether it ends inside a line.
  void remember(const std::string &path, Written *earlier, bool endsInsideLine);
  /// Copies the source into the listing with the annotations of the services;
  /// `continuesLine` when the listing so far ends inside a line. True when the
  /// listing now ends inside a line.
  bool annotate(std::FILE *source, std::FILE *listing, const FileSummary &summary,
                CoverageTypes mask, bool continuesLine) const;

  /// The -LISTING directory, when given.
  const std::optional<std::string> &folder_;
  std::time_t listingTime_;
  /// Listing paths met so far.
  OccurrenceList names_;
  std::vector<Written> written_;
  /// The index in written_ of each listing written, by identity.
  std::unordered_map<FileIdentity, size_t, FileIdentityHash> writtenIndex_;
  /// Identities of the loaded source files found on disk.
  std::unordered_set<FileIdentity, FileIdentityHash> sources_;
  /// The listing being written.
  OutputFile listingFile_;
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
  // Written whole: a listing met again starts from what this run wrote of it.
  if (!listingFile_.open(path, OnFatal::KeepWritten, nullptr, appending)) return nullptr;
  return listingFile_.stream();
}

void ListingRun::write(const FileSummary &summary, CoverageTypes mask) {
  const SourceFile &file = *summary.file;
  const char *sourceName = file.sourceName->text;
  const std::string sourcePath = sourcePathOf(file);
  SourceText text = readSourceText(sourcePath);
  if (text.status == SourceTextStatus::NotRegular) {
    reportWarning(tr("User Warning",
                     "Source file %1 is not a regular file; it is treated as missing",
                     "%1 is the name of the source file")
                      .arg(local(sourcePath)));
    return;
  }
  if (text.status == SourceTextStatus::Missing) {
    reportWarning(tr("User Warning", "Cannot create annotated listing, source file %1 not found",
                     "%1 is the name of the source file")
                      .arg(local(sourcePath)));
    return;
  }
  // The listing copies the bytes read (with a read that failed, those read before).
  std::FILE *source = fmemopen(text.bytes.data(), text.bytes.size(), "r");
  if (!source) reportNoMemory();
  const std::string listingPath = listingPathOf(file, folder_);
  // A listing of this run met again: its line state carries over.
  Written *earlier = writtenAs(identityOf(listingPath));
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
  const bool endsInsideLine =
      annotate(source, listing, summary, mask, earlier && earlier->endsInsideLine);
  const bool sourceFailed = text.status == SourceTextStatus::Failed || std::ferror(source) != 0;
  std::fclose(source);
  QString reason;
  const bool written = listingFile_.commit(&reason);
  if (written) remember(listingPath, earlier, endsInsideLine);
  if (!written || sourceFailed) {
    if (reason.isEmpty())
      reason = tr("User Warning", "the source file could not be read",
                  "the reason why a listing is incomplete");
    reportWarning(tr("User Warning", "Annotated listing %1 could not be written completely: %2",
                     "%1 is the name of the listing file, %2 the reason")
                      .arg(local(listingPath), reason));
  }
}

void ListingRun::remember(const std::string &path, Written *earlier, bool endsInsideLine) {
  // The listing now in place is a new file: the run knows it by its new identity.
  const std::optional<FileIdentity> identity = identityOf(path);
  if (!identity) return;
  if (earlier) {
    writtenIndex_.erase(earlier->identity);
    writtenIndex_[*identity] = static_cast<size_t>(earlier - written_.data());
    *earlier = Written{*identity, endsInsideLine};
  } else {
    writtenIndex_[*identity] = written_.size();
    written_.push_back(Written{*identity, endsInsideLine});
  }
}

bool ListingRun::annotate(std::FILE *source, std::FILE *listing, const FileSummary &summary,
                          CoverageTypes mask, bool continuesLine) const {
  ListingWriter writer(source, listing, summary.file->sourceName->text, continuesLine);
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
  return writer.endsInsideLine();
}

} // namespace

std::string listingPathOf(const SourceFile &file, const std::optional<std::string> &folder) {
  const std::string directory =
      folder ? *folder : mapSourcePath(file.sourceDir ? file.sourceDir->text : "");
  return AppendExtension(JoinPath(directory, file.sourceName->text), ".lsc");
}

void writeListings(const CoverageModel &model, const RunSettings &options,
                   const std::optional<std::string> &folder, std::time_t listingTime) {
  const ReportScope scope = buildReportScope(model, options);
  ListingRun run(model, folder, listingTime);
  for (const FileSummary &summary : scope.files)
    run.write(summary, scope.fileMask(*summary.file));
}
