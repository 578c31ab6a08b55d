// The engine's query report: instance blocks, line matching, numbers and port names.
#include "components/qlogic/query_report.h"

#include <gtest/gtest.h>

using QLogicComp::normalisePortName;
using QLogicComp::parseQueryReport;
using QLogicComp::QueryReport;

namespace {

std::string instance(int number, const char* image, const char* port) {
  return "HBA Instance: " + std::to_string(number) + "\n" + "Flash Image Version : " + image + "\n" +
         "Port Name : " + port + "\n" + "Serial Number : X\n" + "\n";
}

}  // namespace

TEST(QueryReport, InstancesFromFiveLineBlocks) {
  const QueryReport r = parseQueryReport(instance(0, "2.10", "21-00-00-e0-8b-01-02-03") +
                                         instance(1, "2.02", "21:00:00:E0:8B:0A:0B:0C"));
  EXPECT_EQ(r.consulted, 2);
  EXPECT_EQ(r.instances[0].flashImage, L"2.10");
  EXPECT_EQ(r.instances[0].portName, "21:00:00:E0:8B:01:02:03");
  EXPECT_EQ(r.instances[1].flashImage, L"2.02");
  EXPECT_EQ(r.instances[1].portName, "21:00:00:E0:8B:0A:0B:0C");
}

TEST(QueryReport, LineCountDividedByFiveBoundsTheInstancesConsulted) {
  struct Case {
    std::string output;
    int consulted;
  } cases[] = {
      {"", 0},
      {"a\nb\nc\nd\n", 0},
      {"a\nb\nc\nd\ne", 1},  // a last line without a newline still counts
      {"1\n2\n3\n4\n5\n6\n7\n8\n9\n", 1},
      {"\n\n\n\n\n\n\n\n\n\n", 2},
      {std::string(800, '\n'), 64},
  };
  for (const Case& c : cases) EXPECT_EQ(parseQueryReport(c.output).consulted, c.consulted) << c.output.size();
}

TEST(QueryReport, WholeLineMatchesOnlyAndTheLastColonSpaceWins) {
  const QueryReport r = parseQueryReport(
      "HBA Instance: 3\n"
      " Flash Image: 9.99\n"                  // leading blank: not the pattern's line
      "Flash Image Version: a: b: 1.2 (x)\n"  // text after the last ": "
      "Port Name: 21-00: \n"                  // ": " followed by a blank still counts
      "Port Name:21-00\n");                   // no ": " at all
  EXPECT_EQ(r.instances[3].flashImage, L"1.2 (x)");
  EXPECT_EQ(r.instances[3].portName, "21:00: ");
}

TEST(QueryReport, InstanceNumbersAsAtoiReadsThem) {
  const QueryReport r = parseQueryReport(
      "HBA Instance: 7th\nFlash Image: A\n"
      "HBA Instance: none\nFlash Image: B\n"
      "HBA Instance:  12\nFlash Image: C\n");
  EXPECT_EQ(r.instances[7].flashImage, L"A");
  EXPECT_EQ(r.instances[0].flashImage, L"B");
  EXPECT_EQ(r.instances[12].flashImage, L"C");
}

TEST(QueryReport, OutOfRangeInstancesAndEarlyLinesAreIgnored) {
  const QueryReport r = parseQueryReport(
      "Flash Image: early\nPort Name: early\n"
      "HBA Instance: 5\nFlash Image: five\n"
      "HBA Instance: 64\nFlash Image: sixty-four\nPort Name: 64\n"
      "HBA Instance: -1\nFlash Image: minus\n"
      "HBA Instance: 99999999999999999999\nFlash Image: huge\n");
  for (int i = 0; i < QueryReport::kMaxInstances; ++i) {
    if (i == 5) continue;
    EXPECT_EQ(r.instances[i].flashImage, L"") << i;
    EXPECT_EQ(r.instances[i].portName, "") << i;
  }
  EXPECT_EQ(r.instances[5].flashImage, L"five");
}

TEST(QueryReport, FlashImageStopsAtABytePastAscii) {
  const QueryReport r = parseQueryReport("HBA Instance: 0\nFlash Image: 2.1\xe9x\n");
  EXPECT_EQ(r.instances[0].flashImage, L"2.1");
}

TEST(QueryReport, PortNameNormalisation) {
  EXPECT_EQ(normalisePortName("21-00-00-e0-8b-aa-bb-cc"), "21:00:00:E0:8B:AA:BB:CC");
  EXPECT_EQ(normalisePortName("ab:cd"), "AB:CD");
  EXPECT_EQ(normalisePortName(""), "");
}
