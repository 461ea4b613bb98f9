// One data file's operations: searches and steps, the cursor rules of
// update and delete, open flags and states, lock markers, temporary mode.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <random>

#include "data/store/datafile.h"
#include "data/store/runstatus.h"
#include "platform/host/files.h"
#include "runtime/errors.h"
#include "store_fixture.h"

namespace {

class CwdGuard {
 public:
  explicit CwdGuard(const std::string& dir) : old_(recio::Absolute(".")) { EXPECT_EQ(chdir(dir.c_str()), 0); }
  ~CwdGuard() { EXPECT_EQ(chdir(old_.c_str()), 0); }

 private:
  std::string old_;
};

// Sets TEMP for one test and puts the old value back: a TEMP naming a
// removed directory would break every later test of the same process.
class TempEnvGuard {
 public:
  explicit TempEnvGuard(const std::string& value) {
    const char* old = std::getenv("TEMP");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TEMP", value.c_str(), 1);
  }
  ~TempEnvGuard() {
    if (had_) setenv("TEMP", old_.c_str(), 1);
    else unsetenv("TEMP");
  }

 private:
  bool had_ = false;
  std::string old_;
};

class DataFileTest : public StoreTest {
 protected:
  // C1/ANN, C2/BOB, C3/CAT as records 0, 1, 2.
  void ThreeRecords() {
    ASSERT_EQ(Open(), dfres::kEnd);
    ASSERT_EQ(Add("C1", "ANN"), 0);
    ASSERT_EQ(Add("C2", "BOB"), 0);
    ASSERT_EQ(Add("C3", "CAT"), 0);
  }
};

// Searches on keys AA, AB, AB, B: statuses, what is read, and where the
// position is left (the next step shows it).
TEST_F(DataFileTest, SearchTable) {
  ASSERT_EQ(Open(), dfres::kEnd);
  ASSERT_EQ(Add("AA", "one"), 0);
  ASSERT_EQ(Add("AB", "first"), 0);
  ASSERT_EQ(Add("AB", "second"), dfres::kRepeatedKey);
  ASSERT_EQ(Add("B", "four"), 0);
  struct Row {
    const char* id;
    const char* text;
    uint16_t flags;
    Status status;
    const char* loaded;  // name read into the buffer, "" when none
    const char* at;      // the name a re-read at the position then reads
  } rows[] = {
      {"exact finds the first of equals", "AB", 0, 0, "first", "first"},
      {"prefix finds the first match", "A", 0, 0, "one", "one"},
      {"longer text is cut to the key", "ABZZZZZZZZ", 0, 1, "", "four"},
      {"empty text is one blank", "", 0, 1, "", "one"},
      {"below everything", "0", 0, 1, "", "one"},
      {"status 1 reads with flag 2", "AC", 2, 1, "four", "four"},
      {"past the end", "C", 0, 2, "", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    SetCur(Img("zz", "zz"));
    EXPECT_EQ(store.ReadKey(1, r.text, r.flags), r.status);
    std::string name = Cur().substr(6, 10);
    EXPECT_EQ(name.substr(0, name.find(' ')), std::string(*r.loaded ? r.loaded : "zz"));
    Status again = store.Move(0);
    name = Cur().substr(6, 10);
    if (*r.at) {
      EXPECT_EQ(again, 0);
      EXPECT_EQ(name.substr(0, name.find(' ')), std::string(r.at));
    } else {
      EXPECT_EQ(again, dfres::kEnd);
    }
  }
  EXPECT_EQ(Order(1), "AA ,AB ,AB ,B  ");
  EXPECT_EQ(store.ReadKey(1, "ZZ", 1), dfres::kEnd);
  EXPECT_EQ(Cur(), std::string(16, ' '));
}

TEST_F(DataFileTest, StepsAtTheEdges) {
  ASSERT_EQ(Open(), dfres::kEnd);
  EXPECT_EQ(Cur(), std::string(16, ' '));
  EXPECT_EQ(store.Move(dfmove::kNext), dfres::kEnd);
  ASSERT_EQ(Add("C1", "ANN"), 0);
  ASSERT_EQ(Add("C2", "BOB"), 0);
  EXPECT_EQ(store.Move(dfmove::kFirst), 0);
  EXPECT_EQ(store.Move(dfmove::kPrev), dfres::kNotFound);
  EXPECT_EQ(Cur(), std::string(16, ' '));
  EXPECT_EQ(store.Move(dfmove::kPrev | dfmove::kAlsoOn1), dfres::kNotFound);
  EXPECT_EQ(Cur(), Img("C1", "ANN"));
  EXPECT_EQ(store.Move(dfmove::kLast), 0);
  EXPECT_EQ(store.Move(dfmove::kNext), dfres::kEnd);
  EXPECT_EQ(Cur(), std::string(16, ' '));
  EXPECT_EQ(Order(2), "C1 ,C2 ");
}

// An update that moves the record in the current key, then a second update
// without reading again: the second touches nothing; a fresh read makes it
// possible again, and the other records never change.
TEST_F(DataFileTest, UpdateAfterKeyChangeTouchesOnlyItsRecord) {
  ThreeRecords();
  ASSERT_EQ(store.ReadKey(1, "C2", 0), 0);
  SetCur(Img("C9", "BOB"));
  ASSERT_EQ(store.Update(), 0);
  EXPECT_EQ(store.Move(dfmove::kNext), dfres::kEnd);  // the position followed the record
  ASSERT_EQ(store.ReadKey(1, "C9", 0), 0);
  SetCur(Img("C9", "BOB"));
  std::copy_n(Img("C0", "BOB").data(), 16, pair.begin() + 16);  // a stale saved copy
  SetCur(Img("C5", "BOX"));
  EXPECT_EQ(store.Update(), dfres::kConcurrentChange);
  std::string afterFirst = "C1    ANN       C9    BOB       C3    CAT       ";
  EXPECT_EQ(ReadBytes(DataPath()), afterFirst);
  ASSERT_EQ(store.ReadKey(1, "C9", 0), 0);
  SetCur(Img("C5", "BOX"));
  ASSERT_EQ(store.Update(), 0);
  EXPECT_EQ(ReadBytes(DataPath()), "C1    ANN       C5    BOX       C3    CAT       ");
  EXPECT_EQ(Order(1), "C1 ,C3 ,C5 ");
  EXPECT_EQ(Order(2), "C1 ,C5 ,C3 ");
}

TEST_F(DataFileTest, DeleteAfterFailedSearchDeletesNothing) {
  ThreeRecords();
  ASSERT_EQ(store.ReadKey(1, "C2", 0), 0);
  ASSERT_EQ(store.ReadKey(1, "C25", 0), dfres::kNotFound);  // the buffer still shows C2
  std::string before = ReadBytes(DataPath());
  EXPECT_EQ(store.Delete(0), dfres::kBadKey);
  EXPECT_EQ(store.Update(), 0);  // unchanged buffer: nothing to write
  SetCur(Img("C2", "NEW"));
  EXPECT_EQ(store.Update(), dfres::kBadKey);
  EXPECT_EQ(ReadBytes(DataPath()), before);
  EXPECT_EQ(Order(1), "C1 ,C2 ,C3 ");
}

TEST_F(DataFileTest, DeleteWritesTheMarkAndStepsOn) {
  ThreeRecords();
  ASSERT_EQ(store.ReadKey(1, "C2", 0), 0);
  SetCur(Img("C2", "EDITED"));  // the edit never reaches the disk
  ASSERT_EQ(store.Delete(2), dfres::kNotFound);
  EXPECT_EQ(Cur(), Img("C3", "CAT"));  // flag 2 read the next one by the kept key
  EXPECT_EQ(ReadBytes(DataPath()).substr(16, 16), "\x1b" + Img("C2", "BOB").substr(1));
  ASSERT_EQ(store.ReadKey(1, "C1", 0), 0);
  ASSERT_EQ(store.Delete(0), 0);
  EXPECT_EQ(Add("C7", "X"), 0);  // last deleted is reused first
  EXPECT_EQ(store.Cursor(), 0);
  EXPECT_EQ(Add("C8", "Y"), 0);
  EXPECT_EQ(store.Cursor(), 1);
  EXPECT_EQ(Add("C9", "Z"), 0);
  EXPECT_EQ(store.Cursor(), 3);
  ASSERT_EQ(store.Close(), 0);
  EXPECT_EQ(RecFileCheck(Spec()), "");
}

TEST_F(DataFileTest, SavingNewRecordInsertsOnce) {
  ThreeRecords();
  ASSERT_EQ(store.ReadKey(1, "C2", 0), 0);
  ASSERT_EQ(store.Move(dfmove::kNew), dfres::kNewRecord);
  SetCur(Img("C4", "DAN"));
  ASSERT_EQ(store.Update(), 0);
  EXPECT_EQ(store.File().Live(), 4u);
  EXPECT_EQ(ReadBytes(DataPath()).substr(16, 16), Img("C2", "BOB"));
  EXPECT_EQ(store.Update(), dfres::kConcurrentChange);  // saved copy still blank: no second insert
  EXPECT_EQ(store.File().Live(), 4u);
}

TEST_F(DataFileTest, UnchangedUpdateWritesNothing) {
  ThreeRecords();
  ASSERT_EQ(store.ReadKey(2, "BOB", 0), 0);
  recio::FaultArm(recio::Fault::Write, 1);  // any write would fail
  EXPECT_EQ(store.Update(), 0);
}

TEST_F(DataFileTest, ChangeOnDiskIsReportedNotOverwritten) {
  ThreeRecords();
  ASSERT_EQ(store.ReadKey(1, "C1", 0), 0);
  int fd = recio::Open(DataPath(), false, false);
  ASSERT_TRUE(recio::WriteAt(fd, "C1    OTHER", 11, 0));
  recio::Close(fd);
  SetCur(Img("C1", "MINE"));
  EXPECT_EQ(store.Update(), dfres::kConcurrentChange);
  EXPECT_EQ(store.Delete(0), dfres::kConcurrentChange);
  EXPECT_EQ(ReadBytes(DataPath()).substr(0, 16), Img("C1", "OTHER"));
}

TEST_F(DataFileTest, RepeatedKeyKeepsRecordUnlessFileHasLines) {
  ThreeRecords();
  EXPECT_EQ(Add("C2", "TWIN"), dfres::kRepeatedKey);
  EXPECT_EQ(store.File().Live(), 4u);
  store.Close();
  layout.lineField = true;
  ASSERT_EQ(Open(), 0);
  EXPECT_EQ(Add("C2", "TRIPLET"), 0);
  EXPECT_EQ(Order(1), "C1 ,C2 ,C2 ,C2 ,C3 ");
  EXPECT_EQ(Order(2), "C1 ,C2 ,C3 ,C2 ,C2 ");
}

TEST_F(DataFileTest, StateChecks) {
  EXPECT_EQ(store.ReadKey(1, "C1", 0), st::FILENOTINIT);
  EXPECT_EQ(store.Move(dfmove::kFirst), st::FILENOTINIT);
  EXPECT_EQ(store.Insert(), st::FILENOTINIT);
  EXPECT_EQ(store.Delete(0), st::FILENOTINIT);
  ThreeRecords();
  EXPECT_EQ(store.ReadKey(3, "C1", 0), st::DATAOUTBOUND);
  EXPECT_EQ(store.FindKey(0, "C1", 1), st::DATAOUTBOUND);
  EXPECT_EQ(store.KeySet(3), st::DATAOUTBOUND);
  bool already = false;
  EXPECT_EQ(store.Open(layout, 0, StoreEnv(), &already), 0);
  EXPECT_TRUE(already);
  store.Close();

  ASSERT_EQ(Open(dfopen::kNoIndex), dfres::kEnd);
  EXPECT_EQ(store.ReadKey(1, "C1", 0), st::FILENOTINIT);
  EXPECT_EQ(store.Insert(), st::FILENOTINIT);
  int64_t reached = 0;
  EXPECT_EQ(store.ReadLive(0, 0, &reached), 0);
  EXPECT_EQ(Cur(), Img("C1", "ANN"));
  store.Close();

  ASSERT_EQ(Open(dfopen::kReadOnly), 0);
  EXPECT_EQ(Add("C4", "DAN"), st::PERMISSIONDENIED);
  ASSERT_EQ(store.ReadKey(1, "C1", 0), 0);
  SetCur(Img("C1", "X"));
  EXPECT_EQ(store.Update(), st::PERMISSIONDENIED);
}

// A search in another key leaves the position on the record shown, so the
// next step continues from it; reading into the saved copy alone leaves the
// cursor as it was.
TEST_F(DataFileTest, FindInAnotherKeyKeepsThePosition) {
  ThreeRecords();
  ASSERT_EQ(store.ReadKey(1, "C1", 0), 0);
  EXPECT_EQ(store.FindKey(2, "CAT", 2), 0);
  EXPECT_EQ(Saved(), Img("C3", "CAT"));
  EXPECT_EQ(store.Move(dfmove::kNext), 0);
  EXPECT_EQ(Cur(), Img("C2", "BOB"));
  EXPECT_EQ(store.FindKey(2, "ANN", 3), 0);
  EXPECT_EQ(store.Move(dfmove::kNext), 0);
  EXPECT_EQ(Cur(), Img("C2", "BOB"));
  EXPECT_EQ(store.FindKey(2, "AZ", 0), dfres::kNotFound);
  EXPECT_EQ(store.KeySet(2), 0);  // the position moves to the record in key 2
  EXPECT_EQ(store.Move(dfmove::kNext), 0);
  EXPECT_EQ(Cur(), Img("C3", "CAT"));
}

TEST_F(DataFileTest, ReadRangeRewritesOnlyItsRange) {
  ASSERT_EQ(Open(), dfres::kEnd);
  for (const char* c : {"A1", "A2", "B1"}) ASSERT_EQ(Add(c, "0"), 0);
  ASSERT_EQ(store.ReadKey(1, "B1", 0), 0);
  int calls = 0;
  auto bump = [&]() {
    ++calls;
    pair[6] = static_cast<char>(pair[6] + 1);
    return Status(0);
  };
  bool inserted = false;
  EXPECT_EQ(store.ReadRange(1, "A", 0, nullptr, bump, &inserted), 0);
  EXPECT_EQ(calls, 2);
  EXPECT_FALSE(inserted);
  EXPECT_EQ(Cur(), Img("B1", "0"));  // the state before the range came back
  EXPECT_EQ(ReadBytes(DataPath()), Img("A1", "1") + Img("A2", "1") + Img("B1", "0"));

  auto rekey = [&]() {
    pair[1] = '9';
    return Status(0);
  };
  EXPECT_EQ(store.ReadRange(1, "A", 0, nullptr, rekey, &inserted), st::BADINPUTDATA);
  EXPECT_EQ(ReadBytes(DataPath()), Img("A1", "1") + Img("A2", "1") + Img("B1", "0"));

  auto seed = [&]() {
    SetCur(Img("C1", ""));
    return Status(0);
  };
  EXPECT_EQ(store.ReadRange(1, "C1", 4, seed, bump, &inserted), 0);
  EXPECT_TRUE(inserted);
  EXPECT_EQ(ReadBytes(DataPath()).substr(48), Img("C1", "!"));  // blank + 1: seeded from a clean buffer

  // A key not in the file runs nothing, even when the buffer still carries
  // that key (as a caller that set the key fields leaves it).
  std::string files = ReadBytes(DataPath());
  SetCur(Img("B5", "0"));
  calls = 0;
  EXPECT_EQ(store.ReadRange(1, "B5", 0, nullptr, bump, &inserted), 0);
  EXPECT_EQ(calls, 0);
  EXPECT_FALSE(inserted);
  EXPECT_EQ(ReadBytes(DataPath()), files);
}

TEST_F(DataFileTest, LockMarkerLifecycle) {
  CwdGuard cwd(dir.path());
  const std::string marker = dir.File("CUSTOMER.lock");
  ASSERT_EQ(Open(dfopen::kExclusive), dfres::kEnd);
  EXPECT_EQ(ReadBytes(marker), " ");
  bool already = false;
  ASSERT_EQ(store.Open(layout, dfopen::kExclusive | dfopen::kMakeCurrent, StoreEnv(), &already), 0);  // its own marker
  EXPECT_TRUE(recio::Exists(marker));

  DataStore other;
  std::vector<char> otherPair(32, 'x');
  other.SetOwner(2);
  other.SetPairSource([&](Status*) { return otherPair.data(); });
  EXPECT_EQ(other.Open(layout, dfopen::kExclusive, StoreEnv(), &already), st::PERMISSIONDENIED);
  EXPECT_EQ(otherPair, std::vector<char>(32, 'x'));
  EXPECT_FALSE(other.IsOpen());
  {
    CwdGuard elsewhere("/");
    ASSERT_EQ(store.Close(), 0);  // removes its own marker wherever the process is now
  }
  EXPECT_FALSE(recio::Exists(marker));

  layout.location = dir.File("missing/sub");
  EXPECT_EQ(Open(dfopen::kExclusive), st::FILENOTFOUND);
  EXPECT_FALSE(recio::Exists(marker));
  StoreEnv temp;
  temp.temporary = true;
  TempEnvGuard env(dir.path());
  ASSERT_EQ(Open(dfopen::kExclusive, temp), dfres::kEnd);
  EXPECT_FALSE(recio::Exists(marker));
}

// A data file that cannot be opened answers why, recorded under Streams with
// its path: a file that may not be written (read-only, on a read-only file
// system) is refused (175), a missing folder makes it missing (164). What
// is shown names the reason and the file, never an undefined error.
TEST_F(DataFileTest, AFailedOpenAnswersTheReasonWithTheFilesName) {
  struct Case {
    const char* what;
    int err;  // injected into the open, 0 for none
    const char* location;
    Status want;
    const char* shown;
  } cases[] = {
      {"read-only file", EACCES, nullptr, st::PERMISSIONDENIED, "Error Permission Denied(Streams): "},
      {"read-only file system", EROFS, nullptr, st::PERMISSIONDENIED, "Error Permission Denied(Streams): "},
      {"missing folder", 0, "missing/sub", st::FILENOTFOUND, "Error File Not Found(Streams): "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ErrClear();
    layout.location = c.location ? dir.File(c.location) : dir.path();
    if (c.err) host::FaultArm(host::FaultOp::Open, 1, c.err);
    EXPECT_EQ(Open(), c.want);
    host::FaultClear();
    EXPECT_FALSE(store.IsOpen());
    EXPECT_EQ(ErrGet(), c.want | (uint32_t{MOD_STREAMS} << 16));
    std::string shown = ErrText(-1).Str();
    EXPECT_EQ(shown.substr(0, std::strlen(c.shown)), c.shown);
    EXPECT_NE(shown.find("CUSTOMER.FD"), std::string::npos) << shown;
  }
  // Once it can be opened, it is.
  ErrClear();
  layout.location = dir.path();
  EXPECT_EQ(Open(), dfres::kEnd);
}

// Temporary mode works on fresh files in TEMP, never on the real ones, keeps
// them through a reopen and removes them at close.
TEST_F(DataFileTest, TemporaryModeUsesFreshFiles) {
  ThreeRecords();
  store.Close();
  std::string before = ReadBytes(DataPath());
  TempDir temp;
  TempEnvGuard guard(temp.path());
  StoreEnv env;
  env.temporary = true;
  ASSERT_EQ(Open(0, env), dfres::kEnd);
  std::string path = store.File().Spec().dataPath;
  EXPECT_EQ(path.rfind(temp.path(), 0), 0u);
  ASSERT_EQ(Add("T1", "TMP"), 0);
  EXPECT_EQ(store.Reopen(0), 0);
  EXPECT_EQ(store.File().Spec().dataPath, path);
  EXPECT_EQ(store.ReadKey(1, "T1", 0), 0);
  EXPECT_EQ(ReadBytes(DataPath()), before);
  ASSERT_EQ(store.Close(), 0);
  EXPECT_FALSE(recio::Exists(path));
}

// A commit (reopen) makes the records durable and leaves the index file to
// the close, an explicit save or a checkpoint: it costs what it changed.
TEST_F(DataFileTest, ReopenCommitsRecordsAndTheIndexFollowsAtSaveOrCheckpoint) {
  ThreeRecords();
  EXPECT_NE(RecFileCheck(Spec()), "");  // the index on disk is still the empty one
  EXPECT_EQ(store.Reopen(0), 0);
  EXPECT_NE(RecFileCheck(Spec()), "");
  EXPECT_EQ(ReadBytes(DataPath()).substr(32, 16), Img("C3", "CAT"));
  EXPECT_EQ(store.Save(), 0);
  EXPECT_EQ(RecFileCheck(Spec()), "");
  EXPECT_EQ(store.Reopen(dfres::kRepeatedKey), dfres::kRepeatedKey);
  EXPECT_EQ(Add("C4", "DAN"), 0);
  // Enough index changes make a commit a checkpoint.
  for (uint64_t i = 0; i < RecFile::kCheckpointChanges; ++i) ASSERT_LT(Add("X" + std::to_string(i), "N"), 3);
  EXPECT_NE(RecFileCheck(Spec()), "");
  EXPECT_EQ(store.Reopen(0), 0);
  EXPECT_EQ(RecFileCheck(Spec()), "");
  EXPECT_EQ(store.File().Unsaved(), 0u);
}

// Random inserts, key changes, deletes, commits, close/open cycles and kills
// against a model of the live records. Every read shows the model's record;
// after every close the checker passes and the file holds exactly the
// model's records. A kill leaves the files as they are on disk at that
// moment (records are written without a user-space buffer): a copy of them
// opens consistent or is refused, and the next start's rebuild brings back
// exactly the model.
TEST_F(DataFileTest, RandomOperationsKeepFilesSound) {
  std::mt19937 rng(11);
  std::map<uint32_t, std::string> model;
  ASSERT_EQ(Open(), dfres::kEnd);
  auto someCode = [&]() { return "K" + std::to_string(rng() % 40); };
  auto fileHoldsModel = [&](const std::string& dataPath) {
    std::string data = ReadBytes(dataPath);
    for (size_t rec = 0; rec * 16 < data.size(); ++rec) {
      auto it = model.find(static_cast<uint32_t>(rec));
      if (it == model.end()) {
        ASSERT_EQ(data[rec * 16], kDeleteMark) << rec;
      } else {
        ASSERT_EQ(data.substr(rec * 16, 16), it->second) << rec;
      }
    }
  };
  int kills = 0, refusedAfterKill = 0;
  for (int step = 0; step < 2000; ++step) {
    int op = rng() % 100;
    if (op < 45) {
      std::string img = Img(someCode(), "N" + std::to_string(rng() % 9));
      store.Move(dfmove::kNew);
      SetCur(img);
      Status s = store.Insert();
      ASSERT_TRUE(s == 0 || s == dfres::kRepeatedKey);
      model[static_cast<uint32_t>(store.Cursor())] = img;
    } else if (op < 88 && !model.empty()) {
      auto it = std::next(model.begin(), rng() % model.size());
      int key = 1 + rng() % 2;
      std::string text = store.File().KeyText(key - 1, it->second.data());
      ASSERT_EQ(store.ReadKey(key, text, 0), 0);
      ASSERT_EQ(Cur(), model[static_cast<uint32_t>(store.Cursor())]);
      if (op < 70) {
        std::string img = Img(someCode(), "U" + std::to_string(rng() % 9));
        SetCur(img);
        ASSERT_EQ(store.Update(), 0);
        model[static_cast<uint32_t>(store.Cursor())] = img;
      } else {
        uint32_t rec = static_cast<uint32_t>(store.Cursor());
        ASSERT_EQ(store.Delete(rng() % 2 ? 2 : 0) < 3, true);
        model.erase(rec);
      }
    } else if (op < 93) {
      ASSERT_EQ(store.Reopen(0), 0);
    } else if (op < 96) {
      // Killed now: the next start gets these bytes and rebuilds them.
      ++kills;
      TempDir next;
      RecFileSpec spec{next.File("CUSTOMER.FD"), next.File("CUSTOMER.DIR"), 16, CustomerKeys()};
      for (auto [from, to] : {std::pair{DataPath(), spec.dataPath}, std::pair{IndexPath(), spec.indexPath}}) {
        std::string bytes = ReadBytes(from);
        int fd = recio::Open(to, false, true);
        ASSERT_TRUE(fd >= 0 && recio::WriteAt(fd, bytes.data(), bytes.size(), 0));
        recio::Close(fd);
      }
      std::string check = RecFileCheck(RecCheckSpec{spec.dataPath, spec.indexPath, 16, CustomerKeys()});
      if (!check.empty()) ++refusedAfterKill;
      ASSERT_EQ(RecFile::RebuildClosed(spec), 0);
      ASSERT_EQ(RecFileCheck(RecCheckSpec{spec.dataPath, spec.indexPath, 16, CustomerKeys()}), "");
      fileHoldsModel(spec.dataPath);
      RecFile reopened;
      ASSERT_EQ(reopened.Open(spec), 0);
      ASSERT_EQ(reopened.Live(), model.size());
    } else {
      ASSERT_EQ(store.Close(), 0);
      ASSERT_EQ(RecFileCheck(Spec()), "");
      ASSERT_LT(Open(), 3);
      fileHoldsModel(DataPath());
      ASSERT_EQ(store.File().Live(), model.size());
    }
  }
  EXPECT_GT(kills, 20);
  EXPECT_GT(refusedAfterKill, 0);  // the index file lagged behind: the rebuild was needed
}

// Close keeps a file's key orders; an open of the unchanged file takes them
// back without reading anything, and any change since, by another process
// or by a plain write, makes the open read the file again.
TEST_F(DataFileTest, AnUnchangedFileReopensWithoutReadingAChangedOneIsReadAgain) {
  ThreeRecords();
  ASSERT_EQ(store.Close(), 0);
  auto settle = [] { usleep(250 * 1000); };  // file times well in the past
  // The reads of the open itself (the first record read by Start is the
  // open's result, not its cost).
  auto readsOfOpen = [&](Status* s) {
    unsigned before = host::FaultCalls(host::FaultOp::Read);
    bool already = false;
    *s = store.Open(layout, 0, StoreEnv(), &already);
    unsigned reads = host::FaultCalls(host::FaultOp::Read) - before;
    if (*s == 0) *s = store.Start();
    return reads;
  };
  settle();
  Status s = 0;
  EXPECT_GT(readsOfOpen(&s), 0u);  // closed right after its writes: not kept
  ASSERT_EQ(s, 0);
  ASSERT_EQ(store.Close(), 0);
  EXPECT_EQ(readsOfOpen(&s), 0u);
  ASSERT_EQ(s, 0);
  EXPECT_EQ(Order(1), "C1 ,C2 ,C3 ");
  EXPECT_EQ(Order(2), "C1 ,C2 ,C3 ");
  ASSERT_EQ(store.Close(), 0);

  struct Change {
    const char* what;
    std::function<void()> make;
    Status open;        // what the open answers
    const char* order;  // key 1 after it, when it opens
  };
  const std::string dataPath = DataPath();
  std::vector<Change> changes = {
      {"another process adds a record and saves",
       [&] {
         pid_t pid = fork();
         if (pid == 0) {
           DataStore other;
           std::vector<char> buf(32, ' ');
           other.SetPairSource([&](Status*) { return buf.data(); });
           bool already = false;
           if (other.Open(layout, 0, StoreEnv(), &already) != 0) _exit(2);
           other.Move(dfmove::kNew);
           std::string img = Img("C0", "ZED");
           std::copy(img.begin(), img.end(), buf.begin());
           _exit(other.Insert() == 0 && other.Close() == 0 ? 0 : 3);
         }
         int status = 0;
         waitpid(pid, &status, 0);
         ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
       },
       0, "C0 ,C1 ,C2 ,C3 "},
      {"a key rewritten in place, the index file untouched",
       [&] {
         int fd = recio::Open(dataPath, false, false);
         ASSERT_TRUE(recio::WriteAt(fd, "C9", 2, 16));
         recio::Close(fd);
       },
       st::DISKIO, ""},
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.what);
    settle();
    ASSERT_EQ(Open(), 0);  // read, then kept at the close
    ASSERT_EQ(store.Close(), 0);
    c.make();
    settle();
    EXPECT_GT(readsOfOpen(&s), 0u);
    EXPECT_EQ(s, c.open);
    if (s == 0) {
      EXPECT_EQ(Order(1), c.order);
      ASSERT_EQ(store.Close(), 0);
    }
  }
  RunStatusReset();
}

}  // namespace

namespace {

TEST(DataFileNameTest, KindsAndSwitches) {
  struct Row {
    const char* id;
    const char* location;
    int kind;
    uint16_t compat;
    const char* name;
  } rows[] = {
      {"name alone", "C:\\APP\\DATA", 1, 0, "CUSTOMERS1"},
      {"data file", "C:\\APP\\DATA", 2, 0, "C:\\APP\\DATA\\CUSTOMERS1.FD"},
      {"index file", "DATA", 3, 0, "DATA\\CUSTOMERS1.DIR"},
      {"index file under the NDX switch", "DATA", 3, 2, "DATA\\CUSTOMERS1.NDX"},
      {"work copy, names cut to 8", "DATA\\", 5, 8, "DATA\\CUSTOMER.TMP"},
      {"text side file", "", 6, 0, "CUSTOMERS1.TXT"},
      {"kind 4 is always NDX", "D", 4, 0, "D\\CUSTOMERS1.NDX"},
  };
  for (const Row& r : rows) EXPECT_EQ(DataFileNameBuild("CUSTOMERS1", r.location, r.kind, r.compat), r.name) << r.id;
}

// With no file in the dictionary, every operation by file number answers 168
// and none pretends to have worked.
TEST_F(RuntimeTest, OperationsAnswerMissingDictionary) {
  std::vector<Status> got = {
      DataFileOpen(1, 0),          DataFileReadKey(1, 1, StrFromC("A"), 0), DataFileMove(1, dfmove::kNext),
      DataFileInsert(1),           DataFileUpdate(1),                       DataFileDelete(1, 0),
      DataFileReopen(1, 0),        DataFileClose(1),                        DataFileKeySet(1, 2),
  };
  for (Status s : got) EXPECT_EQ(s, st::DATAOUTBOUND);
  EXPECT_EQ(DataFileCtrl(1), nullptr);
  EXPECT_TRUE(DataFileName(1, 2).IsError());
  ErrClear();
  EXPECT_EQ(DataFileDeleteAll(1), st::FEATUREREMOVED);
  EXPECT_EQ(ErrDetail().Str(), "DataFileDeleteAll");
  EXPECT_EQ(DataFileCloseAll(), 0);
}

}  // namespace
