// The run journal: a run's writes to data files, their indexes and named
// text files are committed together or undone together, in the process
// (an error or a cancel) or at the next start (a killed run), and a nested
// run joins the outer one.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "data/store/journal.h"
#include "data/store/rebuild.h"
#include "data/store/recio.h"
#include "data/store/runstatus.h"
#include "pack_fixture.h"
#include "platform/host/files.h"
#include "runtime/streams.h"

namespace {

class JournalTest : public PackTest {
 protected:
  void SetUp() override {
    PackTest::SetUp();
    // Five customers, one deleted in the middle: a free record to reuse.
    ASSERT_EQ(DataFileOpen(1, dfopen::kExclusive), 2);
    for (const char* c : {"C01", "C02", "C03", "C04", "C05"}) ASSERT_EQ(Insert(Rec(c, std::string("N") + c)), 0);
    ASSERT_EQ(Read("C03"), 0);
    ASSERT_EQ(DataFileDelete(1, 0), 0);
    ASSERT_EQ(DataFileClose(1), 0);
    before = Files();
  }
  void TearDown() override {
    while (RunJournalActive()) RunJournalEnd(st::USERCANCELED);
    PackTest::TearDown();
  }

  struct Snapshot {
    std::string data, index, note;
    bool operator==(const Snapshot&) const = default;
  };
  Snapshot Files() { return Snapshot{Bytes("CUST.FD"), Bytes("CUST.DIR"), Bytes("note.txt")}; }

  Status Read(const std::string& code) { return DataFileReadKey(1, 1, S(code), 0); }
  Status Update(const std::string& code, const std::string& name) {
    if (Status s = Read(code)) return s;
    RecBufSet(1, kRecCurrent, S(Rec(code, name)));
    return DataFileUpdate(1);
  }
  // Every kind of change: inserts (one into the free record, others at the
  // end), an update that moves key 2, a delete, a text file.
  Status Work() {
    if (Status s = DataFileOpen(1, dfopen::kExclusive); s > 2) return s;
    for (const char* c : {"C06", "C07", "C08"})
      if (Status s = Insert(Rec(c, "NEW"))) return s;
    if (Status s = Update("C01", "ZZZ")) return s;
    if (Status s = Update("C01", "YYY")) return s;  // its image is kept once
    if (Status s = Read("C02")) return s;
    if (Status s = DataFileDelete(1, 0)) return s;
    if (Status s = RunJournalText(S("note.txt"))) return s;
    return FileWrite(S("note.txt"), 0, S("changed"));
  }
  // What a start would have to recover, or a second name left behind. The
  // journal file of runs that all committed stays for the next run until
  // every data file is closed.
  bool LeftOver() { return RunJournalLeft() || Exists("CUST.DIR.jr1") || Exists("CUST.FD.jr1"); }

