// Block-buffered line reading with in-place tokens.
#include "support/line_reader.h"

#include "support/host_services.h"
#include "support/messages.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

LineReader::LineReader() : LineReader(kDefaultBlockSize) {}

LineReader::LineReader(std::size_t blockSize) : blockSize_(blockSize < 2 ? 2 : blockSize) {}

LineReader::~LineReader() {
  close();
  freeIfSet(buffer_);
}

bool LineReader::open(const char *path) {
  close();
  file_ = std::fopen(path, "rb");
  if (!file_) return false;
  if (!buffer_) {
    capacity_ = std::min(blockSize_, kFirstReadSize);
    buffer_ = static_cast<char *>(safeAlloc(capacity_ + 1));
  }
  buffer_[0] = '\0';
  return true;
}

void LineReader::close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
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
  return file_ != nullptr;
}

void LineReader::restoreAfterLine() {
  if (!hasSaved_) return;
  buffer_[savedAt_] = saved_;
  hasSaved_ = false;
}

// Makes room behind the unread bytes and reads more of the stream; false when
// nothing more could be read.
bool LineReader::fill() {
  if (eof_ || !file_) return false;
  const std::size_t pending = end_ - start_;
  if (start_ > 0 && capacity_ - end_ < capacity_ / 2) {
    std::memmove(buffer_, buffer_ + start_, pending);
    start_ = 0;
    end_ = pending;
  }
  // A line longer than half the buffer: grow, so that every read stays large;
  // a stream that filled the first buffer: grow to the block size.
  if (capacity_ - end_ < capacity_ / 2 || (lastReadFull_ && capacity_ < blockSize_)) {
    capacity_ = std::max(capacity_ * 2, std::min(blockSize_, capacity_ * 16));
    buffer_ = static_cast<char *>(safeRealloc(buffer_, capacity_ + 1));
  }
  const std::size_t wanted = capacity_ - end_;
  errno = 0;
  const std::size_t got = std::fread(buffer_ + end_, 1, wanted, file_);
  lastReadFull_ = got == wanted;
  if (got == 0) {
    buffer_[end_] = '\0';
    eof_ = true;
    readFailed_ = std::ferror(file_) != 0;
    if (readFailed_ && failOnReadError_) {
      const int error = errno;
      reportFatal(tr("Fatal Error", "Cannot read file %1: %2",
                     "%1 is a file name, %2 the reason given by the system")
                      .arg(fileName_, QString::fromLocal8Bit(std::strerror(error ? error : EIO))));
    }
    return false;
  }
  end_ += got;
  buffer_[end_] = '\0';
  return true;
}

char *LineReader::readLine() {
  restoreAfterLine();
  line_ = cursor_ = nullptr;
  lineLength_ = 0;
  finalFragment_ = {};
  if (!file_) return nullptr;

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
  while (*close != '"') {
    if (*close == '\0' || *close == '\n') return false;
    if (*close == '\\') {
      ++close;
      if (*close == '\0' || *close == '\n') return false;
    }
    ++close;
  }
  const char after = close[1];
  if (after != ' ' && after != '\r' && after != '\n') return false;

  out.clear();
  out.reserve(static_cast<std::size_t>(close - open) + 1);
  for (const char *p = open; p <= close; ++p) {
    if (*p == '\\' && p < close && (p[1] == '\\' || p[1] == '"')) ++p;
    out.push_back(*p);
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
