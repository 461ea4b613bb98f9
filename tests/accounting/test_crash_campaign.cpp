// The crash campaign: the accounting program (its phase callback, whose
// start marks the run open in the run status file, and its dispatcher)
// writes the accounting demo's entry lines (three keys) with
// inserts, updates that change keys and deletes, telling the test on a pipe
// what it is about to do and when it is done. The test kills it (SIGKILL) at
// random moments, restarts it headless with a script that answers Yes to the
// recovery question, sometimes kills that start too in the middle of its
// rebuilds, and after every round checks the files from disk: every
// acknowledged write is there with its content, every acknowledged delete
// gone, the one write in flight either way; the checker finds nothing; no
// work copy or lock marker is left.
//
// KX_CRASH_KILLS sets the number of kills (a short run by default) and
// KX_CRASH_SEED the seed; both and the figures are printed.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "apps/accounting/layer.h"
#include "crash_harness.h"
#include "data/store/datafile.h"
#include "data/bridges/dataui.h"
#include "data/dictionary/dictionary.h"
#include "data/store/reccheck.h"
#include "data/store/recbuf.h"
#include "data/store/runstatus.h"
#include "platform/host/signals.h"
#include "screens/menus/menucmd.h"
#include "screens/window/winlist.h"
#include "script/variables.h"
#include "support/runtime_fixture.h"

namespace {

namespace fs = std::filesystem;

constexpr int kEntries = 9;       // the entry lines of the accounting demo
constexpr size_t kKeyLen = 17;    // key 1: date, entry, line
constexpr size_t kRecLen = 107;

using crash::Child;
using crash::EnvNumber;
using crash::NextLine;
using crash::ReadFile;
using crash::Reap;
using crash::Tell;

// ---- The program under test (runs in a child process) -----------------------

class Writer {
 public:
  Status Run() {
    if (Status s = DataFileOpen(kEntries, dfopen::kExclusive); s > 2) return s;
    DataFileKeySet(kEntries, 1);
    for (Status s = DataFileMove(kEntries, dfmove::kFirst); s == 0; s = DataFileMove(kEntries, dfmove::kNext))
      Add(Current().substr(0, kKeyLen));
    for (;;) {
      if (host::SignalCancelTake()) return st::USERCANCELED;
      uint32_t r = rng_() % 100;
      uint32_t insertShare = keys_.size() < 150 ? 70 : keys_.size() < 400 ? 40 : 20;
      Status s = keys_.empty() || r < insertShare ? Insert() : r % 2 ? Update() : Delete();
      if (s != 0) return s;
    }
  }

 private:
  std::string Current() { return RecBuf(kEntries, kRecCurrent).Str(); }
  void Add(const std::string& key) {
    keys_.push_back(key);
    taken_.insert(key);
  }
  static std::string Pad(std::string s, size_t n, bool right = false) {
    if (s.size() >= n) return s.substr(0, n);
    return right ? std::string(n - s.size(), ' ') + s : s + std::string(n - s.size(), ' ');
  }
  std::string NewKey() {
    for (;;) {
      char key[32];
      std::snprintf(key, sizeof key, "2024%02u%02u%06u%03u", static_cast<unsigned>(1 + rng_() % 12),
                    static_cast<unsigned>(1 + rng_() % 28), static_cast<unsigned>(rng_() % 999999),
                    static_cast<unsigned>(1 + rng_() % 9));
      if (!taken_.count(key)) return key;
    }
  }
  // A record: few accounts, so keys 2 and 3 repeat a lot.
  std::string Image(const std::string& key) {
    static const char* const kAccounts[] = {"4300000001", "4300000002", "5720000001", "7000000000", "6000000000"};
    std::string img = key + Pad("T" + std::to_string(rng_() % 3), 2) + kAccounts[rng_() % 5] + kAccounts[rng_() % 5];
    img += Pad(std::to_string(rng_() % 100000) + "." + std::to_string(10 + rng_() % 90), 14, true);
    img += Pad("op " + std::to_string(++ops_), 40) + Pad("D" + std::to_string(rng_() % 1000), 12);
    img += rng_() % 4 ? " 0" : "60";  // ACC_ID
    return img;
  }
  Status Write(const std::string& img) {
    return RecBufSet(kEntries, kRecCurrent, StrMake(img.data(), static_cast<uint32_t>(img.size())));
  }
  Status Read(const std::string& key) {
    return DataFileReadKey(kEntries, 1, StrMake(key.data(), static_cast<uint32_t>(key.size())), 0);
  }
  Status Insert() {
    std::string img = Image(NewKey());
    Tell("I" + img);
    DataFileMove(kEntries, dfmove::kNew);
    Status s = Write(img);
    if (s == 0) s = DataFileInsert(kEntries);
    if (s != 0) return s;
    Add(img.substr(0, kKeyLen));
    Tell("K");
    return 0;
  }
  Status Update() {
    size_t at = rng_() % keys_.size();
    std::string old = keys_[at];
    if (Status s = Read(old)) return s == 1 ? st::INTERNALERROR : s;
    std::string img = Image(rng_() % 2 ? NewKey() : old);  // half of them change key 1
    Tell("U" + old + img);
    Status s = Write(img);
    if (s == 0) s = DataFileUpdate(kEntries);
    if (s != 0) return s;
    taken_.erase(old);
    keys_[at] = img.substr(0, kKeyLen);
    taken_.insert(keys_[at]);
    Tell("K");
    return 0;
  }
  Status Delete() {
    size_t at = rng_() % keys_.size();
    std::string old = keys_[at];
    if (Status s = Read(old)) return s == 1 ? st::INTERNALERROR : s;
    Tell("D" + old);
    if (Status s = DataFileDelete(kEntries, 0)) return s;
    taken_.erase(old);
    keys_[at] = keys_.back();
    keys_.pop_back();
    Tell("K");
    return 0;
  }

