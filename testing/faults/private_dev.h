// Runs of a component inside a private mount namespace whose /dev is a scratch
// tmpfs, so that /dev/stdout and its kin are tried without the machine's own.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "testing/faults/bounded_run.h"

namespace faults {

// Moves the calling process into a mount namespace of its own whose every
// mount is private, so that nothing it mounts reaches the machine; false
// when it cannot (no CAP_SYS_ADMIN, no namespaces).
bool enterPrivateMountTree();

// Empty when a private mount namespace with a scratch /dev can be made here;
// otherwise the capability that is missing, for a skip message.
std::string privateDevMissing();

// One descriptor of the run: the test's descriptor from, or closed (-1).
// Standard input is /dev/null unless given; every other descriptor from 3 up
// not given is closed.
struct Descriptor {
  int number;
  int from;
};

struct PrivateDevOutcome {
  Outcome run;             // exit code, signal, time; out stays empty
  bool devKept = false;    // /dev after the run lists exactly what it was given
  std::string devListing;  // /dev after the run, one entry a line
};

// The scratch /dev holds the character devices null, zero, full and urandom,
// the symlinks stdin, stdout, stderr (to /proc/self/fd/0, 1, 2) and fd (to
// /proc/self/fd), a folder shm (a bind of shm, a folder the test can see,
// when not empty), and, when block is not 0, a block device node blk of that
// number. Nothing mounted there reaches the machine's own mount table.
PrivateDevOutcome runInPrivateDev(const Invocation& call, const std::vector<Descriptor>& descriptors,
                                  const std::string& shm = "", dev_t block = 0, int seconds = 20);

}  // namespace faults
