#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/valtables.h"
#include "screens/menus/menucmd.h"
#include "screens/menus/menuevent.h"
#include "screens/menus/menufile.h"
#include "screens/menus/prcexec.h"
#include "script/variables.h"
#include "support/headless_fixture.h"
#include "support/runtime_fixture.h"

namespace {

class MenuCmdTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(DynStrInit(), 0);
  }
};

struct ParseCase {
  const char* id;
  const char* line;
  uint16_t verb;
  Status status;
  const char* rest;
};

TEST_F(MenuCmdTest, ParseTable) {
  const ParseCase cases[] = {
      {"comma-form", "PrcExec,demo.prc", kVerbPrcExec, 0, "demo.prc"},
      {"blank-form", "PrcExec demo.prc", kVerbPrcExec, 0, "demo.prc"},
      {"blank-wins", "PrcExec,demo.prc a", 0, st::BADINPUTDATA, ""},
      {"bare-verb", "Help", kVerbHelp, 0, ""},
      {"last-verb", "ExpEval a=1", kVerbExpEval, 0, "a=1"},
      {"case-exact", "prcexec demo.prc", 0, st::BADINPUTDATA, ""},
      {"unknown", "Frobnicate x", 0, st::BADINPUTDATA, ""},
      {"empty", "", 0, st::BADINPUTDATA, ""},
  };
  for (const auto& c : cases) {
    MenuCommand cmd = MenuCmdParse(StrFromC(c.line));
    EXPECT_EQ(cmd.Verb(), c.verb) << c.id;
    EXPECT_EQ(cmd.Stat(), c.status) << c.id;
    EXPECT_EQ(cmd.rest.View(), c.rest) << c.id;
  }
}

TEST_F(MenuCmdTest, TextPrefixesAVerbOnlyWhenMissing) {
  EXPECT_EQ(MenuCmdText(StrFromC("CUSTOMER.PAN"), kVerbMantMain).View(), "MantMain CUSTOMER.PAN");
  EXPECT_EQ(MenuCmdText(StrFromC("Help topic"), kVerbMantMain).View(), "Help topic");
}

Status g_seenCode = 0;
std::string g_seenRest;
Status Recorder(int code, StrValue rest) {
  g_seenCode = static_cast<Status>(static_cast<uint32_t>(code) >> 16);
  g_seenRest = rest.Str();
  return 7;
}

TEST_F(MenuCmdTest, RunGoesToTheInstalledHandlerAndDefaultsOnlyWhenNoneIs) {
  MenuCmdHookSet(nullptr);
  EXPECT_EQ(MenuCmdRun(StrFromC("Report sales"), Recorder), 7);
  EXPECT_EQ(g_seenCode, kVerbReport);
  EXPECT_EQ(g_seenRest, "sales");
  EXPECT_EQ(MenuCmdHookGet(), &Recorder);  // the default became the handler
  MenuCmdHookSet(MenuCmdDispatch);
  EXPECT_EQ(MenuCmdRun(StrFromC("Nonsense"), Recorder), st::BADINPUTDATA);
  MenuCmdHookSet(nullptr);
}

TEST_F(MenuCmdTest, DispatchOfAVerbWithoutDefaultAnswers163) {
  for (uint16_t verb : {kVerbMenu, kVerbAccept, kVerbMantMain, kVerbLnNavMain, kVerbPerform, kVerbWizzSelect}) {
    EXPECT_EQ(MenuCmdDispatch(static_cast<int>(static_cast<uint32_t>(verb) << 16), StrFromC("")),
              st::BADINPUTDATA)
        << verb;
  }
  EXPECT_EQ(MenuCmdDispatch(st::BADINPUTDATA, StrFromC("")), st::BADINPUTDATA);
}

