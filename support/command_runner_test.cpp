// Running commands: captured output, and what a system() status says.
#include "support/command_runner.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

TEST(RunCommand, CapturesLongLinesWhole) {
  const std::string line(300, 'x');
  EXPECT_EQ(runCommand("printf '%s\\nend\\n' " + line), line + "\nend\n");
}

TEST(RunCommand, EmptyOutputAndStderrNotCaptured) {
  EXPECT_EQ(runCommand("true"), "");
  EXPECT_EQ(runCommand("echo hidden 1>&2"), "");
  // A command that prints ERROR reads the same as one that could not start.
  EXPECT_EQ(runCommand("printf ERROR"), "ERROR");
}

TEST(DecodeSystemStatus, ExitCodesSignalsAndNoShell) {
  CommandStatus ok = decodeSystemStatus(std::system("exit 0"));
  EXPECT_EQ(ok.exitCode, 0);
  EXPECT_FALSE(ok.signalled);
  EXPECT_EQ(decodeSystemStatus(std::system("exit 200")).exitCode, 200);
  EXPECT_EQ(decodeSystemStatus(std::system("/nonexistent/tool 2>/dev/null")).exitCode, 127);
  CommandStatus killed = decodeSystemStatus(std::system("kill -TERM $$"));
  EXPECT_TRUE(killed.signalled);
  EXPECT_EQ(killed.exitCode, 128 + SIGTERM);
  CommandStatus none = decodeSystemStatus(-1);
  EXPECT_EQ(none.exitCode, 255);
  EXPECT_FALSE(none.signalled);
}

// What runCommand throws away is kept: the status, beside the output.
TEST(RunCaptured, KeepsTheStatusBesideTheOutput) {
  struct Case {
    const char* command;
    std::size_t bound;
    const char* output;
    int exitCode;
    int signalled;  // -1: either (whether the shell execs the command is its own choice)
  };
  const Case cases[] = {
      {"echo fine", kToolOutputBound, "fine\n", 0, 0},
      {"echo warned; exit 1", kToolOutputBound, "warned\n", 1, 0},
      {"echo cut; exit 50", kToolOutputBound, "cut\n", 50, 0},
      {"no-such-command-here 2>/dev/null", kToolOutputBound, "", 127, 0},
      {"echo gone; kill -TERM $$", kToolOutputBound, "gone\n", 128 + SIGTERM, 1},
      // Past the bound the command is stopped: it never counts as a success.
      {"yes", 4, "y\ny\n", 128 + SIGPIPE, -1},
  };
  for (const Case& c : cases) {
    const CommandResult result = runCaptured(c.command, c.bound);
    EXPECT_TRUE(result.started) << c.command;
    EXPECT_EQ(result.output, c.output) << c.command;
    EXPECT_EQ(result.status.exitCode, c.exitCode) << c.command;
    if (c.signalled >= 0) {
      EXPECT_EQ(result.status.signalled, c.signalled == 1) << c.command;
    }
  }
}

// The record keeps how the command ended without its output; a command cut
// at the bound says so, one that ended of itself does not.
TEST(RunCaptured, RecordSaysHowTheCommandEnded) {
  struct Case {
    const char* command;
    std::size_t bound;
    std::size_t outputBytes;
    bool cut;
    int exitCode;
  };
  const Case cases[] = {
      {"printf abc; exit 4", kToolOutputBound, 3, false, 4},
      {"printf abc", 3, 3, true, 0},
      {"yes", 4, 4, true, 128 + SIGPIPE},
      {"true", kToolOutputBound, 0, false, 0},
  };
  for (const Case& c : cases) {
    const CommandRecord record = commandRecord(c.command, runCaptured(c.command, c.bound));
    EXPECT_EQ(record.text, c.command);
    EXPECT_TRUE(record.started) << c.command;
    EXPECT_EQ(record.outputBytes, c.outputBytes) << c.command;
    EXPECT_EQ(record.cutAtBound, c.cut) << c.command;
    EXPECT_EQ(record.status.exitCode, c.exitCode) << c.command;
    EXPECT_GE(record.milliseconds, 0) << c.command;
  }
}

TEST(CommandStatus, SignalNumberOnlyWhenSignalled) {
  EXPECT_EQ((CommandStatus{128 + SIGTERM, true}).signalNumber(), SIGTERM);
  EXPECT_EQ((CommandStatus{128 + SIGTERM, false}).signalNumber(), 0);
  EXPECT_EQ((CommandStatus{0, false}).signalNumber(), 0);
}

// The duration is the command's own, on the monotonic clock.
TEST(RunCaptured, RecordsHowLongTheCommandTook) {
  const CommandRecord record = commandRecord("sleep 0.2", runCaptured("sleep 0.2"));
  EXPECT_GE(record.milliseconds, 190);
  EXPECT_LT(record.milliseconds, 60000);
}
