// Running a measured process: what it gets (directory, environment, output
// files) and how its CPU time is told apart from its children's.
#include "bench/whole_run/process_usage.h"

#include <gtest/gtest.h>

#include "testing/test_support.h"

using testsupport::readFile;
using testsupport::TempDir;

namespace {

wholerun::Invocation shell(const TempDir& dir, const std::string& script) {
  wholerun::Invocation invocation;
  invocation.executable = "/bin/sh";
  invocation.arguments = {"-c", script};
  invocation.workDir = dir.path();
  invocation.outputPath = dir / "out.txt";
  return invocation;
}

wholerun::ProcessUsage measured(const wholerun::Invocation& invocation) {
  wholerun::ProcessUsage usage;
  std::string error;
  EXPECT_TRUE(wholerun::runMeasured(invocation, usage, error)) << error;
  return usage;
}

TEST(ProcessUsage, RunsInTheWorkDirWithItsOutputFiles) {
  TempDir dir;
  const wholerun::ProcessUsage usage = measured(shell(dir, "pwd; echo oops >&2; exit 5"));
  EXPECT_EQ(usage.exitCode, 5);
  EXPECT_EQ(readFile(dir / "out.txt"), dir.path() + "\n");
  EXPECT_EQ(readFile(dir / "out.txt.err"), "oops\n");
  EXPECT_GT(usage.wallMs, 0);
  EXPECT_EQ(usage.ownCpuMs, -1);  // no probe
  EXPECT_EQ(usage.childCpuMs(), -1);
}

TEST(ProcessUsage, KilledOrMissingProcessHasNoExitCode) {
  TempDir dir;
  EXPECT_EQ(measured(shell(dir, "kill -KILL $$")).exitCode, -1);
  wholerun::Invocation missing = shell(dir, "");
  missing.executable = dir / "no-such-program";
  EXPECT_EQ(measured(missing).exitCode, 127);
}

TEST(ProcessUsage, OverridesReplaceInheritedVariables) {
  testsupport::ScopedEnv inherited("WHOLE_RUN_TEST_VAR", "inherited");
  const std::vector<std::string> env = wholerun::mergedEnvironment({"WHOLE_RUN_TEST_VAR=given"});
  EXPECT_EQ(std::count(env.begin(), env.end(), "WHOLE_RUN_TEST_VAR=given"), 1);
  EXPECT_EQ(std::count(env.begin(), env.end(), "WHOLE_RUN_TEST_VAR=inherited"), 0);
}

// The child burns CPU in a loop while its parent only waits: the probe in
// the parent must see little of it, and the child must not carry the probe.
// bash, because dash leaves with _exit and so never runs the probe; the
// trailing true keeps bash from replacing itself with its last command.
TEST(ProcessUsage, ProbeSeparatesOwnTimeFromChildren) {
  TempDir dir;
  wholerun::Invocation invocation = shell(dir,
                                          "sh -c 'echo ${LD_PRELOAD:-none} ${WHOLE_RUN_USAGE:-none}; i=0; "
                                          "while [ $i -lt 300000 ]; do i=$((i+1)); done'; true");
  invocation.executable = "/bin/bash";
  invocation.probePath = WHOLE_RUN_PROBE;
  const wholerun::ProcessUsage usage = measured(invocation);
  EXPECT_EQ(usage.exitCode, 0);
  EXPECT_EQ(readFile(dir / "out.txt"), "none none\n");
  ASSERT_GE(usage.ownCpuMs, 0);
  EXPECT_GT(usage.ownPeakRssKb, 0);
  EXPECT_GT(usage.childCpuMs(), 4 * usage.ownCpuMs);
}

}  // namespace
