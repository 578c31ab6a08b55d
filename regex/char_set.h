// The member set of a character class: a 256-bit set for the byte values and
// sorted, disjoint intervals for wide characters above 255.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace rx {

class CharSet {
 public:
  bool contains(uint32_t c) const {
    if (c < 256) return (low_[c >> 6] >> (c & 63)) & 1;
    return highContains(c);
  }
  void add(uint32_t c);
  // Adds lo..hi inclusive; lo must not be above hi.
  void addRange(uint32_t lo, uint32_t hi);
  uint64_t size() const;
  bool empty() const { return size() == 0; }
  // True when the set has exactly one member, stored in *only.
  bool single(uint32_t* only) const;
  void unite(const CharSet& other);
  void intersect(const CharSet& other);
  // The values 0..255 that are not members; wide members above 255 drop out.
  CharSet complementLow() const;
  // Adds the other case of every ASCII letter already in the set.
  void addOtherAsciiCase();
  // The image of the set under a case folding.
  CharSet mapped(const std::function<uint32_t(uint32_t)>& fold) const;
  const std::vector<std::pair<uint32_t, uint32_t>>& high() const { return high_; }
  bool operator==(const CharSet& other) const;

 private:
  bool highContains(uint32_t c) const;
  void addHigh(uint32_t lo, uint32_t hi);

  uint64_t low_[4] = {0, 0, 0, 0};
  std::vector<std::pair<uint32_t, uint32_t>> high_;
};

}  // namespace rx
