// The dump of a narrow pattern's node graph, a diagnostic nothing in the
// system calls but the tests and people.
#pragma once

#include <string>

namespace rx {

template <class Char>
class Graph;

// Prints the node graph of a narrow pattern to standard output.
void dumpPattern(const Graph<char>& graph, const std::string& text);

}  // namespace rx
