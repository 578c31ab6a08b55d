// The HBA API dispatcher: library loading, the adapter table and the forwarded calls.
#include "fchba/hba_dispatch.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <type_traits>

#include "fchba/adapter_record.h"
#include "fchba/dl_symbol.h"
#include "fchba/hba_conf.h"
#include "support/line_reader.h"
#include "support/system_root.h"

namespace {

// The process-wide tables: one dispatcher serves the whole run.
HbaLibrarySlot libraries[kHbaLibrarySlots];
HbaAdapterSlot adapters[kHbaAdapterSlots];
HBA_UINT32 adapterCount = 0;
HBA_UINT32 libraryCount = 0;

void setError(HbaLibrarySlot& slot, const std::string& text) { copyField(slot.error, text.c_str()); }

// The loader's own text for the failure just seen.
void setLoaderError(HbaLibrarySlot& slot, const char* fallback) {
  const char* text = dlerror();
  setError(slot, text != nullptr ? text : fallback);
}

void registerLibrary(HbaLibrarySlot& slot) {
  (void)dlerror();
  auto registerFn = dlSymbol<HBARegisterLibraryFunc>(slot.handle, "HBA_RegisterLibrary");
  if (registerFn == nullptr) {
    setLoaderError(slot, "no HBA_RegisterLibrary");
    return;
  }
  // Cleared first, so that entries a library leaves alone are null, not
  // pointers into whatever library held the slot before.
  slot.entryPoints = HBA_ENTRYPOINTS{};
  const HBA_STATUS registered = registerFn(&slot.entryPoints);
  if (registered != HBA_STATUS_OK) {
    slot.status = kSlotNotLoaded;
    setError(slot, "HBA_RegisterLibrary returned " + std::to_string(registered));
    return;
  }
  if (slot.entryPoints.GetVersionHandler == nullptr) {
    setError(slot, "no GetVersionHandler registered");
    return;
  }
  if (slot.entryPoints.GetVersionHandler() == 0) {
    slot.status = kSlotNotLoaded;
    setError(slot, "GetVersionHandler returned 0");
    return;
  }
  if (slot.entryPoints.LoadLibraryHandler == nullptr) {
    setError(slot, "no LoadLibraryHandler registered");
    return;
  }
  const HBA_STATUS loaded = slot.entryPoints.LoadLibraryHandler();
  slot.status = loaded == HBA_STATUS_OK ? kSlotLoaded : kSlotNotLoaded;
  if (loaded != HBA_STATUS_OK) setError(slot, "LoadLibraryHandler returned " + std::to_string(loaded));
}

// The loader hands back the handle it already gave when the same file is
// opened again, under another path or through a symlink: such a library is
// in the table already, and loading it twice would report its adapters twice.
bool loadedEarlier(const void* handle, HBA_UINT32 slotIndex) {
  for (HBA_UINT32 i = 0; i < slotIndex; ++i) {
    if (libraries[i].handle == handle) return true;
  }
  return false;
}

void loadSlot(HBA_UINT32 slotIndex, const HbaConfEntry& entry) {
  HbaLibrarySlot& slot = libraries[slotIndex];
  copyField(slot.name, entry.name.c_str());
  copyField(slot.path, entry.path.c_str());
  copyField(slot.error, "");
  slot.handle = dlopen(slot.path, RTLD_LAZY);
  if (slot.handle == nullptr) {
    setLoaderError(slot, "dlopen failed");
    return;
  }
  if (loadedEarlier(slot.handle, slotIndex)) {
    dlclose(slot.handle);  // gives back only the reference this open took
    slot.handle = nullptr;
    setError(slot, "the same library as an earlier line");
    return;
  }
  registerLibrary(slot);
  // A library that is not taken into use is never closed by an unload, so
  // it is closed here rather than left mapped for the rest of the run.
  if (slot.status != kSlotLoaded) {
    dlclose(slot.handle);
    slot.handle = nullptr;
  }
}

void appendAdapter(const HbaLibrarySlot& slot, HBA_UINT32 libraryIndex, HBA_UINT32 adapterIndex) {
  // Zeroed, so that a handler that fails without writing leaves an empty name.
  char name[256] = {};
  slot.entryPoints.GetAdapterNameHandler(adapterIndex, name);
  name[sizeof name - 1] = '\0';
  HbaAdapterSlot& entry = adapters[adapterCount++];
  copyField(entry.name, name);
  entry.libraryIndex = libraryIndex;
}

// The loaded library behind a caller's handle, or null with the status to return.
const HbaLibrarySlot* libraryOfHandle(HBA_HANDLE handle, HBA_STATUS& status) {
  const HBA_UINT32 index = handle >> 16;
  if (index >= kHbaLibrarySlots) {
    status = HBA_STATUS_ERROR_INVALID_HANDLE;
    return nullptr;
  }
  if (libraries[index].status != kSlotLoaded) {
    status = HBA_STATUS_ERROR;
    return nullptr;
  }
  return &libraries[index];
}

template <typename Handler, typename... Args>
HBA_STATUS forward(HBA_HANDLE handle, Handler HBA_ENTRYPOINTS::*member, Args... args) {
  HBA_STATUS status = HBA_STATUS_OK;
  const HbaLibrarySlot* slot = libraryOfHandle(handle, status);
  if (slot == nullptr) return status;
  const Handler handler = slot->entryPoints.*member;
  // Nothing was asked of the library, so nothing may be taken as its answer.
  if (handler == nullptr) return HBA_STATUS_ERROR_NOT_SUPPORTED;
  if constexpr (std::is_void_v<decltype(handler(handle, args...))>) {
    handler(handle & 0xFFFF, args...);
    return HBA_STATUS_OK;
  } else {
    return handler(handle & 0xFFFF, args...);
  }
}

}  // namespace

