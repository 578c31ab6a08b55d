// What a run learns on its way, kept by the component for the record of the
// run: why the catalogue did not load, which libraries loaded, why an
// adapter's identity is "N/A", how each command and the flash engine ended.
// Plain values, each list bounded; nothing here is printed or logged, so the
// console and the component log stay exactly as they are.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "fchba/discovery_facts.h"
#include "framework/catalogue.h"
#include "support/command_runner.h"

struct RunFacts {
  CatalogueFacts catalogue;
  // Filled by the base discovery from the HBA API libraries. The Emulex
  // component, which discovers through its kit, records there each adapter
  // line of the kit's query instead (at most 256), with the texts the line
  // gives; its libraries stay empty.
  DiscoveryFacts discovery;
  // How many PCI functions of class 0x0c04 (Fibre Channel) sysfs lists, so
  // that a host without adapters can be told from one whose adapters were
  // not seen; -1 when it was not counted or sysfs could not be read.
  int sysfsFcFunctions = -1;
  // Every captured command of the run (release file, PCI lookups, vendor
  // queries, unpacking) in the order they ended.
  CommandRecords commands;
  // The flash engine as it ended; its text is empty when none ran.
  CommandRecord engine;
  // The error line that refused the vendor's tool or package files, or the
  // Emulex kit, before discovery; empty when nothing was refused.
  std::string toolRefusal;
  bool kitRefused = false;
  // For each device of the inventory, in its order, the index of the
  // adapter it came from; shorter (or empty) where the component does not
  // know it, as with the Emulex kit.
  std::vector<std::size_t> deviceAdapters;
  // Report mode: whether the report reached its path.
  bool reportWritten = false;
  // The release code is kept where platform detection always put it:
  // DiscoveryReport::platformName.
};
