// Relations: relation-file lines, relation-key items and numbers, loading
// and unwinding, FILEREL, and the demo applications' relation files.
#include <gtest/gtest.h>

#include <regex>

#include "data/store/fileaction.h"
#include "data/dictionary/relations.h"
#include "relation_fixture.h"
#include "support/runtime_fixture.h"

namespace {

TEST(RelationFile, LinesByColumns) {
  struct Row {
    const char* line;
    bool ok;
    int file, rel;
    const char* stmt;
  } rows[] = {
      {"0201 FILEREL(2;3;1;4;T{3}=T{3}+_SGN*A{2})", true, 2, 1, "FILEREL(2;3;1;4;T{3}=T{3}+_SGN*A{2})"},
      {" 2 0X=1", true, 2, 0, "X=1"},           // blanks read as zeros
      {"1203\t  Y=2\r\n", true, 12, 3, "Y=2"},  // leading blanks and the line end dropped
      {"0201", false, 0, 0, ""},                // no statement
      {"0201    ", false, 0, 0, ""},
      {"0001 X=1", false, 0, 0, ""},            // file 0 addresses no file
      {"a201 X=1", false, 0, 0, ""},            // not a number
      {"02x1 X=1", false, 0, 0, ""},
      {"", false, 0, 0, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.line);
    RelLine out;
    ASSERT_EQ(RelLineParse(r.line, &out), r.ok);
    if (!r.ok) continue;
    EXPECT_EQ(out.file, r.file);
    EXPECT_EQ(out.rel, r.rel);
    EXPECT_EQ(out.stmt, r.stmt);
  }
}

class RelationNameTest : public RuntimeTest {};

TEST_F(RelationNameTest, NameByPrefixAndSwitch) {
  EXPECT_EQ(RelFileName("CO:Accounting", false), "CORELUP.DAT");
  EXPECT_EQ(RelFileName("GAX", true), "GARELUPSQL.DAT");
  EXPECT_EQ(RelFileName("G:X", false), "GRELUP.DAT");
}

// Items are found by their name shape, so values may hold ":" and "=".
TEST(RelationKeys, ItemsByNameShape) {
  const char* list = "3R1K1=DOC{2}: 4R1K2:CODE{2}+':'+X:3R2K1=A=B:12R1K3=N{2}";
  struct Row {
    int b, c;
    const char* value;
    uint16_t k;
  } rows[] = {
      {3, 1, "DOC{2}", 1},
      {4, 1, "CODE{2}+':'+X", 2},
      {3, 2, "A=B", 1},
      {12, 1, "N{2}", 3},
      {2, 1, "", 0},   // 12R1K3 is not file 2
      {3, 3, "", 0},
      {5, 1, "", 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.b) + "R" + std::to_string(r.c));
    uint16_t k = 99;
    EXPECT_EQ(RelKeyFind(list, r.b, r.c, &k), r.value);
    EXPECT_EQ(k, r.k);
  }
  uint16_t k = 0;
  EXPECT_EQ(RelKeyFind("", 3, 1, &k), "");
  EXPECT_EQ(RelKeyFind("XR1K1=A", 3, 1, &k), "");
}

// Relation 0 always comes first and no relation is taken twice (it would
// count its totals twice).
TEST(RelationNumbers, ZeroFirstEachOnce) {
  struct Row {
    const char* list;
    std::vector<int> want;
  } rows[] = {
      {"", {0}},
      {"1.00", {0, 1}},  // a number result renders with decimals
      {"2,0,1,2", {0, 2, 1}},
      {" 3 ,x,1.5,-1", {0, 3, 1}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.list);
    EXPECT_EQ(RelNumbers(r.list), r.want);
  }
}

// --- Loading, unwinding and FILEREL over the LINES/TOTALS application --------

class RelationLoadTest : public RelationTest {
 protected:
  std::string Stmts(int file, const char* list) {
    uint16_t m = StrAreaMark(-1);
    StrValue v = RelCheckString(file, Sv(list));
    std::string out = v.IsError() ? "e:" + std::to_string(StrError(v)) : v.Str();
    StrAreaMark(m);
    return out;
  }
  int16_t Base(int n) { return DataFileCtrl(n)->relBase; }
};

