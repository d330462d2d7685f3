#include "support/run_clock.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "support/messages.h"

std::time_t takeRunTime() {
  const char *epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (!epoch) return std::time(nullptr);
  char *end = nullptr;
  errno = 0;
  const long long seconds = std::strtoll(epoch, &end, 10);
  if (*epoch >= '0' && *epoch <= '9' && *end == '\0' && errno == 0 && seconds <= kLatestRunTime)
    return static_cast<std::time_t>(seconds);
  reportWarning(tr("User Warning",
                   "SOURCE_DATE_EPOCH is not a number of seconds: %1; the current time is used",
                   "%1 is the value of the environment variable")
                    .arg(QString::fromLocal8Bit(epoch)));
  return std::time(nullptr);
}

std::string dateText(std::time_t seconds) {
  static const char kDays[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char kMonths[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm local{};
  if (!localtime_r(&seconds, &local)) return std::string();
  char text[64];
  std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d", kDays[local.tm_wday % 7],
                kMonths[local.tm_mon % 12], local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec, 1900 + local.tm_year);
  return text;
}

std::string isoTime(std::time_t seconds, IsoTimeForm form) {
  std::tm utc{};
  if (!gmtime_r(&seconds, &utc)) return std::string();
  char text[32];
  const char *format =
      form == IsoTimeForm::Compact ? "%Y-%m-%dT%H:%M:%SZ" : "%Y-%m-%d %H:%M:%S UTC";
  if (std::strftime(text, sizeof text, format, &utc) == 0) return std::string();
  return text;
}
