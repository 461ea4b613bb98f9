// The headless back end: scripts, answers, guards, the stall policy, the
// transcript and the choice of back end from the environment.
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/host/clock.h"
#include "support/runtime_fixture.h"
#include "test_ui_fixture.h"

namespace uitest {
namespace {

bool has_line(const std::vector<std::string>& lines, const std::string& part) {
  for (const std::string& l : lines)
    if (l.find(part) != std::string::npos) return true;
  return false;
}

// ---- Script reader ----------------------------------------------------------

TEST(UiScript, LinesReadBackInTheirCanonicalForm) {
  struct Case {
    const char* line;
    const char* canonical;
  } cases[] = {
      {"key tab+shift", "key Tab+Shift"},
      {"KEY End+Ctrl", "key End+Ctrl"},
      {"key f11", "key F11"},
      {"key 0xEF", "key 239"},
      {"click 3100", "click 3100"},
      {"click \"Ok\"", "click \"Ok\""},
      {"lv-rclick 3201 4", "lv-rclick 3201 4"},
      {"list-dblclick 3350 1", "list-dblclick 3350 1"},
      {"menu \"File>Exit\"", "menu \"File>Exit\""},
      {"scroll v pagedown", "scroll v 3 0"},
      {"scroll h track 40", "scroll h 5 40"},
      {"device 1 12", "device 1 12"},
      {"answer yes match \"Delete\"", "answer Yes match \"Delete\""},
      {"popup none", "popup none"},
      {"popup \"Seek\"", "popup \"Seek\""},
      {"dialog \"C:\\\\apps\\\\a b.pan\"", "dialog \"C:\\\\apps\\\\a b.pan\""},
      {"dialog \"\"", "dialog \"\""},
      {"wait-top class=Progress", "wait-top class=Progress"},
      {"wait-top title=\"Customers \\\"A\\\"\"", "wait-top title=\"Customers \\\"A\\\"\""},
      {"advance 350", "advance 350"},
      {"expect-lv 3200 0 1 \"10.00\"", "expect-lv 3200 0 1 \"10.00\""},
  };
  for (const Case& c : cases) {
    std::vector<Step> steps;
    std::string err;
    ASSERT_TRUE(parse_script(c.line, steps, err)) << c.line << ": " << err;
    ASSERT_EQ(steps.size(), 1u) << c.line;
    EXPECT_EQ(describe(steps[0]), c.canonical) << c.line;
  }
}

TEST(UiScript, TypingAndScanningExpandToKeysAndCommentsAreSkipped) {
  std::vector<Step> steps;
  std::string err;
  ASSERT_TRUE(parse_script("# a comment\n\n  type \"aB\\x81\"\r\nscan \"7\"\n", steps, err)) << err;
  std::vector<std::string> got;
  for (const Step& s : steps) got.push_back(describe(s) + "@" + std::to_string(s.line));
  EXPECT_EQ(got, (std::vector<std::string>{"type \"a\"@3", "type \"B\"@3", "type \"\x81\"@3", "key ]+Ctrl@4",
                                           "type \"7\"@4", "key Enter@4"}));
  EXPECT_EQ(steps[1].mods, KEY_SHIFT);  // a capital is typed with Shift
}

TEST(UiScript, ErrorsNameTheLineAndKeepNothing) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"close\nfly 3", "line 2: unknown step 'fly'"},
      {"key Hyper", "line 1: unknown key 'Hyper'"},
      {"answer Maybe", "line 1: unknown answer 'Maybe'"},
      {"type \"open", "line 1: unterminated quoted text"},
      {"click", "line 1: missing arguments"},
      {"popup 0", "line 1: popup takes"},
      {"dialog cancel", "line 1: dialog takes a quoted path"},
      {"wait-top", "line 1: expected class=NAME"},
      {"scroll x 1", "line 1: scroll takes v or h"},
  };
  for (const Case& c : cases) {
    std::vector<Step> steps;
    std::string err;
    EXPECT_FALSE(parse_script(c.text, steps, err)) << c.text;
    EXPECT_NE(err.find(c.error), std::string::npos) << c.text << " gave " << err;
    EXPECT_TRUE(steps.empty());
  }
}

