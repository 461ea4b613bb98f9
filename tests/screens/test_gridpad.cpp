// Grid pads: a form typed in as the rows of a lines grid, its window and
// row events, the confirm that hands the rows to the caller's exit handler,
// and what closing puts back.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/ui/ui.h"
#include "runtime/log.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/window/actions.h"
#include "screens/documents/docengine.h"
#include "screens/grids/gridpad.h"
#include "screens/grids/gridrowgo.h"
#include "screens/grids/gridview.h"
#include "screens/grids/linsgrid.h"
#include "script/evaluator.h"
#include "form_fixture.h"

namespace {

const char kList[] = "'Code':'A6':c$,'Qty':'N5':q#,'Note':'A8':n$";

// What the exit handler saw, and what it answers.
std::vector<std::string> g_exitSaw;
Status g_exitAnswer = kActCloseBit;
Status Exit(uint8_t kind) {
  const StrAreaScope scope;
  g_exitSaw.push_back(std::to_string(kind));
  for (const char* name : {"_GRID1$(1)", "_GRID1$(2)", "_GRID3$(2)", "_LLST"})
    g_exitSaw.push_back(StrTrim(ExpEvalStr(StrFromC(name)), 3).Str());
  return g_exitAnswer;
}

// A hook 2 that was there before the pad.
StrValue Before(StrValue, int) { return StrFromC("before"); }

std::vector<std::string> g_asserts;
void AssertSeen(StrValue text, StrValue) { g_asserts.push_back(text.Str()); }
void AssertReturns() {}

class GridPadTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    GridViewReset();
    LinsGridReset();
    GridPadReset();
    g_exitSaw.clear();
    g_exitAnswer = kActCloseBit;
    caller = Window();
    ui::show_window(caller, ui::Show::Show);
    TaskHookSet(&Before, kHookArrayTerm);
  }
  void TearDown() override {
    if (LinsGridLevel() >= 0) LinsGridPadClose(0);
    LinsGridReset();
    GridViewReset();
    FormTest::TearDown();
  }
  Status Open(const std::string& list = kList, int rows = 5) {
    blocks = LiveBlocksOf(MOD_SCREENS);
    records = ScreenStackIndex(3);
    return LinsGridPadCreate(S("Schedule"), S(list), rows, 10, Exit, nullptr);
  }
  static GridBuffer& Buf() { return LinsGridGet(0)->buffer; }
  static ui::Hwnd View() { return GridViewGet(LinsGridHandle(0)).view; }
  static const FieldDesc& Field(uint16_t n) { return ScreenGet(kCurrentIndex)->fields[n - 1]; }
  static bool Controls() { return ui::is_window(Field(1).control); }
  // Types into field n as a person would: the control's text, validated.
  static void Type(uint16_t n, const std::string& text) {
    ASSERT_TRUE(ui::set_text(Field(n).control, text));
    ASSERT_EQ(FieldPut(kCheckInput, n, S(text)), 0);
  }
  static std::string Cell(int row, int col) {
    const StrAreaScope scope;
    return StrTrim(GridCellGet(Buf(), row, col), 3).Str();
  }
  static Status Win(uint8_t kind, uint8_t param = 0) { return LinsGridPadActionWin(ActionMake(kind, param)); }
  // Rows typed one after the other from row 1 (Down between them).
  void TypeRows(const std::vector<std::vector<std::string>>& rows) {
    ASSERT_EQ(Win(kActFirstFocus), 0) << ErrDetail().Str();
    for (size_t r = 0; r < rows.size(); ++r) {
      if (r) {
        ASSERT_EQ(Win(kActLineDown), 0) << ErrDetail().Str();
      }
      for (size_t c = 0; c < rows[r].size(); ++c) Type(static_cast<uint16_t>(c + 1), rows[r][c]);
    }
    ASSERT_EQ(Win(kActFieldEntered), 0);
  }
  std::vector<std::string> Column1() {
    std::vector<std::string> out;
    for (int r = 1; r <= Buf().rowCount; ++r) out.push_back(Cell(r, 1));
    return out;
  }

  ui::Hwnd caller = 0;
  uint16_t blocks = 0;
  uint16_t records = 0;
};

