// The entry window's handlers on the navigation window of grouped lines:
// predefined lines (a catalogue names the fixture's ITEM as the TYPE field)
// are protected on insert, delete and change.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "apps/accounting/entrywin.h"
#include "apps/accounting/tasks.h"
#include "runtime/messages.h"
#include "screens/window/actionchain.h"
#include "screens/window/actions.h"
#include "runtime/strutil.h"
#include "screens/window/fieldvalues.h"
#include "screens/navorder_fixture.h"

namespace {

class EntryWindowTest : public NavOrderTest {
 protected:
  void SetUp() override {
    NavOrderTest::SetUp();
    WriteFile("KX_LANG_EN.MSJ",
              "1001 Delete Full Entry?\n1002 Predefined entry: no insert\n1003 Entry exists. Go on?\n"
              "1020 CODE,CUR_PASSIVE,CUR_ASSETS,DATE,ENTRY,ITEM,PASS_ACC,ASSET_ACC,AMOUNT,ACC.,DATE,"
              "P_EXPIRED,A_EXPIRED,ACC_ID{%s},K$\n");
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

// F2 (field again) on the key field that IK$(1) names puts the key
// expression's value (item 15 of the accounting field names) into it; on
// another field, or with an empty value, the window's own F2 runs and the
// key field keeps its text.
class EntryKeyHelpTest : public EntryWindowTest {
 protected:
  std::string Definitions() override { return "IK$(1):TAIL{0}"; }
};

TEST_F(EntryKeyHelpTest, F2OnTheKeyFieldTakesTheKeyExpression) {
  Group("A", {1, 2});
  ReadKey(Key("A", 1));
  struct Case {
    uint16_t field;
    const char* value;
    const char* tail;
  } cases[] = {
      {4, "'17'", "17"},  // the key field
      {2, "'18'", ""},    // another field
      {4, "'  '", ""},    // nothing to put
  };
  for (const Case& c : cases) {
    ASSERT_EQ(FieldPut(kCheckInput, 4, S("")), 0);
    ASSERT_EQ(Eval(std::string("K$=") + c.value), 0);
    Rec().curField = c.field;
    EXPECT_LT(AcEntryWindowProc(ActionMake(kActFieldAgain, 0)), 128) << c.value << ErrDetail().Str();
    const StrAreaScope scope;
    EXPECT_EQ(StrTrim(FieldValue(4), 3).Str(), c.tail) << c.field << c.value;
  }
}

// An error of the window's handler is shown once: the action chain shows
// what the handler answers, the handler shows only the warnings it takes.
TEST_F(EntryWindowTest, AnErrorIsShownOnce) {
  Group("A", {1, 2});
  ReadKey(Key("A", 1));
  ASSERT_EQ(RecFieldSet(kNavs, 3, S("other")), 0);  // a predefined line changed, no WINDOWS$ item 5
  hl->answer(ui::IDOK, "WINDOWS$");
  EXPECT_EQ(ScreenActionCtl(Rec().window, ActionMake(kActToEntry, 0)), st::BADINPUTDATA);
  EXPECT_EQ(Boxes().size(), 1u);
}

// The lines of the entry come again from the file after a posting: the
// rows the file holds now, the current row moved on by the rows posted,
// the begin field current.
TEST_F(EntryWindowTest, EntryLinesReloadShowsTheFilesLines) {
  Group("A", {1, 2, 3});
  Add(kNavs, Line("B", 1, "z"));
  Rec().flags |= 2;
  Rec().state = kWinStateLineArea;
  Buf().curRow = 1;
  Add(kNavs, Line("A", 4, "d"));
  ReadKey(Key("B", 1));  // the posting left another record current
  Rec().curField = 3;
  ASSERT_EQ(EntryLinesReload("A ", 2), 0) << ErrDetail().Str();
  EXPECT_EQ(Column(), (std::vector<std::string>{"1", "2", "3", "4"}));
  EXPECT_EQ(Buf().curRow, 3);
  EXPECT_EQ(Rec().curField, ScreenGet(kCurrentIndex)->beginField + 1);
  const StrAreaScope scope;
  EXPECT_EQ(KeyValueCur(kNavs, 1).Str(), Key("A", 3));
}

// A full-entry delete: the registry and document records of the entry go
// (files 6 and 7 here), its lines are deleted with their relation
// statements (one run of D# per line) and the grid is left empty; the
// other entry is untouched.
class EntryWindowFilesTest : public EntryWindowTest {
 protected:
  void SetUp() override {
    EntryWindowTest::SetUp();
    {
      std::ifstream in(dir.File("DCRELUP.DAT"), std::ios::binary);
      std::string rel((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      WriteFile("DCRELUP.DAT", rel + "0300 D#=D#+1\n");
    }
    ASSERT_EQ(DicDefineFile(0, S("SPARE"), S(dir.path())), 0);
    ASSERT_EQ(DicDefineField(S("X"), 1, 'A'), 0);
    for (const char* name : {"REGS", "DOCS7"}) {
      ASSERT_EQ(DicDefineFile(0, S(name), S(dir.path())), 0);
      ASSERT_EQ(DicDefineField(S("GRP"), 2, 'A'), 0);
      ASSERT_EQ(DicDefineField(S("N_LINE"), 3, 'N'), 0);
    }
    ASSERT_EQ(DicDefaultKeys(7), 0);
    for (int f : {6, 7}) {
      DataFileCtrlInit(f);
      ASSERT_LT(DataFileOpen(f, 0), 128) << f;
    }
  }
};

TEST_F(EntryWindowFilesTest, DeleteFullEntry) {
  for (int f : {6, 7})
    for (const char* k : {"A   1", "A   2", "B   1"}) Add(f, k);
  Add(kNavs, Line("B", 1, ""));
  Group("A", {1, 2});
  std::vector<std::string> other = {Records(kNavs).front()};
  ASSERT_EQ(Eval("D#=0"), 0);
  Rec().flags |= 2;
  Rec().state = kWinStateLineArea;
  Buf().curRow = 1;
  ReadKey(Key("A", 1));
  hl->answer(ui::IDYES, "Delete Full Entry?");
  EXPECT_LT(AcEntryWindowProc(ActionMake(kActNavigate, kNavDel)), 128) << ErrDetail().Str();
  EXPECT_EQ(Lines("A"), std::vector<std::string>{});
  EXPECT_EQ(Records(6), (std::vector<std::string>{"B   1"}));
  EXPECT_EQ(Records(7), (std::vector<std::string>{"B   1"}));
  EXPECT_EQ(Lines("B").size(), 1u);
  {
    const StrAreaScope scope;
    EXPECT_EQ(ExpEvalStr(S("D#")).Str(), "2");
  }
  EXPECT_LE(Buf().rowCount, 1);  // a blank row to type into at most
  for (const std::string& row : Rows(Buf())) EXPECT_EQ(row.find('a'), std::string::npos) << row;
}

}  // namespace
