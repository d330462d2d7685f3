#include "support/input_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "support/messages.h"
#include "support/output_stream.h"

namespace {

[[noreturn]] void cannotRead(const std::string &name, int error) {
  reportFatal(tr("Fatal Error", "Cannot read file %1: %2",
                 "%1 is a file name, %2 the reason given by the system")
                  .arg(QString::fromLocal8Bit(name.c_str()), systemReason(error)));
}

/// An unnamed temporary file, open for reading and writing.
int makeSpool(const std::string &name) {
  const char *directory = std::getenv("TMPDIR");
  std::string pattern =
      std::string(directory && *directory ? directory : "/tmp") + "/zeltocov-input-XXXXXX";
  std::vector<char> path(pattern.begin(), pattern.end());
  path.push_back('\0');
  const int fd = ::mkstemp(path.data());
  if (fd < 0) cannotRead(name, errno);
  ::unlink(path.data());
  return fd;
}

} // namespace

InputFile openInput(const std::string &name) {
  struct stat status {};
  if (::stat(name.c_str(), &status) != 0 || S_ISREG(status.st_mode) || S_ISDIR(status.st_mode))
    return InputFile{name, name};
  const int in = ::open(name.c_str(), O_RDONLY);
  if (in < 0) return InputFile{name, name};
  const int spool = makeSpool(name);
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const ssize_t got = ::read(in, buffer.data(), buffer.size());
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      cannotRead(name, errno);
    }
    for (ssize_t done = 0; done < got;) {
      const ssize_t put =
          ::write(spool, buffer.data() + done, static_cast<std::size_t>(got - done));
      if (put < 0) {
        if (errno == EINTR) continue;
        cannotRead(name, errno);
      }
      done += put;
    }
  }
  ::close(in);
  // The copy is read again through its descriptor, from its start, by each pass.
  return InputFile{name, "/proc/self/fd/" + std::to_string(spool)};
}
