// The command-line form of a simulated adapter, for fcsandbox and shell users:
//   vendor=qlogic,pci=0000:05:00.0,id=1077:2532:1077:015d,wwpn=21:00:00:1b:32:0a:0b:0c
// Keys: vendor (a word of components/vendors.txt), name, pci, id, wwpn (once per port),
// wwnn, model, serial, driver, firmware, optionrom, fail (failures joined by
// "+", e.g. fail=attributes+open). Keys not given keep the vendor's defaults.
#pragma once

#include <string>

#include "testing/sandbox.h"

namespace testsupport {

// A word of components/vendors.txt: "qlogic", "emulex", "brocade".
bool vendorNamed(const std::string& word, Vendor& vendor);

// False with a message in error for an unknown key, vendor or malformed pair.
bool parseAdapterText(const std::string& text, SimAdapter& adapter, std::string& error);

}  // namespace testsupport
