// The crash campaign of document saves: the administration program, its
// main menu driven by a UI script, saves an invoice in the invoice window
// (Documents > Invoices): a new one of three lines, the same with its
// second line deleted, and the invoice deleted (Del.Doc.). The child kills
// itself (SIGKILL) just before the k-th record write of the save's run:
// right after every write to the invoice file (after the header, after
// each line, after the last) and at random writes of any file (the
// registry, payments and totals its relation statements and event write
// too). The test restarts it answering Yes to the recovery question,
// sometimes killing that start too, and after every round reads every data
// file from disk: its live records are exactly those before the save or
// exactly those after it, the checker finds nothing, no journal, second
// name or lock marker is left.
//
// The invoicing run (Tools > Invoicing run, confirmed) is killed the same
// way at random record writes of its run; after the recovery the files are
// as before the run or as after it, and the run made again gives exactly
// the files of one uninterrupted run: no note on two invoices, no invoice
// without its footer, registry and payments, the counters as one run
// leaves them.
//
// KX_CRASH_DOC_ROUNDS sets the random rounds of each document task (2 by
// default, besides the chosen points), KX_CRASH_INVOICING_ROUNDS those of
// the invoicing run (4), KX_CRASH_SEED the seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "crash_harness.h"
#include "data/dictionary/dictionary.h"
#include "script/variables.h"
#include "support/bmp_fixture.h"

