// The pattern matcher: Tarnwell's own small regular-expression engine.
//
// Every value taken from a PAS line is taken by a pattern such as
//     ~TEST DATA,RTEMP\.DEGC,{(.*?)},
// where braces capture (groups numbered from 0 in the order of their opening braces) and
// parentheses only group. Syntax, in brief:
//     a|b          alternation, left first          .       any byte (CR and NUL included)
//     \x           x literally (x not a digit or an abbreviation letter)
//     [a-z0-9] [^,]  sets, ranges, negation           ( )     group       { }   capture group
//     * + ?        greedy                           *? +? ??  lazy
//     ^ $          start / end of the text (anywhere) \0..\9  back-reference to a group
//     !x           succeeds where x does not match, consuming nothing
//     \a \b \c \d \h \n \q \w \z   abbreviations, each one atom:
//         \a ([a-zA-Z0-9])   \b ([ <tab>])   \c ([a-zA-Z])   \d ([0-9])   \h ([0-9a-fA-F])
//         \n (<CR>|(<CR>?<LF>))   \q ("[^"]*")|('[^']*')   \w ([a-zA-Z]+)   \z ([0-9]+)
// A quantifier applies to the atom before it, "!x" included. Inside a set "\" only escapes.
// The search is unanchored and tries start positions 0, 1, 2, ...; at each start the first
// path in backtracking preference order wins. A loop iteration that matches empty fails (as in
// ECMAScript), so loops over sub-patterns that can match empty always end. A back-reference
// to a group that has not taken part matches the empty text. Case-insensitive matching folds
// ASCII letters only.
//
// Texts are byte strings: every byte (NUL included, since we work on string_view) is an
// ordinary character, and bytes above 127 compare as unsigned values.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tnw::pas {

// Compile results. 0 is success; each other value has one line of text (patternErrorText).
enum PatternError : int {
  kPatternOk = 0,
  kPatternNotCompiled,         // a default-constructed matcher
  kPatternMissingParen,        // "(" never closed
  kPatternStrayParen,          // ")" without "("
  kPatternMissingBrace,        // "{" never closed
  kPatternStrayBrace,          // "}" without "{"
  kPatternMissingBracket,      // "[" never closed
  kPatternStrayBracket,        // "]" without "["
  kPatternNothingToRepeat,     // "*", "+" or "?" with no atom before it
  kPatternBadBackReference,    // "\n" naming a group not opened earlier
  kPatternTrailingBackslash,   // "\" as the last character
  kPatternBadRange,            // "z-a" in a set
  kPatternNothingToNegate,     // "!" with no atom after it
  kPatternTooComplex,          // nesting or program size beyond our limits
  kPatternOutOfMemory,
  kPatternErrorCount
};

const char* patternErrorText(int code);

namespace detail {
// One backtracking record. The two top bits of `tagged` say what it is (resume a branch,
// restore a slot, or the marker of a "!" atom); the rest is a program counter or slot index.
struct BacktrackEntry {
  uint32_t tagged;
  int32_t value;
};

// One instruction of a compiled program (opcodes in the .cc).
struct PatternInstruction {
  uint8_t op;
  int32_t a;
  int32_t b;
};
}  // namespace detail

// The result of one match, and the scratch memory the match needs. Reused across matches:
// once its vectors have grown to what a pattern needs, a match allocates nothing.
struct MatchContext {
  MatchContext() { stack.reserve(256); }

  std::string_view text;         // the text searched
  int32_t start = -1, end = -1;  // the whole match; -1 when there is none
  std::vector<int32_t> groups;   // start,end per capture group; -1 when not taking part

  // Engine scratch: the capture slots of the current path (groups, open braces, loop marks)
  // and the explicit backtracking stack, so no recursion depends on the text length.
  std::vector<int32_t> slots;
  std::vector<detail::BacktrackEntry> stack;
};

class PatternMatcher {
 public:
  PatternMatcher() = default;
  explicit PatternMatcher(std::string_view pattern, bool caseSensitive = true) {
    compile(pattern, caseSensitive);
  }

  // Compiles `pattern`, discarding the previous program. Returns 0 or a PatternError.
  int compile(std::string_view pattern, bool caseSensitive = true);

  int error() const { return error_; }
  int groupCount() const { return groupCount_; }
  bool caseSensitive() const { return caseSensitive_; }

  // Searches `text`. Const and free of shared state: one compiled matcher may serve several
  // threads at once, each with its own context. A pattern that did not compile never matches.
  bool match(std::string_view text, MatchContext& ctx) const;

  // The same search without the literal-prefix shortcut: every start position is given to the
  // backtracking engine. Results equal match(); kept so tests and benchmarks can compare.
  bool matchPlain(std::string_view text, MatchContext& ctx) const;

  // The literal text every match begins with, as found at compile time (may be empty).
  std::string_view literalPrefix() const { return prefix_; }

 private:
  bool search(std::string_view text, MatchContext& ctx, bool usePrefix) const;
  bool run(std::string_view text, int32_t pc, int32_t pos, MatchContext& ctx) const;
  void begin(std::string_view text, MatchContext& ctx) const;

  std::vector<detail::PatternInstruction> program_;
  std::vector<uint64_t> sets_;    // 4 words (256 bits) per set
  std::string literals_;          // texts of the literal-run instructions
  std::string prefix_;            // required literal prefix of every match
  int32_t afterPrefixPc_ = 0;     // where the program continues once the prefix matched
  int32_t slotCount_ = 0;
  int groupCount_ = 0;
  int error_ = kPatternNotCompiled;
  bool caseSensitive_ = true;
  bool anchored_ = false;         // the program begins with "^": only start 0 can match
};

// The text of capture group `group` of the last successful match; empty when the group did
// not take part or does not exist. A view into ctx.text.
std::string_view groupText(const MatchContext& ctx, int group);

// A mnemonic as literal pattern text: every "." becomes "\." and then every "+" becomes "\+".
// Other characters are left alone (catalogue mnemonics hold no other special character).
std::string escapeMnemonic(std::string_view mnemonic);

// Compiled patterns by their text, for patterns built at run time (a section prefix with a
// mnemonic), so each distinct text is compiled once per conversion instead of once per line.
// Not thread-safe: one cache per conversion. References stay valid for the cache's lifetime;
// entries are never evicted, since the patterns come from the program's own catalogues and
// their number is bounded.
class PatternCache {
 public:
  const PatternMatcher& get(std::string_view pattern);
  size_t size() const { return map_.size(); }

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, PatternMatcher, Hash, std::equal_to<>> map_;
};

}  // namespace tnw::pas
