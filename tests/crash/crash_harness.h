// The harness of the crash campaigns: one of the programs started in a
// child process on a work directory, telling the test on a pipe what it is
// about to do; the test reads those lines, kills the child (SIGKILL) at a
// moment of its choice (or the child kills itself at a chosen record
// write) and reaps it; KillRounds holds the round loop every campaign
// shares: a fresh start state, the task killed, restarts that recover
// (some killed in turn), and the files read from disk compared with the
// state before and after the task. CutRounds does the same with power
// cuts: the child records every file operation (platform/host/files.h)
// and the power goes before a chosen one, the files left as a disk may
// hold them.
#pragma once
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/startup.h"
#include "apps/accounting/layer.h"
#include "apps/administration/layer.h"
#include "data/bridges/dataui.h"
#include "data/dictionary/dictionary.h"
#include "data/store/reccheck.h"
#include "data/store/journal.h"
#include "data/store/recfile.h"
#include "platform/host/files.h"
#include "screens/menus/menucmd.h"
#include "support/runtime_fixture.h"

namespace crash {

// The child's end of the pipe.
inline int g_pipe = -1;

// A child in which a module closed a descriptor it had closed already (or
// one the test process closed before the fork) ends at once with 93: that
// close hit whatever file or pipe held the number since.
inline void StaleCheck() {
  host::StaleCloses stale = host::StaleClosesGet();
  if (stale.count == 0) return;
  std::string why = "stale close of descriptor " + std::to_string(stale.lastFd) + "\n";
  if (write(2, why.data(), why.size()) < 0) {
  }
  _exit(93);
}

// A line to the test; a child that cannot tell ends at once.
inline void Tell(const std::string& line) {
  StaleCheck();
  std::string l = line + "\n";
  if (write(g_pipe, l.data(), l.size()) != static_cast<ssize_t>(l.size())) _exit(90);
}

// A progress step that tells "P" (a record of a rebuild).
inline Status TellStep(uint32_t, uint32_t, StrValue) {
  Tell("P");
  return 0;
}

// The checker's layout of data file n of the loaded dictionary, in folder.
inline RecCheckSpec CheckSpec(int n, const std::string& folder) {
  std::string name = DicFileName(n).Str();
  RecCheckSpec spec{folder + "/" + name + ".FD", folder + "/" + name + ".DIR", DicRecLen(n), {}};
  for (int k = 1; k <= DicKeyCount(n); ++k) {
    KeyPart parts;
    uint16_t count = KeyPartsDesc(n, k, &parts);
    RecKey key;
    for (uint16_t i = 0; i < count; ++i) key.segs.push_back(KeySeg{parts.part[i].offset, parts.part[i].length});
    spec.keys.push_back(key);
  }
  return spec;
}

struct Child {
  pid_t pid = -1;
  int fd = -1;
  std::string buf;
};

// What the child tells besides what its task tells: "Q" before each
// question of the data layer, "P" at each progress step (a record of a
// rebuild).
enum Telling : unsigned { kTellQuestions = 1, kTellSteps = 2 };

// The child's task: "Perform <name>" runs it with the name, its answer is
// the command's; every other command goes to the accounting program.
using PerformFn = Status (*)(const std::string& name);

enum class App { kAccounting, kAdministration };

struct Program {
  unsigned telling = 0;
  PerformFn perform = nullptr;
  uint32_t seed = 0;  // for a task that draws its own work
  App app = App::kAccounting;
  // > 0: the child kills itself just before the killAt-th record write of
  // a journal run (every such write tells "W" when killAt is not 0).
  uint64_t killAt = 0;
};

inline Program g_program;

// The next Start's power cut: 0 none, kCountOnly records and tells the
// operations at the end ("O<operations> <runs committed>"), else the power
// goes before that operation of the child (it tells "X<runs committed>
// <writes kept> <dropped> <torn> <names kept> <undone>" first).
constexpr uint64_t kCountOnly = ~0ull;
inline uint64_t g_cutAt = 0;

inline void TellCut(const host::PowerCutFigures& f) {
  Tell("X" + std::to_string(RunJournalCommits()) + " " + std::to_string(f.writesKept) + " " +
       std::to_string(f.writesDropped) + " " + std::to_string(f.writesTorn) + " " + std::to_string(f.namesKept) +
       " " + std::to_string(f.namesUndone));
}
inline int (*g_ask)(StrValue) = nullptr;

inline int AskTelling(StrValue text) {
  Tell("Q");
  return g_ask(text);
}

inline uint64_t g_runWrites = 0;

// The tap on record writes: inside a journal run it counts them, tells
// "W" and the data file's name and, at the chosen one, kills the child
// before the write.
inline Status TapWriting(RecFile& file, uint64_t) {
  if (!RunJournalActive()) return 0;
  if (++g_runWrites == g_program.killAt) kill(getpid(), SIGKILL);
  Tell("W" + std::filesystem::path(file.Spec().dataPath).filename().string());
  return 0;
}
inline const RecFileWatch kTap{nullptr, TapWriting, nullptr, nullptr};

// The program's phases; phase 1 also hooks what the test is to be told.
inline int Phase(int phase) {
  if ((phase & 15) == 1 && g_program.telling) {
    DataUi ui = DataUiGet();
    if (g_program.telling & kTellQuestions) {
      g_ask = ui.ask;
      ui.ask = AskTelling;
    }
    if (g_program.telling & kTellSteps) ui.progressStep = TellStep;
    DataUiSet(ui);
  }
  if ((phase & 15) == 1 && g_program.killAt) RecFileWatchSet(&kTap);
  return g_program.app == App::kAccounting ? AcAppCallback(phase) : AdmAppCallback(phase);
}

inline Status Dispatch(int code, StrValue rest) {
  MenuCommand cmd{static_cast<uint32_t>(code), rest, {}};
  if (cmd.Stat() == 0 && cmd.Verb() == kVerbPerform && g_program.perform) return g_program.perform(rest.Str());
  return g_program.app == App::kAccounting ? AcMenuAction(code, rest) : AdmMenuAction(code, rest);
}

// The program started headless in area/work with a /RUN command (or, with
// an empty run, its main menu driven by the UI script area/ui.txt); with
// answerYes the UI script of area/answer.txt answers (cancel on a stall),
// else any question stalls and fails. Its standard error goes to
// area/child.err.
inline Child Start(const std::string& area, const std::string& run, bool answerYes, const Program& program) {
  int p[2];
  if (pipe(p) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    close(p[0]);
    // Far above the descriptors the program opens: a descriptor number the
    // test process used before the fork (and a module may still hold in its
    // copied state) must never be this pipe.
    g_pipe = fcntl(p[1], F_DUPFD, 900);
    close(p[1]);
    g_program = program;
    host::StaleClosesClear();
    int err = open((area + "/child.err").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (err >= 0) dup2(err, 2);
    if (chdir((area + "/work").c_str()) != 0) _exit(91);
    setenv("KX_UI", "headless", 1);
    setenv("KX_UI_STALL", answerYes || run.empty() ? "cancel" : "fail", 1);
    if (answerYes) setenv("KX_UI_SCRIPT", (area + "/answer.txt").c_str(), 1);
    else if (run.empty()) setenv("KX_UI_SCRIPT", (area + "/ui.txt").c_str(), 1);
    else unsetenv("KX_UI_SCRIPT");
    unsetenv("KX_UI_TRANSCRIPT");
    bool ac = program.app == App::kAccounting;
    const AppConstants app = {ac ? "COVCQT24:Orbisquale" : "GAVGQT24:Orbisquale", "Crash", ac ? "" : "G2MENU",
                              kStartLoadDictionary, Phase, Dispatch};
    std::string line = "crash /DPATH:\"" + area + "/work\"";
    if (!run.empty()) line += " /RUN:\"" + run + "\"";
    if (g_cutAt) {
      host::PowerRecord(g_cutAt);
      host::PowerCutAt(g_cutAt == kCountOnly ? 0 : g_cutAt, TellCut);
    }
    int code = AppMain(nullptr, app, line.c_str());
    if (g_cutAt) Tell("O" + std::to_string(host::PowerOperations()) + " " + std::to_string(RunJournalCommits()));
    StaleCheck();
    _exit(code);
  }
  close(p[1]);
  return Child{pid, p[0], ""};
}

// The next line the child told, "" at its end (or after 60 s of silence).
inline std::string NextLine(Child& c) {
  for (;;) {
    size_t nl = c.buf.find('\n');
    if (nl != std::string::npos) {
      std::string line = c.buf.substr(0, nl);
      c.buf.erase(0, nl + 1);
      return line;
    }
    pollfd pf{c.fd, POLLIN, 0};
    if (poll(&pf, 1, 60000) <= 0) return "";
    char chunk[65536];
    ssize_t n = read(c.fd, chunk, sizeof chunk);
    if (n <= 0) return "";
    c.buf.append(chunk, static_cast<size_t>(n));
  }
}

// Waits for the child; answers its exit code, or 1000 + the signal.
inline int Reap(Child& c) {
  int status = 0;
  waitpid(c.pid, &status, 0);
  close(c.fd);
  return WIFSIGNALED(status) ? 1000 + WTERMSIG(status) : WEXITSTATUS(status);
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline uint64_t EnvNumber(const char* name, uint64_t fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::strtoull(v, nullptr, 10) : fallback;
}

// The seed of a campaign: KX_CRASH_SEED, else a fixed one, so a short run
// in the test suite kills at the same points every time.
inline uint64_t Seed() { return EnvNumber("KX_CRASH_SEED", 20261211); }

// The live records of a fixed-length data file, sorted: what must be the
// same before or after, whatever record numbers a rebuild gave them.
inline std::vector<std::string> LiveRecords(const std::string& path, uint32_t len) {
  std::string data = ReadFile(path);
  std::vector<std::string> out;
  for (size_t at = 0; at + len <= data.size(); at += len)
    if (data[at] != 27) out.push_back(data.substr(at, len));
  std::sort(out.begin(), out.end());
  return out;
}

// A file a clean end must not leave in the folder: a work copy, a lock
// marker, the journal or a second name. Empty when there is none.
inline std::string LeftOver(const std::string& folder) {
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    std::string n = e.path().filename().string(), ext = e.path().extension().string();
    if (ext == ".TMP" || ext == ".lock" || n.ends_with("JOURNAL.DAT") || n.find(".jr") != std::string::npos) return n;
  }
  return "";
}

struct RecoverFigures {
  uint64_t kills = 0;       // recovering starts killed
  uint64_t inPlayback = 0;  // of them, with the journal still there
};

// Starts the program headless answering Yes (start(area)) until a start
// ends by itself; while killMore() holds, one start in three is killed a
// moment (below maxSleepUs) after its recovery question. Answers the exit
// code of the start that ended.
template <class StartFn, class MoreFn>
int Recover(StartFn start, const std::string& journal, std::mt19937_64& rng, uint64_t maxSleepUs, MoreFn killMore,
            RecoverFigures* f) {
  for (;;) {
    Child r = start();
    bool killing = killMore() && rng() % 3 == 0;
    std::string line;
    while (!(line = NextLine(r)).empty()) {
      if (killing && line == "Q") {
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % maxSleepUs));
        kill(r.pid, SIGKILL);
        break;
      }
    }
    while (!NextLine(r).empty()) {
    }
    int code = Reap(r);
    if (code != 1000 + SIGKILL) return code;
    ++f->kills;
    f->inPlayback += std::filesystem::exists(journal);
  }
}

