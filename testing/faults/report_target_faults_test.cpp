// Where the report lands when its path is a descriptor name, a link, or
// something that can never hold it: through the descriptor the caller handed
// over, never over a device, what another user's link names, or /dev's links.
// The names below /dev are tried only in a private mount namespace with a
// scratch /dev.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "testing/faults/fault_checks.h"
#include "testing/faults/fault_server.h"
#include "testing/faults/loop_device.h"
#include "testing/faults/private_dev.h"

namespace faults {
namespace {

const char kDone[] = "Generating self-discovery XML...done.\n";
const char kFailed[] = "Generating self-discovery XML...FAILED!\ndone.\n";
const char kEarlier[] = "bytes the target held before the run\n";

const Component kComponents[] = {Component::QLogic, Component::Emulex, Component::Brocade};

std::string expectedDevice(Component component) {
  static const char* devices[] = {"1077.2532.1077.015d 3.00", "10df.f100.10df.f100 2.02A1",
                                  "1657.0013.1657.0014 3.0.3.0"};
  return devices[static_cast<int>(component)];
}

// text is one whole report, of the server's one adapter.
::testing::AssertionResult isReport(const std::string& text, Component component) {
  testsupport::TempDir dir;
  testsupport::writeFile(dir / "r.xml", text);
  std::vector<std::string> devices;
  if (!readReport(dir / "r.xml", devices)) return ::testing::AssertionFailure() << "no report: " << text;
  if (devices != std::vector<std::string>{expectedDevice(component)}) {
    return ::testing::AssertionFailure() << "not the adapter's report: " << text;
  }
  return ::testing::AssertionSuccess();
}

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string readAll(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<std::size_t>(n));
  return text;
}

// A file holding kEarlier, opened for writing at its end, as a shell's ">>"
// (without O_APPEND, so that the offset is what counts) leaves it.
int earlierFile(const std::string& path) {
  testsupport::writeFile(path, kEarlier);
  const int fd = open(path.c_str(), O_WRONLY);
  if (fd >= 0) (void)lseek(fd, 0, SEEK_END);
  return fd;
}

mode_t typeOf(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 ? (info.st_mode & S_IFMT) : 0;
}

enum class Out { File, Pipe, Socket, Closed };
enum class Third { Closed, File, Directory, Block };
enum class Lands { Stdout, Stderr, Third, Shm, Sink, Nowhere };

struct DescriptorCase {
  const char* name;
  const char* path;  // after /d
  bool silent;
  Out out;
  Third third;
  bool stderrFile;     // descriptor 2 a file of its own
  const char* linkTo;  // when set, the path is a link of ours to this
  Lands lands;
};

void PrintTo(const DescriptorCase& c, std::ostream* out) { *out << c.name; }

const DescriptorCase kDescriptorCases[] = {
    {"StdoutFileSilent", "/dev/stdout", true, Out::File, Third::Closed, false, nullptr, Lands::Stdout},
    {"StdoutFileWithConsole", "/dev/stdout", false, Out::File, Third::Closed, false, nullptr, Lands::Stdout},
    {"StdoutPipe", "/dev/stdout", true, Out::Pipe, Third::Closed, false, nullptr, Lands::Stdout},
    {"StdoutSocket", "/dev/stdout", false, Out::Socket, Third::Closed, false, nullptr, Lands::Nowhere},
    {"StdoutClosedAtStart", "/dev/stdout", false, Out::Closed, Third::Closed, false, nullptr, Lands::Nowhere},
    {"ProcSelfFd1", "/proc/self/fd/1", true, Out::File, Third::Closed, false, nullptr, Lands::Stdout},
    {"OtherSpellingFollowsTheDevLink", "/dev//stdout", true, Out::File, Third::Closed, false, nullptr,
     Lands::Stdout},
    {"Stderr", "/dev/stderr", true, Out::Pipe, Third::Closed, true, nullptr, Lands::Stderr},
    {"Fd3Inherited", "/dev/fd/3", true, Out::Pipe, Third::File, false, nullptr, Lands::Third},
    {"Fd3NotInherited", "/dev/fd/3", false, Out::Pipe, Third::Closed, false, nullptr, Lands::Nowhere},
    {"Fd3LeadingZero", "/dev/fd/03", false, Out::Pipe, Third::File, false, nullptr, Lands::Nowhere},
    {"Fd3Directory", "/dev/fd/3", false, Out::Pipe, Third::Directory, false, nullptr, Lands::Nowhere},
    {"Fd3BlockDevice", "/dev/fd/3", false, Out::Pipe, Third::Block, false, nullptr, Lands::Nowhere},
    {"BlockDeviceNode", "/dev/blk", false, Out::Pipe, Third::Closed, false, nullptr, Lands::Nowhere},
    {"DevNull", "/dev/null", false, Out::Pipe, Third::Closed, false, nullptr, Lands::Sink},
    {"FileInDevShm", "/dev/shm/r.xml", false, Out::Pipe, Third::Closed, false, nullptr, Lands::Shm},
    {"OurLinkToDevStdout", "report.xml", true, Out::File, Third::Closed, false, "/dev/stdout", Lands::Stdout},
    {"OurLinkToFileInDevShm", "report.xml", false, Out::Pipe, Third::Closed, false, "/dev/shm/r.xml",
     Lands::Shm},
    {"OurLinkToDevNull", "report.xml", false, Out::Pipe, Third::Closed, false, "/dev/null", Lands::Nowhere},
};

class DescriptorNameFaults : public ::testing::TestWithParam<std::tuple<DescriptorCase, Component>> {};

INSTANTIATE_TEST_SUITE_P(Faults, DescriptorNameFaults,
                         ::testing::Combine(::testing::ValuesIn(kDescriptorCases),
                                            ::testing::ValuesIn(kComponents)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  componentName(std::get<1>(info.param));
                         });

// The descriptors a case hands the run, and what the test keeps to read them.
struct Handed {
  std::vector<Descriptor> plan;
  std::vector<int> close;  // the test's copies, closed once the run has them
  int consoleEnd = -1;     // where the test reads the console, if it can
};

Handed hand(const DescriptorCase& c, const FaultServer& server, const LoopDevice& loop) {
  Handed handed;
  int out = -1;
  if (c.out == Out::File) out = earlierFile(server.work("out.txt"));
  int ends[2] = {-1, -1};
  const bool connected = (c.out == Out::Pipe && pipe(ends) == 0) ||
                         (c.out == Out::Socket && socketpair(AF_UNIX, SOCK_STREAM, 0, ends) == 0);
  if (connected) {
    out = ends[1];
    handed.consoleEnd = ends[0];
  }
  handed.plan.push_back({1, out});
  if (c.stderrFile) handed.plan.push_back({2, earlierFile(server.work("err.txt"))});
  int third = -1;
  if (c.third == Third::File) third = earlierFile(server.work("three.txt"));
  if (c.third == Third::Directory) third = open(server.work("").c_str(), O_RDONLY);
  if (c.third == Third::Block) third = open(loop.name().c_str(), O_WRONLY);
  handed.plan.push_back({3, third});
  for (const Descriptor& d : handed.plan) {
    if (d.from >= 0) handed.close.push_back(d.from);
  }
  return handed;
}

// The report, and the console with it, went where the case says, and every
// other target kept its bytes.
TEST_P(DescriptorNameFaults, ReportGoesThroughTheHandedDescriptorOnly) {
  const DescriptorCase& c = std::get<0>(GetParam());
  const Component component = std::get<1>(GetParam());
  const std::string missing = privateDevMissing();
  if (!missing.empty()) GTEST_SKIP() << missing;
  FaultServer server(component);
  server.build();
  const bool block = c.third == Third::Block || std::string(c.path) == "/dev/blk";
  const LoopDevice loop(server.root("block-backing"), 16384, block);
  if (block && !loop.attached()) GTEST_SKIP() << "needs root and a free loop device (losetup)";
  testsupport::makeDirs(server.work("shm"));
  testsupport::writeFile(server.work("shm/r.xml"), kEarlier);
  if (c.linkTo != nullptr) {
    ASSERT_EQ(symlink(c.linkTo, server.work(c.path).c_str()), 0);
  }
  const Handed handed = hand(c, server, loop);
  std::vector<std::string> args{"/d", c.path};
  if (c.silent) args.insert(args.begin(), "/s");
  const PrivateDevOutcome run =
      runInPrivateDev(server.invocation(args), handed.plan, server.work("shm"), block ? loop.number() : 0);
  for (int fd : handed.close) close(fd);
  const std::string console = handed.consoleEnd >= 0 ? readAll(handed.consoleEnd) : "";
  if (handed.consoleEnd >= 0) close(handed.consoleEnd);

  ASSERT_FALSE(run.run.timedOut);
  EXPECT_EQ(run.run.exitCode, 3) << describe(run.run);
  EXPECT_TRUE(run.devKept) << run.devListing;
  const bool written = c.lands != Lands::Nowhere;
  EXPECT_TRUE(endsWith(server.log(), written ? kDone : kFailed)) << server.log();
  EXPECT_EQ(server.log().find("<?xml"), std::string::npos);
  if (c.linkTo != nullptr) {
    EXPECT_EQ(typeOf(server.work(c.path)), static_cast<mode_t>(S_IFLNK));
  }
  const struct {
    Lands lands;
    std::string path;
  } files[] = {{Lands::Stdout, c.out == Out::File ? server.work("out.txt") : ""},
               {Lands::Stderr, c.stderrFile ? server.work("err.txt") : ""},
               {Lands::Third, c.third == Third::File ? server.work("three.txt") : ""},
               {Lands::Shm, server.work("shm/r.xml")}};
  for (const auto& file : files) {
    if (file.path.empty()) continue;
    const std::string text = testsupport::readFile(file.path);
    if (file.lands != c.lands) {
      EXPECT_EQ(text, kEarlier) << file.path;
    } else if (c.lands == Lands::Shm) {
      EXPECT_EQ(typeOf(file.path), static_cast<mode_t>(S_IFREG));
      EXPECT_TRUE(isReport(text, component));
    } else if (c.silent) {
      // Only with /s does the target hold exactly the report, after its own bytes.
      ASSERT_EQ(text.rfind(kEarlier, 0), 0u) << text;
      EXPECT_TRUE(isReport(text.substr(sizeof kEarlier - 1), component));
    } else {
      const std::string before = kEarlier + server.start() + "Generating self-discovery XML...";
      ASSERT_EQ(text.rfind(before, 0), 0u) << text;
      ASSERT_TRUE(endsWith(text, "done.\n")) << text;
      EXPECT_TRUE(isReport(text.substr(before.size(), text.size() - before.size() - 6), component));
    }
  }
  if (c.lands == Lands::Stdout && c.out == Out::Pipe) {
    EXPECT_TRUE(isReport(console, component));
  }
  if (c.lands != Lands::Stdout && handed.consoleEnd >= 0) {
    EXPECT_EQ(console, c.silent ? "" : server.start() + (written ? kDone : kFailed));
  }
  if (block) {
    EXPECT_EQ(loop.head(), loop.pattern());
  }
}

// Paths of the host's kind, outside the namespace: links of other users in a
// shared sticky folder, links of ours, and what can never hold a report.
struct LinkCase {
  const char* name;
  bool rootOnly;   // gives a link to another user
  bool needsLoop;  // aims at a real block device
  // Lays out the case and returns the path to give after /d.
  std::string (*plant)(const FaultServer& server, const LoopDevice& loop);
  bool written;
  // The report's path afterwards: a regular file holding the report, or ""
  // when nothing must hold it.
  const char* reportAt;
};

void PrintTo(const LinkCase& c, std::ostream* out) { *out << c.name; }

const char kPrecious[] = "a file root must never write\n";

// A folder everybody may write, as /tmp, with the precious file elsewhere.
std::string shared(const FaultServer& server) {
  testsupport::makeDirs(server.work("shared"));
  (void)chmod(server.work("shared").c_str(), 01777);
  testsupport::makeDirs(server.root("etc/keep"));
  testsupport::writeFile(server.root("etc/keep/precious"), kPrecious);
  return server.work("shared");
}

std::string theirLink(const std::string& target, const std::string& at) {
  if (symlink(target.c_str(), at.c_str()) != 0 || lchown(at.c_str(), 4242, 4242) != 0) return "";
  return at;
}

const LinkCase kLinkCases[] = {
    {"TheirLinkToABlockDevice", true, true,
     [](const FaultServer& server, const LoopDevice& loop) {
       return theirLink(loop.name(), shared(server) + "/report.xml");
     },
     true, "shared/report.xml"},
    {"TheirLinkToRootsFile", true, false,
     [](const FaultServer& server, const LoopDevice&) {
       return theirLink(server.root("etc/keep/precious"), shared(server) + "/report.xml");
     },
     true, "shared/report.xml"},
    {"TheirDanglingLink", true, false,
     [](const FaultServer& server, const LoopDevice&) {
       return theirLink(server.root("etc/keep/created"), shared(server) + "/report.xml");
     },
     true, "shared/report.xml"},
    {"TheirLinkAsAFolderOnTheWay", true, false,
     [](const FaultServer& server, const LoopDevice&) {
       const std::string folder = theirLink(server.root("etc/keep"), shared(server) + "/reports");
       return folder.empty() ? folder : folder + "/report.xml";
     },
     false, ""},
    {"OurLinkToOurLink", false, false,
     [](const FaultServer& server, const LoopDevice&) {
       shared(server);
       (void)symlink(server.root("etc/keep/precious").c_str(), server.work("second").c_str());
       (void)symlink("second", server.work("report.xml").c_str());
       return std::string("report.xml");
     },
     false, ""},
    {"Directory", false, false,
     [](const FaultServer& server, const LoopDevice&) {
       shared(server);
       testsupport::makeDirs(server.work("report.xml"));
       return std::string("report.xml");
     },
     false, ""},
    {"Socket", false, false,
     [](const FaultServer& server, const LoopDevice&) {
       shared(server);
       sockaddr_un address{};
       address.sun_family = AF_UNIX;
       const std::string path = server.work("report.xml");
       path.copy(address.sun_path, sizeof address.sun_path - 1);
       const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
       (void)bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
       close(listener);
       return std::string("report.xml");
     },
     false, ""},
    {"FifoWithoutReader", false, false,
     [](const FaultServer& server, const LoopDevice&) {
       shared(server);
       (void)mkfifo(server.work("report.xml").c_str(), 0644);
       return std::string("report.xml");
     },
     false, ""},
    {"DevNull", false, false,
     [](const FaultServer& server, const LoopDevice&) {
       shared(server);
       return std::string("/dev/null");
     },
     true, ""},
};

class LinkFaults : public ::testing::TestWithParam<std::tuple<LinkCase, Component>> {};

INSTANTIATE_TEST_SUITE_P(
    Faults, LinkFaults, ::testing::Combine(::testing::ValuesIn(kLinkCases), ::testing::ValuesIn(kComponents)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + componentName(std::get<1>(info.param));
    });

// The report is written only where the rule puts it; the file another
// user's link named, the device, and whatever was refused keep their bytes
// and kind, and nothing hangs.
TEST_P(LinkFaults, ReportLandsOnlyWhereTheCallerMeant) {
  const LinkCase& c = std::get<0>(GetParam());
  const Component component = std::get<1>(GetParam());
  if (c.rootOnly && geteuid() != 0) GTEST_SKIP() << "needs root to give a symlink to another user";
  FaultServer server(component);
  server.build();
  const LoopDevice loop(server.root("block-backing"), 16384, c.needsLoop);
  if (c.needsLoop && !loop.attached()) GTEST_SKIP() << "needs root and a free loop device (losetup)";
  const std::string path = c.plant(server, loop);
  ASSERT_FALSE(path.empty());
  const std::string target = path[0] == '/' ? path : server.work(path);
  const mode_t before = typeOf(target);
  const Limits quick{10, ordinaryLimits().peakKb};
  const Outcome run = server.run({"/d", path}, quick);
  EXPECT_TRUE(withinBounds(run, quick));
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, server.start() + (c.written ? kDone : kFailed));
  if (*c.reportAt != '\0') {
    EXPECT_EQ(typeOf(server.work(c.reportAt)), static_cast<mode_t>(S_IFREG));
    EXPECT_TRUE(isReport(testsupport::readFile(server.work(c.reportAt)), component));
  } else {
    EXPECT_EQ(typeOf(target), before) << "the path changed its kind";
  }
  EXPECT_EQ(testsupport::readFile(server.root("etc/keep/precious")), kPrecious);
  EXPECT_FALSE(testsupport::fileExists(server.root("etc/keep/created")));
  EXPECT_FALSE(testsupport::fileExists(server.root("etc/keep/report.xml")));
  if (c.needsLoop) {
    EXPECT_EQ(loop.head(), loop.pattern());
  }
}

// A link of ours is followed once: the file it names gets the report and the
// link stays, for every component.
class OurLinkFaults : public ::testing::TestWithParam<Component> {};

INSTANTIATE_TEST_SUITE_P(Faults, OurLinkFaults, ::testing::ValuesIn(kComponents),
                         [](const auto& info) { return std::string(componentName(info.param)); });

TEST_P(OurLinkFaults, FileItNamesGetsTheReportAndTheLinkStays) {
  FaultServer server(GetParam());
  server.build();
  testsupport::makeDirs(server.root("reports"));
  testsupport::writeFile(server.root("reports/r.xml"), "the previous report\n");
  ASSERT_EQ(symlink(server.root("reports/r.xml").c_str(), server.work("report.xml").c_str()), 0);
  const Outcome run = server.run({"/d", "report.xml"});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.out, server.start() + kDone);
  EXPECT_EQ(typeOf(server.work("report.xml")), static_cast<mode_t>(S_IFLNK));
  EXPECT_TRUE(isReport(testsupport::readFile(server.root("reports/r.xml")), GetParam()));
}

}  // namespace
}  // namespace faults
