// The kit archive's listing held against the working directory: names the
// kit may not carry, and whether the unpacked folder holds what it lists.
#pragma once

#include <string>
#include <vector>

#include "components/emulex/zip_listing.h"

namespace EmulexComp {

// Why the listing alone refuses the kit, before anything is unpacked: a
// symlink (a later entry could be written through it), or a name that
// starts with "/" or has a ".." component (it would land outside the
// working directory; "\" counts as a separator, as unzip may read it so).
// Empty when neither.
std::string listingRefusal(const std::vector<ZipEntry>& listing);

// Why the working directory does not hold what the listing names: every
// regular entry a regular file of its listed size, every folder a folder,
// each reached through folders only, never through a link. Empty when it
// holds all of it.
std::string unpackedMismatch(const std::vector<ZipEntry>& listing);

// The first name of every entry ("elxflashStandalone-1.0"), once each, in
// listing order: what the kit adds to the working directory.
std::vector<std::string> listingTops(const std::vector<ZipEntry>& listing);

}  // namespace EmulexComp
