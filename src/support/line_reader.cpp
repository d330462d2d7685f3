// Block-buffered line reading with in-place tokens.
#include "support/line_reader.h"

#include "support/host_services.h"
#include "support/messages.h"
#include "support/plain_reading.h"
#include "support/read_ahead.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

LineReader::LineReader() : LineReader(kDefaultBlockSize) {}

LineReader::LineReader(std::size_t blockSize)
    : read_(readFile), blockSize_(blockSize < 2 ? 2 : blockSize),
      readAheadMinimum_(plainReadingForced() ? SIZE_MAX : kReadAheadMinimum) {}

ssize_t LineReader::readFile(int fd, void *buffer, std::size_t count, off_t offset) {
  return offset < 0 ? ::read(fd, buffer, count) : ::pread(fd, buffer, count, offset);
}

LineReader::~LineReader() {
  close();
  dropPrepared();
  freeIfSet(own_);
  for (AheadMemory &set : aheadMemory_)
    for (char *memory : set.blocks)
      freeIfSet(memory);
}

namespace {

/// The room before each read-ahead block: the unfinished line at the end of a
/// block is copied in front of the next one when it fits (longer ones go on in
/// the own buffer).
std::size_t roomBeforeBlocks(std::size_t blockSize) {
  return std::max(LineReader::kTailPadding, blockSize / 16);
}

/// The size of a regular file open as `fd`, or nothing for any other file.
std::optional<uint64_t> regularFileSize(int fd) {
  struct stat status;
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(status.st_size);
}

} // namespace

char *const *LineReader::aheadBlocks(int set) {
  AheadMemory &memory = aheadMemory_[set];
  const std::size_t size = roomBeforeBlocks(blockSize_) + blockSize_ + kTailPadding;
  if (memory.size != size) {
    for (char *&block : memory.blocks) {
      freeIfSet(block);
      block = static_cast<char *>(safeAlloc(size));
    }
    memory.size = size;
  }
  return memory.blocks;
}

std::unique_ptr<ReadAhead> LineReader::startReadAhead(int fd, int set) {
  return std::make_unique<ReadAhead>(fd, read_, blockSize_, roomBeforeBlocks(blockSize_),
                                     kTailPadding, aheadBlocks(set), preparer_, 2 * set);
}

void LineReader::prepareNext(const char *path) {
  dropPrepared();
  // Not blocking: a path that names a FIFO must not hold the reading up here
  // (only a regular file is prepared; reads of it never block anyway).
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return; // the open of the file tells
  const std::optional<uint64_t> size = regularFileSize(fd);
  if (!size || *size < readAheadMinimum_) {
    ::close(fd);
    return;
  }
  prepared_.path = path;
  prepared_.fd = fd;
  prepared_.size = *size;
  prepared_.blockSize = blockSize_;
  prepared_.read = read_;
  prepared_.preparer = preparer_;
  prepared_.ahead = startReadAhead(fd, 1 - currentMemory_);
}

void LineReader::dropPrepared() {
  // The thread stops before the descriptor it reads is closed.
  prepared_.ahead.reset();
  if (prepared_.fd >= 0) ::close(prepared_.fd);
  prepared_.fd = -1;
  prepared_.path.clear();
}

bool LineReader::open(const char *path) {
  close();
  std::optional<uint64_t> size;
  if (prepared_.fd >= 0 && prepared_.path == path && prepared_.blockSize == blockSize_ &&
      prepared_.read == read_ && prepared_.preparer == preparer_ &&
      prepared_.size >= readAheadMinimum_) {
    // Read ahead already: its reading goes on as this file's.
    fd_ = prepared_.fd;
    size = prepared_.size;
    ahead_ = std::move(prepared_.ahead);
    currentMemory_ = 1 - currentMemory_;
    prepared_.fd = -1;
    prepared_.path.clear();
  } else {
    dropPrepared();
    fd_ = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return false;
    size = regularFileSize(fd_);
  }
  if (!own_) {
    // A small file gets a buffer its size (and a small buffer comes and goes
    // cheaply: most FDC files are a few kilobytes).
    std::size_t first = std::min(blockSize_, kFirstReadSize);
    if (size && *size < first)
      first = std::max<std::size_t>(static_cast<std::size_t>(*size) + 1, 4096);
    growOwn(first);
  }
  buffer_ = own_;
  terminate();
  if (!ahead_ && size && *size >= readAheadMinimum_) ahead_ = startReadAhead(fd_, currentMemory_);
  return true;
}

