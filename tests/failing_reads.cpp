#include "failing_reads.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

#include "support/line_reader.h"

std::atomic<std::size_t> readableBytes{0};

ssize_t readFailingAfter(int fd, void *buffer, std::size_t count, off_t offset) {
  const off_t at = offset < 0 ? ::lseek(fd, 0, SEEK_CUR) : offset;
  const std::size_t limit = readableBytes.load();
  if (at < 0 || static_cast<std::size_t>(at) >= limit) {
    errno = EIO;
    return -1;
  }
  return LineReader::readFile(fd, buffer, std::min(count, limit - static_cast<std::size_t>(at)),
                              offset);
}
