// Combo boxes by slot, the message popup and popup menus, driven headless
// (cell 8 x 16, work area 1280 x 1000).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/window/actions.h"
#include "screens/forms/combo.h"
#include "screens/window/fieldctl.h"
#include "screens/forms/popup.h"
#include "screens/window/winproc.h"
#include "screens/window/winrecord.h"
#include "screen_fixture.h"

namespace {

std::vector<uint16_t> g_codes;

Status Logging(uint16_t code) {
  g_codes.push_back(code);
  return 0;
}

class PopupTest : public ScreenUiTest {
 protected:
  void SetUp() override {
    ScreenUiTest::SetUp();
    WinProcReset();
    ComboTableReset();
    g_codes.clear();
  }
  void TearDown() override {
    PopupMsgClose();
    ComboTableReset();
    ScreenUiTest::TearDown();
  }
  // A dialog window of one field with its record and the logging handler.
  ui::Hwnd Dialog() {
    WriteTagged("DLG.PPN", {"FD$:A"});
    WriteTagged("DLG.PAN", {"10105000006A"});
    ui::Hwnd w = WinClassCreate(S("TstDialog"), S("dialog"), ui::WS_VISIBLE, 0, 0, 600, 400, 0, DialogWndProc);
    EXPECT_EQ(ScreenCreate(S("DLG"), S("DLG"), 1, 0, S("")), 0);
    EXPECT_EQ(ScreenSetWin(0), 0);
    ScreenActionSet(Logging, nullptr, nullptr);
    return w;
  }
  ui::Hwnd Shown() {
    return WinClassCreate(S("TstShown"), S("shown"), ui::WS_VISIBLE, 0, 0, 600, 400, 0, nullptr);
  }
  // The last transcript line that starts with the prefix.
  std::string Last(const std::string& prefix) {
    for (auto it = hl->transcript().rbegin(); it != hl->transcript().rend(); ++it)
      if (it->starts_with(prefix)) return *it;
    return "";
  }
  int Count(const std::string& prefix) {
    int n = 0;
    for (const std::string& line : hl->transcript()) n += line.starts_with(prefix);
    return n;
  }
};

TEST_F(PopupTest, ComboSizesStylesAndItems) {
  ui::Hwnd w = Window();
  const std::string wide(200, 'x');
  struct Case {
    const char* id;
    std::string items;
    uint8_t flag;
    int width, height;
    uint32_t style;
    std::string first;
  } cases[] = {
      {"simple: one cell per item", "'Red',Blue,Green", 0, 5 * 8 + 20, 3 * 16, ui::CBS_SIMPLE, "Red"},
      {"drop-down: five cells", "A,Longer", 1, 6 * 8 + 40, 5 * 16, ui::CBS_DROPDOWN, "A"},
      {"any flag counts", "A", 7, 1 * 8 + 40, 5 * 16, ui::CBS_DROPDOWN, "A"},
      {"wider than the work area", wide, 0, 1280, 16, ui::CBS_SIMPLE, wide},
  };
  for (const Case& c : cases) {
    uint16_t slot = ComboCreate(w, 30, 10, S(c.items), c.flag);
    ASSERT_LT(slot, kComboSlots) << c.id;
    ui::Hwnd h = ComboHandle(slot);
    EXPECT_EQ(ui::get_ctrl_id(h), 3500 + slot) << c.id;
    EXPECT_EQ(ui::get_window_rect(h), (ui::Rect{10, 30, 10 + c.width, 30 + c.height})) << c.id;
    EXPECT_EQ(ui::get_style(h) & 0xF, c.style) << c.id;
    EXPECT_TRUE(ui::get_style(h) & ui::WS_VSCROLL && ui::get_style(h) & ui::WS_TABSTOP) << c.id;
    EXPECT_EQ(ui::combo_text(h, 0), c.first) << c.id;
    EXPECT_EQ(ComboGetSel(slot), -1) << c.id;  // nothing chosen
    EXPECT_EQ(ComboSetSel(slot, 0), 0) << c.id;
    EXPECT_EQ(ComboGetSel(slot), 0) << c.id;
    EXPECT_EQ(ComboDestroy(slot), 0) << c.id;
    EXPECT_FALSE(ui::is_window(h)) << c.id;
  }
}

TEST_F(PopupTest, ComboSlotsAreRefusedWhenFullAndFreedAgain) {
  ui::Hwnd w = Window();
  for (int i = 0; i < kComboSlots; ++i) ASSERT_EQ(ComboCreate(w, 0, 0, S("a"), 0), i);
  EXPECT_EQ(ComboCreate(w, 0, 0, S("a"), 0), kComboNone);  // the 81st
  EXPECT_EQ(ComboDestroy(5), 0);
  EXPECT_EQ(ComboCreate(w, 0, 0, S("b"), 0), 5);
  // Free or unknown slots: nothing to act on.
  EXPECT_EQ(ComboDestroy(80), st::BADINPUTDATA);
  EXPECT_EQ(ComboGetSel(200), -1);
  EXPECT_EQ(ComboFocus(80), st::BADINPUTDATA);
  // A combo box dies with its window, and its slot is free again.
  ui::destroy_window(w);
  EXPECT_EQ(ComboSetSel(5, 0), st::BADINPUTDATA);
  EXPECT_EQ(ComboCreate(Window(), 0, 0, S("c"), 0), 0);
  EXPECT_EQ(ComboCreate(999999, 0, 0, S("c"), 0), kComboNone);  // a dead parent
}

TEST_F(PopupTest, AChosenComboItemReachesTheChainAsKind94) {
  Dialog();
  uint16_t slot = ComboCreate(WinTop(), 100, 10, S("One,Two,Three"), 1);
  ASSERT_LT(slot, kComboSlots);
  hl->combo_select(3500 + slot, 1);
  Drive();
  EXPECT_EQ(ComboGetSel(slot), 1);
  ASSERT_FALSE(g_codes.empty());
  EXPECT_EQ(g_codes.back(), ActionMake(kActComboChange, 0));
  EXPECT_EQ(VarSysIntGet(kSysLastKey), kKeyOther);
  // The focused combo box is a list control: Enter is OK for its window.
  EXPECT_EQ(ComboFocus(slot), 0);
  g_codes.clear();
  hl->key(ui::VK_RETURN);
  Drive();
  EXPECT_EQ(g_codes, (std::vector<uint16_t>{kActionConfirm}));
}

// A list box subclassed after a combo box keeps its own procedure: its key
// reports still reach the parent.
std::vector<ui::Msg> g_parentMessages;
ui::LResult ParentProc(ui::Hwnd h, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  if (m == ui::WM_VKEYTOITEM) {
    g_parentMessages.push_back(m);
    return -1;
  }
  return ui::def_window_proc(h, m, wp, lp);
}

TEST_F(PopupTest, ComboAndListBoxKeepTheirOwnProceduresWhenSubclassed) {
  ui::register_class("TstParent", ParentProc);
  ui::Hwnd w = ui::create_window({.cls = "TstParent", .title = "p", .style = ui::WS_VISIBLE, .x = 0, .y = 0,
                                  .width = 400, .height = 300});
  ASSERT_LT(ComboCreate(w, 0, 0, S("a,b"), 0), kComboSlots);
  ui::Hwnd list = ui::create_window({.cls = "LISTBOX", .title = "", .style = ui::WS_CHILD | ui::WS_VISIBLE | ui::LBS_WANTKEYBOARDINPUT,
                                     .x = 0, .y = 100, .width = 100, .height = 60, .parent = w, .id = 3350});
  ui::listbox_add(list, "x");
  ASSERT_EQ(CtlSubclass(list, kSubclassList), 0);
  g_parentMessages.clear();
  ui::send(list, ui::WM_KEYDOWN, ui::VK_DOWN, 0);
  EXPECT_EQ(g_parentMessages.size(), 1u);
}

TEST_F(PopupTest, TheMessagePopupIsCentredTakesNoFocusAndIsShownOnce) {
  ui::Hwnd w = Shown();
  ui::Hwnd edit = ui::create_window({.cls = "EDIT", .title = "", .style = ui::WS_CHILD | ui::WS_VISIBLE, .x = 0,
                                     .y = 0, .width = 80, .height = 16, .parent = w, .id = 2000});
  ui::set_focus(edit);
  EXPECT_EQ(PopupMsgShow(S("one\r\ntwo\r\nthree")), 0);
  ui::Hwnd p = PopupMsgWindow();
  ASSERT_NE(p, 0u);
  // Three lines: six cells high; the longest line five cells wide; centred.
  EXPECT_EQ(ui::get_window_rect(p), (ui::Rect{620, 452, 660, 548}));
  EXPECT_EQ(ui::get_style(p) & ~ui::WS_VISIBLE, ui::WS_POPUP | ui::WS_DLGFRAME);
  EXPECT_EQ(ui::get_ex_style(p), ui::WS_EX_TOPMOST | ui::WS_EX_NOACTIVATE);
  EXPECT_EQ(ui::get_owner(p), 0u);
  EXPECT_TRUE(ui::is_visible(p));
  EXPECT_EQ(ui::get_focus(), edit);
  EXPECT_EQ(ui::active_window(), w);
  EXPECT_EQ(ui::painted_texts(p), (std::vector<std::string>{"one\r\ntwo\r\nthree"}));
  // Top-most: a window made later stays below it.
  ui::Hwnd later = Shown();
  EXPECT_EQ(ui::top_levels().back(), p);
  EXPECT_EQ(ui::active_window(), later);
  // A second show repaints the text and answers 0xFFFF.
  EXPECT_EQ(PopupMsgShow(S("again")), kPopupShown);
  EXPECT_EQ(PopupMsgWindow(), p);
  EXPECT_EQ(ui::painted_texts(p), (std::vector<std::string>{"again"}));
  EXPECT_EQ(ui::get_text(p), "again");
  EXPECT_EQ(PopupMsgClose(), 0);
  EXPECT_FALSE(ui::is_window(p));
  EXPECT_EQ(PopupMsgClose(), 0);  // none up: nothing to do
  EXPECT_EQ(PopupMsgShow(S("new")), 0);
  EXPECT_NE(PopupMsgWindow(), p);
  // A popup closed by somebody else is made again.
  ui::destroy_window(PopupMsgWindow());
  EXPECT_EQ(PopupMsgShow(S("new")), 0);
}

TEST_F(PopupTest, TheMessagePopupStaysInsideTheWorkArea) {
  std::string tall;
  for (int i = 0; i < 80; ++i) tall += "line\r\n";
  EXPECT_EQ(PopupMsgShow(S(std::string(300, 'w') + "\r\n" + tall)), 0);
  EXPECT_EQ(ui::get_window_rect(PopupMsgWindow()), (ui::Rect{5, 0, 1275, 1000}));
}

TEST_F(PopupTest, PopupMenusAnswerThePositionChosen) {
  ui::Hwnd w = Window();
  struct Case {
    const char* id;
    std::function<void()> script;
    int want;
  } cases[] = {
      {"second", [&] { hl->popup(2); }, 2},
      {"by caption", [&] { hl->popup("Delete"); }, 3},
      {"none", [&] { hl->popup(0); }, 0},
  };
  for (const Case& c : cases) {
    c.script();
    EXPECT_EQ(PopupMenuTrack(w, S("View,'Insert',Delete,Seek"), nullptr), c.want) << c.id;
  }
  EXPECT_EQ(Last("popup "), "popup \"View|Insert|Delete|Seek\" -> none");
  EXPECT_TRUE(ui::is_enabled(w));
}

TEST_F(PopupTest, APopupMenuWithoutOwnerGetsATemporaryOneAndAtMost250Items) {
  std::string items;
  for (int i = 1; i <= 251; ++i) items += (i > 1 ? "," : "") + std::to_string(i);
  hl->popup("250");
  size_t windows = ui::top_levels().size();
  EXPECT_EQ(PopupMenuTrack(0, S(items), nullptr), 250);
  EXPECT_EQ(ui::top_levels().size(), windows);  // the temporary owner is gone
  EXPECT_EQ(Count("create "), 1);
  EXPECT_EQ(Count("destroy "), 1);
  std::string offered = Last("popup ");
  EXPECT_NE(offered.find("|249|250\" -> 250"), std::string::npos) << offered;
  EXPECT_EQ(offered.find("251"), std::string::npos);
}

TEST_F(PopupTest, CursorPosPacksXHighAndYLow) {
  ui::set_cursor_pos({300, 40});
  EXPECT_EQ(CursorPos(), 300u << 16 | 40u);
  ui::set_cursor_pos({-5, 70000});
  EXPECT_EQ(CursorPos(), 0xFFFFu);
}

}  // namespace
