// Document windows, headless: opening a document as a person does (the key
// typed, then looked up through the window's action chain until the grid
// shows every line) against the engine's load of the same document alone
// (MovsHeaderRead + MovsLinesLoad, no window work); and Down through every
// line of documents of 100, 1,000 and 10,000 lines (each step through the
// action chain: the row left is stored, the next one shown with its field
// controls, the caption and the status text set), with the list-view cell
// writes of each step. The screen's MAXLIN% is 10000, N_LINE five digits.
// Prints the times, the per-step cost and its growth from 100 to 10,000
// lines (flat is 1.0).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "bench_main.h"
#include "screens_bench.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "data/store/recbuf.h"
#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/memory.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/window/controls.h"
#include "screens/datascreens/datascreen.h"
#include "screens/documents/docengine.h"
#include "screens/documents/docgrid.h"
#include "screens/window/fieldvalues.h"
#include "screens/window/fonttable.h"
#include "screens/window/geometry.h"
#include "screens/grids/gridview.h"
#include "screens/grids/linsgrid.h"
#include "screens/documents/movsaction.h"
#include "screens/documents/movswin.h"
#include "screens/datascreens/navbuttons.h"
#include "screens/window/winlist.h"
#include "screens/window/winrecord.h"
#include "script/taskhooks.h"
#include "script/variables.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kDocSizes[] = {100, 1000, 10000};

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }
std::string Pad(std::string s, size_t n) { return s.append(n > s.size() ? n - s.size() : 0, ' ').substr(0, n); }
std::string Num(long v, size_t n) {
  std::string s = std::to_string(v);
  return std::string(n > s.size() ? n - s.size() : 0, ' ') + s;
}
std::string DocNo(int n) {
  char b[16];
  std::snprintf(b, sizeof b, "M%07d", n);
  return b;
}
void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

struct Result {
  double open = -1, load = -1, down = -1;  // seconds; down per step
  double writes = -1;                      // list-view cell writes per step
};
std::map<int, Result> g_results;

