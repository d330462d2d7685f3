// Line and token reading shared by the FDC and trace readers.
//
// The file is read in large blocks; a line is handed out in place, ending with
// its LF and followed by a NUL (a CR LF pair is one line end: it is handed out as
// a single LF). Tokens are cut in place. A final line without line end is not
// returned. A NUL byte inside a line ends its text for the token rules.
//
// A large regular file is read ahead on a thread of its own (ReadAhead), into two
// blocks in turn: the lines are handed out from the blocks themselves, and only
// the unfinished line at the end of a block is copied in front of the next one.
// What the thread met (the end, a read error) is acted on here, when the reading
// gets there, exactly as when the file is read directly.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>

class BlockPreparer;
class ReadAhead;

class LineReader {
public:
  /// Bytes read from the file at a time by default (the size of a read-ahead block).
  static constexpr std::size_t kDefaultBlockSize = 1024 * 1024;
  /// Bytes of the first read of a file; the buffer grows to the block size only
  /// for a file that fills it (most FDC files do not).
  static constexpr std::size_t kFirstReadSize = 64 * 1024;
  /// The longest line a reader accepts by default: no record of an FDC or trace
  /// file comes near it, so a longer line means the file is not one.
  static constexpr std::size_t kMaxLineLength = 64 * 1024 * 1024;
  /// Readable bytes after the buffered bytes, the first of them NUL, the others
  /// of no meaning: room for scans that read whole words or vectors.
  static constexpr std::size_t kTailPadding = 64;
  /// Files at least this large are read ahead on a thread by default (a file of
  /// one block or more: the thread costs far less than reading a block); none
  /// is with the plain reading (support/plain_reading.h).
  static constexpr std::size_t kReadAheadMinimum = kDefaultBlockSize;
  /// How the bytes of the file are read: at `offset`, or at the file's position
  /// when it is negative (pread(2) or read(2) by default; tests put failures in).
  using ReadFunction = ssize_t (*)(int fd, void *buffer, std::size_t count, off_t offset);
  /// The default ReadFunction.
  static ssize_t readFile(int fd, void *buffer, std::size_t count, off_t offset);

  LineReader();
  /// A reader with its own block size (the buffer still grows for longer lines).
  explicit LineReader(std::size_t blockSize);
  ~LineReader();
  LineReader(const LineReader &) = delete;
  LineReader &operator=(const LineReader &) = delete;

  /// Opens a file for reading; false when it cannot be opened.
  bool open(const char *path);
  /// Starts reading ahead the file that will be opened next, while the current
  /// one is read, so that a run over many files does not wait at the start of
  /// each (a file that would be read ahead only). An open of that path takes its
  /// reading over; an open of another path, or the destructor, drops it.
  void prepareNext(const char *path);
  /// Closes the file (also done by the destructor).
  void close();
  bool isOpen() const;
  /// Whether a read of the file failed (reading then stopped as at its end).
  bool readFailed() const { return readFailed_; }
  /// From now on a read error ends the run with the fatal "Cannot read file %1: %2"
  /// naming `fileName` and the system's reason, instead of looking like the end of
  /// the file.
  void failOnReadError(const QString &fileName) {
    failOnReadError_ = true;
    fileName_ = fileName;
  }
  /// Whether reading stopped at a line longer than the longest line accepted.
  bool lineTooLong() const { return lineTooLong_; }
  /// The longest line accepted (lines include their LF).
  void setMaxLineLength(std::size_t bytes) { maxLineLength_ = bytes; }
  /// Bytes read at a time (and of each read-ahead block), set before the first
  /// open (the buffer still grows for longer lines).
  void setBlockSize(std::size_t bytes) { blockSize_ = bytes < 2 ? 2 : bytes; }
  /// Regular files of at least this many bytes opened from now on are read ahead
  /// on a thread (SIZE_MAX: none).
  void setReadAheadMinimum(std::size_t bytes) { readAheadMinimum_ = bytes; }
  /// Blocks read ahead from now on are prepared by `preparer` (null: none).
  void setBlockPreparer(BlockPreparer *preparer) { preparer_ = preparer; }
  /// The preparer's slot of the block the buffered bytes are in, when the thread
  /// prepared it, else -1. The bytes of a line unfinished at the end of the block
  /// before are put in front of the block, not in it.
  int preparedSlot() const { return preparedSlot_; }
  /// Whether the file open is being read ahead.
  bool readsAhead() const { return ahead_ != nullptr; }
  /// How files opened from now on are read.
  void setReadFunction(ReadFunction read) { read_ = read; }

  /// The next line (its text followed by LF), or null at end of file, also when
  /// the last line has no line end, and at a line longer than the longest line
  /// accepted (lineTooLong tells; reading then stops). The cursor is set to the line's start. The
  /// previous line and its tokens are no longer valid afterwards.
  char *readLine();
  /// The bytes of a last line without line end, once readLine has returned null
  /// for it (empty otherwise); valid until the next read.
  std::string_view finalFragment() const { return finalFragment_; }
  /// Bytes of the current line including its LF.
  std::size_t lineLength() const { return lineLength_; }
  /// The current line, as last returned by readLine (null at end of file).
  char *line() const { return line_; }

