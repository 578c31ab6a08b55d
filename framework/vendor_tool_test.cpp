// The vendor tool launcher: what the log line shows, when the tool is made
// executable, and how the engine's output and status reach the log.
#include "framework/vendor_tool.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "testing/test_support.h"

using testsupport::readFile;
using testsupport::ScopedChdir;
using testsupport::ScopedEnv;
using testsupport::TempDir;

namespace {

// A working directory holding one tool script, not yet executable, and a
// quiet component log below a scratch root.
struct ToolDir {
  TempDir work;
  TempDir root;
  ScopedEnv env{"FCUPDATE_ROOT", root.path()};
  ScopedChdir cd{work.path()};
  ComponentLog log;

  explicit ToolDir(const std::string& body) {
    testsupport::writeFile(work / "engine", "#!/bin/sh\n" + body);
    chmod((work / "engine").c_str(), 0644);
    log.quiet = true;
  }
  mode_t mode() const {
    struct stat info {};
    return stat((work / "engine").c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
  }
};

}  // namespace

TEST(VendorTool, MakeExecutableGivesEveryoneExecuteAndOnlyTheOwnerWrite) {
  ToolDir dir("exit 0\n");
  chmod((dir.work / "engine").c_str(), 0666);
  makeExecutable("./engine");
  EXPECT_EQ(dir.mode(), 0755u);
}

TEST(VendorTool, EngineOnlyLogLineThenOutputThenExitCode) {
  ToolDir dir("echo \"out $*\"; echo err >&2; exit 5\n");
  const CommandRecord engine = runFlashEngine(dir.log, {"./engine", " /s /f"}, LoggedCommand::EngineOnly,
                                              ToolPreparation::MakeExecutable);
  EXPECT_EQ(engine.status.exitCode, 5);
  EXPECT_FALSE(engine.status.signalled);
  // The record names the command as the shell ran it, redirections and all.
  const std::string& path = dir.log.path;
  EXPECT_EQ(engine.text, "./engine /s /f 1>> " + path + " 2>> " + path + " 3>> " + path);
  EXPECT_TRUE(engine.started);
  EXPECT_EQ(engine.outputBytes, 0u);
  EXPECT_GE(engine.milliseconds, 0);
  EXPECT_EQ(dir.mode(), 0755u);
  EXPECT_EQ(readFile(dir.log.path),
            "Executing flash engine: ./engine /s /f\nout /s /f\nerr\nFlash Engine exit code: 5\n");
}

TEST(VendorTool, WholeCommandLogLineAndAToolLeftAsItWas) {
  ToolDir dir("exit 0\n");
  const CommandStatus status =
      runFlashEngine(dir.log, {"./engine", " /x"}, LoggedCommand::WithLogRedirections,
                     ToolPreparation::AlreadyExecutable)
          .status;
  // Not made executable, so the shell cannot run it.
  EXPECT_EQ(status.exitCode, 126);
  EXPECT_EQ(dir.mode(), 0644u);
  const std::string& path = dir.log.path;
  const std::string logged = readFile(path);
  EXPECT_EQ(
      logged.rfind("Executing flash engine: ./engine /x 1>> " + path + " 2>> " + path + " 3>> " + path + "\n",
                   0),
      0u)
      << logged;
  EXPECT_NE(logged.find("Flash Engine exit code: 126\n"), std::string::npos) << logged;
}

TEST(VendorTool, AnEngineEndedBySignalIsLoggedAsOneHundredAndTwentyEightPlusTheSignal) {
  ToolDir dir("kill -TERM $$\n");
  const CommandStatus status =
      runFlashEngine(dir.log, {"./engine", ""}, LoggedCommand::EngineOnly, ToolPreparation::MakeExecutable)
          .status;
  EXPECT_EQ(status.exitCode, 128 + 15);
  EXPECT_NE(readFile(dir.log.path).find("Flash Engine exit code: 143\n"), std::string::npos);
}
