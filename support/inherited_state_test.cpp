// Making the inherited state safe: PATH elements, closed standard descriptors
// and the signal state, each tried in a child so the test process keeps its own.
#include "support/inherited_state.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace {

// Runs check in a forked child; its exit status is the number of the first
// failed condition, 0 when all held.
int inChild(const std::function<int()>& check) {
  const pid_t pid = fork();
  if (pid == 0) _exit(check());
  int status = 0;
  (void)waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

}  // namespace

TEST(AbsolutePathElements, DropsRelativeAndEmptyElements) {
  const struct {
    const char* path;
    const char* kept;
  } cases[] = {
      {"/usr/bin:/bin", "/usr/bin:/bin"},
      {".:/usr/bin", "/usr/bin"},
      {":/usr/bin:/bin", "/usr/bin:/bin"},
      {"/usr/bin::/bin", "/usr/bin:/bin"},
      {"/usr/bin:/bin:", "/usr/bin:/bin"},
      {"bin:./tools:../x:/opt/vendor/bin", "/opt/vendor/bin"},
      {"/opt/my tools:/usr/bin", "/opt/my tools:/usr/bin"},
      {"", "/usr/sbin:/usr/bin:/sbin:/bin"},
      {":::", "/usr/sbin:/usr/bin:/sbin:/bin"},
      {".", "/usr/sbin:/usr/bin:/sbin:/bin"},
      {nullptr, "/usr/sbin:/usr/bin:/sbin:/bin"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(absolutePathElements(c.path), c.kept) << (c.path == nullptr ? "(unset)" : c.path);
  }
}

TEST(OpenClosedStandardDescriptors, EachClosedOneGetsDevNull) {
  for (int closed = 1; closed < 8; ++closed) {
    EXPECT_EQ(inChild([closed] {
                for (int fd = 0; fd <= 2; ++fd) {
                  if (closed & (1 << fd)) (void)close(fd);
                }
                if (!openClosedStandardDescriptors()) return 1;
                struct stat null {};
                if (stat("/dev/null", &null) != 0) return 2;
                for (int fd = 0; fd <= 2; ++fd) {
                  struct stat info {};
                  if (fstat(fd, &info) != 0) return 3;
                  if ((closed & (1 << fd)) && info.st_rdev != null.st_rdev) return 4;
                }
                return 0;
              }),
              0)
        << "closed mask " << closed;
  }
}

// Timers that fired before the run began, behind the caller's mask: their
// signals are pending when the mask opens, and must not end the run. A
// pending SIGTERM is the caller's and still arrives.
TEST(ResetInheritedSignals, SignalsOfTimersThatAlreadyFiredAreDiscarded) {
  EXPECT_EQ(inChild([] {
              sigset_t all;
              sigfillset(&all);
              (void)sigprocmask(SIG_SETMASK, &all, nullptr);
              const itimerval soon{{0, 0}, {0, 1000}};
              (void)setitimer(ITIMER_REAL, &soon, nullptr);
              (void)raise(SIGPROF);
              (void)raise(SIGVTALRM);
              sigset_t pending;
              for (int waited = 0; waited < 1000; ++waited) {
                if (sigpending(&pending) == 0 && sigismember(&pending, SIGALRM)) break;
                (void)usleep(1000);
              }
              if (!sigismember(&pending, SIGALRM) || !sigismember(&pending, SIGPROF)) return 1;
              resetInheritedSignals();
              if (sigpending(&pending) != 0 || sigismember(&pending, SIGALRM)) return 2;
              return 0;
            }),
            0);
  EXPECT_EQ(inChild([] {
              sigset_t all;
              sigfillset(&all);
              (void)sigprocmask(SIG_SETMASK, &all, nullptr);
              (void)raise(SIGTERM);
              resetInheritedSignals();
              return 0;
            }),
            100 + SIGTERM);
}

TEST(ResetInheritedSignals, DefaultsUnblocksAndCancelsTimers) {
  EXPECT_EQ(inChild([] {
              (void)signal(SIGCHLD, SIG_IGN);
              (void)signal(SIGALRM, SIG_IGN);
              (void)signal(SIGTERM, SIG_IGN);
              sigset_t all;
              sigfillset(&all);
              (void)sigprocmask(SIG_SETMASK, &all, nullptr);
              const itimerval later{{1, 0}, {100, 0}};
              (void)setitimer(ITIMER_REAL, &later, nullptr);
              (void)setitimer(ITIMER_PROF, &later, nullptr);
              resetInheritedSignals();
              struct sigaction action {};
              if (sigaction(SIGCHLD, nullptr, &action) != 0 || action.sa_handler != SIG_DFL) return 1;
              if (sigaction(SIGALRM, nullptr, &action) != 0 || action.sa_handler != SIG_DFL) return 2;
              if (sigaction(SIGPIPE, nullptr, &action) != 0 || action.sa_handler != SIG_IGN) return 3;
              if (sigaction(SIGXFSZ, nullptr, &action) != 0 || action.sa_handler != SIG_IGN) return 4;
              // An ignored SIGTERM is the caller's choice (nohup) and stays.
              if (sigaction(SIGTERM, nullptr, &action) != 0 || action.sa_handler != SIG_IGN) return 5;
              sigset_t blocked;
              if (sigprocmask(SIG_SETMASK, nullptr, &blocked) != 0 || sigismember(&blocked, SIGTERM))
                return 6;
              itimerval left{};
              for (int timer : {ITIMER_REAL, ITIMER_PROF}) {
                if (getitimer(timer, &left) != 0 || left.it_value.tv_sec != 0 || left.it_value.tv_usec != 0) {
                  return 7;
                }
              }
              return 0;
            }),
            0);
}

// A timer that fired before the component could cancel it (a slow start
// under load) left its signal pending behind the inherited mask: unblocking
// must not deliver it, or the run dies of SIGALRM or SIGPROF at its start.
TEST(ResetInheritedSignals, ATimerSignalAlreadyPendingIsDiscarded) {
  EXPECT_EQ(inChild([] {
              sigset_t all;
              sigfillset(&all);
              (void)sigprocmask(SIG_SETMASK, &all, nullptr);
              for (int timerSignal : {SIGALRM, SIGVTALRM, SIGPROF}) (void)raise(timerSignal);
              resetInheritedSignals();
              sigset_t pending;
              if (sigpending(&pending) != 0) return 1;
              for (int timerSignal : {SIGALRM, SIGVTALRM, SIGPROF}) {
                if (sigismember(&pending, timerSignal)) return 2;
              }
              struct sigaction action {};
              if (sigaction(SIGPROF, nullptr, &action) != 0 || action.sa_handler != SIG_DFL) return 3;
              return 0;
            }),
            0);
}
