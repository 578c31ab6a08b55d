// Set operations on class members. Interval lists stay sorted, disjoint and
// non-adjacent so that equal sets have equal representations.
#include "regex/char_set.h"

#include <algorithm>

namespace rx {

namespace {

using Interval = std::pair<uint32_t, uint32_t>;

// Sorts and merges overlapping or touching intervals.
std::vector<Interval> normalised(std::vector<Interval> list) {
  std::sort(list.begin(), list.end());
  std::vector<Interval> out;
  for (const Interval& iv : list) {
    if (!out.empty() && (iv.first <= out.back().second || iv.first - 1 == out.back().second)) {
      out.back().second = std::max(out.back().second, iv.second);
    } else {
      out.push_back(iv);
    }
  }
  return out;
}

// Above this value no character has a case mapping, so folding is the identity.
constexpr uint32_t kLastFoldable = 0x1FFFF;

}  // namespace

bool CharSet::highContains(uint32_t c) const {
  auto it = std::upper_bound(high_.begin(), high_.end(), c,
                             [](uint32_t v, const Interval& iv) { return v < iv.first; });
  return it != high_.begin() && c <= (it - 1)->second;
}

void CharSet::add(uint32_t c) { addRange(c, c); }

void CharSet::addRange(uint32_t lo, uint32_t hi) {
  for (uint32_t c = lo; c <= hi && c < 256; ++c) low_[c >> 6] |= uint64_t{1} << (c & 63);
  if (hi >= 256) addHigh(std::max<uint32_t>(lo, 256), hi);
}

void CharSet::addHigh(uint32_t lo, uint32_t hi) {
  bool pastEnd = high_.empty() || (high_.back().second != UINT32_MAX && lo > high_.back().second + 1);
  high_.emplace_back(lo, hi);
  if (!pastEnd) high_ = normalised(std::move(high_));
}

uint64_t CharSet::size() const {
  uint64_t n = 0;
  for (uint64_t word : low_) n += static_cast<uint64_t>(__builtin_popcountll(word));
  for (const Interval& iv : high_) n += uint64_t{iv.second} - iv.first + 1;
  return n;
}

bool CharSet::single(uint32_t* only) const {
  if (size() != 1) return false;
  for (uint32_t c = 0; c < 256; ++c) {
    if (contains(c)) {
      *only = c;
      return true;
    }
  }
  *only = high_.front().first;
  return true;
}

void CharSet::unite(const CharSet& other) {
  for (int i = 0; i < 4; ++i) low_[i] |= other.low_[i];
  if (other.high_.empty()) return;
  std::vector<Interval> all = high_;
  all.insert(all.end(), other.high_.begin(), other.high_.end());
  high_ = normalised(std::move(all));
}

void CharSet::intersect(const CharSet& other) {
  for (int i = 0; i < 4; ++i) low_[i] &= other.low_[i];
  std::vector<Interval> out;
  size_t a = 0, b = 0;
  while (a < high_.size() && b < other.high_.size()) {
    uint32_t lo = std::max(high_[a].first, other.high_[b].first);
    uint32_t hi = std::min(high_[a].second, other.high_[b].second);
    if (lo <= hi) out.emplace_back(lo, hi);
    if (high_[a].second < other.high_[b].second) {
      ++a;
    } else {
      ++b;
    }
  }
  high_ = std::move(out);
}

CharSet CharSet::complementLow() const {
  CharSet out;
  for (int i = 0; i < 4; ++i) out.low_[i] = ~low_[i];
  return out;
}

void CharSet::addOtherAsciiCase() {
  for (uint32_t c = 'a'; c <= 'z'; ++c) {
    if (contains(c) || contains(c - 'a' + 'A')) {
      add(c);
      add(c - 'a' + 'A');
    }
  }
}

CharSet CharSet::mapped(const std::function<uint32_t(uint32_t)>& fold) const {
  CharSet out;
  std::vector<Interval> high;
  auto put = [&](uint32_t v) {
    if (v < 256) {
      out.low_[v >> 6] |= uint64_t{1} << (v & 63);
    } else {
      high.emplace_back(v, v);
    }
  };
  for (uint32_t c = 0; c < 256; ++c) {
    if (contains(c)) put(fold(c));
  }
  for (const Interval& iv : high_) {
    uint32_t c = iv.first;
    for (; c <= iv.second && c <= kLastFoldable; ++c) put(fold(c));
    if (c <= iv.second && c > kLastFoldable) high.emplace_back(c, iv.second);
  }
  out.high_ = normalised(std::move(high));
  return out;
}

bool CharSet::operator==(const CharSet& other) const {
  return std::equal(low_, low_ + 4, other.low_) && high_ == other.high_;
}

}  // namespace rx
