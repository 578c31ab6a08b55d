// Times as the run history writes them: UTC, ISO 8601, to the millisecond.
#pragma once

#include <string>

// The real-time clock in milliseconds since the epoch.
long long nowMilliseconds();

// "2024-05-01T10:22:03.123Z". UTC, so that records of hosts in different
// zones, or of one host before and after a change of zone, compare as text.
std::string isoUtc(long long milliseconds);
