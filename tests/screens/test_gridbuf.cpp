// The line buffer: cells, shifting rows, rows by rule, trimming and fitting,
// captions, "_GRID" names, building over a screen's lines block, filling.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/sysvars.h"
#include "screens/grids/gridbuf.h"
#include "script/evaluator.h"
#include "screen_fixture.h"

namespace {

class GridBufTest : public ScreenTest {
 protected:
  void TearDown() override {
    GridFree(g);
    EXPECT_EQ(LiveBlocksOf(MOD_SCREENS), screenBlocks);
    ScreenTest::TearDown();
  }
  // Columns of widths 5, 10 and 3.
  void Make(int32_t maxRows) {
    ASSERT_EQ(GridCreate(g, 3, maxRows), 0);
    for (uint32_t w : {5u, 10u, 3u}) ASSERT_EQ(GridAddColumn(g, w, 0), 0);
  }
  // Rows whose first cell holds the given texts; the current row is cur.
  void Rows(const std::vector<std::string>& first, uint16_t cur) {
    for (size_t i = 0; i < first.size(); ++i)
      ASSERT_EQ(GridCellSet(g, static_cast<int32_t>(i + 1), 1, S(first[i])), 0);
    g.curRow = cur;
    g.flags = 0;
  }
  std::vector<std::string> FirstCells() {
    std::vector<std::string> out;
    for (int r = 1; r <= g.rowCount; ++r) out.push_back(Trimmed(r, 1));
    return out;
  }
  std::string Trimmed(int row, int col) {
    const StrAreaScope scope;
    std::string s = GridCellGet(g, row, col).Str();
    return s.substr(0, s.find_last_not_of(' ') + 1);
  }
  std::string Cell(int row, int col) {
    const StrAreaScope scope;
    return GridCellGet(g, row, col).Str();
  }
  // The raw bytes of a row, also past the row count.
  std::string RawRow(int row) {
    return std::string(reinterpret_cast<char*>(g.rows) + (row - 1) * g.rowWidth, g.rowWidth);
  }
  GridBuffer g;
  uint16_t screenBlocks = 0;
};

TEST_F(GridBufTest, CellsAppendCutAndStayInRange) {
  ASSERT_EQ(GridCreate(g, 3, 6), 0);
  ASSERT_EQ(GridAddColumn(g, 5, 0), 0);
  ASSERT_EQ(GridAddColumn(g, 10, 2), 0);
  // No row block before the last declared column: set refuses, get is empty.
  EXPECT_EQ(GridCellSet(g, 1, 1, S("x")), st::BADINPUTDATA);
  EXPECT_EQ(Cell(1, 1), "");
  ASSERT_EQ(GridAddColumn(g, 3, 0), 0);
  EXPECT_EQ(GridAddColumn(g, 1, 0), st::DATAOUTBOUND);  // more columns than declared
  EXPECT_EQ(g.lastError, st::DATAOUTBOUND);
  EXPECT_EQ(g.rowWidth, 18);
  EXPECT_EQ(LiveBlocksOf(MOD_SCREENS), 2);

  ASSERT_EQ(GridCellSet(g, 5, 2, S("a long text cut here")), 0);
  EXPECT_EQ(g.rowCount, 5);
  EXPECT_EQ(VarSysIntGet(kSysLLst), 5);
  EXPECT_EQ(Cell(5, 2), "a long tex");
  EXPECT_EQ(Cell(5, 3), "   ");
  for (int r = 1; r <= 4; ++r) EXPECT_EQ(RawRow(r), std::string(18, ' ')) << r;
  struct Get {
    int row, col;
  } empty[] = {{0, 1}, {6, 1}, {5, 0}, {5, 4}, {-1, 1}};  // row -1 = the current row, none yet
  for (const Get& c : empty) EXPECT_EQ(Cell(c.row, c.col), "") << c.row << "," << c.col;
  struct Set {
    int row, col;
  } refused[] = {{7, 1}, {0, 1}, {1, 0}, {1, 4}, {-1, 1}};
  for (const Set& c : refused) EXPECT_EQ(GridCellSet(g, c.row, c.col, S("x")), st::DATAOUTBOUND) << c.row << "," << c.col;
  EXPECT_EQ(g.rowCount, 5);
  g.curRow = 5;
  ASSERT_EQ(GridCellSet(g, -1, 1, S("cur")), 0);
  EXPECT_EQ(Cell(-1, 1), "cur  ");
  EXPECT_EQ(GridRowText(g).Str(), "cur  a long tex   ");
  EXPECT_EQ(GridRowKeyText(g, 5, S("2,1")).Str(), "a long texcur  ");
}

TEST_F(GridBufTest, CapacityLimits) {
  // Widths summing past 65535 allocate nothing.
  ASSERT_EQ(GridCreate(g, 2, 10), 0);
  ASSERT_EQ(GridAddColumn(g, 40000, 0), 0);
  EXPECT_EQ(GridAddColumn(g, 30000, 0), st::DATAOUTBOUND);
  EXPECT_EQ(g.rows, nullptr);
  EXPECT_EQ(g.cols, 1);
  // Maximum rows: 0 or less is 100, above 65535 refused.
  ASSERT_EQ(GridCreate(g, 1, 0), 0);
  EXPECT_EQ(g.maxRows, 100);
  ASSERT_EQ(GridCreate(g, 1, -5), 0);
  EXPECT_EQ(g.maxRows, 100);
  EXPECT_EQ(GridCreate(g, 1, 65536), st::DATAOUTBOUND);
  // A block beyond the limit is refused with 154, not attempted.
  ASSERT_EQ(GridCreate(g, 1, 65535), 0);
  EXPECT_EQ(GridAddColumn(g, 65535, 0), st::MEMORYALLOCERR);
  EXPECT_EQ(g.rows, nullptr);
  ErrClear();
}

TEST_F(GridBufTest, ShiftTable) {
  struct Case {
    const char* id;
    int32_t maxRows;
    std::vector<std::string> rows;
    uint16_t cur;
    int n;
    Status want;
    std::vector<std::string> after;
  } cases[] = {
      {"insert middle", 6, {"A", "B", "C"}, 2, 1, 0, {"A", "", "B", "C"}},
      {"insert full", 3, {"A", "B", "C"}, 2, 1, 0, {"A", "", "B"}},
      {"insert after last", 6, {"A", "B"}, 3, 1, 0, {"A", "B", ""}},
      {"delete middle", 6, {"A", "B", "C"}, 2, -1, 0, {"A", "C"}},
      {"delete last", 6, {"A", "B", "C"}, 3, -1, 0, {"A", "B"}},
      {"delete only", 6, {"A"}, 1, -1, 0, {}},
      {"insert no row", 6, {"A"}, 0, 1, st::BADINPUTDATA, {"A"}},
      {"delete no row", 6, {"A"}, 0, -1, st::BADINPUTDATA, {"A"}},
      {"insert past", 6, {"A"}, 3, 1, st::BADINPUTDATA, {"A"}},
      {"delete past", 6, {"A"}, 2, -1, st::BADINPUTDATA, {"A"}},
      {"insert past max", 3, {"A", "B", "C"}, 4, 1, st::BADINPUTDATA, {"A", "B", "C"}},
      {"shift by 0", 6, {"A"}, 1, 0, st::BADINPUTDATA, {"A"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Make(c.maxRows);
    Rows(c.rows, c.cur);
    EXPECT_EQ(GridShiftRows(g, c.n), c.want);
    EXPECT_EQ(FirstCells(), c.after);
    EXPECT_EQ(g.flags, c.want ? 0 : kGridChanged | kGridLinesChanged);
    EXPECT_EQ(VarSysIntGet(kSysLLst), static_cast<int16_t>(c.after.size()));
    if (c.want == 0) {  // the freed last row, or the opened one, is blank
      int blank = c.n == -1 ? static_cast<int>(c.rows.size()) : c.cur;
      EXPECT_EQ(RawRow(blank), std::string(18, ' '));
    }
    ErrClear();
  }
}

TEST_F(GridBufTest, FindAllDeletesMatchingRowsEitherWay) {
  struct Case {
    const char* id;
    const char* statements;
    uint16_t cur;
    std::vector<std::string> after;
    uint16_t wantCur;
    int16_t runs;
  } cases[] = {
      {"one pass", "", 4, {"K1", "K3"}, 2, 0},
      {"by rule", "1,RUNS=RUNS+1", 4, {"K1", "K3"}, 2, 3},
      {"current above", "", 1, {"K1", "K3"}, 1, 0},
      {"rule refuses", "0,RUNS=RUNS+1", 4, {"K1", "K2", "K2", "K2", "K3"}, 4, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Make(10);
    Rows({"K1", "K2", "K2", "K2", "K3"}, c.cur);
    ASSERT_LT(ExpExecText(S("RUNS=0")), 128);
    EXPECT_EQ(GridRowFindAll(g, S("K2   "), S("1"), S(c.statements)), 0);
    EXPECT_EQ(FirstCells(), c.after);
    EXPECT_EQ(g.curRow, c.wantCur);
    EXPECT_EQ(VarSysIntGet(kSysLNum), c.wantCur);
    EXPECT_EQ(VarSysIntGet(kSysLLst), static_cast<int16_t>(c.after.size()));
    EXPECT_EQ(ExpEvalInt(S("RUNS")), c.runs);
  }
  // Every row gone: the current row stays at least 1; a key longer than the
  // columns never matches.
  Make(10);
  Rows({"K2", "K2"}, 2);
  EXPECT_EQ(GridRowFindAll(g, S("K2   x"), S("1"), S("")), 0);
  EXPECT_EQ(g.rowCount, 2);
  EXPECT_EQ(GridRowFindAll(g, S("K2   "), S("1"), S("")), 0);
  EXPECT_EQ(g.rowCount, 0);
  EXPECT_EQ(g.curRow, 1);
}

TEST_F(GridBufTest, TrimAndFit) {
  Make(10);
  Rows({""}, 1);
  EXPECT_EQ(GridTrimEmpty(g), 0);
  EXPECT_EQ(g.rowCount, 1);  // a single blank row is kept
  Rows({"data", "", ""}, 3);
  EXPECT_EQ(GridTrimEmpty(g), 0);
  EXPECT_EQ(FirstCells(), (std::vector<std::string>{"data"}));
  EXPECT_EQ(g.curRow, 1);
  EXPECT_EQ(VarSysIntGet(kSysLLst), 1);

  Make(4);
  Rows({"A", "B", "C", "D"}, 3);
  EXPECT_EQ(g.mode, kGridDocument);
  EXPECT_EQ(GridRowsFit(g, 6, S("")), st::UNDEFWARNING);
  EXPECT_EQ(g.rowCount, 4);
  g.mode = kGridNavigation;
  EXPECT_EQ(GridRowsFit(g, 4, S("")), 0);  // fits already
  EXPECT_EQ(GridRowsFit(g, 6, S("")), 0);
  EXPECT_EQ(FirstCells(), (std::vector<std::string>{"C", "D"}));
  EXPECT_EQ(g.curRow, 1);
  EXPECT_EQ(GridRowsFit(g, 6, S("0")), st::UNDEFWARNING);  // the rule keeps its rows: never fits
  EXPECT_EQ(g.rowCount, 2);
}

TEST_F(GridBufTest, CaptionAndLineNames) {
  Make(200);
  g.curRow = 12;
  g.rowCount = 125;
  EXPECT_EQ(GridRowCaption(g, 7).Str(), "12/125");
  EXPECT_EQ(GridRowCaption(g, 9).Str(), " 12 / 125");
  g.rowCount = 0;
  Rows({"a", "b"}, 2);
  ASSERT_EQ(GridCellSet(g, 1, 2, S("second")), 0);
  ASSERT_EQ(GridCellSet(g, 2, 2, S("row two")), 0);
  ASSERT_EQ(Parse("FD$:HEAD,L1,L2,L3,AFTER:BOUNDS$:L1,L3", {LayoutField(1, 1, 4, 'A'), LayoutField(3, 1, 5, 'A'),
                  LayoutField(3, 7, 10, 'A'), LayoutField(3, 18, 3, 'A'), LayoutField(5, 1, 4, 'A')}), 0);
  screenBlocks = 1;
  struct Case {
    const char* name;
    int row;
    const char* want;
  } cases[] = {
      {"L2", 1, "second    "}, {"L1", -1, "b    "}, {"_GRID2", 2, "row two   "}, {"_GRID3", 1, "   "},
      {"_GRID0", 1, ""},       {"_GRID4", 1, ""},    {"_GRID65537", 1, ""},     {"_GRIDx", 1, ""},
      {"_GRID", 1, ""},        {"_GRID2x", 1, ""},   {"HEAD", 1, ""},           {"X", 1, ""},
  };
  for (const Case& c : cases) {
    const StrAreaScope scope;
    EXPECT_EQ(GridLineText(g, S(c.name), c.row, 2).Str(), c.want) << c.name;
  }
}

// Fields: HEAD (bound to CUST CODE), then the lines block CODE (CUST CODE),
// QTY (a number of 8, unbound), TOWN (CUST CITY, shown 12 wide); AFTER.
const char kLinesScreen[] =
    "FD$:HEAD,CODE,QTY,TOWN,AFTER:BOUNDS$:CODE,TOWN:FILEDEF$:1;1,CODE{1},,CITY{CUST},,1:MODE$:NAVIGATION";

std::vector<FieldDesc> LinesLayout() {
  return {LayoutField(1, 1, 6, 'A'), LayoutField(4, 2, 6, 'A'), LayoutField(4, 9, 8, 'N'), LayoutField(4, 18, 20, 'A'),
          LayoutField(9, 1, 4, 'A')};
}

TEST_F(GridBufTest, BuildOverTheLinesBlock) {
  std::vector<FieldDesc> layout = LinesLayout();
  layout[3].width = 12;
  ASSERT_EQ(Parse(kLinesScreen, layout), 0);
  screenBlocks = 1;
  int32_t total = 0;
  ASSERT_EQ(GridBuild(g, 2, 4, S("Code,,Town of the customer"), S("HEAD,ZNAME{ZONE},'ABC'+'DE'"), 0, 0, &total), 0)
      << ErrDetail().Str();
  EXPECT_EQ(g.cols, 6);
  EXPECT_EQ(g.maxRows, 100);
  EXPECT_EQ(g.mode, kGridNavigation);
  std::vector<uint16_t> widths(g.widths, g.widths + g.cols), fields(g.fields, g.fields + g.cols);
  EXPECT_EQ(widths, (std::vector<uint16_t>{6, 8, 20, 6, 20, 5}));
  EXPECT_EQ(fields, (std::vector<uint16_t>{1, 0, 3, 1, 0, 0}));  // another file's field is not bound
  EXPECT_EQ(g.rowWidth, 65);
  EXPECT_EQ(total, (6 + 1) + (8 + 1) + (12 + 1));  // display widths of the line fields
  ASSERT_EQ(GridBuild(g, 2, 4, S("Code,,Town of the customer"), S(""), 7, 0x80, &total), 0);
  EXPECT_EQ(total, (6 + 1) + (8 + 1) + (20 + 1));  // a title wider than its field
  EXPECT_EQ(g.cols, 3);
  EXPECT_EQ(g.maxRows, 7);
  // Without titles, the dictionary names (CITY is 4 long, below 12).
  ASSERT_EQ(GridBuild(g, 2, 4, S(""), S(""), 7, 0x80, &total), 0);
  EXPECT_EQ(total, 7 + 9 + 13);

  // A computed column is capped so that the row stays within 65535; given
  // widths past it are refused, as is a column the list cannot name.
  ASSERT_EQ(ExpExecText(S("BIG$='xxxxxxxxxx'")), 1);
  for (int i = 0; i < 12; ++i) ASSERT_EQ(ExpExecText(S("BIG$=BIG$+BIG$")), 1);  // 40960 bytes
  ASSERT_EQ(GridBuild(g, 2, 4, S(""), S("BIG$,BIG$"), 1, 0, nullptr), 0);
  EXPECT_EQ(g.rowWidth, 65535);
  EXPECT_EQ(g.widths[3] + g.widths[4], 65535 - 34);
  EXPECT_EQ(GridBuild(g, 2, 4, S(""), S("NAME{1},NAME{1},NAME{1}"), 1, 0, nullptr), 0);
  std::string many;
  for (int i = 0; i < 2200; ++i) many += "NAME{1},";
  many.pop_back();
  EXPECT_EQ(GridBuild(g, 2, 4, S(""), S(many), 1, 0, nullptr), st::DATAOUTBOUND);
  EXPECT_EQ(GridBuild(g, 2, 4, S(""), S("NOPE{1}"), 1, 0, nullptr) >= 128, true);
  ErrClear();
}

TEST_F(GridBufTest, FillAndAssign) {
  ASSERT_EQ(Parse(kLinesScreen, LinesLayout()), 0);
  screenBlocks = 1;
  ASSERT_EQ(GridBuild(g, 2, 4, S(""), S("'kkkk'"), 10, 0, nullptr), 0);
  g.flags = 0;
  // Condition 1 holds for odd I, condition 2 ends after I reaches 6; rows
  // are filled from row 2 and the current row returns there.
  ASSERT_LT(ExpExecText(S("I=0")), 128);
  EXPECT_EQ(GridRowsFill(g, 2, S("I=I+1,I==1||I==3||I==5"), S("I,I*10,,I+100"), S("I>=6")), 0);
  EXPECT_EQ(g.curRow, 2);
  EXPECT_EQ(VarSysIntGet(kSysLNum), 2);
  EXPECT_EQ(g.rowCount, 4);  // rows 2, 3, 4 filled (I = 1, 3, 5), row 1 blank
  EXPECT_EQ(Trimmed(2, 1), "1");
  EXPECT_EQ(Trimmed(3, 2), "30");
  EXPECT_EQ(Trimmed(4, 4), "105");
  EXPECT_EQ(Trimmed(4, 3), "");  // an empty item leaves its cell
  EXPECT_EQ(g.flags, kGridChanged | kGridLinesChanged);
  // Without an end test the rows run to the maximum.
  EXPECT_EQ(GridRowsFill(g, 1, S(""), S("'z'"), S("")), 0);
  EXPECT_EQ(g.rowCount, 10);
  // An error item stops with its code; items past the columns are statements.
  g.curRow = 1;
  EXPECT_EQ(GridRowAssign(g, S("'a',,,,J=7")), 0);
  EXPECT_EQ(ExpEvalInt(S("J")), 7);
  EXPECT_GE(GridRowAssign(g, S("'a',1+'x'")), 128);
  EXPECT_GE(GridRowsFill(g, 1, S(""), S("1+'x'"), S("")), 128);
  EXPECT_EQ(g.curRow, 1);
  // A loop that never fills a row ends.
  EXPECT_EQ(GridRowsFill(g, 1, S("0"), S("'a'"), S("0")), st::INTERNALERROR);
  ErrClear();
}

}  // namespace
