// SHA-256 (FIPS 180-4) over 64-byte blocks, and a file's digest.
#include "support/sha256.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr std::uint32_t kRounds[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::uint32_t kInitial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

std::uint32_t rotateRight(std::uint32_t value, unsigned bits) {
  return (value >> bits) | (value << (32 - bits));
}

std::uint32_t bigEndian32(const std::uint8_t* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
         std::uint32_t{bytes[3]};
}

std::string hexOf(const std::uint8_t* bytes, std::size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    hex += kDigits[bytes[i] >> 4];
    hex += kDigits[bytes[i] & 0xf];
  }
  return hex;
}

}  // namespace

Sha256::Sha256() { reset(); }

void Sha256::reset() {
  std::memcpy(state_.data(), kInitial, sizeof kInitial);
  filled_ = 0;
  length_ = 0;
}

void Sha256::compress(const std::uint8_t* block) {
  std::uint32_t w[64];
  for (std::size_t i = 0; i < 16; ++i) w[i] = bigEndian32(block + 4 * i);
  for (int i = 16; i < 64; ++i) {
    const std::uint32_t s0 = rotateRight(w[i - 15], 7) ^ rotateRight(w[i - 15], 18) ^ (w[i - 15] >> 3);
    const std::uint32_t s1 = rotateRight(w[i - 2], 17) ^ rotateRight(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  std::uint32_t e = state_[4], f = state_[5], g = state_[6], h = state_[7];
  for (int i = 0; i < 64; ++i) {
    const std::uint32_t s1 = rotateRight(e, 6) ^ rotateRight(e, 11) ^ rotateRight(e, 25);
    const std::uint32_t choose = (e & f) ^ (~e & g);
    const std::uint32_t t1 = h + s1 + choose + kRounds[i] + w[i];
    const std::uint32_t s0 = rotateRight(a, 2) ^ rotateRight(a, 13) ^ rotateRight(a, 22);
    const std::uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + s0 + majority;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
  state_[4] += e;
  state_[5] += f;
  state_[6] += g;
  state_[7] += h;
}

void Sha256::update(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  length_ += size;
  while (size > 0) {
    const std::size_t take = size < block_.size() - filled_ ? size : block_.size() - filled_;
    std::memcpy(block_.data() + filled_, bytes, take);
    filled_ += take;
    bytes += take;
    size -= take;
    if (filled_ == block_.size()) {
      compress(block_.data());
      filled_ = 0;
    }
  }
}

// The message ends with one 1 bit, zeros up to 8 bytes short of a block
// boundary, and its length in bits as a 64-bit big-endian number.
std::array<std::uint8_t, 32> Sha256::final() {
  const std::uint64_t bits = length_ * 8;
  const std::uint8_t one = 0x80;
  update(&one, 1);
  const std::uint8_t zero = 0;
  while (filled_ != 56) update(&zero, 1);
  std::uint8_t tail[8];
  for (int i = 0; i < 8; ++i) tail[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
  update(tail, sizeof tail);
  std::array<std::uint8_t, 32> digest;
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<std::uint8_t>(state_[i] >> (24 - 8 * j));
  }
  reset();
  return digest;
}

std::string Sha256::finalHex() {
  const std::array<std::uint8_t, 32> digest = final();
  return hexOf(digest.data(), digest.size());
}

std::string sha256Hex(const std::string& bytes) {
  Sha256 hash;
  hash.update(bytes);
  return hash.finalHex();
}

namespace {

FileDigest noDigest(const std::string& reason) { return FileDigest{std::string(), reason}; }

std::string openFailure(int error) {
  switch (error) {
    case ENOENT:
      return "missing";
    case ELOOP:
      return "a symbolic link";
    default:
      return std::string("cannot be opened: ") + std::strerror(error);
  }
}

FileDigest hashOpenFile(int fd, std::uint64_t maxBytes) {
  struct stat info;
  if (::fstat(fd, &info) != 0) return noDigest(std::string("cannot be examined: ") + std::strerror(errno));
  if (!S_ISREG(info.st_mode)) return noDigest("not a regular file");
  const std::string overBound = "larger than " + std::to_string(maxBytes) + " bytes";
  if (static_cast<std::uint64_t>(info.st_size) > maxBytes) return noDigest(overBound);
  Sha256 hash;
  std::uint64_t total = 0;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return noDigest(std::string("cannot be read: ") + std::strerror(errno));
    if (n == 0) break;
    total += static_cast<std::uint64_t>(n);
    // A file that grows while it is read is judged by what was read.
    if (total > maxBytes) return noDigest(overBound);
    hash.update(buffer, static_cast<std::size_t>(n));
  }
  return FileDigest{hash.finalHex(), std::string()};
}

}  // namespace

// Only a regular file is opened at all: opening a device can act on it
// (a tape rewinds). The descriptor is judged again, since the name may
// change in between.
FileDigest sha256OfFile(const std::string& path, std::uint64_t maxBytes) {
  struct stat found;
  if (::lstat(path.c_str(), &found) != 0) {
    // The portable build's lstat can fail without setting errno; an open
    // of the same name says why (it finds nothing to act on).
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return noDigest(openFailure(errno));
    (void)::close(fd);
    return noDigest("cannot be examined");
  }
  if (S_ISLNK(found.st_mode)) return noDigest("a symbolic link");
  if (!S_ISREG(found.st_mode)) return noDigest("not a regular file");
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return noDigest(openFailure(errno));
  (void)::fcntl(fd, F_SETFD, FD_CLOEXEC);
  FileDigest digest = hashOpenFile(fd, maxBytes);
  (void)::close(fd);
  return digest;
}