HBA_STATUS HBA_LoadLibrary() {
  HBA_FreeLibrary();
  libraryCount = 0;
  const int conf = openForReading(hostPath("/etc/hba.conf"));
  if (conf < 0) return HBA_STATUS_ERROR;
  LineReader lines(conf, kHbaConfLineBound, kHbaConfBound);
  std::string line;
  while (libraryCount < kHbaLibrarySlots && lines.next(line)) {
    HbaConfEntry entry;
    if (parseHbaConfLine(line, entry)) loadSlot(libraryCount++, entry);
  }
  (void)::close(conf);
  return HBA_STATUS_OK;
}

HBA_STATUS HBA_FreeLibrary() {
  for (HbaLibrarySlot& slot : libraries) {
    if (slot.status != kSlotLoaded) continue;
    if (slot.entryPoints.FreeLibraryHandler != nullptr) slot.entryPoints.FreeLibraryHandler();
    dlclose(slot.handle);
    slot.handle = nullptr;
    slot.status = kSlotNotLoaded;
  }
  return HBA_STATUS_OK;
}

HBA_UINT32 hbaLibraryCount() { return libraryCount; }

HBA_UINT32 HBA_GetNumberOfAdapters() {
  adapterCount = 0;
  for (HBA_UINT32 i = 0; i < kHbaLibrarySlots; ++i) {
    HbaLibrarySlot& slot = libraries[i];
    slot.reportedAdapters = 0;
    if (slot.status != kSlotLoaded || slot.entryPoints.GetNumberOfAdaptersHandler == nullptr) continue;
    const HBA_UINT32 count = slot.entryPoints.GetNumberOfAdaptersHandler();
    slot.reportedAdapters = count;
    if (slot.entryPoints.GetAdapterNameHandler == nullptr) continue;
    for (HBA_UINT32 index = 0; index < count && adapterCount < kHbaAdapterSlots; ++index) {
      appendAdapter(slot, i, index);
    }
  }
  return adapterCount;
}

HBA_STATUS HBA_GetAdapterName(HBA_UINT32 index, char* name, std::size_t size) {
  if (index >= adapterCount) return HBA_STATUS_ERROR_ILLEGAL_INDEX;
  copyField(name, size, adapters[index].name);
  return HBA_STATUS_OK;
}

HBA_HANDLE HBA_OpenAdapter(const char* name) {
  for (HBA_UINT32 i = 0; i < adapterCount; ++i) {
    if (std::strcmp(adapters[i].name, name) != 0) continue;
    const HBA_UINT32 libraryIndex = adapters[i].libraryIndex;
    const HbaLibrarySlot& slot = libraries[libraryIndex];
    if (slot.status != kSlotLoaded || slot.entryPoints.OpenAdapterHandler == nullptr) return 0;
    // The library gets a writable copy, never the table's own entry.
    char copy[256];
    copyField(copy, adapters[i].name);
    const HBA_HANDLE handle = slot.entryPoints.OpenAdapterHandler(copy);
    if (handle == 0) return 0;
    return (handle & 0xFFFF) | (libraryIndex << 16);
  }
  return 0;
}

HBA_UINT32 HBA_GetVersion() { return 1; }

void HBA_CloseAdapter(HBA_HANDLE handle) { forward(handle, &HBA_ENTRYPOINTS::CloseAdapterHandler); }

HBA_STATUS HBA_GetAdapterAttributes(HBA_HANDLE handle, HBA_ADAPTERATTRIBUTES* attributes) {
  return forward(handle, &HBA_ENTRYPOINTS::GetAdapterAttributesHandler, attributes);
}

HBA_STATUS HBA_GetAdapterPortAttributes(HBA_HANDLE handle, HBA_UINT32 portIndex,
                                        HBA_PORTATTRIBUTES* attributes) {
  return forward(handle, &HBA_ENTRYPOINTS::GetAdapterPortAttributesHandler, portIndex, attributes);
}

HBA_STATUS HBA_GetPortStatistics(HBA_HANDLE handle, HBA_UINT32 portIndex, HBA_PORTSTATISTICS* statistics) {
  return forward(handle, &HBA_ENTRYPOINTS::GetPortStatisticsHandler, portIndex, statistics);
}

