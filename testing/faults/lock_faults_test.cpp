// Two update runs on one host: the run lock below /var/vlx lets one flash at a
// time, a run that finds it held waits within its bound, and a lock file that
// cannot be trusted is never used.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>

#include "testing/faults/fault_checks.h"
#include "testing/faults/fault_server.h"

namespace faults {
namespace {

const char kBanner[] = "---------------------------------------------------\n";

// Another run's lock, held by the test for as long as the object lives.
class HeldLock {
 public:
  explicit HeldLock(const FaultServer& server) {
    fd_ = open(server.root("var/vlx/fcupdate.lock").c_str(), O_RDWR | O_CREAT, 0600);
    // Not handed to the runs the test starts, which would then hold it too.
    if (fd_ >= 0) (void)fcntl(fd_, F_SETFD, FD_CLOEXEC);
    locked_ = fd_ >= 0 && flock(fd_, LOCK_EX) == 0;
  }
  ~HeldLock() { release(); }
  HeldLock(const HeldLock&) = delete;
  HeldLock& operator=(const HeldLock&) = delete;
  bool locked() const { return locked_; }
  void release() {
    if (fd_ >= 0) (void)close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
  bool locked_ = false;
};

std::string waitingNotice(const FaultServer& server, int seconds) {
  return "NOTICE : Another update run holds " + server.root("var/vlx/fcupdate.lock") +
         "; waiting for it, at most " + std::to_string(seconds) + " s...\n";
}

// The run history of a run that never held the lock: one ended record,
// appended without the lock, with what stopped the run.
void expectEndedOnly(const FaultServer& server, const std::string& cause, const std::string& reasonStart) {
  const std::string text = testsupport::readFile(server.root("var/vlx/fcupdate-history.jsonl"));
  ASSERT_FALSE(text.empty());
  ASSERT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
  const nlohmann::json record = nlohmann::json::parse(text);
  EXPECT_EQ(record["phase"], "ended");
  EXPECT_EQ(record["outcome"]["exit_code"], 7);
  EXPECT_EQ(record["outcome"]["word"], "failed");
  EXPECT_EQ(record["outcome"]["cause"], cause);
  EXPECT_EQ(record["outcome"]["reason"].get<std::string>().rfind(reasonStart, 0), 0u) << record["outcome"];
  EXPECT_TRUE(record["engine"]["exit_code"].is_null());
}

Invocation withWaitBound(const FaultServer& server, const std::vector<std::string>& args, int seconds) {
  Invocation call = server.invocation(args);
  call.environment.push_back("FCUPDATE_LOCK_WAIT_SECONDS=" + std::to_string(seconds));
  return call;
}

struct Mode {
  const char* name;
  std::vector<std::string> args;
};

void PrintTo(const Mode& mode, std::ostream* out) { *out << mode.name; }

const Mode kReport{"Report", {"/d", "report.xml"}};
const Mode kFlash{"Flash", {}};

class HeldLockFaults : public ::testing::TestWithParam<std::tuple<Component, Mode>> {};

INSTANTIATE_TEST_SUITE_P(Faults, HeldLockFaults,
                         ::testing::Combine(::testing::Values(Component::QLogic, Component::Emulex,
                                                              Component::Brocade),
                                            ::testing::Values(kReport, kFlash)),
                         [](const auto& info) {
                           return std::string(componentName(std::get<0>(info.param))) +
                                  std::get<1>(info.param).name;
                         });

// Past its bound the run gives up with 7, having run nothing: no tool call,
// no report, not a byte in the log, which belongs to the run that holds it.
TEST_P(HeldLockFaults, PastTheBoundNothingRunsAndTheRunFails) {
  FaultServer server(std::get<0>(GetParam()));
  server.build();
  HeldLock other(server);
  ASSERT_TRUE(other.locked());
  const Outcome run = runBounded(withWaitBound(server, std::get<1>(GetParam()).args, 1), ordinaryLimits());
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 7);
  EXPECT_EQ(run.out, waitingNotice(server, 1) + "ERROR! : Another update run still holds " +
                         server.root("var/vlx/fcupdate.lock") + " after 1 s; nothing was run.\n");
  EXPECT_GE(run.seconds, 0.9);
  EXPECT_EQ(server.toolCalls(), "");
  EXPECT_FALSE(testsupport::fileExists(server.work("report.xml")));
  EXPECT_EQ(server.log(), kEarlierLog);
  expectEndedOnly(server, "lock_timeout", "another run held the run lock for more than 1 s");
}

// A lock released during the wait: the run goes on as if it had not waited,
// and its log says how long it did.
TEST_P(HeldLockFaults, ALockReleasedInTimeLetsTheRunGoOn) {
  FaultServer server(std::get<0>(GetParam()));
  server.build();
  auto other = std::make_unique<HeldLock>(server);
  ASSERT_TRUE(other->locked());
  StartedRun started = startBounded(withWaitBound(server, std::get<1>(GetParam()).args, 30));
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  other.reset();
  const Outcome run = finishBounded(started, ordinaryLimits());
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  const bool report = std::get<1>(GetParam()).args.size() == 2;
  EXPECT_EQ(run.exitCode, report ? 3 : 1);
  EXPECT_EQ(run.out.rfind(waitingNotice(server, 30) + server.start(), 0), 0u) << run.out;
  const std::string log = server.log();
  EXPECT_EQ(log.rfind(std::string(kEarlierLog) + kBanner + "NOTICE : Waited ", 0), 0u) << log;
  EXPECT_NE(log.find(" s for another update run to finish.\nLoading references...done.\n"), std::string::npos)
      << log;
}

// SIGTERM, SIGINT or SIGHUP while waiting end the run at once with 7.
TEST(LockFaults, ASignalWhileWaitingEndsTheRunAtOnce) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    FaultServer server(Component::QLogic);
    server.build();
    HeldLock other(server);
    ASSERT_TRUE(other.locked());
    StartedRun started = startBounded(withWaitBound(server, {}, 30));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto sent = std::chrono::steady_clock::now();
    ASSERT_EQ(kill(started.pid, signal), 0);
    const Outcome run = finishBounded(started, ordinaryLimits());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
    const std::string name = signal == SIGTERM ? "SIGTERM" : signal == SIGINT ? "SIGINT" : "SIGHUP";
    EXPECT_EQ(run.exitCode, 7) << name << ": " << describe(run);
    EXPECT_LT(seconds, 0.5) << name;
    EXPECT_EQ(run.out, waitingNotice(server, 30) + "ERROR! : " + name +
                           " received while waiting for another update run; nothing was run.\n");
    EXPECT_EQ(server.toolCalls(), "") << name;
    EXPECT_EQ(server.log(), kEarlierLog) << name;
    expectEndedOnly(server, "signal", name + " came while the run waited for the run lock");
    const nlohmann::json record =
        nlohmann::json::parse(testsupport::readFile(server.root("var/vlx/fcupdate-history.jsonl")));
    EXPECT_EQ(record["signals"], nlohmann::json({name}));
  }
}

