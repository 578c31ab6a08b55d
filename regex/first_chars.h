// Which characters a match of a compiled graph can begin with, so that a
// search can pass over start positions that cannot begin one.
#pragma once

#include "regex/char_set.h"
#include "regex/nodes.h"

namespace rx {

// False when no such set is known: the match may be empty, may begin with
// any character, or the graph is too involved to tell.
template <class Char>
bool firstChars(const Node<Char>* head, CharSet* chars);

}  // namespace rx
