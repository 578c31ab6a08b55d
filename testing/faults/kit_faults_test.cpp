// The Emulex kit in an unlucky working directory: a folder left from an
// earlier kit beside the archive, two archives, and kit lines that make the
// line pattern give up.
#include <sys/stat.h>

#include "components/emulex/kit_line.h"
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
