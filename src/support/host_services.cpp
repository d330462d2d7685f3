// Allocation that never fails, environment lookup and the report language.
#include "support/host_services.h"

#include "support/emergency_texts.h"
#include "support/messages.h"

#include <cstdlib>
#include <cstring>

void *safeAlloc(std::size_t size) {
  // A zero-byte request still yields a distinct block, so a null result is
  // always a failure.
  void *block = std::calloc(size == 0 ? 1 : size, 1);
  if (!block) reportNoMemory();
  return block;
}

void *safeRealloc(void *block, std::size_t size) {
  if (!block) return safeAlloc(size);
  void *resized = std::realloc(block, size == 0 ? 1 : size);
  if (!resized) reportNoMemory();
  return resized;
}

void freeIfSet(void *block) {
  if (block) std::free(block);
}

char *upperDup(const char *text) {
  const std::size_t length = std::strlen(text);
  char *copy = static_cast<char *>(safeAlloc(length + 1));
  for (std::size_t i = 0; i < length; ++i)
    copy[i] = upperAsciiChar(text[i]);
  return copy;
}

std::string upperAscii(const std::string &text) {
  std::string copy = text;
  for (char &c : copy)
    c = upperAsciiChar(c);
  return copy;
}

std::optional<std::string> getEnv(const char *name) {
  const char *value = std::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

ReportLanguage reportLanguage() {
  const std::optional<std::string> value = getEnv("ZELTOCOV_LAN");
  if (!value || *value == "GB") return English;
  if (*value == "FR" || *value == "FA") return French;
  reportWarning(
      QStringLiteral("%1 environment variable is badly defined,choice in GB (default), FR or FA")
          .arg(QStringLiteral("ZELTOCOV_LAN")));
  return English;
}
