// The navigation window of entry lines: the built-in AcFitEntry and the
// window's commands, headless over the grouped-lines fixture.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "apps/accounting/tasks.h"
#include "runtime/log.h"
#include "screens/window/actionchain.h"
#include "screens/window/actions.h"
#include "screens/documents/docwin.h"
#include "screens/window/fieldvalues.h"
#include "script/builtins.h"
#include "screens/navorder_fixture.h"

Status NavAction(uint16_t code);
Status NavActionWin(uint16_t code);

namespace {

class EntryNavTest : public NavOrderTest {
 protected:
  void SetUp() override {
    NavOrderTest::SetUp();
    if (BuiltinCode(S("AcFitEntry")) == 0) {
      ASSERT_EQ(BuiltinRegister(S("AcFitEntry"), AcBiFitEntry), 0);
    }
    ScreenActionSet(NavActionWin, NavNextAction, nullptr);
  }
  // The value of an expression as its text, or "error <code>".
  std::string Value(const std::string& text) {
    const StrAreaScope scope;
    StrValue v = ExpEvalStr(S(text));
    return v.IsError() ? "error " + std::to_string(StrError(v)) : v.Str();
  }
};

TEST_F(EntryNavTest, FitEntryArguments) {
  struct Case {
    const char* call;
    std::string expected;
  } cases[] = {
      {"AcFitEntry('3')", "3"},
      {"AcFitEntry(' 2 ')", "2"},
      {"AcFitEntry('0')", "error 147"},
      {"AcFitEntry('4')", "error 147"},  // the grid has three columns
      {"AcFitEntry('X')", "error 147"},
      {"AcFitEntry(3)", "error 128"},
      {"AcFitEntry('3';'1')", "error 147"},
      {"AcFitEntry()", "error 147"},
  };
  for (const Case& c : cases) EXPECT_EQ(Value(c.call), c.expected) << c.call;
  ASSERT_EQ(Value("AcFitEntry('3')"), "3");

  // INS and DEL by the command list, any letter case.
  Group("A", {1, 2, 3});
  GridReset(Buf());
  Row(1, "A", "a", 1), Row(2, "A", "", 0), Row(3, "A", "b", 2), Row(4, "A", "c", 3);
  Buf().curRow = 2;
  ReadKey(Key("A", 2));
  EXPECT_EQ(Value("AcFitEntry('ins')"), "2");
  EXPECT_EQ(Lines("A"), (std::vector<std::string>{"1:a", "3:b", "4:c"}));
  // SVE: the new line takes the number after the previous row; with a new
  // line pending the rest moves up (here the room is there already).
  ASSERT_EQ(RecBufClear(kNavs, 3), 0);
  ASSERT_EQ(RecBufSet(kNavs, kRecCurrent, S(Line("A", 0, "new"))), 0);
  EXPECT_EQ(Value("AcFitEntry('SVE')"), "2");
  EXPECT_EQ(Lines("A"), (std::vector<std::string>{"1:a", "3:b", "4:c"}));
  // DEL with a new line pending only drops the flag.
  Rec().flags |= 8;
  EXPECT_EQ(Value("AcFitEntry('Del')+1"), "1");
  EXPECT_EQ(Rec().flags & 8, 0);
  // DEL: line 2 is gone, 3 and 4 close the gap.
  GridReset(Buf());
  Row(1, "A", "a", 1), Row(2, "A", "b", 3), Row(3, "A", "c", 4);
  Buf().curRow = 2;
  ASSERT_EQ(RecBufSet(kNavs, kRecCurrent, S(Line("A", 2, "x"))), 0);
  EXPECT_EQ(Value("AcFitEntry('DEL')"), "2");
  EXPECT_EQ(Lines("A"), (std::vector<std::string>{"1:a", "2:b", "3:c"}));
  EXPECT_EQ(Column(), (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(EntryNavTest, WindowCommands) {
  Group("A", {1, 2, 3, 4});
  Buf().curRow = 1;
  // MDE toggles maintenance mode in the index area only.
  Rec().state = 1;
  ASSERT_EQ(NavAction(ActionMake(kActNavigate, kNavMde)), 0);
  EXPECT_EQ(Rec().flags & 2, 2);
  ASSERT_EQ(NavAction(ActionMake(kActNavigate, kNavMde)), 0);
  EXPECT_EQ(Rec().flags & 2, 0);
  Rec().state = kWinStateLineArea;
  hl->answer(ui::IDOK, "Only available at Index area");
  ASSERT_EQ(NavAction(ActionMake(kActNavigate, kNavMde)), 0);
  EXPECT_EQ(Rec().flags & 2, 0);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"Only available at Index area"}));

  // INS outside maintenance mode on a full grid: the warning, nothing added.
  Buf().maxRows = Buf().rowCount;
  hl->answer(ui::IDOK, "Only available in Maintenance Mode");
  ASSERT_EQ(NavAction(ActionMake(kActNavigate, kNavIns)), 0);
  EXPECT_EQ(Buf().rowCount, 4);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"Only available in Maintenance Mode"}));

  // Line up on row 1 outside maintenance mode: the warning, nothing moves.
  hl->answer(ui::IDOK, "Only available in Maintenance Mode");
  ASSERT_EQ(NavActionWin(ActionMake(kActLineUp, 0)), 0);
  EXPECT_EQ(Buf().curRow, 1);
  EXPECT_EQ(Boxes().size(), 1u);

  // DEL answered No changes nothing; Cancel closes through the document
  // commands.
  const std::vector<std::string> before = Records(kNavs);
  hl->answer(ui::IDNO, "Delete Record(s)?");
  ASSERT_EQ(NavAction(ActionMake(kActNavigate, kNavDel)), 0);
  EXPECT_EQ(Records(kNavs), before);
  EXPECT_EQ(Buf().rowCount, 4);
  hl->answer(ui::IDCANCEL, "Delete Record(s)?");
  EXPECT_EQ(NavAction(ActionMake(kActNavigate, kNavDel)), 0);
  EXPECT_EQ(Rec().state, 2);  // abandoned: back to the key
  EXPECT_EQ(Records(kNavs), before);
  EXPECT_EQ(Boxes().size(), 2u);
  Rec().state = kWinStateLineArea;

  // A pending new line deleted outside maintenance mode, the last row: no
  // question, nothing stored is deleted, the record goes back to its saved
  // copy and the window is done with its lines (122).
  GridReset(Buf());
  Row(1, "A", "new", 0);
  Buf().curRow = 1;
  Rec().flags |= 8;
  ReadKey(Key("A", 4));
  ASSERT_EQ(RecFieldSet(kNavs, 3, S("changed")), 0);
  EXPECT_EQ(NavAction(ActionMake(kActNavigate, kNavDel)), st::USERCANCELED);
  EXPECT_EQ(Buf().rowCount, 0);
  EXPECT_EQ(Rec().flags & 8, 0);
  EXPECT_EQ(RecBufChanged(kNavs), 0);
  EXPECT_EQ(Records(kNavs), before);
  EXPECT_TRUE(Boxes().empty());
}

