// Reading escapes and bracketed classes into member sets; the compiler turns
// the sets into class and character nodes.
#pragma once

#include "regex/char_set.h"
#include "regex/parse_state.h"

namespace rx {

struct Escape {
  CharSet set;
  bool inverted = false;  // the escape stands for the complement of set
  bool quote =
      false;  // the escape was \Q: an error inside a class (outside one the compiler reads \Q itself)
};

// Reads the escape after a backslash; pos is just after the backslash.
template <class Char>
Escape readEscape(ParseState<Char>& ps);

// Reads a class after its '['; pos ends after the closing ']'. Negation and
// the set operations are applied to the result.
template <class Char>
CharSet readClass(ParseState<Char>& ps);

}  // namespace rx
