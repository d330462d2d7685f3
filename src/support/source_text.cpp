#include "support/source_text.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// Closes a descriptor when it goes out of scope.
class OpenFile {
public:
  explicit OpenFile(int fd) : fd_(fd) {}
  ~OpenFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenFile(const OpenFile &) = delete;
  OpenFile &operator=(const OpenFile &) = delete;
  int fd() const { return fd_; }

private:
  int fd_;
};

} // namespace

SourceText readSourceText(const std::string &path) {
  SourceText text;
  // Non-blocking, so that opening a FIFO without a writer returns at once; a
  // terminal never becomes the controlling one.
  const OpenFile file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.fd() < 0) {
    text.status = SourceTextStatus::Missing;
    return text;
  }
  struct stat status {};
  if (::fstat(file.fd(), &status) != 0) {
    text.status = SourceTextStatus::Failed;
    return text;
  }
  if (!S_ISREG(status.st_mode)) {
    text.status = SourceTextStatus::NotRegular;
    return text;
  }
  // A regular file is read with ordinary, blocking reads.
  const int flags = ::fcntl(file.fd(), F_GETFL);
  if (flags < 0 || ::fcntl(file.fd(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
    text.status = SourceTextStatus::Failed;
    return text;
  }
  const std::size_t size = status.st_size > 0 ? static_cast<std::size_t>(status.st_size) : 0;
  text.bytes.resize(size);
  std::size_t got = 0;
  while (got < size) {
    const ssize_t read = ::read(file.fd(), text.bytes.data() + got, size - got);
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) {
      text.bytes.resize(got);
      text.status = SourceTextStatus::Failed;
      return text;
    }
    if (read == 0) break; // the file shrank
    got += static_cast<std::size_t>(read);
  }
  text.bytes.resize(got);
  text.status = SourceTextStatus::Read;
  return text;
}
