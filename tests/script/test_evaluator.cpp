#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/host/files.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/fixednum.h"
#include "runtime/messages.h"
#include "screens/menus/appconfig.h"
#include "script/arrays.h"
#include "script/evaluator.h"
#include "script/expfiles.h"
#include "script/taskhooks.h"
#include "eval_cases.h"
#include "var_helpers.h"

namespace {

// A raw number with exactly p decimals, "-" for negatives.
std::string Fixed(int64_t raw, int p) {
  std::string digits = std::to_string(raw < 0 ? -raw : raw);
  if (digits.size() <= static_cast<size_t>(p)) digits.insert(0, p + 1 - digits.size(), '0');
  if (p > 0) digits.insert(digits.size() - p, 1, '.');
  return (raw < 0 ? "-" : "") + digits;
}

// The outcome of a text as "n:<number with _PRECIS decimals>", "s:<text>" or
// "e:<status>"; the current result must be the one new slot of the area.
std::string Eval(const std::string& text) {
  uint16_t m = StrAreaMark(-1);
  Status s = ExpExecText(S(text));
  std::string out;
  if (s == 0 || s == 1) {
    EXPECT_EQ(StrAreaMark(-1), m + 1) << text;
    out = s == 0 ? "n:" + Fixed(NumFromBytes(StrAreaTop()), NumPrecis()) : "s:" + TopText();
  } else {
    EXPECT_EQ(StrAreaMark(-1), m) << text;
    out = "e:" + std::to_string(s);
  }
  StrAreaMark(m);
  return out;
}

void RunTable(const EvalCase* cases, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    ErrClear();
    EXPECT_EQ(Eval(cases[i].text), cases[i].want) << cases[i].id << ": " << cases[i].text;
  }
}

using EvalTest = VarTest;

TEST_F(EvalTest, OperatorsOnNumbers) {
  RunTable(kEvalNumberCases, std::size(kEvalNumberCases));
}

TEST_F(EvalTest, OperatorsOnStrings) {
  RunTable(kEvalStringCases, std::size(kEvalStringCases));
  ASSERT_EQ(ExpEvalStatus(S("_AUXSTAT=128")), 0);
  EXPECT_EQ(Eval("'ABCDEF'=='abc*'"), "n:0.00");
}

TEST_F(EvalTest, ErrorsStopTheText) {
  RunTable(kEvalErrorCases, std::size(kEvalErrorCases));
  EXPECT_EQ(VarIntGet(kSysPrecis), 2);
}

TEST_F(EvalTest, AnErrorIsRecordedWithTheRestOfTheFailingExpression) {
  EXPECT_EQ(Eval("x=1,y=('a'-'b'),z=3"), "e:147");
  EXPECT_EQ(ErrGet(), st::SINTAXERROR | (uint32_t{MOD_EXPEXEC} << 16));
  EXPECT_NE(ErrDetail().View().find("y=('a'-'b'),z=3"), std::string_view::npos) << ErrDetail().Str();
  EXPECT_EQ(Eval("x"), "n:1.00");  // expressions before the error ran
  EXPECT_EQ(Eval("z"), "n:0.00");  // and none after it
  ErrClear();
  EXPECT_EQ(Eval("99999999999*99999999999"), "e:168");
  EXPECT_NE(ErrDetail().View().find("99999999999*99999999999"), std::string_view::npos);
}

TEST_F(EvalTest, QuirksOfTheLanguageArePinned) {
  ASSERT_EQ(Eval("a=2,b=3,c=10"), "n:10.00");
  RunTable(kEvalQuirkCases, std::size(kEvalQuirkCases));
}

