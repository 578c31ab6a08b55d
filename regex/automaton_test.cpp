// Which patterns the automaton takes, and that it keeps its bounds. Its
// answers are compared with the backtracker's and the reference matcher's
// in reference_test.cpp.
#include "regex/automaton.h"

#include <gtest/gtest.h>

#include "regex/pattern.h"
#include "regex/testing/automaton_outcome.h"

namespace {

struct Taken {
  const char* pattern;
  int flags;
  bool taken;
};

TEST(AutomatonTest, TakesRegularPatternsAndLeavesTheRestToTheBacktracker) {
  const Taken cases[] = {
      // The components' and the platform detection's own patterns.
      {"HBA Instance.*: (.+).*", Pattern::DOT_ALL, true},
      {"HBA=(.+),.*PCI ID=(\\w{1,4}),.*VID=(\\w{1,4}),.*SSID=(\\w{1,4}),.*SVID=(\\w{1,4}),"
       ".*Firmware=(.+),.*Boot Code=([\\w\\.]+).*",
       Pattern::DOT_ALL, true},
      {"Red Hat Enterprise Linux.*release 5.*", Pattern::DOT_ALL | Pattern::MULTI_LINE, true},
      {"\\d+", 0, true},
      // Anchors, word boundaries, inline flags, quoted text, group loops.
      {"^(a|b)*$", Pattern::MULTI_LINE, true},
      {"\\bx\\B\\Z\\z\\A", 0, true},
      {"(?i)a(?-i:b)\\Qc.\\E+", 0, true},
      {"(a*)+(b?)?(?:c|d){0,1}(e){1,}", 0, true},
      {"x{3,7}?y{2,}", 0, true},
      // Left to the backtracker.
      {"(a)\\1", 0, false},
      {"a(?=b)", 0, false},
      {"a(?!b)", 0, false},
      {"(?<=a)b", 0, false},
      {"(?>a|ab)c", 0, false},
      {"a*+", 0, false},
      {"(ab)*+", 0, false},
      {"\\Ga", 0, false},
      {"(ab){2}", 0, false},
      {"(ab){0,3}", 0, false},
      {"^*a", 0, false},
      {"a{100000}", 0, false},
  };
  for (const Taken& c : cases) {
    auto p = Pattern::create(c.pattern, c.flags);
    ASSERT_TRUE(p) << c.pattern;
    EXPECT_EQ(p->graph().automatonFits, c.taken) << c.pattern;
    EXPECT_EQ(rx::Automaton<char>::build(p->graph()) != nullptr, c.taken) << c.pattern;
  }
  auto wide = WidePattern::create(L".*(\\d+\\.\\d+\\.\\d+\\.\\d+).*", WidePattern::DOT_ALL);
  EXPECT_TRUE(wide->graph().automatonFits);
}

// A loop's freshness is one bit of a 64-bit set, and nested loops multiply
// the program's points: past 64 loops, or past the program bound, the
// pattern stays with the backtracker.
TEST(AutomatonTest, ManyLoopsAndLargeProgramsStayWithTheBacktracker) {
  std::string pattern;
  for (int i = 0; i < 70; ++i) pattern += "(?:a";
  for (int i = 0; i < 70; ++i) pattern += ")*";
  auto p = Pattern::create(pattern);
  ASSERT_TRUE(p);
  EXPECT_FALSE(p->graph().automatonFits);
  EXPECT_EQ(rx::Automaton<char>::build(p->graph()), nullptr);
  EXPECT_TRUE(p->matchesWhole("aaaa"));
  std::string nested = "a";
  for (int i = 0; i < 60; ++i) nested.insert(0, "(?:").append("|b?)*");
  auto q = Pattern::create(nested);
  ASSERT_TRUE(q);
  EXPECT_TRUE(q->graph().automatonFits);
  EXPECT_EQ(rx::Automaton<char>::build(q->graph()), nullptr);
}

// A loop that only the automaton ends well: group values of the
// iteration that consumed nothing, and of the last one that did.
TEST(AutomatonTest, EmptyIterationsKeepTheBacktrackersGroups) {
  struct Case {
    const char* pattern;
    const char* subject;
    int start, end;
  };
  const Case cases[] = {
      {"(a*)*", "aa", 2, 2},      {"(a?)+", "a", 1, 1},    {"(a|)*b", "aab", 2, 2},
      {"(?:(a)|b)*", "ab", 0, 1}, {"(a*?)*?", "aa", 1, 2},
  };
  for (const Case& c : cases) {
    auto p = Pattern::create(c.pattern);
    rxtest::Outcome o;
    ASSERT_TRUE(rxtest::automatonOutcome(p->graph(), std::string(c.subject), 10, &o)) << c.pattern;
    auto m = p->newMatcher(c.subject);
    ASSERT_EQ(m->matchWhole(), o.whole) << c.pattern;
    ASSERT_GE(o.groups.size(), 2u) << c.pattern;
    EXPECT_EQ(o.groups[1], std::make_pair(m->groupStart(1), m->groupEnd(1))) << c.pattern;
    EXPECT_EQ(o.groups[1], std::make_pair(c.start, c.end)) << c.pattern;
  }
}

// A search the backtracker gives up on: the automaton locates the match,
// then the groups come from the backtracker run from that start, or from
// the automaton's full run when the backtracker gives up there too.
TEST(AutomatonTest, SearchesItTakesOverFindTheGroupsFromTheLocatedStart) {
  const std::string xs(30, 'x');
  auto p = Pattern::create("(x+x+)+y");
  auto m = p->newMatcher(xs + "!xxy");
  ASSERT_TRUE(m->findNext());
  EXPECT_FALSE(m->limitExceeded());
  EXPECT_EQ(std::make_pair(m->groupStart(0), m->groupEnd(0)), std::make_pair(31, 34));
  EXPECT_EQ(std::make_pair(m->groupStart(1), m->groupEnd(1)), std::make_pair(31, 33));
  EXPECT_FALSE(m->findNext());
  EXPECT_FALSE(m->limitExceeded());

  auto w = WidePattern::create(L"(x+x+)+y");
  auto wm = w->newMatcher(std::wstring(30, L'x') + L"!xxy");
  ASSERT_TRUE(wm->findNext());
  EXPECT_EQ(std::make_pair(wm->groupStart(1), wm->groupEnd(1)), std::make_pair(31, 33));

  auto both = Pattern::create("(x+x+)+y|(x+x+)+z");
  auto bm = both->newMatcher(xs + "z");
  ASSERT_TRUE(bm->findNext());
  EXPECT_FALSE(bm->limitExceeded());
  EXPECT_EQ(std::make_pair(bm->groupStart(0), bm->groupEnd(0)), std::make_pair(0, 31));
  EXPECT_EQ(bm->groupStart(1), -1);
  EXPECT_EQ(std::make_pair(bm->groupStart(2), bm->groupEnd(2)), std::make_pair(0, 30));
}

}  // namespace
