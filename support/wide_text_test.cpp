// Wide text: the C locale's conversion, byte widening, low-8 narrowing and
// the console's bytes.
#include "support/wide_text.h"

#include <gtest/gtest.h>

TEST(WideText, ToWideStopsAtTheFirstUnconvertibleByte) {
  EXPECT_EQ(toWide("Port Name : 21-00"), L"Port Name : 21-00");
  EXPECT_EQ(toWide(""), L"");
  EXPECT_EQ(toWide("ab\xc3\xa9z"), L"ab");
}

TEST(WideText, ByteWideningAndLow8Narrowing) {
  EXPECT_EQ(widenBytes("a\xe9"), std::wstring(L"a") + static_cast<wchar_t>(-23));
  EXPECT_EQ(narrowLow8(std::wstring(L"a") + static_cast<wchar_t>(0x1e9)), "a\xe9");
  EXPECT_EQ(narrowLow8(widenBytes("x\xff")), "x\xff");
}

TEST(Console, UnconvertibleWideCharacterDoesNotLoseTheRest) {
  EXPECT_EQ(toConsoleBytes(std::wstring(L"a") + L'\x263a' + L"b"), "a?b");
}
