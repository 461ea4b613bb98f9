// The run status file: each stored digit and type, the recovery question
// with scripted answers, the check against other writers and the lock that
// keeps a second live run from recovering under the first.
#include <gtest/gtest.h>

#include <sys/file.h>
#include <fcntl.h>

#include <filesystem>
#include <fstream>

#include "data/store/lockmark.h"
#include "data/store/runstatus.h"
#include "pack_fixture.h"

namespace {

int g_asked = 0;
int g_answer = 0;

int Ask(StrValue text) {
  ++g_asked;
  EXPECT_NE(text.Str().find("uncorrectly closed"), std::string::npos);
  return g_answer;
}

class RunStatusTest : public PackTest {
 protected:
  void SetUp() override {
    PackTest::SetUp();
    g_asked = 0;
    DataUi ui;
    ui.ask = Ask;
    DataUiSet(ui);
    RunStatusReset();
  }
  void TearDown() override {
    RunStatusReset();
    PackTest::TearDown();
  }
  // A file whose index is stale: only a rebuild opens it again.
  void Unclean() {
    Put("CUST.FD", Rec("C01", "ANN") + Rec("C02", "BOB"));
    Put("CUST.DIR", "");
  }
};

TEST_F(RunStatusTest, StoredDigitAndTypeTable) {
  struct Row {
    const char* id;
    const char* stored;  // nullptr: no file
    int type;
    int answer;
    Status code;
    const char* after;
    int asked;
    bool rebuilt;
    bool marker = false;  // a lock marker left by a program that died
    bool work = false;    // the records only in a rebuild's work copy
  } rows[] = {
      {"first start", nullptr, 1, 0, 0, "1", 0, false},
      {"clean start", "0", 1, 0, 0, "1", 0, false},
      {"not a digit reads 0", "x9", 1, 0, 0, "19", 0, false},
      {"unclean start, no", "1", 1, 0, st::USERCANCELED, "1", 1, false},
      {"unclean start, yes", "1", 1, 1, 0, "1", 1, true},
      {"clean end", "1", 0, 0, 0, "0", 0, false},
      {"end of a run never opened", "0", 0, 0, st::NETACCESERROR, "0", 0, false},
      {"marker left, clean digit, yes", "0", 1, 1, 0, "1", 1, true, true},
      {"work copy left, clean digit, yes", "0", 1, 1, 0, "1", 1, true, false, true},
      {"work copy left, no status file, no", nullptr, 1, 0, st::USERCANCELED, "", 1, false, false, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    RunStatusReset();
    Unclean();
    std::filesystem::remove(Path("ZZFSTAT.DAT"));
    if (r.stored) Put("ZZFSTAT.DAT", r.stored);
    std::string marker = LockMarker::PathFor("CUST");
    if (r.marker) std::ofstream(marker) << " ";
    std::filesystem::remove(Path("CUST.TMP"));
    if (r.work) std::filesystem::rename(Path("CUST.FD"), Path("CUST.TMP"));
    g_asked = 0;
    g_answer = r.answer;
    EXPECT_EQ(RunStatusFile(r.type), r.code);
    EXPECT_EQ(Bytes("ZZFSTAT.DAT"), r.after);
    EXPECT_EQ(g_asked, r.asked);
    EXPECT_EQ(Bytes("CUST.DIR"), r.rebuilt ? Index(0, 2, {{0, 1}, {0, 1}}) : "");
    EXPECT_EQ(std::filesystem::exists(Path("CUST.TMP")), r.work && !r.rebuilt);
    if (!r.work || r.rebuilt) {
      EXPECT_EQ(DataFileOpen(1, 0), r.rebuilt ? 0 : st::DISKIO);
    }
    EXPECT_FALSE(std::filesystem::exists(marker));
    DataFileCloseAll();
  }
}

// The check before each command: 0 while only this program wrote the file,
// 139 once anyone else did, until this program writes it again.
TEST_F(RunStatusTest, CheckNoticesAnotherWriter) {
  EXPECT_EQ(RunStatusFile(2), st::NETACCESERROR);  // never written by this run
  ASSERT_EQ(RunStatusFile(1), 0);
  EXPECT_EQ(RunStatusFile(2), 0);
  EXPECT_EQ(RunStatusFile(2), 0);
  // Another program writes the file a moment later (write times are kept
  // in coarse clock ticks, so the moment is set rather than waited for).
  auto before = std::filesystem::last_write_time(Path("ZZFSTAT.DAT"));
  Put("ZZFSTAT.DAT", "1");
  std::filesystem::last_write_time(Path("ZZFSTAT.DAT"), before + std::chrono::seconds(1));
  EXPECT_EQ(RunStatusFile(2), st::NETACCESERROR);
  ASSERT_EQ(RunStatusWrite(RunStatusName(), 1), 0);
  EXPECT_EQ(RunStatusFile(2), 0);
}

// While another live run holds the file, a start neither asks nor rebuilds:
// 139 "in use". Once that run has gone, the start recovers.
TEST_F(RunStatusTest, ASecondLiveRunIsRefused) {
  Unclean();
  Put("ZZFSTAT.DAT", "1");
  int other = open(Path("ZZFSTAT.DAT").c_str(), O_RDWR);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  g_answer = 1;
  EXPECT_EQ(RunStatusFile(1), st::NETACCESERROR);
  EXPECT_NE(ErrText(-1).Str().find("in use"), std::string::npos) << ErrText(-1).Str();
  EXPECT_EQ(g_asked, 0);
  EXPECT_EQ(Bytes("CUST.DIR"), "");
  close(other);
  ErrClear();
  EXPECT_EQ(RunStatusFile(1), 0);
  EXPECT_EQ(g_asked, 1);
  EXPECT_EQ(Check(), "");
  // This run now holds the file: another open of it cannot take the lock.
  other = open(Path("ZZFSTAT.DAT").c_str(), O_RDWR);
  EXPECT_NE(flock(other, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(RunStatusClose(), 0);
  EXPECT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  close(other);
}

// A recovery that fails (or is cut short) has already marked the run open,
// whatever made the start recover: the next start asks and recovers again,
// though the marker that showed the unclean end went with the first try.
TEST_F(RunStatusTest, ARecoveryCutShortIsMadeAgain) {
  Unclean();
  Put("ZZFSTAT.DAT", "0");
  std::ofstream(LockMarker::PathFor("CUST")) << " ";
  g_answer = 1;
  recio::FaultArm(recio::Fault::Rename, 1);  // the data file to its work copy
  EXPECT_NE(RunStatusFile(1), 0);
  recio::FaultReset();
  EXPECT_EQ(g_asked, 1);
  EXPECT_EQ(Bytes("ZZFSTAT.DAT"), "1");
  EXPECT_FALSE(std::filesystem::exists(LockMarker::PathFor("CUST")));
  RunStatusReset();
  EXPECT_EQ(RunStatusFile(1), 0);
  EXPECT_EQ(g_asked, 2);
  EXPECT_EQ(Bytes("CUST.FD"), Rec("C01", "ANN") + Rec("C02", "BOB"));
  EXPECT_FALSE(std::filesystem::exists(Path("CUST.TMP")));
  EXPECT_EQ(Check(), "");
}

// Nothing to ask with: the recovery is not assumed.
TEST_F(RunStatusTest, NoQuestionNoRecovery) {
  DataUiSet(DataUi());
  Unclean();
  Put("ZZFSTAT.DAT", "1");
  EXPECT_EQ(RunStatusFile(1), st::FEATUREREMOVED);
  EXPECT_EQ(Bytes("CUST.DIR"), "");
}

}  // namespace

namespace {

// A file that does not fit its index at open, or whose index cannot be
// saved, keeps the run open: the end leaves 1, the next start asks and
// rebuilds. A missing index is not replaced by an empty one.
TEST_F(RunStatusTest, FilesThatDoNotFitOrAreNotSavedKeepTheRunOpen) {
  enum Spoil { kNone, kRemove, kCut };
  struct Case {
    const char* id;
    Spoil spoil;   // the index, after the start
    bool atClose;  // the close fails, not the open
  } cases[] = {
      {"index missing at open", kRemove, false},
      {"index cut short at open", kCut, false},
      {"index save fails at close", kNone, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    RunStatusReset();
    Unclean();
    ASSERT_EQ(DataFileOpen(1, dfopen::kExclusive), st::DISKIO);  // stale: rebuilt below
    RunStatusReset();
    Put("ZZFSTAT.DAT", "1");
    g_answer = 1;
    ASSERT_EQ(RunStatusFile(1), 0);  // rebuilt
    ASSERT_EQ(RunStatusClose(), 0);
    ASSERT_EQ(Bytes("ZZFSTAT.DAT"), "0");
    RunStatusReset();
    ASSERT_EQ(RunStatusFile(1), 0);
    if (c.spoil == kRemove) std::filesystem::remove(Path("CUST.DIR"));
    if (c.spoil == kCut) Put("CUST.DIR", Bytes("CUST.DIR").substr(0, 12));
    if (c.atClose) {
      ASSERT_EQ(DataFileOpen(1, dfopen::kExclusive), 0);
      ASSERT_EQ(Insert(Rec("C03", "CAT")), 0);
      // A directory where the index goes: the new index cannot replace it.
      std::filesystem::remove(Path("CUST.DIR"));
      std::filesystem::create_directories(Path("CUST.DIR/x"));
      EXPECT_EQ(DataFileClose(1), st::DISKIO);
      EXPECT_NE(ErrDetail().Str().find("rebuilt at the next start"), std::string::npos) << ErrDetail().Str();
      std::filesystem::remove_all(Path("CUST.DIR"));
    } else {
      EXPECT_EQ(DataFileOpen(1, 0), st::DISKIO);
      EXPECT_NE(ErrDetail().Str().find("rebuilt at the next start"), std::string::npos) << ErrDetail().Str();
      EXPECT_EQ(std::filesystem::exists(Path("CUST.DIR")) && Bytes("CUST.DIR").empty(), false)
          << "an empty index was left behind";
    }
    DataFileCloseAll();
    EXPECT_EQ(RunStatusClose(), 0);
    EXPECT_EQ(Bytes("ZZFSTAT.DAT"), "1");
    // The next start asks and rebuilds: the file opens, every record there.
    RunStatusReset();
    g_asked = 0;
    EXPECT_EQ(RunStatusFile(1), 0);
    EXPECT_EQ(g_asked, 1);
    EXPECT_EQ(DataFileOpen(1, 0), 0);
    EXPECT_EQ(DataFileReadKey(1, 1, S("C02"), 0), 0);
    if (c.atClose) {
      EXPECT_EQ(DataFileReadKey(1, 1, S("C03"), 0), 0);
    }
    DataFileCloseAll();
    EXPECT_EQ(RunStatusClose(), 0);
    EXPECT_EQ(Bytes("ZZFSTAT.DAT"), "0");
  }
}

}  // namespace
