// The HBA API version 1 types, records and entry-point table, declared with
// the exact binary layout the vendor libraries are compiled against.
#pragma once

#include <cstddef>

typedef unsigned char HBA_UINT8;
typedef unsigned short HBA_UINT16;
typedef unsigned int HBA_UINT32;
typedef int HBA_INT32;
typedef unsigned long long HBA_UINT64;
typedef long long HBA_INT64;
typedef HBA_UINT32 HBA_HANDLE;
typedef HBA_UINT32 HBA_STATUS;
typedef HBA_UINT32 HBA_PORTTYPE;
typedef HBA_UINT32 HBA_PORTSTATE;
typedef HBA_UINT32 HBA_PORTSPEED;
typedef HBA_UINT32 HBA_COS;

enum : HBA_STATUS {
  HBA_STATUS_OK = 0,
  HBA_STATUS_ERROR = 1,
  HBA_STATUS_ERROR_NOT_SUPPORTED = 2,
  HBA_STATUS_ERROR_INVALID_HANDLE = 3,
  HBA_STATUS_ERROR_ARG = 4,
  HBA_STATUS_ERROR_ILLEGAL_WWN = 5,
  HBA_STATUS_ERROR_ILLEGAL_INDEX = 6,
  HBA_STATUS_ERROR_MORE_DATA = 7,
  HBA_STATUS_ERROR_STALE_DATA = 8,
  HBA_STATUS_SCSI_CHECK_CONDITION = 9,
  HBA_STATUS_ERROR_BUSY = 10,
  HBA_STATUS_ERROR_TRY_AGAIN = 11,
  HBA_STATUS_ERROR_UNAVAILABLE = 12,
};

struct HBA_WWN {
  HBA_UINT8 wwn[8];
};

struct HBA_FC4TYPES {
  HBA_UINT8 bits[32];
};

struct HBA_ADAPTERATTRIBUTES {
  char Manufacturer[64];
  char SerialNumber[64];
  char Model[256];
  char ModelDescription[256];
  HBA_WWN NodeWWN;
  char NodeSymbolicName[256];
  char HardwareVersion[256];
  char DriverVersion[256];
  char OptionROMVersion[256];
  char FirmwareVersion[256];
  HBA_UINT32 VendorSpecificID;
  HBA_UINT32 NumberOfPorts;
  char DriverName[256];
};

struct HBA_PORTATTRIBUTES {
  HBA_WWN NodeWWN;
  HBA_WWN PortWWN;
  HBA_UINT32 PortFcId;
  HBA_PORTTYPE PortType;
  HBA_PORTSTATE PortState;
  HBA_COS PortSupportedClassofService;
  HBA_FC4TYPES PortSupportedFc4Types;
  HBA_FC4TYPES PortActiveFc4Types;
  char PortSymbolicName[256];
  char OSDeviceName[256];
  HBA_PORTSPEED PortSupportedSpeed;
  HBA_PORTSPEED PortSpeed;
  HBA_UINT32 PortMaxFrameSize;
  HBA_WWN FabricName;
  HBA_UINT32 NumberofDiscoveredPorts;
};

// A counter the library does not support reads -1.
struct HBA_PORTSTATISTICS {
  HBA_INT64 SecondsSinceLastReset;
  HBA_INT64 TxFrames;
  HBA_INT64 TxWords;
  HBA_INT64 RxFrames;
  HBA_INT64 RxWords;
  HBA_INT64 LIPCount;
  HBA_INT64 NOSCount;
  HBA_INT64 ErrorFrames;
  HBA_INT64 DumpedFrames;
  HBA_INT64 LinkFailureCount;
  HBA_INT64 LossOfSyncCount;
  HBA_INT64 LossOfSignalCount;
  HBA_INT64 PrimitiveSeqProtocolErrCount;
  HBA_INT64 InvalidTxWordCount;
  HBA_INT64 InvalidCRCCount;
};

// Passed by value to SetRNIDMgmtInfo, so its layout must be known here.
struct HBA_MGMTINFO {
  HBA_WWN wwn;
  HBA_UINT32 unittype;
  HBA_UINT32 PortId;
  HBA_UINT32 NumberOfAttachedNodes;
  HBA_UINT16 IPVersion;
  HBA_UINT16 UDPPort;
  HBA_UINT8 IPAddress[16];
  HBA_UINT16 reserved;
  HBA_UINT16 TopologyDiscoveryFlags;
};

// What VLXFC_GetAdapterAttributes2 fills: the standard attributes followed by
// the PCI location and subsystem word the standard record lacks.
struct ExtendedAdapterAttributes {
  HBA_ADAPTERATTRIBUTES attributes;
  HBA_UINT32 subsystemWord;  // low 16 bits subsystem vendor, high 16 bits subsystem device
  HBA_UINT8 pciBus;
  HBA_UINT8 pciFunction;
  HBA_UINT8 pciDomain;
  HBA_UINT8 reserved[9];
};

