// Accumulation into a statistics set against SQLite's GROUP BY, in the same
// run: n sales (n = 100,000 and 1,000,000; key DATE + SEQ; a group of five
// characters among 50,000, drawn at random; an amount) accumulated into a
// work file keyed by the group, one record per group holding the sum and
// the count (FileScanAccum over the whole file into a fresh temporary set,
// the assignment "GRP{2}=GRP{1},TOTAL{2}=TOTAL{2}+AMOUNT{1},CNT{2}=CNT{2}+1"
// evaluated over each sale), against
//   INSERT INTO work SELECT grp, SUM(amount), COUNT(*) FROM sales GROUP BY grp
// (synchronous=OFF, in-memory journal, as in the record-store benchmark).
// Both sides are checked to give the same groups, sums and counts.
//
// Prints both times, the ratio ACUM / SQLite and the growth from the small
// to the large n.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

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
#include "data/dictionary/relations.h"
#include "data/scans/statistics.h"
#include "runtime/dynstrings.h"
#include "runtime/memory.h"
#include "script/evaluator.h"
#include "script/fieldaccess.h"
#include "script/variables.h"

namespace {

constexpr int kGroups = 50000;
constexpr uint32_t kRecLen = 8 + 8 + 5 + 14;  // DATE, SEQ, GRP, AMOUNT
using Clock = std::chrono::steady_clock;

struct Result {
  double acum = 0, sqlite = 0;  // seconds
  int64_t groups = 0;
};
std::map<int, Result> g_results;

double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

struct Sale {
  int grp;
  int64_t cents;
};

std::vector<Sale> MakeSales(int n) {
  std::mt19937 rng(7);
  std::vector<Sale> out(n);
  for (Sale& s : out) s = Sale{static_cast<int>(rng() % kGroups), static_cast<int64_t>(rng() % 100000)};
  return out;
}

std::string Record(int i, const Sale& s) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "2025%02d%02d%08dG%04d%14.2f", 1 + i % 12, 1 + i % 28, i, s.grp % 10000,
                static_cast<double>(s.cents) / 100);
  std::string r(buf);
  r[16] = static_cast<char>('A' + s.grp / 10000);  // five letters and digits: 50,000 groups
  return r;
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "bench_statistics: %s\n", what);
    std::abort();
  }
}

// The sales file written and indexed, the work file a fresh set; answers
// the seconds of the accumulation alone.
double TimeAcum(const std::string& dir, const std::vector<Sale>& sales, int64_t* groups, int64_t* total) {
  {
    std::ofstream dic(dir + "/BSDICC.DAT");
    dic << "01 Sales*" << dir << "*01SALES\r\n01 DATE  008 ADATE\r\n01 SEQ   008 ASEQ\r\n01 GRP   005 AGRP\r\n"
        << "01 AMOUN 014 2AMOUNT\r\n02 Work*" << dir << "*01WORK\r\n02 GRP   005 AGRP\r\n02 TOTAL 018 2TOTAL\r\n"
        << "02 CNT   008 NCNT\r\n31 key <00010080009008\r\n32 grp <0001005\r\n";
    std::ofstream data(dir + "/SALES.FD", std::ios::binary);
    for (size_t i = 0; i < sales.size(); ++i) data << Record(static_cast<int>(i), sales[i]);
  }
  Check(DicLoad(StrFromView(dir), StrFromC("BS"), StrMake("", 0)) == 0, "dictionary");
  Check(DataFilePack(1, nullptr) == 0, "index of the sales");
  Check(DataFileOpen(1, dfopen::kReadOnly) < 128, "open of the sales");
  Check(FileScanClose(2, dfopen::kExclusive) == 2, "open of the set");
  StrValue assign = StrFromC("GRP{2}=GRP{1},TOTAL{2}=TOTAL{2}+AMOUNT{1},CNT{2}=CNT{2}+1");
  StrValue none = StrMake("", 0);
  auto t0 = Clock::now();
  Status s = FileScanAccum(1, 2, 1, none, none, none, none, assign, none, 0);
  double t = Since(t0);
  Check(s == 0, "accumulation");
  *groups = DataFileStore(2)->File().Live();
  *total = 0;
  for (Status m = DataFileMove(2, dfmove::kFirst); m == 0; m = DataFileMove(2, dfmove::kNext))
    *total += ExpEvalNum(StrFromC("TOTAL{2}"));
  FileScanClose(2, 0);
  DataFileCloseAll();
  DicTruncate(0);
  return t;
}

