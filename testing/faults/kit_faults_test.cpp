// The Emulex kit in an unlucky working directory: a folder left from an
// earlier kit beside the archive, two archives, an archive that does not
// unpack whole or carries links, names outside its folder or open modes, and
// kit lines that make the line pattern give up.
#include <dirent.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "components/emulex/kit_line.h"
#include "support/shell_quote.h"
#include "testing/faults/fault_checks.h"
#include "testing/faults/fault_server.h"
#include "testing/standins/standins.h"

namespace faults {
namespace {

const char kRefused[] =
    "Preparing the Emulex Kit...FAILED!\n"
    "ERROR! : Exactly one Emulex Kit archive and only its own folder must be present; no kit was run.\n";

const char kRecord[] =
    "HBA=LPe12002-M8, PCI ID=f100, VID=10df, SSID=f100, SVID=10df, Firmware=US2.02A1, Boot Code=UU5.02a3\n";

// A kit folder from an earlier package, whose script leaves a mark if run.
void leaveStaleKit(const FaultServer& server) {
  const std::string dir = server.work("elxflashStandalone-0.9/lx");
  testsupport::makeDirs(dir);
  testsupport::writeFile(dir + "/elxflash.sh", "#!/bin/sh\necho \"$*\" >> stale.calls\n");
  ASSERT_EQ(chmod((dir + "/elxflash.sh").c_str(), 0755), 0);
}

struct KitCase {
  const char* name;
  void (*spoil)(const FaultServer& server);
};

void PrintTo(const KitCase& kit, std::ostream* out) { *out << kit.name; }

class AmbiguousKit : public ::testing::TestWithParam<std::tuple<KitCase, bool>> {};

INSTANTIATE_TEST_SUITE_P(Faults, AmbiguousKit,
                         ::testing::Combine(::testing::Values(KitCase{"StaleFolder", leaveStaleKit},
                                                              KitCase{"TwoArchives",
                                                                      [](const FaultServer& server) {
                                                                        ASSERT_TRUE(standins::writeEmulexKit(
                                                                            server.box().work(), "2.0"));
                                                                      }}),
                                            ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "Report" : "Flash");
                         });

// No kit runs, not even its query, and the run says why and fails (7).
TEST_P(AmbiguousKit, NoKitRunsAndTheRunSaysSo) {
  FaultServer server(Component::Emulex);
  server.build();
  std::get<0>(GetParam()).spoil(server);
  const bool report = std::get<1>(GetParam());
  const Outcome run =
      server.run(report ? std::vector<std::string>{"/d", "report.xml"} : std::vector<std::string>{});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 7);
  EXPECT_EQ(run.out, std::string(kStart) + kRefused);
  EXPECT_EQ(server.log(), kEarlierLog + run.out);
  EXPECT_EQ(server.toolCalls(), "");
  EXPECT_FALSE(testsupport::fileExists(server.work("stale.calls")));
  EXPECT_FALSE(testsupport::fileExists(server.work("report.xml")));
}

const char kKit[] = "elxflashStandalone-1.0";
const char kScript[] = "elxflashStandalone-1.0/lx/elxflash.sh";

std::string notWhole(const std::string& reason) {
  return "Preparing the Emulex Kit...FAILED!\nERROR! : The Emulex Kit did not unpack whole (" + reason +
         "); no kit was run.\n";
}

void shell(const FaultServer& server, const std::string& command) {
  ASSERT_EQ(std::system(("cd " + shellQuote(server.box().work()) + " && " + command).c_str()), 0) << command;
}

// The kit unpacked, and closed, by the administrator before the run.
void unpackBeforehand(const FaultServer& server) {
  shell(server, std::string("unzip -qo ") + kKit + ".zip && chmod -R go-w " + kKit);
}

