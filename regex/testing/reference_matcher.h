// A plain recursive matcher over a compiled graph, one rule per node kind
// and one call level per iteration, kept for the tests only: the engine's
// results must agree with it wherever it stays within its own bounds.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "regex/nodes.h"
#include "regex/pattern.h"

namespace rxtest {

using Span = std::pair<int, int>;

// What a subject gives: the whole-match result with its groups and the
// successive find positions, as rxprobe reports them.
struct Outcome {
  bool whole = false;
  std::vector<Span> groups;
  std::vector<Span> finds;
  std::vector<Span> findGroups;  // groups 1.. of every find, one find after another
  bool limit = false;            // some call gave up; the other fields are then partial
};

// One line for a failure message: whole, groups, finds and a limit mark.
std::string describe(const Outcome& o);

template <class Char>
Outcome engineOutcome(BasicPattern<Char>& pattern, const std::basic_string<Char>& subject, int maxFinds);

template <class Char>
Outcome referenceOutcome(const rx::Graph<Char>& graph, const std::basic_string<Char>& subject, int maxFinds);

}  // namespace rxtest
