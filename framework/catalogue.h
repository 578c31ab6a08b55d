// The reference catalogue: the adapters this package supports and the
// versions it carries, read from reference.xml in the working directory.
#pragma once

#include <string>
#include <vector>

struct ReferenceDevice {
  std::wstring type;
  std::wstring device_id;
  std::wstring model;
  std::wstring firmware;
  std::wstring bios;
  std::wstring boot;
  std::wstring duration;
  int biosFlag = 2;  // 0 once the entry has a bios element with an empty value
};

struct ReferenceCatalogue {
  std::wstring discoveryAppPath;
  std::wstring installerAppPath;
  std::vector<ReferenceDevice> devices;
};

// True when reference.xml exists and parses, whatever it contains.
bool loadReferenceCatalogue(ReferenceCatalogue& catalogue);

// The same walk over any file; loadReferenceCatalogue reads "reference.xml".
bool loadReferenceCatalogueFile(const char* fileName, ReferenceCatalogue& catalogue);
