// Imports under the run journal: a merge that fails at its 50th insert,
// with relation statements writing a second file, leaves both files byte
// for byte as they were; a 10-row import into 100,000 records journals a
// handful of records.
#include <gtest/gtest.h>

#include <csignal>

#include "data/store/rebuild.h"
#include "platform/host/signals.h"
#include "runtime/strutil.h"
#include "trans_fixture.h"

namespace {

int g_calls = 0;
int g_tripAt = 0;

// The relation statements read "_TRIP": 0, or an error at the chosen call.
StrValue Trip(StrValue name, int) {
  if (name.View() != "_TRIP") return StrErr(st::BADINPUTDATA);
  return ++g_calls == g_tripAt ? StrErr(st::DISKWRITERROR) : StrFromC("0");
}

class TransJournalTest : public TransTest {
 protected:
  void SetUp() override {
    TransTest::SetUp();
    Write("TTRELUP.DAT", {"0100 FILEREL(1;2;1;4;TOTAL{2}=TOTAL{2}+_SGN*BALANCE{1},N{2}=N{2}+_SGN+_TRIP)"});
    TaskHookSet(&Trip, kHookValue);
    g_calls = 0;
    g_tripAt = 0;
  }
  struct Snapshot {
    std::string cust, custIndex, totals, totalsIndex;
    bool operator==(const Snapshot&) const = default;
  };
  Snapshot Files() { return Snapshot{Bytes("CUST.FD"), Bytes("CUST.DIR"), Bytes("TOTALS.FD"), Bytes("TOTALS.DIR")}; }
  static std::string City(int i) { return std::string("City") + char('A' + i % 5); }
  static std::string Rows(int from, int count) {
    std::string out;
    for (int i = from; i < from + count; ++i)
      out += "\"N" + std::to_string(10000 + i) + "\",\"Name " + std::to_string(i) + "\",\"" + City(i) + "\"," +
             std::to_string(i) + ".25,\"20240101\"\r\n";
    return out;
  }
};

TEST_F(TransJournalTest, MergeFailingAtItsFiftiethInsertChangesNothing) {
  std::vector<std::string> recs;
  for (int i = 0; i < 20; ++i) recs.push_back(Cust("C" + std::to_string(100 + i), "Old", City(i), "1.00", "20230101"));
  Customers(recs);
  Put("in.csv", Rows(0, 100));
  for (uint16_t mode : {0x135, 0x13D}) {  // an import, a replace import
    SCOPED_TRACE(mode);
    Snapshot before = Files();
    ASSERT_LE(DataFileOpen(2, 0), 2);
    g_calls = 0;
    g_tripAt = 50;
    EXPECT_EQ(Run("in.csv", mode), st::DISKWRITERROR);
    EXPECT_EQ(g_calls, 50);
    DataFileCloseAll();
    EXPECT_TRUE(Files() == before);
    EXPECT_EQ(CustCheck(), "");
    EXPECT_EQ(TotalsCheck(), "");
    EXPECT_FALSE(RunJournalLeft());
    EXPECT_FALSE(Exists("CUST.FD.jr1") || Exists("CUST.DIR.jr1") || Exists("TOTALS.DIR.jr1"));
    EXPECT_EQ(TempLeft(), 0u);
  }
  // Without the failure all 100 go in, and the totals follow them.
  ASSERT_LE(DataFileOpen(2, 0), 2);
  g_tripAt = 0;
  EXPECT_EQ(Run("in.csv", 0x135), 0) << ErrDetail().Str();
  EXPECT_EQ(VarSysIntGet(kSysCount), 100);
  ASSERT_EQ(DataFileReadKey(2, 1, S("CityA"), 0), 0);
  EXPECT_EQ(StrTrim(RecFieldGet(2, 3), 3).Str(), "24");  // 4 old and 20 new customers
  DataFileCloseAll();
  EXPECT_EQ(CustCheck(), "");
  EXPECT_EQ(TotalsCheck(), "");
}

TEST_F(TransJournalTest, TenRowsIntoManyRecordsJournalAFew) {
  constexpr int kMany = 100000;
  Customers({Cust("N00000", "Seed", "CityA", "1.00", "20230101")});
  // The records written byte by byte, then indexed by a rebuild.
  std::string data = Bytes("CUST.FD");
  std::string rec = Cust("M000000", "Many", "CityA", "1.00", "20230101");
  for (int i = 1; i <= kMany; ++i) {
    std::string code = std::to_string(100000 + i);
    rec.replace(1, code.size(), code);
    rec[40] = static_cast<char>('A' + i % 5);  // the city's letter
    data += rec;
  }
  Put("CUST.FD", data);
  ASSERT_EQ(DataFilePack(1, nullptr), 0);
  Put("in.csv", Rows(0, 10));
  for (int trip : {5, 0}) {
    SCOPED_TRACE(trip);
    Snapshot before = Files();
    ASSERT_LE(DataFileOpen(2, 0), 2);
    g_calls = 0;
    g_tripAt = trip;
    EXPECT_EQ(Run("in.csv", 0x135), trip ? st::DISKWRITERROR : 0) << ErrDetail().Str();
    RunJournalFigures f = RunJournalFiguresGet();
    EXPECT_LE(f.images, 10u);   // the cities' totals, once each
    EXPECT_EQ(f.files, 2u);
    EXPECT_LT(f.bytes, 4096u);  // against a data file of 7.6 MB
    DataFileCloseAll();
    if (trip) {
      EXPECT_TRUE(Files() == before);
    } else {
      EXPECT_EQ(Bytes("CUST.FD").size(), (kMany + 11) * size_t(kCustLen));
    }
    EXPECT_EQ(CustCheck(), "");
    EXPECT_FALSE(RunJournalLeft());
  }
}

}  // namespace

