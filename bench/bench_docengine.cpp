// Documents against SQLite on the same work. A line file of 52-byte records
// with two keys (document + line number; item + document + line number)
// holds `others` line records of other documents (10 lines each, half before
// and half after the measured ones in key order) and three documents of
// 100, 1,000 and 10,000 lines (a header each; the screen's MAXLIN% is
// 10000, N_LINE five digits wide). Phases, each run on both sides in the
// same run, with others = 20,000 and 200,000:
//   load   the header read and the lines into the line buffer (MovsHeaderRead
//          + MovsLinesLoad) / one SELECT of the document in key order into
//          memory
//   save   the document written back whole (MovsDocSave: delete, header,
//          lines, the file synced and its index saved) / DELETE and the
//          INSERTs in one transaction with synchronous=FULL, so both are on
//          disk when they return
//   page   a navigation grid of 20 visible rows paged through a group of
//          10,000 line records, a page at a time (the paging of the grid:
//          the file on the page's last record, one step, the page loaded,
//          the list view repainted) / keyset paging, SELECT ... WHERE key >
//          last ORDER BY key LIMIT 20
// Prints the times, the ratios store/SQLite and the growth from 20,000 to
// 200,000 other records (flat is 1.0).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstring>
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
#include "data/store/fileaction.h"
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
#include "screens/window/winlist.h"
#include "screens/window/winrecord.h"
#include "script/taskhooks.h"
#include "script/variables.h"

namespace {

constexpr int kDocSizes[] = {100, 1000, 10000};
constexpr int kPageRows = 20;
constexpr int kPagedRecords = 10000;

std::string DocNo(char c, int n) {
  char b[16];
  std::snprintf(b, sizeof b, "%c%07d", c, n);
  return b;
}
std::string Item(int line) { return "ITEM" + std::to_string(line % 97); }

// A line record: DOCNO A8, N_LINE N5 (blank for a header), ITEM A20, QTY N7,
// AMOUNT N12.
std::string Image(const std::string& doc, int line, int qty) {
  return Pad(doc, 8) + (line ? Num(line, 5) : std::string(5, ' ')) + Pad(Item(line), 20) + Num(qty, 7) +
         Num(qty * 125L, 12);
}

struct Phase {
  double store = 0, sqlite = 0;
};
// Results by others, then phase name ("load 100", "save 1000", "page").
std::map<int, std::map<std::string, Phase>> g_results;
std::string g_liteSettings;


// --- The store, through the document engine ----------------------------------

class Store {
 public:
  explicit Store(const std::string& dir) : dir_(dir) {}
  bool Start() {
    if (!BenchScreensStart(dir_, "BD:Bench")) return false;
    WriteText(dir_ + "/BDDICC.DAT",
              "01 Lines**01LINES\n01 DOCNO 008 ADOCNO\n01 NLINE 005 NN_LINE\n01 ITEM  020 AITEM\n"
              "01 QTY   007 NQTY\n01 AMNT  012 NAMOUNT\n31 <00010080009005\n31 <001402000010080009005\n");
    // An application has its relation file (a missing one is looked for
    // again at every write); none of its lines is for the line file.
    WriteText(dir_ + "/BDRELUP.DAT", "0200 X#=1\n");
    WriteText(dir_ + "/DOC.PPN",
              "01 FD$:DOCNO,ITEM,QTY,AMOUNT\n01 FILEDEF$:,,,,1\n01 BOUNDS$:ITEM,AMOUNT\n"
              "01 WRITECAB0$:\"H$='H'\"\n01 MAXLIN%:10000\n");
    WriteText(dir_ + "/DOC.PAN", "01 10210010108A\n01 10605010320A\n01 10626010407N\n01 10634010512N\n");
    WriteText(dir_ + "/NAV.PPN",
              "01 FD$:DOCNO,LINE,ITEM,QTY,TAIL\n01 FILEDEF$:,,,,,1\n01 BOUNDS$:LINE,QTY\n01 MODE$:NAVIGATION\n");
    WriteText(dir_ + "/NAV.PAN",
              "01 10210010108A\n01 10605010205N\n01 10612010320A\n01 10634010407N\n01 12705000004A\n");
    if (DicLoad(StrFromView(dir_), StrFromC("BD"), StrFromView(dir_)) != 0) return false;
    return DataFileOpen(1, 0) < 128;
  }
  void Stop() { BenchScreensStop(); }
  void Add(const std::string& image) { BenchRecordAdd(1, image); }
  void Sync() { DataFileReopen(1, 0); }

