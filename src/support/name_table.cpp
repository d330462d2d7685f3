// Interned names: 250 buckets, each ordered by length and then by insertion.
#include "support/name_table.h"

#include "support/host_services.h"

#include <cstring>
#include <map>
#include <string_view>
#include <unordered_map>

/// Mirrors the bucket lists: every entry by its text, and for each bucket the
/// last entry of each length (where an entry of that length, or of the next
/// greater length, links in).
struct NameLookupIndex {
  /// Every entry of the table by its text.
  std::unordered_map<std::string_view, NameEntry *> byText;
  /// Per bucket: length -> last entry of that length in the bucket.
  std::map<uint32_t, NameEntry *> lastOfLength[kNameTableBuckets];
};

namespace {

/// The process-wide table used when no table is given.
NameTable defaultTable;

NameTable *tableOrDefault(NameTable *table) {
  return table ? table : &defaultTable;
}

void dropIndex(NameTable *table) {
  delete table->index;
  table->index = nullptr;
}

/// The index of a table, built from its buckets when missing.
NameLookupIndex &indexOf(NameTable *table) {
  if (!table->index) {
    table->index = new NameLookupIndex;
    for (uint32_t bucket = 0; bucket < kNameTableBuckets; ++bucket) {
      for (NameEntry *entry = table->heads[bucket]; entry; entry = entry->next) {
        table->index->byText.emplace(std::string_view(entry->text, entry->length), entry);
        table->index->lastOfLength[bucket][entry->length] = entry;
      }
    }
  }
  return *table->index;
}

} // namespace

void initNameTable(NameTable **slot) {
  if (slot) {
    // safeAlloc zero-fills, so every head starts null.
    *slot = static_cast<NameTable *>(safeAlloc(sizeof(NameTable)));
    return;
  }
  for (NameEntry *&head : defaultTable.heads)
    head = nullptr;
  dropIndex(&defaultTable);
}

NameHash hashName(const char *text) {
  uint32_t value = 0x4A4A4A4Au;
  uint32_t length = 0;
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) {
    value ^= static_cast<uint32_t>(*p) << (8 * (length % 4));
    ++length;
  }
  return {value % kNameTableBuckets, length};
}

NameLookup findName(const char *text, NameTable *table) {
  table = tableOrDefault(table);
  const NameHash hash = hashName(text);
  NameLookupIndex &index = indexOf(table);
  auto found = index.byText.find(std::string_view(text, hash.length));
  if (found != index.byText.end()) return {true, found->second, hash.bucket, hash.length};
  // Absent: a new entry links after the last entry of equal length, else after
  // the last shorter one, else at the head of the bucket.
  const auto &lasts = index.lastOfLength[hash.bucket];
  auto after = lasts.upper_bound(hash.length);
  NameEntry *previous = after == lasts.begin() ? nullptr : std::prev(after)->second;
  return {false, previous, hash.bucket, hash.length};
}

NameEntry *internName(const char *text, NameTable *table) {
  if (!text || !*text) return nullptr;
  table = tableOrDefault(table);
  const NameLookup lookup = findName(text, table);
  if (lookup.found) return lookup.entry;

  NameEntry *entry = static_cast<NameEntry *>(safeAlloc(sizeof(NameEntry)));
  entry->text = static_cast<char *>(safeAlloc(lookup.length + 1));
  std::memcpy(entry->text, text, lookup.length);
  entry->length = lookup.length;
  entry->flags = 0;
  NameEntry *&link = lookup.entry ? lookup.entry->next : table->heads[lookup.bucket];
  entry->next = link;
  link = entry;
  NameLookupIndex &index = indexOf(table);
  index.byText.emplace(std::string_view(entry->text, entry->length), entry);
  index.lastOfLength[lookup.bucket][entry->length] = entry;
  return entry;
}

void freeNameTable(NameTable *table) {
  NameTable *target = tableOrDefault(table);
  for (NameEntry *&head : target->heads) {
    NameEntry *entry = head;
    while (entry) {
      NameEntry *next = entry->next;
      freeIfSet(entry->text);
      freeIfSet(entry);
      entry = next;
    }
    head = nullptr;
  }
  dropIndex(target);
  if (table) freeIfSet(table);
}

uint32_t countOccurrence(OccurrenceList &list, const void *key) {
  auto [slot, added] = list.byKey.try_emplace(key, nullptr);
  if (!added) return ++slot->second->count;
  OccurrenceEntry *entry = static_cast<OccurrenceEntry *>(safeAlloc(sizeof(OccurrenceEntry)));
  entry->key = key;
  entry->count = 1;
  entry->next = nullptr;
  if (list.last)
    list.last->next = entry;
  else
    list.first = entry;
  list.last = entry;
  slot->second = entry;
  return 1;
}

bool hasOccurrence(const OccurrenceList &list, const void *key) {
  return list.byKey.count(key) != 0;
}

void freeOccurrenceList(OccurrenceList &list) {
  OccurrenceEntry *entry = list.first;
  while (entry) {
    OccurrenceEntry *next = entry->next;
    freeIfSet(entry);
    entry = next;
  }
  list.first = nullptr;
  list.last = nullptr;
  list.byKey.clear();
}
