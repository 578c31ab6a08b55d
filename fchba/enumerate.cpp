// Discovery: the adapter walk turned into one fixed record per adapter.
#include "fchba/enumerate.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "fchba/hba_dispatch.h"
#include "fchba/mra.h"
#include "fchba/pci_identity.h"
#include "support/console.h"

namespace {

// Read right after the libraries were loaded and counted: a direct route
// reloads them later, and must not change what the first load found.
std::vector<LibraryFacts> libraryFacts() {
  std::vector<LibraryFacts> libraries;
  for (HBA_UINT32 i = 0; i < hbaLibraryCount(); ++i) {
    const HbaLibrarySlot& slot = hbaLibrarySlot(i);
    libraries.push_back(
        {slot.name, slot.path, slot.status == kSlotLoaded, slot.error, slot.reportedAdapters});
  }
  return libraries;
}

std::unique_ptr<FcAdapterRecord> recordOf(const FcHbaAdapter& adapter, const PciIdentity& identity) {
  auto record = std::make_unique<FcAdapterRecord>();
  copyField(record->nodeWwn, adapter.nodeWwnText().c_str());
  if (!adapter.ports().empty()) copyField(record->portWwn, adapter.ports().front().portWwnText().c_str());
  copyField(record->driverVersion, adapter.driverVersion().c_str());
  copyField(record->optionRomVersion, adapter.optionRomVersion().c_str());
  copyField(record->firmwareVersion, adapter.firmwareVersion().c_str());
  copyField(record->model, adapter.model().c_str());
  copyField(record->pciId, identity.text.c_str());
  (void)std::snprintf(record->subsystemId, sizeof record->subsystemId, "%.4x%.4x",
                      adapter.subsystemWord() & 0xFFFF, adapter.subsystemWord() >> 16);
  return record;
}

AdapterFacts factsOf(const FcHbaAdapter& adapter, const FcAdapterRecord& record,
                     const PciIdentity& identity) {
  AdapterFacts facts;
  facts.index = adapter.index();
  facts.name = adapter.name();
  facts.library = hbaLibrarySlot(hbaAdapterSlot(adapter.index()).libraryIndex).path;
  facts.nodeWwn = record.nodeWwn;
  facts.portWwn = record.portWwn;
  facts.pciId = record.pciId;
  facts.subsystemId = record.subsystemId;
  facts.driverVersion = record.driverVersion;
  facts.firmwareVersion = record.firmwareVersion;
  facts.optionRomVersion = record.optionRomVersion;
  facts.model = record.model;
  facts.serialNumber = adapter.serialNumber();
  for (const FcHbaPort& port : adapter.ports()) facts.portWwns.push_back(port.portWwnText());
  facts.pciDomain = adapter.pciDomain();
  facts.pciBus = adapter.pciBus();
  facts.pciFunction = adapter.pciFunction();
  facts.sysfsDevice = identity.device;
  for (const std::string& problem : adapter.problems()) facts.problems.add(problem);
  if (!identity.problem.empty()) facts.problems.add("PCI identity N/A: " + identity.problem);
  return facts;
}

}  // namespace

void enumerateFcAdapters(FcAdapterRecordList& list, DiscoveryFacts& facts, CommandRecords& commands) {
  FcHbaMRA mra;
  facts.configurationRead = mra.librariesLoaded();
  facts.libraries = libraryFacts();
  std::vector<std::unique_ptr<FcHbaAdapter>> adapters;
  int status = 0;
  std::unique_ptr<FcHbaAdapter> adapter = mra.firstAdapter(status);
  while (adapter != nullptr) {
    // A failed refresh still gives a record, with the adapter's defaults.
    if (status != 0) writeStdout("MRA get returned failed status!\n");
    const FcHbaAdapter& taken = *adapter;
    adapters.push_back(std::move(adapter));
    adapter = mra.nextAdapter(taken, status);
  }
  for (const auto& kept : adapters) {
    const HBA_UINT32 word = kept->subsystemWord();
    const PciIdentity identity = lookupPciIdentity(kept->pciDomain(), kept->pciBus(), kept->pciFunction(),
                                                   word & 0xFFFF, word >> 16, commands);
    std::unique_ptr<FcAdapterRecord> record = recordOf(*kept, identity);
    facts.adapters.push_back(factsOf(*kept, *record, identity));
    list.append(std::move(record));
  }
}
