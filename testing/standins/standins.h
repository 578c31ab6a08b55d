// Putting the stand-in vendor tools into a test's working directory and
// telling them what to print and how to exit. Each tool reads its control
// files, named after it ("elxflash", "bcu_bootupdate"), from the working
// directory.
#pragma once

#include <string>
#include <vector>

#include "testing/test_support.h"

namespace standins {

// A working directory and a system root for one test: while it lives, the
// process works in the former with FCUPDATE_ROOT set to the latter, so a
// component built inside it logs below the root.
class Workspace {
 public:
  Workspace();
  const std::string& dir() const { return work_.path(); }
  const std::string& root() const { return root_.path(); }
  // What the component log holds so far.
  std::string log() const;

 private:
  testsupport::TempDir root_;
  testsupport::TempDir work_;
  testsupport::ScopedEnv env_;
  testsupport::ScopedChdir chdir_;
};

// Writes elxflashStandalone-<version>.zip into dir, holding
// elxflashStandalone-<version>/lx/elxflash.sh without its execute bits, so
// that only the component's chmod makes it runnable. False when zip fails.
bool writeEmulexKit(const std::string& dir, const std::string& version = "12.0.193.13");

// One entry of a hand-made archive: a folder (its name ends with "/"), a
// file holding `content`, or a symlink to `content`; `mode` is the stored
// Unix mode, file type bits included.
struct ArchiveEntry {
  std::string name;
  std::string content;
  unsigned mode;
};

// Writes an archive holding exactly these entries, in this order, made with
// Python's zipfile, so that names zip would not store ("../x", "/x") and any
// stored mode can be had. False when Python fails.
bool writeArchive(const std::string& path, const std::vector<ArchiveEntry>& entries);

// The stand-in kit script's text.
std::string kitScript();

// Copies bcu_bootupdate into dir, not executable.
bool writeBootUpdateTool(const std::string& dir);

// What "/q" prints (the Emulex kit only).
void setQueryOutput(const std::string& dir, const std::string& tool, const std::string& output);
// The exit code of a flash call (replaces a signal).
void setExitCode(const std::string& dir, const std::string& tool, int code);
// A signal name such as "TERM" sent to the running shell instead of exiting
// (replaces an exit code).
void setSignal(const std::string& dir, const std::string& tool, const std::string& signal);

// The arguments of every call so far, one line per call.
std::string recordedCalls(const std::string& dir, const std::string& tool);

}  // namespace standins
