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
//
// A second benchmark times the everyday commits, each on disk when it
// returns, at 10^4, 10^5 and 10^6 records (median of kCommits each):
//   save key same   a record read by code, a field outside every key
//                   changed, written in a record run, the file committed
//                   (DataStore::Reopen: the data synced)
//   save key moves  the same with the date (key 3) changed
//   doc save 100    a line file of n records (100 lines per document, keys:
//                   document + line, article): one document's 100 lines
//                   deleted and written again in one record run, committed
//   reopen          an unchanged file closed and opened again, one record
//                   read by code
// against SQLite in WAL mode with synchronous=FULL and a page cache holding
// the whole database: one UPDATE per save, DELETE + 100 INSERTs in one
// transaction, and a connection opened, one row read and closed. Prints
// "commit ROW n ours_ms sqlite_ms ratio" per row and size.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_main.h"
#include "sqlite_bench.h"
#include "data/store/datastore.h"
#include "data/store/journal.h"
#include "runtime/dynstrings.h"
#include "runtime/memory.h"
#include "script/variables.h"

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


// --- Commits ------------------------------------------------------------------------------

constexpr int kCommits = 50;
constexpr uint32_t kLineLen = 60;
constexpr int kDocLines = 100;
const char* const kCommitRows[] = {"save key same", "save key moves", "doc save 100", "reopen"};
std::map<std::string, std::map<int, std::pair<double, double>>> g_commits;  // row, n: ours, SQLite (median s)

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// One record file opened on a layout, with its record pair.
class Store {
 public:
  Store(const std::string& dir, const std::string& name, uint32_t recLen, const std::vector<std::vector<KeySeg>>& keys)
      : pair_(2 * recLen, ' ') {
    layout_.name = name;
    layout_.location = dir;
    layout_.recLen = recLen;
    for (const auto& segs : keys) layout_.keys.push_back(RecKey{segs});
    store_.SetPairSource([this](Status*) { return pair_.data(); });
    Open();
  }
  void Open() {
    bool already = false;
    if (store_.Open(layout_, 0, StoreEnv(), &already) >= 128) std::abort();
    store_.Start();
  }
  void Close() {
    if (store_.Close() != 0) std::abort();
  }
  void Insert(const std::string& image) {
    store_.Move(dfmove::kNew);
    std::memcpy(pair_.data(), image.data(), layout_.recLen);
    if (store_.Insert() >= 128) std::abort();
  }
  void Commit() {
    if (store_.Reopen(0) != 0) std::abort();
  }
  DataStore& S() { return store_; }
  char* Cur() { return pair_.data(); }

 private:
  StoreLayout layout_;
  DataStore store_;
  std::vector<char> pair_;
};

std::string LineImage(int doc, int line, const std::string& article) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "D%07d%04d%-8s", doc, line, article.c_str());
  std::string img = buf;
  img.resize(kLineLen, 'l');
  return img;
}

std::string Article(char prefix, unsigned v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%c%u", prefix, v);
  return buf;
}

void InRecordRun(const std::function<void()>& body) {
  RunJournalScope run(RunKind::kRecords);
  if (run.Begun() != 0) std::abort();
  body();
  if (run.End(0) != 0) std::abort();
}

// The runtime a run journal needs (its name comes from the application's
// identity).
void RuntimeStart() {
  MemShutdown(true);
  MemConfigure(512, -1);
  if (VarSysInit() != 0) std::abort();
  DynStrSet(SettingsList, SetIdentityItem, StrFromC("BENCH"));
}

