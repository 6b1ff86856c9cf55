#include "pas/pattern_matcher.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <utility>

namespace tnw::pas {

namespace {

using detail::BacktrackEntry;
using Instruction = detail::PatternInstruction;

// The abbreviations, first letter then expansion, exactly as the original engine stored them.
// "\t", "\r" and "\n" here are the control characters themselves.
constexpr const char* kAbbreviations[] = {
    "a([a-zA-Z0-9])", "b([ \t])",     "c([a-zA-Z])",
    "d([0-9])",       "h([0-9a-fA-F])", "n(\r|(\r?\n))",
    "q(\"[^\"]*\")|('[^']*')", "w([a-zA-Z]+)", "z([0-9]+)",
};

const char* abbreviation(char letter) {
  for (const char* a : kAbbreviations)
    if (a[0] == letter) return a + 1;
  return nullptr;
}

// Patterns are a few dozen characters; these limits only stop hostile input from exhausting
// the parser's recursion or the 30-bit program counters of the backtracking records.
constexpr int kMaxNesting = 200;
constexpr size_t kMaxProgram = size_t{1} << 24;

enum Op : uint8_t {
  kOpChar,      // a = byte
  kOpString,    // a = offset in literals_, b = length
  kOpAny,
  kOpSet,       // a = set index
  kOpSplit,     // try a first, then b
  kOpJump,      // a = target
  kOpOpen,      // a = group: remember where its brace opened
  kOpClose,     // a = group: the group now spans open..pos
  kOpMark,      // a = slot: loop iteration starts here
  kOpInitMark,  // a = slot: first iteration of a "+" loop, which may match empty
  kOpCheck,     // a = slot: fail when the iteration consumed nothing
  kOpBol,
  kOpEol,
  kOpBackRef,   // a = group
  kOpNotBegin,  // a = where to go on when the negated atom fails
  kOpNotEnd,    // the negated atom matched: the "!" fails
  kOpMatch,
};

enum Tag : uint32_t { kTagBranch = 0, kTagRestore = 1u << 30, kTagNot = 2u << 30 };
constexpr uint32_t kTagMask = 3u << 30;

// Case folding is ASCII only: which letters above 127 have a lower case depends on a code
// page we do not know, so those bytes compare as they are.
struct FoldTables {
  std::array<uint8_t, 256> identity{}, lower{};
  constexpr FoldTables() {
    for (int c = 0; c < 256; ++c) {
      identity[c] = static_cast<uint8_t>(c);
      lower[c] = static_cast<uint8_t>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
  }
};
constexpr FoldTables kFold;

// ---------------------------------------------------------------------------------------------
// Parsing: pattern text to a small tree, which the code generator then walks.

struct Node {
  enum Kind : uint8_t { kEmpty, kChar, kAny, kSet, kGroup, kConcat, kAlt, kRepeat, kBol, kEol,
                        kBackRef, kNot };
  Kind kind = kEmpty;
  int value = 0;          // byte, set index, group number (-1: no capture), back-reference
  bool greedy = true;     // kRepeat
  uint8_t min = 0;        // kRepeat: 0 or 1
  bool unbounded = false; // kRepeat: "*" and "+"
  std::vector<Node> children;
};

bool nullable(const Node& n) {
  switch (n.kind) {
    case Node::kChar: case Node::kAny: case Node::kSet:
      return false;
    case Node::kGroup:
      return nullable(n.children[0]);
    case Node::kConcat:
      for (const Node& c : n.children)
        if (!nullable(c)) return false;
      return true;
    case Node::kAlt:
      for (const Node& c : n.children)
        if (nullable(c)) return true;
      return false;
    case Node::kRepeat:
      return n.min == 0 || nullable(n.children[0]);
    default:  // empty, anchors, back-references, "!": all can match without consuming
      return true;
  }
}

class Parser {
 public:
  Parser(std::string_view pattern, bool caseSensitive, std::vector<uint64_t>& sets)
      : p_(pattern), fold_(caseSensitive ? kFold.identity.data() : kFold.lower.data()),
        sets_(sets) {}

  // Parses the whole pattern; on failure returns false and error() tells why.
  bool parse(Node& root) {
    root = parseAlternation();
    if (error_) return false;
    if (i_ < p_.size()) error_ = p_[i_] == ')' ? kPatternStrayParen : kPatternStrayBrace;
    return error_ == 0;
  }
  int error() const { return error_; }
  int groups() const { return groups_; }

