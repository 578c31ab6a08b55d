// What a run inherits from whoever started it (a daemon, an update manager,
// cron), made safe before anything else happens: a child of such a caller
// may start with standard descriptors closed, SIGCHLD ignored, signals
// blocked, an alarm pending or a PATH that searches the working directory.
#pragma once

#include <string>

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that
// no pipe or file of the run can land on one and be taken for standard
// output by a child. False when /dev/null cannot be opened as a character
// device.
bool openClosedStandardDescriptors();

// SIGCHLD and SIGALRM back at their defaults (an ignored SIGCHLD makes the
// kernel reap a flash engine before its exit code is read), no signal
// blocked, no alarm or interval timer pending, and no signal one of those
// raised before the run began still pending behind the mask. SIGPIPE and SIGXFSZ are
// ignored in the component, so that a vanished console or a file size limit
// fails the write it stops instead of killing the run; children get both
// back at their defaults. SIGTERM, SIGINT and SIGHUP are left as found.
void resetInheritedSignals();

// PATH without its relative and empty elements, which would let a command
// name resolve in the working directory; when nothing is left, or PATH was
// unset (a shell's default path may hold "."), the usual system folders.
std::string absolutePathElements(const char* path);
void dropRelativePathElements();
