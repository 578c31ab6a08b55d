// What the module's end-to-end tests run the real component with: a
// catalogue that knows one adapter, and the stand-in flash engine.
#pragma once

#include <string>

#include "testing/test_support.h"

namespace fleet {

// Catalogue 3.10 for the QLE2562 (1077:2532:1077:015d); any other adapter is
// not catalogued.
constexpr char kE2eReference[] = R"(<?xml version="1.0"?>
<maplu_fchba_reference><devices>
  <device><type value="Fibre Channel"/><device_id value="1077.2532.1077.015d"/>
    <model value="QLE2562"/><boot value="3.10"/><duration value="120"/></device>
</devices></maplu_fchba_reference>
)";

// The stand-in flash engine in a package folder.
inline void copyStandinEngine(const std::string& package) {
  const std::string engine = std::string(FCUPDATE_SOURCE_DIR) + "/testing/standins/qlafwupdate";
  testsupport::writeFile(package + "/qlafwupdate", testsupport::readFile(engine));
}

}  // namespace fleet