// ---- Message boxes and popup menus ------------------------------------------

TEST_F(UiTest, AMessageBoxDisablesItsOwnerAndLeavesPostedMessagesWaiting) {
  Hwnd a = top("Main");
  show_window(a, Show::Show);
  Hwnd e = child(a, "EDIT", 2000);
  set_focus(e);
  watch(e);
  post(a, WM_USER + 1);
  hl->answer(IDNO, "Delete");
  g_log.clear();
  EXPECT_EQ(message_box(e, "Delete Record(s)?", "Question", MB_YESNO | MB_ICONINFORMATION), IDNO);
  EXPECT_TRUE(is_enabled(a));
  EXPECT_EQ(get_focus(), e);
  EXPECT_TRUE(g_log.empty());  // no focus messages: the box did not take the focus
  EXPECT_EQ(pending_count(), 1u);
  const auto& t = hl->transcript();
  std::string h = "#" + std::to_string(a);
  ASSERT_GE(t.size(), 3u);
  EXPECT_EQ(t[t.size() - 3], "enable " + h + " 0");
  EXPECT_EQ(t[t.size() - 2], "box type=0x00000044 caption=\"Question\" text=\"Delete Record(s)?\" -> No");
  EXPECT_EQ(t[t.size() - 1], "enable " + h + " 1");
  EXPECT_TRUE(reports.empty());
}

TEST_F(UiTest, BoxAnswersAreCheckedAgainstTheTextAndTheButtons) {
  hl->answer(IDYES, "Delete").answer(IDRETRY);
  EXPECT_EQ(message_box(0, "Save?", "", MB_YESNO), IDYES);  // a mismatch is reported, the answer given
  EXPECT_EQ(message_box(0, "Done", "", MB_OK), IDOK);       // no Retry on an OK box
  EXPECT_EQ(message_box(0, "Again", "", MB_OK), IDOK);      // unscripted under fail
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_NE(reports[0].find("does not match"), std::string::npos);
  EXPECT_NE(reports[1].find("no such button"), std::string::npos);
  EXPECT_NE(reports[2].find("unscripted box"), std::string::npos);
}

TEST_F(UiTest, UnscriptedBoxesUnderCancelNeverTakeTheDestructiveAnswer) {
  hl->set_policy(StallPolicy::Cancel);
  struct Case {
    uint32_t type;
    int want;
  } cases[] = {{MB_OK | MB_ICONINFORMATION, IDOK}, {MB_OKCANCEL, IDCANCEL}, {MB_YESNO, IDNO},
               {MB_YESNOCANCEL, IDCANCEL},         {MB_RETRYCANCEL, IDCANCEL}, {MB_ABORTRETRYIGNORE, IDABORT}};
  for (const Case& c : cases) EXPECT_EQ(message_box(0, "?", "", c.type), c.want) << c.type;
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(hl->boxes().size(), 6u);
}

TEST_F(UiTest, PopupMenusTakeTheScriptedChoice) {
  Hwnd a = top("Main");
  show_window(a, Show::Show);
  Hmenu p = menu_create_popup();
  int id = 1700;
  for (const char* c : {"View", "Insert", "Delete", "Seek"}) menu_append_item(p, id++, c);
  hl->popup(2).popup("Seek").popup(0).popup(9);
  EXPECT_EQ(track_popup_menu(a, p, Point{5, 5}, TPM_RETURNCMD), 1701);
  EXPECT_EQ(track_popup_menu(a, p, Point{5, 5}, TPM_RETURNCMD), 1703);
  EXPECT_EQ(track_popup_menu(a, p, Point{5, 5}, TPM_RETURNCMD), 0);
  EXPECT_EQ(track_popup_menu(a, p, Point{5, 5}, TPM_RETURNCMD), 0);  // no ninth item: reported
  EXPECT_EQ(track_popup_menu(a, p, Point{5, 5}, TPM_RETURNCMD), 0);  // unscripted: reported
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_NE(reports[0].find("no such item"), std::string::npos);
  EXPECT_NE(reports[1].find("unscripted popup"), std::string::npos);
  EXPECT_TRUE(is_enabled(a));
}

