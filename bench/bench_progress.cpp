// What the progress window costs long work: a scan of 1,000,000 records in
// key order through the data-file layer (DataFileMove, key 1), once plain
// and once with a ProgressStep per record (bar mode, total given, so the
// range is scaled and the bar moves every 16 records), on the headless back
// end in the same run. The two scans alternate, seven times each, and the
// best of each is kept (the machine's other work only ever adds time).
// Prints both times, the ratio (the aim: below 1.05) and the cost of one
// step.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/recbuf.h"
#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/memory.h"
#include "screens/forms/progress.h"
#include "screens/window/winlist.h"
#include "script/variables.h"

namespace {

constexpr uint32_t kRecords = 1000000;
constexpr int kRounds = 7;
using Clock = std::chrono::steady_clock;

double g_plain = 0, g_progress = 0;

bool Setup(benchmark::State& state, const std::string& dir) {
  MemShutdown(true);
  MemConfigure(512, -1);
  if (VarSysInit() != 0) {
    state.SkipWithError("runtime start failed");
    return false;
  }
  ui::HeadlessOptions o;
  o.stall = ui::StallPolicy::Cancel;
  ui::init(std::make_unique<ui::Headless>(std::move(o)));
  WinListReset();
  std::ofstream(dir + "/ZZDICC.DAT", std::ios::binary)
      << "01 Bench*" << dir << "*01BENCH\r\n01 CODE  010 ACODE\r\n01 NAME  022 ANAME\r\n31 code <0001010\r\n";
  if (chdir(dir.c_str()) != 0 || DynStrSet(SettingsList, SetIdentityItem, StrFromC("ZZXX:Bench")) != 0 ||
      DicLoad(StrFromView(dir), StrFromC("ZZ"), StrFromC("")) != 0 || DataFileOpen(1, 0) > 2) {
    state.SkipWithError("data file set-up failed");
    return false;
  }
  // Codes inserted in a scattered order, so key order is not record order.
  char rec[33];
  for (uint32_t i = 0; i < kRecords; ++i) {
    auto code = static_cast<uint32_t>((uint64_t{i} * 7919u) % kRecords);
    std::snprintf(rec, sizeof rec, "C%09u%-22s", code, "name");
    RecBufClear(1, 0);
    RecBufSet(1, kRecCurrent, StrMake(rec, 32));
    if (Status s = DataFileInsert(1)) {
      std::fprintf(stderr, "insert %u: %u\n", i, s);
      state.SkipWithError("insert failed");
      return false;
    }
  }
  return true;
}

// Answers the seconds taken; *count the records met.
double Scan(bool progress, uint32_t* count) {
  auto t0 = Clock::now();
  *count = 0;
  if (progress) ProgressOpen(0, kRecords);
  DataFileKeySet(1, 1);
  for (Status s = DataFileMove(1, 0x24); s == 0; s = DataFileMove(1, 0x10)) {
    ++*count;
    if (progress && ProgressStep(kRecords, 1, StrMake("", 0)) != 0) break;
  }
  if (progress) ProgressClose();
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

void BM_ScanWithProgress(benchmark::State& state) {
  std::string dir = (std::filesystem::temp_directory_path() / ("kxbench_progress." + std::to_string(getpid()))).string();
  std::filesystem::create_directories(dir);
  std::string home = std::filesystem::current_path().string();
  for (auto _ : state) {
    if (!Setup(state, dir)) break;
    double plain = 1e9, withBar = 1e9;
    uint32_t n1 = 0, n2 = 0;
    for (int round = 0; round < kRounds; ++round) {
      plain = std::min(plain, Scan(false, &n1));
      withBar = std::min(withBar, Scan(true, &n2));
    }
    if (n1 != kRecords || n2 != kRecords) state.SkipWithError("the scans did not meet every record");
    g_plain = plain;
    g_progress = withBar;
    state.SetIterationTime(plain + withBar);
    DataFileCloseAll();
  }
  ui::shutdown();
  if (chdir(home.c_str()) != 0) std::perror("chdir");
  std::filesystem::remove_all(dir);
}

BENCHMARK(BM_ScanWithProgress)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_plain > 0)
    std::printf("\nscan of %u records: plain %.1f ms, with a progress step each %.1f ms, ratio %.3f (%.0f ns a step)\n",
                kRecords, g_plain * 1e3, g_progress * 1e3, g_progress / g_plain, (g_progress - g_plain) * 1e9 / kRecords);
  return 0;
}
