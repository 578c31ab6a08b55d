// Times, the host's boot id and boot time below the system root, run ids.
#include "support/run_identity.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <regex>
#include <set>

#include "support/utc_time.h"
#include "testing/test_support.h"

using testsupport::ScopedEnv;
using testsupport::TempDir;

TEST(UtcTime, IsoTextToTheMillisecond) {
  const std::pair<long long, const char*> cases[] = {
      {0, "1970-01-01T00:00:00.000Z"},
      {-1, "1969-12-31T23:59:59.999Z"},
      {951782400000, "2000-02-29T00:00:00.000Z"},
      {1709251199999, "2024-02-29T23:59:59.999Z"},
      {4102444800007, "2100-01-01T00:00:00.007Z"},
  };
  for (const auto& [milliseconds, text] : cases) EXPECT_EQ(isoUtc(milliseconds), text) << milliseconds;
  const long long now = nowMilliseconds();
  EXPECT_LE(std::llabs(now / 1000 - static_cast<long long>(std::time(nullptr))), 2);
}

namespace {

struct ProcRoot {
  TempDir root;
  ScopedEnv env{"FCUPDATE_ROOT", root.path()};
  ProcRoot() { testsupport::makeDirs(root / "proc/sys/kernel/random"); }
  void stat(const std::string& text) const { testsupport::writeFile(root / "proc/stat", text); }
  void bootIdFile(const std::string& text) const {
    testsupport::writeFile(root / "proc/sys/kernel/random/boot_id", text);
  }
};

}  // namespace

// A long interrupt line before btime is passed over, not mistaken for it.
TEST(RunIdentity, BootTimeIsFoundPastLongLines) {
  ProcRoot host;
  host.stat("cpu  1 2 3\nintr " + std::string(100000, '7') + "\nbtime 1714557689\nprocesses 9\n");
  EXPECT_EQ(bootTime(), 1714557689);
  const char* broken[] = {"", "btime\n", "btime x\n", "btime -5\n", "btimes 5\n", "cpu 1\n"};
  for (const char* text : broken) {
    host.stat(text);
    EXPECT_EQ(bootTime(), -1) << text;
  }
}

TEST(RunIdentity, BootIdIsTheKernelsOrTheRoundedBootTime) {
  ProcRoot host;
  host.stat("btime 1714557695\n");
  host.bootIdFile("0f5a4e22-6c1b-4b8e-9d1e-3f8a1c2b7d90\n");
  EXPECT_EQ(bootId(), "0f5a4e22-6c1b-4b8e-9d1e-3f8a1c2b7d90");
  // Anything else there is not an id; btime to the nearest minute stands in.
  for (const char* text :
       {"", "0f5a4e22-6c1b-4b8e-9d1e-3f8a1c2b7d9\n", "not an id at all, but 36 chars long\n",
        "0F5A4E22-6C1B-4B8E-9D1E-3F8A1C2B7D90\n"}) {
    host.bootIdFile(text);
    EXPECT_EQ(bootId(), "btime-1714557720") << text;
  }
  ASSERT_EQ(unlink((host.root / "proc/sys/kernel/random/boot_id").c_str()), 0);
  host.stat("btime 1714557629\n");
  EXPECT_EQ(bootId(), "btime-1714557600");
  ASSERT_EQ(unlink((host.root / "proc/stat").c_str()), 0);
  EXPECT_EQ(bootId(), "");
}

// A FIFO in place of either file is passed over at once, never waited on.
TEST(RunIdentity, FifosAreNotRead) {
  ProcRoot host;
  ASSERT_EQ(mkfifo((host.root / "proc/stat").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo((host.root / "proc/sys/kernel/random/boot_id").c_str(), 0600), 0);
  EXPECT_EQ(bootTime(), -1);
  EXPECT_EQ(bootId(), "");
}

TEST(RunIdentity, HostNameIsUnames) {
  const testsupport::RunResult uname = testsupport::runIn("/", "uname -n");
  ASSERT_EQ(uname.exitCode, 0);
  EXPECT_EQ(hostName() + "\n", uname.out);
}

TEST(RunIdentity, RunIdsNameTheStartAndProcessAndNeverRepeat) {
  const std::regex form("20240501T102203Z-4242-[0-9a-f]{16}");
  std::set<std::string> seen;
  for (int i = 0; i < 50; ++i) {
    const std::string id = runId(1714558923999, 4242, "btime-1714557720");
    EXPECT_TRUE(std::regex_match(id, form)) << id;
    seen.insert(id);
  }
  EXPECT_EQ(seen.size(), 50u);
}
