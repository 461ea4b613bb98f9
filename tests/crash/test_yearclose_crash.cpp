// The crash campaign of the year-end tasks: the accounting program closes a
// generated year (2024, its lines between the demo's accounts), undoes the
// close, or regenerates the balances of the closed year, and the test kills
// it (SIGKILL) at a random moment of the task; restarts it answering Yes to
// the recovery question, now and then killing that start too while it plays
// the journal back; and after every round checks from disk: the live
// records of the accounts, the entry lines and the balances by month, with
// the parameter file holding FAPE$, are exactly those before the task or
// exactly those after it (a task that told its end: after), the checker
// finds nothing, no journal or second name is left.
//
// KX_CRASH_CLOSE_KILLS sets the kills of each task, KX_CRASH_CLOSE_LINES
// the lines of the year (a short run by default: 2 kills a task, 800
// lines) and KX_CRASH_CLOSE_TASKS the tasks killed (a comma list of close,
// undo and regen; all by default), KX_CRASH_SEED the seed; all and the
// figures are printed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "apps/accounting/demo/gen/acgen.h"
#include "apps/accounting/layer.h"
#include "apps/accounting/yearclose.h"
#include "crash_harness.h"
#include "data/bridges/dataui.h"
#include "data/dictionary/dictionary.h"
#include "data/store/reccheck.h"
#include "screens/menus/menucmd.h"
#include "script/evaluator.h"
#include "script/objparams.h"
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

// ---- The program under test (runs in a child process) -----------------------

// "Perform close|undo|regen": the task's work under its definition.
Status Task(const std::string& what) {
  int tag = what == "close" ? 1 : what == "undo" ? 2 : what == "regen" ? 3 : 0;
  if (tag == 0) return st::BADINPUTDATA;
  if (Status s = ParmStrPush(StrFromC("COCLOSE.PPN"), 1, tag)) return s;
  Status s = 0;
  Tell("B");
  if (tag == 1) {
    s = ExpEvalStatus(StrFromC("_FINI$='20241231',_FFIN$='20250101'"));
    if (s == 0) s = AcCloseYearRun();
  } else if (tag == 2) {
    s = AcUncloseYearRun(StrFromC("20241231"));
  } else {
    s = ExpEvalStatus(StrFromC("MFROM$='20240101',MTO$='20251231'"));
    if (s == 0) s = AcBalanceMaint(StrFromC("20240101"), StrFromC("20251231"));
  }
  Tell("E" + std::to_string(s));
  ParmStrPop();
  return s;
}

Child Start(const std::string& area, const std::string& run, bool answerYes) {
  return crash::Start(area, run, answerYes, {crash::kTellQuestions, Task});
}

// ---- The test's side ------------------------------------------------------------