// What a campaign compares before and after its task: the live records of
// its files, and the whole text of one more file where it keeps one.
struct Contents {
  std::vector<std::vector<std::string>> files;
  std::string text;
  bool operator==(const Contents&) const = default;
};

// The test's side of a campaign on a program folder prepared in
// area/pristine: the files it checks (names, layouts), a fresh work folder
// for each round, reading and checking them.
struct Rounds;

class Campaign : public RuntimeTest {
 protected:
  std::string Pristine() const { return area.File("pristine"); }
  std::string Work() const { return area.File("work"); }
  std::string ChildErr() const { return ReadFile(area.File("child.err")); }
  static std::string AccountingDemo() { return std::string(KX_SOURCE_DIR) + "/apps/accounting/demo"; }
  // Every start of a child answers Yes to the recovery question.
  void AnswerRecoveryYes() const {
    std::ofstream(area.File("answer.txt")) << "answer Yes match \"uncorrectly closed\"\n";
  }

  // The checked files: data files ns of the loaded dictionary, in Work().
  void Check(std::initializer_list<int> ns) {
    for (int n : ns) {
      names.push_back(DicFileName(n).Str());
      specs.push_back(CheckSpec(n, Work()));
    }
  }

  void FreshWork() {
    std::filesystem::remove_all(Work());
    std::filesystem::copy(Pristine(), Work(), std::filesystem::copy_options::recursive);
  }