  std::mt19937 rng_{crash::g_program.seed};
  std::vector<std::string> keys_;
  std::set<std::string> taken_;
  uint32_t ops_ = 0;
};

Status Perform(const std::string& name) { return name == "writer" ? Writer().Run() : st::BADINPUTDATA; }

// ---- The test's side ---------------------------------------------------------------

Child Start(const std::string& area, const std::string& run, uint32_t seed, bool answerYes) {
  return crash::Start(area, run, answerYes, {crash::kTellSteps, Perform, seed});
}

// What the test knows: the live records by key 1, and the write in flight.
struct Model {
  std::map<std::string, std::string> records;
  std::string pending;

  void Apply(std::map<std::string, std::string>& to, const std::string& op) const {
    if (op[0] == 'I') to[op.substr(1, kKeyLen)] = op.substr(1);
    if (op[0] == 'U') {
      to.erase(op.substr(1, kKeyLen));
      to[op.substr(1 + kKeyLen, kKeyLen)] = op.substr(1 + kKeyLen);
    }
    if (op[0] == 'D') to.erase(op.substr(1, kKeyLen));
  }
  // Takes one line the writer told; false for a line it cannot tell.
  bool Take(const std::string& line, uint64_t* acks) {
    if (line == "K") {
      if (pending.empty()) return false;
      Apply(records, pending);
      pending.clear();
      ++*acks;
      return true;
    }
    if (line.empty() || (line[0] != 'I' && line[0] != 'U' && line[0] != 'D')) return false;
    pending = line;
    return true;
  }
};

struct Figures {
  uint64_t kills = 0, rebuildKills = 0, acks = 0, inFlightDone = 0, inFlightNot = 0, maxRecords = 0;
  uint64_t rounds = 0;
};

class CrashCampaign : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    fs::copy(std::string(KX_SOURCE_DIR) + "/apps/accounting/demo", Work(), fs::copy_options::recursive);
    std::ofstream(area.File("answer.txt")) << "answer Yes match \"uncorrectly closed\"\n";
    // The layouts of every file, from the demo dictionary.
    ASSERT_EQ(VarSysInit(), 0);
    ASSERT_EQ(DicLoad(StrFromView(Work()), StrFromC("CO"), StrMake("", 0)), 0);
    for (int n = 1; n <= DataFileCount(); ++n) {
      specs.push_back(crash::CheckSpec(n, Work()));
    }
    ASSERT_EQ(specs[kEntries - 1].recLen, kRecLen);
    RuntimeReset();
  }

  std::string Work() const { return area.File("work"); }
  std::string ChildErr() { return ReadFile(area.File("child.err")); }

  // The files from disk after a clean end: sound, nothing left over, the
  // records the model expects (its write in flight either way).
  void Verify(Model& model, Figures& fig) {
    EXPECT_EQ(ReadFile(Work() + "/COFSTAT.DAT"), "0");
    for (const auto& e : fs::directory_iterator(Work())) {
      std::string ext = e.path().extension().string();
      EXPECT_TRUE(ext != ".TMP" && ext != ".lock") << e.path();
    }
    for (const RecCheckSpec& spec : specs) {
      if (fs::exists(spec.dataPath)) {
        EXPECT_EQ(RecFileCheck(spec), "") << spec.dataPath;
      }
    }
    std::string data = ReadFile(specs[kEntries - 1].dataPath);
    std::map<std::string, std::string> found;
    for (size_t at = 0; at + kRecLen <= data.size(); at += kRecLen) {
      if (data[at] != 27) {
        EXPECT_TRUE(found.emplace(data.substr(at, kKeyLen), data.substr(at, kRecLen)).second);
      }
    }
    std::map<std::string, std::string> withPending = model.records;
    if (!model.pending.empty()) model.Apply(withPending, model.pending);
    bool without = found == model.records, with = found == withPending;
    EXPECT_TRUE(without || with) << "records lost or changed: " << found.size() << " found, " << model.records.size()
                                 << " acknowledged, in flight: " << model.pending.substr(0, 1);
    if (!model.pending.empty()) ++(with && !without ? fig.inFlightDone : fig.inFlightNot);
    model.records = found;
    model.pending.clear();
    fig.maxRecords = std::max<uint64_t>(fig.maxRecords, found.size());
  }

  TempDir area;
  std::vector<RecCheckSpec> specs;
};

