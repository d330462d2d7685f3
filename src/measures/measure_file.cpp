#include "measures/measure_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/messages.h"

namespace {

/// Open flags common to every file of the database: never through a symbolic
/// link, never inherited, and no wait on a FIFO planted at the name.
constexpr int kSafeFlags = O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;

} // namespace

MeasureFile::~MeasureFile() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

MeasureFile::Opened MeasureFile::keepIfSafe(int descriptor) {
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) {
    error_ = errno;
    ::close(descriptor);
    return Opened::Failed;
  }
  Opened verdict = Opened::Open;
  if (!S_ISREG(status.st_mode))
    verdict = Opened::NotRegular;
  else if (status.st_uid != ::geteuid())
    verdict = Opened::NotOwned;
  else if (status.st_nlink != 1)
    verdict = Opened::Link;
  if (verdict != Opened::Open) {
    ::close(descriptor);
    return verdict;
  }
  // Regular files ignore O_NONBLOCK; cleared all the same.
  const int flags = ::fcntl(descriptor, F_GETFL);
  if (flags >= 0) ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
  descriptor_ = descriptor;
  return Opened::Open;
}

MeasureFile::Opened MeasureFile::open(const std::string &path) {
  close();
  const int descriptor = ::open(path.c_str(), kSafeFlags);
  if (descriptor < 0) {
    error_ = errno;
    if (error_ == ENOENT) return Opened::Missing;
    // O_NOFOLLOW refuses a symbolic link with ELOOP.
    if (error_ == ELOOP) return Opened::Link;
    if (error_ == EISDIR) return Opened::NotRegular;
    return Opened::Failed;
  }
  return keepIfSafe(descriptor);
}

MeasureFile::Opened MeasureFile::create(const std::string &path) {
  close();
  const int descriptor = ::open(path.c_str(), kSafeFlags | O_CREAT | O_EXCL,
                                S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH);
  if (descriptor < 0) {
    error_ = errno;
    return Opened::Failed;
  }
  return keepIfSafe(descriptor);
}

off_t MeasureFile::size() {
  struct stat status {};
  if (::fstat(descriptor_, &status) != 0) {
    error_ = errno;
    return -1;
  }
  return status.st_size;
}

bool MeasureFile::readAt(off_t offset, unsigned char *bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t got = ::pread(descriptor_, bytes, size, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      error_ = got < 0 ? errno : 0;
      return false;
    }
    bytes += got;
    size -= static_cast<std::size_t>(got);
    offset += got;
  }
  return true;
}

bool MeasureFile::writeAt(off_t offset, const unsigned char *bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t put = ::pwrite(descriptor_, bytes, size, offset);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      error_ = put < 0 ? errno : ENOSPC;
      return false;
    }
    bytes += put;
    size -= static_cast<std::size_t>(put);
    offset += put;
  }
  return true;
}

bool MeasureFile::truncate(off_t size) {
  if (::ftruncate(descriptor_, size) == 0) return true;
  error_ = errno;
  return false;
}

bool MeasureFile::sync() {
  if (::fdatasync(descriptor_) == 0) return true;
  error_ = errno;
  return false;
}

bool MeasureFile::close() {
  if (descriptor_ < 0) return true;
  const int descriptor = descriptor_;
  descriptor_ = -1;
  if (::close(descriptor) == 0) return true;
  error_ = errno;
  return false;
}

QString refusalMessage(MeasureFile::Opened verdict, const std::string &path) {
  const QString name = QString::fromLocal8Bit(path);
  switch (verdict) {
  case MeasureFile::Opened::Link:
    return tr("Error", "%1 is a link: refused, the measure is not written", "%1 is a file name")
        .arg(name);
  case MeasureFile::Opened::NotRegular:
    return tr("Error", "%1 is not a regular file: refused, the measure is not written",
              "%1 is a file name")
        .arg(name);
  default:
    return tr("Error",
              "%1 is not owned by the user of this run: refused, the measure is not written",
              "%1 is a file name")
        .arg(name);
  }
}