namespace {

int g_steps = 0;
bool g_bySignal = false;

// A cancel in the middle of the merge, from the progress window or by
// SIGTERM (taken up by the engine's next poll), undoes it; the statement
// then reports 0 as it does for 122.
TEST_F(TransJournalTest, CancelInTheMergeUndoesIt) {
  Customers({Cust("C01", "Old", "CityA", "1.00", "20230101")});
  Put("in.csv", Rows(0, 300));
  for (bool bySignal : {false, true}) {
    SCOPED_TRACE(bySignal ? "SIGTERM" : "progress window");
    ASSERT_LE(DataFileOpen(2, 0), 2);
    Snapshot before = Files();
    DataUi ui = DataUiGet();
    g_steps = 0;
    g_bySignal = bySignal;
    ui.progressStep = [](uint32_t, uint32_t, StrValue) {
      if (++g_steps != 450) return Status(0);
      if (!g_bySignal) return Status(st::USERCANCELED);
      std::raise(SIGTERM);
      return Status(0);
    };
    DataUiSet(ui);
    host::SignalsReset();
    if (bySignal) host::SignalsInstall();
    DataFileSetCurrent(1);
    uint16_t kinds[3] = {1, 0, 0};
    int16_t ints[3] = {0, 0x30, 1};
    StrValue strs[3] = {StrFromC("in.csv"), StrFromC("48"), StrFromC("1")};
    VarSysIntSet(kSysStat, 99);
    EXPECT_EQ(TransStatement(3, kinds, ints, strs, tmode::kImportStmt), 0);
    if (bySignal) {
      host::SignalsRestore();
      host::SignalsReset();
    }
    EXPECT_EQ(VarSysIntGet(kSysStat), 0);
    // 300 rows read, then the merge's 150th (the signal: up to the next poll)
    if (bySignal) {
      EXPECT_GT(g_steps, 450);
      EXPECT_LT(g_steps, 600);
    } else {
      EXPECT_EQ(g_steps, 450);
    }
    DataFileCloseAll();
    EXPECT_TRUE(Files() == before);
    EXPECT_FALSE(RunJournalLeft());
  }
}

}  // namespace
