// Built-in behaviour of the standard controls and the list view.
#include "test_ui_fixture.h"

namespace uitest {
namespace {

class ControlsTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    form = top("Form");
    show_window(form, Show::Show);
  }
  void run(std::string_view script) {
    std::string err;
    ASSERT_TRUE(hl->load_script(script, err)) << err;
    pump_all();
  }
  Hwnd form = 0;
};

TEST_F(ControlsTest, EditKeysEditTheText) {
  struct Case {
    const char* id;
    const char* text;
    uint32_t style;
    int limit;
    int selStart, selEnd;  // -1: caret at the end
    const char* script;
    const char* want;
  } cases[] = {
      {"backspace", "abc", 0, 0, -1, -1, "key Back", "ab"},
      {"home-delete", "abc", 0, 0, -1, -1, "key Home\nkey Delete", "bc"},
      {"left-insert", "abc", 0, 0, -1, -1, "key Left\ntype \"X\"", "abXc"},
      {"typing-replaces-selection", "abc", 0, 0, 0, -1, "type \"Z\"", "Z"},
      {"shift-home-selects", "abc", 0, 0, -1, -1, "key Left\nkey Home+Shift\nkey Delete", "c"},
      {"limit-refuses", "abc", 0, 3, -1, -1, "type \"d\"", "abc"},
      {"read-only", "abc", ES_READONLY, 0, -1, -1, "key Back\ntype \"d\"", "abc"},
      {"number-only-digits", "", ES_NUMBER, 0, -1, -1, "type \"a1-2\"", "12"},
      {"control-chars-ignored", "", 0, 0, -1, -1, "key Enter\nkey Esc\nkey Tab\ntype \"ok\"", "ok"},
  };
  int id = 2000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Hwnd e = child(form, "EDIT", id++, c.style, c.text);
    if (c.limit) edit_set_limit(e, c.limit);
    edit_set_sel(e, c.selStart, c.selEnd);
    set_focus(e);
    run(c.script);
    EXPECT_EQ(get_text(e), c.want);
    destroy_window(e);
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(ControlsTest, APasswordEditShowsStarsButKeepsItsText) {
  Hwnd e = child(form, "EDIT", 2000, ES_PASSWORD);
  set_focus(e);
  run("type \"s3cr\"\nexpect-text 2000 \"s3cr\"");
  EXPECT_EQ(display_text(e), "****");
  for (const std::string& line : hl->transcript()) EXPECT_EQ(line.find("s3cr\" ["), std::string::npos);
  EXPECT_TRUE(reports.empty());
}

TEST_F(ControlsTest, CheckBoxesAndButtonsReportClicksToTheirParent) {
  Hwnd manual = child(form, "BUTTON", 3001, BS_CHECKBOX), automatic = child(form, "BUTTON", 3002, BS_AUTOCHECKBOX);
  Hwnd push = child(form, "BUTTON", 3003, BS_PUSHBUTTON, "Go");
  watch(manual);
  g_log.clear();
  run("click 3001\nclick 3002\nclick \"Go\"\nkey Space");
  EXPECT_FALSE(button_get_check(manual));  // its owner decides the mark
  EXPECT_TRUE(button_get_check(automatic));
  std::string f = "#" + std::to_string(form);
  EXPECT_EQ(only("COMMAND"), (std::vector<std::string>{f + " COMMAND 3001/0", f + " COMMAND 3002/0",
                                                       f + " COMMAND 3003/0", f + " COMMAND 3003/0"}));
  EXPECT_EQ(only("LBUTTONDOWN"), std::vector<std::string>{"#" + std::to_string(manual) + " LBUTTONDOWN"});
  EXPECT_EQ(get_focus(), push);
  EXPECT_TRUE(reports.empty());
}

TEST_F(ControlsTest, ADisabledControlTakesNoClick) {
  Hwnd b = child(form, "BUTTON", 3100, 0, "Ok");
  enable_window(b, false);
  g_log.clear();
  run("click 3100");
  EXPECT_TRUE(only("COMMAND").empty());
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("takes no input"), std::string::npos);
}

