// The list-view slots of lines grids and the column titles of a lines block.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screens/window/fieldvalues.h"
#include "screens/grids/gridview.h"
#include "screens/window/winrecord.h"
#include "screen_fixture.h"

namespace {

class GridViewTest : public ScreenUiTest {
 protected:
  void SetUp() override {
    ScreenUiTest::SetUp();
    GridViewReset();
  }
  void TearDown() override {
    GridViewReset();
    ScreenUiTest::TearDown();
  }
};

TEST_F(GridViewTest, FourSlotsAndTheirListViews) {
  ui::Hwnd w = Window();
  for (int i = 0; i < kGridViewSlots; ++i) {
    ASSERT_EQ(GridViewCreate(w, 10 * i, 20, 300, 200), i);
    ui::Hwnd v = GridViewGet(i).view;
    SCOPED_TRACE(i);
    EXPECT_EQ(ui::get_ctrl_id(v), 3200 + i);
    EXPECT_EQ(ui::class_name(v), "SysListView32");
    EXPECT_EQ(ui::get_style(v), kGridViewStyle);
    EXPECT_FALSE(ui::is_visible(v));  // shown by the first item set
    EXPECT_EQ(ui::lv_color(v, 0), 0x000000u);
    EXPECT_EQ(ui::lv_color(v, 1), 0xFFE0E0u);  // red 224, green 224, blue 255
    EXPECT_EQ(ui::lv_color(v, 2), 0xFFE0E0u);
    EXPECT_EQ(ui::lv_ext(v), ui::LVS_EX_GRIDLINES | ui::LVS_EX_HEADERDRAGDROP | ui::LVS_EX_FULLROWSELECT);
    EXPECT_NE(ui::get_font(v), 0u);
    EXPECT_EQ(GridViewSlotOf(v), i);
  }
  EXPECT_EQ(GridViewCreate(w, 0, 0, 100, 100), -1);
  EXPECT_EQ(GridViewGet(1).x, 10);
  EXPECT_EQ(GridViewItemPos(2, 0, true).x, 20);

  ui::Hwnd one = GridViewGet(1).view;
  EXPECT_EQ(GridViewDestroy(1), 0);
  EXPECT_FALSE(ui::is_window(one));
  EXPECT_EQ(GridViewSlotOf(one), -1);
  EXPECT_EQ(GridViewDestroy(1), 0xFFFF);  // empty
  EXPECT_EQ(GridViewCreate(w, 0, 0, 100, 100), 1);
  // A list view that died with its parent frees its slot.
  ui::destroy_window(w);
  ui::Hwnd w2 = Window();
  EXPECT_EQ(GridViewCreate(w2, 0, 0, 100, 100), 0);
  EXPECT_EQ(GridViewDestroy(-1), 0xFFFF);  // slots 1-3 held dead list views
  EXPECT_EQ(GridViewCreate(w2, 0, 0, 100, 100), 0);
}

TEST_F(GridViewTest, ItemsSelectionAndColumns) {
  ui::Hwnd w = Window();
  int s = GridViewCreate(w, 10, 20, 400, 120);
  ui::Hwnd v = GridViewGet(s).view;
  EXPECT_EQ(GridViewColumns(s, 0, S("Code"), 'A', 50), 0);
  EXPECT_EQ(GridViewColumns(s, 1, S("Qty"), 'N', 80), 0);
  EXPECT_EQ(GridViewColumns(s, 2, S("Amount"), '2', 60), 0);
  EXPECT_EQ(GridViewGet(s).colCount, 3);
  EXPECT_EQ(GridViewColumns(3, 0, S("x"), 'A', 10), 0xFFFF);  // an empty slot
  EXPECT_EQ(ui::lv_column_width(v, 0), 52);
  EXPECT_EQ(GridViewColWidth(s, 0), 50);
  EXPECT_EQ(GridViewColWidth(s, 1), 80);

  EXPECT_EQ(GridViewCurRow(s), 0xFFFF);
  ASSERT_EQ(GridViewSetItem(s, 3, 1, S("7")), 0);
  EXPECT_EQ(ui::lv_item_count(v), 4);  // rows 0-3
  EXPECT_EQ(GridViewGet(s).rowCount, 4);
  EXPECT_TRUE(ui::is_visible(v));
  EXPECT_EQ(GridViewCurRow(s), 0xFFFF);
  uint64_t writes = ui::lv_cell_writes();
  ASSERT_EQ(GridViewSetItem(s, 3, 1, S("7")), 0);  // the same text: not written again
  EXPECT_EQ(ui::lv_cell_writes(), writes);
  EXPECT_EQ(GridViewSetItem(s, 65536, 0, S("x")), 0xFFFF);
  EXPECT_EQ(GridViewSetItem(s, -1, 0, S("x")), 0xFFFF);
  EXPECT_EQ(ui::lv_item_count(v), 4);

  GridViewSelect(s, 2, true);
  EXPECT_EQ(GridViewCurRow(s), 2);
  GridViewSelect(s, 0, true);
  EXPECT_EQ(GridViewCurRow(s), 0);
  GridViewSelect(s, 0, false);
  EXPECT_EQ(GridViewCurRow(s), 0xFFFF);

  // Cells in the parent: text 2 pixels into the first column, 5 into the others.
  int rh = ui::lv_row_height(v);
  struct Pos {
    int row, col, x, y;
  } cells[] = {{0, 0, 10 + 2, 20 + rh}, {1, 1, 10 + 52 + 5, 20 + 2 * rh}, {1, 2, 10 + 132 + 5, 20 + 2 * rh}};
  for (const Pos& c : cells) {
    ui::Point p = GridViewCellPos(s, c.row, c.col);
    EXPECT_EQ(p.x, c.x) << c.row << "," << c.col;
    EXPECT_EQ(p.y, c.y) << c.row << "," << c.col;
  }
  EXPECT_EQ(GridViewItemPos(s, 1, false).y, 2 * rh);
  ui::Point origin = ui::client_to_screen(v, ui::Point{});
  struct Cursor {
    int x, col;
  } cursors[] = {{10, 0}, {52, 0}, {53, 1}, {140, 2}, {1000, 2}};
  for (const Cursor& c : cursors) {
    ui::set_cursor_pos(ui::Point{origin.x + c.x, origin.y + 30});
    EXPECT_EQ(GridViewColumnAtCursor(s), c.col) << c.x;
  }
  EXPECT_EQ(GridViewClientSize(s), (PxSize{400, 120}));

  for (int r = 4; r < 30; ++r) GridViewSetItem(s, r, 0, S("r"));
  EXPECT_EQ(GridViewScroll(s, 3), 3);
  EXPECT_EQ(GridViewScroll(s, -1), 2);
  GridViewClear(s);
  EXPECT_EQ(ui::lv_item_count(v), 1);
  EXPECT_EQ(GridViewGet(s).rowCount, 1);
  EXPECT_EQ(ui::lv_item_text(v, 0, 1), "");
}

class GridTitlesTest : public GridViewTest {
 protected:
  Status Open(const std::string& name, const std::string& def, const std::vector<std::string>& layout) {
    WriteTagged(name + ".PPN", {def});
    WriteTagged(name + ".PAN", layout);
    Window();
    return ScreenCreate(S(name), S(name), 1, 0, S(""));
  }
};

TEST_F(GridTitlesTest, TitlesFromTheLabelRowAboveTheBlock) {
  // Block A (column 2, width 6), B (column 9, width 4: its title runs on
  // past C's column), C (column 14, width 10, labelled at 18).
  ASSERT_EQ(Open("TTL", "FD$:H,A,B,C:BOUNDS$:A,C",
                 {"10101000005A", "00101Header", "00402Code", "00409Quantity", "00418Town", "00602Other",
                  "10602000006A", "10609000004N", "10614000010A"}),
            0);
  EXPECT_EQ(LinsGridTitles(S("TTL"), 1).Str(), "Code,Quantity,Town,");

  // A label running past the 384-column line is clipped there.
  ASSERT_EQ(Open("WIDE", "FD$:A:BOUNDS$:A,A", {"00470" + std::string(320, 'x'), "10675000005A"}), 0);
  EXPECT_EQ(LinsGridTitles(S("WIDE"), 1).Str(), std::string(384 - 75, 'x') + ",");

  // No label row: empty titles; no lines block: nothing.
  ASSERT_EQ(Open("NOLAB", "FD$:A,B:BOUNDS$:A,B", {"10602000006A", "10609000004N"}), 0);
  EXPECT_EQ(LinsGridTitles(S("NOLAB"), 1).Str(), ",,");
  ASSERT_EQ(Open("PLAIN", "FD$:A", {"10602000006A"}), 0);
  EXPECT_EQ(LinsGridTitles(S("PLAIN"), 1).Str(), "");
}

}  // namespace
