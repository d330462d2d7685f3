// The file key that ties trace file-parts to their source file, and the
// checksum folding of an FDC section's identification texts.
#include "support/file_identity.h"

#include "support/messages.h"

#include <cstring>

namespace {

/// The byte at `index` as a signed value, or 0 past the end of the text.
uint32_t signedByte(const char *text, std::size_t length, std::size_t index) {
  if (index >= length) return 0;
  // Sign-extend, then wrap to 32 bits: the sums below are two's complement.
  return static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(text[index])));
}

uint32_t unsignedByte(const char *text, std::size_t length, std::size_t index) {
  if (index >= length) return 0;
  return static_cast<unsigned char>(text[index]);
}

uint32_t fileKey(const char *text, std::size_t length) {
  uint32_t key = 0x4A4A4A4Au;
  // The text is taken with its terminator and zero-padded to whole groups of
  // four, so there is always one group more than length / 4.
  for (std::size_t group = 0; group <= length / 4; ++group) {
    const std::size_t b = group * 4;
    key ^= signedByte(text, length, b) * 0x1000000u + signedByte(text, length, b + 1) * 0x10000u +
           signedByte(text, length, b + 2) * 0x100u + signedByte(text, length, b + 3);
  }
  return key;
}

} // namespace

uint32_t FileKey(const char *text) {
  if (!text) reportInternal(tr("Assertion", "Cannot eval file key"));
  return fileKey(text, std::strlen(text));
}

uint32_t FileKey(const std::string &text) {
  return FileKey(text.c_str());
}

void FoldChecksum(uint32_t &checksum, const char *text) {
  const std::size_t length = std::strlen(text);
  for (std::size_t b = 0; b < length; b += 4) {
    checksum ^= (unsignedByte(text, length, b) << 24) | (unsignedByte(text, length, b + 1) << 16) |
                (unsignedByte(text, length, b + 2) << 8) | unsignedByte(text, length, b + 3);
  }
}