void BM_CommitVsSqlite(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  RuntimeStart();
  std::mt19937 rng(7);
  std::vector<Row> rows = MakeRows(n, rng);
  std::string base = (std::filesystem::temp_directory_path() / ("kxcommit." + std::to_string(n))).string();
  std::filesystem::remove_all(base);
  std::filesystem::create_directories(base);
  std::filesystem::current_path(base);  // the run journal goes here
  const int docs = n / kDocLines;
  for (auto _ : state) {
    // The files, built outside the timing.
    Store rec(base, "BENCH", kRecLen, {{KeySeg{0, 10}}, {KeySeg{10, 8}}, {KeySeg{18, 8}}});
    for (const Row& r : rows) rec.Insert((r.Image() + std::string(kRecLen, ' ')).substr(0, kRecLen));
    Store lines(base, "LINES", kLineLen, {{KeySeg{0, 12}}, {KeySeg{12, 8}, KeySeg{0, 12}}});
    for (int d = 0; d < docs; ++d)
      for (int l = 0; l < kDocLines; ++l) lines.Insert(LineImage(d, l, Article('A', rng() % 1000)));
    rec.Close();
    lines.Close();
    rec.Open();
    lines.Open();

    sqlite3* db = nullptr;
    sqlite3_open((base + "/bench.db").c_str(), &db);
    int64_t cacheKiB = (int64_t(n) * (kRecLen + kLineLen) * 3) / 1024 + 4096;
    SqlExec(db, ("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA cache_size=-" + std::to_string(cacheKiB) +
                 ";").c_str());
    SqlExec(db, "CREATE TABLE rec(code TEXT, cat TEXT, date TEXT, rest TEXT);"
                "CREATE INDEX rec_code ON rec(code); CREATE INDEX rec_cat ON rec(cat); CREATE INDEX rec_date ON rec(date);"
                "CREATE TABLE line(doc TEXT, line INTEGER, article TEXT, rest TEXT);"
                "CREATE INDEX line_doc ON line(doc, line); CREATE INDEX line_art ON line(article, doc, line);");
    SqlExec(db, "BEGIN");
    sqlite3_stmt* ins = SqlPrep(db, "INSERT INTO rec VALUES(?,?,?,?)");
    for (const Row& r : rows) {
      SqlBind(ins, 1, r.code);
      SqlBind(ins, 2, r.cat);
      SqlBind(ins, 3, r.date);
      SqlBind(ins, 4, r.rest);
      SqlStep(ins);
    }
    sqlite3_finalize(ins);
    sqlite3_stmt* insLine = SqlPrep(db, "INSERT INTO line VALUES(?,?,?,?)");
    auto lineRow = [&](int d, int l, const std::string& art) {
      char doc[16];
      std::snprintf(doc, sizeof doc, "D%07d", d);
      SqlBind(insLine, 1, doc);
      sqlite3_bind_int(insLine, 2, l);
      SqlBind(insLine, 3, art);
      SqlBind(insLine, 4, std::string(kLineLen - 20, 'l'));
      SqlStep(insLine);
    };
    for (int d = 0; d < docs; ++d)
      for (int l = 0; l < kDocLines; ++l) lineRow(d, l, Article('A', rng() % 1000));
    SqlExec(db, "COMMIT");
    sqlite3_stmt* upd = SqlPrep(db, "UPDATE rec SET rest=?, date=? WHERE code=?");
    sqlite3_stmt* delDoc = SqlPrep(db, "DELETE FROM line WHERE doc=?");
    // Settles the files' times, so the reopen sees files unchanged for a while.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    std::vector<double> ours[4], peer[4];
    for (int i = 0; i < kCommits; ++i) {
      const Row& r = rows[rng() % n];
      for (int moves = 0; moves < 2; ++moves) {
        std::string date = rows[rng() % n].date;
        ours[moves].push_back(Timed([&] {
          InRecordRun([&] {
            if (rec.S().ReadKey(1, r.code, 0) != 0) std::abort();
            rec.Cur()[40] = static_cast<char>('A' + i % 26);
            if (moves) std::memcpy(rec.Cur() + 18, date.data(), 8);
            if (rec.S().Update() != 0) std::abort();
          });
          rec.Commit();
        }));
        peer[moves].push_back(Timed([&] {
          SqlBind(upd, 1, std::string(kRecLen - 26, static_cast<char>('A' + i % 26)));
          SqlBind(upd, 2, moves ? date : r.date);
          SqlBind(upd, 3, r.code);
          SqlStep(upd);
        }));
      }
      int d = static_cast<int>(rng() % std::max(1, docs));
      char doc[16];
      std::snprintf(doc, sizeof doc, "D%07d", d);
      ours[2].push_back(Timed([&] {
        InRecordRun([&] {
          while (lines.S().ReadKey(1, doc, 0) == 0)
            if (lines.S().Delete(0) != 0) std::abort();
          for (int l = 0; l < kDocLines; ++l) lines.Insert(LineImage(d, l, Article('B', l)));
        });
        lines.Commit();
      }));
      peer[2].push_back(Timed([&] {
        SqlExec(db, "BEGIN");
        SqlBind(delDoc, 1, doc);
        SqlStep(delDoc);
        for (int l = 0; l < kDocLines; ++l) lineRow(d, l, Article('B', l));
        SqlExec(db, "COMMIT");
      }));
    }
    sqlite3_finalize(upd);
    sqlite3_finalize(delDoc);
    sqlite3_finalize(insLine);
    sqlite3_close(db);
    rec.Close();
    // Past the time a close needs after the last write to keep the orders
    // (recfile.h, Kept orders), as a file saved a moment before is.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    rec.Open();
    rec.Close();
    for (int i = 0; i < kCommits; ++i) {
      const Row& r = rows[rng() % n];
      ours[3].push_back(Timed([&] {
        rec.Open();
        if (rec.S().ReadKey(1, r.code, 0) != 0) std::abort();
        rec.Close();
      }));
      peer[3].push_back(Timed([&] {
        sqlite3* q = nullptr;
        sqlite3_open((base + "/bench.db").c_str(), &q);
        sqlite3_stmt* get = SqlPrep(q, "SELECT code, cat, date, rest FROM rec WHERE code=?");
        SqlBind(get, 1, r.code);
        if (sqlite3_step(get) != SQLITE_ROW) std::abort();
        sqlite3_finalize(get);
        sqlite3_close(q);
      }));
    }
    lines.Close();
    for (int k = 0; k < 4; ++k) g_commits[kCommitRows[k]][n] = {Median(ours[k]), Median(peer[k])};
    state.SetIterationTime(Median(ours[0]));
  }
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  std::filesystem::remove_all(base);
}

BENCHMARK(BM_CommitVsSqlite)->Arg(10000)->Arg(100000)->Arg(1000000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void PrintCommits() {
  if (g_commits.empty()) return;
  std::printf("\ncommits, median of %d (SQLite WAL, synchronous=FULL, cache holding the data)\n", kCommits);
  std::printf("%-7s %-15s %9s %10s %10s %7s\n", "", "row", "n", "ours ms", "sqlite ms", "ratio");
  for (const char* row : kCommitRows)
    for (auto& [n, t] : g_commits[row]) {
      std::string label = row;
      for (char& c : label)
        if (c == ' ') c = '_';
      std::printf("commit  %-15s %9d %10.3f %10.3f %7.2f\n", label.c_str(), n, t.first * 1e3, t.second * 1e3,
                  t.second > 0 ? t.first / t.second : 0.0);
    }
}

void PrintSummary() {
  PrintCommits();
  if (g_results.empty()) return;
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
