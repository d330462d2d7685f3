#include "driver/catalog_check.h"

#include <cstdint>
#include <cstring>
#include <unordered_set>

namespace {

constexpr unsigned char kMagic[16] = {0x3c, 0xb8, 0x64, 0x18, 0xca, 0xef, 0x9c, 0x95,
                                      0xcd, 0x21, 0x1c, 0xbf, 0x60, 0xa1, 0xbd, 0xdd};

/// Blocks of a catalog.
enum BlockTag : unsigned char {
  BlockContexts = 0x2f,
  BlockHashes = 0x42,
  BlockMessages = 0x69,
  BlockNumerusRules = 0x88,
  BlockDependencies = 0x96,
  BlockLanguage = 0xa7,
};

/// Items of a message.
enum ItemTag : unsigned char {
  ItemEnd = 1,
  ItemSourceText16 = 2,
  ItemTranslation = 3,
  ItemContext16 = 4,
  ItemObsolete1 = 5,
  ItemSourceText = 6,
  ItemContext = 7,
  ItemComment = 8,
  ItemObsolete2 = 9,
};

uint32_t read32(const unsigned char *p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

uint16_t read16(const unsigned char *p) {
  return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

struct Span {
  const unsigned char *data = nullptr;
  std::size_t size = 0;
};

/// Walks the messages; records where each starts.
bool messagesAreSound(Span messages, std::unordered_set<uint32_t> &starts) {
  std::size_t at = 0;
  while (at < messages.size) {
    starts.insert(static_cast<uint32_t>(at));
    for (;;) {
      if (at >= messages.size) return false;
      const unsigned char tag = messages.data[at++];
      if (tag == ItemEnd) break;
      switch (tag) {
      case ItemObsolete1:
      case ItemObsolete2:
        // Items without data.
        continue;
      case ItemTranslation:
      case ItemSourceText:
      case ItemContext:
      case ItemComment: {
        if (messages.size - at < 4) return false;
        const uint32_t length = read32(messages.data + at);
        at += 4;
        // A translation of length 0xFFFFFFFF is a null text.
        if (tag == ItemTranslation && length == 0xFFFFFFFFu) continue;
        if (tag == ItemTranslation && (length & 1u)) return false;
        if (length > messages.size - at) return false;
        at += length;
        continue;
      }
      default:
        // The 16-bit source and context items are not written by today's tools.
        return false;
      }
    }
  }
  return true;
}

bool hashesAreSound(Span hashes, const std::unordered_set<uint32_t> &starts) {
  if (hashes.size % 8 != 0) return false;
  for (std::size_t at = 0; at < hashes.size; at += 8)
    if (!starts.count(read32(hashes.data + at + 4))) return false;
  return true;
}

bool contextsAreSound(Span contexts) {
  if (contexts.size < 2) return false;
  const uint16_t slotCount = read16(contexts.data);
  // The table is indexed by a hash modulo its size.
  if (slotCount == 0) return false;
  const std::size_t poolStart = 2 + 2 * std::size_t{slotCount};
  if (poolStart > contexts.size) return false;
  for (uint16_t slot = 0; slot < slotCount; ++slot) {
    const uint16_t offset = read16(contexts.data + 2 + 2 * std::size_t{slot});
    if (offset == 0) continue;
    // A chain of (length, bytes) entries ending with a length of 0.
    std::size_t at = poolStart + 2 * std::size_t{offset};
    for (;;) {
      if (at >= contexts.size) return false;
      const unsigned char length = contexts.data[at++];
      if (length == 0) break;
      if (length > contexts.size - at) return false;
      at += length;
    }
  }
  return true;
}

} // namespace

bool isSoundCatalog(const QByteArray &data) {
  const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
  const std::size_t size = static_cast<std::size_t>(data.size());
  if (size < sizeof kMagic || std::memcmp(bytes, kMagic, sizeof kMagic) != 0) return false;

  Span messages, hashes, contexts;
  bool haveMessages = false, haveHashes = false, haveContexts = false;
  std::size_t at = sizeof kMagic;
  while (at < size) {
    if (size - at < 5) return false;
    const unsigned char tag = bytes[at];
    const uint32_t length = read32(bytes + at + 1);
    at += 5;
    if (length > size - at) return false;
    const Span block{bytes + at, length};
    switch (tag) {
    case BlockMessages:
      messages = block;
      haveMessages = true;
      break;
    case BlockHashes:
      hashes = block;
      haveHashes = true;
      break;
    case BlockContexts:
      contexts = block;
      haveContexts = true;
      break;
    case BlockNumerusRules:
    case BlockLanguage:
      break;
    default:
      // Unknown blocks, and dependencies (which would load further files).
      return false;
    }
    at += length;
  }
  std::unordered_set<uint32_t> starts;
  if (haveMessages && !messagesAreSound(messages, starts)) return false;
  if (haveHashes && !hashesAreSound(hashes, starts)) return false;
  if (haveContexts && !contextsAreSound(contexts)) return false;
  return true;
}
