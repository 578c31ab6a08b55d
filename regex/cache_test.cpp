// The pattern caches and the named sub-pattern registries.
#include <gtest/gtest.h>

#include "regex/pattern.h"

namespace {

class CacheTest : public testing::Test {
 protected:
  void TearDown() override {
    Pattern::clearCache();
    WidePattern::clearCache();
    Pattern::clearNamed();
    WidePattern::clearNamed();
  }
};

TEST_F(CacheTest, SameObjectForTheSameTextWhateverTheFlags) {
  Pattern* a = Pattern::createCached("a+");
  Pattern* b = Pattern::createCached("a+", Pattern::CASE_INSENSITIVE);
  ASSERT_TRUE(a);
  EXPECT_EQ(a, b);
  // The first compile's flags stand.
  EXPECT_FALSE(b->matchesWhole("A"));
  EXPECT_NE(Pattern::createCached("b+"), a);
}

TEST_F(CacheTest, FailedCompileIsCachedAsNullAndReportedOnce) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(Pattern::createCached("a**"), nullptr);
  EXPECT_EQ(Pattern::createCached("a**"), nullptr);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "a**\n  ^\nSyntax Error near here. Possible unescaped meta character.\n");
  Pattern::clearCache();
  testing::internal::CaptureStderr();
  EXPECT_EQ(Pattern::createCached("a**"), nullptr);
  EXPECT_NE(testing::internal::GetCapturedStderr(), "");
}

TEST_F(CacheTest, NarrowAndWideCachesAreApart) {
  WidePattern* w = WidePattern::createCached(L"x");
  Pattern::clearCache();
  EXPECT_EQ(WidePattern::createCached(L"x"), w);
}

TEST_F(CacheTest, NamedSubPatternsContinueTheGroupNumbering) {
  ASSERT_TRUE(Pattern::defineNamed("pair", "(\\w+)=(\\w+)"));
  auto p = Pattern::create("(\\d) {pair}");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->groupCount(), 4);
  auto m = p->newMatcher("1 k=v");
  ASSERT_TRUE(m->matchWhole());
  EXPECT_EQ(m->groupTexts(false), (std::vector<std::string>{"1", "k", "v"}));
}

TEST_F(CacheTest, NamedSubPatternsKeepTheirOwnFlags) {
  ASSERT_TRUE(Pattern::defineNamed("word", "abc", Pattern::CASE_INSENSITIVE));
  EXPECT_TRUE(Pattern::textMatches("x{word}", "xABC"));
  EXPECT_FALSE(Pattern::textMatches("x{word}", "XABC"));
  // One-character names are accepted like longer ones.
  ASSERT_TRUE(Pattern::defineNamed("d", "\\d"));
  EXPECT_TRUE(Pattern::textMatches("{d}-{d}", "1-2"));
}

TEST_F(CacheTest, QuantifierAppliesToTheWholeSubPattern) {
  ASSERT_TRUE(Pattern::defineNamed("ab", "ab"));
  EXPECT_TRUE(Pattern::textMatches("{ab}*", "ababab"));
  EXPECT_FALSE(Pattern::textMatches("{ab}*", "abb"));
  EXPECT_TRUE(Pattern::textMatches("{ab}{2}c", "ababc"));
  EXPECT_TRUE(Pattern::textMatches("{ab}+?b", "ababb"));
  ASSERT_TRUE(Pattern::defineNamed("g", "(a)"));
  auto p = Pattern::create("{g}+");
  auto m = p->newMatcher("aaa");
  ASSERT_TRUE(m->matchWhole());
  EXPECT_EQ(m->groupStart(1), 2);
}

TEST_F(CacheTest, DefineNamedRefusesWhatDoesNotCompile) {
  ASSERT_TRUE(Pattern::defineNamed("n", "x"));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Pattern::defineNamed("n", "(y"));
  EXPECT_NE(testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(Pattern::textMatches("{n}", "x"));
}

TEST_F(CacheTest, UnknownNameIsASyntaxError) {
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Pattern::create("a{q}"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "a{q}\n   ^\nSyntax Error near here. Possible unescaped meta character.\n");
}

// a = "x", b = "y{a}", then a = "z{b}" compiles (b still expands to the old
// a) but would expand forever. It is refused where it is used, and the
// report names the registered text in which the loop closes.
TEST_F(CacheTest, SelfReferringNamedPatternsAreAnErrorNotARecursion) {
  ASSERT_TRUE(Pattern::defineNamed("a", "x"));
  ASSERT_TRUE(Pattern::defineNamed("b", "y{a}"));
  ASSERT_TRUE(Pattern::defineNamed("a", "z{b}"));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Pattern::create("{a}"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "y{a}\n   ^\nSyntax Error near here. Possible unescaped meta character.\n");
}

TEST_F(CacheTest, NarrowAndWideRegistriesAreApart) {
  ASSERT_TRUE(Pattern::defineNamed("n", "x"));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(WidePattern::create(L"{n}"));
  testing::internal::GetCapturedStderr();
  ASSERT_TRUE(WidePattern::defineNamed(L"n", L"\u00e9"));
  EXPECT_TRUE(WidePattern::textMatches(L"{n}", L"\u00e9"));
  EXPECT_TRUE(Pattern::textMatches("{n}", "x"));
  Pattern::clearNamed();
  EXPECT_TRUE(WidePattern::textMatches(L"{n}", L"\u00e9"));
}

}  // namespace
