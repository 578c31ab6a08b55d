// The class names of the node kinds, for the dump and other diagnostics.
#include "regex/node.h"

namespace rx {

const char* kindName(NodeKind kind) {
  // In the order of NodeKind.
  static const char* const kNames[] = {
      "Char",
      "CIChar",
      "Start",
      "End",
      "GreedyQuantifier",
      "LazyQuantifier",
      "PossessiveQuantifier",
      "Accept",
      "Class",
      "CIClass",
      "SubStart",
      "Or",
      "Quote",
      "CIQuote",
      "LookAhead",
      "LookBehind",
      "StartOfLine",
      "EndOfLine",
      "Reference",
      "StartOfInput",
      "EndOfInput",
      "WordBoundary",
      "EndOfMatch",
      "GroupHead",
      "GroupTail",
      "GroupLoopPrologue",
      "GroupLoop",
  };
  static_assert(sizeof(kNames) / sizeof(kNames[0]) == static_cast<size_t>(NodeKind::GroupLoop) + 1,
                "one name per node kind");
  return kNames[static_cast<int>(kind)];
}

}  // namespace rx
