// Field controls, labels, windows by kind and the closing of screen windows.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/format.h"
#include "runtime/log.h"
#include "screens/window/actions.h"
#include "screens/forms/choice.h"
#include "screens/window/fieldctl.h"
#include "screens/window/winrecord.h"
#include "screen_fixture.h"

namespace {

class FieldCtlTest : public ScreenUiTest {
 protected:
  // Opens a screen of the definition and layout on a new window.
  ui::Hwnd Open(const std::string& def, const std::vector<std::string>& layout, const char* name = "SCR") {
    WriteTagged(std::string(name) + ".PPN", {def});
    WriteTagged(std::string(name) + ".PAN", layout);
    ui::Hwnd w = Window();
    EXPECT_EQ(ScreenCreate(StrFromC(name), StrFromC(name), 1, 0, StrFromC("")), 0);
    return w;
  }
  std::vector<int> ControlIds(ui::Hwnd w) {
    std::vector<int> ids;
    for (ui::Hwnd c : ui::children(w))
      if (ui::get_ctrl_id(c) >= kIdFieldFirst && ui::get_ctrl_id(c) <= kIdFieldLast) ids.push_back(ui::get_ctrl_id(c));
    return ids;
  }
};

std::vector<std::string> NineFields() {
  std::vector<std::string> l;
  for (int n = 1; n <= 9; ++n) l.push_back("1" + std::string(n < 10 ? "0" : "") + std::to_string(n) + "05000005A");
  return l;
}

TEST_F(FieldCtlTest, LinesBlockAndHiddenFieldsGetNoControls) {
  ui::Hwnd w = Open("FD$:A,B,C,D,E,F,G,H,I:BOUNDS$:C,F:HIDDEN$:I", NineFields());
  ASSERT_EQ(ScreenSetWin(0), 0);
  EXPECT_EQ(ControlIds(w), (std::vector<int>{2000, 2001, 2006, 2007}));  // I is hidden
  EXPECT_EQ(ScreenCurrent().ctlFlags, 0);
  EXPECT_EQ(StrError(FieldControlValue(w, 2008)), st::UNDEFWARNING);
  EXPECT_EQ(StrError(FieldControlValue(w, 2003)), st::UNDEFWARNING);  // inside the block: no control
  EXPECT_EQ(FieldControlValue(w, 2006).Str(), "     ");

  FieldControlsDestroy(1, 9);  // stops at the first missing control (3)
  EXPECT_EQ(ControlIds(w), (std::vector<int>{2006, 2007}));
  ASSERT_EQ(DynStrPush(SecondLinesQueue, S("line")), 0);
  ASSERT_EQ(ScreenSetWin(kScreenNoControls), 0);
  EXPECT_EQ(ControlIds(w), (std::vector<int>{2006, 2007}));
  EXPECT_EQ(DynStrCount(SecondLinesQueue), 0u);
}

TEST_F(FieldCtlTest, ControlStylesByTypeAndEditState) {
  ui::Hwnd w = Open("FD$:TXT,PWD,NUM,DEC,LOG,KEY,LOCKED:NOEDIT$:LOCKED:BEGINFLD%:7:EDIT$:TXT,PWD,NUM,DEC,LOG,KEY",
                    {"10210000010A", "10310000008P", "10410000006N", "10510000009" "2", "10610000001L",
                     "10710000004A", "10810000004A"});
  struct Case {
    uint16_t n;
    uint32_t style;
    const char* cls;
  } plain[] = {
      {1, kEditFieldStyle, "EDIT"},
      {2, kEditFieldStyle | ui::ES_PASSWORD, "EDIT"},
      {3, kEditFieldStyle | ui::ES_RIGHT, "EDIT"},
      {4, kEditFieldStyle | ui::ES_RIGHT, "EDIT"},
      {5, kEditFieldStyle | ui::ES_RIGHT, "EDIT"},       // "L" without _AUXSTAT 16: an edit
      {6, kEditFieldStyle | ui::ES_READONLY, "EDIT"},    // the begin field (BEGINFLD% 7 - 1)
      {7, kEditFieldStyle | ui::ES_READONLY, "EDIT"},    // edit order 0
  };
  ASSERT_EQ(ScreenSetWin(0), 0);
  for (const Case& c : plain) {
    ui::Hwnd h = ui::get_dlg_item(w, FieldCtlId(c.n));
    ASSERT_NE(h, 0u) << c.n;
    EXPECT_EQ(ui::get_style(h), c.style) << c.n;
    EXPECT_EQ(ui::class_name(h), c.cls) << c.n;
    EXPECT_EQ(ui::get_ex_style(h), ui::WS_EX_CLIENTEDGE) << c.n;
  }
  ui::Hwnd pwd = ui::get_dlg_item(w, 2001);
  ui::set_text(pwd, "secret");
  EXPECT_EQ(ui::display_text(pwd), "******");
  EXPECT_EQ(FieldControlValue(w, 2001).Str(), FmtInputToStored('A', StrFromC("secret"), 8).Str());
  EXPECT_EQ(ui::edit_get_limit(pwd), 8);
  ui::Rect r = ui::get_window_rect(ui::get_dlg_item(w, 2000));
  EXPECT_EQ(r.left, WinColX(10) - 2);  // a quarter cell left of its column
  EXPECT_EQ(r.top, WinRowY(2));
  EXPECT_EQ(r.Width(), FieldPixelWidth(10));
  EXPECT_EQ(r.Height(), 16);

  FieldControlsDestroy(1, 7);
  VarSysIntSet(kSysAuxStat, kAuxStatCheckBoxes);  // logical fields as check boxes
  ScreenSetWin(0);
  ui::Hwnd log = ui::get_dlg_item(w, 2004);
  EXPECT_EQ(ui::class_name(log), "BUTTON");
  EXPECT_EQ(ui::get_style(log), kCheckFieldStyle);
  EXPECT_EQ(ui::get_window_rect(log).Width(), 4 * 8);
  EXPECT_TRUE(ui::is_enabled(log));
  EXPECT_EQ(CtlFieldShow(5, S(""), 0x11), 0);
  EXPECT_TRUE(ui::button_get_check(log));
  EXPECT_EQ(FieldControlValue(w, 2004).Str(), "1");  // the mark is the stored value
  EXPECT_EQ(CtlFieldShow(5, S(""), 0x10), 0);
  EXPECT_FALSE(ui::button_get_check(log));
  EXPECT_EQ(FieldControlValue(w, 2004).Str(), "0");
  EXPECT_EQ(CtlFieldShow(1, S("shown"), 0), 0);
  EXPECT_EQ(ui::get_text(ui::get_dlg_item(w, 2000)), "shown");
  VarSysIntSet(kSysAuxStat, 0);
}

TEST_F(FieldCtlTest, ReadOnlyCheckBoxesAreDisabled) {
  VarSysIntSet(kSysAuxStat, kAuxStatCheckBoxes);
  ui::Hwnd w = Open("FD$:A,B:NOEDIT$:A", {"10210000001L", "10310000001L"});
  ScreenSetWin(0);
  EXPECT_FALSE(ui::is_enabled(ui::get_dlg_item(w, 2000)));
  EXPECT_TRUE(ui::is_enabled(ui::get_dlg_item(w, 2001)));
  VarSysIntSet(kSysAuxStat, 0);
}

TEST_F(FieldCtlTest, LabelsTakeOneIdPerPlace) {
  ASSERT_EQ(LogSetName(S(dir.File("log.txt"))), 0);
  ui::Hwnd w = Open("FD$:A", {"10210000004A", "00305First", "00305Second", "00485Far", "00505Below", "0x105bad",
                              "00005zero"});
  std::vector<std::string> labels;
  for (ui::Hwnd c : ui::children(w))
    if (ui::class_name(c) == "STATIC") labels.push_back(std::to_string(ui::get_ctrl_id(c)) + "=" + ui::get_text(c));
  EXPECT_EQ(labels, (std::vector<std::string>{"4245=Second", "4400=Far", "4405=Below"}));
  std::ifstream log(dir.File("log.txt"));
  std::string logged((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_EQ(logged, "Layout line skipped: 0x105bad\r\nLayout line skipped: 00005zero\r\n");
  ui::Rect far = ui::get_window_rect(ui::get_dlg_item(w, 4400));
  EXPECT_EQ(far.left, WinColX(85));  // the label stands at its own column
  EXPECT_EQ(far.Width(), 3 * 8);
  EXPECT_EQ(LabelShow(900, 1, S("beyond")), 0xFFFF);  // its id would pass 65535
  EXPECT_EQ(LabelShow(7, 1, S("later")), 0);
  EXPECT_EQ(ui::get_text(ui::get_dlg_item(w, 4000 + 7 * 80 + 1)), "later");
}

TEST_F(FieldCtlTest, StatusLineFromTheLayout) {
  ASSERT_EQ(DynStrSet(SettingsList, SetTitleItem, S("Books")), 0);
  ui::Hwnd w = Open("FD$:A", {"00101<?>Accounts", "10210000004A"});
  EXPECT_EQ(ui::get_text(w), StatusLineText(S("Accounts")).Str());
}

TEST_F(FieldCtlTest, PixelWidthsOfFields) {
  struct Case {
    int32_t n, px;
  } cases[] = {{3, 28}, {10, 80}, {25, 196}, {26, 200}, {0, 4}, {5, 44}};
  for (const Case& c : cases) EXPECT_EQ(FieldPixelWidth(c.n), c.px) << c.n;
}

TEST_F(FieldCtlTest, WindowsByKind) {
  ASSERT_EQ(DynStrSet(SettingsList, SetIdentityItem, S("COVCQT24:Orbisquale")), 0);
  EXPECT_EQ(WinCreateKind(12, 0, S("x"), 0, 0, 0, nullptr), 0u);
  ui::Hwnd dlg = WinCreateKind(kWinKindDialog, 0, S("Form"), 0, -1, -1, nullptr);
  ASSERT_NE(dlg, 0u);
  EXPECT_EQ(ui::class_name(dlg), "Dialogx");
  EXPECT_EQ(ui::get_text(dlg), "Form");
  EXPECT_EQ(ui::get_window_rect(dlg).Width(), 80 * 8);
  EXPECT_EQ(ui::get_window_rect(dlg).Height(), 25 * 16);
  EXPECT_FALSE(ui::get_style(dlg) & ui::WS_HSCROLL);

  TextWinGeomSet(250, 31, false);  // 2000 x 496 pixels: wider than the work area
  ui::Hwnd wide = WinCreateKind(kWinKindMant, 0, S("Wide"), dlg, 2, 3, nullptr);
  ASSERT_NE(wide, 0u);
  EXPECT_TRUE(ui::get_style(wide) & ui::WS_HSCROLL);
  EXPECT_FALSE(ui::get_style(wide) & ui::WS_VSCROLL);
  ui::Rect r = ui::get_window_rect(wide);
  EXPECT_EQ(r.Width(), 1280);
  EXPECT_EQ(r.left, ui::get_window_rect(dlg).left + 3 * 8);
  EXPECT_EQ(r.top, ui::get_window_rect(dlg).top + 2 * 16);
  EXPECT_EQ(ui::get_scroll_info(wide, ui::SB_HORZ).max, 2000 - 1280);
  TextWinGeomSet(0, 0, false);

  ui::Hwnd main = WinCreateKind(kWinKindMain, 0, S("Main"), 0, -1, -1, nullptr);
  EXPECT_EQ(ui::class_name(main), "COVCQT24");
  EXPECT_EQ(ui::get_style(main), 0u);
  WinShowState(kWinShowNow);
  EXPECT_TRUE(ui::is_maximized(main));
}

TEST_F(FieldCtlTest, ScreenWindowsCloseOnlyWhenOnTop) {
  ui::Hwnd w = Open("FD$:A", {"10210000004A"});
  ScreenSetWin(0);
  NavButtonEnable(3, false);  // no button: nothing happens
  Window();  // another window comes on top
  ErrClear();
  EXPECT_EQ(ScreenWinClose(kCurrentIndex), st::INTERNALERROR);
  EXPECT_TRUE(ui::is_window(w));
  WinRegister(w, 0);  // back on top
  EXPECT_EQ(ScreenWinClose(kCurrentIndex), 0);
  EXPECT_FALSE(ui::is_window(w));
  EXPECT_EQ(ScreenStackIndex(3), 0);
}

TEST_F(FieldCtlTest, HelpPointsAtTheCurrentField) {
  ui::Hwnd w = Open("FD$:A,B", {"10210000004A", "10510000004A"});
  ScreenSetWin(0);
  WinGet(kCurrentIndex)->curField = 2;
  ui::Rect r = ui::get_window_rect(ui::get_dlg_item(w, 2001));
  VarSysIntSet(kSysLastKey, kKeyTab);
  EXPECT_EQ(FieldHelpPoint(), static_cast<uint32_t>(r.bottom) | (static_cast<uint32_t>(r.right) << 16));
  VarSysIntSet(kSysLastKey, kKeyOther);  // a command: the focused control instead
  ui::set_focus(ui::get_dlg_item(w, 2000));
  ui::Rect f = ui::get_window_rect(ui::get_dlg_item(w, 2000));
  EXPECT_EQ(FieldHelpPoint(), static_cast<uint32_t>(f.bottom) | (static_cast<uint32_t>(f.right) << 16));
}

}  // namespace
