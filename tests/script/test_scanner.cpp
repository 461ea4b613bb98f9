#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/errors.h"
#include "script/builtins.h"
#include "script/scanner.h"
#include "var_helpers.h"

namespace {

// One token as "term|kind|op".
std::string Describe(const ExpToken& t) {
  return t.Term().Str() + "|" + std::to_string(t.kind) + "|" + std::to_string(t.op);
}

// Every token of a text, or "status N" at the first failure.
std::vector<std::string> Tokens(const std::string& text) {
  std::vector<std::string> out;
  ExpToken t = ExpScanStart(S(text));
  if (t.status) return {"status " + std::to_string(t.status)};
  do {
    t = ExpScanToken(t);
    if (t.status) return {"status " + std::to_string(t.status)};
    out.push_back(Describe(t));
  } while (!t.AtEnd());
  return out;
}

using ScannerTest = VarTest;

TEST_F(ScannerTest, CutsTextsIntoTermsAndOperators) {
  const struct {
    const char* text;
    std::vector<std::string> tokens;
  } cases[] = {
      {"a + b", {"a|2|6", "b|2|0"}},
      {" a+b ", {"a|2|6", "b|2|0"}},
      {"'a b'", {"'a b'|1|0"}},
      {"x=-1", {"x|2|8", "|0|7", "1|0|0"}},
      {"FN$MIDS(a$;2;3)+'x'", {"FN$MIDS(a$;2;3)|35|6", "'x'|1|0"}},
      {"(1+2)*3", {"(1+2)|64|1", "3|0|0"}},
      {"FN$CHNG(x$;'(';'')", {"FN$CHNG(x$;'(';'')|35|0"}},
      {"a,b$;c#", {"a|2|0", "b$|3|0", "c#|6|0"}},
      {"arr(1)<>t$(2)>=n#(3)", {"arr(1)|18|14", "t$(2)|19|12", "n#(3)|22|0"}},
      {"a==.tab&&12||_STAT", {"a|2|11", ".tab|0|18", "12|0|19", "_STAT|2|0"}},
      {"5\xF7" "3@@1@2&4|1!2%3", {"5|0|5", "3|0|20", "1|0|17", "2|0|15", "4|0|16", "1|0|3", "2|0|4", "3|0|0"}},
      {"FN#SLEN('(')", {"FN#SLEN('(')|38|0"}},
      {"a b", {"status 147"}},
      {"a 'x'", {"status 147"}},
      {"(a", {"status 129"}},
      {")a(", {"status 129"}},
      {"a=>b", {"status 147"}},
      {"a&|b", {"status 147"}},
      {"a:b", {"status 147"}},
      {"f(x)y", {"status 147"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Tokens(c.text), c.tokens) << c.text;
}

TEST_F(ScannerTest, ErrorsCarryTheOffendingTextInTheDetail) {
  EXPECT_EQ(ExpScanStart(S("x=1+(a")).status, st::LOOPFAILURE);
  EXPECT_EQ(ErrDetail().Str(), "x=1+(a");
  EXPECT_EQ(ExpScanStart(S("x=a b+1")).status, st::SINTAXERROR);
  EXPECT_EQ(ErrDetail().Str(), " b+1");
}

TEST_F(ScannerTest, RewritesTheDialogShorthandsOutsideQuotes) {
  const struct {
    const char* text;
    const char* rewritten;
  } cases[] = {
      {"x$=_ACCEPT$(2)", "x$=FN$TRIM(FN$PARM(_$(.envvar;.dialog);2);'FIT')"},
      {"_ACCEPT#(1) + 1", "FN#VALN(FN$TRIM(FN$PARM(_$(.envvar;.dialog);1);'FIT'))+1"},
      {"_ACCEPT$((1))", "FN$TRIM(FN$PARM(_$(.envvar;.dialog);(1));'FIT')"},
      {"'_ACCEPT$(1)'", "'_ACCEPT$(1)'"},
      {"_OTHER$(1)", "_OTHER$(1)"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpScanStart(S(c.text)).text.Str(), c.rewritten) << c.text;
}

TEST_F(ScannerTest, RefusesATextThatWouldGrowPast65535Bytes) {
  std::string text;
  while (text.size() < 60000) text += "_ACCEPT$(1)+";
  text += "1";
  EXPECT_EQ(ExpScanStart(S(text)).status, st::SINTAXERROR);
}

TEST_F(ScannerTest, ClassifiesTextsAsExpressionsOrPlainText) {
  const struct {
    const char* text;
    Status want;
  } cases[] = {
      {"'abc'", 1},       {"a$+'x'", 1},       {"t$='x'", 1},  {"FN$TRIM(a$)", 1}, {"abc", 0},
      {"3+4", 0},         {"FN#SLEN(a$)", 0},  {"a$>'x'", 0},  {"a,b$", 1},        {"Hello world", 147},
      {"(a", 129},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpClassify(S(c.text)), c.want) << c.text;
}

TEST_F(ScannerTest, LooksUpNamesExactlyFirstThenInAnyCase) {
  EXPECT_EQ(ExpScanNameIndex(S("IF,ELSE,ENDIF"), S("else")), 2u);
  EXPECT_EQ(ExpScanNameIndex(S("Ab,AB"), S("AB")), 2u);
  EXPECT_EQ(ExpScanNameIndex(S("IF,ELSE"), S("ELS")), 0u);
  EXPECT_EQ(BuiltinCode(S("fn$mids")), 17);
  EXPECT_EQ(BuiltinCode(S("_#")), 1);
  EXPECT_EQ(BuiltinCode(S("SQLCHILD")), 33);
  EXPECT_EQ(BuiltinCode(S("FN$MID")), 0);
}

TEST_F(ScannerTest, BuildsAssignmentAndComparisonTextsThatReadBack) {
  const struct {
    const char* target;
    std::string value;
    const char* want;
  } assigns[] = {
      {"t$", "abc", "t$='abc'"},
      {"t$", "it's", "t$=\"it's\""},
      {"t$", "it's \"x\"", "t$=\"it's \"+'\"x\"'"},
      {"t$", "a\r\nb\rc\n", "t$='a'+.lf$+'b'+FN$CHRS(13)+'c'+FN$CHRS(10)"},
      {"t$", "", "t$=''"},
      {"n#", "", "n#=0"},
      {"n#", "-12.5", "n#=-12.5"},
  };
  for (const auto& a : assigns) EXPECT_EQ(ExpAssignText(StrFromC(a.target), S(a.value)).Str(), a.want) << a.want;
  EXPECT_EQ(StrError(ExpAssignText(S("n#"), S("1;x=2"))), st::BADINPUTDATA);

  EXPECT_EQ(ExpBuildCompare(S("NAME{1}"), 1, S("it's"), 'A').Str(), "NAME{1}==\"it's\"");
  // "==" on a text with "*" must mean equality, not a pattern.
  EXPECT_EQ(ExpBuildCompare(S("NAME{1}"), 1, S("A*"), 'A').Str(), "(NAME{1}>='A*'&&NAME{1}<='A*')");
  EXPECT_EQ(ExpBuildCompare(S("QTY{1}"), 3, S("5"), 'N').Str(), "QTY{1}>=5");
  EXPECT_EQ(StrError(ExpBuildCompare(S("QTY{1}"), 3, S("5'"), '3')), st::BADINPUTDATA);
  EXPECT_EQ(StrError(ExpBuildCompare(S("QTY{1}"), 7, S("5"), 'N')), st::SINTAXERROR);
}

}  // namespace