TEST_F(CrashCampaign, KilledWritersLoseNoCommittedRecord) {
  uint64_t seed = EnvNumber("KX_CRASH_SEED", static_cast<uint64_t>(std::random_device{}()));
  uint64_t wanted = EnvNumber("KX_CRASH_KILLS", 12);
  std::printf("crash campaign: seed %llu, %llu kills\n", static_cast<unsigned long long>(seed),
              static_cast<unsigned long long>(wanted));
  std::mt19937_64 rng(seed);
  Model model;
  Figures fig;
  auto started = std::chrono::steady_clock::now();
  while (fig.kills < wanted && !HasFailure()) {
    ++fig.rounds;
    // The writer, killed after a random number of acknowledged writes and a
    // random moment more.
    Child w = Start(area.path(), "Perform writer", static_cast<uint32_t>(rng()), true);
    uint64_t target = rng() % 4 == 0 ? rng() % 5 : rng() % 300, acks = 0;
    std::string line;
    while (acks < target && !(line = NextLine(w)).empty()) ASSERT_TRUE(model.Take(line, &acks)) << line;
    ASSERT_EQ(acks, target) << "the writer ended by itself:\n" << ChildErr();
    std::this_thread::sleep_for(std::chrono::microseconds(rng() % 400));
    kill(w.pid, SIGKILL);
    while (!(line = NextLine(w)).empty()) ASSERT_TRUE(model.Take(line, &acks)) << line;
    ASSERT_EQ(Reap(w), 1000 + SIGKILL) << ChildErr();
    ++fig.kills;
    fig.acks += acks;
    // Restarts that recover; some are killed in the middle of a rebuild,
    // the next one finishes the work.
    for (;;) {
      Child r = Start(area.path(), "ExpEval 1", 0, true);
      uint64_t killAt = fig.kills < wanted && rng() % 3 == 0 ? 1 + rng() % 400 : 0, steps = 0;
      while (!(line = NextLine(r)).empty()) {
        ASSERT_EQ(line, "P");
        if (++steps == killAt) {
          std::this_thread::sleep_for(std::chrono::microseconds(rng() % 400));
          kill(r.pid, SIGKILL);
        }
      }
      int code = Reap(r);
      if (code == 1000 + SIGKILL) {
        ++fig.kills;
        ++fig.rebuildKills;
        continue;
      }
      ASSERT_EQ(code, 0) << ChildErr();
      break;
    }
    Verify(model, fig);
  }
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf(
      "crash campaign: seed %llu: %llu rounds, %llu kills (%llu inside a rebuild), %llu acknowledged writes, "
      "in flight at a kill: %llu done, %llu not done; at most %llu records; %.1f s\n",
      static_cast<unsigned long long>(seed), static_cast<unsigned long long>(fig.rounds),
      static_cast<unsigned long long>(fig.kills), static_cast<unsigned long long>(fig.rebuildKills),
      static_cast<unsigned long long>(fig.acks), static_cast<unsigned long long>(fig.inFlightDone),
      static_cast<unsigned long long>(fig.inFlightNot), static_cast<unsigned long long>(fig.maxRecords), secs);
}

// SIGTERM during a long run ends it through the normal shutdown: every file
// closed and sound, the run marked closed, so the next start asks nothing.
TEST_F(CrashCampaign, SigtermClosesTheRun) {
  Model model;
  uint64_t acks = 0;
  Child w = Start(area.path(), "Perform writer", 7, true);
  std::string line;
  while (acks < 40 && !(line = NextLine(w)).empty()) ASSERT_TRUE(model.Take(line, &acks)) << line;
  ASSERT_EQ(acks, 40u) << ChildErr();
  kill(w.pid, SIGTERM);
  while (!(line = NextLine(w)).empty()) ASSERT_TRUE(model.Take(line, &acks)) << line;
  EXPECT_EQ(Reap(w), 0) << ChildErr();
  EXPECT_TRUE(model.pending.empty());
  Figures fig;
  Verify(model, fig);
  Child again = Start(area.path(), "ExpEval 1", 0, false);  // a question would stall and fail
  while (!(line = NextLine(again)).empty()) ADD_FAILURE() << line;
  EXPECT_EQ(Reap(again), 0) << ChildErr();
}

}  // namespace
