// Arbitrary bytes as reference.xml: the loader must never crash, fetch or
// expand anything, whatever the file holds.
#include <libxml/parser.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "framework/catalogue.h"

namespace {

void ignoreXmlMessage(void*, const char*, ...) {}

std::string scratchFile() { return "/tmp/fcupdate-fuzz-catalogue-" + std::to_string(getpid()) + ".xml"; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  xmlSetGenericErrorFunc(nullptr, ignoreXmlMessage);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = scratchFile();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  (void)std::fwrite(data, 1, size, file);
  (void)std::fclose(file);
  ReferenceCatalogue catalogue;
  CatalogueFacts facts;
  (void)loadReferenceCatalogueFile(path.c_str(), catalogue, facts);
  xmlSetGenericErrorFunc(nullptr, ignoreXmlMessage);
  return 0;
}