  // The screen on a window of its own (closing a record destroys its window).
  bool OpenScreen(const char* name) {
    WinRecordClose(-1);
    if (!WinClassCreate(StrFromC("BenchDoc"), StrFromC("doc"), 0, 0, 0, 1000, 900, 0, LinsGridWndProc)) return false;
    Status s = ScreenCreate(StrFromC(name), StrFromC(name), 1, 0, StrFromC(""));
    if (s) std::fprintf(stderr, "%s: %u %s\n", name, s, ErrDetail().Str().c_str());
    return s == 0;
  }
  // The document's key in the record, its header and lines loaded.
  double Load(const std::string& doc, GridBuffer& buffer, int lines) {
    const StrAreaScope scope;
    auto t0 = Clock::now();
    KeyFieldsFromText(1, StrFromView(doc), 1);
    if (MovsHeaderRead(1, 0, MovsLineKey(kMovsPrefix)) != 0) return -1;
    std::string header = RecBuf(1, kRecCurrent).Str();
    GridReset(buffer);
    if (MovsLinesLoad(buffer, StrFromC(""), StrFromC("")) != 0) return -1;
    RecBufSet(1, kRecBoth, StrFromView(header + header));
    double s = Seconds(t0);
    return buffer.rowCount == lines ? s : -1;
  }
  double Save(GridBuffer& buffer) {
    auto t0 = Clock::now();
    buffer.flags |= kGridLinesChanged;
    if (MovsDocSave(buffer) != 0) return -1;
    return Seconds(t0);
  }
  // Pages the grid through the group from its first record.
  double Page(const std::string& group, int records) {
    if (!OpenScreen("NAV")) return -1;
    VarSysIntSet(kSysLMax, 100);
    if (Status e = LinsGridCreate(StrFromC(""), StrFromC(""), StrFromC(""), kPageRows, 100, kLinsNavigation, nullptr)) {
      std::fprintf(stderr, "grid %u %s\n", e, ErrDetail().Str().c_str());
      return -1;
    }
    const StrAreaScope scope;
    auto t0 = Clock::now();
    LinsGridRec* g = LinsGridGet(0);
    std::string key = Pad(group, 8) + Num(1, 5);
    if (Status e = LinsGridFill(1, StrFromView(key), 0, kPageRows, 0)) {
      std::fprintf(stderr, "fill %u %s\n", e, ErrDetail().Str().c_str());
      return -1;
    }
    int seen = g->buffer.rowCount;
    g->buffer.flags |= kGridChanged;
    LinsGridReload(0);
    while (seen < records) {
      g->buffer.curRow = static_cast<uint16_t>(g->buffer.rowCount);
      if (Status e = MovsLineRead(1, 0)) {
        std::fprintf(stderr, "read %u at %d %s\n", e, seen, ErrDetail().Str().c_str());
        return -1;
      }
      if (Status e = LinsGridStep(0, 0, 1)) {
        std::fprintf(stderr, "step %u at %d %s\n", e, seen, ErrDetail().Str().c_str());
        return -1;
      }
      g->buffer.flags |= kGridChanged;
      LinsGridReload(0);
      seen += g->buffer.rowCount;
    }
    double s = Seconds(t0);
    LinsGridClose(0);
    if (seen != records) std::fprintf(stderr, "seen %d\n", seen);
    return seen == records ? s : -1;
  }