// Saving a line whose key is found twice (144) repairs the group once and
// reads the line again.
TEST_F(EntryNavTest, SaveRepairsDuplicatesOnce) {
  Group("A", {1, 2, 2, 3});
  Rec().flags |= 2;
  Buf().curRow = 2;
  ASSERT_EQ(NavAction(ActionMake(41, 0)), 0) << ErrDetail().Str();
  EXPECT_EQ(Lines("A"), (std::vector<std::string>{"1:a", "2:c", "3:b", "4:d"}));
  EXPECT_NE(VarSysIntGet(kSysScrStat) & 32, 0);
}

// The window: kind 2 titled "File Maintenance", its navigation screen and
// lines grid, maintenance mode on, the window's handlers. A screen that
// cannot open leaves no window behind.
TEST_F(EntryNavTest, OpensTheWindow) {
  WinRecordClose(-1);
  LinsGridClose(0);
  ui::Hwnd before = WinTop();
  // Its first focus goes to the document windows' handler, not built yet.
  hl->answer(ui::IDOK, "Error FEATUREREMOVED: MovsActionWin");
  ASSERT_EQ(LnNavMain(S("ENT")), 0) << ErrDetail().Str();
  ui::Hwnd w = WinTop();
  ASSERT_NE(w, before);
  EXPECT_EQ(ui::get_text(w), "File Maintenance");
  EXPECT_EQ(Rec().flags & 2, 2);
  EXPECT_EQ(Rec().action, &NavActionWin);
  EXPECT_EQ(MovsWinGrid(), 0);
  EXPECT_EQ(LinsGridGet(0)->columns.size(), 3u);
  EXPECT_EQ(LnNavMain(S("NONE")), st::FILENOTFOUND);
  EXPECT_EQ(WinTop(), w);
  ErrClear();
}

