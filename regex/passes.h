// The optimisation passes over a compiled graph: what the nodes use at match
// time to pass over start positions and atom-loop ends that cannot match.
#pragma once

#include "regex/nodes.h"

namespace rx {

// Runs every pass; the answers of the graph stay the same.
template <class Char>
void optimise(Graph<Char>& graph);

}  // namespace rx