 private:
  bool atEnd() const { return i_ >= p_.size(); }
  char peek() const { return p_[i_]; }
  static bool isQuantifier(char c) { return c == '*' || c == '+' || c == '?'; }

  Node parseAlternation() {
    Node first = parseSequence();
    if (error_ || atEnd() || peek() != '|') return first;
    Node alt;
    alt.kind = Node::kAlt;
    alt.children.push_back(std::move(first));
    while (!error_ && !atEnd() && peek() == '|') {
      ++i_;
      alt.children.push_back(parseSequence());
    }
    return alt;
  }

  Node parseSequence() {
    Node seq;
    seq.kind = Node::kConcat;
    while (!error_ && !atEnd()) {
      char c = peek();
      if (c == '|' || c == ')' || c == '}') break;
      if (isQuantifier(c)) return fail(kPatternNothingToRepeat);
      Node atom = parseAtom();
      if (error_) break;
      if (!atEnd() && isQuantifier(peek())) {
        Node rep;
        rep.kind = Node::kRepeat;
        char q = p_[i_++];
        rep.min = q == '+' ? 1 : 0;
        rep.unbounded = q != '?';
        if (!atEnd() && peek() == '?') {
          rep.greedy = false;
          ++i_;
        }
        // "a**" or "a*??": the second quantifier has no atom of its own.
        if (!atEnd() && isQuantifier(peek())) return fail(kPatternNothingToRepeat);
        rep.children.push_back(std::move(atom));
        atom = std::move(rep);
      }
      seq.children.push_back(std::move(atom));
    }
    if (seq.children.size() == 1) return std::move(seq.children[0]);
    if (seq.children.empty()) seq.kind = Node::kEmpty;
    return seq;
  }

  Node parseAtom() {
    Node n;
    char c = p_[i_++];
    switch (c) {
      case '!': {
        if (atEnd() || peek() == '|' || peek() == ')' || peek() == '}' || isQuantifier(peek()))
          return fail(kPatternNothingToNegate);
        if (!enter()) return n;
        n.kind = Node::kNot;
        n.children.push_back(parseAtom());
        --depth_;
        return n;
      }
      case '(':
      case '{': {
        if (!enter()) return n;
        n.kind = Node::kGroup;
        n.value = c == '{' ? groups_++ : -1;
        n.children.push_back(parseAlternation());
        --depth_;
        if (error_) return n;
        char closer = c == '(' ? ')' : '}';
        if (atEnd() || peek() != closer)
          return fail(c == '(' ? kPatternMissingParen : kPatternMissingBrace);
        ++i_;
        return n;
      }
      case '[':
        return parseSet();
      case ']':
        return fail(kPatternStrayBracket);
      case '.':
        n.kind = Node::kAny;
        return n;
      case '^':
        n.kind = Node::kBol;
        return n;
      case '$':
        n.kind = Node::kEol;
        return n;
      case '\\':
        return parseEscape();
      default:
        return literal(c);
    }
  }

  Node parseEscape() {
    if (atEnd()) return fail(kPatternTrailingBackslash);
    char c = p_[i_++];
    if (c >= '0' && c <= '9') {
      Node n;
      n.kind = Node::kBackRef;
      n.value = c - '0';
      if (n.value >= groups_) return fail(kPatternBadBackReference);
      return n;
    }
    if (const char* expansion = abbreviation(c)) {
      // The expansion is parsed in place of the escape and acts as one atom, so "\q+" repeats
      // the whole quoted-text alternation.
      if (!enter()) return Node{};
      std::string_view saved = p_;
      size_t savedPos = i_;
      p_ = expansion;
      i_ = 0;
      Node group;
      group.kind = Node::kGroup;
      group.value = -1;
      group.children.push_back(parseAlternation());
      p_ = saved;
      i_ = savedPos;
      --depth_;
      return group;
    }
    return literal(c);
  }

  Node parseSet() {
    uint64_t bits[4] = {0, 0, 0, 0};
    bool negate = !atEnd() && peek() == '^';
    if (negate) ++i_;
    for (;;) {
      if (atEnd()) return fail(kPatternMissingBracket);
      if (peek() == ']') {
        ++i_;
        break;
      }
      int lo = 0;
      if (!setChar(lo)) return Node{};
      int hi = lo;
      if (i_ + 1 < p_.size() && peek() == '-' && p_[i_ + 1] != ']') {
        ++i_;
        if (!setChar(hi)) return Node{};
        if (hi < lo) return fail(kPatternBadRange);
      }
      for (int b = lo; b <= hi; ++b) {
        int f = fold_[b];
        bits[f >> 6] |= uint64_t{1} << (f & 63);
      }
    }
    Node n;
    n.kind = Node::kSet;
    n.value = static_cast<int>(sets_.size() / 4);
    for (uint64_t w : bits) sets_.push_back(negate ? ~w : w);
    return n;
  }

