// The console and the log failing under a run: a reader that goes away in
// the middle of a flash, a log on a full disk or on /dev/full. Neither may
// change an outcome, an exit code or what the log keeps.
#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>
#include <tuple>

#include "support/shell_quote.h"
#include "testing/faults/fault_checks.h"
#include "testing/faults/fault_server.h"

namespace faults {
namespace {

const char kLogError[] = "ERROR : Unable to write to log file\n";

std::string executableFor(Component component) {
  static const char* names[] = {"fcupdate", "fcupdate-emulex", "fcupdate-brocade"};
  std::string dir = testsupport::binDir();
  if (dir.empty() || dir[0] != '/') {
    char here[4096];
    if (getcwd(here, sizeof here) != nullptr) dir = std::string(here) + "/" + dir;
  }
  return dir + "/" + names[static_cast<int>(component)];
}

// Runs the component with its console piped into reader, and returns the
// component's own exit status (the pipeline's is the reader's).
int runIntoReader(const FaultServer& server, Component component, const std::string& args,
                  const std::string& reader) {
  const std::string status = server.work("exit-status");
  const std::string command = "(FCUPDATE_ROOT=" + shellQuote(server.box().root()) + " " +
                              shellQuote(executableFor(component)) + " " + args + "; echo $? > " +
                              shellQuote(status) + ") | " + reader + " > /dev/null";
  if (testsupport::runIn(server.box().work(), command).exitCode < 0) return -1;
  return std::atoi(testsupport::readFile(status).c_str());
}

class ClosedConsole : public ::testing::TestWithParam<Component> {};

INSTANTIATE_TEST_SUITE_P(Faults, ClosedConsole,
                         ::testing::Values(Component::QLogic, Component::Emulex, Component::Brocade),
                         [](const auto& info) { return std::string(componentName(info.param)); });

// The reader stops at "Executing flash engine": the flash still finishes, is
// reported as applied (1), and the log holds every line to the end.
TEST_P(ClosedConsole, FlashFinishesAndTheLogKeepsEveryLine) {
  FaultServer server(GetParam());
  server.build();
  const int exitCode = runIntoReader(server, GetParam(), "", "sed '/Executing flash engine/q'");
  EXPECT_EQ(exitCode, 1);
  const std::string log = server.log();
  EXPECT_TRUE(keptEarlierLog(log));
  EXPECT_NE(log.find("Flash Engine exit code: 0\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Flash complete [1]\n"), std::string::npos) << log;
}

// The reader takes one byte: the report is still written and the run ends
// with 3.
TEST_P(ClosedConsole, ReportIsWrittenWhenTheReaderLeavesAtOnce) {
  FaultServer server(GetParam());
  server.build();
  EXPECT_EQ(runIntoReader(server, GetParam(), "/d r.xml", "head -c1"), 3);
  std::vector<std::string> devices;
  EXPECT_TRUE(readReport(server.work("r.xml"), devices));
  EXPECT_EQ(devices.size(), 1u);
  EXPECT_NE(server.log().find("Generating self-discovery XML...done.\n"), std::string::npos);
}

// A log on a full disk: each message that does not fit is followed on the
// console by the log error, and the flash is still reported as applied.
TEST(LogWriteFaults, FullDiskReportsEachFailedWriteAndKeepsTheOutcome) {
  FaultServer server(Component::QLogic);
  server.build();
  const std::string vlx = server.root("var/vlx");
  if (geteuid() != 0 || mount("tmpfs", vlx.c_str(), "tmpfs", 0, "size=16k") != 0) {
    GTEST_SKIP() << "needs root and a tmpfs mount to fill a disk";
  }
  // Up to a page boundary, so that the next byte needs space the disk lacks.
  const std::string earlier = kEarlierLog;
  testsupport::writeFile(server.logPath(), earlier + std::string(4096 - earlier.size(), '.'));
  (void)std::system(("dd if=/dev/zero of=" + shellQuote(vlx + "/filler") + " bs=1k 2>/dev/null").c_str());
  const Outcome run = server.run({});
  (void)umount(vlx.c_str());
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 1);
  int errors = 0;
  const std::string console = withoutLogErrors(run.out, &errors);
  EXPECT_NE(console.find("Flash complete [1]\n"), std::string::npos) << console;
  EXPECT_GE(errors, 10);
  EXPECT_EQ(
      run.out.rfind(std::string("---------------------------------------------------\n") + kLogError, 0), 0u)
      << run.out;
}

// A log that is /dev/full takes nothing: every message is followed by the log
// error, in report mode and in a flash, and the exit codes stay.
TEST(LogWriteFaults, LogOnDevFullReportsEveryMessage) {
  FaultServer server(Component::QLogic);
  server.build();
  ASSERT_EQ(unlink(server.logPath().c_str()), 0);
  ASSERT_EQ(symlink("/dev/full", server.logPath().c_str()), 0);
  const Outcome report = server.run({"/d", "report.xml"});
  EXPECT_TRUE(withinBounds(report, ordinaryLimits()));
  EXPECT_EQ(report.exitCode, 3);
  int errors = 0;
  EXPECT_EQ(withoutLogErrors(report.out, &errors),
            std::string(kStart) + "Generating self-discovery XML...done.\n");
  EXPECT_EQ(errors, 6);
  const Outcome flash = server.run({});
  EXPECT_EQ(flash.exitCode, 1);
  EXPECT_NE(flash.out.find(std::string("Flash complete [") + kLogError + "1" + kLogError + "]\n" + kLogError),
            std::string::npos)
      << flash.out;
}

}  // namespace
}  // namespace faults