class YearCloseCrash : public crash::Campaign {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    std::string demo = AccountingDemo();
    fs::copy(demo, Pristine(), fs::copy_options::recursive);
    fs::create_directories(area.File("pristine_data"));
    fs::copy_file(demo + "/data/COPARINI.DAT", area.File("pristine_data/COPARINI.DAT"));
    AnswerRecoveryYes();
    ASSERT_EQ(VarSysInit(), 0);
    ASSERT_EQ(AcGenOpen(Pristine(), Pristine()), 0);
    std::vector<AcGenAccount> accounts = AcDemoAccounts();
    ASSERT_EQ(AcGenAccounts(accounts), 0);
    // Through the relation statements, as the program itself writes them.
    ASSERT_EQ(AcGenLines(Year(accounts, static_cast<int>(crash::EnvNumber("KX_CRASH_CLOSE_LINES", 800))), true),
              0);
    Check({kAccounts, kEntries, kMonths});
    ASSERT_EQ(AcGenClose(), 0);
    RuntimeReset();
  }

  // A year of lines between the chart's accounts, two lines an entry, on
  // every day of 2024 (29 February too).
  static std::vector<AcGenLine> Year(const std::vector<AcGenAccount>& accounts, int count) {
    std::vector<std::string> codes;
    for (const AcGenAccount& a : accounts)
      if (a.code.size() == 10) codes.push_back(a.code);
    std::mt19937 rng(2024);
    std::vector<AcGenLine> out;
    for (int i = 0; i < count; ++i) {
      int day = static_cast<int>(static_cast<int64_t>(i) * 366 / count);  // 0-365
      int month = 1, left = day;
      while (left >= DateDaysInMonth(month, 2024)) left -= DateDaysInMonth(month++, 2024);
      AcGenLine l;
      l.date = 20240000 + month * 100 + left + 1;
      l.entry = i / 2 + 1;
      l.line = i % 2 + 1;
      l.debit = codes[rng() % codes.size()];
      do l.credit = codes[rng() % codes.size()];
      while (l.credit == l.debit);
      l.cents = 100 + rng() % 500000;
      l.accId = day == 0 ? 60 : 0;
      l.text = "Linea " + std::to_string(i);
      out.push_back(l);
    }
    return out;
  }

  // Overwrites the stored debit total (CUR_PASSIVE, bytes 50-63 of a
  // 78-byte record) of the first live complete account in place.
  static void Spoil(const std::string& path) {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    std::string rec(78, ' ');
    for (std::streamoff at = 0; f.seekg(at) && f.read(rec.data(), 78); at += 78) {
      if (rec[0] == 27 || rec[9] == ' ') continue;
      f.seekp(at + 50);
      f.write("        999.99", 14);
      return;
    }
    ADD_FAILURE() << path << ": no complete account to spoil";
  }

  // A start state: the program's folder and its sibling data folder.
  void Save(const std::string& name) {
    fs::remove_all(area.File(name));
    fs::copy(Work(), area.File(name), fs::copy_options::recursive);
    fs::remove_all(area.File(name + "_data"));
    fs::copy(area.File("data"), area.File(name + "_data"), fs::copy_options::recursive);
  }
  void Fresh(const std::string& from) {
    fs::remove_all(Work());
    fs::copy(area.File(from), Work(), fs::copy_options::recursive);
    fs::remove_all(area.File("data"));
    fs::copy(area.File(from + "_data"), area.File("data"), fs::copy_options::recursive);
  }

  // The three files and the parameter file holding FAPE$.
  Contents Read() const {
    Contents c = Campaign::Read(Work());
    c.text = crash::ReadFile(area.File("data/COPARINI.DAT"));
    return c;
  }

  // An uninterrupted run of the task from the start state: its answer (0)
  // and how long the task took (from its begin to its end).
  double Reference(const std::string& task) {
    Child c = Start(area.path(), "Perform " + task, false);
    std::string line, end;
    auto begin = std::chrono::steady_clock::now(), ended = begin;
    while (!(line = NextLine(c)).empty()) {
      if (line == "B") begin = std::chrono::steady_clock::now();
      if (line[0] == 'E') {
        end = line;
        ended = std::chrono::steady_clock::now();
      }
    }
    EXPECT_EQ(Reap(c), 0) << ChildErr();
    EXPECT_EQ(end, "E0") << task << "\n" << ChildErr();
    return std::chrono::duration<double>(ended - begin).count();
  }

  // The open year (kept as "open") and the same closed by the task
  // uninterrupted (kept as "closed"); answers how long the close took.
  double OpenAndClosed(Contents* open, Contents* closed) {
    fs::copy(Pristine(), Work(), fs::copy_options::recursive);
    fs::copy(area.File("pristine_data"), area.File("data"), fs::copy_options::recursive);
    Save("open");
    *open = Read();
    double closeTime = Reference("close");
    *closed = Read();
    EXPECT_NE(*closed, *open);
    Save("closed");
    return closeTime;
  }

  // The parts of a round of the task started from `start`.
  crash::Rounds Parts(const std::string& task, const std::string& start) {
    crash::Rounds r = AccountingRounds(task, Start);
    r.fresh = [this, start] { Fresh(start); };
    r.read = [this] { return Read(); };
    r.maxRestartSleepUs = 20000;
    return r;
  }

  // Kills the task started from `start` at random moments until `wanted`
  // kills: the kill lands anywhere in the task, and now and then after its
  // end.
  crash::RoundFigures Campaign(const std::string& task, const std::string& start, const Contents& before,
                               const Contents& after, double full, uint64_t wanted, std::mt19937_64& rng) {
    crash::Rounds r = Parts(task, start);
    r.wait = [&](Child& c, std::mt19937_64& g) {
      std::string l;
      while (!(l = NextLine(c)).empty() && l != "B") {
      }
      std::this_thread::sleep_for(std::chrono::microseconds(g() % static_cast<uint64_t>(full * 1.2e6 + 1)));
      return false;
    };
    return crash::KillRounds(r, before, after, wanted, rng, task);
  }
};

