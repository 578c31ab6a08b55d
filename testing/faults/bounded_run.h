// Running a built executable the way the fault cases need: with a deadline,
// with its peak memory measured, and optionally bound by file modes as an
// unprivileged administrator would be.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace faults {

struct Limits {
  int seconds;  // the run is killed and counted as hung after this long
  long peakKb;  // the highest resident set size the run may reach
};

// The bounds of an ordinary run, and of runs over inputs tens of megabytes
// large, for this build (the sanitizer build needs several times more).
Limits ordinaryLimits();
Limits largeInputLimits();
Limits hugeCatalogueLimits();

// Under valgrind nothing about time or memory can be judged; the cases then
// check only outcomes, and the ones that exist for their bounds are skipped.
bool underValgrind();

struct Outcome {
  int exitCode = -1;  // -1 unless the process exited normally
  int signal = 0;     // the signal that ended it, if one did
  bool timedOut = false;
  long peakKb = 0;  // of the process and every child it waited for
  double seconds = 0;
  std::string out;  // standard output
};

struct Invocation {
  std::string work;        // the working directory
  std::string root;        // FCUPDATE_ROOT
  std::string executable;  // a name in the build's bin directory
  std::vector<std::string> args;
  // Without the superuser's right to ignore file modes, so that a read-only
  // directory stops a root test run as it stops an administrator's.
  bool obeyFileModes = false;
  // "NAME=value" set, or "NAME" unset, in the child's environment.
  std::vector<std::string> environment;
  // Called in the child right before exec, to hand the executable what an
  // unusual caller would: closed descriptors, ignored signals, a timer.
  std::function<void()> beforeExec;
};

Outcome runBounded(const Invocation& invocation, const Limits& limits);

// The same in two steps, for a case that acts while the run goes on.
struct StartedRun {
  pid_t pid = -1;
  int out = -1;  // the read end of its standard output
  std::chrono::steady_clock::time_point start;
};
StartedRun startBounded(const Invocation& invocation);
Outcome finishBounded(StartedRun& run, const Limits& limits);

// One line for a failure message: exit code, signal, time and memory.
std::string describe(const Outcome& outcome);

}  // namespace faults
