// Replays every case of the case files in testdata/ through rxprobe's
// protocol and compares standard output and standard error line by line.
#include "regex/testing/case_file.h"

#include <gtest/gtest.h>

namespace {

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

class CaseFileTest : public testing::TestWithParam<const char*> {};

TEST_P(CaseFileTest, EveryCaseGivesTheRecordedOutput) {
  std::string error;
  std::vector<rxcases::Case> cases = rxcases::readCaseFile(std::string("testdata/") + GetParam(), &error);
  ASSERT_EQ(error, "");
  ASSERT_FALSE(cases.empty());
  for (const rxcases::Case& c : cases) {
    rxcases::Outcome got = rxcases::runCase(c);
    std::string where = c.file + ":" + std::to_string(c.line) + "\n  replay: " + c.replay();
    EXPECT_EQ(joined(got.out), joined(c.out)) << where;
    EXPECT_EQ(joined(got.err), joined(c.err)) << where;
    EXPECT_EQ(got.exitCode, c.out.size() == 1 && c.out[0] == "{\"compiled\":false}" ? 2 : 0) << where;
  }
}

INSTANTIATE_TEST_SUITE_P(Files, CaseFileTest,
                         testing::Values("syntax.cases", "errors.cases", "matching.cases", "classes.cases",
                                         "matcher.cases", "wide.cases"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
