// The system log line: its traditional header, and its delivery.
#include "support/syslog_line.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "support/system_root.h"

namespace {

// The header in the daemon's own form. Its stamp is local time, as every
// other line in the traditional system log has it; the run history holds the
// same moment in UTC. The month names are fixed, whatever the locale.
std::string header(int priority, std::time_t when, long pid) {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  tm parts{};
  if (::localtime_r(&when, &parts) == nullptr || parts.tm_mon < 0 || parts.tm_mon > 11) parts = tm{};
  char text[96];
  (void)std::snprintf(text, sizeof text, "<%d>%s %2d %02d:%02d:%02d fcupdate[%ld]: ", priority,
                      kMonths[parts.tm_mon], parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, pid);
  return text;
}

bool isContinuation(char byte) { return (static_cast<unsigned char>(byte) & 0xc0) == 0x80; }

std::size_t sequenceLength(char lead) {
  const auto byte = static_cast<unsigned char>(lead);
  if (byte >= 0xf0) return 4;
  if (byte >= 0xe0) return 3;
  return byte >= 0xc0 ? 2 : 1;
}

// Where to cut text at most at bound without splitting a UTF-8 character:
// before the character that bound falls into, if it is one. Bytes that are
// not UTF-8 are cut where they are.
std::size_t characterBoundary(const std::string& text, std::size_t bound) {
  std::size_t start = bound;
  while (start + 3 > bound && start > 0 && isContinuation(text[start])) --start;
  return start + sequenceLength(text[start]) > bound ? start : bound;
}

class Socket {
 public:
  explicit Socket(int type) : fd_(::socket(AF_UNIX, type, 0)) {
    if (fd_ < 0) return;
    (void)::fcntl(fd_, F_SETFD, FD_CLOEXEC);
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK) < 0) {
      (void)::close(fd_);
      fd_ = -1;
    }
  }
  ~Socket() {
    if (fd_ >= 0) (void)::close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

constexpr int kSendFlags = MSG_DONTWAIT | MSG_NOSIGNAL;

bool sendDatagram(const sockaddr_un& address, const std::string& line, int& error) {
  const Socket socket(SOCK_DGRAM);
  if (socket.fd() < 0) return false;
  const ssize_t sent = ::sendto(socket.fd(), line.data(), line.size(), kSendFlags,
                                reinterpret_cast<const sockaddr*>(&address), sizeof address);
  error = errno;
  return sent == static_cast<ssize_t>(line.size());
}

// A connect that cannot complete at once fails; part of a line sent is not
// followed by the rest.
bool sendStream(const sockaddr_un& address, const std::string& line) {
  const Socket socket(SOCK_STREAM);
  if (socket.fd() < 0) return false;
  if (::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return false;
  const std::string framed = line + '\0';
  return ::send(socket.fd(), framed.data(), framed.size(), kSendFlags) == static_cast<ssize_t>(framed.size());
}

}  // namespace

std::string syslogLine(int priority, std::time_t when, long pid, const std::string& fields) {
  std::string line = header(priority, when, pid) + fields;
  for (char& byte : line) {
    if (static_cast<unsigned char>(byte) < 0x20 || byte == 0x7f) byte = '?';
  }
  if (line.size() > kSyslogLineBytes) line.resize(characterBoundary(line, kSyslogLineBytes));
  return line;
}

SyslogSend sendToSystemLog(const std::string& line) {
  const std::string path = hostPath("/dev/log");
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return SyslogSend::Failed;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int error = 0;
  if (sendDatagram(address, line, error)) return SyslogSend::Sent;
  if (error == ENOENT || error == ENOTDIR) return SyslogSend::NoSocket;
  return sendStream(address, line) ? SyslogSend::Sent : SyslogSend::Failed;
}