 private:
  std::string dir_;
};

// --- SQLite ---------------------------------------------------------------------

class Lite {
 public:
  explicit Lite(const std::string& path) {
    sqlite3_open(path.c_str(), &db_);
    Exec("PRAGMA synchronous=FULL;");
    Exec("CREATE TABLE lines(docno TEXT, nline TEXT, item TEXT, qty INTEGER, amount INTEGER,"
         " PRIMARY KEY(docno, nline));"
         "CREATE INDEX byitem ON lines(item, docno, nline);");
    ins_ = Prep("INSERT INTO lines VALUES(?,?,?,?,?)");
    sel_ = Prep("SELECT docno, nline, item, qty, amount FROM lines WHERE docno=? ORDER BY docno, nline");
    del_ = Prep("DELETE FROM lines WHERE docno=?");
    page_ = Prep("SELECT docno, nline, item, qty, amount FROM lines WHERE (docno, nline) > (?, ?)"
                 " ORDER BY docno, nline LIMIT ?");
  }
  ~Lite() {
    for (sqlite3_stmt* s : {ins_, sel_, del_, page_}) sqlite3_finalize(s);
    sqlite3_close(db_);
  }
  // The durability and cache settings the run used, as SQLite reports them.
  std::string Settings() {
    std::string out;
    for (const char* pragma : {"synchronous", "journal_mode", "cache_size", "page_size"}) {
      sqlite3_stmt* s = Prep((std::string("PRAGMA ") + pragma).c_str());
      const char* v = sqlite3_step(s) == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(s, 0)) : "?";
      out += std::string(out.empty() ? "" : ", ") + pragma + "=" + (v ? v : "?");
      sqlite3_finalize(s);
    }
    return out;
  }
  void Begin() { Exec("BEGIN"); }
  void Commit() { Exec("COMMIT"); }
  void Add(const std::string& doc, int line, int qty) {
    Bind(ins_, 1, doc);
    Bind(ins_, 2, line ? Num(line, 5) : std::string(5, ' '));
    Bind(ins_, 3, Item(line));
    sqlite3_bind_int(ins_, 4, qty);
    sqlite3_bind_int64(ins_, 5, qty * 125L);
    Step(ins_);
  }
  // The document's rows as the buffer would hold them.
  double Load(const std::string& doc, std::vector<std::string>* rows, int lines) {
    auto t0 = Clock::now();
    rows->clear();
    Bind(sel_, 1, doc);
    while (sqlite3_step(sel_) == SQLITE_ROW) rows->push_back(RowText(sel_));
    sqlite3_reset(sel_);
    double s = Seconds(t0);
    return static_cast<int>(rows->size()) == lines + 1 ? s : -1;
  }
  double Save(const std::string& doc, int lines) {
    auto t0 = Clock::now();
    Begin();
    Bind(del_, 1, doc);
    Step(del_);
    Add(doc, 0, 0);
    for (int l = 1; l <= lines; ++l) Add(doc, l, l);
    Commit();
    return Seconds(t0);
  }
  double Page(const std::string& group, int records) {
    auto t0 = Clock::now();
    std::string doc = group, line = "    0";
    int seen = 0;
    std::vector<std::string> page;
    while (seen < records) {
      page.clear();
      Bind(page_, 1, doc);
      Bind(page_, 2, line);
      sqlite3_bind_int(page_, 3, kPageRows);
      while (sqlite3_step(page_) == SQLITE_ROW) {
        page.push_back(RowText(page_));
        doc = reinterpret_cast<const char*>(sqlite3_column_text(page_, 0));
        line = reinterpret_cast<const char*>(sqlite3_column_text(page_, 1));
      }
      sqlite3_reset(page_);
      if (page.empty()) return -1;
      seen += static_cast<int>(page.size());
    }
    return seen == records ? Seconds(t0) : -1;
  }

 private:
  sqlite3* db_ = nullptr;
  sqlite3_stmt *ins_ = nullptr, *sel_ = nullptr, *del_ = nullptr, *page_ = nullptr;
  void Exec(const char* sql) { SqlExec(db_, sql); }
  sqlite3_stmt* Prep(const char* sql) { return SqlPrep(db_, sql); }
  static void Bind(sqlite3_stmt* s, int i, const std::string& v) { SqlBind(s, i, v); }
  static void Step(sqlite3_stmt* s) { SqlStep(s); }
  static std::string RowText(sqlite3_stmt* s) {
    std::string row;
    for (int c = 0; c < 5; ++c) {
      const unsigned char* t = sqlite3_column_text(s, c);
      row += t ? reinterpret_cast<const char*>(t) : "";
    }
    return row;
  }
};

