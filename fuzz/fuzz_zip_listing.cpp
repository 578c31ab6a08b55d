// Arbitrary bytes as the Emulex kit archive: its listing is read or refused,
// never read past the bytes, and what is read has the form the reader
// promises; the names then go through the kit's own name checks.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "components/emulex/kit_listing.h"
#include "components/emulex/zip_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string archive(reinterpret_cast<const char*>(data), size);
  std::vector<EmulexComp::ZipEntry> listing;
  if (!EmulexComp::readZipListing(archive, listing)) return 0;
  if (listing.size() > 0xffff) std::abort();
  std::size_t nameBytes = 0;
  for (const EmulexComp::ZipEntry& entry : listing) {
    if (entry.name.empty() || entry.name.size() > EmulexComp::kMaxZipNameBytes) std::abort();
    if (entry.name.find('\0') != std::string::npos) std::abort();
    if (entry.directory != (entry.name.back() == '/')) std::abort();
    nameBytes += entry.name.size();
  }
  // Every name was read from the archive's own bytes.
  if (nameBytes > size) std::abort();
  const std::string refusal = EmulexComp::listingRefusal(listing);
  if (refusal.find('\n') != std::string::npos || refusal.size() > 300) std::abort();
  if (EmulexComp::listingTops(listing).size() > listing.size()) std::abort();
  return 0;
}
