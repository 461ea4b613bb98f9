// The report launch in batch mode: print jobs of a definition file, their
// rounds of limits and device answers, the record filter, the range, the
// specs it takes and refuses, and what it leaves as it found it.
#include <string>

#include "data/openstate.h"
#include "devices/launch_fixture.h"
#include "devices/reportlaunch.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "screens/reportcalls.h"

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
              "07 WD:30\r\n");
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
  // Nothing in the range: the status box, the device never asked.
  Input({"'X','Z'", "never.txt"});
  hl->answer(ui::IDOK, "Out of Data");
  EXPECT_EQ(ReportCommand(S("JOBS,1")), st::OUTOFDATA);
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
      {"JOBS,9", st::FILENOTFOUND, "JOBS.PPN (tag 9)", false},
      {"A,3,B", st::SINTAXERROR, "A,3,B", false},
      {"A,B,C,D,E", st::FEATUREREMOVED, "AcceptWinCommand", false},  // the accept-form command
      {"JOBS,3", st::FILEOPENING, "NOSUCH", false},                  // OPEN$ fails: nothing pushed
      {"JOBS,4", st::FILENOTFOUND, "MISSING.PPN", true},
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

TEST_F(ReportLaunchTest, TheFormAskedFirstRunsTheJobOnceFromItsCallback) {
  Input({"'C05','C05'", "first.txt /LP:0", "next"});
  EXPECT_EQ(ReportLaunch(S("JOBS,1"), kLaunchFormFirst), 0);
  EXPECT_EQ(Read("first.txt"), "C05   \r\n");
  EXPECT_EQ(InputRest(), "next");
  Input({"\x1B", "next"});
  EXPECT_EQ(ReportLaunch(S("JOBS,1"), kLaunchFormFirst), 0);
  EXPECT_EQ(InputRest(), "next");
}

TEST_F(ReportLaunchTest, AuxiliaryLinesAreTheRunsParametersAndDeviceCommasAreOptions) {
  VarSysIntSet(kSysCurFil, 0);
  Input({"next"});
  EXPECT_EQ(ReportCommand(S("JOBS,5")), 0);
  EXPECT_EQ(Read("aux.txt"), "TITLE$:'aux':WD:30\r\n");
  EXPECT_EQ(InputRest(), "next");
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
