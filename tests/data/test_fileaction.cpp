// Data-file actions: the navigation table, writes with their relation
// statements, the key check, and the append loop.
#include <gtest/gtest.h>

#include "data/store/fileaction.h"
#include "data/dictionary/relations.h"
#include "relation_fixture.h"
#include "support/runtime_fixture.h"

namespace {

class NavTableTest : public RuntimeTest {};

TEST_F(NavTableTest, OperationCodesByCommand) {
  struct Row {
    const char* word;
    int pos;
    uint16_t code;
  } rows[] = {
      {"NEW", 1, 0xF01}, {"top", 2, 0xF24}, {"PRV", 3, 0xF16},    {"previous", 3, 0xF16}, {"RLD", 4, 0},
      {"NXT", 5, 0xF12}, {"Next", 5, 0xF12}, {"BOT", 6, 0xF20},    {"BOTTOM", 6, 0xF20},   {"FND", 7, 0x40},
      {"SVE", 8, 0xF00}, {"INS", 9, 0xD00}, {"DEL", 10, 0x642},   {"LST", 11, 0x42},      {"NLS", 12, 0xFF},
      {"BLS", 13, 0x46}, {"IMP", 14, 0xFF}, {"TSL", 18, 0xFF},    {"xyz", 0, 0xFF},       {"", 0, 0xFF},
  };
  StrValue list = StrFromC(kNavCommands);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.word);
    int pos = NavCmdIndex(StrFromC(r.word), list);
    EXPECT_EQ(pos, r.pos);
    EXPECT_EQ(DataFileOpCode(pos), r.code);
  }
  EXPECT_EQ(DataFileOpCode(-1), 0xFF);
  // Another command list is searched as given; the aliases still apply.
  EXPECT_EQ(NavCmdIndex(StrFromC("next"), StrFromC("OK,NXT")), 2);
}

// --- Actions over the LINES/TOTALS application ---------------------------------

class ActionTest : public RelationTest {
 protected:
  Status Act(uint16_t mode, const std::string& list = "", const std::string& check = "",
             KeySkip skip = KeySkip::Silent) {
    return DataFileAction(mode, 1, Sv(list), Sv(check), skip);
  }
};

// Relation 0 of LINES keeps T# as the sum of its amounts: minus the old image,
// plus the new one, on every write. TOTALS' relations, loaded first, sit
// below LINES' on the relation list and must never run for LINES.
TEST_F(ActionTest, TotalsFollowEveryWrite) {
  Write("TTRELUP.DAT", "0100 T#=T#+_SGN*AMOUNT{1}\n0200 U#=U#+1\n");
  ASSERT_EQ(RelLoad(2, Sv("")), 0);
  struct Step {
    const char* id;
    const char* assign;  // "new:" starts a new record
    uint16_t mode;
    const char* list;
    int64_t total;
    const char* keys;
  } steps[] = {
      {"insert", "new:DOC{1}='D1',LIN{1}='001',AMOUNT{1}=10", dfact::kInsert, "0", 10, "D1    001"},
      {"second line", "new:DOC{1}='D1',LIN{1}='002',AMOUNT{1}=4", dfact::kInsert, "'0,0'", 14,
       "D1    001,D1    002"},
      {"amount changed", "AMOUNT{1}=7", dfact::kUpdate, "", 17, "D1    001,D1    002"},
      {"updated again without a read", "AMOUNT{1}=1", dfact::kUpdate, "", 11, "D1    001,D1    002"},
      {"other field only", "NOTE{1}='x'", dfact::kUpdate, "", 11, "D1    001,D1    002"},
      {"delete", "", dfact::kDelete, "", 10, "D1    001"},
  };
  for (const Step& st : steps) {
    SCOPED_TRACE(st.id);
    std::string a = st.assign;
    if (a.rfind("new:", 0) == 0) {
      Fill(1, a.substr(4));
    } else if (!a.empty()) {
      ASSERT_EQ(Eval(a), 0);
    }
    ASSERT_EQ(Act(st.mode, st.list), 0) << ErrDetail().Str();
    EXPECT_EQ(Units("T#"), st.total);
    EXPECT_EQ(Units("U#"), 0);
    EXPECT_EQ(Units("_SGN"), 0);
    EXPECT_EQ(Keys(1, 9), st.keys);
  }
}

