// Document lines in grids: moving through the rows of a document grid,
// inserting and deleting under LNINS$ and LNDEL$, navigation rows written
// to their file and paged through it, FieldAssignList.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/ui.h"
#include "runtime/sysvars.h"
#include "runtime/dynstrings.h"
#include "screens/window/actions.h"
#include "screens/window/actionchain.h"
#include "screens/datascreens/datascreen.h"
#include "screens/documents/docengine.h"
#include "screens/documents/docgrid.h"
#include "doc_fixture.h"

namespace {

class DocLinsTest : public DocTest {
 protected:
  // The screen on a window, in the line area, with its grid (`_LMAX` rows).
  void OpenGrid(const std::string& screen, int16_t maxLines) {
    Open(screen);
    VarSysIntSet(kSysLMax, maxLines);
    ASSERT_EQ(MovsLinsSetControls(S(screen), 0, nullptr), 0) << ErrDetail().Str();
    ASSERT_EQ(MovsWinGrid(), 0);
    WinGet(kCurrentIndex)->state = kWinStateLineArea;
  }
  static GridBuffer& Buf() { return LinsGridGet(0)->buffer; }
  static const FieldDesc& Field(uint16_t n) { return ScreenGet(kCurrentIndex)->fields[n - 1]; }
  static bool Controls() { return ui::is_window(Field(ScreenGet(kCurrentIndex)->linesFirst).control); }
  // Types into field n as a person would: the control's text, validated.
  static void Type(uint16_t n, const std::string& text) {
    ASSERT_TRUE(ui::set_text(Field(n).control, text));
    ASSERT_EQ(FieldPut(kCheckInput, n, S(text)), 0);
  }
  static std::string Cell(int row, int col) {
    std::string c = GridCellGet(Buf(), row, col).Str();
    return c.substr(0, c.find_last_not_of(' ') + 1);
  }
};

TEST_F(DocLinsTest, DocumentRows) {
  Define("DOC", "LNINS$:OKINS#\nLNDEL$:OKDEL#\nFLDUPDATE$:\"UPD#=UPD#+1\"");
  OpenGrid("DOC", 3);
  ASSERT_EQ(Eval("OKINS#=0,OKDEL#=0,UPD#=0"), 0);
  EXPECT_EQ(LinsGridGet(0)->columns.size(), 3u);
  EXPECT_EQ(ui::lv_column_title(GridViewGet(LinsGridGet(0)->slot).view, 1), "Qty");

  // The first show of an empty document opens row 1.
  ASSERT_EQ(MovsLinsControlLine(kLineEvShow), 0) << ErrDetail().Str();
  EXPECT_EQ(Buf().rowCount, 1);
  EXPECT_TRUE(Controls());
  EXPECT_EQ(Num("UPD#"), 1);
  Type(3, "PEN");
  // Down on the last row below the maximum: a blank row, FLDUPDATE$, changed.
  Buf().flags = 0;
  ASSERT_EQ(MovsLinsControlLine(kLineEvDown), 0) << ErrDetail().Str();
  EXPECT_EQ(Cell(1, 1), "PEN");
  EXPECT_EQ(Buf().rowCount, 2);
  EXPECT_EQ(Buf().curRow, 2);
  EXPECT_EQ(Sys(kSysLNum), 2);
  EXPECT_EQ(Buf().flags & 3, 3);
  EXPECT_EQ(Num("UPD#"), 2);
  EXPECT_EQ(FieldValue(3).Str(), std::string(10, ' '));  // the new row shows blank
  EXPECT_EQ(ui::lv_item_text(GridViewGet(LinsGridGet(0)->slot).view, 0, 0), "PEN");
  Type(3, "INK");
  ASSERT_EQ(MovsLinsControlLine(kLineEvDown), 0);
  Type(3, "PAD");
  // At the maximum Down stays.
  ASSERT_EQ(MovsLinsControlLine(kLineEvDown), 0);
  EXPECT_EQ(Buf().curRow, 3);
  EXPECT_EQ(Buf().rowCount, 3);
  EXPECT_EQ(Cell(3, 1), "PAD");
  // Up walks back to row 1 and stays there.
  ASSERT_EQ(MovsLinsControlLine(kLineEvUp), 0);
  ASSERT_EQ(MovsLinsControlLine(kLineEvUp), 0);
  ASSERT_EQ(MovsLinsControlLine(kLineEvUp), 0);
  EXPECT_EQ(Buf().curRow, 1);
  EXPECT_EQ(FieldValue(3).Str(), "PEN       ");
  EXPECT_TRUE(Controls());

  // A full document refuses an insert; false rules change nothing.
  EXPECT_EQ(MovsLinsInsert(), st::DATAOUTBOUND);
  ErrClear();
  ASSERT_EQ(MovsLinsDelete(-1, false), 0);
  EXPECT_EQ(Buf().rowCount, 3);
  ASSERT_EQ(Eval("OKDEL#=1"), 0);
  ASSERT_EQ(MovsLinsDelete(-1, false), 0);  // row 1 goes, row 2 shows
  EXPECT_EQ(Buf().rowCount, 2);
  EXPECT_EQ(FieldValue(3).Str(), "INK       ");
  EXPECT_TRUE(Controls());
  ASSERT_EQ(MovsLinsInsert(), 0);  // OKINS# is 0
  EXPECT_EQ(Buf().rowCount, 2);
  ASSERT_EQ(Eval("OKINS#=1"), 0);
  ASSERT_EQ(MovsLinsInsert(), 0);
  EXPECT_EQ(Buf().rowCount, 3);
  EXPECT_EQ(Cell(1, 1), "");
  EXPECT_EQ(Cell(2, 1), "INK");
  // Deleting every row: row 1 stays current without controls.
  for (int i = 0; i < 3; ++i) ASSERT_EQ(MovsLinsDelete(-1, false), 0);
  EXPECT_EQ(Buf().rowCount, 0);
  EXPECT_EQ(Buf().curRow, 1);
  EXPECT_FALSE(Controls());
  ui::Hwnd view = GridViewGet(LinsGridGet(0)->slot).view;
  EXPECT_EQ(ui::lv_item_count(view), 1);  // the empty row to type into
  EXPECT_EQ(ui::lv_item_text(view, 0, 0), "");

  // Outside the line area the line commands do nothing.
  WinGet(kCurrentIndex)->state = 2;
  EXPECT_EQ(MovsLinsInsert(), st::OUTOFDATA);
  EXPECT_EQ(MovsLinsDelete(-1, true), st::OUTOFDATA);
  ASSERT_EQ(MovsLinsClose(), 0);
  EXPECT_EQ(LinsGridLevel(), -1);
}

TEST_F(DocLinsTest, FieldAssignList) {
  Define("DOC", "ASSIGN$:\",,,_X#+5\"");
  Open("DOC");
  ASSERT_EQ(Eval("_X#=37,_Y#=0"), 0);
  EXPECT_EQ(FieldAssignList(S("QTY,_X#=1")), 0);
  EXPECT_EQ(FieldValue(4).Str(), "   42");  // refetched from its ASSIGN$ before _X# changed
  EXPECT_EQ(RecFieldGet(kDocs, 4).Str(), "   42");  // and put into the record
  EXPECT_EQ(Num("_X#"), 1);
  EXPECT_GE(FieldAssignList(S("_X#=2,1+'A',_Y#=1")), 128);
  EXPECT_EQ(Num("_X#"), 2);
  EXPECT_EQ(Num("_Y#"), 0);
  ErrClear();
}

TEST_F(DocLinsTest, NavigationRows) {
  auto nav = [](int line, const std::string& item) {
    std::string no = std::to_string(line), qty = std::to_string(line);
    return "G1" + std::string(3 - no.size(), ' ') + no + item + std::string(10 - item.size(), ' ') +
           std::string(5 - qty.size(), ' ') + qty;
  };
  for (int i = 1; i <= 25; ++i) Add(kNavs, nav(i, "I" + std::to_string(100 + i).substr(1)));
  Open("NAV");
  ASSERT_EQ(DataFileReadKey(kNavs, 1, S("G1"), dfmove::kAlsoOn1), 0);
  OpenGrid("NAV", 100);
  ASSERT_TRUE(LinsGridGet(0)->flags & kLinsNavigation);
  ASSERT_EQ(LinsGridGet(0)->visibleRows, 4);
  ASSERT_EQ(LinsGridFill(kNavs, S(RecBuf(kNavs, kRecCurrent).Str().substr(0, 5)), 0, 4, 0), 0) << ErrDetail().Str();
  EXPECT_EQ(Rows(Buf()), (std::vector<std::string>{"1|I01|1", "2|I02|2", "3|I03|3", "4|I04|4"}));
  ASSERT_EQ(Eval("OK#=1,UPD#=0"), 0);
  auto item = [] { std::string v = FieldValue(3).Str(); return v.substr(0, v.find_last_not_of(' ') + 1); };

  // Down through the file: every record once, in key order, four a page.
  ASSERT_EQ(MovsLinsControlLine(kLineEvShow), 0) << ErrDetail().Str();
  std::vector<std::string> seen{item()};
  for (int i = 2; i <= 25; ++i) {
    ASSERT_EQ(MovsLinsControlLine(kLineEvDown), 0) << i << " " << ErrDetail().Str();
    seen.push_back(item());
  }
  std::vector<std::string> expected;
  for (int i = 1; i <= 25; ++i) expected.push_back("I" + std::to_string(100 + i).substr(1));
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(Buf().curRow, 1);  // the last page holds line 25 alone
  const std::vector<std::string> stored = Records(kNavs);
  EXPECT_EQ(Num("UPD#"), 24);  // WRITELINS$ item 1 for each row left; nothing changed, nothing written

  // Past the last record: a new row; typed in and left, it is inserted.
  ASSERT_EQ(MovsLinsControlLine(kLineEvDown), 0) << ErrDetail().Str();
  EXPECT_EQ(Sys(kSysIer), dfres::kEnd);
  EXPECT_EQ(item(), "");
  Type(2, "26");
  Type(3, "NEW");
  ASSERT_EQ(MovsLinsControlLine(kLineEvUp), 0) << ErrDetail().Str();
  EXPECT_EQ(Records(kNavs).size(), 26u);
  EXPECT_EQ(Records(kNavs).back().substr(0, 15), "G1 26NEW       ");
  EXPECT_EQ(Sys(kSysIer), 0);
  // A changed row with a stored record is updated.
  EXPECT_EQ(item(), "I25");
  Type(3, "CHG");
  ASSERT_EQ(MovsLinsControlLine(kLineEvDown), 0);
  EXPECT_EQ(Records(kNavs)[24].substr(0, 15), "G1 25CHG       ");
  EXPECT_EQ(Records(kNavs).size(), 26u);
  // A false WRITELINS$ item 2 keeps the row and its controls.
  ASSERT_EQ(Eval("OK#=0"), 0);
  uint16_t row = Buf().curRow;
  Type(3, "NO");
  EXPECT_EQ(MovsLinsControlLine(kLineEvDown), st::BADUSERDATA);
  EXPECT_EQ(Buf().curRow, row);
  EXPECT_TRUE(Controls());
  EXPECT_EQ(Records(kNavs)[25].substr(0, 15), "G1 26NEW       ");
  ErrClear();
  // Up from the first row pages back: the row before it is current.
  ASSERT_EQ(Eval("OK#=1"), 0);
  Type(3, "NEW");
  while (Buf().curRow > 1) ASSERT_EQ(MovsLinsControlLine(kLineEvUp), 0);
  auto line = [] { return std::stoi(FieldValue(2).Str()); };
  int first = line();
  ASSERT_EQ(MovsLinsControlLine(kLineEvUp), 0) << ErrDetail().Str();
  EXPECT_EQ(Buf().curRow, 4);
  EXPECT_EQ(line(), first - 1);
  EXPECT_EQ(Cell(1, 2), "I" + std::to_string(100 + first - 4).substr(1));
  EXPECT_EQ(Check(kNavs), "");
}

TEST_F(DocLinsTest, GridNamesAndWindow) {
  TaskHookSet(&GridLineTextHook, kHookArrayTerm);  // as start-up does
  EXPECT_EQ(ExpEvalStr(S("_GRID2$(1)")).Str(), "");  // no grid yet: empty
  ErrClear();
  OpenGrid("DOC", 5);
  // The import's routine appends the current record as a row.
  ASSERT_EQ(RecFieldSet(kDocs, 3, S("PEN")), 0);
  ASSERT_EQ(RecFieldSet(kDocs, 4, S("7")), 0);
  Buf().curRow = 1;
  ASSERT_EQ(MovsLineReadHook(kDocs), 0);
  ASSERT_EQ(RecFieldSet(kDocs, 3, S("INK")), 0);
  ASSERT_EQ(MovsLineReadHook(kDocs), 0);
  EXPECT_EQ(Rows(Buf()), (std::vector<std::string>{"PEN|7|", "INK|7|"}));
  struct Case {
    const char* expr;
    const char* value;
  } cases[] = {{"_GRID1$(2)", "INK       "}, {"_GRID2$(1)", "    7"}, {"_GRID9$(1)", ""},
               {"_GRID1$(3)", ""}};
  for (const Case& c : cases) EXPECT_EQ(ExpEvalStr(S(c.expr)).Str(), c.value) << c.expr;
  EXPECT_EQ(Eval("Q#=_GRID2#(1)*2"), 0);
  EXPECT_EQ(Num("Q#"), 14);
  EXPECT_GE(Eval("V$=_OTHER$(1)"), 128);  // not a grid name: read as an array, which does not exist
  ErrClear();
  // A window that shows the grid's list view whole.
  ui::Hwnd top = WinTop();
  ui::set_window_pos(top, 0, 0, 100, 60, 0);
  ASSERT_EQ(MovsLinsFitWindow(), 0);
  ui::Rect view = ui::get_window_rect(GridViewGet(LinsGridGet(0)->slot).view);
  ui::Rect win = ui::get_window_rect(top);
  EXPECT_GE(win.right, view.right);
  EXPECT_GE(win.bottom, view.bottom + 16);
  // The key fields shown again, the buffer emptied.
  ASSERT_EQ(MovsKeyFieldsShow(&Buf()), 0);
  EXPECT_EQ(Buf().rowCount, 0);
  EXPECT_EQ(Buf().curRow, 0);
}

TEST_F(DocLinsTest, NavigationChooser) {
  Open("DOC");
  WinRecord* r = WinGet(kCurrentIndex);
  const uint16_t stop = kNoAction, nxt = ActionMake(kActNavigate, kNavNxt);
  struct Case {
    uint8_t before, after;
    uint16_t code;
    int16_t scrStat;
    uint16_t next;
  } cases[] = {
      {1, 0, 1, 0, 34},      {0, 0, 1, 0, stop},   {2, 1, 1, 0, 33},      {1, 1, 1, 0, stop},
      {1, 2, 1, 0, 34},      {2, 2, 2, 0, stop},   // the maintenance chooser's 27 stops
      {2, 3, nxt, 0, stop},  {2, 3, 1, 0, 41},     {2, 3, 41, 0, stop},   {3, 3, 1, 0, stop},
      {2, 4, 1, 0, 41},      {2, 4, 1, 32, 37},    {2, 4, 41, 0, 35},     {2, 4, 35, 16, 32},
      {4, 4, 1, 16, 32},     {4, 4, 1, 0, 35},     {4, 4, 31, 32, 37},    {4, 4, 2, 0, 37},
      {4, 4, 32, 0, 37},     {4, 4, 41, 0, 35},    {4, 4, 35, 0, stop},   {4, 4, 0x0519, 0, stop},
      {4, 5, 1, 0, 36},      {3, 5, 1, 0, stop},   {3, 6, 1, 0, 42},      {3, 14, 1, 0, 42},
  };
  for (const Case& c : cases) {
    VarSysIntSet(kSysScrStat, c.scrStat);
    r->curField = 2;
    EXPECT_EQ(NavNextAction(c.before, c.after, c.code), c.next)
        << int(c.before) << " " << int(c.after) << " " << c.code << " " << c.scrStat;
  }
  // Wrapped on the block's first field: down; bit 16 taken.
  VarSysIntSet(kSysScrStat, 16);
  r->curField = ScreenGet(kCurrentIndex)->linesFirst;
  EXPECT_EQ(NavNextAction(4, 4, 2), 31);
  EXPECT_EQ(Sys(kSysScrStat), 0);

  // Whatever the states, code and bits, the chain stops within a few steps.
  const uint16_t codes[] = {0, 1, 2, 21, 27, 28, 31, 32, 33, 34, 35, 36, 37, 41, 42, nxt, 0x0119, 0x6419};
  int worst = 0;
  for (int before = 0; before <= 15; ++before)
    for (int after = 0; after <= 15; ++after)
      for (uint16_t first : codes)
        for (int16_t bits : {0, 16, 32, 48}) {
          VarSysIntSet(kSysScrStat, bits);
          uint16_t code = first;
          int steps = 0;
          while (code != stop && steps <= kChooserRounds) {
            code = NavNextAction(static_cast<uint8_t>(before), static_cast<uint8_t>(after), code);
            ++steps;
          }
          worst = std::max(worst, steps);
          ASSERT_LE(steps, 6) << before << " " << after << " " << first << " " << bits;
        }
  EXPECT_GE(worst, 3);
}

TEST_F(DocLinsTest, NavigationScreenOpens) {
  Define("NAV", "SET$:\"OPENS#=OPENS#+1,0\"");
  ASSERT_EQ(Eval("OPENS#=0"), 0);
  uint32_t states = DynStrCount(OpenFileStatesList);
  Window(0, 0, 800, 600, LinsGridWndProc);
  ASSERT_EQ(NavScreenOpen(S("NAV")), 0) << ErrDetail().Str();
  EXPECT_EQ(Sys(kSysLMax), 100);
  EXPECT_EQ(Num("OPENS#"), 1);
  EXPECT_EQ(DynStrCount(OpenFileStatesList), states + 1);
  EXPECT_TRUE(ui::is_window(Field(1).control));  // the header field's control
  ASSERT_EQ(DataScreenClose(kCurrentIndex), 0);
  EXPECT_EQ(DynStrCount(OpenFileStatesList), states);
  // MAXLIN%: 0 the default; past 65535 the record is closed again.
  struct Case {
    const char* lines;
    Status result;
    int16_t lmax;
  } cases[] = {{"MAXLIN%:0", 0, 100}, {"MAXLIN%:40000", 0, static_cast<int16_t>(40000)},
               {"MAXLIN%:70000", st::DATAOUTBOUND, 0}};
  for (const Case& c : cases) {
    WriteScreen("NAV", std::string("FILEDEF$:,,,,,3\nMODE$:NAVIGATION\n") + c.lines, kNavLayout);
    VarSysIntSet(kSysLMax, 0);
    EXPECT_EQ(NavScreenOpen(S("NAV")), c.result) << c.lines;
    EXPECT_EQ(Sys(kSysLMax), c.lmax);
    EXPECT_EQ(ScreenStackIndex(3), c.result ? 0 : 1);
    if (c.result == 0) DataScreenClose(kCurrentIndex);
    EXPECT_EQ(DynStrCount(OpenFileStatesList), states);
    ErrClear();
    Window(0, 0, 800, 600, LinsGridWndProc);
  }
}

TEST_F(DocLinsTest, NavigationEndOfFileOpensARow) {
  for (int i = 1; i <= 8; ++i) {
    std::string no = std::to_string(i);
    Add(kNavs, "G1  " + no + "R" + no);
  }
  Open("NAV");
  ASSERT_EQ(DataFileReadKey(kNavs, 1, S("G1"), dfmove::kAlsoOn1), 0);
  OpenGrid("NAV", 100);
  ASSERT_EQ(LinsGridFill(kNavs, S("G1  1"), 0, 4, 0), 0);
  ASSERT_EQ(Eval("OK#=1"), 0);
  ASSERT_EQ(MovsLinsControlLine(kLineEvShow), 0);
  for (int i = 2; i <= 8; ++i) ASSERT_EQ(MovsLinsControlLine(kLineEvDown), 0) << i;
  EXPECT_EQ(Buf().curRow, 4);
  EXPECT_EQ(Cell(4, 2), "R8");
  // Down on the last record of a full page: the page moves up, a new row.
  ASSERT_EQ(MovsLinsControlLine(kLineEvDown), 0) << ErrDetail().Str();
  EXPECT_EQ(Buf().curRow, 4);
  EXPECT_EQ(Rows(Buf()), (std::vector<std::string>{"6|R6|", "7|R7|", "8|R8|", "||"}));
  EXPECT_EQ(Sys(kSysIer), dfres::kEnd);
  EXPECT_TRUE(Controls());
  EXPECT_EQ(Records(kNavs).size(), 8u);
}

}  // namespace
