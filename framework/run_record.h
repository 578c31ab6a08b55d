// The run history's two records of a run, built from what the run learned:
// a short one once it holds the lock, the whole story once it has ended.
#pragma once

#include "framework/base_component.h"
#include "framework/history_record.h"
#include "framework/run_story.h"

// What the engine's tail may take of the log.
constexpr long long kEngineTailBytes = 4096;

// The digests of the catalogue and the package as found now.
void takePackageDigests(const CBaseCmp& component, RunStory& story);

HistoryRecord startedRecord(const CBaseCmp& component, const RunStory& story);

// Every key always present; the component is only read (its catalogue
// lookups are not const). May throw std::bad_alloc.
HistoryRecord endedRecord(CBaseCmp& component, const RunStory& story);

// The last bytes the engine appended to the log, at most kEngineTailBytes,
// read back from where its output began; empty, with why in warning, when
// the log cannot be read there.
std::string engineOutputTail(const std::string& logPath, const CommandRecord& engine, std::string& warning);
