// The entry window's handlers on the navigation window of grouped lines:
// predefined lines (a catalogue names the fixture's ITEM as the TYPE field)
// are protected on insert, delete and change.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "apps/accounting/entrywin.h"
#include "apps/accounting/tasks.h"
#include "runtime/messages.h"
#include "screens/actionchain.h"
#include "screens/actions.h"
#include "screens/navorder_fixture.h"

namespace {

class EntryWindowTest : public NavOrderTest {
 protected:
  void SetUp() override {
    NavOrderTest::SetUp();
    WriteFile("KX_LANG_EN.MSJ",
              "1001 Delete Full Entry?\n1002 Predefined entry: no insert\n1003 Entry exists. Go on?\n"
              "1020 CODE,CUR_PASSIVE,CUR_ASSETS,DATE,ENTRY,ITEM,PASS_ACC,ASSET_ACC,AMOUNT\n");
    MsgCatalogReset();
    ASSERT_EQ(AcTaskEntryWindow(0), 0);
    VarSysIntSet(kSysAux, 1);
    ASSERT_EQ(AcTaskEntryWindow(0), 0);
    VarSysIntSet(kSysAux, 0);
    ASSERT_EQ(WinGet(kCurrentIndex)->action, &AcEntryWindowProc);
  }
  void TearDown() override {
    MsgCatalogReset();
    NavOrderTest::TearDown();
  }
};

// INS on a predefined line: allowed on line 1, from line 2 the warning and
// no line; a line without TYPE (blank ITEM) inserts as usual.
TEST_F(EntryWindowTest, InsertIntoAPredefinedEntry) {
  Group("A", {1, 2, 3});
  Rec().flags |= 2;
  Rec().state = kWinStateLineArea;
  Buf().curRow = 2;
  ReadKey(Key("A", 2));
  hl->answer(ui::IDOK, "Predefined entry: no insert");
  EXPECT_EQ(AcEntryWindowProc(ActionMake(kActNavigate, kNavIns)), 0);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"Predefined entry: no insert"}));
  EXPECT_EQ(Buf().rowCount, 3);
  EXPECT_EQ(Rec().flags & 8, 0);
  Buf().curRow = 1;
  ReadKey(Key("A", 1));
  EXPECT_EQ(AcEntryWindowProc(ActionMake(kActNavigate, kNavIns)), 0) << ErrDetail().Str();
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Buf().rowCount, 4);
  EXPECT_EQ(Rec().flags & 8, 8);
}

// DEL: a line without TYPE asks the line question; a predefined one asks
// 1001, and No deletes nothing.
TEST_F(EntryWindowTest, DeleteAPredefinedOrAPlainLine) {
  Add(kNavs, Line("B", 1, ""));
  Add(kNavs, Line("B", 2, ""));
  Group("A", {1, 2});
  const std::vector<std::string> before = Records(kNavs);
  Rec().flags |= 2;
  Buf().curRow = 2;
  ReadKey(Key("A", 2));
  hl->answer(ui::IDNO, "Delete Full Entry?");
  EXPECT_EQ(AcEntryWindowProc(ActionMake(kActNavigate, kNavDel)), 0);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"Delete Full Entry?"}));
  EXPECT_EQ(Records(kNavs), before);
  // The plain line: the navigation window's own question.
  GridReset(Buf());
  Row(1, "B", "", 1), Row(2, "B", "", 2);
  Buf().curRow = 2;
  ReadKey(Key("B", 2));
  hl->answer(ui::IDNO, "Delete Record(s)?");
  EXPECT_EQ(AcEntryWindowProc(ActionMake(kActNavigate, kNavDel)), 0);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"Delete Record(s)?"}));
  EXPECT_EQ(Records(kNavs), before);
}

// The guard: only for writes and line moves of a predefined line whose key
// or TYPE changed, and not after an error of the line (_IER).
TEST_F(EntryWindowTest, GuardRunsTheMaintenanceCommandOnlyForAChangedPredefinedLine) {
  Group("A", {1, 2});
  ReadKey(Key("A", 1));
  EXPECT_EQ(AcEntryGuard(kActLineDown), 0);  // unchanged
  ASSERT_EQ(RecFieldSet(kNavs, 3, S("other")), 0);
  EXPECT_EQ(AcEntryGuard(kActFieldAgain), 0);  // not a kind it guards
  VarSysIntSet(kSysIer, 2);
  EXPECT_EQ(AcEntryGuard(kActLineDown), 0);
  VarSysIntSet(kSysIer, 0);
  EXPECT_EQ(AcEntryGuard(kActLineDown), st::BADINPUTDATA);  // no WINDOWS$ item 5
  EXPECT_EQ(ErrDetail().Str(), "WINDOWS$");
  ErrClear();
  ASSERT_EQ(RecFieldSet(kNavs, 3, S("")), 0);
  EXPECT_EQ(AcEntryGuard(kActLineUp), 0);  // no TYPE now
}

class EntryWindowCommandTest : public EntryWindowTest {
 protected:
  std::string Definitions() override { return "WINDOWS$:\",,,,'ExpEval,G#=G#+1'\""; }
};

TEST_F(EntryWindowCommandTest, GuardStopsTheActionAfterTheCommand) {
  Group("A", {1, 2});
  ReadKey(Key("A", 1));
  ASSERT_EQ(Eval("G#=0"), 0);
  ASSERT_EQ(RecFieldSet(kNavs, 3, S("other")), 0);
  EXPECT_EQ(AcEntryGuard(kActToEntry), 32) << ErrDetail().Str();
  EXPECT_EQ(Eval("G#"), 0);
  const StrAreaScope scope;
  EXPECT_EQ(ExpEvalStr(S("G#")).Str(), "1");
}

}  // namespace
