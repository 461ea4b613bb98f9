// The save of one changed record through a record-maintenance window, on a
// data file of 10,000 and of 500,000 records (100 bytes, two keys: a code
// and a name + code), against SQLite in the same run. Our side: the window
// opened by MantWindow on a screen over the file (headless), then per save
// one changed field put into its field as typed (check 118, which sets the
// record's field) and the SVE command (MantNavCommand: the key check, the
// check before the write, the update with the relation step, the file
// reopened: the data synced, the index saved only when it changed). A save
// is on disk when it returns, so the peer is one SQLite UPDATE of the same
// row by its code, each in its own transaction with synchronous=FULL (the
// default journal).
//
// Two fields are changed in turn: REST, outside every key (the everyday
// save: the index does not change), and NAME, part of key 2 (the index
// changes and is saved whole, atomically, as the data layer keeps it).
// Each side saves kSaves times on rows spread over the file, alternating;
// the median latency of each is kept. Prints both latencies per size and
// field, the ratio ours/SQLite, and the growth from the small to the large
// file (the aim for REST: no time proportional to the file, growth near 1).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_main.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/recbuf.h"
#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/memory.h"
#include "screens/datascreens/datascreen.h"
#include "screens/window/fieldvalues.h"
#include "screens/datascreens/mantwin.h"
#include "screens/window/winlist.h"
#include "script/taskhooks.h"
#include "script/variables.h"

namespace {

constexpr int kSaves = 200;
constexpr int kRounds = 4;
using Clock = std::chrono::steady_clock;

struct Result {
  double ours = 0, sqlite = 0;  // median seconds of one save
};
// By field (0 REST, 1 NAME), then by record count.
std::map<int, std::map<int, Result>> g_results;
const char* const kFieldNames[] = {"REST", "NAME"};
constexpr uint16_t kScreenField[] = {3, 2};
constexpr size_t kFieldOffset[] = {40, 10};

double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }
double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}
std::string Code(int i) {
  char b[16];
  std::snprintf(b, sizeof b, "C%09d", i);
  return b;
}

// --- Our side ---------------------------------------------------------------------

bool OursSetup(benchmark::State& state, const std::string& dir, int n) {
  MemShutdown(true);
  MemConfigure(512, -1);
  if (VarSysInit() != 0) {
    state.SkipWithError("runtime start failed");
    return false;
  }
  TaskHooksReset();
  TaskHookSet(&ScreenFieldHook, kHookValue);
  ui::HeadlessOptions o;
  o.stall = ui::StallPolicy::Cancel;
  ui::init(std::make_unique<ui::Headless>(std::move(o)));
  WinListReset();
  std::ofstream(dir + "/ZZDICC.DAT", std::ios::binary)
      << "01 Items*" << dir << "*01ITEMS\r\n01 CODE  010 ACODE\r\n01 NAME  030 ANAME\r\n"
      << "01 REST  060 AREST\r\n31 code <0001010\r\n31 name <00110300001010\r\n";
  std::ofstream(dir + "/ITM.PPN", std::ios::binary)
      << "01 FD$:CODE,NAME,REST\r\n01 FILEDEF$:,,,1\r\n01 OPEN$:1\r\n";
  std::ofstream(dir + "/ITM.PAN", std::ios::binary)
      << "01 10316010110A\r\n01 10416010230A\r\n01 10516010360A\r\n";
  if (chdir(dir.c_str()) != 0 || DynStrSet(SettingsList, SetIdentityItem, StrFromC("ZZXX:Bench")) != 0 ||
      DynStrSet(SettingsList, SetDefaultDirItem, StrFromView(dir)) != 0 ||
      DicLoad(StrFromView(dir), StrFromC("ZZ"), StrFromC("")) != 0 || DataFileOpen(1, 0) > 2) {
    state.SkipWithError("data file set-up failed");
    return false;
  }
  char rec[101];
  for (int i = 0; i < n; ++i) {
    // Codes in a scattered order, so neither key follows the record order.
    int code = static_cast<int>((int64_t{i} * 7919) % n);
    std::snprintf(rec, sizeof rec, "%-10s%-30s%-60s", Code(code).c_str(), ("name " + std::to_string(code)).c_str(), "rest");
    RecBufClear(1, 0);
    RecBufSet(1, kRecCurrent, StrMake(rec, 100));
    if (DataFileInsert(1) != 0) {
      state.SkipWithError("insert failed");
      return false;
    }
  }
  if (DataFileClose(1) != 0 || MantWindow(StrFromC("ITM"), 86) != 0) {
    state.SkipWithError("the maintenance window did not open");
    return false;
  }
  return true;
}

// One save: the row found by its key, the field changed as typed, SVE.
double OursSave(int field, const std::string& code, const std::string& value) {
  const StrAreaScope scope;
  if (DataScreenFind(StrFromView(code), 1) != 0) return -1;
  FieldsRefresh(kRefreshRecord, 1, -1);
  auto t0 = Clock::now();
  if (FieldPut(kCheckInput, kScreenField[field], StrFromView(value)) >= 128) return -1;
  uint8_t state = 0;
  if (MantNavCommand(kNavSve, &state) != 0) return -1;
  double t = Since(t0);
  return RecBuf(1, kRecSaved).View().substr(kFieldOffset[field], value.size()) == value ? t : -1;
}

