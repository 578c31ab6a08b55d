#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "support/command_runner.h"
#include "support/console.h"
#include "support/shell_quote.h"
#include "support/system_root.h"
#include "support/wide_text.h"
#include "testing/test_support.h"

using testsupport::ScopedEnv;

TEST(ShellQuote, LeavesSafeTextAndQuotesTheRest) {
  struct Case {
    const char* text;
    const char* quoted;
  } cases[] = {
      {"/var/vlx/Component.log", "/var/vlx/Component.log"},
      {"/sys/devices/pci0000:00/0000:03:00.1", "/sys/devices/pci0000:00/0000:03:00.1"},
      {"A-Za-z0-9@%+=:,./_-", "A-Za-z0-9@%+=:,./_-"},
      {"", "''"},
      {"/tmp/with space", "'/tmp/with space'"},
      {"it's", "'it'\"'\"'s'"},
      {"a;rm -rf /", "'a;rm -rf /'"},
      {"$(id)", "'$(id)'"},
      {"star*", "'star*'"},
  };
  for (const Case& c : cases) EXPECT_EQ(shellQuote(c.text), c.quoted) << c.text;
}

TEST(ShellQuote, QuotedTextReachesTheShellUnchanged) {
  const std::string tricky = "a b'c\"d$e`f\\g";
  EXPECT_EQ(runCommand("printf %s " + shellQuote(tricky)), tricky);
}

TEST(SystemRoot, UnsetOrEmptyKeepsTheHostPath) {
  {
    ScopedEnv env("FCUPDATE_ROOT", "");
    EXPECT_EQ(hostPath("/etc/hba.conf"), "/etc/hba.conf");
  }
  ScopedEnv env("FCUPDATE_ROOT", "/tmp/root/");
  EXPECT_EQ(hostPath("/etc/hba.conf"), "/tmp/root/etc/hba.conf");
}

TEST(RunCommand, CapturesLongLinesWhole) {
  const std::string line(300, 'x');
  EXPECT_EQ(runCommand("printf '%s\\nend\\n' " + line), line + "\nend\n");
}

TEST(RunCommand, EmptyOutputAndStderrNotCaptured) {
  EXPECT_EQ(runCommand("true"), "");
  EXPECT_EQ(runCommand("echo hidden 1>&2"), "");
  // A command that prints ERROR reads the same as one that could not start.
  EXPECT_EQ(runCommand("printf ERROR"), "ERROR");
}

TEST(DecodeSystemStatus, ExitCodesSignalsAndNoShell) {
  CommandStatus ok = decodeSystemStatus(std::system("exit 0"));
  EXPECT_EQ(ok.exitCode, 0);
  EXPECT_FALSE(ok.signalled);
  EXPECT_EQ(decodeSystemStatus(std::system("exit 200")).exitCode, 200);
  EXPECT_EQ(decodeSystemStatus(std::system("/nonexistent/tool 2>/dev/null")).exitCode, 127);
  CommandStatus killed = decodeSystemStatus(std::system("kill -TERM $$"));
  EXPECT_TRUE(killed.signalled);
  EXPECT_EQ(killed.exitCode, 128 + SIGTERM);
  CommandStatus none = decodeSystemStatus(-1);
  EXPECT_EQ(none.exitCode, 255);
  EXPECT_FALSE(none.signalled);
}

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

TEST(Console, NarrowWideNarrowAllReachTheStream) {
  std::FILE* stream = std::tmpfile();
  ASSERT_NE(stream, nullptr);
  writeConsole(stream, std::string("one "));
  writeConsole(stream, std::wstring(L"two "));
  writeConsole(stream, std::string("three"));
  std::rewind(stream);
  char buffer[64] = {};
  std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, stream);
  (void)std::fclose(stream);
  EXPECT_EQ(std::string(buffer, n), "one two three");
}

TEST(Console, UnconvertibleWideCharacterDoesNotLoseTheRest) {
  EXPECT_EQ(toConsoleBytes(std::wstring(L"a") + L'\x263a' + L"b"), "a?b");
}
