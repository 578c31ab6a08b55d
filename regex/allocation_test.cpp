// Matching allocates nothing once a matcher has run on its longest subject:
// the group saves, the automaton's thread lists and the subject's buffer are
// all reused; a new matcher per line reuses the storage of the last one; and
// compiling a pattern and matching it once allocates the pattern and at most
// a matcher.
// Counted through this binary's own operator new, which is why these tests
// have an executable of their own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "regex/pattern.h"

namespace {
long allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

struct Case {
  const char* pattern;
  int flags;
  std::vector<std::string> subjects;  // the longest first
};

// Every way a match runs: group saves of a look-ahead and an atomic group,
// a loop run in place, the backtracker alone, the automaton after the
// backtracker gave up, in a whole match and in a search located first, and
// the faster matchers once built.
TEST(AllocationTest, RepeatedMatchesAllocateNothing) {
  const std::string xs(30, 'x');
  const Case cases[] = {
      {"(a)(?=(b))b", 0, {"zzab ab", "ab", "b"}},
      {"(?>(a|b)*)c", 0, {"ababc abc", "abc", "x"}},
      {"(a|aa)*b\\1", 0, {"aaaaab", "ab"}},
      {"(x+x+)+y", 0, {xs + "!xxy", xs + "y", xs}},
      {"HBA Instance.*: (.+).*", Pattern::DOT_ALL, {"HBA Instance 12: 0x3 QLE2562", "HBA Instance: 1"}},
  };
  for (const Case& c : cases) {
    auto p = Pattern::create(c.pattern, c.flags);
    ASSERT_TRUE(p) << c.pattern;
    auto m = p->newMatcher(c.subjects.front());
    auto exercise = [&] {
      for (const std::string& s : c.subjects) {
        m->setText(s);
        m->matchWhole();
        while (m->findNext()) {
        }
        p->matchesWhole(s);
      }
    };
    // Past the uses that build the faster matchers, and every state their
    // scans reach on these subjects.
    for (int round = 0; round < 20; ++round) exercise();
    long before = allocations;
    for (int round = 0; round < 3; ++round) exercise();
    EXPECT_EQ(allocations - before, 0) << c.pattern;
  }
  // The wide pattern's own matcher, as the version rules use it.
  auto digits = WidePattern::create(L"\\d+");
  const std::vector<std::wstring> pieces = {L"01A12", L"2", L"0042", L"26-k"};
  for (const std::wstring& piece : pieces) digits->matchesWhole(piece);
  long before = allocations;
  for (const std::wstring& piece : pieces) digits->matchesWhole(piece);
  EXPECT_EQ(allocations - before, 0);
}

// The components' line patterns as they use them: a new matcher for every
// line, a whole match, the groups read, the matcher deleted. (A group's text
// is the caller's own copy, which allocates when it is long.)
TEST(AllocationTest, ANewMatcherPerLineAllocatesNothing) {
  struct Lines {
    const char* pattern;
    std::vector<std::string> lines;
  };
  const Lines cases[] = {
      {"HBA Instance.*: (.+).*", {"HBA Instance: 12", "Model Name: QLE2562    Serial Number: RFC0901M01235"}},
      {"Flash Image.*: (.+).*", {"Flash Image Version: 2.01.03", "HBA Instance: 3"}},
      {"Port Name.*: (.+).*", {"Port Name: 21-00-00-24-ff-01-02-fe", "  Driver Version: 8.07.00.12-k"}},
      {"HBA=(.+),.*PCI ID=(\\w{1,4}),.*VID=(\\w{1,4}),.*SSID=(\\w{1,4}),.*SVID=(\\w{1,4}),"
       ".*Firmware=(.+),.*Boot Code=([\\w\\.]+).*",
       {"HBA=LPe12002-M8, Port WWN=10:00:00:00:c9:01:03:fe, PCI ID=f100, VID=10df, SSID=f100, SVID=10df, "
        "Firmware=2.01A1, Boot Code=5.01a1",
        "elxflash: adapter 7 skipped: no firmware image found in ./lx/firmware"}},
  };
  for (const Lines& c : cases) {
    auto p = Pattern::create(c.pattern, Pattern::DOT_ALL);
    ASSERT_TRUE(p) << c.pattern;
    int spans = 0;
    auto parse = [&] {
      for (const std::string& line : c.lines) {
        std::unique_ptr<PatternMatcher> m = p->newMatcher(line);
        if (m->matchWhole()) spans += m->groupEnd(1) - m->groupStart(1);
      }
    };
    for (int round = 0; round < 40; ++round) parse();
    long before = allocations;
    parse();
    EXPECT_EQ(allocations - before, 0) << c.pattern;
    EXPECT_GT(spans, 0) << c.pattern;
  }
  auto version = WidePattern::create(L".*(\\d+\\.\\d+\\.\\d+\\.\\d+).*", WidePattern::DOT_ALL);
  const std::wstring rom = L"Boot BIOS ROM version 3.2.4.0 (build 17)";
  for (int round = 0; round < 40; ++round) version->newMatcher(rom)->matchWhole();
  long before = allocations;
  std::unique_ptr<WidePatternMatcher> m = version->newMatcher(rom);
  ASSERT_TRUE(m->matchWhole());
  m.reset();
  EXPECT_EQ(allocations - before, 0);
}

// As the version rules and the platform detection use the engine when a
// pattern is compiled for one call, and as a caller that makes a matcher for
// it: the pattern (its text and graph are one block) and the matcher; the
// match itself allocates nothing.
TEST(AllocationTest, CompilingAndMatchingOnceAllocatesAtMostTwice) {
  const std::wstring wideDigits = L"\\d+", widePiece = L"0042";
  long before = allocations;
  EXPECT_TRUE(WidePattern::textMatches(wideDigits, widePiece));
  EXPECT_LE(allocations - before, 2);
  before = allocations;
  {
    auto p = WidePattern::create(wideDigits);
    EXPECT_TRUE(p->newMatcher(widePiece)->matchWhole());
  }
  EXPECT_LE(allocations - before, 2);
  const std::string digits = "\\d+", piece = "0042";
  before = allocations;
  EXPECT_TRUE(Pattern::textMatches(digits, piece));
  EXPECT_LE(allocations - before, 2);
  const std::string release = "Red Hat Enterprise Linux Server release 5.4 (Tikanga)\n";
  const std::string patterns[] = {"Red Hat Enterprise Linux.*release 4.*",
                                  "Red Hat Enterprise Linux.*release 5.*",
                                  "SUSE Linux Enterprise Server 11.*"};
  const int flags = Pattern::DOT_ALL | Pattern::MULTI_LINE;
  for (const std::string& pattern : patterns) {
    before = allocations;
    Pattern::textMatches(pattern, release, flags);
    EXPECT_LE(allocations - before, 2) << pattern;
    before = allocations;
    {
      auto p = Pattern::create(pattern, flags);
      auto m = p->newMatcher(release);
      m->matchWhole();
      p.reset();
    }
    EXPECT_LE(allocations - before, 2) << pattern << " (with a matcher)";
  }
}

}  // namespace
