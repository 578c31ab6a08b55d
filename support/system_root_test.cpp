// The system root: host paths unchanged without FCUPDATE_ROOT, below it with.
#include "support/system_root.h"

#include <gtest/gtest.h>

#include "testing/test_support.h"

using testsupport::ScopedEnv;

TEST(SystemRoot, UnsetOrEmptyKeepsTheHostPath) {
  {
    ScopedEnv env("FCUPDATE_ROOT", "");
    EXPECT_EQ(hostPath("/etc/hba.conf"), "/etc/hba.conf");
  }
  ScopedEnv env("FCUPDATE_ROOT", "/tmp/root/");
  EXPECT_EQ(hostPath("/etc/hba.conf"), "/tmp/root/etc/hba.conf");
}