// Statements are gathered per file and relation number in file order; a
// file's relations are items base + r; unwinding drops every file above.
TEST_F(RelationLoadTest, LoadCheckUnwind) {
  Write("TTRELUP.DAT",
        "0100 A#=1\n"
        "0201 B#=1\n"
        "xx00 junk\n"
        "0100   C#=1\r\n"
        "0102 D#=1\n"
        "0200 E#=1\n");
  EXPECT_EQ(RelLoad(1, Sv("NONE")), 0);
  EXPECT_EQ(Base(1), -1);
  ASSERT_EQ(RelLoad(2, Sv("")), 0);
  ASSERT_EQ(RelLoad(1, Sv("")), 0);
  EXPECT_EQ(Base(2), 0);
  EXPECT_EQ(Base(1), 2);
  EXPECT_EQ(DynStrCount(RelationStmtList), 5u);
  EXPECT_EQ(RelLoad(1, Sv("")), 0);  // loaded once
  EXPECT_EQ(DynStrCount(RelationStmtList), 5u);

  struct Row {
    int file;
    const char* list;
    const char* stmts;
  } rows[] = {
      {1, "", "A#=1;C#=1"},
      {1, "2", "A#=1;C#=1;D#=1"},
      {1, "'2,1,0,2'", "A#=1;C#=1;D#=1"},
      {1, "'5'", "A#=1;C#=1"},  // beyond the file's relations: never file 2's
      {2, "1", "E#=1;B#=1"},
      {2, "2", "E#=1"},
      {1, "1+", "e:147"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.file) + " " + r.list);
    EXPECT_EQ(Stmts(r.file, r.list), r.stmts);
  }

  ASSERT_EQ(RelUnwind(2, 1), 0);
  EXPECT_EQ(Base(1), -1);
  EXPECT_EQ(Base(2), 0);
  EXPECT_EQ(Stmts(2, "1"), "E#=1");  // relation 1 of file 2 lay above the level
  EXPECT_EQ(Stmts(1, ""), "");
  ASSERT_EQ(RelUnwind(1, 0), 0);
  EXPECT_EQ(Base(2), -1);
  EXPECT_EQ(DynStrCount(RelationStmtList), 0u);
}

// Loaded relations belong to the file, not to one open of it: closing and
// reopening (or putting back a control block saved before the load) must
// not make the next action load them again, or the relation list grows with
// every open until the string-list store is full.
TEST_F(RelationLoadTest, RelationsOutliveCloseAndPutBack) {
  Write("TTRELUP.DAT", "0100 A#=1\n0101 B#=1\n");
  DataStoreState before;
  ASSERT_EQ(DataFileCtrlSave(&before, 1, nullptr), 0);
  ASSERT_EQ(RelLoad(1, Sv("")), 0);
  ASSERT_EQ(DataFileCtrlSave(nullptr, 1, &before), 0);
  EXPECT_EQ(Base(1), 0);
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(DataFileClose(1), 0);
    ASSERT_LT(DataFileOpen(1, 8), 128);
    ASSERT_EQ(RelLoad(1, Sv("")), 0);
    EXPECT_EQ(Base(1), 0) << round;
    EXPECT_EQ(Stmts(1, "1"), "A#=1;B#=1") << round;
  }
  EXPECT_EQ(DynStrCount(RelationStmtList), 2u);
}

TEST_F(RelationLoadTest, MissingFileAndSqlSwitch) {
  ASSERT_EQ(RelLoad(1, Sv("")), 0);
  EXPECT_EQ(Base(1), -1);
  Write("TTRELUPSQL.DAT", "0100 Q#=1\n");
  ASSERT_EQ(Eval("_AUXSTAT=2048"), 0);
  ASSERT_EQ(RelLoad(1, Sv("")), 0);
  EXPECT_EQ(Stmts(1, ""), "Q#=1");
  ASSERT_EQ(RelUnwind(1, 0), 0);
  ASSERT_EQ(RelLoadPlain(1, Sv("")), 0);  // the plain file is missing
  EXPECT_EQ(Base(1), -1);
  EXPECT_EQ(VarSysIntGet(kSysAuxStat), 0);
}