  // One member of a set: a byte, or "\" and the byte it escapes.
  bool setChar(int& out) {
    char c = p_[i_++];
    if (c == '\\') {
      if (atEnd()) {
        fail(kPatternTrailingBackslash);
        return false;
      }
      c = p_[i_++];
    }
    out = static_cast<unsigned char>(c);
    return true;
  }

  Node literal(char c) {
    Node n;
    n.kind = Node::kChar;
    n.value = fold_[static_cast<unsigned char>(c)];
    return n;
  }

  bool enter() {
    if (++depth_ <= kMaxNesting) return true;
    fail(kPatternTooComplex);
    return false;
  }

  Node fail(int code) {
    if (!error_) error_ = code;
    return Node{};
  }

  std::string_view p_;
  size_t i_ = 0;
  const uint8_t* fold_;
  std::vector<uint64_t>& sets_;
  int groups_ = 0;
  int depth_ = 0;
  int error_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Code generation: the tree to a program for the backtracking machine.

class Generator {
 public:
  Generator(std::vector<Instruction>& program, std::string& literals, int groups)
      : program_(program), literals_(literals), groups_(groups) {}

  int loopSlots() const { return loops_; }
  bool tooLarge() const { return program_.size() > kMaxProgram; }

  int32_t pc() const { return static_cast<int32_t>(program_.size()); }
  int32_t emit(Op op, int32_t a = 0, int32_t b = 0) {
    program_.push_back(Instruction{op, a, b});
    return pc() - 1;
  }

  // A run of literal bytes becomes one instruction.
  void emitLiteral(std::string_view bytes) {
    if (bytes.size() == 1) {
      emit(kOpChar, static_cast<unsigned char>(bytes[0]));
      return;
    }
    emit(kOpString, static_cast<int32_t>(literals_.size()), static_cast<int32_t>(bytes.size()));
    literals_.append(bytes);
  }

  void generate(const Node& n) {
    if (tooLarge()) return;
    switch (n.kind) {
      case Node::kEmpty:
        break;
      case Node::kChar:
        emit(kOpChar, n.value);
        break;
      case Node::kAny:
        emit(kOpAny);
        break;
      case Node::kSet:
        emit(kOpSet, n.value);
        break;
      case Node::kBol:
        emit(kOpBol);
        break;
      case Node::kEol:
        emit(kOpEol);
        break;
      case Node::kBackRef:
        emit(kOpBackRef, n.value);
        break;
      case Node::kGroup:
        if (n.value >= 0) emit(kOpOpen, 2 * groups_ + n.value);
        generate(n.children[0]);
        if (n.value >= 0) emit(kOpClose, n.value);
        break;
      case Node::kConcat:
        generateSequence(n.children, 0);
        break;
      case Node::kAlt:
        generateAlternation(n);
        break;
      case Node::kRepeat:
        generateRepeat(n);
        break;
      case Node::kNot: {
        int32_t begin = emit(kOpNotBegin);
        generate(n.children[0]);
        emit(kOpNotEnd);
        program_[begin].a = pc();
        break;
      }
    }
  }

  void generateSequence(const std::vector<Node>& items, size_t from) {
    std::string run;
    for (size_t k = from; k < items.size(); ++k) {
      if (items[k].kind == Node::kChar) {
        run.push_back(static_cast<char>(items[k].value));
        continue;
      }
      if (!run.empty()) emitLiteral(run);
      run.clear();
      generate(items[k]);
    }
    if (!run.empty()) emitLiteral(run);
  }

 private:
  // a|b|c:  split L1,N1; L1: a; jump End; N1: split L2,L3; L2: b; jump End; L3: c; End:
  void generateAlternation(const Node& n) {
    std::vector<int32_t> jumps;
    for (size_t k = 0; k + 1 < n.children.size(); ++k) {
      int32_t split = emit(kOpSplit);
      program_[split].a = pc();
      generate(n.children[k]);
      jumps.push_back(emit(kOpJump));
      program_[split].b = pc();
    }
    generate(n.children.back());
    for (int32_t j : jumps) program_[j].a = pc();
  }

