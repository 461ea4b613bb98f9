// The year close, its undo and the balance maintenance on the demo's 2024,
// checked against brute force over the entry lines on disk: accounts closed
// to zero, the result carried to _CTAP$, opening lines equal to the
// balances they open, balances by month equal to the lines' sums; failures
// leave every file byte for byte as it was.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <tuple>

#include "ac_fixture.h"
#include "app/hooks.h"
#include "apps/accounting/acdata.h"
#include "apps/accounting/tasks.h"
#include "apps/accounting/yearclose.h"
#include "data/dictionary/dictionary.h"
#include "data/scans/selection.h"
#include "runtime/log.h"
#include "screens/forms/progress.h"
#include "script/expfiles.h"
#include "script/objparams.h"
#include "script/procedures.h"

namespace {

namespace fs = std::filesystem;

constexpr int kAccountsFile = 8, kEntriesFile = 9, kMonthsFile = 10;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Line {
  std::string date, type, debit, credit, text;
  int64_t cents = 0;
  int id = 0;
};

class YearCloseTest : public AcDemoTest {
 protected:
  std::string app, data;

  void SetUp() override {
    AcDemoTest::SetUp();
    LayerHooksRegister();
    TaskHookSet(&PrcCall, kHookPrcCall);
    ASSERT_EQ(AcAppCallback(1), 0);
    ASSERT_EQ(AcRegisterFunctions(), 0);
    app = dir.File("app");
    data = dir.File("data");
    fs::create_directories(app);
    fs::create_directories(data);
    const std::string demo = std::string(KX_SOURCE_DIR) + "/apps/accounting/demo/";
    for (const char* f : {"COCLOSE.PPN", "COBAL21.DAT", "COBAL22.DAT", "COBAL41.DAT", "COBAL42.DAT", "COAMORT.PRC",
                          "COSTOCK.PRC", "COTAXES.PRC", "closeyear.prc", "COCLCFIX.DAT", "CORELUP.DAT"})
      fs::copy_file(demo + f, app + "/" + f);
    fs::copy_file(demo + "data/COPARINI.DAT", data + "/COPARINI.DAT");
    // The definitions are found in the program's folder, the parameter file
    // in its sibling "data".
    ASSERT_EQ(chdir(app.c_str()), 0);
    ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, AcSv(app)), 0);
    ASSERT_EQ(ExpExecFile(AcSv("COCLCFIX.DAT"), 1), 0) << ErrText(-1).Str();
    ASSERT_EQ(ExpExecFile(AcSv(data + "/COPARINI.DAT"), 1), 0) << ErrText(-1).Str();
    ASSERT_EQ(Eval("_FINI$='20241231',_FFIN$='20250101',_TRACE=1"), 0);
    ASSERT_EQ(Str("FAPE$"), "20240101");
  }
  void TearDown() override {
    while (DynStrCount(kParmStack) > 0) ParmStrPop();
    ProgressClose();
    AcDemoTest::TearDown();
  }

  // The definition of a tag, with items replaced ("NAME:value") or removed
  // ("NAME:" alone), pushed as the current parameter string.
  void Push(int tag, const std::vector<std::string>& edits = {}) {
    std::string text = ReadAll(app + "/COCLOSE.PPN"), out;
    std::istringstream in(text);
    std::string line;
    char prefix[4];
    std::snprintf(prefix, sizeof prefix, "%02d ", tag);
    std::vector<std::string> pending = edits;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.rfind(prefix, 0) != 0) continue;
      std::string name = line.substr(3, line.find(':') - 3);
      bool keep = true;
      for (const std::string& e : edits)
        if (e.substr(0, e.find(':')) == name) keep = false;
      if (keep) out += line + "\r\n";
    }
    for (const std::string& e : pending)
      if (e.back() != ':') out += prefix + e + "\r\n";
    std::ofstream(app + "/CASE.PPN", std::ios::binary) << out;
    ASSERT_EQ(ParmStrPush(AcSv("CASE.PPN"), 1, tag), 0);
  }

  std::string FilePath(int n) { return dir.path() + "/" + DicFileName(n).Str() + ".FD"; }
  // The live records of a data file, sorted.
  std::vector<std::string> Records(int n) {
    std::string all = ReadAll(FilePath(n));
    uint32_t len = DicRecLen(n);
    std::vector<std::string> out;
    for (size_t at = 0; at + len <= all.size(); at += len)
      if (all[at] != 27) out.push_back(all.substr(at, len));
    std::sort(out.begin(), out.end());
    return out;
  }
  struct Image {
    std::vector<std::string> accounts, entries, months;
    std::string opening;
    bool operator==(const Image&) const = default;
  };
  Image Snapshot() {
    return {Records(kAccountsFile), Records(kEntriesFile), Records(kMonthsFile), ReadAll(data + "/COPARINI.DAT")};
  }

  DataFieldDesc Field(int kind, int item) {
    DataFieldDesc d;
    EXPECT_EQ(AcFieldOf(kind, item, &d), 0);
    return d;
  }
  std::vector<Line> Lines() {
    std::vector<Line> out;
    DataFieldDesc date = Field(kAcEntries, kAcDate), type = Field(kAcEntries, kAcType),
                  debit = Field(kAcEntries, kAcPassAcc), credit = Field(kAcEntries, kAcAssetAcc),
                  amount = Field(kAcEntries, kAcAmount), id = Field(kAcEntries, kAcAccId);
    int text = DicFieldFind(kEntriesFile, AcSv("CONCEPT"));
    DataFieldDesc con = DicFieldDesc(kEntriesFile, text);
    for (const std::string& r : Records(kEntriesFile)) {
      Line l{std::string(AcFieldText(r, date)), AcTrimRight(AcFieldText(r, type)),
             AcTrimRight(AcFieldText(r, debit)), AcTrimRight(AcFieldText(r, credit)),
             AcTrimRight(AcFieldText(r, con)), Cents(AcFieldNum(r, amount)),
             static_cast<int>(AcFieldNum(r, id) / 100)};
      out.push_back(l);
    }
    return out;
  }
  // Debit minus credit of every account over the lines that pass.
  template <class F>
  static std::map<std::string, int64_t> Balances(const std::vector<Line>& lines, F take) {
    std::map<std::string, int64_t> out;
    for (const Line& l : lines) {
      if (!take(l)) continue;
      if (!l.debit.empty()) out[l.debit] += l.cents;
      if (!l.credit.empty()) out[l.credit] -= l.cents;
    }
    return out;
  }
  // The balances by month must be the sums of the lines of their month and
  // ACC_ID, by account and by 3-character group.
  void MonthsAreTheLinesSums() {
    using Key = std::tuple<std::string, std::string, int>;
    std::map<Key, std::pair<int64_t, int64_t>> want, got;
    for (const Line& l : Lines()) {
      std::string month = l.date.substr(0, 6) + "01";
      // A side left empty (the close's lines have one) has no balance.
      if (!l.debit.empty())
        for (const std::string& a : {l.debit, l.debit.substr(0, std::min<size_t>(3, l.debit.size()))})
          want[{a, month, l.id}].first += l.cents;
      if (!l.credit.empty())
        for (const std::string& a : {l.credit, l.credit.substr(0, std::min<size_t>(3, l.credit.size()))})
          want[{a, month, l.id}].second += l.cents;
    }
    DataFieldDesc acc = Field(kAcMonths, kAcMonthAcc), date = Field(kAcMonths, kAcMonthDate),
                  p = Field(kAcMonths, kAcPExpired), a = Field(kAcMonths, kAcAExpired), id = Field(kAcMonths, kAcAccId);
    for (const std::string& r : Records(kMonthsFile)) {
      auto& sums = got[{AcTrimRight(AcFieldText(r, acc)), std::string(AcFieldText(r, date)),
                        static_cast<int>(AcFieldNum(r, id) / 100)}];
      sums.first += Cents(AcFieldNum(r, p));
      sums.second += Cents(AcFieldNum(r, a));
    }
    std::erase_if(want, [](const auto& kv) { return kv.second == std::pair<int64_t, int64_t>(0, 0); });
    std::erase_if(got, [](const auto& kv) { return kv.second == std::pair<int64_t, int64_t>(0, 0); });
    EXPECT_EQ(got.size(), want.size());
    for (const auto& [k, v] : want) {
      auto it = got.find(k);
      EXPECT_TRUE(it != got.end() && it->second == v)
          << std::get<0>(k) << " " << std::get<1>(k) << " " << std::get<2>(k) << ": " << v.first << "/" << v.second;
    }
  }
  std::string Log() { return ReadAll(app + "/" + kAcCloseLog); }
  static int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
};