TEST_F(EvalTest, ConditionsAndTypedResults) {
  const struct {
    const char* text;
    Status want;
  } conds[] = {{"", 1}, {"2>1", 1}, {"0", 0}, {"0.01", 1}, {"'abc'", 0}, {"'a'-1", 128}};
  for (const auto& c : conds) EXPECT_EQ(ExpEvalCond(S(c.text)), c.want) << c.text;

  uint16_t m = StrAreaMark(-1);
  EXPECT_EQ(ExpEvalInt(S("2.5")), 3);
  EXPECT_EQ(ExpEvalInt(S("70000")), 4464);
  EXPECT_EQ(ExpEvalInt(S("'12'")), 12);
  EXPECT_EQ(ExpEvalInt(S("'a'-1")), 0);
  EXPECT_EQ(ExpEvalNum(S("1/4")), 25);
  EXPECT_EQ(StrAreaMark(-1), m);
  EXPECT_EQ(ExpEvalStr(S("1/3")).Str(), ".33");  // numbers as number texts
  EXPECT_EQ(ExpEvalStr(S("4/2")).Str(), "2");
  EXPECT_EQ(ExpEvalStr(S("'x'+'y'")).Str(), "xy");
  EXPECT_EQ(StrError(ExpEvalStr(S("'a'-1"))), st::TYPEMISMATCH);
  EXPECT_EQ(ExpEvalStatus(S("'a'-1")), st::TYPEMISMATCH);
  EXPECT_EQ(ExpEvalStatus(S("1+1")), 0);
  EXPECT_EQ(ExpEvalIfExpr(S("'a'+'b'")).Str(), "ab");
  EXPECT_EQ(ExpEvalIfExpr(S("3+4")).Str(), "3+4");
  EXPECT_EQ(ExpEvalIfExpr(S("Hello world")).Str(), "Hello world");
}

TEST_F(EvalTest, StringsStayWithin65535Bytes) {
  std::string half(40000, 'x');
  ASSERT_EQ(VarAssign(S("big$"), S(half)), 0);
  EXPECT_EQ(Eval("big$+big$"), "e:146");
}

TEST_F(EvalTest, NestingIsBounded) {
  auto nested = [](int n) { return std::string(n, '(') + "1" + std::string(n, ')'); };
  EXPECT_EQ(Eval(nested(150)), "n:1.00");
  EXPECT_EQ(Eval(nested(kExpMaxDepth + 1)), "e:147");
  EXPECT_EQ(Eval(std::string(30000, '(') + std::string(30000, ')')), "e:147");
  EXPECT_EQ(Eval("1" + std::string(300, '-') + "1"), "e:147");
}

TEST_F(EvalTest, ArrayElementsAreReadAndAssigned) {
  RunTable(kEvalArrayCases, std::size(kEvalArrayCases));
}

TEST_F(EvalTest, LabelArrayIsCreatedOnFirstAssignment) {
  ASSERT_EQ(VarAssign(S("_ACUMX$"), S("SALES,ASSETS")), 0);
  EXPECT_EQ(Eval("_#(3)=2.5"), "n:2.50");
  EXPECT_EQ(Eval("_#('ASSETS')=4"), "n:4.00");
  EXPECT_EQ(Eval("_#('NONE')=4"), "e:147");
  EXPECT_EQ(Eval("_#(5)='abcdefgh'"), "e:128");
  for (auto [index, want] : {std::pair<FixedNum, const char*>{300, "n:2.50"}, {100, "n:4.00"}}) {
    uint16_t m = StrAreaMark(-1);
    ASSERT_EQ(ArrElemRead(S("_#("), 1, &index, S("")), 0);
    EXPECT_EQ("n:" + Fixed(TopNum(), 2), want);
    StrAreaMark(m);
  }
}

// Task hook 2 answers "_" array terms; "not mine" (163) falls back to the array.
StrValue GridHook(StrValue name, int index) {
  if (name.View() != "_GRID") return StrErr(st::BADINPUTDATA);
  return index == 9 ? StrErr(st::SINTAXERROR) : StrFromCCopy(index == 1 ? "7.5" : "0");
}

TEST_F(EvalTest, UnderscoreArrayTermsAskTaskHook2) {
  ASSERT_EQ(TaskHookSet(&GridHook, kHookArrayTerm), kHookArrayTerm);
  const EvalCase cases[] = {
      {"hook-value", "_GRID(1)*2", "n:15.00"},
      {"hook-error", "_GRID(9)", "e:147"},
      {"not-mine", "_OTHER(1)=3,_OTHER(1)", "e:149"},
      {"not-mine-read", "_OTHER(2)", "n:0.00"},
  };
  RunTable(cases, std::size(cases));
}

TEST_F(EvalTest, SoftStatusesOfTermsDoNotStopTheText) {
  static StrValue (*const soft)(StrValue, int) = [](StrValue, int) { return StrErr(5); };
  ASSERT_EQ(TaskHookSet(soft, kHookArrayTerm), kHookArrayTerm);
  uint16_t m = StrAreaMark(-1);
  EXPECT_EQ(ExpExecText(S("_X(1)+2")), 5);
  EXPECT_EQ(NumFromBytes(StrAreaTop()), 200);
  StrAreaMark(m);
}