extern "C" {
typedef HBA_UINT32 (*HBAGetVersionFunc)();
typedef HBA_STATUS (*HBALoadLibraryFunc)();
typedef HBA_STATUS (*HBAFreeLibraryFunc)();
typedef HBA_UINT32 (*HBAGetNumberOfAdaptersFunc)();
typedef HBA_STATUS (*HBAGetAdapterNameFunc)(HBA_UINT32 index, char* name);
typedef HBA_HANDLE (*HBAOpenAdapterFunc)(char* name);
typedef void (*HBACloseAdapterFunc)(HBA_HANDLE handle);
typedef HBA_STATUS (*HBAGetAdapterAttributesFunc)(HBA_HANDLE handle, HBA_ADAPTERATTRIBUTES* attributes);
typedef HBA_STATUS (*HBAGetAdapterPortAttributesFunc)(HBA_HANDLE handle, HBA_UINT32 portIndex,
                                                      HBA_PORTATTRIBUTES* attributes);
typedef HBA_STATUS (*HBAGetPortStatisticsFunc)(HBA_HANDLE handle, HBA_UINT32 portIndex,
                                               HBA_PORTSTATISTICS* statistics);
typedef HBA_STATUS (*HBAGetDiscoveredPortAttributesFunc)(HBA_HANDLE handle, HBA_UINT32 portIndex,
                                                         HBA_UINT32 discoveredPortIndex,
                                                         HBA_PORTATTRIBUTES* attributes);
typedef HBA_STATUS (*HBAGetPortAttributesByWWNFunc)(HBA_HANDLE handle, HBA_WWN portWwn,
                                                    HBA_PORTATTRIBUTES* attributes);
typedef HBA_STATUS (*HBASendCTPassThruFunc)(HBA_HANDLE handle, void* request, HBA_UINT32 requestSize,
                                            void* response, HBA_UINT32 responseSize);
typedef void (*HBARefreshInformationFunc)(HBA_HANDLE handle);
typedef void (*HBAResetStatisticsFunc)(HBA_HANDLE handle, HBA_UINT32 portIndex);
typedef HBA_STATUS (*HBAGetFcpTargetMappingFunc)(HBA_HANDLE handle, void* mapping);
typedef HBA_STATUS (*HBAGetFcpPersistentBindingFunc)(HBA_HANDLE handle, void* binding);
typedef HBA_STATUS (*HBAGetEventBufferFunc)(HBA_HANDLE handle, void* events, HBA_UINT32* count);
typedef HBA_STATUS (*HBASetRNIDMgmtInfoFunc)(HBA_HANDLE handle, HBA_MGMTINFO info);
typedef HBA_STATUS (*HBAGetRNIDMgmtInfoFunc)(HBA_HANDLE handle, void* info);
typedef HBA_STATUS (*HBASendRNIDFunc)(HBA_HANDLE handle, HBA_WWN wwn, HBA_UINT32 wwnType, void* response,
                                      HBA_UINT32* responseSize);
typedef HBA_STATUS (*HBAScsiInquiryFunc)(HBA_HANDLE handle, HBA_WWN portWwn, HBA_UINT64 fcLun, HBA_UINT8 evpd,
                                         HBA_UINT32 pageCode, void* response, HBA_UINT32 responseSize,
                                         void* sense, HBA_UINT32 senseSize);
typedef HBA_STATUS (*HBAReportLUNsFunc)(HBA_HANDLE handle, HBA_WWN portWwn, void* response,
                                        HBA_UINT32 responseSize, void* sense, HBA_UINT32 senseSize);
typedef HBA_STATUS (*HBAReadCapacityFunc)(HBA_HANDLE handle, HBA_WWN portWwn, HBA_UINT64 fcLun,
                                          void* response, HBA_UINT32 responseSize, void* sense,
                                          HBA_UINT32 senseSize);
}

