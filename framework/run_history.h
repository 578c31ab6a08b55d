// The run history and the system log line of one run, written from the
// run's normal path, never from a signal handler, and never changing its
// outcome, console or log.
#pragma once

#include "framework/base_component.h"
#include "framework/run_story.h"

class RunHistory {
 public:
  // The run begins: its time, boot and id.
  RunHistory(const char* program, const char* version, const char* component, int argc,
             const char* const* argv) noexcept;

  // Once the run holds the lock (or goes on without one) and before any
  // vendor tool runs: the started record.
  void recordStarted(const CBaseCmp& component, bool holdsLock) noexcept;
  // Once the exit code is known: the ended record, then the system log line.
  void recordEnded(CBaseCmp& component, int exitCode, bool holdsLock) noexcept;

  RunStory story;
};
