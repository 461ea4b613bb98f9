// Input forms run by a person (a headless script) and in batch mode from an
// INPUT file, screens filled from it, the OUTPUT recording, the forms of
// definition files and the wait for one key.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/evaluator.h"
#include "script/handlers.h"
#include "script/statements.h"
#include "script/taskhooks.h"
#include "screens/forms/accept.h"
#include "screens/window/actionchain.h"
#include "screens/menus/menucmd.h"
#include "form_fixture.h"

namespace {

const char kList[] = "'A:':'A3':a$,'Bee:':'A5':b$";

class FormsTest : public FormTest {
 protected:
  void Keys(const std::string& script) {
    std::string error;
    ASSERT_TRUE(hl->load_script(script, error)) << error;
  }
};

TEST_F(FormsTest, BatchLinesAnswerFormsWithoutAWindow) {
  struct Case {
    const char* line;
    Status status;
    const char* values;
    const char* a;
    const char* b;
  } cases[] = {
      {"'A','B,C'", 0, "'A','B,C'", "A", "B,C"},
      {"'x'", 0, "'x'", "x", ""},  // a missing item is an empty answer
      {"\x1B", st::USERCANCELED, "", "", ""},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(VarAssign(S("a$"), S("")), 0);
    ASSERT_EQ(VarAssign(S("b$"), S("")), 0);
    Input({c.line, "next"});
    int windows = WinCount();
    AcceptResult r = AcceptForm(S("Title"), S(kList));
    EXPECT_EQ(r.status, c.status) << c.line;
    EXPECT_EQ(r.values, c.values) << c.line;
    EXPECT_EQ(r.lastKey, 0u);
    EXPECT_EQ(WinCount(), windows) << c.line;
    EXPECT_EQ(Str("a$"), c.a) << c.line;
    EXPECT_EQ(Str("b$"), c.b) << c.line;
    if (c.status == 0) {
      EXPECT_EQ(SysText(kSysAcceptValuesItem), c.line);
    }
    EXPECT_EQ(InputRest(), "next") << "one line was taken";
    StreamClose(inputSlot);
    inputSlot = kStreamNoSlot;
  }
}

TEST_F(FormsTest, AnOverLongBatchLineIsAnError) {
  Input({std::string(70000, 'x'), "next"});
  AcceptResult r = AcceptForm(S(""), S(kList));
  EXPECT_EQ(r.status, st::STRINGTOOLONG);
  EXPECT_NE(ErrDetail().Str().find("input.txt"), std::string::npos) << ErrDetail().Str();
  EXPECT_EQ(WinCount(), 0);
}

TEST_F(FormsTest, AnEmptyBatchLineShowsTheForm) {
  Input({"", "next"});
  Keys("wait-top class=Dialogx title=\"Find\"\ntype \"xy\"\nkey Tab\ntype \"hello\"\nkey Enter\n");
  AcceptResult r = AcceptForm(S("Find"), S(kList));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.values, "'xy','hello'");
  EXPECT_EQ(Str("b$"), "hello");
  EXPECT_EQ(InputRest(), "next");
  EXPECT_EQ(WinCount(), 0);
  EXPECT_EQ(ScreenStackIndex(3), 0);
}

TEST_F(FormsTest, PersonConfirmsOrCancels) {
  Output();
  Window();  // the caller
  VarSysIntSet(kSysCurEdFld, 7);
  int windows = WinCount();
  // Enter on the last field confirms: one OUTPUT line, not a second one for
  // the screen's confirmation.
  Keys("type \"ab\"\nkey Tab\nexpect-focus 2001\ntype \"cd\"\nkey Enter\n");
  AcceptResult r = AcceptForm(S("Form"), S(kList));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.lastKey, 0u);
  EXPECT_EQ(r.values, "'ab','cd'");
  EXPECT_EQ(OutputText(), "'ab','cd'\r\n");
  EXPECT_EQ(WinCount(), windows);
  EXPECT_EQ(ScreenStackIndex(3), 0);
  EXPECT_EQ(VarSysIntGet(kSysCurEdFld), 7);
  // The same list again starts from these answers; Ok confirms too.
  Keys("expect-text 2000 \"ab\"\nclick \"Ok\"\n");
  r = AcceptForm(S("Form"), S(kList));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.values, "'ab','cd'");
  // Esc cancels: the remembered answers stay, OUTPUT gets the cancel line.
  Keys("type \"zz\"\nkey Esc\n");
  r = AcceptForm(S("Form"), S(kList));
  EXPECT_EQ(r.status, st::USERCANCELED);
  EXPECT_EQ(r.lastKey, static_cast<uint32_t>(kKeyEsc));
  EXPECT_EQ(SysText(kSysAcceptValuesItem), "'ab','cd'");
  EXPECT_EQ(OutputText(), "'ab','cd'\r\n'ab','cd'\r\n\x1B\r\n");
  EXPECT_EQ(WinCount(), windows);
  EXPECT_EQ(LiveBlocksOf(MOD_SCREENS), 0);
  // The form left the default geometry as it was.
  EXPECT_EQ(TextWinGeomGet(), (TextWinGeom{80, 25, 0, 0, 0, 0}));
}

