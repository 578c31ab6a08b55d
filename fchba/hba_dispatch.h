// The system's own HBA API dispatcher: loads every library listed in
// /etc/hba.conf, numbers their adapters in one table and forwards each
// adapter operation to the library that reported the adapter.
#pragma once

#include <cstddef>

#include "fchba/hbaapi_types.h"

constexpr HBA_UINT32 kHbaLibrarySlots = 32;
constexpr HBA_UINT32 kHbaAdapterSlots = 256;

enum HbaSlotStatus : HBA_INT32 { kSlotUnset = 0, kSlotLoaded = 1, kSlotNotLoaded = 2 };

struct HbaLibrarySlot {
  char name[64];
  char path[256];
  void* handle;  // null once the library is closed again
  HBA_ENTRYPOINTS entryPoints;
  HBA_INT32 status;
  // Why the last load did not take the library into use (dlerror's text
  // kept at the moment of failure, or which registration step refused it);
  // empty when it is loaded.
  char error[256];
  // The count the library reported at the last count of adapters.
  HBA_UINT32 reportedAdapters;
};

struct HbaAdapterSlot {
  char name[64];
  HBA_UINT32 libraryIndex;
};

// 0, or 1 when the configuration file cannot be opened. Whatever an earlier
// load left loaded is unloaded first.
HBA_STATUS HBA_LoadLibrary();
HBA_STATUS HBA_FreeLibrary();
// How many slots the last load filled, one per configuration line naming a
// library.
HBA_UINT32 hbaLibraryCount();
// Rebuilds the adapter table from the loaded libraries; returns its size.
HBA_UINT32 HBA_GetNumberOfAdapters();
// Copies the name, cut to size - 1 bytes; 6 when index is not below the count.
HBA_STATUS HBA_GetAdapterName(HBA_UINT32 index, char* name, std::size_t size);
template <std::size_t N>
HBA_STATUS HBA_GetAdapterName(HBA_UINT32 index, char (&name)[N]) {
  return HBA_GetAdapterName(index, name, N);
}
// The library's handle in the low 16 bits, its slot in the high 16; 0 on failure.
HBA_HANDLE HBA_OpenAdapter(const char* name);
// Part of the published interface; the run does not call it.
HBA_UINT32 HBA_GetVersion();

void HBA_CloseAdapter(HBA_HANDLE handle);
HBA_STATUS HBA_GetAdapterAttributes(HBA_HANDLE handle, HBA_ADAPTERATTRIBUTES* attributes);
HBA_STATUS HBA_GetAdapterPortAttributes(HBA_HANDLE handle, HBA_UINT32 portIndex,
                                        HBA_PORTATTRIBUTES* attributes);
HBA_STATUS HBA_GetPortStatistics(HBA_HANDLE handle, HBA_UINT32 portIndex, HBA_PORTSTATISTICS* statistics);
// The rest of the version 1 entry points, forwarded the same way so that the
// dispatcher offers the whole published interface; the run uses none of them.
HBA_STATUS HBA_GetDiscoveredPortAttributes(HBA_HANDLE handle, HBA_UINT32 portIndex,
                                           HBA_UINT32 discoveredPortIndex, HBA_PORTATTRIBUTES* attributes);
HBA_STATUS HBA_GetPortAttributesByWWN(HBA_HANDLE handle, HBA_WWN portWwn, HBA_PORTATTRIBUTES* attributes);
HBA_STATUS HBA_SendCTPassThru(HBA_HANDLE handle, void* request, HBA_UINT32 requestSize, void* response,
                              HBA_UINT32 responseSize);
void HBA_RefreshInformation(HBA_HANDLE handle);
void HBA_ResetStatistics(HBA_HANDLE handle, HBA_UINT32 portIndex);
HBA_STATUS HBA_GetFcpTargetMapping(HBA_HANDLE handle, void* mapping);
HBA_STATUS HBA_GetFcpPersistentBinding(HBA_HANDLE handle, void* binding);
HBA_STATUS HBA_GetEventBuffer(HBA_HANDLE handle, void* events, HBA_UINT32* count);
HBA_STATUS HBA_SetRNIDMgmtInfo(HBA_HANDLE handle, HBA_MGMTINFO info);
HBA_STATUS HBA_GetRNIDMgmtInfo(HBA_HANDLE handle, void* info);
HBA_STATUS HBA_SendRNID(HBA_HANDLE handle, HBA_WWN wwn, HBA_UINT32 wwnType, void* response,
                        HBA_UINT32* responseSize);
HBA_STATUS HBA_SendScsiInquiry(HBA_HANDLE handle, HBA_WWN portWwn, HBA_UINT64 fcLun, HBA_UINT8 evpd,
                               HBA_UINT32 pageCode, void* response, HBA_UINT32 responseSize, void* sense,
                               HBA_UINT32 senseSize);
HBA_STATUS HBA_SendReportLUNs(HBA_HANDLE handle, HBA_WWN portWwn, void* response, HBA_UINT32 responseSize,
                              void* sense, HBA_UINT32 senseSize);
HBA_STATUS HBA_SendReadCapacity(HBA_HANDLE handle, HBA_WWN portWwn, HBA_UINT64 fcLun, void* response,
                                HBA_UINT32 responseSize, void* sense, HBA_UINT32 senseSize);

// The load handle of the library that reported adapter index, with its path
// copied into path (all 256 bytes). An index not below the count gives null
// and an empty path.
void* libraryOfAdapter(HBA_UINT32 index, char (&path)[256]);

// Read-only views of the tables: what the discovery hands up about each
// library and adapter is read from them.
const HbaLibrarySlot& hbaLibrarySlot(HBA_UINT32 index);
const HbaAdapterSlot& hbaAdapterSlot(HBA_UINT32 index);