  Contents Read(const std::string& folder) const {
    Contents c;
    for (size_t i = 0; i < names.size(); ++i)
      c.files.push_back(LiveRecords(folder + "/" + names[i] + ".FD", specs[i].recLen));
    return c;
  }

  // The parts of a round of the accounting program's task run as
  // "Perform <task>" by start: a fresh work folder, the task started,
  // restarts that only recover, the checked files read and found sound.
  using Starter = std::function<Child(const std::string& area, const std::string& run, bool answerYes)>;
  Rounds AccountingRounds(const std::string& task, Starter start);
  // The task run once to its end from a fresh work folder (its files then
  // differ from the pristine ones), then cut by the power at random points
  // of its rounds (CutRounds); prints the figures.
  void AccountingCuts(const std::string& task, Starter start, const std::string& what);

  // The files after a clean end: sound, nothing left over.
  virtual void Sound() const {
    EXPECT_EQ(LeftOver(Work()), "");
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(RecFileCheck(specs[i]), "") << names[i];
  }

  TempDir area;
  std::vector<std::string> names;
  std::vector<RecCheckSpec> specs;
};

// One campaign's parts for KillRounds.
struct Rounds {
  std::function<void()> fresh;   // puts the start state back
  std::function<Child()> start;  // the task
  // Reads the task's lines up to the moment of the kill; answers whether
  // the task told its end ("E...") by then.
  std::function<bool(Child&, std::mt19937_64&)> wait;
  std::function<Child()> restart;  // a start that recovers (answers Yes)
  std::function<Contents()> read;  // the files from disk
  std::function<void()> sound;     // the checks of a clean end
  std::string journal;
  uint64_t maxRestartSleepUs = 2000;
};

