// Entering a folder one component at a time, so that what a path leads to is
// judged on the folder actually entered, never on a name looked up twice.
#pragma once

#include <sys/stat.h>

#include <string>

// Puts the working directory back, when it goes, where it was when it was
// made: through a descriptor of it, or by its name where it cannot be read.
class WorkingDirectoryKeeper {
 public:
  WorkingDirectoryKeeper();
  ~WorkingDirectoryKeeper();
  WorkingDirectoryKeeper(const WorkingDirectoryKeeper&) = delete;
  WorkingDirectoryKeeper& operator=(const WorkingDirectoryKeeper&) = delete;
  // False when neither way back is known: nothing may then move away.
  bool kept() const { return fd_ >= 0 || !name_.empty(); }

 private:
  int fd_;
  std::string name_;
};

struct FolderWalk {
  int linksLeft = 40;        // symlinks still allowed on the way, as the kernel bounds them
  bool throughLink = false;  // a symlink was followed on the way
};

// True when the symlink (or file) described is owned by root or the running user.
bool ownedByUs(const struct stat& info);

// The text of the symlink name, which lstat saw as seen; false when its text
// does not fit 4 KB, or when name is no longer that link once read (another
// link swapped in between would be followed unjudged).
bool readLink(const std::string& name, const struct stat& seen, std::string& target);

// Makes the folder that path names (relative to the working directory, or
// absolute; "" is the working directory itself) the working directory, one
// component at a time. Each directory is entered with chdir and confirmed by
// stat(".") to be the one lstat saw; each symlink on the way must be owned by
// root or the running user, and is followed by walking its text from the
// folder it sits in. False, with the working directory anywhere on the way,
// when a component is missing, no directory, another user's symlink, or
// changed under the walk.
bool enterFolder(const std::string& path, FolderWalk& walk);

// True when the working directory, by the path getcwd gives for it, is folder
// (an absolute path without a trailing slash) or lies below it; also when
// that path cannot be had, so that a caller refusing what lies below folder
// refuses then too.
bool workingDirectoryBelow(const std::string& folder);
