// Putting the self-discovery report where the caller meant, judged on what is
// actually opened, so that a failed write never costs the previous report.
#pragma once

#include <string>

// Writes bytes to path, taken byte for byte as the user gave it (no URI, no
// "-" for standard output). True when every byte was written.
//
// - "/dev/stdout", "/dev/stderr", "/dev/fd/N", "/proc/self/fd/N" (exactly so
//   written): the bytes go through descriptor 1, 2 or N itself, at its
//   current offset, when the process inherited it at start; the descriptor
//   is never reopened, truncated or closed, and no name is touched. A block
//   device, directory or socket behind it, or a descriptor not inherited, is
//   refused. The console goes to standard output too, so only with /s does
//   that target hold exactly the report.
// - Every folder on the way is entered one component at a time; a symlink
//   among them must be owned by root or the running user.
// - A regular file, a missing name, or a symlink of another user: a new file
//   is written and synced in the same folder (mode 0644 less the umask, or the
//   previous report's mode without set-id bits and without write for group
//   and others) and renamed over the name, so such a link is replaced, never
//   followed. When no file can be created there, an existing regular file of
//   root or the running user with no other name is rewritten in place
//   instead, the one case where a failure can leave it cut.
// - A FIFO or character device: written in place, never created or
//   truncated; a FIFO without a reader fails at once.
// - A block device, directory or socket: refused, nothing written.
// - A symlink of root or the running user is followed once. What it names is
//   handled as above, except: a descriptor name as above is handled as such;
//   another symlink, anything below /proc, and below /dev anything but a
//   regular file reached without a symlink are refused. A link that itself
//   sits below /proc is refused unless it names a descriptor name.
// Each decision made from lstat is confirmed on the opened descriptor (same
// device, inode and type) before a byte is written. False on any refusal or
// failure, with the previous file unchanged except in the in-place cases.
bool writeReportFile(const std::string& path, const std::string& bytes);
