// The engine against the plain reference matcher: every case of the case
// files, and random patterns over random subjects.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "regex/testing/accelerated_outcome.h"
#include "regex/testing/automaton_outcome.h"
#include "regex/testing/case_file.h"
#include "regex/testing/pattern_generator.h"
#include "regex/testing/probe.h"
#include "regex/testing/reference_matcher.h"

namespace {

using rxtest::Outcome;

using rxtest::describe;

int automatonCompared = 0;
int fastCompared[3] = {0, 0, 0};

const rxtest::Fast kFast[] = {rxtest::Fast::OnePass, rxtest::Fast::Dfa, rxtest::Fast::DfaNoLiteral};
const char* const kFastNames[] = {"one-pass", "DFA", "DFA without literal"};

// One pattern compiled twice, one of them with its faster matchers built at
// once, and each faster matcher run alone.
template <class Char>
struct Matchers {
  Matchers(std::unique_ptr<BasicPattern<Char>> cold, std::unique_ptr<BasicPattern<Char>> hot)
      : pattern(std::move(cold)), accelerated(std::move(hot)) {
    accelerated->acceleratorsNow();
    for (rxtest::Fast which : kFast)
      fast.push_back(std::make_unique<rxtest::Accelerated<Char>>(pattern->graph(), which));
  }
  std::unique_ptr<BasicPattern<Char>> pattern;
  std::unique_ptr<BasicPattern<Char>> accelerated;
  std::vector<std::unique_ptr<rxtest::Accelerated<Char>>> fast;
};

// Compares where neither side gave up; returns whether it compared. When
// the automaton takes the pattern, it must agree with both, the engine must
// never give up, and every faster matcher (and the engine using them) must
// agree too.
template <class Char>
bool agree(Matchers<Char>& m, const std::basic_string<Char>& subject, const std::string& where) {
  BasicPattern<Char>& p = *m.pattern;
  Outcome engine = rxtest::engineOutcome(p, subject, 200);
  Outcome reference = rxtest::referenceOutcome(p.graph(), subject, 200);
  Outcome automaton;
  if (rxtest::automatonOutcome(p.graph(), subject, 200, &automaton)) {
    ++automatonCompared;
    EXPECT_FALSE(engine.limit) << where;
    EXPECT_EQ(describe(automaton), describe(engine)) << where << " (automaton, engine)";
    if (!reference.limit) {
      EXPECT_EQ(describe(automaton), describe(reference)) << where << " (automaton, reference)";
    }
    EXPECT_EQ(describe(rxtest::engineOutcome(*m.accelerated, subject, 200)), describe(automaton))
        << where << " (engine with its faster matchers)";
    for (size_t i = 0; i < m.fast.size(); ++i) {
      Outcome fast;
      if (!m.fast[i]->outcome(subject, 200, &fast)) continue;
      ++fastCompared[i];
      EXPECT_EQ(describe(fast), describe(automaton)) << where << " (" << kFastNames[i] << ")";
    }
  }
  if (engine.limit || reference.limit) return false;
  EXPECT_EQ(describe(engine), describe(reference)) << where;
  return true;
}

// A generated pattern, its syntax error kept off the test's output.
std::unique_ptr<Pattern> compileQuietly(const std::string& pattern, int flags) {
  testing::internal::CaptureStderr();
  auto p = Pattern::create(pattern, flags);
  testing::internal::GetCapturedStderr();
  return p;
}

class ReferenceTest : public testing::TestWithParam<const char*> {};

TEST_P(ReferenceTest, EngineAgreesWithTheReferenceOnEveryCase) {
  std::string error;
  auto cases = rxcases::readCaseFile(std::string("testdata/") + GetParam(), &error);
  ASSERT_EQ(error, "");
  int compared = 0;
  for (const rxcases::Case& c : cases) {
    rxprobe::Options options;
    std::string usage;
    ASSERT_TRUE(rxprobe::parseArgs(c.args, &options, &usage));
    std::string where = c.file + ":" + std::to_string(c.line);
    testing::internal::CaptureStderr();
    if (options.wide) {
      std::wstring pattern;
      ASSERT_TRUE(rxprobe::decodeUtf8(options.pattern, &pattern));
      auto p = WidePattern::create(pattern, options.flags);
      std::unique_ptr<Matchers<wchar_t>> m;
      if (p)
        m = std::make_unique<Matchers<wchar_t>>(std::move(p), WidePattern::create(pattern, options.flags));
      for (const std::string& s : c.subjects) {
        std::wstring decoded, subject;
        if (m && rxprobe::decodeUtf8(s, &decoded) && rxprobe::unescapeLine(decoded, &subject)) {
          compared += agree(*m, subject, where);
        }
      }
    } else {
      auto p = Pattern::create(options.pattern, options.flags);
      std::unique_ptr<Matchers<char>> m;
      if (p)
        m = std::make_unique<Matchers<char>>(std::move(p), Pattern::create(options.pattern, options.flags));
      for (const std::string& s : c.subjects) {
        std::string subject;
        if (m && rxprobe::unescapeLine(s, &subject)) compared += agree(*m, subject, where);
      }
    }
    testing::internal::GetCapturedStderr();
  }
  EXPECT_GT(compared, 0);
}

INSTANTIATE_TEST_SUITE_P(Files, ReferenceTest,
                         testing::Values("syntax.cases", "matching.cases", "classes.cases", "matcher.cases",
                                         "wide.cases"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

TEST(ReferenceTest, RandomPatternsAgree) {
  rxtest::PatternGenerator generator(20240611);
  std::mt19937& rng = generator.rng();
  int compiled = 0, compared = 0;
  for (int round = 0; round < 6000; ++round) {
    std::string pattern = generator.pattern();
    int flags = static_cast<int>(rng() % 32) & ~Pattern::LITERAL;
    auto p = compileQuietly(pattern, flags);
    if (!p) continue;
    ++compiled;
    Matchers<char> m(std::move(p), compileQuietly(pattern, flags));
    for (int i = 0; i < 4; ++i)
      compared += agree(m, rxtest::randomSubject(rng), pattern + " flags " + std::to_string(flags));
  }
  EXPECT_GT(compiled, 3000);
  EXPECT_GT(compared, 12000);
}

// Patterns of the constructs the automaton takes, so that most of them run
// on it, over longer subjects.
TEST(ReferenceTest, RandomRegularPatternsAgreeWithTheAutomaton) {
  rxtest::PatternGenerator generator(20261209, rxtest::PatternGenerator::Mix::Regular);
  std::mt19937& rng = generator.rng();
  automatonCompared = 0;
  for (int round = 0; round < 6000; ++round) {
    std::string pattern = generator.pattern();
    int flags = static_cast<int>(rng() % 32) & ~Pattern::LITERAL;
    auto p = compileQuietly(pattern, flags);
    if (!p) continue;
    Matchers<char> m(std::move(p), compileQuietly(pattern, flags));
    for (int i = 0; i < 4; ++i) {
      std::string subject =
          rxtest::randomSubject(rng) + rxtest::randomSubject(rng) + rxtest::randomSubject(rng);
      agree(m, subject, pattern + " flags " + std::to_string(flags));
    }
  }
  EXPECT_GT(automatonCompared, 8000);
  EXPECT_GT(fastCompared[0], 1000);
  EXPECT_GT(fastCompared[1], 8000);
  EXPECT_GT(fastCompared[2], 8000);
}

// The same in the wide form, the subjects holding characters above 255
// (which only `.` and inverted escapes match), so that the DFAs' classes by
// range take part.
TEST(ReferenceTest, RandomWideRegularPatternsAgreeWithTheAutomaton) {
  rxtest::PatternGenerator generator(20261210, rxtest::PatternGenerator::Mix::Regular);
  std::mt19937& rng = generator.rng();
  automatonCompared = 0;
  for (int round = 0; round < 2000; ++round) {
    std::string pattern = generator.pattern();
    int flags = static_cast<int>(rng() % 32) & ~WidePattern::LITERAL;
    std::wstring wide(pattern.begin(), pattern.end());
    testing::internal::CaptureStderr();
    auto p = WidePattern::create(wide, flags);
    testing::internal::GetCapturedStderr();
    if (!p) continue;
    Matchers<wchar_t> m(std::move(p), WidePattern::create(wide, flags));
    for (int i = 0; i < 4; ++i) {
      std::string narrow = rxtest::randomSubject(rng) + rxtest::randomSubject(rng);
      std::wstring subject;
      for (char c : narrow)
        subject += c == 'b' && rng() % 2 ? L'\u0101' : c == ' ' && rng() % 2 ? L'\u3000' : c;
      agree(m, subject, pattern + " flags " + std::to_string(flags) + " (wide)");
    }
  }
  EXPECT_GT(automatonCompared, 2500);
}

}  // namespace