// Help, the version and a command line that does not parse never wait: they
// run nothing and do not touch the log.
TEST(LockFaults, HelpVersionAndParseFailuresNeverWait) {
  FaultServer server(Component::QLogic);
  server.build();
  HeldLock other(server);
  ASSERT_TRUE(other.locked());
  for (const auto& [args, code] : std::vector<std::pair<std::vector<std::string>, int>>{
           {{"/h"}, 3}, {{"--help"}, 3}, {{"--version"}, 3}, {{"/d"}, 7}, {{"/D", "x.xml"}, 7}}) {
    const Outcome run = runBounded(withWaitBound(server, args, 30), ordinaryLimits());
    EXPECT_EQ(run.exitCode, code) << args.front();
    EXPECT_LT(run.seconds, 5.0) << args.front();
    EXPECT_EQ(run.out.find("NOTICE : Another update run"), std::string::npos) << args.front();
  }
  EXPECT_EQ(server.log(), kEarlierLog);
}

// Two runs started 0.3 s apart on a slow flash: the first flashes, the second
// waits for it and then finds the new image in place, so the engine ran once.
TEST(LockFaults, TwoRunsNeverFlashAtOnce) {
  FaultServer server(Component::QLogic);
  server.build();
  testsupport::writeFile(server.work("qlafwupdate.sleep"), "2\n");
  testsupport::writeFile(
      server.work("qlafwupdate.after"),
      "HBA Instance: 0\nFlash Image Version: 3.10\nPort Name: 21-00-00-1b-32-0a-0b-0c\n\n\n");
  StartedRun first = startBounded(server.invocation({}));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  StartedRun second = startBounded(server.invocation({}));
  const Outcome one = finishBounded(first, ordinaryLimits());
  const Outcome two = finishBounded(second, ordinaryLimits());
  EXPECT_EQ(one.exitCode, 1) << describe(one);
  EXPECT_EQ(two.exitCode, 3) << describe(two) << two.out;
  EXPECT_NE(two.out.find("NOTICE : No operation was done.\n"), std::string::npos) << two.out;
  EXPECT_EQ(server.toolCalls(), "\n");
  const std::string spans = testsupport::readFile(server.work("qlafwupdate.spans"));
  EXPECT_EQ(std::count(spans.begin(), spans.end(), '\n'), 2) << spans;
}

