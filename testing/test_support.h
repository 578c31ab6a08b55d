// Helpers the unit and end-to-end tests share: scratch directories, files,
// environment and running the built executables.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

// A fresh directory below /tmp, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Changes the working directory for the life of the object.
class ScopedChdir {
 public:
  explicit ScopedChdir(const std::string& dir);
  ~ScopedChdir();
  ScopedChdir(const ScopedChdir&) = delete;
  ScopedChdir& operator=(const ScopedChdir&) = delete;

 private:
  std::string previous_;
};

// Sets (or, with an empty value, unsets) an environment variable for the
// life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const std::string& name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  bool had_;
  std::string old_;
};

// Sets the umask for the life of the object, so that what a test lays out
// has the modes it means whatever umask the test runner was given.
class ScopedUmask {
 public:
  explicit ScopedUmask(unsigned mask);
  ~ScopedUmask();
  ScopedUmask(const ScopedUmask&) = delete;
  ScopedUmask& operator=(const ScopedUmask&) = delete;

 private:
  unsigned old_;
};

void writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
void makeDirs(const std::string& path);
// A small script, or a folder and its parents, with exactly the given mode.
void writeFileWithMode(const std::string& path, mode_t mode);
void makeDirsWithMode(const std::string& path, mode_t mode);
// The permission bits (set-id and sticky included) as lstat finds them; 0
// when there is nothing at path.
mode_t modeOf(const std::string& path);
std::string currentDirectory();

// A scratch system root with FCUPDATE_ROOT pointing at it for the life of
// the object, and its var/vlx (mode 0755) where the log, the lock and the
// run history go.
struct ScopedSystemRoot {
  TempDir root;
  ScopedEnv env{"FCUPDATE_ROOT", root.path()};
  ScopedSystemRoot() { makeDirsWithMode(root / "var/vlx", 0755); }
};

// The directory of the built executables (FCUPDATE_BIN, set by ctest).
std::string binDir();

struct RunResult {
  int exitCode;  // -1 when the process did not exit normally
  std::string out;
};

// An XML file flattened to one "path attr=value ..." line per element, in
// document order, so that a whole report compares with one expectation.
// Empty when the file does not parse.
std::vector<std::string> xmlLines(const std::string& path);

// Runs a shell command line in dir with standard output captured (standard
// error goes to the test's own).
RunResult runIn(const std::string& dir, const std::string& commandLine);

}  // namespace testsupport
