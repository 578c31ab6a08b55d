// Which descriptors the caller handed the process at start, so that a name
// such as /dev/fd/3 is honoured only for a descriptor the caller meant.
#pragma once

// Descriptors 0 to kRecordedDescriptors - 1 are recorded. A higher one never
// counts as inherited: proving it was would take a probe of every number up
// to the descriptor limit (a million on some hosts) at every start, and no
// caller hands a report descriptor that high.
constexpr int kRecordedDescriptors = 1024;

// Records which of the recorded descriptors are open now. Called first in
// main, before anything opens a file; a later call records afresh.
void recordInheritedDescriptors();

// True when fd was open at the last recordInheritedDescriptors().
bool inheritedDescriptor(int fd);