// The stand-in kit as a hand-made archive, with `extra` after its entries
// and folders and files stored with the given modes.
void replaceArchive(const FaultServer& server, const std::vector<standins::ArchiveEntry>& extra,
                    unsigned folderMode = 0755, unsigned fileMode = 0644) {
  std::vector<standins::ArchiveEntry> entries = {
      {std::string(kKit) + "/", "", 0040000 | folderMode},
      {std::string(kKit) + "/lx/", "", 0040000 | folderMode},
      {kScript, standins::kitScript(), 0100000 | fileMode},
      {std::string(kKit) + "/lx/firmware.bin", std::string(300, 'f'), 0100000 | fileMode}};
  entries.insert(entries.end(), extra.begin(), extra.end());
  ASSERT_TRUE(standins::writeArchive(server.toolPath(), entries));
}

// Every file and folder below path whose mode lets group or others write.
std::string openEntries(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return "";
  std::string open = (info.st_mode & 022) != 0 ? path + " " : "";
  if (!S_ISDIR(info.st_mode)) return open;
  DIR* folder = opendir(path.c_str());
  for (const dirent* entry = folder != nullptr ? readdir(folder) : nullptr; entry != nullptr;
       entry = readdir(folder)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string child = path;
    child.append("/").append(name);
    open += openEntries(child);
  }
  if (folder != nullptr) closedir(folder);
  return open;
}

std::string scriptBytes() { return std::to_string(standins::kitScript().size()); }

struct UnpackCase {
  const char* name;
  void (*prepare)(const FaultServer& server);
  // What follows the start of the run when the kit is refused; empty when it runs.
  std::string (*refusal)(const FaultServer& server);
  bool readOnlyFolder;  // the working directory 0555, obeyed by a root run
  bool withoutUnzip;    // unzip not in PATH
};

void PrintTo(const UnpackCase& c, std::ostream* out) { *out << c.name; }

const UnpackCase kUnpackCases[] = {
    {"ReadOnlyFolder", [](const FaultServer&) {},
     [](const FaultServer&) { return notWhole("unzip ended with 2; elxflashStandalone-1.0 is missing"); },
     true, false},
    {"ReadOnlyFolderUnpackedBeforehand", unpackBeforehand, nullptr, true, false},
    {"UnzipMissing", [](const FaultServer&) {},
     [](const FaultServer&) { return notWhole("unzip ended with 127; elxflashStandalone-1.0 is missing"); },
     false, true},
    {"UnzipMissingUnpackedBeforehand", unpackBeforehand, nullptr, false, true},
    {"FileOfTheWrongSize",
     [](const FaultServer& server) {
       unpackBeforehand(server);
       shell(server, std::string("echo '# changed' >> ") + kScript);
     },
     [](const FaultServer&) {
       return notWhole("unzip ended with 127; elxflashStandalone-1.0/lx/elxflash.sh has " +
                       std::to_string(standins::kitScript().size() + 10) + " bytes, not " + scriptBytes());
     },
     false, true},
    {"FolderWhereAFileIsListed",
     [](const FaultServer& server) {
       unpackBeforehand(server);
       shell(server, std::string("rm ") + kScript + " && mkdir " + kScript);
     },
     [](const FaultServer&) {
       return notWhole("unzip ended with 127; elxflashStandalone-1.0/lx/elxflash.sh is not a regular file");
     },
     false, true},
    {"SymlinkEntry",
     [](const FaultServer& server) {
       replaceArchive(server, {{std::string(kKit) + "/lx/passwd", "/etc/passwd", 0120777}});
     },
     [](const FaultServer&) {
       return notWhole("the archive lists a symlink: elxflashStandalone-1.0/lx/passwd");
     },
     false, false},
    {"SymlinkedFolderEntry",
     [](const FaultServer& server) {
       replaceArchive(server, {{std::string(kKit) + "/etc", "/etc", 0120755},
                               {std::string(kKit) + "/etc/x", "x", 0100644}});
     },
     [](const FaultServer&) { return notWhole("the archive lists a symlink: elxflashStandalone-1.0/etc"); },
     false, false},
    {"DotDotName",
     [](const FaultServer& server) {
       replaceArchive(server, {{std::string(kKit) + "/../escaped", "x", 0100644}});
     },
     [](const FaultServer&) {
       return notWhole("the archive lists a name outside its folder: elxflashStandalone-1.0/../escaped");
     },
     false, false},
    {"AbsoluteName",
     [](const FaultServer& server) {
       replaceArchive(server, {{server.root("escaped"), "x", 0100644}});
     },
     [](const FaultServer& server) {
       return notWhole("the archive lists a name outside its folder: " + server.root("escaped"));
     },
     false, false},
    {"UnreadableListing",
     [](const FaultServer& server) { ASSERT_EQ(truncate(server.toolPath().c_str(), 100), 0); },
     [](const FaultServer&) { return notWhole("the archive's listing cannot be read"); }, false, false},
    // unzip restores the stored modes whatever the umask: every one is closed.
    {"StoredModesOpenToAll", [](const FaultServer& server) { replaceArchive(server, {}, 0777, 0666); },
     nullptr, false, false},
};

