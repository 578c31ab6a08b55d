// The refusal lines of untrusted vendor files, and the refusal of a run.
#include "framework/tool_trust.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "testing/test_support.h"

namespace {

using Finding = TrustVerdict::Finding;

TEST(TrustRefusal, OneLineNamingThePathItsOwnerOrModeAndTheFix) {
  const std::string owners = geteuid() == 0 ? "root" : "root or uid " + std::to_string(geteuid());
  struct Case {
    TrustVerdict verdict;
    std::string line;
  };
  const Case cases[] = {
      {{Finding::Trusted, "./qlafwupdate", 0, 0755}, ""},
      {{Finding::ForeignOwner, "./qlafwupdate", 1000, 0755},
       "ERROR! : ./qlafwupdate is owned by uid 1000, not by " + owners +
           "; no vendor tool was run. Run: chown root ./qlafwupdate\n"},
      {{Finding::OpenToOthers, ".", 0, 0777},
       "ERROR! : . is writable by group or others (mode 0777); no vendor tool was run. Run: chmod go-w .\n"},
      {{Finding::OpenToOthers, ".", 0, 01777},
       "ERROR! : . is writable by group or others (mode 1777); no vendor tool was run. Run: chmod go-w .\n"},
      {{Finding::OpenToOthers, "/tmp", 0, 01777},
       "ERROR! : /tmp is a shared folder, writable by group or others (mode 1777); no vendor tool was run. "
       "Keep the package's files out of it.\n"},
      {{Finding::OpenToOthers, "/srv/pkgs", 0, 0775},
       "ERROR! : /srv/pkgs is writable by group or others (mode 0775); no vendor tool was run. "
       "Run: chmod go-w /srv/pkgs\n"},
      {{Finding::Symlink, "./elxflashStandalone-1.0/lx", 0, 0},
       "ERROR! : ./elxflashStandalone-1.0/lx is a symlink in a kit folder; no vendor tool was run. "
       "Run: rm ./elxflashStandalone-1.0/lx\n"},
      {{Finding::Unchecked, "./elxflashStandalone-1.0/d", 0, 0},
       "ERROR! : ./elxflashStandalone-1.0/d could not be checked for other users' access; no vendor tool was "
       "run.\n"},
      // A name with a space is quoted in the fix; control bytes never reach the console.
      {{Finding::OpenToOthers, "./my kit\n", 0, 0777},
       "ERROR! : ./my kit? is writable by group or others (mode 0777); no vendor tool was run. "
       "Run: chmod go-w './my kit?'\n"},
      {{Finding::ForeignOwner, "./" + std::string(400, 'a'), 7, 0},
       "ERROR! : ./" + std::string(298, 'a') + "... is owned by uid 7, not by " + owners +
           "; no vendor tool was run. Run: chown root ./" + std::string(298, 'a') + "...\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(trustRefusal(c.verdict), c.line) << c.verdict.path;
}

// The first untrusted path refuses the run, on the console and in the log;
// a missing file is not a refusal.
TEST(VendorFilesTrusted, TheFirstUntrustedPathRefusesTheRun) {
  testsupport::TempDir root;
  testsupport::TempDir work;
  testsupport::ScopedEnv env("FCUPDATE_ROOT", root.path());
  testsupport::ScopedChdir inside(work.path());
  testsupport::writeFile("tool", "");
  ASSERT_EQ(chmod("tool", 0755), 0);
  testsupport::writeFile("image", "");
  ASSERT_EQ(chmod("image", 0666), 0);
  ComponentLog log;
  log.quiet = true;
  EXPECT_TRUE(vendorFilesTrusted(log, {"./tool", "./missing"}));
  EXPECT_FALSE(vendorFilesTrusted(log, {"./tool", "image", "./missing"}));
  EXPECT_EQ(testsupport::readFile(root / "var/vlx/Component.log"),
            "ERROR! : ./image is writable by group or others (mode 0666); no vendor tool was run. "
            "Run: chmod go-w ./image\n");
}

}  // namespace
