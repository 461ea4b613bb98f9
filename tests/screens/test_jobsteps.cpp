// Statistics steps from screens: the STATSTEPS statement over a screen
// definition and the job-steps task (task hook 7), with the real step
// runner (menu commands through the default verbs, relation steps).
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/ui/headless.h"
#include "data/store/datafile.h"
#include "data/bridges/dataui.h"
#include "data/dictionary/dictionary.h"
#include "data/store/openstate.h"
#include "data/dictionary/runcontext.h"
#include "data/scans/statistics.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/sysvars.h"
#include "screens/transactions/jobsteps.h"
#include "screens/forms/progress.h"
#include "screens/window/screendef.h"
#include "screens/window/winrecord.h"
#include "script/evaluator.h"
#include "script/procedures.h"
#include "script/statements.h"
#include "script/taskhooks.h"
#include "script/variables.h"
#include "support/headless_fixture.h"
#include "support/runtime_fixture.h"

namespace {

StrValue S(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

// Definitions of tags 1-4 in STATS.PPN: the steps at level 2 (a work file
// the steps define from STRUCT$), steps whose relation step has no
// statements, and the levels 0 and 31.
constexpr char kStats[] =
    "01 RESET$:2\n"
    "01 STEPS$:\"'ExpEval A=1','Perform 1,1','PrcExec SUM.PRC'\"\n"
    "01 STRUCT$:\"'STATW','GRP;3;A,TOTAL;16;2,CNT;6;N','0001003'\"\n"
    "01 INDEX%:1\n"
    "02 RESET$:2\n"
    "02 STEPS$:\"'ExpEval A=1','Perform 1,7'\"\n"
    "02 STRUCT$:\"'STATW','GRP;3;A,TOTAL;16;2','0001003'\"\n"
    "03 RESET$:0\n"
    "03 STEPS$:\"'ExpEval A=1'\"\n"
    "04 RESET$:31\n"
    "04 STEPS$:\"'ExpEval A=1'\"\n";

// Walks the set and sums its totals.
constexpr char kSum[] = "S#=0,N=0\nR=StatMove('TOP')\nDO_WHILE R==0\nS#=S#+TOTAL{},N=N+1\nR=StatMove()\nLOOP\n";

// An application "TT" (SALES: DATE A8, ITEM A6, AMOUNT 2 (14), key DATE +
// ITEM, six sales in three groups; relation 1 accumulates a sale into its
// group) in a private directory that is also the current and temporary
// directory's parent; the headless window system; errors shown are counted.
class JobStepsTest : public RuntimeTest {
 protected:
  static inline int shown = 0;
  static inline Status lastShown = 0;

  void SetUp() override {
    RuntimeTest::SetUp();
    TaskHooksReset();
    ASSERT_EQ(VarSysInit(), 0);
    hl = HeadlessFailMode(reports);
    ASSERT_NE(getcwd(oldDir_, sizeof oldDir_), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    temp_ = dir.File("tmp");
    std::filesystem::create_directory(temp_);
    setenv("TEMP", temp_.c_str(), 1);
    for (int n = 1; n <= kMaxDataFiles; ++n) DataFileCtrlInit(n);
    ASSERT_EQ(DynStrSet(SettingsList, SetIdentityItem, S("TT:Test")), 0);
    ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, S(dir.path())), 0);
    Write("TTDICC.DAT",
          "01 Sales**01SALES\n01       008 ADATE\n01       006 AITEM\n01       014 2AMOUNT\n31 <00010080009006\n");
    Write("TTRELUP.DAT", "0101 GRP{}=FN$MIDS(ITEM{1};1;3),TOTAL{}=TOTAL{}+AMOUNT{1},CNT{}=CNT{}+1\n");
    Write("STATS.PPN", kStats);
    Write("SUM.PRC", kSum);
    ASSERT_EQ(DicLoad(S(dir.path()), S("TT"), S("")), 0) << ErrDetail().Str();
    ExecRunUtilsInit();
    ASSERT_EQ(StatMoveRegister(), 0);
    ASSERT_LT(DataFileOpen(1, dfopen::kMakeCurrent), 128);
    const char* sales[] = {"'20240101','AAA001',10.5", "'20240102','BBB001',20",  "'20240103','AAA002',5.25",
                           "'20240104','CCC001',7",    "'20240105','BBB002',1",   "'20240106','AAA003',2.25"};
    for (const char* s : sales) {
      std::string t(s);
      size_t a = t.find(','), b = t.find(',', a + 1);
      ASSERT_EQ(DataFileMove(1, dfmove::kNew), dfres::kNewRecord);
      ASSERT_EQ(ExpEvalStatus(S("DATE{1}=" + t.substr(0, a) + ",ITEM{1}=" + t.substr(a + 1, b - a - 1) +
                                ",AMOUNT{1}=" + t.substr(b + 1))),
                0);
      ASSERT_LT(DataFileInsert(1), 128);
    }
    ASSERT_EQ(ExpEvalStatus(S("A=0,S#=0,N=0")), 0);
    shown = 0;
    DataUi ui;
    ui.show = [](Status code) -> Status {
      ++shown;
      lastShown = code;
      return 0;
    };
    savedUi_ = DataUiSet(ui);
  }
  void TearDown() override {
    DataUiSet(savedUi_);
    EXPECT_TRUE(reports.empty()) << reports.front();
    while (ScreenStackIndex(3) > 0 && ScreenStackIndex(3) != 0xFFFF) WinClose(kCurrentIndex);
    while (RunContextDepth() > 0) RunContextRestore();
    DataFileCloseAll();
    unsetenv("TEMP");
    ui::shutdown();
    WinListReset();
    ASSERT_EQ(chdir(oldDir_), 0);
    TaskHooksReset();
    RuntimeTest::TearDown();
  }

  void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir.File(name), std::ios::binary) << text;
  }
  Status Run(const std::string& text) {
    Write("T.PRC", text);
    ErrClear();
    return PrcCall(S(""), S(dir.File("T.PRC")), 0);
  }
  int Int(const char* e) { return ExpEvalInt(S(e)); }
  int TempFiles() {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(temp_)) n += e.is_regular_file() ? 1 : 0;
    return n;
  }

  TempDir dir;
  std::string temp_;
  ui::Headless* hl = nullptr;
  std::vector<std::string> reports;
  DataUi savedUi_;
  char oldDir_[PATH_MAX] = {};
};

