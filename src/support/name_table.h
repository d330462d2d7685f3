// Interned names: every distinct text is stored once and compared by identity.
#pragma once

#include <cstdint>
#include <unordered_map>

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
struct NameLookupIndex;

struct NameTable {
  /// First entry of each bucket, null when the bucket is empty.
  NameEntry *heads[kNameTableBuckets];
  /// Lookup accelerator over the buckets (made on first use, freed with the
  /// table): finds a text, or the entry a new one links after, without walking
  /// the bucket, so interning stays constant-time however many names there are.
  NameLookupIndex *index;
};

/// With a slot, allocates a new table into it; with none, empties the default table.
void initNameTable(NameTable **slot = nullptr);
/// Bucket index (0..249) and length of a text.
struct NameHash {
  /// Bucket index, 0..249.
  uint32_t bucket;
  /// Bytes of the text without the terminator.
  uint32_t length;
};
NameHash hashName(const char *text);
/// Result of a lookup: the entry found, or the entry after which a new one links.
struct NameLookup {
  /// Whether the text is in the table.
  bool found;
  /// The entry found, or the predecessor of a new entry (null: bucket head).
  NameEntry *entry;
  /// Bucket index of the text.
  uint32_t bucket;
  /// Bytes of the text without the terminator.
  uint32_t length;
};
NameLookup findName(const char *text, NameTable *table = nullptr);
/// Find-or-insert; null or empty text gives null. A null table is the default table.
NameEntry *internName(const char *text, NameTable *table = nullptr);
/// Frees every entry (and, for a caller-owned table, the table itself).
void freeNameTable(NameTable *table = nullptr);

/// Counts how often the same key was seen in one list.
struct OccurrenceEntry {
  /// The counted key, compared by identity (not owned).
  const void *key;
  /// Times the key was counted, at least 1.
  uint32_t count;
  /// Next entry, in order of first occurrence.
  OccurrenceEntry *next;
};
/// A list of counted keys, owned by its holder.
struct OccurrenceList {
  /// First entry, null when empty.
  OccurrenceEntry *first = nullptr;
  /// Last entry, where the next new key is appended.
  OccurrenceEntry *last = nullptr;
  /// Every entry by its key, so that counting and looking up take constant time
  /// however long the list (a -TEST list of 100,000 names).
  std::unordered_map<const void *, OccurrenceEntry *> byKey;
};
/// Increments the key's count (appending it with count 1 when new); returns the count.
uint32_t countOccurrence(OccurrenceList &list, const void *key);
/// Whether the key is in the list.
bool hasOccurrence(const OccurrenceList &list, const void *key);
void freeOccurrenceList(OccurrenceList &list);
