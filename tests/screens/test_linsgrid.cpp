// Lines grids: creation over a lines block, levels, events from the list
// view, modal grid windows, painting and reloading, edits over the cells.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/terminal.h"
#include "data/store/datafile.h"
#include "runtime/sysvars.h"
#include "screens/window/actions.h"
#include "screens/forms/choice.h"
#include "screens/window/fieldctl.h"
#include "screens/grids/gridview.h"
#include "screens/grids/linsgrid.h"
#include "screens/window/winrecord.h"
#include "screen_fixture.h"

namespace {

// Events the callback saw, and what it answers.
std::vector<int> g_events;
uint16_t g_accept = 0;
int g_acceptOnly = 0;  // when set, only this event is accepted

uint16_t Record(ui::Hwnd, int, int event) {
  g_events.push_back(event);
  return g_acceptOnly == 0 || g_acceptOnly == event ? g_accept : 0;
}

// The lines block CODE (A 6), QTY (N 8), NOTE (A 10) on row 6, labelled two
// rows above; HEAD before it and TAIL on row 11 after it.
const std::vector<std::string> kLayout = {"10205000006A", "00405Code", "00412Qty", "00421Note",
                                          "10605000006A", "10612000008N", "10621000010A", "11105000004A"};
const char kDefinition[] = "FD$:HEAD,CODE,QTY,NOTE,TAIL:BOUNDS$:CODE,NOTE:LNASSIGN$:'xyz'";

class LinsGridTest : public ScreenUiTest {
 protected:
  void SetUp() override {
    ScreenUiTest::SetUp();
    GridViewReset();
    LinsGridReset();
    g_events.clear();
    g_accept = 0;
    g_acceptOnly = 0;
    WriteTagged("LG.PPN", {kDefinition});
    WriteTagged("LG.PAN", kLayout);
  }
  void TearDown() override {
    LinsGridClose(0);
    LinsGridReset();
    GridViewReset();
    ScreenUiTest::TearDown();
  }
  // The screen on a window whose procedure is the grids' own.
  ui::Hwnd Open() {
    ui::Hwnd w = Window(0, 0, 800, 600, LinsGridWndProc);
    ui::show_window(w, ui::Show::Show);
    EXPECT_EQ(ScreenCreate(S("LG"), S("LG"), 1, 0, S("")), 0);
    blocks = LiveBlocksOf(MOD_SCREENS);
    return w;
  }
  static ui::Hwnd View(int level = -1) { return GridViewGet(LinsGridHandle(level)).view; }
  static int FreeSlots() {
    int n = 0;
    for (int s = 0; s < kGridViewSlots; ++s) n += !ui::is_window(GridViewGet(s).view);
    return n;
  }
  // Rows of CODE, QTY (stored) and NOTE.
  static void Fill(const std::vector<std::vector<std::string>>& rows) {
    GridBuffer& g = LinsGridGet(-1)->buffer;
    for (size_t r = 0; r < rows.size(); ++r)
      for (size_t c = 0; c < rows[r].size(); ++c)
        ASSERT_EQ(GridCellSet(g, static_cast<int32_t>(r + 1), static_cast<int32_t>(c + 1), S(rows[r][c])), 0);
    g.flags |= kGridChanged;
  }
  static std::vector<std::string> Row(int row) {
    std::vector<std::string> out;
    for (int c = 0; c < ui::lv_column_count(View()); ++c) out.push_back(ui::lv_item_text(View(), row, c));
    return out;
  }
  uint16_t blocks = 0;
};

TEST_F(LinsGridTest, CreationTable) {
  Open();
  auto px = [](int n) { return FieldPixelWidth(n) + 1; };
  struct Case {
    const char* id;
    uint16_t flags;
    int32_t rows, listRows;
    const char* titles;
    int width, height;
    uint16_t visible, list;
    std::vector<std::string> names;
  } cases[] = {
      {"document", kLinsDocument, -1, 6, "", px(6) + px(8) + px(10) + 24, 5 * 15 + 22, 5, 6, {"CODE", "QTY", "NOTE"}},
      {"navigation", kLinsNavigation, 4, 100, "", px(6) + px(8) + px(10), 4 * 15 + 22, 4, 4, {"CODE", "QTY", "NOTE"}},
      {"titles", kLinsDocument | kLinsTitleWidth, -1, 5, "Code,Quantity of goods", px(6) + px(17) + px(10),
       5 * 15 + 22, 5, 5, {"Code", "Quantity of goods", "NOTE"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Status level = LinsGridCreate(S("T"), S(c.titles), S(""), c.rows, c.listRows, c.flags, Record);
    ASSERT_EQ(level, 0) << ErrDetail().Str();
    const LinsGridRec* r = LinsGridGet(-1);
    EXPECT_EQ(r->visibleRows, c.visible);
    EXPECT_EQ(r->listRows, c.list);
    EXPECT_EQ(r->buffer.cols, 4);  // the LNASSIGN$ column is kept, not shown
    EXPECT_EQ(r->buffer.maxRows, c.listRows);
    ui::Hwnd v = View();
    EXPECT_EQ(ui::lv_column_count(v), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ui::lv_column_title(v, i), c.names[static_cast<size_t>(i)]) << i;
    EXPECT_EQ(ui::lv_column_align(v, 1), ui::Align::Right);
    EXPECT_EQ(ui::lv_column_align(v, 2), ui::Align::Left);
    ui::Rect rect = ui::get_window_rect(v);
    ui::Point at = ui::screen_to_client(ui::get_parent(v), ui::Point{rect.left, rect.top});
    EXPECT_EQ(rect.Width(), c.width);
    EXPECT_EQ(rect.Height(), c.height);
    EXPECT_EQ(at.x, WinColX(4));  // the block's first column less one
    EXPECT_EQ(at.y, WinRowY(4));  // two rows above the block
    EXPECT_TRUE(ui::is_visible(v));
    EXPECT_EQ(WinCurrent().gridIndex, 0);
    EXPECT_EQ(LinsGridClose(-1), -1);
  }
  EXPECT_EQ(LiveBlocksOf(MOD_SCREENS), blocks);
  EXPECT_EQ(FreeSlots(), 4);
}

TEST_F(LinsGridTest, LevelsStopAtFourAndNeedAListView) {
  Open();
  for (int i = 0; i < 4; ++i) ASSERT_EQ(LinsGridCreate(S(""), S(""), S(""), 3, 6, kLinsDocument, nullptr), i);
  const LinsGridRec* top = LinsGridGet(-1);
  EXPECT_EQ(LinsGridCreate(S(""), S(""), S(""), 3, 6, kLinsDocument, nullptr), kLinsNoGrid);
  EXPECT_EQ(LinsGridLevel(), 3);
  EXPECT_EQ(LinsGridGet(-1), top);
  EXPECT_EQ(LinsGridGet(4), nullptr);
  EXPECT_EQ(LinsGridClose(2), 1);  // closes 3 and 2
  EXPECT_EQ(LinsGridClose(-1), 0);
  // With every list view taken the grid is not made and its buffer freed.
  for (int i = 0; i < 3; ++i) ASSERT_GE(GridViewCreate(WinTop(), 0, 0, 10, 10), 0);
  uint16_t before = LiveBlocksOf(MOD_SCREENS);
  EXPECT_EQ(LinsGridCreate(S(""), S(""), S(""), 3, 6, kLinsDocument, nullptr), st::COMMONCTLERROR);
  EXPECT_EQ(LinsGridLevel(), 0);
  EXPECT_EQ(LiveBlocksOf(MOD_SCREENS), before);
  // A buffer error is the answer, the level unchanged.
  EXPECT_EQ(LinsGridClose(-1), -1);
  GridViewDestroy(-1);
  before = LiveBlocksOf(MOD_SCREENS);
  EXPECT_GE(LinsGridCreate(S(""), S(""), S("NOPE{1}"), 3, 6, kLinsDocument, nullptr), 128);
  EXPECT_EQ(LinsGridLevel(), -1);
  EXPECT_EQ(LiveBlocksOf(MOD_SCREENS), before);
  ErrClear();
}

TEST_F(LinsGridTest, ListViewNotificationsBecomeGridEvents) {
  Open();
  ASSERT_EQ(LinsGridCreate(S(""), S(""), S(""), 4, 4, kLinsNavigation, Record), 0);
  Fill({{"A"}, {"B"}, {"C"}, {"D"}});
  ASSERT_EQ(LinsGridReload(-1), 0);
  ui::Hwnd v = View();
  // Without kScrStatGridNotify nothing is raised.
  hl->lv_click(3200, 1);
  Drive();
  EXPECT_TRUE(g_events.empty());
  VarIntSetBits(kSysScrStat, kScrStatGridNotify, true);
  hl->lv_click(3200, 3);
  Drive();
  EXPECT_EQ(g_events, (std::vector<int>{kGridEvClick}));
  struct Case {
    const char* id;
    uint16_t vk;
    int startRow;
    std::vector<int> events;
    int row;  // the selection afterwards
    int16_t lastKey;
  } cases[] = {
      {"PgDn on the last row", ui::VK_NEXT, 3, {kGridEvPgDnLast}, 3, 29},
      {"PgUp on the first", ui::VK_PRIOR, 0, {kGridEvPgUpFirst}, 0, 23},
      {"PgDn inside", ui::VK_NEXT, 0, {}, 3, 29},
      {"Down", ui::VK_DOWN, 1, {kGridEvUpDown}, 2, 28},
      {"Up", ui::VK_UP, 1, {kGridEvUpDown}, 0, 22},
      {"F5", ui::VK_F1 + 4, 1, {kGridEvF5}, 1, 15},
      {"F8", ui::VK_F1 + 7, 1, {kGridEvF8}, 1, 18},
      {"F9", ui::VK_F1 + 8, 1, {kGridEvF9}, 1, 19},
      {"F11", ui::VK_F11, 1, {kGridEvF11}, 1, 21},
      {"Enter", ui::VK_RETURN, 1, {kGridEvEnter}, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    GridViewSelect(LinsGridHandle(-1), c.startRow, true);
    int top = ui::lv_top_index(v);
    g_events.clear();
    hl->key(c.vk);
    Drive();
    EXPECT_EQ(g_events, c.events);
    EXPECT_EQ(GridViewCurRow(LinsGridHandle(-1)), c.row);
    EXPECT_EQ(ui::lv_top_index(v), top);
    EXPECT_EQ(VarSysIntGet(kSysLastKey), c.lastKey);
  }
  // The list view gaining the focus, a right click (not accepted: stays).
  ui::set_focus(WinTop());
  g_events.clear();
  ui::set_focus(v);
  hl->lv_click(3200, 2, ui::Click::Right);
  Drive();
  EXPECT_EQ(g_events, (std::vector<int>{kGridEvFocus, kGridEvClick, kGridEvAccept}));
  EXPECT_TRUE(ui::is_window(v));
}

TEST_F(LinsGridTest, ModalGridClosesOnAnAcceptedEvent) {
  ui::Hwnd base = Open();
  VarIntSetBits(kSysScrStat, kScrStatGridNotify, true);
  TextWinGeom before = TextWinGeomGet();
  struct Case {
    const char* id;
    LinsGridCallback callback;
    uint16_t accept;
    int acceptOnly;
    bool notify;
    uint16_t vk;  // 0: a double click
    bool closes;
  } cases[] = {
      {"Esc accepted", Record, 1, kGridEvEsc, true, ui::VK_ESCAPE, true},
      {"Esc refused", Record, 0, 0, true, ui::VK_ESCAPE, false},
      {"no callback", nullptr, 0, 0, true, ui::VK_ESCAPE, true},
      {"notifications off", Record, 1, 0, false, ui::VK_ESCAPE, false},
      {"double click", Record, 1, kGridEvEnter, true, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    g_accept = c.accept;
    g_acceptOnly = c.acceptOnly;
    VarIntSetBits(kSysScrStat, kScrStatGridNotify, c.notify);
    ASSERT_EQ(LinsGridCreate(S("Lines"), S(""), S(""), 4, 4, kLinsOwnWindow, c.callback), 0);
    ui::Hwnd grid = LinsGridGet(-1)->window;
    ASSERT_NE(grid, 0u);
    EXPECT_EQ(WinTop(), grid);
    EXPECT_EQ(ui::class_name(grid).substr(ui::class_name(grid).size() - 4), "Grid");
    EXPECT_FALSE(ui::is_enabled(base));  // modal over the screen
    EXPECT_EQ(ui::get_parent(View()), grid);
    EXPECT_EQ(ui::get_focus(), View());
    Fill({{"A"}});
    ASSERT_EQ(LinsGridReload(-1), 0);
    if (c.vk)
      hl->key(c.vk);
    else
      hl->lv_click(3200, 0, ui::Click::Double);
    Drive();
    EXPECT_EQ(ui::is_window(grid), !c.closes);
    EXPECT_EQ(LinsGridLevel(), c.closes ? -1 : 0);
    if (!c.closes) LinsGridClose(-1);
    EXPECT_FALSE(ui::is_window(grid));
    EXPECT_TRUE(ui::is_enabled(base));
    EXPECT_EQ(TextWinGeomGet(), before);
    EXPECT_EQ(LiveBlocksOf(MOD_SCREENS), blocks);
    EXPECT_EQ(FreeSlots(), 4);
  }
  // A navigation bar in two rows over the list view.
  ASSERT_EQ(LinsGridCreate(S("Lines"), S(""), S(""), 4, 4, kLinsOwnWindow | kLinsNavBar, nullptr), 0);
  ui::Hwnd grid = LinsGridGet(-1)->window;
  std::vector<std::string> captions;
  for (int id : {3003, 3005, 3009, 3010}) captions.push_back(ui::get_text(ui::get_dlg_item(grid, id)));
  EXPECT_EQ(captions, (std::vector<std::string>{"PgUp.", "PgDn.", "Insert", "Delete"}));
  ui::Rect bar = ui::get_window_rect(ui::get_dlg_item(grid, 3003));
  EXPECT_LE(bar.bottom, ui::get_window_rect(View()).top);
  EXPECT_EQ(LinsGridClose(-1), -1);
  EXPECT_FALSE(ui::is_window(grid));
  EXPECT_EQ(WinTop(), base);
}

TEST_F(LinsGridTest, ReloadPaintsWhatChangedAndNothingTwice) {
  Open();
  ASSERT_EQ(LinsGridCreate(S(""), S(""), S(""), -1, 6, kLinsDocument, nullptr), 0);
  Fill({{"A1", "12", "first"}, {"B2", "-3.5", "second"}, {"C3", "", "third"}});
  ASSERT_EQ(LinsGridReload(-1), 0);
  EXPECT_EQ(ui::lv_item_count(View()), 4);  // three rows and one more below the maximum
  EXPECT_EQ(Row(0), (std::vector<std::string>{"A1", "      12", "first"}));
  EXPECT_EQ(Row(1), (std::vector<std::string>{"B2", "      -4", "second"}));  // type N shows no decimals
  EXPECT_EQ(Row(3), (std::vector<std::string>{"", "", ""}));
  uint64_t writes = ui::lv_cell_writes();
  EXPECT_EQ(LinsGridReload(-1), 0);  // nothing changed
  GridBuffer& g = LinsGridGet(-1)->buffer;
  g.flags |= kGridChanged;
  EXPECT_EQ(LinsGridReload(-1), 0);  // changed, but every cell shows its text already
  EXPECT_EQ(ui::lv_cell_writes(), writes);
  ASSERT_EQ(GridCellSet(g, 2, 3, S("changed")), 0);
  g.flags |= kGridChanged;
  EXPECT_EQ(LinsGridReload(-1), 0);
  EXPECT_EQ(ui::lv_cell_writes(), writes + 1);
  EXPECT_EQ(Row(1)[2], "changed");
  // Emptied: the list view starts again from one empty row.
  GridReset(g);
  EXPECT_EQ(LinsGridReload(-1), 0);
  EXPECT_EQ(ui::lv_item_count(View()), 1);
  EXPECT_EQ(Row(0), (std::vector<std::string>{"", "", ""}));
  // One row refreshed alone, the current row kept.
  Fill({{"X"}, {"Y"}});
  g.curRow = 2;
  EXPECT_EQ(LinsGridRefreshRange(-1, 1, 1), 0);
  EXPECT_EQ(g.curRow, 2);
  EXPECT_EQ(Row(0)[0], "X");
  EXPECT_EQ(ui::lv_item_count(View()), 1);
}

TEST_F(LinsGridTest, PaintRowLaysEditsOverTheCells) {
  ui::Hwnd w = Open();
  ASSERT_EQ(LinsGridCreate(S(""), S(""), S(""), -1, 6, kLinsDocument, nullptr), 0);
  Fill({{"A1", "12", "first"}});
  ASSERT_EQ(LinsGridReload(-1), 0);
  int slot = LinsGridHandle(-1);
  size_t children = ui::children(w).size();
  ASSERT_EQ(LinsGridPaintRow(-1, 3, 2, 4), 0);  // past the count: empty items up to it
  EXPECT_EQ(ui::lv_item_count(View()), 3);
  EXPECT_EQ(LinsGridGet(-1)->buffer.curRow, 3);
  ASSERT_EQ(ui::children(w).size(), children + 3);
  struct Want {
    uint16_t field;
    int col;
    bool right;
  } wants[] = {{2, 0, false}, {3, 1, true}, {4, 2, false}};
  for (const Want& c : wants) {
    SCOPED_TRACE(c.field);
    ui::Hwnd h = ui::get_dlg_item(w, FieldCtlId(c.field));
    ASSERT_NE(h, 0u);
    ui::Rect r = ui::get_window_rect(h);
    ui::Point at = ui::screen_to_client(w, ui::Point{r.left, r.top});
    ui::Point cell = GridViewCellPos(slot, 2, c.col);
    int left = cell.x - (c.col == 0 ? 2 : 5);
    int width = GridViewColWidth(slot, c.col);
    int x = c.right ? left + width - FieldPixelWidth(ScreenCurrent().fields[c.field - 1].width) - 3 : left + 3;
    EXPECT_EQ(at.x, x);
    EXPECT_EQ(at.y, cell.y + 3);
    EXPECT_EQ(r.Height(), 16 - 16 / 8);  // grid mode: 7/8 of a cell
  }
  EXPECT_EQ(LinsGridPaintRow(-1, 3, 2, 4), 0);  // the controls are there: nothing more
  EXPECT_EQ(ui::children(w).size(), children + 3);
  EXPECT_EQ(LinsGridPaintRow(-1, 7, 2, 4), 0);  // still nothing while they stand
  FieldControlsDestroy(2, 4);
  EXPECT_EQ(LinsGridPaintRow(-1, 7, 2, 4), st::UNDEFWARNING);

  // The terminal draws the edits over the list view's cells.
  ASSERT_EQ(LinsGridPaintRow(-1, 1, 2, 4), 0);
  ui::set_text(ui::get_dlg_item(w, FieldCtlId(2)), "Z9");
  ui::term::Canvas canvas(120, 40);
  ui::term::draw_top(canvas, w, ui::Point{8, 16});
  // The edit stands on its column's cells and hides the cell's "A1"; its
  // free cells show where to type (the window is drawn wholly on the
  // screen, so its row is looked for).
  EXPECT_NE(canvas.dump().find(" Z9____ "), std::string::npos) << canvas.dump();
  EXPECT_EQ(canvas.dump().find("A1"), std::string::npos) << canvas.dump();
}

TEST_F(LinsGridTest, PagingLoadsThroughTheDocumentLines) {
  Open();
  ASSERT_EQ(LinsGridCreate(S(""), S(""), S(""), 4, 20, kLinsNavigation, nullptr), 0);
  Fill({{"A"}, {"B"}});
  EXPECT_EQ(LinsGridVisible(-1, 4), 0);
  EXPECT_EQ(LinsGridVisible(-1, 5), 1);
  // A data file of its own in the test's directory, empty.
  ASSERT_EQ(DicDefineFile(0, S("PAGE"), S(dir.path())), 0);  // file 3
  ASSERT_EQ(DicDefineField(S("CODE"), 6, 'A'), 0);
  ASSERT_EQ(DicDefaultKey(3), 0);
  ASSERT_LT(DataFileOpen(3, 0), 128);
  ScreenGet(kCurrentIndex)->dataFile = 3;
  EXPECT_EQ(LinsGridStep(-1, 0, 4), 1);  // nothing to page to
  ErrClear();
  // An empty file: no lines load (the selection's 2 in `_IER`), and the
  // page is grown to its rows, blank.
  EXPECT_EQ(LinsGridFill(3, S("K"), 0, 4, -1), 0) << ErrDetail().Str();
  EXPECT_EQ(VarSysIntGet(kSysIer), 2);
  EXPECT_EQ(LinsGridGet(-1)->buffer.rowCount, 4);
  EXPECT_EQ(GridRowText(LinsGridGet(-1)->buffer).Str(), std::string(LinsGridGet(-1)->buffer.rowWidth, ' '));
  EXPECT_EQ(DataFileClose(3), 0);
}

TEST_F(LinsGridTest, DocumentGridScrollsToRowsOutOfView) {
  Open();
  ASSERT_EQ(LinsGridCreate(S(""), S(""), S(""), 3, 20, kLinsDocument, nullptr), 0);
  Fill({{"1"}, {"2"}, {"3"}, {"4"}, {"5"}, {"6"}, {"7"}, {"8"}});
  ASSERT_EQ(LinsGridReload(-1), 0);
  struct Case {
    int row, want;
  } cases[] = {{1, 0}, {3, 0}, {4, 1}, {6, 3}};
  for (const Case& c : cases) EXPECT_EQ(LinsGridVisible(-1, c.row), c.want) << c.row;
  GridViewScroll(LinsGridHandle(-1), 4);
  EXPECT_EQ(LinsGridVisible(-1, 2), -3);
}

}  // namespace
