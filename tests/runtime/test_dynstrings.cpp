#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/memory.h"
#include "support/runtime_fixture.h"

namespace {

StrValue S(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

using Model = std::vector<std::vector<std::string>>;

Model Snapshot() {
  Model m(kDynLists);
  for (uint16_t n = 0; n < kDynLists; ++n)
    for (uint32_t i = 0; i < DynStrCount(n); ++i) m[n].push_back(DynStrGet(n, i).Str());
  return m;
}

class DynStoreTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(DynStrInit(), 0);
  }
  void TearDown() override {
    EXPECT_TRUE(DynStrCheck());
    RuntimeTest::TearDown();
  }
};

TEST_F(DynStoreTest, SettingBeyondTheCountAppendsEmptyElements) {
  ASSERT_EQ(DynStrSet(5, 3, S("x")), 0);
  EXPECT_EQ(DynStrCount(5), 4u);
  EXPECT_EQ(Snapshot()[5], (std::vector<std::string>{"", "", "", "x"}));
  EXPECT_EQ(DynStrGet(5, 4).View(), "");
  EXPECT_EQ(DynStrGet(39, 0).View(), "");
  EXPECT_EQ(DynStrSlotsUsed(), 4u);
  EXPECT_EQ(DynStrBytesUsed(), 1u);
}

// A change of length moves the lengths, data and kept offsets of all later
// lists: a random mix of operations over every list, with a store holding
// well over a thousand strings, must keep every other element intact, as a
// plain model of vectors says. Rewrites of the same length (which move
// nothing) are mixed in.
TEST_F(DynStoreTest, RandomChangesKeepEveryListAsTheModelSays) {
  Model model(kDynLists);
  std::mt19937 rng(12345);
  for (int step = 0; step < 12000; ++step) {
    auto n = static_cast<uint16_t>(rng() % kDynLists);
    auto& v = model[n];
    std::string text(rng() % 40, static_cast<char>('a' + step % 26));
    switch (rng() % 6) {
      case 4:
        if (v.empty()) break;
        {
          uint32_t i = static_cast<uint32_t>(rng() % v.size());
          std::string same(v[i].size(), static_cast<char>('A' + step % 26));
          ASSERT_EQ(DynStrSet(n, i, S(same)), 0);
          v[i] = same;
        }
        break;
      case 0: {
        uint32_t i = static_cast<uint32_t>(rng() % (v.size() + 3));
        ASSERT_EQ(DynStrSet(n, i, S(text)), 0);
        if (i >= v.size()) v.resize(i + 1);
        v[i] = text;
        break;
      }
      case 1:
      case 5:  // pushes twice as often: the store fills up
        ASSERT_EQ(DynStrPush(n, S(text)), 0);
        v.push_back(text);
        break;
      case 2: {
        uint32_t i = static_cast<uint32_t>(rng() % (v.size() + 2));
        ASSERT_EQ(DynStrDelete(n, i), 0);
        if (i < v.size()) v.erase(v.begin() + i);
        break;
      }
      default:
        ASSERT_EQ(DynStrPop(n), 0);
        if (!v.empty()) v.erase(n >= kDynQueueFirst ? v.begin() : v.end() - 1);
        break;
    }
    if (v.size() > 45) {
      ASSERT_EQ(DynStrPopTo(n, 20), 0);
      while (v.size() > 20) v.erase(n >= kDynQueueFirst ? v.begin() : v.end() - 1);
    }
    ASSERT_TRUE(DynStrCheck()) << "step " << step;
    if (step % 100 == 0) {
      ASSERT_EQ(Snapshot(), model) << "step " << step;
    }
  }
  EXPECT_EQ(Snapshot(), model);
  EXPECT_GT(DynStrSlotsUsed(), 1000u);
}

TEST_F(DynStoreTest, AnElementCanBeSetFromASliceOfTheStore) {
  ASSERT_EQ(DynStrSet(1, 0, S("source-text")), 0);
  ASSERT_EQ(DynStrSet(20, 0, S("0123456789")), 0);
  ASSERT_EQ(DynStrSet(20, 1, S("later-list")), 0);
  ASSERT_EQ(DynStrSet(5, 0, StrMid(DynStrGet(1, 0), 7, 4)), 0);   // source before the target
  ASSERT_EQ(DynStrSet(5, 1, StrMid(DynStrGet(20, 1), 0, 5)), 0);  // source after the target
  ASSERT_EQ(DynStrSet(1, 0, StrMid(DynStrGet(1, 0), 0, 6)), 0);   // an element from itself
  EXPECT_EQ(DynStrGet(5, 0).View(), "text");
  EXPECT_EQ(DynStrGet(5, 1).View(), "later");
  EXPECT_EQ(DynStrGet(1, 0).View(), "source");
  EXPECT_EQ(DynStrGet(20, 1).View(), "later-list");
}

