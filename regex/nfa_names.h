// The node class names for the narrow form (NFA...Node) and the wide form
// (NFA...UNode), as the rest of the system and its diagnostics name them.
#pragma once

#include "regex/atom_nodes.h"
#include "regex/graph.h"
#include "regex/group_nodes.h"

using NFANode = rx::Node<char>;
using NFACharNode = rx::CharNode<char>;
using NFACICharNode = rx::CICharNode<char>;
using NFAStartNode = rx::StartNode<char>;
using NFAEndNode = rx::EndNode<char>;
using NFAQuantifierNode = rx::QuantifierNode<char>;
using NFAGreedyQuantifierNode = rx::GreedyQuantifierNode<char>;
using NFALazyQuantifierNode = rx::LazyQuantifierNode<char>;
using NFAPossessiveQuantifierNode = rx::PossessiveQuantifierNode<char>;
using NFAAcceptNode = rx::AcceptNode<char>;
using NFAClassNode = rx::ClassNode<char>;
using NFACIClassNode = rx::CIClassNode<char>;
using NFASubStartNode = rx::SubStartNode<char>;
using NFAOrNode = rx::OrNode<char>;
using NFAQuoteNode = rx::QuoteNode<char>;
using NFACIQuoteNode = rx::CIQuoteNode<char>;
using NFALookAheadNode = rx::LookAheadNode<char>;
using NFALookBehindNode = rx::LookBehindNode<char>;
using NFAStartOfLineNode = rx::StartOfLineNode<char>;
using NFAEndOfLineNode = rx::EndOfLineNode<char>;
using NFAReferenceNode = rx::ReferenceNode<char>;
using NFAStartOfInputNode = rx::StartOfInputNode<char>;
using NFAEndOfInputNode = rx::EndOfInputNode<char>;
using NFAWordBoundaryNode = rx::WordBoundaryNode<char>;
using NFAEndOfMatchNode = rx::EndOfMatchNode<char>;
using NFAGroupHeadNode = rx::GroupHeadNode<char>;
using NFAGroupTailNode = rx::GroupTailNode<char>;
using NFAGroupLoopPrologueNode = rx::GroupLoopPrologueNode<char>;
using NFAGroupLoopNode = rx::GroupLoopNode<char>;

using NFAUNode = rx::Node<wchar_t>;
using NFACharUNode = rx::CharNode<wchar_t>;
using NFACICharUNode = rx::CICharNode<wchar_t>;
using NFAStartUNode = rx::StartNode<wchar_t>;
using NFAEndUNode = rx::EndNode<wchar_t>;
using NFAQuantifierUNode = rx::QuantifierNode<wchar_t>;
using NFAGreedyQuantifierUNode = rx::GreedyQuantifierNode<wchar_t>;
using NFALazyQuantifierUNode = rx::LazyQuantifierNode<wchar_t>;
using NFAPossessiveQuantifierUNode = rx::PossessiveQuantifierNode<wchar_t>;
using NFAAcceptUNode = rx::AcceptNode<wchar_t>;
using NFAClassUNode = rx::ClassNode<wchar_t>;
using NFACIClassUNode = rx::CIClassNode<wchar_t>;
using NFASubStartUNode = rx::SubStartNode<wchar_t>;
using NFAOrUNode = rx::OrNode<wchar_t>;
using NFAQuoteUNode = rx::QuoteNode<wchar_t>;
using NFACIQuoteUNode = rx::CIQuoteNode<wchar_t>;
using NFALookAheadUNode = rx::LookAheadNode<wchar_t>;
using NFALookBehindUNode = rx::LookBehindNode<wchar_t>;
using NFAStartOfLineUNode = rx::StartOfLineNode<wchar_t>;
using NFAEndOfLineUNode = rx::EndOfLineNode<wchar_t>;
using NFAReferenceUNode = rx::ReferenceNode<wchar_t>;
using NFAStartOfInputUNode = rx::StartOfInputNode<wchar_t>;
using NFAEndOfInputUNode = rx::EndOfInputNode<wchar_t>;
using NFAWordBoundaryUNode = rx::WordBoundaryNode<wchar_t>;
using NFAEndOfMatchUNode = rx::EndOfMatchNode<wchar_t>;
using NFAGroupHeadUNode = rx::GroupHeadNode<wchar_t>;
using NFAGroupTailUNode = rx::GroupTailNode<wchar_t>;
using NFAGroupLoopPrologueUNode = rx::GroupLoopPrologueNode<wchar_t>;
using NFAGroupLoopUNode = rx::GroupLoopNode<wchar_t>;
