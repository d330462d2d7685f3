// One file of a measure database, opened so that nothing is ever written through
// a link: the database folder is shared by every user of a project, and a name
// planted there by another user must not lead a run to write elsewhere.
#pragma once

#include <QString>
#include <cstddef>
#include <string>
#include <sys/types.h>

/// A database or index file held open for reading and writing; closed when it
/// goes out of scope.
class MeasureFile {
public:
  /// What an attempt at opening gave.
  enum class Opened {
    Open,       ///< the file is open
    Missing,    ///< there is no file of that name
    Link,       ///< refused: a symbolic link, or a file with another link
    NotRegular, ///< refused: not a regular file
    NotOwned,   ///< refused: owned by another user than the effective one
    Failed,     ///< the system refused (errno kept in error())
  };

  MeasureFile() = default;
  ~MeasureFile();
  MeasureFile(const MeasureFile &) = delete;
  MeasureFile &operator=(const MeasureFile &) = delete;

  /// Opens an existing file without following a link at its name, and keeps it
  /// open only when it is a regular file of the effective user with no other link.
  Opened open(const std::string &path);
  /// Creates the file, failing when any file or link has that name.
  Opened create(const std::string &path);
  bool isOpen() const { return descriptor_ >= 0; }
  /// The errno of the last failure.
  int error() const { return error_; }

  /// Bytes in the file, or -1.
  off_t size();
  /// Reads exactly `size` bytes at `offset`; false on a short read or an error.
  bool readAt(off_t offset, unsigned char *bytes, std::size_t size);
  /// Writes exactly `size` bytes at `offset`; false on a short write or an error.
  bool writeAt(off_t offset, const unsigned char *bytes, std::size_t size);
  /// Cuts (or extends) the file to `size` bytes.
  bool truncate(off_t size);
  /// Writes the file's data to the disk.
  bool sync();
  /// Closes the file; false when the close failed.
  bool close();

private:
  Opened keepIfSafe(int descriptor);

  int descriptor_ = -1;
  int error_ = 0;
};

/// The message that refuses the file at `path` for a verdict of open() other
/// than Open, Missing and Failed; it names the file and says that the measure is
/// not written.
QString refusalMessage(MeasureFile::Opened verdict, const std::string &path);
