// One port's attributes and statistics, and their text forms.
#include "fchba/fc_port.h"

#include <cstring>

#include "fchba/field_text.h"
#include "fchba/wwn_text.h"

static_assert(sizeof(HBA_PORTSTATISTICS) == sizeof(FcHbaPort::Statistics), "counters in record order");

namespace {

struct ValueText {
  HBA_UINT32 value;
  const char* text;
};

const char* textOf(HBA_UINT32 value, const ValueText* table, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    if (table[i].value == value) return table[i].text;
  }
  return "Unknown";
}

}  // namespace

void FcHbaPort::fillFrom(const HBA_PORTATTRIBUTES& attributes, HBA_UINT32 portIndex) {
  portWwn_ = attributes.PortWWN;
  fabricName_ = attributes.FabricName;
  portFcId_ = attributes.PortFcId;
  portType_ = attributes.PortType;
  portState_ = attributes.PortState;
  symbolicName_ = fieldText(attributes.PortSymbolicName);
  osDeviceName_ = fieldText(attributes.OSDeviceName);
  supportedSpeed_ = attributes.PortSupportedSpeed;
  speed_ = attributes.PortSpeed;
  maxFrameSize_ = attributes.PortMaxFrameSize;
  activeFc4Types_ = attributes.PortActiveFc4Types;
  supportedFc4Types_ = attributes.PortSupportedFc4Types;
  portIndex_ = portIndex;
}

void FcHbaPort::updateStatistics(const HBA_PORTSTATISTICS& statistics) {
  Statistics reported;
  std::memcpy(reported.data(), &statistics, sizeof statistics);
  for (std::size_t i = 0; i < kCounters; ++i) {
    if (reported[i] != -1) statistics_[i] = reported[i];
  }
}

std::string FcHbaPort::speedText(HBA_UINT32 speed) {
  // Tested in this order: "not negotiated" overrides any speed bit, and the
  // 10 Gbit bit predates the 4 and 8 Gbit ones.
  static const ValueText bits[] = {{0x8000, "Not Negotiated"},
                                   {0x20, "16 GB"},
                                   {0x4, "10 GB"},
                                   {0x10, "8 GB"},
                                   {0x8, "4 GB"},
                                   {0x2, "2 GB"},
                                   {0x1, "1 GB"}};
  for (const ValueText& bit : bits) {
    if ((speed & bit.value) != 0) return bit.text;
  }
  return "Unknown";
}

std::string FcHbaPort::stateText() const {
  static const ValueText states[] = {{2, "Online"},           {3, "Offline"},   {4, "Bypassed"},
                                     {5, "Diagnostics Mode"}, {6, "Link Down"}, {7, "Error"},
                                     {8, "Loopback"}};
  return textOf(portState_, states, sizeof states / sizeof states[0]);
}

std::string FcHbaPort::typeText() const {
  static const ValueText types[] = {{2, "Other"},
                                    {3, "Not Present"},
                                    {5, "Fabric"},
                                    {6, "Public Loop"},
                                    {7, "FL Port"},
                                    {8, "Fabric Port"},
                                    {9, "Fabric expansion port"},
                                    {10, "Generic Fabric Port"},
                                    {20, "Private Loop"},
                                    {21, "Point to Point"}};
  return textOf(portType_, types, sizeof types / sizeof types[0]);
}

std::string FcHbaPort::portWwnText() const { return wwnText(portWwn_); }

std::string FcHbaPort::fabricNameText() const { return wwnText(fabricName_); }