TEST_F(DynStoreTest, QueuesTakeFromTheHeadStacksFromTheTail) {
  struct Case {
    uint16_t list;
    const char* top;   // after pushing A, B, C
    const char* left;  // after popping twice
  } cases[] = {{1, "C", "A"}, {36, "C", "A"}, {FileLinesQueue, "A", "C"}, {SecondLinesQueue, "A", "C"}};
  for (const Case& c : cases) {
    for (const char* t : {"A", "B", "C"}) DynStrPush(c.list, S(t));
    EXPECT_EQ(DynStrTop(c.list).Str(), c.top) << c.list;
    EXPECT_EQ(DynStrPop(c.list), 0);
    uint16_t mark = StrAreaMark(-1);
    EXPECT_EQ(DynStrPopString(c.list).Str(), "B") << c.list;
    EXPECT_EQ(StrAreaMark(-1), mark + 1);  // the copy lives in the string area
    EXPECT_EQ(Snapshot()[c.list], std::vector<std::string>{c.left}) << c.list;
    DynStrPush(c.list, S("D"));
    EXPECT_EQ(DynStrPopTo(c.list, 1), 0);
    EXPECT_EQ(DynStrCount(c.list), 1u);
    EXPECT_EQ(DynStrPopTo(c.list, 0), 0);
    EXPECT_EQ(DynStrPopString(c.list).Str(), "");
    EXPECT_EQ(DynStrPop(c.list), 0);
  }
}

TEST_F(DynStoreTest, TheLastSlotAndTheLastDataByteAreNeverUsed) {
  ASSERT_EQ(DynStrSet(SecondLinesQueue, 2046, S("")), 0);  // 2047 slots in use
  Model before = Snapshot();
  EXPECT_EQ(DynStrPush(SettingsList, S("x")), st::STROUTBOUND);
  EXPECT_EQ(ErrGet(), static_cast<uint32_t>(st::LOADSTRERROR) | (MOD_STRINGASSIGN << 16));
  EXPECT_EQ(Snapshot(), before);
  ErrClear();
  EXPECT_EQ(DynStrSet(SecondLinesQueue, 2048, S("x")), st::STROUTBOUND);  // no such slot
  EXPECT_EQ(ErrGet(), static_cast<uint32_t>(st::STROUTBOUND) | (MOD_DYNSTRINGS << 16));
  ASSERT_EQ(DynStrClear(SecondLinesQueue), 0);
  EXPECT_EQ(DynStrSlotsUsed(), 0u);

  ErrClear();
  ErrSet(1, MOD_DATAFILE, st::FILENOTFOUND, 0);  // an earlier error is kept
  ASSERT_EQ(DynStrSet(3, 0, S(std::string(kDynDataCapacity - 1, 'd'))), 0);
  EXPECT_EQ(DynStrPush(4, S("x")), st::STROUTBOUND);
  EXPECT_EQ(DynStrSet(3, 0, S(std::string(kDynDataCapacity, 'd'))), st::STROUTBOUND);
  EXPECT_EQ(DynStrGet(3, 0).len, kDynDataCapacity - 1);
  EXPECT_EQ(DynStrCount(4), 0u);
  EXPECT_EQ(ErrGet(), static_cast<uint32_t>(st::FILENOTFOUND) | (MOD_DATAFILE << 16));
  EXPECT_EQ(DynStrSet(3, 0, S("small")), 0);  // shrinking always fits
  EXPECT_EQ(DynStrBytesUsed(), 5u);
}

TEST_F(DynStoreTest, BadListsAndErrorStringsAreRefused) {
  EXPECT_EQ(DynStrSet(kDynLists, 0, S("x")), st::STROUTBOUND);
  EXPECT_EQ(DynStrSlotIndex(kDynLists, 0, false), 65535);
  EXPECT_EQ(DynStrSet(3, 0, StrErr(st::FILENOTFOUND)), st::FILENOTFOUND);
  EXPECT_EQ(DynStrCount(3), 0u);
  ErrClear();
  EXPECT_EQ(DynStrSet(3, 0, StrErr(st::OUTOFDATA)), st::OUTOFDATA);  // soft: handed back only
  EXPECT_EQ(ErrGet(), 0u);
  EXPECT_EQ(DynStrSet(3, 0, StrErr(st::FILENOTFOUND)), st::FILENOTFOUND);
  EXPECT_EQ(ErrGet(), static_cast<uint32_t>(st::LOADSTRERROR) | (MOD_STRINGASSIGN << 16));
}

