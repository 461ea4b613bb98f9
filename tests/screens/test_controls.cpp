// The standard controls: edits, buttons, list boxes, the Ok button, the
// navigation and bottom bars, field styles and control texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screens/window/actions.h"
#include "screens/window/controls.h"
#include "screens/window/fonttable.h"
#include "screens/window/screendef.h"
#include "screen_fixture.h"

namespace {

using ControlsTest = ScreenUiTest;

struct Box {
  int id;
  int x, y, w, h;
  bool operator==(const Box&) const = default;
};

std::vector<Box> Boxes(ui::Hwnd w) {
  std::vector<Box> out;
  for (ui::Hwnd c : ui::children(w)) {
    ui::Rect r = ui::get_window_rect(c);
    ui::Point o = ui::client_to_screen(w, ui::Point{0, 0});
    out.push_back(Box{ui::get_ctrl_id(c), r.left - o.x, r.top - o.y, r.Width(), r.Height()});
  }
  return out;
}

TEST_F(ControlsTest, EditFlagsGiveTheirClassStyleFontAndState) {
  ui::Hwnd w = Window();
  ui::Hfont table = 0;
  struct Case {
    uint16_t flags;
    const char* cls;
    uint32_t style;  // beyond child, visible, tab stop
    bool enabled;
    bool tableFont;
  } cases[] = {
      {0, "EDIT", 0, true, true},
      {kEditMultiLine, "EDIT",
       ui::WS_VSCROLL | ui::WS_HSCROLL | ui::ES_MULTILINE | ui::ES_AUTOVSCROLL | ui::ES_AUTOHSCROLL | ui::ES_WANTRETURN,
       true, true},
      {kEditDisabled | kEditSystemFont, "EDIT", 0, false, false},
      {kEditNumeric, "EDIT", ui::ES_NUMBER | ui::ES_RIGHT, true, true},
      {kEditCheckBox, "BUTTON", ui::BS_CHECKBOX, true, true},
  };
  uint16_t id = 10;
  for (const Case& c : cases) {
    ui::Hwnd h = EditCreate(w, 5, 6, 70, 16, ++id, c.flags);
    ASSERT_NE(h, 0u) << c.flags;
    EXPECT_EQ(ui::class_name(h), c.cls) << c.flags;
    EXPECT_EQ(ui::get_style(h), ui::WS_CHILD | ui::WS_VISIBLE | ui::WS_TABSTOP | c.style) << c.flags;
    EXPECT_EQ(ui::get_ex_style(h), ui::WS_EX_CLIENTEDGE) << c.flags;
    EXPECT_EQ(ui::is_enabled(h), c.enabled) << c.flags;
    EXPECT_EQ(ui::get_ctrl_id(h), id);
    if (c.tableFont) {
      if (!table) table = ui::get_font(h);
      EXPECT_EQ(ui::get_font(h), table) << c.flags;
    } else {
      EXPECT_NE(ui::get_font(h), table) << c.flags;
    }
  }
  EXPECT_NE(table, 0u);
  EXPECT_EQ(EditCreate(0, 0, 0, 10, 10, 1, 0), 0u);  // no parent, no control
}

TEST_F(ControlsTest, OkButtonOnceAtItsPlaceAndTheBottomBar) {
  ui::Hwnd w = Window(0, 0, 640, 400);  // 80 x 25 cells of 8 x 16
  ui::Hwnd ok = OkButtonAdd(w);
  ASSERT_NE(ok, 0u);
  EXPECT_EQ(OkButtonAdd(w), ok);
  EXPECT_EQ(ui::get_text(ok), "Ok");
  // Column 14 from the right, half a cell above the last row, 12 columns.
  EXPECT_EQ(Boxes(w), (std::vector<Box>{{kIdOk, 521, 377, 96, 16}}));

  ui::Hwnd m = Window(0, 0, 640, 400);
  ASSERT_EQ(MantBottomBar(m, kBarButton | kBarField1 | kBarField2), 0);
  EXPECT_EQ(Boxes(m), (std::vector<Box>{{kIdOk2, 0, 385, 60, 16},
                                        {kIdBottomField1, 60, 385, 56, 16},
                                        {kIdBottomField2, 116, 385, 524, 16}}));
  EXPECT_FALSE(ui::is_enabled(ui::get_dlg_item(m, kIdBottomField1)));
  EXPECT_FALSE(ui::is_enabled(ui::get_dlg_item(m, kIdBottomField2)));
  ui::Hwnd d = Window(0, 0, 640, 400);
  ASSERT_EQ(MantBottomBar(d, kBarField1), 0);
  EXPECT_EQ(Boxes(d), (std::vector<Box>{{kIdBottomField1, 1, 385, 56, 16}}));
}

TEST_F(ControlsTest, NavigationBarWidthsIdsAndEmptyLists) {
  // W = 80 columns x 8 = 640 pixels.
  struct Case {
    const char* name;
    uint16_t layout;
    const char* commands;
    const char* enabled;
    std::vector<Box> boxes;
  } cases[] = {
      // Flags 6: W / n wide (n = 3), centred for the 2 enabled buttons.
      {"maintenance", kNavBarMaintenance, "NEW,NEXT,prv", "1,2",
       {{3001, 107, 2, 213, 20}, {3005, 320, 2, 213, 20}}},
      {"plain", 0, "NEW,NEXT,PRV", "", {{3001, 2, 2, 213, 20}, {3005, 215, 2, 213, 20}, {3003, 428, 2, 213, 20}}},
      {"fixed", 8, "BOTTOM, PREVIOUS", "", {{3006, 260, 2, 60, 20}, {3003, 320, 2, 60, 20}}},
      {"unknown-word", 0, "NEW,XYZ", "", {{3001, 2, 2, 320, 20}}},
      {"empty", kNavBarMaintenance, "", "", {}},
      {"none-enabled", kNavBarMaintenance, "NEW,TOP", "7", {}},
  };
  for (const Case& c : cases) {
    ui::Hwnd w = Window(0, 0, 640, 400);
    EXPECT_EQ(NavBarCreate(w, c.layout, StrFromC(c.commands), StrFromC("New,Next,Prev"), 20, StrFromC(c.enabled)), 0)
        << c.name;
    EXPECT_EQ(Boxes(w), c.boxes) << c.name;
  }
  ui::Hwnd w = Window();
  NavBarCreate(w, 0, StrFromC("NEW,NXT"), StrFromC("'New',Next"), 20, StrFromC(""));
  EXPECT_EQ(ui::get_text(ui::get_dlg_item(w, 3001)), "'New'");  // captions as written
}

TEST_F(ControlsTest, FieldStylesAndThePasswordType) {
  constexpr uint32_t base = ui::WS_CHILD | ui::WS_VISIBLE | ui::WS_TABSTOP | ui::ES_AUTOHSCROLL;
  struct Case {
    char type;
    uint16_t flags;
    bool readOnly;
    uint32_t style;
    char typeAfter;
  } cases[] = {
      {'A', kFieldUpdatable, false, base, 'A'},
      {'P', kFieldUpdatable, false, base | ui::ES_PASSWORD, 'A'},
      {'P', kFieldUpdatable, true, base | ui::ES_READONLY, 'P'},
      {'N', kFieldUpdatable, false, base | ui::ES_RIGHT, 'N'},
      {'3', kFieldUpdatable, false, base | ui::ES_RIGHT, '3'},
      {'L', 0, false, base | ui::ES_RIGHT | ui::ES_READONLY, 'L'},
      {'D', 0, false, base | ui::ES_READONLY, 'D'},
  };
  for (const Case& c : cases) {
    FieldDesc f;
    f.type = c.type;
    f.flags = c.flags;
    EXPECT_EQ(FieldCtlStyle(f, c.readOnly), c.style) << c.type << c.readOnly;
    EXPECT_EQ(f.type, c.typeAfter) << c.type << c.readOnly;
  }
}

TEST_F(ControlsTest, ControlTextsAreBoundedAndMissingControlsAnswer) {
  ui::Hwnd w = Window();
  ui::Hwnd e = EditCreate(w, 0, 0, 100, 16, 2000, 0);
  ui::edit_set_limit(e, 0);
  std::string longText(500, 'x');
  EXPECT_EQ(CtlTextSet(w, 2000, S(longText)), 0);
  EXPECT_EQ(CtlTextGet(w, 2000, 0xFFFF).len, kCtlTextDefaultMax);
  EXPECT_EQ(CtlTextGet(w, 2000, 5).Str(), "xxxxx");
  EXPECT_EQ(StrError(CtlTextGet(w, 2001, 10)), st::BADINPUTDATA);
  EXPECT_EQ(CtlTextSet(w, 2001, StrFromC("a")), st::WINCONTROLERROR);
  EXPECT_EQ(ErrGet() & 0xFFFF, st::WINCONTROLERROR);
  EXPECT_EQ(CtlTextSetById(2000, StrFromC("top")), 0);  // w is the top window
  EXPECT_EQ(ui::get_text(e), "top");

  ui::Hwnd l = ListBoxCreate(w, 0, 20, 100, 60, 2, StrFromC("'a,b',c,\"d\""));
  ASSERT_NE(l, 0u);
  EXPECT_EQ(ui::get_ctrl_id(l), kIdListBoxFirst + 2);
  ASSERT_EQ(ui::listbox_count(l), 3);
  EXPECT_EQ(ui::listbox_text(l, 0), "a,b");
  EXPECT_EQ(ui::listbox_text(l, 2), "d");
  ui::Hwnd s = StaticTextCreate(w, 30, 40, 50, 16, StrFromC("label"));
  EXPECT_EQ(Boxes(w).back(), (Box{0, 40, 30, 50, 16}));
  EXPECT_EQ(ui::get_text(s), "label");
}

}  // namespace
