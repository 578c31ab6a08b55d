// Pattern::dump: the node graph, one line per node, under the node class
// names. Alternation branches each print the rest of the pattern, so the
// output is cut off after a fixed number of lines, and nesting is cut off
// at a fixed indent so that the printing recursion stays bounded.
#include "regex/dump.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "regex/nodes.h"

namespace rx {

namespace {

constexpr int kMaxDumpLines = 10000;
constexpr int kMaxDumpIndent = 200;

const char* boolText(bool b) { return b ? "true" : "false"; }

std::string formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string formatted(const char* format, ...) {
  va_list args;
  va_start(args, format);
  char buffer[256];
  int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return n < 0 ? std::string()
               : std::string(buffer, static_cast<size_t>(n) < sizeof buffer ? n : sizeof buffer - 1);
}

class Dumper {
 public:
  void chain(const Node<char>* node, int indent) {
    if (indent > kMaxDumpIndent) {
      line(indent, "...");
      return;
    }
    for (; node && lines_ <= kMaxDumpLines; node = node->next) {
      if (!one(node, indent)) return;
    }
  }
  void line(int indent, const std::string& body) {
    if (++lines_ > kMaxDumpLines) {
      if (lines_ == kMaxDumpLines + 1) out_ += "  ...\n";
      return;
    }
    out_.append(2 * static_cast<size_t>(indent), ' ');
    out_ += body;
    out_ += '\n';
  }
  const std::string& text() const { return out_; }

 private:
  // Prints one node (and its inner parts); false when `next` is not printed.
  bool one(const Node<char>* node, int indent);
  void quantifier(const QuantifierNode<char>* q, int indent);

  std::string out_;
  int lines_ = 0;
};

bool Dumper::one(const Node<char>* node, int indent) {
  std::string name = node->className();
  switch (node->kind) {
    case NodeKind::GroupLoop: {
      auto* n = static_cast<const GroupLoopNode<char>*>(node);
      static const char* const kTypes[] = {"greedy", "reluctant", "possessive"};
      line(indent,
           name + formatted("(gi=%d, min=%d, max=%d, type=%s)", n->gi, n->min, n->max, kTypes[n->type]));
      break;
    }
    case NodeKind::GroupLoopPrologue:
      line(indent, name + formatted("(gi=%d)", static_cast<const GroupLoopPrologueNode<char>*>(node)->gi));
      break;
    case NodeKind::GroupHead:
      line(indent, name + formatted("(gi=%d)", static_cast<const GroupHeadNode<char>*>(node)->gi));
      break;
    case NodeKind::GroupTail:
      line(indent, name + formatted("(gi=%d)", static_cast<const GroupTailNode<char>*>(node)->gi));
      break;
    case NodeKind::Reference:
      line(indent, name + formatted("(gi=%d)", static_cast<const ReferenceNode<char>*>(node)->gi));
      break;
    case NodeKind::WordBoundary:
      line(indent, name + "(pos=" + boolText(static_cast<const WordBoundaryNode<char>*>(node)->pos) + ")");
      break;
    case NodeKind::LookAhead: {
      auto* n = static_cast<const LookAheadNode<char>*>(node);
      line(indent, name + "(pos=" + boolText(n->pos) + ")");
      chain(n->inner, indent + 1);
      break;
    }
    case NodeKind::EndOfInput:
      line(indent, name + "(term=" + boolText(static_cast<const EndOfInputNode<char>*>(node)->term) + ")");
      break;
    case NodeKind::LookBehind: {
      auto* n = static_cast<const LookBehindNode<char>*>(node);
      line(indent, name + "(str=" + n->str + ", pos=" + boolText(n->pos) + ")");
      break;
    }
    case NodeKind::Quote:
    case NodeKind::CIQuote:
      line(indent, name + "(" + static_cast<const QuoteNode<char>*>(node)->str + ")");
      break;
    case NodeKind::Or: {
      auto* n = static_cast<const OrNode<char>*>(node);
      line(indent, name);
      line(indent + 1, "one");
      chain(n->one, indent + 2);
      line(indent + 1, "two");
      chain(n->two, indent + 2);
      return false;
    }
    case NodeKind::Class: {
      auto* n = static_cast<const ClassNode<char>*>(node);
      line(indent, name + formatted("(%d vals, inv=%s)", static_cast<int>(n->set.size()), boolText(n->inv)));
      break;
    }
    case NodeKind::CIClass:
      break;
    case NodeKind::GreedyQuantifier:
    case NodeKind::LazyQuantifier:
    case NodeKind::PossessiveQuantifier:
      quantifier(static_cast<const QuantifierNode<char>*>(node), indent);
      break;
    case NodeKind::Char:
    case NodeKind::CIChar:
      line(indent, name + formatted("(0x%02X)", static_cast<unsigned char>(
                                                    static_cast<const CharNode<char>*>(node)->ch)));
      break;
    case NodeKind::Start:
    case NodeKind::End:
    case NodeKind::Accept:
    case NodeKind::SubStart:
    case NodeKind::StartOfLine:
    case NodeKind::EndOfLine:
    case NodeKind::StartOfInput:
    case NodeKind::EndOfMatch:
      line(indent, name);
      break;
  }
  return true;
}

void Dumper::quantifier(const QuantifierNode<char>* q, int indent) {
  line(indent, q->className() + formatted("(min=%d, max=%d)", q->min, q->max));
  line(indent + 1, "inner");
  chain(q->inner, indent + 2);
}

}  // namespace

void dumpPattern(const Graph<char>& graph, const std::string& text) {
  Dumper dumper;
  std::string header = "Pattern(" + text + "):\n";
  (void)std::fwrite(header.data(), 1, header.size(), stdout);
  dumper.chain(graph.head, 1);
  (void)std::fwrite(dumper.text().data(), 1, dumper.text().size(), stdout);
  (void)std::fflush(stdout);
}

}  // namespace rx
