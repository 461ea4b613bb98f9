// The screens' procedure statements (MESSAGE, WINOPEN, WINCLOSE, WINPROG)
// through the statement chain, and the demo applications' progress
// procedures run by the PrcExec verb under a UI script.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "screens/menus/prcexec.h"
#include "screens/forms/progress.h"
#include "screens/forms/screenstmts.h"
#include "screens/window/winlist.h"
#include "script/handlers.h"
#include "script/statements.h"
#include "script/taskhooks.h"
#include "script/variables.h"
#include "support/headless_fixture.h"
#include "support/runtime_fixture.h"

namespace {

class ScreenStmtTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    TaskHooksReset();
    ASSERT_EQ(VarSysInit(), 0);
    hl = HeadlessFailMode(reports);
    ExecHandlersReset();
    ExecRunUtilsInit();
    ScreenStatementsRegister();
    ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, StrFromC(dir.path().c_str())), 0);
  }
  void TearDown() override {
    ProgressClose();
    EXPECT_TRUE(reports.empty()) << reports.front();
    ExecHandlersReset();
    ui::shutdown();
    WinListReset();
    TaskHooksReset();
    RuntimeTest::TearDown();
  }
  Status Run(const std::string& text) {
    std::ofstream(dir.File("T.PRC"), std::ios::binary) << text;
    ErrClear();
    return PrcExec(StrFromC("T.PRC"), nullptr);
  }
  int Stat() { return VarSysIntGet(kSysStat); }
  int Created(const char* cls) {
    std::string tag = std::string("class=\"") + cls + "\"";
    return static_cast<int>(std::count_if(hl->transcript().begin(), hl->transcript().end(), [&](const std::string& l) {
      return l.starts_with("create ") && l.find(tag) != std::string::npos;
    }));
  }

  TempDir dir;
  ui::Headless* hl = nullptr;
  std::vector<std::string> reports;
};

TEST_F(ScreenStmtTest, MessageAsksOrInforms) {
  hl->answer(ui::IDOK, "Saved").answer(ui::IDYES, "Go on?").answer(ui::IDNO, "Go on?");
  VarSysIntSet(kSysStat, 7);
  ASSERT_EQ(Run("MESSAGE 'Saved'\n"), 0);
  EXPECT_EQ(hl->boxes().back().type, 0x40u);
  EXPECT_EQ(Stat(), 7);  // information only
  ASSERT_EQ(Run("MESSAGE 'Go on?','?'\n"), 0);
  EXPECT_EQ(hl->boxes().back().type, 0x44u);
  EXPECT_EQ(Stat(), 1);
  ASSERT_EQ(Run("MESSAGE 'Go on?',1\n"), 0);
  EXPECT_EQ(Stat(), 0);
  EXPECT_EQ(Run("MESSAGE\n"), st::SINTAXERROR);
}

TEST_F(ScreenStmtTest, ProgressStatementsAndRunTimeWindows) {
  struct Case {
    const char* source;
    Status status;
    const char* detail;  // the start of the error detail
  } cases[] = {
      {"WINOPEN 300,10\n", st::SINTAXERROR, ""},
      {"WINPROG\n", st::SINTAXERROR, ""},
      {"WINOPEN 40,10,'Totals'\n", 0, ""},  // a run-time window, closed by the run's end
      {"WINCLOSE\n", st::DATAOUTBOUND, "WINCLOSE\r\n"},
      {"WINCLOSE 'PROGRESS'\n", 0, ""},  // none open: nothing to do
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    EXPECT_EQ(Run(c.source), c.status);
    EXPECT_TRUE(ErrDetail().View().starts_with(c.detail)) << ErrDetail().Str();
  }
  // A window open before the run is the run's to keep: WINOPEN starts it
  // over with a total of more than 16 bits, and it stays open afterwards.
  ASSERT_EQ(ProgressOpen(0, 5), 0);
  ASSERT_EQ(Run("WINOPEN 300,100000,'PROGRESS'\nWINPROG 0\nWINPROG 2\n_STAT=9\nWINPROG 'Reading'\n"), 0);
  EXPECT_EQ(Stat(), 0);
  ASSERT_TRUE(ProgressIsOpen());
  EXPECT_EQ(ProgressTotal(), 100000u);
  EXPECT_EQ(ProgressPosition(), 2u);  // 0 counts 1: 3 units by 2, halves up
  EXPECT_EQ(ProgressDivisor(), 2u);   // 100,000 halved once
  EXPECT_EQ(ui::get_window_rect(ProgressWindow()).Width(), 340);
  EXPECT_EQ(Created("Progress"), 2);
  ui::Hwnd text = 0;
  for (ui::Hwnd c : ui::children(ProgressWindow()))
    if (ui::class_name(c) == "STATIC") text = c;
  EXPECT_EQ(ui::get_text(text), "Reading");
}

struct Demo {
  const char* folder;
  const char* question;  // the end of the MESSAGE text
};

void PrintTo(const Demo& d, std::ostream* os) { *os << d.folder; }

class DemoProgressTest : public ScreenStmtTest, public ::testing::WithParamInterface<Demo> {
 protected:
  void SetUp() override {
    ScreenStmtTest::SetUp();
    std::string folder = std::string(KX_SOURCE_DIR) + "/apps/" + GetParam().folder + "/demo";
    ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, StrFromC(folder.c_str())), 0);
  }
  Status RunDemo() {
    ErrClear();
    return PrcExec(StrFromC("progress.prc"), nullptr);
  }
  void ExpectNothingLeft() {
    EXPECT_FALSE(ProgressIsOpen());
    EXPECT_EQ(WinCount(), 0);
  }
};

TEST_P(DemoProgressTest, CountsUnderTheWindowAsksAndStopsOnEsc) {
  const Demo& d = GetParam();
  // Counted twice: Yes counts again, No ends.
  hl->answer(ui::IDYES, d.question).answer(ui::IDNO, d.question);
  ASSERT_EQ(RunDemo(), 0) << ErrDetail().Str();
  EXPECT_EQ(Stat(), 0);
  EXPECT_EQ(Created("Progress"), 2);
  EXPECT_EQ(hl->boxes().size(), 2u);
  ExpectNothingLeft();
  // Esc in the window stops the run at its next statement.
  hl->wait_top("Progress").key(ui::VK_ESCAPE);
  EXPECT_EQ(RunDemo(), st::USERCANCELED);
  EXPECT_EQ(hl->boxes().size(), 2u);  // no question was asked
  ExpectNothingLeft();
}

TEST_P(DemoProgressTest, ARunThatFailsLeavesNoWindowBehind) {
  std::ofstream(dir.File("FAIL.PRC"), std::ios::binary) << "WINOPEN 0,10,'PROGRESS'\nWINPROG 1\nc=1+b$\n";
  ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, StrFromC(dir.path().c_str())), 0);
  EXPECT_GE(PrcExec(StrFromC("FAIL.PRC"), nullptr), 128);
  EXPECT_EQ(Created("Progress"), 1);
  ExpectNothingLeft();
}

INSTANTIATE_TEST_SUITE_P(Demos, DemoProgressTest,
                         ::testing::Values(Demo{"accounting", "Count again?"},
                                           Demo{"administration", "Number another batch?"}),
                         [](const auto& info) { return std::string(info.param.folder); });

}  // namespace