// The key check: blank key fields skip the action (in silence for a line, 5
// for a maintenance save); a key-1 text already there refuses an insert
// unless `_UPSTAT` 64 lifts the check, and then the repeated record's
// statements run as the record stays.
TEST_F(ActionTest, KeyCheck) {
  Write("TTRELUP.DAT", "0100 T#=T#+_SGN*AMOUNT{1}\n");
  Fill(1, "AMOUNT{1}=5");
  EXPECT_EQ(Act(dfact::kInsert | dfact::kKeyCheck), 0);
  EXPECT_EQ(Act(dfact::kInsert | dfact::kKeyCheck, "", "", KeySkip::BadKey), 5);
  Fill(1, "DOC{1}='D1',AMOUNT{1}=5");
  EXPECT_EQ(Act(dfact::kInsert | dfact::kKeyCheck, "", "LIN{1}"), 0);  // LIN not filled
  EXPECT_EQ(Keys(1, 9), "");
  EXPECT_EQ(Units("T#"), 0);

  Fill(1, "DOC{1}='D1',LIN{1}='001',AMOUNT{1}=5");
  EXPECT_EQ(Act(dfact::kInsert | dfact::kKeyCheck, "", "LIN{1}"), 0);
  Fill(1, "DOC{1}='D1',LIN{1}='001',AMOUNT{1}=3");
  EXPECT_EQ(Act(dfact::kInsert | dfact::kKeyCheck), 5);
  EXPECT_EQ(Keys(1, 9), "D1    001");
  EXPECT_EQ(Units("T#"), 5);

  ASSERT_EQ(Eval("_UPSTAT=65"), 0);
  Fill(1, "DOC{1}='D1',LIN{1}='001',AMOUNT{1}=3");
  EXPECT_EQ(Act(dfact::kInsert | dfact::kKeyCheck), dfres::kRepeatedKey);
  EXPECT_EQ(Keys(1, 9), "D1    001,D1    001");
  EXPECT_EQ(Units("T#"), 8);
}

// Saving a new record through the update mode of the save command (a new
// blank record inserts) takes the insert's key-1 check too: an existing key
// answers 5 and nothing is written.
TEST_F(ActionTest, SavingANewRecordChecksItsKey) {
  const uint16_t save = dfact::kUpdate | dfact::kKeyCheck;
  Write("TTRELUP.DAT", "0100 T#=T#+_SGN*AMOUNT{1}\n");
  Fill(1, "DOC{1}='D1',LIN{1}='001',AMOUNT{1}=5");
  ASSERT_EQ(Act(save), 0);
  Fill(1, "DOC{1}='D1',LIN{1}='001',AMOUNT{1}=3");
  EXPECT_EQ(Act(save), dfres::kBadKey);
  EXPECT_EQ(Keys(1, 9), "D1    001");
  EXPECT_EQ(Units("T#"), 5);
  ASSERT_EQ(Eval("AMOUNT{1}=4,LIN{1}='002'"), 0);
  EXPECT_EQ(Act(save), 0);
  EXPECT_EQ(Keys(1, 9), "D1    001,D1    002");
  EXPECT_EQ(Units("T#"), 9);
}

// A delete touches only the record last read: after a failed search it
// answers 5 and the file keeps its records.
TEST_F(ActionTest, DeleteNeedsTheRecordRead) {
  Write("TTRELUP.DAT", "0100 T#=T#+_SGN*AMOUNT{1}\n");
  Fill(1, "DOC{1}='D1',LIN{1}='001',AMOUNT{1}=5");
  ASSERT_EQ(Act(dfact::kInsert), 0);
  EXPECT_EQ(DataFileReadKey(1, 1, Sv("D9"), 0), dfres::kEnd);
  EXPECT_EQ(Act(dfact::kDelete), dfres::kBadKey);
  EXPECT_EQ(Keys(1, 9), "D1    001");
  EXPECT_EQ(Units("T#"), 5);
}

// Statements run after the write: an error is answered with its code, the
// record stays written and what ran before the error stays done.
TEST_F(ActionTest, StatementErrorIsAnswered) {
  Write("TTRELUP.DAT", "0100 T#=T#+_SGN*AMOUNT{1}\n0100 T$=1\n");
  Fill(1, "DOC{1}='D1',LIN{1}='001',AMOUNT{1}=5");
  EXPECT_EQ(Act(dfact::kInsert), st::TYPEMISMATCH);
  EXPECT_EQ(Keys(1, 9), "D1    001");
  EXPECT_EQ(Units("T#"), 5);
  EXPECT_EQ(Units("_SGN"), 0);
}

