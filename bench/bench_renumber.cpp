// Gap-free renumbering against SQLite doing the same job in SQL, in the same
// run.
//
// A generator writes n entry lines (n = 100,000 and 1,000,000) over 2024:
// entries of one to three lines, numbered with gaps (each entry one or two
// above the last), and on 15 June a day of 1,000 entries whose numbers start
// 500 below the running count. Every line also has its record in the
// registry of operations (the related file). The same rows go into an SQLite
// database (tables entries and registry, each with the primary key date,
// entry, line, as the files' key 1).
//
// Work timed on both sides: the whole year renumbered from 1, day by day,
// the entry lines and the registry together.
//   ours    AcRenumber over the two files (one run of the journal, which
//           keeps the before-image of every record changed).
//   SQLite  one transaction: the new number of every (date, entry) by
//           dense_rank() over date and entry, applied to both tables by
//           UPDATE ... FROM (through negative numbers, so that no two keys
//           meet), in WAL mode with synchronous=NORMAL.
// Then both sides' (date, entry, line) rows are compared.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "apps/accounting/demo/gen/acgen.h"
#include "apps/accounting/renumber.h"
#include "bench_main.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/recbuf.h"
#include "runtime/errors.h"
#include "runtime/memory.h"
#include "sqlite_bench.h"

namespace {

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

constexpr int kRegistry = 6, kEntries = 9;

std::vector<AcGenLine> MakeLines(int n) {
  std::mt19937 rng(20240615);
  std::vector<DateYmd> days;
  for (int m = 1; m <= 12; ++m)
    for (int d = 1; d <= DateDaysInMonth(m, 2024); ++d) days.push_back(20240000 + m * 100 + d);
  std::vector<AcGenLine> lines;
  lines.reserve(n);
  int perDay = (n - 2000) / 2 / static_cast<int>(days.size());  // entries of a plain day, two lines on average
  int number = 1, counted = 0;                                  // counted: the entries before, i.e. the counter - 1
  for (DateYmd day : days) {
    bool big = day == 20240615;
    int entries = big ? 1000 : perDay;
    if (big) number = counted + 1 - 500;
    for (int e = 0; e < entries && static_cast<int>(lines.size()) < n; ++e) {
      int count = big ? 2 : 1 + static_cast<int>(rng() % 3);
      for (int l = 1; l <= count; ++l)
        lines.push_back(
            {day, number, l, "5720000001", "7000000000", 100 + static_cast<int64_t>(rng() % 100000), 0, "Bench"});
      ++counted;
      number += big ? 1 : 1 + static_cast<int>(rng() % 2);
    }
  }
  // The last days take what is left, one line an entry.
  while (static_cast<int>(lines.size()) < n) {
    lines.push_back({20241231, number, 1, "5720000001", "7000000000", 100, 0, "Bench"});
    number += 2;
  }
  return lines;
}

std::string Date8(DateYmd d) { return std::to_string(d); }

void SqlLoad(sqlite3* db, const std::vector<AcGenLine>& lines) {
  SqlExec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
  SqlExec(db,
          "CREATE TABLE entries(date TEXT, entry INTEGER, line INTEGER, debit TEXT, credit TEXT, amount INTEGER,"
          " concept TEXT, PRIMARY KEY(date, entry, line));"
          "CREATE TABLE registry(date TEXT, entry INTEGER, line INTEGER, code TEXT, text TEXT, amount INTEGER,"
          " PRIMARY KEY(date, entry, line));");
  SqlExec(db, "BEGIN");
  sqlite3_stmt* e = SqlPrep(db, "INSERT INTO entries VALUES(?,?,?,?,?,?,?)");
  sqlite3_stmt* r = SqlPrep(db, "INSERT INTO registry VALUES(?,?,?,?,?,?)");
  for (const AcGenLine& l : lines) {
    SqlBind(e, 1, Date8(l.date));
    sqlite3_bind_int64(e, 2, l.entry);
    sqlite3_bind_int64(e, 3, l.line);
    SqlBind(e, 4, l.debit);
    SqlBind(e, 5, l.credit);
    sqlite3_bind_int64(e, 6, l.cents);
    SqlBind(e, 7, l.text);
    SqlStep(e);
    SqlBind(r, 1, Date8(l.date));
    sqlite3_bind_int64(r, 2, l.entry);
    sqlite3_bind_int64(r, 3, l.line);
    SqlBind(r, 4, l.debit);
    SqlBind(r, 5, l.text);
    sqlite3_bind_int64(r, 6, l.cents);
    SqlStep(r);
  }
  sqlite3_finalize(e);
  sqlite3_finalize(r);
  SqlExec(db, "COMMIT");
}

double SqlRenumber(sqlite3* db) {
  auto t0 = Clock::now();
  SqlExec(db,
          "BEGIN;"
          "CREATE TEMP TABLE map AS SELECT date, entry, dense_rank() OVER (ORDER BY date, entry) AS new"
          " FROM (SELECT DISTINCT date, entry FROM entries WHERE date BETWEEN '20240101' AND '20241231');"
          "CREATE UNIQUE INDEX temp.map_key ON map(date, entry);"
          "UPDATE entries SET entry = -map.new FROM map"
          " WHERE map.date = entries.date AND map.entry = entries.entry AND map.new <> entries.entry;"
          "UPDATE entries SET entry = -entry WHERE entry < 0;"
          "UPDATE registry SET entry = -map.new FROM map"
          " WHERE map.date = registry.date AND map.entry = registry.entry AND map.new <> registry.entry;"
          "UPDATE registry SET entry = -entry WHERE entry < 0;"
          "DROP TABLE map;"
          "COMMIT;");
  return Since(t0);
}

std::set<std::string> SqlRows(sqlite3* db, const char* table) {
  std::set<std::string> out;
  std::string sql = std::string("SELECT date, entry, line FROM ") + table;
  sqlite3_stmt* s = SqlPrep(db, sql.c_str());
  while (sqlite3_step(s) == SQLITE_ROW)
    out.insert(std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))) + "|" +
               std::to_string(sqlite3_column_int64(s, 1)) + "|" + std::to_string(sqlite3_column_int64(s, 2)));
  sqlite3_finalize(s);
  return out;
}