// --- Expression files -----------------------------------------------------

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class ExpFileTest : public VarTest {
 protected:
  void SetUp() override {
    VarTest::SetUp();
    ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, S(dir.path())), 0);
  }
  TempDir dir;
};

TEST_F(ExpFileTest, RunsEachLineOfAFileAlongTheDefaultDirectory) {
  WriteFile(dir.File("CONF.DAT"), "a=1\r\n\r\n  b$='x;y' , c#=2.5;\r\n;\nd=a+1\r\n");
  EXPECT_EQ(ExpExecFile(S("conf.dat"), 1), 0);
  EXPECT_EQ(Eval("a+d"), "n:3.00");
  EXPECT_EQ(Eval("b$"), "s:x;y");
  EXPECT_EQ(Eval("c#"), "n:2.50");
}

TEST_F(ExpFileTest, AMissingOrEmptyFileIsAnErrorOnlyWhenAskedFor) {
  WriteFile(dir.File("EMPTY.DAT"), "");
  for (const char* name : {"NONE.DAT", "EMPTY.DAT"}) {
    ErrClear();
    EXPECT_EQ(ExpExecFile(StrFromC(name), 0), 0) << name;
    EXPECT_EQ(ExpExecFile(StrFromC(name), 1), st::FILENOTFOUND) << name;
    EXPECT_EQ(ErrDetail().Str(), name);
  }
}

// A file that runs itself stops at the nesting limit with its own code and
// the file's name, not as a file that is missing; one level less runs.
TEST_F(ExpFileTest, AFileRunningItselfStopsAtTheDepthLimit) {
  WriteFile(dir.File("SELF.DAT"), "n=n+1,x$=EXEC$('SELF.DAT')\n");
  ErrClear();
  EXPECT_EQ(ExpExecFile(S("SELF.DAT"), 1), st::OUTOFMEMORY);
  EXPECT_NE(ErrDetail().View().find("SELF.DAT: expression files nested deeper than"), std::string_view::npos)
      << ErrDetail().Str();
  EXPECT_EQ(Eval("n"), "n:" + std::to_string(kExpFileMaxDepth) + ".00");
  WriteFile(dir.File("DOWN.DAT"), "d=d-1,x$=CHK$(d>0;EXEC$('DOWN.DAT');'')\n");
  ErrClear();
  ASSERT_EQ(Eval("d=" + std::to_string(kExpFileMaxDepth)), "n:" + std::to_string(kExpFileMaxDepth) + ".00");
  EXPECT_EQ(ExpExecFile(S("DOWN.DAT"), 1), 0) << ErrDetail().Str();
}

TEST_F(ExpFileTest, TheFirstFailingLineStopsTheFile) {
  WriteFile(dir.File("BAD.DAT"), "a=1\nb='x'-'y'\nc=3\n");
  EXPECT_EQ(ExpExecFile(S("BAD.DAT"), 1), st::SINTAXERROR);
  EXPECT_NE(ErrDetail().View().find("b='x'-'y'"), std::string_view::npos);
  EXPECT_EQ(Eval("a*10+c"), "n:10.00");
}

TEST_F(ExpFileTest, SavedVariablesReadBackUnchangedAndOnce) {
  std::string path = dir.File("VARS.DAT");
  WriteFile(path, "a=1;b$='x',a=2\r\nt$='old'\r\n");
  ASSERT_EQ(ExpEvalStatus(S("c=5,q$=\"it's \"+'\"x\"'+.lf$+'z'")), 0);
  ASSERT_EQ(ExpVarsSaveFile(S("vars.dat"), S("b$;'y',c,q$")), 0);
  EXPECT_EQ(ReadFile(path), "b$='y'\r\nc=5\r\nq$=\"it's \"+'\"x\"'+.lf$+'z'\r\na=2\r\nt$='old'\r\n");
  ASSERT_EQ(ExpEvalStatus(S("b$='',c=0,q$='',a=0")), 0);
  ASSERT_EQ(ExpExecFile(S("VARS.DAT"), 1), 0);
  EXPECT_EQ(Eval("b$"), "s:y");
  EXPECT_EQ(Eval("c*10+a"), "n:52.00");
  EXPECT_EQ(Eval("q$"), "s:it's \"x\"\r\nz");
}

