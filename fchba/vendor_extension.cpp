// Binding the VLXFC_ extension, shared or direct, and reading an adapter's PCI location through it.
#include "fchba/vendor_extension.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>

#include "fchba/adapter_record.h"
#include "fchba/dl_symbol.h"
#include "fchba/hba_dispatch.h"
#include "fchba/wwn_text.h"
#include "support/system_root.h"

namespace {

const VendorLibrary kQLogic = {
    "libqlsdm",
    {"/usr/lib/libqlsdm.so", "/usr/lib64/libqlsdm-x86_64.so", "/lib/cim/libqlsdm.so"},
    "unable to load qlsdm"};
const VendorLibrary kEmulex = {"libemsdm",
                               {"/usr/lib/libemsdm.so", "/usr/lib64/libemsdm.so", "/lib/cim/libemsdm.so"},
                               "unable to load emsdm"};
const VendorLibrary kBrocade = {"bfahbaapi",
                                {"/usr/lib/bfahbaapi.so", "/usr/lib64/bfahbaapi.so", "/lib/cim/bfahbaapi.so"},
                                "unable to load bfahbaapi"};

// A vendor library reports a handful of adapters; a count beyond this is
// garbage and must not keep the walk going for billions of calls.
constexpr int kMaxDirectAdapters = 256;

const char* const kDirectEntryPoints[] = {
    "VLXFC_LoadLibrary",           "VLXFC_GetNumberOfAdapters", "VLXFC_GetAdapterName", "VLXFC_OpenAdapter",
    "VLXFC_GetAdapterAttributes2", "VLXFC_CloseAdapter",        "VLXFC_FreeLibrary"};

struct DirectLibrary {
  VLXFCLoadLibraryFunc loadLibrary;
  VLXFCGetNumberOfAdaptersFunc getNumberOfAdapters;
  VLXFCGetAdapterNameFunc getAdapterName;
  VLXFCOpenAdapterFunc openAdapter;
  VLXFCGetAdapterAttributes2Func getAdapterAttributes2;
  VLXFCCloseAdapterFunc closeAdapter;
  VLXFCFreeLibraryFunc freeLibrary;
};

void setText(StatusText& text, const char* value) { copyField(text, value); }

void takeLocation(FcHbaAdapter& adapter, const ExtendedAdapterAttributes& record) {
  adapter.setPciLocation(record.subsystemWord, record.pciBus, record.pciFunction, record.pciDomain);
}

void* openVendorLibrary(const VendorLibrary& vendor) {
  for (const char* path : vendor.paths) {
    void* handle = dlopen(hostPath(path).c_str(), RTLD_LAZY);
    if (handle != nullptr) return handle;
  }
  return nullptr;
}

bool resolveDirect(void* handle, DirectLibrary& library, StatusText& text) {
  void* found[sizeof kDirectEntryPoints / sizeof kDirectEntryPoints[0]];
  for (std::size_t i = 0; i < sizeof found / sizeof found[0]; ++i) {
    found[i] = dlsym(handle, kDirectEntryPoints[i]);
    if (found[i] == nullptr) {
      (void)std::snprintf(text, sizeof text, "unable to dlsym for %s", kDirectEntryPoints[i]);
      return false;
    }
  }
  library.loadLibrary = reinterpret_cast<VLXFCLoadLibraryFunc>(found[0]);
  library.getNumberOfAdapters = reinterpret_cast<VLXFCGetNumberOfAdaptersFunc>(found[1]);
  library.getAdapterName = reinterpret_cast<VLXFCGetAdapterNameFunc>(found[2]);
  library.openAdapter = reinterpret_cast<VLXFCOpenAdapterFunc>(found[3]);
  library.getAdapterAttributes2 = reinterpret_cast<VLXFCGetAdapterAttributes2Func>(found[4]);
  library.closeAdapter = reinterpret_cast<VLXFCCloseAdapterFunc>(found[5]);
  library.freeLibrary = reinterpret_cast<VLXFCFreeLibraryFunc>(found[6]);
  return true;
}

// Walks the vendor's own adapter list with the library loaded; the caller
// frees and closes the library whatever this returns.
int findByNodeWwn(FcHbaAdapter& adapter, const DirectLibrary& library, char (&name)[1024], StatusText& text) {
  const int count = static_cast<int>(library.getNumberOfAdapters());
  for (int index = 0; index < count && index < kMaxDirectAdapters; ++index) {
    std::memset(name, 0, sizeof name);
    if (library.getAdapterName(static_cast<HBA_UINT32>(index), name) != HBA_STATUS_OK) {
      setText(text, "fail to get adapter number");
      return -5;
    }
    name[sizeof name - 1] = '\0';
    const HBA_HANDLE handle = library.openAdapter(name);
    if (handle == 0) {
      setText(text, "fail to open adapter");
      return -4;
    }
    ExtendedAdapterAttributes record{};
    const HBA_STATUS status = library.getAdapterAttributes2(handle, &record);
    if (status != HBA_STATUS_OK) {
      library.closeAdapter(handle);
      (void)std::snprintf(text, sizeof text,
                          "fail to read adapter attribs, adapterHandle 0x%x, retStatus 0x%x", handle, status);
      return -3;
    }
    const bool match = sameWwn(record.attributes.NodeWWN, adapter.nodeWwn());
    if (match) takeLocation(adapter, record);
    library.closeAdapter(handle);
    if (match) return 0;
  }
  setText(text, "could not find WWNN match");
  return -6;
}

}  // namespace