inline Rounds Campaign::AccountingRounds(const std::string& task, Starter start) {
  Rounds r;
  r.fresh = [this] { FreshWork(); };
  r.start = [this, task, start] { return start(area.path(), "Perform " + task, false); };
  r.restart = [this, start] { return start(area.path(), "ExpEval 1", true); };
  r.read = [this] { return Read(Work()); };
  r.sound = [this] { Sound(); };
  r.journal = Work() + "/COJOURNAL.DAT";
  return r;
}

struct RoundFigures {
  uint64_t rounds = 0, kills = 0, restartKills = 0, inPlayback = 0, sawBefore = 0, sawAfter = 0;
  void Add(const RoundFigures& o) {
    rounds += o.rounds, kills += o.kills, restartKills += o.restartKills, inPlayback += o.inPlayback;
    sawBefore += o.sawBefore, sawAfter += o.sawAfter;
  }
  std::string Text() const {
    char buf[256];
    std::snprintf(buf, sizeof buf,
                  "%llu rounds, %llu kills (%llu of a recovering start, %llu with the journal still there); "
                  "%llu rounds found the files as before, %llu as after",
                  static_cast<unsigned long long>(rounds), static_cast<unsigned long long>(kills),
                  static_cast<unsigned long long>(restartKills), static_cast<unsigned long long>(inPlayback),
                  static_cast<unsigned long long>(sawBefore), static_cast<unsigned long long>(sawAfter));
    return buf;
  }
};

