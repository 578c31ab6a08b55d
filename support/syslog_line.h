// One line a run leaves in the system log, sent to its socket without ever
// waiting on the logging daemon.
#pragma once

#include <ctime>
#include <string>

// Facility user, at the two levels a run uses.
constexpr int kSyslogNotice = 13;
constexpr int kSyslogError = 11;
constexpr std::size_t kSyslogLineBytes = 1024;

// "<13>May  1 12:22:03 fcupdate[4242]: " and the fields, every control byte
// shown as "?", cut to kSyslogLineBytes at a character boundary.
std::string syslogLine(int priority, std::time_t when, long pid, const std::string& fields);

enum class SyslogSend {
  Sent,
  NoSocket,  // nothing at /dev/log: no logging daemon, skipped
  Failed,    // refused, busy or unusable; not retried
};

// Sends the line to /dev/log below the system root: as a datagram, else over
// a stream with a trailing NUL. Every call is non-blocking and sends no
// SIGPIPE.
SyslogSend sendToSystemLog(const std::string& line);
