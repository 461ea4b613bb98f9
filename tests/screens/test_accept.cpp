// Accept windows and their exits, the parameter-file verb, the commands of
// maintenance windows and the field help menu, headless over the data-screen
// fixture (ITEMS and its screen ITM) and accept screens written per test.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/forms/accept.h"
#include "screens/window/actionchain.h"
#include "screens/window/fieldctl.h"
#include "screens/forms/forms.h"
#include "screens/datascreens/mantwin.h"
#include "screens/menus/menucmd.h"
#include "screens/window/screenprops.h"
#include "screens/window/winproc.h"
#include "screens/window/winrecord.h"
#include "script/taskhooks.h"
#include "data_fixture.h"

namespace {

std::vector<std::string> g_lines;  // the INPUT file of batch tests
StrValue NextLine() {
  if (g_lines.empty()) return StrMake("", 0);
  std::string l = g_lines.front();
  g_lines.erase(g_lines.begin());
  return StrDup(StrFromView(l));
}

std::vector<std::string> g_calls;  // what the test hooks were given
Status DocHook(StrValue doc) {
  g_calls.push_back("doc " + doc.Str());
  return 0;
}
Status PrcHook(StrValue entry, StrValue file, int) {
  g_calls.push_back("prc " + entry.Str() + "|" + file.Str());
  return 0;
}
// An exit task: the form's definition is the current object parameter
// string while it runs.
Status Task10(int event) {
  const StrAreaScope scope;
  g_calls.push_back("task " + std::to_string(event) + " " + ScreenDefAttrText(101, 0).Str());
  return ScreenCloseRestore(event, event == kTaskExecute ? kActCloseBit : 0, 0);
}

class AcceptTest : public DataScreenTest {
 protected:
  void SetUp() override {
    DataScreenTest::SetUp();
    WinProcReset();
    CtlSubclassHookSet(CtlSubclass);
    TaskHookSet(TaskFn(AcceptParmExit), kHookExitParmFile);
    TaskHookSet(TaskFn(AcceptDocExit), kHookExitDocument);
    TaskHookSet(TaskFn(AcceptStepsExit), kHookExitSteps);
    g_calls.clear();
    g_lines.clear();
  }
  void TearDown() override {
    for (int i = 0; i < 20 && WinTop(); ++i) WinDestroy(WinTop());
    for (int i = 0; i < 10 && ScreenStackIndex(3) != 0; ++i) WinRecordClose(kCurrentIndex);
    AcceptDocHookSet(nullptr);
    InputLineHookSet(nullptr);
    VarSysIntSet(kSysInHnd, 0);
    CtlSubclassHookSet(nullptr);
    DataScreenTest::TearDown();
  }
  // An accept screen of two text fields _A$ and _B$ (A8) without a data
  // file, with the definition lines given.
  void Form(const std::string& name, const std::vector<std::string>& lines) {
    std::vector<std::string> def = {"FD$:_A$,_B$", "SCREENSIZE$:'40,6'"};
    def.insert(def.end(), lines.begin(), lines.end());
    WriteTagged(name + ".PPN", def);
    WriteTagged(name + ".PAN", {"00302From", "10312000008A", "00402To", "10412000008A"});
  }
  // Opens an accept window as the menu's AcceptRun does and lets it take its
  // first focus.
  Status Open(const std::string& name, int slot = kAcceptExitFromForm) {
    Status s = AcceptCommand(S(name + ",0,0,0,0,0,0"), kAcceptRunWindowMode, slot);
    Drive();
    return s;
  }
  std::string Text(const std::string& file) {
    std::ifstream in(dir.File(file), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::string Str(const std::string& expr) {
    const StrAreaScope scope;
    return ExpEvalStr(S(expr)).Str();
  }
  std::string Field(uint16_t n) {
    const StrAreaScope scope;
    return StrTrim(FieldValue(n), 3).Str();
  }
  size_t Popups() {
    size_t n = 0;
    for (const std::string& line : hl->transcript()) n += line.starts_with("popup");
    return n;
  }
  std::string Last(const std::string& prefix) {
    for (auto it = hl->transcript().rbegin(); it != hl->transcript().rend(); ++it)
      if (it->starts_with(prefix)) return *it;
    return "";
  }
};

// Which exit a form's parameters choose; without any the window is refused
// with 163 naming ACCEPT_PRC% and nothing of it is left.
TEST_F(AcceptTest, ExitSlotFollowsTheFormsParameters) {
  struct Case {
    std::vector<std::string> lines;
    int slot;
  } cases[] = {
      {{"ACCEPT_PRC%:9", "STEPS$:'x'", "PARM_FILE$:P.DAT"}, 9},
      {{"STEPS$:'x'", "PRCNAME$:p", "DOCNAME$:d", "PARM_FILE$:P.DAT"}, 7},
      {{"PRCNAME$:p", "DOCNAME$:d", "PARM_FILE$:P.DAT"}, 6},
      {{"DOCNAME$:d", "PARM_FILE$:P.DAT"}, 5},
      {{"PARM_FILE$:P.DAT"}, 4},
      {{"ACCEPT_PRC%:0"}, 255},
      {{}, 255},
  };
  for (const Case& c : cases) {
    Form("SLOT", c.lines);
    ASSERT_EQ(ScreenCreate(S("SLOT"), S("SLOT"), 1, 0, S("")), 0);
    EXPECT_EQ(AcceptExitSlot(kAcceptExitFromForm), c.slot) << c.lines.size();
    EXPECT_EQ(AcceptExitSlot(5), 5);
    WinRecordClose(kCurrentIndex);
  }
  Form("NONE", {});
  ui::Hwnd caller = Window();
  int windows = WinCount();
  EXPECT_EQ(Open("NONE"), st::BADINPUTDATA);
  EXPECT_EQ(ErrDetail().Str(), "ACCEPT_PRC%");
  EXPECT_EQ(WinCount(), windows);
  EXPECT_EQ(WinTop(), caller);
  EXPECT_EQ(ScreenStackIndex(3), 0);
  // A slot without a task is refused the same way.
  Form("EMPTY", {"ACCEPT_PRC%:9"});
  EXPECT_EQ(Open("EMPTY"), st::BADINPUTDATA);
  EXPECT_EQ(ErrDetail().Str(), "ACCEPT_PRC%");
  EXPECT_EQ(WinCount(), windows);
  EXPECT_EQ(ScreenStackIndex(3), 0);
}

// Slot 4: the file's assignments are offered when the window opens, a
// confirm saves the fields through PARM_FILE_WRITE$ and closes; Esc writes
// nothing.
TEST_F(AcceptTest, ParameterFileIsSavedOnConfirmAndOfferedNextTime) {
  Form("PER", {"ASSIGN$:\"PFROM$,PTO$\"", "PARM_FILE$:'" + dir.File("PER.DAT") + "'", "PARM_FILE_WRITE$:\"PFROM$;_A$,PTO$;_B$\""});
  ASSERT_EQ(Eval("PFROM$='',PTO$=''"), 0);
  Window();
  int windows = WinCount();
  hl->type("20250101").key(ui::VK_TAB).type("20250131").key(ui::VK_RETURN);
  ASSERT_EQ(Open("PER"), 0) << ErrDetail().Str();
  EXPECT_EQ(WinCount(), windows);
  EXPECT_EQ(ScreenStackIndex(3), 0);
  EXPECT_EQ(Str("PFROM$"), "20250101");
  EXPECT_NE(Text("PER.DAT").find("PTO$='20250131'"), std::string::npos) << Text("PER.DAT");
  // Next time the saved values are offered; Esc keeps the file as it is.
  ASSERT_EQ(Eval("PFROM$='',PTO$=''"), 0);
  std::string saved = Text("PER.DAT");
  ASSERT_EQ(AcceptCommand(S("PER,0,0,0,0,0,0"), kAcceptRunWindowMode), 0);
  EXPECT_EQ(Field(1), "20250101");
  EXPECT_EQ(Field(2), "20250131");
  hl->key(ui::VK_HOME).key(ui::VK_END, ui::KEY_SHIFT).type("20990101").key(ui::VK_ESCAPE);
  Drive();
  EXPECT_EQ(WinCount(), windows);
  EXPECT_EQ(Text("PER.DAT"), saved);
  // A faulty file is the window's answer, and the window goes.
  std::ofstream(dir.File("PER.DAT"), std::ios::binary) << "PFROM$=(((";
  EXPECT_GE(AcceptCommand(S("PER,0,0,0,0,0,0"), kAcceptRunWindowMode), 128);
  Drive();
  EXPECT_EQ(WinCount(), windows);
  EXPECT_EQ(ScreenStackIndex(3), 0);
}

// Slot 6: COND$ in SystemTextList item 1, then the STEPS$ commands in order;
// a form with PRCNAME$ alone calls the procedure. Slot 5: the launch hook
// gets DOCNAME$; without it 148 "ReportLaunch" is shown and the window goes.
TEST_F(AcceptTest, StepsProcedureAndDocumentExits) {
  Form("STP", {"ACCEPT_PRC%:6", "COND$:'K=1'", "STEPS$:\"'ExpEval S#=S#*10+1','ExpEval S#=S#*10+2'\""});
  ASSERT_EQ(Eval("S#=0"), 0);
  Window();
  int windows = WinCount();
  hl->type("X").key(ui::VK_TAB).key(ui::VK_RETURN);
  ASSERT_EQ(Open("STP"), 0) << ErrDetail().Str();
  EXPECT_EQ(Num("S#"), 12);
  EXPECT_EQ(DynStrGet(SystemTextList, 1).Str(), "K=1");
  hl->key(ui::VK_ESCAPE);
  Drive();
  EXPECT_EQ(WinCount(), windows);

  TaskHookSet(PrcCallFn(PrcHook), kHookPrcCall);
  Form("PRC", {"PRCNAME$:'TOTALS,totals.prc'"});
  hl->key(ui::VK_RETURN).key(ui::VK_RETURN).key(ui::VK_ESCAPE);
  ASSERT_EQ(Open("PRC"), 0) << ErrDetail().Str();
  EXPECT_EQ(g_calls, std::vector<std::string>{"prc TOTALS|totals.prc"});
  EXPECT_EQ(WinCount(), windows);

  Form("DOC", {"DOCNAME$:'COTRIAL'"});
  AcceptDocHookSet(DocHook);
  hl->key(ui::VK_RETURN).key(ui::VK_RETURN).key(ui::VK_ESCAPE);
  ASSERT_EQ(Open("DOC"), 0);
  EXPECT_EQ(g_calls.back(), "doc COTRIAL");
  AcceptDocHookSet(nullptr);
  hl->key(ui::VK_RETURN).key(ui::VK_RETURN).answer(1);
  ASSERT_EQ(Open("DOC"), 0);
  EXPECT_NE(Last("box").find("ReportLaunch"), std::string::npos) << Last("box");
  EXPECT_EQ(WinCount(), windows);
  EXPECT_EQ(ScreenStackIndex(3), 0);
}

// Batch: one INPUT line fills the accept window and confirms it; the next
// line stays for the next command.
TEST_F(AcceptTest, BatchLineFillsTheWindowAndConfirms) {
  Form("PER", {"PARM_FILE$:'" + dir.File("PER.DAT") + "'", "PARM_FILE_WRITE$:\"PFROM$;_A$,PTO$;_B$\""});
  InputLineHookSet(NextLine);
  VarSysIntSet(kSysInHnd, 5);
  g_lines = {"'20240101','20241231'", "next"};
  Window();
  int windows = WinCount();
  ASSERT_EQ(AcceptCommand(S("PER,0,0,0,0,0,0"), kAcceptRunWindowMode), 0) << ErrDetail().Str();
  Drive();
  EXPECT_EQ(Str("PTO$"), "20241231");
  EXPECT_EQ(WinCount(), windows);
  EXPECT_EQ(g_lines, std::vector<std::string>{"next"});
}

// MantAux: "0" saves the parameter file, pushes and pops balance, a pop
// without a push and other operations answer 163; maintenance windows run
// only their four verbs.
TEST_F(AcceptTest, MantAuxAndTheVerbsOfMaintenanceWindows) {
  Form("PER", {"PARM_FILE$:'" + dir.File("AUX.DAT") + "'", "PARM_FILE_WRITE$:\"AUXV$\""});
  ASSERT_EQ(ScreenCreate(S("PER"), S("PER"), 1, 0, S("")), 0);
  ASSERT_EQ(Eval("AUXV$='kept'"), 0);
  uint32_t params = DynStrCount(ObjParamsList);
  struct Case {
    const char* args;
    Status status;
    uint32_t pushed;  // list 31 above where it was
  } cases[] = {{"0", 0, 0}, {"1,1", 0, 1}, {"1,0", 0, 0}, {"1,0", st::BADINPUTDATA, 0}, {"2", st::BADINPUTDATA, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(MantAux(S(c.args)), c.status) << c.args;
    EXPECT_EQ(DynStrCount(ObjParamsList), params + c.pushed) << c.args;
  }
  EXPECT_NE(Text("AUX.DAT").find("AUXV$='kept'"), std::string::npos);
  EXPECT_EQ(MenuCmdRun(S("MantAux 2"), MenuCmdDispatch), st::BADINPUTDATA);
  for (const char* verb : {"Menu X", "PrcExec demo.prc", "Report X", "Help"})
    EXPECT_EQ(MantVerbDispatch(1, S(verb), kVerbMantMain), st::SINTAXERROR) << verb;
  EXPECT_EQ(MantVerbDispatch(1, S("ExpEval V#=7,V#=8"), kVerbMantMain), 0);
  EXPECT_EQ(Num("V#"), 7);
  WinRecordClose(kCurrentIndex);
}

// A field's window command: a condition that holds makes the field pending
// and runs the first command (a bare item as AcceptRun, MantMain as a
// maintenance window); a failing one empties the field and answers 126.
TEST_F(AcceptTest, FieldCommandRunsOnItsCondition) {
  Form("PER", {"ACCEPT_PRC%:10"});
  TaskHookSet(TaskFn(Task10), 10);
  WriteScreen("WIN", "OPEN$:1\nWINDOWS$:\",'PER,0,0,0,0,0,0;MantMain ITM;AMOUNT{1}<>99'\"\n");
  ASSERT_EQ(MantWindow(S("WIN"), 86), 0) << ErrDetail().Str();
  Drive();
  ui::Hwnd maint = WinTop();
  int windows = WinCount();
  WinRecord* r = WinGet(kCurrentIndex);
  r->curField = 2;
  hl->key(ui::VK_RETURN).key(ui::VK_RETURN);
  EXPECT_EQ(MantFieldCommand(r), kFieldCommandDone) << ErrDetail().Str();
  Drive();
  EXPECT_EQ(g_calls, (std::vector<std::string>{"task 25 10", "task 28 10"}));
  EXPECT_EQ(WinTop(), maint);
  r = WinGet(kCurrentIndex);
  EXPECT_EQ(r->pending, 2);
  ASSERT_EQ(Eval("AMOUNT{1}=99"), 0);
  r->pending = 0;
  EXPECT_EQ(MantFieldCommand(r), st::BADUSERDATA);
  EXPECT_EQ(Field(2), "");
  EXPECT_EQ(WinGet(kCurrentIndex)->pending, 0);
  // A MantMain command opens a maintenance window over this one.
  WriteScreen("WIN2", "OPEN$:1\nWINDOWS$:\",'MantMain ITM;'\"\n");
  ASSERT_EQ(MantWindow(S("WIN2"), 86), 0) << ErrDetail().Str();
  Drive();
  r = WinGet(kCurrentIndex);
  r->curField = 2;
  EXPECT_EQ(MantFieldCommand(r), kFieldCommandDone) << ErrDetail().Str();
  Drive();
  EXPECT_EQ(WinCount(), windows + 2);
}

// F1: one command and no HELP$ runs it at once; with HELP$ and two commands
// the popup offers "Help", the titles and "Untitled Window #n"; "Help" shows
// the field's section; "Calculator" puts its last value into the field; the
// adding applet sums the values entered; a cancelled form answers 0.
TEST_F(AcceptTest, FieldHelpMenuOffersHelpWindowsAndTheCalculator) {
  WriteScreen("ONE", "OPEN$:1\nWINDOWS$:\",'ExpEval H#=H#+1;'\"\n");
  ASSERT_EQ(Eval("H#=0"), 0);
  ASSERT_EQ(MantWindow(S("ONE"), 86), 0) << ErrDetail().Str();
  Drive();
  WinRecord* r = WinGet(kCurrentIndex);
  r->curField = 2;
  EXPECT_EQ(FieldHelpMenu(r, FieldHelpPoint), kFieldCommandDone);
  EXPECT_EQ(Num("H#"), 1);
  EXPECT_EQ(Last("popup"), "");
  ui::destroy_window(WinTop());
  Drive();

  WriteFile("TTHELP.HLP", "02 Name\n02 The item's name.\n");
  WriteScreen("TWO", "OPEN$:1\nHELP$:TTHELP.HLP\n"
                     "WINDOWS$:\",'Calculator;ExpEval H#=H#+1,,,,,,,,Count;ExpEval H#=0;'\"\n");
  ASSERT_EQ(MantWindow(S("TWO"), 86), 0) << ErrDetail().Str();
  Drive();
  r = WinGet(kCurrentIndex);
  r->curField = 2;
  hl->popup("Count");
  EXPECT_EQ(FieldHelpMenu(r, FieldHelpPoint), kFieldCommandDone);
  EXPECT_EQ(Last("popup"), "popup \"Help|Calculator|Count|Untitled Window #3\" -> 3");
  EXPECT_EQ(Num("H#"), 2);
  hl->popup("Help").answer(1);
  EXPECT_EQ(FieldHelpMenu(r, FieldHelpPoint), 0);
  EXPECT_NE(Last("box").find("The item's name."), std::string::npos) << Last("box");
  hl->popup(0);
  EXPECT_EQ(FieldHelpMenu(r, FieldHelpPoint), 0);
  EXPECT_EQ(Num("H#"), 2);
  // The calculator: two values typed, Enter; the total goes into the field.
  hl->popup("Calculator").type("5").key(ui::VK_RETURN);
  EXPECT_EQ(FieldHelpMenu(WinGet(kCurrentIndex), FieldHelpPoint), 0) << ErrDetail().Str();
  EXPECT_EQ(Field(2), "5.00");
  hl->popup("Calculator").key(ui::VK_HOME).key(ui::VK_END, ui::KEY_SHIFT).type("7").key(ui::VK_RETURN);
  EXPECT_EQ(FieldHelpMenu(WinGet(kCurrentIndex), FieldHelpPoint), 0) << ErrDetail().Str();
  EXPECT_EQ(Field(2), "12.00");
  // Cancelled: the field keeps its value and the answer is 0, as 122 would
  // close the window the field is on.
  hl->popup("Calculator").key(ui::VK_ESCAPE);
  EXPECT_EQ(FieldHelpMenu(WinGet(kCurrentIndex), FieldHelpPoint), 0) << ErrDetail().Str();
  EXPECT_EQ(Field(2), "12.00");
  ErrClear();
  // The adding applet, the only command of its field: no popup; each value
  // entered is added to the total, which the field receives.
  WriteScreen("ADD", "OPEN$:1\nWINDOWS$:\",,,'Add_Applet;'\"\n");
  ASSERT_EQ(MantWindow(S("ADD"), 86), 0) << ErrDetail().Str();
  Drive();
  size_t popups = Popups();
  for (const char* value : {"4", "6"}) {
    WinRecord* add = WinGet(kCurrentIndex);
    add->curField = 4;
    hl->key(ui::VK_HOME).key(ui::VK_END, ui::KEY_SHIFT).type(value).key(ui::VK_RETURN);
    EXPECT_EQ(FieldHelpMenu(add, FieldHelpPoint), 0) << ErrDetail().Str();
  }
  EXPECT_EQ(Field(4), "10");
  EXPECT_EQ(Popups(), popups);
  ui::destroy_window(WinTop());
  Drive();
  // A help file that has no such section: "Help Page not defined".
  WriteFile("TTHELP.HLP", "01 Code\n");
  hl->popup("Help").answer(1);
  EXPECT_EQ(FieldHelpMenu(WinGet(kCurrentIndex), FieldHelpPoint), 0);
  EXPECT_NE(Last("box").find("Help Page not defined"), std::string::npos) << Last("box");
  EXPECT_NE(Last("box").find("TTHELP.HLP,2"), std::string::npos) << Last("box");
}

}  // namespace
