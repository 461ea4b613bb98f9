#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

#include "platform/host/signals.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/valtables.h"
#include "script/evaluator.h"
#include "script/handlers.h"
#include "script/procedures.h"
#include "script/taskhooks.h"
#include "prc_fixture.h"

namespace {

struct FlowCase {
  const char* id;
  const char* source;
  const char* check;  // an expression that must be 1 afterwards
};

// "_SOFT" reads as the soft status 125.
StrValue SoftValue(StrValue name, int) { return name.View() == "_SOFT" ? StrErr(125) : StrErr(163); }

TEST_F(PrcTest, ControlStatementsRunTheirBlocks) {
  const FlowCase cases[] = {
      {"goto-loop", "i=0\n; remark\n# remark\n/ remark\n:top more ignored\ni=i+1\nIF i<5\nGOTO top\nENDIF\n", "i==5"},
      {"gosub-return", "n=0\nGOSUB add\nGOSUB add\nEND\n:add\nn=n+10\nRETURN\n", "n==20"},
      {"if-else-true", "x=1\nIF x==1\ny=10\nELSE\ny=20\nENDIF\n", "y==10"},
      {"if-else-false", "x=2\nIF x==1\ny=10\nELSE\ny=20\nENDIF\n", "y==20"},
      {"if-false", "x=2\nIF_FALSE x==1\ny=7\nENDIF\n", "y==7"},
      {"if-true-skips", "y=1\nIF_TRUE 0\ny=7\nENDIF\n", "y==1"},
      {"do-while", "i=0\nDO_WHILE i<7\ni=i+1\nLOOP\n", "i==7"},
      {"do-until", "i=0\nDO_UNTIL i>=4\ni=i+1\nLOOP\n", "i==4"},
      {"do-loop-until", "i=0\nDO\ni=i+1\nLOOP_UNTIL i==3\n", "i==3"},
      {"do-loop-while", "i=0\nDO\ni=i+1\nLOOP_WHILE i<6\n", "i==6"},
      {"if-closed-by-loop", "i=0\nIF i<9\ni=i+1\nLOOP\n", "i==9"},
      {"nested", "s=0\ni=0\nDO_WHILE i<3\nj=0\nDO_WHILE j<4\nIF j==1\ns=s+10\nELSE\ns=s+1\nENDIF\nj=j+1\nLOOP\ni=i+1\nLOOP\n",
       "s==39"},
      {"any-case-and-tab", "i=0\n:a\ni=i+1\nif\ti<3\n  goto a\nEndIf\n", "i==3"},
      {"return-empty-ends", "i=1\nRETURN\ni=2\n", "i==1"},
      {"end-stops", "i=1\nEND\ni=2\n", "i==1"},
      {"crlf", "i=0\r\nDO_WHILE i<2\r\ni=i+1\r\nLOOP\r\n", "i==2"},
      {"label-past-end", "i=1\nGOTO out\ni=2\n:out\n", "i==1"},
      {"macro-expression", "w$='abc'\ns$='x[w$]'\n", "s$=='xabc'"},
      {"macro-condition", "w$='1'\ny=0\nIF [w$]==1\ny=5\nENDIF\n", "y==5"},
      {"macro-call", "e$='INC'\nv=1\nCALL [e$],,0\nGOTO d\nDEF_FN INC\nv=v+1\n:d\n", "v==2"},
      {"call-local-0-keeps", "CALL MK,,0\nGOTO e\nDEF_FN MK\nmade=4\n:e\n", "made==4"},
      {"call-local-empty-drops", "CALL MK,,\nGOTO e\nDEF_FN MK\nmade2=4\n:e\n", "made2==0"},
      {"soft-status-goes-on", "i=1\n_SOFT\ni=2\n", "i==2"},
  };
  TaskHookSet(&SoftValue, kHookValue);
  for (const FlowCase& c : cases) {
    EXPECT_EQ(Run(c.source), 0) << c.id << ": " << Detail();
    EXPECT_EQ(Int(c.check), 1) << c.id;
  }
}

TEST_F(PrcTest, FilesWithoutStatementsEndAtOnce) {
  EXPECT_EQ(Run("; only remarks\n:label\n\n   \nDEF_FN ENTRY\n"), 0);
  EXPECT_EQ(Run(""), 0);
}

struct ErrorCase {
  const char* id;
  const char* source;
  Status status;
  const char* detail;  // a fragment of the error detail
};

TEST_F(PrcTest, CompileAndRunErrorsSayWhere) {
  std::string seventeen, nested65 = "GOSUB a\n:a\nn=n+1\nGOSUB a\n", labels;
  for (int i = 0; i < 17; ++i) seventeen += "IF 1\n";
  for (int i = 0; i < 17; ++i) seventeen += "ENDIF\n";
  for (int i = 0; i < 129; ++i) labels += ":l" + std::to_string(i) + "\n";
  const ErrorCase cases[] = {
      {"undefined-label", "i=1\nGOTO nowhere\n", 147, "\r\nLabel 'nowhere' in line 2 (+ remmarks) not found"},
      {"label-case-matters", ":Top\nGOTO top\n", 147, "Label 'top'"},
      {"closer-without-opener", "i=1\n; x\nENDIF\n", 147,
       "\r\nFinal of Conditional or loop without \r\nBegin (Loop, Endif...) in line 2 (+ remmarks)"},
      {"opener-without-closer", "i=1\nIF i==2\ni=3\n", 147, "without \r\nFinal (Loop, Endif...) in line 2 (+ remmarks)"},
      {"seventeen-blocks", seventeen.c_str(), 145, ""},
      {"too-many-labels", labels.c_str(), 145, "l128"},
      {"gosub-depth", nested65.c_str(), 145, "Line: 3 (+ remmarks):\r\n a"},
      {"error-in-third", "a=1\n; remark\n:lbl\nb=2\n\n# remark\nc=1+'x'\n", 128, "Line: 3 (+ remmarks):\r\n c=1+'x'"},
      {"unknown-entry", "CALL NOSUCH\n", 147, "NOSUCH"},
      {"no-handler", "i=1\nMESSAGE 'hi'\n", 148, "Line: 2 (+ remmarks):\r\nMESSAGE 'hi'"},
      {"localvars-array", "LOCALVARS a(\n", 128, "a("},
      // Arguments travel as raw bytes: their kind must fit the name.
      {"localvars-number-into-string", "CALL S,,1 5\nGOTO e\nDEF_FN S\nLOCALVARS s$\n:e\n", 128,
       "Line: 3 (+ remmarks):\r\n s$"},
      {"localvars-text-into-number", "CALL S,,1 'abcdefgh'\nGOTO e\nDEF_FN S\nLOCALVARS n\n:e\n", 128,
       "Line: 3 (+ remmarks):\r\n n"},
  };
  for (const ErrorCase& c : cases) {
    EXPECT_EQ(Run(c.source), c.status) << c.id;
    EXPECT_EQ(ErrGet() & 0xffff, c.status) << c.id;
    EXPECT_NE(Detail().find(c.detail), std::string::npos) << c.id << ": " << Detail();
  }
}

TEST_F(PrcTest, ErrorModulesAndMissingFile) {
  EXPECT_EQ(Run("GOTO x\n"), 147);
  EXPECT_EQ(ErrGet() >> 16, MOD_EXEC_COMPILER);
  EXPECT_EQ(Run("MESSAGE 1\n"), 148);
  EXPECT_EQ(ErrGet() >> 16, MOD_MALLOC_MEMACUMS);
  ErrClear();
  EXPECT_EQ(PrcCall(S(""), S(dir_.File("NONE.PRC")), 0), st::FILENOTFOUND);
  EXPECT_NE(Detail().find("NONE.PRC"), std::string::npos);
  ExpectBalanced();
  EXPECT_EQ(Run(std::string("i=1\n\ni=2\0x\n", 11)), st::SINTAXERROR);
  EXPECT_NE(Detail().find("NUL byte in line 3"), std::string::npos) << Detail();
  // A file larger than the line queue can hold is refused whole.
  std::string big;
  for (int i = 0; i < 3000; ++i) big += "i=i+1\n";
  EXPECT_EQ(Run(big), st::STROUTBOUND);
}

// A procedure file with entries called from the main part.
const char kCallee[] =
    "DEF_FN SUB\n"
    "LOCALVARS n,s$\n"
    "seen=n\n"
    "got$=s$\n"
    "fresh=99\n"
    "kept=kept+1\n"
    "END\n"
    "DEF_FN FACT\n"
    "LOCALVARS k\n"
    "GOSUB mul\n"
    "IF k>1\n"
    "CALL FACT,,0 k-1\n"
    "back=back+1\n"
    "ENDIF\n"
    "END\n"
    ":mul\n"
    "f=f*k\n"
    "RETURN\n";

TEST_F(PrcTest, CallPassesArgumentsAndDropsNewVariables) {
  std::string main = std::string("kept=1\nseen=0\ngot$=''\nCALL SUB,,1 5.4,'x'\nafter=1\nGOTO done\n") + kCallee + ":done\n";
  ASSERT_EQ(Run(main), 0) << Detail();
  EXPECT_EQ(Int("seen"), 5);  // rounded into the integer
  EXPECT_EQ(Str("got$"), "x");
  EXPECT_EQ(Int("kept"), 2);   // existing variables are not shadowed
  EXPECT_EQ(Int("after"), 1);  // the caller resumed after its CALL
  EXPECT_EQ(VarLookup(S("fresh")).slot, kVarUndefined);
}

TEST_F(PrcTest, RecursiveCallIntoTheRunningFileResumesEachCaller) {
  // The caller is inside a GOSUB when it calls; each level uses GOSUB too.
  std::string main = std::string("f=1\nGOSUB go\nr=f\nGOTO done\n:go\nCALL FACT,,0 5\nRETURN\n") + kCallee + ":done\n";
  ASSERT_EQ(Run(main), 0) << Detail();
  EXPECT_EQ(Int("r"), 120);
  EXPECT_EQ(Int("back"), 4);  // each caller went on after its own CALL
}

TEST_F(PrcTest, CallWithAFileCompilesAndReleasesIt) {
  std::string other = Write("OTHER.PRC", "DEF_FN TWICE\nLOCALVARS v\nw=v*2\n");
  ASSERT_EQ(Run("CALL TWICE," + other + ",0 21\nz=w\n"), 0) << Detail();
  EXPECT_EQ(Int("z"), 42);
}

TEST_F(PrcTest, ArgumentStackIsCutBackWhateverTheCallDoes) {
  EXPECT_EQ(Run("CALL S,,1 1,2,3\nGOTO e\nDEF_FN S\nLOCALVARS a\n:e\n"), 147);
  EXPECT_NE(Detail().find("LOCALVARS"), std::string::npos);
  EXPECT_EQ(Run("CALL NOPE,,1 1,2,3\n"), 147);
  EXPECT_NE(Detail().find("NOPE"), std::string::npos);
}

TEST_F(PrcTest, CallsNestOnlyToTheLimit) {
  EXPECT_EQ(Run("DEF_FN R\nd=d+1\nCALL R\n"), st::OUTOFMEMORY);
  EXPECT_EQ(Int("d"), kPrcMaxDepth);
  EXPECT_NE(Detail().find("R"), std::string::npos);
}

TEST_F(PrcTest, ExecHandsTheResultBackOnListThirty) {
  std::string path = Write("E.PRC", "x$='no'\nDEF_FN RESULT\nx$='abc'\nx$+'d'\nIF 0\nENDIF\nEND\n");
  uint32_t before = DynStrCount(ResultsStack);
  ASSERT_EQ(PrcCall(S("RESULT"), S(path), kPrcCallExec | kPrcCallLocal), 0) << Detail();
  ASSERT_EQ(DynStrCount(ResultsStack), before + 1);
  EXPECT_EQ(DynStrTop(ResultsStack).Str(), "abcd");  // a condition is no result
  DynStrPop(ResultsStack);
  ExpectBalanced();
  // EXEC$'s side: task hook 1 (which every compile registers) with the
  // EXEC$ flag; the end of the file counts as END and a number comes back
  // as its text.
  std::string num = Write("N.PRC", "DEF_FN V\n6*7.5\n");
  uint16_t m = StrAreaMark(-1);
  EXPECT_EQ(PrcExecResult(S("V"), S(num)).Str(), "45");
  EXPECT_EQ(StrError(PrcExecResult(S("V"), S(path))), st::SINTAXERROR);  // no such entry there
  StrAreaMark(m);
  ExpectBalanced();
  TaskHooksReset();
  EXPECT_EQ(StrError(PrcExecResult(S("V"), S(num))), st::FEATUREREMOVED);
  EXPECT_EQ(Detail(), "EXEC$()");
}

TEST_F(PrcTest, RunSpecLoadsVariablesCompilesTheOthersAndReleasesAll) {
  Write("VARS.DAT", "base=40\n");
  Write("LIB.PRC", "DEF_FN INC\nLOCALVARS q\nres=q+2\n");
  Write("MAIN.PRC", "; main\nCALL INC,,0 base\nout=res\nDEF_FN START\nstarted=1\nCALL INC,,0 base\nout=res\n");
  std::string d = dir_.path() + "/";
  std::string spec = d + "MAIN.PRC;" + d + "LIB.PRC,START," + d + "VARS.DAT";
  ASSERT_EQ(ExpEvalStatus(S("started=0,out=0")), 0);
  ASSERT_EQ(PrcRunSpec(S(spec)), 0) << Detail();
  EXPECT_EQ(Int("base"), 40);  // loaded before the run, so kept
  EXPECT_EQ(Int("started"), 1);
  EXPECT_EQ(Int("out"), 42);
  EXPECT_EQ(VarLookup(S("res")).slot, kVarUndefined);  // created by the run: dropped
  ExpectBalanced();
  // A label-less spec runs from the top.
  ASSERT_EQ(ExpEvalStatus(S("started=0")), 0);
  ASSERT_EQ(PrcRunSpec(S(d + "MAIN.PRC;" + d + "LIB.PRC")), 0) << Detail();
  EXPECT_EQ(Int("started"), 1);
  EXPECT_EQ(PrcRunSpec(S(d + "MAIN.PRC,START," + d + "MISSING.DAT")), st::FILENOTFOUND);
  ExpectBalanced();
}

// --- Handlers ----------------------------------------------------------------

std::string g_seen;

Status LowHandler(uint16_t code, uint16_t count, const uint16_t* kinds, const int16_t* ints, const StrValue* strs) {
  if (code != kPrcLastHandler) {
    ExecArgs a;
    a.count = count;
    return ExecHandlerNext(0, code, a);
  }
  std::ostringstream out;
  for (uint16_t i = 0; i < count; ++i) out << kinds[i] << ":" << ints[i] << ":" << strs[i].View() << "|";
  g_seen = out.str();
  return 0;
}

Status HighHandler(uint16_t code, uint16_t, const uint16_t*, const int16_t*, const StrValue*) {
  if (code != 33) return ExecHandlerNext(3, code, ExecArgs{});  // MESSAGE
  g_seen = "high";
  return 0;
}

TEST_F(PrcTest, HandlerChainPassesCodesUpAndEndsInASyntaxError) {
  EXPECT_EQ(ExecHandlerSet(16, &LowHandler), nullptr);
  ASSERT_EQ(ExecHandlerSet(0, &LowHandler), &LowHandler);
  ASSERT_EQ(ExecHandlerSet(3, &HighHandler), &HighHandler);
  g_seen.clear();
  EXPECT_EQ(Run("MESSAGE 'x'\n"), 0);
  EXPECT_EQ(g_seen, "high");
  EXPECT_EQ(Run("i=1\nWAIT 5\n"), st::SINTAXERROR);
  EXPECT_NE(Detail().find("Line: 2 (+ remmarks):\r\nWAIT 5"), std::string::npos);
}

TEST_F(PrcTest, HandlerArgumentsArriveByKind) {
  ExecHandlerSet(0, &LowHandler);
  ASSERT_EQ(Run("v#=2.5\nSYSTEM -2.5+0,'a,b'+'c',,v#,FN$MIDS('xyz';2;1)\n"), 0) << Detail();
  EXPECT_EQ(g_seen, "0:-3:-2.50|1:0:a,bc|1:0:|0:3:2.50|1:0:y|");
  std::string many = "SYSTEM 1";
  for (int i = 0; i < 16; ++i) many += ",1";
  EXPECT_EQ(Run(many + "\n"), st::SINTAXERROR);
}

Status QuitHandler(uint16_t, uint16_t, const uint16_t*, const int16_t*, const StrValue*) {
  ui::post_quit(3);
  return 0;
}

TEST_F(PrcTest, AQuitTakenByThePollCancelsTheRun) {
  ExecHandlerSet(0, &QuitHandler);
  EXPECT_EQ(Run("i=1\nWAIT 1\ni=2\n"), st::USERCANCELED);
  EXPECT_EQ(Int("i"), 1);
  ui::Message m;
  ASSERT_TRUE(ui::peek(m));  // posted again for the loop that owns it
  EXPECT_EQ(m.msg, ui::WM_QUIT);
}

// Statements are compiled with the procedure; one whose macro expands to a
// new text on each pass is run as that text each time.
TEST_F(PrcTest, AStatementWhoseMacroChangesRunsItsNewTextEachPass) {
  ASSERT_EQ(Run("i=0\nt$=''\nDO_WHILE i<3\ni=i+1\nv[FN$MIDS('abc';i;1)]=i*10\nt$=t$+'[i*2]'\nLOOP\n"), 0) << Detail();
  EXPECT_EQ(Int("va+vb+vc"), 60);
  EXPECT_EQ(Str("t$"), "2.004.006.00");
}

// A slot resolved in one call is stale once the call's local variables are
// dropped: the caller's new variables take those slots. The callee's "w=x"
// reads x where it was resolved in the first call; in the second call x
// lies elsewhere, and the old slot holds the caller's z2.
TEST_F(PrcTest, DroppedLocalVariablesInvalidateResolvedSlots) {
  const char* source =
      "got=0\n"
      "CALL SUB,,1 1\n"
      "z1=98,z2=99\n"
      "CALL SUB,,1 2\n"
      "END\n"
      "DEF_FN SUB\n"
      "LOCALVARS n\n"
      "x=n\n"
      "w=x\n"
      "got=got*10+w\n"
      "IF n<2\n"
      "CALL SUB,,1 n+1\n"
      "ENDIF\n"
      "END\n";
  ASSERT_EQ(Run(source), 0) << Detail();
  EXPECT_EQ(Int("got"), 122);  // 1, then 2 inside it; then 2 again
  EXPECT_EQ(Int("x+w+n"), 0);  // dropped
  EXPECT_EQ(Int("z2"), 99);
}

// A cancel (here SIGINT) during a long loop of cheap statements is seen
// within 50 ms, although the runner looks at the queue only now and then.
TEST_F(PrcTest, ACancelStopsALongLoopWithin50Ms) {
  host::SignalsReset();
  host::SignalsInstall();
  std::atomic<int64_t> sentAt{0};
  std::thread canceller([&sentAt] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    sentAt = std::chrono::steady_clock::now().time_since_epoch().count();
    kill(getpid(), SIGINT);
  });
  Status s = Run("i#=0\n:top\ni#=i#+1\nIF i#<10000000\nGOTO top\nENDIF\n");
  int64_t endedAt = std::chrono::steady_clock::now().time_since_epoch().count();
  canceller.join();
  host::SignalsRestore();
  host::SignalsReset();
  EXPECT_EQ(s, st::USERCANCELED);
  EXPECT_LT(ExpEvalNum(S("i#")), 1000000000);  // it did not run to the end
  EXPECT_LT(std::chrono::nanoseconds(endedAt - sentAt), std::chrono::milliseconds(50));
}

