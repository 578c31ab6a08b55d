// Trimming and space folding of adapter texts.
#include "fchba/text_normalise.h"

#include <gtest/gtest.h>

TEST(TextNormalise, TrailingCutAndSpaceRuns) {
  struct Case {
    std::string in;
    std::string out;
  } cases[] = {
      {"ABC  123   ", "ABC 123"},
      {"   ", " "},
      {"", ""},
      {"X", "X"},
      {"   lead", " lead"},
      {"a\t\tb", "a\t\tb"},                 // tabs are not spaces
      {"v1.0~\x7f\x80\xff\r\n\t", "v1.0"},  // "~", DEL, high bytes and controls go at the end
      {"~", "~"},                           // the first character is never dropped
      {"~~~", "~"},
      {"a  b  c\x01 ", "a b c"},
      {"!}", "!}"},  // both ends of the kept range
  };
  for (const Case& c : cases) {
    std::string text = c.in;
    normaliseText(text);
    EXPECT_EQ(text, c.out) << "input [" << c.in << "]";
  }
}
