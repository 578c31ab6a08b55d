// The engine against PCRE2 on the dialect the two share (listed in
// regex/testing/pcre2_dialect.h): every narrow case of the case files and
// generated patterns, whole match with groups and the successive finds. The
// reference matcher runs over the same compiled graph, so a compiler fault
// escapes it; PCRE2 compiles the pattern text on its own.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <gtest/gtest.h>
#include <pcre2.h>

#include <cstdio>
#include <memory>

#include "regex/testing/case_file.h"
#include "regex/testing/pattern_generator.h"
#include "regex/testing/pcre2_dialect.h"
#include "regex/testing/probe.h"
#include "regex/testing/reference_matcher.h"

namespace {

using rxtest::Outcome;
using rxtest::Span;

constexpr int kMaxFinds = 200;

struct CodeDeleter {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
using Code = std::unique_ptr<pcre2_code, CodeDeleter>;

Code compilePeer(const rxtest::Pcre2Pattern& p) {
  uint32_t options = PCRE2_DOLLAR_ENDONLY | PCRE2_ALT_CIRCUMFLEX | PCRE2_MATCH_UNSET_BACKREF;
  if (p.caseless) options |= PCRE2_CASELESS;
  if (p.dotAll) options |= PCRE2_DOTALL;
  if (p.multiLine) options |= PCRE2_MULTILINE;
  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
  int error = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(p.text.data()), p.text.size(), options,
                                   &error, &offset, context);
  pcre2_compile_context_free(context);
  return Code(code);
}

// One match attempt at `from`; the group spans, or nothing.
bool peerMatch(pcre2_code* code, const std::string& subject, size_t from, uint32_t options,
               std::vector<Span>* groups) {
  pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
  int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), from, options,
                       data, nullptr);
  groups->clear();
  if (rc >= 0) {
    uint32_t count = 0;
    (void)pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &count);
    PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data);
    for (size_t i = 0; i <= count; ++i) {
      bool unset = i >= static_cast<size_t>(rc) || ov[2 * i] == PCRE2_UNSET;
      groups->emplace_back(unset ? -1 : static_cast<int>(ov[2 * i]),
                           unset ? -1 : static_cast<int>(ov[2 * i + 1]));
    }
  }
  pcre2_match_data_free(data);
  return rc >= 0;
}

// PCRE2 driven by this engine's find rule.
Outcome peerOutcome(pcre2_code* code, const std::string& subject) {
  Outcome o;
  o.whole = peerMatch(code, subject, 0, PCRE2_ANCHORED | PCRE2_ENDANCHORED, &o.groups);
  std::vector<Span> groups;
  int length = static_cast<int>(subject.size());
  for (int from = 0; static_cast<int>(o.finds.size()) < kMaxFinds;) {
    if (!peerMatch(code, subject, static_cast<size_t>(from), 0, &groups)) break;
    o.finds.push_back(groups[0]);
    o.findGroups.insert(o.findGroups.end(), groups.begin() + 1, groups.end());
    from = groups[0].first == groups[0].second ? groups[0].second + 1 : groups[0].second;
    if (from >= length) break;
  }
  return o;
}

using rxtest::describe;

// Compares one pattern over its subjects; returns how many it compared.
int compare(const std::string& pattern, int flags, const std::vector<std::string>& subjects,
            const std::string& where) {
  rxtest::Pcre2Pattern translated;
  if (!rxtest::toPcre2(pattern, flags, &translated)) return 0;
  testing::internal::CaptureStderr();
  auto ours = Pattern::create(pattern, flags);
  testing::internal::GetCapturedStderr();
  Code peer = compilePeer(translated);
  if (!ours || !peer) return 0;
  int compared = 0;
  for (const std::string& subject : subjects) {
    Outcome engine = rxtest::engineOutcome(*ours, subject, kMaxFinds);
    if (engine.limit) continue;
    Outcome other = peerOutcome(peer.get(), subject);
    if (!engine.whole) other.groups.clear();
    EXPECT_EQ(describe(engine), describe(other))
        << where << "\n  pattern " << pattern << " flags " << flags << "\n  as " << translated.text;
    ++compared;
  }
  return compared;
}

class Pcre2PeerTest : public testing::TestWithParam<const char*> {};

TEST_P(Pcre2PeerTest, CaseFilesAgreeOnTheSharedDialect) {
  std::string error;
  auto cases = rxcases::readCaseFile(std::string("testdata/") + GetParam(), &error);
  ASSERT_EQ(error, "");
  int compared = 0;
  for (const rxcases::Case& c : cases) {
    rxprobe::Options options;
    std::string usage;
    ASSERT_TRUE(rxprobe::parseArgs(c.args, &options, &usage));
    if (options.wide) continue;
    std::vector<std::string> subjects;
    for (const std::string& s : c.subjects) {
      std::string subject;
      if (rxprobe::unescapeLine(s, &subject)) subjects.push_back(subject);
    }
    compared += compare(options.pattern, options.flags, subjects, c.file + ":" + std::to_string(c.line));
  }
  std::printf("compared %d subjects\n", compared);
  EXPECT_GT(compared, 0);
}

INSTANTIATE_TEST_SUITE_P(Files, Pcre2PeerTest,
                         testing::Values("syntax.cases", "matching.cases", "classes.cases", "matcher.cases"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

TEST(Pcre2PeerTest, GeneratedPatternsAgreeOnTheSharedDialect) {
  rxtest::PatternGenerator generator(20260611);
  std::mt19937& rng = generator.rng();
  int compared = 0;
  for (int round = 0; round < 12000; ++round) {
    std::string pattern = generator.pattern();
    int flags = static_cast<int>(rng() % 16) & ~Pattern::LITERAL;
    std::vector<std::string> subjects(4);
    for (std::string& s : subjects) s = rxtest::randomSubject(rng);
    compared += compare(pattern, flags, subjects, "generated");
  }
  std::printf("compared %d subjects\n", compared);
  EXPECT_GT(compared, 8000);
}

}  // namespace