TEST_F(RelationLoadTest, ExpressionOfAnAction) {
  Write("TTRELUP.DAT", "0100 A#=1\n0101 B#=1\n");
  ASSERT_EQ(RelLoad(1, Sv("")), 0);  // two items on the list
  struct Row {
    const char* text;
    uint16_t m;
    const char* want;
  } rows[] = {
      {"NONE", 0, ""}, {"", 2, ""}, {"", 1, "1"}, {"", 0, "1"}, {"", 5, ""}, {"'2'", 0, "'2'"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.text) + "/" + std::to_string(r.m));
    uint16_t m = StrAreaMark(-1);
    EXPECT_EQ(RelExprGet(Sv(r.text), r.m).Str(), r.want);
    StrAreaMark(m);
  }
}

// FILEREL from LINES to TOTALS through 2R1K1=DOC{1}.
class FileRelTest : public RelationTest {
 protected:
  void Line(const std::string& doc, int amount) {
    Fill(1, "DOC{1}='" + doc + "',LIN{1}='001',AMOUNT{1}=" + std::to_string(amount));
  }
  Status Rel(uint16_t flags, const char* text = "TOTAL{2}=TOTAL{2}+AMOUNT{1}") {
    return AreaBalanced([&] { return RelRead(1, 2, 1, flags, Sv(text)); }, text);
  }
  // The TOTALS records as DOC=TOTAL.
  std::string Totals() {
    std::string out;
    for (Status s = DataFileMove(2, dfmove::kFirst); s == 0; s = DataFileMove(2, dfmove::kNext)) {
      if (!out.empty()) out += ',';
      std::string doc = Str("DOC{2}");
      out += doc.substr(0, doc.find(' ')) + "=" + std::to_string(Units("TOTAL{2}"));
    }
    return out;
  }
};

TEST_F(FileRelTest, InsertUpdateDelete) {
  struct Step {
    const char* doc;
    int amount;
    uint16_t flags;
    Status status;
    int relres;
    const char* totals;
  } steps[] = {
      {"D1", 10, 1 | 4, 0, 4, "D1=10"},                // missing at the end: inserted
      {"D1", 5, 1 | 4, 0, 0, "D1=15"},                 // found: updated
      {"D2", 7, 1, dfres::kEnd, 0, "D1=15"},           // without flag 4 nothing is stored
      {"D2", 7, 1 | 4, 0, 4, "D1=15,D2=7"},
      {"D0", 3, 1 | 2 | 4, 0, 0, "D0=3,D1=15,D2=7"},   // the neighbour read under flag 2 is not copied
      {"D1", 0, 1 | 4 | 8, 0, 12, "D0=3,D2=7"},        // deleted
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(std::string(s.doc) + " flags " + std::to_string(s.flags));
    Line(s.doc, s.amount);
    EXPECT_EQ(Rel(s.flags), s.status) << ErrDetail().Str();
    EXPECT_EQ(VarSysIntGet(kSysRelRes), s.relres);
    EXPECT_EQ(Totals(), s.totals);
  }
  Line("", 1);
  EXPECT_EQ(Rel(1 | 4), 0);  // a blank key text: a blank TOTALS record
  EXPECT_EQ(RelRead(1, 2, 2, 1 | 4, Sv("X#=1")), st::BADINPUTDATA);
}

// In relation mode (`_UPSTAT` 32, set while SQL relation statements run) the
// text runs over every TOTALS record of the key's range; a missing one is
// made first.
TEST_F(FileRelTest, RelationModeRunsOverTheRange) {
  ASSERT_EQ(Eval("_UPSTAT=33"), 0);
  Line("D1", 10);
  EXPECT_EQ(Rel(1 | 4), 0) << ErrDetail().Str();
  EXPECT_EQ(VarSysIntGet(kSysRelRes), 4);
  Line("D1", 5);
  EXPECT_EQ(Rel(1 | 4), 0);
  EXPECT_EQ(VarSysIntGet(kSysRelRes), 0);
  Line("D2", 1);
  EXPECT_EQ(Rel(1), 0);  // without flag 4 a missing record stays missing
  EXPECT_EQ(Totals(), "D1=15");
}

// A record is written for a missing key only: never over another record.
TEST_F(FileRelTest, WriteFieldsAddsMissingKeys) {
  Line("D1", 4);
  ASSERT_EQ(Rel(1 | 4), 0);
  EXPECT_EQ(RelWriteFields(2, 1, Sv("D1")), 0);
  EXPECT_EQ(RelWriteFields(2, 1, Sv("D0")), 0);
  EXPECT_EQ(Totals(), "D0=0,D1=4");
}

