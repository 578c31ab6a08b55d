// The matcher interface: group access, reuse, search state, the one-call
// conveniences and the syntax-error report streams.
#include "regex/pattern.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cwchar>

namespace {

using Strings = std::vector<std::string>;

TEST(PatternTest, GroupTextsListTheGroupsInOrder) {
  auto p = Pattern::create("(\\w+)=(\\w+)", Pattern::DOT_ALL);
  ASSERT_TRUE(p);
  auto m = p->newMatcher("k=v");
  ASSERT_TRUE(m->matchWhole());
  EXPECT_EQ(m->groupTexts(false), (Strings{"k", "v"}));
  EXPECT_EQ(m->groupTexts(true), (Strings{"k=v", "k", "v"}));
  EXPECT_EQ(m->groupText(2), "v");
}

TEST(PatternTest, GroupsOutOfRangeGiveMinusOneAndEmptyText) {
  auto p = Pattern::create("(a)(b)");
  auto m = p->newMatcher("ab");
  ASSERT_TRUE(m->matchWhole());
  EXPECT_EQ(m->groupStart(5), -1);
  EXPECT_EQ(m->groupEnd(5), -1);
  EXPECT_EQ(m->groupText(5), "");
  EXPECT_EQ(m->groupStart(-1), -1);
  EXPECT_EQ(m->groupText(-1), "");
  EXPECT_EQ(p->groupCount(), 3);
}

TEST(PatternTest, UnsetGroupHasEmptyText) {
  auto p = Pattern::create("(a)|(b)");
  auto m = p->newMatcher("b");
  ASSERT_TRUE(m->matchWhole());
  EXPECT_EQ(m->groupStart(1), -1);
  EXPECT_EQ(m->groupTexts(false), (Strings{"", "b"}));
}

TEST(PatternTest, NewMatcherReportsZeroForEveryGroup) {
  auto p = Pattern::create("(a)(b)");
  auto m = p->newMatcher("ab");
  EXPECT_EQ(m->groupStart(2), 0);
  EXPECT_EQ(m->groupEnd(2), 0);
  EXPECT_EQ(m->groupText(1), "");
}

TEST(PatternTest, NonCapturingGroupsAreNotReported) {
  auto p = Pattern::create("(?:(\\d),)*");
  EXPECT_EQ(p->groupCount(), 2);
  auto m = p->newMatcher("1,2,");
  ASSERT_TRUE(m->matchWhole());
  EXPECT_EQ(m->groupText(1), "2");
}

TEST(PatternTest, SetTextRewindsForANewSubject) {
  auto p = Pattern::create("a");
  auto m = p->newMatcher("xa");
  ASSERT_TRUE(m->findNext());
  EXPECT_EQ(m->groupStart(0), 1);
  m->setText("aa");
  ASSERT_TRUE(m->findNext());
  EXPECT_EQ(m->groupStart(0), 0);
  ASSERT_TRUE(m->findNext());
  EXPECT_EQ(m->groupStart(0), 1);
  m->rewind();
  ASSERT_TRUE(m->findNext());
  EXPECT_EQ(m->groupStart(0), 0);
}

TEST(PatternTest, FindNextAfterAFailedSearchKeepsFailing) {
  for (const char* pattern : {"a", "x*", "b|$"}) {
    auto p = Pattern::create(pattern);
    auto m = p->newMatcher("ab");
    int successes = 0;
    while (m->findNext()) ++successes;
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(m->findNext()) << pattern;
    m->rewind();
    int again = 0;
    while (m->findNext()) ++again;
    EXPECT_EQ(again, successes) << pattern;
  }
}

TEST(PatternTest, FindFirstRestartsAndMatchWholeResetsTheSearch) {
  auto p = Pattern::create("a");
  auto m = p->newMatcher("aa");
  ASSERT_TRUE(m->findNext());
  ASSERT_TRUE(m->findNext());
  ASSERT_TRUE(m->findFirst());
  EXPECT_EQ(m->groupStart(0), 0);
  EXPECT_FALSE(m->matchWhole());
  ASSERT_TRUE(m->findNext());
  EXPECT_EQ(m->groupStart(0), 0);
}

TEST(PatternTest, MatchesWholeIsRepeatable) {
  auto p = Pattern::create("a+");
  EXPECT_TRUE(p->matchesWhole("aaa"));
  EXPECT_FALSE(p->matchesWhole("aaab"));
  EXPECT_TRUE(p->matchesWhole("a"));
}

// A pattern keeps the storage of deleted matchers for its next ones; a
// matcher still alive when its pattern goes is freed on its own later (the
// sanitizer build checks that nothing is used after it is freed).
TEST(PatternTest, MatchersMayBeDeletedAfterTheirPattern) {
  auto p = Pattern::create("(\\w+)=(\\w+)");
  auto first = p->newMatcher("k=v");
  auto second = p->newMatcher("key=value");
  auto third = p->newMatcher("a=b");
  ASSERT_TRUE(second->matchWhole());
  first.reset();
  auto reused = p->newMatcher("x=y");
  ASSERT_TRUE(reused->matchWhole());
  EXPECT_EQ(reused->groupText(2), "y");
  EXPECT_EQ(second->groupText(1), "key");
  p.reset();
  EXPECT_EQ(second->groupText(2), "value");
  third.reset();
  reused.reset();
  second.reset();

  auto w = WidePattern::create(L"\\d+");
  auto wm = w->newMatcher(L"0042");
  w.reset();
  wm.reset();
}

TEST(PatternTest, SubjectsMayHoldNulBytes) {
  auto p = Pattern::create("a\\000[\\x00]b");
  ASSERT_TRUE(p);
  EXPECT_TRUE(p->matchesWhole(std::string("a\0\0b", 4)));
  auto q = Pattern::create(std::string("a\0b", 3));
  ASSERT_TRUE(q);
  EXPECT_TRUE(q->matchesWhole(std::string("a\0b", 3)));
}

TEST(PatternTest, TextMatchesIsFalseForABadPattern) {
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Pattern::textMatches("(", "("));
  EXPECT_NE(testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(Pattern::textMatches("Red Hat Enterprise Linux.*release 6.*",
                                   "Red Hat Enterprise Linux Server release 6.10 (Santiago)\n",
                                   Pattern::DOT_ALL | Pattern::MULTI_LINE));
  EXPECT_FALSE(Pattern::textMatches("Red Hat Enterprise Linux.*release 6.*", "CentOS release 6.10 (Final)\n",
                                    Pattern::DOT_ALL | Pattern::MULTI_LINE));
}

TEST(WidePatternTest, VersionPiecesAreAllDigits) {
  EXPECT_TRUE(WidePattern::textMatches(L"\\d+", L"0042"));
  EXPECT_FALSE(WidePattern::textMatches(L"\\d+", L"4a"));
  EXPECT_FALSE(WidePattern::textMatches(L"\\d+", L""));
}

TEST(WidePatternTest, GroupTextIsWide) {
  auto p = WidePattern::create(L"(\u00e9+)\u20ac");
  auto m = p->newMatcher(L"\u00e9\u00e9\u20ac");
  ASSERT_TRUE(m->matchWhole());
  EXPECT_EQ(m->groupText(1), L"\u00e9\u00e9");
}

// The wide report is written as bytes, so a standard error that already
// carries narrow output keeps it, and stays byte-oriented for later reports.
TEST(WidePatternTest, ReportGoesToTheNarrowStream) {
  testing::internal::CaptureStderr();
  (void)std::fputs("before\n", stderr);
  EXPECT_FALSE(WidePattern::create(L"\u00e9)"));
  EXPECT_FALSE(Pattern::create("a)"));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err,
            "before\n\xc3\xa9)\n ^\nSyntax Error near here. Possible unescaped meta character.\n"
            "a)\n ^\nSyntax Error near here. Possible unescaped meta character.\n");
  EXPECT_LE(std::fwide(stderr, 0), 0);
}

// Wide case folding is towlower's, so it follows the locale's character
// type; narrow folding stays on single bytes.
TEST(WidePatternTest, FoldingUsesTowlower) {
  if (!std::setlocale(LC_CTYPE, "C.UTF-8")) GTEST_SKIP() << "no C.UTF-8 locale";
  EXPECT_TRUE(WidePattern::textMatches(L"\u00e9", L"\u00c9", WidePattern::CASE_INSENSITIVE));
  EXPECT_TRUE(WidePattern::textMatches(L"[\u00e0-\u00ff]", L"\u00c9", WidePattern::CASE_INSENSITIVE));
  EXPECT_TRUE(WidePattern::textMatches(L"\\Q\u00e9\\E", L"\u00c9", WidePattern::CASE_INSENSITIVE));
  EXPECT_FALSE(Pattern::textMatches("\xe9", "\xc9", Pattern::CASE_INSENSITIVE));
  (void)std::setlocale(LC_CTYPE, "C");
  EXPECT_FALSE(WidePattern::textMatches(L"\u00e9", L"\u00c9", WidePattern::CASE_INSENSITIVE));
}

}  // namespace