TEST_F(UiTest, FileDialogsTakeTheScriptedPathAndAreRecorded) {
  Hwnd a = top("Main");
  show_window(a, Show::Show);
  DialogRequest req;
  req.kind = DialogKind::Save;
  req.title = "Export";
  req.filters = {{"Text Files (*.TXT)", "*.TXT"}, {"All Files (*.*)", "*.*"}};
  req.initial = "*.TXT";
  hl->dialog("out.txt").dialog("");
  std::string path = "stale";
  EXPECT_TRUE(path_dialog(a, req, path));
  EXPECT_EQ(path, "out.txt");
  EXPECT_FALSE(path_dialog(a, req, path));  // an empty answer cancels
  EXPECT_EQ(path, "");
  EXPECT_TRUE(reports.empty());
  EXPECT_FALSE(path_dialog(a, req, path));  // unscripted under fail: reported, cancelled
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("unscripted dialog save"), std::string::npos);
  EXPECT_TRUE(is_enabled(a));
  const auto& t = hl->transcript();
  std::string h = "#" + std::to_string(a);
  ASSERT_GE(t.size(), 3u);
  EXPECT_TRUE(has_line(t, "enable " + h + " 0"));
  EXPECT_TRUE(has_line(t, "dialog save title=\"Export\" filter=\"Text Files (*.TXT)|*.TXT|All Files (*.*)|*.*\" "
                          "initial=\"*.TXT\" -> \"out.txt\""));
  EXPECT_TRUE(has_line(t, "initial=\"*.TXT\" -> cancel"));
  ASSERT_EQ(hl->dialogs().size(), 3u);
  EXPECT_FALSE(hl->dialogs()[1].chosen);
}

TEST_F(UiTest, ADialogStepWaitsForItsDialogAndViewersAreOnlyRecorded) {
  hl->set_policy(StallPolicy::Cancel);
  hl->dialog("x.pan");
  EXPECT_FALSE(hl->poll_input());  // not input: it waits for the dialog
  EXPECT_EQ(hl->steps_left(), 1u);
  std::string path;
  EXPECT_TRUE(path_dialog(0, DialogRequest{}, path));
  EXPECT_EQ(path, "x.pan");
  EXPECT_FALSE(viewer_allowed("\"xdg-open\"", "a b.pdf"));
  EXPECT_TRUE(has_line(hl->transcript(), "viewer \"\\\"xdg-open\\\"\" \"a b.pdf\" (not started)"));
  EXPECT_EQ(hl->viewers().size(), 1u);
  EXPECT_TRUE(reports.empty());
}

TEST_F(UiTest, MenuStepsPostTheItemCommandToAnEnabledWindow) {
  Hwnd a = top("Main");
  Hmenu bar = menu_create_bar(), file = menu_create_popup();
  menu_append_item(file, 1500, "&Open");
  menu_append_item(file, 1501, "E&xit");
  menu_append_popup(bar, file, "&File");
  set_menu(a, bar);
  show_window(a, Show::Show);
  std::string err;
  ASSERT_TRUE(hl->load_script("menu \"File>Exit\"\nmenu 1500", err)) << err;
  pump_all();
  std::string h = "#" + std::to_string(a);
  EXPECT_EQ(only("COMMAND"), (std::vector<std::string>{h + " COMMAND 1501/0", h + " COMMAND 1500/0"}));
  enable_window(a, false);  // a modal window is open over it
  hl->menu(1501);
  pump_all();
  EXPECT_EQ(only("COMMAND").size(), 2u);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("no enabled window"), std::string::npos);
}