// In a browsing screen (`_SCRSTAT` 64) flag 2 steps on from the related
// record: with flag 8 until the text holds, else until a move fails.
TEST_F(FileRelTest, BrowseStepsToTheCondition) {
  for (const char* d : {"D1", "D2", "D3"}) {
    Line(d, 1);
    ASSERT_EQ(Rel(1 | 4), 0);
  }
  Line("D1", 0);
  ASSERT_EQ(Eval("_SCRSTAT=64,_LASTKEY=29"), 0);
  EXPECT_EQ(Rel(1 | 2 | 8, "DOC{2}=='D3*'"), 0);
  EXPECT_EQ(VarSysIntGet(kSysRelRes), 2);
  EXPECT_EQ(VarSysIntGet(kSysScrStat), 0);
  EXPECT_EQ(Str("DOC{2}").substr(0, 2), "D3");
  EXPECT_EQ(Totals(), "D1=1,D2=1,D3=1");  // nothing stored while browsing
}

// --- The demo applications' relation files -------------------------------------

// Loads a demo application's dictionary (its data files placed in a private
// directory) and answers the FILEREL calls of a file's relation statements.
class DemoRelationTest : public AppTest {
 protected:
  struct Call {
    int a, b, c, flags;
    std::string text;
  };
  std::vector<Call> Calls(const std::string& app, const std::string& prefix, int file) {
    std::string demo = std::string(KX_SOURCE_DIR) + "/apps/" + app + "/demo";
    App(prefix, demo);
    EXPECT_EQ(DicLoad(Sv(demo), Sv(prefix), Sv(dir.path())), 0) << ErrDetail().Str();
    EXPECT_EQ(RelLoad(file, Sv("")), 0);
    uint16_t m = StrAreaMark(-1);
    std::string stmts = RelCheckString(file, Sv("")).Str();
    StrAreaMark(m);
    std::vector<Call> out;
    std::regex call(R"(FILEREL\((\d+);(\d+);(\d+);(\d+);([^;]*)\))");
    for (std::sregex_iterator it(stmts.begin(), stmts.end(), call), end; it != end; ++it)
      out.push_back(Call{std::stoi((*it)[1]), std::stoi((*it)[2]), std::stoi((*it)[3]), std::stoi((*it)[4]), (*it)[5]});
    return out;
  }
  // Opens the accounts (file 8, holding 4300 and 5700), the balances by
  // month (file 10) and the entry lines (file 9) of the accounting demo.
  void OpenAccounts() {
  ASSERT_EQ(DataFileOpen(8, 0), dfres::kEnd);
  ASSERT_EQ(DataFileOpen(10, 0), dfres::kEnd);
  ASSERT_EQ(DataFileOpen(9, 8), dfres::kEnd);
  for (const char* code : {"4300", "5700"}) {
    ASSERT_EQ(DataFileMove(8, dfmove::kNew), dfres::kNewRecord);
    ASSERT_EQ(ExpEvalStatus(Sv(std::string("CODE{8}='") + code + "'")), 0);
    ASSERT_EQ(DataFileInsert(8), 0);
  }
  }
  // Runs the calls as the statements of an insert (_SGN 1) would.
  void Run(const std::vector<Call>& calls) {
    ASSERT_EQ(ExpEvalStatus(Sv("_SGN=1")), 0);
    for (const Call& c : calls) ASSERT_EQ(RelRead(c.a, c.b, c.c, static_cast<uint16_t>(c.flags | 1), Sv(c.text)), 0);
    ASSERT_EQ(ExpEvalStatus(Sv("_SGN=0")), 0);
  }
};