HBA_STATUS HBA_GetDiscoveredPortAttributes(HBA_HANDLE handle, HBA_UINT32 portIndex,
                                           HBA_UINT32 discoveredPortIndex, HBA_PORTATTRIBUTES* attributes) {
  return forward(handle, &HBA_ENTRYPOINTS::GetDiscoveredPortAttributesHandler, portIndex, discoveredPortIndex,
                 attributes);
}

HBA_STATUS HBA_GetPortAttributesByWWN(HBA_HANDLE handle, HBA_WWN portWwn, HBA_PORTATTRIBUTES* attributes) {
  return forward(handle, &HBA_ENTRYPOINTS::GetPortAttributesByWWNHandler, portWwn, attributes);
}

HBA_STATUS HBA_SendCTPassThru(HBA_HANDLE handle, void* request, HBA_UINT32 requestSize, void* response,
                              HBA_UINT32 responseSize) {
  return forward(handle, &HBA_ENTRYPOINTS::SendCTPassThruHandler, request, requestSize, response,
                 responseSize);
}

void HBA_RefreshInformation(HBA_HANDLE handle) {
  forward(handle, &HBA_ENTRYPOINTS::RefreshInformationHandler);
}

void HBA_ResetStatistics(HBA_HANDLE handle, HBA_UINT32 portIndex) {
  forward(handle, &HBA_ENTRYPOINTS::ResetStatisticsHandler, portIndex);
}

HBA_STATUS HBA_GetFcpTargetMapping(HBA_HANDLE handle, void* mapping) {
  return forward(handle, &HBA_ENTRYPOINTS::GetFcpTargetMappingHandler, mapping);
}

HBA_STATUS HBA_GetFcpPersistentBinding(HBA_HANDLE handle, void* binding) {
  return forward(handle, &HBA_ENTRYPOINTS::GetFcpPersistentBindingHandler, binding);
}

HBA_STATUS HBA_GetEventBuffer(HBA_HANDLE handle, void* events, HBA_UINT32* count) {
  return forward(handle, &HBA_ENTRYPOINTS::GetEventBufferHandler, events, count);
}

HBA_STATUS HBA_SetRNIDMgmtInfo(HBA_HANDLE handle, HBA_MGMTINFO info) {
  return forward(handle, &HBA_ENTRYPOINTS::SetRNIDMgmtInfoHandler, info);
}

HBA_STATUS HBA_GetRNIDMgmtInfo(HBA_HANDLE handle, void* info) {
  return forward(handle, &HBA_ENTRYPOINTS::GetRNIDMgmtInfoHandler, info);
}

HBA_STATUS HBA_SendRNID(HBA_HANDLE handle, HBA_WWN wwn, HBA_UINT32 wwnType, void* response,
                        HBA_UINT32* responseSize) {
  return forward(handle, &HBA_ENTRYPOINTS::SendRNIDHandler, wwn, wwnType, response, responseSize);
}

HBA_STATUS HBA_SendScsiInquiry(HBA_HANDLE handle, HBA_WWN portWwn, HBA_UINT64 fcLun, HBA_UINT8 evpd,
                               HBA_UINT32 pageCode, void* response, HBA_UINT32 responseSize, void* sense,
                               HBA_UINT32 senseSize) {
  return forward(handle, &HBA_ENTRYPOINTS::ScsiInquiryHandler, portWwn, fcLun, evpd, pageCode, response,
                 responseSize, sense, senseSize);
}

HBA_STATUS HBA_SendReportLUNs(HBA_HANDLE handle, HBA_WWN portWwn, void* response, HBA_UINT32 responseSize,
                              void* sense, HBA_UINT32 senseSize) {
  return forward(handle, &HBA_ENTRYPOINTS::ReportLUNsHandler, portWwn, response, responseSize, sense,
                 senseSize);
}

HBA_STATUS HBA_SendReadCapacity(HBA_HANDLE handle, HBA_WWN portWwn, HBA_UINT64 fcLun, void* response,
                                HBA_UINT32 responseSize, void* sense, HBA_UINT32 senseSize) {
  return forward(handle, &HBA_ENTRYPOINTS::ReadCapacityHandler, portWwn, fcLun, response, responseSize, sense,
                 senseSize);
}

void* libraryOfAdapter(HBA_UINT32 index, char (&path)[256]) {
  if (index >= adapterCount) {
    std::memset(path, 0, sizeof path);
    return nullptr;
  }
  const HbaLibrarySlot& slot = libraries[adapters[index].libraryIndex];
  std::memcpy(path, slot.path, sizeof path);
  return slot.handle;
}

const HbaLibrarySlot& hbaLibrarySlot(HBA_UINT32 index) { return libraries[index % kHbaLibrarySlots]; }

const HbaAdapterSlot& hbaAdapterSlot(HBA_UINT32 index) { return adapters[index % kHbaAdapterSlots]; }