// Filled by a library's HBA_RegisterLibrary; a library may leave any entry null.
struct HBA_ENTRYPOINTS {
  HBAGetVersionFunc GetVersionHandler;
  HBALoadLibraryFunc LoadLibraryHandler;
  HBAFreeLibraryFunc FreeLibraryHandler;
  HBAGetNumberOfAdaptersFunc GetNumberOfAdaptersHandler;
  HBAGetAdapterNameFunc GetAdapterNameHandler;
  HBAOpenAdapterFunc OpenAdapterHandler;
  HBACloseAdapterFunc CloseAdapterHandler;
  HBAGetAdapterAttributesFunc GetAdapterAttributesHandler;
  HBAGetAdapterPortAttributesFunc GetAdapterPortAttributesHandler;
  HBAGetPortStatisticsFunc GetPortStatisticsHandler;
  HBAGetDiscoveredPortAttributesFunc GetDiscoveredPortAttributesHandler;
  HBAGetPortAttributesByWWNFunc GetPortAttributesByWWNHandler;
  HBASendCTPassThruFunc SendCTPassThruHandler;
  HBARefreshInformationFunc RefreshInformationHandler;
  HBAResetStatisticsFunc ResetStatisticsHandler;
  HBAGetFcpTargetMappingFunc GetFcpTargetMappingHandler;
  HBAGetFcpPersistentBindingFunc GetFcpPersistentBindingHandler;
  HBAGetEventBufferFunc GetEventBufferHandler;
  HBASetRNIDMgmtInfoFunc SetRNIDMgmtInfoHandler;
  HBAGetRNIDMgmtInfoFunc GetRNIDMgmtInfoHandler;
  HBASendRNIDFunc SendRNIDHandler;
  HBAScsiInquiryFunc ScsiInquiryHandler;
  HBAReportLUNsFunc ReportLUNsHandler;
  HBAReadCapacityFunc ReadCapacityHandler;
};

extern "C" {
typedef HBA_STATUS (*HBARegisterLibraryFunc)(HBA_ENTRYPOINTS* table);
typedef HBA_STATUS (*VLXFCLoadLibraryFunc)();
typedef HBA_UINT32 (*VLXFCGetNumberOfAdaptersFunc)();
typedef HBA_STATUS (*VLXFCGetAdapterNameFunc)(HBA_UINT32 index, char* name);
typedef HBA_HANDLE (*VLXFCOpenAdapterFunc)(char* name);
typedef HBA_STATUS (*VLXFCGetAdapterAttributes2Func)(HBA_HANDLE handle, void* record);
typedef void (*VLXFCCloseAdapterFunc)(HBA_HANDLE handle);
typedef HBA_STATUS (*VLXFCFreeLibraryFunc)();
}

// One byte off here corrupts every record that crosses a library boundary.
static_assert(sizeof(HBA_WWN) == 8 && alignof(HBA_WWN) == 1, "HBA_WWN layout");
static_assert(sizeof(HBA_FC4TYPES) == 32, "HBA_FC4TYPES layout");
static_assert(sizeof(HBA_ADAPTERATTRIBUTES) == 2192, "HBA_ADAPTERATTRIBUTES layout");
static_assert(offsetof(HBA_ADAPTERATTRIBUTES, NodeWWN) == 640, "HBA_ADAPTERATTRIBUTES layout");
static_assert(offsetof(HBA_ADAPTERATTRIBUTES, NodeSymbolicName) == 648, "HBA_ADAPTERATTRIBUTES layout");
static_assert(offsetof(HBA_ADAPTERATTRIBUTES, VendorSpecificID) == 1928, "HBA_ADAPTERATTRIBUTES layout");
static_assert(offsetof(HBA_ADAPTERATTRIBUTES, DriverName) == 1936, "HBA_ADAPTERATTRIBUTES layout");
static_assert(sizeof(HBA_PORTATTRIBUTES) == 632, "HBA_PORTATTRIBUTES layout");
static_assert(offsetof(HBA_PORTATTRIBUTES, PortSymbolicName) == 96, "HBA_PORTATTRIBUTES layout");
static_assert(offsetof(HBA_PORTATTRIBUTES, PortSupportedSpeed) == 608, "HBA_PORTATTRIBUTES layout");
static_assert(offsetof(HBA_PORTATTRIBUTES, FabricName) == 620, "HBA_PORTATTRIBUTES layout");
static_assert(offsetof(HBA_PORTATTRIBUTES, NumberofDiscoveredPorts) == 628, "HBA_PORTATTRIBUTES layout");
static_assert(sizeof(HBA_PORTSTATISTICS) == 120, "HBA_PORTSTATISTICS layout");
static_assert(sizeof(HBA_MGMTINFO) == 44, "HBA_MGMTINFO layout");
static_assert(offsetof(HBA_MGMTINFO, IPAddress) == 24, "HBA_MGMTINFO layout");
static_assert(offsetof(HBA_MGMTINFO, TopologyDiscoveryFlags) == 42, "HBA_MGMTINFO layout");
static_assert(sizeof(ExtendedAdapterAttributes) == 2208, "extended attributes layout");
static_assert(offsetof(ExtendedAdapterAttributes, subsystemWord) == 2192, "extended attributes layout");
static_assert(offsetof(ExtendedAdapterAttributes, pciBus) == 2196, "extended attributes layout");
static_assert(offsetof(ExtendedAdapterAttributes, pciFunction) == 2197, "extended attributes layout");
static_assert(offsetof(ExtendedAdapterAttributes, pciDomain) == 2198, "extended attributes layout");
static_assert(sizeof(HBA_ENTRYPOINTS) == 24 * sizeof(void*), "HBA_ENTRYPOINTS has 24 entries");
