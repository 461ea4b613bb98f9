// The window-system core: creation and destruction, focus and activation,
// the queue and its loops, timers and geometry.
#include <algorithm>

#include "test_ui_fixture.h"

namespace uitest {
namespace {

std::string H(Hwnd h) { return "#" + std::to_string(h); }

TEST_F(UiTest, ShowingActivatesAndDestroyLeavesNoFocus) {
  Hwnd a = top("A");
  show_window(a, Show::Show);
  Hwnd b = top("B", a);
  EXPECT_EQ(get_owner(b), a);
  show_window(b, Show::Show);
  destroy_window(b);
  std::vector<std::string> want = {H(a) + " CREATE",           H(a) + " SETFOCUS 0", H(b) + " CREATE",
                                   H(a) + " KILLFOCUS " + std::to_string(b), H(b) + " SETFOCUS " + std::to_string(a),
                                   H(b) + " DESTROY"};
  EXPECT_EQ(g_log, want);
  EXPECT_EQ(get_focus(), 0u);
  EXPECT_EQ(active_window(), a);
  EXPECT_TRUE(is_enabled(a));
  Hwnd c = top("C", a), d = top("D");
  show_window(c, Show::Show);
  show_window(d, Show::Show);
  raise_window(a);  // what it owns stays above it
  EXPECT_EQ(top_levels(), (std::vector<Hwnd>{d, a, c}));
  destroy_window(c);
  destroy_window(d);
  g_log.clear();
  set_focus(a);
  set_focus(a);  // the focused window again: nothing
  EXPECT_EQ(g_log, std::vector<std::string>{H(a) + " SETFOCUS 0"});
}

// A field that refuses to lose the focus takes it back from its KILLFOCUS.
LResult keeps_focus(Hwnd h, Msg m, WParam wp, LParam lp) {
  if (m == WM_KILLFOCUS) set_focus(h);
  return record(h, m, wp, lp);
}

TEST_F(UiTest, AFocusChangeMadeByTheWindowLosingItWins) {
  Hwnd w = top("F");
  show_window(w, Show::Show);
  Hwnd e1 = child(w, "EDIT", 2000), e2 = child(w, "EDIT", 2001);
  watch(e2);
  set_focus(e1);
  g_next[e1] = set_window_proc(e1, keeps_focus);
  g_log.clear();
  EXPECT_EQ(set_focus(e2), e1);
  EXPECT_EQ(get_focus(), e1);
  EXPECT_EQ(g_log, std::vector<std::string>{H(e1) + " KILLFOCUS " + std::to_string(e2)});
}

TEST_F(UiTest, AClickMovesTheFocusBeforeTheCommand) {
  Hwnd w = top("Form");
  show_window(w, Show::Show);
  Hwnd e = child(w, "EDIT", 2000), b = child(w, "BUTTON", 3100, 0, "Ok");
  watch(e);
  watch(b);
  set_focus(e);
  g_log.clear();
  hl->click(3100);
  pump_all();
  std::vector<std::string> want = {H(e) + " KILLFOCUS " + std::to_string(b), H(b) + " SETFOCUS " + std::to_string(e),
                                   H(b) + " LBUTTONDOWN", H(w) + " COMMAND 3100/0"};
  EXPECT_EQ(g_log, want);
  EXPECT_TRUE(reports.empty());
}

TEST_F(UiTest, KeysArriveAsDownCharUpWithTheirModifiers) {
  Hwnd w = top("K");
  show_window(w, Show::Show);
  Hwnd e = child(w, "EDIT", 2000);
  watch(e);
  set_focus(e);
  g_log.clear();
  hl->key(VK_TAB, KEY_SHIFT);
  pump_all();
  std::string h = H(e);
  std::vector<std::string> want = {h + " KEYDOWN 16+S", h + " KEYDOWN 9+S", h + " CHAR 9", h + " KEYUP 9+S",
                                   h + " KEYUP 16"};
  EXPECT_EQ(g_log, want);
  EXPECT_EQ(key_modifiers(), 0);
  // A letter with Alt (as a terminal reads Esc and a letter) is no text.
  g_log.clear();
  ASSERT_TRUE(input_key('N', KEY_ALT, 'n'));
  pump_all();
  want = {h + " KEYDOWN 18", h + " KEYDOWN 78", h + " KEYUP 78", h + " KEYUP 18"};
  EXPECT_EQ(g_log, want);
  EXPECT_EQ(get_text(e), "");
}

// Swallows every key-down and posts a message from it.
LResult swallow_keys(Hwnd h, Msg m, WParam wp, LParam lp) {
  if (m == WM_KEYDOWN) {
    g_log.push_back(entry(h, m, wp, lp));
    post(h, WM_USER + 1);
    return 0;
  }
  return record(h, m, wp, lp);
}

TEST_F(UiTest, TheCharacterFollowsItsKeyDownEvenWhenTheKeyIsSwallowed) {
  Hwnd w = top("K");
  show_window(w, Show::Show);
  Hwnd e = child(w, "EDIT", 2000);
  g_next[e] = set_window_proc(e, swallow_keys);
  set_focus(e);
  g_log.clear();
  hl->type("x");
  pump_all();
  std::string h = H(e);
  std::vector<std::string> want = {h + " KEYDOWN 88", h + " CHAR 120", h + " KEYUP 88", h + " USER"};
  EXPECT_EQ(g_log, want);
  EXPECT_EQ(get_text(e), "x");
}

TEST_F(UiTest, AScanIsCtrlBracketTheCharactersAndEnter) {
  Hwnd w = top("S");
  show_window(w, Show::Show);
  Hwnd e = child(w, "EDIT", 2000);
  watch(e);
  set_focus(e);
  g_log.clear();
  hl->scan("12");
  pump_all();
  std::string h = H(e);
  EXPECT_EQ(only("CHAR"), (std::vector<std::string>{h + " CHAR 29", h + " CHAR 49", h + " CHAR 50", h + " CHAR 13"}));
  EXPECT_EQ(get_text(e), "12");  // control characters do not reach the text
}

// ---- Loops ------------------------------------------------------------------

struct Nesting {
  bool innerSawQuit = false;
  bool innerRan = false;
} g_nest;

LResult outer_proc(Hwnd h, Msg m, WParam wp, LParam lp) {
  if (m == WM_USER + 2) {  // opens B and runs a loop over it; B's work posts a quit
    CreateSpec s;
    s.cls = "Rec";
    s.title = "B";
    s.parent = h;
    Hwnd b = create_window(s);
    show_window(b, Show::Show);
    post_quit(5);
    g_nest.innerSawQuit = run_loop(b);
    g_nest.innerRan = true;
    destroy_window(b);
    set_focus(h);
    post(h, WM_USER + 3);
    return 0;
  }
  if (m == WM_USER + 3) {
    destroy_window(h);
    return 0;
  }
  return def_window_proc(h, m, wp, lp);
}

TEST_F(UiTest, AQuitEndsOnlyTheInnermostLoop) {
  register_class("Outer", outer_proc);
  CreateSpec s;
  s.cls = "Outer";
  s.title = "A";
  Hwnd a = create_window(s);
  show_window(a, Show::Show);
  post(a, WM_USER + 2);
  g_nest = Nesting{};
  bool outerSawQuit = run_loop(a);
  EXPECT_TRUE(g_nest.innerRan);
  EXPECT_TRUE(g_nest.innerSawQuit);
  EXPECT_FALSE(outerSawQuit);  // it ended because A left the top
  EXPECT_FALSE(is_window(a));
  EXPECT_TRUE(reports.empty());
}

// ---- Destruction ------------------------------------------------------------

LResult closes_itself(Hwnd h, Msg m, WParam wp, LParam lp) {
  if (m == WM_CLOSE) {
    destroy_window(h);
    g_log.push_back(std::string("after destroy: ") + (is_window(h) ? "alive" : "dead") + " send=" +
                    std::to_string(send(h, WM_USER + 9)) + " text=" + (set_text(h, "x") ? "set" : "refused"));
    return 0;
  }
  return record(h, m, wp, lp);
}

TEST_F(UiTest, AWindowDestroysItselfInsideItsOwnProcedure) {
  register_class("SelfClose", closes_itself);
  CreateSpec s;
  s.cls = "SelfClose";
  Hwnd w = create_window(s);
  set_timer(w, 1, 10);
  post(w, WM_CLOSE);
  post(w, WM_USER + 1);  // waits behind the close and must never arrive
  pump_pending();
  EXPECT_FALSE(is_window(w));
  EXPECT_EQ(g_log, (std::vector<std::string>{H(w) + " CREATE", H(w) + " DESTROY", "after destroy: dead send=0 text=refused"}));
  EXPECT_EQ(pending_count(), 0u);
  EXPECT_EQ(next_timer_ms(), -1);
  EXPECT_FALSE(post(w, WM_USER + 1));
  EXPECT_EQ(send(w, WM_USER + 1), 0);
}

TEST_F(UiTest, DestroyTakesOwnedWindowsFirstThenParentsBeforeChildren) {
  Hwnd a = top("A");
  show_window(a, Show::Show);
  Hwnd c1 = child(a, "Rec", 1), c2 = child(c1, "Rec", 2);
  Hwnd b = top("B", a);
  set_focus(c2);
  g_log.clear();
  EXPECT_TRUE(destroy_window(a));
  std::vector<std::string> want = {H(b) + " DESTROY", H(a) + " DESTROY", H(c1) + " DESTROY", H(c2) + " DESTROY"};
  EXPECT_EQ(g_log, want);  // no KILLFOCUS, and every handle alive during its DESTROY
  for (Hwnd h : {a, b, c1, c2}) EXPECT_FALSE(is_window(h));
  EXPECT_EQ(get_focus(), 0u);
  EXPECT_TRUE(top_levels().empty());
}

LResult refuses_create(Hwnd h, Msg m, WParam wp, LParam lp) {
  return m == WM_CREATE ? -1 : record(h, m, wp, lp);
}

TEST_F(UiTest, CreationFailsOnUnknownClassDeadParentOrRefusal) {
  register_class("NoThanks", refuses_create);
  EXPECT_FALSE(register_class("nothanks", refuses_create));  // names ignore case
  CreateSpec s;
  s.cls = "NoThanks";
  EXPECT_EQ(create_window(s), 0u);
  s.cls = "NoSuchClass";
  EXPECT_EQ(create_window(s), 0u);
  s.cls = "EDIT";
  s.style = WS_CHILD;
  s.parent = 999;
  EXPECT_EQ(create_window(s), 0u);
  EXPECT_TRUE(top_levels().empty());
}

// ---- Timers -----------------------------------------------------------------

int g_ticks = 0;
void count_tick(Hwnd, Msg, uintptr_t, uint64_t) { ++g_ticks; }

TEST_F(UiTest, TimersFireFromTheVirtualClock) {
  Hwnd w = top("T");
  set_timer(w, 7, 350);
  g_ticks = 0;
  set_timer(0, 0, 100, count_tick);
  g_log.clear();
  hl->advance(349);
  pump_pending();
  EXPECT_EQ(now_ms(), 349u);
  EXPECT_EQ(only("TIMER").size(), 0u);
  EXPECT_EQ(g_ticks, 1);
  pump_pending();  // an idle pump moves the clock by 1 ms
  EXPECT_EQ(only("TIMER"), std::vector<std::string>{H(w) + " TIMER 7"});
  kill_timer(w, 7);
  hl->advance(1000);
  pump_pending();
  EXPECT_EQ(only("TIMER").size(), 1u);
  EXPECT_EQ(g_ticks, 2);  // a late timer fires once, not once per missed period
}

// ---- Geometry ---------------------------------------------------------------

TEST_F(UiTest, FramesClientAreasAndCoordinates) {
  struct Case {
    uint32_t style, ex;
    bool menu;
    Rect want;
  } cases[] = {
      {0, 0, false, {0, 0, 100, 50}},
      {WS_CAPTION, 0, false, {-3, -23, 103, 53}},
      {WS_CAPTION, WS_EX_DLGMODALFRAME, true, {-3, -43, 103, 53}},
      {WS_BORDER, WS_EX_CLIENTEDGE, false, {-3, -3, 103, 53}},
  };
  for (const Case& c : cases) EXPECT_EQ(adjust_window_rect(Rect{0, 0, 100, 50}, c.style, c.ex, c.menu), c.want);
  Hwnd w = top("G");  // at (10, 20), 400 x 300, caption
  EXPECT_EQ(get_client_rect(w), (Rect{0, 0, 394, 274}));
  Hwnd c = child(w, "STATIC", 4001);  // at (10, 40) in the client area
  Point p = client_to_screen(c, Point{0, 0});
  EXPECT_EQ(p.x, 10 + 3 + 10);
  EXPECT_EQ(p.y, 20 + 23 + 40);
  EXPECT_EQ(screen_to_client(c, p).x, 0);
  show_window(w, Show::ShowMaximized);
  EXPECT_EQ(get_window_rect(w), work_area());
  show_window(w, Show::ShowNormal);
  EXPECT_EQ(get_window_rect(w), (Rect{10, 20, 410, 320}));
  scroll_window(w, 0, -16);
  EXPECT_EQ(get_window_rect(c).top, 20 + 23 + 40 - 16);
  set_scroll_range(w, SB_VERT, 0, 100);
  EXPECT_EQ(set_scroll_pos(w, SB_VERT, 150), 0);
  EXPECT_EQ(get_scroll_info(w, SB_VERT).pos, 100);
}

TEST_F(UiTest, FontsCarryTheirMetricsToTheWindowsThatUseThem) {
  EXPECT_EQ(stock_font(StockFont::System), stock_font(StockFont::System));
  TextMetrics sys = font_metrics(stock_font(StockFont::System));
  EXPECT_EQ(sys.avgWidth + 1, 8);  // the cell of the headless screen is 8 x 16
  EXPECT_EQ(sys.height + 3, 16);
  FontSpec spec;
  spec.height = 21;
  spec.width = 11;
  spec.face = "Lucida Console";
  Hfont f = create_font(spec);
  EXPECT_EQ(font_metrics(f).avgWidth, 11);
  EXPECT_EQ(font_metrics(f).height, 21);
  Hwnd w = top("F");
  Hwnd e = child(w, "EDIT", 2000);
  set_font(e, f, true);
  EXPECT_EQ(get_font(e), f);
  EXPECT_FALSE(delete_font(stock_font(StockFont::OemFixed)));
  EXPECT_TRUE(delete_font(f));
  EXPECT_FALSE(font_spec(f, spec));
}

TEST(UiStall, WithoutAHookAFailingRunEndsAtOnce) {
  EXPECT_EXIT(
      {
        HeadlessOptions o;
        o.stall = StallPolicy::Fail;
        init(std::make_unique<Headless>(std::move(o)));
        CreateSpec s;
        s.cls = "STATIC";
        s.title = "Waiting";
        show_window(create_window(s), Show::Show);
        Message m;
        get_message(m);
      },
      ::testing::ExitedWithCode(3), "stall: the program waits(.|\n)*Waiting");
}


// Focuses the window's field 2000 when a command comes.
LResult focus_on_command(Hwnd h, Msg m, WParam wp, LParam lp) {
  if (m == WM_COMMAND) {
    set_focus(get_dlg_item(h, 2000));
    return 0;
  }
  return def_window_proc(h, m, wp, lp);
}

// A field a menu command focuses (a window opened from the menu) has its
// text selected, so typing replaces it; one a button's command focuses, or a
// plain set_focus, keeps the caret where it was.
TEST_F(UiTest, AFieldAMenuCommandFocusesHasItsTextSelected) {
  struct Case {
    const char* id;
    bool fromMenu;
    std::pair<int, int> want;
  } cases[] = {{"menu command", true, {0, 3}}, {"button command", false, {0, 0}}};
  for (const Case& c : cases) {
    Hwnd w = top("F");
    show_window(w, Show::Show);
    Hwnd e = child(w, "EDIT", 2000, 0, "100");
    Hwnd b = child(w, "BUTTON", 1, 0, "Ok");
    set_window_proc(w, focus_on_command);
    set_focus(b);
    edit_set_sel(e, 0, 0);
    post(w, WM_COMMAND, 1, c.fromMenu ? 0 : static_cast<LParam>(b));
    pump_all();
    EXPECT_EQ(get_focus(), e) << c.id;
    EXPECT_EQ(edit_get_sel(e), c.want) << c.id;
    destroy_window(w);
  }
}

// ---- Input held while a window opens --------------------------------------

TEST_F(UiTest, InputTypedWhileAWindowOpensWaitsUnlessAWindowAboveOrAWaitAsksForIt) {
  Hwnd a = top("Main");
  show_window(a, Show::Show);
  hl->type("F78");
  Hwnd e = 0;
  {
    Hwnd w = top("Opening", a);
    const InputHold hold(w);
    pump_pending();  // not shown yet: the main window below it is active
    show_window(w, Show::Show);
    e = child(w, "EDIT", 2000);
    set_focus(e);
    for (int i = 0; i < 5; ++i) pump_pending();
    EXPECT_EQ(hl->steps_left(), 3u);
    // A form the opening shows above the window takes its keys.
    Hwnd f = top("Form", w);
    show_window(f, Show::Show);
    Hwnd fe = child(f, "EDIT", 2001);
    set_focus(fe);
    pump_pending();
    EXPECT_EQ(get_text(fe), "F");
    destroy_window(f);
    set_focus(e);
    for (int i = 0; i < 5; ++i) pump_pending();
    EXPECT_EQ(get_text(e), "");
    // A loop that waits for a key is asking for one.
    ASSERT_TRUE(wait_input());
    pump_pending();
    EXPECT_EQ(get_text(e), "7");
    for (int i = 0; i < 5; ++i) pump_pending();
    EXPECT_EQ(get_text(e), "7");
  }
  pump_all();  // the opening has ended: the key held reaches the window
  EXPECT_EQ(get_text(e), "78");
  EXPECT_TRUE(reports.empty());
}

}  // namespace
}  // namespace uitest