void LineReader::close() {
  // The thread stops before the descriptor it reads is closed.
  ahead_.reset();
  heldSlot_ = -1;
  preparedSlot_ = -1;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  buffer_ = own_;
  start_ = end_ = 0;
  eof_ = false;
  readFailed_ = false;
  failOnReadError_ = false;
  lineTooLong_ = false;
  finalFragment_ = {};
  lastReadFull_ = false;
  line_ = cursor_ = nullptr;
  lineLength_ = 0;
  hasSaved_ = false;
}

bool LineReader::isOpen() const {
  return fd_ >= 0;
}

void LineReader::restoreAfterLine() {
  if (!hasSaved_) return;
  buffer_[savedAt_] = saved_;
  hasSaved_ = false;
}

void LineReader::terminate() {
  std::memset(buffer_ + end_, 0, kTailPadding);
}

void LineReader::growOwn(std::size_t bytes) {
  if (own_ && bytes <= capacity_) return;
  const bool current = buffer_ == own_;
  capacity_ = bytes;
  own_ = static_cast<char *>(safeRealloc(own_, capacity_ + kTailPadding));
  if (current) buffer_ = own_;
}

void LineReader::endOfData(int error) {
  eof_ = true;
  readFailed_ = error != 0;
  terminate();
  if (readFailed_ && failOnReadError_)
    reportFatal(tr("Fatal Error", "Cannot read file %1: %2",
                   "%1 is a file name, %2 the reason given by the system")
                    .arg(fileName_, QString::fromLocal8Bit(std::strerror(error))));
}

// Makes room behind the unread bytes and reads more of the file; false when
// nothing more could be read.
bool LineReader::fill() {
  if (eof_ || fd_ < 0) return false;
  return ahead_ ? fillFromBlocks() : fillDirectly();
}

bool LineReader::fillDirectly() {
  const std::size_t pending = end_ - start_;
  if (start_ > 0 && capacity_ - end_ < capacity_ / 2) {
    std::memmove(own_, own_ + start_, pending);
    start_ = 0;
    end_ = pending;
  }
  // A line longer than half the buffer: grow, so that every read stays large;
  // a file that filled the first buffer: grow to the block size.
  if (capacity_ - end_ < capacity_ / 2 || (lastReadFull_ && capacity_ < blockSize_))
    growOwn(std::max(capacity_ * 2, std::min(blockSize_, capacity_ * 16)));
  const std::size_t wanted = capacity_ - end_;
  ssize_t got;
  do {
    errno = 0;
    got = read_(fd_, own_ + end_, wanted, -1);
  } while (got < 0 && errno == EINTR);
  lastReadFull_ = got > 0 && static_cast<std::size_t>(got) == wanted;
  if (got <= 0) {
    endOfData(got < 0 ? (errno ? errno : EIO) : 0);
    return false;
  }
  end_ += static_cast<std::size_t>(got);
  terminate();
  return true;
}

bool LineReader::fillFromBlocks() {
  const ReadAhead::Block block = ahead_->next();
  if (block.end) {
    // The bytes not taken stay where they are (the block holding them is kept).
    endOfData(block.error);
    return false;
  }
  const std::size_t pending = end_ - start_;
  const std::size_t room = ahead_->room();
  if (pending <= room) {
    // The unfinished line goes in front of the new block, which is read in place.
    std::memcpy(block.data - pending, buffer_ + start_, pending);
    ahead_->release(heldSlot_);
    heldSlot_ = block.slot;
    preparedSlot_ = block.prepared;
    buffer_ = block.data - room;
    start_ = room - pending;
    end_ = room + block.size;
  } else {
    // A line longer than the room goes on in the own buffer, the block after it.
    if (buffer_ == own_) {
      std::memmove(own_, own_ + start_, pending);
      growOwn(pending + block.size);
    } else {
      growOwn(pending + block.size);
      std::memcpy(own_, buffer_ + start_, pending);
    }
    std::memcpy(own_ + pending, block.data, block.size);
    ahead_->release(heldSlot_);
    ahead_->release(block.slot);
    heldSlot_ = -1;
    preparedSlot_ = -1;
    buffer_ = own_;
    start_ = 0;
    end_ = pending + block.size;
  }
  terminate();
  return true;
}

