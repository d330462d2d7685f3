// The one clock of a run: every dated header of every output shows the time taken
// once when the run starts.
#pragma once

#include <ctime>
#include <string>

/// The latest run time that every output can carry: the measure database stores
/// dates as unsigned 32-bit seconds.
constexpr long long kLatestRunTime = 4294967295LL;

/// The run's time: `SOURCE_DATE_EPOCH` (seconds since the epoch, the convention of
/// reproducible builds) when it is set, else the current time. A value that is
/// not a number of seconds from 0 to kLatestRunTime draws a warning and the
/// current time is used.
std::time_t takeRunTime();

/// The 24-character date text of the C library ("Sun Jan  7 10:01:02 2024"), in
/// local time, always with English day and month names, without line end; empty
/// when the time cannot be converted.
std::string dateText(std::time_t seconds);

/// How isoTime writes a time.
enum class IsoTimeForm {
  Compact, ///< "2024-01-07T10:01:02Z", for machines
  Spaced,  ///< "2024-01-07 10:01:02 UTC", for readers
};
/// A time in UTC in ISO 8601 form; empty when the time cannot be converted.
std::string isoTime(std::time_t seconds, IsoTimeForm form);