namespace {

namespace fs = std::filesystem;
using crash::Child;
using crash::Contents;
using crash::NextLine;
using crash::Reap;

constexpr char kOpen7[] = "click 2000\ntype \"7\"\nkey Tab\ntype \"A25\"\nkey Tab\n";
constexpr char kClose[] = "close\nclose\nanswer Yes match \"Close Program?\"\n";

// The UI scripts of the three tasks, each from the menu to the program's end.
std::string Script(const std::string& task) {
  std::string s = "wait-top class=GAVGQT24\nmenu \"Documents>Invoices\"\nwait-top class=MantDlg\n";
  if (task == "new") {
    s += std::string(kOpen7) + "key Tab\ntype \"C1\"\nkey Tab\n";
    const char* const lines[][3] = {{"PAPER", "2", "4.25"}, {"TONER", "1", "61.90"}, {"FOLDER", "10", "1.75"}};
    for (int i = 0; i < 3; ++i) {
      if (i > 0) s += "key Down\nclick 2004\n";
      s += "type \"" + std::string(lines[i][0]) + "\"\nkey Tab\ntype \"" + lines[i][1] + "\"\nkey Tab\ntype \"" +
           lines[i][2] + "\"\n";
    }
    s += "click \"Save\"\n";
  } else if (task == "resave") {
    s += std::string(kOpen7) + "expect-lv 3200 1 0 \"TONER\"\nlv-click 3200 1\nclick \"Del.Line\"\nclick \"Save\"\n";
  } else if (task == "delete") {
    s += std::string(kOpen7) + "expect-lv 3200 0 0 \"PAPER\"\nlv-click 3200 0\nclick \"Del.Doc.\"\nanswer Yes match \"Delete\"\n";
  } else {  // the invoicing run; its completion box is closed by the stall policy
    return "wait-top class=GAVGQT24\nmenu \"Tools>Invoicing run\"\nwait-top class=MantDlg\nclick \"Ok\"\n"
           "wait-top class=MantDlg\n" + std::string(kClose);
  }
  return s + kClose;
}

class DocSaveCrash : public crash::Campaign {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    fs::copy(std::string(KX_SOURCE_DIR) + "/apps/administration/demo", Pristine(), fs::copy_options::recursive);
    fs::copy(std::string(KX_BINARY_DIR) + "/demo/administration", Pristine(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    // The main window's picture (the program's own is compiled into it).
    std::ofstream(Pristine() + "/logo_partner.bmp", std::ios::binary) << BmpBytes(1422, 64);
    AnswerRecoveryYes();
    ASSERT_EQ(VarSysInit(), 0);
    ASSERT_EQ(DicLoad(StrFromView(Pristine()), StrFromC("GA"), StrMake("", 0)), 0);
    for (int n = 1; n <= DataFileCount(); ++n) {
      std::string name = DicFileName(n).Str();
      if (!fs::exists(Pristine() + "/" + name + ".FD")) continue;
      names.push_back(name);
      specs.push_back(crash::CheckSpec(n, Work()));
    }
    RuntimeReset();
  }

  Child Run(uint64_t killAt) {
    crash::Program p{crash::kTellQuestions, nullptr, 0, crash::App::kAdministration, killAt};
    return crash::Start(area.path(), "", false, p);
  }
  Child Recovering() {
    return crash::Start(area.path(), "ExpEval 1", true, {crash::kTellQuestions, nullptr, 0, crash::App::kAdministration});
  }

  // A start state kept under area/<name>.
  void Keep(const std::string& name) {
    fs::remove_all(area.File(name));
    fs::copy(Work(), area.File(name), fs::copy_options::recursive);
  }
  void Fresh(const std::string& from) {
    fs::remove_all(Work());
    fs::copy(area.File(from), Work(), fs::copy_options::recursive);
  }

  // The data files and the counters file.
  Contents ReadAll() const {
    Contents c = Read(Work());
    c.text = crash::ReadFile(Work() + "/GACOUNT.DAT");
    return c;
  }

  // The task uninterrupted from the current work folder: the files of the
  // invoice written by its run, in order (one per record write).
  std::vector<std::string> Reference(const std::string& task) {
    std::ofstream(area.File("ui.txt")) << Script(task);
    Child c = Run(~0ull);
    std::vector<std::string> writes;
    std::string line;
    while (!(line = NextLine(c)).empty())
      if (line[0] == 'W') writes.push_back(line.substr(1));
    EXPECT_EQ(Reap(c), 0) << task << "\n" << ChildErr();
    Sound();
    return writes;
  }

  // The kill points of a task: right after every write to the invoice
  // file, then `random` more anywhere in its run (past its end too).
  static std::vector<uint64_t> Points(const std::vector<std::string>& writes, uint64_t random, std::mt19937_64& rng) {
    std::vector<uint64_t> out;
    for (size_t i = 0; i < writes.size(); ++i)
      if (writes[i] == "INVOICES.FD") out.push_back(i + 2);  // before the next write: this one done
    out.insert(out.begin(), 1);                              // before the first
    for (uint64_t i = 0; i < random; ++i) out.push_back(1 + rng() % (writes.size() + 2));
    return out;
  }


  // The three document tasks: the start state each begins from (kept under
  // area/<start>), the files before and after it, its record writes.
  struct Task {
    const char* name;
    const char* start;
    Contents before, after;
    std::vector<std::string> writes;
  };
  std::vector<Task> Tasks() {
    std::vector<Task> tasks{{"new", "none", {}, {}, {}}, {"resave", "saved", {}, {}, {}},
                            {"delete", "resaved", {}, {}, {}}};
    FreshWork();
    for (size_t i = 0; i < tasks.size(); ++i) {
      Keep(tasks[i].start);
      tasks[i].before = Read(Work());
      tasks[i].writes = Reference(tasks[i].name);
      tasks[i].after = Read(Work());
      EXPECT_NE(tasks[i].after, tasks[i].before) << tasks[i].name;
    }
    return tasks;
  }

  // A kill waits for nothing: the task's lines are read to its end.
  static bool ToTheEnd(Child& c, std::mt19937_64&) {
    while (!NextLine(c).empty()) {
    }
    return false;
  }

  // The rounds of a document task from its start state (its start and wait
  // are the test's).
  crash::Rounds TaskRounds(const Task& t) {
    crash::Rounds r;
    r.fresh = [this, start = t.start] { Fresh(start); };
    r.restart = [this] { return Recovering(); };
    r.read = [this] { return Read(Work()); };
    r.sound = [this] { Sound(); };
    r.journal = Work() + "/GAJOURNAL.DAT";
    return r;
  }

  // The invoicing run: its rounds check a run undone by making it again.
  crash::Rounds Invoicing(const Contents& before, const Contents& after, uint64_t* again) {
    crash::Rounds r;
    r.fresh = [this] { Fresh("notes"); };
    r.wait = ToTheEnd;
    r.restart = [this] { return Recovering(); };
    r.read = [this, before, after, again] {
      Contents now = ReadAll();
      if (now == before) {  // undone: the run made again
        ++*again;
        Child c = Run(~0ull);
        while (!NextLine(c).empty()) {
        }
        EXPECT_EQ(Reap(c), 0) << ChildErr();
        EXPECT_TRUE(ReadAll() == after) << "the invoicing run made again after a crash differs from one run";
      }
      return now;
    };
    r.sound = [this] { Sound(); };
    r.journal = Work() + "/GAJOURNAL.DAT";
    return r;
  }
};

TEST_F(DocSaveCrash, KilledDocumentSavesAndDeletesAreWholeOrNotAtAll) {
  uint64_t seed = crash::Seed();
  uint64_t random = crash::EnvNumber("KX_CRASH_DOC_ROUNDS", 2);
  std::mt19937_64 rng(seed);
  auto started = std::chrono::steady_clock::now();
  std::vector<Task> tasks = Tasks();
  ASSERT_FALSE(HasFailure()) << ChildErr();

  crash::RoundFigures all;
  for (const Task& t : tasks) {
    std::ofstream(area.File("ui.txt")) << Script(t.name);
    std::vector<uint64_t> points = Points(t.writes, random, rng);
    size_t next = 0;
    crash::Rounds r = TaskRounds(t);
    r.start = [&] { return Run(points[next++]); };
    r.wait = ToTheEnd;
    crash::RoundFigures f = crash::KillRounds(r, t.before, t.after, ~0ull, rng, t.name, points.size());
    std::printf("document crash campaign, %s (%zu record writes, %zu of them to the invoice file): %s\n", t.name,
                t.writes.size(),
                static_cast<size_t>(std::count(t.writes.begin(), t.writes.end(), std::string("INVOICES.FD"))),
                f.Text().c_str());
    all.Add(f);
  }
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("document crash campaign: seed %llu: %s; %.1f s\n", static_cast<unsigned long long>(seed),
              all.Text().c_str(), secs);
}

TEST_F(DocSaveCrash, KilledInvoicingRunsAreWholeOrNotAtAllAndRunAgainOnce) {
  uint64_t seed = crash::Seed();
  uint64_t random = crash::EnvNumber("KX_CRASH_INVOICING_ROUNDS", 4);
  std::mt19937_64 rng(seed);
  auto started = std::chrono::steady_clock::now();
  FreshWork();
  Keep("notes");
  Contents before = ReadAll();
  std::vector<std::string> writes = Reference("invoicing");
  Contents after = ReadAll();
  ASSERT_NE(after, before);
  ASSERT_FALSE(HasFailure()) << ChildErr();

  uint64_t again = 0;
  crash::Rounds r = Invoicing(before, after, &again);
  r.start = [&] { return Run(1 + rng() % (writes.size() + 2)); };
  crash::RoundFigures f = crash::KillRounds(r, before, after, ~0ull, rng, "invoicing", random);
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("invoicing crash campaign: seed %llu, %zu record writes: %s; %llu runs made again; %.1f s\n",
              static_cast<unsigned long long>(seed), writes.size(), f.Text().c_str(),
              static_cast<unsigned long long>(again), secs);
}

// The same tasks with the power going at random operations of the
// program's life (KX_CRASH_CUTS per task, 2 by default).
TEST_F(DocSaveCrash, PowerCutsLeaveDocumentsAndTheInvoicingRunWholeOrNotAtAll) {
  uint64_t seed = crash::Seed();
  std::mt19937_64 rng(seed);
  auto started = std::chrono::steady_clock::now();
  std::vector<Task> tasks = Tasks();
  ASSERT_FALSE(HasFailure()) << ChildErr();
  crash::CutFigures all;
  for (const Task& t : tasks) {
    std::ofstream(area.File("ui.txt")) << Script(t.name);
    crash::Rounds r = TaskRounds(t);
    r.start = [&] { return Run(0); };
    crash::CutFigures f = crash::CutRounds(r, t.before, t.after, 2, rng, t.name);
    std::printf("document power-cut campaign, %s: %s\n", t.name, f.Text().c_str());
    all.Add(f);
  }
  FreshWork();
  Keep("notes");
  Contents before = ReadAll();
  Reference("invoicing");
  Contents after = ReadAll();
  uint64_t again = 0;
  crash::Rounds r = Invoicing(before, after, &again);
  r.start = [&] { return Run(0); };
  crash::CutFigures f = crash::CutRounds(r, before, after, 2, rng, "invoicing");
  std::printf("invoicing power-cut campaign: %s; %llu runs made again\n", f.Text().c_str(),
              static_cast<unsigned long long>(again));
  all.Add(f);
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("document power-cut campaign: seed %llu: %s; %.1f s\n", static_cast<unsigned long long>(seed),
              all.Text().c_str(), secs);
}

}  // namespace