bool Closing(const Line& l) { return l.type == "CI" && l.text.rfind("Asiento de cierre", 0) == 0; }
bool LossProfit(const Line& l) { return l.type == "CI" && l.text.rfind("Regularizacion", 0) == 0; }

// All guards on: the procedures' lines, the loss-and-profit lines balanced
// to _CTAP$, every account closed to zero at _FINI$, opening lines equal to
// the balances they open, FAPE$ moved, two log lines a step.
TEST_F(YearCloseTest, FullCloseAgainstBruteForce) {
  Push(1);
  std::vector<Line> before = Lines();
  ASSERT_EQ(AcCloseYearRun(), 0) << ErrText(-1).Str();
  EXPECT_EQ(Str("FAPE$"), "20250101");
  EXPECT_NE(ReadAll(data + "/COPARINI.DAT").find("FAPE$='20250101'"), std::string::npos);
  std::vector<Line> lines = Lines();
  auto in2024 = [](const Line& l) { return l.date >= "20240101" && l.date <= "20241231"; };
  // One line of each procedure.
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const Line& l) { return l.type == "CI" && l.text.rfind("Asiento", 0) != 0 &&
                                                     l.text.rfind("Regularizacion", 0) != 0; }),
            3);
  // Before step 4: the year's lines with the procedures' ones.
  auto year = Balances(lines, [&](const Line& l) { return in2024(l) && !Closing(l) && !LossProfit(l); });
  int64_t result = 0;
  for (const auto& [a, b] : year)
    if (a[0] == '6' || a[0] == '7') result += b;
  ASSERT_NE(result, 0);
  // After step 4 the loss-and-profit accounts are 0, _CTAP$ holds minus their sum.
  auto afterFour = Balances(lines, [&](const Line& l) { return in2024(l) && !Closing(l); });
  for (const auto& [a, b] : afterFour)
    if (a[0] == '6' || a[0] == '7') {
      EXPECT_EQ(b, 0) << a;
    }
  auto ctapLines = Balances(lines, LossProfit);
  EXPECT_EQ(ctapLines["1290000000"], result);
  // After step 6 every account is 0 at _FINI$, also through the engine.
  for (const auto& [a, b] : Balances(lines, in2024)) EXPECT_EQ(b, 0) << a;
  for (const auto& [a, b] : year) {
    AcAmounts e = AcAccountBalance(a, 20240101, 20241231, "", kAcIdAll);
    EXPECT_EQ(e.debit, e.credit) << a;
  }
  // Opening lines: the balance-sheet balances before the closing lines.
  auto opening = Balances(lines, [](const Line& l) { return l.type == "AP" && l.date == "20250101"; });
  for (const auto& [a, b] : afterFour)
    if (a[0] < '6' && b != 0) {
      EXPECT_TRUE(opening.count(a) && opening.at(a) == b) << a;
    }
  for (const auto& [a, b] : opening) EXPECT_TRUE(afterFour.count(a) && afterFour.at(a) == b) << a << " " << b;
  EXPECT_EQ(opening.size(), static_cast<size_t>(std::count_if(afterFour.begin(), afterFour.end(), [](const auto& kv) {
              return kv.first[0] < '6' && kv.second != 0;
            })));
  // No line of the demo was touched: the close marks every line it writes
  // CI or AP (the demo's predefined entry carries a type of its own).
  size_t kept = 0;
  for (const Line& l : lines) kept += l.type != "CI" && l.type != "AP";
  EXPECT_EQ(kept, before.size());
  MonthsAreTheLinesSums();
  std::string log = Log();
  EXPECT_EQ(Count(log, "Step#"), 16) << log;
  EXPECT_EQ(Count(log, "(Process in progress.....)"), 8) << log;
  EXPECT_EQ(Count(log, "(Process Completed Succesfully)"), 8) << log;
  EXPECT_NE(log.find("\r\nStep#4. Loss & Profits (Process in progress.....)\r\n"), std::string::npos);
  // A year closed cannot be closed again: FAPE$ lies after _FINI$, and the
  // error says so with both dates.
  ErrClear();
  EXPECT_EQ(AcCloseYearRun(), st::BADINPUTDATA);
  EXPECT_EQ(ErrDetail().Str(),
            "The year to 12-31-2024 is already closed: the accounts open on 01-01-2025. Undo year close reopens it.");
}

