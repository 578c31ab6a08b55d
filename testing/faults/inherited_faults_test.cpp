// What an unusual caller hands a run: standard descriptors closed, SIGCHLD
// ignored, signals blocked, timers pending, a PATH that searches the working
// directory, a file size limit. The run makes each safe before it starts, so
// the outcome is the one an ordinary caller would get.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "testing/faults/fault_checks.h"
#include "testing/faults/fault_server.h"
#include "testing/faults/private_dev.h"

namespace faults {
namespace {

// An installed image newer than the package's: a QLogic run that does not
// see the query's answer would take it for missing and flash a downgrade.
const char kNewerQLogicImage[] =
    "HBA Instance: 0\nFlash Image Version: 3.20\nPort Name: 21-00-00-1b-32-0a-0b-0c\n\n\n";

void build(FaultServer& server, Component component) {
  server.build();
  if (component == Component::QLogic) server.setQueryOutput(kNewerQLogicImage);
}

// What each component must do when it sees its tool's answer: the report's
// device and installed version, and the flash's exit code and tool calls.
struct Expected {
  const char* device;
  int flashExit;
  const char* flashCalls;
};

Expected expectedFor(Component component) {
  switch (component) {
    case Component::QLogic:
      return {"1077.2532.1077.015d 3.20", 3, ""};
    case Component::Emulex:
      return {"10df.f100.10df.f100 2.02A1", 1, "/q /sysfs\n/sysfs /update\n"};
    default:
      return {"1657.0013.1657.0014 3.0.3.0", 1, "boot --update bfa_boot_fw -a\n"};
  }
}

// Checks a run against what the component must do; the console only when
// the run had one.
void expectOrdinaryOutcome(const FaultServer& server, Component component, bool report, const Outcome& run,
                           bool consoleOpen, const std::string& label) {
  EXPECT_TRUE(withinBounds(run, ordinaryLimits())) << label;
  const Expected expected = expectedFor(component);
  const std::string log = server.log();
  if (report) {
    EXPECT_EQ(run.exitCode, 3) << label;
    std::vector<std::string> devices;
    EXPECT_TRUE(readReport(server.work("report.xml"), devices)) << label;
    EXPECT_EQ(devices, std::vector<std::string>{expected.device}) << label;
  } else {
    EXPECT_EQ(run.exitCode, expected.flashExit) << label << " " << log;
    EXPECT_EQ(server.toolCalls(), expected.flashCalls) << label;
  }
  if (consoleOpen) {
    // The log holds the console's lines, and between them the engine's own.
    const std::size_t engine = run.out.find("Flash Engine exit code: ");
    EXPECT_EQ(log.rfind(kEarlierLog + run.out.substr(0, engine), 0), 0u) << label << " " << run.out;
    if (engine != std::string::npos) {
      EXPECT_EQ(log.substr(log.size() - (run.out.size() - engine)), run.out.substr(engine)) << label;
    }
  } else {
    EXPECT_EQ(run.out, "") << label;
  }
}

std::string descriptorsName(int closed) {
  std::string name;
  for (int fd = 0; fd <= 2; ++fd) {
    if (closed & (1 << fd)) name += std::to_string(fd);
  }
  return "closed " + name;
}

// Every component, in report mode (true) and flash mode.
using ComponentAndMode = std::tuple<Component, bool>;

const auto kComponentsAndModes = ::testing::Combine(
    ::testing::Values(Component::QLogic, Component::Emulex, Component::Brocade), ::testing::Bool());

std::string componentAndModeName(const ::testing::TestParamInfo<ComponentAndMode>& info) {
  return std::string(componentName(std::get<0>(info.param))) + (std::get<1>(info.param) ? "Report" : "Flash");
}

class ClosedDescriptorFaults : public ::testing::TestWithParam<ComponentAndMode> {};

INSTANTIATE_TEST_SUITE_P(Faults, ClosedDescriptorFaults, kComponentsAndModes, componentAndModeName);

// Every combination of closed descriptors 0, 1 and 2: the captured queries
// still reach the component, so the report and the decision are the usual ones.
TEST_P(ClosedDescriptorFaults, EveryCombinationGivesTheOrdinaryOutcome) {
  const Component component = std::get<0>(GetParam());
  const bool report = std::get<1>(GetParam());
  for (int closed = 1; closed < 8; ++closed) {
    FaultServer server(component);
    build(server, component);
    Invocation call =
        server.invocation(report ? std::vector<std::string>{"/d", "report.xml"} : std::vector<std::string>{});
    call.beforeExec = [closed] {
      for (int fd = 0; fd <= 2; ++fd) {
        if (closed & (1 << fd)) (void)close(fd);
      }
    };
    const Outcome run = runBounded(call, ordinaryLimits());
    expectOrdinaryOutcome(server, component, report, run, (closed & 2) == 0, descriptorsName(closed));
  }
}

class InheritedSignalFaults : public ::testing::TestWithParam<ComponentAndMode> {};

INSTANTIATE_TEST_SUITE_P(Faults, InheritedSignalFaults, kComponentsAndModes, componentAndModeName);

// SIGCHLD ignored (the kernel would reap the engine before its exit code is
// read), every signal blocked, and a real-time and a profiling timer about
// to fire: the run ends by itself with the ordinary outcome.
TEST_P(InheritedSignalFaults, IgnoredChildSignalBlockedSignalsAndTimers) {
  const Component component = std::get<0>(GetParam());
  const bool report = std::get<1>(GetParam());
  FaultServer server(component);
  build(server, component);
  Invocation call =
      server.invocation(report ? std::vector<std::string>{"/d", "report.xml"} : std::vector<std::string>{});
  call.beforeExec = [] {
    (void)signal(SIGCHLD, SIG_IGN);
    sigset_t all;
    sigfillset(&all);
    (void)sigprocmask(SIG_SETMASK, &all, nullptr);
    const itimerval soon{{0, 0}, {0, 30000}};
    (void)setitimer(ITIMER_REAL, &soon, nullptr);
    (void)setitimer(ITIMER_PROF, &soon, nullptr);
  };
  const Outcome run = runBounded(call, ordinaryLimits());
  EXPECT_EQ(run.signal, 0) << describe(run);
  expectOrdinaryOutcome(server, component, report, run, true, "signals");
  if (!report && component != Component::QLogic) {
    EXPECT_NE(server.log().find("Flash Engine exit code: 0\n"), std::string::npos) << server.log();
  }
}

// Signals blocked by the caller are unblocked: SIGTERM still ends a run that
// waits for another's lock.
TEST(InheritedSignalFaults, BlockedTermStillEndsTheRun) {
  FaultServer server(Component::QLogic);
  build(server, Component::QLogic);
  const int lock = open(server.root("var/vlx/fcupdate.lock").c_str(), O_RDWR | O_CREAT, 0600);
  (void)fcntl(lock, F_SETFD, FD_CLOEXEC);
  ASSERT_EQ(flock(lock, LOCK_EX), 0);
  Invocation call = server.invocation({});
  call.environment.push_back("FCUPDATE_LOCK_WAIT_SECONDS=30");
  call.beforeExec = [] {
    sigset_t term;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    (void)sigprocmask(SIG_BLOCK, &term, nullptr);
  };
  StartedRun started = startBounded(call);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_EQ(kill(started.pid, SIGTERM), 0);
  const Outcome run = finishBounded(started, ordinaryLimits());
  (void)close(lock);
  EXPECT_EQ(run.exitCode, 7) << describe(run);
  EXPECT_LT(run.seconds, 2.0);
  EXPECT_EQ(server.toolCalls(), "");
}

// A stand-in for a system tool that must never run: it leaves a mark and
// says nothing, so that a run that used it would lose its answers.
void plantFakeTools(const std::string& dir, const std::string& mark) {
  testsupport::makeDirs(dir);
  for (const char* tool : {"cat", "find", "grep", "wc", "unzip", "chmod", "mkdir", "touch"}) {
    const std::string path = dir + "/" + tool;
    testsupport::writeFile(path, "#!/bin/sh\necho " + std::string(tool) + " >> " + mark + "\nexit 0\n");
    ASSERT_EQ(chmod(path.c_str(), 0755), 0);
  }
}

class RelativePathFaults : public ::testing::TestWithParam<Component> {};

INSTANTIATE_TEST_SUITE_P(Faults, RelativePathFaults,
                         ::testing::Values(Component::QLogic, Component::Emulex, Component::Brocade),
                         [](const auto& info) { return std::string(componentName(info.param)); });

// Relative and empty PATH elements are dropped for every command the run
// starts; tools planted in the working directory never run.
TEST_P(RelativePathFaults, ToolsInTheWorkingDirectoryNeverRun) {
  const char* const paths[] = {".:/usr/bin:/bin",
                               ":/usr/bin:/bin",
                               "/usr/bin::/bin",
                               "/usr/bin:/bin:",
                               "bin:/usr/bin:/bin",
                               "./bin:/usr/bin:/bin",
                               "",
                               "PATH"};
  for (const char* path : paths) {
    FaultServer server(GetParam());
    build(server, GetParam());
    const std::string mark = server.root("fake-tools-ran");
    plantFakeTools(server.box().work(), mark);
    plantFakeTools(server.work("bin"), mark);
    Invocation call = server.invocation({});
    call.environment.push_back(std::string(path) == "PATH" ? "PATH" : std::string("PATH=") + path);
    const Outcome run = runBounded(call, ordinaryLimits());
    const std::string label = std::string("PATH ") + path;
    expectOrdinaryOutcome(server, GetParam(), false, run, true, label);
    EXPECT_FALSE(testsupport::fileExists(mark)) << label << ": " << testsupport::readFile(mark);
  }
}

// A file size limit stops the writes past it, which then fail as writes:
// the log error on the console, the report's "FAILED!", never a crash.
TEST(ResourceLimitFaults, FileSizeLimitFailsTheWritesNotTheRun) {
  for (Component component : {Component::QLogic, Component::Brocade}) {
    FaultServer server(component);
    build(server, component);
    Invocation call = server.invocation({"/d", "report.xml"});
    call.beforeExec = [] {
      const rlimit small{150, 150};
      (void)setrlimit(RLIMIT_FSIZE, &small);
    };
    const Outcome run = runBounded(call, ordinaryLimits());
    EXPECT_TRUE(withinBounds(run, ordinaryLimits())) << describe(run);
    EXPECT_EQ(run.exitCode, 3) << componentName(component);
    int logErrors = 0;
    const std::string console = withoutLogErrors(run.out, &logErrors);
    EXPECT_EQ(console, std::string(kStart) + "Generating self-discovery XML...FAILED!\ndone.\n");
    EXPECT_GT(logErrors, 0);
    EXPECT_FALSE(testsupport::fileExists(server.work("report.xml")));
    EXPECT_EQ(server.log().size(), 150u);
  }
}

// The same limit stops unzip partway: the kit it leaves is cut, so it never
// runs, and the run fails with 7 instead of flashing from a cut script.
TEST(ResourceLimitFaults, FileSizeLimitLeavesACutKitThatNeverRuns) {
  for (bool report : {true, false}) {
    FaultServer server(Component::Emulex);
    build(server, Component::Emulex);
    Invocation call =
        server.invocation(report ? std::vector<std::string>{"/d", "report.xml"} : std::vector<std::string>{});
    call.beforeExec = [] {
      const rlimit small{150, 150};
      (void)setrlimit(RLIMIT_FSIZE, &small);
    };
    const Outcome run = runBounded(call, ordinaryLimits());
    EXPECT_TRUE(withinBounds(run, ordinaryLimits())) << describe(run);
    EXPECT_EQ(run.exitCode, 7);
    int logErrors = 0;
    const std::string console = withoutLogErrors(run.out, &logErrors);
    EXPECT_NE(
        console.find("Preparing the Emulex Kit...FAILED!\nERROR! : The Emulex Kit did not unpack whole ("),
        std::string::npos)
        << console;
    EXPECT_EQ(server.toolCalls(), "");
    EXPECT_FALSE(testsupport::fileExists(server.work("report.xml")));
  }
}

// Without a /dev/null to put on a closed descriptor the run cannot be made
// safe: it says so on standard error and ends with 7 before anything else.
TEST(ClosedDescriptorFaults, NoDevNullEndsTheRunWithSeven) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root for a mount namespace with an empty /dev";
  FaultServer server(Component::QLogic);
  build(server, Component::QLogic);
  const std::string errors = server.work("stderr.txt");
  Invocation call = server.invocation({});
  call.beforeExec = [errors] {
    const int fd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    (void)dup2(fd, 2);
    if (!enterPrivateMountTree() || mount("none", "/dev", "tmpfs", 0, nullptr) != 0) {
      _exit(99);
    }
    (void)close(0);
  };
  const Outcome run = runBounded(call, ordinaryLimits());
  if (run.exitCode == 99) GTEST_SKIP() << "no mount namespace here";
  EXPECT_EQ(run.exitCode, 7) << describe(run);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(testsupport::readFile(errors),
            "ERROR! : /dev/null cannot be opened for a closed standard descriptor; nothing was run.\n");
  EXPECT_EQ(server.log(), kEarlierLog);
}

}  // namespace
}  // namespace faults
