// The system log line: its header in local time, its bounds, and delivery to
// a datagram or stream socket bound at dev/log below a scratch root.
#include "support/syslog_line.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "testing/test_support.h"

using testsupport::ScopedEnv;
using testsupport::TempDir;

namespace {

constexpr std::time_t kMayFirst = 1714558923;  // 2024-05-01T10:22:03Z

struct LocalZone {
  ScopedEnv zone;
  explicit LocalZone(const char* name) : zone("TZ", name) { tzset(); }
  ~LocalZone() { tzset(); }
};

}  // namespace

TEST(SyslogLine, HeaderStampsLocalTime) {
  {
    const LocalZone utc("UTC0");
    EXPECT_EQ(syslogLine(kSyslogNotice, kMayFirst, 4242, "run x applied"),
              "<13>May  1 10:22:03 fcupdate[4242]: run x applied");
  }
  const LocalZone eastern("EST5");
  EXPECT_EQ(syslogLine(kSyslogError, kMayFirst + std::time_t{14} * 86400, 7, "f"),
            "<11>May 15 05:22:03 fcupdate[7]: f");
}

TEST(SyslogLine, ControlBytesAreShownAndTheLengthIsBounded) {
  const LocalZone utc("UTC0");
  const std::string header = "<11>May  1 10:22:03 fcupdate[1]: ";
  EXPECT_EQ(syslogLine(kSyslogError, kMayFirst, 1, std::string("a\nb\rc\td\x1b[31m\x7f\0e", 15)),
            header + "a?b?c?d?[31m??e");
  // Bytes of 0x80 and above are text; a character is never cut in two.
  const std::string euro = "\xe2\x82\xac";
  const std::size_t room = kSyslogLineBytes - header.size();
  const std::pair<std::string, std::string> cases[] = {
      {std::string(room, 'x'), header + std::string(room, 'x')},
      {std::string(room + 1, 'x'), header + std::string(room, 'x')},
      {std::string(room - 1, 'x') + euro, header + std::string(room - 1, 'x')},
      {std::string(room - 3, 'x') + euro + "y", header + std::string(room - 3, 'x') + euro},
      {std::string(room - 2, 'x') + std::string(40, '\x80'),
       header + std::string(room - 2, 'x') + "\x80\x80"},
  };
  for (const auto& [fields, line] : cases) {
    EXPECT_EQ(syslogLine(kSyslogError, kMayFirst, 1, fields), line) << fields.size();
  }
}

namespace {

struct LogSocket {
  TempDir root;
  ScopedEnv env{"FCUPDATE_ROOT", root.path()};
  int fd = -1;

  explicit LogSocket(int type, int backlog = 1) {
    testsupport::makeDirs(root / "dev");
    fd = socket(AF_UNIX, type, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = root / "dev/log";
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    if (type == SOCK_STREAM) {
      EXPECT_EQ(listen(fd, backlog), 0);
    }
  }
  ~LogSocket() {
    if (fd >= 0) (void)close(fd);
  }

  std::string receive(int from) const {
    pollfd ready{from, POLLIN, 0};
    if (poll(&ready, 1, 5000) != 1) return "(nothing)";
    char buffer[4096];
    const ssize_t n = recv(from, buffer, sizeof buffer, 0);
    return n < 0 ? "(error)" : std::string(buffer, static_cast<std::size_t>(n));
  }
};

}  // namespace

TEST(SyslogSend, ADatagramSocketGetsTheLineAlone) {
  const LogSocket log(SOCK_DGRAM);
  const std::string line = syslogLine(kSyslogNotice, kMayFirst, 9, "run r qlogic applied");
  EXPECT_EQ(sendToSystemLog(line), SyslogSend::Sent);
  EXPECT_EQ(log.receive(log.fd), line);
}

TEST(SyslogSend, AStreamSocketGetsTheLineWithATrailingNul) {
  const LogSocket log(SOCK_STREAM);
  const std::string line = syslogLine(kSyslogError, kMayFirst, 9, "run r emulex failed");
  EXPECT_EQ(sendToSystemLog(line), SyslogSend::Sent);
  const int connection = accept(log.fd, nullptr, nullptr);
  ASSERT_GE(connection, 0);
  EXPECT_EQ(log.receive(connection), line + '\0');
  (void)close(connection);
}

TEST(SyslogSend, AMissingSocketIsSkipped) {
  TempDir root;
  const ScopedEnv env("FCUPDATE_ROOT", root.path());
  EXPECT_EQ(sendToSystemLog("x"), SyslogSend::NoSocket);
  testsupport::makeDirs(root / "dev");
  EXPECT_EQ(sendToSystemLog("x"), SyslogSend::NoSocket);
}

// A daemon that is gone, or one that takes no more, costs one failed call
// each way and never a wait.
TEST(SyslogSend, ADeadOrBusyDaemonFailsAtOnce) {
  {
    LogSocket gone(SOCK_DGRAM);
    (void)close(gone.fd);
    gone.fd = -1;
    EXPECT_EQ(sendToSystemLog("x"), SyslogSend::Failed);
  }
  for (const int type : {SOCK_DGRAM, SOCK_STREAM}) {
    const LogSocket busy(type, 0);
    const std::string line(1000, 'z');
    int sent = 0;
    while (sent < 100000 && sendToSystemLog(line) == SyslogSend::Sent) ++sent;
    EXPECT_LT(sent, 100000) << type;
    EXPECT_EQ(sendToSystemLog(line), SyslogSend::Failed) << type;
  }
}

TEST(SyslogSend, ARootTooLongForASocketAddressFails) {
  const ScopedEnv env("FCUPDATE_ROOT", "/tmp/" + std::string(120, 'r'));
  EXPECT_EQ(sendToSystemLog("x"), SyslogSend::Failed);
}
