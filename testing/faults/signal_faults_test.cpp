// Signals that reach the component in the middle of a run: recorded in the
// log at once; before the flash the run stops with 7, during the flash the
// engine is left to finish and its outcome stands.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "testing/faults/fault_checks.h"
#include "testing/faults/fault_server.h"

namespace faults {
namespace {

using Clock = std::chrono::steady_clock;

struct SignalRun {
  int exitCode = -1;  // -1 unless it exited by itself
  bool markerSeen = false;
  std::string out;
};

std::string absoluteBin(const std::string& name) {
  std::string dir = testsupport::binDir();
  if (dir.empty() || dir[0] != '/') {
    char here[4096];
    if (getcwd(here, sizeof here) != nullptr) dir = std::string(here) + "/" + dir;
  }
  return dir + "/" + name;
}

bool waitFor(const std::string& path, double seconds) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
  while (Clock::now() < deadline) {
    if (access(path.c_str(), F_OK) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// Starts the QLogic component, waits for the tool to leave its marker, sends
// the signal, and waits (at most 20 s) for the component to end.
SignalRun runAndSignal(const FaultServer& server, const std::vector<std::string>& args, int signal,
                       const std::string& marker) {
  SignalRun result;
  const std::string out = server.work("console.out");
  const std::string program = absoluteBin("fcupdate");
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(server.box().work().c_str()) != 0) _exit(126);
    setenv("FCUPDATE_ROOT", server.box().root().c_str(), 1);
    const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, 1);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  result.markerSeen = waitFor(server.work(marker), 10);
  kill(pid, signal);
  int status = 0;
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (Clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return result;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  result.out = testsupport::readFile(out);
  return result;
}

// Alive and not a zombie waiting for whoever inherited it to reap it.
bool running(pid_t pid) {
  if (kill(pid, 0) != 0) return false;
  const std::string stat = testsupport::readFile("/proc/" + std::to_string(pid) + "/stat");
  const std::size_t close = stat.rfind(')');
  return close == std::string::npos || close + 2 >= stat.size() || stat[close + 2] != 'Z';
}

// The QLogic engine swapped for one whose query and flash each leave a
// marker, note their pid and then take their time.
void slowEngine(const FaultServer& server, const char* queryBody, const char* flashBody) {
  const std::string script = std::string("#!/bin/sh\n") +
                             "if [ \"$1\" = /q ]; then\n  echo $$ > query.pid\n" +
                             "  touch query.started\n  " + queryBody + "\n  exit 0\nfi\n" +
                             "touch flash.started\n" + flashBody + "\n";
  testsupport::writeFile(server.toolPath(), script);
  ASSERT_EQ(chmod(server.toolPath().c_str(), 0755), 0);
}

struct NamedSignal {
  int number;
  const char* name;
};

void PrintTo(const NamedSignal& signal, std::ostream* out) { *out << signal.name; }

class SignalFaults : public ::testing::TestWithParam<NamedSignal> {};

INSTANTIATE_TEST_SUITE_P(Faults, SignalFaults,
                         ::testing::Values(NamedSignal{SIGTERM, "SIGTERM"}, NamedSignal{SIGINT, "SIGINT"},
                                           NamedSignal{SIGHUP, "SIGHUP"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Before the flash: the signal is logged, the running query is stopped with
// the run, and the run ends with 7 at once.
TEST_P(SignalFaults, BeforeTheFlashTheRunIsLoggedAndStoppedWithSeven) {
  FaultServer server(Component::QLogic);
  server.build();
  slowEngine(server, "sleep 30", "exit 0");
  const auto started = Clock::now();
  const SignalRun run = runAndSignal(server, {}, GetParam().number, "query.started");
  ASSERT_TRUE(run.markerSeen);
  EXPECT_EQ(run.exitCode, 7);
  EXPECT_LT(std::chrono::duration<double>(Clock::now() - started).count(), 10.0);
  const std::string notice = std::string("ERROR! : ") + GetParam().name + " received; the run is stopped.\n";
  const std::string log = server.log();
  ASSERT_GE(log.size(), notice.size());
  EXPECT_EQ(log.substr(log.size() - notice.size()), notice) << log;
  EXPECT_EQ(run.out, std::string(kStart) + notice);
  // The query went with the run.
  const pid_t query = std::atoi(testsupport::readFile(server.work("query.pid")).c_str());
  ASSERT_GT(query, 0);
  bool gone = false;
  for (int i = 0; i < 200 && !gone; ++i) {
    gone = !running(query);
    if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(gone);
}

// During the flash: the signal is logged at once, the engine is left to
// finish, and its outcome is the run's: applied (1), never a failure.
TEST_P(SignalFaults, DuringTheFlashTheEngineFinishesAndItsOutcomeStands) {
  FaultServer server(Component::QLogic);
  server.build();
  slowEngine(server, "echo 'HBA Instance: 0'", "sleep 1; echo engine finished; exit 0");
  const SignalRun run = runAndSignal(server, {}, GetParam().number, "flash.started");
  ASSERT_TRUE(run.markerSeen);
  EXPECT_EQ(run.exitCode, 1);
  const std::string notice = std::string("WARNING! : ") + GetParam().name +
                             " received during the flash; the flash engine is left to finish.\n";
  const std::string log = server.log();
  const std::size_t noticeAt = log.find(notice);
  ASSERT_NE(noticeAt, std::string::npos) << log;
  EXPECT_LT(noticeAt, log.find("engine finished\n")) << log;
  EXPECT_NE(log.find("engine finished\nFlash Engine exit code: 0\nFlash complete [1]\n"), std::string::npos)
      << log;
  EXPECT_NE(run.out.find(notice + "Flash Engine exit code: 0\nFlash complete [1]\n"), std::string::npos)
      << run.out;
}

}  // namespace
}  // namespace faults
