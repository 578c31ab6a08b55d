// Which patterns the one-pass matcher takes, and its groups where a match
// and a way on meet. Its answers are compared with the other matchers' in
// reference_test.cpp.
#include "regex/one_pass.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "regex/accelerators.h"
#include "regex/pattern.h"

namespace {

struct Taken {
  const char* pattern;
  int flags;
  bool taken;
};

TEST(OnePassTest, TakesPatternsWhereTheNextCharacterDecides) {
  const Taken cases[] = {
      {"\\d+", 0, true},
      {"[0-9]+\\.[0-9]+\\.[0-9]+", 0, true},
      {"(\\w+)=(\\w+)", 0, true},
      {"ERR-[0-9]+", 0, true},
      {"(a|b)*c", 0, true},
      {"x*?y", 0, true},
      {"^\\bword\\b$", Pattern::MULTI_LINE, true},
      {"(?i)abc", 0, true},
      // A character either of two ways can take.
      {"a|ab", 0, false},
      {"(a*)*a", 0, false},
      {"HBA Instance.*: (.+).*", Pattern::DOT_ALL, false},
      {"Red Hat Enterprise Linux.*release 5.*", Pattern::DOT_ALL | Pattern::MULTI_LINE, false},
      // \Z looks two characters ahead.
      {"a\\Z", 0, false},
  };
  for (const Taken& c : cases) {
    auto p = Pattern::create(c.pattern, c.flags);
    ASSERT_TRUE(p) << c.pattern;
    const rx::Accelerators<char>* fast = p->acceleratorsNow();
    ASSERT_NE(fast, nullptr) << c.pattern;
    EXPECT_EQ(fast->onePass() != nullptr, c.taken) << c.pattern;
  }
}

// A table past its bound: the other matchers answer.
TEST(OnePassTest, LargeTablesAreLeftToTheOtherMatchers) {
  const std::string letters = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string text;
  while (text.size() < 3000) text += letters;
  auto p = Pattern::create(text);
  ASSERT_NE(p->acceleratorsNow(), nullptr);
  EXPECT_EQ(p->acceleratorsNow()->onePass(), nullptr);
  EXPECT_TRUE(p->matchesWhole(text));
}

// Whole matches take the match at the end only; an anchored search stops at
// a match its preference puts first, and keeps one put after the way on in
// case that way dies.
TEST(OnePassTest, GroupsAndMatchEndsAsTheBacktrackerGivesThem) {
  struct Case {
    const char* pattern;
    const char* subject;
    bool whole;
    int from;
    int end;
    int group1Start, group1End;
  };
  const Case cases[] = {
      {"(\\w+)=(\\w+)", "key=value", true, 0, 9, 0, 3},
      {"(a+)?b", "aab", true, 0, 3, 0, 2},
      {"(a+)?b", "b", true, 0, 1, -1, -1},
      {"(ab)*", "ababa", false, 0, 4, 2, 4},
      {"a(b)??", "ab", false, 0, 1, -1, -1},
      {"a(b)?", "ab", false, 0, 2, 1, 2},
      {"c(d)", "abcd", false, 2, 4, 3, 4},
  };
  for (const Case& c : cases) {
    auto p = Pattern::create(c.pattern);
    const rx::OnePass<char>* one = p->acceleratorsNow()->onePass();
    ASSERT_NE(one, nullptr) << c.pattern;
    rx::MatchState<char> st;
    st.resize(p->groupCount(), p->graph().nonCapturing);
    std::string subject = c.subject;
    st.text = subject.data();
    st.length = static_cast<int>(subject.size());
    st.wholeMode = c.whole;
    st.clearGroups();
    EXPECT_EQ(one->run(st, c.from), c.end) << c.pattern;
    EXPECT_EQ(std::make_pair(st.starts[1], st.ends[1]), std::make_pair(c.group1Start, c.group1End))
        << c.pattern;
    EXPECT_EQ(one->end(st.text, st.length, c.from, c.whole), c.end) << c.pattern;
  }
}

}  // namespace
