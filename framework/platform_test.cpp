// Release detection from the host's release files.
#include <gtest/gtest.h>

#include "framework/base_component.h"
#include "testing/test_support.h"

using testsupport::TempDir;

namespace {

std::wstring detect(const char* redHat, const char* suse) {
  TempDir root;
  testsupport::makeDirs(root / "etc");
  if (redHat != nullptr) testsupport::writeFile(root / "etc/redhat-release", redHat);
  if (suse != nullptr) testsupport::writeFile(root / "etc/SuSE-release", suse);
  testsupport::ScopedEnv env("FCUPDATE_ROOT", root.path());
  CBaseCmp component;
  component.detectPlatform();
  return component.report.platformName;
}

}  // namespace

TEST(DetectPlatform, ReleaseTexts) {
  struct Case {
    const char* redHat;
    const char* suse;
    const wchar_t* code;
  } cases[] = {
      {"Red Hat Enterprise Linux AS release 4 (Nahant Update 9)\n", nullptr, L"rhel4"},
      {"Red Hat Enterprise Linux Server release 5.4 (Tikanga)\n", nullptr, L"rhel5"},
      {"Red Hat Enterprise Linux Server release 6.10 (Santiago)\n", nullptr, L"rhel6"},
      {"Red Hat Enterprise Linux Server release 7.2 (Maipo)\n", "SUSE Linux Enterprise Server 11\n", L""},
      {"CentOS release 5.8 (Final)\n", nullptr, L""},
      {" Red Hat Enterprise Linux Server release 5.4\n", nullptr, L""},
      {"red hat enterprise linux server release 5.4\n", nullptr, L""},
      {"", nullptr, L""},
      {nullptr, "SUSE Linux Enterprise Server 11 (x86_64)\nVERSION = 11\nPATCHLEVEL = 1\n", L"sles11"},
      {nullptr, "SUSE Linux Enterprise Server 10 (x86_64)\nVERSION = 10\n", L"sles10"},
      {nullptr, "SUSE Linux Enterprise Desktop 11 (x86_64)\n", L""},
      {nullptr, "SUSE Linux Enterprise Server 12\n", L""},
      {"Red Hat Enterprise Linux Server release 5.4 (Tikanga)\n", "SUSE Linux Enterprise Server 11\n",
       L"rhel5"},
      {nullptr, nullptr, L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(detect(c.redHat, c.suse), c.code)
        << (c.redHat ? c.redHat : "(no redhat-release)") << " / " << (c.suse ? c.suse : "(no SuSE-release)");
  }
}

TEST(DetectPlatform, UnrecognisedReleaseKeepsAnEarlierCode) {
  TempDir root;
  testsupport::makeDirs(root / "etc");
  testsupport::writeFile(root / "etc/redhat-release", "Fedora release 39\n");
  testsupport::ScopedEnv env("FCUPDATE_ROOT", root.path());
  CBaseCmp component;
  component.report.platformName = L"rhel5";
  component.detectPlatform();
  EXPECT_EQ(component.report.platformName, L"rhel5");
}

TEST(DetectPlatform, RootWithSpacesIsQuotedForCat) {
  TempDir base;
  const std::string root = base / "a root; with 'quotes'";
  testsupport::makeDirs(root + "/etc");
  testsupport::writeFile(root + "/etc/redhat-release", "Red Hat Enterprise Linux Server release 6.1\n");
  testsupport::ScopedEnv env("FCUPDATE_ROOT", root);
  CBaseCmp component;
  component.detectPlatform();
  EXPECT_EQ(component.report.platformName, L"rhel6");
}
