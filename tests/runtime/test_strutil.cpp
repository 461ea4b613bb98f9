#include <gtest/gtest.h>

#include <string>

#include "runtime/errors.h"
#include "runtime/strutil.h"
#include "support/runtime_fixture.h"

namespace {

StrValue S(const char* c) { return StrFromC(c); }
StrValue B(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

class StrUtilTest : public RuntimeTest {};

TEST_F(StrUtilTest, ToIntReadsYesWordsAndBoundedDigits) {
  struct Case {
    const char* text;
    int16_t want;
  } cases[] = {
      {"si", 1},   {"On", 1},       {"yes", 1},    {"12abc", 12}, {" \t-7", -7},
      {"+5", 5},   {"abc", 0},      {"", 0},       {"Yess", 0},   {"70000", 4464},  // low 16 bits
      {"99999999999999999999", -1},  // saturates, then the low 16 bits
      {"-99999999999999999999", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(StrToInt(S(c.text)), c.want) << c.text;
  // A slice must not be read past its length.
  EXPECT_EQ(StrToInt(StrMid(S("1234"), 0, 2)), 12);
  EXPECT_TRUE(StrIsYes(S("s")));
  EXPECT_FALSE(StrIsYes(S("")));
  EXPECT_FALSE(StrIsYes(StrMid(S("yes"), 0, 2)));
}

TEST_F(StrUtilTest, RangesIncludeTheirBounds) {
  EXPECT_TRUE(StrInRange(5, S("1-10")));
  EXPECT_TRUE(StrInRange(10, S("1-10")));
  EXPECT_FALSE(StrInRange(11, S("1-10")));
  EXPECT_TRUE(StrInRange(7, S("7")));
  EXPECT_FALSE(StrInRange(8, S("7")));
  EXPECT_EQ(StrRangeListFind(15, S("1-10,12-20,15-16")), 2u);
  EXPECT_EQ(StrRangeListFind(11, S("1-10,12-20")), 0u);
}

TEST_F(StrUtilTest, CompareAndOperators) {
  EXPECT_EQ(StrCompare(S("ab"), S("abc")), -1);
  EXPECT_EQ(StrCompare(S("abc"), S("ab")), 1);
  EXPECT_EQ(StrCompare(S("ab"), S("ab")), 0);
  EXPECT_EQ(StrCompare(S("\xe9"), S("z")), 1);  // bytes compare unsigned
  struct Case {
    int op;
    bool lessThan, equal, greater;  // a<b, a==b, a>b
  } cases[] = {{1, false, true, false}, {2, false, false, true}, {3, false, true, true},
               {4, true, false, false}, {5, true, true, false}, {6, false, false, false},
               {0, false, false, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(StrCompareOp(S("a"), S("b"), c.op), c.lessThan) << c.op;
    EXPECT_EQ(StrCompareOp(S("a"), S("a"), c.op), c.equal) << c.op;
    EXPECT_EQ(StrCompareOp(S("b"), S("a"), c.op), c.greater) << c.op;
  }
  int x = 1, y = 2;
  EXPECT_EQ(MemCompare(&x, &y, 0), 0);
  EXPECT_EQ(MemCompare("ab", "ac", 2), -1);
  EXPECT_EQ(MemCompare(nullptr, "a", 1), st::STROUTBOUND);
  EXPECT_EQ(StrPickByOp(S("a"), S("b"), 1).View(), "a");
  EXPECT_EQ(StrPickByOp(S(""), S("b"), 1).View(), "b");
  EXPECT_EQ(StrPickByOp(S("b"), S("a"), 4).View(), "a");
  EXPECT_EQ(StrPickByOp(S("a"), S("b"), 4).View(), "a");
  EXPECT_EQ(StrPickByOp(S("a"), S(""), 4).View(), "a");
}

TEST_F(StrUtilTest, CaseMappingIsAsciiOnly) {
  EXPECT_EQ(StrCaseCopy(S("aZ\xe9\xc9-1"), 1).View(), "AZ\xe9\xc9-1");
  EXPECT_EQ(StrCaseCopy(S("aZ\xe9\xc9-1"), 0).View(), "az\xe9\xc9-1");
}

TEST_F(StrUtilTest, TrimUnquoteAndTokenNorm) {
  struct Case {
    const char* id;
    StrValue got;
    const char* want;
  } cases[] = {
      {"trim-left", StrTrim(S(" \tab \t"), 1), "ab \t"},
      {"trim-right", StrTrim(S(" \tab \t"), 2), " \tab"},
      {"trim-both", StrTrim(S(" \tab \t"), 3), "ab"},
      {"trim-all", StrTrim(S("  "), 3), ""},
      {"trim-set", StrTrimSet(S("xxaxx"), S("x"), 3), "a"},
      {"unquote", StrUnquote(S("'a'")), "a"},
      {"unquote-mixed", StrUnquote(S("'a\"")), "'a\""},
      {"unquote-one", StrUnquote(S("'")), "'"},
      {"unquote-empty", StrUnquote(S("\"\"")), ""},
      {"norm-quoted", StrTokenNorm(S("  'a b' ")), "a b"},
      {"norm-plain", StrTokenNorm(S(" abc\t")), "ABC"},
      {"or-default", StrOrDefault(S(""), S("dflt")), "dflt"},
      {"pair", StrAssignPair(S("N"), S("1")), "N=1"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got.View(), c.want) << c.id;
  EXPECT_EQ(StrError(StrAssignPair(S(""), S("1"))), st::BADINPUTDATA);
  EXPECT_EQ(StrError(StrAssignPair(S("N"), S(""))), st::BADINPUTDATA);
  EXPECT_TRUE(StrIsEnclosed(S("(a)"), '('));
  EXPECT_FALSE(StrIsEnclosed(S("("), '('));
  EXPECT_TRUE(StrIsEnclosed(S("%a%"), '%'));
  EXPECT_EQ(StrCLen(B(std::string("ab\0c", 4))), 2);
  EXPECT_EQ(StrCLen(S("abc")), kNotFound);
}

TEST_F(StrUtilTest, CharacterSetOperations) {
  EXPECT_EQ(StrTranslate(S("hello"), S("lo"), S("01")).View(), "he001");
  // A short to-set leaves the characters without a partner unchanged.
  EXPECT_EQ(StrTranslate(S("abcabc"), S("abc"), S("x")).View(), "xbcxbc");
  EXPECT_EQ(StrCodesToChars(S("x%41y%42%43%4"), S("%41%42"), S("AB")).View(), "xAyB%43%4");
  EXPECT_EQ(StrError(StrCodesToChars(S("x"), S("%41"), S(""))), st::BADINPUTDATA);
  EXPECT_TRUE(StrAllIn(S("123"), S("0123456789")));
  EXPECT_FALSE(StrAllIn(S("12a"), S("0123456789")));
  EXPECT_EQ(StrKeepChars(S("a1b2"), S("0123456789")).View(), "12");
  EXPECT_EQ(StrCollapseRuns(S("a  b   c "), ' ', kSearchPlain).View(), "a b c ");
  EXPECT_EQ(StrCollapseRuns(S("a  '  ' b"), ' ', kSearchQuoted).View(), "a '  ' b");
}

struct FindCase {
  const char* id;
  uint16_t got;
  uint16_t want;
};

TEST_F(StrUtilTest, SearchTable) {
  const FindCase cases[] = {
      {"char-quoted", StrFindChar(S("a'x'x"), 'x', kSearchQuoted), 4},
      {"char-plain", StrFindChar(S("a'x'x"), 'x', kSearchPlain), 2},
      {"char-unclosed", StrFindChar(S("a'x"), 'x', kSearchQuoted), kNotFound},
      {"any", StrFindAny(S("ab\"c,\";d"), S(",;"), kSearchQuoted), 6},
      {"str", StrFindStr(S("abcabc"), S("ca"), kSearchPlain), 2},
      {"str-quoted", StrFindStr(S("a'bc'bc"), S("bc"), kSearchQuoted), 5},
      {"str-plain", StrFindStr(S("a'bc'bc"), S("bc"), kSearchPlain), 2},
      {"str-retry", StrFindStr(S("aab"), S("ab"), kSearchPlain), 1},
      {"str-tail", StrFindStr(S("abca"), S("ab"), kSearchPlain), 0},
      {"str-no-fit", StrFindStr(S("xab"), S("abc"), kSearchPlain), kNotFound},
      {"str-longer", StrFindStr(S("ab"), S("abc"), kSearchPlain), kNotFound},
      {"str-empty", StrFindStr(S("ab"), S(""), kSearchPlain), kNotFound},
      {"str-at", StrFindStrAt(S("abab"), 1, S("ab"), kSearchPlain), 2},
      {"last-char", StrFindLastChar(S("a,b,c"), ',', kSearchPlain), 3},
      {"last-char-quoted", StrFindLastChar(S("a,'b,c'"), ',', kSearchQuoted), 1},
      {"last-any", StrFindLastAny(S("a;b,c"), S(",;"), kSearchPlain), 3},
      {"last-none", StrFindLastChar(S("abc"), ',', kSearchPlain), kNotFound},
      {"error", StrFindChar(StrErr(st::FILENOTFOUND), 'a', kSearchPlain), kNotFound},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.id;
  EXPECT_EQ(StrCountOccur(S("aaaa"), S("aa"), kSearchPlain), 2u);
  EXPECT_EQ(StrCountOccur(S("a'a'a"), S("a"), kSearchQuoted), 2u);
  EXPECT_EQ(StrCountOccur(S("abc"), S(""), kSearchPlain), 0u);
}

TEST_F(StrUtilTest, ReplaceTable) {
  struct Case {
    const char* id;
    const char *text, *pat, *rep;
    int mode;
    const char* want;
  } cases[] = {
      {"grow", "aXbXc", "X", "YY", kSearchPlain, "aYYbYYc"},
      {"shrink", "aXYbXY", "XY", "", kSearchPlain, "ab"},
      {"no-overlap", "aaa", "aa", "b", kSearchPlain, "ba"},
      {"empty-pattern", "abc", "", "x", kSearchPlain, "abc"},
      {"quoted-kept", "a 'a' a", "a", "b", kSearchQuoted, "b 'a' b"},
      {"quote-pattern-plain", "it's 'x'", "'", "\"", kSearchQuoted, "it\"s \"x\""},
      {"none", "abc", "z", "y", kSearchPlain, "abc"},
  };
  for (const auto& c : cases) {
    uint16_t m = StrAreaMark(-1);
    ASSERT_EQ(StrReplaceCore(S(c.text), S(c.pat), S(c.rep), c.mode), 0) << c.id;
    EXPECT_EQ(StrAreaTop().View(), c.want) << c.id;
    EXPECT_EQ(StrAreaMark(-1), m + 1) << c.id;
    StrAreaMark(m);
  }
}

TEST_F(StrUtilTest, ReplaceThatDoesNotFitRecords160) {
  std::string big(40000, 'a');
  EXPECT_EQ(StrError(StrReplaceAll(B(big), S("a"), S("bb"), kSearchPlain)), st::MEMTESTERROR);
  EXPECT_EQ(ErrGet(), st::MEMTESTERROR | (uint32_t{MOD_STRCONCAT} << 16));
  ErrClear();
  // An error string passes through with its own code and records nothing.
  EXPECT_EQ(StrReplaceCore(StrErr(st::FILENOTFOUND), S("a"), S("b"), kSearchPlain), st::FILENOTFOUND);
  EXPECT_EQ(ErrGet(), 0u);
}

TEST_F(StrUtilTest, ErrorStringsPassThrough) {
  StrValue e = StrErr(st::FILENOTFOUND);
  uint16_t m = StrAreaMark(-1);
  EXPECT_EQ(StrError(StrCaseCopy(e, 1)), st::FILENOTFOUND);
  EXPECT_EQ(StrError(StrTrim(e, 3)), st::FILENOTFOUND);
  EXPECT_EQ(StrError(StrTokenNorm(e)), st::FILENOTFOUND);
  EXPECT_EQ(StrError(StrTranslate(e, S("a"), S("b"))), st::FILENOTFOUND);
  EXPECT_EQ(StrError(StrPickByOp(S("a"), e, 1)), st::FILENOTFOUND);
  EXPECT_EQ(StrError(StrAssignPair(e, S("x"))), st::FILENOTFOUND);
  EXPECT_EQ(StrAreaMark(-1), m);
}

}  // namespace