TEST_F(ControlsTest, ProgressPositionStaysInItsRange) {
  Hwnd p = child(form, "msctls_progress32", 1);
  send(p, PBM_SETRANGE, 0, static_cast<LParam>(MakeLong(0, 200)));
  EXPECT_EQ(send(p, PBM_SETPOS, 250), 0);
  send(p, PBM_SETPOS, 250);
  EXPECT_EQ(progress_pos(p), 200);
  EXPECT_EQ(std::count(hl->transcript().begin(), hl->transcript().end(), "progress #" + std::to_string(p) + " 200"), 1);
}

int g_keyReport = -1;
LResult list_parent(Hwnd h, Msg m, WParam wp, LParam lp) {
  if (m == WM_VKEYTOITEM) {
    g_log.push_back("VKEYTOITEM " + std::to_string(LoWord(wp)) + " caret " + std::to_string(HiWord(wp)));
    return g_keyReport;
  }
  return record(h, m, wp, lp);
}

TEST_F(ControlsTest, ListBoxReportsKeysAndDoubleClicks) {
  set_window_proc(form, list_parent);
  Hwnd l = child(form, "LISTBOX", 3350, LBS_NOTIFY | LBS_WANTKEYBOARDINPUT);
  for (const char* s : {"one", "two", "three"}) listbox_add(l, s);
  set_focus(l);
  g_keyReport = -2;  // the parent handles the key
  run("key Down");
  EXPECT_EQ(listbox_caret(l), 0);
  g_keyReport = -1;  // default handling
  run("key Down");
  EXPECT_EQ(listbox_get_sel(l), 1);
  run("list-dblclick 3350 2");
  EXPECT_EQ(listbox_get_sel(l), 2);
  std::string f = "#" + std::to_string(form);
  EXPECT_EQ(only("VKEYTOITEM"), (std::vector<std::string>{"VKEYTOITEM 40 caret 0", "VKEYTOITEM 40 caret 0"}));
  EXPECT_EQ(only("COMMAND"), (std::vector<std::string>{f + " COMMAND 3350/1", f + " COMMAND 3350/1",
                                                       f + " COMMAND 3350/2"}));
  EXPECT_TRUE(reports.empty());
}

TEST_F(ControlsTest, AComboSelectionIsAcceptedWithNotificationNine) {
  Hwnd c = child(form, "COMBOBOX", 3500, CBS_SIMPLE);
  for (const char* s : {"COM1", "COM2"}) combo_add(c, s);
  g_log.clear();
  run("combo-select 3500 1");
  std::string f = "#" + std::to_string(form);
  EXPECT_EQ(only("COMMAND"), (std::vector<std::string>{f + " COMMAND 3500/1", f + " COMMAND 3500/9"}));
  EXPECT_EQ(combo_get_sel(c), 1);
  EXPECT_EQ(get_text(c), "COM2");
  EXPECT_EQ(get_focus(), c);
}

// ---- List view --------------------------------------------------------------

bool g_takePgDn = false;
LResult grid_parent(Hwnd h, Msg m, WParam wp, LParam lp) {
  if (m == WM_NOTIFY) {
    auto* hdr = reinterpret_cast<NotifyHeader*>(lp);
    g_log.push_back("notify " + std::to_string(hdr->code));
    if (hdr->code == LVN_KEYDOWN && g_takePgDn && reinterpret_cast<NotifyKey*>(lp)->vk == VK_NEXT) return 1;
    return 0;
  }
  return record(h, m, wp, lp);
}

class ListViewTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    g_takePgDn = false;
    set_window_proc(form, grid_parent);
    CreateSpec s;
    s.cls = "SysListView32";
    s.style = WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL;
    s.parent = form;
    s.id = 3200;
    s.x = 0, s.y = 0, s.width = 200, s.height = 80;  // a header and 4 rows of 16 px
    lv = create_window(s);
    lv_insert_column(lv, 0, "Code", 60, Align::Left);
    lv_insert_column(lv, 1, "Amount", 90, Align::Right);
    for (int r = 0; r < 10; ++r) {
      lv_insert_item(lv, r, "c" + std::to_string(r));
      lv_set_item_text(lv, r, 1, std::to_string(r * 10));
    }
    g_log.clear();
  }
  Hwnd lv = 0;
};