// --- SQLite -----------------------------------------------------------------------------

bool Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

sqlite3* SqliteSetup(const std::string& dir, int n) {
  sqlite3* db = nullptr;
  if (sqlite3_open((dir + "/items.db").c_str(), &db) != SQLITE_OK) return nullptr;
  bool ok = Exec(db, "CREATE TABLE items(code TEXT PRIMARY KEY, name TEXT, rest TEXT);"
                     "CREATE INDEX items_name ON items(name, code); BEGIN;");
  sqlite3_stmt* ins = nullptr;
  ok = ok && sqlite3_prepare_v2(db, "INSERT INTO items VALUES(?,?,?)", -1, &ins, nullptr) == SQLITE_OK;
  for (int i = 0; ok && i < n; ++i) {
    int code = static_cast<int>((int64_t{i} * 7919) % n);
    std::string c = Code(code), name = "name " + std::to_string(code);
    sqlite3_bind_text(ins, 1, c.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(ins, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(ins, 3, "rest", -1, SQLITE_STATIC);
    ok = sqlite3_step(ins) == SQLITE_DONE;
    sqlite3_reset(ins);
  }
  sqlite3_finalize(ins);
  ok = ok && Exec(db, "COMMIT; PRAGMA synchronous=FULL;");
  if (!ok) {
    sqlite3_close(db);
    return nullptr;
  }
  return db;
}

double SqliteSave(sqlite3* db, sqlite3_stmt* upd, const std::string& code, const std::string& value) {
  auto t0 = Clock::now();
  sqlite3_bind_text(upd, 1, value.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(upd, 2, code.c_str(), -1, SQLITE_TRANSIENT);
  bool ok = sqlite3_step(upd) == SQLITE_DONE && sqlite3_changes(db) == 1;
  sqlite3_reset(upd);
  return ok ? Since(t0) : -1;
}

void BM_MaintenanceSave(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::string dir = (std::filesystem::temp_directory_path() /
                     ("kxbench_mantsave." + std::to_string(getpid()) + "." + std::to_string(n)))
                        .string();
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::string home = std::filesystem::current_path().string();
  for (auto _ : state) {
    if (!OursSetup(state, dir, n)) break;
    sqlite3* db = SqliteSetup(dir, n);
    sqlite3_stmt* upd[2] = {nullptr, nullptr};
    if (!db || sqlite3_prepare_v2(db, "UPDATE items SET rest=? WHERE code=?", -1, &upd[0], nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, "UPDATE items SET name=? WHERE code=?", -1, &upd[1], nullptr) != SQLITE_OK) {
      state.SkipWithError("SQLite set-up failed");
      break;
    }
    // The bulk loads' pages reach the disk first: each save's own sync
    // should not pay for them.
    ::sync();
    std::vector<double> ours[2], peer[2];
    for (int round = 0; round < kRounds; ++round) {
      for (int i = 0; i < kSaves / kRounds; ++i) {
        int field = i % 2;
        int row = static_cast<int>((int64_t{round * 7 + i} * 104729) % n);
        std::string code = Code(row), value = "saved " + std::to_string(round) + "." + std::to_string(i);
        double a = OursSave(field, code, value), b = SqliteSave(db, upd[field], code, value);
        if (a < 0 || b < 0) {
          state.SkipWithError("a save failed");
          break;
        }
        ours[field].push_back(a);
        peer[field].push_back(b);
      }
    }
    for (int field = 0; field < 2; ++field)
      g_results[field][n] = Result{Median(ours[field]), Median(peer[field])};
    state.SetIterationTime(g_results[0][n].ours);
    sqlite3_finalize(upd[0]);
    sqlite3_finalize(upd[1]);
    sqlite3_close(db);
    DataFileCloseAll();
    ui::shutdown();
  }
  if (chdir(home.c_str()) != 0) std::perror("chdir");
  std::filesystem::remove_all(dir);
}

BENCHMARK(BM_MaintenanceSave)->Arg(10000)->Arg(500000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMicrosecond);

void PrintSummary() {
  std::printf("\none changed record saved (median of %d per field):\n", kSaves / 2);
  for (auto& [field, byN] : g_results) {
    for (const auto& [n, r] : byN)
      std::printf("  %s %7d records: maintenance window %8.1f us, SQLite UPDATE (synchronous=FULL) %8.1f us, "
                  "ratio %.2f\n",
                  kFieldNames[field], n, r.ours * 1e6, r.sqlite * 1e6, r.sqlite > 0 ? r.ours / r.sqlite : 0);
    if (byN.count(10000) && byN.count(500000) && byN[10000].ours > 0 && byN[10000].sqlite > 0)
      std::printf("  %s growth from 10,000 to 500,000 records: ours %.2fx, SQLite %.2fx\n", kFieldNames[field],
                  byN[500000].ours / byN[10000].ours, byN[500000].sqlite / byN[10000].sqlite);
  }
}

}  // namespace

KX_BENCH_MAIN_WITH_SUMMARY(PrintSummary)
