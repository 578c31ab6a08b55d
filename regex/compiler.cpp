// The pattern compiler: reads the pattern text, one call of the sequence
// parser per nesting level (the whole pattern, each group, each named
// sub-pattern), and builds the nodes into the graph that owns them.
// Alternatives are read in a loop within their level, so a wide alternation
// costs no depth; nesting is bounded (kMaxNesting).
#include "regex/compiler.h"

#include <climits>
#include <cstdint>
#include <utility>
#include <vector>

#include "regex/char_class.h"
#include "regex/named_patterns.h"
#include "regex/parse_state.h"
#include "regex/passes.h"

namespace rx {

namespace {

template <class Char>
class Compiler {
 public:
  using String = std::basic_string<Char>;
  using N = Node<Char>;
  using Traits = CharTraits<Char>;

  Compiler(const String& text, int flags, Graph<Char>& graph)
      : flags_(static_cast<unsigned>(flags)), graph_(graph) {
    ps_.text = text;
    ps_.flags = flags_;
  }

  bool compile();

 private:
  // Where a sequence stands: the whole pattern (or a named sub-pattern
  // compiled in its place), or inside parentheses.
  enum class Scope { TopLevel, InParens };
  // What the parentheses of a sequence make.
  enum class Kind { Top, Capturing, NonCapturing, LookAhead, NegativeLookAhead, Atomic };

  // A finished alternative before a '|': its first node and the accept node
  // that ends it.
  struct Branch {
    N* first = nullptr;
    N* end = nullptr;
  };

  // What one call of the sequence parser is building.
  struct Sequence {
    Scope scope = Scope::TopLevel;
    int index = 0;  // the group the sequence belongs to
    Kind kind = Kind::Top;
    uint64_t flags = 0;  // the flags in force when the sequence began
    N* first = nullptr;  // of the alternative being read
    N* end = nullptr;
    std::vector<Branch> branches;   // the alternatives before it
    const N* madeBefore = nullptr;  // the graph's last node when the sequence began
  };

  struct Quantifier {
    int min = 0;
    int max = kUnbounded;
    LoopType type = kGreedy;
  };

  enum class BraceResult { Quantifier, NotQuantifier, Error };
  enum class Opening { Group, Whole, Failed };

  template <class T, class... Args>
  T* make(Args&&... args) {
    return graph_.template make<T>(std::forward<Args>(args)...);
  }

  uint32_t peek() const { return ps_.atEnd() ? UINT32_MAX : Traits::code(ps_.text[ps_.pos]); }
  bool caseInsensitive() const { return ps_.flag(kCaseInsensitive); }

  N* parseSequence(Scope scope, N** last);
  Opening openConstruct(Sequence& seq, N** whole);
  Opening readInlineFlags(Sequence& seq, N** whole);
  N* readLookBehind(bool positive);
  N* parseBody(Sequence& seq, N** last);
  N* finishAtEnd(Sequence& seq, N** last);
  N* closeGroup(Sequence& seq, N** last);
  N* closeLoopableGroup(Sequence& seq, N** last);
  void append(Sequence& seq, N* node) {
    seq.end->next = node;
    seq.end = node;
  }
  N* branchStart(const Sequence& seq);
  void alternate(Sequence& seq);
  void joinBranches(Sequence& seq);
  bool writesGroups(const Sequence& seq) const;
  bool enterLevel();
  void linkGroup(Sequence& seq);
  void linkNamed(Sequence& seq);
  bool readName(String* name);
  N* parseAtom(uint32_t c, Char raw);
  N* parseEscape();
  N* backReference();
  N* quotedText();
  N* classNode(const CharSet& set, bool inverted);
  N* dot();
  bool readQuantifier(Quantifier* q);
  BraceResult readBraces(Quantifier* q);
  bool readNumber(int from, int to, int* value) const;
  N* quantified(N* atom);
  N* loopOver(N* first, N* tail, int index, const Quantifier& q);

