// Shared set-up of the accounting tests: the demo application's dictionary
// and relation files in a private directory, its accounts and two years of
// entry lines written through the relation statements (so the balances by
// month are the ones the program keeps), and a brute-force oracle over the
// same lines.
//
// The data is written once per test suite into a directory of its own,
// removed when the suite ends, so no suite sees another's records; each test
// gets a fresh copy, so tests that write may run in any order, and runs in it
// as its current directory.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "apps/accounting/balance.h"
#include "apps/accounting/demo/gen/acgen.h"
#include "apps/accounting/layer.h"
#include "data/store/datafile.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "script/evaluator.h"
#include "script/taskhooks.h"
#include "script/variables.h"
#include "support/runtime_fixture.h"

inline StrValue AcSv(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

// The demo's lines and what a balance over them must be.
struct AcOracle {
  std::vector<AcGenLine> lines = AcDemoLines();

  static bool WholeMonthInside(DateYmd date, DateYmd from, DateYmd to) {
    DateYmd first = date / 100 * 100 + 1, last = AcMonthLast(date);
    return first >= from && last <= to;
  }
  static bool IdTaken(int id, uint16_t idSelect) {
    return idSelect == kAcIdAll || (idSelect == 0 ? id < kAcIdLimit : id == idSelect);
  }
  static bool Begins(const std::string& account, const std::string& prefix) {
    return account.compare(0, prefix.size(), prefix) == 0;
  }
  // Debit and credit in cents: lines of the whole months count by their
  // ACC_ID, lines of partial months whatever their ACC_ID.
  std::pair<int64_t, int64_t> Balance(const std::string& account, DateYmd from, DateYmd to, uint16_t idSelect) const {
    std::pair<int64_t, int64_t> out;
    for (const AcGenLine& l : lines) {
      if (l.date < from || l.date > to) continue;
      if (WholeMonthInside(l.date, from, to) && !IdTaken(l.accId, idSelect)) continue;
      if (Begins(l.debit, account)) out.first += l.cents;
      if (Begins(l.credit, account)) out.second += l.cents;
    }
    return out;
  }
  // The distinct accounts (cut to `cut` characters) with a line in the range.
  std::set<std::string> Moved(DateYmd from, DateYmd to, size_t cut) const {
    std::set<std::string> out;
    for (const AcGenLine& l : lines)
      if (l.date >= from && l.date <= to)
        for (const std::string& a : {l.debit, l.credit}) out.insert(a.substr(0, cut));
    return out;
  }
};

class AcDemoTest : public RuntimeTest {
 protected:
  TempDir dir;
  char oldDir[4096] = {};

  // The suite's generated data. Every suite deriving from this fixture runs
  // SetUpTestSuite and TearDownTestSuite of its own, so the folder lives from
  // the suite's first test to its last.
  static std::unique_ptr<TempDir>& Master() {
    static std::unique_ptr<TempDir> master;
    return master;
  }

  static void SetUpTestSuite() {
    Master() = std::make_unique<TempDir>();
    const std::string& path = Master()->path();
    ASSERT_FALSE(path.empty());
    RuntimeReset();
    ASSERT_EQ(VarSysInit(), 0);
    CopyDemo(path);
    ASSERT_EQ(AcGenOpen(path, path), 0) << ErrText(-1).Str();
    ASSERT_EQ(AcGenAccounts(AcDemoAccounts()), 0) << ErrText(-1).Str();
    ASSERT_EQ(AcGenLines(AcDemoLines(), true), 0) << ErrText(-1).Str();
    ASSERT_EQ(AcGenClose(), 0);
    RuntimeTearDown();
  }
  static void TearDownTestSuite() { Master().reset(); }

  static void CopyDemo(const std::string& to) {
    const std::string demo = std::string(KX_SOURCE_DIR) + "/apps/accounting/demo/";
    for (const char* f : {"CODICC.DAT", "COREL.DAT", "CORELUP.DAT"})
      std::filesystem::copy_file(demo + f, to + "/" + f, std::filesystem::copy_options::overwrite_existing);
  }

  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(VarSysInit(), 0);
    TaskHooksReset();
    for (int n = 1; n <= kMaxDataFiles; ++n) DataFileCtrlInit(n);
    ASSERT_TRUE(Master()) << "the suite's data was not written";
    std::filesystem::copy(Master()->path(), dir.path(),
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
    ASSERT_EQ(AcGenOpen(dir.path(), dir.path()), 0) << ErrText(-1).Str();
    // Logs and outputs are written to the current directory.
    ASSERT_NE(getcwd(oldDir, sizeof oldDir), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
  }
  void TearDown() override {
    EXPECT_EQ(chdir(oldDir), 0);
    DataFileCloseAll();
    TaskHooksReset();
    RuntimeTest::TearDown();
  }

  static int64_t Cents(FixedNum v) { return v; }  // _PRECIS 2: FixedNum counts hundredths
  Status Eval(const std::string& text) { return ExpEvalStatus(AcSv(text)); }
  FixedNum Num(const std::string& text) { return ExpEvalNum(AcSv(text)); }
  std::string Str(const std::string& text) {
    uint16_t m = StrAreaMark(-1);
    std::string out = ExpEvalStr(AcSv(text)).Str();
    StrAreaMark(m);
    return out;
  }

  AcOracle oracle;
};
