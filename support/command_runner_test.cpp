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
