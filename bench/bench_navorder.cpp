// Inserting lines at the top of a long entry, against SQLite on the same
// work. A line file of 52-byte records, key 1 entry + order number (N5),
// holds 100,000 or 1,000,000 lines: one entry of 2,000 lines among entries of 10 lines
// before and after it. 200 times a new line goes in at order 1 of the long
// entry: the lines from 1 on move up by one (NavsOrderFit +1, the grid
// showing the entry's first page), then the new line is inserted with
// order 1. SQLite: the same rows in a table with an index on (entry, n); one
// transaction per insert of UPDATE ... SET n = n + 1 WHERE entry = ? AND
// n >= 1 and the INSERT. Neither side syncs to disk per insert (the store
// writes through the OS cache; SQLite runs with synchronous=OFF), both read
// through the warm page cache. Printed: time per insert of each side, the
// ratio, the time per insert at the first and last ten inserts (the entry
// grows from 2,000 to 2,200 lines), and the growth from the smaller file to
// the larger (the cost should follow the lines moved, not the file).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_main.h"
#include "screens_bench.h"
#include "sqlite_bench.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/recbuf.h"
#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/memory.h"
#include "runtime/strvalue.h"
#include "runtime/sysvars.h"
#include "screens/documents/docengine.h"
#include "screens/window/fonttable.h"
#include "screens/window/geometry.h"
#include "screens/grids/gridview.h"
#include "screens/grids/linsgrid.h"
#include "screens/documents/navorder.h"
#include "screens/window/winlist.h"
#include "screens/window/winrecord.h"
#include "script/taskhooks.h"
#include "script/variables.h"