  // Loops whose body can match empty carry a mark slot: an iteration that ends where it began
  // fails, which ends the loop instead of spinning (the rule ECMAScript uses, so "(a*)*" and
  // "(a*)+" give what a standard engine gives).
  void generateRepeat(const Node& n) {
    const Node& body = n.children[0];
    const bool guard = n.unbounded && nullable(body);
    const int32_t slot = guard ? 3 * groups_ + loops_++ : 0;
    auto split = [&](int32_t again, int32_t at) {
      // Greedy prefers another iteration, lazy prefers leaving.
      program_[at].a = n.greedy ? again : pc();
      program_[at].b = n.greedy ? pc() : again;
    };
    if (!n.unbounded) {  // "?": split Body,Out; Body: x; Out:
      int32_t at = emit(kOpSplit);
      int32_t bodyPc = pc();
      generate(body);
      split(bodyPc, at);
    } else if (n.min == 0) {  // "*": L: split B,Out; B: [mark] x [check]; jump L; Out:
      int32_t loop = emit(kOpSplit);
      int32_t bodyPc = pc();
      if (guard) emit(kOpMark, slot);
      generate(body);
      if (guard) emit(kOpCheck, slot);
      emit(kOpJump, loop);
      split(bodyPc, loop);
    } else {  // "+": [initmark] L: x [check]; split M,Out; M: [mark] jump L; Out:
      if (guard) emit(kOpInitMark, slot);
      int32_t bodyPc = pc();
      generate(body);
      if (guard) emit(kOpCheck, slot);
      int32_t at = emit(kOpSplit);
      int32_t again = pc();
      if (guard) emit(kOpMark, slot);
      emit(kOpJump, bodyPc);
      split(again, at);
    }
  }

