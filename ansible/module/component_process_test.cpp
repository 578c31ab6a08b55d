// Running a child: its exit code and signal, and an end that cannot be
// waited for, which must not pass for a signal or an exit code.
#include "ansible/module/component_process.h"

#include <gtest/gtest.h>

#include <csignal>

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

}  // namespace
}  // namespace fleet
