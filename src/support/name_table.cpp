// Interned names: 250 buckets, each ordered by length and then by insertion.
#include "support/name_table.h"

#include "support/host_services.h"

#include <cstring>

namespace {

/// The process-wide table used when no table is given.
NameTable defaultTable;

NameTable *tableOrDefault(NameTable *table) {
  return table ? table : &defaultTable;
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
  NameEntry *previous = nullptr;
  NameEntry *entry = table->heads[hash.bucket];
  while (entry && entry->length < hash.length) {
    previous = entry;
    entry = entry->next;
  }
  for (; entry && entry->length == hash.length; entry = entry->next) {
    if (entry->text[0] == text[0] && std::memcmp(entry->text, text, hash.length) == 0)
      return {true, entry, hash.bucket, hash.length};
    previous = entry;
  }
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
  if (table) freeIfSet(table);
}

uint32_t countOccurrence(OccurrenceList &list, const void *key) {
  OccurrenceEntry **link = &list.first;
  for (; *link; link = &(*link)->next) {
    if ((*link)->key == key) return ++(*link)->count;
  }
  OccurrenceEntry *entry = static_cast<OccurrenceEntry *>(safeAlloc(sizeof(OccurrenceEntry)));
  entry->key = key;
  entry->count = 1;
  entry->next = nullptr;
  *link = entry;
  return 1;
}

bool hasOccurrence(const OccurrenceList &list, const void *key) {
  for (const OccurrenceEntry *entry = list.first; entry; entry = entry->next) {
    if (entry->key == key) return true;
  }
  return false;
}

void freeOccurrenceList(OccurrenceList &list) {
  OccurrenceEntry *entry = list.first;
  while (entry) {
    OccurrenceEntry *next = entry->next;
    freeIfSet(entry);
    entry = next;
  }
  list.first = nullptr;
}