TEST_F(JobStepsTest, StatStepsRunsTheScreensStepsAndClosesIt) {
  ASSERT_EQ(Run("STATSTEPS 'STATS,1'\nst=_STAT\n"), 0) << ErrDetail().Str();
  EXPECT_EQ(Int("st"), 0) << ErrDetail().Str();
  EXPECT_EQ(Int("A"), 1);
  EXPECT_EQ(Int("N"), 3);
  EXPECT_EQ(ExpEvalNum(S("S#")), 1050 + 2000 + 525 + 700 + 100 + 225);
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(ScreenStackIndex(1), 0);  // the screen went with its window record
  EXPECT_EQ(DataFileCount(), 1);      // the level's structure too
  EXPECT_EQ(VarSysIntGet(kSysCurFil), 1);
  EXPECT_EQ(TempFiles(), 0);
  EXPECT_FALSE(VarIntTestBits(kSysUpStat, upstat::kSetOpen));
}

TEST_F(JobStepsTest, FailingStepsAreShownOnceAndLeaveNothing) {
  struct Case {
    const char* spec;
    Status status;
  } cases[] = {{"STATS,2", st::BADINPUTDATA}, {"STATS,3", st::DATAOUTBOUND}, {"STATS,4", st::DATAOUTBOUND}};
  for (const Case& c : cases) {
    shown = 0;
    ASSERT_EQ(Run(std::string("STATSTEPS '") + c.spec + "'\nst=_STAT\n"), 0) << c.spec << " " << ErrDetail().Str();
    EXPECT_EQ(Int("st"), c.status) << c.spec;
    EXPECT_EQ(shown, 1) << c.spec;
    EXPECT_EQ(lastShown, c.status) << c.spec;
    EXPECT_EQ(ScreenStackIndex(1), 0) << c.spec;
    EXPECT_EQ(DataFileCount(), 1) << c.spec;
    EXPECT_EQ(TempFiles(), 0) << c.spec;
  }
  // A screen that cannot be made stops the run with its error.
  EXPECT_EQ(Run("STATSTEPS 'NOSUCH,1'\n"), st::FILENOTFOUND);
}

// The task runs the steps on event 25 only; every event then goes to the
// close handling: 25 keeps the window, 28 closes it (restoring the open
// state the window pushed), others answer 24.
TEST_F(JobStepsTest, TaskRunsTheStepsOnExecuteOnly) {
  ASSERT_EQ(DataFileStatePush(S("SALES")), 0);
  ASSERT_EQ(ScreenCreate(S("STATS"), S("STATS"), 1, 0, S("")), 0) << ErrDetail().Str();
  ASSERT_EQ(ScreenStackIndex(3), 1);
  EXPECT_EQ(JobStepsHook(kTaskExecute), 0) << ErrDetail().Str();
  EXPECT_EQ(Int("A"), 1);
  EXPECT_EQ(Int("N"), 3);
  EXPECT_EQ(ScreenStackIndex(3), 1);
  ASSERT_EQ(ExpEvalStatus(S("A=0")), 0);
  EXPECT_EQ(JobStepsHook(21), 24);
  EXPECT_EQ(JobStepsHook(28), 4) << ErrDetail().Str();
  EXPECT_EQ(Int("A"), 0);
  EXPECT_EQ(ScreenStackIndex(3), 0);
  EXPECT_EQ(DynStrCount(OpenFileStatesList), 0u);
  EXPECT_EQ(TempFiles(), 0);
  EXPECT_EQ(shown, 0);
}

// Esc in the progress window of an accumulation with MODE:1: the scan
// stops with 122, the set goes with its files, the window closes.
TEST_F(JobStepsTest, EscInTheProgressWindowCancelsTheAccumulation) {
  DataUi ui = DataUiGet();
  ui.progressOpen = ProgressOpen;
  ui.progressStep = ProgressStep;
  ui.progressClose = ProgressClose;
  DataUiSet(ui);
  hl->wait_top("Progress").key(ui::VK_ESCAPE);
  ASSERT_EQ(Run("FILESTRUCT 'W','GRP;3;A,TOTAL;16;2','0001003'\n"
                "FILESCAN 'ACUM VIRTUAL:2 FILE:1 MODE:1','','GRP{}=FN$MIDS(ITEM{1};1;3),TOTAL{}=TOTAL{}+AMOUNT{1}'\n"
                "st=_STAT\nFILESTRUCT 'RESTORE'\n"),
            0)
      << ErrDetail().Str();
  EXPECT_EQ(Int("st"), st::USERCANCELED);
  EXPECT_FALSE(ProgressIsOpen());
  EXPECT_EQ(TempFiles(), 0);
  EXPECT_EQ(hl->steps_left(), 0u);
}

}  // namespace
