// Binding to the vendor management libraries' VLXFC_ extension, which gives
// each adapter the PCI location and subsystem word the HBA API lacks.
#pragma once

#include <string>

#include "fchba/fc_adapter.h"
#include "fchba/hbaapi_types.h"

using StatusText = char[256];

struct VendorLibrary {
  const char* pattern;   // in the path of the vendor's HBA API library (shared route)
  const char* paths[3];  // tried in order below the system root (direct route)
  const char* loadFailureText;
};

// Chosen from the adapter's HBA API name: "qlogic" first, then "Emulex",
// otherwise Brocade (case-sensitive substring tests).
const VendorLibrary& vendorOf(const char* adapterName);

// How the step ended for one adapter: whether the four PCI fields were taken
// from the extension, and the route's status text as it ended (why not,
// when they were not).
struct PciLocation {
  bool located = false;
  std::string statusText;
};

// The whole step for one adapter; only the adapter's four PCI fields change,
// and only when a record with the adapter's node WWN was read.
PciLocation resolvePciLocation(FcHbaAdapter& adapter);

// True when the library behind the adapter is the vendor's own (the shared
// route); failed is then set when its extension cannot be bound, and read is
// the extension's attributes entry point otherwise.
bool bindSharedExtension(const char* adapterName, const char* libraryPath, void* libraryHandle,
                         StatusText& text, bool& failed, VLXFCGetAdapterAttributes2Func& read);

// Reads through the already loaded library with the HBA API handle; 0 or -3.
int readAttributes2Shared(FcHbaAdapter& adapter, HBA_HANDLE handle, VLXFCGetAdapterAttributes2Func read,
                          StatusText& text);

// Loads the vendor's library on its own and walks its adapters for the node
// WWN; 0, or -1 to -7 with the matching status text. Leaves nothing loaded.
int readAttributes2Direct(FcHbaAdapter& adapter, char (&name)[1024], StatusText& text);