// ---- Guards, expectations, device and scroll input -----------------------

TEST_F(UiTest, AGuardHoldsLaterStepsUntilItsWindowIsOnTop) {
  Hwnd a = top("Main");
  show_window(a, Show::Show);
  register_class("Progress", record);
  hl->wait_top("Progress").key(VK_ESCAPE);
  for (int i = 0; i < 5; ++i) pump_pending();
  EXPECT_EQ(hl->steps_left(), 2u);
  CreateSpec s;
  s.cls = "Progress";
  s.title = "Process in progress.....";
  s.parent = a;
  Hwnd p = create_window(s);
  show_window(p, Show::Show);
  g_log.clear();
  pump_all();
  EXPECT_EQ(only("KEYDOWN"), std::vector<std::string>{"#" + std::to_string(p) + " KEYDOWN 27"});
  EXPECT_TRUE(reports.empty());
}

TEST_F(UiTest, ExpectationsReportWhatTheyFound) {
  Hwnd a = top("Main");
  show_window(a, Show::Show);
  child(a, "EDIT", 2000, 0, "abc");
  std::string err;
  ASSERT_TRUE(hl->load_script("expect-text 2000 \"abc\"\nexpect-text 2000 \"abd\"\nexpect-enabled 2000 0\n"
                              "expect-top class=Rec title=\"Main\"",
                              err));
  pump_all();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0], "line 2: expect-text 2000 \"abd\" (found \"abc\")");
  EXPECT_EQ(reports[1], "line 3: expect-enabled 2000 0 (found enabled)");
}

TEST_F(UiTest, DeviceAndScrollStepsReachTheActiveWindow) {
  Hwnd a = top("Main", 0, WS_CAPTION | WS_VSCROLL);
  show_window(a, Show::Show);
  set_scroll_range(a, SB_VERT, 0, 500);
  hl->device(2, 17).scroll(true, SB_THUMBTRACK, 120);
  std::vector<Message> seen;
  for (int i = 0; i < 4; ++i) {
    pump_pending();
  }
  EXPECT_EQ(only("DEVICE").size(), 1u);
  EXPECT_EQ(only("VSCROLL").size(), 1u);
  EXPECT_EQ(get_scroll_info(a, SB_VERT).track, 120);
}

// ---- Stall policy -----------------------------------------------------------

TEST_F(UiTest, AStallUnderFailReportsTheWindowStackAndStillEnds) {
  Hwnd a = top("Customers");
  show_window(a, Show::Show);
  run_loop(a);  // nobody answers: Esc does nothing here, the close destroys it
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("stall"), std::string::npos);
  EXPECT_NE(reports[0].find("class=\"Rec\" title=\"Customers\""), std::string::npos);
  EXPECT_NE(reports[0].find("the script has no steps left"), std::string::npos);
  EXPECT_FALSE(is_window(a));
  std::string h = "#" + std::to_string(a);
  EXPECT_TRUE(has_line(hl->transcript(), "stall " + h + ": Esc"));
  EXPECT_TRUE(has_line(hl->transcript(), "stall " + h + ": close"));
}

// Closing asks first; Esc closes too, as the framework's windows do.
LResult asks_before_closing(Hwnd h, Msg m, WParam wp, LParam lp) {
  if (m == WM_CLOSE) {
    if (message_box(h, "Exit?", "", MB_YESNO) != IDYES) return 0;
    destroy_window(h);
    return 0;
  }
  return record(h, m, wp, lp);
}

LResult never_closes(Hwnd h, Msg m, WParam wp, LParam lp) { return m == WM_CLOSE ? 0 : record(h, m, wp, lp); }