void Exec(sqlite3* db, const char* sql) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
}

int64_t Scalar(sqlite3* db, const char* sql) {
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
  int64_t v = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
  sqlite3_finalize(st);
  return v;
}

double TimeSqlite(const std::string& dir, const std::vector<Sale>& sales, int64_t* groups, int64_t* total) {
  sqlite3* db = nullptr;
  sqlite3_open((dir + "/bench.db").c_str(), &db);
  Exec(db, "PRAGMA synchronous=OFF; PRAGMA journal_mode=MEMORY;");
  Exec(db, "CREATE TABLE sales(date TEXT, seq INTEGER, grp TEXT, amount INTEGER, PRIMARY KEY(date, seq));"
           "CREATE TABLE work(grp TEXT PRIMARY KEY, total INTEGER, cnt INTEGER);");
  sqlite3_stmt* ins = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO sales VALUES(?,?,?,?)", -1, &ins, nullptr);
  Exec(db, "BEGIN");
  for (size_t i = 0; i < sales.size(); ++i) {
    std::string r = Record(static_cast<int>(i), sales[i]);
    sqlite3_bind_text(ins, 1, r.data(), 8, SQLITE_TRANSIENT);
    sqlite3_bind_int64(ins, 2, static_cast<int64_t>(i));
    sqlite3_bind_text(ins, 3, r.data() + 16, 5, SQLITE_TRANSIENT);
    sqlite3_bind_int64(ins, 4, sales[i].cents);
    if (sqlite3_step(ins) != SQLITE_DONE) std::abort();
    sqlite3_reset(ins);
  }
  sqlite3_finalize(ins);
  Exec(db, "COMMIT");
  auto t0 = Clock::now();
  Exec(db, "INSERT INTO work SELECT grp, SUM(amount), COUNT(*) FROM sales GROUP BY grp");
  double t = Since(t0);
  *groups = Scalar(db, "SELECT COUNT(*) FROM work");
  *total = Scalar(db, "SELECT SUM(total) FROM work");
  sqlite3_close(db);
  return t;
}

void BM_AcumVsGroupBy(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  std::vector<Sale> sales = MakeSales(n);
  std::string base = (std::filesystem::temp_directory_path() / ("kxstat." + std::to_string(n))).string();
  std::filesystem::remove_all(base);
  std::filesystem::create_directories(base);
  std::string old = std::filesystem::current_path().string();
  std::filesystem::current_path(base);
  Result& out = g_results[n];
  for (auto _ : state) {
    int64_t groups = 0, total = 0, sqlGroups = 0, sqlTotal = 0;
    out.acum = TimeAcum(base, sales, &groups, &total);
    out.sqlite = TimeSqlite(base, sales, &sqlGroups, &sqlTotal);
    Check(groups == sqlGroups && total == sqlTotal, "the two sides disagree");
    out.groups = groups;
  }
  state.counters["ratio"] = out.acum / out.sqlite;
  state.counters["groups"] = static_cast<double>(out.groups);
  state.SetIterationTime(out.acum);
  std::filesystem::current_path(old);
  std::filesystem::remove_all(base);
}

BENCHMARK(BM_AcumVsGroupBy)->Arg(100000)->Arg(1000000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void PrintSummary() {
  std::printf("\n%10s %8s %12s %12s %8s\n", "n", "groups", "acum ms", "sqlite ms", "ratio");
  for (auto& [n, r] : g_results)
    std::printf("%10d %8lld %12.1f %12.1f %8.2f\n", n, static_cast<long long>(r.groups), r.acum * 1e3,
                r.sqlite * 1e3, r.acum / r.sqlite);
  if (g_results.size() < 2) return;
  const Result &small = g_results.begin()->second, &large = g_results.rbegin()->second;
  std::printf("growth %d -> %d: acum %.1fx, sqlite %.1fx\n", g_results.begin()->first, g_results.rbegin()->first,
              large.acum / small.acum, large.sqlite / small.sqlite);
}

}  // namespace

int main(int argc, char** argv) {
  // Field terms NAME{file} read and write records, as start-up wires them.
  FieldAccessSet(FieldAccess{FieldRefParse, FieldRefRead, RecFieldSetRef, RelRead});
  MemConfigure(512, -1);
  Status s = MemInit();
  if (s != 0 && s != st::UNDEFWARNING) return 1;
  if (Status v = VarSysInit(); v != 0 && v != st::UNDEFWARNING) return 1;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintSummary();
  return 0;
}
