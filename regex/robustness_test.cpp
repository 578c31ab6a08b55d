// Long subjects and pathological patterns: right answers without a crash,
// and a clean "gave up" where the work would not end.
#include <gtest/gtest.h>

#include <chrono>

#include "regex/parse_state.h"
#include "regex/pattern.h"

namespace {

const size_t kLong = 16u << 20;

struct LongCase {
  const char* pattern;
  std::string subject;
  bool whole;
  int group1End;  // -1: not checked
};

std::string qlogicLine() { return "HBA Instance 0: " + std::string(kLong, '7'); }

std::string emulexLine() {
  return "HBA=LPe12002-M8, PCI ID=f100, VID=10df, SSID=f100, SVID=10df, Firmware=2.01A12, Boot Code=5.12a2" +
         std::string(kLong, ' ');
}

TEST(RobustnessTest, LinearPatternsOverSixteenMegabytes) {
  const LongCase cases[] = {
      {".*", std::string(kLong, 'q'), true, -1},
      {"(.+).*", std::string(kLong, 'q'), true, static_cast<int>(kLong)},
      {"[a-z]*x", std::string(kLong, 'a') + "x", true, -1},
      {"[a-z]*x", std::string(kLong, 'a') + "y", false, -1},
      {"\\w+", std::string(kLong, '_'), true, -1},
      {"a*?b", std::string(kLong, 'a') + "b", true, -1},
      {"a*+b", std::string(kLong, 'a') + "b", true, -1},
      {"HBA Instance.*: (.+).*", qlogicLine(), true, static_cast<int>(kLong) + 16},
      {"Port Name.*: (.+).*", qlogicLine(), false, -1},
      {"HBA=(.+),.*PCI "
       "ID=(\\w{1,4}),.*VID=(\\w{1,4}),.*SSID=(\\w{1,4}),.*SVID=(\\w{1,4}),.*Firmware=(.+),.*Boot "
       "Code=([\\w\\.]+).*",
       emulexLine(), true, 15},
  };
  for (const LongCase& c : cases) {
    auto p = Pattern::create(c.pattern, Pattern::DOT_ALL);
    ASSERT_TRUE(p);
    auto m = p->newMatcher(c.subject);
    EXPECT_EQ(m->matchWhole(), c.whole) << c.pattern;
    EXPECT_FALSE(m->limitExceeded()) << c.pattern;
    if (c.group1End >= 0) {
      EXPECT_EQ(m->groupEnd(1), c.group1End) << c.pattern;
    }
  }
}

TEST(RobustnessTest, SearchOverALongSubject) {
  auto p = Pattern::create("x[0-9]+");
  std::string subject(kLong, '.');
  subject.replace(kLong - 10, 4, "x123");
  auto m = p->newMatcher(subject);
  ASSERT_TRUE(m->findNext());
  EXPECT_EQ(m->groupStart(0), static_cast<int>(kLong) - 10);
  EXPECT_FALSE(m->findNext());
  EXPECT_FALSE(m->limitExceeded());
}

// Patterns whose backtracking would nest too deep or take exponential time,
// answered in place ((a|b)*, (.+).*) or by the automaton (the exponential
// ones): right answers and no limit, the whole match
// over 16 MiB and the searches over 1 MiB (a quarter MiB both in the
// sanitizer build, whose debug code runs the automaton fifty times slower).
#if defined(__SANITIZE_ADDRESS__)
const size_t kAutomatonLong = 1u << 18;
const size_t kSearchLong = 1u << 18;
#else
const size_t kAutomatonLong = kLong;
const size_t kSearchLong = 1u << 20;
#endif

TEST(RobustnessTest, RegularPatternsNeverGiveUp) {
  struct Case {
    const char* pattern;
    const char* tail;
    bool whole;
    int group1Start, group1End;  // from the end of the run of a's
  };
  const Case cases[] = {
      {"(a|b)*", "", true, -1, 0}, {"(a|aa)*b", "", false, 0, 0}, {"(a|aa)*b", "b", true, -1, 0},
      {"(a*)*b", "", false, 0, 0}, {"(a*)*b", "b", true, 0, 0},   {"(.+).*", "", true, 0, 0},
  };
  for (size_t length : {kAutomatonLong, kSearchLong}) {
    const int n = static_cast<int>(length);
    for (const Case& c : cases) {
      auto p = Pattern::create(c.pattern);
      auto m = p->newMatcher(std::string(length, 'a') + c.tail);
      if (length == kAutomatonLong) {
        EXPECT_EQ(m->matchWhole(), c.whole) << c.pattern;
        EXPECT_FALSE(m->limitExceeded()) << c.pattern;
        // (.+).* has its group checked with the linear patterns.
        if (c.whole && c.pattern[1] != '.') {
          EXPECT_EQ(m->groupStart(1), n + c.group1Start) << c.pattern;
          EXPECT_EQ(m->groupEnd(1), n + c.group1End) << c.pattern;
        }
      }
      if (length == kSearchLong) {
        m->rewind();
        EXPECT_EQ(m->findNext(), c.whole) << c.pattern;
        EXPECT_FALSE(m->limitExceeded()) << c.pattern;
      }
    }
  }
}

TEST(RobustnessTest, DeepGroupLoopWithABackReferenceGivesUpWithoutCrashing) {
  auto p = Pattern::create("(a|b)*\\1");
  auto m = p->newMatcher(std::string(1u << 20, 'a'));
  bool whole = m->matchWhole();
  EXPECT_TRUE(whole || m->limitExceeded());
  m->rewind();
  while (m->findNext()) {
  }
  // One character per iteration runs in place; a two-character
  // alternative makes every iteration a level deeper.
  auto w = WidePattern::create(L"(b|ab)+c\\1");
  auto wm = w->newMatcher(std::wstring(1u << 20, L'b'));
  EXPECT_FALSE(wm->matchWhole());
  EXPECT_TRUE(wm->limitExceeded());
}

TEST(RobustnessTest, ExponentialBacktrackingStopsAtTheStepBudget) {
  auto p = Pattern::create("(a|aa)*b\\1");
  auto m = p->newMatcher(std::string(40, 'a'));
  auto begin = std::chrono::steady_clock::now();
  EXPECT_FALSE(m->matchWhole());
  EXPECT_TRUE(m->limitExceeded());
  EXPECT_FALSE(m->findNext());
  EXPECT_TRUE(m->limitExceeded());
  // A generous bound that still tells a budget from a hang.
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(20));
}

