// The built-in registry, the dispatch and the text and number built-ins.
#include <string>

#include "builtin_helpers.h"
#include "runtime/errors.h"
#include "script/builtins_int.h"
#include "script/evaluator.h"

namespace {

class BuiltinTest : public VarTest {};

struct Case {
  const char* name;
  const char* args;
  const char* want;  // a string, or a number's text
};

TEST_F(BuiltinTest, TextBuiltinsGiveTheirResults) {
  const Case cases[] = {
      {"FN$MIDS", "'abcdef';-2", "ef"},
      {"FN$MIDS", "'abcdef';2;3", "bcd"},
      {"FN$MIDS", "'abc';10", ""},
      {"FN$MIDS", "'abc';0;2", "ab"},
      {"FN$MIDS", "'abc';2;-1", ""},
      {"FN$MIDS", "'abc';-10", "abc"},
      {"FN$MIDS", "'abc';70000", ""},
      {"FN$MIDS", "'abc';2;70000", "bc"},
      {"FN$PARM", "'a,b,c';2", "b"},
      {"FN$PARM", "'a;b';2;59", "b"},
      {"FN$PARM", "'a,b'", "a"},
      {"FN$PARM", "'a,b';0", ""},
      {"FN$PARM", "'a,b';-1", ""},
      {"FN$PARM", "'a,b';9", ""},
      {"FN$PARM", "\"'x,y',z\";1", "'x,y'"},
      {"FN$TRIM", "' \"ab\" ';'FIT'", "ab"},
      {"FN$TRIM", "' ab ';'FIT'", "AB"},
      {"FN$TRIM", "'  x ';'LEFTTRIM'", "x "},
      {"FN$TRIM", "'  x ';'RIGHTRIM'", "  x"},
      {"FN$TRIM", "' x '", "x"},
      {"FN$TRIM", "5", "5.00"},
      {"ENVELOP$", "'abc'", "'abc'"},
      {"ENVELOP$", "'abc';40", "(abc)"},
      {"FN$CHNG", "'Abc';'UCASE'", "ABC"},
      {"FN$CHNG", "'AbC';'LCASE'", "abc"},
      {"FN$CHNG", "'a   b  c';'CLEAN'", "a b c"},
      {"FN$CHNG", "'a1b2';'FILTER';'0123456789'", "12"},
      {"FN$CHNG", "'x01y02';'FILTER';'0102';'AB'", "xAyB"},
      {"FN$CHNG", "'x-y-z';'-';'+'", "x+y+z"},
      {"FN$CHNG", "\"a-'-'\";'-';'+'", "a+'-'"},
      {"FN$CHNG", "\"a-'-'\";'-';'+';1", "a+'+'"},
      {"FN$CHNG", "'a-b';'-'", "ab"},
      {"FN$CHRS", "65;3", "AAA"},
      {"FN$CHRS", "'ab';2", "abab"},
      {"FN$CHRS", "65", "A"},
      {"FN$CHRS", "65;0", ""},
      {"FN$CHRS", "65;-3", ""},
      {"EXP$", "'FN$MIDS($1_;$2_)';a$;'b'", "FN$MIDS(a$;'b')"},
      {"EXP$", "'$1_$1_'", "$1_$1_"},
      {"FN#SLEN", "'abc'", "3.00"},
      {"FN#SLEN", "''", "0.00"},
      {"FN#PARM", "'x,y,z'", "3.00"},
      {"FN#PARM", "''", "0.00"},
      {"FN#PARM", "'x,y,z';'y'", "2.00"},
      {"FN#PARM", "'x,y,z';'q'", "0.00"},
      {"FN#PARM", "'1.50,2.00';2", "2.00"},
      {"FN#PARM", "'a,b,c';'b';'10,20.5,30'", "20.50"},
      {"FN#PARM", "'1-5,6-9';7;0", "2.00"},
      {"FN#PARM", "'1-5,6-9';'3';0", "1.00"},
  };
  for (const Case& c : cases) {
    CallOutcome r = CallBuiltin(c.name, c.args);
    EXPECT_EQ(r.status, 0) << c.name << "(" << c.args << ")";
    EXPECT_EQ(r.text, c.want) << c.name << "(" << c.args << ")";
  }
}

TEST_F(BuiltinTest, BadArgumentsAreRefusedAndRecorded) {
  const struct {
    const char* name;
    const char* args;
    Status code;
  } cases[] = {
      {"FN$MIDS", "5;1", st::TYPEMISMATCH},
      {"FN$MIDS", "'a'", st::SINTAXERROR},
      {"FN$MIDS", "'a';'1'", st::TYPEMISMATCH},
      {"FN#SLEN", "5", st::TYPEMISMATCH},
      {"FN#SLEN", "'a';'b'", st::SINTAXERROR},
      {"FN$TRIM", "'a';'SIDEWAYS'", st::SINTAXERROR},
      {"FN$CHRS", "65;70000", st::STROUTBOUND},
      {"FN$CHRS", "300", st::SINTAXERROR},
      {"FN$PARM", "'a';1;256", st::SINTAXERROR},
      {"ENVELOP$", "'a';-1", st::SINTAXERROR},
      {"FN#VALN", "'x';'Q'", st::SINTAXERROR},
      {"TIME$", "5", st::TYPEMISMATCH},
      {"ENVRON$", "'x';-1", st::SINTAXERROR},
      {"FN$MIDS", "1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17", st::SINTAXERROR},
      {"FN$MIDS", "FN#SLEN(1);1", st::TYPEMISMATCH},
      {"SORT$", "'GET';'SORT'", st::SINTAXERROR},
  };
  for (const auto& c : cases) {
    ErrClear();
    EXPECT_EQ(CallBuiltin(c.name, c.args).status, c.code) << c.name << "(" << c.args << ")";
    EXPECT_EQ(ErrGet() & 0xffff, c.code) << c.name;
  }
}

TEST_F(BuiltinTest, NullArgumentsTakeTheirDefaults) {
  // An empty argument, and a value that is the one byte 27, read as absent.
  ASSERT_EQ(VarAssign(S("esc$"), S("\x1b")), 0);
  EXPECT_EQ(CallBuiltin("FN$PARM", "'a;b';;59").text, "a");
  EXPECT_EQ(CallBuiltin("FN$PARM", "'a,b';esc$").text, "a");
  EXPECT_EQ(CallBuiltin("ENVELOP$", "'x';").text, "'x'");
  EXPECT_EQ(CallBuiltin("FN$TRIM", "esc$").text, "");
}

TEST_F(BuiltinTest, ChkEvaluatesOnlyTheChosenBranch) {
  // FN#SLEN(1) would fail with 128 if it were evaluated.
  EXPECT_EQ(CallBuiltin("CHK#", "0;FN#SLEN(1);5").text, "5.00");
  EXPECT_EQ(CallBuiltin("CHK$", "1;'yes';FN#SLEN(1)").text, "yes");
  EXPECT_EQ(CallBuiltin("CHK$", "'text';'yes';'no'").text, "no");  // a string condition is false
  EXPECT_EQ(CallBuiltin("CHK$", "0;'a'").text, "");
  EXPECT_EQ(CallBuiltin("CHK#", "0;1").text, "0.00");
  CallOutcome warn = CallBuiltin("CHK$", "1;7");
  EXPECT_EQ(warn.status, st::TYPEWARNING);
  EXPECT_EQ(CallBuiltin("CHK#", "1;FN#SLEN(1)").status, st::TYPEMISMATCH);
  EXPECT_EQ(CallBuiltin("CHK#", "1").status, st::SINTAXERROR);
}

TEST_F(BuiltinTest, DateMovesAndDifferences) {
  const Case cases[] = {
      {"FN#VALN", "'20240131';'M';1", "20240229.00"},
      {"FN#VALN", "'20240301';'D';-1", "20240229.00"},
      {"FN#VALN", "'20240229';'Y';1", "20250301.00"},
      {"FN#VALN", "'20240131';'d'", "20240131.00"},
      {"FN#VALN", "20240131;'D';1", "20240201.00"},
      {"FN#VALN", "'20240315';'M';'20231115'", "4.00"},
      {"FN#VALN", "'20240315';'D';'20240101'", "74.00"},
  };
  for (const Case& c : cases) EXPECT_EQ(CallBuiltin(c.name, c.args).text, c.want) << c.args;
}

TEST_F(BuiltinTest, TimeTextsAndFileTimes) {
  EXPECT_EQ(CallBuiltin("TIME$", "'01:02:03.5';7").text, "01:02:03.500");
  EXPECT_EQ(CallBuiltin("TIME$", "'01:02:03'").text, "0102");
  TempDir dir;
  std::string missing = dir.File("none.txt");
  EXPECT_EQ(CallBuiltin("TIME$", "'" + missing + "';131").text, "");
  EXPECT_EQ(CallBuiltin("FN$DATE", "'" + missing + "';130").text, "");
}

TEST_F(BuiltinTest, EnvronReadsSettingsItems) {
  ASSERT_EQ(DynStrSet(SettingsList, SetCommandLineItem, S("prog /TRACE=9 /DPATH:'/d x'")), 0);
  ASSERT_EQ(DynStrSet(SettingsList, SetTitleItem, S("My Title")), 0);
  EXPECT_EQ(CallBuiltin("ENVRON$", "'TRACE'").text, "9");
  EXPECT_EQ(CallBuiltin("ENVRON$", "'DPATH'").text, "/d x");
  EXPECT_EQ(CallBuiltin("ENVRON$", "'NOPE'").text, "");
  EXPECT_EQ(CallBuiltin("ENVRON$", "'';3").text, "My Title");
}

// --- Registry ---------------------------------------------------------------

Status SumAndJoin(const uint16_t* kinds, uint16_t count) {
  int16_t ints[kBuiltinMaxArgs] = {};
  StrValue strs[kBuiltinMaxArgs] = {};
  if (Status s = BuiltinArgsParse(kinds, 4, ints, strs)) return s;
  std::string out;
  for (uint16_t i = 0; i < count; ++i)
    out += (kinds[i] & 1) ? strs[i].Str() : std::to_string(ints[i]);
  return BuiltinResultStr(StrFromView(out));
}

Status Nothing(const uint16_t*, uint16_t) { return BuiltinResultNum(0); }

// A soft status (a data-file result, say) with a value.
Status SoftText(const uint16_t*, uint16_t) {
  Status s = BuiltinResultStr(StrFromC("abcd"));
  return s ? s : 5;
}

TEST_F(BuiltinTest, RegisteredNamesMatchInAnyCase) {
  ASSERT_EQ(BuiltinRegister(S("PayDate$"), SumAndJoin), 0);
  EXPECT_EQ(BuiltinCode(S("paydate$")), kBiFirstExt);
  EXPECT_EQ(BuiltinCode(S("PAYDATE$")), kBiFirstExt);
  EXPECT_EQ(BuiltinCode(S("fn$mids")), kBiMids);
  EXPECT_EQ(BuiltinName(kBiFirstExt).Str(), "PayDate$");
  EXPECT_EQ(CallBuiltin("paydate$", "'a';2;'b';-3").text, "a2b-3");
  EXPECT_EQ(CallBuiltin("PayDate$", "1;2;3;4;5").status, st::SINTAXERROR);  // more than its 4
  EXPECT_EQ(BuiltinRegister(S("PAYDATE$"), Nothing), st::SINTAXERROR);    // already a name
  EXPECT_EQ(BuiltinRegister(S("A,B"), Nothing), st::SINTAXERROR);
}

TEST_F(BuiltinTest, SoftStatusesKeepTheirValue) {
  ASSERT_EQ(BuiltinRegister(S("Soft$"), SoftText), 0);
  CallOutcome direct = CallBuiltin("SOFT$", "");
  EXPECT_EQ(direct.status, 5);
  EXPECT_EQ(direct.text, "abcd");
  EXPECT_EQ(CallBuiltin("FN#SLEN", "Soft$()").text, "4.00");
}

TEST_F(BuiltinTest, SeventeenthRegistrationFails) {
  for (int i = 0; i < kBuiltinMaxExt; ++i)
    ASSERT_EQ(BuiltinRegister(S("Ext" + std::to_string(i)), Nothing), 0) << i;
  EXPECT_EQ(BuiltinRegister(S("OneTooMany"), Nothing), st::DATAOUTBOUND);
  EXPECT_EQ(BuiltinCode(S("ext15")), kBiLastExt);
  EXPECT_EQ(BuiltinCode(S("OneTooMany")), 0);
  // A fresh store starts without registered built-ins.
  RuntimeReset();
  ASSERT_EQ(VarSysInit(), 0);
  EXPECT_EQ(BuiltinCode(S("Ext0")), 0);
  uint16_t kinds[1] = {};
  EXPECT_EQ(BuiltinCallExt(kBiFirstExt, kinds, 0), st::SINTAXERROR);
}

// --- SQLCHILD ----------------------------------------------------------------

int16_t g_seenRow = -1, g_seenDepth = -1;

Status PeekScope(const uint16_t*, uint16_t) {
  g_seenRow = VarSysIntGet(kSysCurRow);
  g_seenDepth = VarSysIntGet(kSysSqlStk);
  return BuiltinResultNum(0);
}

std::string Nested(int depth, const std::string& inner) {
  std::string t = inner;
  for (int i = 1; i < depth; ++i) t = "SQLCHILD(" + t + ")";
  return t;
}

TEST_F(BuiltinTest, SqlChildNestsSevenDeepAndRestoresOnEveryPath) {
  ASSERT_EQ(BuiltinRegister(S("Peek"), PeekScope), 0);
  VarSysIntSet(kSysCurRow, 5);
  VarSysIntSet(kSysIer, 3);
  EXPECT_EQ(CallBuiltin("SQLCHILD", Nested(7, "Peek()")).status, 0);
  EXPECT_EQ(g_seenRow, 0);
  EXPECT_EQ(g_seenDepth, 7);
  for (const std::string& args : {Nested(8, "0"), Nested(3, "FN#SLEN(1)")}) {
    Status want = args.find("SLEN") != std::string::npos ? st::TYPEMISMATCH : st::STROUTBOUND;
    EXPECT_EQ(CallBuiltin("SQLCHILD", args).status, want);
    EXPECT_EQ(VarSysIntGet(kSysSqlStk), 0);
    EXPECT_EQ(VarSysIntGet(kSysCurRow), 5);
    EXPECT_EQ(VarSysIntGet(kSysIer), 3);
  }
}

}  // namespace

