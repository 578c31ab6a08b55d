// The automaton run on its own, driven the way the matcher drives a search,
// so that the tests and the differential fuzzer can compare it with the
// backtracker and the reference matcher on any subject.
#pragma once

#include <string>

#include "regex/nodes.h"
#include "regex/testing/reference_matcher.h"

namespace rxtest {

// False (and *out untouched) when the automaton does not take the graph.
template <class Char>
bool automatonOutcome(const rx::Graph<Char>& graph, const std::basic_string<Char>& subject, int maxFinds,
                      Outcome* out);

}  // namespace rxtest