// Kills the task in rounds until `wanted` kills (or `maxRounds` rounds,
// when given: a kill point past the task's end counts a round, no kill);
// after every round the files are exactly before or after, and after when
// the task told its end or exited by itself.
inline RoundFigures KillRounds(const Rounds& r, const Contents& before, const Contents& after, uint64_t wanted,
                               std::mt19937_64& rng, const std::string& what, uint64_t maxRounds = 0) {
  RoundFigures f;
  std::string line;
  while (f.kills < wanted && (maxRounds == 0 || f.rounds < maxRounds) && !::testing::Test::HasFailure()) {
    ++f.rounds;
    r.fresh();
    Child c = r.start();
    bool ended = r.wait(c, rng);
    kill(c.pid, SIGKILL);
    while (!(line = NextLine(c)).empty()) ended = ended || line[0] == 'E';
    int code = Reap(c);
    EXPECT_TRUE(code == 1000 + SIGKILL || code == 0) << what << ": " << code;
    f.kills += code != 0;
    ended = ended || code == 0;
    RecoverFigures rec;
    code = Recover(r.restart, r.journal, rng, r.maxRestartSleepUs, [&] { return f.kills + rec.kills < wanted; }, &rec);
    f.kills += rec.kills;
    f.restartKills += rec.kills;
    f.inPlayback += rec.inPlayback;
    EXPECT_EQ(code, 0) << what << " round " << f.rounds << ": the recovering start failed";
    r.sound();
    Contents now = r.read();
    bool isBefore = now == before, isAfter = now == after;
    EXPECT_TRUE(isBefore || isAfter) << what << " round " << f.rounds << ": the files are neither as before nor as after";
    EXPECT_TRUE(!ended || isAfter) << what << " round " << f.rounds << ": a task that ended was lost";
    f.sawBefore += isBefore;
    f.sawAfter += isAfter;
  }
  return f;
}

}  // namespace crash