// With lines of the new year already entered: after the close every
// account's stored totals are the sums of all its lines on disk, which is
// what the regeneration computes (it changes nothing afterwards); no balance
// by month sits under an empty account, though the close's lines leave one
// side empty.
TEST_F(YearCloseTest, CloseLeavesTheTotalsTheRegenerationComputes) {
  std::vector<Line> before = Lines();
  ASSERT_TRUE(std::any_of(before.begin(), before.end(), [](const Line& l) { return l.date > "20250101"; }));
  Push(1);
  ASSERT_EQ(AcCloseYearRun(), 0) << ErrText(-1).Str();
  ASSERT_EQ(ParmStrPop(), 0);
  std::map<std::string, std::pair<int64_t, int64_t>> sums;
  for (const Line& l : Lines()) {
    if (!l.debit.empty()) sums[l.debit].first += l.cents;
    if (!l.credit.empty()) sums[l.credit].second += l.cents;
  }
  DataFieldDesc code = Field(kAcAccounts, kAcCode), debit = Field(kAcAccounts, kAcCurPassive),
                credit = Field(kAcAccounts, kAcCurAssets), acc = Field(kAcMonths, kAcMonthAcc);
  size_t complete = 0;
  for (const std::string& r : Records(kAccountsFile)) {
    std::string a = AcTrimRight(AcFieldText(r, code));
    if (a.size() != code.length) continue;
    ++complete;
    EXPECT_EQ(Cents(AcFieldNum(r, debit)), sums[a].first) << a;
    EXPECT_EQ(Cents(AcFieldNum(r, credit)), sums[a].second) << a;
  }
  EXPECT_GT(complete, 20u);
  for (const std::string& r : Records(kMonthsFile)) EXPECT_FALSE(AcTrimRight(AcFieldText(r, acc)).empty()) << r;
  MonthsAreTheLinesSums();
  Image closed = Snapshot();
  Push(3);
  ASSERT_EQ(Eval("MFROM$='20240101',MTO$='20251231'"), 0);
  ASSERT_EQ(AcBalanceMaint(AcSv("20240101"), AcSv("20251231")), 0) << ErrText(-1).Str();
  EXPECT_EQ(Snapshot().accounts, closed.accounts);
  EXPECT_EQ(Snapshot().months, closed.months);
}

