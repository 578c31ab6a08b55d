// The one half-written file a signal must remove.
#include "support/pending_file.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace {

// Filled before the flag is set and read only once it is, so that a signal
// handler never sees half a path.
char pendingPath[4097];
volatile sig_atomic_t pending = 0;

}  // namespace

PendingFile::PendingFile(const std::string& path) {
  if (path.size() >= sizeof pendingPath) return;
  std::memcpy(pendingPath, path.c_str(), path.size() + 1);
  pending = 1;
}

PendingFile::~PendingFile() { pending = 0; }

void removePendingFile() {
  if (pending) (void)::unlink(pendingPath);
}
