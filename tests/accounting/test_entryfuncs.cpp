// The accounting built-ins on entry lines, accumulations by month, level
// templates and imports, on the demo data.
#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

#include "ac_fixture.h"
#include "apps/accounting/acdata.h"
#include "apps/accounting/entryfuncs.h"
#include "apps/accounting/tasks.h"
#include "data/store/datastore.h"
#include "data/scans/selection.h"
#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "script/objparams.h"

namespace {

class EntryFuncsTest : public AcDemoTest {
 protected:
  void SetUp() override {
    AcDemoTest::SetUp();
    ASSERT_EQ(AcRegisterFunctions(), 0);
  }
  // (date, entry, line) of the entries file's current record.
  std::tuple<DateYmd, int, int> Line() {
    DataFieldDesc d, e, n;
    EXPECT_EQ(AcFieldOf(kAcEntries, kAcDate, &d), 0);
    EXPECT_EQ(AcFieldOf(kAcEntries, kAcEntry, &e), 0);
    n = DicFieldDesc(9, DicFieldFind(9, AcSv("N_LINE")));
    std::string_view rec = AcRecord(9);
    auto num = [](std::string_view t) { return std::stoi(std::string(t)); };
    return {num(AcFieldText(rec, d)), num(AcFieldText(rec, e)), num(AcFieldText(rec, n))};
  }
  // Records of a file whose key 1 begins with the prefix.
  int Count(int file, const std::string& prefix) {
    int n = 0;
    Status s = DataFileReadKey(file, 1, AcSv(prefix), dfmove::kAlsoOn1);
    while (s < 2) {
      StrAreaScope mark;
      if (KeyValueCur(file, 1).Str().compare(0, prefix.size(), prefix) != 0) break;
      ++n;
      s = DataFileMove(file, dfmove::kNext);
    }
    return n;
  }
  void Write(const std::string& name, const std::string& text) { std::ofstream(dir.File(name), std::ios::binary) << text; }
};

// The lines with either account under the group, in key-1 order, against
// every demo line; the end answers 2 and goes on answering 2.
TEST_F(EntryFuncsTest, GetEntryWalksTheAccountsLinesInKeyOrder) {
  struct Case {
    const char *from, *fromSfx, *to, *toSfx, *account;
  } cases[] = {{"20240101", "", "20241231", "", "57"},
               {"20240101", "", "20251231", "", "5720000001"},
               {"20240301", "", "20240331", "", ""},
               {"20240315", "", "20240315", "", "4"},
               {"20250101", "", "20241231", "", "57"}};
  for (const Case& c : cases) {
    std::string account = AcTrimRight(c.account);
    std::vector<std::tuple<DateYmd, int, int>> want, got;
    for (const AcGenLine& l : oracle.lines) {
      DateYmd from = std::stoi(c.from), to = std::stoi(c.to);
      if (l.date < from || l.date > to) continue;
      if (AcOracle::Begins(l.debit, account) || AcOracle::Begins(l.credit, account))
        want.emplace_back(l.date, l.entry, l.line);
    }
    std::sort(want.begin(), want.end());
    std::string call = std::string("AcGetEntry('") + c.from + "';'" + c.fromSfx + "';'" + c.to + "';'" + c.toSfx +
                       "';'" + c.account + "')";
    for (FixedNum r = Num(call); r == 0; r = Num("AcGetEntry()")) {
      got.push_back(Line());
      ASSERT_LT(got.size(), 10000u);
    }
    EXPECT_EQ(got, want) << call;
    EXPECT_GT(want.size() + (std::string(c.from) > c.to), 0u) << call;
    EXPECT_EQ(Num("AcGetEntry()"), 2 * 100);
    EXPECT_EQ(Num("AcGetEntry()"), 2 * 100);
  }
}

// Starting again without reading to the end holds no shared selection slot.
TEST_F(EntryFuncsTest, StartingCallsInARowNeverExhaustTheSlots) {
  for (int i = 0; i < 12; ++i) {
    ASSERT_EQ(Num("AcGetEntry('20240101';'';'20241231';'';'57')"), 0) << i << ErrText(-1).Str();
    ASSERT_EQ(Num("AcGetEntry()"), 0);
    ASSERT_EQ(Num("AcGetPerAcum('20240101';'20241231';'57')"), 0) << i << ErrText(-1).Str();
  }
  EXPECT_EQ(SelSlotsBusy(), 0);
  EXPECT_EQ(Eval("AcGetEntry('a';'b')"), st::SINTAXERROR);
  EXPECT_EQ(Eval("AcGetPerAcum('a')"), st::SINTAXERROR);
}

// Each month's group sums the balances by month of every ACC_ID; the
// current record receives the month and the sums.
TEST_F(EntryFuncsTest, GetPerAcumSumsEachMonthOverEveryAccId) {
  for (const char* account : {"5720000001", "57", "4300000002"}) {
    int months = 0;
    std::string call = std::string("AcGetPerAcum('20240101';'20251231';'") + account + "')";
    for (FixedNum r = Num(call); r == 0; r = Num("AcGetPerAcum()")) {
      std::string month = Str("DATE{10}");
      DateYmd first = 0;
      {
        DataFieldDesc d;
        ASSERT_EQ(AcFieldOf(kAcMonths, kAcMonthDate, &d), 0);
        first = std::stoi(std::string(AcFieldText(AcRecord(10), d)));
      }
      auto want = oracle.Balance(account, first, AcMonthLast(first), kAcIdAll);
      EXPECT_EQ(Cents(Num("P_EXPIRED{10}")), want.first) << account << " " << first;
      EXPECT_EQ(Cents(Num("A_EXPIRED{10}")), want.second) << account << " " << first;
      ++months;
      ASSERT_LT(months, 100);
    }
    EXPECT_GT(months, 3) << account;
    EXPECT_EQ(Num("AcGetPerAcum()"), 2 * 100);
  }
  EXPECT_EQ(Eval("AcGetPerAcum('20240101';'20251231';'  ')"), st::BADINPUTDATA);
}

TEST_F(EntryFuncsTest, GetPAccountFillsTheTemplateRuns) {
  for (int file : {3, 6}) {
    DataFileCtrlInit(file);
    ASSERT_LT(DataFileOpen(file, 0), 128);
  }
  struct Case {
    const char *tmpl, *root, *code, *subacc, *account, *want;
  } cases[] = {
      {"57....    ", "57", "0012", "  45", "5700", "5700120045"},
      {"43______..", "43", "1234567", "12345", "43", "4301234567"},  // a longer value keeps its right end
      {"57......", "57", "12", "", "57", "5700001200"},  // the field's trailing blanks are a run too
      {"57......", "57", "12", "", "43", ""},                        // outside the level
      {"6_______", "6", "", "", "6", "6000000000"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Eval(std::string("ACCOUNT.2{3}='") + c.tmpl + "',ROOT2{3}='" + c.root + "',CODE{6}='" + c.code +
                   "',SUBACC{6}='" + c.subacc + "'"),
              0)
        << ErrText(-1).Str();
    EXPECT_EQ(AcTrimRight(Str(std::string("AcGetPAccount$(2;'") + c.account + "')")), c.want) << c.tmpl;
  }
  EXPECT_EQ(Eval("AcGetPAccount$()"), st::SINTAXERROR);
}

// The last entry number up to a day (the last line before the next day's
// key), and the states of the numbering outside a window.
TEST_F(EntryFuncsTest, GetEntryNumNumbersFromTheLastEntryOfTheDay) {
  auto last = [&](DateYmd day) {
    std::tuple<DateYmd, int, int> best{0, 0, 0};
    for (const AcGenLine& l : oracle.lines)
      if (l.date <= day) best = std::max(best, std::make_tuple(l.date, l.entry, l.line));
    return std::get<1>(best);
  };
  ASSERT_GT(last(20240315), 0);
  EXPECT_EQ(Num("AcGetEntryNum('20240315')"), (last(20240315) + 1) * 100) << ErrText(-1).Str();
  EXPECT_EQ(Str("_LDAT$"), "20240315");
  // The same day again: no new look-up, no new number.
  EXPECT_EQ(Num("AcGetEntryNum('20240315')"), (last(20240315) + 1) * 100);
  // 31 December looks before 1 January of the next year.
  EXPECT_EQ(Num("AcGetEntryNum(' 20241231')"), (last(20241231) + 1) * 100);
  EXPECT_EQ(Num("AcGetEntryNum('20240229')"), (last(20240229) + 1) * 100);
  // DSC1# set: the entry goes on, the number stays the last one.
  ASSERT_EQ(Eval("DSC1#=1"), 0);
  EXPECT_EQ(Num("AcGetEntryNum('20240315')"), last(20240315) * 100);
  ASSERT_EQ(Eval("DSC1#=0"), 0);
  // Forced: the next number whatever the day.
  EXPECT_EQ(Num("AcGetEntryNum('20240315';'';1)"), (last(20240315) + 1) * 100);
  // An empty date takes _LDAT$ and looks again.
  EXPECT_EQ(Num("AcGetEntryNum('';'';1)"), (last(20240315) + 1) * 100);
  for (const char* bad : {"AcGetEntryNum('20240230')", "AcGetEntryNum('2024')", "AcGetEntryNum('abcdefgh')"})
    EXPECT_EQ(Eval(bad), st::SINTAXERROR) << bad;
  EXPECT_EQ(Eval("AcGetEntryNum()"), st::SINTAXERROR);
  // An empty file: the first number is 1.
  ASSERT_EQ(SelDeleteAll(9, 0, AcSv(""), AcSv("")), 0) << ErrText(-1).Str();
  ASSERT_EQ(Count(9, ""), 0);
  EXPECT_EQ(Num("AcGetEntryNum('20260105')"), 100);
}

// Moving the current line to another entry of its day: an entry with lines
// asks 1003 (No puts the line's number back, Yes takes the entry); a free
// one is taken without a question.
TEST_F(EntryFuncsTest, GetEntryNumMovingToAnExistingEntryAsks) {
  DateYmd day = 0;
  int first = 0, second = 0;
  for (size_t i = 1; i < oracle.lines.size() && !day; ++i) {
    const AcGenLine &a = oracle.lines[i - 1], &b = oracle.lines[i];
    if (a.date == b.date && a.entry != b.entry) day = a.date, first = a.entry, second = b.entry;
  }
  ASSERT_NE(day, 0);
  ui::HeadlessOptions o;
  ui::init(std::make_unique<ui::Headless>(std::move(o)));
  ui::Headless* hl = ui::headless();
  std::string d = std::to_string(day), e1 = std::to_string(first), e2 = std::to_string(second);
  ASSERT_LT(DataFileReadKey(9, 1, AcSv(d + std::string(6 - e1.size(), ' ') + e1), dfmove::kAlsoOn1), 2);
  std::string call = "AcGetEntryNum('" + d + "';'" + e2 + "')";
  hl->answer(ui::IDNO, "Asiento existente");
  EXPECT_EQ(Num(call), first * 100) << ErrText(-1).Str();
  EXPECT_EQ(Num("ENTRY{9}"), first * 100);
  EXPECT_EQ(hl->boxes().size(), 1u);
  hl->answer(ui::IDYES, "Asiento existente");
  EXPECT_EQ(Num(call), second * 100);
  EXPECT_EQ(Str("_LKEY$"), d + std::string(6 - e2.size(), ' ') + e2);
  EXPECT_EQ(hl->boxes().size(), 2u);
  EXPECT_EQ(Num("AcGetEntryNum('" + d + "';'999')"), 999 * 100);
  EXPECT_EQ(hl->boxes().size(), 2u);
  ui::shutdown();
}

TEST_F(EntryFuncsTest, GetAccountIsTheNextAccountWithMovements) {
  std::set<std::string> moved = oracle.Moved(20240101, 20241231, 10);
  EXPECT_EQ(Str("AcGetAccount$('0000000000';'20240101';'20241231';3)"), *moved.begin());
  EXPECT_EQ(Str("AcGetAccount$('" + *moved.begin() + "';'20240101';'20241231';2)"), *std::next(moved.begin()));
  EXPECT_EQ(Eval("AcGetAccount$('';'20240101')"), st::SINTAXERROR);
}

// Mode 2 under a definition tag appends the rows the loop writes and keeps
// the caller's RD_EXP$ text on the registry once; a false ALARM$ imports
// nothing.
TEST_F(EntryFuncsTest, ImportAppendsUnderTheDefinitionAndStoresTheRegistryText) {
  ASSERT_EQ(AcGenRegistry({}), 0) << ErrText(-1).Str();
  Write("IMP.PPN",
        "02 ALARM$:\"1\"\n"
        "02 SET$:\"N#=0,1\"\n"
        "02 RD_COND$:\"1\"\n"
        "02 WR_EXP$:\"N#=N#+1,DATE{9}='20260105',ENTRY{9}=7,N_LINE{9}=N#,PASS_ACC{9}='5720000001',"
        "ASSET_ACC{9}='4300000002',AMOUNT{9}=10,N#<=3\"\n"
        "02 EOT_EXP$:\"0\"\n"
        "03 ALARM$:\"0\"\n"
        "03 SET$:\"N#=0,1\"\n"
        "03 WR_EXP$:\"N#=N#+1,DATE{9}='20260106',ENTRY{9}=8,N_LINE{9}=N#,N#<=3\"\n"
        "04 SET$:\"N#=0,1\"\n"
        "04 EOT_EXP$:\"0\"\n"
        "04 WR_EXP$:\"N#=N#+1,DATE{9}='20260108',ENTRY{9}=9,N_LINE{9}=N#,N#<=2\"\n"
        "01 RD_EXP$:\"DATE{6}='20260105',ENTRY{6}=7,N_LINE{6}=1,CODE{6}='IMPORTED'\"\n");
  ASSERT_EQ(ParmStrPush(AcSv("IMP.PPN"), 1, 1), 0);
  int before = Count(9, "");
  int registry = Count(6, "");
  EXPECT_EQ(Num("Import(2;'IMP.PPN,3')"), 0) << ErrText(-1).Str();
  EXPECT_EQ(Count(9, ""), before);
  EXPECT_EQ(Count(6, ""), registry);
  EXPECT_EQ(Num("Import(2;'IMP.PPN,2')"), 0) << ErrText(-1).Str();
  EXPECT_EQ(Count(9, "20260105"), 3);
  EXPECT_EQ(Count(6, ""), registry + 1);
  EXPECT_EQ(Num("Import(2;'IMP.PPN,4')"), 0) << ErrText(-1).Str();
  EXPECT_EQ(Count(9, "20260108"), 2);
  EXPECT_EQ(Count(6, ""), registry + 1);
  ASSERT_LT(DataFileReadKey(6, 1, AcSv("20260105"), dfmove::kAlsoOn1), 2);
  EXPECT_EQ(AcTrimRight(Str("CODE{6}")), "IMPORTED");
  EXPECT_EQ(Eval("Import(2;'MISSING.PPN,2')"), st::FILENOTFOUND);
  EXPECT_EQ(Eval("Import(2;'IMP.PPN,x')"), st::BADINPUTDATA);
  ParmStrPop();
}

}  // namespace
