// The record store against SQLite on the same work: records of 100 bytes
// with three keys (a unique code, a category of ten values, a date), n =
// 100,000 and 1,000,000. Phases: bulk insert, random look-ups by code, a full
// scan in code order, updates (one of them changes the date key) and deletes;
// each phase runs once on both sides in the same run. Both sides write
// without syncing per operation: the store through pwrite, SQLite in one
// transaction per phase with synchronous=OFF and an in-memory journal. The
// store keeps every key's order in memory; SQLite keeps pages in its page
// cache, by default 2,000 KiB (PRAGMA cache_size = -2000), so it runs twice:
// with its default cache, and with a cache as large as the store's key
// orders (n x the sum over the keys of key length + 8 bytes: the entries,
// without the tree's slack). The store's insert figure counts the index
// save that makes the inserts durable (index written atomically, both files
// synced); its closing save (after the deletes) and its reopen (every record
// read once to rebuild the key order in memory) are timed apart; SQLite has
// no such phase.
//
// Prints per phase the times, the ratios store/SQLite for both caches, and
// the growth from the small to the large n (n log n growth is about 12x for
// the phases that touch all n records, about 1.2x for the fixed 100,000
// look-ups).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_main.h"
#include "sqlite_bench.h"
#include "data/store/datastore.h"

namespace {

constexpr uint32_t kRecLen = 100;
constexpr int kOps = 100000;  // look-ups, updates and deletes per run

using Clock = std::chrono::steady_clock;

struct Row {
  std::string code, cat, date, rest;
  std::string Image() const { return code + cat + date + rest; }
};

// Codes are unique (10 chars), categories ten values (8), dates spread (8).
std::vector<Row> MakeRows(int n, std::mt19937& rng) {
  std::vector<Row> rows(n);
  std::vector<int> ids(n);
  for (int i = 0; i < n; ++i) ids[i] = i;
  std::shuffle(ids.begin(), ids.end(), rng);
  char buf[32];
  for (int i = 0; i < n; ++i) {
    std::snprintf(buf, sizeof buf, "C%09d", ids[i]);
    rows[i].code = buf;
    std::snprintf(buf, sizeof buf, "CAT%05d", static_cast<int>(rng() % 10));
    rows[i].cat = buf;
    std::snprintf(buf, sizeof buf, "20%02d%02d%02d", static_cast<int>(rng() % 30), static_cast<int>(1 + rng() % 12),
                  static_cast<int>(1 + rng() % 28));
    rows[i].date = buf;
    rows[i].rest = std::string(kRecLen - 26, static_cast<char>('a' + i % 26));
  }
  return rows;
}

struct Phase {
  double store = 0, sqlite = 0, sqliteBig = 0;  // seconds; SQLite with its default cache and a large one
};
// The bytes of the store's key orders for n records: what the large SQLite
// cache is given.
constexpr uint32_t kKeyLens[] = {10, 8, 8};
int64_t IndexBytes(int n) {
  int64_t per = 0;
  for (uint32_t len : kKeyLens) per += len + 8;
  return per * n;
}
std::map<int, int64_t> g_cacheKiB;  // the large cache per n
std::map<int, std::map<std::string, Phase>> g_results;
const char* const kPhases[] = {"insert", "lookup", "scan", "update", "delete", "close", "reopen"};

double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// --- The record store ---------------------------------------------------------------

class StoreSide {
 public:
  explicit StoreSide(const std::string& dir) : pair_(2 * kRecLen, ' ') {
    layout_.name = "BENCH";
    layout_.location = dir;
    layout_.recLen = kRecLen;
    uint16_t at = 0;  // code, category, date: one key each
    for (uint32_t len : kKeyLens) {
      layout_.keys.push_back(RecKey{{KeySeg{at, static_cast<uint16_t>(len)}}});
      at = static_cast<uint16_t>(at + len);
    }
    store_.SetPairSource([this](Status*) { return pair_.data(); });
    bool already = false;
    if (store_.Open(layout_, 0, StoreEnv(), &already) != 0) std::abort();
    store_.Start();
  }
  void Insert(const Row& r) {
    store_.Move(dfmove::kNew);
    std::string img = r.Image();
    img.resize(kRecLen, ' ');
    std::memcpy(pair_.data(), img.data(), kRecLen);
    if (store_.Insert() >= 128) std::abort();
  }
  bool Lookup(const std::string& code) { return store_.ReadKey(1, code, 0) == 0; }
  long Scan() {
    long sum = 0;
    store_.KeySet(1);
    for (Status s = store_.Move(dfmove::kFirst); s == 0; s = store_.Move(dfmove::kNext)) sum += pair_[0];
    return sum;
  }
  void Update(const std::string& code, const std::string& date) {
    if (store_.ReadKey(1, code, 0) != 0) std::abort();
    std::memcpy(pair_.data() + 18, date.data(), 8);
    pair_[40] = 'U';
    if (store_.Update() != 0) std::abort();
  }
  void Delete(const std::string& code) {
    if (store_.ReadKey(1, code, 0) != 0 || store_.Delete(0) != 0) std::abort();
  }
  void Close() {
    if (store_.Close() != 0) std::abort();
  }