// Which statements run: none without `_UPSTAT` bit 1 or with mode 0x1000;
// none without a relation file; the SQL relation file under `_AUXSTAT`
// 0x800, with `_UPSTAT` bit 32 set only while its statements run.
TEST_F(ActionTest, WhichStatementsRun) {
  Write("TTRELUP.DAT", "0100 T#=T#+_SGN*AMOUNT{1}\n");
  Write("TTRELUPSQL.DAT", "0100 S#=_UPSTAT\n");
  struct Row {
    const char* id;
    const char* setup;
    uint16_t mode;
    int64_t t, s;
  } rows[] = {
      {"statements off", "_UPSTAT=0", dfact::kInsert, 0, 0},
      {"no statements bit", "_UPSTAT=1", dfact::kInsert | dfact::kNoStatements, 0, 0},
      {"sql file", "_UPSTAT=1,_AUXSTAT=2048", dfact::kInsert, 0, 33},
      {"plain file", "_UPSTAT=1,_AUXSTAT=0", dfact::kInsert, 1, 0},
  };
  int line = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    ASSERT_EQ(Eval("T#=0,S#=0"), 0);
    for (int n = 1; n <= 2; ++n) ASSERT_EQ(RelUnwind(n, 0), 0);
    ASSERT_EQ(Eval(r.setup), 0);
    char lin[16];
    std::snprintf(lin, sizeof lin, "%03d", ++line);
    Fill(1, std::string("DOC{1}='D1',AMOUNT{1}=1,LIN{1}='") + lin + "'");
    ASSERT_EQ(Act(r.mode), 0);
    EXPECT_EQ(Units("T#"), r.t);
    EXPECT_EQ(Units("S#"), r.s);
    EXPECT_EQ(VarSysIntGet(kSysUpStat) & 32, 0);
  }
  EXPECT_EQ(Keys(1, 9), "D1    001,D1    002,D1    003,D1    004");
}

// The append loop inserts while the write condition holds, counting rows and
// calling the routines; a loop that never writes and never ends is stopped
// by the cancel poll.
int g_polls = 0, g_rows = 0, g_steps = 0;
Status PollCancelsAtFive() { return ++g_polls >= 5 ? st::USERCANCELED : 0; }
Status CountRow(int file) {
  ++g_rows;
  return file == 2 ? 0 : st::INTERNALERROR;
}
Status CountStep() {
  ++g_steps;
  return 0;
}

TEST_F(ActionTest, AppendLoop) {
  g_polls = g_rows = g_steps = 0;
  AppendLoopSpec spec{Sv("N#=0"), Sv("1"), Sv("N#=N#+1,DOC{2}=N#,N#<=3"), Sv("0"), Sv(""), CountRow, CountStep};
  uint32_t count = 0;
  ASSERT_EQ(DataFileMove(2, dfmove::kNew), dfres::kNewRecord);
  EXPECT_EQ(DataFileAppendLoop(2, spec, &count), 0);  // N#=0 is false: no pass
  EXPECT_EQ(count, 0u);
  spec.start = Sv("N#=0,1");
  EXPECT_EQ(DataFileAppendLoop(2, spec, &count), 0) << ErrDetail().Str();
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(g_rows, 3);
  EXPECT_EQ(g_steps, 3);
  EXPECT_EQ(Keys(2, 6), "1,2,3");

  CancelPollFn old = DataFileCancelPollSet(PollCancelsAtFive);
  spec.row = Sv("0");
  EXPECT_EQ(DataFileAppendLoop(2, spec, &count), st::USERCANCELED);
  DataFileCancelPollSet(old);
  EXPECT_EQ(g_polls, 5);
  EXPECT_EQ(count, 0u);

  spec.row = Sv("1");
  spec.write = Sv("X$");  // a string condition is false
  EXPECT_EQ(DataFileAppendLoop(2, spec, &count), 0);
  spec.write = Sv("1+");
  EXPECT_EQ(DataFileAppendLoop(2, spec, &count), st::SINTAXERROR);
}

}  // namespace
