// The crash campaign of imports: the accounting program imports a
// Delimited file of entry lines (a campaign: 100,000), whose relation
// statements update the accounts and insert and update balances by month.
// The test kills it (SIGKILL) at random moments, while it reads the file,
// while it merges, while it commits; restarts it answering Yes to the
// recovery question, sometimes killing that start too while it plays the
// journal back or rebuilds; and after every round checks from disk: the
// live records of all three files are exactly those before the import or
// exactly those after it, the checker finds nothing, no journal, second
// name, work copy or lock marker is left.
//
// KX_CRASH_IMPORT_KILLS sets the number of kills and KX_CRASH_IMPORT_ROWS
// the rows imported (a short run by default: 3 kills, 3,000 rows; the
// relation statements cost most of the time), KX_CRASH_SEED the seed; all
// and the figures are printed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "apps/accounting/demo/gen/acgen.h"
#include "apps/accounting/layer.h"
#include "crash_harness.h"
#include "data/store/datafile.h"
#include "data/bridges/dataui.h"
#include "data/dictionary/dictionary.h"
#include "data/store/reccheck.h"
#include "data/transactions/trans.h"
#include "screens/menus/menucmd.h"
#include "script/variables.h"
#include "support/runtime_fixture.h"

namespace {

namespace fs = std::filesystem;
using crash::Child;
using crash::Contents;
using crash::NextLine;
using crash::Reap;
using crash::Tell;

constexpr int kAccounts = 8, kEntries = 9, kMonths = 10;
constexpr uint32_t kTellEvery = 1000;  // rows between two lines to the test

// ---- The program under test (runs in a child process) -----------------------

uint32_t g_rows = 0;

StrValue Routine(StrValue text) {
  if (++g_rows % kTellEvery == 0) Tell("R");
  return text;
}

Status Import(const std::string& name) {
  if (name != "import") return st::BADINPUTDATA;
  for (int n : {kAccounts, kMonths})
    if (Status s = DataFileOpen(n, 0); s > 2) return s;
  DataFileSetCurrent(kEntries);
  Status s = TransRun(StrFromC("import.csv"), tmode::kImportStmt | tmode::kStream | tmode::kDelimited, Routine);
  Tell("E" + std::to_string(s));
  return s;
}

Child Start(const std::string& area, const std::string& run, bool answerYes) {
  return crash::Start(area, run, answerYes, {crash::kTellQuestions | crash::kTellSteps, Import});
}

// ---- The test's side ------------------------------------------------------------

class ImportCrash : public crash::Campaign {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    std::string demo = AccountingDemo();
    fs::copy(demo, Pristine(), fs::copy_options::recursive);
    AnswerRecoveryYes();
    ASSERT_EQ(VarSysInit(), 0);
    // The demo's accounts and two years of entry lines with their balances.
    ASSERT_EQ(AcGenOpen(Pristine(), Pristine()), 0);
    ASSERT_EQ(AcGenAccounts(AcDemoAccounts()), 0);
    ASSERT_EQ(AcGenLines(AcDemoLines(), false), 0);
    Check({kAccounts, kEntries, kMonths});
    ASSERT_EQ(AcGenClose(), 0);
    RuntimeReset();
    WriteImport(Pristine() + "/import.csv", static_cast<int>(crash::EnvNumber("KX_CRASH_IMPORT_ROWS", 3000)));
  }


  // Entry lines of 2026 between the demo's accounts, two lines an entry.
  static void WriteImport(const std::string& path, int rows) {
    static const char* const kPairs[][2] = {{"4300000001", "7000000000"}, {"6000000000", "4000000001"},
                                            {"5720000000", "4300000002"}, {"6290000000", "5720000000"}};
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < rows; ++i) {
      int entry = i / 2 + 1, line = i % 2 + 1;
      const char* const* pair = kPairs[entry % 4];
      char buf[200];
      std::snprintf(buf, sizeof buf, "\"2026%02d%02d\",%d,%d,\"T1\",\"%s\",\"%s\",%d.%02d,\"import %d\",\"D%d\",0\r\n",
                    1 + entry % 12, 1 + entry % 28, entry, line, pair[line - 1], pair[2 - line], 10 + i % 9000,
                    i % 100, i, entry);
      out << buf;
    }
  }


  // The parts of a round of the import.
  crash::Rounds Parts() { return AccountingRounds("import", Start); }

  // The files after a clean end: sound, nothing left over, the run closed.
  void Sound() const override {
    EXPECT_EQ(crash::ReadFile(Work() + "/COFSTAT.DAT"), "0");
    Campaign::Sound();
  }
};

TEST_F(ImportCrash, KilledImportsAreWholeOrNotAtAll) {
  uint64_t seed = crash::Seed();
  uint64_t wanted = crash::EnvNumber("KX_CRASH_IMPORT_KILLS", 3);
  std::printf("import crash campaign: seed %llu, %llu kills\n", static_cast<unsigned long long>(seed),
              static_cast<unsigned long long>(wanted));
  std::mt19937_64 rng(seed);
  auto started = std::chrono::steady_clock::now();

  // What the import gives when nothing stops it.
  Contents before = Read(Pristine());
  FreshWork();
  Child ref = Start(area.path(), "Perform import", false);
  uint64_t events = 0;
  std::string line;
  while (!(line = NextLine(ref)).empty()) events += line == "R";
  ASSERT_EQ(Reap(ref), 0) << ChildErr();
  Contents after = Read(Work());
  ASSERT_NE(after, before);
  double full = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  // Killed after a random number of rows read or merged and a random moment
  // more; now and then only after its end. Restarts recover; some are killed
  // while the journal is played back or the files rebuilt.
  crash::Rounds r = Parts();
  r.wait = [&](Child& c, std::mt19937_64& g) {
    uint64_t target = g() % (events + 3), seen = 0;
    bool ended = false;
    std::string l;
    while (seen < target && !(l = NextLine(c)).empty()) {
      seen += l == "R";
      ended = ended || l[0] == 'E';
    }
    std::this_thread::sleep_for(std::chrono::microseconds(g() % 3000));
    return ended;
  };
  crash::RoundFigures f = crash::KillRounds(r, before, after, wanted, rng, "import");
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("import crash campaign: seed %llu, %zu rows: %s; a whole import %.1f s; %.1f s in all\n",
              static_cast<unsigned long long>(seed), after.files[1].size() - before.files[1].size(), f.Text().c_str(),
              full, secs);
}

// The import with the power going at random operations of the program's
// life (KX_CRASH_CUTS, 2 by default).
TEST_F(ImportCrash, PowerCutsLeaveTheImportWholeOrNotAtAll) {
  AccountingCuts("import", Start, "import");
}

}  // namespace
