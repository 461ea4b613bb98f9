// The import and export engine against the sqlite3 shell's CSV output and
// .import, in the same run, on records of 100 bytes with three keys (a
// unique code, a category of ten values, a date):
//   - export of n = 100,000 and 1,000,000 records in key order to a
//     Delimited file and to a List, against the shell's
//     ".mode csv" + "SELECT * ... ORDER BY code" into a file;
//   - import of 100,000 Delimited rows into 100,000 records, against the
//     shell's ".import --csv" of the same rows into the same table with its
//     three indexes;
//   - import of 10 rows into 100,000 and into 1,000,000 records, with the
//     size of the run journal each leaves at its largest (its figures);
//     again with the data file open before the clock starts, and the
//     open alone, which show what the store's open and commit cost.
// The engine's times include opening the data file (its index read and
// checked), the journal and the commit (data synced, index saved
// atomically); the shell's include starting it and opening the database
// (its defaults, printed: page cache, synchronous FULL, rollback journal).
//
// Prints every time, the ratios engine/shell and the growth from 100,000
// to 1,000,000 records.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/journal.h"
#include "data/store/rebuild.h"
#include "data/transactions/trans.h"
#include "runtime/dynstrings.h"
#include "script/variables.h"

namespace {

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

struct Row {
  double engine = 0, shell = 0;  // seconds
  uint64_t journal = 0;          // bytes
};
std::map<std::string, Row> g_rows;

// A record: CODE A10, CAT A8, DATE D8, AMOUNT 2 (12), NAME A40, CITY A22.
std::string Record(int id, std::mt19937& rng) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "C%09dCAT%05d20%02d%02d%02d%12s%-40s%-22s", id, static_cast<int>(rng() % 10),
                static_cast<int>(rng() % 30), static_cast<int>(1 + rng() % 12), static_cast<int>(1 + rng() % 28),
                (std::to_string(rng() % 100000) + "." + std::to_string(10 + rng() % 90)).c_str(),
                ("Customer number " + std::to_string(id)).c_str(), "Some city");
  return std::string(buf, 100);
}

// Delimited rows of new records from id onward.
std::string Csv(int from, int count) {
  std::mt19937 rng(7);
  std::string out;
  for (int i = from; i < from + count; ++i) {
    std::string r = Record(i, rng);
    auto trim = [](std::string s) { return s.substr(s.find_first_not_of(' ') == std::string::npos ? s.size() : s.find_first_not_of(' '), s.find_last_not_of(' ') + 1); };
    out += "\"" + r.substr(0, 10) + "\",\"" + r.substr(10, 8) + "\",\"" + r.substr(18, 8) + "\"," + trim(r.substr(26, 12)) +
           ",\"" + trim(r.substr(38, 40)) + "\",\"" + trim(r.substr(78, 22)) + "\"\r\n";
  }
  return out;
}

