// What a user could do to root's next run: a permissive umask, the log or
// its folder swapped for a symlink, a FIFO or a folder of theirs, a tool
// that is a symlink. Root never writes or changes what they point at.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "support/shell_quote.h"
#include "testing/faults/fault_checks.h"
#include "testing/faults/fault_server.h"
#include "testing/test_support.h"

namespace faults {
namespace {

const char kVictimText[] = "a file root must never write\n";

using testsupport::modeOf;

void removeAll(const std::string& path) { (void)std::system(("rm -rf " + shellQuote(path)).c_str()); }

// Under umask 000 the folder, the log and the report are still closed to
// others: 0755, 0644, 0644.
TEST(RootSafetyFaults, PermissiveUmaskStillGivesClosedFiles) {
  FaultServer server(Component::QLogic);
  server.build();
  removeAll(server.root("var/vlx"));
  const mode_t old = umask(0);
  const Outcome run = server.run({"/d", "report.xml"});
  umask(old);
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(modeOf(server.root("var/vlx")), 0755u);
  EXPECT_EQ(modeOf(server.logPath()), 0644u);
  EXPECT_EQ(modeOf(server.work("report.xml")), 0644u);
}

// A folder left open by an earlier run is closed again.
TEST(RootSafetyFaults, OpenLogFolderOfOursIsClosed) {
  FaultServer server(Component::QLogic);
  server.build();
  ASSERT_EQ(chmod(server.root("var/vlx").c_str(), 0777), 0);
  const Outcome run = server.run({});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(modeOf(server.root("var/vlx")), 0755u);
  EXPECT_EQ(run.out.find("ERROR : Unable to write to log file"), std::string::npos) << run.out;
}

struct Swap {
  const char* name;
  // Puts something in the place of the log or its folder; the victim is the
  // file that must keep its bytes.
  void (*inflict)(const FaultServer& server, const std::string& victim);
  bool rootOnly;
};

void PrintTo(const Swap& swap, std::ostream* out) { *out << swap.name; }

const Swap kSwaps[] = {
    {"LogIsASymlink",
     [](const FaultServer& server, const std::string& victim) {
       ASSERT_EQ(unlink(server.logPath().c_str()), 0);
       ASSERT_EQ(symlink(victim.c_str(), server.logPath().c_str()), 0);
     },
     false},
    {"LogIsADanglingSymlink",
     [](const FaultServer& server, const std::string& victim) {
       ASSERT_EQ(unlink(server.logPath().c_str()), 0);
       ASSERT_EQ(unlink(victim.c_str()), 0);
       ASSERT_EQ(symlink(victim.c_str(), server.logPath().c_str()), 0);
     },
     false},
    {"FolderIsASymlink",
     [](const FaultServer& server, const std::string& victim) {
       removeAll(server.root("var/vlx"));
       const std::string elsewhere = victim.substr(0, victim.rfind('/'));
       ASSERT_EQ(symlink(elsewhere.c_str(), server.root("var/vlx").c_str()), 0);
       ASSERT_EQ(rename(victim.c_str(), (elsewhere + "/Component.log").c_str()), 0);
     },
     false},
    {"LogIsAFifo",
     [](const FaultServer& server, const std::string&) {
       ASSERT_EQ(unlink(server.logPath().c_str()), 0);
       ASSERT_EQ(mkfifo(server.logPath().c_str(), 0644), 0);
     },
     false},
    {"FolderOfAnotherUser",
     [](const FaultServer& server, const std::string&) {
       ASSERT_EQ(chown(server.root("var/vlx").c_str(), 4242, 4242), 0);
     },
     true},
};

class LogSwapFaults : public ::testing::TestWithParam<Swap> {};

INSTANTIATE_TEST_SUITE_P(Faults, LogSwapFaults, ::testing::ValuesIn(kSwaps),
                         [](const auto& info) { return std::string(info.param.name); });

// The log is refused, for the component and the engine alike: each message
// is followed by the log error, nothing hangs, the engine's output goes to
// /dev/null, the flash still counts as applied, and the victim keeps its
// bytes (or, for a dangling link, is never created).
TEST_P(LogSwapFaults, RefusedLogWritesNothingThroughTheSwap) {
  if (GetParam().rootOnly && geteuid() != 0) GTEST_SKIP() << "needs root to give a folder to another user";
  FaultServer server(Component::Emulex);
  server.build();
  testsupport::makeDirs(server.root("elsewhere"));
  const std::string victim = server.root("elsewhere/victim");
  testsupport::writeFile(victim, kVictimText);
  GetParam().inflict(server, victim);
  const bool dangling = std::string(GetParam().name) == "LogIsADanglingSymlink";
  const bool movedVictim = std::string(GetParam().name) == "FolderIsASymlink";
  const std::string watched = movedVictim ? server.root("elsewhere/Component.log") : victim;
  const Outcome run = server.run({});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 1);
  int errors = 0;
  const std::string console = withoutLogErrors(run.out, &errors);
  EXPECT_GE(errors, 10);
  EXPECT_NE(console.find("/sysfs  /update 1>> /dev/null 2>> /dev/null 3>> /dev/null\n"), std::string::npos)
      << console;
  EXPECT_NE(console.find("Flash complete [1]\n"), std::string::npos) << console;
  if (dangling) {
    EXPECT_FALSE(testsupport::fileExists(victim));
  } else {
    EXPECT_EQ(testsupport::readFile(watched), kVictimText);
  }
}

// A tool that is a symlink keeps the mode of what it names: the chmod before
// the run does not follow it.
TEST(RootSafetyFaults, ChmodDoesNotFollowASymlinkedTool) {
  FaultServer server(Component::QLogic);
  server.build();
  const std::string real = server.root("elsewhere-qlafwupdate");
  ASSERT_EQ(rename(server.toolPath().c_str(), real.c_str()), 0);
  ASSERT_EQ(chmod(real.c_str(), 0700), 0);
  ASSERT_EQ(symlink(real.c_str(), server.toolPath().c_str()), 0);
  (void)server.run({"/d", "report.xml"});
  EXPECT_EQ(modeOf(real), 0700u);
}

}  // namespace
}  // namespace faults
