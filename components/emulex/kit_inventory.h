// The inventory record of one adapter line of the kit's query whose key the
// catalogue holds: the "Firmware" item and, when the entry carries a boot
// BIOS version, the "Boot BIOS ROM" item.
#pragma once

#include <string>

#include "components/emulex/kit_line.h"
#include "framework/catalogue.h"
#include "framework/inventory.h"

namespace EmulexComp {

DiscoveredDevice deviceForKitLine(const KitLine& line, const std::wstring& key, const ReferenceDevice& entry);

}  // namespace EmulexComp
