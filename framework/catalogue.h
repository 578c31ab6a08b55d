// The reference catalogue: the adapters this package supports and the
// versions it carries, read from reference.xml in the working directory.
#pragma once

#include <cstddef>
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

// What loading found, for the record of the run; nothing of it is printed.
struct CatalogueFacts {
  bool loaded = false;
  std::size_t entries = 0;  // device entries read
  unsigned long long bytes = 0;
  long long mtime = 0;  // seconds since the epoch; 0 when the file was not found
  // Empty when it loaded with entries; otherwise "missing", "cannot be
  // read: ...", "over the bound of 16 MB", "not well-formed: line N: ..."
  // (the XML parser's own message), or "no devices" (loaded, but nothing
  // can match it).
  std::string error;
};

// True when reference.xml exists and parses, whatever it contains.
bool loadReferenceCatalogue(ReferenceCatalogue& catalogue, CatalogueFacts& facts);

// The same walk over any file; loadReferenceCatalogue reads "reference.xml".
bool loadReferenceCatalogueFile(const char* fileName, ReferenceCatalogue& catalogue, CatalogueFacts& facts);
