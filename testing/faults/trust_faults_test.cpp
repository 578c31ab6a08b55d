// What another user could have changed in a package folder before root's
// run: the tool, the boot image or the kit archive given to them or left
// open, the folder itself open (sticky or not), a tool that is a link to
// their file or into an open folder, a kit folder of theirs. No vendor tool
// runs, the run says which path and how to mend it, and fails (7).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "support/shell_quote.h"
#include "testing/faults/fault_checks.h"
#include "testing/faults/fault_server.h"

namespace faults {
namespace {

constexpr uid_t kOtherUser = 65534;

// Which components a case applies to.
constexpr int kEvery = 7;
constexpr int kEmulexOnly = 1 << static_cast<int>(Component::Emulex);
constexpr int kBrocadeOnly = 1 << static_cast<int>(Component::Brocade);

// The file the component judges first: the tool, or the Emulex kit archive.
std::string toolName(const FaultServer& server) {
  const std::string path = server.toolPath();
  return path.substr(path.rfind('/') + 1);
}

void shell(const FaultServer& server, const std::string& command) {
  ASSERT_EQ(std::system(("cd " + shellQuote(server.box().work()) + " && " + command).c_str()), 0) << command;
}

// The tool moved into `folder` (below the working directory, or absolute)
// and a symlink to it left in its place.
void linkTool(const FaultServer& server, const std::string& folder, mode_t folderMode) {
  const std::string name = toolName(server);
  const std::string target = (folder[0] == '/' ? folder : server.work(folder)) + "/" + name;
  testsupport::makeDirs(target.substr(0, target.rfind('/')));
  ASSERT_EQ(chmod(target.substr(0, target.rfind('/')).c_str(), folderMode), 0);
  ASSERT_EQ(rename(server.toolPath().c_str(), target.c_str()), 0);
  // Runnable already: the component's chmod never follows a link.
  ASSERT_EQ(chmod(target.c_str(), 0755), 0);
  ASSERT_EQ(symlink((folder + "/" + name).c_str(), server.toolPath().c_str()), 0);
}

std::string ownerLine(const std::string& path) {
  return "ERROR! : " + path +
         " is owned by uid 65534, not by root; no vendor tool was run. Run: chown root " + path + "\n";
}

std::string modeLine(const std::string& path, const char* mode) {
  return "ERROR! : " + path + " is writable by group or others (mode " + mode +
         "); no vendor tool was run. Run: chmod go-w " + path + "\n";
}

struct TrustCase {
  const char* name;
  void (*spoil)(const FaultServer& server);
  // The refusal line; empty when the run goes on as usual.
  std::string (*refusal)(const FaultServer& server);
  bool rootOnly;   // gives a file to another user
  int components;  // the components that have the file: kEvery, or one
};

void PrintTo(const TrustCase& c, std::ostream* out) { *out << c.name; }

const TrustCase kTrustCases[] = {
    {"ToolOfAnotherUser",
     [](const FaultServer& server) {
       ASSERT_EQ(chown(server.toolPath().c_str(), kOtherUser, kOtherUser), 0);
     },
     [](const FaultServer& server) { return ownerLine("./" + toolName(server)); }, true, kEvery},
    // Judged as found: the component's own chmod would have closed it.
    {"ToolOpenToAll", [](const FaultServer& server) { ASSERT_EQ(chmod(server.toolPath().c_str(), 0777), 0); },
     [](const FaultServer& server) { return modeLine("./" + toolName(server), "0777"); }, false, kEvery},
    {"ToolOpenToGroup",
     [](const FaultServer& server) { ASSERT_EQ(chmod(server.toolPath().c_str(), 0775), 0); },
     [](const FaultServer& server) { return modeLine("./" + toolName(server), "0775"); }, false, kEvery},
    {"ToolOpenToOthers",
     [](const FaultServer& server) { ASSERT_EQ(chmod(server.toolPath().c_str(), 0757), 0); },
     [](const FaultServer& server) { return modeLine("./" + toolName(server), "0757"); }, false, kEvery},
    {"WorkingDirectoryOpen",
     [](const FaultServer& server) { ASSERT_EQ(chmod(server.box().work().c_str(), 0777), 0); },
     [](const FaultServer&) { return modeLine(".", "0777"); }, false, kEvery},
    // A sticky folder stops others removing the tool, not adding a kit folder or a boot image.
    {"WorkingDirectorySticky",
     [](const FaultServer& server) { ASSERT_EQ(chmod(server.box().work().c_str(), 01777), 0); },
     [](const FaultServer&) { return modeLine(".", "1777"); }, false, kEvery},
    {"ToolLinkedToAFileOfAnotherUser",
     [](const FaultServer& server) {
       linkTool(server, "vendor", 0755);
       ASSERT_EQ(lchown(server.work("vendor/" + toolName(server)).c_str(), kOtherUser, kOtherUser), 0);
     },
     [](const FaultServer& server) { return ownerLine("./vendor/" + toolName(server)); }, true, kEvery},
    {"ToolLinkedIntoAnOpenFolder", [](const FaultServer& server) { linkTool(server, "open", 0777); },
     [](const FaultServer&) { return modeLine("./open", "0777"); }, false, kEvery},
    {"ToolLinkedIntoSharedTmp",
     [](const FaultServer& server) { linkTool(server, server.root("vendor"), 0755); },
     [](const FaultServer&) {
       return std::string(
           "ERROR! : /tmp is a shared folder, writable by group or others (mode 1777); no vendor "
           "tool was run. Keep the package's files out of it.\n");
     },
     false, kEvery},
    {"ToolLinkedIntoAClosedFolder", [](const FaultServer& server) { linkTool(server, "vendor", 0755); },
     nullptr, false, kEvery},
    {"BootImageOfAnotherUser",
     [](const FaultServer& server) {
       testsupport::writeFile(server.work("bfa_boot_fw"), "image");
       ASSERT_EQ(chown(server.work("bfa_boot_fw").c_str(), kOtherUser, kOtherUser), 0);
     },
     [](const FaultServer&) { return ownerLine("./bfa_boot_fw"); }, true, kBrocadeOnly},
    {"BootImageOpen",
     [](const FaultServer& server) {
       testsupport::writeFile(server.work("bfa_boot_fw"), "image");
       ASSERT_EQ(chmod(server.work("bfa_boot_fw").c_str(), 0666), 0);
     },
     [](const FaultServer&) { return modeLine("./bfa_boot_fw", "0666"); }, false, kBrocadeOnly},
    {"KitFolderOfAnotherUser",
     [](const FaultServer& server) {
       testsupport::makeDirs(server.work("elxflashStandalone-1.0/lx"));
       ASSERT_EQ(chown(server.work("elxflashStandalone-1.0/lx").c_str(), kOtherUser, kOtherUser), 0);
     },
     [](const FaultServer&) { return ownerLine("./elxflashStandalone-1.0/lx"); }, true, kEmulexOnly},
    {"KitFolderLeftOpen",
     [](const FaultServer& server) {
       testsupport::makeDirs(server.work("elxflashStandalone-1.0/lx"));
       ASSERT_EQ(chmod(server.work("elxflashStandalone-1.0").c_str(), 0777), 0);
     },
     [](const FaultServer&) { return modeLine("./elxflashStandalone-1.0", "0777"); }, false, kEmulexOnly},
    {"KitFolderHoldingALink",
     [](const FaultServer& server) {
       testsupport::makeDirs(server.work("elxflashStandalone-1.0"));
       ASSERT_EQ(symlink("/etc", server.work("elxflashStandalone-1.0/lx").c_str()), 0);
     },
     [](const FaultServer&) {
       return std::string(
           "ERROR! : ./elxflashStandalone-1.0/lx is a symlink in a kit folder; no vendor tool was run. Run: "
           "rm "
           "./elxflashStandalone-1.0/lx\n");
     },
     false, kEmulexOnly},
    // A kit folder of ours, closed, left by an earlier run is unpacked over.
    {"KitFolderOfAnEarlierRun",
     [](const FaultServer& server) { shell(server, "unzip -qo elxflashStandalone-1.0.zip"); }, nullptr, false,
     kEmulexOnly},
};

using TrustRun = std::tuple<Component, TrustCase, bool>;

// Each case for each component that has its file, in report and flash mode.
std::vector<TrustRun> trustRuns() {
  std::vector<TrustRun> runs;
  for (const Component component : {Component::QLogic, Component::Emulex, Component::Brocade}) {
    for (const TrustCase& c : kTrustCases) {
      if ((c.components & (1 << static_cast<int>(component))) == 0) continue;
      runs.emplace_back(component, c, true);
      runs.emplace_back(component, c, false);
    }
  }
  return runs;
}

class TrustFaults : public ::testing::TestWithParam<TrustRun> {};

INSTANTIATE_TEST_SUITE_P(Faults, TrustFaults, ::testing::ValuesIn(trustRuns()), [](const auto& info) {
  return std::string(componentName(std::get<0>(info.param))) + std::get<1>(info.param).name +
         (std::get<2>(info.param) ? "Report" : "Flash");
});

// Nothing of the vendor's ran: no query, no flash, no kit script.
void expectNoToolRan(const FaultServer& server) {
  EXPECT_EQ(server.toolCalls(), "");
  EXPECT_FALSE(testsupport::fileExists(server.work("qlafwupdate.queries")));
  EXPECT_FALSE(testsupport::fileExists(server.work("elxflash.calls")));
}

TEST_P(TrustFaults, NothingAnotherUserCouldChangeRuns) {
  const Component component = std::get<0>(GetParam());
  const TrustCase& c = std::get<1>(GetParam());
  const bool report = std::get<2>(GetParam());
  if (c.rootOnly && geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user (uid 65534)";
  struct stat tmp {};
  if (lstat("/tmp", &tmp) != 0 || (tmp.st_mode & 07777) != 01777) GTEST_SKIP() << "needs /tmp with mode 1777";
  const testsupport::ScopedUmask closed(022);
  FaultServer server(component);
  server.build();
  c.spoil(server);
  if (::testing::Test::HasFatalFailure()) return;
  const Outcome run = server.run(report ? std::vector<std::string>{"/d", server.root("report.xml")}
                                        : std::vector<std::string>{});
  (void)chmod(server.box().work().c_str(), 0700);
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_TRUE(keptEarlierLog(server.log()));
  if (c.refusal == nullptr) {
    EXPECT_EQ(run.exitCode, report ? 3 : 1) << run.out;
    EXPECT_EQ(run.out.substr(0, server.start().size()), server.start());
    return;
  }
  const std::string kit = component == Component::Emulex ? "Preparing the Emulex Kit...FAILED!\n" : "";
  EXPECT_EQ(run.exitCode, 7);
  EXPECT_EQ(run.out, kStart + kit + c.refusal(server));
  EXPECT_EQ(server.log(), kEarlierLog + run.out);
  expectNoToolRan(server);
  EXPECT_FALSE(testsupport::fileExists(server.root("report.xml")));
}

}  // namespace
}  // namespace faults
