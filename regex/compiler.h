// The pattern compiler: reads a pattern text and builds its node graph.
#pragma once

#include <string>

#include "regex/nodes.h"

namespace rx {

// Compiles `text` with `flags` into the empty `graph`; false after a syntax
// error, which has then been reported on standard error (the graph then
// holds the nodes made so far, for its owner to discard).
template <class Char>
bool compilePattern(const std::basic_string<Char>& text, int flags, Graph<Char>& graph);

}  // namespace rx
