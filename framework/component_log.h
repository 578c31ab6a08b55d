// The writer of every progress message: appended to the component log file,
// which accumulates across runs, and echoed to the console unless quiet.
#pragma once

#include <cstddef>
#include <string>

#include "support/bounded_list.h"

// Whether the folder of path is a real directory of the running user that
// nobody else can write (one of ours that is too open is closed to 0755).
// Safe to call from a signal handler.
bool folderIsOurs(const char* path);

// Opens the log for one append: created 0644 when missing, never through a
// symlink, never blocking, and refused (-1) unless it is a regular file in a
// real directory owned by the running user and writable by no one else.
// Safe to call from a signal handler.
int openLogFile(const char* path);
// The same open, for reading back as well as appending (the run history
// looks at its last byte); never called from a signal handler.
int openLogFileForUpdate(const char* path);

// The console line that follows a message the log did not take.
extern const char kLogError[];

class ComponentLog {
 public:
  // Creates the log directory (0755) and file, so that every run leaves them
  // in place, even one that only prints usage; failures show at each write.
  ComponentLog();

  // Each write that does not reach the log file whole is followed on the
  // console by "ERROR : Unable to write to log file", even when quiet.
  // Once a signal has stopped the run, nothing more is written or shown.
  ComponentLog& write(const std::string& text);
  ComponentLog& write(const std::wstring& text);
  ComponentLog& write(int value);
  // For what only the log should hold: nothing is echoed but the error.
  ComponentLog& writeLogOnly(const std::string& text);

  // Where a flash engine's output may go: the log when it passes the checks
  // of openLogFile, since the shell opens it again following links, else
  // (after the log error on the console) "/dev/null".
  std::string pathForEngine() const;

  std::string path;  // "/var/vlx/Component.log" below the system root
  bool quiet = false;
  // The lines written to the log only (its warnings and notices), without
  // their line ends, for the record of the run.
  BoundedList<std::string, 64> logOnlyLines;

 private:
  // Opens the file for this one write only, so that a flash engine's output,
  // appended by the shell in between, lands in time order.
  bool append(const std::string& bytes) const;
  void echoAfterLogging(const std::string& bytes, bool logged) const;
  void keepLogOnly(const std::string& text);

  static constexpr std::size_t kKeptLineBytes = 1024;
  std::string partLine_;
};
