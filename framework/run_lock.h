// One update run at a time per host: the three executables share one lock
// file below /var/vlx, so that two runs never flash the same adapters at once.
#pragma once

#include <string>

#include "framework/component_log.h"

// How long a run waits for another's lock: a flash of many adapters can take
// many minutes, a hung engine holds it for ever.
constexpr int kRunLockWaitSeconds = 3600;

class RunLock {
 public:
  enum class State {
    Held,         // this run holds the lock
    Unavailable,  // the lock file cannot be used; the run goes on without it
    TimedOut,     // another run held it past the bound
    Interrupted,  // SIGTERM, SIGINT or SIGHUP came while waiting
  };

  // Takes the lock, waiting for another run's at most the bound. While it
  // waits it says so on the console (unless log.quiet), never in the log,
  // which belongs to the run that holds the lock; a timeout or a signal is
  // reported on standard output, even when quiet.
  explicit RunLock(const ComponentLog& log);
  ~RunLock();
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

  State state() const { return state_; }
  // Whether the run may go on: the lock is held or cannot be had at all.
  bool mayRun() const { return state_ == State::Held || state_ == State::Unavailable; }
  // The lock's descriptor while held, for whatever else the run does under it.
  int descriptor() const { return fd_; }
  long waitedMilliseconds() const { return waitedMs_; }
  // "SIGTERM", "SIGINT" or "SIGHUP" when Interrupted, else empty.
  const std::string& interruptingSignal() const { return interruptingSignal_; }

  // What the log learns once the run holds it, right after the banner: how
  // long it waited, or that it runs unlocked (then on the console too).
  void reportInLog(ComponentLog& log) const;

 private:
  bool open();
  void wait(bool quiet);

  std::string path_;
  int fd_ = -1;
  State state_ = State::Unavailable;
  bool waited_ = false;
  long waitedMs_ = 0;
  std::string interruptingSignal_;
  int bound_ = kRunLockWaitSeconds;
};

// The run lock taken only if it is free at this moment, under the same rules
// as RunLock, for a short write beside the runs that take it: its descriptor
// (closing it releases the lock), or -1 when another run holds it or the
// lock file cannot be used.
int takeRunLockIfFree();

// The bound in force: kRunLockWaitSeconds, or FCUPDATE_LOCK_WAIT_SECONDS
// while FCUPDATE_ROOT is set (tests and staging only).
int runLockWaitSeconds();
