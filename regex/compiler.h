// The pattern compiler: reads a pattern text and builds its node graph.
#pragma once

#include <memory>
#include <string>

#include "regex/nodes.h"

namespace rx {

// The graph of `text` compiled with `flags`, or null after a syntax error,
// which has then been reported on standard error.
template <class Char>
std::unique_ptr<Graph<Char>> compilePattern(const std::basic_string<Char>& text, int flags);

}  // namespace rx
