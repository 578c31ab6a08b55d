// The backtracker's short cuts: group loops of one-character alternatives
// run in place, failed starts inside a leading run are skipped. Each must
// give the reference matcher's answers, and the cases where only the short
// cut stays within the bounds must answer without giving up.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "regex/pattern.h"
#include "regex/testing/reference_matcher.h"

namespace {

using rxtest::describe;

struct Case {
  const char* pattern;
  int flags;
};

// Subjects that stop a run early, end it at the subject's end, or hold the
// characters the rest of the pattern wants on either side.
const char* const kSubjects[] = {"",    "a",    "b",  "ab",  "ba",  "aab",  "abab",    "abx", "abax",
                                 "xab", "aaaa", "Ab", "aBx", "abc", "babx", "abababx", "\n",  "ab\nx"};

template <class Char>
void expectAgreement(const Case& c, const std::basic_string<Char>& subject, const std::string& where) {
  auto p = BasicPattern<Char>::create(std::basic_string<Char>(c.pattern, c.pattern + std::strlen(c.pattern)),
                                      c.flags);
  ASSERT_TRUE(p) << c.pattern;
  rxtest::Outcome engine = rxtest::engineOutcome(*p, subject, 50);
  rxtest::Outcome reference = rxtest::referenceOutcome(p->graph(), subject, 50);
  ASSERT_FALSE(engine.limit || reference.limit) << where;
  EXPECT_EQ(describe(engine), describe(reference)) << where;
}

TEST(BacktrackerTest, InPlaceGroupLoopsGiveTheReferenceAnswers) {
  const Case cases[] = {
      // Greedy, lazy and possessive, capturing and not, with the rest of
      // the pattern forcing every iteration count to be tried.
      {"(a|b)*", 0},
      {"(a|b)*x", 0},
      {"(a|b)*b", 0},
      {"(a|b)+?b", 0},
      {"(a|b)*?x", 0},
      {"(?:a|b)*+x", 0},
      {"(a|b)*+", 0},
      {"(a|b)*+b", 0},
      {"(a|b){2}+b", 0},
      {"(a|b){1,3}+b", 0},
      {"(a|b){0,1}+a", 0},
      {"(a|b){2,3}b", 0},
      {"(a|b){2,3}?b", 0},
      {"(a){0}b", 0},
      {"(a|[bc])+(x)", 0},
      {"(A|b)*x", Pattern::CASE_INSENSITIVE},
      {"([a-b]|x)*", Pattern::CASE_INSENSITIVE},
      {"(.)*x", 0},
      {"(.|\\n)*", 0},
      {"(.)*", Pattern::DOT_ALL},
      {"((a|b)*x)*", 0},
      {"(a|b)*(a)\\2", 0},
      {"(a|b)*\\1", 0},
      {"(?=(a|b)*x)", 0},
      {"(?>(a|b)*)b", 0},
      {"x(a|b)*+$", 0},
      {"(a)*(b)*x", 0},
      {"(a|b|c|[d-f]|x)*?x", 0},
  };
  for (const Case& c : cases) {
    for (const char* s : kSubjects) {
      std::string where = std::string(c.pattern) + " on \"" + s + "\"";
      expectAgreement<char>(c, std::string(s), where);
      expectAgreement<wchar_t>(c, std::wstring(s, s + std::strlen(s)), where + " (wide)");
    }
  }
}

TEST(BacktrackerTest, SkippedStartsGiveTheReferenceAnswers) {
  const Case cases[] = {
      {"[0-9]+\\.[0-9]+", 0},
      {"a+b", 0},
      {"a*b", 0},
      {"a*?b", 0},
      {"a++b", 0},
      {"(a+)b", 0},
      {"a+(?=b)", 0},
      {"a+$", 0},
      {"(?:a+)x|ab", 0},
      {"a*", 0},
      {"A+b", Pattern::CASE_INSENSITIVE},
      {"[ab]+x", 0},
      {"(a+)\\1b", 0},
      {"\\w+\\b", 0},
  };
  const char* const subjects[] = {"aab",  "aaa",  "aaxab", "1.2",   "11.", "1.22.3", "aaAb",
                                  "abab", "aaba", "aaaab", "aaaax", "ba",  "",       "aa aab"};
  for (const Case& c : cases) {
    for (const char* s : subjects) {
      std::string where = std::string(c.pattern) + " on \"" + s + "\"";
      expectAgreement<char>(c, std::string(s), where);
    }
  }
}

// Patterns only the backtracker runs (a possessive loop, a look-ahead),
// over a subject far longer than the call depth or a quadratic step count
// allows: they answer because of the short cuts, not a limit.
TEST(BacktrackerTest, ShortCutsAnswerLongSubjectsWithoutGivingUp) {
  const std::string longRun(1u << 20, 'a');
  auto possessive = Pattern::create("(a|b)*+x");
  auto m = possessive->newMatcher(longRun + "x");
  EXPECT_TRUE(m->matchWhole());
  EXPECT_EQ(m->groupStart(1), (1 << 20) - 1);
  m->setText(longRun);
  EXPECT_FALSE(m->matchWhole());
  EXPECT_FALSE(m->limitExceeded());

  auto ahead = Pattern::create("a+(?=x)");
  auto f = ahead->newMatcher(longRun + "b");
  EXPECT_FALSE(f->findNext());
  EXPECT_FALSE(f->limitExceeded());
  f->setText(longRun + "x");
  ASSERT_TRUE(f->findNext());
  EXPECT_EQ(f->groupStart(0), 0);
}

}  // namespace
