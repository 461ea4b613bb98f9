// Window procedures and subclassed field controls, driven headless: keys,
// scanner input, focus, close requests, scroll bars and device data reach
// the action chain as their codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/dynstrings.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/window/winproc.h"
#include "screens/window/winrecord.h"
#include "screen_fixture.h"

namespace {

std::vector<uint16_t> g_codes;
Status g_closeAnswer = 0;

// Logs every code; a close request answers g_closeAnswer, the rest 0.
Status Logging(uint16_t code) {
  g_codes.push_back(code);
  return code == ActionMake(kActCloseRequest, 0) ? g_closeAnswer : 0;
}

class WinProcTest : public ScreenUiTest {
 protected:
  void SetUp() override {
    ScreenUiTest::SetUp();
    WinProcReset();
    CtlSubclassHookSet(CtlSubclass);
    g_codes.clear();
    g_closeAnswer = 0;
  }
  void TearDown() override {
    CtlSubclassHookSet(nullptr);
    ScreenUiTest::TearDown();
  }
  // A screen window of three text fields (and a logical one) with its record
  // and the logging handler; field 2 has the focus.
  ui::Hwnd Open(ui::WndProc proc = ScreenWndProc, uint32_t style = ui::WS_VISIBLE) {
    WriteTagged("WP.PPN", {"FD$:A,B,C,L"});
    WriteTagged("WP.PAN", {"10105000006A", "10205000006A", "10305000006A", "10405000001L"});
    ui::Hwnd w = WinClassCreate(S("TstProc"), S("procs"), style, 0, 0, 600, 400, 0, proc);
    EXPECT_EQ(ScreenCreate(StrFromC("WP"), StrFromC("WP"), 1, 0, StrFromC("")), 0);
    EXPECT_EQ(ScreenSetWin(0), 0);
    ScreenActionSet(Logging, nullptr, nullptr);
    return w;
  }
  ui::Hwnd Control(uint16_t n) { return ui::get_dlg_item(WinTop(), FieldCtlId(n)); }
};

TEST_F(WinProcTest, KeysInAnEditBecomeTheirActions) {
  Open();
  ui::Hwnd edit = Control(2);
  ui::set_focus(edit);
  ui::set_text(edit, "abc");
  ui::edit_set_sel(edit, 3, 3);
  struct Case {
    const char* id;
    uint16_t vk;
    ui::LParam mods;
    int16_t keyMap;
    uint16_t lastKey;
    std::vector<uint16_t> codes;
    std::pair<int, int> selection;
  } cases[] = {
      {"Shift+Tab", ui::VK_TAB, ui::KEY_SHIFT, 0, kKeyShiftTab, {kActPrevField}, {3, 3}},
      {"Ctrl+End", ui::VK_END, ui::KEY_CTRL, 0, kKeyCtrlEnd, {kActToEntry}, {3, 3}},
      {"F4 in lines mode", ui::VK_F1 + 3, 0, 1, kKeyF1 + 3, {}, {3, 3}},
      {"F4 on screens", ui::VK_F1 + 3, 0, 0, kKeyF1 + 3, {ActionMake(kActNavigate, kNavNls)}, {3, 3}},
      {"Left", ui::VK_LEFT, 0, 0, kKeyOther, {}, {2, 2}},
      {"Shift+Left", ui::VK_LEFT, ui::KEY_SHIFT, 0, kKeyOther, {}, {1, 2}},
      {"Esc", ui::VK_ESCAPE, 0, 0, kKeyEsc, {kActCancel}, {1, 2}},
  };
  for (const Case& c : cases) {
    g_codes.clear();
    VarSysIntSet(kSysKeyMap, c.keyMap);
    hl->key(c.vk, c.mods);
    Drive();
    EXPECT_EQ(g_codes, c.codes) << c.id;
    EXPECT_EQ(VarSysIntGet(kSysLastKey), c.lastKey) << c.id;
    EXPECT_EQ(ui::get_text(edit), "abc") << c.id;
    EXPECT_EQ(ui::edit_get_sel(edit), c.selection) << c.id;
  }
}

TEST_F(WinProcTest, AWedgeScanIsPushedOnceAndRaisesItsAction) {
  Open();
  ui::set_focus(Control(2));
  uint32_t results = DynStrCount(ResultsStack);
  hl->scan("123");
  Drive();
  EXPECT_EQ(g_codes, (std::vector<uint16_t>{kActWedgeEnd}));  // Enter ended the scan: no next-field action
  ASSERT_EQ(DynStrCount(ResultsStack), results + 1);
  EXPECT_EQ(DynStrTop(ResultsStack).Str(), "123");
  EXPECT_EQ(ui::get_text(Control(2)), "123");  // the characters reached the edit too

  g_codes.clear();
  hl->scan("1234567890123456789012345");  // past the scanner's 20 characters
  Drive();
  EXPECT_TRUE(g_codes.empty());
  EXPECT_EQ(DynStrCount(ResultsStack), results + 1);
  hl->key('X');  // typing goes on as usual afterwards
  Drive();
  EXPECT_EQ(VarSysIntGet(kSysLastKey), kKeyOther);

  ui::send(Control(2), ui::MSG_SCAN_FIELD);
  EXPECT_EQ(g_codes, (std::vector<uint16_t>{kActScanField}));
}

TEST_F(WinProcTest, FocusCloseAndDestroyOfScreenWindows) {
  ui::Hwnd w = Open(ScreenWndProc, 0);
  ui::set_focus(w);  // first activation: bound to its record
  EXPECT_EQ(g_codes, (std::vector<uint16_t>{kActFirstFocus}));
  EXPECT_EQ(WinTopId(w), 0);
  ui::set_focus(Control(1));
  g_codes.clear();
  ui::set_focus(w);
  EXPECT_EQ(g_codes, (std::vector<uint16_t>{kActFocusIn}));

  // A close request the chain answers with 0 keeps the window.
  g_codes.clear();
  ui::send(w, ui::WM_CLOSE);
  EXPECT_TRUE(ui::is_window(w));
  EXPECT_EQ(g_codes, (std::vector<uint16_t>{ActionMake(kActCloseRequest, 0)}));

  // Device data of a port slot, and of a slot that cannot be one.
  g_codes.clear();
  ui::send(w, ui::MSG_DEVICE_DATA, 2, 5);
  ui::send(w, ui::MSG_DEVICE_DATA, 7, 5);
  EXPECT_EQ(g_codes, (std::vector<uint16_t>{ActionMake(kActDeviceData, 2)}));

  // Otherwise it is destroyed: off the list, and the last one posts the quit.
  g_closeAnswer = 4;
  ui::send(w, ui::WM_CLOSE);
  EXPECT_FALSE(ui::is_window(w));
  EXPECT_EQ(WinSlotFind(w), kWinSlots);
  EXPECT_EQ(WinCount(), 0);
  ui::Message m;
  ASSERT_TRUE(ui::peek(m));
  EXPECT_EQ(m.msg, ui::WM_QUIT);
}

TEST_F(WinProcTest, ScrollingMovesTheContentWithinTheRange) {
  ui::Hwnd w = Open(ScreenWndProc, ui::WS_VISIBLE | ui::WS_VSCROLL);
  ASSERT_TRUE(ui::set_scroll_range(w, ui::SB_VERT, 0, 20));
  int top = ui::get_window_rect(Control(1)).top;
  struct Case {
    uint16_t request;
    int pos;
  } cases[] = {{ui::SB_PAGEDOWN, 16}, {ui::SB_PAGEDOWN, 20}, {ui::SB_PAGEDOWN, 20}, {ui::SB_LINEUP, 18},
               {ui::SB_TOP, 0},       {ui::SB_BOTTOM, 20},   {ui::SB_ENDSCROLL, 20}};
  for (const Case& c : cases) {
    hl->scroll(true, c.request);
    Drive();
    EXPECT_EQ(ui::get_scroll_info(w, ui::SB_VERT).pos, c.pos) << c.request;
    EXPECT_EQ(ui::get_window_rect(Control(1)).top, top - c.pos) << c.request;
  }
  hl->scroll(true, ui::SB_THUMBTRACK, 7);
  Drive();
  EXPECT_EQ(ui::get_window_rect(Control(1)).top, top - 7);
}

TEST_F(WinProcTest, CheckBoxFields) {
  VarSysIntSet(kSysAuxStat, kAuxStatCheckBoxes);
  Open();
  ui::Hwnd box = Control(4);
  ASSERT_EQ(ui::class_name(box), "BUTTON");
  ui::set_focus(box);
  hl->key(ui::VK_SPACE);
  Drive();
  EXPECT_TRUE(ui::button_get_check(box));
  EXPECT_EQ(ui::get_text(box), "YES");
  hl->click(FieldCtlId(4));
  Drive();
  EXPECT_FALSE(ui::button_get_check(box));
  EXPECT_EQ(ui::get_text(box), "");
  hl->key(ui::VK_SPACE).key(ui::VK_TAB).key(ui::VK_TAB, ui::KEY_SHIFT).key(ui::VK_RETURN).key(ui::VK_ESCAPE);
  g_codes.clear();
  Drive();
  EXPECT_EQ(g_codes, (std::vector<uint16_t>{kActNextField, kActPrevField, kActNextField, kActCancel}));
  // Losing the focus puts the mark into the field.
  VarSysIntSet(kSysLastKey, kKeyOther);
  ui::set_focus(Control(1));
  EXPECT_EQ(FieldValue(4).Str(), "1");
}

TEST_F(WinProcTest, DialogMainAndListCommands) {
  ui::Hwnd w = Open(DialogWndProc);
  ui::send(w, ui::WM_COMMAND, ui::MakeLong(3350, ui::LBN_DBLCLK));
  ui::send(w, ui::WM_COMMAND, ui::MakeLong(3500, ui::CBN_SELENDOK));
  ui::send(w, ui::WM_COMMAND, ui::MakeLong(int{kIdNavFirst} + int{kNavNxt}, ui::BN_CLICKED));
  ui::send(w, ui::WM_COMMAND, ui::MakeLong(FieldCtlId(1), ui::BN_CLICKED));  // no command
  EXPECT_EQ(g_codes, (std::vector<uint16_t>{kActionConfirm, ActionMake(kActComboChange, 0),
                                            ActionMake(kActNavigate, kNavNxt)}));
  EXPECT_EQ(VarSysIntGet(kSysLastKey), kKeyOther);

  // A list box field: Enter is OK for its window, Esc the key map's cancel.
  ui::Hwnd list = ui::create_window({.cls = "LISTBOX", .title = "", .style = ui::WS_CHILD | ui::WS_VISIBLE, .x = 0, .y = 200,
                                     .width = 100, .height = 60, .parent = w, .id = 3350});
  ASSERT_EQ(CtlSubclass(list, kSubclassList), 0);
  ui::set_focus(list);
  g_codes.clear();
  hl->key(ui::VK_RETURN).key(ui::VK_ESCAPE);
  Drive();
  EXPECT_EQ(g_codes, (std::vector<uint16_t>{kActionConfirm, kActCancel}));

  // The main window: menu ids 1500-1699 are menu actions, nothing else; a
  // close answered with a low byte of 0 keeps it.
  ui::Hwnd main = WinClassCreate(S("TstMain"), S("main"), ui::WS_VISIBLE, 0, 0, 600, 400, 0, MainWndProc);
  WinGet(kCurrentIndex)->window = main;  // the record shows the main window now
  g_codes.clear();
  ui::send(main, ui::WM_COMMAND, 1501);
  ui::send(main, ui::WM_COMMAND, 1700);
  ui::send(main, ui::WM_COMMAND, kIdOk);
  ui::send(main, ui::WM_CLOSE);
  EXPECT_EQ(g_codes, (std::vector<uint16_t>{ActionMake(kActMenuItem, 1), ActionMake(kActMainClose, 0)}));
  EXPECT_TRUE(ui::is_window(main));
}

TEST_F(WinProcTest, ControlsStayUnsubclassedUnderTheCompatSwitch) {
  VarSysIntSet(kSysCompat, 512);
  Open();
  EXPECT_NE(ui::get_window_proc(Control(1)), EditWndProc);
  VarSysIntSet(kSysCompat, 0);
  ui::Hwnd edit = ui::create_window({.cls = "EDIT", .title = "", .style = ui::WS_CHILD, .parent = WinTop(), .id = 2999});
  ASSERT_EQ(CtlSubclass(edit, kSubclassEdit), 0);
  EXPECT_EQ(ui::get_window_proc(edit), EditWndProc);
  ASSERT_EQ(CtlSubclass(edit, kSubclassEdit), 0);  // twice: still calls the edit's own procedure
  ui::set_text(edit, "");
  ui::send(edit, ui::WM_CHAR, 'q');
  EXPECT_EQ(ui::get_text(edit), "q");
}

}  // namespace