TEST_F(GridPadTest, APadOpensEmptyAndClosesLeavingNothing) {
  int freeSlots = 0;
  for (int s = 0; s < kGridViewSlots; ++s) freeSlots += !ui::is_window(GridViewGet(s).view);
  ASSERT_EQ(Open(), 0) << ErrDetail().Str();
  // The prompts are the titles; five empty rows, row 1 current and selected.
  ui::Hwnd v = View();
  ASSERT_EQ(ui::lv_column_count(v), 3);
  EXPECT_EQ(ui::lv_column_title(v, 0), "Code");
  EXPECT_EQ(ui::lv_column_title(v, 1), "Qty");
  EXPECT_EQ(ui::lv_column_title(v, 2), "Note");
  ASSERT_EQ(ui::lv_item_count(v), 5);
  for (int r = 0; r < 5; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(ui::lv_item_text(v, r, c), "") << r << "," << c;
  EXPECT_EQ(Buf().curRow, 1);
  EXPECT_EQ(Buf().rowCount, 0);
  EXPECT_EQ(Buf().maxRows, 10);
  EXPECT_EQ(Buf().cols, 6) << "the fields and their blank templates";
  EXPECT_EQ(GridViewCurRow(LinsGridHandle(0)), 0);
  EXPECT_EQ(VarSysIntGet(kSysLNum), 1);
  // The record shows the grid's own window and keeps its grid.
  EXPECT_NE(WinTop(), caller);
  EXPECT_EQ(WinCurrent().window, WinTop());
  EXPECT_EQ(WinTopId(WinTop()), ScreenStackIndex(2));
  EXPECT_EQ(MovsWinGrid(), 0);
  EXPECT_EQ(TaskHookGetAs<NameHookFn>(kHookArrayTerm), &GridLineTextHook);

  ASSERT_EQ(LinsGridPadClose(0), 0);
  EXPECT_EQ(LinsGridLevel(), -1);
  EXPECT_EQ(TaskHookGetAs<NameHookFn>(kHookArrayTerm), &Before) << "the hook that was there";
  EXPECT_EQ(ScreenStackIndex(3), records);
  EXPECT_EQ(LiveBlocksOf(MOD_SCREENS), blocks);
  int freeAfter = 0;
  for (int s = 0; s < kGridViewSlots; ++s) freeAfter += !ui::is_window(GridViewGet(s).view);
  EXPECT_EQ(freeAfter, freeSlots);
  EXPECT_EQ(WinTop(), caller);

  // With the start-up's line-text hook before it, a closed pad's `_GRID`
  // names read the empty text.
  TaskHookSet(&GridLineTextHook, kHookArrayTerm);
  ASSERT_EQ(Open(), 0);
  ASSERT_EQ(LinsGridPadClose(0), 0);
  const StrAreaScope scope;
  EXPECT_EQ(ExpEvalStr(S("_GRID1$(1)")).Str(), "");
  EXPECT_EQ(ErrGet(), 0u);
}

TEST_F(GridPadTest, RowsTypedInAreConfirmedToTheExitHandler) {
  ASSERT_EQ(Open(), 0);
  TypeRows({{"A1", "5", "first"}, {"B2", "7", "second"}});
  EXPECT_EQ(Buf().curRow, 2);
  EXPECT_EQ(Cell(1, 1), "A1");
  EXPECT_EQ(Cell(1, 2), "5");
  EXPECT_EQ(Cell(1, 3), "first");
  EXPECT_EQ(ui::lv_item_text(View(), 0, 2), "first");
  // Ok: the row being edited is stored, the exit handler reads the rows, its
  // 8 closes the pad.
  ASSERT_EQ(ScreenActionCtl(WinTop(), kActionConfirm), 0) << ErrDetail().Str();
  Drive();
  EXPECT_EQ(g_exitSaw, (std::vector<std::string>{"25", "A1", "B2", "second", "2"}));
  EXPECT_EQ(LinsGridLevel(), -1);
  EXPECT_EQ(WinTop(), caller);
  EXPECT_EQ(ScreenStackIndex(3), records);
  EXPECT_EQ(TaskHookGetAs<NameHookFn>(kHookArrayTerm), &Before);

  // Esc: 8, the pad closes without its exit handler.
  g_exitSaw.clear();
  ASSERT_EQ(Open(), 0);
  TypeRows({{"C3", "1", ""}});
  EXPECT_EQ(Win(kActCancel), kActCloseBit);
  ASSERT_EQ(ScreenActionCtl(Field(1).control, ActionMake(kActCancel, 0)), 0);
  Drive();
  EXPECT_TRUE(g_exitSaw.empty());
  EXPECT_EQ(LinsGridLevel(), -1);
  EXPECT_EQ(WinTop(), caller);
}

// A person types two rows and presses Ok, the pad running modally over its
// caller.
TEST_F(GridPadTest, APersonTypesRowsAndConfirms) {
  ASSERT_EQ(Open(), 0);
  ui::Hwnd pad = WinTop();
  // The Ok button stands below the list view, inside the window.
  ui::Hwnd ok = ui::get_dlg_item(pad, kIdOk);
  ASSERT_TRUE(ok);
  ui::Rect okRect = ui::get_window_rect(ok), viewRect = ui::get_window_rect(View());
  ui::Rect padRect = ui::get_window_rect(pad);
  EXPECT_GE(okRect.top, viewRect.bottom);
  EXPECT_LE(okRect.bottom, padRect.bottom);
  VarIntSetBits(kSysScrStat, kScrStatGridNotify, true);
  std::string error;
  ASSERT_TRUE(hl->load_script("key Enter\ntype \"A1\"\nkey Tab\ntype \"5\"\nkey Tab\ntype \"first\"\nkey Tab\n"
                              "type \"B2\"\nkey Tab\ntype \"7\"\nclick 3100\n",
                              error))
      << error;
  ASSERT_EQ(WinModalReturn(caller, pad), 0);
  EXPECT_EQ(g_exitSaw, (std::vector<std::string>{"25", "A1", "B2", "", "2"}));
  EXPECT_EQ(LinsGridLevel(), -1);
  EXPECT_EQ(WinTop(), caller);
  EXPECT_EQ(VarSysIntGet(kSysLastKey), 0) << "confirmed";
}

TEST_F(GridPadTest, TheWindowMovesInsertsAndDeletesRows) {
  ASSERT_EQ(Open(), 0);
  TypeRows({{"A"}, {"B"}, {"C"}});
  // Previous and next row from the bar; a step round the end of a row goes
  // on to the next row, back round its start to the previous one.
  ASSERT_EQ(Win(kActNavigate, kNavPrv), 0);
  EXPECT_EQ(Buf().curRow, 2);
  WinGet(kCurrentIndex)->curField = 3;
  ASSERT_EQ(Win(kActNextField), 0) << ErrDetail().Str();
  EXPECT_EQ(Buf().curRow, 3);
  EXPECT_EQ(WinCurrent().curField, 1);
  ASSERT_EQ(Win(kActPrevField), 0);
  EXPECT_EQ(Buf().curRow, 2);
  EXPECT_EQ(WinCurrent().curField, 3);
  ASSERT_EQ(Win(kActNavigate, kNavNxt), 0);
  EXPECT_EQ(Buf().curRow, 3);
  // Insert before the current row, delete it again.
  ASSERT_EQ(Win(kActNavigate, kNavIns), 0) << ErrDetail().Str();
  EXPECT_EQ(Column1(), (std::vector<std::string>{"A", "B", "", "C"}));
  ASSERT_EQ(Win(kActNavigate, kNavDel), 0);
  EXPECT_EQ(Column1(), (std::vector<std::string>{"A", "B", "C"}));
  // Outside the line area the line commands do nothing.
  WinGet(kCurrentIndex)->state = 0;
  EXPECT_EQ(Win(kActNavigate, kNavDel), 0);
  EXPECT_EQ(Buf().rowCount, 3);
}

// Another row shown for editing, or gone to, keeps what was typed in the row
// being left.
TEST_F(GridPadTest, LeavingARowKeepsWhatWasTypedInIt) {
  ASSERT_EQ(Open(), 0);
  TypeRows({{"A"}, {"B"}, {"C"}});
  int slot = LinsGridHandle(0);
  // View (Enter on a row the selection moved to).
  Type(1, "Z");
  GridViewSelect(slot, 0, true);
  EXPECT_EQ(LinsGridPadAction(WinTop(), 0, kGridEvEnter), 0);
  EXPECT_EQ(Column1(), (std::vector<std::string>{"A", "B", "Z"}));
  EXPECT_EQ(Buf().curRow, 1);
  EXPECT_EQ(FieldValue(1).Str(), "A     ");
  EXPECT_TRUE(Controls());
  // Focus: the selected row becomes current, the window is in the line area.
  Type(1, "Y");
  WinGet(kCurrentIndex)->state = 0;
  GridViewSelect(slot, 1, true);
  EXPECT_EQ(LinsGridPadAction(WinTop(), 0, kGridEvFocus), 0);
  EXPECT_EQ(Column1(), (std::vector<std::string>{"Y", "B", "Z"}));
  EXPECT_EQ(Buf().curRow, 2);
  EXPECT_EQ(WinCurrent().state, kWinStateLineArea);

  // Going to a row: the current one again stores the row and keeps editing
  // it; another row stores and leaves it; rows outside 1 - count do nothing.
  ASSERT_EQ(Win(kActFirstFocus), 0);  // row 2 shown again
  Type(1, "X");
  ASSERT_EQ(LinsGridRowGo(0, 2), 0);
  EXPECT_EQ(Cell(2, 1), "X");
  EXPECT_TRUE(Controls());
  Type(1, "W");
  for (int32_t row : {0, 4, -1}) {
    ASSERT_EQ(LinsGridRowGo(0, row), 0);
    EXPECT_EQ(Buf().curRow, 2) << row;
  }
  ASSERT_EQ(LinsGridRowGo(0, 3), 0);
  EXPECT_EQ(Column1(), (std::vector<std::string>{"Y", "W", "Z"}));
  EXPECT_EQ(Buf().curRow, 3);
  EXPECT_EQ(VarSysIntGet(kSysLNum), 3);
  EXPECT_FALSE(Controls());
  EXPECT_EQ(FieldValue(1).Str(), "Z     ");
  EXPECT_EQ(WinCurrent().flags & kWinRowGoBusy, 0);
}

TEST_F(GridPadTest, RightClickPopupInsertsDeletesOrDoesNothing) {
  ASSERT_EQ(Open(), 0);
  TypeRows({{"A"}, {"B"}, {"C"}});
  VarIntSetBits(kSysScrStat, kScrStatGridNotify, true);
  int id = kIdGridViewFirst + LinsGridHandle(0);
  struct Case {
    int row;  // right-clicked, from 0
    int choice;
    std::vector<std::string> rows;
  } cases[] = {
      {1, 2, {"A", "", "B", "C"}},  // Insert before the clicked row
      {2, 3, {"A", "", "C"}},       // Delete the clicked row
      {0, 0, {"A", "", "C"}},       // nothing chosen
      {2, 4, {"A", "", "C"}},       // Seek does nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.choice);
    hl->lv_click(id, c.row, ui::Click::Right);
    hl->popup(c.choice);
    Drive();
    EXPECT_EQ(Column1(), c.rows);
    EXPECT_EQ(LinsGridLevel(), 0) << "the pad stays open";
    EXPECT_EQ(ui::lv_item_text(View(), 2, 0), c.rows[2]) << "the list view shows the rows";
  }
  EXPECT_NE(hl->transcript().size(), 0u);
  // View: the clicked row is shown for editing with its values.
  hl->lv_click(id, 0, ui::Click::Right);
  hl->popup(1);
  Drive();
  EXPECT_EQ(Buf().curRow, 1);
  EXPECT_TRUE(Controls());
  EXPECT_EQ(FieldValue(1).Str(), "A     ");
}

TEST_F(GridPadTest, ARowActionErrorIsShownOnceAndThePadStaysUsable) {
  // An insert whose statement fails.
  ASSERT_EQ(Open(std::string(kList) + " /LNINS$:\"1,NOSUCH$(\""), 0) << ErrDetail().Str();
  TypeRows({{"A"}, {"B"}});
  VarIntSetBits(kSysScrStat, kScrStatGridNotify, true);
  int id = kIdGridViewFirst + LinsGridHandle(0);
  size_t boxes = hl->boxes().size();
  hl->lv_click(id, 0, ui::Click::Right);
  hl->popup(2);
  hl->answer(1);
  Drive();
  EXPECT_EQ(hl->boxes().size(), boxes + 1);
  EXPECT_EQ(LinsGridLevel(), 0);
  // Still usable: a delete goes through.
  std::vector<std::string> rows = Column1();
  hl->lv_click(id, 0, ui::Click::Right);
  hl->popup(3);
  Drive();
  EXPECT_EQ(hl->boxes().size(), boxes + 1);
  rows.erase(rows.begin());
  EXPECT_EQ(Column1(), rows);
}

// A pad that cannot be made leaves nothing open.
TEST_F(GridPadTest, AFailedPadLeavesNothingOpen) {
  ASSERT_GE(Open("'Code':'Q6':c$"), 128);  // no such type letter
  EXPECT_EQ(LinsGridLevel(), -1);
  EXPECT_EQ(ScreenStackIndex(3), records);
  EXPECT_EQ(LiveBlocksOf(MOD_SCREENS), blocks);
  ErrClear();
  // A fifth grid level: 168, the form's record closed again.
  for (int level = 0; level < kLinsGridLevels; ++level) ASSERT_EQ(Open(), level);
  uint16_t open = ScreenStackIndex(3);
  ui::Hwnd top = WinTop();
  EXPECT_EQ(LinsGridPadCreate(S("Fifth"), S(kList), 2, 4, Exit, nullptr), st::DATAOUTBOUND);
  EXPECT_EQ(ScreenStackIndex(3), open);
  EXPECT_EQ(WinTop(), top);
  ErrClear();
  for (int level = kLinsGridLevels - 1; level >= 0; --level) ASSERT_EQ(LinsGridPadClose(level), 0);
  EXPECT_EQ(WinTop(), caller);
  EXPECT_EQ(TaskHookGetAs<NameHookFn>(kHookArrayTerm), &Before);
}

TEST_F(GridPadTest, HandlersWithoutARecordFailTheirAssertion) {
  auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  AssertBoxFn oldBox = AssertBoxHookSet(AssertSeen);
  ProcessEndFn oldEnd = AssertEndHookSet(AssertReturns);
  g_asserts.clear();
  EXPECT_EQ(LinsGridPadActionWin(ActionMake(kActLineDown, 0)), st::INTERNALERROR);
  EXPECT_EQ(LinsGridPadAction(caller, 0, kGridEvClick), 0);
  AssertBoxHookSet(oldBox);
  AssertEndHookSet(oldEnd);
  std::filesystem::current_path(cwd);
  ASSERT_EQ(g_asserts.size(), 2u);
  EXPECT_NE(g_asserts[0].find("_linsGridPadActionWin"), std::string::npos);
  EXPECT_NE(g_asserts[1].find("_linsGridPadAction"), std::string::npos);
}

}  // namespace
