// Shell quoting: safe text unchanged, anything else quoted so that the shell
// reads it back byte for byte.
#include "support/shell_quote.h"

#include <gtest/gtest.h>

#include "support/command_runner.h"

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