  Snapshot before;
};

TEST_F(JournalTest, ErrorOrCancelUndoesEveryChange) {
  Put("note.txt", "old");
  before = Files();
  // Ended with an error while the file is open, and after it was closed
  // (its new index saved meanwhile).
  for (bool closeFirst : {false, true}) {
    SCOPED_TRACE(closeFirst ? "closed" : "open");
    ASSERT_EQ(RunJournalBegin(), 0);
    ASSERT_EQ(Work(), 0);
    if (closeFirst) {
      ASSERT_EQ(DataFileClose(1), 0);
    }
    EXPECT_EQ(RunJournalFiguresGet().images, 3u);  // the free record, C01, C02
    EXPECT_EQ(RunJournalEnd(st::USERCANCELED), st::USERCANCELED);
    EXPECT_FALSE(RunJournalActive());
    DataFileCloseAll();
    EXPECT_TRUE(Files() == before);
    EXPECT_EQ(Check(), "");
    EXPECT_FALSE(LeftOver());
  }
}

TEST_F(JournalTest, CommitKeepsTheRunAndLeavesNothingBehind) {
  ASSERT_EQ(RunJournalBegin(), 0);
  ASSERT_EQ(Work(), 0);
  EXPECT_EQ(RunJournalEnd(0), 0);
  EXPECT_FALSE(LeftOver());
  EXPECT_TRUE(Exists("ZZJOURNAL.DAT"));  // kept for the next run
  // The index was saved by the commit while the file stayed open.
  EXPECT_EQ(Check(), "");
  EXPECT_EQ(Read("C01"), 0);
  EXPECT_EQ(RecBuf(1, kRecCurrent).Str(), Rec("C01", "YYY"));
  EXPECT_EQ(Read("C02"), 1);
  EXPECT_EQ(Bytes("note.txt"), "changed");
  DataFileCloseAll();
  EXPECT_FALSE(Exists("ZZJOURNAL.DAT"));
}

TEST_F(JournalTest, NestedRunsJoinTheOuterOne) {
  ASSERT_EQ(RunJournalBegin(), 0);
  ASSERT_EQ(DataFileOpen(1, dfopen::kExclusive), 0);
  ASSERT_EQ(Insert(Rec("C10", "OUTER")), 0);
  ASSERT_EQ(RunJournalBegin(), 0);
  ASSERT_EQ(Update("C01", "INNER"), 0);
  EXPECT_EQ(RunJournalEnd(st::DATAOUTBOUND), st::DATAOUTBOUND);  // an inner failure nobody minds
  EXPECT_TRUE(RunJournalActive());
  EXPECT_EQ(RunJournalEnd(0), st::DATAOUTBOUND);  // the whole run goes
  DataFileCloseAll();
  EXPECT_TRUE(Files() == before);
  EXPECT_FALSE(LeftOver());
  // A run that nothing wrote leaves no journal at all.
  ASSERT_EQ(RunJournalBegin(), 0);
  EXPECT_EQ(RunJournalEnd(0), 0);
  EXPECT_EQ(RunJournalFiguresGet().bytes, 0u);
}

TEST_F(JournalTest, SetAsideFilesComeBackOrGo) {
  ASSERT_EQ(RunJournalBegin(), 0);
  ASSERT_EQ(RunJournalSetAside(Path("CUST.FD")), 0);
  ASSERT_EQ(RunJournalSetAside(Path("CUST.DIR")), 0);
  EXPECT_FALSE(Exists("CUST.FD"));
  ASSERT_EQ(DataFileOpen(1, dfopen::kExclusive), 2);  // a new, empty pair
  ASSERT_EQ(Insert(Rec("N01", "FRESH")), 0);
  ASSERT_EQ(DataFileClose(1), 0);
  EXPECT_EQ(RunJournalEnd(st::BADINPUTDATA), st::BADINPUTDATA);
  EXPECT_TRUE(Files() == before);
  EXPECT_FALSE(LeftOver());

  ASSERT_EQ(RunJournalBegin(), 0);
  ASSERT_EQ(RunJournalSetAside(Path("CUST.FD")), 0);
  ASSERT_EQ(RunJournalSetAside(Path("CUST.DIR")), 0);
  ASSERT_EQ(DataFileOpen(1, dfopen::kExclusive), 2);
  ASSERT_EQ(Insert(Rec("N01", "FRESH")), 0);
  EXPECT_EQ(RunJournalEnd(0), 0);
  DataFileCloseAll();
  EXPECT_EQ(Bytes("CUST.FD"), Rec("N01", "FRESH"));
  EXPECT_EQ(Check(), "");
  EXPECT_FALSE(LeftOver());
}

// A run killed before its end: the next start plays the journal back (and
// finishes a committed one); a journal left behind refuses a new run.
TEST_F(JournalTest, KilledRunIsPlayedBackAtTheNextStart) {
  Put("note.txt", "old");
  before = Files();
  for (bool commit : {false, true}) {
    SCOPED_TRACE(commit ? "committed" : "cut short");
    pid_t pid = fork();
    if (pid == 0) {
      bool ok = RunJournalBegin() == 0 && Work() == 0;
      if (commit) {
      ok = ok && RunJournalEnd(0) == 0;
    }
      _exit(ok ? 0 : 1);  // nothing closed, nothing ended: as if killed
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    DataFileCtrlInit(1);         // the child's open file is not ours
    std::remove(Path("CUST.lock").c_str());  // nor its lock marker
    if (!commit) {
      EXPECT_TRUE(RunJournalLeft());
      EXPECT_EQ(RunJournalBegin(), st::FILEEXIST);
      EXPECT_EQ(RunJournalRecover(), 0);
      EXPECT_EQ(Bytes("CUST.FD"), before.data);
      EXPECT_EQ(Bytes("note.txt"), "old");
      EXPECT_EQ(Check(), "");
    } else {
      EXPECT_FALSE(RunJournalLeft());
      EXPECT_EQ(RunJournalBegin(), 0);  // finished runs refuse nothing
      EXPECT_EQ(RunJournalEnd(0), 0);
      EXPECT_EQ(RunJournalRecover(), 0);
      EXPECT_EQ(Bytes("note.txt"), "changed");
      EXPECT_EQ(Check(), "");
    }
    EXPECT_FALSE(LeftOver());
    EXPECT_FALSE(Exists("ZZJOURNAL.DAT"));
  }
}

// A playback cut short goes on where it stopped: a step counted as undone
// in the header is not done again.
TEST_F(JournalTest, PlaybackCutShortGoesOn) {
  pid_t pid = fork();
  if (pid == 0) {
    bool ok = RunJournalBegin() == 0 && RunJournalSetAside(Path("CUST.FD")) == 0 &&
              RunJournalSetAside(Path("CUST.DIR")) == 0 && DataFileOpen(1, dfopen::kExclusive) == 2 &&
              Insert(Rec("N01", "FRESH")) == 0;
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  DataFileCtrlInit(1);
  // As a first playback leaves it after its first step (the last entry, the
  // index set aside, undone and counted), with a stranger in the index's
  // second name.
  ASSERT_EQ(std::rename(Path("CUST.DIR.jr1").c_str(), Path("CUST.DIR").c_str()), 0);
  Put("CUST.DIR.jr1", "a stranger");
  std::string journal = Bytes("ZZJOURNAL.DAT");
  journal[8] = 1;
  Put("ZZJOURNAL.DAT", journal);
  EXPECT_EQ(RunJournalRecover(), 0);
  EXPECT_TRUE(Files() == before);
  EXPECT_EQ(Bytes("CUST.DIR.jr1"), "a stranger");
  EXPECT_FALSE(RunJournalLeft());
}

// A run killed between keeping the old index under its second name (a
// link) and replacing it leaves two names of one file: the playback keeps
// the index and drops the second name.
TEST_F(JournalTest, KilledBetweenLinkAndReplace) {
  pid_t pid = fork();
  if (pid == 0) _exit(RunJournalBegin() == 0 && Work() == 0 && DataFileClose(1) == 0 ? 0 : 1);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  DataFileCtrlInit(1);
  std::remove(Path("CUST.lock").c_str());
  // The replace undone: the index is the old one again, under both names.
  ASSERT_TRUE(Exists("CUST.DIR.jr1"));
  ASSERT_EQ(std::remove(Path("CUST.DIR").c_str()), 0);
  ASSERT_EQ(link(Path("CUST.DIR.jr1").c_str(), Path("CUST.DIR").c_str()), 0);
  EXPECT_EQ(RunJournalRecover(), 0);
  EXPECT_TRUE(Files() == before);
  EXPECT_FALSE(LeftOver());
  EXPECT_EQ(Check(), "");
}

// The run status start asks the recovery question for a journal left
// behind even when the run was marked closed, and its Yes plays it back.
TEST_F(JournalTest, JournalLeftBehindMakesTheStartAsk) {
  pid_t pid = fork();
  if (pid == 0) _exit(RunJournalBegin() == 0 && Work() == 0 ? 0 : 1);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  DataFileCtrlInit(1);
  Put("ZZFSTAT.DAT", "0");
  static int asked = 0;
  DataUi ui = DataUiGet();
  ui.ask = [](StrValue) {
    ++asked;
    return 1;
  };
  DataUiSet(ui);
  RunStatusReset();
  EXPECT_EQ(RunStatusFile(1), 0);
  RunStatusReset();
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(LeftOver());
  EXPECT_EQ(Check(), "");
  EXPECT_EQ(DataFileOpen(1, 0), 0);
  EXPECT_NE(Read("C06"), 0);
  EXPECT_EQ(Read("C02"), 0);
}

}  // namespace

namespace {

// A record run leaves a dirty index unsaved at its start and at its commit;
// undone, it rebuilds that index from the records, for a file still open
// and for one closed during the run.
TEST_F(JournalTest, RecordRunsRebuildAnIndexTheyDidNotSave) {
  for (bool closeFirst : {false, true}) {
    SCOPED_TRACE(closeFirst ? "closed" : "open");
    ASSERT_EQ(DataFileOpen(1, dfopen::kExclusive), 0);
    ASSERT_EQ(Insert(Rec("C09", "DIRTY")), 0);  // in memory only
    std::string index = Bytes("CUST.DIR");
    ASSERT_EQ(RunJournalBegin(RunKind::kRecords), 0);
    ASSERT_EQ(Work(), 0);
    EXPECT_EQ(Bytes("CUST.DIR"), index);  // not saved at the run's first write
    if (closeFirst) {
      ASSERT_EQ(DataFileClose(1), 0);
    }
    EXPECT_EQ(RunJournalEnd(st::USERCANCELED), st::USERCANCELED);
    EXPECT_FALSE(LeftOver());
    if (!closeFirst) {
      // The open file finds the records it had before the run.
      EXPECT_EQ(Read("C09"), 0);
      EXPECT_EQ(Read("C06"), 1);
      EXPECT_EQ(Read("C01"), 0);
      EXPECT_EQ(RecBuf(1, kRecCurrent).Str(), Rec("C01", "NC01"));
    }
    DataFileCloseAll();
    EXPECT_EQ(Check(), "");
    ASSERT_EQ(DataFileOpen(1, dfopen::kExclusive), 0);
    EXPECT_EQ(Read("C09"), 0);
    EXPECT_EQ(Read("C02"), 0);
    EXPECT_EQ(Read("C06"), 1);
    ASSERT_EQ(Read("C09"), 0);
    ASSERT_EQ(DataFileDelete(1, 0), 0);
    DataFileCloseAll();
  }
  // Committed, its files stay as written and are saved at their close.
  ASSERT_EQ(RunJournalBegin(RunKind::kRecords), 0);
  ASSERT_EQ(Work(), 0);
  EXPECT_EQ(RunJournalEnd(0), 0);
  EXPECT_FALSE(LeftOver());
  DataFileCloseAll();
  EXPECT_EQ(Check(), "");
  ASSERT_EQ(DataFileOpen(1, 0), 0);
  EXPECT_EQ(Read("C06"), 0);
  EXPECT_EQ(Read("C02"), 1);
}

// Runs follow one another in the journal kept between them: a run killed
// after others committed is undone alone at the next start, and a run
// rolled back in the process undoes only its own changes.
TEST_F(JournalTest, OnlyTheRunThatDidNotEndIsUndone) {
  auto update = [&](const char* code, const char* name) {
    RunJournalScope run(RunKind::kRecords);
    return run.Begun() == 0 && Update(code, name) == 0 && run.End(0) == 0;
  };
  pid_t pid = fork();
  if (pid == 0) {
    bool ok = DataFileOpen(1, dfopen::kExclusive) == 0 && update("C01", "ONE") && update("C02", "TWO") &&
              RunJournalBegin(RunKind::kRecords) == 0 && Update("C04", "THREE") == 0 && Update("C01", "ONE AGAIN") == 0 &&
              Insert(Rec("C06", "SIX")) == 0;
    _exit(ok ? 0 : 1);  // killed in the third run
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  DataFileCtrlInit(1);
  EXPECT_TRUE(RunJournalLeft());
  static int asked = 0;
  DataUi ui = DataUiGet();
  ui.ask = [](StrValue) {
    ++asked;
    return 1;
  };
  DataUiSet(ui);
  RunStatusReset();
  EXPECT_EQ(RunStatusFile(1), 0);  // plays the journal back and rebuilds
  RunStatusReset();
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(LeftOver());
  EXPECT_FALSE(Exists("ZZJOURNAL.DAT"));
  EXPECT_EQ(Check(), "");
  ASSERT_EQ(DataFileOpen(1, dfopen::kExclusive), 0);
  auto name = [&](const char* code) {
    return Read(code) == 0 ? RecBuf(1, kRecCurrent).Str().substr(6) : std::string("missing");
  };
  EXPECT_EQ(name("C01"), "ONE       ");
  EXPECT_EQ(name("C02"), "TWO       ");
  EXPECT_EQ(name("C04"), "NC04      ");
  EXPECT_EQ(name("C06"), "missing");
  // In the process: two runs commit, the third is cancelled.
  ASSERT_TRUE(update("C04", "FOUR"));
  ASSERT_TRUE(update("C05", "FIVE"));
  ASSERT_EQ(RunJournalBegin(RunKind::kRecords), 0);
  ASSERT_EQ(Update("C04", "GONE"), 0);
  ASSERT_EQ(Update("C02", "GONE"), 0);
  EXPECT_EQ(RunJournalEnd(st::USERCANCELED), st::USERCANCELED);
  EXPECT_EQ(name("C04"), "FOUR      ");
  EXPECT_EQ(name("C05"), "FIVE      ");
  EXPECT_EQ(name("C02"), "TWO       ");
  EXPECT_FALSE(LeftOver());
  DataFileCloseAll();
  EXPECT_EQ(Check(), "");
}

// A journal kept until mostly full starts again under a new generation:
// a run killed after that is undone alone, and what the runs before left
// further on in the file is not taken for its entries.
TEST_F(JournalTest, AJournalStartedAgainUndoesOnlyItsNewRun) {
  const std::string big(300 * 1024, 'x');
  Put("note.txt", big);
  pid_t pid = fork();
  if (pid == 0) {
    bool ok = DataFileOpen(1, dfopen::kExclusive) == 0;
    for (int i = 0; i < 3 && ok; ++i) {
      RunJournalScope run(RunKind::kRecords);
      ok = run.Begun() == 0 && RunJournalText(S("note.txt")) == 0 && Update("C01", std::to_string(i)) == 0;
      Put("note.txt", std::string(big.size(), static_cast<char>('a' + i)));
      ok = ok && run.End(0) == 0;
    }
    // The same entries as the first run's, so that they end right where
    // the first run's commit entry lies in the file.
    ok = ok && RunJournalBegin(RunKind::kRecords) == 0 && RunJournalText(S("note.txt")) == 0 &&
         Update("C01", "LAST") == 0;
    Put("note.txt", "last");
    _exit(ok ? 0 : 1);  // killed in the fourth run
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  DataFileCtrlInit(1);
  std::remove(Path("CUST.lock").c_str());
  const std::string journal = Bytes("ZZJOURNAL.DAT");
  ASSERT_GE(journal.size(), 16u);
  EXPECT_EQ(journal[12], 2);  // the second generation
  EXPECT_TRUE(RunJournalLeft());
  EXPECT_EQ(RunJournalRecover(), 0);
  EXPECT_EQ(Bytes("note.txt"), std::string(big.size(), 'c'));
  EXPECT_FALSE(LeftOver());
  ASSERT_EQ(DataFilePack(1, nullptr), 0);  // as the start rebuilds after a playback
  ASSERT_EQ(DataFileOpen(1, 0), 0);
  ASSERT_EQ(Read("C01"), 0);
  EXPECT_EQ(RecBuf(1, kRecCurrent).Str(), Rec("C01", "2"));
}

// A commit that fails at any of its writes or syncs (the commit entry's
// own among them) answers the error and leaves every file as before the
// run; the first commit that gets through keeps the run.
TEST_F(JournalTest, ACommitThatFailsUndoesTheRun) {
  Put("note.txt", "old");
  before = Files();
  for (RunKind kind : {RunKind::kBulk, RunKind::kRecords})
    for (recio::Fault fault : {recio::Fault::Write, recio::Fault::Sync}) {
      int nth = 1;
      for (; nth < 50; ++nth) {
        SCOPED_TRACE(std::string(kind == RunKind::kBulk ? "bulk" : "records") +
                     (fault == recio::Fault::Write ? " write " : " sync ") + std::to_string(nth));
        ASSERT_EQ(RunJournalBegin(kind), 0);
        ASSERT_EQ(Work(), 0);
        recio::FaultArm(fault, nth);
        Status s = RunJournalEnd(0);
        recio::FaultReset();
        DataFileCloseAll();
        if (s == 0) break;
        EXPECT_GE(s, 128);
        EXPECT_EQ(Bytes("CUST.FD"), before.data);
        EXPECT_EQ(Bytes("note.txt"), "old");
        EXPECT_FALSE(LeftOver());
        EXPECT_EQ(Check(), "");
      }
      EXPECT_GT(nth, 1);
      EXPECT_LT(nth, 50);
      // Through: the run kept; back to the start for the next case.
      EXPECT_EQ(Bytes("note.txt"), "changed");
      Put("CUST.FD", before.data);
      Put("CUST.DIR", before.index);
      Put("note.txt", "old");
    }
}

// A rollback that cannot put a file back answers its own error and leaves
// the journal: the run stays open and the next start's recovery finishes
// the undo.
TEST_F(JournalTest, ARollbackThatFailsIsAnsweredAndLeavesTheJournal) {
  ASSERT_EQ(RunJournalBegin(RunKind::kRecords), 0);
  ASSERT_EQ(Work(), 0);
  // Where the data file was, a directory: the undo cannot open it.
  std::filesystem::rename(Path("CUST.FD"), Path("CUST.FD.away"));
  std::filesystem::create_directories(Path("CUST.FD/x"));
  Status s = RunJournalEnd(st::USERCANCELED);
  EXPECT_GE(s, 128);
  EXPECT_NE(s, st::USERCANCELED);
  EXPECT_FALSE(RunJournalActive());
  EXPECT_TRUE(RunJournalLeft());
  EXPECT_EQ(RunJournalBegin(), st::FILEEXIST);  // nothing more until it is recovered
  DataFileCloseAll();
  std::filesystem::remove_all(Path("CUST.FD"));
  std::filesystem::rename(Path("CUST.FD.away"), Path("CUST.FD"));
  EXPECT_EQ(RunJournalRecover(), 0);
  EXPECT_FALSE(RunJournalLeft());
  EXPECT_EQ(Bytes("CUST.FD"), before.data);
}

}  // namespace

// The power goes at the operations of a run and its commit in turn, the
// files left as a disk may hold them (unsynced writes kept, dropped or
// torn, unsynced names kept or undone): after the next start's playback
// the records and the text are as before the run or as after it, and as
// after once the commit had returned.
TEST_F(JournalTest, APowerCutAnywhereLeavesTheRunWholeOrNotAtAll) {
  Put("note.txt", "old");
  const Snapshot start = Files();
  auto live = [&] {
    std::vector<std::string> out;
    std::string data = Bytes("CUST.FD");
    for (size_t at = 0; at + 16 <= data.size(); at += 16)
      if (data[at] != 27) out.push_back(data.substr(at, 16));
    std::sort(out.begin(), out.end());
    out.push_back(Bytes("note.txt"));
    return out;
  };
  auto restore = [&] {
    namespace fs = std::filesystem;
    for (const auto& e : fs::directory_iterator(Path(".")))
      if (e.path().filename().string().find(".jr") != std::string::npos) fs::remove(e.path());
    std::remove(Path("ZZJOURNAL.DAT").c_str());
    std::remove(Path("CUST.lock").c_str());
    Put("CUST.FD", start.data);
    Put("CUST.DIR", start.index);
    Put("note.txt", start.note);
    DataFileCtrlInit(1);
  };
  // The child runs the work, the power going before its cut-th operation
  // (none when 0); "cut.txt" gets the runs it had committed by then and the
  // operations it made.
  struct Ended {
    int code = -1;
    uint64_t commits = 0, ops = 0;
  };
  static std::string g_cutFile;
  g_cutFile = Path("cut.txt");
  auto child = [&](RunKind kind, uint64_t cut) {
    pid_t pid = fork();
    if (pid == 0) {
      auto tell = [](const host::PowerCutFigures& f) {
        std::ofstream(g_cutFile) << RunJournalCommits() << " " << f.operations;
      };
      host::PowerRecord(cut);
      host::PowerCutAt(cut, tell);
      // The program's end (every file closed) follows, as after any run.
      bool ok = RunJournalBegin(kind) == 0 && Work() == 0 && RunJournalEnd(0) == 0 && DataFileCloseAll() == 0;
      tell(host::PowerCutFigures{host::PowerOperations()});
      _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    Ended e{WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    std::ifstream(g_cutFile) >> e.commits >> e.ops;
    return e;
  };
  const std::vector<std::string> before = live();
  for (RunKind kind : {RunKind::kBulk, RunKind::kRecords}) {
    SCOPED_TRACE(kind == RunKind::kBulk ? "bulk" : "records");
    restore();
    Ended whole = child(kind, 0);
    ASSERT_EQ(whole.code, 0);
    const uint64_t base = RunJournalCommits();  // runs of the tests before, in this process
    ASSERT_EQ(whole.commits, base + 1);
    const std::vector<std::string> after = live();
    ASSERT_NE(after, before);
    int sawBefore = 0, sawAfter = 0;
    // Every other operation (the two runs share most of theirs, each takes
    // the other half): a cut costs a process.
    for (uint64_t cut = kind == RunKind::kBulk ? 1 : 2; cut <= whole.ops && !HasFailure(); cut += 2) {
      restore();
      Ended e = child(kind, cut);
      ASSERT_EQ(e.code, host::kPowerCutExit) << "cut " << cut;
      ASSERT_EQ(RunJournalRecover(), 0) << "cut " << cut;
      std::vector<std::string> now = live();
      EXPECT_TRUE(now == before || now == after) << "cut " << cut << " of " << whole.ops;
      EXPECT_TRUE(e.commits == base || now == after) << "cut " << cut << ": a committed run was lost";
      sawBefore += now == before, sawAfter += now == after;
    }
    EXPECT_GT(sawBefore, 0);
    EXPECT_GT(sawAfter, 0);
    std::printf("%s run: %llu operations, %d cuts found it before, %d after\n",
                kind == RunKind::kBulk ? "bulk" : "record", static_cast<unsigned long long>(whole.ops), sawBefore,
                sawAfter);
  }
}

// A record run changing many neighbouring records (the lines of a document)
// syncs its journal once per block of images, not once per record.
TEST_F(JournalTest, ManyNeighbouringRecordsCostAFewSyncs) {
  ASSERT_EQ(DataFileOpen(1, dfopen::kExclusive), 0);
  for (int i = 100; i < 190; ++i) ASSERT_EQ(Insert(Rec("D" + std::to_string(i), "OLD")), 0);
  ASSERT_EQ(DataFileClose(1), 0);
  ASSERT_EQ(RunJournalBegin(RunKind::kRecords), 0);
  ASSERT_EQ(DataFileOpen(1, dfopen::kExclusive), 0);
  for (int i = 100; i < 190; ++i) ASSERT_EQ(Update("D" + std::to_string(i), "NEW"), 0);
  RunJournalFigures during = RunJournalFiguresGet();
  ASSERT_EQ(RunJournalEnd(0), 0);
  RunJournalFigures f = RunJournalFiguresGet();
  EXPECT_EQ(f.images, 90u);
  EXPECT_LE(during.syncs, 4u);  // the folder, the journal per block of images
  EXPECT_LE(f.syncs, during.syncs + 2);  // the data file, the commit
  DataFileCloseAll();
  EXPECT_EQ(Check(), "");
}
