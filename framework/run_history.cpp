// Writing a run's records and its system log line.
#include "framework/run_history.h"

#include <unistd.h>

#include <ctime>

#include "framework/history_file.h"
#include "framework/history_syslog.h"
#include "framework/run_record.h"
#include "support/run_identity.h"
#include "support/syslog_line.h"
#include "support/utc_time.h"

RunHistory::RunHistory(const char* program, const char* version, const char* component, int argc,
                       const char* const* argv) noexcept {
  try {
    story.program = program;
    story.version = version;
    story.component = component;
    for (int i = 1; i < argc; ++i) {
      if (argv[i] != nullptr) story.arguments.push_back(argv[i]);
    }
    story.startedMs = nowMilliseconds();
    story.bootId = bootId();
    story.runId = runId(story.startedMs, static_cast<long>(::getpid()), story.bootId);
  } catch (...) {
  }
}

void RunHistory::recordStarted(const CBaseCmp& c, bool holdsLock) noexcept {
  try {
    takePackageDigests(c, story);
    const HistoryWrite write = appendHistoryRecord(startedRecord(c, story), holdsLock);
    if (!write.written) story.warnings.add("the started record was not written: " + write.problem);
  } catch (...) {
  }
}

void RunHistory::recordEnded(CBaseCmp& c, int exitCode, bool holdsLock) noexcept {
  try {
    story.exitCode = exitCode;
    if (!story.digestsTaken) takePackageDigests(c, story);
    const HistoryRecord ended = endedRecord(c, story);
    (void)appendHistoryRecord(ended, holdsLock);
    const std::string line = historySyslogLine(ended, std::time(nullptr), static_cast<long>(::getpid()));
    if (!line.empty()) (void)sendToSystemLog(line);
  } catch (...) {
  }
}