// The window's line commands with the definitions of an entry screen: a
// line inserted at 3 of 1-5 (LNINS$ makes room, the saved line takes 3),
// then line 2 deleted (LNDEL$ closes the gap): the group holds its lines 1
// to 5 in their order, the other group is untouched.
class EntryLinesTest : public EntryNavTest {
 protected:
  std::string Definitions() override {
    return "WRITELINS$:\"X#=AcFitEntry('SVE'),1\"\nLNINS$:\"1,X#=AcFitEntry('INS')\"\n"
           "LNDEL$:\"1,UPD#=UPD#+1,X#=AcFitEntry('DEL')\"";
  }
  static void Type(uint16_t n, const std::string& text) {
    const FieldDesc& f = ScreenGet(kCurrentIndex)->fields[n - 1];
    ASSERT_TRUE(ui::set_text(f.control, text));
    ASSERT_EQ(FieldPut(kCheckInput, n, S(text)), 0);
  }
};

TEST_F(EntryLinesTest, InsertThenDeleteKeepsTheLinesNumbered) {
  Group("B", {1, 2}, false);
  Group("A", {1, 2, 3, 4, 5});
  const std::vector<std::string> other = Lines("B");
  Rec().state = kWinStateLineArea;
  Rec().flags |= 2;
  Buf().curRow = 3;
  ASSERT_EQ(MovsLinsControlLine(kLineEvShow), 0) << ErrDetail().Str();
  ASSERT_EQ(NavAction(ActionMake(kActNavigate, kNavIns)), 0) << ErrDetail().Str();
  EXPECT_EQ(Lines("A"), (std::vector<std::string>{"1:a", "2:b", "4:c", "5:d", "6:e"}));
  EXPECT_EQ(Column(), (std::vector<std::string>{"1", "2", "", "4", "5", "6"}));
  Type(1, "A");
  Type(2, "new");
  ASSERT_EQ(MovsLinsControlLine(kLineEvStore), 0) << ErrDetail().Str();
  EXPECT_EQ(Lines("A"), (std::vector<std::string>{"1:a", "2:b", "3:new", "4:c", "5:d", "6:e"}));
  EXPECT_EQ(Rec().flags & 8, 0);

  Buf().curRow = 2;
  ASSERT_EQ(MovsLinsControlLine(kLineEvShow), 0) << ErrDetail().Str();
  hl->answer(ui::IDYES, "Delete Record(s)?");
  ASSERT_EQ(NavAction(ActionMake(kActNavigate, kNavDel)), 0) << ErrDetail().Str();
  EXPECT_EQ(Lines("A"), (std::vector<std::string>{"1:a", "2:new", "3:c", "4:d", "5:e"}));
  EXPECT_EQ(Column(), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
  EXPECT_EQ(Lines("B"), other);
  EXPECT_EQ(Check(kNavs), "");
}

}  // namespace