// A form that cannot be built shows nothing and leaves nothing: no window,
// record, screen block, parameter string or quit message.
TEST_F(FormsTest, AFormThatFailsLeavesNothingBehind) {
  struct Case {
    const char* list;
    Status status;
  } cases[] = {
      {"'A:':'A3':a$:FN$NOSUCH(1)", st::SINTAXERROR},  // its default cannot be evaluated
      {"'A:':'A0':a$", st::DATAOUTBOUND},
      {"'A:':'A3':a$ /FILEDEF$=\"x;y\"", st::BADINPUTDATA},
      {"", st::BADINPUTDATA},  // no field at all
  };
  for (const Case& c : cases) {
    AcceptResult r = AcceptForm(S("Broken"), S(c.list));
    EXPECT_EQ(r.status, c.status) << c.list;
    EXPECT_EQ(WinCount(), 0) << c.list;
    EXPECT_EQ(ScreenStackIndex(3), 0) << c.list;
    EXPECT_EQ(LiveBlocksOf(MOD_SCREENS), 0) << c.list;
    EXPECT_EQ(DynStrCount(ObjParamsList), 0u) << c.list;
    EXPECT_EQ(ui::pending_count(), 0u) << c.list;
    ErrClear();
  }
}

std::vector<std::string> g_seen;
uint32_t g_key = 99;
Status CollectingCallback(uint32_t key) {
  g_key = key;
  AcceptResult r = AcceptCollectNext(S(kList));
  g_seen.push_back(r.values);
  return r.status ? r.status : 5;
}

TEST_F(FormsTest, FormThenLetsItsCallbackCollect) {
  uint32_t queued = DynStrCount(AcceptQueueList);
  // Batch: the callback's collection is the batch answer, no record touched.
  Input({"'1','2'"});
  g_seen.clear();
  EXPECT_EQ(AcceptFormThen(S(""), S(kList), CollectingCallback), 5);
  EXPECT_EQ(g_seen, std::vector<std::string>{"'1','2'"});
  EXPECT_EQ(g_key, 0u);
  EXPECT_EQ(DynStrCount(AcceptQueueList), queued);
  VarSysIntSet(kSysInHnd, 0);
  // A person's Enter: the form is left for the callback to collect.
  Window();
  Keys("type \"p\"\nkey Tab\ntype \"q\"\nkey Enter\n");
  g_seen.clear();
  EXPECT_EQ(AcceptFormThen(S(""), S(kList), CollectingCallback), 5);
  EXPECT_EQ(g_seen, std::vector<std::string>{"'p','q'"});
  EXPECT_EQ(ScreenStackIndex(3), 0);
  EXPECT_EQ(DynStrCount(AcceptQueueList), queued);
  // Without a callback the values are collected and the record closed.
  Keys("key Enter\nkey Enter\n");
  EXPECT_EQ(AcceptFormThen(S(""), S(kList), nullptr), 0);
  EXPECT_EQ(ScreenStackIndex(3), 0);
  EXPECT_EQ(SysText(kSysAcceptValuesItem), "'p','q'");
  // A person's Esc: the callback hears of the cancel; the form is gone.
  Keys("key Esc\n");
  g_seen.clear();
  EXPECT_EQ(AcceptFormThen(S(""), S(kList), CollectingCallback), st::USERCANCELED);
  EXPECT_EQ(g_seen, std::vector<std::string>{""});
  EXPECT_EQ(ScreenStackIndex(3), 0);
  EXPECT_EQ(DynStrCount(AcceptQueueList), queued);
}

// A screen that an accept command opened: three fields, its exit handler
// noting what it confirmed.
std::vector<std::string> g_confirmed;
// As an accept exit: the confirmation notes the values and asks the window
// to close (8); the close request closes the record.
Status FillExit(uint8_t kind) {
  if (kind != kActNavigate) return ScreenCloseRestore(kind, 0, 0);
  g_confirmed.clear();
  for (uint16_t n = 1; n <= 3; ++n) {
    const StrAreaScope scope;
    g_confirmed.push_back(FieldValue(n).Str());
  }
  return kActCloseBit;
}
Status FillAction(uint16_t code) {
  Status s = ScreenActionWinDefault(code);
  return s != st::BADINPUTDATA ? s : ScreenActionDefault(code);
}

