// The run's signal handler: async-signal-safe logging, then stop or go on.
#include "framework/run_signals.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "framework/run_exit.h"
#include "support/child_groups.h"
#include "support/pending_file.h"
#include "support/write_all.h"

namespace {

struct Notice {
  int signal;
  const char* name;
  const char* duringFlash;
  const char* beforeFlash;
};

constexpr Notice kNotices[] = {
    {SIGTERM, "SIGTERM",
     "WARNING! : SIGTERM received during the flash; the flash engine is left to finish.\n",
     "ERROR! : SIGTERM received; the run is stopped.\n"},
    {SIGINT, "SIGINT", "WARNING! : SIGINT received during the flash; the flash engine is left to finish.\n",
     "ERROR! : SIGINT received; the run is stopped.\n"},
    {SIGHUP, "SIGHUP", "WARNING! : SIGHUP received during the flash; the flash engine is left to finish.\n",
     "ERROR! : SIGHUP received; the run is stopped.\n"},
};

// Every signal a run catches has its notices, in the same order.
constexpr bool noticesCover() {
  if (sizeof kNotices / sizeof kNotices[0] != sizeof kRunSignals / sizeof kRunSignals[0]) return false;
  for (size_t i = 0; i < sizeof kNotices / sizeof kNotices[0]; ++i) {
    if (kNotices[i].signal != kRunSignals[i]) return false;
  }
  return true;
}
static_assert(noticesCover(), "a run signal without its notices");

// Copied in before the handler is installed; the handler only reads them.
char logPath[4097];
volatile sig_atomic_t quiet = 0;
volatile sig_atomic_t flashing = 0;
// How many of each run signal came, in the order of kNotices.
volatile sig_atomic_t received[sizeof kNotices / sizeof kNotices[0]];

// A stopped run whose normal path cannot end in time (a child that ignores
// SIGTERM, a vendor library that never returns) still ends, as it always
// did, only without saying how in its history.
constexpr unsigned kStopSeconds = 3;

bool writeText(int fd, const char* text) { return writeAll(fd, text, std::strlen(text)); }

// As ComponentLog::write does it: the log first, then the console.
void record(const char* text) {
  const int fd = openLogFile(logPath);
  bool logged = fd >= 0 && writeText(fd, text);
  if (fd >= 0 && ::close(fd) != 0) logged = false;
  if (!quiet) (void)writeText(1, text);
  if (!logged) (void)writeText(1, kLogError);
}

void onStopDeadline(int) {
  signalChildGroups(SIGKILL);
  ::_exit(kExitFailed);
}

// Before the flash the run is stopped: it logs nothing more, starts no
// child, and its normal path ends it with 7. A second signal while it
// stops is only counted.
void onSignal(int signal) {
  const int saved = errno;
  const bool stopped = runStopping();
  for (std::size_t i = 0; i < sizeof kNotices / sizeof kNotices[0]; ++i) {
    if (kNotices[i].signal != signal) continue;
    if (received[i] < 1000) received[i] = received[i] + 1;
    if (!stopped) record(flashing ? kNotices[i].duringFlash : kNotices[i].beforeFlash);
  }
  if (!flashing && !stopped) {
    markRunStopping();
    // The queries it may be reading go with it, and so does a half-written
    // report; nothing else is left to undo before a flash.
    signalChildGroups(SIGTERM);
    removePendingFile();
    (void)::alarm(kStopSeconds);
  }
  errno = saved;
}

}  // namespace

void watchRunSignals(const ComponentLog& log) {
  // A path too long to keep leaves the handler without a log: it then says
  // so on the console, as for any log it cannot write.
  if (log.path.size() < sizeof logPath) {
    std::memcpy(logPath, log.path.c_str(), log.path.size() + 1);
  } else {
    logPath[0] = '\0';
  }
  quiet = log.quiet ? 1 : 0;
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = onSignal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (const Notice& notice : kNotices) sigaddset(&action.sa_mask, notice.signal);
  for (const Notice& notice : kNotices) {
    struct sigaction before;
    if (::sigaction(notice.signal, nullptr, &before) != 0 || before.sa_handler == SIG_IGN) continue;
    (void)::sigaction(notice.signal, &action, nullptr);
  }
  action.sa_handler = onStopDeadline;
  (void)::sigaction(SIGALRM, &action, nullptr);
}

std::vector<std::string> receivedRunSignals() {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < sizeof kNotices / sizeof kNotices[0]; ++i) {
    for (sig_atomic_t n = 0; n < received[i]; ++n) names.push_back(kNotices[i].name);
  }
  return names;
}

void flashStarted() { flashing = 1; }
