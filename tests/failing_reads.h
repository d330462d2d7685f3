// A read function for the line reader that fails part way through a file, for
// the tests of read errors.
#pragma once

#include <atomic>
#include <cstddef>
#include <sys/types.h>

/// Bytes of a file that readFailingAfter gives before it fails.
extern std::atomic<std::size_t> readableBytes;

/// Reads like the line reader, but fails with EIO past the first readableBytes
/// of the file.
ssize_t readFailingAfter(int fd, void *buffer, std::size_t count, off_t offset);
