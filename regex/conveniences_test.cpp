// findAll, split, replace, n-th match and the template substitution, narrow
// and wide.
#include <gtest/gtest.h>

#include "regex/pattern.h"

namespace {

using Strings = std::vector<std::string>;

TEST(ConveniencesTest, FindAllListsEveryMatch) {
  EXPECT_EQ(Pattern::collectAll("a", "banana"), (Strings{"a", "a", "a"}));
  EXPECT_EQ(Pattern::collectAll("x*", "ab"), (Strings{"", ""}));
  EXPECT_EQ(Pattern::collectAll("\\d+", "no digits"), Strings{});
  auto p = Pattern::create("\\w+");
  auto m = p->newMatcher("one two");
  EXPECT_EQ(m->findAll(), (Strings{"one", "two"}));
  EXPECT_EQ(m->findAll(), (Strings{"one", "two"}));  // rewinds first
}

struct SplitCase {
  const char* pattern;
  const char* subject;
  bool keepEmpty;
  int limit;
  Strings pieces;
};

TEST(ConveniencesTest, SplitText) {
  const SplitCase cases[] = {
      {",", "a,,b", false, 0, {"a", "b"}},
      {",", "a,,b", true, 0, {"a", "", "b"}},
      {",", ",a", true, 0, {"", "", "a"}},
      {",", ",a", false, 0, {"a"}},
      {",", "a,b,c", false, 1, {"a", "b,c"}},
      {",", "a,b,c", false, 2, {"a", "b", "c"}},
      {",", "a,", true, 0, {"a"}},
      {",", "", true, 0, {}},
      {",", "abc", false, 0, {"abc"}},
      {"x*", "ab", false, 0, {"ab"}},
      {"x*", "ab", true, 0, {"", "", "a", "b"}},
      {",", "a,b", false, -1, {"a,b"}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(Pattern::splitText(c.pattern, c.subject, c.keepEmpty, c.limit), c.pieces)
        << c.pattern << " over '" << c.subject << "' keepEmpty=" << c.keepEmpty << " limit=" << c.limit;
  }
}

struct ReplaceCase {
  const char* pattern;
  const char* subject;
  const char* replacement;
  const char* result;
};

TEST(ConveniencesTest, ReplaceAllWithGroupReferences) {
  const ReplaceCase cases[] = {
      {"(\\w)(\\d)", "a1 b2", "\\2\\1", "1a 2b"},
      {"a", "banana", "<\\0>", "b<a>n<a>n<a>"},
      {"a", "a", "x\\", "x\\"},
      {"a", "a", "\\\\", "\\"},
      {"a", "a", "\\n", "n"},
      {"(a)", "a", "[\\12]", "[]"},
      {"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)", "abcdefghijkl", "\\12\\1", "la"},
      {"(a)", "a", "\\99999999999999999999", ""},
      {"x*", "ab", "-", "-a-b"},
      {"z", "abc", "-", "abc"},
  };
  for (const ReplaceCase& c : cases) {
    EXPECT_EQ(Pattern::replaceAll(c.pattern, c.subject, c.replacement), c.result)
        << c.pattern << " / " << c.replacement;
  }
}

TEST(ConveniencesTest, NthMatch) {
  EXPECT_EQ(Pattern::nthMatch("\\d+", "a12b345", 0), std::make_pair(std::string("12"), 1));
  EXPECT_EQ(Pattern::nthMatch("\\d+", "a12b345", 1), std::make_pair(std::string("345"), 4));
  EXPECT_EQ(Pattern::nthMatch("\\d+", "a12b345", 2), std::make_pair(std::string(), -1));
  EXPECT_EQ(Pattern::nthMatch("\\d+", "a12b345", -1), std::make_pair(std::string(), -1));
  EXPECT_EQ(Pattern::nthMatch("x*", "ab", 1), std::make_pair(std::string(), 1));
}

TEST(ConveniencesTest, BadPatternsGiveEmptyResults) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(Pattern::nthMatch("(", "(", 0), std::make_pair(std::string(), -1));
  EXPECT_EQ(Pattern::collectAll("(", "("), Strings{});
  EXPECT_EQ(Pattern::splitText("(", "(", true, 0), Strings{});
  EXPECT_EQ(Pattern::replaceAll("(", "(", "x"), "");
  testing::internal::GetCapturedStderr();
}

TEST(ConveniencesTest, InstanceFormsShareTheBuiltInMatcher) {
  auto p = Pattern::create(",");
  EXPECT_EQ(p->splitText("a,b"), (Strings{"a", "b"}));
  EXPECT_EQ(p->replaceAll("a,b", ";"), "a;b");
  EXPECT_EQ(p->collectAll("a,b,"), (Strings{",", ","}));
  EXPECT_TRUE(p->matchesWhole(","));
}

TEST(ConveniencesTest, WideForms) {
  using W = std::vector<std::wstring>;
  EXPECT_EQ(WidePattern::collectAll(L"\u00e9", L"a\u00e9b\u00e9"), (W{L"\u00e9", L"\u00e9"}));
  EXPECT_EQ(WidePattern::splitText(L"\u20ac", L"1\u20ac2", false, 0), (W{L"1", L"2"}));
  EXPECT_EQ(WidePattern::replaceAll(L"(\\w)(\u00e9)", L"a\u00e9", L"\\2\\1"), L"\u00e9a");
  EXPECT_EQ(WidePattern::nthMatch(L"\\d", L"x7", 0), std::make_pair(std::wstring(L"7"), 1));
}

}  // namespace
