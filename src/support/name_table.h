// Interned names: every distinct text is stored once and compared by identity.
#pragma once

#include <cstdint>

/// Selection flags of a NameEntry, set by option analysis and read by the filters.
enum NameFlags : uint32_t {
  InFileList = 0x1000,
  InExFileList = 0x2000,
  InServiceList = 0x4000,
  InExServiceList = 0x8000,
  InTestList = 0x10000,
  InExTestList = 0x20000,
};

/// One interned text.
struct NameEntry {
  /// Heap copy of the text, NUL-terminated, owned by the entry.
  char *text;
  /// Number of bytes of the text without the terminator.
  uint32_t length;
  /// Next entry of the same bucket (ascending length, then insertion order).
  NameEntry *next;
  /// Selection flags (NameFlags); zero when created.
  uint32_t flags;
};

constexpr int kNameTableBuckets = 250;

/// A table of 250 bucket heads.
struct NameTable {
  NameEntry *heads[kNameTableBuckets];
};

/// With a slot, allocates a new table into it; with none, empties the default table.
void initNameTable(NameTable **slot = nullptr);
/// Bucket index (0..249) and length of a text.
struct NameHash {
  uint32_t bucket;
  uint32_t length;
};
NameHash hashName(const char *text);
/// Result of a lookup: the entry found, or the entry after which a new one links.
struct NameLookup {
  bool found;
  NameEntry *entry;       ///< the entry found, or the predecessor (null: bucket head)
  uint32_t bucket;
  uint32_t length;
};
NameLookup findName(const char *text, NameTable *table = nullptr);
/// Find-or-insert; null or empty text gives null. A null table is the default table.
NameEntry *internName(const char *text, NameTable *table = nullptr);
/// Frees every entry (and, for a caller-owned table, the table itself).
void freeNameTable(NameTable *table = nullptr);

/// Counts how often the same key was seen in one list.
struct OccurrenceEntry {
  const void *key;
  uint32_t count;
  OccurrenceEntry *next;
};
struct OccurrenceList {
  OccurrenceEntry *first = nullptr;
};
/// Increments the key's count (appending it with count 1 when new); returns the count.
uint32_t countOccurrence(OccurrenceList &list, const void *key);
/// Whether the key is in the list.
bool hasOccurrence(const OccurrenceList &list, const void *key);
void freeOccurrenceList(OccurrenceList &list);
