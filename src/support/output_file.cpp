#include "support/output_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/messages.h"
#include "support/output_stream.h"
#include "support/paths.h"
#include "support/unfinished_files.h"

namespace {

/// The outputs open now, most recent first.
OutputFile *openOutputs = nullptr;

/// The tries at a free hidden name before giving up.
constexpr int kNameTries = 100;
/// The bytes of the target's name kept in the hidden name, so that it stays
/// within the limit of a name.
constexpr std::size_t kKeptNameBytes = 180;
constexpr char kUnfinishedMark[] = ".zeltocov-unfinished-";

/// Copies the content of `from` to the end of `to`; false with errno set.
bool copyContent(const std::string &from, std::FILE *to) {
  std::FILE *in = std::fopen(from.c_str(), "rb");
  if (!in) return errno == ENOENT;
  char block[64 * 1024];
  std::size_t got;
  bool ok = true;
  while (ok && (got = std::fread(block, 1, sizeof block, in)) > 0)
    ok = std::fwrite(block, 1, got, to) == got;
  ok = ok && std::ferror(in) == 0;
  const int error = errno;
  std::fclose(in);
  errno = error;
  return ok;
}

/// The old content is replaced, not read again: its pages in the cache are let go
/// (the file is unchanged), so that the new content does not have to find room
/// beside them. A large output written again would otherwise need twice its size
/// in memory until the rename.
void releaseCachedPages(const std::string &path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return;
  struct stat status {};
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  ::close(fd);
}

} // namespace

std::string unfinishedNameBeside(const std::string &path) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.size() > kKeptNameBytes) name.resize(kKeptNameBytes);
  unsigned char bytes[6] = {};
  if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
    // No entropy yet: the process and a counter still make the tries differ.
    static unsigned counter = 0;
    const unsigned seed = static_cast<unsigned>(getpid()) * 2654435761u + ++counter * 40503u;
    for (std::size_t i = 0; i < sizeof bytes; ++i)
      bytes[i] = static_cast<unsigned char>(seed >> (i * 5));
  }
  std::string random;
  for (unsigned char byte : bytes)
    random += kLetters[byte % (sizeof kLetters - 1)];
  return folder + "." + name + kUnfinishedMark + random;
}

std::string resolvedOutputPath(const std::string &path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
  char *resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return path;
  std::string result(resolved);
  std::free(resolved);
  return result;
}

void syncFolderOf(const std::string &path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder =
      slash == std::string::npos ? std::string(".") : (slash == 0 ? "/" : path.substr(0, slash));
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

int createUnfinishedBeside(const std::string &target, UnfinishedKind kind,
                           int (*create)(const char *path), std::string &path,
                           UnfinishedEntry *&entry) {
  for (int attempt = 0; attempt < kNameTries; ++attempt) {
    path = unfinishedNameBeside(target);
    // Listed before it exists: a signal in between removes nothing of another's.
    entry = listUnfinished(path.c_str(), kind);
    const int result = create(path.c_str());
    if (result >= 0) return result;
    const int error = errno;
    forgetUnfinished(entry);
    entry = nullptr;
    path.clear();
    errno = error;
    if (error != EEXIST) return -1;
  }
  return -1;
}

OutputFile::~OutputFile() {
  abandon();
}

bool OutputFile::open(const std::string &target, OnFatal onFatal, QString *reason,
                      bool keepContent) {
  abandon();
  target_ = target;
  onFatal_ = onFatal;
  auto fail = [&](int error) {
    if (reason) *reason = systemReason(error);
    return false;
  };
  struct stat status {};
  if (::stat(target.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
    // A device, a pipe or a terminal: nothing to replace.
    stream_ = std::fopen(target.c_str(), keepContent ? "a" : "w");
    if (!stream_) return fail(errno);
    direct_ = true;
  } else {
    replaced_ = resolvedOutputPath(target);
    // A file that may not be written is not replaced either.
    if (::access(replaced_.c_str(), F_OK) == 0 && ::access(replaced_.c_str(), W_OK) != 0)
      return fail(errno);
    if (!keepContent) releaseCachedPages(replaced_);
    const int fd = createUnfinishedBeside(
        replaced_, UnfinishedKind::File,
        [](const char *path) {
          return ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        },
        temporary_, unfinished_);
    if (fd < 0) return fail(errno);
    stream_ = ::fdopen(fd, "w");
    if (!stream_) {
      const int error = errno;
      ::close(fd);
      forget();
      return fail(error);
    }
    if (keepContent && !copyContent(replaced_, stream_)) {
      const int error = errno;
      abandon();
      return fail(error);
    }
  }
  nextOpen_ = openOutputs;
  if (openOutputs) openOutputs->previousOpen_ = this;
  openOutputs = this;
  return true;
}

bool OutputFile::commit(QString *reason) {
  if (!stream_) return true;
  // A new file is synced before it takes the target's place, unless its folder
  // syncs every file at once before it takes its own target's place.
  bool written = closeOutputChecked(stream_, reason, !direct_ && !syncedByFolder_);
  stream_ = nullptr;
  if (written && !direct_) {
    if (::rename(temporary_.c_str(), replaced_.c_str()) != 0) {
      written = false;
      if (reason) *reason = systemReason(errno);
    } else {
      if (!syncedByFolder_) syncFolderOf(replaced_);
      temporary_.clear();
    }
  }
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  forget();
  return written;
}

void OutputFile::commitOrFail() {
  QString reason;
  if (!commit(&reason)) reportCannotWrite(QString::fromLocal8Bit(target_.c_str()), reason);
}

void OutputFile::abandon() {
  if (stream_) std::fclose(stream_);
  stream_ = nullptr;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  forget();
}

void OutputFile::keepWritten() {
  if (!stream_) return;
  std::fflush(stream_);
  std::fclose(stream_);
  stream_ = nullptr;
  if (!direct_ && ::rename(temporary_.c_str(), replaced_.c_str()) == 0) temporary_.clear();
  abandon();
}

void OutputFile::forget() {
  forgetUnfinished(unfinished_);
  unfinished_ = nullptr;
  temporary_.clear();
  direct_ = false;
  if (previousOpen_) previousOpen_->nextOpen_ = nextOpen_;
  if (nextOpen_) nextOpen_->previousOpen_ = previousOpen_;
  if (openOutputs == this) openOutputs = nextOpen_;
  previousOpen_ = nextOpen_ = nullptr;
}

void OutputFile::settleAllOnFatal() {
  while (OutputFile *output = openOutputs) {
    if (output->onFatal_ == OnFatal::KeepWritten)
      output->keepWritten();
    else
      output->abandon();
  }
}

void OutputFile::abandonAll() {
  while (OutputFile *output = openOutputs)
    output->abandon();
}
