// A simulated vendor management library: the HBA API registration and the
// VLXFC_ extension over the adapters of its description file, with every
// call appended to <library>.calls so that tests can see what was called.
#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "fchba/hbaapi_types.h"
#include "testing/simhba/sim_description.h"

#define SIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

simhba::Description described;
const int anchor = 0;

std::string libraryPath() {
  Dl_info info;
  if (dladdr(&anchor, &info) == 0 || info.dli_fname == nullptr) return "";
  return info.dli_fname;
}

void reload() { described = simhba::readDescription(libraryPath() + ".sim"); }

void trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

void trace(const char* format, ...) {
  std::FILE* out = std::fopen((libraryPath() + ".calls").c_str(), "a");
  if (out == nullptr) return;
  va_list args;
  va_start(args, format);
  (void)std::vfprintf(out, format, args);
  va_end(args);
  (void)std::fputc('\n', out);
  (void)std::fclose(out);
}

// Copies the text, filling the whole field without a NUL when it is as long.
void putText(char* field, std::size_t size, const std::string& text) {
  std::memset(field, 0, size);
  // NOLINTNEXTLINE(bugprone-not-null-terminated-result): an unterminated full field is the point.
  std::memcpy(field, text.data(), text.size() < size ? text.size() : size);
}

template <std::size_t N>
void putText(char (&field)[N], const std::string& text) {
  putText(field, N, text);
}

const simhba::Adapter* adapterOf(HBA_HANDLE handle) {
  if (handle == 0 || handle > described.adapters.size()) return nullptr;
  return &described.adapters[handle - 1];
}

bool fails(const simhba::Adapter& adapter, const char* what) { return adapter.fail.count(what) != 0; }

HBA_UINT32 portCount(const simhba::Adapter& a) {
  return a.hasPortCount ? a.portCount : static_cast<HBA_UINT32>(a.ports.size());
}

void fillAttributes(const simhba::Adapter& a, HBA_ADAPTERATTRIBUTES& out) {
  std::memset(&out, 0, sizeof out);
  putText(out.Manufacturer, a.manufacturer);
  putText(out.SerialNumber, a.serial);
  putText(out.Model, a.model);
  putText(out.ModelDescription, a.modelDescription);
  out.NodeWWN = a.nodeWwn;
  putText(out.NodeSymbolicName, a.nodeSymbolicName);
  putText(out.HardwareVersion, a.hardware);
  putText(out.DriverVersion, a.driver);
  putText(out.OptionROMVersion, a.optionRom);
  putText(out.FirmwareVersion, a.firmware);
  out.VendorSpecificID = a.vendorSpecificId;
  out.NumberOfPorts = portCount(a);
  putText(out.DriverName, a.driverName);
}

void fillPort(const simhba::Adapter& a, const simhba::Port& p, HBA_PORTATTRIBUTES& out) {
  std::memset(&out, 0, sizeof out);
  out.NodeWWN = a.nodeWwn;
  out.PortWWN = p.wwn;
  out.PortFcId = p.fcId;
  out.PortType = p.type;
  out.PortState = p.state;
  out.PortSupportedClassofService = 8;
  out.PortSupportedFc4Types.bits[2] = 1;
  out.PortActiveFc4Types.bits[2] = 1;
  putText(out.PortSymbolicName, p.symbolicName);
  putText(out.OSDeviceName, p.osDevice);
  out.PortSupportedSpeed = p.supportedSpeed;
  out.PortSpeed = p.speed;
  out.PortMaxFrameSize = p.maxFrame;
  out.FabricName = p.fabric;
}

HBA_STATUS adapterName(const char* caller, HBA_UINT32 index, char* name, const char* failure) {
  trace("%s %u", caller, index);
  if (index >= described.adapters.size()) return HBA_STATUS_ERROR_ILLEGAL_INDEX;
  const simhba::Adapter& adapter = described.adapters[index];
  if (fails(adapter, failure)) return HBA_STATUS_ERROR;
  // Names are at most 256 bytes here, the buffer size the HBA API promises.
  putText(name, 256, adapter.name);
  return HBA_STATUS_OK;
}

