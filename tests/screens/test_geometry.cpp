// Text-window geometry, cell-to-pixel arithmetic, window kinds, placement
// and the font table, on the headless window system (work area 1280 x 1000,
// frames 0).
#include <gtest/gtest.h>

#include <string>

#include "screen_fixture.h"

namespace {

using GeomTest = ScreenUiTest;

TEST_F(GeomTest, CellsToPixels) {
  ASSERT_EQ(FontCellSize().width, 8);  // empty table: text metrics 7 + 1, 13 + 3
  ASSERT_EQ(FontCellSize().height, 16);
  EXPECT_EQ(WinColX(1), 1);
  EXPECT_EQ(WinColX(kGeomAll), 641);
  EXPECT_EQ(WinColXRight(5), 593);
  EXPECT_EQ(WinColXRight(200), -7);  // past the left edge: column 0
  EXPECT_EQ(WinRowY(2), 17);
  TextWinGeomSetParts(kGeomKeep, kGeomKeep, kGeomKeep, 50);
  EXPECT_EQ(WinRowY(2), 25);
  TextWinGeomSetParts(2, 1, 2, 0);  // origin column 2, origin row 1, adjustment 2
  EXPECT_EQ(WinColsWidth(kGeomAll), 82 * 8);
  EXPECT_EQ(WinColsWidth(3), 24);
  EXPECT_EQ(WinRowsHeight(kGeomAll), (25 + 1 + 2) * 16);
  EXPECT_EQ(WinRowYBottom(1), 26 * 16 + 1);  // row 25 + 2 - 1, origin row 1
  EXPECT_EQ(TextSizePx(kGeomAll, kGeomAll, TextWinGeomGet(), CellSize{8, 16}), (PxSize{82 * 8, 28 * 16}));
  EXPECT_EQ(TextSizePx(0, 3, TextWinGeomGet(), CellSize{8, 16}), (PxSize{0, 6 * 16}));

  TextWinGeomReset();
  ASSERT_EQ(FontAdd(24, 12, 400, S("Lucida Console")), 0);  // start-up's screen font
  EXPECT_EQ(FontCellSize().width, 12);
  EXPECT_EQ(FontCellSize().height, 24);
  TextWinGeomSetParts(kGeomKeep, kGeomKeep, kGeomKeep, 150);
  EXPECT_EQ(WinRowY(100), 99 * 24 * 250 / 100 + 1);  // 5941: past 16 bits
  ASSERT_EQ(FontAdd(25, 12, 400, S("")), 0);
  TextWinGeomSetParts(kGeomKeep, kGeomKeep, kGeomKeep, 2);
  EXPECT_EQ(WinRowY(2), 27);  // 25 x 102 / 100 = 25.5 rounds up
}

TEST_F(GeomTest, CurrentGeometryIsSetAndUnset) {
  EXPECT_EQ(TextWinGeomGet(), (TextWinGeom{80, 25, 0, 0, 0, 0}));
  TextWinGeomSetParts(1, 2, 3, 4);  // no current geometry: the default changes
  EXPECT_EQ(TextWinGeomGet(), (TextWinGeom{80, 25, 1, 2, 3, 4}));
  TextWinGeomReset();
  ScreenSizeDefault(80, 24);
  EXPECT_EQ(TextWinGeomGet(), (TextWinGeom{80, 24, 0, 0, 0, 0}));

  EXPECT_EQ(TextWinGeomSet(100, 30, false), (TextWinGeom{100, 30, 0, 0, 0, 0}));
  TextWinGeomSetParts(2, 1, 2, 50);  // now on the current geometry only
  EXPECT_EQ(TextWinGeomSet(kGeomKeep, 40, false), (TextWinGeom{100, 40, 2, 1, 2, 50}));
  EXPECT_EQ(TextWinGeomSet(kGeomKeep, 0, false).rows, 0);  // rows 0 clears row, adjustment, spacing
  EXPECT_EQ(TextWinGeomSet(kGeomKeep, 12, false), (TextWinGeom{100, 12, 2, 0, 0, 0}));
  EXPECT_EQ(TextWinGeomSet(0, kGeomKeep, false), (TextWinGeom{80, 24, 0, 0, 0, 0}));  // unset: the default
  EXPECT_EQ(TextWinGeomSet(60, 20, true), (TextWinGeom{60, 20, 0, 0, 0, 0}));
}

TEST_F(GeomTest, WindowKinds) {
  ASSERT_EQ(DynStrSet(SettingsList, SetIdentityItem, S("COVCQT24:Orbisquale")), 0);
  struct Case {
    int kind;
    const char* offered;
    Status status;
    const char* name;
    uint32_t style;
  } cases[] = {
      {5, "", 0, "Dialogx", 0x80C80080},   {1, "", 0, "LnMant", 0x00CA0000}, {2, "", 0, "Mant", 0x00CA0000},
      {3, "", 0, "MantDlg", 0x80C80080},  {7, "", 0, "Progress", 0x80C80080}, {0, "x", 0, "COVCQT24", 0x00CA0000},
      {9, "", 0, "COVCQT24", 0x80C80080}, {11, "", 0, "COVCQT24", 0},         {12, "x", st::BADINPUTDATA, "", 0},
      {-1, "x", st::BADINPUTDATA, "", 0},
  };
  for (const Case& c : cases) {
    WinKindInfo k = WinKindStyle(c.kind, StrFromC(c.offered));
    EXPECT_EQ(k.status, c.status) << c.kind;
    EXPECT_EQ(k.className.Str(), c.name) << c.kind;
    EXPECT_EQ(k.style, c.style) << c.kind;
  }
  EXPECT_TRUE(WinKindStyle(5, S("")).style & kWinModalStyle);
  EXPECT_EQ(WinKindName(11).Str(), "");
  ASSERT_EQ(DynStrSet(SettingsList, SetIdentityItem, S("")), 0);
  EXPECT_EQ(WinKindStyle(11, StrFromC("Offered")).className.Str(), "Offered");
  EXPECT_EQ(WinKindStyle(11, S("")).status, st::BADINPUTDATA);
  EXPECT_EQ(WinKindStyle(4, S("")).className.Str(), "Grid");
}

TEST_F(GeomTest, MoveSizeCentresClampsAndAddsScrollBars) {
  ui::Hwnd w = Window(10, 10, 100, 100);
  ASSERT_EQ(WinMoveSize(0, 0, 400, 300), 0);
  EXPECT_EQ(ui::get_window_rect(w), (ui::Rect{440, 350, 840, 650}));
  EXPECT_FALSE(ui::get_scroll_info(w, ui::SB_HORZ).visible);

  ASSERT_EQ(WinMoveSize(0, 0, 2000, 500), 0);
  ui::Rect r = ui::get_window_rect(w);
  EXPECT_EQ(r.Width(), 1280);
  EXPECT_EQ(r.Height(), 524);
  ui::ScrollInfo h = ui::get_scroll_info(w, ui::SB_HORZ), v = ui::get_scroll_info(w, ui::SB_VERT);
  EXPECT_TRUE(h.visible);
  EXPECT_EQ(h.max, 720);
  EXPECT_FALSE(v.visible);

  ui::set_window_pos(w, 1200, 900, 300, 200, ui::SWP_NOZORDER);
  ASSERT_EQ(WinMoveSize(kGeomAll, 0, 300, 200), 0);  // keep the corner, back inside
  EXPECT_EQ(ui::get_window_rect(w), (ui::Rect{980, 800, 1280, 1000}));
  ASSERT_EQ(WinMoveSize(20, 30, kGeomAll, 0), 0);  // the current client size
  EXPECT_EQ(ui::get_window_rect(w), (ui::Rect{20, 30, 320, 230}));

  EXPECT_EQ(SizeClipWorkArea(PxSize{2000, 990}, ui::work_area()), (PxSize{1280, 1000}));
  EXPECT_EQ(SizeClipWorkArea(PxSize{700, 1200}, ui::work_area()), (PxSize{724, 1000}));
  EXPECT_EQ(SizeFitArea(PxSize{500, 500}, ui::Point{1000, 800}, ui::work_area()), (PxSize{280, 200}));
  EXPECT_EQ(SizeFitArea(PxSize{500, 500}, ui::Point{1400, 800}, ui::work_area()), (PxSize{0, 200}));
}

TEST_F(GeomTest, MoveSizeWithoutAWindowIsRefused) {
  EXPECT_EQ(WinMoveSize(0, 0, 400, 300), st::INTERNALERROR);
  EXPECT_EQ(WinClientSize(0), (PxSize{1280, 1000}));
  EXPECT_EQ(WinPos(0).x, 0);
}

TEST_F(GeomTest, CornersForNewWindows) {
  EXPECT_EQ(WinRectGet(0).x, (1280 - 640) / 2);  // no top window: centred text window
  EXPECT_EQ(WinRectGet(0).y, (1000 - 400) / 2);
  VarSysIntSet(kSysScrStat, kScrStatCascade);
  EXPECT_EQ(WinRectGet(0).x, 320 + 100);  // cascades under bit 8
  VarSysIntSet(kSysScrStat, 0);

  ui::Hwnd top = Window(50, 40, 600, 400);
  EXPECT_EQ(WinRectGet(0).x, 150);
  EXPECT_EQ(WinRectGet(0).y, 100);
  ui::CreateSpec spec;
  spec.cls = "EDIT";
  spec.style = ui::WS_CHILD | ui::WS_VISIBLE;
  spec.parent = top;
  spec.x = 30;
  spec.y = 300;
  spec.width = 80;
  spec.height = 16;
  ui::Hwnd edit = ui::create_window(spec);
  ui::set_focus(edit);
  ui::Rect er = ui::get_window_rect(edit);
  EXPECT_EQ(WinRectGet(kRectBesideFocus).x, er.left + 80);  // beside the control, no cascade
  EXPECT_EQ(WinRectGet(kRectBesideFocus).y, er.top);
  VarSysIntSet(kSysWMaxRow, 5);
  EXPECT_EQ(WinRectGet(kRectBesideFocus).y, 40 + 5 * 16);  // lifted to row 5
  VarSysIntSet(kSysWMaxRow, 0);
}

TEST_F(GeomTest, ChoiceGeometryEndsOnASmallWorkArea) {
  ui::shutdown();
  Backend(100);
  ChoiceGeomFit(20, 500, CellSize{8, 16});
  TextWinGeom g = TextWinGeomGet();
  EXPECT_GE(g.rows, 1);
  EXPECT_LE(g.rows, 6);
  EXPECT_GT(g.columns, 25);
  EXPECT_EQ(g.originCol + g.originRow + g.rowAdjust + g.spacing, 0);
  ChoiceGeomFit(0, 0, CellSize{8, 16});  // nothing to fit: 15 columns
  EXPECT_EQ(TextWinGeomGet().columns, 15);
  ChoiceGeomFit(60000, 60000, CellSize{8, 16});  // columns saturate
  EXPECT_EQ(TextWinGeomGet().columns, kGeomKeep - 1);
}

TEST_F(GeomTest, FontTable) {
  struct Case {
    int width, narrower;
  } widths[] = {{24, 22}, {8, 7}, {40, 37}, {1, 1}};
  for (const Case& c : widths) {
    FontEntry e;
    e.height = 24;
    e.width = static_cast<uint16_t>(c.width);
    ui::FontSpec s;
    ASSERT_TRUE(ui::font_spec(FontCreate(e), s));
    EXPECT_EQ(s.width, c.narrower) << c.width;
    EXPECT_EQ(s.height, 21);
    EXPECT_EQ(s.charSet, 1);
  }

  ASSERT_EQ(FontAdd(-1, -1, 1, S("Courier")), 0);  // the metrics cell, bold
  EXPECT_EQ(FontCurrent().height, 16);
  EXPECT_EQ(FontCurrent().width, 8);
  EXPECT_EQ(FontCurrent().weight, 700);
  FontAdd(0, 5, 0, S("x"));  // no height: ignored
  FontAdd(20, -5, 0, S("x"));
  EXPECT_EQ(FontCount(), 1);
  for (int i = 0; i < 6; ++i) FontAdd(20 + i, 10, 0, S(std::string(32, 'f')));
  EXPECT_EQ(FontCount(), 7);
  EXPECT_EQ(std::string(FontCurrent().face), "");  // 32 characters: no face
  EXPECT_EQ(FontCurrent().weight, 400);
  FontAdd(30, 15, 0, S("eighth"));
  EXPECT_EQ(FontCount(), 7);
  EXPECT_EQ(FontCellSize().height, 25);
  EXPECT_EQ(FontCellSize().width, 10);

  ui::Hwnd w = Window(0, 0, 100, 100);
  EXPECT_EQ(FontApply(w, kFontTable), 0);
  ui::FontSpec applied;
  ASSERT_TRUE(ui::font_spec(ui::get_font(w), applied));
  EXPECT_EQ(applied.height, 22);
  EXPECT_EQ(applied.width, 9);
  ui::Hfont first = ui::get_font(w);
  EXPECT_EQ(FontApply(w, kFontTable), 0);
  EXPECT_EQ(ui::get_font(w), first);  // made once for the current entry
  EXPECT_EQ(FontApply(w, kFontOemFixed), 0);
  EXPECT_EQ(ui::get_font(w), ui::stock_font(ui::StockFont::OemFixed));
  EXPECT_EQ(FontApply(w, 3), st::BADINPUTDATA);
  EXPECT_EQ(ui::get_font(w), ui::stock_font(ui::StockFont::OemFixed));
}

}  // namespace
