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
    std::string demo = std::string(KX_SOURCE_DIR) + "/apps/accounting/demo";
    fs::copy(demo, Pristine(), fs::copy_options::recursive);
    std::ofstream(area.File("answer.txt")) << "answer Yes match \"uncorrectly closed\"\n";
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


  // The files after a clean end: sound, nothing left over, the run closed.
  void Sound() const {
    EXPECT_EQ(crash::ReadFile(Work() + "/COFSTAT.DAT"), "0");
    Campaign::Sound();
  }
};

TEST_F(ImportCrash, KilledImportsAreWholeOrNotAtAll) {
  uint64_t seed = crash::EnvNumber("KX_CRASH_SEED", static_cast<uint64_t>(std::random_device{}()));
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

  uint64_t kills = 0, rounds = 0, sawBefore = 0, sawAfter = 0, restartKills = 0, inPlayback = 0;
  while (kills < wanted && !HasFailure()) {
    ++rounds;
    FreshWork();
    // Killed after a random number of rows read or merged and a random
    // moment more; now and then only after its end.
    Child c = Start(area.path(), "Perform import", false);
    uint64_t target = rng() % (events + 3), seen = 0;
    bool ended = false;
    while (seen < target && !(line = NextLine(c)).empty()) {
      seen += line == "R";
      ended = ended || line[0] == 'E';
    }
    std::this_thread::sleep_for(std::chrono::microseconds(rng() % 3000));
    kill(c.pid, SIGKILL);
    while (!(line = NextLine(c)).empty()) ended = ended || line[0] == 'E';
    int code = Reap(c);
    ASSERT_TRUE(code == 1000 + SIGKILL || code == 0) << code << "\n" << ChildErr();
    kills += code != 0;
    // Restarts that recover; some are killed while the journal is played
    // back or the files rebuilt, the next one finishes the work.
    crash::RecoverFigures rec;
    code = crash::Recover([&] { return Start(area.path(), "ExpEval 1", true); }, Work() + "/COJOURNAL.DAT", rng, 2000,
                          [&] { return kills + rec.kills < wanted; }, &rec);
    kills += rec.kills;
    restartKills += rec.kills;
    inPlayback += rec.inPlayback;
    ASSERT_EQ(code, 0) << ChildErr();
    Sound();
    Contents now = Read(Work());
    bool isBefore = now == before, isAfter = now == after;
    EXPECT_TRUE(isBefore || isAfter) << "round " << rounds << ": the files are neither as before nor as after";
    EXPECT_TRUE(!ended || isAfter) << "round " << rounds << ": an import that ended was lost";
    sawBefore += isBefore;
    sawAfter += isAfter;
  }
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf(
      "import crash campaign: seed %llu, %zu rows: %llu rounds, %llu kills (%llu of a recovering start, %llu of them "
      "with the journal still there); %llu rounds found the files as before, %llu as after; a whole import %.1f s; "
      "%.1f s in all\n",
      static_cast<unsigned long long>(seed), after.files[1].size() - before.files[1].size(),
      static_cast<unsigned long long>(rounds), static_cast<unsigned long long>(kills),
      static_cast<unsigned long long>(restartKills), static_cast<unsigned long long>(inPlayback),
      static_cast<unsigned long long>(sawBefore), static_cast<unsigned long long>(sawAfter), full, secs);
}

}  // namespace
