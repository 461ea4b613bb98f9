// The tile layout, option values and the grids of option buttons.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "runtime/sysvars.h"
#include "screens/window/actions.h"
#include "screens/window/controls.h"
#include "screens/window/tiles.h"
#include "screens/window/winrecord.h"
#include "screen_fixture.h"
#include "support/bmp_fixture.h"

namespace {

constexpr uint16_t C = kTileComputed;

TEST(TileLayoutTest, SizesCountsGapsAndOrigins) {
  struct Case {
    const char* id;
    TileLayoutRec in;
    // width, height, columns, rows, x gap, y gap, x origin, y origin
    uint16_t out[8];
  } cases[] = {
      // 200 x 50 give 2 x 3; 180 x 45, 162 x 41, then 146 x 37 give 2 x 4.
      {"shrinks-until-8-fit", {500, 200, 8, C, C, C, C, 0}, {146, 37, 2, 4, 6, 6, 3, 3}},
      {"zero-size-is-default", {500, 200, 8, C, C, 0, 0, 0}, {146, 37, 2, 4, 6, 6, 3, 3}},
      {"single-column-widened", {300, 600, 3, C, C, C, C, 0}, {225, 50, 1, 9, 6, 6, 3, 3}},
      {"spread-rows", {400, 300, 2, C, C, C, C, kTileSpreadRows}, {300, 50, 1, 2, 6, 100, 3, 50}},
      {"spread-columns", {500, 200, 3, C, C, C, C, kTileSpreadColumns}, {200, 50, 1, 3, 300, 6, 150, 3}},
      {"given-counts-squeeze", {300, 90, 6, 3, 2, C, C, kTileSpreadRows}, {94, 44, 3, 2, 6, 1, 3, 0}},
      // Too small for a row: nothing to spread over.
      {"no-row-fits", {100, 10, 4, C, C, C, C, kTileSpreadRows | kTileSpreadColumns}, {200, 50, 1, 0, 0, 6, 0, 3}},
      {"given-zero-rows", {100, 100, 4, C, 0, C, C, kTileSpreadRows}, {200, 50, 1, 0, 6, 6, 3, 3}},
      // Far more tiles than room: the shrinking stops at 5 x 5 and the
      // overflow is accepted.
      {"overflow-ends", {200, 200, 10000, C, C, C, C, 0}, {5, 5, 33, 33, 6, 6, 3, 3}},
      {"overflow-one-column", {200, 200, 10000, 1, C, C, C, 0}, {200, 5, 1, 33, 6, 6, 3, 3}},
  };
  for (Case c : cases) {
    EXPECT_EQ(TileLayout(c.in), 0) << c.id;
    const TileLayoutRec& t = c.in;
    uint16_t got[8] = {t.outTileWidth, t.outTileHeight, t.outColumns, t.outRows, t.xGap, t.yGap, t.xOrigin, t.yOrigin};
    EXPECT_EQ(std::vector<uint16_t>(got, got + 8), std::vector<uint16_t>(c.out, c.out + 8)) << c.id;
  }
}

TEST(OptionValueSpecTest, CaptionsListsAndRefusals) {
  struct Case {
    const char* text;
    uint16_t value;
    const char* after;
  } cases[] = {
      {"Yes/#255", 255, "Yes"},  {"/#7,a,b", 7, "a,b"},       {"/#7", 7, ""},
      {"plain", kOptionNoValue, "plain"}, {"a/b", kOptionNoValue, "a/b"},
      {"a/#x", kOptionNoValue, "a/#x"},   {"a/#", kOptionNoValue, "a/#"},
      {"a/#70000", kOptionNoValue, "a/#70000"}, {"a/#3/#7", 3, "a"},
      {"a/#3,b", kOptionNoValue, "a/#3,b"},     {"/#7x,a", kOptionNoValue, "/#7x,a"},
      {"'x,y'/#4", 4, "'x,y'"},
  };
  for (const Case& c : cases) {
    StrValue t = StrFromC(c.text);
    EXPECT_EQ(OptionValueSpec(&t), c.value) << c.text;
    EXPECT_EQ(t.Str(), c.after) << c.text;
  }
}

class OptionGridTest : public ScreenUiTest {
 protected:
  struct Btn {
    int id;
    int x, y, w, h;
    uint32_t type;
    std::string text;
    bool operator==(const Btn&) const = default;
  };
  std::vector<Btn> Buttons(ui::Hwnd w) {
    std::vector<Btn> out;
    ui::Point o = ui::client_to_screen(w, ui::Point{0, 0});
    for (ui::Hwnd c : ui::children(w)) {
      ui::Rect r = ui::get_window_rect(c);
      out.push_back(Btn{ui::get_ctrl_id(c), r.left - o.x, r.top - o.y, r.Width(), r.Height(),
                        ui::get_style(c) & (ui::BS_TYPEMASK | ui::BS_BITMAP), ui::get_text(c)});
    }
    return out;
  }
};

TEST_F(OptionGridTest, TilesFilledRowByRowWithIdsFromTheFirst) {
  // System cell 8 x 16: tiles of 5 + 5 columns by 2 rows are 80 x 32.
  ui::Hwnd w = Window(0, 0, 200, 300);
  ASSERT_EQ(OptionButtonsCreate(w, StrFromC("One,'Two',Three"), kIdMenuFirst, 0xFF), 0);
  // Both spread: 2 x 2 tiles, gaps 20 and 118.
  EXPECT_EQ(Buttons(w), (std::vector<Btn>{{1500, 10, 59, 80, 32, 0, "One"},
                                         {1501, 110, 59, 80, 32, 0, "Two"},
                                         {1502, 10, 209, 80, 32, 0, "Three"}}));
  EXPECT_EQ(ui::get_font(ui::get_dlg_item(w, 1500)), ui::stock_font(ui::StockFont::System));

  ui::Hwnd row = Window(0, 0, 200, 300);
  ASSERT_EQ(OptionButtonsCreate(row, StrFromC("One,Two,Three"), 7, kOptionOneRow), 0);
  EXPECT_EQ(Buttons(row), (std::vector<Btn>{{7, 3, 3, 62, 32, 0, "One"},
                                           {8, 71, 3, 62, 32, 0, "Two"},
                                           {9, 139, 3, 62, 32, 0, "Three"}}));

  // The text-window origin moves the grid unless flag 4 says not to.
  TextWinGeomSet(kGeomKeep, kGeomKeep, false);
  TextWinGeomSetParts(2, 1, 0, 0);
  ui::Hwnd moved = Window(0, 0, 216, 316);
  ASSERT_EQ(OptionButtonsCreate(moved, StrFromC("One"), 1, kOptionOneRow), 0);
  ui::Hwnd kept = Window(0, 0, 216, 316);
  ASSERT_EQ(OptionButtonsCreate(kept, StrFromC("One"), 1, kOptionOneRow | kOptionNoOrigin), 0);
  EXPECT_EQ(Buttons(moved).front().x, 16 + 3);
  EXPECT_EQ(Buttons(moved).front().y, 16 + 3);
  EXPECT_EQ(Buttons(kept).front().x, 3);
}

TEST_F(OptionGridTest, ValuesMakeOwnerDrawnButtonsWhenTheScreenKeepsThem) {
  WriteTagged("VAL.PPN", {"FD$:A:MAX_IDS_ATTR%:2"});
  WriteTagged("VAL.PAN", {"10101000004A"});
  ui::Hwnd w = Window(0, 0, 400, 400);
  ASSERT_EQ(ScreenCreate(StrFromC("VAL"), StrFromC("VAL"), 1, 0, StrFromC("")), 0);
  WinRegister(w, 0);  // the window shows record 0
  // The list's value 9 goes to every option without its own; a third
  // value finds the table full.
  ASSERT_EQ(OptionButtonsCreate(w, StrFromC("/#9,A,B/#4,C"), 1500, kOptionOneRow), 0);
  std::vector<Btn> b = Buttons(w);
  ASSERT_EQ(b.size(), 3u);
  EXPECT_EQ(b[0].type, ui::BS_OWNERDRAW);
  EXPECT_EQ(b[1].type, ui::BS_OWNERDRAW);
  EXPECT_EQ(b[1].text, "B");
  EXPECT_EQ(b[2].type, ui::BS_PUSHBUTTON);
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  EXPECT_EQ((std::vector<uint16_t>{s->ids[0][0], s->ids[0][1], s->ids[1][0], s->ids[1][1]}),
            (std::vector<uint16_t>{1500, 1501, 9, 4}));
  // Without a screen a value changes nothing.
  ui::Hwnd plain = Window();
  ui::Hwnd h = OptionButtonCreate(plain, 0, 0, 50, 20, StrFromC("'Q'"), 1600, 3, 0);
  EXPECT_EQ(ui::get_style(h) & ui::BS_TYPEMASK, ui::BS_PUSHBUTTON);
  EXPECT_EQ(ui::get_text(h), "Q");
}

TEST_F(OptionGridTest, PictureOptionsStayInTheDefaultDirectory) {
  BmpWrite(dir.File("LOGO1.bmp"));
  BmpWrite(dir.File("EVIL.bmp"));
  const char* items = "logo,..,sub/EVIL,Plain";
  ui::Hwnd off = Window(0, 0, 600, 200);
  ASSERT_EQ(OptionButtonsCreate(off, StrFromC(items), 1500, kOptionOneRow | kOptionPicture), 0);
  for (const Btn& b : Buttons(off)) EXPECT_EQ(b.type, ui::BS_PUSHBUTTON) << b.text;  // `_SYSCOMPAT` 32 off

  VarSysIntSet(kSysSysCompat, kSysCompatPictures);
  ui::Hwnd on = Window(0, 0, 600, 200);
  ASSERT_EQ(OptionButtonsCreate(on, StrFromC(items), 1500, kOptionOneRow | kOptionPicture), 0);
  std::vector<Btn> b = Buttons(on);
  ASSERT_EQ(b.size(), 4u);
  EXPECT_EQ(b[0].type, ui::BS_BITMAP);
  EXPECT_EQ(ui::bitmap_path(ui::get_image(ui::get_dlg_item(on, 1500))), dir.File("LOGO1.bmp"));
  for (size_t i = 1; i < b.size(); ++i) EXPECT_EQ(b[i].type, ui::BS_PUSHBUTTON) << b[i].text;
  EXPECT_EQ(b[2].text, "sub/EVIL");
  // A picture that cannot be loaded leaves a push button with the text.
  ui::Hwnd h = OptionButtonCreate(on, 0, 0, 40, 20, StrFromC("missing.bmp"), 1700, kOptionNoValue, kOptionPicture);
  EXPECT_EQ(ui::get_style(h) & (ui::BS_TYPEMASK | ui::BS_BITMAP), ui::BS_PUSHBUTTON);
  EXPECT_EQ(ui::get_text(h), "missing.bmp");
}

}  // namespace
