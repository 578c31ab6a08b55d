// Whether another user could change a file that root is about to run or
// read: its owner and mode, and those of every folder on the way to it,
// judged on what lstat finds, never on a name looked up twice.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

struct TrustVerdict {
  enum class Finding {
    Trusted,
    ForeignOwner,  // owned by neither root nor the running user
    OpenToOthers,  // writable by group or others (a sticky folder too)
    Unchecked,     // could not be looked at whole
    Symlink,       // a link where a walk over a tree allows none
  };
  Finding finding = Finding::Trusted;
  std::string path;  // what was judged: "." for the working directory
  uid_t owner = 0;
  mode_t mode = 0;  // the permission bits, sticky and set-id bits included
};

// Judges one thing as lstat found it. The mode of a symlink means nothing:
// only its owner is judged (its folder decides who may replace it).
TrustVerdict judgeFound(const std::string& shown, const struct stat& info);

// Judges the working directory, then every folder the relative path passes
// through, and what it names. A symlink on the way is followed by hand: the
// folder it lies in was judged, and the walk goes on from where it points.
// A target below the working directory is judged from the working directory
// down (its parents are the administrator's choice, as for the package
// itself); any other target, and every folder it passes, from "/" down. A
// path that does not lead to anything (missing, a loop, too long) is
// trusted: running it fails by itself.
TrustVerdict judgePath(const std::string& path);