TEST_F(PrcTest, TraceWritesOneLinePerStatement) {
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(dir_.path().c_str()), 0);
  VarSysIntSet(kSysTrace, 9);
  Status s = Run("i=0\nDO_WHILE i<1\ni=i+1\nLOOP\n");
  VarSysIntSet(kSysTrace, 1);
  std::ifstream in(dir_.File("PrcLog.txt"), std::ios::binary);
  std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(chdir(old), 0);
  EXPECT_EQ(s, 0);
  EXPECT_EQ(log, "1\t i=0\r\n2\tDO_WHILE i<1\r\n3\t i=i+1\r\n4\tLOOP \r\n2\tDO_WHILE i<1\r\n");
}

Status g_release = 0;
Status ReleaseWhileRunning(uint16_t, uint16_t, const uint16_t*, const int16_t*, const StrValue*) {
  g_release = PrcRelease(0);
  return 0;
}

TEST_F(PrcTest, ProgramTableRefusesBadReleases) {
  ExecHandlerSet(0, &ReleaseWhileRunning);
  EXPECT_EQ(Run("WAIT 1\ni=1\n"), 0);
  EXPECT_EQ(g_release, st::INTERNALERROR);  // a running program stays
  EXPECT_EQ(Int("i"), 1);
  std::string path = Write("A.PRC", "i=1\n");
  Status idx = PrcCompileFile(S(path));
  ASSERT_EQ(idx, 0);
  EXPECT_EQ(PrcFree(150, MOD_EXEC_COMPILER), 150);  // an error code passes through
  EXPECT_EQ(PrcFree(5, MOD_EXEC_COMPILER), st::INTERNALERROR);
  EXPECT_EQ(PrcFree(0, MOD_SCREENS), st::INTERNALERROR);  // wrong owner: kept
  EXPECT_EQ(PrcCount(), 1u);
  EXPECT_EQ(PrcRelease(0), 0);
  ExpectBalanced();
}

}  // namespace
