// Member sets: the byte bitmap and the wide intervals must agree with a
// plain set of values under every operation.
#include "regex/char_set.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {

using rx::CharSet;

std::set<uint32_t> members(const CharSet& s, uint32_t top) {
  std::set<uint32_t> out;
  for (uint32_t c = 0; c <= top; ++c) {
    if (s.contains(c)) out.insert(c);
  }
  return out;
}

TEST(CharSetTest, RandomOperationsAgreeWithAPlainSet) {
  std::mt19937 rng(7);
  const uint32_t top = 700;
  for (int round = 0; round < 200; ++round) {
    CharSet a, b;
    std::set<uint32_t> ra, rb;
    for (int i = 0; i < 6; ++i) {
      uint32_t lo = rng() % top, hi = lo + rng() % 60;
      a.addRange(lo, hi);
      for (uint32_t c = lo; c <= hi; ++c) ra.insert(c);
      uint32_t single = rng() % top;
      b.add(single);
      rb.insert(single);
    }
    ASSERT_EQ(members(a, top + 60), ra);
    ASSERT_EQ(a.size(), ra.size());
    CharSet u = a;
    u.unite(b);
    std::set<uint32_t> ru = ra;
    ru.insert(rb.begin(), rb.end());
    ASSERT_EQ(members(u, top + 60), ru);
    CharSet x = a;
    x.intersect(u);
    ASSERT_EQ(members(x, top + 60), ra);
    CharSet low = a.complementLow();
    for (uint32_t c = 0; c <= top + 60; ++c) ASSERT_EQ(low.contains(c), c < 256 && !ra.count(c)) << c;
  }
}

TEST(CharSetTest, SingleMemberAndEmpty) {
  CharSet s;
  uint32_t only = 0;
  EXPECT_TRUE(s.empty());
  EXPECT_FALSE(s.single(&only));
  s.add(0x1F600);
  ASSERT_TRUE(s.single(&only));
  EXPECT_EQ(only, 0x1F600u);
  s.add(0);
  EXPECT_FALSE(s.single(&only));
  EXPECT_EQ(s.size(), 2u);
}

TEST(CharSetTest, TopOfTheWideRange) {
  CharSet s;
  s.addRange(0xFFFFFFF0u, 0xFFFFFFFFu);
  s.add(0xFFFFFFEFu);
  EXPECT_EQ(s.size(), 17u);
  EXPECT_EQ(s.high().size(), 1u);
  EXPECT_TRUE(s.contains(0xFFFFFFFFu));
  EXPECT_FALSE(s.contains(0xFFFFFFEEu));
}

TEST(CharSetTest, OtherCaseAndFolding) {
  CharSet s;
  s.add('a');
  s.add('Q');
  s.add('1');
  s.addOtherAsciiCase();
  EXPECT_TRUE(s.contains('A'));
  EXPECT_TRUE(s.contains('q'));
  EXPECT_EQ(s.size(), 5u);
  CharSet folded = s.mapped([](uint32_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
  EXPECT_EQ(folded.size(), 3u);
  EXPECT_FALSE(folded.contains('A'));
}

}  // namespace