HBA_HANDLE openAdapter(const char* caller, const char* name, const char* failure) {
  trace("%s %s", caller, name);
  for (std::size_t i = 0; i < described.adapters.size(); ++i) {
    const simhba::Adapter& adapter = described.adapters[i];
    if (adapter.name != name) continue;
    return fails(adapter, failure) ? 0 : static_cast<HBA_HANDLE>(i + 1);
  }
  return 0;
}

}  // namespace

extern "C" {

static HBA_UINT32 getVersion() {
  trace("GetVersionHandler");
  return described.version;
}

static HBA_STATUS loadLibrary() {
  trace("LoadLibraryHandler");
  return described.loadStatus;
}

static HBA_STATUS freeLibrary() {
  trace("FreeLibraryHandler");
  return HBA_STATUS_OK;
}

static HBA_UINT32 numberOfAdapters() {
  trace("GetNumberOfAdaptersHandler");
  return described.adapterCount();
}

static HBA_STATUS getAdapterName(HBA_UINT32 index, char* name) {
  return adapterName("GetAdapterNameHandler", index, name, "name");
}

static HBA_HANDLE openHbaAdapter(char* name) { return openAdapter("OpenAdapterHandler", name, "open"); }

static void closeAdapter(HBA_HANDLE handle) { trace("CloseAdapterHandler 0x%x", handle); }

static HBA_STATUS getAdapterAttributes(HBA_HANDLE handle, HBA_ADAPTERATTRIBUTES* attributes) {
  trace("GetAdapterAttributesHandler 0x%x", handle);
  const simhba::Adapter* adapter = adapterOf(handle);
  if (adapter == nullptr) return HBA_STATUS_ERROR_INVALID_HANDLE;
  if (fails(*adapter, "attributes")) return HBA_STATUS_ERROR;
  fillAttributes(*adapter, *attributes);
  return HBA_STATUS_OK;
}

static HBA_STATUS getPortAttributes(HBA_HANDLE handle, HBA_UINT32 portIndex, HBA_PORTATTRIBUTES* attributes) {
  trace("GetAdapterPortAttributesHandler 0x%x %u", handle, portIndex);
  const simhba::Adapter* adapter = adapterOf(handle);
  if (adapter == nullptr) return HBA_STATUS_ERROR_INVALID_HANDLE;
  if (portIndex >= adapter->ports.size()) return HBA_STATUS_ERROR_ILLEGAL_INDEX;
  const simhba::Port& port = adapter->ports[portIndex];
  if (port.fail.count("attributes") != 0) return HBA_STATUS_ERROR;
  fillPort(*adapter, port, *attributes);
  return HBA_STATUS_OK;
}

static HBA_STATUS getPortStatistics(HBA_HANDLE handle, HBA_UINT32 portIndex, HBA_PORTSTATISTICS* statistics) {
  trace("GetPortStatisticsHandler 0x%x %u", handle, portIndex);
  const simhba::Adapter* adapter = adapterOf(handle);
  if (adapter == nullptr) return HBA_STATUS_ERROR_INVALID_HANDLE;
  if (portIndex >= adapter->ports.size()) return HBA_STATUS_ERROR_ILLEGAL_INDEX;
  const simhba::Port& port = adapter->ports[portIndex];
  if (port.fail.count("statistics") != 0) return HBA_STATUS_ERROR;
  std::memcpy(statistics, port.stats, sizeof *statistics);
  return HBA_STATUS_OK;
}

// The operations discovery never uses: each is traced with the handle it got.
static HBA_STATUS discoveredPort(HBA_HANDLE h, HBA_UINT32, HBA_UINT32, HBA_PORTATTRIBUTES*) {
  trace("GetDiscoveredPortAttributesHandler 0x%x", h);
  return HBA_STATUS_ERROR_NOT_SUPPORTED;
}
static HBA_STATUS portByWwn(HBA_HANDLE h, HBA_WWN, HBA_PORTATTRIBUTES*) {
  trace("GetPortAttributesByWWNHandler 0x%x", h);
  return HBA_STATUS_ERROR_NOT_SUPPORTED;
}
static HBA_STATUS ctPassThru(HBA_HANDLE h, void*, HBA_UINT32, void*, HBA_UINT32) {
  trace("SendCTPassThruHandler 0x%x", h);
  return HBA_STATUS_ERROR_NOT_SUPPORTED;
}
static void refreshInformation(HBA_HANDLE h) { trace("RefreshInformationHandler 0x%x", h); }
static void resetStatistics(HBA_HANDLE h, HBA_UINT32) { trace("ResetStatisticsHandler 0x%x", h); }
static HBA_STATUS targetMapping(HBA_HANDLE h, void*) {
  trace("GetFcpTargetMappingHandler 0x%x", h);
  return HBA_STATUS_ERROR_NOT_SUPPORTED;
}
static HBA_STATUS persistentBinding(HBA_HANDLE h, void*) {
  trace("GetFcpPersistentBindingHandler 0x%x", h);
  return HBA_STATUS_ERROR_NOT_SUPPORTED;
}
static HBA_STATUS eventBuffer(HBA_HANDLE h, void*, HBA_UINT32*) {
  trace("GetEventBufferHandler 0x%x", h);
  return HBA_STATUS_ERROR_NOT_SUPPORTED;
}
static HBA_STATUS setRnid(HBA_HANDLE h, HBA_MGMTINFO info) {
  trace("SetRNIDMgmtInfoHandler 0x%x %u", h, info.unittype);
  return HBA_STATUS_ERROR_NOT_SUPPORTED;
}
static HBA_STATUS getRnid(HBA_HANDLE h, void*) {
  trace("GetRNIDMgmtInfoHandler 0x%x", h);
  return HBA_STATUS_ERROR_NOT_SUPPORTED;
}
static HBA_STATUS sendRnid(HBA_HANDLE h, HBA_WWN, HBA_UINT32, void*, HBA_UINT32*) {
  trace("SendRNIDHandler 0x%x", h);
  return HBA_STATUS_ERROR_NOT_SUPPORTED;
}
static HBA_STATUS scsiInquiry(HBA_HANDLE h, HBA_WWN, HBA_UINT64 lun, HBA_UINT8, HBA_UINT32, void*, HBA_UINT32,
                              void*, HBA_UINT32) {
  trace("ScsiInquiryHandler 0x%x %llu", h, lun);
  return HBA_STATUS_ERROR_NOT_SUPPORTED;
}
static HBA_STATUS reportLuns(HBA_HANDLE h, HBA_WWN, void*, HBA_UINT32, void*, HBA_UINT32) {
  trace("ReportLUNsHandler 0x%x", h);
  return HBA_STATUS_ERROR_NOT_SUPPORTED;
}
static HBA_STATUS readCapacity(HBA_HANDLE h, HBA_WWN, HBA_UINT64 lun, void*, HBA_UINT32, void*,
                               HBA_UINT32 senseSize) {
  trace("ReadCapacityHandler 0x%x %llu %u", h, lun, senseSize);
  return HBA_STATUS_ERROR_NOT_SUPPORTED;
}

}  // extern "C"