TEST_F(ListViewTest, AClickFocusesSelectsThenNotifies) {
  run("lv-click 3200 2\nlv-dblclick 3200 2");
  std::vector<std::string> want = {"#" + std::to_string(form) + " KILLFOCUS " + std::to_string(lv),
                                   "notify -7", "notify -101", "notify -2",   // focus, selection, click
                                   "notify -2", "notify -3"};                 // a double click clicks first
  EXPECT_EQ(g_log, want);
  EXPECT_EQ(lv_selection_mark(lv), 2);
  EXPECT_EQ(lv_selected_count(lv), 1);
  EXPECT_TRUE(reports.empty());
}

TEST_F(ListViewTest, PageKeysMoveTheSelectionAndScrollUnlessTheParentTakesThem) {
  EXPECT_EQ(lv_rows_per_page(lv), 4);
  set_focus(lv);
  lv_set_item_state(lv, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  struct Step {
    const char* key;
    int row, top;
  } steps[] = {{"PgDn", 3, 0}, {"PgDn", 6, 3}, {"End", 9, 6}, {"Up", 8, 6}, {"PgUp", 6, 6}, {"PgUp", 3, 3}, {"Home", 0, 0}};
  for (const Step& s : steps) {
    run(std::string("key ") + s.key);
    EXPECT_EQ(lv_selection_mark(lv), s.row) << s.key;
    EXPECT_EQ(lv_top_index(lv), s.top) << s.key;
  }
  run("key End");
  g_takePgDn = true;  // the parent's answer stops the list view's own handling
  run("key PgDn");
  EXPECT_EQ(lv_selection_mark(lv), 9);
  EXPECT_EQ(lv_top_index(lv), 6);
  EXPECT_EQ(lv_selected_count(lv), 1);
}

TEST_F(ListViewTest, CellRectanglesAndHitTestsAgree) {
  lv_scroll(lv, 2 * 16);
  EXPECT_EQ(lv_top_index(lv), 2);
  EXPECT_EQ(lv_subitem_rect(lv, 3, 1), (Rect{60, 32, 150, 48}));
  for (auto [row, col] : {std::pair{2, 0}, {3, 1}, {5, 1}}) {
    Rect r = lv_subitem_rect(lv, row, col);
    int gotCol = -1;
    EXPECT_EQ(lv_hit_test(lv, Point{r.left + 1, r.top + 1}, &gotCol), row);
    EXPECT_EQ(gotCol, col);
  }
  EXPECT_EQ(lv_hit_test(lv, Point{5, 5}), -1);  // the header
  lv_scroll(lv, 1000);
  EXPECT_EQ(lv_top_index(lv), 6);  // never past the last page
  EXPECT_FALSE(lv_set_item_text(lv, 10, 0, "x"));
  EXPECT_FALSE(lv_set_item_text(lv, 0, 2, "x"));
}

TEST_F(ListViewTest, ColoursStylesAndColumnsReadBack) {
  EXPECT_EQ(lv_color(lv, 1), 0xFFFFFFu);  // the defaults
  lv_set_colors(lv, 0x1, 0x2, 0x3);
  lv_set_ext(lv, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  EXPECT_EQ(lv_color(lv, 0), 0x1u);
  EXPECT_EQ(lv_color(lv, 2), 0x3u);
  EXPECT_EQ(lv_color(lv, 3), 0u);
  EXPECT_EQ(lv_ext(lv), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  EXPECT_EQ(lv_ext(form), 0u);  // no list view
  EXPECT_EQ(lv_column_title(lv, 1), "Amount");
  EXPECT_EQ(lv_column_align(lv, 1), Align::Right);
  EXPECT_EQ(lv_column_title(lv, 2), "");
}

}  // namespace
}  // namespace uitest