TEST_F(UiTest, UnderCancelARunEndsWhateverTheWindowDoes) {
  hl->set_policy(StallPolicy::Cancel);
  register_class("Asks", asks_before_closing);
  register_class("Stubborn", never_closes);
  CreateSpec s;
  s.cls = "Asks";
  Hwnd a = create_window(s);
  show_window(a, Show::Show);
  EXPECT_FALSE(run_loop(a));
  EXPECT_FALSE(is_window(a));
  ASSERT_EQ(hl->boxes().size(), 1u);
  EXPECT_EQ(hl->boxes()[0].answer, IDYES);  // the close the stand-in started may proceed

  s.cls = "Stubborn";
  Hwnd b = create_window(s);
  show_window(b, Show::Show);
  EXPECT_TRUE(run_loop(b));  // Esc, close, then a quit ends the loop
  EXPECT_TRUE(is_window(b));
  EXPECT_FALSE(run_loop(b));  // and the next stall destroys the window
  EXPECT_FALSE(is_window(b));
  EXPECT_TRUE(reports.empty());
}

// Esc opens a window that asks first (a plain window the stand-in can close);
// closing A itself needs the close request.
LResult asks_in_a_window_on_esc(Hwnd h, Msg m, WParam wp, LParam lp) {
  if (m == WM_KEYDOWN && wp == VK_ESCAPE) {
    CreateSpec s;
    s.cls = "Rec";
    s.title = "Exit?";
    s.parent = h;
    show_window(create_window(s), Show::Show);
    return 0;
  }
  return record(h, m, wp, lp);
}

TEST_F(UiTest, UnderCancelAWindowComingBackOnTopDoesNotRestartItsEscalation) {
  hl->set_policy(StallPolicy::Cancel);
  register_class("AsksInAWindow", asks_in_a_window_on_esc);
  CreateSpec s;
  s.cls = "AsksInAWindow";
  Hwnd a = create_window(s);
  show_window(a, Show::Show);
  bool quit = false;
  for (int i = 0; i < 50 && !quit && is_window(a); ++i) {
    PumpResult r = pump_pending();
    quit = r.quit;
    if (!quit && r.dispatched == 0) wait_input();
  }
  EXPECT_FALSE(is_window(a));  // Esc, the asking window closed, then A's close
  EXPECT_LE(hl->stalls(), 4);
}

// ---- Determinism ------------------------------------------------------------

std::vector<std::string> one_run() {
  HeadlessOptions o;
  o.stall = StallPolicy::Cancel;
  init(std::make_unique<Headless>(std::move(o)));
  register_class("Rec", record);
  CreateSpec s;
  s.cls = "Rec";
  s.title = "Orders";
  s.style = WS_CAPTION;
  Hwnd w = create_window(s);
  CreateSpec e{"EDIT", "", WS_CHILD | WS_VISIBLE, 0, 10, 10, 100, 20, w, 2000, 0};
  create_window(e);
  CreateSpec b{"BUTTON", "Ok", WS_CHILD | WS_VISIBLE, 0, 10, 40, 60, 20, w, 3100, 0};
  create_window(b);
  show_window(w, Show::Show);
  std::string err;
  headless()->load_script("click 2000\ntype \"42\"\nsnapshot form\nclick \"Ok\"\nadvance 10", err);
  run_loop(w);
  std::vector<std::string> t = headless()->transcript();
  shutdown();
  return t;
}

TEST(UiHeadless, TheSameScriptGivesTheSameTranscript) {
  std::vector<std::string> first = one_run(), second = one_run();
  EXPECT_EQ(first, second);
  EXPECT_TRUE(has_line(first, "|   #2 EDIT id=2000 rect=13,33,100,20 \"42\" [focus]"));
  EXPECT_TRUE(has_line(first, "stall #1: Esc"));
}

// ---- Choosing the back end --------------------------------------------------

