// Version comparison, splitting, upper-casing and catalogue keys.
#include <gtest/gtest.h>

#include <random>

#include "framework/base_component.h"
#include "testing/test_support.h"

TEST(CompareVersions, PieceByPiece) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    int expected;
  } cases[] = {
      {L"2.10", L"2.9", 1},
      {L"1.2", L"1.2.0", -1},
      {L"1.02", L"1.2", 0},
      {L"01", L"1", 0},
      {L"1.2b", L"1.2a", 1},
      {L"", L"", 0},
      {L"3", L"", 1},
      {L"", L"0", -1},
      {L"1.2.", L"1.2", 0},
      {L"1..2", L"1.0.2", -1},  // the empty piece is text, below "0"
      {L".5", L"0.5", -1},
      {L"2a", L"10", 1},  // a mixed piece compares as text
      {L"1.2.3", L"1.2.3", 0},
      {L"5.03.02", L"5.3.1", 1},
      // Digit pieces beyond a 32-bit integer compare by numeric value.
      {L"123456789012", L"123456789011", 1},
      {L"123456789012", L"99999999999", 1},
      {L"000000000000000000000000000001", L"1", 0},
      {L"999999999999999999999999999999", L"1000000000000000000000000000000", -1},
      {L"2147483648", L"2147483647", 1},
      {L"4294967296", L"0", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CBaseCmp::compareVersions(c.a, c.b), c.expected) << "a=" << c.a << " b=" << c.b;
    EXPECT_EQ(CBaseCmp::compareVersions(c.b, c.a), -c.expected) << "a=" << c.b << " b=" << c.a;
  }
}

TEST(CompareVersions, AntisymmetricAndTotalOnDigitsOverGeneratedTexts) {
  const std::wstring alphabet[] = {L"0",      L"1",      L"9",  L"00",         L"01",
                                   L"10",     L".",      L"..", L"a",          L"B",
                                   L"\x00e9", L"\x263a", L"-",  L"2147483648", L"99999999999999",
                                   L""};
  std::mt19937 random(20261208);
  std::vector<std::wstring> texts;
  for (int i = 0; i < 400; ++i) {
    std::wstring text;
    const int parts = static_cast<int>(random() % 6);
    for (int p = 0; p < parts; ++p) text += alphabet[random() % std::size(alphabet)];
    texts.push_back(text);
  }
  texts.push_back(std::wstring(5000, L'7'));
  texts.push_back(std::wstring(5000, L'.'));
  for (const std::wstring& a : texts) {
    for (const std::wstring& b : texts) {
      const int ab = CBaseCmp::compareVersions(a, b);
      ASSERT_TRUE(ab == -1 || ab == 0 || ab == 1);
      ASSERT_EQ(ab, -CBaseCmp::compareVersions(b, a)) << "a=" << a.size() << " chars, b=" << b.size();
    }
  }
}

TEST(CompareVersions, DigitPiecesAgreeWithIntegerOrder) {
  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    const int x = static_cast<int>(random() % 100000);
    const int y = static_cast<int>(random() % 100000);
    const std::wstring a = std::wstring(random() % 3, L'0') + std::to_wstring(x);
    const std::wstring b = std::to_wstring(y);
    ASSERT_EQ(CBaseCmp::compareVersions(a, b), (x > y) - (x < y)) << x << " " << y;
  }
}

TEST(SplitVersion, EmptyPiecesAndTrailingSeparator) {
  using Pieces = std::vector<std::wstring>;
  EXPECT_EQ(CBaseCmp::splitVersion(L"1..2", L'.'), (Pieces{L"1", L"", L"2"}));
  EXPECT_EQ(CBaseCmp::splitVersion(L"1.2.", L'.'), (Pieces{L"1", L"2"}));
  EXPECT_EQ(CBaseCmp::splitVersion(L".5", L'.'), (Pieces{L"", L"5"}));
  EXPECT_EQ(CBaseCmp::splitVersion(L"", L'.'), Pieces{});
  EXPECT_EQ(CBaseCmp::splitVersion(L".", L'.'), (Pieces{L""}));
}

TEST(ToUpperWide, MapsEveryCharacter) {
  EXPECT_EQ(CBaseCmp::toUpperWide(L"1077.abcd.1077.015c"), L"1077.ABCD.1077.015C");
  EXPECT_EQ(CBaseCmp::toUpperWide(L""), L"");
}

TEST(PciIdText, DottedKeysFromTheRecord) {
  struct Case {
    const char* pciId;
    const char* subsystemId;
    const wchar_t* key;
  } cases[] = {
      {"1077abcd", "1077015c", L"1077.abcd.1077.015c"},
      {"N/A", "1077015c", L"1077.015c"},
      {"n/a", "N/A", L""},
      {"1077abcd", "n/A", L"1077.abcd"},
      {"10df", "", L"10df"},
      {"10dffe00", "10df", L"10df.fe00.10df"},
  };
  testsupport::TempDir root;
  testsupport::ScopedEnv env("FCUPDATE_ROOT", root.path());
  CBaseCmp component;
  for (const Case& c : cases) {
    auto record = std::make_unique<FcAdapterRecord>();
    copyField(record->pciId, c.pciId);
    copyField(record->subsystemId, c.subsystemId);
    component.adapters.append(std::move(record));
  }
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(component.pciIdText(i), cases[i].key) << i;
}
