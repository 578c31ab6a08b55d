// The lazy DFA on what only its context handles (anchors, \Z before a final
// line end, wide characters by range), its cache bound, and scans from
// several threads. Its answers are compared with the other matchers' over
// the case files and generated patterns in reference_test.cpp.
#include "regex/lazy_dfa.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "regex/accelerators.h"
#include "regex/pattern.h"

namespace {

template <class Char>
struct Dfas {
  Dfas(const std::basic_string<Char>& text, int flags)
      : pattern(BasicPattern<Char>::create(text, flags)),
        automaton(rx::Automaton<Char>::build(pattern->graph())),
        fast(pattern->graph(), *automaton, {false, false}) {}
  // The leftmost match at or after `from` as the search and reverse DFAs
  // find it: (start, end), or (-1, -1).
  std::pair<int, int> search(const std::basic_string<Char>& s, int from = 0) const {
    int start = -1;
    int end = fast.locate(s.data(), static_cast<int>(s.size()), from, &start);
    return end < 0 ? std::make_pair(-1, end) : std::make_pair(start, end);
  }
  bool whole(const std::basic_string<Char>& s) const {
    return fast.dfa(rx::Accelerators<Char>::kWhole).forward(s.data(), static_cast<int>(s.size()), 0) == 1;
  }
  std::unique_ptr<BasicPattern<Char>> pattern;
  std::unique_ptr<rx::Automaton<Char>> automaton;
  rx::Accelerators<Char> fast;
};

struct Found {
  const char* pattern;
  int flags;
  const char* subject;
  int start, end;
};

TEST(LazyDfaTest, AnchorsSeeTheCharactersAroundThePosition) {
  const Found cases[] = {
      {"a\\Z", 0, "xa\r\n", 1, 2},
      {"a\\Z", 0, "xa\n", 1, 2},
      {"a\\Z", 0, "xa\n\n", -1, -1},
      {"a\\z", 0, "xa\n", -1, -1},
      {"\\Z", 0, "ab\r\n", 2, 2},
      {"^b", Pattern::MULTI_LINE, "a\rb", 2, 3},
      {"a$", Pattern::MULTI_LINE, "xa\ry", 1, 2},
      {"\\bb", 0, "ab 1b", 4, 5},
      {"b\\B", 0, "b bc", 2, 3},
      {"\\b", 0, "", 0, 0},
      {"x\\b", 0, "ax", 1, 2},
      {"\\Ab", 0, "bb", 0, 1},
      {"b+c", 0, "aabbbcbc", 2, 6},
      {"(?:ab|a)(?:c|bcd)", 0, "xabcd", 1, 4},
  };
  for (const Found& c : cases) {
    Dfas<char> d(c.pattern, c.flags);
    EXPECT_EQ(d.search(c.subject), std::make_pair(c.start, c.end)) << c.pattern << " on " << c.subject;
  }
}

TEST(LazyDfaTest, WholeMatchesWithAFinalLineEnd) {
  Dfas<char> d("a*\\Z", 0);
  EXPECT_TRUE(d.whole("aa"));
  EXPECT_FALSE(d.whole("aa\n"));
  Dfas<char> lines("(?:\\w+$\\r?\\n?)*", Pattern::MULTI_LINE);
  EXPECT_TRUE(lines.whole("one\r\ntwo\nthree"));
  EXPECT_FALSE(lines.whole("one two"));
}

// Wide characters above 255 are classed by ranges; a complemented class
// holds none of them.
TEST(LazyDfaTest, WideCharactersByRange) {
  Dfas<wchar_t> range(L"[\u0100-\u01ff]+", 0);
  EXPECT_EQ(range.search(L"ab\u0150\u01ffcd"), std::make_pair(2, 4));
  EXPECT_EQ(range.search(L"\u0200\u00ff"), std::make_pair(-1, -1));
  Dfas<wchar_t> any(L".+", 0);
  EXPECT_TRUE(any.whole(L"\u2000\U0001F600"));
  Dfas<wchar_t> complement(L"[^a]", 0);
  EXPECT_FALSE(complement.whole(L"\u0100"));
  EXPECT_TRUE(complement.whole(L"b"));
  Dfas<wchar_t> exact(L"x\u3000", 0);
  EXPECT_EQ(exact.search(L"x\u2fffx\u3000"), std::make_pair(2, 4));
}

// "a" 14 characters from the end of a match makes 2^14 states: the cache
// fills, the scan gives up, and the matcher answers with the Pike VM.
TEST(LazyDfaTest, AFullCacheGivesUpAndTheMatcherStillAnswers) {
  std::string tail;
  for (int i = 0; i < 14; ++i) tail += "[ab]";
  std::mt19937 rng(7);
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "ab"[rng() % 2];
  text[text.size() - 15] = 'a';
  text += "!";
  const std::string pattern = "[ab]*a" + tail + "[!]";
  Dfas<char> d(pattern, 0);
  EXPECT_EQ(
      d.fast.dfa(rx::Accelerators<char>::kSearch).forward(text.data(), static_cast<int>(text.size()), 0),
      rx::LazyDfa<char>::kGaveUp);
  EXPECT_LE(d.fast.dfa(rx::Accelerators<char>::kSearch).stateCount() * 64, rx::LazyDfa<char>::kMaxBytes);

  auto hot = Pattern::create(pattern);
  auto cold = Pattern::create(pattern);
  hot->acceleratorsNow();
  auto m = hot->newMatcher(text), expected = cold->newMatcher(text);
  ASSERT_EQ(m->findNext(), expected->findNext());
  EXPECT_EQ(m->groupStart(0), expected->groupStart(0));
  EXPECT_EQ(m->groupEnd(0), static_cast<int>(text.size()));
  EXPECT_FALSE(m->limitExceeded());
}

// Matchers of one pattern scanning at once (made and deleted on one
// thread) share its states.
TEST(LazyDfaTest, ThreadsShareTheStates) {
  auto p = Pattern::create("[0-9]+\\.[0-9]+\\.[0-9]+");
  p->acceleratorsNow();
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "v" + std::to_string(i) + "." + std::to_string(i % 7) + ".1 x ";
  const size_t expected = Pattern::create("[0-9]+\\.[0-9]+\\.[0-9]+")->collectAll(text).size();
  std::vector<size_t> counts(4, 0);
  std::vector<std::unique_ptr<PatternMatcher>> matchers;
  for (size_t t = 0; t < counts.size(); ++t) matchers.push_back(p->newMatcher(text));
  std::vector<std::thread> threads;
  for (size_t t = 0; t < counts.size(); ++t) {
    threads.emplace_back([&matchers, &counts, t] {
      while (matchers[t]->findNext()) ++counts[t];
    });
  }
  for (std::thread& t : threads) t.join();
  for (size_t count : counts) EXPECT_EQ(count, expected);
  EXPECT_EQ(expected, 2000u);
}

}  // namespace
