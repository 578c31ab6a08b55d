// The clock and ISO 8601 text in UTC.
#include "support/utc_time.h"

#include <sys/time.h>
#include <time.h>

#include <cstdio>

long long nowMilliseconds() {
  timeval now{};
  (void)::gettimeofday(&now, nullptr);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_usec / 1000;
}

std::string isoUtc(long long milliseconds) {
  // Floor division, so that a clock before 1970 still gives a valid time.
  long long seconds = milliseconds / 1000;
  long long millis = milliseconds % 1000;
  if (millis < 0) {
    millis += 1000;
    --seconds;
  }
  const time_t whole = static_cast<time_t>(seconds);
  tm parts{};
  if (::gmtime_r(&whole, &parts) == nullptr) return std::string();
  char text[64];
  (void)std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900,
                      parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
                      static_cast<int>(millis));
  return text;
}
