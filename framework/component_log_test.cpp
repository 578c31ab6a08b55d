// The component log: creation below the root, echo, quiet runs, unwritable logs.
#include "framework/component_log.h"

#include <gtest/gtest.h>

#include "testing/test_support.h"

using testsupport::readFile;
using testsupport::ScopedEnv;
using testsupport::TempDir;

TEST(ComponentLog, ConstructionCreatesDirectoryAndFileBelowRoot) {
  TempDir root;
  ScopedEnv env("FCUPDATE_ROOT", root.path());
  ComponentLog log;
  EXPECT_EQ(log.path, root.path() + "/var/vlx/Component.log");
  EXPECT_TRUE(testsupport::fileExists(log.path));
  EXPECT_FALSE(log.quiet);
}

TEST(ComponentLog, EchoesAndAppendsEveryOverloadWithoutAddingAnything) {
  TempDir root;
  ScopedEnv env("FCUPDATE_ROOT", root.path());
  ComponentLog log;
  testing::internal::CaptureStdout();
  log.write("Flash complete [").write(15).write(std::wstring(L"]\n"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Flash complete [15]\n");
  EXPECT_EQ(readFile(log.path), "Flash complete [15]\n");
}

TEST(ComponentLog, QuietKeepsTheConsoleEmptyButLogsEverything) {
  TempDir root;
  ScopedEnv env("FCUPDATE_ROOT", root.path());
  ComponentLog log;
  log.quiet = true;
  testing::internal::CaptureStdout();
  log.write("a").write(L"b").write(-3);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(readFile(log.path), "ab-3");
}

TEST(ComponentLog, TwoLogsAppendToTheSameFile) {
  TempDir root;
  ScopedEnv env("FCUPDATE_ROOT", root.path());
  testing::internal::CaptureStdout();
  {
    ComponentLog first;
    first.write("first run");
  }
  {
    ComponentLog second;
    second.write("second run\n");
  }
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(readFile(root / "var/vlx/Component.log"), "first runsecond run\n");
}

TEST(ComponentLog, UnwritableLogReportsOnTheConsoleEvenWhenQuiet) {
  TempDir root;
  testsupport::writeFile(root / "var", "a file where the directory should be");
  ScopedEnv env("FCUPDATE_ROOT", root.path());
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  ComponentLog log;
  log.write("visible ");
  log.quiet = true;
  log.write(L"hidden").write(7);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "visible ERROR : Unable to write to log file\n"
            "ERROR : Unable to write to log file\n"
            "ERROR : Unable to write to log file\n");
}

TEST(ComponentLog, RootWithSpacesAndQuotesStillWorks) {
  TempDir base;
  const std::string root = base / "it's a root";
  testsupport::makeDirs(root);
  ScopedEnv env("FCUPDATE_ROOT", root);
  ComponentLog log;
  log.quiet = true;
  log.write("kept");
  EXPECT_EQ(readFile(root + "/var/vlx/Component.log"), "kept");
}
