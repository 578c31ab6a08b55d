// Discovery: the adapter walk turned into one fixed record per adapter.
#include "fchba/enumerate.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "fchba/mra.h"
#include "fchba/pci_identity.h"
#include "support/console.h"

namespace {

std::unique_ptr<FcAdapterRecord> recordOf(const FcHbaAdapter& adapter) {
  auto record = std::make_unique<FcAdapterRecord>();
  copyField(record->nodeWwn, adapter.nodeWwnText().c_str());
  if (!adapter.ports().empty()) copyField(record->portWwn, adapter.ports().front().portWwnText().c_str());
  copyField(record->driverVersion, adapter.driverVersion().c_str());
  copyField(record->optionRomVersion, adapter.optionRomVersion().c_str());
  copyField(record->firmwareVersion, adapter.firmwareVersion().c_str());
  copyField(record->model, adapter.model().c_str());
  const HBA_UINT16 subsystemVendorId = adapter.subsystemWord() & 0xFFFF;
  const HBA_UINT16 subsystemDeviceId = adapter.subsystemWord() >> 16;
  copyField(record->pciId, lookupPciIdentity(adapter.pciDomain(), adapter.pciBus(), adapter.pciFunction(),
                                             subsystemVendorId, subsystemDeviceId)
                               .c_str());
  (void)std::snprintf(record->subsystemId, sizeof record->subsystemId, "%.4x%.4x", subsystemVendorId,
                      subsystemDeviceId);
  return record;
}

}  // namespace

int enumerateFcAdapters(FcAdapterRecordList& list) {
  FcHbaMRA mra;
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
  for (const auto& kept : adapters) list.append(recordOf(*kept));
  return 1;
}
