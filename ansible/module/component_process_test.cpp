// Running a child: its exit code and signal, and an end that cannot be
// waited for, which must not pass for a signal or an exit code.
#include "ansible/module/component_process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

namespace fleet {
namespace {

ChildCommand shell(const std::string& script) {
  ChildCommand command;
  command.program = "/bin/sh";
  command.args = {"-c", script};
  command.dir = "/";
  return command;
}

TEST(ComponentProcess, ExitCodeSignalAndOutput) {
  ProcessResult exited = runProcess(shell("echo hello; exit 3"));
  EXPECT_TRUE(exited.started);
  EXPECT_FALSE(exited.signalled);
  EXPECT_EQ(exited.exitCode, 3);
  EXPECT_EQ(exited.output, "hello\n");
  ProcessResult killed = runProcess(shell("kill -s TERM $$"));
  EXPECT_TRUE(killed.started);
  EXPECT_TRUE(killed.signalled);
  EXPECT_EQ(killed.exitCode, -SIGTERM);
}

// With SIGCHLD ignored the system reaps the child itself, and the wait
// fails: the outcome is unknown, said as such.
TEST(ComponentProcess, AnEndThatCannotBeWaitedForIsNotASignal) {
  struct sigaction ignore {
  }, before{};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ASSERT_EQ(sigaction(SIGCHLD, &ignore, &before), 0);
  ProcessResult result = runProcess(shell("exit 0"));
  (void)sigaction(SIGCHLD, &before, nullptr);
  EXPECT_FALSE(result.started);
  EXPECT_FALSE(result.signalled);
  EXPECT_EQ(result.error.rfind("cannot wait for /bin/sh: ", 0), 0u) << result.error;
}

// A process the child leaves behind keeps the output pipe open; the child's
// own end and output still come back at once.
TEST(ComponentProcess, AProcessLeftBehindDoesNotHoldTheCall) {
  const ProcessResult result = runProcess(shell("sleep 30 & echo $!; echo done; exit 3"));
  const size_t newline = result.output.find('\n');
  ASSERT_NE(newline, std::string::npos) << result.output;
  const pid_t leftBehind = std::stoi(result.output.substr(0, newline));
  EXPECT_EQ(kill(leftBehind, 0), 0) << "the call waited until the process left behind had ended";
  (void)kill(leftBehind, SIGKILL);
  EXPECT_TRUE(result.started) << result.error;
  EXPECT_EQ(result.exitCode, 3);
  EXPECT_EQ(result.output.substr(newline + 1), "done\n");
}

// A child that keeps printing is read to the bound and no further.
TEST(ComponentProcess, OutputIsBounded) {
  const ProcessResult result = runProcess(shell("head -c 3000000 /dev/zero; exit 5"));
  EXPECT_EQ(result.exitCode, 5);
  EXPECT_EQ(result.output.size(), kOutputBound);
}

}  // namespace
}  // namespace fleet