  /// Next plain token: spaces skipped, ends at NUL, space, CR or LF (cut in place).
  /// A token ended by NUL is absent (null); blanks before the line end give one
  /// empty token, then null.
  char *nextToken();
  /// Next quoted text into `out`, with its enclosing quotes; a backslash protects
  /// the next character, and \\ and \" are undone. False (cursor left after the
  /// skipped spaces) when there is none on this line.
  bool nextQuotedText(std::string &out);

  /// One byte of the file after the current line, or EOF; used by scans that
  /// work character by character. The next readLine starts after it. The current
  /// line and its tokens are no longer valid afterwards.
  int readChar();

  /// The bytes after the current line that are already in the buffer, for scans
  /// that take whole lines straight from it (no more is read from the file).
  /// A NUL byte always follows them, so a scan that stops at NUL needs no other
  /// bound, then kTailPadding - 1 more readable bytes. The current line and its
  /// tokens are no longer valid afterwards.
  std::string_view bufferedBytes();
  /// Consumes the first `count` bytes of bufferedBytes(): the next readLine
  /// starts after them.
  void skipBytes(std::size_t count) { start_ += count; }

private:
  bool fill();
  /// fill() reading the file here, into the own buffer.
  bool fillDirectly();
  /// fill() taking the next block of the read-ahead thread.
  bool fillFromBlocks();
  /// The file ended, or a read failed with `error` (fatal when asked so).
  void endOfData(int error);
  /// Grows the own buffer to hold `bytes` of data (and the padding), keeping its bytes.
  void growOwn(std::size_t bytes);
  /// Writes the NUL and the padding after the bytes.
  void terminate();
  void restoreAfterLine();

  int fd_ = -1;
  ReadFunction read_;
  std::size_t blockSize_;            ///< bytes read at a time
  std::size_t readAheadMinimum_;     ///< see setReadAheadMinimum
  std::unique_ptr<ReadAhead> ahead_; ///< the read-ahead thread, for a large file
  /// Two sets of read-ahead blocks (one for the file open, one for the next
  /// file), kept from file to file, and the size of each block.
  struct AheadMemory {
    char *blocks[2] = {};
    std::size_t size = 0;
  };
  AheadMemory aheadMemory_[2];
  /// The set of the file open.
  int currentMemory_ = 0;
  /// The next file, read ahead already (fd -1: none).
  struct PreparedFile {
    std::string path;
    int fd = -1;
    uint64_t size = 0;
    std::size_t blockSize = 0;
    ReadFunction read = nullptr;
    /// Its blocks go to this preparer's slots: another one would find none.
    BlockPreparer *preparer = nullptr;
    std::unique_ptr<ReadAhead> ahead;
  };
  PreparedFile prepared_;
  /// The blocks of a set, (re)made for the current block size.
  char *const *aheadBlocks(int set);
  /// A read-ahead of the open descriptor `fd` into a set of blocks.
  std::unique_ptr<ReadAhead> startReadAhead(int fd, int set);
  /// Stops the next file's reading and closes it.
  void dropPrepared();
  int heldSlot_ = -1;                 ///< the read-ahead block buffer_ points into, or -1
  int preparedSlot_ = -1;             ///< see preparedSlot()
  BlockPreparer *preparer_ = nullptr; ///< prepares the blocks read ahead
  char *own_ = nullptr;               ///< the reader's own buffer (capacity_ + kTailPadding bytes)
  std::size_t capacity_ = 0;          ///< bytes of own_ usable for file data
  char *buffer_ = nullptr;            ///< the bytes being read: own_, or a read-ahead block
  std::size_t start_ = 0;             ///< first unread byte
  std::size_t end_ = 0;               ///< one past the last valid byte
  bool eof_ = false;                  ///< the file has no more bytes
  bool readFailed_ = false;           ///< a read of the file failed
  bool failOnReadError_ = false;      ///< a read error is fatal
  QString fileName_;                  ///< the file's name in that message
  bool lineTooLong_ = false;          ///< reading stopped at a line too long
  std::string_view finalFragment_;    ///< a last line without line end
  std::size_t maxLineLength_ = kMaxLineLength; ///< the longest line accepted
  bool lastReadFull_ = false;                  ///< the last read got all the bytes it asked for
  char *line_ = nullptr;                       ///< current line
  std::size_t lineLength_ = 0;                 ///< bytes of the current line including LF
  char *cursor_ = nullptr;                     ///< token cursor inside the current line
  std::size_t savedAt_ = 0;                    ///< index of the byte replaced by the line's NUL
  char saved_ = 0;                             ///< that byte's value
  bool hasSaved_ = false;                      ///< whether saved_ must be put back
};