const VendorLibrary& vendorOf(const char* adapterName) {
  if (std::strstr(adapterName, "qlogic") != nullptr) return kQLogic;
  if (std::strstr(adapterName, "Emulex") != nullptr) return kEmulex;
  return kBrocade;
}

PciLocation resolvePciLocation(FcHbaAdapter& adapter) {
  char name[1024];
  copyField(name, adapter.name().c_str());
  char path[256];
  void* libraryHandle = libraryOfAdapter(adapter.index(), path);
  StatusText text = {};
  bool failed = false;
  VLXFCGetAdapterAttributes2Func read = nullptr;
  if (bindSharedExtension(name, path, libraryHandle, text, failed, read)) {
    if (failed) return {false, text};
    const HBA_HANDLE handle = HBA_OpenAdapter(name);
    if (handle == 0) return {false, "fail to open adapter"};
    // The read replaces this text only when it takes the location or fails.
    setText(text, "could not find WWNN match");
    const bool located = readAttributes2Shared(adapter, handle, read, text) == 0 &&
                         std::strcmp(text, "could not find WWNN match") != 0;
    HBA_CloseAdapter(handle);
    return {located, text};
  }
  // The vendor library may be the very file an HBA API slot holds open, so
  // the whole set is unloaded around the direct load.
  HBA_FreeLibrary();
  const bool located = readAttributes2Direct(adapter, name, text) == 0;
  HBA_LoadLibrary();
  return {located, text};
}

bool bindSharedExtension(const char* adapterName, const char* libraryPath, void* libraryHandle,
                         StatusText& text, bool& failed, VLXFCGetAdapterAttributes2Func& read) {
  if (std::strstr(libraryPath, vendorOf(adapterName).pattern) == nullptr) return false;
  if (libraryHandle == nullptr) {
    setText(text, "libHandle is NULL; cannot dlsym");
    failed = true;
    return true;
  }
  read = dlSymbol<VLXFCGetAdapterAttributes2Func>(libraryHandle, "VLXFC_GetAdapterAttributes2");
  failed = read == nullptr;
  setText(text, failed ? "unable to dlsym for VLXFC_GetAdapterAttributes2"
                       : "dlsym for VLXFC_GetAdapterAttributes2 success!");
  return true;
}

int readAttributes2Shared(FcHbaAdapter& adapter, HBA_HANDLE handle, VLXFCGetAdapterAttributes2Func read,
                          StatusText& text) {
  // The dispatcher keeps its library slot in the high bits of the handle.
  const HBA_HANDLE vendorHandle = handle & 0xFFFF;
  if (read == nullptr) {
    setText(text, "unable to dlsym for VLXFC_GetAdapterAttributes2");
    return -3;
  }
  ExtendedAdapterAttributes record{};
  const HBA_STATUS status = read(vendorHandle, &record);
  if (status != HBA_STATUS_OK) {
    (void)std::snprintf(text, sizeof text,
                        "fail to read adapter attribs: handle used is 0x%x: retStatus is 0x%x", vendorHandle,
                        status);
    return -3;
  }
  if (!sameWwn(record.attributes.NodeWWN, adapter.nodeWwn())) return 0;
  takeLocation(adapter, record);
  (void)std::snprintf(text, sizeof text, "read adapter attribs Success! handle used is 0x%x", vendorHandle);
  return 0;
}

int readAttributes2Direct(FcHbaAdapter& adapter, char (&name)[1024], StatusText& text) {
  setText(text, "pass");
  const VendorLibrary& vendor = vendorOf(adapter.name().c_str());
  void* handle = openVendorLibrary(vendor);
  if (handle == nullptr) {
    setText(text, vendor.loadFailureText);
    return -1;
  }
  DirectLibrary library{};
  if (!resolveDirect(handle, library, text)) {
    dlclose(handle);
    return -2;
  }
  if (library.loadLibrary() != HBA_STATUS_OK) {
    dlclose(handle);
    setText(text, "fail to load library");
    return -7;
  }
  const int result = findByNodeWwn(adapter, library, name, text);
  library.freeLibrary();
  dlclose(handle);
  return result;
}