  std::vector<Instruction>& program_;
  std::string& literals_;
  int groups_;
  int loops_ = 0;
};

}  // namespace

// ---------------------------------------------------------------------------------------------

const char* patternErrorText(int code) {
  switch (code) {
    case kPatternOk: return "no error";
    case kPatternNotCompiled: return "no pattern compiled";
    case kPatternMissingParen: return "'(' without matching ')'";
    case kPatternStrayParen: return "')' without matching '('";
    case kPatternMissingBrace: return "'{' without matching '}'";
    case kPatternStrayBrace: return "'}' without matching '{'";
    case kPatternMissingBracket: return "'[' without matching ']'";
    case kPatternStrayBracket: return "']' without matching '['";
    case kPatternNothingToRepeat: return "quantifier with nothing to repeat";
    case kPatternBadBackReference: return "back-reference to a group not opened before it";
    case kPatternTrailingBackslash: return "'\\' at the end of the pattern";
    case kPatternBadRange: return "range whose end is below its start";
    case kPatternNothingToNegate: return "'!' with nothing to negate";
    case kPatternTooComplex: return "pattern nested too deeply or too large";
    case kPatternOutOfMemory: return "out of memory while compiling the pattern";
    default: return "unknown pattern error";
  }
}

int PatternMatcher::compile(std::string_view pattern, bool caseSensitive) {
  program_.clear();
  sets_.clear();
  literals_.clear();
  prefix_.clear();
  afterPrefixPc_ = 0;
  slotCount_ = 0;
  groupCount_ = 0;
  anchored_ = false;
  caseSensitive_ = caseSensitive;
  error_ = kPatternOk;
  try {
    Node root;
    Parser parser(pattern, caseSensitive, sets_);
    if (!parser.parse(root)) {
      error_ = parser.error();
    } else {
      const int groups = parser.groups();
      Generator gen(program_, literals_, groups);
      // The literal atoms that open the pattern (not quantified, no alternation at the top)
      // are the text every match starts with: the search looks for it with a substring
      // search and starts the machine only where it occurs, just after it.
      const std::vector<Node>* items = nullptr;
      std::vector<Node> single;
      if (root.kind == Node::kConcat) {
        items = &root.children;
      } else {
        single.push_back(std::move(root));
        items = &single;
      }
      size_t k = 0;
      while (k < items->size() && (*items)[k].kind == Node::kChar)
        prefix_.push_back(static_cast<char>((*items)[k++].value));
      anchored_ = !items->empty() && (*items)[0].kind == Node::kBol;
      if (!prefix_.empty()) gen.emitLiteral(prefix_);
      afterPrefixPc_ = gen.pc();
      gen.generateSequence(*items, k);
      gen.emit(kOpMatch);
      if (gen.tooLarge()) {
        error_ = kPatternTooComplex;
      } else {
        groupCount_ = groups;
        slotCount_ = 3 * groups + gen.loopSlots();
        // Case-insensitive patterns compare folded bytes, so a plain substring search would
        // miss; they take the ordinary search.
        if (!caseSensitive) prefix_.clear();
      }
    }
  } catch (const std::bad_alloc&) {
    error_ = kPatternOutOfMemory;
  }
  if (error_) {
    program_.clear();
    sets_.clear();
    literals_.clear();
    prefix_.clear();
    groupCount_ = 0;
    slotCount_ = 0;
    afterPrefixPc_ = 0;
    anchored_ = false;
  }
  return error_;
}

void PatternMatcher::begin(std::string_view text, MatchContext& ctx) const {
  ctx.text = text;
  ctx.start = ctx.end = -1;
  ctx.groups.assign(2 * static_cast<size_t>(groupCount_), -1);
  ctx.slots.assign(static_cast<size_t>(slotCount_), -1);
  ctx.stack.clear();
}

bool PatternMatcher::match(std::string_view text, MatchContext& ctx) const {
  return search(text, ctx, true);
}

bool PatternMatcher::matchPlain(std::string_view text, MatchContext& ctx) const {
  return search(text, ctx, false);
}

bool PatternMatcher::search(std::string_view text, MatchContext& ctx, bool usePrefix) const {
  try {
    begin(text, ctx);
    if (error_ || text.size() > static_cast<size_t>(INT32_MAX)) return false;
    const int32_t n = static_cast<int32_t>(text.size());
    bool found = false;
    if (usePrefix && !prefix_.empty()) {
      // Every other start position fails on the prefix at once, so skipping them changes no
      // result; the machine starts right after the prefix it would have matched itself.
      const int32_t len = static_cast<int32_t>(prefix_.size());
      for (size_t at = text.find(prefix_); at != std::string_view::npos;
           at = text.find(prefix_, at + 1)) {
        ctx.start = static_cast<int32_t>(at);
        if ((found = run(text, afterPrefixPc_, ctx.start + len, ctx))) break;
      }
    } else {
      const int32_t last = anchored_ ? 0 : n;
      for (int32_t s = 0; s <= last && !found; ++s) {
        ctx.start = s;
        found = run(text, 0, s, ctx);
      }
    }
    if (!found) {
      ctx.start = ctx.end = -1;
      return false;
    }
    std::copy(ctx.slots.begin(), ctx.slots.begin() + 2 * groupCount_, ctx.groups.begin());
    return true;
  } catch (const std::bad_alloc&) {
    ctx.start = ctx.end = -1;
    std::fill(ctx.groups.begin(), ctx.groups.end(), -1);
    ctx.stack.clear();
    return false;
  }
}

// The backtracking machine. Alternatives still to try are records on ctx.stack, as are the old
// values of every slot it writes, so failing back to a record also undoes the captures made
// since. When a start position fails, the stack is empty and all slots are -1 again.
bool PatternMatcher::run(std::string_view text, int32_t pc, int32_t pos,
                         MatchContext& ctx) const {
  std::vector<BacktrackEntry>& stack = ctx.stack;
  int32_t* slots = ctx.slots.data();
  const Instruction* prog = program_.data();
  const uint8_t* t = reinterpret_cast<const uint8_t*>(text.data());
  const int32_t n = static_cast<int32_t>(text.size());
  const uint8_t* fold = caseSensitive_ ? kFold.identity.data() : kFold.lower.data();
  const int32_t openBase = 2 * groupCount_;

  auto save = [&](int32_t slot, int32_t value) {
    stack.push_back(BacktrackEntry{kTagRestore | static_cast<uint32_t>(slot), slots[slot]});
    slots[slot] = value;
  };

  for (;;) {
    const Instruction& in = prog[pc];
    bool ok = false;
    switch (in.op) {
      case kOpChar:
        if (pos < n && fold[t[pos]] == in.a) {
          ++pos;
          ok = true;
        }
        break;
      case kOpString:
        if (n - pos >= in.b) {
          const uint8_t* lit = reinterpret_cast<const uint8_t*>(literals_.data()) + in.a;
          if (caseSensitive_) {
            ok = std::memcmp(t + pos, lit, static_cast<size_t>(in.b)) == 0;
          } else {
            ok = true;
            for (int32_t k = 0; k < in.b && ok; ++k) ok = fold[t[pos + k]] == lit[k];
          }
          if (ok) pos += in.b;
        }
        break;
      case kOpAny:
        if (pos < n) {
          ++pos;
          ok = true;
        }
        break;
      case kOpSet:
        if (pos < n) {
          uint8_t c = fold[t[pos]];
          if ((sets_[4 * static_cast<size_t>(in.a) + (c >> 6)] >> (c & 63)) & 1) {
            ++pos;
            ok = true;
          }
        }
        break;
      case kOpSplit:
        stack.push_back(BacktrackEntry{kTagBranch | static_cast<uint32_t>(in.b), pos});
        pc = in.a;
        continue;
      case kOpJump:
        pc = in.a;
        continue;
      case kOpOpen:
        save(in.a, pos);
        ok = true;
        break;
      case kOpClose:
        save(2 * in.a, slots[openBase + in.a]);
        save(2 * in.a + 1, pos);
        ok = true;
        break;
      case kOpMark:
        save(in.a, pos);
        ok = true;
        break;
      case kOpInitMark:
        save(in.a, -2);  // never equal to a position: the first iteration may be empty
        ok = true;
        break;
      case kOpCheck:
        ok = slots[in.a] != pos;
        break;
      case kOpBol:
        ok = pos == 0;
        break;
      case kOpEol:
        ok = pos == n;
        break;
      case kOpBackRef: {
        // A group that has not taken part (yet) matches the empty text, as in ECMAScript.
        int32_t s = slots[2 * in.a], e = slots[2 * in.a + 1];
        int32_t len = s >= 0 && e >= s ? e - s : 0;
        if (n - pos >= len) {
          ok = true;
          for (int32_t k = 0; k < len && ok; ++k) ok = fold[t[s + k]] == fold[t[pos + k]];
          if (ok) pos += len;
        }
        break;
      }
      case kOpNotBegin:
        stack.push_back(BacktrackEntry{kTagNot | static_cast<uint32_t>(in.a), pos});
        ok = true;
        break;
      case kOpNotEnd:
        // The negated atom matched, so the "!" fails: drop the atom's own alternatives down to
        // its marker (undoing what it captured) and fail back past it.
        while (!stack.empty()) {
          BacktrackEntry e = stack.back();
          stack.pop_back();
          uint32_t tag = e.tagged & kTagMask;
          if (tag == kTagNot) break;
          if (tag == kTagRestore) slots[e.tagged & ~kTagMask] = e.value;
        }
        break;
      case kOpMatch:
        ctx.end = pos;
        return true;
    }
    if (ok) {
      ++pc;
      continue;
    }
    // Fail back to the most recent alternative.
    for (;;) {
      if (stack.empty()) return false;
      BacktrackEntry e = stack.back();
      stack.pop_back();
      uint32_t tag = e.tagged & kTagMask;
      if (tag == kTagRestore) {
        slots[e.tagged & ~kTagMask] = e.value;
        continue;
      }
      // A branch resumes its alternative; a "!" marker reached this way means the negated
      // atom found no match, so the "!" succeeds where it stood.
      pc = static_cast<int32_t>(e.tagged & ~kTagMask);
      pos = e.value;
      break;
    }
  }
}

std::string_view groupText(const MatchContext& ctx, int group) {
  if (group < 0 || static_cast<size_t>(2 * group + 1) >= ctx.groups.size()) return {};
  int32_t s = ctx.groups[2 * group], e = ctx.groups[2 * group + 1];
  if (s < 0 || e < s || static_cast<size_t>(e) > ctx.text.size()) return {};
  return ctx.text.substr(static_cast<size_t>(s), static_cast<size_t>(e - s));
}

std::string escapeMnemonic(std::string_view mnemonic) {
  std::string dotted;
  for (char c : mnemonic) {
    if (c == '.') dotted.push_back('\\');
    dotted.push_back(c);
  }
  std::string out;
  for (char c : dotted) {
    if (c == '+') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

const PatternMatcher& PatternCache::get(std::string_view pattern) {
  auto it = map_.find(pattern);
  if (it == map_.end())
    it = map_.try_emplace(std::string(pattern), pattern, true).first;
  return it->second;
}

}  // namespace tnw::pas