 private:
  StoreLayout layout_;
  DataStore store_;
  std::vector<char> pair_;
};

// --- SQLite ---------------------------------------------------------------------------

class SqliteSide {
 public:
  SqliteSide(const std::string& path, int64_t cacheKiB) {
    std::remove(path.c_str());
    sqlite3_open(path.c_str(), &db_);
    Exec("PRAGMA synchronous=OFF; PRAGMA journal_mode=MEMORY;");
    if (cacheKiB) Exec(("PRAGMA cache_size=-" + std::to_string(cacheKiB) + ";").c_str());
    Exec("CREATE TABLE rec(code TEXT, cat TEXT, date TEXT, rest TEXT);"
         "CREATE INDEX rec_code ON rec(code); CREATE INDEX rec_cat ON rec(cat); CREATE INDEX rec_date ON rec(date);");
    ins_ = Prep("INSERT INTO rec VALUES(?,?,?,?)");
    get_ = Prep("SELECT code, cat, date, rest FROM rec WHERE code=?");
    upd_ = Prep("UPDATE rec SET date=?, rest=? WHERE code=?");
    del_ = Prep("DELETE FROM rec WHERE code=?");
  }
  ~SqliteSide() {
    for (sqlite3_stmt* s : {ins_, get_, upd_, del_}) sqlite3_finalize(s);
    sqlite3_close(db_);
  }
  void Begin() { Exec("BEGIN"); }
  void Commit() { Exec("COMMIT"); }
  void Insert(const Row& r) {
    Bind(ins_, 1, r.code);
    Bind(ins_, 2, r.cat);
    Bind(ins_, 3, r.date);
    Bind(ins_, 4, r.rest);
    Step(ins_);
  }
  bool Lookup(const std::string& code) {
    Bind(get_, 1, code);
    bool found = sqlite3_step(get_) == SQLITE_ROW;
    if (found) benchmark::DoNotOptimize(sqlite3_column_text(get_, 3));
    sqlite3_reset(get_);
    return found;
  }
  long Scan() {
    sqlite3_stmt* s = Prep("SELECT code, cat, date, rest FROM rec ORDER BY code");
    long sum = 0;
    while (sqlite3_step(s) == SQLITE_ROW) sum += sqlite3_column_text(s, 0)[0];
    sqlite3_finalize(s);
    return sum;
  }
  void Update(const std::string& code, const std::string& date, const std::string& rest) {
    Bind(upd_, 1, date);
    Bind(upd_, 2, rest);
    Bind(upd_, 3, code);
    Step(upd_);
  }
  void Delete(const std::string& code) {
    Bind(del_, 1, code);
    Step(del_);
  }

