// The line buffer under a large navigation grid: 10,000 rows of 200 bytes
// (a key column of 10 and a text column of 190), every second row deleted
// by GridRowFindAll. Without a rule the rows go in one pass over the block;
// with a rule ("1": always) each deletion is a shift of the tail, as the
// rule must see the buffer as it is after the deletions before. No peer.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

#include "runtime/memory.h"
#include "runtime/strvalue.h"
#include "screens/grids/gridbuf.h"
#include "script/variables.h"

namespace {

constexpr int kRows = 10000;

bool Start(benchmark::State& state) {
  MemShutdown(true);
  MemConfigure(512, -1);
  if (VarSysInit() != 0) {
    state.SkipWithError("runtime start failed");
    return false;
  }
  return true;
}

// Every odd row carries the key "DEL".
void Fill(GridBuffer& g) {
  g.rowCount = kRows;
  for (int r = 1; r <= kRows; ++r) {
    unsigned char* row = g.rows + static_cast<size_t>(r - 1) * g.rowWidth;
    std::memset(row, 'x', g.rowWidth);
    char key[11];
    std::snprintf(key, sizeof key, "%-10s", r % 2 ? "DEL" : "KEEP");
    std::memcpy(row, key, 10);
  }
  g.curRow = 1;
}

void Run(benchmark::State& state, const char* rule) {
  if (!Start(state)) return;
  GridBuffer g;
  if (GridCreate(g, 2, kRows) || GridAddColumn(g, 10, 0) || GridAddColumn(g, 190, 0)) {
    state.SkipWithError("grid not made");
    return;
  }
  StrValue key = StrFromC("DEL       "), cols = StrFromC("1"), statements = StrFromC(rule);
  for (auto _ : state) {
    state.PauseTiming();
    Fill(g);
    state.ResumeTiming();
    GridRowFindAll(g, key, cols, statements);
    if (g.rowCount != kRows / 2) state.SkipWithError("wrong rows left");
  }
  GridFree(g);
}

void BM_FindAllOnePass(benchmark::State& state) { Run(state, ""); }
void BM_FindAllByRule(benchmark::State& state) { Run(state, "1"); }

BENCHMARK(BM_FindAllOnePass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindAllByRule)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