namespace {

constexpr int kEntryLines = 2000;
constexpr int kInserts = 200;
const std::string kEntry = "M0000001";
std::string Entry(char c, int n) {
  char b[16];
  std::snprintf(b, sizeof b, "%c%07d", c, n);
  return b;
}
// ENTRY A8, N_LINE N5, ITEM A20, QTY N7, AMOUNT N12.
std::string Image(const std::string& entry, int line, const std::string& item) {
  return Pad(entry, 8) + Num(line, 5) + Pad(item, 20) + Num(line, 7) + Num(line * 125L, 12);
}

struct Result {
  double store = 0, sqlite = 0;
  double storeFirst = 0, storeLast = 0, sqliteFirst = 0, sqliteLast = 0;  // the first and last ten
  bool storeOk = false;
};
std::map<int, Result> g_results;  // by the file's lines

template <class AddFn>
void Populate(int fileLines, AddFn add) {
  int others = (fileLines - kEntryLines) / 10;
  for (int e = 0; e < others; ++e) {
    std::string entry = Entry(e < others / 2 ? 'A' : 'Z', e);
    for (int l = 1; l <= 10; ++l) add(entry, l, "OTHER");
  }
  for (int l = 1; l <= kEntryLines; ++l) add(kEntry, l, "LINE" + std::to_string(l));
}

class Store {
 public:
  explicit Store(const std::string& dir) : dir_(dir) {}
  bool Start() {
    if (!BenchScreensStart(dir_, "BN:Bench")) return false;
    WriteText(dir_ + "/BNDICC.DAT",
              "01 Lines**01LINES\n01 ENTRY 008 AENTRY\n01 NLINE 005 NN_LINE\n01 ITEM  020 AITEM\n"
              "01 QTY   007 NQTY\n01 AMNT  012 NAMOUNT\n31 <00010080009005\n");
    WriteText(dir_ + "/BNRELUP.DAT", "0200 X#=1\n");
    WriteText(dir_ + "/ENT.PPN",
              "01 FD$:ENTRY,ITEM,LINE,TAIL\n01 FILEDEF$:,,,,1\n01 BOUNDS$:ENTRY,LINE\n01 MODE$:NAVIGATION\n");
    WriteText(dir_ + "/ENT.PAN", "01 10605010108A\n01 10614010320A\n01 10635010205N\n01 12705000004A\n");
    if (DicLoad(StrFromView(dir_), StrFromC("BN"), StrFromView(dir_)) != 0) return false;
    return DataFileOpen(1, 0) < 128;
  }
  void Stop() { BenchScreensStop(); }
  bool Add(const std::string& image) { return BenchRecordAdd(1, image); }
  bool Open() {
    if (!WinClassCreate(StrFromC("BenchNav"), StrFromC("nav"), 0, 0, 0, 1000, 900, 0, LinsGridWndProc)) return false;
    if (ScreenCreate(StrFromC("ENT"), StrFromC("ENT"), 1, 0, StrFromC("")) != 0) return false;
    VarSysIntSet(kSysLMax, 100);
    if (LinsGridCreate(StrFromC(""), StrFromC(""), StrFromC(""), 20, 100, kLinsNavigation, nullptr) != 0) return false;
    const StrAreaScope scope;
    std::string key = Pad(kEntry, 8) + Num(1, 5);
    if (LinsGridFill(1, StrFromView(key), 0, 20, 0) != 0) return false;
    return NavsOrderSetKey(3) == 0;
  }
  // One insert at order 1: room made, the line inserted.
  bool Insert(int n) {
    const StrAreaScope scope;
    std::string key = Pad(kEntry, 8) + Num(1, 5);
    if (DataFileReadKey(1, 1, StrFromView(key), 0) != 0) return false;
    LinsGridGet(0)->buffer.curRow = 1;
    int32_t lines = 0;
    if (NavsOrderFit(+1, 0, key, &lines) != 0 || lines != kEntryLines + n) return false;
    return Add(Image(kEntry, 1, "NEW" + std::to_string(n)));
  }
  // The entry numbered 1 to n with the new lines first, newest first.
  bool Check() {
    const StrAreaScope scope;
    std::string key = Pad(kEntry, 8);
    Status s = DataFileReadKey(1, 1, StrFromView(key), 2);
    for (int n = 1; n <= kEntryLines + kInserts; ++n, s = DataFileMove(1, 0x10)) {
      std::string rec = RecBuf(1, kRecCurrent).Str();
      std::string want = n <= kInserts ? "NEW" + std::to_string(kInserts - n) : "LINE" + std::to_string(n - kInserts);
      if (s > 1 || rec.substr(0, 13) != key + Num(n, 5) || rec.substr(13, want.size()) != want) return false;
    }
    return true;
  }

 private:
  std::string dir_;
};

class Lite {
 public:
  explicit Lite(const std::string& path) {
    sqlite3_open(path.c_str(), &db_);
    SqlExec(db_, "PRAGMA synchronous=OFF;");
    SqlExec(db_, "CREATE TABLE lines(entry TEXT, n INTEGER, item TEXT, qty INTEGER, amount INTEGER);"
                 "CREATE INDEX bykey ON lines(entry, n);");
    ins_ = SqlPrep(db_, "INSERT INTO lines VALUES(?,?,?,?,?)");
    shift_ = SqlPrep(db_, "UPDATE lines SET n = n + 1 WHERE entry = ? AND n >= ?");
  }
  ~Lite() {
    sqlite3_finalize(ins_);
    sqlite3_finalize(shift_);
    sqlite3_close(db_);
  }
  void Begin() { SqlExec(db_, "BEGIN"); }
  void Commit() { SqlExec(db_, "COMMIT"); }
  void Add(const std::string& entry, int n, const std::string& item) {
    SqlBind(ins_, 1, entry);
    sqlite3_bind_int(ins_, 2, n);
    SqlBind(ins_, 3, item);
    sqlite3_bind_int(ins_, 4, n);
    sqlite3_bind_int64(ins_, 5, n * 125L);
    SqlStep(ins_);
  }
  void Insert(int n) {
    Begin();
    SqlBind(shift_, 1, kEntry);
    sqlite3_bind_int(shift_, 2, 1);
    SqlStep(shift_);
    Add(kEntry, 1, "NEW" + std::to_string(n));
    Commit();
  }