class Bench {
 public:
  explicit Bench(int n) : n_(n) {
    dir_ = (std::filesystem::temp_directory_path() / ("kxtrans." + std::to_string(n))).string();
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    old_ = std::filesystem::current_path().string();
    std::filesystem::current_path(dir_);  // lock markers and the journal live here
    std::mt19937 rng(42);
    std::vector<int> ids(n);
    for (int i = 0; i < n; ++i) ids[i] = i * 2;  // imported rows take odd codes
    std::shuffle(ids.begin(), ids.end(), rng);
    {
      std::ofstream dic(dir_ + "/BNDICC.DAT");
      dic << "01 Bench*" << dir_ << "*01BENCH\r\n01 CODE  010 ACODE\r\n01 CAT   008 ACAT\r\n"
          << "01 DATE  008 DDATE\r\n01 AMOUN 012 2AMOUNT\r\n01 NAME  040 ANAME\r\n01 CITY  022 ACITY\r\n"
          << "31 code <0001010\r\n31 cat  <0011008\r\n31 date <0019008\r\n";
      // The application's relation file, holding no statement for the file:
      // every application has one (without it each write looks for it).
      std::ofstream(dir_ + "/BNRELUP.DAT");
      std::ofstream data(dir_ + "/BENCH.FD", std::ios::binary);
      for (int id : ids) data << Record(id, rng);
    }
    if (DynStrSet(SettingsList, SetIdentityItem, StrFromC("BNXX:Bench")) != 0) std::abort();
    if (DicLoad(StrFromView(dir_), StrFromC("BN"), StrMake("", 0)) != 0) std::abort();
    if (DataFilePack(1, nullptr) != 0) std::abort();
    // The same table in SQLite, with its three indexes.
    sqlite3* db = nullptr;
    sqlite3_open((dir_ + "/bench.db").c_str(), &db);
    Exec(db, "PRAGMA synchronous=OFF; PRAGMA journal_mode=MEMORY;");
    Exec(db, "CREATE TABLE t(code TEXT, cat TEXT, date TEXT, amount REAL, name TEXT, city TEXT);"
             "CREATE INDEX t_code ON t(code); CREATE INDEX t_cat ON t(cat); CREATE INDEX t_date ON t(date);");
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO t VALUES(?,?,?,?,?,?)", -1, &ins, nullptr);
    Exec(db, "BEGIN");
    std::string all = ReadAll(dir_ + "/BENCH.FD");
    for (size_t at = 0; at + 100 <= all.size(); at += 100) {
      std::string r = all.substr(at, 100);
      std::string parts[6] = {r.substr(0, 10), r.substr(10, 8), r.substr(18, 8), r.substr(26, 12), r.substr(38, 40), r.substr(78)};
      for (int i = 0; i < 6; ++i)
        sqlite3_bind_text(ins, i + 1, parts[i].data(), static_cast<int>(parts[i].size()), SQLITE_TRANSIENT);
      if (sqlite3_step(ins) != SQLITE_DONE) std::abort();
      sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    Exec(db, "COMMIT");
    sqlite3_close(db);
  }
  ~Bench() {
    DataFileCloseAll();
    DicTruncate(0);
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(dir_);
  }

  // The engine's run of a mode over the file; aborts on an error. The file
  // is closed first, so the run opens it (index read and checked) and
  // closes it (index saved); with open, it is opened before the clock
  // starts and stays open (the commit still saves its index).
  double Engine(const std::string& name, uint16_t mode, bool open = false) {
    DataFileCloseAll();
    if (open && DataFileOpen(1, dfopen::kExclusive) > 2) std::abort();
    DataFileSetCurrent(1);
    auto t0 = Clock::now();
    const StrAreaScope scope;
    Status s = TransRun(StrFromView(name), mode, nullptr);
    double t = Since(t0);
    if (s != 0) {
      std::fprintf(stderr, "TransRun %s: %d\n", name.c_str(), s);
      std::abort();
    }
    DataFileCloseAll();
    return t;
  }
  // Opening the data file alone: its index read and checked.
  double Open() {
    DataFileCloseAll();
    auto t0 = Clock::now();
    if (DataFileOpen(1, dfopen::kExclusive) > 2) std::abort();
    double t = Since(t0);
    DataFileCloseAll();
    return t;
  }
  double Shell(const std::string& commands) {
    std::string cmd = "sqlite3 -batch " + dir_ + "/bench.db " + commands + " >/dev/null";
    auto t0 = Clock::now();
    if (std::system(cmd.c_str()) != 0) std::abort();
    return Since(t0);
  }
  void Put(const std::string& name, const std::string& bytes) { std::ofstream(dir_ + "/" + name, std::ios::binary) << bytes; }
  const std::string& Dir() const { return dir_; }

 private:
  static void Exec(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
  }
  static std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  int n_;
  std::string dir_, old_;
};

std::string Key(const char* what, int n) { return std::string(what) + " " + std::to_string(n); }

void BM_Export(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  Bench b(n);
  for (auto _ : state) {
    Row& d = g_rows[Key("export Delimited", n)];
    d.engine = b.Engine("out.csv", tmode::kExport | tmode::kStream | tmode::kDelimited);
    d.shell = b.Shell("'.mode csv' '.output " + b.Dir() + "/sql.csv' 'SELECT * FROM t ORDER BY code;'");
    Row& l = g_rows[Key("export List", n)];
    l.engine = b.Engine("out.txt", tmode::kExport | tmode::kStream | tmode::kHumanRead);
    l.shell = d.shell;
    state.SetIterationTime(d.engine);
  }
}

void BM_Import(benchmark::State& state) {
  int n = static_cast<int>(state.range(0)), rows = static_cast<int>(state.range(1));
  Bench b(n);
  std::string csv = Csv(2 * n + 1, rows);  // beyond every code there (odd ones)
  b.Put("in.csv", csv);
  for (auto _ : state) {
    Row& r = g_rows[Key(("import " + std::to_string(rows) + " into").c_str(), n)];
    r.engine = b.Engine("in.csv", tmode::kImportStmt | tmode::kStream | tmode::kDelimited);
    r.journal = RunJournalFiguresGet().bytes;
    r.shell = b.Shell("'.import --csv " + b.Dir() + "/in.csv t'");
    state.SetIterationTime(r.engine);
    if (rows <= 10) {  // the same rows again (new codes), the file open already
      b.Put("in2.csv", Csv(2 * n + 1 + rows, rows));
      Row& o = g_rows[Key(("import " + std::to_string(rows) + " into (open)").c_str(), n)];
      o.engine = b.Engine("in2.csv", tmode::kImportStmt | tmode::kStream | tmode::kDelimited, true);
      o.journal = RunJournalFiguresGet().bytes;
      o.shell = r.shell;
      Row& f = g_rows[Key("open the data file alone", n)];
      f.engine = b.Open();
    }
  }
}

BENCHMARK(BM_Export)->Arg(100000)->Arg(1000000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Import)
    ->Args({100000, 100000})
    ->Args({100000, 10})
    ->Args({1000000, 10})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The peer's settings as its shell runs (nothing set: its defaults).
void PrintPeerSettings() {
  std::string db = (std::filesystem::temp_directory_path() / "kxtrans.pragma.db").string();
  std::string cmd = "sqlite3 -batch " + db + " 'PRAGMA cache_size;' 'PRAGMA synchronous;' 'PRAGMA journal_mode;'";
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[128];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  std::filesystem::remove(db);
  for (char& c : out)
    if (c == '\n') c = ' ';
  std::printf("sqlite3 shell (a file database, its defaults): cache_size, synchronous, journal_mode = %s\n", out.c_str());
  std::printf("engine: data file synced and index saved atomically (fsync, rename, directory fsync) at the commit\n");
}

void PrintSummary() {
  PrintPeerSettings();
  std::printf("\n%-32s %12s %12s %8s %12s\n", "", "engine ms", "sqlite3 ms", "ratio", "journal B");
  for (auto& [what, r] : g_rows)
    if (r.shell > 0)
      std::printf("%-32s %12.1f %12.1f %8.2f %12llu\n", what.c_str(), r.engine * 1e3, r.shell * 1e3, r.engine / r.shell,
                  static_cast<unsigned long long>(r.journal));
    else
      std::printf("%-32s %12.1f %12s %8s %12s\n", what.c_str(), r.engine * 1e3, "-", "-", "-");
  for (const char* what : {"export Delimited", "export List", "import 10 into", "import 10 into (open)", "open the data file alone"}) {
    auto small = g_rows.find(Key(what, 100000)), large = g_rows.find(Key(what, 1000000));
    if (small != g_rows.end() && large != g_rows.end())
      std::printf("growth 100000 -> 1000000, %s: engine %.1fx, sqlite3 %.1fx\n", what,
                  large->second.engine / small->second.engine,
                  small->second.shell > 0 ? large->second.shell / small->second.shell : 0.0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (VarSysInit() != 0) return 1;
  VarSysIntSet(kSysUpStat, 1);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintSummary();
  return 0;
}
