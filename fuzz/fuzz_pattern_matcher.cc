// libFuzzer, differential: the pattern matcher against std::regex (ECMAScript) on the forms of
// pattern the program builds from its catalogues. An input is a pattern template, a NUL, then
// the text to search:
//
//     ~TEST DATA,RTEMP.DEGC,@,<NUL>~TEST DATA,RTEMP.DEGC,21.5,Received Temperature,
//
// In the template "@" stands for {(.*?)}, "#" for {([0-9]+)}, "&" for {([a-zA-Z0-9])} and "?"
// for " ?" (an optional blank); ".", "(", ")" and "+" stand for themselves, escaped; letters,
// digits and the punctuation of section names are literal text; other bytes are dropped. The
// text is any bytes.
//
// The pattern is translated for the ECMAScript engine by the matcher's own rules: braces become
// capturing groups, parentheses non-capturing ones, "." a class of every character (CR and NUL
// included), the rest stays; group n of the matcher is group n + 1 there. Whether they match,
// where the match lies and the bounds of every group must agree, and the matcher's search with
// its literal-prefix shortcut must give what its plain search gives.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <string_view>

#include "pas/pattern_matcher.h"

namespace {

using tnw::pas::MatchContext;
using tnw::pas::PatternMatcher;

// std::regex matches by recursion; longer texts would measure its stack, not our matcher.
constexpr size_t kMaxText = 160;
constexpr size_t kMaxTemplate = 64;

bool isLiteral(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view(" ,~-/%_:;=<>'\"").find(c) != std::string_view::npos;
}

// The program's patterns hold one or two capture groups and at most one optional blank; past
// those, a template's signs are dropped. Both engines backtrack, and more would cost them time
// exponential in the text (forty optional blanks before a failing tail took minutes).
std::string patternFrom(std::string_view templ) {
  std::string out;
  int groups = 0, optional = 0;
  for (char c : templ) {
    if ((c == '@' || c == '#' || c == '&') && ++groups > 2) continue;
    if (c == '?' && ++optional > 1) continue;
    switch (c) {
      case '@': out += "{(.*?)}"; break;
      case '#': out += "{([0-9]+)}"; break;
      case '&': out += "{([a-zA-Z0-9])}"; break;
      case '?': out += " ?"; break;
      case '.': case '(': case ')': case '+': out += '\\'; out += c; break;
      default:
        if (isLiteral(c)) out += c;
    }
  }
  return out;
}

std::string ecmaScript(std::string_view pattern) {
  std::string out;
  bool inSet = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '\\' && i + 1 < pattern.size()) {
      out += c;
      out += pattern[++i];
    } else if (inSet) {
      out += c;
      inSet = c != ']';
    } else if (c == '[') {
      out += c;
      inSet = true;
    } else if (c == '{') {
      out += '(';
    } else if (c == '}') {
      out += ')';
    } else if (c == '(') {
      out += "(?:";
    } else if (c == '.') {
      out += "[\\s\\S]";
    } else {
      out += c;
    }
  }
  return out;
}

std::string visible(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    char hex[8];
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

[[noreturn]] void fail(const std::string& what, const std::string& pattern, std::string_view text) {
  std::fprintf(stderr, "fuzz_pattern_matcher: %s\n  pattern: %s\n  text:    %s\n", what.c_str(),
               visible(pattern).c_str(), visible(text).c_str());
  std::abort();
}

std::string bounds(int32_t start, int32_t end) {
  return start < 0 ? "none" : std::to_string(start) + ".." + std::to_string(end);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t nul = input.find('\0');
  if (nul == std::string_view::npos || nul > kMaxTemplate || size - nul - 1 > kMaxText) return -1;
  const std::string pattern = patternFrom(input.substr(0, nul));
  const std::string_view text = input.substr(nul + 1);

  PatternMatcher matcher(pattern);
  if (matcher.error() != tnw::pas::kPatternOk)
    fail(std::string("does not compile: ") + tnw::pas::patternErrorText(matcher.error()), pattern, text);
  std::regex standard(ecmaScript(pattern), std::regex::ECMAScript);
  if (standard.mark_count() != static_cast<unsigned>(matcher.groupCount()))
    fail("group counts differ", pattern, text);

  MatchContext ours, plain;
  bool found = matcher.match(text, ours);
  if (matcher.matchPlain(text, plain) != found || plain.start != ours.start || plain.end != ours.end ||
      plain.groups != ours.groups)
    fail("the literal-prefix search differs from the plain one", pattern, text);

  std::cmatch theirs;
  bool theirsFound;
  try {
    theirsFound = std::regex_search(text.data(), text.data() + text.size(), theirs, standard);
  } catch (const std::regex_error&) {
    return -1;  // std::regex gave up (its complexity or stack limits): nothing to compare
  }
  if (found != theirsFound)
    fail(found ? "only the matcher matches" : "only std::regex matches", pattern, text);
  if (!found) return 0;
  auto at = [&](const std::csub_match& m) { return static_cast<int32_t>(m.first - text.data()); };
  if (ours.start != at(theirs[0]) || ours.end != at(theirs[0]) + static_cast<int32_t>(theirs.length(0)))
    fail("the match lies elsewhere: " + bounds(ours.start, ours.end) + " against " +
             bounds(at(theirs[0]), at(theirs[0]) + static_cast<int32_t>(theirs.length(0))),
         pattern, text);
  for (int g = 0; g < matcher.groupCount(); ++g) {
    const std::csub_match& m = theirs[g + 1];
    int32_t start = m.matched ? at(m) : -1, end = m.matched ? at(m) + static_cast<int32_t>(m.length()) : -1;
    if (ours.groups[2 * g] != start || ours.groups[2 * g + 1] != end)
      fail("group " + std::to_string(g) + " differs: " + bounds(ours.groups[2 * g], ours.groups[2 * g + 1]) +
               " against " + bounds(start, end),
           pattern, text);
  }
  return 0;
}