TEST_F(ExpFileTest, AFailedSaveLeavesTheOldFile) {
  std::string path = dir.File("VARS.DAT");
  WriteFile(path, "a=1\r\n");
  EXPECT_EQ(ExpVarsSaveFile(S("VARS.DAT"), S("b;'x'-'y'")), st::SINTAXERROR);
  EXPECT_EQ(ReadFile(path), "a=1\r\n");
  host::FaultArm(host::FaultOp::Rename, 1, EIO);
  EXPECT_GE(ExpVarsSaveFile(S("VARS.DAT"), S("a;7")), 128);
  host::FaultClear();
  EXPECT_EQ(ReadFile(path), "a=1\r\n");
}

std::string g_hookText;

TEST_F(EvalTest, CallsATextHookByNumber) {
  static Status (*const hook)(StrValue) = [](StrValue t) {
    g_hookText = t.Str();
    return Status{7};
  };
  ASSERT_EQ(TaskHookSet(hook, 9), 9);
  EXPECT_EQ(ExpCallHook(S("9,hello;x")), 7);
  EXPECT_EQ(g_hookText, "hello;x");
  EXPECT_EQ(ExpCallHook(S("24:x")), 0);
  EXPECT_EQ(ExpCallHook(S("30,x")), st::SINTAXERROR);
  EXPECT_EQ(ExpCallHook(S("x")), st::SINTAXERROR);
}

TEST_F(EvalTest, DefinesOneVariablePerDataFile) {
  ASSERT_EQ(DynStrSet(FileNamesList, 0, S("cust")), 0);
  ASSERT_EQ(DynStrSet(FileNamesList, 1, S("ORDERS")), 0);
  EXPECT_EQ(VarFileNumsDefine(), 0);
  EXPECT_EQ(Eval("CUST*10+ORDERS"), "n:12.00");
}

TEST_F(ExpFileTest, LanguageVariablesTakeCatalogueTextsAsTheyAre) {
  MsgCatalogReset();
  ASSERT_EQ(DynStrSet(SettingsList, SetIdentityItem, S("COVCQT24:Orbisquale")), 0);
  WriteFile(dir.File("COLANGVARS.DAT"), "TITLE$=0005\r\n=0009\r\nQ$=1999 it's \"1\"+x\r\nN#=1998 12.5\r\n");
  EXPECT_EQ(LangVarsLoad(), 0);
  EXPECT_EQ(Eval("TITLE$"), "s:" + Msg("0005").Str());
  EXPECT_EQ(Eval("Q$"), "s:it's \"1\"+x");
  EXPECT_EQ(Eval("N#"), "n:12.50");
  MsgCatalogReset();
}

TEST_F(ExpFileTest, TheConfigurationListRunsFilesInOrderUntilOneFails) {
  WriteFile(dir.File("A.DAT"), "a=1,b=1");
  WriteFile(dir.File("B.DAT"), "b=2");
  EXPECT_EQ(PrcRunList(S("A.DAT,NONE.DAT,B.DAT;1")), 0);
  EXPECT_EQ(Eval("a*10+b"), "n:12.00");  // the later file wins
  EXPECT_EQ(PrcRunList(S("A.DAT,NONE.DAT;1,B.DAT")), st::FILENOTFOUND);
  EXPECT_EQ(Eval("b"), "n:1.00");  // B.DAT did not run
}

TEST_F(ExpFileTest, StatusOperationsLeaveTheStringAreaAsTheyFoundIt) {
  WriteFile(dir.File("A.DAT"), "a=1");
  WriteFile(dir.File("BAD.DAT"), "a=1\r\nb=(");
  struct Row {
    const char* id;
    Status (*call)();
    Status want;
  };
  static const Row kRows[] = {
      {"eval-status", [] { return ExpEvalStatus(S("a=2*3")); }, 0},
      {"eval-status-error", [] { return ExpEvalStatus(S("a=(")); }, st::LOOPFAILURE},
      {"eval-cond", [] { return ExpEvalCond(S("1<2")); }, 1},
      {"exec-file", [] { return ExpExecFile(S("A.DAT"), 1); }, 0},
      {"exec-file-missing", [] { return ExpExecFile(S("NONE.DAT"), 1); }, st::FILENOTFOUND},
      {"exec-file-error", [] { return ExpExecFile(S("BAD.DAT"), 1); }, st::LOOPFAILURE},
      {"config-list-error", [] { return PrcRunList(S("A.DAT,NONE.DAT;1")); }, st::FILENOTFOUND},
      {"lang-vars", [] { return LangVarsLoad(); }, 0},
  };
  for (const Row& r : kRows) {
    ErrClear();
    EXPECT_EQ(AreaBalanced(r.call, r.id), r.want) << r.id;
  }
}

}  // namespace
