// Closing a folder tree to other users, and judging what it holds, without
// ever following a link.
#pragma once

#include <string>

#include "support/path_trust.h"

enum class TreeWalk {
  JudgeOnly,       // what is there is judged as found
  CloseThenJudge,  // group and other write bits are taken off first
};

// Walks `top` (a name in the working directory) and everything below it,
// passing from folder to folder through descriptors opened without following
// links, so that a folder swapped for a link on the way is never entered.
// Folders and regular files are closed, when asked, through such descriptors
// too. A symlink is neither followed nor changed, and is itself a finding:
// whatever unpacks into the tree would write through it. The first finding
// is returned; a closing walk still closes the rest. A top that does not exist is trusted (nothing there to
// run). Trees deeper than 64 folders or holding over 100,000 entries are Unchecked.
TrustVerdict walkTree(const std::string& top, TreeWalk how);
