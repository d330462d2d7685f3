// What the fuzz targets share: fatal errors end one input instead of the process,
// internal errors are findings, and inputs become files without touching the disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "support/messages.h"

/// Thrown in place of the exit of a fatal error.
struct FatalExit {
  int status;
};

/// A fatal error (status 7, a format error) is an expected outcome of a bad
/// input; anything else (an internal error, status 9) is a finding.
[[noreturn]] inline void fuzzExit(int status) {
  if (status == kExitFatal) throw FatalExit{status};
  std::abort();
}

/// An in-memory file holding bytes, named by a path that opens it.
class MemoryFile {
public:
  MemoryFile(const uint8_t *data, std::size_t size) {
    fd_ = ::memfd_create("fuzz-input", 0);
    if (fd_ < 0) std::abort();
    for (std::size_t done = 0; done < size;) {
      const ssize_t put = ::write(fd_, data + done, size - done);
      if (put <= 0) std::abort();
      done += static_cast<std::size_t>(put);
    }
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemoryFile() { ::close(fd_); }
  MemoryFile(const MemoryFile &) = delete;
  MemoryFile &operator=(const MemoryFile &) = delete;
  const std::string &path() const { return path_; }

private:
  int fd_ = -1;
  std::string path_;
};