class KitUnpackFaults : public ::testing::TestWithParam<std::tuple<UnpackCase, bool>> {};

INSTANTIATE_TEST_SUITE_P(Faults, KitUnpackFaults,
                         ::testing::Combine(::testing::ValuesIn(kUnpackCases), ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "Report" : "Flash");
                         });

// The kit runs only when the folder holds what the archive lists; refused,
// it never runs (not even its query), the run says why, fails (7) and
// writes no report.
TEST_P(KitUnpackFaults, OnlyAWholeClosedKitRuns) {
  const UnpackCase& c = std::get<0>(GetParam());
  const bool report = std::get<1>(GetParam());
  const testsupport::ScopedUmask closed(022);
  FaultServer server(Component::Emulex);
  server.build();
  c.prepare(server);
  if (::testing::Test::HasFatalFailure()) return;
  testsupport::TempDir bin;
  std::unique_ptr<testsupport::ScopedEnv> path;
  if (c.withoutUnzip) {
    ASSERT_EQ(symlink("/bin/cat", (bin / "cat").c_str()), 0);
    path.reset(new testsupport::ScopedEnv("PATH", bin.path()));
  }
  if (c.readOnlyFolder) {
    ASSERT_EQ(chmod(server.box().work().c_str(), 0555), 0);
  }
  const std::string reportPath = server.root("report.xml");
  const Outcome run =
      server.run(report ? std::vector<std::string>{"/d", reportPath} : std::vector<std::string>{},
                 ordinaryLimits(), c.readOnlyFolder);
  path.reset();
  (void)chmod(server.box().work().c_str(), 0700);
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_TRUE(keptEarlierLog(server.log()));
  if (c.refusal != nullptr) {
    EXPECT_EQ(run.exitCode, 7);
    EXPECT_EQ(server.log(), kEarlierLog + run.out);
    EXPECT_EQ(run.out, kStart + c.refusal(server));
    EXPECT_FALSE(testsupport::fileExists(server.work("elxflash.calls")));
    EXPECT_FALSE(testsupport::fileExists(reportPath));
    EXPECT_FALSE(testsupport::fileExists(server.root("escaped")));
    return;
  }
  const std::string done = server.start();
  EXPECT_EQ(run.exitCode, report ? 3 : 1);
  EXPECT_EQ(run.out.substr(0, done.size()), done);
  if (report) {
    std::vector<std::string> devices;
    EXPECT_TRUE(readReport(reportPath, devices));
    EXPECT_EQ(devices, std::vector<std::string>{"10df.f100.10df.f100 2.02A1"});
  } else {
    EXPECT_NE(run.out.find("Flash Engine exit code: 0\n"), std::string::npos) << run.out;
  }
  EXPECT_EQ(openEntries(server.work(kKit)), "");
  struct stat script {};
  ASSERT_EQ(lstat(server.work(kScript).c_str(), &script), 0);
  EXPECT_EQ(script.st_mode & 07777, 0755u);
}