class Window {
 public:
  explicit Window(const std::string& dir) : dir_(dir) {}
  bool Start() {
    if (!BenchScreensStart(dir_, "BW:Bench")) return false;
    TaskHookSet(&ScreenFieldHook, kHookValue);
    TaskHookSet(&GridLineTextHook, kHookArrayTerm);
    WriteText(dir_ + "/BWDICC.DAT",
              "01 Lines**01LINES\n01 DOCNO 008 ADOCNO\n01 NLINE 005 NN_LINE\n01 ITEM  020 AITEM\n"
              "01 QTY   007 NQTY\n01 AMNT  012 NAMOUNT\n31 <00010080009005\n");
    WriteText(dir_ + "/BWRELUP.DAT", "0200 X#=1\n");
    WriteText(dir_ + "/DOC.PPN",
              "01 FD$:DOCNO,ITEM,QTY,AMOUNT,TAIL\n01 FILEDEF$:,,,,,1\n01 BOUNDS$:ITEM,AMOUNT\n"
              "01 WRITECAB0$:\"H$='H'\"\n01 MAXLIN%:10000\n");
    WriteText(dir_ + "/DOC.PAN",
              "01 10210010108A\n01 00405Item\n01 00426Qty\n01 00434Amount\n01 10605010320A\n"
              "01 10626010407N\n01 10634010512N\n01 11805000004A\n");
    if (DicLoad(StrFromView(dir_), StrFromC("BW"), StrFromView(dir_)) != 0) return false;
    return DataFileOpen(1, 0) < 128;
  }
  void Stop() {
    WinRecordClose(-1);
    LinsGridClose(0);
    DataFileCloseAll();
    ui::shutdown();
    WinListReset();
  }
  void Add(const std::string& doc, int line) {
    const StrAreaScope scope;
    std::string image = Pad(doc, 8) + (line ? Num(line, 5) : std::string(5, ' ')) +
                        Pad("ITEM" + std::to_string(line % 97), 20) + Num(line % 50 + 1, 7) + Num(line * 3L, 12);
    DataFileMove(1, 0x01);
    RecBufSet(1, kRecCurrent, StrFromView(image));
    DataFileInsert(1);
  }
  // The document window as the File Maintenance window makes it.
  bool Open() {
    WinRecordClose(-1);
    LinsGridClose(0);
    if (!WinClassCreate(StrFromC("BenchDoc"), StrFromC("doc"), 0, 0, 0, 1000, 900, 0, LinsGridWndProc)) return false;
    if (ScreenCreate(StrFromC("DOC"), StrFromC("DOC"), 1, 0, StrFromC("")) != 0) return false;
    VarSysIntSet(kSysLMax, 10000);
    ScreenActionSet(MovsActionWin, NavNextAction, nullptr);
    if (MovsLinsSetControls(StrFromC("DOC"), uint16_t{kNavSetDocument} | uint16_t{kBarField1} | uint16_t{kBarField2}, MovsGridCallback) != 0)
      return false;
    WinRecord* r = WinGet(kCurrentIndex);
    r->state = kKeyStateSearch;
    r->curField = 1;
    return true;
  }
  // The key typed and looked up, until the grid shows the last line.
  double OpenDocument(const std::string& doc, int lines) {
    MovsClear();
    const StrAreaScope scope;
    auto t0 = Clock::now();
    if (FieldPut(kCheckInput, 1, StrFromView(doc)) != 0) return -1;
    if (Status e = ScreenAction(ActionMake(kActKeyTyped, 0))) {
      std::fprintf(stderr, "open %d: %u\n", lines, e);
      return -1;
    }
    double s = Seconds(t0);
    LinsGridRec* g = LinsGridGet(0);
    ui::Hwnd view = GridViewGet(g->slot).view;
    bool shown = g->buffer.rowCount == lines && ui::lv_item_text(view, lines - 1, 0) == "ITEM" + std::to_string(lines % 97);
    return shown ? s : -1;
  }
  // The engine alone: header and lines into a buffer of its own.
  double EngineLoad(const std::string& doc, int lines) {
    const ScreenDesc* s = ScreenGet(kCurrentIndex);
    GridBuffer buffer;
    GridBuild(buffer, s->linesFirst, s->linesLast, StrFromC(""), StrFromC(""), 10000, 0, nullptr);
    const StrAreaScope scope;
    auto t0 = Clock::now();
    KeyFieldsFromText(1, StrFromView(doc), 1);
    double t = -1;
    if (Status h = MovsHeaderRead(1, 0, MovsLineKey(kMovsPrefix)); h == 0) {
      GridReset(buffer);
      Status l = MovsLinesLoad(buffer, StrFromC(""), StrFromC(""));
      if (l == 0 && buffer.rowCount == lines) t = Seconds(t0);
      else std::fprintf(stderr, "load %d: %u, %d rows\n", lines, l, buffer.rowCount);
    } else {
      std::fprintf(stderr, "header %d: %u\n", lines, h);
    }
    GridFree(buffer);
    return t;
  }
  // Down from the first line to the last; per step.
  bool DownAll(int lines, Result& r) {
    WinRecord* rec = WinGet(kCurrentIndex);
    rec->state = kWinStateLineArea;
    rec->curField = ScreenGet(kCurrentIndex)->linesFirst;
    if (MovsLinsControlLine(kLineEvShow) != 0) return false;
    uint64_t writes = ui::lv_cell_writes();
    auto t0 = Clock::now();
    for (int i = 1; i < lines; ++i)
      if (Status e = ScreenAction(ActionMake(kActLineDown, 0))) {
        std::fprintf(stderr, "down %d: %u at row %d\n", lines, e, LinsGridGet(0)->buffer.curRow);
        return false;
      }
    r.down = Seconds(t0) / (lines - 1);
    r.writes = static_cast<double>(ui::lv_cell_writes() - writes) / (lines - 1);
    if (LinsGridGet(0)->buffer.curRow == lines) return true;
    std::fprintf(stderr, "down %d: ended at row %d\n", lines, LinsGridGet(0)->buffer.curRow);
    return false;
  }

 private:
  std::string dir_;
};

void BM_DocumentWindow(benchmark::State& state) {
  std::string dir = std::filesystem::temp_directory_path() / "kx_bench_movswin";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  for (auto _ : state) {
    Window w(dir);
    if (!w.Start()) {
      state.SkipWithError("start failed");
      break;
    }
    for (int size : kDocSizes) {
      w.Add(DocNo(size), 0);
      for (int l = 1; l <= size; ++l) w.Add(DocNo(size), l);
    }
    DataFileReopen(1, 0);
    if (!w.Open()) {
      state.SkipWithError("window failed");
      break;
    }
    for (int size : kDocSizes) {
      Result& r = g_results[size];
      r.load = w.EngineLoad(DocNo(size), size);
      r.open = w.OpenDocument(DocNo(size), size);
      if (r.open < 0 || !w.DownAll(size, r)) r.down = -1;
    }
    w.Stop();
  }
  std::filesystem::remove_all(dir);
}

void PrintSummary() {
  std::printf("\nDocument windows (headless): opening through the action chain against the engine's load;\n"
              "Down through every line, per step\n");
  for (auto& [size, r] : g_results)
    std::printf("  %5d lines  open %8.4f s  engine load %8.4f s  (x%5.2f)   down %8.1f us/step, %5.2f cell writes/step\n",
                size, r.open, r.load, r.load > 0 ? r.open / r.load : 0.0, r.down * 1e6, r.writes);
  if (g_results.count(100) && g_results.count(10000) && g_results[100].down > 0)
    std::printf("  per-step growth 100 -> 10,000 lines: %.2f (flat is 1.0)\n", g_results[10000].down / g_results[100].down);
}

BENCHMARK(BM_DocumentWindow)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

KX_BENCH_MAIN_WITH_SUMMARY(PrintSummary)
