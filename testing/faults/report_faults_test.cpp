// The self-discovery report's path at its worst: a disk that fills during the
// save, a name that reads like a URI, a symlink or a FIFO in its place.
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "support/shell_quote.h"
#include "testing/faults/fault_checks.h"
#include "testing/faults/fault_server.h"

namespace faults {
namespace {

const char kDone[] = "Generating self-discovery XML...done.\n";
const char kFailed[] = "Generating self-discovery XML...FAILED!\ndone.\n";

std::string reportDevice(const std::string& path) {
  std::vector<std::string> devices;
  if (!readReport(path, devices) || devices.size() != 1) return "";
  return devices[0];
}

// A small tmpfs of its own, so that the test can fill it; root only.
class SmallDisk {
 public:
  explicit SmallDisk(const std::string& at) : at_(at) {
    testsupport::makeDirs(at_);
    mounted_ = geteuid() == 0 && mount("tmpfs", at_.c_str(), "tmpfs", 0, "size=64k") == 0;
  }
  ~SmallDisk() {
    if (mounted_) (void)umount(at_.c_str());
  }
  bool mounted() const { return mounted_; }
  // Fills every free byte, the way another writer fills a shared disk.
  void fill() const {
    (void)std::system(("dd if=/dev/zero of=" + shellQuote(at_ + "/filler") + " bs=1k 2>/dev/null").c_str());
  }

 private:
  std::string at_;
  bool mounted_ = false;
};

TEST(ReportFaults, DiskFullDuringTheSaveKeepsThePreviousReport) {
  FaultServer server(Component::QLogic);
  server.build();
  SmallDisk disk(server.work("disk"));
  if (!disk.mounted()) GTEST_SKIP() << "needs root and a tmpfs mount to fill a disk";
  const std::string previous = "<?xml version=\"1.0\"?>\n<previous/>\n";
  testsupport::writeFile(server.work("disk/report.xml"), previous);
  disk.fill();
  const Outcome run = server.run({"/d", "disk/report.xml"});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, std::string(kStart) + kFailed);
  EXPECT_EQ(testsupport::readFile(server.work("disk/report.xml")), previous);
  EXPECT_EQ(testsupport::runIn(server.work("disk"), "ls -A").out, "filler\nreport.xml\n");
}

struct LiteralPath {
  const char* name;
  const char* given;    // the path after /d
  const char* written;  // the file that must hold the report, or "" for none
  const char* never;    // a file, below the working directory's parent, that must not appear
};

void PrintTo(const LiteralPath& path, std::ostream* out) { *out << path.name; }

class ReportPathFaults : public ::testing::TestWithParam<LiteralPath> {};

INSTANTIATE_TEST_SUITE_P(
    Faults, ReportPathFaults,
    ::testing::Values(LiteralPath{"PercentEscape", "rep%41.xml", "rep%41.xml", "work/repA.xml"},
                      LiteralPath{"DotDotEscapes", "sub/%2e%2e/%2e%2e/x.xml", "", "x.xml"},
                      LiteralPath{"Dash", "-", "-", ""},
                      LiteralPath{"FileScheme", "file:r.xml", "file:r.xml", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// The path the user gave is the file written, byte for byte; the report never
// goes to standard output or to a decoded name.
TEST_P(ReportPathFaults, TheGivenPathIsTheFileWritten) {
  const LiteralPath& path = GetParam();
  FaultServer server(Component::QLogic);
  server.build();
  testsupport::makeDirs(server.work("sub"));
  const std::string parent = server.box().work() + "/..";
  const std::string never = std::string(path.never).empty() ? "" : parent + "/" + path.never;
  const Outcome run = server.run({"/d", path.given});
  const bool leaked = !never.empty() && testsupport::fileExists(never);
  if (leaked && std::string(path.never) == "x.xml") (void)unlink(never.c_str());
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 3);
  const bool written = *path.written != '\0';
  EXPECT_EQ(run.out, std::string(kStart) + (written ? kDone : kFailed));
  if (written) {
    EXPECT_EQ(reportDevice(server.work(path.written)), "1077.2532.1077.015d 3.00");
  }
  EXPECT_FALSE(leaked) << never;
}

// Another user's symlink at the path is replaced by the report; the file it
// named, here one the run must never write, keeps its bytes. (A link of
// root's own is followed: report_target_faults_test.cpp.)
TEST(ReportFaults, SymlinkAtThePathIsReplacedNotFollowed) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give a symlink to another user";
  FaultServer server(Component::QLogic);
  server.build();
  const std::string precious = server.root("etc/precious");
  testsupport::writeFile(precious, "keep me\n");
  ASSERT_EQ(symlink(precious.c_str(), server.work("report.xml").c_str()), 0);
  ASSERT_EQ(lchown(server.work("report.xml").c_str(), 4242, 4242), 0);
  const Outcome run = server.run({"/d", "report.xml"});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.out, std::string(kStart) + kDone);
  EXPECT_EQ(testsupport::readFile(precious), "keep me\n");
  struct stat info;
  ASSERT_EQ(lstat(server.work("report.xml").c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(reportDevice(server.work("report.xml")), "1077.2532.1077.015d 3.00");
}

// A FIFO that nobody reads fails the save at once instead of hanging the run,
// and stays a FIFO.
TEST(ReportFaults, FifoWithoutReaderFailsWithoutHanging) {
  FaultServer server(Component::QLogic);
  server.build();
  ASSERT_EQ(mkfifo(server.work("report.xml").c_str(), 0644), 0);
  const Limits quick{10, ordinaryLimits().peakKb};
  const Outcome run = server.run({"/d", "report.xml"}, quick);
  EXPECT_TRUE(withinBounds(run, quick));
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, std::string(kStart) + kFailed);
  struct stat info;
  ASSERT_EQ(lstat(server.work("report.xml").c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

// A folder where nothing can be created: the existing report is rewritten in
// place, as the only way left to write it.
TEST(ReportFaults, SealedFolderRewritesTheExistingReportInPlace) {
  FaultServer server(Component::QLogic);
  server.build();
  testsupport::makeDirs(server.work("sealed"));
  testsupport::writeFile(server.work("sealed/report.xml"), "old\n");
  ASSERT_EQ(chmod(server.work("sealed").c_str(), 0555), 0);
  const Outcome run = server.run({"/d", "sealed/report.xml"}, ordinaryLimits(), true);
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.out, std::string(kStart) + kDone);
  EXPECT_EQ(reportDevice(server.work("sealed/report.xml")), "1077.2532.1077.015d 3.00");
  (void)chmod(server.work("sealed").c_str(), 0755);
}

// ... but never a file that has another name too: a hard link planted in
// the folder could be any file of root's, which must keep its bytes.
TEST(ReportFaults, SealedFolderNeverRewritesAHardLinkedFile) {
  FaultServer server(Component::QLogic);
  server.build();
  testsupport::makeDirs(server.work("sealed"));
  const std::string precious = server.root("etc/precious");
  testsupport::writeFile(precious, "keep me\n");
  ASSERT_EQ(link(precious.c_str(), server.work("sealed/report.xml").c_str()), 0);
  ASSERT_EQ(chmod(server.work("sealed").c_str(), 0555), 0);
  const Outcome run = server.run({"/d", "sealed/report.xml"}, ordinaryLimits(), true);
  (void)chmod(server.work("sealed").c_str(), 0755);
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.out, std::string(kStart) + kFailed);
  EXPECT_EQ(testsupport::readFile(precious), "keep me\n");
}

}  // namespace
}  // namespace faults