TEST(RobustnessTest, LimitFlagIsPerCall) {
  auto p = Pattern::create("(a|aa)*b\\1");
  auto m = p->newMatcher(std::string(40, 'a'));
  EXPECT_FALSE(m->matchWhole());
  EXPECT_TRUE(m->limitExceeded());
  m->setText("aaba");
  EXPECT_TRUE(m->matchWhole());
  EXPECT_FALSE(m->limitExceeded());
}

std::string nested(int depth, const std::string& inside) {
  return std::string(static_cast<size_t>(depth), '(') + inside + std::string(static_cast<size_t>(depth), ')');
}

int reports(const std::string& err, const std::string& message) {
  int n = 0;
  for (size_t at = err.find("Syntax Error"); at != std::string::npos; at = err.find("Syntax Error", at + 1))
    ++n;
  EXPECT_NE(err.find(message), std::string::npos);
  return n;
}

TEST(RobustnessTest, NestingBeyondTheBoundIsOneSyntaxError) {
  struct Deep {
    const char* open;
    const char* close;
  };
  const Deep kinds[] = {{"(", ")"}, {"(?:", ")"}, {"(?=", ")"}, {"(?>", ")"}, {"[", "]"}};
  for (const Deep& d : kinds) {
    std::string pattern;
    for (int i = 0; i < 20000; ++i) pattern += d.open;
    pattern += "a";
    for (int i = 0; i < 20000; ++i) pattern += d.close;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Pattern::create(pattern)) << d.open;
    EXPECT_FALSE(WidePattern::create(std::wstring(pattern.begin(), pattern.end()))) << d.open;
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(reports(err, "Syntax Error near here. Nested too deeply.\n"), 2) << d.open;
  }
  // Unclosed, as a fuzzer would write them.
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Pattern::create(std::string(30000, '[')));
  EXPECT_FALSE(Pattern::create(std::string(30000, '(')));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(reports(err, "Nested too deeply"), 2);
}

TEST(RobustnessTest, NestingAtTheBoundCompiles) {
  EXPECT_TRUE(Pattern::create(nested(rx::kMaxNesting, "a")));
  std::string classes(rx::kMaxNesting, '[');
  classes += "a" + std::string(rx::kMaxNesting, ']');
  auto p = Pattern::create(classes);
  ASSERT_TRUE(p);
  EXPECT_TRUE(p->matchesWhole("a"));
}

TEST(RobustnessTest, NamedSubPatternsCountAsNesting) {
  ASSERT_TRUE(Pattern::defineNamed("deep", nested(2000, "x")));
  EXPECT_TRUE(Pattern::create(nested(rx::kMaxNesting - 2001, "{deep}")));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Pattern::create(nested(rx::kMaxNesting - 2000, "{deep}")));
  EXPECT_EQ(reports(testing::internal::GetCapturedStderr(), "Nested too deeply"), 1);
  Pattern::clearNamed();
}

TEST(RobustnessTest, WideAlternationCompilesWithoutDepth) {
  std::string pattern;
  for (int i = 0; i < 20000; ++i) pattern += (i ? "|b" : "b") + std::to_string(i);
  for (const std::string& text : {pattern, "(" + pattern + ")", "(?:" + pattern + ")*"}) {
    auto p = Pattern::create(text);
    ASSERT_TRUE(p);
    auto m = p->newMatcher("b19999");
    bool whole = m->matchWhole();
    EXPECT_TRUE(whole || m->limitExceeded()) << text.substr(0, 3);
  }
}

TEST(RobustnessTest, LongPatternsCompile) {
  std::string pattern;
  for (int i = 0; i < 2000; ++i) pattern += "(a";
  pattern += std::string(2000, ')');
  auto p = Pattern::create(pattern);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->groupCount(), 2001);
  EXPECT_TRUE(p->matchesWhole("a" + std::string(1999, 'a')));
}

}  // namespace
