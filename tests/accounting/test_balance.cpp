// The balance engine against a brute-force sum over the demo's entry lines.
#include <gtest/gtest.h>

#include "ac_fixture.h"
#include "apps/accounting/balance.h"
#include "data/store/recbuf.h"

namespace {

struct Range {
  const char* id;
  DateYmd from, to;
};
constexpr Range kRanges[] = {
    {"one-day", 20240315, 20240315},       {"whole-month", 20240301, 20240331},
    {"15th-to-14th", 20240315, 20240414},  {"mid-to-mid-one-month", 20240310, 20240320},
    {"29-february", 20240229, 20240229},   {"february-2024", 20240201, 20240229},
    {"across-new-year", 20241215, 20250114}, {"two-years", 20240101, 20251231},
    {"beyond-the-data", 20231120, 20260110}, {"opening-day", 20250101, 20250101},
};

using BalanceTest = AcDemoTest;

// Full codes, the group "57" (3-character group records in whole months),
// a longer prefix and a one-character class, for every idSelect.
TEST_F(BalanceTest, AccountBalanceMatchesTheEntryLines) {
  const char* accounts[] = {"5720000001", "4300000002", "6000000000", "1000000000", "57", "5720", "4", "7690000000"};
  for (const Range& r : kRanges)
    for (const char* account : accounts)
      for (uint16_t ids : {kAcIdAll, uint16_t(0), uint16_t(60)}) {
        AcAmounts got = AcAccountBalance(account, r.from, r.to, "", ids);
        auto want = oracle.Balance(account, r.from, r.to, ids);
        ASSERT_EQ(got.status, 0) << ErrText(-1).Str();
        EXPECT_EQ(Cents(got.debit), want.first) << r.id << " " << account << " ids " << ids;
        EXPECT_EQ(Cents(got.credit), want.second) << r.id << " " << account << " ids " << ids;
      }
}

// The opening entry (ACC_ID 60) lies in a whole month: idSelect 0 leaves it
// out, 60 takes only it; a partial month takes it whatever the selection.
TEST_F(BalanceTest, IdSelectFiltersTheWholeMonthsOnly) {
  AcAmounts all = AcAccountBalance("1000000000", 20240101, 20240131, "", kAcIdAll);
  AcAmounts ordinary = AcAccountBalance("1000000000", 20240101, 20240131, "", 0);
  AcAmounts opening = AcAccountBalance("1000000000", 20240101, 20240131, "", 60);
  AcAmounts partial = AcAccountBalance("1000000000", 20240101, 20240130, "", 0);
  EXPECT_EQ(Cents(all.credit), 3000000);
  EXPECT_EQ(Cents(ordinary.credit), 0);
  EXPECT_EQ(Cents(opening.credit), 3000000);
  EXPECT_EQ(Cents(partial.credit), 3000000);
}

// A range on month boundaries reads only the balances by month: with the
// entry lines emptied, the balance stays; a partial month changes.
TEST_F(BalanceTest, WholeMonthsReadOnlyTheBalancesByMonth) {
  AcAmounts before = AcAccountBalance("5720000001", 20240201, 20240430, "", kAcIdAll);
  AcAmounts head = AcAccountBalance("5720000001", 20240202, 20240430, "", kAcIdAll);
  ASSERT_EQ(DataFileClose(9), 0);
  for (const char* f : {"ENTRIES.FD", "ENTRIES.DIR"}) std::filesystem::remove(dir.File(f));
  ASSERT_EQ(DataFileOpen(9, 0), dfres::kEnd);
  AcAmounts after = AcAccountBalance("5720000001", 20240201, 20240430, "", kAcIdAll);
  AcAmounts headAfter = AcAccountBalance("5720000001", 20240202, 20240430, "", kAcIdAll);
  EXPECT_EQ(after.debit, before.debit);
  EXPECT_EQ(after.credit, before.credit);
  EXPECT_NE(headAfter.credit, head.credit);
}

// The key suffix extends the upper date on key 1 (date, entry, line): up to
// entry 5 of the last day only.
TEST_F(BalanceTest, KeySuffixCutsTheLastDayByEntry) {
  const AcGenLine* cut = nullptr;
  for (const AcGenLine& l : oracle.lines)
    if (l.date == 20240315 && l.debit == "4300000003") cut = &l;
  ASSERT_NE(cut, nullptr);
  char entry[16];
  std::snprintf(entry, sizeof entry, "%6d", cut->entry);
  AcAmounts upTo = AcAccountBalance("4300000003", 20240310, 20240315, entry, kAcIdAll);
  std::snprintf(entry, sizeof entry, "%6d", cut->entry - 1);
  AcAmounts before = AcAccountBalance("4300000003", 20240310, 20240315, entry, kAcIdAll);
  EXPECT_EQ(Cents(upTo.debit), oracle.Balance("4300000003", 20240310, 20240315, kAcIdAll).first);
  EXPECT_EQ(Cents(before.debit), 0);
}

// Dates as texts: empty is open, anything but a date answers 163.
TEST_F(BalanceTest, DateTexts) {
  AcAmounts open = AcAccountBalance(AcSv("5720000002"), AcSv(""), AcSv(""), AcSv(""), kAcIdAll);
  auto want = oracle.Balance("5720000002", 0, 99991231, kAcIdAll);
  EXPECT_EQ(Cents(open.debit), want.first);
  for (const char* bad : {"2024-03-01", "20240230", "2024031", "x"}) {
    AcAmounts r = AcAccountBalance(AcSv("5720000002"), AcSv(bad), AcSv("20241231"), AcSv(""), kAcIdAll);
    EXPECT_EQ(r.status, st::BADINPUTDATA) << bad;
  }
}

// A caller's current record survives a balance; closed files are opened for
// the call and closed again.
TEST_F(BalanceTest, FilesKeepTheirStateOrAreClosedAgain) {
  ASSERT_EQ(DataFileReadKey(9, 1, AcSv("20240515"), 2), 0);
  std::string current = RecBuf(9, kRecCurrent).Str();
  AcAccountBalance("5720000001", 20240110, 20240620, "", kAcIdAll);
  EXPECT_EQ(RecBuf(9, kRecCurrent).Str(), current);
  ASSERT_EQ(DataFileClose(10), 0);
  AcAmounts r = AcAccountBalance("5720000001", 20240110, 20240620, "", kAcIdAll);
  EXPECT_EQ(Cents(r.debit), oracle.Balance("5720000001", 20240110, 20240620, kAcIdAll).first);
  EXPECT_LT(DataFileCtrl(10)->dataStream, 0);
}

TEST_F(BalanceTest, BalanceKinds) {
  struct Case {
    FixedNum debit, credit;
    FixedNum want[6];
  };
  const Case cases[] = {{100, 40, {60, -60, 60, 0, 100, 40}}, {40, 100, {-60, 60, 0, 60, 40, 100}}};
  for (const Case& c : cases)
    for (int kind = 1; kind <= 6; ++kind) {
      FixedNum total = 7;
      EXPECT_EQ(AcBalanceAdd(c.debit, c.credit, 0, kind, &total), 0);
      EXPECT_EQ(total, 7 + c.want[kind - 1]) << "kind " << kind;
    }
  FixedNum total = 0;
  EXPECT_EQ(AcBalanceAdd(1, 2, 0, 7, &total), st::BADINPUTDATA);
  EXPECT_EQ(AcBalanceAdd(1, 2, 0, 0, &total), st::BADINPUTDATA);
  EXPECT_EQ(AcBalanceAdd(1, 2, 131, 1, &total), 131);
  EXPECT_EQ(AcBalanceAdd(1, 2, 0, 1, nullptr), 0);
  total = INT64_MAX;
  EXPECT_EQ(AcBalanceAdd(1, 0, 0, 5, &total), st::DATAOUTBOUND);
}

TEST_F(BalanceTest, MonthSplit) {
  struct Case {
    const char* id;
    DateYmd a, b;
    const char* want;  // head, whole, tail as from-to or "-"
  };
  const Case cases[] = {
      {"mid-to-mid", 20240310, 20240320, "20240310-20240320 - -"},
      {"month", 20240301, 20240331, "- 20240301-20240331 -"},
      {"15-to-14", 20240315, 20240414, "20240315-20240331 - 20240401-20240414"},
      {"first-to-mid", 20240301, 20240320, "- - 20240301-20240320"},
      {"mid-to-end", 20240310, 20240331, "20240310-20240331 - -"},
      {"29-feb", 20240229, 20240229, "20240229-20240229 - -"},
      {"leap-month", 20240201, 20240229, "- 20240201-20240229 -"},
      {"year", 20241215, 20250114, "20241215-20241231 - 20250101-20250114"},
      {"long", 20240115, 20240615, "20240115-20240131 20240201-20240531 20240601-20240615"},
      {"reversed", 20240320, 20240310, "- - -"},
  };
  for (const Case& c : cases) {
    AcMonthSplit m = AcSplitMonths(c.a, c.b);
    auto part = [](bool on, DateYmd f, DateYmd t) { return on ? std::to_string(f) + "-" + std::to_string(t) : std::string("-"); };
    std::string got = part(m.head, m.headFrom, m.headTo) + " " + part(m.whole, m.wholeFrom, m.wholeTo) + " " +
                      part(m.tail, m.tailFrom, m.tailTo);
    EXPECT_EQ(got, c.want) << c.id;
  }
  EXPECT_EQ(AcYearBefore(20240229), 20230228);
  EXPECT_EQ(AcYearBefore(20250101), 20240101);
}

// Walks: upwards by full codes (mode 2) from "0000000000", by two-character
// groups, downwards (modes 7 then 6); each equals the sorted distinct
// accounts with movements.
TEST_F(BalanceTest, FindAccountWalks) {
  for (const Range& r : kRanges) {
    for (size_t cut : {size_t(10), size_t(2), size_t(3)}) {
      std::set<std::string> want = oracle.Moved(r.from, r.to, cut);
      std::vector<std::string> up, down;
      Status s = 0;
      std::string code(cut, '0');
      for (int guard = 0; guard < 100; ++guard) {
        code = AcFindAccount(code, r.from, r.to, 2, &s);
        ASSERT_EQ(s, 0);
        if (code.empty()) break;
        up.push_back(code);
      }
      EXPECT_EQ(up, std::vector<std::string>(want.begin(), want.end())) << r.id << " cut " << cut;
      code = AcFindAccount(std::string(cut, '9'), r.from, r.to, 7, &s);
      for (int guard = 0; guard < 100 && !code.empty(); ++guard) {
        down.push_back(code);
        code = AcFindAccount(code, r.from, r.to, 6, &s);
        ASSERT_EQ(s, 0);
      }
      EXPECT_EQ(down, std::vector<std::string>(want.rbegin(), want.rend())) << r.id << " cut " << cut;
    }
  }
}

TEST_F(BalanceTest, FindAccountModesAndEnds) {
  Status s = 0;
  struct Case {
    const char* code;
    int mode;
    const char* want;
  };
  const Case cases[] = {
      {"5720000001", 3, "5720000001"}, {"5720000001", 2, "5720000002"}, {"5720000002", 6, "5720000001"},
      {"5720000002", 7, "5720000002"}, {"57", 3, "57"},                 {"57", 2, "60"},
      {"57", 6, "47"},                 {"99", 2, ""},                   {"00", 6, ""},
      {"9999999999", 2, ""},           {"", 2, "1"},                    {"5720000003", 3, "6000000000"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(AcFindAccount(c.code, 20240101, 20241231, c.mode, &s), c.want) << c.code << " mode " << c.mode;
  EXPECT_TRUE(AcFindAccount(AcSv("57"), AcSv("20240101"), AcSv("bad"), 2).IsError());
}

}  // namespace
