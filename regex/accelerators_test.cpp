// When a pattern builds its faster matchers, and which of them answers each
// of the components' patterns. Their answers are compared with the other
// matchers' in reference_test.cpp.
#include "regex/accelerators.h"

#include <gtest/gtest.h>

#include <string>

#include "regex/pattern.h"

namespace {

using Place = rx::LiteralScan<char>::Place;

TEST(AcceleratorsTest, BuiltAfterEnoughUsesOrForALongSubject) {
  auto p = Pattern::create("(\\w+)=(\\w+)");
  for (int i = 1; i < Pattern::kAcceleratorUses; ++i) {
    ASSERT_TRUE(p->newMatcher("key=value")->matchWhole());
    ASSERT_EQ(p->accelerators(), nullptr) << i;
  }
  auto m = p->newMatcher("key=value");
  ASSERT_TRUE(m->matchWhole());
  ASSERT_NE(p->accelerators(), nullptr);
  EXPECT_EQ(m->groupText(2), "value");

  auto q = Pattern::create("[0-9]+\\.[0-9]+");
  EXPECT_EQ(q->collectAll("1.2 and 3.4"), (std::vector<std::string>{"1.2", "3.4"}));
  EXPECT_EQ(q->accelerators(), nullptr);
  std::string log(Pattern::kAcceleratorLength, 'x');
  log += " 10.7";
  EXPECT_EQ(q->collectAll(log), (std::vector<std::string>{"10.7"}));
  EXPECT_NE(q->accelerators(), nullptr);
}

// A pattern compiled for one call never builds them; one the automaton
// does not take never does.
TEST(AcceleratorsTest, NotBuiltForOneCallNorForTheBacktrackerAlone) {
  const std::string release = "Red Hat Enterprise Linux Server release 5.4 (Tikanga)\n";
  auto p = Pattern::create("Red Hat Enterprise Linux.*release 5.*", Pattern::DOT_ALL | Pattern::MULTI_LINE);
  EXPECT_TRUE(p->matchesWhole(release));
  EXPECT_EQ(p->accelerators(), nullptr);

  auto r = Pattern::create("(a+)\\1");
  for (int i = 0; i < 2 * Pattern::kAcceleratorUses; ++i) EXPECT_TRUE(r->matchesWhole("aaaa"));
  EXPECT_EQ(r->accelerators(), nullptr);
  EXPECT_EQ(r->acceleratorsNow(), nullptr);
}

struct Served {
  const char* pattern;
  int flags;
  bool onePass;
  bool wholeByOnePass;
  Place literal;
  const char* text;
};

// The components' patterns, and what answers them once built (a whole
// match not taken by the one-pass matcher stays with the backtracker).
TEST(AcceleratorsTest, WhatAnswersTheComponentsPatterns) {
  const int lines = Pattern::DOT_ALL, release = Pattern::DOT_ALL | Pattern::MULTI_LINE;
  const Served cases[] = {
      {"HBA Instance.*: (.+).*", lines, false, false, Place::Prefix, "HBA Instance"},
      {"Flash Image.*: (.+).*", lines, false, false, Place::Prefix, "Flash Image"},
      {"Port Name.*: (.+).*", lines, false, false, Place::Prefix, "Port Name"},
      {"HBA=(.+),.*PCI ID=(\\w{1,4}),.*VID=(\\w{1,4}),.*SSID=(\\w{1,4}),.*SVID=(\\w{1,4}),"
       ".*Firmware=(.+),.*Boot Code=([\\w\\.]+).*",
       lines, false, false, Place::Prefix, "HBA="},
      {"Red Hat Enterprise Linux.*release 4.*", release, false, false, Place::Prefix,
       "Red Hat Enterprise Linux"},
      {"SUSE Linux Enterprise Server 11.*", release, true, false, Place::Prefix,
       "SUSE Linux Enterprise Server 11"},
      {"[0-9]+\\.[0-9]+\\.[0-9]+", 0, true, true, Place::Inner, "."},
      {"ERR-[0-9]+", 0, true, false, Place::Prefix, "ERR-"},
  };
  for (const Served& c : cases) {
    auto p = Pattern::create(c.pattern, c.flags);
    const rx::Accelerators<char>* fast = p->acceleratorsNow();
    ASSERT_NE(fast, nullptr) << c.pattern;
    EXPECT_EQ(fast->onePass() != nullptr, c.onePass) << c.pattern;
    EXPECT_EQ(fast->wholeMatcher() != nullptr, c.wholeByOnePass) << c.pattern;
    EXPECT_EQ(fast->literal().place(), c.literal) << c.pattern;
    EXPECT_EQ(fast->literal().text(), c.text) << c.pattern;
  }
  auto brocade = WidePattern::create(L".*(\\d+\\.\\d+\\.\\d+\\.\\d+).*", WidePattern::DOT_ALL);
  const rx::Accelerators<wchar_t>* wide = brocade->acceleratorsNow();
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->onePass(), nullptr);
  EXPECT_EQ(wide->literal().place(), rx::LiteralScan<wchar_t>::Place::None);
  auto digits = WidePattern::create(L"\\d+");
  ASSERT_NE(digits->acceleratorsNow(), nullptr);
  EXPECT_NE(digits->acceleratorsNow()->wholeMatcher(), nullptr);
}

// The answers once built are the backtracker's, groups of every find
// included, in both forms.
TEST(AcceleratorsTest, BuiltMatchersKeepTheAnswers) {
  auto p = Pattern::create("(\\d+)\\.(\\d+)");
  auto cold = Pattern::create("(\\d+)\\.(\\d+)");
  p->acceleratorsNow();
  const std::string text = "v1.2, 33.44 and .5 6. 7.8";
  auto hot = p->newMatcher(text), plain = cold->newMatcher(text);
  int finds = 0;
  while (plain->findNext()) {
    ASSERT_TRUE(hot->findNext());
    EXPECT_EQ(hot->groupTexts(true), plain->groupTexts(true));
    ++finds;
  }
  EXPECT_FALSE(hot->findNext());
  EXPECT_EQ(finds, 3);

  auto w = WidePattern::create(L"\\b(\\w)\\w*");
  w->acceleratorsNow();
  EXPECT_EQ(w->collectAll(L"one tw\u0100o three"),
            (std::vector<std::wstring>{L"one", L"tw", L"o", L"three"}));
}

}  // namespace
