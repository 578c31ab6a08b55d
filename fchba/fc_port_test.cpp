// Port attributes and statistics: speed, state and type texts, WWNs, bounded texts, counters.
#include "fchba/fc_port.h"

#include <gtest/gtest.h>

#include <cstring>

#include "fchba/wwn_text.h"

TEST(FcHbaPort, SpeedTextTakesTheFirstBitInTableOrder) {
  struct Case {
    HBA_UINT32 speed;
    const char* text;
  } cases[] = {
      {0x8 | 0x10, "8 GB"},
      {0x8000 | 0x20, "Not Negotiated"},
      {0x8000 | 0x1, "Not Negotiated"},
      {0x4 | 0x10, "10 GB"},
      {0x20 | 0x4, "16 GB"},
      {0x1, "1 GB"},
      {0x2 | 0x1, "2 GB"},
      {0x8, "4 GB"},
      {0, "Unknown"},
      {0x40 | 0x4000, "Unknown"},
  };
  for (const Case& c : cases) EXPECT_EQ(FcHbaPort::speedText(c.speed), c.text) << std::hex << c.speed;
}

TEST(FcHbaPort, StateAndTypeTexts) {
  const char* states[] = {"Unknown",   "Unknown", "Online",   "Offline", "Bypassed", "Diagnostics Mode",
                          "Link Down", "Error",   "Loopback", "Unknown", "Unknown"};
  for (HBA_UINT32 state = 0; state <= 10; ++state) {
    HBA_PORTATTRIBUTES attributes{};
    attributes.PortState = state;
    FcHbaPort port;
    port.fillFrom(attributes, 0);
    EXPECT_EQ(port.stateText(), states[state]) << state;
  }
  struct Case {
    HBA_UINT32 type;
    const char* text;
  } types[] = {{1, "Unknown"},
               {2, "Other"},
               {3, "Not Present"},
               {4, "Unknown"},
               {5, "Fabric"},
               {6, "Public Loop"},
               {7, "FL Port"},
               {8, "Fabric Port"},
               {9, "Fabric expansion port"},
               {10, "Generic Fabric Port"},
               {20, "Private Loop"},
               {21, "Point to Point"},
               {22, "Unknown"}};
  for (const Case& c : types) {
    HBA_PORTATTRIBUTES attributes{};
    attributes.PortType = c.type;
    FcHbaPort port;
    port.fillFrom(attributes, 0);
    EXPECT_EQ(port.typeText(), c.text) << c.type;
  }
  FcHbaPort fresh;
  EXPECT_EQ(fresh.stateText(), "Unknown");
  EXPECT_EQ(fresh.typeText(), "Unknown");
}

TEST(FcHbaPort, WwnTextIsUpperCaseWithColonsBetween) {
  HBA_WWN wwn = {{0x20, 0x00, 0x00, 0xE0, 0x8B, 0x01, 0x02, 0x03}};
  EXPECT_EQ(wwnText(wwn), "20:00:00:E0:8B:01:02:03");
  HBA_WWN high = {{0xff, 0xab, 0x0c, 0, 0, 0, 0, 0x9f}};
  EXPECT_EQ(wwnText(high), "FF:AB:0C:00:00:00:00:9F");
  HBA_WWN other = wwn;
  EXPECT_TRUE(sameWwn(wwn, other));
  other.wwn[7] ^= 1;
  EXPECT_FALSE(sameWwn(wwn, other));
}

TEST(FcHbaPort, FillFromKeepsEveryFieldAndReadsFullWidthTextsBounded) {
  HBA_PORTATTRIBUTES a{};
  a.PortWWN = {{0x21, 0, 0, 0x1b, 0x32, 0x0a, 0x0b, 0x0c}};
  a.FabricName = {{0x10, 0, 0, 0x05, 0x1e, 1, 2, 3}};
  a.PortFcId = 0x010203;
  a.PortSupportedSpeed = 0x1a;
  a.PortSpeed = 0x10;
  a.PortMaxFrameSize = 2112;
  a.PortActiveFc4Types.bits[2] = 1;
  a.PortSupportedFc4Types.bits[7] = 0x80;
  std::memset(a.PortSymbolicName, 'S', sizeof a.PortSymbolicName);  // no terminator
  std::memcpy(a.OSDeviceName, "/dev/host5", 11);
  FcHbaPort port;
  port.fillFrom(a, 3);
  EXPECT_EQ(port.portWwnText(), "21:00:00:1B:32:0A:0B:0C");
  EXPECT_EQ(port.fabricNameText(), "10:00:00:05:1E:01:02:03");
  EXPECT_EQ(port.portFcId(), 0x010203u);
  EXPECT_EQ(port.supportedSpeed(), 0x1au);
  EXPECT_EQ(port.speed(), 0x10u);
  EXPECT_EQ(port.maxFrameSize(), 2112u);
  EXPECT_EQ(port.portIndex(), 3u);
  EXPECT_EQ(port.activeFc4Types().bits[2], 1);
  EXPECT_EQ(port.supportedFc4Types().bits[7], 0x80);
  EXPECT_EQ(port.symbolicName(), std::string(256, 'S'));
  EXPECT_EQ(port.osDeviceName(), "/dev/host5");
}

TEST(FcHbaPort, UnsupportedCountersKeepTheirValue) {
  HBA_PORTSTATISTICS first{};
  first.SecondsSinceLastReset = 100;
  first.TxFrames = 7;
  first.InvalidCRCCount = 9;
  FcHbaPort port;
  port.updateStatistics(first);
  HBA_PORTSTATISTICS second{};
  std::memset(&second, 0xff, sizeof second);  // every counter -1
  second.RxFrames = 42;
  port.updateStatistics(second);
  const FcHbaPort::Statistics& s = port.statistics();
  EXPECT_EQ(s[0], 100);
  EXPECT_EQ(s[1], 7);
  EXPECT_EQ(s[3], 42);
  EXPECT_EQ(s[14], 9);
  EXPECT_EQ(s[2], 0);

  FcHbaPort fresh;
  HBA_PORTSTATISTICS unsupported{};
  unsupported.TxFrames = -1;
  unsupported.RxWords = -2;  // only -1 means "not kept"
  fresh.updateStatistics(unsupported);
  EXPECT_EQ(fresh.statistics()[1], 0);
  EXPECT_EQ(fresh.statistics()[4], -2);
}
