// How a run ended, in the words of the run history: a word, a cause and one
// sentence a person can act on.
#pragma once

#include <string>

#include "framework/base_component.h"
#include "framework/run_story.h"

struct RunOutcome {
  std::string word;  // applied, nothing_done, failed, engine_exit, report_written, report_failed, parse_error
  std::string cause;   // none, catalogue_missing, ..., parse_error
  std::string reason;  // "the flash engine ended with 9"
};

// From the exit code and what the run learned; the component is only read
// (its catalogue lookups are not const).
RunOutcome runOutcome(CBaseCmp& component, const RunStory& story);
