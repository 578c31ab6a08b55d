// The process groups of the shell children that are running, so that a
// signal that ends the run can take them along instead of leaving orphans.
#pragma once

#include <sys/types.h>

void registerChildGroup(pid_t group);
void unregisterChildGroup(pid_t group);
// Sends signal to every registered group; safe to call from a signal handler.
void signalChildGroups(int signal);