// An entry line adds its amount to its debit account's CUR_PASSIVE and its
// credit account's CUR_ASSETS (and to its balances by month, which the
// accounting tests check).
TEST_F(DemoRelationTest, AccountingEntryLinesKeepAccountTotals) {
  std::vector<Call> calls = Calls("accounting", "CO", 9);
  ASSERT_EQ(calls.size(), 6u);
  for (const Call& c : calls) EXPECT_GT(RelKeyNum(c.a, c.b, c.c), 0) << c.text;
  ASSERT_NO_FATAL_FAILURE(OpenAccounts());
  for (int amount : {120, 30}) {
    ASSERT_EQ(DataFileMove(9, dfmove::kNew), dfres::kNewRecord);
    ASSERT_EQ(ExpEvalStatus(Sv("PASS_ACC{9}='4300',ASSET_ACC{9}='5700',AMOUNT{9}=" + std::to_string(amount))), 0);
    Run(calls);
  }
  ASSERT_EQ(DataFileReadKey(8, 1, Sv("4300"), 0), 0);
  EXPECT_EQ(Units("CUR_PASSIVE{8}"), 150);
  EXPECT_EQ(Units("CUR_ASSETS{8}"), 0);
  ASSERT_EQ(DataFileReadKey(8, 1, Sv("5700"), 0), 0);
  EXPECT_EQ(Units("CUR_ASSETS{8}"), 150);
}

// The same through the writes themselves: inserting and deleting entry lines
// runs their relation statements (FILEREL calls evaluated by the script
// engine), so the accounts' totals follow.
TEST_F(DemoRelationTest, AccountingTotalsFollowInsertsAndDeletes) {
  Calls("accounting", "CO", 9);
  ASSERT_NO_FATAL_FAILURE(OpenAccounts());
  int line = 0;
  for (int amount : {120, 30}) {
    ASSERT_EQ(DataFileMove(9, dfmove::kNew), dfres::kNewRecord);
    ASSERT_EQ(ExpEvalStatus(Sv("ENTRY{9}=1,N_LINE{9}=" + std::to_string(++line) +
                               ",PASS_ACC{9}='4300',ASSET_ACC{9}='5700',AMOUNT{9}=" + std::to_string(amount))),
              0);
    ASSERT_EQ(DataFileAction(dfact::kInsert, 9, Sv(""), Sv("")), 0) << ErrDetail().Str();
  }
  ASSERT_EQ(DataFileReadKey(8, 1, Sv("4300"), 0), 0);
  EXPECT_EQ(Units("CUR_PASSIVE{8}"), 150);
  // Deleting the line of 30 takes it back out of both accounts.
  ASSERT_EQ(DataFileMove(9, dfmove::kFirst), 0);
  if (Units("AMOUNT{9}") != 30) {
    ASSERT_EQ(DataFileMove(9, dfmove::kNext), 0);
  }
  ASSERT_EQ(Units("AMOUNT{9}"), 30);
  ASSERT_EQ(DataFileAction(dfact::kDelete, 9, Sv(""), Sv("")), 0) << ErrDetail().Str();
  ASSERT_EQ(DataFileReadKey(8, 1, Sv("4300"), 0), 0);
  EXPECT_EQ(Units("CUR_PASSIVE{8}"), 120);
  ASSERT_EQ(DataFileReadKey(8, 1, Sv("5700"), 0), 0);
  EXPECT_EQ(Units("CUR_ASSETS{8}"), 120);
}

// An invoice line makes its VAT registry entry with its base, VAT and total.
TEST_F(DemoRelationTest, AdministrationInvoiceLinesKeepTheVatRegistry) {
  std::vector<Call> calls = Calls("administration", "GA", 14);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_GT(RelKeyNum(14, 6, 1), 0);
  ASSERT_EQ(DataFileOpen(6, 0), dfres::kEnd);
  ASSERT_EQ(DataFileOpen(14, 8), dfres::kEnd);
  for (int amount : {100, 50}) {  // two lines of one invoice: one registry entry
    ASSERT_EQ(DataFileMove(14, dfmove::kNew), dfres::kNewRecord);
    ASSERT_EQ(ExpEvalStatus(Sv("NUMBER{14}=7,SERIES{14}='A',CUSTOMER{14}='C1',VATRATE{14}=20,AMOUNT{14}=" +
                               std::to_string(amount))),
              0);
    Run(calls);
  }
  ASSERT_EQ(DataFileMove(6, dfmove::kFirst), 0);
  EXPECT_NE(DataFileMove(6, dfmove::kNext), 0);
  ASSERT_EQ(DataFileMove(6, dfmove::kFirst), 0);
  EXPECT_EQ(ExpEvalStr(Sv("CUSTOMER{6}")).Str().substr(0, 2), "C1");
  EXPECT_EQ(Units("BASE{6}"), 150);
  EXPECT_EQ(Units("VAT{6}"), 30);
  EXPECT_EQ(Units("TOTAL{6}"), 180);
}

}  // namespace