TEST_F(MenuCmdTest, ProcessNotDefinedNamesWhatWasNotFound) {
  MenuCmdHookSet(nullptr);
  const struct {
    const char* line;
    const char* detail;
  } cases[] = {
      {"Frobnicate now", "Process not defined: Frobnicate"},
      {"Mantmain,CUST", "Process not defined: Mantmain"},  // verbs match with their case
      {"Menu CUST", "Process not defined: Menu"},          // a verb nobody serves
      {"   ", "Process not defined"},
  };
  for (const auto& c : cases) {
    ErrDetailSet(0, StrFromC(""), false);
    EXPECT_EQ(MenuCmdRun(StrFromC(c.line), MenuCmdDispatch), st::BADINPUTDATA) << c.line;
    EXPECT_EQ(ErrDetail().View(), c.detail) << c.line;
  }
  MenuCmdHookSet(nullptr);
}

}  // namespace

namespace {

TEST_F(MenuCmdTest, MenuFileReportsLevelStepsAndCommandItems) {
  TempDir dir;
  {
    FILE* f = fopen(dir.File("C2MENU.PMT").c_str(), "wb");
    fputs("File\r\n\tOpen customers,MantMain CUST.PAN\r\n\t\tDeep,Help x  \t\r\n\tCaption\r\nEnd,PrcExec end.prc\r\n", f);
    fclose(f);
  }
  ASSERT_EQ(MenuFileOpen(StrFromView(dir.File("C2MENU") + ",ignored")), 0);
  struct Want {
    int step;
    const char* text;
    int16_t flag;
  } want[] = {{0, "File", 0},
              {1, "Open customers,MantMain CUST.PAN", -1},
              {1, "Deep,Help x", -1},
              {-1, "Caption", 0},
              {-1, "End,PrcExec end.prc", -1}};
  MenuFileStep s = MenuFileItem();
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(s.end, 0) << i;
    EXPECT_EQ(s.levelStep, want[i].step) << i;
    EXPECT_EQ(s.item.text.View(), want[i].text) << i;
    EXPECT_EQ(s.item.commandFlag, want[i].flag) << i;
    s = MenuFileNext();
  }
  EXPECT_EQ(s.end, -1);
  EXPECT_EQ(s.item.text.View(), "End,PrcExec end.prc");
  EXPECT_EQ(DynStrCount(FileLinesQueue), 0u);
  EXPECT_EQ(MenuFileOpen(StrFromView(dir.File("NOMENU"))), 0xffff);
  // A menu too large for the line queue is not a missing one: its code comes
  // back (a caller would otherwise build another menu in silence).
  {
    FILE* f = fopen(dir.File("BIGMENU.PMT").c_str(), "wb");
    for (int i = 0; i < 3000; ++i) fputs("Item,Help x\r\n", f);
    fclose(f);
  }
  EXPECT_EQ(MenuFileOpen(StrFromView(dir.File("BIGMENU"))), st::STROUTBOUND);
  EXPECT_EQ(DynStrCount(FileLinesQueue), 0u);
}

}  // namespace

namespace {

class MenuRunListTest : public MenuCmdTest {
 protected:
  void SetUp() override {
    RuntimeTearDown();
    ASSERT_EQ(VarSysInit(), 0);  // items are evaluated as expressions
  }
};

TEST_F(MenuRunListTest, StopsAtAVerbOfTheStopSetAndReportsItsIndex) {
  uint32_t index = 0;
  const char stop[] = {static_cast<char>(kVerbReport), 0};
  EXPECT_EQ(MenuCmdRunList(StrFromC("'ExpEval a=1','Report sales','ExpEval a=2'"), &index, StrFromC(stop)), '|');
  EXPECT_EQ(index, 2u);
}

TEST_F(MenuRunListTest, EmptyListRunsNothingAndUnknownWordEndsWith163) {
  uint32_t index = 0;
  EXPECT_EQ(MenuCmdRunList(StrFromC(""), &index, StrFromC("")), 0);
  EXPECT_EQ(index, 0u);
  EXPECT_EQ(MenuCmdRunList(StrFromC("'ExpEval a=1','Nonsense x','ExpEval a=2'"), &index, StrFromC("")), st::BADINPUTDATA);
  EXPECT_EQ(index, 2u);
  index = 3;  // a start index skips the items before it
  EXPECT_EQ(MenuCmdRunList(StrFromC("'Nonsense','Nonsense','ExpEval a=2'"), &index, StrFromC("")), 0);
  EXPECT_EQ(index, 3u);
}

}  // namespace