namespace {

// Unused only in the variant built without registration.
[[maybe_unused]] void fillTable(HBA_ENTRYPOINTS* table) {
#define SIM_ENTRY(member, handler) \
  table->member = described.nullEntries.count(#member) != 0 ? nullptr : handler
  SIM_ENTRY(GetVersionHandler, getVersion);
  SIM_ENTRY(LoadLibraryHandler, loadLibrary);
  SIM_ENTRY(FreeLibraryHandler, freeLibrary);
  SIM_ENTRY(GetNumberOfAdaptersHandler, numberOfAdapters);
  SIM_ENTRY(GetAdapterNameHandler, getAdapterName);
  SIM_ENTRY(OpenAdapterHandler, openHbaAdapter);
  SIM_ENTRY(CloseAdapterHandler, closeAdapter);
  SIM_ENTRY(GetAdapterAttributesHandler, getAdapterAttributes);
  SIM_ENTRY(GetAdapterPortAttributesHandler, getPortAttributes);
  SIM_ENTRY(GetPortStatisticsHandler, getPortStatistics);
  SIM_ENTRY(GetDiscoveredPortAttributesHandler, discoveredPort);
  SIM_ENTRY(GetPortAttributesByWWNHandler, portByWwn);
  SIM_ENTRY(SendCTPassThruHandler, ctPassThru);
  SIM_ENTRY(RefreshInformationHandler, refreshInformation);
  SIM_ENTRY(ResetStatisticsHandler, resetStatistics);
  SIM_ENTRY(GetFcpTargetMappingHandler, targetMapping);
  SIM_ENTRY(GetFcpPersistentBindingHandler, persistentBinding);
  SIM_ENTRY(GetEventBufferHandler, eventBuffer);
  SIM_ENTRY(SetRNIDMgmtInfoHandler, setRnid);
  SIM_ENTRY(GetRNIDMgmtInfoHandler, getRnid);
  SIM_ENTRY(SendRNIDHandler, sendRnid);
  SIM_ENTRY(ScsiInquiryHandler, scsiInquiry);
  SIM_ENTRY(ReportLUNsHandler, reportLuns);
  SIM_ENTRY(ReadCapacityHandler, readCapacity);
#undef SIM_ENTRY
}

}  // namespace

#ifndef SIMHBA_WITHOUT_HBA_RegisterLibrary
SIM_EXPORT HBA_STATUS HBA_RegisterLibrary(HBA_ENTRYPOINTS* table) {
  reload();
  trace("HBA_RegisterLibrary");
  fillTable(table);
  return described.registerStatus;
}
#endif

#ifndef SIMHBA_WITHOUT_VLXFC_LoadLibrary
SIM_EXPORT HBA_STATUS VLXFC_LoadLibrary() {
  reload();
  trace("VLXFC_LoadLibrary");
  return described.vlxfcLoadStatus;
}
#endif

#ifndef SIMHBA_WITHOUT_VLXFC_GetNumberOfAdapters
SIM_EXPORT HBA_UINT32 VLXFC_GetNumberOfAdapters() {
  trace("VLXFC_GetNumberOfAdapters");
  return described.adapterCount();
}
#endif

#ifndef SIMHBA_WITHOUT_VLXFC_GetAdapterName
SIM_EXPORT HBA_STATUS VLXFC_GetAdapterName(HBA_UINT32 index, char* name) {
  return adapterName("VLXFC_GetAdapterName", index, name, "vlxfc_name");
}
#endif

#ifndef SIMHBA_WITHOUT_VLXFC_OpenAdapter
SIM_EXPORT HBA_HANDLE VLXFC_OpenAdapter(char* name) {
  return openAdapter("VLXFC_OpenAdapter", name, "vlxfc_open");
}
#endif

#ifndef SIMHBA_WITHOUT_VLXFC_GetAdapterAttributes2
SIM_EXPORT HBA_STATUS VLXFC_GetAdapterAttributes2(HBA_HANDLE handle, void* record) {
  trace("VLXFC_GetAdapterAttributes2 0x%x", handle);
  const simhba::Adapter* adapter = adapterOf(handle);
  if (adapter == nullptr) return HBA_STATUS_ERROR_INVALID_HANDLE;
  if (fails(*adapter, "attributes2")) return HBA_STATUS_ERROR_UNAVAILABLE;
  ExtendedAdapterAttributes extended;
  std::memset(&extended, 0, sizeof extended);
  fillAttributes(*adapter, extended.attributes);
  if (adapter->hasExtNodeWwn) extended.attributes.NodeWWN = adapter->extNodeWwn;
  extended.subsystemWord = adapter->subsystemVendor | static_cast<HBA_UINT32>(adapter->subsystemDevice) << 16;
  extended.pciBus = adapter->bus;
  extended.pciFunction = adapter->function;
  extended.pciDomain = adapter->domain;
  std::memcpy(record, &extended, sizeof extended);
  return HBA_STATUS_OK;
}
#endif

#ifndef SIMHBA_WITHOUT_VLXFC_CloseAdapter
SIM_EXPORT void VLXFC_CloseAdapter(HBA_HANDLE handle) { trace("VLXFC_CloseAdapter 0x%x", handle); }
#endif

#ifndef SIMHBA_WITHOUT_VLXFC_FreeLibrary
SIM_EXPORT HBA_STATUS VLXFC_FreeLibrary() {
  trace("VLXFC_FreeLibrary");
  return HBA_STATUS_OK;
}
#endif
