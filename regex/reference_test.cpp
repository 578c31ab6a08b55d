// The engine against the plain reference matcher: every case of the case
// files, and random patterns over random subjects.
#include <gtest/gtest.h>

#include "regex/testing/case_file.h"
#include "regex/testing/pattern_generator.h"
#include "regex/testing/probe.h"
#include "regex/testing/reference_matcher.h"

namespace {

using rxtest::Outcome;

std::string describe(const Outcome& o) {
  std::string s = o.whole ? "whole " : "not whole ";
  for (auto& g : o.groups) s += "[" + std::to_string(g.first) + "," + std::to_string(g.second) + "]";
  s += " finds ";
  for (auto& f : o.finds) s += "[" + std::to_string(f.first) + "," + std::to_string(f.second) + "]";
  return s + (o.limit ? " limit" : "");
}

// Compares where neither side gave up; returns whether it compared.
template <class Char>
bool agree(BasicPattern<Char>& p, const std::basic_string<Char>& subject, const std::string& where) {
  Outcome engine = rxtest::engineOutcome(p, subject, 200);
  Outcome reference = rxtest::referenceOutcome(p.graph(), subject, 200);
  if (engine.limit || reference.limit) return false;
  EXPECT_EQ(describe(engine), describe(reference)) << where;
  return true;
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
      for (const std::string& s : c.subjects) {
        std::wstring decoded, subject;
        if (p && rxprobe::decodeUtf8(s, &decoded) && rxprobe::unescapeLine(decoded, &subject)) {
          compared += agree(*p, subject, where);
        }
      }
    } else {
      auto p = Pattern::create(options.pattern, options.flags);
      for (const std::string& s : c.subjects) {
        std::string subject;
        if (p && rxprobe::unescapeLine(s, &subject)) compared += agree(*p, subject, where);
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
    testing::internal::CaptureStderr();
    auto p = Pattern::create(pattern, flags);
    testing::internal::GetCapturedStderr();
    if (!p) continue;
    ++compiled;
    for (int i = 0; i < 4; ++i)
      compared += agree(*p, rxtest::randomSubject(rng), pattern + " flags " + std::to_string(flags));
  }
  EXPECT_GT(compiled, 3000);
  EXPECT_GT(compared, 12000);
}

}  // namespace
