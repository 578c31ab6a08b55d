// rxprobe's protocol: subject-line escapes, exit statuses and the JSON line,
// through the built executable and through the library.
#include "regex/testing/probe.h"

#include <gtest/gtest.h>

#include "testing/test_support.h"

namespace {

using testsupport::binDir;
using testsupport::runIn;
using testsupport::TempDir;

testsupport::RunResult probe(const std::string& args, const std::string& input) {
  TempDir dir;
  testsupport::writeFile(dir / "in.txt", input);
  return runIn(dir.path(), binDir() + "/rxprobe " + args + " < in.txt 2>err.txt");
}

TEST(RxprobeTest, PrintsOneJsonLinePerSubject) {
  auto r = probe("'(a|b)*'", "ab\nc\n");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "{\"whole\":true,\"groups\":[[0,2],[1,2]],\"finds\":[[0,2]]}\n"
            "{\"whole\":false,\"groups\":null,\"finds\":[[0,0]]}\n");
}

TEST(RxprobeTest, CompileFailureExitsTwoWithTheReportOnStandardError) {
  TempDir dir;
  auto r = runIn(dir.path(), binDir() + "/rxprobe 'a**' </dev/null 2>err.txt");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "{\"compiled\":false}\n");
  EXPECT_EQ(testsupport::readFile(dir / "err.txt"),
            "a**\n  ^\nSyntax Error near here. Possible unescaped meta character.\n");
}

TEST(RxprobeTest, LastLineWithoutLineEndIsASubject) {
  auto r = probe("a", "a");
  EXPECT_EQ(r.out, "{\"whole\":true,\"groups\":[[0,1]],\"finds\":[[0,1]]}\n");
}

TEST(RxprobeTest, UsageErrorsExitSixtyFour) {
  EXPECT_EQ(probe("", "").exitCode, 64);
  EXPECT_EQ(probe("--flags x a", "").exitCode, 64);
  EXPECT_EQ(probe("a b", "").exitCode, 64);
  EXPECT_EQ(probe("a", "\\q\n").exitCode, 64);
  EXPECT_EQ(probe("--wide a", "\xff\n").exitCode, 64);
  EXPECT_EQ(probe("--wide \"$(printf '\\303')\"", "").exitCode, 64);
}

TEST(RxprobeTest, FlagsAndWideDecoding) {
  EXPECT_EQ(probe("--flags 1 abc", "ABC\n").out, "{\"whole\":true,\"groups\":[[0,3]],\"finds\":[[0,3]]}\n");
  // Two wide characters, so the positions count characters, not bytes.
  EXPECT_EQ(probe("--wide 'é.'", "éa\n").out, "{\"whole\":true,\"groups\":[[0,2]],\"finds\":[[0,2]]}\n");
}

struct UnescapeCase {
  const char* line;
  const char* narrow;  // null: a usage error
};

TEST(RxprobeTest, NarrowSubjectEscapes) {
  const UnescapeCase cases[] = {
      {"a\\\\b", "a\\b"}, {"\\n\\r\\t", "\n\r\t"}, {"\\x41\\x7a", "Az"}, {"\\x4", nullptr},
      {"\\xg0", nullptr}, {"\\u{41}", nullptr},    {"a\\", nullptr},     {"\\q", nullptr},
  };
  for (const UnescapeCase& c : cases) {
    std::string out;
    bool ok = rxprobe::unescapeLine(c.line, &out);
    EXPECT_EQ(ok, c.narrow != nullptr) << c.line;
    if (ok && c.narrow) {
      EXPECT_EQ(out, c.narrow) << c.line;
    }
  }
  std::string nul;
  ASSERT_TRUE(rxprobe::unescapeLine("a\\0b", &nul));
  EXPECT_EQ(nul, std::string("a\0b", 3));
}

TEST(RxprobeTest, WideSubjectEscapes) {
  std::wstring out;
  ASSERT_TRUE(rxprobe::unescapeLine(L"\\u{1F600}\\u{0}\\x41", &out));
  EXPECT_EQ(out, std::wstring(L"\U0001F600") + L'\0' + L"A");
  ASSERT_TRUE(rxprobe::unescapeLine(L"\\u{FFFFFFFF}", &out));
  EXPECT_EQ(static_cast<uint32_t>(out[0]), 0xFFFFFFFFu);
  EXPECT_FALSE(rxprobe::unescapeLine(L"\\u{}", &out));
  EXPECT_FALSE(rxprobe::unescapeLine(L"\\u{123456789}", &out));
  EXPECT_FALSE(rxprobe::unescapeLine(L"\\u{41", &out));
}

TEST(RxprobeTest, Utf8Decoding) {
  std::wstring out;
  EXPECT_TRUE(rxprobe::decodeUtf8("a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", &out));
  EXPECT_EQ(out, L"a\u00e9\u20ac\U0001F600");
  EXPECT_FALSE(rxprobe::decodeUtf8("\xc0\x80", &out));          // overlong
  EXPECT_FALSE(rxprobe::decodeUtf8("\xed\xa0\x80", &out));      // surrogate
  EXPECT_FALSE(rxprobe::decodeUtf8("\xe2\x82", &out));          // cut short
  EXPECT_FALSE(rxprobe::decodeUtf8("\xf4\x90\x80\x80", &out));  // above U+10FFFF
}

TEST(RxprobeTest, StopsAfterTenThousandFinds) {
  auto pattern = Pattern::create("");
  std::string json = rxprobe::describeSubject(*pattern, std::string(20000, 'a'));
  size_t pairs = 0;
  for (size_t i = json.find("\"finds\""); (i = json.find('[', i + 1)) != std::string::npos;) ++pairs;
  EXPECT_EQ(pairs, 10000u + 1u);  // the list's own bracket plus 10000 pairs
}

}  // namespace
