// SHA-256 of our own, for the digests that identify a package in the run
// history: streamed, and over a file read through one safe descriptor.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
 public:
  Sha256();
  void update(const void* data, std::size_t size);
  void update(const std::string& bytes) { update(bytes.data(), bytes.size()); }
  // The digest of everything given so far; the object then starts afresh.
  std::array<std::uint8_t, 32> final();
  // final() as 64 lower-case hexadecimal digits.
  std::string finalHex();

 private:
  void compress(const std::uint8_t* block);
  void reset();

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> block_;
  std::size_t filled_ = 0;
  std::uint64_t length_ = 0;  // bytes given so far
};

std::string sha256Hex(const std::string& bytes);

// The digest of a file, or no digest (hex empty) and why not.
struct FileDigest {
  std::string hex;
  std::string reason;  // "missing", "a symbolic link", "not a regular file", ...
};

// Hashes the regular file at path through a descriptor opened without
// following a link at its last step and without blocking (a FIFO or a device
// is refused before it is read). A file of more than maxBytes, at the open or
// while it is read, gives no digest.
FileDigest sha256OfFile(const std::string& path, std::uint64_t maxBytes);
