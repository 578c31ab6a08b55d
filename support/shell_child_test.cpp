// Shell children: the signal state they start with, their own process group,
// and a child that outlives its closed output stopped after its grace time.
#include "support/shell_child.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

TEST(ShellChild, StartsWithSigpipeAtItsDefaultInAGroupOfItsOwn) {
  const auto before = signal(SIGPIPE, SIG_IGN);
  std::string output;
  ASSERT_TRUE(
      captureOutput("sh -c 'kill -PIPE $$'; echo $?; echo $$ $(cut -d' ' -f5 /proc/$$/stat)", 100, output));
  (void)signal(SIGPIPE, before);
  const std::size_t end = output.find('\n');
  EXPECT_EQ(output.substr(0, end), "141");
  const std::string ids = output.substr(end + 1);
  const std::size_t space = ids.find(' ');
  EXPECT_EQ(ids.substr(0, space) + "\n", ids.substr(space + 1)) << ids;
}

// Deaf to its closed pipe and to SIGTERM: the run still goes on after 2 s.
TEST(ShellChild, ChildThatIgnoresItsClosedOutputIsKilledAfterItsGrace) {
  const auto started = std::chrono::steady_clock::now();
  std::string output;
  ASSERT_TRUE(captureOutput("trap '' PIPE TERM; while :; do echo x; done 2>/dev/null", 10, output));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_EQ(output, "x\nx\nx\nx\nx\n");
  EXPECT_GE(seconds, 1.9);
  EXPECT_LT(seconds, 10.0);
}

TEST(ShellChild, InheritedOutputAndTheExitStatus) {
  ShellChild child("exit 5", ShellChild::Output::Inherited);
  ASSERT_TRUE(child.started());
  EXPECT_EQ(child.output(), -1);
  const int status = child.wait();
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 5);
}

// A captured command is in a session of its own, away from any terminal,
// and reads end of file at once instead of waiting at a prompt.
TEST(ShellChild, CapturedCommandHasItsOwnSessionAndNoInput) {
  std::string output;
  ASSERT_TRUE(captureOutput("echo $$ $(cut -d' ' -f6 /proc/$$/stat); read answer; echo \"[$answer]\" $?", 100,
                            output));
  const std::size_t end = output.find('\n');
  const std::string ids = output.substr(0, end);
  const std::size_t space = ids.find(' ');
  EXPECT_EQ(ids.substr(0, space), ids.substr(space + 1)) << output;
  EXPECT_EQ(output.substr(end + 1), "[] 1\n");
}

// A caller that started the run with descriptors 0 and 1 closed puts the
// pipe's write end on descriptor 1: the command must still write to it.
TEST(ShellChild, CaptureWorksWhenThePipeLandsOnTheStandardDescriptors) {
  const pid_t pid = fork();
  if (pid == 0) {
    (void)close(0);
    (void)close(1);
    std::string output;
    const bool started = captureOutput("echo 2.09", 100, output);
    _exit(started && output == "2.09\n" ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