 private:
  sqlite3* db_ = nullptr;
  sqlite3_stmt *ins_ = nullptr, *get_ = nullptr, *upd_ = nullptr, *del_ = nullptr;
  void Exec(const char* sql) { SqlExec(db_, sql); }
  sqlite3_stmt* Prep(const char* sql) { return SqlPrep(db_, sql); }
  static void Bind(sqlite3_stmt* s, int i, const std::string& v) { SqlBind(s, i, v); }
  static void Step(sqlite3_stmt* s) { SqlStep(s); }
};

// --- One run of every phase on both sides ---------------------------------------------------

template <class F>
double Timed(F f) {
  auto t0 = Clock::now();
  f();
  return Since(t0);
}

void RunStore(int n, const std::vector<Row>& rows, const std::vector<int>& pick, const std::string& dir,
              std::map<std::string, Phase>& out) {
  auto first = std::make_unique<StoreSide>(dir);
  out["insert"].store = Timed([&] {
    for (const Row& r : rows) first->Insert(r);
    first->Close();  // the index saved
  });
  first.reset();
  StoreSide s(dir);
  out["lookup"].store = Timed([&] {
    for (int i : pick) benchmark::DoNotOptimize(s.Lookup(rows[i].code));
  });
  out["scan"].store = Timed([&] { benchmark::DoNotOptimize(s.Scan()); });
  out["update"].store = Timed([&] {
    for (int i : pick) s.Update(rows[i].code, rows[(i + 1) % n].date);
  });
  out["delete"].store = Timed([&] {
    for (int i : pick) s.Delete(rows[i].code);
  });
  out["close"].store = Timed([&] { s.Close(); });
  std::unique_ptr<StoreSide> again;
  out["reopen"].store = Timed([&] { again = std::make_unique<StoreSide>(dir); });
  again->Close();
}

void RunSqlite(int n, const std::vector<Row>& rows, const std::vector<int>& pick, const std::string& dir,
               int64_t cacheKiB, std::map<std::string, double>& out) {
  SqliteSide q(dir + "/bench.db", cacheKiB);
  auto txn = [&](auto body) {
    return Timed([&] {
      q.Begin();
      body();
      q.Commit();
    });
  };
  out["insert"] = txn([&] {
    for (const Row& r : rows) q.Insert(r);
  });
  out["lookup"] = txn([&] {
    for (int i : pick) benchmark::DoNotOptimize(q.Lookup(rows[i].code));
  });
  out["scan"] = txn([&] { benchmark::DoNotOptimize(q.Scan()); });
  out["update"] = txn([&] {
    for (int i : pick) q.Update(rows[i].code, rows[(i + 1) % n].date, std::string(kRecLen - 26, 'U'));
  });
  out["delete"] = txn([&] {
    for (int i : pick) q.Delete(rows[i].code);
  });
}

void BM_RecordStoreVsSqlite(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  std::mt19937 rng(42);
  std::vector<Row> rows = MakeRows(n, rng);
  std::vector<int> pick(n);
  for (int i = 0; i < n; ++i) pick[i] = i;
  std::shuffle(pick.begin(), pick.end(), rng);
  pick.resize(std::min(n, kOps));  // distinct records: each is updated, then deleted once
  std::string base = (std::filesystem::temp_directory_path() / ("kxbench." + std::to_string(n))).string();
  std::filesystem::remove_all(base);
  std::filesystem::create_directories(base);
  auto& out = g_results[n];
  g_cacheKiB[n] = IndexBytes(n) / 1024;
  for (auto _ : state) {
    RunStore(n, rows, pick, base, out);
    std::map<std::string, double> small, big;
    RunSqlite(n, rows, pick, base, 0, small);
    RunSqlite(n, rows, pick, base, g_cacheKiB[n], big);
    for (auto& [p, t] : small) out[p].sqlite = t;
    for (auto& [p, t] : big) out[p].sqliteBig = t;
  }
  double total = 0;
  for (const char* p : kPhases) {
    if (out[p].sqlite > 0) state.counters[std::string(p) + "_ratio"] = out[p].store / out[p].sqlite;
    total += out[p].store;
  }
  state.SetIterationTime(total);
  std::filesystem::remove_all(base);
}

BENCHMARK(BM_RecordStoreVsSqlite)->Arg(100000)->Arg(1000000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void PrintSummary() {
  std::printf("\nSQLite page cache: its default 2000 KiB, and as large as the store's key orders (");
  for (auto& [n, kib] : g_cacheKiB) std::printf("%s%lld KiB for %d", n == g_cacheKiB.begin()->first ? "" : ", ",
                                                static_cast<long long>(kib), n);
  std::printf(")\n%-8s %10s %10s %11s %11s %7s %7s\n", "phase", "n", "store ms", "sqlite ms", "sqlite-big", "ratio",
              "big");
  for (auto& [n, phases] : g_results)
    for (const char* p : kPhases) {
      const Phase& ph = phases[p];
      if (ph.sqlite > 0)
        std::printf("%-8s %10d %10.1f %11.1f %11.1f %7.2f %7.2f\n", p, n, ph.store * 1e3, ph.sqlite * 1e3,
                    ph.sqliteBig * 1e3, ph.store / ph.sqlite, ph.sqliteBig > 0 ? ph.store / ph.sqliteBig : 0.0);
      else
        std::printf("%-8s %10d %10.1f %11s %11s %7s %7s\n", p, n, ph.store * 1e3, "-", "-", "-", "-");
    }
  if (g_results.size() < 2) return;
  auto& small = g_results.begin()->second;
  auto& large = g_results.rbegin()->second;
  std::printf("\ngrowth %d -> %d (store, sqlite)\n", g_results.begin()->first, g_results.rbegin()->first);
  for (const char* p : kPhases) {
    double gs = small[p].store > 0 ? large[p].store / small[p].store : 0;
    if (small[p].sqlite > 0)
      std::printf("%-8s %8.1fx %8.1fx\n", p, gs, large[p].sqlite / small[p].sqlite);
    else
      std::printf("%-8s %8.1fx %8s\n", p, gs, "-");
  }
}

}  // namespace

KX_BENCH_MAIN_WITH_SUMMARY(PrintSummary)
