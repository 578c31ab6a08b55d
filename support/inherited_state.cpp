// Normalising the descriptors, signal state and PATH a run inherits.
#include "support/inherited_state.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

const char kSystemPath[] = "/usr/sbin:/usr/bin:/sbin:/bin";

bool isOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1 || errno != EBADF; }

bool isCharacterDevice(int fd) {
  struct stat info;
  return ::fstat(fd, &info) == 0 && S_ISCHR(info.st_mode);
}

// open() takes the lowest free descriptor, which is fd itself once every
// lower one is open; dup2 covers a caller that left a gap anyway.
bool openDevNullOn(int fd) {
  const int opened = ::open("/dev/null", O_RDWR | O_NOCTTY);
  if (opened < 0) return false;
  if (opened != fd) {
    const bool moved = ::dup2(opened, fd) == fd;
    (void)::close(opened);
    if (!moved) return false;
  }
  return isCharacterDevice(fd);
}

void setDefault(int signal) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  (void)::sigaction(signal, &action, nullptr);
}

void cancelTimers() {
  (void)::alarm(0);
  const struct itimerval off {};
  for (int timer : {ITIMER_REAL, ITIMER_VIRTUAL, ITIMER_PROF}) (void)::setitimer(timer, &off, nullptr);
}

// A timer that fired before the run began (a slow start on a loaded host)
// left its signal pending behind the caller's mask; ignoring a signal
// discards it, and the disposition found is then put back.
void discardPendingTimerSignals() {
  for (int signal : {SIGALRM, SIGVTALRM, SIGPROF}) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    struct sigaction found {};
    if (::sigaction(signal, &ignore, &found) == 0) (void)::sigaction(signal, &found, nullptr);
  }
}

}  // namespace

bool openClosedStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (!isOpen(fd) && !openDevNullOn(fd)) return false;
  }
  return true;
}

void resetInheritedSignals() {
  // The timers stop, and what they already raised goes, before the mask
  // opens: otherwise the default action of SIGALRM or SIGPROF ends the run.
  cancelTimers();
  discardPendingTimerSignals();
  setDefault(SIGCHLD);
  setDefault(SIGALRM);
  (void)::signal(SIGPIPE, SIG_IGN);
  (void)::signal(SIGXFSZ, SIG_IGN);
  sigset_t none;
  sigemptyset(&none);
  (void)::sigprocmask(SIG_SETMASK, &none, nullptr);
}

std::string absolutePathElements(const char* path) {
  std::string kept;
  if (path != nullptr) {
    const std::string text(path);
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find(':', start);
      if (end == std::string::npos) end = text.size();
      if (end > start && text[start] == '/') {
        if (!kept.empty()) kept += ':';
        kept.append(text, start, end - start);
      }
      start = end + 1;
    }
  }
  return kept.empty() ? kSystemPath : kept;
}

void dropRelativePathElements() {
  const char* path = std::getenv("PATH");
  const std::string kept = absolutePathElements(path);
  if (path == nullptr || kept != path) (void)::setenv("PATH", kept.c_str(), 1);
}
