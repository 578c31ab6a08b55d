// Matching allocates nothing once a matcher has run on its longest subject:
// the group saves, the automaton's thread lists and the subject's buffer are
// all reused. Counted through this binary's own operator new, which is why
// these tests have an executable of their own.
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
// a loop run in place, the backtracker alone, and the automaton after the
// backtracker gave up, in a whole match and in a search located first.
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
    exercise();
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

}  // namespace