// The documents of both sides: others before and after the measured ones.
template <class AddFn>
void Populate(int others, AddFn add) {
  for (int d = 0; d < others / 10; ++d) {
    std::string doc = DocNo(d % 2 ? 'Z' : 'A', d);
    for (int l = 1; l <= 10; ++l) add(doc, l, l);
  }
  for (int size : kDocSizes) {
    std::string doc = DocNo('M', size);
    add(doc, 0, 0);
    for (int l = 1; l <= size; ++l) add(doc, l, l);
  }
  for (int l = 1; l <= kPagedRecords; ++l) add("P0000001", l, l);
}

void BM_DocumentsVsSqlite(benchmark::State& state) {
  int others = static_cast<int>(state.range(0));
  std::string dir = std::filesystem::temp_directory_path() / ("kx_bench_doc_" + std::to_string(others));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  for (auto _ : state) {
    auto& r = g_results[others];
    {
      Store store(dir);
      if (!store.Start()) {
        state.SkipWithError("store start failed");
        break;
      }
      Populate(others, [&](const std::string& d, int l, int q) { store.Add(Image(d, l, q)); });
      store.Sync();
      if (!store.OpenScreen("DOC")) {
        state.SkipWithError("screen failed");
        break;
      }
      const ScreenDesc* s = ScreenGet(kCurrentIndex);
      GridBuffer buffer;
      GridBuild(buffer, s->linesFirst, s->linesLast, StrFromC(""), StrFromC(""), 10000, 0, nullptr);
      for (int size : kDocSizes) {
        std::string doc = DocNo('M', size);
        r["load " + std::to_string(size)].store = store.Load(doc, buffer, size);
        r["save " + std::to_string(size)].store = store.Save(buffer);
      }
      GridFree(buffer);
      r["page"].store = store.Page("P0000001", kPagedRecords);
      store.Stop();
    }
    {
      Lite lite(dir + "/lite.db");
      g_liteSettings = lite.Settings();
      lite.Begin();
      Populate(others, [&](const std::string& d, int l, int q) { lite.Add(d, l, q); });
      lite.Commit();
      std::vector<std::string> rows;
      for (int size : kDocSizes) {
        std::string doc = DocNo('M', size);
        r["load " + std::to_string(size)].sqlite = lite.Load(doc, &rows, size);
        r["save " + std::to_string(size)].sqlite = lite.Save(doc, size);
      }
      r["page"].sqlite = lite.Page("P0000001", kPagedRecords);
    }
  }
  std::filesystem::remove_all(dir);
}

void PrintSummary() {
  std::printf("\nDocuments: the engine against SQLite (seconds; ratio store/SQLite)\n");
  std::printf("  SQLite: %s (synchronous 2 = FULL; cache_size < 0 is KiB); one transaction per save\n",
              g_liteSettings.c_str());
  std::printf("  store: a save syncs the data file (fsync) and replaces the index file whole (written,\n"
              "         synced, renamed) before it returns; both sides read through the warm OS page cache\n");
  for (auto& [others, phases] : g_results) {
    std::printf("  %d other line records\n", others);
    for (auto& [name, p] : phases)
      std::printf("    %-12s store %9.4f  sqlite %9.4f  ratio %6.2f\n", name.c_str(), p.store, p.sqlite,
                  p.sqlite > 0 ? p.store / p.sqlite : 0.0);
  }
  if (g_results.size() == 2) {
    auto small = g_results.begin()->second, large = g_results.rbegin()->second;
    std::printf("  growth from %d to %d other records (flat is 1.0)\n", g_results.begin()->first,
                g_results.rbegin()->first);
    for (auto& [name, p] : large)
      std::printf("    %-12s store %5.2f  sqlite %5.2f\n", name.c_str(),
                  small[name].store > 0 ? p.store / small[name].store : 0.0,
                  small[name].sqlite > 0 ? p.sqlite / small[name].sqlite : 0.0);
  }
}

BENCHMARK(BM_DocumentsVsSqlite)->Arg(20000)->Arg(200000)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

KX_BENCH_MAIN_WITH_SUMMARY(PrintSummary)
