// Copies of files: the comparison switch, the block copy, and the backup and
// restore of data files with their indexes.
#include <gtest/gtest.h>

#include <filesystem>

#include "data/store/filecopy.h"
#include "data/store/rebuild.h"
#include "data/store/lockmark.h"
#include "pack_fixture.h"
#include "platform/ui/ui.h"
#include "support/headless_fixture.h"
#include "script/taskhooks.h"
#include "script/variables.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint32_t> g_blocks;
size_t g_cancelAt = 0;  // the routine answers 122 at this block
Status Blocks(uint32_t, uint32_t n, StrValue) {
  g_blocks.push_back(n);
  return g_blocks.size() == g_cancelAt ? st::USERCANCELED : 0;
}

class FileCopyTest : public PackTest {
 protected:
  void SetUp() override {
    PackTest::SetUp();
    g_blocks.clear();
    g_cancelAt = 0;
    VarSysIntSet(kSysCount, 0);
    VarSysIntSet(kSysHCount, 0);
  }
  void SetTime(const std::string& name, fs::file_time_type t) { fs::last_write_time(Path(name), t); }
  Status Copy(const std::string& from, const std::string& to) { return TransFileCopy(S(Path(from)), S(Path(to)), nullptr); }
};

// With bit 512 of _AUXSTAT: the same file is skipped (124, _COUNT), an
// older source too (127, _HCOUNT); a newer or different one is copied.
// A missing source is 164 and makes no file on either side; the target
// ends where the source ends.
TEST_F(FileCopyTest, ComparisonTable) {
  auto now = fs::file_time_type::clock::now();
  struct Row {
    const char* id;
    int auxstat;
    std::string source;
    std::string target;
    int sourceAge, targetAge;  // seconds before now
    Status code;
    int count, hcount;
    bool copied;
  } rows[] = {
      {"same file", 512, "ABCDEF", "ABCDEF", 0, 0, st::UNDEFWARNING, 1, 0, false},
      {"older source", 512, "ABC", "ABCDEF", 3600, 0, st::OUTOFDATA, 0, 1, false},
      {"newer source", 512, "ABC", "ABCDEF", 0, 3600, 0, 0, 0, true},
      {"same time, other size", 512, "ABC", "ABCDEF", 0, 0, 0, 0, 0, true},
      {"no comparison", 0, "ABCDEF", "ABCDEF", 0, 0, 0, 0, 0, true},
      {"smaller source over a larger target", 0, "AB", "ABCDEFGHIJ", 0, 3600, 0, 0, 0, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    VarSysIntSet(kSysAuxStat, static_cast<int16_t>(r.auxstat));
    VarSysIntSet(kSysCount, 0);
    VarSysIntSet(kSysHCount, 0);
    Put("SRC.FD", r.source);
    Put("TGT.FD", r.target);
    SetTime("SRC.FD", now - std::chrono::seconds(r.sourceAge));
    SetTime("TGT.FD", now - std::chrono::seconds(r.targetAge));
    EXPECT_EQ(Copy("SRC.FD", "TGT.FD"), r.code);
    EXPECT_EQ(VarSysIntGet(kSysCount), r.count);
    EXPECT_EQ(VarSysIntGet(kSysHCount), r.hcount);
    EXPECT_EQ(Bytes("TGT.FD"), r.copied ? r.source : r.target);
  }
  VarSysIntSet(kSysAuxStat, 512);
  EXPECT_EQ(Copy("NONE.FD", "NEW\\NONE.FD"), st::FILENOTFOUND);
  EXPECT_FALSE(Exists("NONE.FD"));
  EXPECT_FALSE(Exists("NEW/NONE.FD"));
  EXPECT_EQ(TransCopyChunked(S(Path("NONE.FD")), 0, S(Path("T.FD")), 0, 100, nullptr), st::FILENOTFOUND);
  EXPECT_FALSE(Exists("NONE.FD"));
}

// Blocks of at most 12288 bytes, the routine after each; its non-zero answer
// stops the copy. A copy into a missing directory makes it.
TEST_F(FileCopyTest, BlocksAndTheirRoutine) {
  Put("BIG.FD", std::string(30000, 'x'));
  ASSERT_EQ(TransFileCopy(S(Path("BIG.FD")), S(Path("SUB/DEEP/BIG.FD")), Blocks), 0);
  EXPECT_EQ(g_blocks, (std::vector<uint32_t>{12288, 12288, 5424}));
  EXPECT_EQ(Bytes("SUB/DEEP/BIG.FD"), std::string(30000, 'x'));
  // A part of a file at offsets; a cancel after the second block stops.
  g_blocks.clear();
  Put("PART.FD", "0123456789");
  ASSERT_EQ(TransCopyChunked(S(Path("BIG.FD")), 29995, S(Path("PART.FD")), 2, 100, Blocks), 0);
  EXPECT_EQ(Bytes("PART.FD"), "01xxxxx789");
  EXPECT_EQ(g_blocks, (std::vector<uint32_t>{5}));
  g_blocks.clear();
  g_cancelAt = 2;
  EXPECT_EQ(TransFileCopy(S(Path("BIG.FD")), S(Path("BIG2.FD")), Blocks), st::USERCANCELED);
  EXPECT_EQ(g_blocks.size(), 2u);
}

// A backup with a file open and its index not saved yet copies both files as
// they are on disk after the index is saved; the restore of that file, open
// again and changed meanwhile, brings the backup back, consistent, and
// reopens it. Another user's lock marker refuses the restore.
TEST_F(FileCopyTest, BackupAndRestoreRoundTrip) {
  CatchBoxes();
  ASSERT_LE(DataFileOpen(1, 0), 2);
  ASSERT_EQ(Insert(Rec("C01", "ANN")), 0);
  ASSERT_EQ(Insert(Rec("C02", "BOB")), 0);
  ASSERT_EQ(TransBackupTo(S(Path("BK"))), 0);
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(Bytes("BK/CUST.FD"), Rec("C01", "ANN") + Rec("C02", "BOB"));
  EXPECT_EQ(Bytes("BK/CUST.DIR"), Bytes("CUST.DIR"));
  EXPECT_FALSE(Exists("BK/NOTE.FD"));  // never created, nothing to copy

  ASSERT_EQ(DataFileReadKey(1, 1, S("C02"), 0), 0);
  ASSERT_EQ(DataFileDelete(1, 0), 0);
  ASSERT_EQ(Insert(Rec("C03", "CAT")), 0);
  ASSERT_EQ(Insert(Rec("C04", "DAN")), 0);  // the data file is now longer
  ASSERT_EQ(TransRestoreFrom(1, S(Path("BK"))), 0);
  EXPECT_TRUE(DataFileStore(1)->IsOpen());
  EXPECT_EQ(Bytes("CUST.FD"), Rec("C01", "ANN") + Rec("C02", "BOB"));
  EXPECT_EQ(Check(), "");
  EXPECT_EQ(DataFileReadKey(1, 1, S("C02"), 0), 0);

  ASSERT_EQ(DataFileClose(1), 0);
  Put("CUST.lock", " ");
  EXPECT_EQ(TransRestoreFrom(1, S(Path("BK"))), st::PERMISSIONDENIED);
}

// The block routine of backups and restores lets nothing but a cancel stop
// a copy: the application's low-level task (148) does not.
TEST_F(FileCopyTest, LowLevelTaskDoesNotStopABackup) {
  TaskHookSet(static_cast<TaskFn>([](int) -> Status { return st::FEATUREREMOVED; }), kHookLowLevel);
  Put("CUST.FD", std::string(16 * 2000, 'z'));
  Put("CUST.DIR", Index(0, 0, {}));
  ASSERT_EQ(TransBackupTo(S(Path("BK"))), 0);
  EXPECT_EQ(Bytes("BK/CUST.FD").size(), 32000u);
  TaskHooksReset();
}

TEST_F(FileCopyTest, RefusedModesAndBadBackupNames) {
  EXPECT_EQ(TransBackupRestore(7), 0);
  EXPECT_EQ(TransBackupRestore(2), st::FEATUREREMOVED);
  ASSERT_EQ(DynStrSet(SettingsList, 11, S("..,DB")), 0);
  EXPECT_EQ(TransBackupRestore(0), st::BADINPUTDATA);
  ASSERT_EQ(DynStrSet(SettingsList, 11, S("HOST,a/b")), 0);
  EXPECT_EQ(TransBackupRestore(0), st::BADINPUTDATA);
  EXPECT_FALSE(Exists("Backups"));
}

// The Copy verb through the dialogs: the backup folder is chosen starting
// in the backup directory (made first); the restore takes the file the user
// picks, its name matched with the data files' in any letter case;
// cancelling either dialog is 122.
class CopyVerbTest : public FileCopyTest {
 protected:
  void SetUp() override {
    FileCopyTest::SetUp();
    hl = HeadlessInstall(&reports);
    CatchBoxes();
  }
  void TearDown() override {
    EXPECT_TRUE(reports.empty()) << reports.front();
    ui::shutdown();
    FileCopyTest::TearDown();
  }
  ui::Headless* hl = nullptr;
  std::vector<std::string> reports;
};

TEST_F(CopyVerbTest, BackupAndRestoreThroughTheDialogs) {
  ASSERT_EQ(DynStrSet(SettingsList, 11, S("HOST,BOOKS")), 0);
  Put("CUST.FD", Rec("C01", "ANN"));
  Put("CUST.DIR", Index(0, 1, {{0}, {0}}));
  hl->dialog(Path("Chosen"));
  ASSERT_EQ(CopyCommand(0), 0);
  ASSERT_EQ(hl->dialogs().size(), 1u);
  EXPECT_NE(hl->dialogs()[0].request.initial.find("Backups"), std::string::npos);
  EXPECT_TRUE(Exists("Backups/HOST/BOOKS"));
  EXPECT_EQ(Bytes("Chosen/CUST.FD"), Rec("C01", "ANN"));
  EXPECT_EQ(shown, 0);

  Put("CUST.FD", Rec("C01", "ANN") + Rec("C02", "BOB"));
  hl->dialog(Path("Chosen/cust.fd"));
  ASSERT_EQ(CopyCommand(1), 0);
  EXPECT_EQ(Bytes("CUST.FD"), Rec("C01", "ANN"));

  hl->dialog(Path("Chosen/OTHER.FD"));
  EXPECT_EQ(CopyCommand(1), st::BADINPUTDATA);
  hl->dialog("");
  EXPECT_EQ(CopyCommand(1), st::USERCANCELED);
  hl->dialog("");
  EXPECT_EQ(CopyCommand(0), st::USERCANCELED);
}

}  // namespace
