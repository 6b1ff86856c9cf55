#include "pas/pattern_matcher.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace tnw::pas {
namespace {

constexpr const char* kNoMatch = "<no match>";

// The text of `group` when `pattern` is found in `text` (group -1: the whole match).
std::string find(std::string_view pattern, std::string_view text, int group = 0) {
  PatternMatcher m(pattern);
  EXPECT_EQ(m.error(), 0) << pattern << ": " << patternErrorText(m.error());
  MatchContext ctx;
  if (!m.match(text, ctx)) return kNoMatch;
  if (group < 0) return std::string(text.substr(ctx.start, ctx.end - ctx.start));
  return std::string(groupText(ctx, group));
}

bool matches(std::string_view pattern, std::string_view text) {
  return find(pattern, text, -1) != kNoMatch;
}

int compileError(std::string_view pattern) { return PatternMatcher(pattern).error(); }

// --- The cases the readers rely on -------------------------------------------------------------

TEST(PatternMatcher, CapturesTheValueUpToTheNextComma) {
  EXPECT_EQ(find("~TEST DATA,RTEMP\\.DEGC,{(.*?)},",
                 "~TEST DATA,RTEMP.DEGC,21.5,Received Temperature,"),
            "21.5");
}

TEST(PatternMatcher, ValueWithoutCommaAfterItDoesNotMatch) {
  EXPECT_EQ(find("~TEST DATA,RTEMP\\.DEGC,{(.*?)},", "~TEST DATA,RTEMP.DEGC,21.5"), kNoMatch);
}

TEST(PatternMatcher, EmptyValueStillMatches) {
  PatternMatcher m("~TEST DATA,RTEMP\\.DEGC,{(.*?)},");
  MatchContext ctx;
  ASSERT_TRUE(m.match("~TEST DATA,RTEMP.DEGC,,Received Temperature,", ctx));
  EXPECT_EQ(groupText(ctx, 0), "");
  EXPECT_EQ(ctx.groups[0], 22);
  EXPECT_EQ(ctx.groups[1], 22);
}

TEST(PatternMatcher, ValueContainingACommaIsCutAtTheComma) {
  EXPECT_EQ(find("~WELL INFORMATION,COMP\\.,{(.*?)},", "~WELL INFORMATION,COMP.,Acme, Inc.,Company,"),
            "Acme");
}

TEST(PatternMatcher, MnemonicMustMatchWhole) {
  EXPECT_EQ(find("~VERSION,TYPE\\.,{(.*?)},", "~VERSION,PASTYPE.,DST,"), kNoMatch);
  EXPECT_EQ(find("~VERSION,PASTYPE\\.,{(.*?)},", "~VERSION,PASTYPE.,DST,"), "DST");
}

TEST(PatternMatcher, OptionalBlankBeforeInstanceNumber) {
  EXPECT_EQ(find("~DTG ?\\({([0-9]+)}\\),", "~DTG (2),TIME.HR,1.5,"), "2");
  EXPECT_EQ(find("~DTG ?\\({([0-9]+)}\\),", "~DTG(2),TIME.HR,1.5,"), "2");
  EXPECT_EQ(find("~DTG ?\\({([0-9]+)}\\),", "~DTG  (2),"), kNoMatch);
  EXPECT_EQ(find("~DTG ?\\({([0-9]+)}\\),", "~DTG (),"), kNoMatch);
}

TEST(PatternMatcher, TwoGroupsGiveInstanceAndValue) {
  PatternMatcher m("~ANALYSIS - INTERPRETATION \\({([0-9]+)}\\),HTIM\\.HR,{(.*?)},");
  ASSERT_EQ(m.groupCount(), 2);
  MatchContext ctx;
  ASSERT_TRUE(m.match("~ANALYSIS - INTERPRETATION (12),HTIM.HR,3.25,Horner time,", ctx));
  EXPECT_EQ(groupText(ctx, 0), "12");
  EXPECT_EQ(groupText(ctx, 1), "3.25");
}

TEST(PatternMatcher, ByteAbove127WhereDigitExpectedFailsAndSearchGoesOn) {
  EXPECT_EQ(find("~DTG ?\\({([0-9]+)}\\),", "~DTG (\xB2),~DTG (3),"), "3");
  EXPECT_EQ(find("~DTG ?\\({([0-9]+)}\\),", "~DTG (\xB2),"), kNoMatch);
}

TEST(PatternMatcher, UnanchoredSearchFindsSectionOneCharacterIn) {
  EXPECT_EQ(find("WELL INFORMATION,UWI\\.,{(.*?)},", "~WELL INFORMATION,UWI.,100/01-02-003-04W5/00,"),
            "100/01-02-003-04W5/00");
}

TEST(PatternMatcher, SingleLetterOrDigitGroup) {
  EXPECT_EQ(find("~METER {([a-zA-Z0-9])},", "~METER G,~METER 7,"), "G");
  EXPECT_EQ(find("~METER {([a-zA-Z0-9])},", "~METER GG,~METER 7,"), "7");
}

TEST(PatternMatcher, EscapeMnemonicEscapesDotsThenPluses) {
  EXPECT_EQ(escapeMnemonic("C7+.FRACTION"), "C7\\+\\.FRACTION");
  EXPECT_EQ(escapeMnemonic("RTEMP.DEGC"), "RTEMP\\.DEGC");
  EXPECT_EQ(escapeMnemonic("A/B-C"), "A/B-C");
  EXPECT_EQ(escapeMnemonic(""), "");
}

TEST(PatternMatcher, EscapedMnemonicMatchesOnlyItsLiteralText) {
  std::string pattern = "~OIL DISTILLATION," + escapeMnemonic("SS-C7+.FRAC") + ",{(.*?)},";
  EXPECT_EQ(pattern, "~OIL DISTILLATION,SS-C7\\+\\.FRAC,{(.*?)},");
  EXPECT_EQ(find(pattern, "~OIL DISTILLATION,SS-C7+.FRAC,0.42,"), "0.42");
  EXPECT_EQ(find(pattern, "~OIL DISTILLATION,SS-C77.FRAC,0.42,"), kNoMatch);
  EXPECT_EQ(find(pattern, "~OIL DISTILLATION,SS-C7+XFRAC,0.42,"), kNoMatch);
  EXPECT_EQ(find(pattern, "~OIL DISTILLATION,SS-C77+FRAC,0.42,"), kNoMatch);
  EXPECT_EQ(find(pattern, "~OIL DISTILLATION,SS-C+.FRAC,0.42,"), kNoMatch);
}

// --- Syntax -------------------------------------------------------------------------------------

TEST(PatternMatcher, AlternationTriesTheLeftFirst) {
  EXPECT_EQ(find("{a|ab}", "ab"), "a");
  EXPECT_EQ(find("{ab|a}", "ab"), "ab");
  EXPECT_EQ(find("{a|ab}c", "abc"), "ab");  // the left fails later, so the right is tried
  EXPECT_EQ(find("x{a|b|c}", "xc"), "c");
  EXPECT_EQ(find("x{a|}", "xb"), "");
  EXPECT_EQ(find("{|a}", "a"), "");
}

TEST(PatternMatcher, GreedyAndLazyQuantifiers) {
  EXPECT_EQ(find("~X,{(.*)},", "~X,a,b,c,"), "a,b,c");
  EXPECT_EQ(find("~X,{(.*?)},", "~X,a,b,c,"), "a");
  EXPECT_EQ(find("{a+}", "aaa"), "aaa");
  EXPECT_EQ(find("{a+?}", "aaa"), "a");
  EXPECT_EQ(find("{a?}", "a"), "a");
  EXPECT_EQ(find("{a??}", "a"), "");
  EXPECT_EQ(find("{a??}b", "ab"), "a");
  EXPECT_EQ(find("{a*?}b", "aab"), "aa");
  EXPECT_EQ(find("{[0-9]+}{[0-9]*}", "123"), "123");
  EXPECT_EQ(find("{[0-9]+?}{[0-9]*}", "123"), "1");
}

TEST(PatternMatcher, DotMatchesAnyByteButNotTheEnd) {
  EXPECT_TRUE(matches("a.b", "a\rb"));
  EXPECT_TRUE(matches("a.b", "a\nb"));
  EXPECT_TRUE(matches("a.b", std::string_view("a\0b", 3)));
  EXPECT_TRUE(matches("a.b", "a\xFF" "b"));
  EXPECT_FALSE(matches("a.", "a"));
  EXPECT_EQ(find("~X,{(.*?)},", "~X,21.5\r,"), "21.5\r");
}

TEST(PatternMatcher, NulIsAnOrdinaryByte) {
  std::string text("~X,a\0b,", 7);
  EXPECT_EQ(find("~X,{(.*?)},", text), std::string("a\0b", 3));
  std::string pattern("a\0b", 3);
  EXPECT_TRUE(matches(pattern, std::string_view("xa\0b", 4)));
  EXPECT_FALSE(matches(pattern, "ab"));
}

TEST(PatternMatcher, SetsRangesAndNegation) {
  EXPECT_EQ(find("{[a-c]+}", "xxabcd"), "abc");
  EXPECT_EQ(find("{[^a-c]+}", "abcxyz"), "xyz");
  EXPECT_EQ(find("{[a-zA-Z0-9]+}", "--Ab9_"), "Ab9");
  EXPECT_EQ(find("{[-a]+}", "x-a-b"), "-a-");
  EXPECT_EQ(find("{[a-]+}", "x-a-b"), "-a-");
  EXPECT_EQ(find("{[\\]x]+}", "a]x]b"), "]x]");
  EXPECT_EQ(find("{[\\^a]+}", "b^a"), "^a");
  EXPECT_EQ(find("{[a^]+}", "b^a"), "^a");
  EXPECT_EQ(find("{[^,]*},{[^,]*}", "ab,,cd"), "ab");
  EXPECT_EQ(find("{[.]}", "a.b"), ".");  // no special characters inside a set
  EXPECT_EQ(find("{[(){}|*]+}", "a(){}|*b"), "(){}|*");
  EXPECT_FALSE(matches("[]", "abc"));
  EXPECT_EQ(find("a{[^]}", "ab"), "b");
}

TEST(PatternMatcher, BytesAbove127InSets) {
  EXPECT_EQ(find("{[\x80-\xFF]+}", "abc\xE9\xFF\x80xyz"), "\xE9\xFF\x80");
  EXPECT_EQ(find("{[^a-z]+}", "ab\xE9\xC4z"), "\xE9\xC4");
  EXPECT_EQ(find("{[\xC0-\xDF]}", "\xBF\xE0\xC4"), "\xC4");
  EXPECT_FALSE(matches("[a-z]", "\xE1\xFA"));
  // A range is compared as unsigned bytes: " "-"\xFF" holds every byte from blank up.
  EXPECT_EQ(find("{[ -\xFF]+}", "\t\xFF~A"), "\xFF~A");
}

TEST(PatternMatcher, GroupsAreNumberedByOpeningBrace) {
  PatternMatcher m("{a{b}}{c}");
  ASSERT_EQ(m.groupCount(), 3);
  MatchContext ctx;
  ASSERT_TRUE(m.match("xabc", ctx));
  EXPECT_EQ(groupText(ctx, 0), "ab");
  EXPECT_EQ(groupText(ctx, 1), "b");
  EXPECT_EQ(groupText(ctx, 2), "c");
  EXPECT_EQ(ctx.start, 1);
  EXPECT_EQ(ctx.end, 4);
}

TEST(PatternMatcher, GroupThatDidNotTakePartIsEmpty) {
  PatternMatcher m("{a}|{b}");
  MatchContext ctx;
  ASSERT_TRUE(m.match("b", ctx));
  EXPECT_EQ(ctx.groups[0], -1);
  EXPECT_EQ(ctx.groups[1], -1);
  EXPECT_EQ(groupText(ctx, 0), "");
  EXPECT_EQ(groupText(ctx, 1), "b");
  EXPECT_EQ(groupText(ctx, 2), "");   // no such group
  EXPECT_EQ(groupText(ctx, -1), "");
}

TEST(PatternMatcher, CapturesOfAbandonedPathsAreUndone) {
  // {x} captures in the left alternative, which then fails: the group must not keep it.
  PatternMatcher m("({x}y|xz)");
  MatchContext ctx;
  ASSERT_TRUE(m.match("xz", ctx));
  EXPECT_EQ(ctx.groups[0], -1);
  // In a loop the group holds its last iteration.
  EXPECT_EQ(find("({[a-z]},)*;", "a,b,c,;"), "c");
}

TEST(PatternMatcher, ParenthesesGroupWithoutCapture) {
  PatternMatcher m("(ab)+{c}");
  EXPECT_EQ(m.groupCount(), 1);
  EXPECT_EQ(find("(ab)+{c}", "abababc"), "c");
  EXPECT_EQ(find("{(ab)+}", "xababa"), "abab");
}

TEST(PatternMatcher, EscapesAreLiteral) {
  EXPECT_TRUE(matches("\\.", "."));
  EXPECT_FALSE(matches("\\.", "a"));
  EXPECT_EQ(find("\\({[0-9]+}\\)", "(1) (23)"), "1");
  EXPECT_EQ(find("{\\+}", "a+"), "+");
  EXPECT_EQ(find("{\\{\\}}", "{}"), "{}");
  EXPECT_EQ(find("{\\|}", "a|b"), "|");
  EXPECT_EQ(find("{\\!}", "a!"), "!");
  EXPECT_EQ(find("{\\\\}", "a\\b"), "\\");
  EXPECT_EQ(find("{\\$\\^}", "$^"), "$^");
  EXPECT_EQ(find("{\\x}", "x"), "x");  // not an abbreviation letter
}

TEST(PatternMatcher, Anchors) {
  EXPECT_TRUE(matches("^~VERSION", "~VERSION,VERS.,2.0,"));
  EXPECT_FALSE(matches("^VERSION", "~VERSION,VERS.,2.0,"));
  EXPECT_EQ(find("{[0-9]+}$", "12,34"), "34");
  EXPECT_FALSE(matches("12$", "12,34"));
  EXPECT_TRUE(matches("^$", ""));
  EXPECT_FALSE(matches("^$", "a"));
  EXPECT_EQ(find("{x|^a}", "ba xa"), "x");
  EXPECT_EQ(find("{a$|b}", "ab a"), "b");
}

TEST(PatternMatcher, BackReferences) {
  EXPECT_EQ(find("{[a-z]+}-\\0", "abc-abd ab-ab", -1), "ab-ab");
  EXPECT_EQ(find("{[a-z]+}-\\0", "abc-abc", 0), "abc");
  EXPECT_FALSE(matches("{[a-z]+}-\\0,", "abc-abd,"));
  EXPECT_EQ(find("{a}{b}\\1\\0", "abba", -1), "abba");
  // A group that did not take part matches the empty text.
  EXPECT_EQ(find("({x}|y)\\0z", "yz", -1), "yz");
  // "\12" is a back-reference to group 1 followed by the digit 2.
  EXPECT_EQ(find("{a}{b}\\12", "abb2", -1), "abb2");
}

TEST(PatternMatcher, Abbreviations) {
  EXPECT_EQ(find("{\\a+}", "-aZ9-"), "aZ9");
  EXPECT_EQ(find("x{\\b}y", "x\ty x y"), "\t");
  EXPECT_EQ(find("{\\b+}", "a \t b"), " \t ");
  EXPECT_EQ(find("{\\c+}", "12abC3"), "abC");
  EXPECT_EQ(find("{\\d+}", "ab123c"), "123");
  EXPECT_EQ(find("{\\h+}", "xyz0fA9gx"), "0fA9");
  EXPECT_EQ(find("a{\\n}b", "a\r\nb"), "\r\n");
  EXPECT_EQ(find("a{\\n}b", "a\nb"), "\n");
  EXPECT_EQ(find("a{\\n}", "a\r\n"), "\r");  // "\r" is the first alternative
  EXPECT_FALSE(matches("a\\n", "an"));
  EXPECT_EQ(find("{\\q}", "say \"hi there\" now"), "\"hi there\"");
  EXPECT_EQ(find("{\\q}", "it's 'x'"), "'s '");
  EXPECT_EQ(find("{\\q+}", "\"a\"'b'c"), "\"a\"'b'");
  EXPECT_EQ(find("{\\w}", "12 abc9"), "abc");
  EXPECT_EQ(find("{\\w}c", "abc"), "ab");  // greedy inside, backtracks
  EXPECT_EQ(find("{\\z}", "ab 0042x"), "0042");
  // Abbreviations add no capture groups.
  EXPECT_EQ(PatternMatcher("\\q{\\d}").groupCount(), 1);
  // Inside a set, "\" only escapes.
  EXPECT_EQ(find("{[\\d]+}", "12dd3"), "dd");
}

TEST(PatternMatcher, NegationConsumesNothing) {
  EXPECT_FALSE(matches("a!b", "ab"));
  EXPECT_EQ(find("a!b", "ab ac", -1), "a");
  EXPECT_EQ(find("a!b{.}", "ab ac"), "c");
  EXPECT_EQ(find("{(!,.)*},", "abc,def,"), "abc");
  EXPECT_EQ(find("x!(ab)", "xab xac", -1), "x");
  EXPECT_EQ(find("{x}!(ab)", "xab xa"), "x");
  EXPECT_TRUE(matches("a!b$", "a"));   // the end of the text is "not b"
  EXPECT_TRUE(matches("!!a", "a"));    // double negation: "a" follows
  EXPECT_FALSE(matches("^!!a", "b"));
  EXPECT_EQ(find("!{a}{.}", "ab"), "");  // the negated atom's capture is undone
  PatternMatcher m("!{a}{.}");
  MatchContext ctx;
  ASSERT_TRUE(m.match("ab", ctx));
  EXPECT_EQ(ctx.groups[0], -1);
  EXPECT_EQ(groupText(ctx, 1), "b");
  // The negated atom's own alternatives are dropped when it matches: no path may use them.
  EXPECT_FALSE(matches("^!(a|ab)c", "abc"));
  EXPECT_TRUE(matches("^!(a|ab)b", "bc"));
}

TEST(PatternMatcher, CaseInsensitive) {
  PatternMatcher m("~test data,rtemp\\.degc,{(.*?)},", false);
  ASSERT_EQ(m.error(), 0);
  EXPECT_FALSE(m.caseSensitive());
  MatchContext ctx;
  ASSERT_TRUE(m.match("~TEST DATA,RTEMP.DEGC,Ab,", ctx));
  EXPECT_EQ(groupText(ctx, 0), "Ab");
  EXPECT_TRUE(PatternMatcher("{[A-C]+}", false).match("xbCa", ctx));
  EXPECT_EQ(groupText(ctx, 0), "bCa");
  EXPECT_TRUE(PatternMatcher("[^A-C]", false).match("bx", ctx));
  EXPECT_EQ(ctx.start, 1);
  EXPECT_TRUE(PatternMatcher("{[a-z]+}-\\0", false).match("Abc-aBC", ctx));
  EXPECT_FALSE(PatternMatcher("ABC").match("abc", ctx));
  // Bytes above 127 are not folded.
  EXPECT_FALSE(PatternMatcher("\xC9", false).match("\xE9", ctx));
}

// --- Errors -------------------------------------------------------------------------------------

TEST(PatternMatcher, CompileErrors) {
  EXPECT_EQ(compileError("(abc"), kPatternMissingParen);
  EXPECT_EQ(compileError("abc)"), kPatternStrayParen);
  EXPECT_EQ(compileError("{abc"), kPatternMissingBrace);
  EXPECT_EQ(compileError("abc}"), kPatternStrayBrace);
  EXPECT_EQ(compileError("({a)}"), kPatternMissingBrace);
  EXPECT_EQ(compileError("{(a})"), kPatternMissingParen);
  EXPECT_EQ(compileError("[abc"), kPatternMissingBracket);
  EXPECT_EQ(compileError("[^"), kPatternMissingBracket);
  EXPECT_EQ(compileError("abc]"), kPatternStrayBracket);
  EXPECT_EQ(compileError("*a"), kPatternNothingToRepeat);
  EXPECT_EQ(compileError("a|+"), kPatternNothingToRepeat);
  EXPECT_EQ(compileError("(?a)"), kPatternNothingToRepeat);
  EXPECT_EQ(compileError("{*}"), kPatternNothingToRepeat);
  EXPECT_EQ(compileError("a**"), kPatternNothingToRepeat);
  EXPECT_EQ(compileError("a*??"), kPatternNothingToRepeat);
  EXPECT_EQ(compileError("a+*"), kPatternNothingToRepeat);
  EXPECT_EQ(compileError("\\0{a}"), kPatternBadBackReference);
  EXPECT_EQ(compileError("{a}\\1"), kPatternBadBackReference);
  EXPECT_EQ(compileError("abc\\"), kPatternTrailingBackslash);
  EXPECT_EQ(compileError("[a\\"), kPatternTrailingBackslash);
  EXPECT_EQ(compileError("[z-a]"), kPatternBadRange);
  EXPECT_EQ(compileError("a!"), kPatternNothingToNegate);
  EXPECT_EQ(compileError("!*a"), kPatternNothingToNegate);
  EXPECT_EQ(compileError("(!)"), kPatternNothingToNegate);
  EXPECT_EQ(compileError(std::string(1000, '(') + std::string(1000, ')')), kPatternTooComplex);
  // Accepted: a back-reference inside the group it names, empty groups and patterns.
  EXPECT_EQ(compileError("{a\\0}"), 0);
  EXPECT_EQ(compileError("(){}"), 0);
  EXPECT_EQ(compileError(""), 0);
  EXPECT_EQ(compileError("a{}b|"), 0);
  EXPECT_EQ(compileError(std::string(100, '(') + "a" + std::string(100, ')')), 0);
}

TEST(PatternMatcher, ErrorTexts) {
  EXPECT_STREQ(patternErrorText(kPatternOk), "no error");
  EXPECT_STREQ(patternErrorText(kPatternMissingParen), "'(' without matching ')'");
  EXPECT_STREQ(patternErrorText(kPatternNothingToRepeat), "quantifier with nothing to repeat");
  EXPECT_STREQ(patternErrorText(kPatternTrailingBackslash), "'\\' at the end of the pattern");
  EXPECT_STREQ(patternErrorText(9999), "unknown pattern error");
  for (int code = 0; code < kPatternErrorCount; ++code)
    EXPECT_STRNE(patternErrorText(code), "unknown pattern error") << code;
}

TEST(PatternMatcher, FailedCompileNeverMatchesAndDiscardsTheOldProgram) {
  PatternMatcher m("{a}");
  MatchContext ctx;
  ASSERT_TRUE(m.match("a", ctx));
  EXPECT_EQ(m.compile("{a"), kPatternMissingBrace);
  EXPECT_EQ(m.error(), kPatternMissingBrace);
  EXPECT_EQ(m.groupCount(), 0);
  EXPECT_FALSE(m.match("a", ctx));
  EXPECT_EQ(ctx.start, -1);
  EXPECT_TRUE(ctx.groups.empty());
  EXPECT_EQ(m.compile("b{c}"), 0);
  EXPECT_TRUE(m.match("abc", ctx));
  EXPECT_EQ(groupText(ctx, 0), "c");
  EXPECT_FALSE(m.match("a", ctx));
}

TEST(PatternMatcher, DefaultConstructedMatchesNothing) {
  PatternMatcher m;
  MatchContext ctx;
  EXPECT_EQ(m.error(), kPatternNotCompiled);
  EXPECT_FALSE(m.match("", ctx));
  EXPECT_FALSE(m.match("abc", ctx));
}

// --- Robustness ---------------------------------------------------------------------------------

TEST(PatternMatcher, LoopsOverEmptyMatchesEnd) {
  EXPECT_EQ(find("{(a*)*}", "b"), "");
  EXPECT_EQ(find("{(a*)*}", "aab"), "aa");
  EXPECT_EQ(find("{(a*)+}b", "aab"), "aa");
  EXPECT_EQ(find("{(a*)+}", "b"), "");
  EXPECT_EQ(find("{(a|)*}b", "aab"), "aa");
  EXPECT_EQ(find("{(a?)*?}b", "aab"), "aa");
  EXPECT_EQ(find("{(a*)*?}$", "aa"), "aa");
  EXPECT_EQ(find("{(!x)*}y", "y", -1), "y");
  EXPECT_EQ(find("($)*{.}", "ab"), "a");
  EXPECT_EQ(find("(^)+{a}", "a"), "a");
  EXPECT_EQ(find("{(()*)*}", "z", -1), "");
  EXPECT_EQ(find("{((a*)*b*)*}c", "abbaac"), "abbaa");
  // A lazy body that may be empty must take a byte in every further iteration. (Node's
  // ECMAScript engine agrees; libstdc++'s std::regex stops at the empty match instead.)
  EXPECT_EQ(find("{(b*?)*}", "bbb"), "bbb");
  EXPECT_EQ(find("{(b*?)+}", "bbb"), "bbb");
  EXPECT_EQ(find("{(b?\?)*}c", "bbc"), "bb");
  EXPECT_EQ(find("{(a|ab)*?}c", "abac"), "aba");
  EXPECT_EQ(find("{(,?)*?}b", ",,b"), ",,");
}

TEST(PatternMatcher, MegabyteLine) {
  std::string value(1 << 20, 'v');
  std::string line = "~X," + value + ",tail,";
  PatternMatcher m("~X,{(.*?)},");
  MatchContext ctx;
  ASSERT_TRUE(m.match(line, ctx));
  EXPECT_EQ(groupText(ctx, 0).size(), value.size());
  ASSERT_TRUE(m.matchPlain(line, ctx));
  EXPECT_EQ(groupText(ctx, 0).size(), value.size());

  // No comma after the value: the lazy loop walks the whole line and then gives up.
  std::string open = "~X," + value;
  EXPECT_FALSE(m.match(open, ctx));

  // A greedy loop keeps one record per byte it may give back: the stack grows to the line.
  PatternMatcher greedy("~X,{(.*)},");
  ASSERT_TRUE(greedy.match(line, ctx));
  EXPECT_EQ(groupText(ctx, 0), value + ",tail");
  EXPECT_GE(ctx.stack.capacity(), value.size());
  EXPECT_FALSE(greedy.match(open, ctx));
  PatternMatcher digits("{[0-9]+}$");
  std::string numbers(1 << 20, '7');
  ASSERT_TRUE(digits.match(numbers, ctx));
  EXPECT_EQ(groupText(ctx, 0).size(), numbers.size());
}

TEST(PatternMatcher, ContextIsReusedWithoutReallocating) {
  PatternMatcher m("~ANALYSIS - INTERPRETATION \\({([0-9]+)}\\),HTIM\\.HR,{(.*?)},");
  MatchContext ctx;
  EXPECT_GE(ctx.stack.capacity(), 256u);
  const std::string line = "~ANALYSIS - INTERPRETATION (3),HTIM.HR,0.5,Horner,";
  ASSERT_TRUE(m.match(line, ctx));
  const auto* groups = ctx.groups.data();
  const auto* slots = ctx.slots.data();
  const auto* stack = ctx.stack.data();
  const size_t capacity = ctx.stack.capacity();
  for (int k = 0; k < 1000; ++k) {
    EXPECT_TRUE(m.match(line, ctx));
    EXPECT_FALSE(m.match("~ANALYSIS - INTERPRETATION (3),HTIM.HR,0.5", ctx));
  }
  EXPECT_EQ(ctx.groups.data(), groups);
  EXPECT_EQ(ctx.slots.data(), slots);
  EXPECT_EQ(ctx.stack.data(), stack);
  EXPECT_EQ(ctx.stack.capacity(), capacity);
}

TEST(PatternMatcher, OneMatcherSharedByThreads) {
  const PatternMatcher m("~DTG ?\\({([0-9]+)}\\),TIME\\.HR,{(.*?)},");
  std::vector<std::thread> threads;
  std::vector<int> good(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      MatchContext ctx;
      for (int k = 0; k < 2000; ++k) {
        std::string n = std::to_string(t * 10000 + k);
        std::string line = "~DTG (" + n + "),TIME.HR," + n + ".5,";
        if (m.match(line, ctx) && groupText(ctx, 0) == n && groupText(ctx, 1) == n + ".5")
          ++good[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(good[t], 2000);
}

// --- The literal-prefix shortcut ----------------------------------------------------------------

struct Outcome {
  bool found;
  int32_t start, end;
  std::vector<int32_t> groups;
  bool operator==(const Outcome&) const = default;
};

Outcome outcome(const PatternMatcher& m, std::string_view text, bool plain) {
  MatchContext ctx;
  bool found = plain ? m.matchPlain(text, ctx) : m.match(text, ctx);
  return {found, ctx.start, ctx.end, ctx.groups};
}

void PrintTo(const Outcome& o, std::ostream* os) {
  *os << (o.found ? "found" : "none") << " [" << o.start << "," << o.end << ")";
  for (int32_t g : o.groups) *os << " " << g;
}

TEST(PatternMatcher, LiteralPrefix) {
  EXPECT_EQ(PatternMatcher("~TEST DATA,RTEMP\\.DEGC,{(.*?)},").literalPrefix(),
            "~TEST DATA,RTEMP.DEGC,");
  EXPECT_EQ(PatternMatcher("~DTG ?\\(").literalPrefix(), "~DTG");  // the blank is quantified
  EXPECT_EQ(PatternMatcher("abc*").literalPrefix(), "ab");
  EXPECT_EQ(PatternMatcher("a|b").literalPrefix(), "");
  EXPECT_EQ(PatternMatcher("^ab").literalPrefix(), "");
  EXPECT_EQ(PatternMatcher("{a}b").literalPrefix(), "");
  EXPECT_EQ(PatternMatcher("a!b").literalPrefix(), "a");
  EXPECT_EQ(PatternMatcher("ab", false).literalPrefix(), "");
}

TEST(PatternMatcher, ShortcutGivesThePlainSearchResult) {
  const char* patterns[] = {
      "ab{(.*?)}b",   "aa{a*}",      "aba{.}",      "~X,{(.*?)},", "~X,{(.*)},",
      "ab!c{.}",      "aa{a}$",      "a{a|b}\\0",   "ab{[^a]}",    "abab{.?}",
      "a{(a|b)*?}ba", "a,{[0-9]+}\\)",
  };
  const char* texts[] = {
      "", "a", "ab", "abab", "ababab", "aaaa", "abcabd", "abababx", "aaab", "ab,b,b",
      "~X,~X,a,", "~X~X,,", "xx~X,1,~X,2,", "a,1a,2)", "abacaba", "aabb", "abaa", "abcabx",
  };
  for (const char* p : patterns) {
    PatternMatcher m(p);
    ASSERT_EQ(m.error(), 0) << p;
    ASSERT_FALSE(m.literalPrefix().empty()) << p;
    for (const char* t : texts)
      EXPECT_EQ(outcome(m, t, false), outcome(m, t, true)) << p << " on " << t;
  }
}

// Whether `p` can match the empty text.
bool matchesEmpty(const std::string& p) {
  MatchContext ctx;
  return PatternMatcher("^(" + p + ")$").match("", ctx);
}

// Random patterns over a tiny alphabet. With `forStdRegex` the pattern avoids the two places
// where std::regex is no reference: captures inside loops (ECMAScript clears them at every
// iteration, we keep the last ones set, and no pattern of the program has the case) and loops
// over groups that can match empty (libstdc++ departs from ECMAScript there, see above).
std::string randomPattern(std::mt19937& rng, int depth, bool forStdRegex) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  std::string out;
  int atoms = 1 + pick(3);
  for (int k = 0; k < atoms; ++k) {
    std::string atom;
    bool group = depth > 0 && pick(9) >= 5;
    if (!group) {
      switch (pick(5)) {
        case 0: case 1: atom = "ab,"[pick(3)]; break;
        case 2: atom = "."; break;
        case 3: atom = pick(2) ? "[ab]" : "[^a]"; break;
        default: atom = "b"; break;
      }
    } else {
      std::string inner = randomPattern(rng, depth - 1, forStdRegex);
      switch (pick(3)) {
        case 0: atom = "(" + inner + ")"; break;
        case 1: atom = "(" + inner + "|" + randomPattern(rng, depth - 1, forStdRegex) + ")"; break;
        default: atom = forStdRegex ? "(" + inner + ")" : "{" + inner + "}"; break;
      }
    }
    if (pick(3) == 0) {
      char q = "*+?"[pick(3)];
      if (forStdRegex && group && q != '?' && matchesEmpty(atom)) q = '?';
      atom += q;
      if (pick(2)) atom += "?";
    }
    out += atom;
  }
  return out;
}

std::string randomText(std::mt19937& rng) {
  std::string t;
  int n = static_cast<int>(rng() % 12);
  for (int k = 0; k < n; ++k) t += "ab,"[rng() % 3];
  return t;
}

TEST(PatternMatcher, ShortcutAgreesOnRandomPatterns) {
  std::mt19937 rng(20240611);
  int withPrefix = 0;
  for (int k = 0; k < 3000; ++k) {
    std::string p = std::string(1, "ab"[rng() % 2]) + randomPattern(rng, 2, false);
    PatternMatcher m(p);
    ASSERT_EQ(m.error(), 0) << p;
    if (!m.literalPrefix().empty()) ++withPrefix;
    for (int j = 0; j < 8; ++j) {
      std::string t = randomText(rng);
      ASSERT_EQ(outcome(m, t, false), outcome(m, t, true)) << p << " on " << t;
    }
  }
  EXPECT_GT(withPrefix, 2000);
}

// --- Against a standard engine ------------------------------------------------------------------

// The translation under which an ECMAScript search gives our results: braces capture,
// parentheses only group, "." matches any byte. Our group n is its group n + 1.
std::string toEcmaScript(std::string_view p) {
  std::string out;
  bool inSet = false;
  for (size_t i = 0; i < p.size(); ++i) {
    char c = p[i];
    if (c == '\\' && i + 1 < p.size()) {
      out += c;
      out += p[++i];
    } else if (inSet) {
      out += c;
      if (c == ']') inSet = false;
    } else if (c == '[') {
      out += c;
      inSet = true;
      if (i + 1 < p.size() && p[i + 1] == '^') out += p[++i];
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

Outcome ecmaOutcome(const std::regex& re, std::string_view text, int groups) {
  std::match_results<std::string_view::const_iterator> m;
  if (!std::regex_search(text.begin(), text.end(), m, re)) return {false, -1, -1,
      std::vector<int32_t>(2 * groups, -1)};
  Outcome o{true, static_cast<int32_t>(m.position(0)),
            static_cast<int32_t>(m.position(0) + m.length(0)), {}};
  for (int g = 1; g <= groups; ++g) {
    if (m[g].matched) {
      o.groups.push_back(static_cast<int32_t>(m.position(g)));
      o.groups.push_back(static_cast<int32_t>(m.position(g) + m.length(g)));
    } else {
      o.groups.push_back(-1);
      o.groups.push_back(-1);
    }
  }
  return o;
}

TEST(PatternMatcher, AgreesWithEcmaScriptOnTheProgramsForms) {
  const char* patterns[] = {
      "~TEST DATA,RTEMP\\.DEGC,{(.*?)},",
      "~VERSION,VERS\\.,{(.*?)},",
      "~VERSION,TYPE\\.,{(.*?)},",
      "~VERSION,PASTYPE\\.,{(.*?)},",
      "WELL INFORMATION,UWI\\.,{(.*?)},",
      "~WELL INFORMATION,COMP\\.,{(.*?)},",
      "~DTG ?\\({([0-9]+)}\\),",
      "~DTG ?\\({([0-9]+)}\\),TIME\\.HR,{(.*?)},",
      "~ANALYSIS - INTERPRETATION \\({([0-9]+)}\\),HTIM\\.HR,{(.*?)},",
      "~HEADER DATA - GAUGE \\({([0-9]+)}\\),",
      "~OIL DISTILLATION,C7\\+\\.FRACTION,{(.*?)},",
      "~OIL DISTILLATION,SS-C7\\+\\.FRAC,{(.*?)},",
      "~METER {([a-zA-Z0-9])},",
      "~METER {([a-zA-Z0-9])} ?\\({([0-9]+)}\\),{(.*?)},",
      "~X,{(.*)},",
      "{[^,]*},{[^,]*},",
      "{a|ab}{c|bcd}",
      "^~VERSION,{(.*?)},",
      ",{(.*?)}$",
      "{(.*?)}\\.{([0-9]+)}",
  };
  const char* lines[] = {
      "~TEST DATA,RTEMP.DEGC,21.5,Received Temperature,",
      "~TEST DATA,RTEMP.DEGC,21.5",
      "~TEST DATA,RTEMP.DEGC,,Received Temperature,",
      "~TEST DATA,RTEMP.DEGC,21\r.5,x,\r",
      "~VERSION,VERS.,2.0,PAS file version,",
      "~VERSION,PASTYPE.,DST,",
      "~VERSION,TYPE.,MDT,Type,",
      "~WELL INFORMATION,UWI.,100/01-02-003-04W5/00,Unique well id,",
      "~WELL INFORMATION,COMP.,Acme, Inc.,Company,",
      "~DTG (2),TIME.HR,1.5,",
      "~DTG(12),TIME.HR,,",
      "~DTG (\xB2),~DTG (3),TIME.HR,7,",
      "~ANALYSIS - INTERPRETATION (1),HTIM.HR,3.25,Horner,",
      "~ANALYSIS - INTERPRETATION (x),HTIM.HR,3.25,~ANALYSIS - INTERPRETATION (4),HTIM.HR,9,",
      "~HEADER DATA - GAUGE (10),SERIAL,123,",
      "~OIL DISTILLATION,C7+.FRACTION,0.31,",
      "~OIL DISTILLATION,SS-C7+.FRAC,0.42,~OIL DISTILLATION,SS-C7+XFRAC,0.1,",
      "~METER G,~METER 7 (2),a,b,",
      "~METER GG (2),x,",
      "~X,a,b,c,",
      "~X,~X,,",
      "abcd,abcde",
      "",
      ",,,",
      "caf\xE9,na\xEFve,",
  };
  int compared = 0;
  for (const char* p : patterns) {
    PatternMatcher m(p);
    ASSERT_EQ(m.error(), 0) << p;
    std::regex re(toEcmaScript(p), std::regex::ECMAScript);
    for (const char* line : lines) {
      EXPECT_EQ(outcome(m, line, false), ecmaOutcome(re, line, m.groupCount()))
          << p << " on " << line;
      ++compared;
    }
  }
  EXPECT_EQ(compared, 20 * 25);
}

TEST(PatternMatcher, AgreesWithEcmaScriptOnRandomPatterns) {
  std::mt19937 rng(7);
  for (int k = 0; k < 1500; ++k) {
    std::string p = randomPattern(rng, 2, true);
    if (rng() % 2) p = "{" + p + "}" + randomPattern(rng, 1, true);
    PatternMatcher m(p);
    ASSERT_EQ(m.error(), 0) << p;
    std::regex re(toEcmaScript(p), std::regex::ECMAScript);
    for (int j = 0; j < 6; ++j) {
      std::string t = randomText(rng);
      ASSERT_EQ(outcome(m, t, false), ecmaOutcome(re, t, m.groupCount())) << p << " on " << t;
    }
  }
}

// --- Cache --------------------------------------------------------------------------------------

TEST(PatternCache, CompilesEachTextOnce) {
  PatternCache cache;
  const PatternMatcher& a = cache.get("~X,{(.*?)},");
  const PatternMatcher& b = cache.get(std::string("~X,") + "{(.*?)},");
  EXPECT_EQ(&a, &b);
  for (int k = 0; k < 100; ++k) cache.get("~Y" + std::to_string(k) + ",{(.*?)},");
  EXPECT_EQ(&cache.get("~X,{(.*?)},"), &a);  // still where it was after the table grew
  EXPECT_EQ(cache.size(), 101u);
  MatchContext ctx;
  ASSERT_TRUE(a.match("~X,1,", ctx));
  EXPECT_EQ(groupText(ctx, 0), "1");
  const PatternMatcher& bad = cache.get("{");
  EXPECT_EQ(bad.error(), kPatternMissingBrace);
  EXPECT_FALSE(bad.match("{", ctx));
}

}  // namespace
}  // namespace tnw::pas
