// The inventory builders: the action each version order gives, and what an
// item and a device take from their catalogue entry.
#include "framework/inventory.h"

#include <gtest/gtest.h>

namespace {

int older(const std::wstring&, const std::wstring&) { return -1; }
int same(const std::wstring&, const std::wstring&) { return 0; }
int newer(const std::wstring&, const std::wstring&) { return 1; }

ReferenceDevice entry() {
  ReferenceDevice device;
  device.device_id = L"1077.2432";
  device.model = L"QLE2460";
  device.duration = L"120";
  return device;
}

}  // namespace

TEST(Inventory, FirmwareItemTakesItsActionFromTheVersionOrder) {
  struct Case {
    VersionOrder order;
    const wchar_t* action;
  } cases[] = {{newer, L"upgrade"}, {older, L"downgrade"}, {same, L"rewrite"}};
  for (const Case& c : cases) {
    const FirmwareItem item = firmwareItem(L"Multiboot Image", L"3.0", L"2.0", c.order, entry());
    EXPECT_EQ(item.action, c.action);
    EXPECT_EQ(item.type, L"Multiboot Image");
    EXPECT_EQ(item.version, L"3.0");
    EXPECT_EQ(item.active_version, L"2.0");
    EXPECT_EQ(item.duration, L"120");
    EXPECT_EQ(item.shared, L"no");
    EXPECT_EQ(item.firmware_id, L"");
    EXPECT_EQ(item.message, L"");
  }
}

TEST(Inventory, DiscoveredDeviceHasTheGivenIdTheEntrysModelAndTheItemsInOrder) {
  const FirmwareItem first = firmwareItem(L"Firmware", L"2", L"1", newer, entry());
  const FirmwareItem second = firmwareItem(L"Boot BIOS ROM", L"1", L"1", same, entry());
  const DiscoveredDevice device = discoveredDevice(L"1077.2432.1077.0138", entry(), {first, second});
  EXPECT_EQ(device.device_id, L"1077.2432.1077.0138");
  EXPECT_EQ(device.product_id, L"QLE2460");
  EXPECT_EQ(device.busnumber, L"");
  EXPECT_EQ(device.funcnumber, L"");
  ASSERT_EQ(device.fw_items.size(), 2u);
  EXPECT_EQ(device.fw_items[0].type, L"Firmware");
  EXPECT_EQ(device.fw_items[1].type, L"Boot BIOS ROM");
}
