// What the entry knows of a run beside the component: which executable ran,
// when and as which run, how it fared with the lock and how it ended, for
// the run history's records.
#pragma once

#include <string>
#include <vector>

#include "support/bounded_list.h"
#include "support/sha256.h"

enum class RunLockStory {
  NotTaken,     // the command line did not get that far
  Held,         // the run held the lock
  Unavailable,  // the lock file could not be used; the run went on without it
  TimedOut,     // another run held it past the bound
  Interrupted,  // a signal came while the run waited for it
};

struct RunStory {
  std::string program;                 // "fcupdate"
  std::string version;                 // the project's version
  std::string component;               // "qlogic", "emulex", "brocade"
  std::vector<std::string> arguments;  // after the program name
  std::string runId;
  long long startedMs = 0;
  std::string bootId;
  bool parseFailed = false;
  RunLockStory lock = RunLockStory::NotTaken;
  long lockWaitMs = 0;
  int lockBoundSeconds = 0;
  std::string lockSignal;  // the signal that ended the wait for the lock
  int exitCode = 0;
  // The package as the run found it when it began; the ended record says
  // the same, so that both records name the same package.
  bool digestsTaken = false;
  FileDigest catalogueDigest;
  FileDigest packageDigest;
  std::string packagePath;
  // What went wrong with the history itself, for the ended record.
  BoundedList<std::string, 8> warnings;
};