namespace crash {

struct CutFigures {
  uint64_t rounds = 0, restartCuts = 0, sawBefore = 0, sawAfter = 0, committed = 0;
  uint64_t kept = 0, dropped = 0, torn = 0, namesKept = 0, namesUndone = 0;
  void Add(const CutFigures& o) {
    rounds += o.rounds, restartCuts += o.restartCuts, sawBefore += o.sawBefore, sawAfter += o.sawAfter;
    committed += o.committed, kept += o.kept, dropped += o.dropped, torn += o.torn;
    namesKept += o.namesKept, namesUndone += o.namesUndone;
  }
  std::string Text() const {
    char buf[400];
    std::snprintf(buf, sizeof buf,
                  "%llu cuts (%llu more of a recovering start); unsynced writes at the cuts: %llu kept, %llu lost, "
                  "%llu torn; names: %llu kept, %llu undone; %llu found as before, %llu as after (%llu cut after "
                  "the task had committed), lost 0 and mixed 0 unless reported above",
                  static_cast<unsigned long long>(rounds), static_cast<unsigned long long>(restartCuts),
                  static_cast<unsigned long long>(kept), static_cast<unsigned long long>(dropped),
                  static_cast<unsigned long long>(torn), static_cast<unsigned long long>(namesKept),
                  static_cast<unsigned long long>(namesUndone), static_cast<unsigned long long>(sawBefore),
                  static_cast<unsigned long long>(sawAfter), static_cast<unsigned long long>(committed));
    return buf;
  }
};

// The lines of a child up to its end: the "X" line of a cut parsed into f,
// the runs committed by then in *commits; the "O" line's figures in *ops
// and *commits. Answers the exit code.
inline int ReadToEnd(Child& c, CutFigures* f, uint64_t* ops, uint64_t* commits) {
  std::string line;
  while (!(line = NextLine(c)).empty()) {
    if (line[0] == 'X') {
      unsigned long long v[6] = {};
      std::sscanf(line.c_str() + 1, "%llu %llu %llu %llu %llu %llu", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
      *commits = v[0];
      if (f) f->kept += v[1], f->dropped += v[2], f->torn += v[3], f->namesKept += v[4], f->namesUndone += v[5];
    } else if (line[0] == 'O') {
      unsigned long long o = 0, k = 0;
      std::sscanf(line.c_str() + 1, "%llu %llu", &o, &k);
      if (ops) *ops = o;
      *commits = k;
    }
  }
  return Reap(c);
}

// `cuts` rounds: the task started from r.fresh() with the power going
// before a random operation of the child's life (start, task, end; every
// other one among its last operations); then
// starts that recover, one in three of them cut in turn, until one ends by
// itself. The files must be as before or as after, and after when every run
// of the task had committed when the power went. Answers the figures;
// KX_CRASH_CUTS overrides `cuts`.
inline CutFigures CutRounds(const Rounds& r, const Contents& before, const Contents& after, uint64_t cuts,
                            std::mt19937_64& rng, const std::string& what) {
  cuts = EnvNumber("KX_CRASH_CUTS", cuts);
  CutFigures f;
  // The operations and runs of the whole task.
  r.fresh();
  g_cutAt = kCountOnly;
  Child whole = r.start();
  g_cutAt = 0;
  uint64_t ops = 0, commits = 0;
  EXPECT_EQ(ReadToEnd(whole, nullptr, &ops, &commits), 0) << what << ": the task uninterrupted";
  EXPECT_TRUE(r.read() == after) << what << ": the task uninterrupted differs from its reference";
  if (ops == 0 || ::testing::Test::HasFailure()) return f;
  const uint64_t taskCommits = commits;
  while (f.rounds < cuts && !::testing::Test::HasFailure()) {
    ++f.rounds;
    r.fresh();
    // Every other cut among the last operations: the commit, the saves and
    // the end of the program, where what was reported must stay; every
    // fourth among the last 40, so that a bulk task's last tenth (most of
    // it the task's own writes) does not hide its commit and end.
    uint64_t tail = std::min<uint64_t>(ops, f.rounds % 4 ? std::max<uint64_t>(ops / 10, 40) : 40);
    g_cutAt = f.rounds % 2 ? 1 + rng() % ops : ops - rng() % tail;
    char where[96];
    std::snprintf(where, sizeof where, "the power cut before operation %llu of %llu",
                  static_cast<unsigned long long>(g_cutAt), static_cast<unsigned long long>(ops));
    SCOPED_TRACE(where);
    Child c = r.start();
    g_cutAt = 0;
    uint64_t atCut = 0;
    int code = ReadToEnd(c, &f, nullptr, &atCut);
    EXPECT_EQ(code, host::kPowerCutExit) << what << " round " << f.rounds;
    for (;;) {
      bool cutAgain = rng() % 3 == 0;
      g_cutAt = cutAgain ? 1 + rng() % 400 : 0;
      std::snprintf(where, sizeof where, "a recovering start cut before operation %llu",
                    static_cast<unsigned long long>(g_cutAt));
      SCOPED_TRACE(cutAgain ? where : "");
      Child s = r.restart();
      g_cutAt = 0;
      uint64_t unused = 0;
      code = ReadToEnd(s, nullptr, nullptr, &unused);
      if (code != host::kPowerCutExit) break;
      ++f.restartCuts;
    }
    EXPECT_EQ(code, 0) << what << " round " << f.rounds << ": the recovering start failed";
    r.sound();
    Contents now = r.read();
    bool isBefore = now == before, isAfter = now == after, done = atCut >= taskCommits;
    EXPECT_TRUE(isBefore || isAfter) << what << " round " << f.rounds << ": the files are neither as before nor as after";
    EXPECT_TRUE(!done || isAfter) << what << " round " << f.rounds << ": a task whose runs had committed was lost";
    f.sawBefore += isBefore;
    f.sawAfter += isAfter;
    f.committed += done;
  }
  return f;
}

inline void Campaign::AccountingCuts(const std::string& task, Starter start, const std::string& what) {
  uint64_t seed = Seed();
  std::mt19937_64 rng(seed);
  Contents before = Read(Pristine());
  FreshWork();
  Child ref = start(area.path(), "Perform " + task, false);
  while (!NextLine(ref).empty()) {
  }
  ASSERT_EQ(Reap(ref), 0) << ChildErr();
  Contents after = Read(Work());
  ASSERT_NE(after, before);
  CutFigures f = CutRounds(AccountingRounds(task, start), before, after, 2, rng, what);
  std::printf("%s power-cut campaign: seed %llu: %s\n", task.c_str(), static_cast<unsigned long long>(seed),
              f.Text().c_str());
}

}  // namespace crash
