// Order numbers of grouped lines: renumbering on insert and delete, the
// duplicate repair, the number of a new line, and numbers that do not fit.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "data/store/recio.h"
#include "runtime/errors.h"
#include "navorder_fixture.h"

namespace {

TEST_F(NavOrderTest, FitMakesRoomAndClosesGaps) {
  Group("B", {1, 2});  // another group: never touched
  const std::vector<std::string> other = Lines("B");
  GridReset(Buf());

  // Insert at 3 of 1-5: the grid already shows the blank row at 3.
  Group("A", {1, 2, 3, 4, 5});
  GridReset(Buf());
  for (int r = 1, n = 1; r <= 6; ++r) {
    if (r == 3) Row(r, "A", "", 0);
    else Row(r, "A", std::string(1, static_cast<char>('a' + n - 1)), n), ++n;
  }
  Buf().curRow = 3;
  ReadKey(Key("A", 3));
  int32_t lines = 0;
  ASSERT_EQ(NavsOrderFit(+1, 0, Key("A", 3), &lines), 0) << ErrDetail().Str();
  EXPECT_EQ(lines, 3);
  EXPECT_EQ(Lines("A"), (std::vector<std::string>{"1:a", "2:b", "4:c", "5:d", "6:e"}));
  EXPECT_EQ(Column(), (std::vector<std::string>{"1", "2", "", "4", "5", "6"}));
  EXPECT_EQ(RecFieldGet(kNavs, 2).Str(), "  3");  // the current record as it was

  // Delete 2 of 1-4: the record goes, the grid row goes, then the fit.
  Group("C", {1, 2, 3, 4}, false);
  GridReset(Buf());
  Row(1, "C", "a", 1), Row(2, "C", "c", 3), Row(3, "C", "d", 4);
  Buf().curRow = 2;
  ReadKey(Key("C", 2));
  ASSERT_LT(DataFileDelete(kNavs, 0), 128);
  ASSERT_EQ(NavsOrderFit(-1, 0, Key("C", 2), &lines), 0) << ErrDetail().Str();
  EXPECT_EQ(lines, 2);
  EXPECT_EQ(Lines("C"), (std::vector<std::string>{"1:a", "2:c", "3:d"}));
  EXPECT_EQ(Column(), (std::vector<std::string>{"1", "2", "3"}));

  // The end of a group: nothing after the key.
  ASSERT_EQ(NavsOrderFit(-1, 0, Key("C", 9), &lines), 0);
  EXPECT_EQ(lines, 0);
  for (int direction : {0, 2, -2}) {
    EXPECT_EQ(NavsOrderFit(direction, 0, Key("C", 1)), st::BADINPUTDATA) << direction;
  }
  EXPECT_EQ(Lines("B"), other);
  EXPECT_EQ(Check(kNavs), "");
}

// A line stored at 3 before a gap (5, 6): its record is written and the
// lines after it go on from 4; the last line of a group, or one before the
// next number, changes nothing.
TEST_F(NavOrderTest, InsertCheckClosesTheNumberingBehindALine) {
  Group("A", {1, 2, 5, 6});
  Group("B", {1}, false);
  Buf().curRow = 2;
  ASSERT_EQ(RecBufClear(kNavs, 3), 0);
  ASSERT_EQ(RecBufSet(kNavs, kRecCurrent, S(Line("A", 3, "new"))), 0);
  ASSERT_EQ(NavsOrderInsertCheck(Key("A", 3), 0), 0) << ErrDetail().Str();
  EXPECT_EQ(Lines("A"), (std::vector<std::string>{"1:a", "2:b", "3:new", "4:c", "5:d"}));
  EXPECT_EQ(RecBufChanged(kNavs), 0);
  const std::vector<std::string> before = Records(kNavs);
  ReadKey(Key("A", 5));
  EXPECT_EQ(NavsOrderInsertCheck(Key("A", 5), 0), 0);
  ReadKey(Key("A", 3));
  EXPECT_EQ(NavsOrderInsertCheck(Key("A", 3), 0), 0);
  EXPECT_EQ(Records(kNavs), before);
  EXPECT_EQ(Check(kNavs), "");
}

TEST_F(NavOrderTest, NumbersThatDoNotFitChangeNothing) {
  Group("A", {997, 998, 999});
  const std::vector<std::string> before = Records(kNavs);
  Buf().curRow = 2;
  ReadKey(Key("A", 998));
  EXPECT_EQ(NavsOrderFit(+1, 0, Key("A", 998)), st::DATAOUTBOUND);
  EXPECT_EQ(Records(kNavs), before);
  EXPECT_EQ(Column(), (std::vector<std::string>{"997", "998", "999"}));
  // The next free number of a group ending at 999.
  ReadKey(Key("A", 999));
  EXPECT_EQ(NavsOrderNext(0), st::DATAOUTBOUND);
  EXPECT_EQ(NavsOrderSetValue(0, 1000), st::DATAOUTBOUND);
  EXPECT_EQ(Records(kNavs), before);
  // And a repair that would need 1000.
  Add(kNavs, Line("A", 999, "z"));
  const std::vector<std::string> dup = Records(kNavs);
  EXPECT_EQ(_navsOrderUnique(kNavs, Key("A", 999)), st::DATAOUTBOUND);
  EXPECT_EQ(Records(kNavs), dup);
}

TEST_F(NavOrderTest, NextNumbersOfNewLines) {
  Group("A", {1, 2, 3});
  Group("B", {1}, false);
  // NavsOrderNext: after the group's last line.
  ReadKey(Key("A", 2));
  Buf().curRow = 2;
  ASSERT_EQ(NavsOrderNext(0), 0) << ErrDetail().Str();
  EXPECT_EQ(RecFieldGet(kNavs, 2).Str(), "  4");
  EXPECT_EQ(Column()[1], "4");
  EXPECT_EQ(NavsOrderReadKey(Key("A", 3), 0), Key("B", 1));
  EXPECT_EQ(NavsOrderReadKey(Key("A", 0), 0), Key("A", 1));
  EXPECT_EQ(NavsOrderReadKey(Key("A", 1), 4), Key("A", 1));
  EXPECT_EQ(NavsOrderReadKey(Key("A", 0), 4), "");
  EXPECT_EQ(NavsOrderReadKey(Key("A", 9), 4), Key("A", 3));
  EXPECT_EQ(NavsOrderReadKey(Key("B", 9), 0), "");

  // _navsOrderNumSve: a new line (order 0, blank saved copy) after row 3 of
  // its group takes 4; after a row of another group 1.
  struct Case {
    const char* prevGroup;
    int prevOrder;
    int64_t expected;
  } cases[] = {{"A", 3, 4}, {"B", 7, 1}, {"", 0, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prevGroup);
    GridReset(Buf());
    Row(1, c.prevGroup, "x", c.prevOrder);
    Row(2, "A", "new", 0);
    Buf().curRow = 2;
    ASSERT_EQ(RecBufClear(kNavs, 3), 0);
    ASSERT_EQ(RecBufSet(kNavs, kRecCurrent, S(Line("A", 0, "new"))), 0);
    int64_t n = 0;
    ASSERT_EQ(_navsOrderNumSve(0, &n), 0) << ErrDetail().Str();
    EXPECT_EQ(n, c.expected);
    EXPECT_EQ(std::stoi(RecFieldGet(kNavs, 2).Str()), c.expected);
    EXPECT_EQ(Column()[1], std::to_string(c.expected));
  }
  // A stored line keeps its number; a stored copy with order 0 is refused.
  ReadKey(Key("A", 2));
  int64_t n = 0;
  ASSERT_EQ(_navsOrderNumSve(0, &n), 0);
  EXPECT_EQ(n, 2);
  ASSERT_EQ(RecFieldSet(kNavs, 2, S("")), 0);
  EXPECT_EQ(_navsOrderNumSve(0, &n), st::INTERNALERROR);
  EXPECT_EQ(ErrDetail().Str(), "_navsOrderNumSve");
}

TEST_F(NavOrderTest, DuplicatesRepairedWithoutLoss) {
  // Two lines at 2 in a group 1..4: they become 2 and 3 (the first of them
  // last), the rest moves up by one.
  Group("A", {1, 2, 2, 3, 4}, false);
  Group("B", {1, 1}, false);
  ReadKey(Key("A", 2));
  ASSERT_EQ(NavsOrderUnique(kNavs), 0) << ErrDetail().Str();
  EXPECT_EQ(Lines("A"), (std::vector<std::string>{"1:a", "2:c", "3:b", "4:d", "5:e"}));
  EXPECT_EQ(RecFieldGet(kNavs, 2).Str(), "  2");  // read again by its key
  EXPECT_EQ(Lines("B"), (std::vector<std::string>{"1:a", "1:b"}));

  // Two sets of duplicates in one group end consistent: 1..n, nothing lost.
  Group("C", {1, 2, 2, 3, 4, 4, 5}, false);
  ASSERT_EQ(_navsOrderUnique(kNavs, Key("C", 2)), 0) << ErrDetail().Str();
  std::vector<std::string> c = Lines("C");
  ASSERT_EQ(c.size(), 7u);
  std::string items;
  for (size_t i = 0; i < c.size(); ++i) {
    EXPECT_EQ(c[i].substr(0, c[i].find(':')), std::to_string(i + 1));
    items += c[i].substr(c[i].find(':') + 1);
  }
  std::sort(items.begin(), items.end());
  EXPECT_EQ(items, "abcdefg");
  EXPECT_EQ(Check(kNavs), "");

  // A key without duplicates.
  EXPECT_EQ(_navsOrderUnique(kNavs, Key("A", 3)), st::BADINPUTDATA);
  EXPECT_NE(ErrDetail().Str().find("_navsOrderUnique: No duplicate"), std::string::npos);
  ReadKey(Key("A", 3));
  EXPECT_EQ(NavsOrderUnique(kNavs), 0);
}

TEST_F(NavOrderTest, FailedRepairPutsTheGroupBack) {
  Group("A", {1, 2, 2, 3}, false);
  Group("B", {1}, false);
  const std::vector<std::string> before = Records(kNavs);
  int nth = 1;
  for (; nth < 60; ++nth) {
    SCOPED_TRACE(nth);
    recio::FaultArm(recio::Fault::Write, nth);
    Status r = _navsOrderUnique(kNavs, Key("A", 2));
    recio::FaultReset();
    if (r == 0) break;
    EXPECT_GE(r, 128);
    EXPECT_EQ(Records(kNavs), before);
    EXPECT_EQ(Check(kNavs), "");
    ErrClear();
  }
  EXPECT_GT(nth, 4) << "faults tried";
  EXPECT_LT(nth, 60) << "the repair never got through";
  EXPECT_EQ(Lines("A"), (std::vector<std::string>{"1:a", "2:c", "3:b", "4:d"}));
}

}  // namespace