// --- Through the evaluator ------------------------------------------------------

namespace {

// The value of an expression text as text (numbers with _PRECIS decimals),
// or "error <code>"; the argument stack must be back where it was.
std::string Eval(const std::string& text) {
  const uint32_t base = DynStrCount(ArgStack);
  const uint16_t mark = StrAreaMark(-1);
  Status s = ExpExecText(S(text));
  std::string out = s >= 128 ? "error " + std::to_string(s)
                    : s == 1 ? TopText()
                             : BuiltinNumText(TopNum()).Str();
  StrAreaMark(mark);
  EXPECT_EQ(DynStrCount(ArgStack), base) << text;
  return out;
}

TEST_F(BuiltinTest, CallsInsideExpressions) {
  const struct {
    const char* text;
    const char* want;
  } cases[] = {
      {"FN$MIDS(FN$TRIM(' abc ');2;1)", "b"},
      {"FN$MIDS('a;b(c';2;2)+'!'", ";b!"},
      {"CHK#(0;1/0;5)", "5.00"},
      {"CHK#(2>1;7;1/0)*2", "14.00"},
      {"EXP$('$1_*$2_';3;a+1)", "3*a+1"},
      {"FN#VALN('1,234.50';'N')", "1234.50"},
      {"FN#VALN('7';'Q')", "error 147"},
      {"FN$DATE('20240305';2)", "03-05-2024"},
      {"FN$DATE('3/5/24';2)", "03-05-2024"},
      {"FN$DATE(20240305;1)", "03-05-24"},
      {"FN$MASK('#,##0.00';1234.5)", "1,234.50"},
      {"FN$MASK('\\-\\';'ab')", "a-b"},
      {"MACRO$('Total: [2+3]')", "Total: 5.00"},
      {"FN$CHRS(65;70000)", "error 159"},
  };
  for (const auto& c : cases) EXPECT_EQ(Eval(c.text), c.want) << c.text;
}

TEST_F(BuiltinTest, ChkRunsOnlyTheChosenAssignment) {
  EXPECT_EQ(Eval("CHK#(1;x=7;y=8)"), "7.00");
  EXPECT_EQ(Eval("x"), "7.00");
  EXPECT_EQ(Eval("y"), "0.00");
  EXPECT_EQ(Eval("CHK$(x==7;'seven';z=1)"), "seven");
  EXPECT_EQ(Eval("z"), "0.00");
}

}  // namespace

namespace {

// A date that is no date shows blanks and records 168 naming the text; it
// never reads as today, which only an empty date means.
TEST_F(BuiltinTest, InvalidDatesShowBlanksAndRecordTheText) {
  const struct {
    const char* text;
    const char* detail;
  } cases[] = {
      {"FN$DATE('31/02/2024';2)", "31/02/2024"}, {"FN$DATE('2024-01-15';2)", "2024-01-15"},
      {"FN$DATE('13.13.2024';2)", "13.13.2024"}, {"FN$DATE(0-1;2)", "-1"},
      {"FN$DATE('20240230';2)", "20240230"},
  };
  for (const auto& c : cases) {
    ErrClear();
    EXPECT_EQ(Eval(c.text), std::string(10, ' ')) << c.text;
    EXPECT_EQ(ErrGet() & 0xFFFF, st::DATAOUTBOUND) << c.text;
    EXPECT_EQ(ErrDetail().Str(), c.detail) << c.text;
  }
  ErrClear();
  EXPECT_EQ(Eval("FN$DATE('';0)").size(), 8u);  // today
  EXPECT_EQ(ErrGet() & 0xFFFF, 0u);
}

}  // namespace
