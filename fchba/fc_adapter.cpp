// One adapter's refresh through the HBA API: attributes, ports and the vendor extension's location.
#include "fchba/fc_adapter.h"

#include "fchba/field_text.h"
#include "fchba/hba_dispatch.h"
#include "fchba/text_normalise.h"
#include "fchba/wwn_text.h"

namespace {

std::string normalised(std::string text) {
  normaliseText(text);
  return text;
}

}  // namespace

FcHbaAdapter::~FcHbaAdapter() { HBA_FreeLibrary(); }

int FcHbaAdapter::refresh() {
  std::lock_guard<std::mutex> held(lock_);
  problems_.clear();
  char name[256] = {};
  const HBA_STATUS named = HBA_GetAdapterName(index_, name);
  if (named != HBA_STATUS_OK) return failed("HBA_GetAdapterName", named);
  name_ = name;
  const HBA_HANDLE handle = HBA_OpenAdapter(name);
  if (handle == 0) {
    problems_.push_back("HBA_OpenAdapter gave no handle");
    return 1;
  }
  return readOpenAdapter(handle);
}

int FcHbaAdapter::failed(const std::string& call, HBA_STATUS status) {
  problems_.push_back(call + " returned " + std::to_string(status));
  return 1;
}

int FcHbaAdapter::readOpenAdapter(HBA_HANDLE handle) {
  HBA_ADAPTERATTRIBUTES attributes{};
  const HBA_STATUS read = HBA_GetAdapterAttributes(handle, &attributes);
  if (read != HBA_STATUS_OK) {
    HBA_CloseAdapter(handle);
    return failed("HBA_GetAdapterAttributes", read);
  }
  ports_.clear();
  takeAttributes(attributes);
  int result = 0;
  const HBA_UINT32 walked = numberOfPorts_ < kMaxPorts ? numberOfPorts_ : kMaxPorts;
  for (HBA_UINT32 portIndex = 0; portIndex < walked; ++portIndex) {
    if (readPort(handle, portIndex) != 0) result = 1;
  }
  HBA_CloseAdapter(handle);
  return result;
}

void FcHbaAdapter::takeAttributes(const HBA_ADAPTERATTRIBUTES& attributes) {
  manufacturer_ = normalised(fieldText(attributes.Manufacturer));
  serialNumber_ = normalised(fieldText(attributes.SerialNumber));
  model_ = fieldText(attributes.Model);
  modelDescription_ = normalised(fieldText(attributes.ModelDescription));
  nodeWwn_ = attributes.NodeWWN;
  nodeSymbolicName_ = fieldText(attributes.NodeSymbolicName);
  hardwareVersion_ = normalised(fieldText(attributes.HardwareVersion));
  driverVersion_ = fieldText(attributes.DriverVersion);
  optionRomVersion_ = normalised(fieldText(attributes.OptionROMVersion));
  firmwareVersion_ = normalised(fieldText(attributes.FirmwareVersion));
  numberOfPorts_ = attributes.NumberOfPorts;
  driverName_ = fieldText(attributes.DriverName);
  subsystemWord_ = attributes.VendorSpecificID;
}

// A port whose attributes cannot be read is left out; one whose statistics
// cannot be read is kept with zero counters. Either is a failed refresh,
// except statistics the library does not offer at all: counters are not
// what identifies an adapter.
int FcHbaAdapter::readPort(HBA_HANDLE handle, HBA_UINT32 portIndex) {
  const std::string port = "port " + std::to_string(portIndex) + ": ";
  HBA_PORTATTRIBUTES attributes{};
  const HBA_STATUS read = HBA_GetAdapterPortAttributes(handle, portIndex, &attributes);
  if (read != HBA_STATUS_OK) return failed(port + "HBA_GetAdapterPortAttributes", read);
  FcHbaPort kept;
  kept.fillFrom(attributes, portIndex);
  HBA_PORTSTATISTICS statistics{};
  const HBA_STATUS status = HBA_GetPortStatistics(handle, portIndex, &statistics);
  if (status == HBA_STATUS_OK) kept.updateStatistics(statistics);
  ports_.push_back(kept);
  if (status == HBA_STATUS_OK || status == HBA_STATUS_ERROR_NOT_SUPPORTED) return 0;
  return failed(port + "HBA_GetPortStatistics", status);
}

void FcHbaAdapter::setPciLocation(HBA_UINT32 subsystemWord, HBA_UINT8 bus, HBA_UINT8 function,
                                  HBA_UINT8 domain) {
  subsystemWord_ = subsystemWord;
  pciBus_ = bus;
  pciFunction_ = function;
  pciDomain_ = domain;
}

std::string FcHbaAdapter::nodeWwnText() const { return wwnText(nodeWwn_); }
