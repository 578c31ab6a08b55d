// The whole node graph of a compiled pattern: every node family and the
// graph that owns them, for the stages that walk it.
#pragma once

#include "regex/atom_nodes.h"
#include "regex/graph.h"
#include "regex/group_nodes.h"
#include "regex/nfa_names.h"
#include "regex/node.h"
