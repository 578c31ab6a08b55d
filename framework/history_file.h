// Appending records to the run history, /var/vlx/fcupdate-history.jsonl:
// one JSON object a line, beside the component log and under its rules.
#pragma once

#include <sys/types.h>

#include <string>

#include "framework/history_record.h"

// Past this size the history moves to fcupdate-history.jsonl.1 (replacing
// the one there) and starts afresh, so that two files at most are kept.
constexpr off_t kHistoryFileBytes = 16 << 20;

// The history below the system root, and the older file beside it.
std::string historyPath();
std::string olderHistoryPath();

struct HistoryWrite {
  bool written = false;
  bool truncated = false;  // cut to kHistoryRecordBytes
  bool locked = false;     // written under the run lock
  // Why it was not written, or what went wrong beside it; empty when all
  // went well. The run may keep it as a log-only warning.
  std::string problem;
};

// Appends the record as one line with one write. The file is opened as the
// log is (never through a link, a regular file only, created 0644 in a
// folder of the running user's that nobody else can write). A caller that
// holds the run lock says so; for any other the lock is taken if it is free,
// and the record is appended without it otherwise. Only under the lock is
// the history renamed when the record would take it past kHistoryFileBytes,
// and is a record that the disk took only in part cut off again (truncated
// back to where it began). Prints nothing and throws nothing.
HistoryWrite appendHistoryRecord(const HistoryRecord& record, bool holdsRunLock) noexcept;