std::string Trim(std::string s) {
  s.erase(0, s.find_first_not_of(' '));
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

std::set<std::string> OurRows(int file) {
  std::set<std::string> out;
  uint16_t date = DicFieldFind(file, StrFromC("DATE")), entry = DicFieldFind(file, StrFromC("ENTRY")),
           line = DicFieldFind(file, StrFromC("N_LINE"));
  Status s = DataFileMove(file, dfmove::kFirst);
  while (s == 0) {
    uint16_t m = StrAreaMark(-1);
    out.insert(RecFieldRaw(file, date, 1).Str() + "|" + Trim(RecFieldRaw(file, entry, 1).Str()) + "|" +
               Trim(RecFieldRaw(file, line, 1).Str()));
    StrAreaMark(m);
    s = DataFileMove(file, dfmove::kNext);
  }
  return out;
}

struct Result {
  double gen = 0, ours = 0, sql = 0;
  bool agree = false;
  size_t rows = 0;
};
std::map<int, Result> g_results;

void BM_RenumberVsSqlite(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Result& r = g_results[n];
  std::string dir = (std::filesystem::temp_directory_path() / ("kxbench_renumber_" + std::to_string(n))).string();
  for (auto _ : state) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    for (const char* f : {"CODICC.DAT", "COREL.DAT", "CORELUP.DAT"})
      std::filesystem::copy_file(std::string(KX_SOURCE_DIR) + "/apps/accounting/demo/" + f, dir + "/" + f);
    std::filesystem::current_path(dir);  // the journal is written beside the run
    auto t0 = Clock::now();
    std::vector<AcGenLine> lines = MakeLines(n);
    MemShutdown(true);
    Status s = AcGenRuntime();
    if (s == 0) s = AcGenOpen(dir, dir);
    if (s == 0) s = AcGenLines(lines, false);
    if (s == 0) s = AcGenRegistry(lines);
    sqlite3* db = nullptr;
    if (s == 0 && sqlite3_open((dir + "/bench.db").c_str(), &db) != SQLITE_OK) s = st::FILEOPENING;
    if (s == 0) SqlLoad(db, lines);
    r.gen = Since(t0);
    if (s != 0) {
      state.SkipWithError(ErrText(s).Str().c_str());
      return;
    }
    AcRenumberSet set{1, {{kRegistry, "ENTRY", ""}, {kEntries, "ENTRY", ""}}};
    t0 = Clock::now();
    s = AcRenumber(StrFromC("2024"), StrFromC("20241231"), StrFromC("1"), set);
    r.ours = Since(t0);
    if (s != 0) {
      state.SkipWithError(ErrText(s).Str().c_str());
      return;
    }
    r.sql = SqlRenumber(db);
    std::set<std::string> ours = OurRows(kEntries), theirs = SqlRows(db, "entries");
    r.rows = ours.size();
    r.agree = ours == theirs && OurRows(kRegistry) == SqlRows(db, "registry") && ours.size() == lines.size();
    sqlite3_close(db);
    AcGenClose();
    state.SetIterationTime(r.ours);
  }
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  std::filesystem::remove_all(dir);
}

BENCHMARK(BM_RenumberVsSqlite)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void PrintSummary() {
  std::printf(
      "\nPeer: SQLite %s, one transaction (dense_rank() over date and entry, UPDATE ... FROM on both tables),\n"
      "WAL, synchronous=NORMAL; ours: AcRenumber over the entry lines and the registry, one run of the journal.\n",
      sqlite3_libversion());
  std::printf("\n%9s %10s %10s %8s %7s\n", "n", "ours ms", "sqlite ms", "ratio", "agree");
  for (auto& [n, r] : g_results)
    std::printf("%9d %10.1f %10.1f %8.3f %7s\n", n, r.ours * 1e3, r.sql * 1e3, r.ours / r.sql, r.agree ? "yes" : "NO");
  if (g_results.count(100000) && g_results.count(1000000))
    std::printf("growth from 10^5 to 10^6: ours %.1fx, sqlite %.1fx\n",
                g_results[1000000].ours / g_results[100000].ours, g_results[1000000].sql / g_results[100000].sql);
  for (auto& [n, r] : g_results) std::printf("data written for n=%d in %.1f s (not timed)\n", n, r.gen);
}

}  // namespace

KX_BENCH_MAIN_WITH_SUMMARY(PrintSummary)
