// The listing of a ZIP archive read from its central directory, the way the
// kit check needs it: names, sizes and kinds, with no length field trusted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace EmulexComp {

struct ZipEntry {
  std::string name;        // as stored, never empty, no NUL byte
  std::uint32_t size = 0;  // uncompressed
  bool directory = false;  // the name ends with "/"
  bool symlink = false;    // made on Unix with a symlink's file type
};

// Where the central directory lies, as the end record says.
struct ZipDirectory {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  std::uint32_t entries = 0;
};

// The end record is in the last 22 bytes plus the longest comment.
constexpr std::size_t kZipTailBytes = 22 + 65535;
// A kit lists a few hundred names; these bound what a listing may cost.
constexpr std::uint64_t kMaxZipDirectoryBytes = std::uint64_t{8} * 1024 * 1024;
constexpr std::size_t kMaxZipNameBytes = 4095;

// Finds the end record in the archive's last bytes (`tail`, which ends where
// the archive of `archiveSize` bytes ends): the signature nearest the end, as
// unzip takes it, so that both read the same listing. False when its comment
// does not reach exactly to the end (a signature inside a comment, bytes
// after the record), for a ZIP64 or split archive, or a directory that does
// not lie before the end record.
bool findZipDirectory(const std::string& tail, std::uint64_t archiveSize, ZipDirectory& where);

// The entries of the central directory's bytes; false unless exactly
// `entries` well-formed records fill them (ZIP64 sizes, an empty name, a NUL
// in a name or a name over kMaxZipNameBytes make the listing unreadable).
bool readZipEntries(const std::string& directory, std::uint32_t entries, std::vector<ZipEntry>& listing);

// The whole listing of an archive in memory, or of the file at path (opened
// following links: the caller has judged the path); false when unreadable.
bool readZipListing(const std::string& archive, std::vector<ZipEntry>& listing);
bool readZipListingFile(const std::string& path, std::vector<ZipEntry>& listing);

}  // namespace EmulexComp
