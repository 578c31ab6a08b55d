// Reading a ZIP central directory: the end record, then one record per entry.
#include "components/emulex/zip_listing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace EmulexComp {

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kEntrySignature = 0x02014b50;
constexpr std::size_t kEndRecordBytes = 22;
constexpr std::size_t kZip64LocatorBytes = 20;
constexpr std::size_t kEntryRecordBytes = 46;
constexpr unsigned kMadeOnUnix = 3;
constexpr std::uint32_t kFileTypeBits = 0170000;
constexpr std::uint32_t kSymlinkType = 0120000;

// Little-endian fields; callers have checked that the bytes are there.
std::uint32_t u16(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

std::uint32_t u32(const std::string& bytes, std::size_t at) {
  return u16(bytes, at) | u16(bytes, at + 2) << 16;
}

// The end record at `at`, if the archive's layout bears it out: its comment
// reaches exactly to the end, and the directory lies before it.
bool endRecordAt(const std::string& tail, std::size_t at, std::uint64_t archiveSize, ZipDirectory& where) {
  if (at + kEndRecordBytes + u16(tail, at + 20) != tail.size()) return false;
  const std::uint32_t disk = u16(tail, at + 4), directoryDisk = u16(tail, at + 6);
  const std::uint32_t onThisDisk = u16(tail, at + 8), entries = u16(tail, at + 10);
  const std::uint32_t size = u32(tail, at + 12), offset = u32(tail, at + 16);
  const bool zip64 =
      entries == 0xffff || size == 0xffffffff || offset == 0xffffffff ||
      (at >= kZip64LocatorBytes && u32(tail, at - kZip64LocatorBytes) == kZip64LocatorSignature);
  if (zip64 || disk != 0 || directoryDisk != 0 || onThisDisk != entries) return false;
  const std::uint64_t endOffset = archiveSize - tail.size() + at;
  if (std::uint64_t{offset} + size > endOffset) return false;
  where = {offset, size, entries};
  return true;
}

// One central directory record at `at`; its length, or 0 when malformed.
std::size_t entryAt(const std::string& directory, std::size_t at, ZipEntry& entry) {
  if (directory.size() - at < kEntryRecordBytes || u32(directory, at) != kEntrySignature) return 0;
  const std::uint32_t madeBy = u16(directory, at + 4);
  const std::uint32_t packedSize = u32(directory, at + 20), size = u32(directory, at + 24);
  const std::size_t nameBytes = u16(directory, at + 28);
  const std::size_t record =
      kEntryRecordBytes + nameBytes + u16(directory, at + 30) + u16(directory, at + 32);
  const std::uint32_t firstDisk = u16(directory, at + 34), attributes = u32(directory, at + 38);
  const std::uint32_t localOffset = u32(directory, at + 42);
  if (packedSize == 0xffffffff || size == 0xffffffff || localOffset == 0xffffffff || firstDisk == 0xffff)
    return 0;
  if (directory.size() - at < record || nameBytes == 0 || nameBytes > kMaxZipNameBytes) return 0;
  entry.name = directory.substr(at + kEntryRecordBytes, nameBytes);
  if (entry.name.find('\0') != std::string::npos) return 0;
  entry.size = size;
  entry.directory = entry.name.back() == '/';
  entry.symlink = (madeBy >> 8) == kMadeOnUnix && ((attributes >> 16) & kFileTypeBits) == kSymlinkType;
  return record;
}

// Reads exactly `length` bytes at `offset` of the open file.
bool readAt(int fd, std::uint64_t offset, std::size_t length, std::string& bytes) {
  bytes.assign(length, '\0');
  if (::lseek(fd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(-1)) return false;
  std::size_t done = 0;
  while (done < length) {
    const ssize_t n = ::read(fd, &bytes[done], length - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The listing of an archive of `size` bytes, whose bytes `read` fetches.
template <class Read>
bool readListing(std::uint64_t size, Read read, std::vector<ZipEntry>& listing) {
  const std::size_t tailBytes = size < kZipTailBytes ? static_cast<std::size_t>(size) : kZipTailBytes;
  std::string tail;
  std::string directory;
  ZipDirectory where;
  return read(size - tailBytes, tailBytes, tail) && findZipDirectory(tail, size, where) &&
         where.size <= kMaxZipDirectoryBytes &&
         read(where.offset, static_cast<std::size_t>(where.size), directory) &&
         readZipEntries(directory, where.entries, listing);
}

}  // namespace

bool findZipDirectory(const std::string& tail, std::uint64_t archiveSize, ZipDirectory& where) {
  if (tail.size() < kEndRecordBytes || tail.size() > archiveSize) return false;
  // The signature nearest the end is the end record, as unzip takes it.
  for (std::size_t at = tail.size() - kEndRecordBytes + 1; at-- > 0;) {
    if (u32(tail, at) == kEndSignature) return endRecordAt(tail, at, archiveSize, where);
  }
  return false;
}

bool readZipEntries(const std::string& directory, std::uint32_t entries, std::vector<ZipEntry>& listing) {
  listing.clear();
  std::size_t at = 0;
  for (std::uint32_t i = 0; i < entries; ++i) {
    ZipEntry entry;
    const std::size_t record = entryAt(directory, at, entry);
    if (record == 0) return false;
    listing.push_back(entry);
    at += record;
  }
  return at == directory.size();
}

bool readZipListing(const std::string& archive, std::vector<ZipEntry>& listing) {
  const auto read = [&archive](std::uint64_t offset, std::size_t length, std::string& bytes) {
    if (offset > archive.size() || archive.size() - offset < length) return false;
    bytes = archive.substr(static_cast<std::size_t>(offset), length);
    return true;
  };
  return readListing(archive.size(), read, listing);
}

bool readZipListingFile(const std::string& path, std::vector<ZipEntry>& listing) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat info;
  bool read = false;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    const auto readFile = [fd](std::uint64_t offset, std::size_t length, std::string& bytes) {
      return readAt(fd, offset, length, bytes);
    };
    read = readListing(static_cast<std::uint64_t>(info.st_size), readFile, listing);
  }
  (void)::close(fd);
  return read;
}

}  // namespace EmulexComp
