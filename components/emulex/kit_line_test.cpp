// The kit's query lines: which lines are adapter lines and what each field holds.
#include "components/emulex/kit_line.h"

#include <gtest/gtest.h>

namespace EmulexComp {
namespace {

const char kLine[] =
    "HBA=LPe12002-M8, PCI ID=f100, VID=10df, SSID=f100, SVID=10df, Firmware=US2.02A1, Boot Code=UU5.02a3, "
    "Port WWN=10:00:00:00:c9:aa:bb:cc";

TEST(KitLineParse, TakesTheSevenFields) {
  KitLineParser parser;
  KitLine line;
  ASSERT_TRUE(parser.parse(kLine, line));
  EXPECT_EQ(line.model, "LPe12002-M8");
  EXPECT_EQ(line.deviceId, "f100");
  EXPECT_EQ(line.vendorId, "10df");
  EXPECT_EQ(line.subsystemId, "f100");
  EXPECT_EQ(line.subsystemVendorId, "10df");
  EXPECT_EQ(line.firmware, "US2.02A1");
  EXPECT_EQ(line.bootCode, "UU5.02a3");
}

TEST(KitLineParse, CarriageReturnAtTheEndStillMatches) {
  KitLineParser parser;
  KitLine line;
  ASSERT_TRUE(parser.parse(std::string(kLine) + "\r", line));
  EXPECT_EQ(line.bootCode, "UU5.02a3");
}

TEST(KitLineParse, GreedyGroupsRunToTheLastFittingComma) {
  KitLineParser parser;
  KitLine line;
  ASSERT_TRUE(parser.parse(
      "HBA=LPe1, dual, PCI ID=e, VID=10df, SSID=1, SVID=10df, Firmware=1.1a, rev 2, Boot Code=5.0", line));
  EXPECT_EQ(line.model, "LPe1, dual");
  EXPECT_EQ(line.firmware, "1.1a, rev 2");
  EXPECT_EQ(line.deviceId, "e");
  EXPECT_EQ(line.bootCode, "5.0");

  // A field between the model and "PCI ID=" becomes part of the model text.
  ASSERT_TRUE(parser.parse(
      "HBA=LPe12002, Port=0, PCI ID=f100, VID=10df, SSID=f100, SVID=10df, Firmware=US2.0, Boot Code=UU5.0",
      line));
  EXPECT_EQ(line.model, "LPe12002, Port=0");
}

TEST(KitLineParse, RejectsLinesOutsideTheFormat) {
  const char* const rejected[] = {
      "",
      "ERROR",
      " HBA=LPe12002, PCI ID=f100, VID=10df, SSID=f100, SVID=10df, Firmware=US2.0, Boot Code=UU5.0",
      "HBA=LPe12002, PCI ID=f1000, VID=10df, SSID=f100, SVID=10df, Firmware=US2.0, Boot Code=UU5.0",
      "HBA=LPe12002, VID=10df, PCI ID=f100, SSID=f100, SVID=10df, Firmware=US2.0, Boot Code=UU5.0",
      "HBA=LPe12002, PCI ID=f100, VID=10df, SSID=f100, SVID=10df, Firmware=US2.0, Boot Code=",
      "HBA=LPe12002, PCI ID=f100, VID=10df, SSID=f100, SVID=10df, Firmware=US2.0 Boot Code=UU5.0",
  };
  KitLineParser parser;
  for (const char* text : rejected) {
    KitLine line;
    EXPECT_FALSE(parser.parse(text, line)) << text;
  }
}

}  // namespace
}  // namespace EmulexComp