struct EnvCase {
  const char* ui;
  const char* stall;
  const char* script;  // text of the script file, null for none
  Status want;
  const char* transcript = "t.txt";
};

TEST(UiSelect, TheEnvironmentChoosesAndBadSettingsAreReported) {
  TempDir dir;
  EnvCase cases[] = {
      {"headless", "fail", "close\n", st::OK},
      {"headless", "sometimes", nullptr, st::BADINPUTDATA},
      {"windowed", nullptr, nullptr, st::BADINPUTDATA},
      {"terminal", nullptr, nullptr, st::SCREENENVIRON},
      {"headless", nullptr, "clack 3\n", st::BADINPUTDATA},
      {"headless", nullptr, nullptr, st::FILEOPENING, "no/such/dir/t.txt"},
  };
  for (const EnvCase& c : cases) {
    setenv("KX_UI", c.ui, 1);
    c.stall ? setenv("KX_UI_STALL", c.stall, 1) : unsetenv("KX_UI_STALL");
    std::string script = dir.File("steps.txt");
    if (c.script) std::ofstream(script) << c.script;
    c.script ? setenv("KX_UI_SCRIPT", script.c_str(), 1) : unsetenv("KX_UI_SCRIPT");
    setenv("KX_UI_TRANSCRIPT", dir.File(c.transcript).c_str(), 1);
    EXPECT_EQ(init_from_env(), c.want) << c.ui << " " << (c.stall ? c.stall : "");
    ASSERT_NE(headless(), nullptr);  // the layer always works
    if (c.want != st::OK) {
      EXPECT_FALSE(last_error().empty());
    } else {
      EXPECT_EQ(headless()->policy(), StallPolicy::Fail);
    }
    shutdown();
  }
  for (const char* v : {"KX_UI", "KX_UI_STALL", "KX_UI_SCRIPT", "KX_UI_TRANSCRIPT"}) unsetenv(v);
}

TEST(UiSelect, AHeadlessRunDrivesTheHostClock) {
  setenv("KX_UI", "headless", 1);
  ASSERT_EQ(init_from_env(), st::OK);
  unsetenv("KX_UI");
  ClockSleepMs(500);  // a WAIT of half a second
  EXPECT_EQ(now_ms(), 500u);
  EXPECT_EQ(ClockMonotonicMs(), 500);
  pump_pending();
  EXPECT_EQ(ClockMonotonicMs(), 501);
  shutdown();
  EXPECT_EQ(ClockInstall(nullptr), nullptr);  // the system clock is back
}

TEST(UiSelect, ABackEndReplacingOneThatDrivesTheHostClockTakesTheClockOver) {
  setenv("KX_UI", "headless", 1);
  ASSERT_EQ(init_from_env(), st::OK);
  unsetenv("KX_UI");
  HeadlessOptions o;
  o.hostClock = true;
  init(std::make_unique<Headless>(std::move(o)));  // built before the old one is dropped
  ClockSleepMs(40);
  EXPECT_EQ(now_ms(), 40u);
  EXPECT_EQ(ClockMonotonicMs(), 40);
  shutdown();
  EXPECT_EQ(ClockInstall(nullptr), nullptr);  // the system clock is back
}

TEST(UiSelect, TheTranscriptFileHoldsWhatWasShown) {
  TempDir dir;
  HeadlessOptions o;
  o.transcriptPath = dir.File("t.txt");
  init(std::make_unique<Headless>(std::move(o)));
  CreateSpec s;
  s.cls = "STATIC";
  s.title = "hello";
  Hwnd w = create_window(s);
  set_text(w, "bye");
  shutdown();
  std::ifstream in(dir.File("t.txt"));
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "create #1 class=\"STATIC\" title=\"hello\" style=0x00000000 owner=#0 rect=0,0,640,480\n"
                        "text #1 \"bye\"\n");
}

}  // namespace
}  // namespace uitest
