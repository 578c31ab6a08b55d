// The vendor tools misbehaving: a query that prints too much, garbage, no
// line ends or nothing; a tool that is missing or cannot be run; a flash
// engine killed by a signal.
#include <cstdio>
#include <tuple>

#include "support/shell_quote.h"
#include "testing/faults/fault_checks.h"
#include "testing/faults/fault_inputs.h"
#include "testing/faults/fault_server.h"

namespace faults {
namespace {

const char kQLogicRecord[] =
    "HBA Instance: 0\nFlash Image Version: 3.00\nPort Name: 21-00-00-1b-32-0a-0b-0c\nSerial: SIM\n\n";
const char kEmulexRecord[] =
    "HBA=LPe12002-M8, PCI ID=f100, VID=10df, SSID=f100, SVID=10df, Firmware=US2.02A1, Boot Code=UU5.02a3\n";

struct QueryCase {
  const char* name;
  std::string (*output)(const std::string& record);
  bool large;
  // The report's devices, for each component: the QLogic adapter always
  // comes from the library, the Emulex one only from a recognised line.
  std::vector<std::string> qlogicDevices;
  std::vector<std::string> emulexDevices;
};

const QueryCase kQueryCases[] = {
    {"TwentyMegabytesThenTheRecord",
     [](const std::string& record) { return chatterThen(record, 20 * kMegabyte); },
     true,
     {"1077.2532.1077.015d 3.00"},
     {"10df.f100.10df.f100 2.02A1"}},
    {"TwentyMegabytesOfGarbage",
     [](const std::string&) { return binaryGarbage(20 * kMegabyte, 3); },
     true,
     {"1077.2532.1077.015d "},
     {}},
    {"TwentyMegabytesWithoutLineEnds",
     [](const std::string& record) { return withoutLineEnds(record, 20 * kMegabyte); },
     true,
     {"1077.2532.1077.015d "},
     {"10df.f100.10df.f100 2.02A1"}},
    {"RecordWithoutLineEnds",
     [](const std::string& record) { return withoutLineEnds(record, 1); },
     false,
     {"1077.2532.1077.015d "},
     {"10df.f100.10df.f100 2.02A1"}},
    {"Nothing", [](const std::string&) { return std::string(); }, false, {"1077.2532.1077.015d "}, {}},
    {"NulBytesInTheRecord",
     [](const std::string& record) {
       std::string text = record;
       text.insert(20, 1, '\0');
       return text;
     },
     false,
     {"1077.2532.1077.015d "},
     {}},
};

void PrintTo(const QueryCase& query, std::ostream* out) { *out << query.name; }

class QueryFaults : public ::testing::TestWithParam<std::tuple<Component, QueryCase>> {};

INSTANTIATE_TEST_SUITE_P(Faults, QueryFaults,
                         ::testing::Combine(::testing::Values(Component::QLogic, Component::Emulex),
                                            ::testing::ValuesIn(kQueryCases)),
                         [](const auto& info) {
                           return std::string(componentName(std::get<0>(info.param))) +
                                  std::get<1>(info.param).name;
                         });

// Whatever the query prints, report mode ends with 3 and a report of what
// was recognised; an adapter without a recognised record gets no version.
TEST_P(QueryFaults, ReportModeEndsWithThreeAndReportsWhatWasRecognised) {
  const Component component = std::get<0>(GetParam());
  const QueryCase& query = std::get<1>(GetParam());
  if (query.large && underValgrind()) GTEST_SKIP() << "a bound case; valgrind cannot judge bounds";
  FaultServer server(component);
  server.build();
  server.setQueryOutput(query.output(component == Component::QLogic ? kQLogicRecord : kEmulexRecord));
  const Limits limits = query.large ? largeInputLimits() : ordinaryLimits();
  const Outcome run = server.run({"/d", "report.xml"}, limits);
  EXPECT_TRUE(withinBounds(run, limits));
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, server.start() + "Generating self-discovery XML...done.\n");
  std::vector<std::string> devices;
  EXPECT_TRUE(readReport(server.work("report.xml"), devices));
  EXPECT_EQ(devices, component == Component::QLogic ? query.qlogicDevices : query.emulexDevices);
  EXPECT_EQ(server.log(), kEarlierLog + run.out);
  if (query.large) std::printf("%s: %s\n", query.name, describe(run).c_str());
}

// A kit that reports more adapters than a server holds is cut at the table
// limit of 256 rather than growing the inventory and the report without end.
TEST(QueryFaults, TwentyMegabytesOfAdapterLinesRecordAtMostTheTableLimit) {
  if (underValgrind()) GTEST_SKIP() << "a bound case; valgrind cannot judge bounds";
  FaultServer server(Component::Emulex);
  server.build();
  server.setQueryOutput(repeated(kEmulexRecord, 20 * kMegabyte));
  const Outcome run = server.run({"/d", "report.xml"}, largeInputLimits());
  EXPECT_TRUE(withinBounds(run, largeInputLimits()));
  EXPECT_EQ(run.exitCode, 3);
  std::vector<std::string> devices;
  EXPECT_TRUE(readReport(server.work("report.xml"), devices));
  EXPECT_EQ(devices, std::vector<std::string>(256, "10df.f100.10df.f100 2.02A1"));
  std::printf("Emulex adapter lines: %s\n", describe(run).c_str());
}

struct BrokenTool {
  const char* name;
  const char* setUp;  // run in the working directory, with TOOL for the tool's file
  int shellStatus;    // which the QLogic component passes through
  int brocadeExit;
};

const BrokenTool kBrokenTools[] = {
    {"Missing", "rm -f TOOL", 127, 7},
    {"Directory", "rm -f TOOL && mkdir TOOL", 126, 7},
    {"MissingInterpreter", "printf '#!/nonexistent/sh\\n' > TOOL", 127, 7},
};

void PrintTo(const BrokenTool& tool, std::ostream* out) { *out << tool.name; }

class BrokenToolFaults : public ::testing::TestWithParam<std::tuple<Component, BrokenTool>> {};

INSTANTIATE_TEST_SUITE_P(Faults, BrokenToolFaults,
                         ::testing::Combine(::testing::Values(Component::QLogic, Component::Brocade),
                                            ::testing::ValuesIn(kBrokenTools)),
                         [](const auto& info) {
                           return std::string(componentName(std::get<0>(info.param))) +
                                  std::get<1>(info.param).name;
                         });

void breakTool(const FaultServer& server, const char* setUp) {
  std::string command = setUp;
  for (std::size_t at = command.find("TOOL"); at != std::string::npos; at = command.find("TOOL"))
    command.replace(at, 4, shellQuote(server.toolPath()));
  ASSERT_EQ(testsupport::runIn(server.box().work(), command).exitCode, 0);
}

// A tool that cannot run makes the flash fail with the shell's status,
// never count as applied; the QLogic query finds nothing, so its adapter
// reads as needing the upgrade.
TEST_P(BrokenToolFaults, FlashEndsWithTheShellsFailureNeverSuccess) {
  const Component component = std::get<0>(GetParam());
  const BrokenTool& tool = std::get<1>(GetParam());
  FaultServer server(component);
  server.build();
  breakTool(server, tool.setUp);
  const Outcome run = server.run({});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  const int expected = component == Component::QLogic ? tool.shellStatus : tool.brocadeExit;
  EXPECT_EQ(run.exitCode, expected);
  EXPECT_NE(run.out.find("Flash Engine exit code: " + std::to_string(tool.shellStatus) + "\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("Flash complete [" + std::to_string(expected) + "]\n"), std::string::npos);
  EXPECT_TRUE(keptEarlierLog(server.log()));
}

// Without its kit the Emulex component finds no adapter: nothing is done.
TEST(BrokenToolFaults, MissingEmulexKitEndsWithNoOperation) {
  FaultServer server(Component::Emulex);
  server.build();
  breakTool(server, "rm -f TOOL");
  const Outcome flash = server.run({});
  EXPECT_TRUE(withinBounds(flash, ordinaryLimits()));
  EXPECT_EQ(flash.exitCode, 3);
  EXPECT_EQ(flash.out, server.start() + "NOTICE : No operation was done.\n");
  const Outcome forced = server.run({"/f"});
  EXPECT_EQ(forced.exitCode, 3);
  EXPECT_EQ(forced.out, server.start() + "ERROR! : No supported hardware was found.\n");
  EXPECT_EQ(server.log(), kEarlierLog + flash.out + forced.out);
}

class KilledEngine : public ::testing::TestWithParam<std::tuple<Component, std::string>> {};

INSTANTIATE_TEST_SUITE_P(
    Faults, KilledEngine,
    ::testing::Combine(::testing::Values(Component::QLogic, Component::Emulex, Component::Brocade),
                       ::testing::Values(std::string("TERM"), std::string("KILL"), std::string("INT"))),
    [](const auto& info) {
      return std::string(componentName(std::get<0>(info.param))) + std::get<1>(info.param);
    });

// An engine ended by a signal may have left adapters half written: the run
// reports a failed flash (7), never an applied one.
TEST_P(KilledEngine, FlashEndedBySignalIsAFailure) {
  const Component component = std::get<0>(GetParam());
  FaultServer server(component);
  server.build();
  server.setToolSignal(std::get<1>(GetParam()));
  const Outcome run = server.run({});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 7);
  const std::string failed = component == Component::Emulex ? "All updates failed.\n" : "";
  EXPECT_NE(run.out.find(failed + "Flash complete [7]\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("Flash Engine exit code: 0\n"), std::string::npos) << run.out;
  EXPECT_TRUE(keptEarlierLog(server.log()));
  EXPECT_NE(server.log().find("Flash complete [7]\n"), std::string::npos);
}

}  // namespace
}  // namespace faults