// Failures and partial closes: the status, what the log says, and every
// file as it was whenever the date did not move.
TEST_F(YearCloseTest, FailuresLeaveEveryFileAsItWas) {
  struct Case {
    const char* name;
    std::vector<std::string> edits;
    const char* vars;
    Status status;
    const char* detail;
    std::vector<std::string> logged;
  } cases[] = {
      {"only step 8", {}, "_AMOR=0,_EXIS=0,_TASA=0,_PEGA=0,_CIER=0,_APER=0", 0, "",
       {"Step#1. Amortization (Cancelled by user)", "Step#7. Open Year (Cancelled by user)",
        "Step#8. Set account balances (Process in progress.....)",
        "Step#8. Set account balances (Process Completed Succesfully)"}},
      {"step 7 writes nothing", {"OPEN.RD_COND$:\"0\""}, "", st::OUTOFDATA, "",
       {"Step#6. Close Year (Process Completed Succesfully)", "Step#7. Open Year (Process in progress.....)"}},
      {"CLOSE.WR_EXP$ missing", {"CLOSE.WR_EXP$:"}, "", st::BADINPUTDATA, "WR_EXP$ Not defined",
       {"Step#5. Reset Accounts (Process Completed Succesfully)", "Step#6. Close Year (Process in progress.....)"}},
      {"a failing gate", {"TAX.SET$:\"X=FN$MIDS(\""}, "", 0, "", {"Step#2. Stocks (Process Completed Succesfully)"}},
      {"_FFIN$ not the next day", {}, "_FFIN$='20250102'", st::BADINPUTDATA, "_FFIN$", {}},
      {"an account that is no plain code", {}, "_CTAP$='12+1'", st::BADINPUTDATA, "Account:12+1", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Image start = Snapshot();
    Push(1, c.edits);
    if (*c.vars) {
      ASSERT_EQ(Eval(c.vars), 0);
    }
    ErrClear();
    Status s = AcCloseYearRun();
    std::string detail = ErrDetail().Str();
    if (std::string(c.name) == "a failing gate") {
      EXPECT_GE(s, 128);
      EXPECT_EQ(Count(Log(), "Step#3."), 1) << Log();
      EXPECT_EQ(Count(Log(), "Step#4."), 0) << Log();
    } else {
      EXPECT_EQ(s, c.status) << ErrText(-1).Str();
      EXPECT_NE(detail.find(c.detail), std::string::npos) << detail;
    }
    std::string log = Log();
    for (const std::string& l : c.logged) EXPECT_NE(log.find("\r\n" + l + "\r\n"), std::string::npos) << l << "\n" << log;
    Image now = Snapshot();
    if (s == 0) {
      EXPECT_EQ(now.entries, start.entries);
      EXPECT_EQ(Str("FAPE$"), "20250101");
    } else {
      EXPECT_TRUE(now == start);
      EXPECT_EQ(Str("FAPE$"), "20240101");
    }
    // Back to the start for the next case.
    ASSERT_EQ(ParmStrPop(), 0);
    std::ofstream(data + "/COPARINI.DAT", std::ios::binary) << start.opening;
    ASSERT_EQ(Eval("FAPE$='20240101',_FFIN$='20250101',_CTAP$='1290000000'"), 0);
    ASSERT_EQ(ExpExecFile(AcSv("COCLCFIX.DAT"), 1), 0);
  }
}

// A template false for one account: no line for it, the others closed.
TEST_F(YearCloseTest, TemplateDecliningOneAccount) {
  Push(1);
  std::string tmpl = ParmValue(AcSv("CLOSE.WR_EXP$")).Str();
  ASSERT_EQ(ParmStrPop(), 0);
  Push(1, {"CLOSE.WR_EXP$:\"" + tmpl + "&&'%ACCT%'<>'5700000000'\""});
  ASSERT_EQ(AcCloseYearRun(), 0) << ErrText(-1).Str();
  std::vector<Line> lines = Lines();
  auto closing = Balances(lines, Closing);
  EXPECT_EQ(closing.count("5700000000"), 0u);
  EXPECT_NE(closing.count("5720000001"), 0u);
  auto year = Balances(lines, [](const Line& l) { return l.date >= "20240101" && l.date <= "20241231"; });
  EXPECT_NE(year["5700000000"], 0);
  EXPECT_EQ(year["5720000001"], 0);
}

// Close, then undo: the entry lines, the balances by month and FAPE$ as
// before the close. A wrong date deletes nothing.
TEST_F(YearCloseTest, UndoRestoresTheYearBeforeTheClose) {
  Image start = Snapshot();
  Push(1);
  ASSERT_EQ(AcCloseYearRun(), 0) << ErrText(-1).Str();
  ASSERT_EQ(ParmStrPop(), 0);
  Image closed = Snapshot();
  ASSERT_NE(closed.entries, start.entries);
  Push(2);
  for (const char* date : {"", "2024123", "20231231", "20241230"}) {
    ErrClear();
    EXPECT_EQ(AcUncloseYearRun(AcSv(date)), st::BADINPUTDATA) << date;
    EXPECT_TRUE(Snapshot() == closed) << date;
  }
  ASSERT_EQ(AcUncloseYearRun(AcSv("20241231")), 0) << ErrText(-1).Str();
  Image undone = Snapshot();
  EXPECT_EQ(undone.entries, start.entries);
  EXPECT_EQ(undone.months, start.months);
  EXPECT_EQ(undone.accounts, start.accounts);
  EXPECT_EQ(Str("FAPE$"), "20240101");
  EXPECT_NE(undone.opening.find("FAPE$='20240101'"), std::string::npos);
}

// Maintenance: a damaged month file comes back as the lines' sums; a range
// without lines deletes by COND$ and refits complete accounts only; an
// empty COND$ and a cancel change nothing.
TEST_F(YearCloseTest, MaintenanceRebuildsTheMonths) {
  Image start = Snapshot();
  MonthsAreTheLinesSums();
  // Damage: some months deleted, others changed.
  ASSERT_EQ(SelDeleteAll(kMonthsFile, 0, AcSv("57200000012024"), AcSv("")), 0);
  ASSERT_EQ(DataFileReadKey(kMonthsFile, 1, AcSv("6000000000"), 2), 0);
  ASSERT_EQ(Eval("P_EXPIRED{10}=P_EXPIRED{10}+99"), 0);
  ASSERT_EQ(DataFileUpdate(kMonthsFile), 0);
  ASSERT_NE(Snapshot().months, start.months);
  Push(3);
  ASSERT_EQ(Eval("MFROM$='20240101',MTO$='20251231'"), 0);
  ASSERT_EQ(AcBalanceMaint(AcSv("20240101"), AcSv("20251231")), 0) << ErrText(-1).Str();
  EXPECT_EQ(Snapshot().months, start.months);
  EXPECT_EQ(Snapshot().accounts, start.accounts);
  MonthsAreTheLinesSums();

  // A range without lines: COND$ deletes 2025's months, phase 3 refits
  // every complete account (from the months left), groups untouched.
  ASSERT_EQ(DataFileReadKey(kAccountsFile, 1, AcSv("572"), 0), 0);
  ASSERT_EQ(Eval("CUR_PASSIVE{8}=7"), 0);
  ASSERT_EQ(DataFileUpdate(kAccountsFile), 0);
  ASSERT_EQ(Eval("MFROM$='20250101',MTO$='20251231'"), 0);
  ASSERT_EQ(AcBalanceMaint(AcSv("20300101"), AcSv("20301231")), 0) << ErrText(-1).Str();
  std::vector<std::string> months = Records(kMonthsFile);
  DataFieldDesc date = Field(kAcMonths, kAcMonthDate);
  EXPECT_TRUE(std::none_of(months.begin(), months.end(),
                           [&](const std::string& r) { return AcFieldText(r, date).substr(0, 4) == "2025"; }));
  AcAmounts a = AcAccountBalance("5720000001", kAcOpenFrom, kAcOpenTo, "", kAcIdAll);
  ASSERT_EQ(DataFileReadKey(kAccountsFile, 1, AcSv("5720000001"), 0), 0);
  EXPECT_EQ(Num("CUR_PASSIVE{8}"), a.debit);
  EXPECT_EQ(Num("CUR_ASSETS{8}"), a.credit);
  ASSERT_EQ(DataFileReadKey(kAccountsFile, 1, AcSv("572"), 0), 0);
  EXPECT_EQ(Num("CUR_PASSIVE{8}"), 700);
  ASSERT_EQ(ParmStrPop(), 0);

  Image now = Snapshot();
  // No COND$: 163 naming it, nothing deleted.
  Push(3, {"RESETBAL.COND$:"});
  ErrClear();
  EXPECT_EQ(AcBalanceMaint(AcSv("20240101"), AcSv("20251231")), st::BADINPUTDATA);
  EXPECT_EQ(ErrDetail().Str(), "COND$");
  EXPECT_TRUE(Snapshot() == now);
  ASSERT_EQ(ParmStrPop(), 0);
  // A cancel in phase 2: 122, the deletions of phase 1 undone.
  Push(3);
  ASSERT_EQ(Eval("MFROM$='20240101',MTO$='20251231'"), 0);
  ASSERT_EQ(ProgressOpen(0, 0), 0);
  ProgressWndProc(ProgressWindow(), ui::WM_COMMAND, kProgressCancelId, 0);
  ASSERT_TRUE(ProgressCancelled());
  EXPECT_EQ(AcBalanceMaint(AcSv("20240101"), AcSv("20251231")), st::USERCANCELED);
  EXPECT_TRUE(Snapshot() == now);
  // Bad dates.
  EXPECT_EQ(AcBalanceMaint(AcSv("20241301"), AcSv("20251231")), st::BADINPUTDATA);
  EXPECT_EQ(AcBalanceMaint(AcSv("20251231"), AcSv("20240101")), st::BADINPUTDATA);
}

// A range that cuts a month is refused before anything is touched (the
// balances by month hold whole months, which part of a month's lines cannot
// rebuild); whole months inside the year are rebuilt as the lines' sums.
TEST_F(YearCloseTest, MaintenanceRefusesARangeThatCutsAMonth) {
  Image start = Snapshot();
  Push(3);
  struct Case {
    const char *from, *to, *detail;
  } cases[] = {
      {"20240315", "20240430", "Date:20240315 is not the first day of a month"},
      {"20240301", "20240420", "Date:20240420 is not the last day of a month"},
      {"20240310", "20240320", "Date:20240310 is not the first day of a month"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    ASSERT_EQ(Eval(std::string("MFROM$='") + c.from + "',MTO$='" + c.to + "'"), 0);
    ErrClear();
    EXPECT_EQ(AcBalanceMaint(AcSv(c.from), AcSv(c.to)), st::BADINPUTDATA);
    EXPECT_EQ(ErrDetail().Str(), c.detail);
    EXPECT_TRUE(Snapshot() == start);
  }
  ASSERT_EQ(Eval("MFROM$='20240301',MTO$='20240430'"), 0);
  ASSERT_EQ(AcBalanceMaint(AcSv("20240301"), AcSv("20240430")), 0) << ErrText(-1).Str();
  EXPECT_TRUE(Snapshot() == start);
  MonthsAreTheLinesSums();
}

// The tasks: registered at 10, 11 and 16; only the execute event works,
// every event ends through the screen's closing result.
TEST_F(YearCloseTest, TasksWorkOnTheExecuteEventOnly) {
  Image start = Snapshot();
  Push(1);
  for (TaskFn task : {AcCloseYear, AcUncloseYear, AcTaskBalanceMaint}) EXPECT_EQ(task(21), 24);
  EXPECT_TRUE(Snapshot() == start);
}

}  // namespace
