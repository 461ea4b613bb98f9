// The crash campaign of renumbering: the accounting program renumbers a
// generated year of entry lines (gaps, days numbered below the counter,
// every line with its registry record, every entry with its document). The
// test kills it (SIGKILL) at random moments of the run, restarts it
// answering Yes to the recovery question, sometimes killing that start too,
// and after every round checks from disk: the live records of the three
// files are exactly those before the run or exactly those after it, the
// checker finds nothing, no journal, second name or lock marker is left.
//
// KX_CRASH_RENUMBER_KILLS sets the number of kills (3 by default) and
// KX_CRASH_RENUMBER_ROWS the entry lines (2,000), KX_CRASH_SEED the seed.
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
#include "apps/accounting/renumber.h"
#include "crash_harness.h"
#include "data/store/datafile.h"
#include "data/bridges/dataui.h"
#include "data/dictionary/dictionary.h"
#include "data/store/reccheck.h"
#include "screens/menus/menucmd.h"
#include "script/variables.h"
#include "support/runtime_fixture.h"

namespace {

namespace fs = std::filesystem;
using crash::Child;
using crash::Contents;
using crash::NextLine;
using crash::Reap;

constexpr int kRegistry = 6, kDocuments = 7, kAccounts = 8, kEntries = 9, kMonths = 10;

// ---- The program under test (runs in a child process) -----------------------

Status Renumber(const std::string& name) {
  if (name != "renumber") return st::BADINPUTDATA;
  AcRenumberSet set{1, {{kRegistry, "ENTRY", ""}, {kDocuments, "ENTRY", "000000"}, {kEntries, "ENTRY", ""}}};
  crash::Tell("B");
  Status s = AcRenumber(StrFromC("2024"), StrFromC("20241231"), StrFromC("1"), set);
  crash::Tell("E" + std::to_string(s));
  return s;
}

Child Start(const std::string& area, const std::string& run, bool answerYes) {
  return crash::Start(area, run, answerYes, {crash::kTellQuestions | crash::kTellSteps, Renumber});
}

// ---- The test's side ------------------------------------------------------------

class RenumberCrash : public crash::Campaign {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    std::string demo = AccountingDemo();
    fs::copy(demo, Pristine(), fs::copy_options::recursive);
    AnswerRecoveryYes();
    ASSERT_EQ(VarSysInit(), 0);
    std::vector<AcGenLine> lines = Year(static_cast<int>(crash::EnvNumber("KX_CRASH_RENUMBER_ROWS", 2000)));
    ASSERT_EQ(AcGenOpen(Pristine(), Pristine()), 0);
    ASSERT_EQ(AcGenAccounts(AcDemoAccounts()), 0);
    ASSERT_EQ(AcGenLines(lines, false), 0);
    ASSERT_EQ(AcGenRegistry(lines), 0);
    Check({kRegistry, kDocuments, kEntries});
    ASSERT_EQ(AcGenClose(), 0);
    RuntimeReset();
  }

  // A year of entries of one to three lines, a few a day, numbered with gaps
  // and now and then from below the running count.
  static std::vector<AcGenLine> Year(int rows) {
    std::vector<AcGenLine> out;
    std::mt19937 rng(7);
    int perDay = std::max(1, rows / 2 / 360), number = 1;
    for (int day = 0; static_cast<int>(out.size()) < rows; ++day) {
      DateYmd date = 20240000 + (1 + day / 28 % 12) * 100 + 1 + day % 28;
      number = rng() % 5 == 0 ? std::max(1, number - 2) : number + static_cast<int>(rng() % 3);
      for (int e = 0; e < perDay; ++e, number += 1 + static_cast<int>(rng() % 2)) {
        int count = 1 + static_cast<int>(rng() % 3);
        for (int l = 1; l <= count; ++l)
          out.push_back({date, number, l, "5720000001", "7000000000", 100 + static_cast<int64_t>(rng() % 10000), 0,
                         "line " + std::to_string(out.size()), ""});
      }
    }
    return out;
  }

  // The parts of a round of the renumbering.
  crash::Rounds Parts() { return AccountingRounds("renumber", Start); }
};

TEST_F(RenumberCrash, KilledRenumberingsAreWholeOrNotAtAll) {
  uint64_t seed = crash::Seed();
  uint64_t wanted = crash::EnvNumber("KX_CRASH_RENUMBER_KILLS", 3);
  std::mt19937_64 rng(seed);
  auto started = std::chrono::steady_clock::now();

  // What the renumbering gives when nothing stops it, and how long it takes.
  Contents before = Read(Pristine());
  FreshWork();
  Child ref = Start(area.path(), "Perform renumber", false);
  std::string line, end;
  auto begun = std::chrono::steady_clock::now();
  while (!(line = NextLine(ref)).empty()) {
    if (line == "B") begun = std::chrono::steady_clock::now();
    if (line[0] == 'E') end = line;
  }
  auto runTime = std::chrono::steady_clock::now() - begun;
  ASSERT_EQ(Reap(ref), 0) << ChildErr();
  ASSERT_EQ(end, "E0") << ChildErr();
  Contents after = Read(Work());
  ASSERT_NE(after, before);
  Sound();
  uint64_t micros = std::max<uint64_t>(
      1, static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(runTime).count()));

  crash::Rounds r = Parts();
  r.wait = [&](Child& c, std::mt19937_64& g) {
    std::string l;
    while (!(l = NextLine(c)).empty() && l != "B") {
    }
    std::this_thread::sleep_for(std::chrono::microseconds(g() % (micros + micros / 2)));
    return false;
  };
  crash::RoundFigures f = crash::KillRounds(r, before, after, wanted, rng, "renumbering");
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("renumber crash campaign: seed %llu, %zu lines: %s; a whole run %.3f s; %.1f s in all\n",
              static_cast<unsigned long long>(seed), after.files[2].size(), f.Text().c_str(), micros / 1e6, secs);
}

// The renumbering with the power going at random operations of the
// program's life (KX_CRASH_CUTS, 2 by default).
TEST_F(RenumberCrash, PowerCutsLeaveTheRenumberingWholeOrNotAtAll) {
  AccountingCuts("renumber", Start, "renumbering");
}

}  // namespace
