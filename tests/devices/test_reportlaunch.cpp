// The report launch in batch mode: print jobs of a definition file, their
// rounds of limits and device answers, the record filter, the range, the
// specs it takes and refuses, and what it leaves as it found it.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "data/store/openstate.h"
#include "devices/launch_fixture.h"
#include "devices/reportlaunch.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "screens/forms/accept.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/menus/menucmd.h"
#include "screens/datascreens/reportcalls.h"
#include "screens/window/screenprops.h"
#include "screens/window/winlist.h"
#include "screens/window/winrecord.h"
#include "script/objparams.h"
#include "script/procedures.h"
#include "script/taskhooks.h"

namespace {

class ReportLaunchTest : public LaunchTest {
 protected:
  void SetUp() override {
    LaunchTest::SetUp();
    ASSERT_NO_FATAL_FAILURE(AddClients(6));
    Definition("LIST.PDC", "01001\\\\\\\\\\\\<19>CODE{1}\n");
    Definition("AUX.PDC", "01001\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\<17>_$(31)\n");
    WriteFile(Path("JOBS.PPN"),
              "; print jobs of the tests\r\n"
              "01 DOCNAME$:'LIST.PDC'\r\n"
              "01 ACBOUND$:\"'From:':'A6':f$,'To:':'A6':t$\"\r\n"
              "02 DOCNAME$:'LIST.PDC'\r\n"
              "02 ACBOUND$:\"'Name:':'A20':NAME{1}==\"\r\n"
              "02 LIMITS$:\"'',''\"\r\n"
              "03 DOCNAME$:'LIST.PDC'\r\n"
              "03 OPEN$:'NOSUCH'\r\n"
              "04 DOCNAME$:'AUX.PDC'\r\n"
              "04 AUXLOAD$:'MISSING.PPN;6'\r\n"
              "05 DOCNAME$:'AUX.PDC'\r\n"
              "05 DEVICE$:'aux.txt,LP:0'\r\n"
              "05 AUXLOAD$:'JOBS.PPN;6,JOBS.PPN;7'\r\n"
              "06 TITLE$:'aux'\r\n"
              "07 WD:30\r\n"
              "08 DOCNAME$:'CALC.PDC;calc.prc'\r\n"
              "09 DOCNAME$:'CALC.PDC;nothere.prc'\r\n"
              "10 DOCNAME$:'LIST.PDC'\r\n"
              "10 OPEN$:'CLIENTS'\r\n");
    VarSysIntSet(kSysSysCompat, 4);
  }
  void TearDown() override {
    EXPECT_EQ(VarSysIntGet(kSysSysCompat), 4);
    EXPECT_EQ(DynStrCount(ObjParamsList), 0u);
    LaunchTest::TearDown();
  }
};

TEST_F(ReportLaunchTest, APrintJobAsksItsLimitsAndDeviceUntilTheFormIsCancelled) {
  Input({"'C02','C04'", "list.txt /LP:0", "'C06','C06'", "list.txt /LP:0", "\x1B", "next"});
  EXPECT_EQ(ReportCommand(S("JOBS,1")), 0);
  EXPECT_EQ(Read("list.txt"), "C02   \r\nC03   \r\nC04   \r\nC06   \r\n");
  EXPECT_EQ(InputRest(), "next");
  EXPECT_FALSE(Shown("DevSel"));
  EXPECT_FALSE(Shown("Dialogx"));
  // A cancelled device choice ends the rounds too.
  Input({"'C01','C01'", "\x1B", "next"});
  EXPECT_EQ(ReportCommand(S("JOBS,1")), 0);
  EXPECT_EQ(InputRest(), "next");
  EXPECT_EQ(Read("list.txt"), "C02   \r\nC03   \r\nC04   \r\nC06   \r\n");
}

TEST_F(ReportLaunchTest, TheFilterIsTheFormsSearchConditionAndAnEmptyRangeIsSaid) {
  Input({"'Client 3*'", "cond.txt /LP:0", "\x1B"});
  EXPECT_EQ(ReportCommand(S("JOBS,2")), 0);
  EXPECT_EQ(Read("cond.txt"), "C03   \r\n");
  // Nothing in the range: the status box, the device never asked, the form
  // asked again; the box said it, so the launch answers 0 (no second box
  // from the menu).
  Input({"'X','Z'", "\x1B", "never.txt"});
  hl->answer(ui::IDOK, "Out of Data");
  EXPECT_EQ(ReportCommand(S("JOBS,1")), 0);
  EXPECT_EQ(hl->boxes().size(), 1u);
  EXPECT_EQ(InputRest(), "never.txt");
}

TEST_F(ReportLaunchTest, TheSpecDecidesThePath) {
  struct Case {
    const char* spec;
    Status want;
    const char* detail;
    bool device;  // the device is asked first
  } cases[] = {
      {"X,3", st::FILENOTFOUND, "X.PPN", false},
      {"JOBS,99", st::FILENOTFOUND, "JOBS.PPN (tag 99)", false},
      {"A,3,B", st::SINTAXERROR, "A,3,B", false},
      {"A,B,C,D,E", st::FILENOTFOUND, "A.PAN", false},  // the accept window of screen A (no layout)
      {"JOBS,3", st::FILEOPENING, "NOSUCH", false},                  // OPEN$ fails: nothing pushed
      {"JOBS,4", st::FILENOTFOUND, "MISSING.PPN", true},
      {"JOBS,9", st::FILENOTFOUND, "nothere.prc", false},  // the report's procedure
  };
  const uint32_t states = DynStrCount(33);
  for (const Case& c : cases) {
    if (c.device) Input({"aux.txt", "next"});
    else Input({"next"});
    ErrClear();
    EXPECT_EQ(ReportCommand(S(c.spec)), c.want) << c.spec;
    EXPECT_EQ(ErrDetail().Str(), c.detail) << c.spec;
    EXPECT_EQ(InputRest(), "next") << c.spec;
    EXPECT_EQ(DynStrCount(33), states) << c.spec;
  }
  // A report spec: its range and the file to open, the device from INPUT.
  Input({"spec.txt /LP:0"});
  EXPECT_EQ(ReportCommand(S("LIST,C02,C03 FILE:1")), 0);
  EXPECT_EQ(Read("spec.txt"), "C02   \r\nC03   \r\n");
  EXPECT_EQ(DynStrCount(33), states);
}

// Files that cannot be opened stop the launch and leave the open state as
// it was: nothing pushed, nothing asked.
TEST_F(ReportLaunchTest, AnOpenStateThatFailsIsTakenBack) {
  std::string data;
  {
    const StrAreaScope scope;
    data = DataFileName(1, 2).Str();
  }
  std::replace(data.begin(), data.end(), '\\', '/');
  ASSERT_EQ(DataFileClose(1), 0);
  ASSERT_EQ(std::rename(data.c_str(), (data + ".away").c_str()), 0) << data;
  ASSERT_EQ(mkdir(data.c_str(), 0700), 0);  // in the data file's place
  const uint32_t states = DynStrCount(OpenFileStatesList);
  Input({"next"});
  Status s = ReportCommand(S("JOBS,10"));
  EXPECT_GE(s, 128);
  EXPECT_EQ(DynStrCount(OpenFileStatesList), states);
  EXPECT_EQ(InputRest(), "next");
  ASSERT_EQ(rmdir(data.c_str()), 0);
  ASSERT_EQ(std::rename((data + ".away").c_str(), data.c_str()), 0);
  ASSERT_LT(DataFileOpen(1, dfopen::kMakeCurrent), 128);
}

// A job with a limits form but nothing to ask it with runs once; it does
// not print the same range for ever.
TEST_F(ReportLaunchTest, WithoutALimitsDialogAJobRunsOnce) {
  ASSERT_EQ(ParmStrPush(S("JOBS.PPN"), 1, 1), 0);
  const StrValue none = S("");
  EXPECT_EQ(ReportStart(S("once.txt /LP:0"), S("LIST"), none, none, S("C01,C02"), 0, nullptr, nullptr, nullptr), 0);
  ParmStrPop();
  EXPECT_EQ(Read("once.txt"), "C01   \r\nC02   \r\n");
}

TEST_F(ReportLaunchTest, TheFormAskedFirstRunsTheJobOnceFromItsCallback) {
  Input({"'C05','C05'", "first.txt /LP:0", "next"});
  EXPECT_EQ(ReportLaunch(S("JOBS,1"), kLaunchFormFirst), 0);
  EXPECT_EQ(Read("first.txt"), "C05   \r\n");
  EXPECT_EQ(InputRest(), "next");
  Input({"\x1B", "next"});
  EXPECT_EQ(ReportLaunch(S("JOBS,1"), kLaunchFormFirst), 0);
  EXPECT_EQ(InputRest(), "next");
  // The job filters by the condition of the form it was given.
  Input({"'Client 4*'", "cond.txt /LP:0", "next"});
  EXPECT_EQ(ReportLaunch(S("JOBS,2"), kLaunchFormFirst), 0);
  EXPECT_EQ(Read("cond.txt"), "C04   \r\n");
  EXPECT_EQ(InputRest(), "next");
}

// By a person: the form's Ok runs the job (the DEV entry asking the device
// string), its Esc runs nothing.
TEST_F(ReportLaunchTest, ByAPersonTheFormAskedFirstRunsTheJobOnOkOnly) {
  Script("wait-top title=\"Report Limits Capture\"\ntype \"C05\"\nkey Tab\ntype \"C06\"\nclick \"Ok\"\n"
         "wait-top class=DevSel\ncombo-select 3500 11\nclick \"Ok\"\nwait-top title=\"Device Selection\"\n"
         "type \"person.txt /LP:0\"\nclick \"Ok\"\n");
  EXPECT_EQ(ReportLaunch(S("JOBS,1"), kLaunchFormFirst), 0) << ErrDetail().Str();
  EXPECT_EQ(Read("person.txt"), "C05   \r\nC06   \r\n");
  EXPECT_EQ(hl->steps_left(), 0u);
  Script("wait-top title=\"Report Limits Capture\"\nkey Esc\n");
  EXPECT_EQ(ReportLaunch(S("JOBS,1"), kLaunchFormFirst), 0);
  EXPECT_EQ(hl->steps_left(), 0u);
  EXPECT_EQ(Read("person.txt"), "C05   \r\nC06   \r\n");
  EXPECT_EQ(WinCount(), 0);
}

TEST_F(ReportLaunchTest, AuxiliaryLinesAreTheRunsParametersAndDeviceCommasAreOptions) {
  VarSysIntSet(kSysCurFil, 0);
  Input({"next"});
  EXPECT_EQ(ReportCommand(S("JOBS,5")), 0);
  EXPECT_EQ(Read("aux.txt"), "TITLE$:'aux':WD:30\r\n");
  EXPECT_EQ(InputRest(), "next");
}

TEST_F(ReportLaunchTest, TheReportsProcedureServesItsRunAndIsReleased) {
  Definition("CALC.PDC", "01001\\\\\\\\\\\\<19>EXEC$('TWICE')\n");
  WriteFile(Path("calc.prc"), "DEF_FN TWICE\r\nFN$TRIM(CODE{1})+FN$TRIM(CODE{1})\r\n");
  const uint16_t programs = PrcCount();
  Input({"calc.txt /LP:0"});
  EXPECT_EQ(ReportCommand(S("JOBS,8")), 0) << ErrDetail().Str();
  EXPECT_EQ(Read("calc.txt").substr(0, 16), "C01C01\r\nC02C02\r\n");
  EXPECT_EQ(PrcCount(), programs);
}

// An accept window's document exit: the screen's own parameters, its
// fields 1 and 2 the range.
TEST_F(ReportLaunchTest, FromAScreenTheRangeIsItsFirstTwoFields) {
  WriteFile(Path("FR.PPN"), "01 FD$:F,T\r\n01 DOCNAME$:'LIST.PDC'\r\n01 DOC$:'LIST.PDC,C01,C02'\r\n");
  WriteFile(Path("FR.PAN"), "01 10105000006A\r\n01 10205000006A\r\n");
  ASSERT_NE(WinClassCreate(S("TstScreen"), S("screen"), 0, 0, 0, 800, 600, 0, nullptr), 0u);
  ASSERT_EQ(ScreenCreate(S("FR"), S("FR"), 1, 0, S("")), 0);
  ASSERT_EQ(ScreenSetWin(0), 0);
  ASSERT_EQ(FieldPut(0, 1, S("C03")), 0);
  ASSERT_EQ(FieldPut(0, 2, S("C05")), 0);
  Input({"scr.txt /LP:0"});
  EXPECT_EQ(ReportLaunchRunCall(kLaunchFromScreen), 0);
  EXPECT_EQ(Read("scr.txt"), "C03   \r\nC04   \r\nC05   \r\n");
  // The screen's print (PRN): its DOC$, the range of DOC$.
  Input({"doc.txt /LP:0"});
  {
    const StrAreaScope scope;
    EXPECT_EQ(ReportScreenPrint(ScreenProp(17, 0)), 0);
    EXPECT_EQ(ReportScreenPrint(S(" ")), st::FILENOTFOUND);
  }
  EXPECT_EQ(Read("doc.txt"), "C01   \r\nC02   \r\n");
  EXPECT_EQ(InputRest(), "<end>");
  EXPECT_EQ(ScreenWinClose(-1), 0);
}

// An accept window whose form names a report: its confirmation runs the
// form's job through the document exit, its two fields the range. A form without DOCNAME$ (its exit named by
// ACCEPT_PRC%) says "Not defined" and asks nothing.
TEST_F(ReportLaunchTest, AnAcceptWindowsDocumentExitRunsTheFormsReport) {
  const TaskHookSwap exit(TaskFn(AcceptDocExit), kHookExitDocument);
  const AcceptDocFn before = AcceptDocHookSet(ReportAcceptLaunch);
  WriteFile(Path("FRM.PPN"), "01 FD$:_F$,_T$\r\n01 SCREENSIZE$:'40,6'\r\n01 DOCNAME$:'LIST.PDC'\r\n01 OPEN$:'CLIENTS'\r\n");
  WriteFile(Path("FRM.PAN"), "01 00302From\r\n01 10312000006A\r\n01 00402To\r\n01 10412000006A\r\n");
  WriteFile(Path("NODOC.PPN"), "01 FD$:_F$,_T$\r\n01 SCREENSIZE$:'40,6'\r\n01 ACCEPT_PRC%:5\r\n");
  WriteFile(Path("NODOC.PAN"), "01 00302From\r\n01 10312000006A\r\n01 00402To\r\n01 10412000006A\r\n");
  ASSERT_NE(WinClassCreate(S("TstScreen"), S("screen"), 0, 0, 0, 800, 600, 0, nullptr), 0u);
  const int windows = WinCount();
  Input({"'C02','C04'", "acc.txt /LP:0", "next"});
  EXPECT_EQ(AcceptCommand(S("FRM,0,0,0,0,0,0"), kAcceptRunWindowMode), 0) << ErrDetail().Str();
  EXPECT_EQ(Read("acc.txt"), "C02   \r\nC03   \r\nC04   \r\n");
  EXPECT_EQ(InputRest(), "next");
  EXPECT_EQ(WinCount(), windows);  // a batch line confirms and closes

  Input({"'C02','C04'", "never.txt", "next"});
  hl->answer(ui::IDOK, "Not defined");
  AcceptCommand(S("NODOC,0,0,0,0,0,0"), kAcceptRunWindowMode);
  EXPECT_EQ(hl->boxes().size(), 1u);
  EXPECT_EQ(InputRest(), "never.txt");
  EXPECT_EQ(WinCount(), windows);
  AcceptDocHookSet(before);
}

// The screens' hooks reach the launch once start-up registered them.
TEST_F(ReportLaunchTest, TheScreensReachTheLaunchThroughTheirHooks) {
  Input({"hook.txt /LP:0", "\x1B"});
  EXPECT_EQ(ReportStartCall(S(""), S("LIST"), S(""), S(""), S("C04,C05"), 0), 0);
  EXPECT_EQ(Read("hook.txt"), "C04   \r\nC05   \r\n");
  {
    const SysCompatKeep keep;  // the caller keeps `_SYSCOMPAT` around the choice
    const StrAreaScope scope;
    EXPECT_EQ(DevSelectCall(S("")).Str(), "");
  }
  EXPECT_EQ(InputRest(), "<end>");
}

}  // namespace