 private:
  sqlite3* db_ = nullptr;
  sqlite3_stmt *ins_ = nullptr, *shift_ = nullptr;
};

void BM_InsertAtTopVsSqlite(benchmark::State& state) {
  int fileLines = static_cast<int>(state.range(0));
  Result& res = g_results[fileLines];
  std::string dir = std::filesystem::temp_directory_path() / "kx_bench_navorder";
  for (auto _ : state) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    {
      Store store(dir);
      if (!store.Start()) {
        state.SkipWithError("store start failed");
        break;
      }
      Populate(fileLines, [&](const std::string& e, int l, const std::string& item) { store.Add(Image(e, l, item)); });
      DataFileReopen(1, 0);
      if (!store.Open()) {
        state.SkipWithError(("screen failed: " + ErrDetail().Str()).c_str());
        break;
      }
      auto t0 = Clock::now();
      for (int n = 0; n < kInserts; ++n) {
        auto t = Clock::now();
        if (!store.Insert(n)) {
          state.SkipWithError(("insert failed: " + ErrDetail().Str()).c_str());
          break;
        }
        if (n < 10) res.storeFirst += Seconds(t) / 10;
        if (n >= kInserts - 10) res.storeLast += Seconds(t) / 10;
      }
      res.store = Seconds(t0) / kInserts;
      res.storeOk = store.Check();
      store.Stop();
    }
    {
      Lite lite(dir + "/lite.db");
      lite.Begin();
      Populate(fileLines, [&](const std::string& e, int l, const std::string& item) { lite.Add(e, l, item); });
      lite.Commit();
      auto t0 = Clock::now();
      for (int n = 0; n < kInserts; ++n) {
        auto t = Clock::now();
        lite.Insert(n);
        if (n < 10) res.sqliteFirst += Seconds(t) / 10;
        if (n >= kInserts - 10) res.sqliteLast += Seconds(t) / 10;
      }
      res.sqlite = Seconds(t0) / kInserts;
    }
  }
  std::filesystem::remove_all(dir);
}

void PrintSummary() {
  std::printf("\nInsert at line 1 of an entry of %d lines, %d times\n", kEntryLines, kInserts);
  std::printf("  (store: NavsOrderFit + insert, written through the OS cache; SQLite: UPDATE n = n + 1 + INSERT,\n"
              "   one transaction each, synchronous=OFF, default journal and cache)\n");
  for (auto& [lines, r] : g_results) {
    std::printf("  file of %d lines\n", lines);
    std::printf("    per insert    store %8.3f ms  sqlite %8.3f ms  ratio %5.2f\n", r.store * 1e3, r.sqlite * 1e3,
                r.sqlite > 0 ? r.store / r.sqlite : 0.0);
    std::printf("    first ten     store %8.3f ms  sqlite %8.3f ms\n", r.storeFirst * 1e3, r.sqliteFirst * 1e3);
    std::printf("    last ten      store %8.3f ms  sqlite %8.3f ms\n", r.storeLast * 1e3, r.sqliteLast * 1e3);
    std::printf("    store entry numbered 1 to %d in order: %s\n", kEntryLines + kInserts, r.storeOk ? "yes" : "NO");
  }
  if (g_results.size() == 2) {
    const Result &a = g_results.begin()->second, &b = g_results.rbegin()->second;
    std::printf("  growth of the file x%d: store %5.2f  sqlite %5.2f (flat is 1.0)\n",
                g_results.rbegin()->first / g_results.begin()->first, a.store > 0 ? b.store / a.store : 0.0,
                a.sqlite > 0 ? b.sqlite / a.sqlite : 0.0);
  }
}

BENCHMARK(BM_InsertAtTopVsSqlite)->Arg(100000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

KX_BENCH_MAIN_WITH_SUMMARY(PrintSummary)
