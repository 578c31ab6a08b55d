// The one file a run may have half written at a time (a report on its way to
// its path), so that a signal that ends the run can remove it.
#pragma once

#include <string>

// Registers path for as long as it lives; a relative path is removed
// relative to the working directory the signal finds.
class PendingFile {
 public:
  explicit PendingFile(const std::string& path);
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
};

// Removes the registered file, if any; safe to call from a signal handler.
void removePendingFile();
