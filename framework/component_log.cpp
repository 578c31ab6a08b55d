// The component log: console echo and appending to the log file.
#include "framework/component_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/child_groups.h"
#include "support/console.h"
#include "support/system_root.h"
#include "support/wide_text.h"
#include "support/write_all.h"

const char kLogError[] = "ERROR : Unable to write to log file\n";

namespace {

// The folder and its missing parents, as "mkdir -p" makes them, but without
// a shell and never wider than 0755 whatever the umask.
void makeFolders(const std::string& dir) {
  for (std::size_t slash = dir.find('/', 1); slash != std::string::npos; slash = dir.find('/', slash + 1)) {
    (void)::mkdir(dir.substr(0, slash).c_str(), 0755);
  }
  (void)::mkdir(dir.c_str(), 0755);
}

}  // namespace

// The log's folder must be a real directory of the running user that nobody
// else can write: otherwise another user could put a link or a hard link in
// the log's place, and root would append to the file it names. A folder of
// ours that is too open (an earlier run's umask) is closed to 0755 here.
// Async-signal-safe: fixed buffers and system calls only.
bool folderIsOurs(const char* path) {
  char dir[4097];
  const char* slash = std::strrchr(path, '/');
  if (slash == nullptr) return false;
  const std::size_t length = slash == path ? 1 : static_cast<std::size_t>(slash - path);
  if (length >= sizeof dir) return false;
  std::memcpy(dir, path, length);
  dir[length] = '\0';
  const int fd = ::open(dir, O_RDONLY | O_NOFOLLOW | O_DIRECTORY | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info;
  bool ours = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
  if (ours && (info.st_mode & 022) != 0) ours = ::fchmod(fd, 0755) == 0;
  (void)::close(fd);
  return ours;
}

namespace {

int openAppending(const char* path, int access) {
  if (!folderIsOurs(path)) return -1;
  const int fd = ::open(path, access | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0644);
  if (fd < 0) return -1;
  // The shell that redirects a tool's output opens the log again; no child
  // needs this descriptor.
  (void)::fcntl(fd, F_SETFD, FD_CLOEXEC);
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    (void)::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

int openLogFile(const char* path) { return openAppending(path, O_WRONLY); }

int openLogFileForUpdate(const char* path) { return openAppending(path, O_RDWR); }

ComponentLog::ComponentLog() : path(hostPath("/var/vlx/Component.log")) {
  makeFolders(hostPath("/var/vlx"));
  // A log that cannot be created shows itself at each write.
  const int fd = openLogFile(path.c_str());
  if (fd >= 0) (void)::close(fd);
}

ComponentLog& ComponentLog::write(const std::string& text) {
  if (runStopping()) return *this;
  echoAfterLogging(text, append(text));
  return *this;
}

ComponentLog& ComponentLog::write(const std::wstring& text) {
  if (runStopping()) return *this;
  const std::string bytes = toConsoleBytes(text);
  echoAfterLogging(bytes, append(bytes));
  return *this;
}

ComponentLog& ComponentLog::write(int value) {
  if (runStopping()) return *this;
  const std::string digits = std::to_string(value);
  echoAfterLogging(digits, append(digits));
  return *this;
}

ComponentLog& ComponentLog::writeLogOnly(const std::string& text) {
  if (runStopping()) return *this;
  if (!append(text)) writeStdout(std::string(kLogError));
  keepLogOnly(text);
  return *this;
}

// Whole lines, each cut to a bound, so that a tool's text cannot grow them.
void ComponentLog::keepLogOnly(const std::string& text) {
  for (const char c : text) {
    if (c != '\n') {
      if (partLine_.size() < kKeptLineBytes) partLine_ += c;
      continue;
    }
    logOnlyLines.add(partLine_);
    partLine_.clear();
  }
}

// The log is written first, so that a console that is gone can never cost a
// line of it; the console then shows the same bytes as ever.
void ComponentLog::echoAfterLogging(const std::string& bytes, bool logged) const {
  if (!quiet) writeStdout(bytes);
  if (!logged) writeStdout(std::string(kLogError));
}

bool ComponentLog::append(const std::string& bytes) const {
  const int fd = openLogFile(path.c_str());
  if (fd < 0) return false;
  // A full disk can take part of the text; that is as much a failure as a
  // log that cannot be opened.
  const bool written = writeAll(fd, bytes);
  return ::close(fd) == 0 && written;
}

std::string ComponentLog::pathForEngine() const {
  const int fd = openLogFile(path.c_str());
  if (fd < 0) {
    writeStdout(std::string(kLogError));
    return "/dev/null";
  }
  (void)::close(fd);
  return path;
}
