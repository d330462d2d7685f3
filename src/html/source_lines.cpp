#include "html/source_lines.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// Bytes read at a time.
constexpr std::size_t kReadSize = 256 * 1024;

} // namespace

SourceLines::~SourceLines() {
  if (fd_ >= 0) ::close(fd_);
}

SourceTextStatus SourceLines::open(const std::string &path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd_ < 0) return SourceTextStatus::Missing;
  struct stat status {};
  if (::fstat(fd_, &status) != 0) return SourceTextStatus::Failed;
  if (!S_ISREG(status.st_mode)) return SourceTextStatus::NotRegular;
  // A regular file is read with ordinary, blocking reads.
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) return SourceTextStatus::Failed;
  size_ = status.st_size > 0 ? static_cast<std::size_t>(status.st_size) : 0;
  return SourceTextStatus::Read;
}

bool SourceLines::rewind() {
  if (fd_ < 0 || ::lseek(fd_, 0, SEEK_SET) != 0) return false;
  read_ = 0;
  start_ = end_ = 0;
  failed_ = false;
  return true;
}

bool SourceLines::fill() {
  if (read_ >= size_ || failed_ || fd_ < 0) return false;
  // The bytes not handed out go to the front; the buffer grows only for a line
  // longer than it.
  if (start_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + start_, end_ - start_);
    end_ -= start_;
    start_ = 0;
  }
  const std::size_t want = std::min(kReadSize, size_ - read_);
  if (buffer_.size() < end_ + want) buffer_.resize(end_ + want);
  for (;;) {
    const ssize_t got = ::read(fd_, buffer_.data() + end_, want);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      failed_ = true;
      return false;
    }
    if (got == 0) {
      // The file shrank: it ends here.
      size_ = read_;
      return false;
    }
    end_ += static_cast<std::size_t>(got);
    read_ += static_cast<std::size_t>(got);
    return true;
  }
}

bool SourceLines::next(std::string_view &line) {
  std::size_t scanned = start_;
  for (;;) {
    const void *found =
        scanned < end_ ? std::memchr(buffer_.data() + scanned, '\n', end_ - scanned) : nullptr;
    if (found) {
      std::size_t stop =
          static_cast<std::size_t>(static_cast<const char *>(found) - buffer_.data());
      const std::size_t after = stop + 1;
      if (stop > start_ && buffer_[stop - 1] == '\r') --stop;
      line = std::string_view(buffer_.data() + start_, stop - start_);
      start_ = after;
      return true;
    }
    const std::size_t kept = end_ - start_;
    if (!fill()) {
      if (failed_ || kept == 0) return false;
      // A last line without line feed.
      line = std::string_view(buffer_.data() + start_, end_ - start_);
      start_ = end_;
      return true;
    }
    // fill() moved the kept bytes to the front.
    scanned = kept;
  }
}
