// The rebuild of a data file against SQLite's VACUUM of the same table, in
// the same run: records of 100 bytes with three keys (a unique code, a
// category of ten values, a date), n = 100,000 and 1,000,000, one record in
// ten deleted beforehand. The rebuild renames the data file to its work
// copy, appends the live records to a new file, sorts every key once,
// writes the index atomically and syncs both files (DataFilePack, with no
// progress routine). SQLite rebuilds the table and its three indexes with
// VACUUM (synchronous=OFF, in-memory journal, as in the record-store
// benchmark): it syncs nothing, the rebuild syncs its files.
//
// Prints both times, the ratio rebuild/VACUUM and the growth from the small
// to the large n.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/rebuild.h"
#include "script/variables.h"

namespace {

constexpr uint32_t kRecLen = 100;
using Clock = std::chrono::steady_clock;

struct Result {
  double rebuild = 0, vacuum = 0;  // seconds
};
std::map<int, Result> g_results;

double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// The records: code (10), category (8), date (8), the rest; every tenth is
// deleted (first byte 27).
std::vector<std::string> MakeRecords(int n) {
  std::mt19937 rng(42);
  std::vector<int> ids(n);
  for (int i = 0; i < n; ++i) ids[i] = i;
  std::shuffle(ids.begin(), ids.end(), rng);
  std::vector<std::string> recs(n);
  char buf[64];
  for (int i = 0; i < n; ++i) {
    std::snprintf(buf, sizeof buf, "C%09dCAT%05d20%02d%02d%02d", ids[i], static_cast<int>(rng() % 10),
                  static_cast<int>(rng() % 30), static_cast<int>(1 + rng() % 12), static_cast<int>(1 + rng() % 28));
    recs[i] = buf + std::string(kRecLen - 26, static_cast<char>('a' + i % 26));
    if (i % 10 == 9) recs[i][0] = 27;
  }
  return recs;
}

double TimeRebuild(const std::string& dir, const std::vector<std::string>& recs) {
  {
    std::ofstream dic(dir + "/BNDICC.DAT");
    dic << "01 Bench*" << dir << "*01BENCH\r\n01 CODE  010 ACODE\r\n01 CAT   008 ACAT\r\n"
        << "01 DATE  008 ADATE\r\n01 REST  074 AREST\r\n31 code <0001010\r\n31 cat  <0011008\r\n"
        << "31 date <0019008\r\n";
    std::ofstream data(dir + "/BENCH.FD", std::ios::binary);
    for (const std::string& r : recs) data << r;
  }
  if (DicLoad(StrFromView(dir), StrFromC("BN"), StrMake("", 0)) != 0) std::abort();
  auto t0 = Clock::now();
  if (DataFilePack(1, nullptr) != 0) std::abort();
  double t = Since(t0);
  DicTruncate(0);
  return t;
}

void Exec(sqlite3* db, const char* sql) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
}

double TimeVacuum(const std::string& dir, const std::vector<std::string>& recs) {
  sqlite3* db = nullptr;
  sqlite3_open((dir + "/bench.db").c_str(), &db);
  Exec(db, "PRAGMA synchronous=OFF; PRAGMA journal_mode=MEMORY;");
  Exec(db, "CREATE TABLE rec(code TEXT, cat TEXT, date TEXT, rest TEXT);"
           "CREATE INDEX rec_code ON rec(code); CREATE INDEX rec_cat ON rec(cat); CREATE INDEX rec_date ON rec(date);");
  sqlite3_stmt* ins = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO rec VALUES(?,?,?,?)", -1, &ins, nullptr);
  Exec(db, "BEGIN");
  for (const std::string& r : recs) {
    std::string code = r[0] == 27 ? "D" + r.substr(1, 9) : r.substr(0, 10);
    std::string parts[4] = {code, r.substr(10, 8), r.substr(18, 8), r.substr(26)};
    for (int i = 0; i < 4; ++i) sqlite3_bind_text(ins, i + 1, parts[i].data(), int(parts[i].size()), SQLITE_TRANSIENT);
    if (sqlite3_step(ins) != SQLITE_DONE) std::abort();
    sqlite3_reset(ins);
  }
  sqlite3_finalize(ins);
  Exec(db, "DELETE FROM rec WHERE code LIKE 'D%'; COMMIT;");
  auto t0 = Clock::now();
  Exec(db, "VACUUM");
  double t = Since(t0);
  sqlite3_close(db);
  return t;
}

void BM_RebuildVsVacuum(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  std::vector<std::string> recs = MakeRecords(n);
  std::string base = (std::filesystem::temp_directory_path() / ("kxrebuild." + std::to_string(n))).string();
  std::filesystem::remove_all(base);
  std::filesystem::create_directories(base);
  std::string old = std::filesystem::current_path().string();
  std::filesystem::current_path(base);  // the lock marker lives in the current directory
  Result& out = g_results[n];
  for (auto _ : state) {
    out.rebuild = TimeRebuild(base, recs);
    out.vacuum = TimeVacuum(base, recs);
  }
  state.counters["ratio"] = out.rebuild / out.vacuum;
  state.SetIterationTime(out.rebuild);
  std::filesystem::current_path(old);
  std::filesystem::remove_all(base);
}

BENCHMARK(BM_RebuildVsVacuum)->Arg(100000)->Arg(1000000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void PrintSummary() {
  std::printf("\n%10s %12s %12s %8s\n", "n", "rebuild ms", "vacuum ms", "ratio");
  for (auto& [n, r] : g_results)
    std::printf("%10d %12.1f %12.1f %8.2f\n", n, r.rebuild * 1e3, r.vacuum * 1e3, r.rebuild / r.vacuum);
  if (g_results.size() < 2) return;
  const Result &small = g_results.begin()->second, &large = g_results.rbegin()->second;
  std::printf("growth %d -> %d: rebuild %.1fx, vacuum %.1fx\n", g_results.begin()->first, g_results.rbegin()->first,
              large.rebuild / small.rebuild, large.vacuum / small.vacuum);
}

}  // namespace

int main(int argc, char** argv) {
  if (VarSysInit() != 0) return 1;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintSummary();
  return 0;
}
