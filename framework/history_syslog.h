// The system log's line for a run, from the run's ended history record, so
// that the line and the record can never tell different stories.
#pragma once

#include <ctime>
#include <string>

#include "framework/history_record.h"

// notice for the outcomes that leave the host as it should be (applied,
// nothing_done, report_written), err for every other.
int historySyslogPriority(const HistoryRecord& ended);

// "run=ID component=qlogic outcome=failed cause=engine_failed exit=7
// adapters=2 updates=1 reason=the flash engine ended with 9": "-" for what
// the record does not hold. updates counts the items a run updates: those
// offered an upgrade, or with a forced run every item offered anything.
std::string historySyslogFields(const HistoryRecord& ended);

// The whole line (see syslogLine); throws nothing.
std::string historySyslogLine(const HistoryRecord& ended, std::time_t when, long pid) noexcept;
