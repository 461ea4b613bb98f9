// Selections, conditional scans, range counts, the open-state lists and the
// list built-in StGetList.
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "data/bridges/dataui.h"
#include "data/store/openstate.h"
#include "data/scans/scan.h"
#include "data/scans/selection.h"
#include "data/scans/stgetlist.h"
#include "runtime/memory.h"
#include "screens/forms/popup.h"
#include "screens/forms/progress.h"
#include "support/headless_fixture.h"
#include "sel_fixture.h"

namespace {

uint32_t BytesOf(uint16_t owner) {
  uint32_t n = 0;
  for (uint16_t i = 0; i < MemSlotCount(); ++i)
    if (MemSlotAt(i)->ptr && MemSlotAt(i)->owner == owner) n += MemSlotAt(i)->size;
  return n;
}

TEST_F(SelTest, SelectionLifecycleOnOneFile) {
  ASSERT_EQ(DataFileReadKey(1, 1, Sv("A010"), 0), 0);
  std::string before = RecBuf(1, 3).Str();
  // Nothing qualifies: 2, the buffers as they were, no slot held.
  EXPECT_EQ(SelOpen(1, 1, Sv("C"), Sv("C"), kSelAllRows, 0, Sv("")), dfres::kEnd);
  EXPECT_EQ(RecBuf(1, 3).Str(), before);
  EXPECT_EQ(SelSlotsBusy(), 0);
  EXPECT_EQ(BytesOf(MOD_LOCALLISTS), 0u);
  EXPECT_EQ(SelRelease(1), 0);
  // The first selection of the run is visible; 33 rows grow the array twice.
  ASSERT_EQ(SelOpen(1, 1, Sv("A"), Sv("A"), kSelAllRows, 0, Sv("")), 0);
  EXPECT_EQ(SelCount(1), 33);
  EXPECT_EQ(BytesOf(MOD_LOCALLISTS), 64u * 4);
  EXPECT_EQ(SelRowRead(1, 1, 32), 0);
  EXPECT_EQ(Code(), "A033");
  EXPECT_EQ(SelFieldGet(1, 4, 2).Str(), "nA005 ");
  ErrClear();
  EXPECT_EQ(SelRowRead(1, 1, 33), st::DATAOUTBOUND);
  // Nested: a condition, then a maximum; the fourth on the file is refused.
  ASSERT_EQ(SelOpen(1, 1, Sv("A"), Sv("A"), kSelAllRows, 0, Sv("AMOUNT{1}>30")), 0);
  EXPECT_EQ(SelCount(1), 3);
  ASSERT_EQ(SelOpen(1, 2, Sv("nB"), Sv(""), 2, 0, Sv("")), 0);
  EXPECT_EQ(SelCount(1), 2);
  EXPECT_EQ(SelRowRead(1, 3, 1), 0);
  EXPECT_EQ(Code(), "B002");
  ErrClear();
  EXPECT_EQ(SelOpen(1, 1, Sv("A"), Sv("A"), kSelAllRows, 0, Sv("")), st::DATAOUTBOUND);
  EXPECT_EQ(SelSlotsBusy(), 3);
  // A release makes the previous selection current.
  EXPECT_EQ(SelRelease(1), 0);
  EXPECT_EQ(SelCount(1), 3);
  EXPECT_EQ(SelRelease(1), 0);
  EXPECT_EQ(SelCount(1), 33);
  EXPECT_EQ(SelRelease(1), 0);
  EXPECT_EQ(SelCount(1), 0);
  EXPECT_EQ(SelSlotsBusy(), 0);
  EXPECT_EQ(BytesOf(MOD_LOCALLISTS), 0u);
}

TEST_F(SelTest, EightSlotsAreSharedByAllFiles) {
  Add(2, "GRP{2}='G1',SEQ{2}='01',VAL{2}='x'");
  Add(3, "CODE{3}='X001'");
  int files[] = {1, 1, 1, 2, 2, 2, 3, 3};
  for (int n : files) ASSERT_EQ(SelOpen(n, 1, Sv(""), Sv(""), kSelAllRows, 0, Sv("")), 0) << n;
  EXPECT_EQ(SelSlotsBusy(), 8);
  ErrClear();
  EXPECT_EQ(SelOpen(3, 1, Sv(""), Sv(""), kSelAllRows, 0, Sv("")), st::DATAOUTBOUND);
  // A closed file loses its selections; their slots serve again.
  ASSERT_EQ(DataFileClose(1), 0);
  ASSERT_LT(DataFileOpen(1, 0), 128);
  EXPECT_EQ(SelCount(1), 0);
  ASSERT_EQ(SelOpen(3, 1, Sv(""), Sv(""), kSelAllRows, 0, Sv("")), 0);
  SelFreeAll();
  EXPECT_EQ(SelSlotsBusy(), 0);
  EXPECT_EQ(BytesOf(MOD_LOCALLISTS), 0u);
}

TEST_F(SelTest, KeyPrefixModeAndBadKeys) {
  const StrAreaScope scope;
  EXPECT_EQ(SelKeyPrefix(Sv("AB"), 2).Str(), "AC");
  EXPECT_EQ(SelKeyPrefix(Sv("AB"), 3).Str(), "AB");
  // Mode 2 starts after every key that begins with the text.
  ASSERT_EQ(SelOpen(1, 1, Sv("A"), Sv(""), kSelAllRows, 2, Sv("")), 0);
  EXPECT_EQ(SelCount(1), 7);
  EXPECT_EQ(SelRelease(1), 0);
  ErrClear();
  EXPECT_EQ(SelOpen(1, 3, Sv(""), Sv(""), kSelAllRows, 0, Sv("")), st::DATAOUTBOUND);
  EXPECT_EQ(SelOpen(1, 1, Sv(""), Sv(""), kSelAllRows, 0, Sv("1+'a'")), st::TYPEMISMATCH);
  EXPECT_EQ(SelSlotsBusy(), 0);
}

// 65536 records written as a fixture file: the selection of all of them
// stops at 65535 rows with 168 and holds no slot.
TEST_F(SelTest, ASelectionHoldsAtMost65535Rows) {
  ASSERT_EQ(DataFileClose(3), 0);
  constexpr uint32_t kRecords = 65536;
  std::string data, index(8, '\0');
  index[4] = 0, index[6] = 1;  // N = 65536, F = 0
  for (uint32_t r = 0; r < kRecords; ++r) {
    char code[8];
    std::snprintf(code, sizeof code, "%04X", r);
    data += code;
    for (int b = 0; b < 4; ++b) index += static_cast<char>((r >> (8 * b)) & 0xff);
  }
  Write("OTHER.FD", data);
  Write("OTHER.DIR", index);
  ASSERT_LT(DataFileOpen(3, 0), 128) << ErrDetail().Str();
  ErrClear();
  EXPECT_EQ(SelOpen(3, 1, Sv(""), Sv(""), kSelAllRows, 0, Sv("")), st::DATAOUTBOUND);
  EXPECT_NE(ErrDetail().Str().find("OTHER"), std::string::npos);
  EXPECT_EQ(SelSlotsBusy(), 0);
  EXPECT_EQ(SelRelease(3), 0);
  ASSERT_EQ(SelOpen(3, 1, Sv(""), Sv(""), 65535, 0, Sv("")), 0);
  EXPECT_EQ(SelCount(3), 65535);
  EXPECT_EQ(SelRelease(3), 0);
}

TEST_F(SelTest, DeleteAllRemovesExactlyTheMatchingRecords) {
  ASSERT_EQ(SelDeleteAll(1, 1, Sv("A00"), Sv("AMOUNT{1}>5")), 0) << ErrDetail().Str();
  uint32_t left = 0;
  ASSERT_EQ(DataFileCountRange(1, 1, Sv(""), Sv(""), Sv(""), &left), 0);
  EXPECT_EQ(left, 40u - 4u);  // A006-A009
  for (const char* code : {"A001", "A005", "A010", "A012", "B007"})
    EXPECT_EQ(DataFileReadKey(1, 1, Sv(code), 0), 0) << code;
  for (const char* code : {"A006", "A009"}) EXPECT_EQ(DataFileReadKey(1, 1, Sv(code), 0), 1) << code;
  EXPECT_EQ(SelDeleteAll(1, 1, Sv("C"), Sv("")), 0);  // nothing qualifies
  EXPECT_EQ(SelSlotsBusy(), 0);
  EXPECT_EQ(DataFileStore(1)->File().FreeCount(), 4u);
  EXPECT_EQ(Check(1), "");
}

TEST_F(SelTest, CountsRestorePositionAndBuffers) {
  ASSERT_EQ(DataFileReadKey(1, 1, Sv("A020"), 0), 0);
  std::string before = RecBuf(1, 3).Str();
  struct Case {
    const char* start;
    const char* limit;
    const char* cond;
    uint32_t count;
  } cases[] = {
      {"", "", "", 40},  {"", "", "1", 40},     {"A", "A", "", 33},         {"A02", "A03", "", 14},
      {"B", "", "", 7},  {"C", "", "", 0},      {"A", "A", "AMOUNT{1}>30", 3},
  };
  for (const Case& c : cases) {
    uint32_t n = 99;
    EXPECT_EQ(DataFileCountRange(1, 1, Sv(c.start), Sv(c.limit), Sv(c.cond), &n), 0) << c.start;
    EXPECT_EQ(n, c.count) << c.start << " " << c.limit << " " << c.cond;
    EXPECT_EQ(RecBuf(1, 3).Str(), before) << c.start;
  }
  EXPECT_EQ(DataFileMove(1, dfmove::kNext), 0);
  EXPECT_EQ(Code(), "A021");
  // Without an index: the data file's records, deleted ones included.
  ASSERT_EQ(DataFileReadKey(1, 1, Sv("A005"), 0), 0);
  ASSERT_EQ(DataFileDelete(1, 0), 0);
  uint32_t n = 0;
  EXPECT_EQ(DataFileCountRange(1, 1, Sv(""), Sv(""), Sv(""), &n), 0);
  EXPECT_EQ(n, 39u);
  ASSERT_EQ(DataFileOpen(1, dfopen::kNoIndex | dfopen::kReadOnly), dfres::kEnd);
  EXPECT_EQ(DataFileCountRange(1, 1, Sv(""), Sv(""), Sv(""), &n), 0);
  EXPECT_EQ(n, 40u);
}

TEST_F(SelTest, ScansWalkKeyOrderOrRecordOrder) {
  auto walk = [&](int key, const char* start, const char* limit, const char* cond) {
    std::string out;
    for (Status s = DataFileScanFirst(1, key, Sv(start), Sv(limit), Sv(cond), nullptr); s == 0;
         s = DataFileScanNext(1, key, DynStrGet(SystemTextList, SysScanCondItem), Sv(limit), nullptr, nullptr))
      out += Code() + ",";
    return out;
  };
  EXPECT_EQ(walk(1, "A03", "A03", "AMOUNT{1}<>32"), "A030,A031,A033,");
  EXPECT_EQ(DynStrGet(SystemTextList, SysScanCondItem).Str(), "AMOUNT{1}<>32");
  EXPECT_EQ(walk(2, "nB005", "", ""), "B005,B006,B007,");
  // Record order without an index, deleted records skipped.
  ASSERT_EQ(DataFileReadKey(1, 1, Sv("B002"), 0), 0);
  ASSERT_EQ(DataFileDelete(1, 0), 0);
  EXPECT_EQ(walk(0, "", "", "AMOUNT{1}>32"), "A033,B001,B003,B004,B005,B006,B007,");
  ASSERT_EQ(DataFileOpen(1, dfopen::kNoIndex), dfres::kEnd);
  EXPECT_EQ(walk(1, "", "", "AMOUNT{1}>37"), "B005,B006,B007,");
}

// The open-state lists beyond the ones of the statement tests: explicit
// flags, 0 closing a file that is not the last, and flags that are no number.
TEST_F(SelTest, OpenStateListsWithFlags) {
  struct Step {
    const char* text;
    Status answer;
    int flags[5];  // the open flags of files 1-5 afterwards
    int current;
  } steps[] = {
      {"3;1,5", 0, {0, 0, 1, 0, 8}, 5},
      {"ITEMS;1, 2;0, FOUR", 0, {1, 0, 0, 8, 0}, 4},
      {"1;x,2", st::BADINPUTDATA, {1, 0, 0, 8, 0}, 4},
      {"1;300,2", st::BADINPUTDATA, {1, 0, 0, 8, 0}, 4},
      {"RESTORE", 0, {0, 0, 1, 0, 8}, 5},
  };
  for (const Step& s : steps) {
    ErrClear();
    EXPECT_EQ(DataFileStatePush(Sv(s.text)), s.answer) << s.text;
    for (int n = 1; n <= 5; ++n) EXPECT_EQ(DataFileCtrl(n)->openFlags, s.flags[n - 1]) << s.text << " file " << n;
    EXPECT_EQ(VarSysIntGet(kSysCurFil), s.current) << s.text;
  }
  ErrClear();
  EXPECT_EQ(DataFileStatePush(Sv("1;x,2")), st::BADINPUTDATA);
  EXPECT_EQ(ErrDetail().Str(), "1;x");
  EXPECT_EQ(DataFileLastInList(Sv("1;1, FIVE;0")), 5);
  EXPECT_EQ(DataFileLastInList(Sv("1,NOSUCH")), 0);
  EXPECT_EQ(DataFileStatePush(Sv("RESTORE")), 0);
  EXPECT_EQ(DynStrCount(OpenFileStatesList), 0u);
}

// StGetList over five first-key values: the values within the bound go into
// the sorted list, and the file is left on the record of the first one.
class StGetListTest : public SelTest {
 protected:
  void SetUp() override {
    SelTest::SetUp();
    ASSERT_EQ(StGetListRegister(), 0);
    const char* rows[][3] = {
        {"G1", "01", "Bx"}, {"G1", "02", "Aa"}, {"G2", "01", "Bq\"'z"}, {"G2", "02", "Bx"},
        {"G3", "01", "Cc"}, {"G4", "01", "Bq\"'z"}, {"G4", "02", "Ba"}, {"G5", "01", "Z"},
    };
    for (auto& r : rows) {
      ASSERT_EQ(DataFileMove(2, dfmove::kNew), dfres::kNewRecord);
      for (int f = 1; f <= 3; ++f) ASSERT_EQ(RecFieldSet(2, f, Sv(r[f - 1])), 0) << r[2];
      ASSERT_EQ(DataFileInsert(2), 0) << r[2];
    }
    VarSysIntSet(kSysCurFil, 2);
  }
  void TearDown() override {
    StGetListFree();
    SelTest::TearDown();
  }
  std::string Values() {
    SortList& list = const_cast<SortList&>(StGetListValues());
    std::string out;
    const StrAreaScope scope;
    for (Status s = SortListMove(kSortFirst, &list); s == 0 && list.count; s = SortListMove(kSortNext, &list))
      out += SortListItem(list).Str() + "|";
    return out;
  }
};

TEST_F(StGetListTest, CollectsTheBoundedValuesAndSeeksTheFirst) {
  ErrClear();
  EXPECT_EQ(ExpEvalInt(Sv("StGetList('NEW';1;'';'';1;'VAL{2}';'B';1)")), 0) << ErrDetail().Str();
  EXPECT_EQ(ErrGet(), 0u) << ErrDetail().Str();  // the display seams left nothing behind
  EXPECT_EQ(Values(), "Ba      |Bq\"'z   |Bx      |");
  EXPECT_EQ(Cur(2), "G402Ba      ");
  EXPECT_EQ(SelSlotsBusy(), 0);
  EXPECT_EQ(SelCount(2), 0);
  // A range of two values, no bound: the first value holds both quotes.
  EXPECT_EQ(ExpEvalInt(Sv("StGetList('new';1;'G2';'G2';1;'VAL{2}';'';0)")), 0) << ErrDetail().Str();
  EXPECT_EQ(Values(), "Bq\"'z   |Bx      |");
  EXPECT_EQ(Cur(2), "G201Bq\"'z   ");
  EXPECT_EQ(ExpEvalInt(Sv("StGetList('NEW';1;'H';'';1;'VAL{2}';'';0)")), dfres::kEnd);
  EXPECT_EQ(ExpEvalInt(Sv("StGetList('KILL')")), 0);
  EXPECT_EQ(StGetListValues().count, 0);
  EXPECT_EQ(BytesOf(MOD_SORT), 0u);
  EXPECT_EQ(SelSlotsBusy(), 0);
}

TEST_F(StGetListTest, RefusesBadArguments) {
  std::string many;
  for (int i = 0; i < 33; ++i) many += i ? ",VAL{2}" : "VAL{2}";
  struct Case {
    std::string call;
    Status code;
  } cases[] = {
      {"StGetList('NEW';1;'';'';1;'" + many + "';'';0)", st::SINTAXERROR},
      {"StGetList('NEW';1;'';'';1;'';'';0)", st::SINTAXERROR},
      {"StGetList('NEW';1;'';'';1;'NOPE{2}';'';0)", st::SINTAXERROR},
      {"StGetList('OLD')", st::SINTAXERROR},
  };
  for (const Case& c : cases) {
    ErrClear();
    EXPECT_EQ(ExpEvalStatus(Sv(c.call)), c.code) << c.call;
  }
  EXPECT_EQ(SelSlotsBusy(), 0);
}

// Each first-key value is shown in the progress window as the walk goes, and
// the window is gone when the built-in answers; so is the message popup
// shown while the list is built.
TEST_F(StGetListTest, ShowsEachKeyInTheProgressWindowAndClosesIt) {
  std::vector<std::string> reports;
  ui::Headless* hl = HeadlessFailMode(reports);
  DataUi ui = DataUiGet();
  DataUi saved = ui;
  ui.progressText = ProgressText;
  ui.progressClose = ProgressClose;
  ui.popupShow = PopupMsgShow;
  ui.popupClose = PopupMsgClose;
  DataUiSet(ui);
  EXPECT_EQ(ExpEvalInt(Sv("StGetList('NEW';1;'G2';'G4';1;'VAL{2}';'';0)")), 0) << ErrDetail().Str();
  std::vector<std::string> texts;
  std::string popup;  // its handle, as the transcript writes it
  for (const std::string& line : hl->transcript()) {
    if (line.starts_with("text ")) texts.push_back(line.substr(line.find('"')));
    if (line.starts_with("create ") && line.find("class=\"STATIC\" title=\"Hello world\"") != std::string::npos) {
      EXPECT_TRUE(texts.empty()) << "the popup comes first";
      popup = line.substr(7, line.find(' ', 7) - 7);
    }
  }
  ASSERT_FALSE(popup.empty());
  EXPECT_EQ(hl->transcript().back(), "destroy " + popup);  // closed last
  EXPECT_EQ(PopupMsgWindow(), 0u);
  EXPECT_EQ(texts, (std::vector<std::string>{"\"Process in progress.....G2\"", "\"Process in progress.....G3\"",
                                             "\"Process in progress.....G4\""}));
  EXPECT_FALSE(ProgressIsOpen());
  EXPECT_EQ(WinCount(), 0);
  EXPECT_TRUE(reports.empty()) << reports.front();
  DataUiSet(saved);
  ui::shutdown();
  WinListReset();
}

}  // namespace