namespace {

Status g_closeAnswer = 0;
Status CloseTaskAnswer() { return g_closeAnswer; }

TEST_F(MenuRunListTest, ExitConfirmStaysOpenWithOpenWorkAndClosesWhenAllowed) {
  VarSysIntSet(kSysAuxStat, 32);  // close without asking
  MenuAppTasksSet(nullptr, nullptr);
  EXPECT_EQ(ExitConfirm(), 1);
  MenuAppTasksSet(nullptr, CloseTaskAnswer);
  g_closeAnswer = 2;  // the application reports open work
  EXPECT_EQ(ExitConfirm(), 0);
  g_closeAnswer = 0;
  EXPECT_EQ(ExitConfirm(), 1);
  MenuAppTasksSet(nullptr, nullptr);
  const char rec[4] = {};
  ASSERT_EQ(ValTableSet(4, 0, rec, 4), 0);
  ASSERT_EQ(ValTableSet(4, 1, rec, 4), 0);  // a screen open besides the main one
  EXPECT_EQ(ExitConfirm(), 0);
}

}  // namespace

namespace {

TEST_F(MenuRunListTest, PrcExecPatternWithoutMatchAnswers164) {
  TempDir dir;
  ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, StrFromView(dir.path())), 0);
  EXPECT_EQ(AreaBalanced([] { return PrcExec(StrFromC("*.PRC"), nullptr); }), st::FILENOTFOUND);
  EXPECT_EQ(ErrDetail().View(), "Process not defined: *.PRC");
  // With a match the files are offered in a choice window (tests/screens/test_choice.cpp).
}

}  // namespace

namespace {

// A verb answers what its work answered: a seam's 148 or a missing file is
// never turned into a success that leaves a stale error behind.
TEST_F(MenuRunListTest, HelpAndFontSetAnswerWhatTheirWorkAnswered) {
  TempDir dir;
  std::string old = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const int help = kVerbHelp << 16, fontSet = kVerbFontSet << 16;
  auto clear = [] {
    ErrClear();
    ErrDetailSet(0, StrFromC(""), false);
  };
  std::vector<std::string> reports;
  ui::Headless* hl = HeadlessFailMode(reports);
  hl->answer(ui::IDOK);  // Help with a text: the About box
  EXPECT_EQ(MenuCmdDispatch(help, StrFromC("topic")), 0);
  ASSERT_EQ(hl->boxes().size(), 1u);
  EXPECT_EQ(ErrGet(), 0u);
  clear();
  EXPECT_EQ(MenuCmdDispatch(fontSet, StrFromC("")), st::FILENOTFOUND);
  EXPECT_EQ(ErrDetail().View(), "KXFONT.PPN");
  FILE* f = fopen("KXFONT.PPN", "wb");
  fputs("24;12;;Lucida Console\r\n16;8;;Courier New\r\n", f);
  fclose(f);
  clear();
  hl->key(ui::VK_DOWN).key(ui::VK_RETURN);  // the font chooser: the second line
  EXPECT_EQ(MenuCmdDispatch(fontSet, StrFromC("")), 0);
  EXPECT_TRUE(reports.empty());
  ui::shutdown();
  std::ifstream in("KXFONT.PPN", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "16;8;;Courier New\r\n24;12;;Lucida Console");
  std::filesystem::current_path(old);
}

}  // namespace
