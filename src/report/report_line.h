// One line of the text report, put together in memory from texts and numbers and
// handed to the stream in one call: the report has a line per item of every
// service, and a format string read again for each of them costs more than the
// line itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "support/coverage_rate.h"

class ReportLine {
public:
  explicit ReportLine(std::FILE *out) : out_(out) {}
  ReportLine(const ReportLine &) = delete;
  ReportLine &operator=(const ReportLine &) = delete;
  /// The rest of the line goes to the stream.
  ~ReportLine() { flush(); }

  ReportLine &operator<<(const char *text) {
    append(text, std::strlen(text));
    return *this;
  }
  ReportLine &operator<<(char c) {
    if (size_ == kSize) flush();
    text_[size_++] = c;
    return *this;
  }
  /// A count in decimal, as "%lu" writes it.
  ReportLine &operator<<(uint32_t value) { return *this << uint64_t{value}; }
  ReportLine &operator<<(uint64_t value) {
    char digits[20];
    std::size_t length = 0;
    do {
      digits[sizeof digits - ++length] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value);
    append(digits + sizeof digits - length, length);
    return *this;
  }
  /// A rate (coverageRate) as "%5.01f" writes it (with another width: "%.01f"
  /// for 0).
  ReportLine &rate(double value, int width = 5) {
    char text[kRateTextSize];
    append(text, formatRate(value, width, text));
    return *this;
  }

private:
  static constexpr std::size_t kSize = 512;

  void append(const char *text, std::size_t length) {
    if (length > kSize - size_) {
      flush();
      if (length > kSize) {
        std::fwrite(text, 1, length, out_);
        return;
      }
    }
    std::memcpy(text_ + size_, text, length);
    size_ += length;
  }
  void flush() {
    if (size_) std::fwrite(text_, 1, size_, out_);
    size_ = 0;
  }

  std::FILE *out_;
  std::size_t size_ = 0;
  char text_[kSize];
};
