#include <string>
#include <string_view>

#include "script/evaluator.h"
#include "test_format_fixture.h"

namespace {

class TypeFmtTest : public FormatTest {};
class CondTest : public FormatTest {};

// Typed text to its stored form at the field's length, then back to the
// display form at the display width.
TEST_F(TypeFmtTest, RoundTripByTypeLetter) {
  struct Case {
    char type;
    const char* typed;
    int32_t length;
    const char* stored;
    int32_t displayWidth;
    const char* shown;
  } cases[] = {
      {'A', "abc", 5, "abc  ", 5, "abc  "},
      {'P', "abcd", 3, "abc", 3, "abc"},
      {'B', "1a2 3", 5, "12 3 ", 5, "12 3 "},
      {'C', "12 34", 5, "12034", 5, "12034"},
      {'C', "x", 3, "   ", 3, "   "},
      {'D', "3/5/24", 8, "20240305", 8, "03-05-24"},
      {'D', "050324", 8, "20240305", 10, "03-05-2024"},
      {'D', "", 8, "20231231", 8, "12-31-23"},
      {'D', "31/2/24", 8, "        ", 10, "12-31-2023"},  // stored empty: D shows today
      {'F', "", 8, "        ", 8, "        "},
      {'F', "3/5/24", 8, "20240305", 8, "03-05-24"},
      {'F', "3/5/24", 6, "240305", 7, "       "},
      {'L', "y", 1, "1", 3, "YES"},
      {'L', " No", 1, "0", 3, "NO "},
      {'L', "x", 1, " ", 3, "   "},
      {'N', "1,234", 6, "  1234", 6, "  1234"},
      {'N', "12.5", 4, "  13", 4, "  13"},
      {'2', "1234.567", 8, " 1234.57", 8, " 1234.57"},
      {'2', "-1.5", 8, "   -1.50", 8, "   -1.50"},
      {'2', "", 8, "        ", 8, "        "},
      {'2', "12345", 6, "12345.", 6, "12345."},
      {'2', ".15", 3, ".15", 3, ".15"},  // no room before the point: decimals only
      {'2', "0.5", 3, ".50", 3, ".50"},
      {'2', "", 3, "   ", 3, "   "},
      {'V', "abc", 3, "   ", 3, "   "},
  };
  English();
  for (const auto& c : cases) {
    std::string stored = FmtInputToStored(c.type, S(c.typed), c.length).Str();
    EXPECT_EQ(stored, c.stored) << c.type << " '" << c.typed << "'";
    EXPECT_EQ(FmtStoredToDisplay(c.type, S(stored), c.displayWidth).Str(), c.shown) << c.type << " '" << stored << "'";
  }
}

TEST_F(TypeFmtTest, SpanishFormsStoreInTheFixedNotation) {
  Spanish();
  struct Case {
    char type;
    const char* typed;
    int32_t width;
    const char* stored;
    const char* shown;
  } cases[] = {
      {'2', "1.234,5", 8, " 1234.50", " 1234,50"},
      {'2', "-0,5", 6, " -0.50", " -0,50"},
      {'L', "s", 1, "1", "SI"},
      {'D', "3/5/24", 8, "20240503", "03-05-24"},
  };
  for (const auto& c : cases) {
    std::string stored = FmtInputToStored(c.type, S(c.typed), c.width).Str();
    EXPECT_EQ(stored, c.stored) << c.type << " " << c.typed;
    int32_t w = c.type == 'L' ? 2 : c.width;
    EXPECT_EQ(FmtStoredToDisplay(c.type, S(stored), w).Str(), c.shown) << c.type << " " << stored;
  }
}

// A number that does not fit is refused on the way in and marked on the
// way out; nothing is stored cut.
TEST_F(TypeFmtTest, NumbersThatDoNotFit) {
  English();
  EXPECT_EQ(StrError(FmtInputToStored('N', S("1234"), 3)), st::DATAOUTBOUND);
  EXPECT_EQ(StrError(FmtInputToStored('N', S("-123"), 3)), st::DATAOUTBOUND);
  EXPECT_EQ(StrError(FmtInputToStored('2', S("123456789012345678901"), 30)), st::DATAOUTBOUND);
  EXPECT_EQ(FmtStoredToDisplay('N', S("12345"), 3).Str(), "***");
  EXPECT_EQ(FmtStoredToDisplay('N', S("abc"), 5).Str(), "#####");  // garbage shows the mask
  // Without a width the number keeps its type's decimals, unpadded.
  EXPECT_EQ(FmtInputToStored('2', S(" 1,234.567 "), -1).Str(), "1234.57");
  EXPECT_EQ(FmtInputToStored('A', S(" x "), -1).Str(), " x ");
}

TEST_F(TypeFmtTest, FitByType) {
  struct Case {
    char type;
    const char* value;
    int32_t width;
    const char* want;  // nullptr: 168
  } cases[] = {
      {'V', "abc", 3, "   "},       {'T', "x", 2, "  "},          {'Q', "x", 2, "  "},
      {'A', "abc", 2, "ab"},        {'P', "ab", 4, "ab  "},       {'A', "abc", 0, ""},
      {'D', "20240305", 6, "240305"}, {'D', "2024", 8, "2024    "}, {'F', "20240305", 10, "20240305  "},
      {'N', " 12 ", 5, "   12"},    {'L', "1", 1, "1"},           {'2', "1234.567", 6, "1234.6"},
      {'2', "9999.96", 6, "10000."}, {'N', "-1234.5", 5, "-1235"},  {'N', "-1234", 4, nullptr},
      {'N', "12345", 4, nullptr},   {'N', "abcdef", 3, nullptr},
  };
  for (const auto& c : cases) {
    StrValue got = FmtByType(c.type, S(c.value), c.width);
    if (c.want)
      EXPECT_EQ(got.Str(), c.want) << c.type << " " << c.value;
    else
      EXPECT_EQ(StrError(got), st::DATAOUTBOUND) << c.type << " " << c.value;
  }
  EXPECT_EQ(FmtByType('A', S("abc"), -1).Str(), "abc");
  EXPECT_EQ(StrError(FmtByType('A', StrErr(st::FILEIO), 3)), st::FILEIO);
}

TEST_F(TypeFmtTest, TypeCodes) {
  EXPECT_EQ(FmtByTypeCode('2', S("3.14159"), 8).Str(), "    3.14");
  EXPECT_EQ(StrError(FmtByTypeCode('2', S("1234"), 3)), st::DATAOUTBOUND);
  EXPECT_EQ(FmtByTypeCode('A', S("ab"), 4).Str(), "ab  ");
  EXPECT_EQ(FmtByTypeCode('P', S("abc"), 2).Str(), "ab");
  const std::pair<char, uint16_t> codes[] = {{'1', 1}, {'9', 9}, {'A', 10}, {'V', 18}, {'P', 19}, {'X', 0}, {'\0', 0}};
  for (auto [code, want] : codes) EXPECT_EQ(FmtTypeCodeIndex(code), want) << code;
}

// The value of a quoted literal as the expression language reads it: quoted
// parts, each ending at the next quote of its own kind, joined by "+". Empty
// when the text is not exactly that.
std::string ReadLiteral(std::string_view t) {
  std::string value;
  for (size_t i = 0; i < t.size();) {
    char q = t[i];
    size_t close = t.find(q, i + 1);
    if ((q != '\'' && q != '"') || close == std::string_view::npos) return "<bad>";
    value += t.substr(i + 1, close - i - 1);
    i = close + 1;
    if (i < t.size() && t[i++] != '+') return "<bad>";
  }
  return value;
}

TEST_F(CondTest, ValuesAreQuotedSoTheyCannotEscape) {
  const char* values[] = {"Smith", "O'Brien", "say \"hi\"", "it's \"x\"", "x'||1||'", "'\"'\"", "a+b"};
  for (const char* v : values) {
    std::string cond = FmtCompareExpr(S("NAME{}"), 1, S(v), S("")).Str();
    ASSERT_TRUE(cond.starts_with("NAME{}==")) << cond;
    EXPECT_EQ(ReadLiteral(std::string_view(cond).substr(8)), v) << cond;
  }
  EXPECT_EQ(FmtCompareExpr(S("NAME{}"), 1, S("O'Brien"), S("")).Str(), "NAME{}==\"O'Brien\"");
  EXPECT_EQ(FmtCompareExpr(S("NAME{}"), 1, S("a'b\"c"), S("%s%s'%s'")).Str(), "NAME{}==\"a'b\"+'\"c'");
}

// Run through the evaluator, the condition is true for the value itself and
// false for a value that an injected "||" would also accept.
TEST_F(CondTest, EvaluatedConditionsMeanExactlyEqual) {
  const char* values[] = {"Smith", "O'Brien", "say \"hi\"", "it's \"x\"", "x'||1||'", "a)b(", "'\"'\""};
  for (const char* v : values) {
    std::string cond = FmtCompareExpr(S("n$"), 1, S(v), S("")).Str();
    ASSERT_EQ(VarAssign(S("n$"), S(v)), 0);
    EXPECT_EQ(ExpEvalCond(S(cond)), 1) << cond;
    ASSERT_EQ(VarAssign(S("n$"), S(std::string(v) + "Z")), 0);
    EXPECT_EQ(ExpEvalCond(S(cond)), 0) << cond;
  }
}

// An exact equality, for values taken from data: true for the value itself
// only, whatever "*" it holds.
TEST_F(CondTest, ExactEqualitiesNeverReadAPattern) {
  EXPECT_EQ(FmtCompareExact(S("F{}"), S("AB")).Str(), "F{}=='AB'");
  EXPECT_EQ(FmtCompareExact(S("F{}"), S("AB*")).Str(), "(F{}>='AB*'&&F{}<='AB*')");
  for (const char* v : {"AB*", "*B", "it's *"}) {
    std::string cond = FmtCompareExact(S("n$"), S(v)).Str();
    ASSERT_EQ(VarAssign(S("n$"), S(v)), 0);
    EXPECT_EQ(ExpEvalCond(S(cond)), 1) << cond;
    ASSERT_EQ(VarAssign(S("n$"), S(std::string(v) + "Z")), 0);
    EXPECT_EQ(ExpEvalCond(S(cond)), 0) << cond;
  }
}

// An equality with a "*" finds what a search form's user means by it: AB*
// the values beginning with AB, *AB the values holding AB.
TEST_F(CondTest, WildcardEqualitiesFindByPattern) {
  struct Case {
    const char* pattern;
    const char* value;
    int found;
  } cases[] = {
      {"AB*", "ABC", 1}, {"AB*", "AB", 1}, {"AB*", "XAB", 0},
      {"*AB", "XABY", 1}, {"*AB", "XY", 0}, {"O'B*", "O'Brien", 1},
  };
  for (const auto& c : cases) {
    std::string cond = FmtCompareExpr(S("n$"), 1, S(c.pattern), S("")).Str();
    ASSERT_EQ(VarAssign(S("n$"), S(c.value)), 0);
    EXPECT_EQ(ExpEvalCond(S(cond)), c.found) << cond << " on " << c.value;
  }
}

TEST_F(CondTest, OperatorsFormatsAndPatterns) {
  struct Case {
    int op;
    const char* value;
    const char* format;
    const char* want;
  } cases[] = {
      {1, "Smith", "", "F{}=='Smith'"},
      {3, "B", "", "F{}>='B'"},
      {6, "B", "", "F{}<>'B'"},
      {9, "B", "", "F{}<>'B'"},
      {0, "B", "", "F{}=='B'"},
      {1, "", "", ""},
      {2, "12", "%s%s%s", "F{}>12"},
      // "==" with a "*" is the pattern test: a search form's wildcard.
      {1, "AB*", "", "F{}=='AB*'"},
      {2, "AB*", "", "F{}>'AB*'"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FmtCompareExpr(S("F{}"), c.op, S(c.value), S(c.format)).Str(), c.want) << c.op << " " << c.value;
  }
  std::string longValue(65400, 'x');
  EXPECT_EQ(StrError(FmtCompareExpr(S(std::string(400, 'F')), 1, S(longValue), S(""))), st::STRINGTOOLONG);
}

TEST_F(CondTest, AppendJoinAndStrip) {
  EXPECT_EQ(FmtCondAppend(S("A{}"), 1, S("x"), S(""), S(""), S("")).Str(), "A{}=='x'");
  EXPECT_EQ(FmtCondAppend(S("A{}"), 1, S("x"), S("B{}>1"), S(""), S("")).Str(), "B{}>1&&A{}=='x'");
  EXPECT_EQ(FmtCondAppend(S("A{}"), 1, S("x"), S("B{}>1"), S("||"), S("")).Str(), "B{}>1||A{}=='x'");
  EXPECT_EQ(FmtCondAppend(S("A{}"), 1, S(""), S("B{}>1"), S(""), S("")).Str(), "B{}>1");

  struct Case {
    const char* a;
    const char* b;
    const char* op;
    const char* want;
  } joins[] = {
      {"1&&A", "B", "", "A"}, {"A", "1&&B", "||", "B"}, {"", "B", "", "B"},
      {"A", "", "", "A"},     {"A", "B", "||", "(A)||(B)"}, {"A", "B", "", "(A)&&(B)"},
  };
  for (const auto& c : joins) EXPECT_EQ(FmtCondJoin(S(c.a), S(c.b), S(c.op)).Str(), c.want) << c.a << " " << c.b;
  EXPECT_EQ(FmtCondStrip(S("1&&X==1")).Str(), "X==1");
  EXPECT_EQ(FmtCondStrip(S("X==1")).Str(), "X==1");
}

}  // namespace
