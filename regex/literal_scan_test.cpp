// Which literal a search looks for first, and that the scan finds every
// occurrence wherever it lies against the scan's 16- and 64-byte steps.
#include "regex/literal_scan.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "regex/pattern.h"

namespace {

using Place = rx::LiteralScan<char>::Place;

struct Planned {
  const char* pattern;
  Place place;
  const char* text;
};

TEST(LiteralScanTest, PrefixOrAnInnerLiteralNothingBeforeItCanMatch) {
  const Planned cases[] = {
      {"ERR-[0-9]+", Place::Prefix, "ERR-"},
      {"\\Qa.b\\E\\d", Place::Prefix, "a.b"},
      {"[0-9]+\\.[0-9]+\\.[0-9]+", Place::Inner, "."},
      {"(\\w+)=(\\w*)", Place::Inner, "="},
      {"(?:ab)*cd+", Place::Inner, "c"},
      {"\\bx?[a-z]+:\\s", Place::Inner, ":"},
      // Something before the character can match it, or there is no one path.
      {"\\w+a", Place::None, ""},
      {".*x", Place::None, ""},
      {"a|b", Place::None, ""},
      {"(a|b)c", Place::None, ""},
      {"(?i)abc", Place::None, ""},
      {"[0-9]+", Place::None, ""},
  };
  for (const Planned& c : cases) {
    auto p = Pattern::create(c.pattern);
    ASSERT_TRUE(p) << c.pattern;
    auto automaton = rx::Automaton<char>::build(p->graph());
    ASSERT_TRUE(automaton) << c.pattern;
    rx::LiteralScan<char> scan(p->graph(), *automaton);
    EXPECT_EQ(scan.place(), c.place) << c.pattern;
    EXPECT_EQ(scan.text(), c.text) << c.pattern;
    EXPECT_EQ(scan.pc() >= 0, c.place == Place::Inner) << c.pattern;
  }
}

template <class Char>
std::unique_ptr<rx::LiteralScan<Char>> scanFor(const std::basic_string<Char>& literal,
                                               std::unique_ptr<BasicPattern<Char>>* pattern,
                                               std::unique_ptr<rx::Automaton<Char>>* automaton) {
  *pattern = BasicPattern<Char>::create(literal + static_cast<Char>('x'), BasicPattern<Char>::LITERAL);
  *automaton = rx::Automaton<Char>::build((*pattern)->graph());
  return std::make_unique<rx::LiteralScan<Char>>((*pattern)->graph(), **automaton);
}

// Every offset of a 200-byte text, near misses (the two rare bytes in
// place, the rest not) all around.
TEST(LiteralScanTest, FindsEveryOccurrenceAtEveryOffset) {
  std::unique_ptr<Pattern> p;
  std::unique_ptr<rx::Automaton<char>> a;
  auto scan = scanFor<char>("Q-Zq", &p, &a);
  ASSERT_EQ(scan->text(), "Q-Zqx");
  std::string noise;
  for (int i = 0; i < 200; ++i) noise += i % 7 == 0 ? "Q-Zy"[i % 4] : 'a' + i % 26;
  for (int at = 0; at + 5 <= 200; ++at) {
    std::string text = noise;
    text.replace(static_cast<size_t>(at), 5, "Q-Zqx");
    if (at > 10) text.replace(static_cast<size_t>(at - 10), 5, "Q-Zqy");
    const int n = static_cast<int>(text.size());
    EXPECT_EQ(scan->find(text.data(), n, 0), at) << at;
    EXPECT_EQ(scan->find(text.data(), n, at), at) << at;
    EXPECT_EQ(scan->find(text.data(), n, at + 1), -1) << at;
    EXPECT_EQ(scan->find(text.data(), at + 4, 0), -1) << at;
  }
  EXPECT_EQ(scan->find("", 0, 0), -1);
}

// A rare character that is everywhere in this text: the scan goes over to
// both rare bytes at once and still finds the occurrence.
TEST(LiteralScanTest, ACommonRareByteHandsOverToTheScanForTwo) {
  std::unique_ptr<Pattern> p;
  std::unique_ptr<rx::Automaton<char>> a;
  auto scan = scanFor<char>("ERR-", &p, &a);
  for (size_t before : {size_t{0}, size_t{17}, size_t{3000}}) {
    std::string text(before, 'R');
    text += "ERR-xERRR";
    const int n = static_cast<int>(text.size());
    EXPECT_EQ(scan->find(text.data(), n, 0), static_cast<int>(before)) << before;
    EXPECT_EQ(scan->find(text.data(), n, static_cast<int>(before) + 1), -1) << before;
  }
}

TEST(LiteralScanTest, WideLiteralsByTheirRarestCharacter) {
  std::unique_ptr<WidePattern> p;
  std::unique_ptr<rx::Automaton<wchar_t>> a;
  auto scan = scanFor<wchar_t>(L"ab\u0100", &p, &a);
  const std::wstring text = L"ab ab\u0101 b\u0100 ab\u0100x";
  EXPECT_EQ(scan->find(text.data(), static_cast<int>(text.size()), 0), 10);
  EXPECT_EQ(scan->find(text.data(), 13, 0), -1);
}

}  // namespace