// Clearing the error detail deletes item 9 of list 9 even when the list is
// shorter; that must never reach into the next list.
TEST_F(DynStoreTest, DeletingBeyondTheCountTouchesNothing) {
  for (const char* t : {"a", "b", "c"}) DynStrPush(SystemTextList, S(t));
  DynStrPush(10, S("next list"));
  Model before = Snapshot();
  EXPECT_EQ(DynStrDelete(SystemTextList, SysErrDetailItem), 0);
  EXPECT_EQ(DynStrDelete(SystemTextList, 3), 0);
  EXPECT_EQ(DynStrDelete(kDynLists, 0), 0);
  EXPECT_EQ(DynStrPop(11), 0);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(DynStrDelete(SystemTextList, 1), 0);
  EXPECT_EQ(Snapshot()[SystemTextList], (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(DynStrGet(10, 0).View(), "next list");
}

TEST_F(DynStoreTest, CountOfThirtyNineSumsListsThirtyToThirtyEight) {
  DynStrPush(29, S("not counted"));
  DynStrPush(ResultsStack, S("a"));
  DynStrSet(ArgStack, 2, S("b"));
  DynStrPush(SecondLinesQueue, S("c"));
  EXPECT_EQ(DynStrCount(kDynLists), 5u);
}

TEST(DynStoreLifecycle, CreationStartsTheMemoryTableAndShutdownFreesTheStore) {
  MemShutdown(true);
  ASSERT_FALSE(MemTableActive());
  EXPECT_FALSE(DynStrReady());
  EXPECT_EQ(DynStrGet(SettingsList, 0).View(), "");  // a stale block is never read
  ASSERT_EQ(DynStrInit(), 0);
  EXPECT_TRUE(MemTableActive());
  EXPECT_TRUE(StrAreaReady());
  EXPECT_EQ(DynStrInit(), st::UNDEFWARNING);
  ASSERT_EQ(DynStrPush(SettingsList, S("kept")), 0);
  EXPECT_EQ(RuntimeMemFree(), 0);  // store, string area and table all freed
  EXPECT_FALSE(MemTableActive());
  EXPECT_FALSE(DynStrReady());
  EXPECT_EQ(DynStrPush(SettingsList, S("x")), st::STROUTBOUND);
  RuntimeTearDown();
}

TEST(DynStoreLifecycle, ErrorDetailLivesInSystemTextItemNine) {
  RuntimeReset();
  ErrDetailSet(0, S("before the store"), false);  // no store yet: kept aside
  EXPECT_EQ(ErrDetail().View(), "before the store");
  ASSERT_EQ(DynStrInit(), 0);
  EXPECT_EQ(ErrDetail().View(), "before the store");
  EXPECT_EQ(DynStrGet(SystemTextList, SysErrDetailItem).View(), "before the store");
  ErrDetailSet(0, S("CUST.FD"), true);
  EXPECT_EQ(DynStrGet(SystemTextList, SysErrDetailItem).View(), "before the store\r\nCUST.FD");

  // With the store full, the detail still works and no error is recorded.
  ASSERT_EQ(DynStrSet(3, 0, S(std::string(kDynDataCapacity - 40, 'd'))), 0);
  ErrClear();
  ErrDetailSet(0, S(std::string(100, 'n')), false);
  EXPECT_EQ(ErrDetail().View(), std::string(100, 'n'));
  EXPECT_EQ(ErrGet(), 0u);
  DynStrClear(3);
  EXPECT_EQ(ErrDetail().View(), std::string(100, 'n'));
  EXPECT_EQ(DynStrGet(SystemTextList, SysErrDetailItem).View(), std::string(100, 'n'));
  ErrDetailSet(0, S(""), false);
  RuntimeTearDown();
}

TEST(DynStoreLifecycle, AppendedDetailIsCutBackAtALineEnd) {
  RuntimeReset();
  ASSERT_EQ(DynStrInit(), 0);
  std::string line(98, 'x');
  std::string lines = line;
  for (int k = 1; k < 15; ++k) lines += "\r\n" + line;  // 15 lines of 100 bytes
  ErrDetailSet(0, S(lines), false);
  ASSERT_EQ(ErrDetail().len, 15 * 100 - 2);
  ErrDetailSet(0, S("new"), true);
  std::string d = ErrDetail().Str();
  EXPECT_LE(d.size(), 1024u + 5);
  EXPECT_EQ(d.substr(d.size() - 5), "\r\nnew");
  EXPECT_EQ(d.substr(d.size() - 105, 100), "\r\n" + line);
  ErrDetailSet(0, S(""), false);
  RuntimeTearDown();
}

}  // namespace
