// The action chain: handlers and choosers, the defaults, confirmation and
// cancel, and the focus protocol of field controls.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "runtime/log.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/window/winproc.h"
#include "screens/window/winrecord.h"
#include "script/evaluator.h"
#include "script/taskhooks.h"
#include "screen_fixture.h"

namespace {

// What the chain did, in order.
std::vector<std::string> g_log;

std::string Hex(uint16_t v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04X", v);
  return buf;
}

// The family handler of the tests: window default, then screen default.
Status FamilyHandler(uint16_t code) {
  g_log.push_back("action " + Hex(code));
  Status s = ScreenActionWinDefault(code);
  return s != st::BADINPUTDATA ? s : ScreenActionDefault(code);
}

Status ExitLogger(uint8_t kind) {
  const StrAreaScope scope;
  g_log.push_back("exit " + Hex(kind) + " V$=" + ExpEvalStr(StrFromC("V$")).Str());
  return ScreenCloseRestore(kind, kind == kActNavigate ? 4 : 0, 0);  // a confirm closes the record
}

Status KeepOpen(uint8_t) { return 0; }

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// Handlers and choosers of the chooser table.
Status g_answer = 0;
Status Answering(uint16_t code) {
  g_log.push_back("action " + Hex(code));
  return g_answer;
}
uint16_t NoNext(uint8_t, uint8_t, uint16_t) { return kNoAction; }
uint16_t Cycle(uint8_t, uint8_t, uint16_t code) { return code == 0x0101 ? 0x0201 : 0x0101; }

std::vector<std::string> g_asserts;
void AssertSeen(StrValue text, StrValue) { g_asserts.push_back(text.Str()); }
void AssertReturns() {}

class ChainTest : public ScreenUiTest {
 protected:
  void SetUp() override {
    ScreenUiTest::SetUp();
    g_log.clear();
    g_asserts.clear();
    g_answer = 0;
    WinProcReset();
    CtlSubclassHookSet(CtlSubclass);
    ASSERT_LT(ExpExecText(StrFromC("GATE=1,LOG$='',V$='',CANCELS=0")), 128);
  }
  void TearDown() override {
    CtlSubclassHookSet(nullptr);
    ScreenUiTest::TearDown();
  }
  // The two-field screen: NAME must hold when the screen is confirmed (the
  // variable GATE stands for the condition), each field's PERFORM$ logs.
  ui::Hwnd Open() {
    WriteTagged("TWO.PPN", {"FD$:CODE,NAME",
                            "ALARM$:\",GATE;'Name is required'\"",
                            "PERFORM$:\"LOG$=LOG$+'1',LOG$=LOG$+'2'\"",
                            "ON_CONFIRM$:\"'SCRBACK=V$'\"",
                            "ON_CANCEL$:CANCELS=CANCELS+1"});
    WriteTagged("TWO.PAN", {"10310000006A", "10410000010A"});
    ui::Hwnd w = WinClassCreate(S("TstChain"), S("chain"), ui::WS_VISIBLE, 0, 0, 600, 400, 0, ScreenWndProc);
    EXPECT_EQ(ScreenCreate(StrFromC("TWO"), StrFromC("TWO"), 1, 0, StrFromC("")), 0);
    EXPECT_EQ(ScreenSetWin(0), 0);
    ScreenActionSet(FamilyHandler, nullptr, ExitLogger);
    return w;
  }
  ui::Hwnd Control(uint16_t n) { return ui::get_dlg_item(WinTop(), FieldCtlId(n)); }
  static std::string Var(const char* name) {
    const StrAreaScope scope;
    return ExpEvalStr(StrFromC(name)).Str();
  }
};

TEST_F(ChainTest, ChooserTable) {
  struct Case {
    const char* id;
    Status answer;
    FollowUpChooser chooser;
    Status want;
    size_t calls;
  } cases[] = {
      {"2 then none", 2, NoNext, 0, 1},
      {"10 asks to close", 10, nullptr, 8, 1},
      {"200 is an error", 200, NoNext, 200, 1},
      {"a cycle is stopped", 0, Cycle, st::INTERNALERROR, kChooserRounds},
  };
  Open();
  for (const Case& c : cases) {
    g_log.clear();
    g_answer = c.answer;
    ScreenActionSet(Answering, c.chooser, nullptr);
    EXPECT_EQ(ScreenAction(0x0101), c.want) << c.id;
    EXPECT_EQ(g_log.size(), c.calls) << c.id;
  }
  EXPECT_NE(ErrDetail().Str().find("0x0201 -> 0x0101"), std::string::npos) << ErrDetail().Str();
  ErrClear();

  // Through the entry of the window procedures a handler's 10 closes the top
  // window and answers 0 (the close request it raises closes it once, though
  // the handler answers 10 to that request too).
  g_answer = 10;
  ScreenActionSet(Answering, nullptr, nullptr);
  ui::Hwnd w = WinTop();
  EXPECT_EQ(ScreenActionCtl(w, 0x0101), 0);
  EXPECT_FALSE(ui::is_window(w));
}

TEST_F(ChainTest, EnterOnTheLastFieldConfirmsOnlyWhenItsConditionHolds) {
  Open();
  ScreenActionWinDefault(kActFirstFocus);
  EXPECT_EQ(WinCurrent().curField, 1);
  EXPECT_EQ(ui::get_focus(), Control(1));
  hl->type("A1").key(ui::VK_RETURN).type("Smith");
  Drive();
  EXPECT_EQ(WinCurrent().curField, 2);
  EXPECT_EQ(FieldValue(1).Str(), "A1    ");  // validated before the step

  // The condition fails: the detail is shown once in the error box (a
  // headless run also echoes it to standard error), the field stays current.
  ASSERT_LT(ExpExecText(StrFromC("GATE=0")), 128);
  testing::internal::CaptureStderr();
  hl->key(ui::VK_RETURN).answer(ui::IDOK, "Name is required");
  Drive();
  testing::internal::GetCapturedStderr();
  std::string shown;
  for (const ui::BoxRecord& b : hl->boxes()) shown += b.text;
  EXPECT_EQ(Count(shown, "Name is required"), 1u) << shown;
  EXPECT_EQ(WinCurrent().curField, 2);
  EXPECT_EQ(ui::get_focus(), Control(2));
  // A click into another field checks the field left the same way, and the
  // focus goes back to it.
  size_t boxes = hl->boxes().size();
  testing::internal::CaptureStderr();
  hl->click(FieldCtlId(1)).answer(ui::IDOK, "Name is required");
  Drive();
  testing::internal::GetCapturedStderr();
  shown.clear();
  for (size_t i = boxes; i < hl->boxes().size(); ++i) shown += hl->boxes()[i].text;
  EXPECT_EQ(Count(shown, "Name is required"), 1u) << shown;
  EXPECT_EQ(WinCurrent().curField, 2);
  EXPECT_EQ(ui::get_focus(), Control(2));

  // It holds: ON_CONFIRM$ saves the values into V$ before the exit handler
  // runs with kind 0x19, which closes the record.
  ASSERT_LT(ExpExecText(StrFromC("GATE=1")), 128);
  g_log.clear();
  hl->key(ui::VK_RETURN);
  Drive();
  EXPECT_EQ(g_log, (std::vector<std::string>{"action 0001", "exit 0019 V$=A1    Smith     "}));
  EXPECT_EQ(VarSysIntGet(kSysLastKey), kKeyEnter);
  EXPECT_EQ(ScreenStackIndex(3), 0);  // the record is closed
  EXPECT_EQ(Var("LOG$"), "12");       // each field's check ran once
  EXPECT_EQ(ErrGet(), 0u);  // the batch output line (not built yet) left no error behind
}

TEST_F(ChainTest, FocusLossValidatesOnceUnlessEscWasPressed) {
  ui::Hwnd w = Open();
  ui::Hwnd ok = ui::create_window({.cls = "BUTTON", .title = "Ok", .style = ui::WS_CHILD | ui::WS_VISIBLE,
                                   .x = 10, .y = 200, .width = 60, .height = 20, .parent = w, .id = kIdOk});
  ASSERT_NE(ok, 0u);
  ScreenActionSet([](uint16_t code) -> Status {
    g_log.push_back("action " + Hex(code) + " LOG$=" + Var("LOG$"));
    Status s = ScreenActionWinDefault(code);
    return s != st::BADINPUTDATA ? s : ScreenActionDefault(code);
  }, nullptr, nullptr);
  ScreenActionWinDefault(kActFirstFocus);
  hl->type("X9").click(kIdOk);
  Drive();
  // The field was put (its check ran) when the click took the focus away,
  // before the OK command reached the chain, and only then. Without an exit
  // handler the confirmation's 24 closes the window (a close request, 28).
  EXPECT_EQ(g_log, (std::vector<std::string>{"action 6419 LOG$=1", "action 001C LOG$=1"}));
  EXPECT_EQ(Var("LOG$"), "1");
  EXPECT_EQ(FieldValue(1).Str(), "X9    ");

  // Esc (the window stays open), then the focus goes: nothing is validated.
  Open();
  ScreenActionSet(FamilyHandler, nullptr, KeepOpen);
  ScreenActionWinDefault(kActFirstFocus);
  ASSERT_LT(ExpExecText(StrFromC("LOG$='',CANCELS=0")), 128);
  hl->type("Z").key(ui::VK_ESCAPE);
  Drive();
  ASSERT_EQ(ui::get_focus(), Control(1));
  ui::set_focus(Control(2));
  EXPECT_EQ(WinCurrent().curField, 2);
  EXPECT_EQ(Var("LOG$"), "");
  EXPECT_EQ(Var("CANCELS"), "1");  // ON_CANCEL$ ran
  EXPECT_EQ(FieldValue(1).Str(), "      ");
}

TEST_F(ChainTest, WithoutARecordOnlyThePerFieldDefaultRuns) {
  // The assertion log is written into the current directory: the test's own.
  auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  AssertBoxFn oldBox = AssertBoxHookSet(AssertSeen);
  ProcessEndFn oldEnd = AssertEndHookSet(AssertReturns);
  EXPECT_EQ(ScreenAction(kActNextField), 0);
  EXPECT_EQ(ScreenAction(ActionMake(kActNavigate, kNavConfirm)), 0);
  ScreenActionSet(FamilyHandler, nullptr, nullptr);
  EXPECT_EQ(ScreenActionWinDefault(kActFirstFocus), st::INTERNALERROR);
  EXPECT_EQ(g_asserts.size(), 2u);
  EXPECT_NE(g_asserts[0].find("ScreenActionSet"), std::string::npos);
  EXPECT_NE(g_asserts[1].find("ScreenActionWinDefault"), std::string::npos);
  EXPECT_TRUE(g_log.empty());
  AssertBoxHookSet(oldBox);
  AssertEndHookSet(oldEnd);
  std::filesystem::current_path(cwd);

  // A locked record keeps its handlers and runs none.
  Open();
  WinGet(kCurrentIndex)->flags |= kWinHandlersLocked;
  ScreenActionSet(Answering, nullptr, nullptr);
  EXPECT_EQ(WinCurrent().action, FamilyHandler);
  EXPECT_EQ(ScreenAction(kActNextField), 0);
  EXPECT_TRUE(g_log.empty());
  EXPECT_EQ(WinCurrent().curField, 1);  // the per-field default still stepped
}

TEST_F(ChainTest, EnterOnASelectionFieldValidatesItFirst) {
  WriteTagged("SEL.PPN", {"FD$:CODE,NAME:WINDOWS$:\"CUST;1;LIST\""});
  WriteTagged("SEL.PAN", {"10310000006A", "10410000010A"});
  WinClassCreate(S("TstChain"), S("sel"), ui::WS_VISIBLE, 0, 0, 600, 400, 0, ScreenWndProc);
  ASSERT_EQ(ScreenCreate(StrFromC("SEL"), StrFromC("SEL"), 1, 0, StrFromC("")), 0);
  ASSERT_EQ(ScreenSetWin(0), 0);
  ASSERT_TRUE(FieldGet(1).flags & kFieldSelectWin);
  ASSERT_EQ(FieldSetCurrent(1), 0);
  struct Case {
    const char* id;
    const char* text;
    uint16_t lastKey, pending, code;
    Status want;
  } cases[] = {
      {"typed", "C7", kKeyEnter, 0, kActNextField, 1},
      {"blank", "", kKeyEnter, 0, kActNextField, 0},
      {"Tab", "C8", kKeyTab, 0, kActNextField, 0},
      {"its window ran last", "C9", kKeyEnter, 1, kActNextField, 0},
      {"another code", "C9", kKeyEnter, 0, kActLineDown, 0},
  };
  for (const Case& c : cases) {
    ui::set_text(Control(1), c.text);
    VarSysIntSet(kSysLastKey, static_cast<int16_t>(c.lastKey));
    WinGet(kCurrentIndex)->pending = c.pending;
    EXPECT_EQ(FieldValidateOnEnter(c.code, WinCurrent()), c.want) << c.id;
  }
  EXPECT_EQ(FieldValue(1).Str(), "      ");  // validated by the "blank" case
  ui::set_text(Control(1), "C7");
  VarSysIntSet(kSysLastKey, kKeyEnter);
  WinGet(kCurrentIndex)->pending = 0;
  ASSERT_EQ(FieldValidateOnEnter(kActNextField, WinCurrent()), 1);
  EXPECT_EQ(FieldValue(1).Str(), "C7    ");
}

void* g_helpWindow = nullptr;
Status HelpHook(void* window, HelpPointFn point) {
  g_helpWindow = window;
  return point ? 7 : 0;
}

TEST_F(ChainTest, ScreenDefaultsByKind) {
  Open();
  ScreenActionSet(nullptr, nullptr, KeepOpen);
  // Help: the section of the field in the HELP$ file (here none: the
  // default file, which does not exist), else the application's task.
  EXPECT_EQ(ScreenActionDefault(kActHelp), st::FILENOTFOUND);
  EXPECT_TRUE(ErrDetail().Str().ends_with("HELP.HLP," + std::to_string(WinCurrent().curField))) << ErrDetail().Str();
  ErrClear();
  ASSERT_EQ(TaskHookSet(HelpHook, kHookFieldHelp), kHookFieldHelp);
  EXPECT_EQ(ScreenActionDefault(kActHelp), 7);
  EXPECT_EQ(g_helpWindow, WinGet(kCurrentIndex));

  // A close request after a key that did not move forward counts as Esc.
  struct Case {
    uint16_t lastKey, want;
  } keys[] = {{kKeyOther, kKeyEsc}, {kKeyTab, kKeyTab}, {kKeyCtrlEnd, kKeyCtrlEnd}, {kKeyShiftTab, kKeyEsc}};
  for (const Case& c : keys) {
    VarSysIntSet(kSysLastKey, static_cast<int16_t>(c.lastKey));
    EXPECT_EQ(ScreenActionDefault(kActCloseRequest), 0) << c.lastKey;
    EXPECT_EQ(VarSysIntGet(kSysLastKey), c.want) << c.lastKey;
  }
  EXPECT_EQ(Var("CANCELS"), "4");

  // Navigation other than OK, and codes nobody acts on, answer 0.
  EXPECT_EQ(ScreenActionDefault(ActionMake(kActNavigate, kNavNxt)), 0);
  EXPECT_EQ(ScreenActionDefault(ActionMake(kActCommand, 3)), 0);
  EXPECT_EQ(FieldActionDefault(ActionMake(kActCommand, 3), WinCurrent()), st::BADINPUTDATA);
  EXPECT_EQ(ScreenActionWinDefault(kActCancel), st::BADINPUTDATA);
}

TEST_F(ChainTest, ClosingResultsAndBit8) {
  struct Case {
    int kind;
    Status status;
    Status want;
    bool closes;
  } cases[] = {
      {kActNavigate, 0, 0, false},   {kActNavigate, 4, 4, true},     {kActCloseRequest, 0, 4, true},
      {kActCancel, 0, 24, false},    {kActCancel, 122, 122, false},  {kActNavigate, 200, 200, false},
  };
  for (const Case& c : cases) {
    Open();
    uint16_t before = ScreenStackIndex(3);
    EXPECT_EQ(ScreenCloseRestore(c.kind, c.status, 0), c.want) << c.kind << "/" << c.status;
    EXPECT_EQ(ScreenStackIndex(3), c.closes ? before - 1 : before) << c.kind << "/" << c.status;
  }
  ui::Hwnd top = WinTop();
  EXPECT_EQ(CloseOnBit8(200), 200);
  EXPECT_EQ(CloseOnBit8(136), 136);  // 128 + 8: an error, not a request
  EXPECT_TRUE(ui::is_window(top));
  EXPECT_EQ(CloseOnBit8(0x1C), 0);
  EXPECT_FALSE(ui::is_window(top));
}

}  // namespace