// A small tmpfs mounted over the working directory, holding what it held,
// then filled, the way another writer fills a shared disk; root only.
class FullWorkingDisk {
 public:
  explicit FullWorkingDisk(const FaultServer& server) : work_(server.box().work()) {
    const std::string stash = stash_.path();
    if (geteuid() != 0 ||
        std::system(("cp -a " + shellQuote(work_) + "/. " + shellQuote(stash)).c_str()) != 0) {
      return;
    }
    mounted_ = mount("tmpfs", work_.c_str(), "tmpfs", 0, "size=64k,mode=0700") == 0;
    if (mounted_) {
      (void)std::system(("cp -a " + shellQuote(stash) + "/. " + shellQuote(work_) +
                         " && dd if=/dev/zero of=" + shellQuote(work_ + "/filler") + " bs=1k 2>/dev/null")
                            .c_str());
    }
  }
  ~FullWorkingDisk() {
    if (mounted_) (void)umount(work_.c_str());
  }
  bool mounted() const { return mounted_; }

 private:
  std::string work_;
  testsupport::TempDir stash_;
  bool mounted_ = false;
};

class FullDiskKit : public ::testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(Faults, FullDiskKit, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "Report" : "Flash"); });

// unzip stops with "write error (disk full?)": the cut kit never runs.
TEST_P(FullDiskKit, AKitCutByAFullDiskNeverRuns) {
  FaultServer server(Component::Emulex);
  server.build();
  FullWorkingDisk disk(server);
  if (!disk.mounted()) GTEST_SKIP() << "needs root and a tmpfs mount to fill a disk";
  const Outcome run =
      server.run(GetParam() ? std::vector<std::string>{"/d", "report.xml"} : std::vector<std::string>{});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 7);
  const std::string refused = std::string(kStart) +
                              "Preparing the Emulex Kit...FAILED!\n"
                              "ERROR! : The Emulex Kit did not unpack whole (unzip ended with 50; ";
  EXPECT_EQ(run.out.substr(0, refused.size()), refused) << run.out;
  EXPECT_EQ(server.log(), kEarlierLog + run.out);
  EXPECT_FALSE(testsupport::fileExists(server.work("elxflash.calls")));
  EXPECT_FALSE(testsupport::fileExists(server.work("report.xml")));
}

// The shape that makes the seven-group pattern backtrack: every key but the
// last, again and again.
std::string backtrackingLine(int copies) {
  std::string line = "HBA=";
  for (int i = 0; i < copies; ++i) line += ", PCI ID=1, VID=1, SSID=1, SVID=1, Firmware=1,";
  return line;
}

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Lines the pattern gave up on are not dropped in silence: the first ten are
// logged, then their number; the console stays as it was, and the adapter
// line after them is read.
TEST(KitLineFaults, LinesThePatternGaveUpOnAreLoggedThenCounted) {
  const std::string hard = backtrackingLine(12);
  EmulexComp::KitLineParser parser;
  EmulexComp::KitLine parsed;
  if (parser.parse(hard, parsed) || !parser.gaveUp()) {
    GTEST_SKIP() << "the line pattern no longer gives up on this line";
  }
  FaultServer server(Component::Emulex);
  server.build();
  std::string query;
  for (int i = 0; i < 25; ++i) query += hard + "\n";
  server.setQueryOutput(query + kRecord);
  const Outcome run = server.run({"/d", "report.xml"});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, server.start() + "Generating self-discovery XML...done.\n");
  std::vector<std::string> devices;
  EXPECT_TRUE(readReport(server.work("report.xml"), devices));
  EXPECT_EQ(devices, std::vector<std::string>{"10df.f100.10df.f100 2.02A1"});
  const std::string log = server.log();
  EXPECT_EQ(
      count(log, "WARNING! : Emulex Kit line too complex to match, skipped: " + hard.substr(0, 200) + "\n"),
      10);
  EXPECT_EQ(count(log, "WARNING! : Emulex Kit lines too complex to match, skipped in all: 25\n"), 1);
}

}  // namespace
}  // namespace faults
