// Posting an entry into the registry of operations and deleting an entry's
// records, on the demo data.
#include <gtest/gtest.h>

#include <fstream>

#include "ac_fixture.h"
#include "apps/accounting/acdata.h"
#include "apps/accounting/entrywin.h"
#include "apps/accounting/tasks.h"
#include "data/store/datastore.h"
#include "data/store/fileaction.h"
#include "data/store/recbuf.h"
#include "script/objparams.h"

namespace {

int gPolls = 0, gCancelAt = 0;
Status CancelAt() { return ++gPolls == gCancelAt ? st::USERCANCELED : 0; }

class EntryWinTest : public AcDemoTest {
 protected:
  void SetUp() override {
    AcDemoTest::SetUp();
    ASSERT_EQ(AcGenRegistry(oracle.lines), 0) << ErrText(-1).Str();
    const AcGenLine& l = oracle.lines.front();
    date = std::to_string(l.date);
    entry = l.entry;
    std::ofstream(dir.File("POST.PPN"), std::ios::binary)
        << "01 ACC.SET$:\"0\"\n"
           "01 REGIS.SET$:\"N#=0,1\"\n"
           "01 REGIS.WR_EXP$:\"N#=N#+1,DATE{6}=PD$,ENTRY{6}=PE#,N_LINE{6}=N#,CODE{6}='POSTED',N#<=PN#\"\n"
           "01 REGIS.EOT_EXP$:\"0\"\n";
    ASSERT_EQ(ParmStrPush(AcSv("POST.PPN"), 1, 1), 0);
    ASSERT_EQ(Eval("PD$='" + date + "',PE#=" + std::to_string(entry) + ",PN#=3"), 0) << ErrText(-1).Str();
    prefix = date + std::string(6 - std::to_string(entry).size(), ' ') + std::to_string(entry);
  }
  void TearDown() override {
    DataFileCancelPollSet(nullptr);
    ParmStrPop();
    AcDemoTest::TearDown();
  }
  // Every record of a file in key-1 order, and those of a key prefix.
  std::vector<std::string> Images(int file, const std::string& keyPrefix = "") {
    std::vector<std::string> out;
    Status s = DataFileReadKey(file, 1, AcSv(keyPrefix), dfmove::kAlsoOn1);
    while (s < 2) {
      StrAreaScope mark;
      if (KeyValueCur(file, 1).Str().compare(0, keyPrefix.size(), keyPrefix) != 0) break;
      out.push_back(RecBuf(file, kRecCurrent).Str());
      s = DataFileMove(file, dfmove::kNext);
    }
    return out;
  }
  int Posted(int file, const std::string& p) {
    int n = 0;
    for (const std::string& r : Images(file, p)) n += r.find("POSTED") != std::string::npos;
    return n;
  }
  std::string date, prefix;
  int entry = 0;
};

// Posted, then posted again after an edit: the registry holds exactly what
// REGIS writes, replaced and not doubled; other entries untouched.
TEST_F(EntryWinTest, PostingReplacesTheEntrysRegistryRecords) {
  size_t before = Images(6).size(), others = before - Images(6, prefix).size();
  uint32_t count = 0;
  ASSERT_EQ(AcRegistryPost(prefix, 0, StrMake("", 0), &count), 0) << ErrText(-1).Str();
  EXPECT_EQ(Images(6, prefix).size(), 3u);
  EXPECT_EQ(Posted(6, prefix), 3);
  ASSERT_EQ(Eval("PN#=2"), 0);
  ASSERT_EQ(AcRegistryPost(prefix, 0, StrMake("", 0), &count), 0) << ErrText(-1).Str();
  EXPECT_EQ(Images(6, prefix).size(), 2u);
  EXPECT_EQ(Images(6).size(), others + 2);
  EXPECT_EQ(count, 0u);  // ACC wrote no row
}

// Task 13 on the current entry line: the old prefix comes from the saved
// copy of the record; _LKEY$ is cleared. Task 12 without WINDOWS$ says so.
TEST_F(EntryWinTest, PostingTaskAndProcedureTask) {
  ASSERT_EQ(Eval("_LKEY$='x'"), 0);
  ASSERT_LT(DataFileReadKey(9, 1, AcSv(prefix), dfmove::kAlsoOn1), 2);
  EXPECT_EQ(AcRegistryOperDev(25), 0) << ErrText(-1).Str();
  EXPECT_EQ(Posted(6, prefix), 3);
  EXPECT_EQ(Images(6, prefix).size(), 3u);
  EXPECT_EQ(Str("_LKEY$"), "");
  EXPECT_EQ(AcTaskRunProcedure(25), st::BADINPUTDATA);
  EXPECT_EQ(ErrDetail().Str(), "WINDOWS$");
}

// A cancel at any pass of the posting leaves the registry as it was.
TEST_F(EntryWinTest, AFailedPostingLeavesTheRegistryAsItWas) {
  std::vector<std::string> before = Images(6);
  ASSERT_FALSE(Images(6, prefix).empty());
  DataFileCancelPollSet(CancelAt);
  for (int at = 1; at <= 3; ++at) {
    gPolls = 0;
    gCancelAt = at;
    uint32_t count = 0;
    EXPECT_EQ(AcRegistryPost(prefix, 0, StrMake("", 0), &count), st::USERCANCELED) << at;
    EXPECT_EQ(Images(6), before) << at;
  }
}

// An empty key deletes nothing; a key deletes the registry records of its
// entry and, with kind 2, its documents (their entry a six-digit text), and
// nothing else; the kept records go back whole.
TEST_F(EntryWinTest, DeleteEntryRecords) {
  std::vector<std::string> reg = Images(6), docs = Images(7);
  EXPECT_EQ(AcDeleteEntryRecords("", 0, StrMake("", 0), true), st::INDEXCMDERROR);
  EXPECT_EQ(AcDeleteEntryRecords("   ", 0, StrMake("", 0), true), st::INDEXCMDERROR);
  EXPECT_EQ(Images(6), reg);
  EXPECT_EQ(Images(7), docs);
  char docPrefix[32];
  snprintf(docPrefix, sizeof docPrefix, "%s%06d", date.c_str(), entry);
  size_t regEntry = Images(6, prefix).size(), docEntry = Images(7, docPrefix).size();
  ASSERT_GT(regEntry, 0u);
  ASSERT_GT(docEntry, 0u);
  AcKeptRecords kept;
  ASSERT_EQ(AcDeleteEntryRecords(prefix, 0, StrMake("", 0), false, &kept), 0) << ErrText(-1).Str();
  ASSERT_EQ(AcDeleteEntryRecords(docPrefix, 0, StrMake("", 0), true, &kept), 0) << ErrText(-1).Str();
  EXPECT_TRUE(Images(6, prefix).empty());
  EXPECT_TRUE(Images(7, docPrefix).empty());
  EXPECT_EQ(Images(6).size(), reg.size() - regEntry);
  EXPECT_EQ(Images(7).size(), docs.size() - docEntry);
  ASSERT_EQ(kept.Restore(), 0);
  EXPECT_EQ(Images(6), reg);
  EXPECT_EQ(Images(7), docs);
}

// A full-entry delete keys the documents as they are stored: the entry's
// key as its lines hold it ("20240102    12") reaches the document keyed
// "20240102000012" and no other.
TEST_F(EntryWinTest, DeleteEntryRecordsReachesTheEntrysDocument) {
  std::vector<std::string> reg = Images(6), docs = Images(7);
  char docPrefix[32];
  snprintf(docPrefix, sizeof docPrefix, "%s%06d", date.c_str(), entry);
  ASSERT_NE(prefix, docPrefix);
  ASSERT_EQ(Images(7, docPrefix).size(), 1u);
  ASSERT_TRUE(Images(7, prefix).empty());
  AcKeptRecords kept;
  ASSERT_EQ(AcDeleteEntryRecords(prefix, 0, StrMake("", 0), true, &kept), 0) << ErrText(-1).Str();
  EXPECT_TRUE(Images(6, prefix).empty());
  EXPECT_TRUE(Images(7, docPrefix).empty());
  EXPECT_EQ(Images(7).size(), docs.size() - 1);
  ASSERT_EQ(kept.Restore(), 0);
  EXPECT_EQ(Images(7), docs);
  EXPECT_EQ(Images(6), reg);
}

// The old records are put back when their delete fails half way (here the
// entry's lines, whose relation text does not evaluate), not only when the
// posting does; the registry stays open for that.
TEST_F(EntryWinTest, AFailedDeleteOfTheOldRecordsPutsThemBack) {
  std::vector<std::string> reg = Images(6), lines = Images(9);
  ASSERT_FALSE(Images(6, prefix).empty());
  uint32_t count = 0;
  EXPECT_GE(AcRegistryPost(prefix, 9, AcSv("1+("), &count), 128);
  EXPECT_EQ(Images(6), reg);
  EXPECT_EQ(Images(9), lines);
}

// Before posting, the form's ALARM$ must hold and the payments schedule of
// WINDOWS$ item 1 opens when its condition holds: its failure (a key that
// does not evaluate) stops the posting; a false condition or an empty key
// lets it go on.
TEST_F(EntryWinTest, PostingChecksAndOpensThePaymentsSchedule) {
  struct Case {
    const char* definition;
    Status answer;  // 128: an error
    int posted;     // 0: the entry's records as they were
  } cases[] = {
      {"01 WINDOWS$:\"'PAYMENTS,1,0,4,0,0,0,,NOSUCH$(';0\"", 0, 3},
      {"01 WINDOWS$:\"'PAYMENTS,1,0,4,0,0,0,,NOSUCH$(';1\"", 128, 0},
      {"01 WINDOWS$:\"'PAYMENTS,1,0,4,0,0,0,,FN$CHRS(32;2)';1\"", 0, 3},
      {"01 ALARM$:\"0;'Not posted'\"", st::BADUSERDATA, 0},
  };
  for (const Case& c : cases) {
    std::vector<std::string> before = Images(6, prefix);
    std::ofstream(dir.File("POSTW.PPN"), std::ios::binary) << c.definition << "\n" << "01 REGIS.SET$:\"N#=0,1\"\n"
        "01 REGIS.WR_EXP$:\"N#=N#+1,DATE{6}=PD$,ENTRY{6}=PE#,N_LINE{6}=N#,CODE{6}='POSTED',N#<=PN#\"\n"
        "01 REGIS.EOT_EXP$:\"0\"\n";
    ASSERT_EQ(ParmStrPush(AcSv("POSTW.PPN"), 1, 1), 0);
    ASSERT_LT(DataFileReadKey(9, 1, AcSv(prefix), dfmove::kAlsoOn1), 2);
    Status s = AcRegistryOperDev(25);
    ParmStrPop();
    if (c.answer == 128) {
      EXPECT_GE(s, 128) << c.definition;
    } else {
      EXPECT_EQ(s, c.answer) << c.definition << ErrText(-1).Str();
    }
    if (c.posted) {
      EXPECT_EQ(Posted(6, prefix), c.posted) << c.definition;
    } else {
      EXPECT_EQ(Images(6, prefix), before) << c.definition;  // nothing posted, nothing deleted
    }
    ErrClear();
  }
}

}  // namespace
