// Changing a file's mode without following a symlink anywhere on its path.
#pragma once

#include <sys/types.h>

#include <string>

// Sets the mode of the regular file at path through a descriptor opened
// without following links; false, changing nothing, when any directory on
// the way or the file itself is a symlink, or the file is not regular.
bool setModeWithoutFollowing(const std::string& path, mode_t mode);
