// The process groups of the shell children that are running, so that a
// signal that ends the run can take them along instead of leaving orphans.
#pragma once

#include <signal.h>
#include <sys/types.h>

// The signals a run catches: the component's handler reports them, and they
// are held back around every fork, so that a child never runs that handler.
constexpr int kRunSignals[] = {SIGTERM, SIGINT, SIGHUP};

void registerChildGroup(pid_t group);
void unregisterChildGroup(pid_t group);
// Sends signal to every registered group; safe to call from a signal handler.
void signalChildGroups(int signal);

// A run that a signal stops ends through its normal path, so that it can
// still say how it ended; from the moment it is stopping, no new child is
// started and nothing more is logged. Safe to call from a signal handler.
void markRunStopping();
bool runStopping();
