// The run history's writer: the file's rules, the lock, the rename and the
// cut-off of a record the disk did not take whole.
#include "framework/history_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "framework/component_log.h"
#include "framework/run_lock.h"
#include "support/system_root.h"

namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { reset(-1); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  void reset(int fd) {
    if (fd_ >= 0) (void)::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

// A file past RLIMIT_FSIZE would raise SIGXFSZ, which ends the process: the
// history must never end a run, so while it writes the write fails instead.
class FileSizeSignalIgnored {
 public:
  FileSizeSignalIgnored() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    installed_ = ::sigaction(SIGXFSZ, &ignore, &before_) == 0;
  }
  ~FileSizeSignalIgnored() {
    if (installed_) (void)::sigaction(SIGXFSZ, &before_, nullptr);
  }
  FileSizeSignalIgnored(const FileSizeSignalIgnored&) = delete;
  FileSizeSignalIgnored& operator=(const FileSizeSignalIgnored&) = delete;

 private:
  struct sigaction before_ {};
  bool installed_ = false;
};

HistoryWrite failed(HistoryWrite result, const std::string& why) {
  result.problem = "the run history " + historyPath() + " " + why;
  return result;
}

// Why the open was refused, said as the administrator would look for it;
// error is the open's own.
std::string refusal(const std::string& path, int error) {
  struct stat info;
  if (!folderIsOurs(path.c_str())) return "is in a folder that is missing, a link, or open to other users";
  if (::lstat(path.c_str(), &info) != 0) return std::string("cannot be created: ") + std::strerror(error);
  if (S_ISLNK(info.st_mode)) return "is a symbolic link";
  if (!S_ISREG(info.st_mode)) return "is not a regular file";
  return std::string("cannot be opened: ") + std::strerror(error);
}

off_t sizeOf(int fd) {
  struct stat info;
  return ::fstat(fd, &info) == 0 ? info.st_size : -1;
}

// A line that an earlier writer left without its end (a power cut, a disk
// that filled while no lock was held) gets one, so that it spoils only
// itself; readers skip it.
bool endsWithLineEnd(int fd, off_t size) {
  if (size <= 0) return true;
  char last = '\n';
  return ::pread(fd, &last, 1, size - 1) != 1 || last == '\n';
}

// A file that others may write is closed to them, as the log's folder is.
void closeToOthers(int fd) {
  struct stat info;
  if (::fstat(fd, &info) == 0 && (info.st_mode & 022) != 0) (void)::fchmod(fd, info.st_mode & 0755);
}

// One write; a short one is cut off again under the lock. With O_APPEND the
// offset after the write is the end of what it wrote, even when another
// writer appended just before it.
bool writeRecord(int fd, const std::string& line, bool locked, std::string& why) {
  const FileSizeSignalIgnored ignored;
  ssize_t n;
  do {
    n = ::write(fd, line.data(), line.size());
  } while (n < 0 && errno == EINTR);
  if (n == static_cast<ssize_t>(line.size())) return true;
  const int error = n < 0 ? errno : ENOSPC;
  why = std::string(n > 0 ? "took only part of a record: " : "took no record: ") + std::strerror(error);
  if (n > 0 && locked) {
    const off_t end = ::lseek(fd, 0, SEEK_CUR);
    if (end < n || ::ftruncate(fd, end - n) != 0) why += "; the part written stays";
  } else if (n > 0) {
    why += "; the part written stays (no lock to cut it off under)";
  }
  return false;
}

HistoryWrite append(const HistoryRecord& record, bool holdsRunLock) {
  HistoryWrite result;
  std::string line = historyLine(record, kHistoryRecordBytes, result.truncated);
  if (line.empty()) return failed(result, "got no record: it is not an object or does not fit in 1 MiB");
  line += '\n';
  const Descriptor lock(holdsRunLock ? -1 : takeRunLockIfFree());
  result.locked = holdsRunLock || lock.get() >= 0;
  const std::string path = historyPath();
  Descriptor file(openLogFileForUpdate(path.c_str()));
  if (file.get() < 0) return failed(result, refusal(path, errno));
  off_t size = sizeOf(file.get());
  std::string rotation;
  if (result.locked && size > 0 && size + static_cast<off_t>(line.size()) > kHistoryFileBytes) {
    if (::rename(path.c_str(), olderHistoryPath().c_str()) != 0) {
      rotation = std::string("could not be renamed: ") + std::strerror(errno);
    } else {
      file.reset(openLogFileForUpdate(path.c_str()));
      if (file.get() < 0) return failed(result, refusal(path, errno));
      size = sizeOf(file.get());
    }
  }
  closeToOthers(file.get());
  if (!endsWithLineEnd(file.get(), size)) line.insert(0, 1, '\n');
  std::string why;
  result.written = writeRecord(file.get(), line, result.locked, why);
  if (!why.empty() || !rotation.empty()) result = failed(result, why.empty() ? rotation : why);
  return result;
}

}  // namespace

std::string historyPath() { return hostPath("/var/vlx/fcupdate-history.jsonl"); }

std::string olderHistoryPath() { return historyPath() + ".1"; }

// Nothing may leave the writer: not even the allocation of its own message.
HistoryWrite appendHistoryRecord(const HistoryRecord& record, bool holdsRunLock) noexcept {
  try {
    return append(record, holdsRunLock);
  } catch (...) {
  }
  HistoryWrite result;
  try {
    result.problem = "the run history was not written: out of memory";
  } catch (...) {
  }
  return result;
}
