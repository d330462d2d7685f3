// A stream that collects what the measure writer shows, for the tests to read back.
#pragma once

#include <cstdio>
#include <string>

#include "support/messages.h"

class MessageSink {
public:
  MessageSink() : stream_(std::tmpfile()) {}
  ~MessageSink() {
    if (stream_) std::fclose(stream_);
  }
  MessageSink(const MessageSink &) = delete;
  MessageSink &operator=(const MessageSink &) = delete;

  std::FILE *stream() const { return stream_; }
  /// Forgets what was shown.
  void clear() {
    std::fclose(stream_);
    stream_ = std::tmpfile();
  }
  /// Everything shown so far.
  std::string text() const {
    std::fflush(stream_);
    std::string content;
    std::rewind(stream_);
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, stream_)) > 0)
      content.append(chunk, n);
    return content;
  }

private:
  std::FILE *stream_;
};

/// The frame of a measure-database message in a run with the usual product name.
inline std::string tpmMessage(const std::string &text) {
  return "Corvane Velmora - Test Process Monitor: " + text + "\n";
}