class FillTest : public FormsTest {
 protected:
  ui::Hwnd Open() {
    ui::Hwnd w = WinCreateKind(kWinKindMant, 0, S("fill"), 0, 0, 0, ScreenWndProc);
    EXPECT_EQ(AcceptWinSelect(S("'A:':'A6':a$,'D:':'D8':d$,'N:':'N5':n#"), 0), 0);
    EXPECT_EQ(ScreenSetWin(0), 0);
    ScreenActionSet(FillAction, nullptr, FillExit);
    g_confirmed.clear();
    return w;
  }
};

TEST_F(FillTest, LinesFillTheScreenFieldByField) {
  struct Case {
    const char* line;
    Status status;
    std::vector<std::string> confirmed;  // empty: not confirmed
  } cases[] = {
      {"'abc','20240115','42'", 0, {"abc   ", "20240115", "   42"}},
      {"'abc','20240115'", 0, {"abc   ", "20240115", "     "}},  // field 3 empty
      {"'a,b', 20240115 ,7", 0, {"a,b   ", "20240115", "    7"}},   // a quoted comma is one value
  };
  for (const Case& c : cases) {
    ui::Hwnd w = Open();
    Input({c.line});
    EXPECT_EQ(InputFillScreen(w), c.status) << c.line;
    EXPECT_EQ(g_confirmed, c.confirmed) << c.line;
    EXPECT_FALSE(ui::is_window(w)) << c.line;
    EXPECT_EQ(ScreenStackIndex(3), 0) << c.line;
    StreamClose(inputSlot);
    inputSlot = kStreamNoSlot;
  }
}

TEST_F(FillTest, ARejectedValueStopsTheFill) {
  ui::Hwnd w = Open();
  ASSERT_EQ(FieldPut(kCheckInput, 3, S("9")), 0);
  Input({"'abc','20241399','42'"});
  EXPECT_EQ(InputFillScreen(w), st::BADINPUTDATA);
  EXPECT_NE(ErrDetail().Str().find("field 2: 20241399"), std::string::npos) << ErrDetail().Str();
  EXPECT_TRUE(g_confirmed.empty());
  EXPECT_TRUE(ui::is_window(w));
  EXPECT_EQ(FieldValue(3).Str(), "    9");  // untouched
  ErrClear();
  // The cancel line cancels it; outside batch mode nothing is read.
  StreamClose(inputSlot);
  Input({"\x1B"});
  EXPECT_EQ(InputFillScreen(w), st::USERCANCELED);
  EXPECT_FALSE(ui::is_window(w));
  VarSysIntSet(kSysInHnd, 0);
  EXPECT_EQ(InputFillScreen(0), 0);
}

TEST_F(FillTest, ConfirmedScreensAreRecordedOneLineEach) {
  Output();
  struct Case {
    std::vector<const char*> values;
    const char* line;  // null: nothing written
  } cases[] = {
      {{"abc", "O'Brien", "say \"hi\""}, "'abc',\"O'Brien\",'say \"hi\"'\r\n"},
      {{"a'b\"c", "x", "y"}, nullptr},
  };
  std::string want;
  for (const Case& c : cases) {
    Window();
    ASSERT_EQ(AcceptWinSelect(S("'A:':'A9':a$,'B:':'A9':b$,'C:':'A9':c$"), 0), 0);
    for (uint16_t n = 1; n <= 3; ++n) ASSERT_EQ(FieldPut(kCheckInput, n, S(c.values[n - 1])), 0);
    ErrClear();
    ScreenConfirm(kActionConfirm);
    if (c.line) want += c.line;
    EXPECT_EQ(OutputText(), want);
    if (!c.line) {
      EXPECT_EQ(OutputScreenLine(), st::BADINPUTDATA);
    }
    WinRecordClose(kCurrentIndex);
  }
  // Without OUTPUT nothing is written; with it lines are appended.
  VarSysIntSet(kSysOutHnd, 0);
  EXPECT_EQ(OutputLineAppend(S("x")), 0);
  EXPECT_EQ(OutputText(), want);
  VarSysIntSet(kSysOutHnd, 1);
  EXPECT_EQ(OutputLineAppend(S("x")), 0);
  EXPECT_EQ(OutputText(), want + "x\r\n");
}

// --- Forms of definition files ---------------------------------------------------

std::vector<std::string> g_task;
Status FormTask(int event) {
  g_task.push_back(std::to_string(event) + " " + AcceptResultLast().values);
  return 6;
}

class SpecRunTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    std::ofstream out(dir.File("FORMS.PPN"), std::ios::binary);
    out << "02 ACBOUND$:\"'Code:':'A6':c$,'Name:':'A20':n$\"\r\n"
        << "02 WINNAME$:\"Customer\"\r\n"
        << "02 ACCEPT_PRC%:10\r\n"
        << "03 WINNAME$:\"No list\"\r\n"
        << "04 ACBOUND$:\"'Code:':'A6':k$\"\r\n";
    out.close();
    TaskHookSet(TaskFn(FormTask), 10);
    g_task.clear();
  }
};

TEST_F(SpecRunTest, DefinitionFormsReachTheirTask) {
  uint32_t params = DynStrCount(ObjParamsList);
  struct Case {
    const char* spec;
    const char* line;
    Status status;
    const char* detail;
    std::vector<std::string> task;
  } cases[] = {
      {"FORMS,2", "'A1','Smith'", 6, "", {"25 'A1','Smith'"}},
      {"FORMS,2", "\x1B", st::USERCANCELED, "", {}},
      {"FORMS,3", "'x'", st::BADINPUTDATA, "ACBOUND$", {}},
      {"FORMS,4", "'x'", st::BADINPUTDATA, "ACCEPT_PRC%", {}},
      {"NOFORMS,2", "'x'", st::FILENOTFOUND, "NOFORMS.PPN", {}},
  };
  for (const Case& c : cases) {
    Input({c.line});
    g_task.clear();
    ErrClear();
    EXPECT_EQ(AcceptCommand(S(c.spec), kAcceptRunWindowMode), c.status) << c.spec;
    EXPECT_EQ(g_task, c.task) << c.spec;
    EXPECT_NE(ErrDetail().Str().find(c.detail), std::string::npos) << ErrDetail().Str();
    EXPECT_EQ(DynStrCount(ObjParamsList), params) << c.spec;
    StreamClose(inputSlot);
    inputSlot = kStreamNoSlot;
  }
  EXPECT_EQ(Str("c$"), "A1");
  EXPECT_EQ(Str("n$"), "Smith");
  // A command of a window spec opens an accept window over the screen it
  // names, which needs its layout.
  EXPECT_EQ(AcceptCommand(S("FORMS,2,1,1,20,5,0"), kAcceptRunWindowMode), st::FILENOTFOUND);
  EXPECT_EQ(DynStrCount(ObjParamsList), params);
}

TEST_F(SpecRunTest, BoundsRunsAFormOverItsList) {
  ExecStatement bounds = ExecStatementFind(kStmtBounds);
  ASSERT_NE(bounds, nullptr);
  ExecArgs a;
  a.count = 1;
  a.kinds[0] = 1;
  a.strs[0] = StrFromC("'Qty:':'N4':q#");
  Input({"'12'", "\x1B"});
  EXPECT_EQ(bounds(kStmtBounds, a), 0);
  EXPECT_EQ(ExpEvalInt(S("q#")), 12);
  EXPECT_EQ(bounds(kStmtBounds, a), st::USERCANCELED);
  a.count = 0;
  EXPECT_EQ(bounds(kStmtBounds, a), st::SINTAXERROR);
}

// --- The wait for one key -------------------------------------------------------------

int g_keysSeen = 0;
ui::LResult SpyProc(ui::Hwnd w, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  if (m == ui::WM_KEYDOWN || m == ui::WM_CHAR) ++g_keysSeen;
  return ui::def_window_proc(w, m, wp, lp);
}

TEST_F(FormsTest, WaitKeyTakesTheKeyFromEveryWindow) {
  ui::Hwnd w = WinClassCreate(S("TstSpy"), S("spy"), 0, 0, 0, 200, 100, 0, SpyProc);
  ui::show_window(w, ui::Show::Show);
  ui::set_focus(w);
  g_keysSeen = 0;
  hl->type("a").key(ui::VK_F11).key(ui::VK_LEFT);
  EXPECT_EQ(WinWaitKey(), kKeyOther);
  EXPECT_EQ(WinWaitKey(), kKeyF11);
  EXPECT_EQ(WinWaitKey(), kKeyOther);
  Drive();
  EXPECT_EQ(g_keysSeen, 0) << "the ending key-downs reached a window or typed";
  ui::post_quit(0);
  EXPECT_EQ(WinWaitKey(), 0xFFFF);
  EXPECT_EQ(ui::pending_count(), 0u);
  // Unattended, the stand-in's Esc ends a wait nobody answers.
  hl->set_policy(ui::StallPolicy::Cancel);
  EXPECT_EQ(WinWaitKey(), kKeyEsc);
  hl->set_policy(ui::StallPolicy::Fail);
}

}  // namespace
