// The rebuild of a data file from its records: what it keeps, what it
// drops, the index it writes, and that no failure ever loses a record.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "data/store/rebuild.h"
#include "pack_fixture.h"
#include "script/variables.h"

namespace {

std::vector<std::string> g_seen;  // "count:key" of each routine call
int g_stopAt = 0;                 // the routine answers 122 at this call

Status Routine(uint32_t total, uint32_t, StrValue key) {
  g_seen.push_back(std::to_string(total) + ":" + key.Str());
  return static_cast<int>(g_seen.size()) == g_stopAt ? st::USERCANCELED : 0;
}

class RebuildTest : public PackTest {
 protected:
  void SetUp() override {
    PackTest::SetUp();
    g_seen.clear();
    g_stopAt = 0;
  }
  // Five records: one deleted, two equal in key 1, two equal in key 2.
  const std::vector<std::string> kFive = {Rec("C02", "ZED"), Deleted(Rec("C01", "ANN")), Rec("C03", "BOB"),
                                          Rec("C02", "AMY"), Rec("C04", "ZED")};
  const std::vector<std::string> kLive = {Rec("C02", "ZED"), Rec("C03", "BOB"), Rec("C02", "AMY"),
                                          Rec("C04", "ZED")};
  // Key 1: C02 (0), C02 (2), C03, C04; key 2: AMY, BOB, ZED (0), ZED (3).
  const std::string kLiveIndex = Index(0, 4, {{0, 2, 1, 3}, {2, 1, 0, 3}});
};

// Deleted records are dropped, the others keep their order; equal keys keep
// it too; a stale lock marker and a garbage index are no obstacle, and
// nothing of the old files is left.
TEST_F(RebuildTest, KeepsLiveRecordsInOrderAndWritesTheirIndex) {
  Put("CUST.FD", Join(kFive));
  Put("CUST.DIR", "garbage that is no index");
  Put("CUST.lock", " ");
  EXPECT_EQ(DataFileOpen(1, 0), st::DISKIO);  // the store refuses the garbage
  ASSERT_EQ(DataFilePack(1, Routine), 0);
  EXPECT_EQ(Bytes("CUST.FD"), Join(kLive));
  EXPECT_EQ(Bytes("CUST.DIR"), kLiveIndex);
  EXPECT_FALSE(Exists("CUST.TMP"));
  EXPECT_FALSE(Exists("CUST.lock"));
  EXPECT_EQ(Check(), "");
  const std::vector<std::string> seen = {"5:C02   ", "5:\x1b" "01   ", "5:C03   ", "5:C02   ", "5:C04   "};
  EXPECT_EQ(g_seen, seen);
  EXPECT_FALSE(DataFileStore(1)->IsOpen());
  ASSERT_LE(DataFileOpen(1, 0), 2);
  EXPECT_EQ(DataFileStore(1)->File().Live(), 4u);
}

// The index of a rebuild is byte for byte the one that inserting the live
// records one by one gives, whatever the keys' repetitions.
TEST_F(RebuildTest, IndexEqualsOneInsertPerRecord) {
  std::mt19937 rng(7);
  auto pad = [](std::string s, size_t n) {
    s.resize(n, ' ');
    return s;
  };
  struct File {
    int n;
    std::string name;
    std::function<std::string()> make;
  } files[] = {
      {1, "CUST", [&] { return Rec("K" + std::to_string(rng() % 40), "N" + std::to_string(rng() % 9)); }},
      {3, "WIDE", [&] { return pad("A" + std::to_string(rng() % 30), 20) + pad("B" + std::to_string(rng() % 7), 20); }},
  };
  for (File& f : files) {
    SCOPED_TRACE(f.name);
    std::vector<std::string> all, live;
    for (int i = 0; i < 700; ++i) {
      std::string r = f.make();
      if (rng() % 5 == 0) r = Deleted(r);
      all.push_back(r);
      if (r[0] != 27) live.push_back(r);
    }
    ASSERT_LE(DataFileOpen(f.n, 0), 2);
    for (const std::string& r : live) {
      Status s = Insert(r, f.n);
      ASSERT_TRUE(s == 0 || s == 6) << s;
    }
    ASSERT_EQ(DataFileClose(f.n), 0);
    std::string byInserts = Bytes(f.name + ".DIR");
    ASSERT_EQ(Bytes(f.name + ".FD"), Join(live));

    Put(f.name + ".FD", Join(all));
    Put(f.name + ".DIR", "");
    g_seen.clear();
    ASSERT_EQ(DataFilePack(f.n, Routine), 0);
    EXPECT_EQ(g_seen.size(), all.size());  // one call per record, the string area never fills
    EXPECT_EQ(Bytes(f.name + ".FD"), Join(live));
    EXPECT_EQ(Bytes(f.name + ".DIR"), byInserts);
  }
  EXPECT_EQ(Check(), "");
}

// A rebuild that stops (the routine's cancel at the third record, or a
// write that fails) keeps the work copy and leaves a prefix of the live
// records; the next rebuild starts again from the work copy and finishes.
TEST_F(RebuildTest, AStoppedRebuildLosesNothingAndTheNextFinishes) {
  struct Row {
    const char* id;
    int stopAt;
    int writeFault;  // the nth write after the start fails
    Status code;
  } rows[] = {{"cancel at the third record", 3, 0, st::USERCANCELED},
              {"record write fails", 0, 2, st::DISKWRITERROR}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    Put("CUST.FD", Join(kFive));
    Put("CUST.DIR", "");
    g_seen.clear();
    g_stopAt = r.stopAt;
    if (r.writeFault) recio::FaultArm(recio::Fault::Write, r.writeFault);
    EXPECT_EQ(DataFilePack(1, Routine), r.code);
    recio::FaultReset();
    EXPECT_EQ(Bytes("CUST.TMP"), Join(kFive));
    std::string prefix = Bytes("CUST.FD");
    EXPECT_EQ(prefix, Join(kLive).substr(0, prefix.size()));
    g_stopAt = 0;
    ASSERT_EQ(DataFilePack(1, Routine), 0);
    EXPECT_EQ(Bytes("CUST.FD"), Join(kLive));
    EXPECT_EQ(Bytes("CUST.DIR"), kLiveIndex);
    EXPECT_FALSE(Exists("CUST.TMP"));
    EXPECT_EQ(Check(), "");
  }
}

// A work copy beside a data file that is not a prefix of it is not what a
// rebuild leaves: both stay exactly as they are and 165 names them.
TEST_F(RebuildTest, AForeignWorkCopyIsNeverOverwritten) {
  Put("CUST.TMP", Join(kFive));
  Put("CUST.FD", Rec("C09", "NEW"));
  Put("CUST.DIR", "");
  EXPECT_EQ(DataFilePack(1, Routine), st::FILEEXIST);
  EXPECT_EQ(Bytes("CUST.TMP"), Join(kFive));
  EXPECT_EQ(Bytes("CUST.FD"), Rec("C09", "NEW"));
  EXPECT_TRUE(g_seen.empty());
  // A data file that holds the first live records and part of the next is
  // what an interrupted rebuild leaves: it starts again.
  Put("CUST.FD", Join(kLive).substr(0, 16 + 5));
  ASSERT_EQ(DataFilePack(1, Routine), 0);
  EXPECT_EQ(Bytes("CUST.FD"), Join(kLive));
  // So is one whose writes a power cut lost or tore (zeros where their
  // bytes should be); a record differing in any other byte is not.
  struct Row {
    const char* id;
    size_t from, to;  // the bytes of the prefix replaced
    char by;
    Status code;
  } rows[] = {{"a lost write", 0, 16, '\0', 0},
              {"a torn write", 20, 35, '\0', 0},
              {"another record", 20, 21, 'X', st::FILEEXIST}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    std::string prefix = Join(kLive).substr(0, 40);
    std::fill(prefix.begin() + r.from, prefix.begin() + r.to, r.by);
    Put("CUST.TMP", Join(kFive));
    Put("CUST.FD", prefix);
    EXPECT_EQ(DataFilePack(1, Routine), r.code);
    EXPECT_EQ(Bytes("CUST.FD"), r.code ? prefix : Join(kLive));
    EXPECT_EQ(Exists("CUST.TMP"), r.code != 0);
  }
}

// A torn tail is dropped; an open file with an unsaved index is closed
// first; temporary mode is left for the rebuild and comes back after it.
TEST_F(RebuildTest, TornTailOpenFileAndTemporaryMode) {
  Put("CUST.FD", Join(kFive) + "C05   HAL");  // 9 bytes of a sixth record
  Put("CUST.DIR", "");
  ASSERT_EQ(DataFilePack(1, nullptr), 0);
  EXPECT_EQ(Bytes("CUST.FD"), Join(kLive));

  ASSERT_LE(DataFileOpen(1, 0), 2);
  ASSERT_EQ(Insert(Rec("C00", "ANN")), 0);  // only in the index in memory
  ASSERT_EQ(VarSysIntSet(kSysUpStat, 1 | 2), 0);
  ASSERT_EQ(DataFilePack(1, nullptr), 0);
  EXPECT_EQ(VarSysIntGet(kSysUpStat), 1 | 2);
  EXPECT_EQ(Bytes("CUST.FD"), Join(kLive) + Rec("C00", "ANN"));
  EXPECT_EQ(Check(), "");
}

// A file larger than the string area: the routine sees every key, and the
// area is as it was before.
TEST_F(RebuildTest, ManyRecordsLeaveTheStringAreaAsItWas) {
  std::string big;
  for (int i = 0; i < 60000; ++i) big += Rec("K" + std::to_string(i), "N");
  Put("CUST.FD", big);
  uint16_t mark = StrAreaMark(-1);
  ASSERT_EQ(DataFilePack(1, Routine), 0);
  EXPECT_EQ(StrAreaMark(-1), mark);
  ASSERT_EQ(g_seen.size(), 60000u);
  EXPECT_EQ(g_seen.back(), "60000:K59999");
}

// Recovery rebuilds every file, the missing ones made empty, and shows the
// completion box once.
TEST_F(RebuildTest, RecoverAllRebuildsEveryFile) {
  Put("CUST.FD", Join(kFive));
  Put("CUST.DIR", "stale");
  CatchBoxes();
  ASSERT_EQ(RunRecoverAll(), 0);
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(Bytes("CUST.DIR"), kLiveIndex);
  EXPECT_EQ(Bytes("NOTE.FD"), "");
  EXPECT_EQ(Bytes("NOTE.DIR"), "");
  EXPECT_EQ(DataFilePackRefused(0).Str(), " ");
}

// The Reorg verb: a table chosen over every file's name (message 0085)
// becomes the current file and is rebuilt; no choice is 122.
TEST_F(RebuildTest, ReorgRebuildsTheChosenTable) {
  static int choice = 0;
  static std::string offered;
  DataUi ui = DataUiGet();
  ui.choose = [](StrValue title, StrValue items, int, Status*) {
    offered = title.Str() + ": " + items.Str();
    return choice;
  };
  DataUiSet(ui);
  CatchBoxes();
  Put("CUST.FD", Join(kFive));
  Put("CUST.DIR", "garbage");
  choice = 0;
  EXPECT_EQ(ReorgCommand(S("")), st::USERCANCELED);
  EXPECT_EQ(offered, "Table Selection: CUST,NOTE,WIDE");
  EXPECT_EQ(Bytes("CUST.DIR"), "garbage");
  choice = 1;
  ASSERT_EQ(ReorgCommand(S("")), 0);
  EXPECT_EQ(VarSysIntGet(kSysCurFil), 1);
  EXPECT_EQ(Bytes("CUST.DIR"), kLiveIndex);
  EXPECT_EQ(shown, 0);
}

}  // namespace
