// The registry of running child process groups, for the signal handler.
#include "support/child_groups.h"

#include <signal.h>

namespace {

// A captured command can be running while another is read (the sysfs search
// and its subsystem tests), so a few slots; a group that finds no free slot
// is only left out of a signal's reach, never of its own wait.
volatile sig_atomic_t groups[8];
volatile sig_atomic_t stopping = 0;

}  // namespace

void registerChildGroup(pid_t group) {
  for (volatile sig_atomic_t& slot : groups) {
    if (slot == 0) {
      slot = group;
      return;
    }
  }
}

void unregisterChildGroup(pid_t group) {
  for (volatile sig_atomic_t& slot : groups) {
    if (slot == group) slot = 0;
  }
}

void signalChildGroups(int signal) {
  for (volatile sig_atomic_t& slot : groups) {
    const pid_t group = slot;
    if (group > 0) (void)::kill(-group, signal);
  }
}

void markRunStopping() { stopping = 1; }

bool runStopping() { return stopping != 0; }