TEST_F(YearCloseCrash, KilledYearEndTasksAreWholeOrNotAtAll) {
  uint64_t seed = crash::Seed();
  uint64_t wanted = crash::EnvNumber("KX_CRASH_CLOSE_KILLS", 2);
  std::printf("year-end crash campaign: seed %llu, %llu kills a task\n", static_cast<unsigned long long>(seed),
              static_cast<unsigned long long>(wanted));
  std::mt19937_64 rng(seed);
  auto started = std::chrono::steady_clock::now();

  // The three start states and what each task gives uninterrupted.
  Contents open, closed;
  double closeTime = OpenAndClosed(&open, &closed);
  ASSERT_FALSE(HasFailure());
  // The close leaves what the regeneration computes: it runs from the
  // closed year with one account's stored debit total spoiled, and gives the
  // closed year back.
  Fresh("closed");
  Spoil(Work() + "/ACCOUNTS.FD");
  Save("spoiled");
  Contents spoiled = Read();
  ASSERT_NE(spoiled, closed);
  double regenTime = Reference("regen");
  Contents regenerated = Read();
  ASSERT_TRUE(regenerated == closed) << "the regeneration changes the closed year";
  Fresh("closed");
  double undoTime = Reference("undo");
  ASSERT_TRUE(Read() == open) << "the undo does not give back the open year";

  struct Run {
    const char* task;
    const char* start;
    const Contents* before;
    const Contents* after;
    double full;
  } runs[] = {{"close", "open", &open, &closed, closeTime},
              {"undo", "closed", &closed, &open, undoTime},
              {"regen", "spoiled", &spoiled, &regenerated, regenTime}};
  const char* only = std::getenv("KX_CRASH_CLOSE_TASKS");
  for (const Run& r : runs) {
    if (only && *only && ("," + std::string(only) + ",").find("," + std::string(r.task) + ",") == std::string::npos)
      continue;
    crash::RoundFigures f = Campaign(r.task, r.start, *r.before, *r.after, r.full, wanted, rng);
    std::printf("year-end crash campaign, %s (%zu lines, %.1f s uninterrupted): %s\n", r.task,
                open.files[1].size(), r.full, f.Text().c_str());
  }
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("year-end crash campaign: seed %llu, %.1f s in all\n", static_cast<unsigned long long>(seed), secs);
}

// The close and its undo with the power going at random operations of the
// program's life (KX_CRASH_CUTS a task, 2 by default).
TEST_F(YearCloseCrash, PowerCutsLeaveTheCloseAndItsUndoWholeOrNotAtAll) {
  uint64_t seed = crash::Seed();
  std::mt19937_64 rng(seed);
  Contents open, closed;
  OpenAndClosed(&open, &closed);
  ASSERT_FALSE(HasFailure());
  crash::CutFigures close = crash::CutRounds(Parts("close", "open"), open, closed, 2, rng, "close");
  crash::CutFigures undo = crash::CutRounds(Parts("undo", "closed"), closed, open, 2, rng, "undo");
  std::printf("year-end power-cut campaign: seed %llu, %zu lines; close: %s\nundo: %s\n",
              static_cast<unsigned long long>(seed), open.files[1].size(), close.Text().c_str(), undo.Text().c_str());
}

}  // namespace