char *LineReader::readLine() {
  restoreAfterLine();
  line_ = cursor_ = nullptr;
  lineLength_ = 0;
  finalFragment_ = {};
  if (fd_ < 0) return nullptr;

  std::size_t scanned = 0; // bytes after start_ known to hold no LF
  char *lineFeed = nullptr;
  for (;;) {
    lineFeed =
        static_cast<char *>(std::memchr(buffer_ + start_ + scanned, '\n', end_ - start_ - scanned));
    if (lineFeed) break;
    scanned = end_ - start_;
    if (scanned >= maxLineLength_) {
      lineTooLong_ = true;
      eof_ = true;
      start_ = end_;
      return nullptr;
    }
    if (!fill()) {
      // A last line without line end is dropped.
      finalFragment_ = std::string_view(buffer_ + start_, end_ - start_);
      start_ = end_;
      return nullptr;
    }
  }

  const std::size_t length = static_cast<std::size_t>(lineFeed - (buffer_ + start_)) + 1;
  if (length > maxLineLength_) {
    lineTooLong_ = true;
    eof_ = true;
    start_ = end_;
    return nullptr;
  }
  line_ = buffer_ + start_;
  start_ += length;
  lineLength_ = length;
  if (length >= 2 && lineFeed[-1] == '\r') {
    // CR LF: hand out a single LF, terminated where the LF was.
    lineFeed[-1] = '\n';
    lineFeed[0] = '\0';
    lineLength_ = length - 1;
  } else {
    // Terminate in the first byte after the line, put back before reading on.
    savedAt_ = start_;
    saved_ = buffer_[start_];
    hasSaved_ = true;
    buffer_[start_] = '\0';
  }
  cursor_ = line_;
  return line_;
}

char *LineReader::nextToken() {
  if (!cursor_) return nullptr;
  while (*cursor_ == ' ')
    ++cursor_;
  char *token = cursor_;
  char *end = cursor_;
  while (*end != '\0' && *end != ' ' && *end != '\r' && *end != '\n')
    ++end;
  if (*end == '\0') {
    cursor_ = end;
    return nullptr;
  }
  const bool bySpace = *end == ' ';
  *end = '\0';
  cursor_ = bySpace ? end + 1 : end;
  return token;
}

bool LineReader::nextQuotedText(std::string &out) {
  if (!cursor_) return false;
  while (*cursor_ == ' ')
    ++cursor_;
  char *open = cursor_;
  while (*open != '"') {
    if (*open == '\0' || *open == ' ' || *open == '\r' || *open == '\n') return false;
    ++open;
  }
  char *close = open + 1;
  bool escapes = false;
  while (*close != '"') {
    if (*close == '\0' || *close == '\n') return false;
    if (*close == '\\') {
      escapes = true;
      ++close;
      if (*close == '\0' || *close == '\n') return false;
    }
    ++close;
  }
  const char after = close[1];
  if (after != ' ' && after != '\r' && after != '\n') return false;

  if (!escapes) {
    // Nearly every text: taken as it stands, quotes included.
    out.assign(open, close + 1);
  } else {
    out.clear();
    out.reserve(static_cast<std::size_t>(close - open) + 1);
    for (const char *p = open; p <= close; ++p) {
      if (*p == '\\' && p < close && (p[1] == '\\' || p[1] == '"')) ++p;
      out.push_back(*p);
    }
  }
  // The line always ends in LF followed by NUL, so stepping over the LF lands on
  // the terminator.
  cursor_ = close + 2;
  return true;
}

std::string_view LineReader::bufferedBytes() {
  restoreAfterLine();
  line_ = cursor_ = nullptr;
  lineLength_ = 0;
  return std::string_view(buffer_ + start_, end_ - start_);
}

int LineReader::readChar() {
  restoreAfterLine();
  line_ = cursor_ = nullptr;
  lineLength_ = 0;
  if (start_ == end_ && !fill()) return EOF;
  return static_cast<unsigned char>(buffer_[start_++]);
}