  ParseState<Char> ps_;
  uint64_t flags_;
  int groupCount_ = 0;
  int nonCapturingCount_ = 0;      // 0 or negative: the index of the latest non-capturing group
  std::vector<String> expanding_;  // named sub-patterns being compiled in place
  Graph<Char>& graph_;
};

template <class Char>
bool Compiler<Char>::compile() {
  N* start = make<StartNode<Char>>();
  N* end = make<EndNode<Char>>();
  if (flags_ & kLiteral) {
    N* quote = caseInsensitive() ? static_cast<N*>(make<CIQuoteNode<Char>>(String(ps_.text)))
                                 : static_cast<N*>(make<QuoteNode<Char>>(String(ps_.text)));
    start->next = quote;
    quote->next = end;
    groupCount_ = 1;
  } else {
    N* last = nullptr;
    N* first = parseSequence(Scope::TopLevel, &last);
    if (!first || ps_.error) return false;
    start->next = first;
    last->next = end;
  }
  graph_.head = start;
  optimise(graph_);
  graph_.groupCount = groupCount_;
  graph_.nonCapturing = -nonCapturingCount_;
  return true;
}

// Returns the sequence's first node and stores its last node in *last.
template <class Char>
Node<Char>* Compiler<Char>::parseSequence(Scope scope, N** last) {
  Sequence seq;
  seq.scope = scope;
  seq.index = groupCount_++;
  seq.flags = ps_.flags;
  if (scope == Scope::TopLevel) {
    seq.first = make<SubStartNode<Char>>();
  } else if (peek() == '?') {
    ++ps_.pos;
    --groupCount_;
    N* whole = nullptr;
    Opening opening = openConstruct(seq, &whole);
    if (opening == Opening::Failed) return nullptr;
    if (opening == Opening::Whole) {
      *last = whole;
      return whole;
    }
  } else {
    seq.kind = Kind::Capturing;
    seq.first = make<GroupHeadNode<Char>>(seq.index);
  }
  seq.end = seq.first;
  seq.madeBefore = graph_.lastMade();
  return parseBody(seq, last);
}

// The construct after "(?": non-capturing group, look-around, atomic group
// or inline flags.
template <class Char>
typename Compiler<Char>::Opening Compiler<Char>::openConstruct(Sequence& seq, N** whole) {
  uint32_t c = peek();
  if (c == ':') {
    ++ps_.pos;
    seq.kind = Kind::NonCapturing;
    seq.index = --nonCapturingCount_;
    seq.first = make<GroupHeadNode<Char>>(seq.index);
  } else if (c == '=' || c == '!') {
    ++ps_.pos;
    seq.kind = c == '=' ? Kind::LookAhead : Kind::NegativeLookAhead;
    seq.first = make<SubStartNode<Char>>();
  } else if (c == '<' && ps_.has(1) && (ps_.at(1, '=') || ps_.at(1, '!'))) {
    bool positive = ps_.at(1, '=');
    ps_.pos += 2;
    *whole = readLookBehind(positive);
    return *whole ? Opening::Whole : Opening::Failed;
  } else if (c == '>') {
    ++ps_.pos;
    seq.kind = Kind::Atomic;
    seq.first = make<SubStartNode<Char>>();
  } else {
    return readInlineFlags(seq, whole);
  }
  return Opening::Group;
}

// "(?imsd-imsd)" changes the flags for the rest of the enclosing group and
// stands in the graph as a zero-width node that always succeeds;
// "(?imsd-imsd:...)" is a non-capturing group with those flags.
template <class Char>
typename Compiler<Char>::Opening Compiler<Char>::readInlineFlags(Sequence& seq, N** whole) {
  bool clearing = false;
  for (;;) {
    if (ps_.atEnd()) {
      ps_.syntaxError();
      return Opening::Failed;
    }
    uint32_t c = Traits::code(ps_.text[ps_.pos++]);
    int bit = c == 'i'   ? kCaseInsensitive
              : c == 'm' ? kMultiLine
              : c == 's' ? kDotAll
              : c == 'd' ? kUnixLines
                         : 0;
    if (bit != 0) {
      if (clearing) {
        ps_.flags &= ~static_cast<uint64_t>(bit);
      } else {
        ps_.flags |= static_cast<uint64_t>(bit);
      }
    } else if (c == '-' && !clearing) {
      clearing = true;
    } else if (c == ':') {
      seq.kind = Kind::NonCapturing;
      seq.index = --nonCapturingCount_;
      seq.first = make<GroupHeadNode<Char>>(seq.index);
      return Opening::Group;
    } else if (c == ')') {
      *whole = make<LookBehindNode<Char>>(true, String());
      return Opening::Whole;
    } else {
      ps_.syntaxError();
      return Opening::Failed;
    }
  }
}

// A look-behind holds literal text only; a backslash takes the next
// character literally.
template <class Char>
Node<Char>* Compiler<Char>::readLookBehind(bool positive) {
  String text;
  for (;;) {
    if (ps_.atEnd()) {
      ps_.syntaxError();
      return nullptr;
    }
    Char c = ps_.text[ps_.pos++];
    if (Traits::code(c) == ')') break;
    if (Traits::code(c) == '\\') {
      if (ps_.atEnd()) {
        ps_.syntaxError();
        return nullptr;
      }
      c = ps_.text[ps_.pos++];
    }
    text += c;
  }
  return make<LookBehindNode<Char>>(positive, std::move(text));
}

template <class Char>
Node<Char>* Compiler<Char>::parseBody(Sequence& seq, N** last) {
  while (!ps_.atEnd()) {
    if (ps_.error) return nullptr;
    Char raw = ps_.text[ps_.pos++];
    uint32_t c = Traits::code(raw);
    if (c == ')') {
      if (seq.scope == Scope::InParens) return closeGroup(seq, last);
      ps_.syntaxError();
    } else if (c == '(') {
      linkGroup(seq);
    } else if (c == '|') {
      alternate(seq);
    } else if (c == '{') {
      linkNamed(seq);
    } else if (N* atom = parseAtom(c, raw)) {
      append(seq, quantified(atom));
    }
  }
  return finishAtEnd(seq, last);
}

template <class Char>
Node<Char>* Compiler<Char>::finishAtEnd(Sequence& seq, N** last) {
  if (seq.scope == Scope::InParens) {
    // The missing ')'. An error already reported inside is not repeated.
    if (!ps_.error) ps_.syntaxError();
    return nullptr;
  }
  joinBranches(seq);
  *last = seq.end;
  ps_.flags = seq.flags;
  return ps_.error ? nullptr : seq.first;
}

template <class Char>
Node<Char>* Compiler<Char>::closeGroup(Sequence& seq, N** last) {
  joinBranches(seq);
  if (seq.kind == Kind::Capturing || seq.kind == Kind::NonCapturing) return closeLoopableGroup(seq, last);
  append(seq, make<AcceptNode<Char>>());
  ps_.flags = seq.flags;
  N* node = nullptr;
  if (seq.kind == Kind::Atomic) {
    node = make<PossessiveQuantifierNode<Char>>(seq.first, 1, 1, writesGroups(seq));
  } else {
    node = make<LookAheadNode<Char>>(seq.kind == Kind::LookAhead, seq.first, writesGroups(seq));
  }
  *last = node;
  return node;
}

template <class Char>
Node<Char>* Compiler<Char>::closeLoopableGroup(Sequence& seq, N** last) {
  N* tail = make<GroupTailNode<Char>>(seq.index);
  append(seq, tail);
  Quantifier q;
  N* first = seq.first;
  *last = tail;
  if (readQuantifier(&q)) {
    first = loopOver(seq.first, tail, seq.index, q);
    *last = first->next;
  }
  ps_.flags = seq.flags;
  return first;
}

// Makes prologue -> loop over the group head .. tail; the tail returns to the
// loop after every iteration. Returns the prologue.
template <class Char>
Node<Char>* Compiler<Char>::loopOver(N* first, N* tail, int index, const Quantifier& q) {
  N* prologue = make<GroupLoopPrologueNode<Char>>(index);
  N* loop = make<GroupLoopNode<Char>>(first, q.min, q.max, index, q.type);
  prologue->next = loop;
  tail->next = loop;
  return prologue;
}

template <class Char>
bool Compiler<Char>::writesGroups(const Sequence& seq) const {
  for (const N* n : graph_.nodesAfter(seq.madeBefore)) {
    NodeKind k = n->kind;
    if (k == NodeKind::GroupHead || k == NodeKind::GroupTail || k == NodeKind::GroupLoopPrologue ||
        k == NodeKind::GroupLoop) {
      return true;
    }
  }
  return false;
}

// Each alternative of a capturing or non-capturing group starts with the
// group's head, so that the group's start is recorded whichever one matches.
template <class Char>
Node<Char>* Compiler<Char>::branchStart(const Sequence& seq) {
  if (seq.kind == Kind::Capturing || seq.kind == Kind::NonCapturing)
    return make<GroupHeadNode<Char>>(seq.index);
  return make<SubStartNode<Char>>();
}

// '|' ends the alternative being read with an accept node and starts the
// next one; the alternatives are joined when the sequence ends.
template <class Char>
void Compiler<Char>::alternate(Sequence& seq) {
  append(seq, make<AcceptNode<Char>>());
  seq.branches.push_back(Branch{seq.first, seq.end});
  seq.first = branchStart(seq);
  seq.end = seq.first;
}

// a|b|c nests to the right: (a) or ((b) or (c)). Each pair of branches
// joins in a new accept node, and every alternative after a '|' ends in an
// accept node of its own, the last one before the join, the others after
// the join of the alternatives to their right.
template <class Char>
void Compiler<Char>::joinBranches(Sequence& seq) {
  if (seq.branches.empty()) return;
  append(seq, make<AcceptNode<Char>>());
  N* first = seq.first;
  N* end = seq.end;
  for (size_t k = seq.branches.size(); k-- > 0;) {
    N* join = make<AcceptNode<Char>>();
    seq.branches[k].end->next = join;
    end->next = join;
    first = make<OrNode<Char>>(seq.branches[k].first, first);
    end = join;
    if (k > 0) {
      end->next = make<AcceptNode<Char>>();
      end = end->next;
    }
  }
  seq.branches.clear();
  seq.first = first;
  seq.end = end;
}

// Every level of parentheses, nested class and named sub-pattern is one
// level of the parser's recursion; beyond kMaxNesting the pattern is refused
// rather than the stack exhausted.
template <class Char>
bool Compiler<Char>::enterLevel() {
  if (++ps_.depth <= kMaxNesting) return true;
  ps_.nestingError();
  return false;
}

template <class Char>
void Compiler<Char>::linkGroup(Sequence& seq) {
  if (!enterLevel()) return;
  N* groupLast = nullptr;
  N* group = parseSequence(Scope::InParens, &groupLast);
  --ps_.depth;
  if (!group) {
    if (!ps_.error) ps_.syntaxError();
    return;
  }
  seq.end->next = group;
  seq.end = groupLast;
}

// {name}: the registered text is compiled in place with its own flags; its
// groups continue the numbering of the enclosing pattern.
template <class Char>
void Compiler<Char>::linkNamed(Sequence& seq) {
  String name, text;
  int flags = 0;
  if (!readName(&name)) return;
  bool recursive = false;
  for (const String& open : expanding_) recursive = recursive || open == name;
  if (recursive || !findNamed(name, &text, &flags)) {
    ps_.syntaxError();
    return;
  }
  if (!enterLevel()) return;
  ParseState<Char> saved = ps_;
  ps_.text = text;
  ps_.pos = 0;
  ps_.flags = static_cast<unsigned>(flags);
  expanding_.push_back(name);
  --groupCount_;
  N* subLast = nullptr;
  N* sub = parseSequence(Scope::TopLevel, &subLast);
  expanding_.pop_back();
  bool failed = ps_.error || !sub;
  saved.error = saved.error || failed;
  saved.quiet = saved.quiet || ps_.quiet;
  saved.depth -= 1;
  ps_ = std::move(saved);
  if (failed) return;
  Quantifier q;
  if (!readQuantifier(&q)) {
    seq.end->next = sub;
    seq.end = subLast;
    return;
  }
  // A quantifier applies to the whole sub-pattern, as to a non-capturing group.
  int index = --nonCapturingCount_;
  N* head = make<GroupHeadNode<Char>>(index);
  N* tail = make<GroupTailNode<Char>>(index);
  head->next = sub;
  subLast->next = tail;
  N* prologue = loopOver(head, tail, index, q);
  seq.end->next = prologue;
  seq.end = prologue->next;
}

// The name between '{' and the next '}': a letter or '_', then letters,
// digits or '_'. pos ends after the '}'.
template <class Char>
bool Compiler<Char>::readName(String* name) {
  int close = ps_.pos;
  while (close < ps_.length() && Traits::code(ps_.text[close]) != '}') ++close;
  if (close >= ps_.length()) {
    ps_.pos = ps_.length();
    ps_.syntaxError();
    return false;
  }
  *name = ps_.text.substr(static_cast<size_t>(ps_.pos), static_cast<size_t>(close - ps_.pos));
  ps_.pos = close + 1;
  bool valid = !name->empty();
  for (size_t i = 0; i < name->size() && valid; ++i) {
    uint32_t c = Traits::code((*name)[i]);
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    valid = letter || (i > 0 && c >= '0' && c <= '9');
  }
  if (!valid) ps_.syntaxError();
  return valid;
}

template <class Char>
Node<Char>* Compiler<Char>::parseAtom(uint32_t c, Char raw) {
  switch (c) {
    case '$':
      if (ps_.flag(kMultiLine)) return make<EndOfLineNode<Char>>();
      return make<EndOfInputNode<Char>>(false);
    case '^':
      if (ps_.flag(kMultiLine)) return make<StartOfLineNode<Char>>();
      return make<StartOfInputNode<Char>>();
    case '.':
      return dot();
    case '[':
      return classNode(readClass(ps_), false);
    case '\\':
      return parseEscape();
    case '*':
    case '+':
    case '?':
    case ']':
    case '}':
      ps_.syntaxError();
      return nullptr;
    default:
      if (caseInsensitive()) return make<CICharNode<Char>>(raw);
      return make<CharNode<Char>>(raw);
  }
}

// '.' is an inverted class of the line terminators it must not match; it is
// never case-folded.
template <class Char>
Node<Char>* Compiler<Char>::dot() {
  CharSet terminators;
  if (!ps_.flag(kDotAll)) {
    terminators.add('\n');
    if (!ps_.flag(kUnixLines)) terminators.add('\r');
  }
  return make<ClassNode<Char>>(terminators, true);
}

template <class Char>
Node<Char>* Compiler<Char>::classNode(const CharSet& set, bool inverted) {
  if (caseInsensitive()) return make<CIClassNode<Char>>(set, inverted);
  return make<ClassNode<Char>>(set, inverted);
}

template <class Char>
Node<Char>* Compiler<Char>::parseEscape() {
  if (ps_.atEnd()) {
    ps_.syntaxError();
    return nullptr;
  }
  uint32_t c = peek();
  if (c >= '1' && c <= '9') return backReference();
  ++ps_.pos;
  switch (c) {
    case 'A':
      return make<StartOfInputNode<Char>>();
    case 'b':
      return make<WordBoundaryNode<Char>>(true);
    case 'B':
      return make<WordBoundaryNode<Char>>(false);
    case 'G':
      return make<EndOfMatchNode<Char>>();
    case 'Z':
      return make<EndOfInputNode<Char>>(true);
    case 'z':
      return make<EndOfInputNode<Char>>(false);
    case 'Q':
      return quotedText();
    default:
      break;
  }
  --ps_.pos;
  Escape e = readEscape(ps_);
  uint32_t only = 0;
  // A single escaped character stays case-sensitive under CASE_INSENSITIVE.
  if (!e.inverted && e.set.single(&only)) return make<CharNode<Char>>(Traits::fromCode(only));
  return classNode(e.set, e.inverted);
}

// The first two digits are always part of the number, later ones only while
// the number so far names a group opened before.
template <class Char>
Node<Char>* Compiler<Char>::backReference() {
  int64_t number = 0;
  while (peek() >= '0' && peek() <= '9' && (number <= 9 || number < groupCount_)) {
    number = number * 10 + (peek() - '0');
    ++ps_.pos;
  }
  return make<ReferenceNode<Char>>(number > INT_MAX ? INT_MAX : static_cast<int>(number));
}

// \Q...\E: everything literal up to \E; a backslash takes the next
// character literally.
template <class Char>
Node<Char>* Compiler<Char>::quotedText() {
  String text;
  for (;;) {
    if (ps_.atEnd()) {
      ps_.syntaxError();
      return nullptr;
    }
    Char c = ps_.text[ps_.pos++];
    if (Traits::code(c) == '\\') {
      if (ps_.atEnd()) {
        ps_.syntaxError();
        return nullptr;
      }
      c = ps_.text[ps_.pos++];
      if (Traits::code(c) == 'E') break;
    }
    text += c;
  }
  if (caseInsensitive()) return make<CIQuoteNode<Char>>(std::move(text));
  return make<QuoteNode<Char>>(std::move(text));
}

template <class Char>
Node<Char>* Compiler<Char>::quantified(N* atom) {
  Quantifier q;
  if (!readQuantifier(&q)) return atom;
  atom->next = make<AcceptNode<Char>>();
  if (q.type == kLazy) return make<LazyQuantifierNode<Char>>(atom, q.min, q.max);
  if (q.type == kPossessive) return make<PossessiveQuantifierNode<Char>>(atom, q.min, q.max, false);
  return make<GreedyQuantifierNode<Char>>(atom, q.min, q.max);
}

// Reads * + ? or a brace quantifier and its lazy or possessive suffix;
// false when there is none (or after a syntax error).
template <class Char>
bool Compiler<Char>::readQuantifier(Quantifier* q) {
  uint32_t c = peek();
  if (c == '{') {
    if (readBraces(q) != BraceResult::Quantifier) return false;
  } else if (c == '*' || c == '+' || c == '?') {
    ++ps_.pos;
    q->min = c == '+' ? 1 : 0;
    q->max = c == '?' ? 1 : kUnbounded;
  } else {
    return false;
  }
  q->type = kGreedy;
  if (peek() == '?') {
    q->type = kLazy;
    ++ps_.pos;
  } else if (peek() == '+') {
    q->type = kPossessive;
    ++ps_.pos;
  }
  return true;
}

// {n} {n,} {,m} {n,m} {,} {}. A brace with other characters and no comma
// is not a quantifier (it is read as {name}); with a comma it is an error.
template <class Char>
typename Compiler<Char>::BraceResult Compiler<Char>::readBraces(Quantifier* q) {
  int open = ps_.pos, close = open + 1, comma = -1;
  bool digitsOnly = true;
  for (; close < ps_.length() && Traits::code(ps_.text[close]) != '}'; ++close) {
    uint32_t c = Traits::code(ps_.text[close]);
    if (c == ',' && comma < 0) {
      comma = close;
    } else if (c < '0' || c > '9') {
      digitsOnly = false;
    }
  }
  if (close >= ps_.length()) {
    ps_.pos = ps_.length();
    ps_.syntaxError();
    return BraceResult::Error;
  }
  if (!digitsOnly && comma < 0) return BraceResult::NotQuantifier;
  ps_.pos = close + 1;
  bool ok = digitsOnly;
  q->min = 0;
  q->max = kUnbounded;
  if (ok && comma < 0) {
    ok = readNumber(open + 1, close, &q->min);
    q->max = q->min;
  } else if (ok) {
    ok = readNumber(open + 1, comma, &q->min) && readNumber(comma + 1, close, &q->max);
  }
  if (!ok) {
    ps_.syntaxError();
    return BraceResult::Error;
  }
  return BraceResult::Quantifier;
}

// Decimal digits from..to; an empty range leaves *value as it is. Numbers
// above the largest int are refused rather than wrapped.
template <class Char>
bool Compiler<Char>::readNumber(int from, int to, int* value) const {
  if (from == to) return true;
  int64_t n = 0;
  for (int i = from; i < to; ++i) {
    n = n * 10 + (Traits::code(ps_.text[i]) - '0');
    if (n > INT_MAX) return false;
  }
  *value = static_cast<int>(n);
  return true;
}

}  // namespace

template <class Char>
bool compilePattern(const std::basic_string<Char>& text, int flags, Graph<Char>& graph) {
  return Compiler<Char>(text, flags, graph).compile();
}

template bool compilePattern<char>(const std::string&, int, Graph<char>&);
template bool compilePattern<wchar_t>(const std::wstring&, int, Graph<wchar_t>&);

}  // namespace rx