// The lock is never handed to a child: a helper the engine leaves running
// does not keep the next run waiting.
TEST(LockFaults, AHelperTheEngineLeavesBehindHoldsNoLock) {
  FaultServer server(Component::QLogic);
  server.build();
  testsupport::writeFile(server.work("qlafwupdate.linger"), "5\n");
  const Outcome first = server.run({});
  EXPECT_EQ(first.exitCode, 1) << describe(first);
  const Outcome second = runBounded(withWaitBound(server, {"/d", "report.xml"}, 3), ordinaryLimits());
  EXPECT_EQ(second.exitCode, 3) << second.out;
  EXPECT_EQ(second.out.find("NOTICE : Another update run"), std::string::npos) << second.out;
  EXPECT_LT(second.seconds, 2.0);
}

struct LockSwap {
  const char* name;
  void (*inflict)(const std::string& lock, const std::string& victim);
  bool rootOnly;
};

void PrintTo(const LockSwap& swap, std::ostream* out) { *out << swap.name; }

class UntrustedLockFaults : public ::testing::TestWithParam<LockSwap> {};

INSTANTIATE_TEST_SUITE_P(Faults, UntrustedLockFaults,
                         ::testing::Values(LockSwap{"Symlink",
                                                    [](const std::string& lock, const std::string& victim) {
                                                      ASSERT_EQ(symlink(victim.c_str(), lock.c_str()), 0);
                                                    },
                                                    false},
                                           LockSwap{"DanglingSymlink",
                                                    [](const std::string& lock, const std::string& victim) {
                                                      ASSERT_EQ(unlink(victim.c_str()), 0);
                                                      ASSERT_EQ(symlink(victim.c_str(), lock.c_str()), 0);
                                                    },
                                                    false},
                                           LockSwap{"Fifo",
                                                    [](const std::string& lock, const std::string&) {
                                                      ASSERT_EQ(mkfifo(lock.c_str(), 0600), 0);
                                                    },
                                                    false},
                                           LockSwap{"Directory",
                                                    [](const std::string& lock, const std::string&) {
                                                      ASSERT_EQ(mkdir(lock.c_str(), 0700), 0);
                                                    },
                                                    false},
                                           LockSwap{"AnotherUsersFile",
                                                    [](const std::string& lock, const std::string&) {
                                                      testsupport::writeFile(lock, "");
                                                      ASSERT_EQ(chown(lock.c_str(), 65534, 65534), 0);
                                                    },
                                                    true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A lock file that is not a plain file of the running user is never opened
// through, written or held: the run says so and goes on unlocked, as it did
// before there was a lock.
TEST_P(UntrustedLockFaults, TheRunGoesOnUnlockedAndTouchesNothing) {
  if (GetParam().rootOnly && geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
  FaultServer server(Component::QLogic);
  server.build();
  const std::string victim = server.work("victim");
  testsupport::writeFile(victim, "a file root must never write\n");
  GetParam().inflict(server.root("var/vlx/fcupdate.lock"), victim);
  const Outcome run = server.run({});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 1) << run.out;
  const std::string warning = "WARNING! : " + server.root("var/vlx/fcupdate.lock") +
                              " cannot be used; running without the lock, so another update run may "
                              "flash at the same time.\n";
  EXPECT_EQ(run.out.rfind(std::string(kBanner) + warning + "Loading references...done.\n", 0), 0u) << run.out;
  EXPECT_EQ(server.log().rfind(std::string(kEarlierLog) + kBanner + warning, 0), 0u);
  if (testsupport::fileExists(victim)) {
    EXPECT_EQ(testsupport::readFile(victim), "a file root must never write\n");
  } else {
    struct stat info {};
    EXPECT_NE(lstat(victim.c_str(), &info), 0) << "the dangling link's target was created";
  }
}

}  // namespace
}  // namespace faults
