// The report engine against the physical limit of its output, in the same
// run.
//
// A generator writes n accounts (n = 10,000 and 100,000; codes of 10 digits,
// a name, debit and credit amounts) into a data file of the demo accounting
// layout (CODE A10, NAME A40, CUR_PASSIVE and CUR_ASSETS 14 characters with
// 2 decimals; key 1 on CODE). The demo's trial balance COTRIAL.PDC (its
// file number changed to 1) prints them to a text file on pages of 66 lines
// of 80 columns, progress NONE: a head with the page number, one group line
// per account with its totals into "_#(", a doubled "carried forward" foot
// at every page break, and the total line.
//
// Timed, each the best of three runs:
//   ours   ReportRun from the first account: the definition loaded, every
//          record walked and printed, the text file opened, written and
//          closed (no sync);
//   limit  the same number of bytes written sequentially in 1 MiB blocks to
//          a new file in the same folder, closed, no sync.
// Printed: both times, MB/s, the ratio ours / limit, and the growth of our
// time from 10,000 to 100,000 accounts (linear would be 10). The report's
// total line is checked against the sums of the generated amounts.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/hooks.h"
#include "bench_main.h"
#include "report_bench.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/recbuf.h"
#include "devices/report.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/memory.h"
#include "script/evaluator.h"
#include "script/taskhooks.h"
#include "script/variables.h"

namespace {

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

constexpr int kRepeats = 3;

struct Result {
  double gen = 0, ours = 1e9, limit = 1e9;
  uintmax_t bytes = 0;
  bool totalsAgree = false;
};
std::map<int, Result> g_results;

double OurReport(const std::string& dir) {
  std::filesystem::remove(dir + "/trial.txt");
  if (DataFileMove(1, dfmove::kFirst) != 0) return -1;
  auto t0 = Clock::now();
  Status s = ReportRun(Sv("trial.txt /LP:66 /WD:80"), nullptr, Sv("COTRIAL.PDC"), Sv(""), Sv(""), Sv("\xFF"), Sv(""),
                       Sv("NONE"), Sv(""));
  double t = Since(t0);
  if (s != 0) {
    std::fprintf(stderr, "report: %u %s\n", s, ErrDetail().Str().c_str());
    return -1;
  }
  return t;
}

void BM_ReportVsWriteLimit(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Result& r = g_results[n];
  std::string dir = (std::filesystem::temp_directory_path() / ("kxbench_report_" + std::to_string(n))).string();
  std::string old;
  if (!EnterFreshFolder(dir, &old)) {
    state.SkipWithError("chdir");
    return;
  }
  for (auto _ : state) {
    auto t0 = Clock::now();
    int64_t debit = 0, credit = 0;
    if (!Generate(dir, n, &debit, &credit)) {
      state.SkipWithError(("generate: " + ErrDetail().Str()).c_str());
      break;
    }
    r.gen = Since(t0);
    for (int k = 0; k < kRepeats; ++k) {
      double t = OurReport(dir);
      if (t < 0) {
        state.SkipWithError("report");
        break;
      }
      r.ours = std::min(r.ours, t);
      r.bytes = std::filesystem::file_size(dir + "/trial.txt");
      double l = Limit(dir + "/limit.bin", r.bytes);
      if (l < 0) {
        state.SkipWithError("limit");
        break;
      }
      r.limit = std::min(r.limit, l);
    }
    std::string text = ReadAll(dir + "/trial.txt");
    size_t total = text.rfind("Total");
    r.totalsAgree = total != std::string::npos &&
                    text.find(Money(debit), total) != std::string::npos &&
                    text.find(Money(credit), total) != std::string::npos;
    state.SetIterationTime(r.ours);
  }
  DataFileCloseAll();
  MemShutdown(true);
  if (chdir(old.c_str()) != 0) state.SkipWithError("chdir back");
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ReportVsWriteLimit)->Arg(10000)->Arg(100000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void PrintSummary() {
  std::printf("\nPeer: the physical limit, the report's byte count written in 1 MiB blocks to a file in the same\n"
              "folder, closed, no sync. Best of %d runs each; ratio = ours / limit.\n", kRepeats);
  std::printf("\n%9s %12s %10s %10s %10s %10s %10s %8s %7s\n", "accounts", "bytes", "gen s", "ours ms", "limit ms",
              "ours MB/s", "limit MB/s", "ratio", "totals");
  for (const auto& [n, r] : g_results) {
    double mb = static_cast<double>(r.bytes) / 1e6;
    std::printf("%9d %12ju %10.1f %10.1f %10.2f %10.1f %10.1f %8.1f %7s\n", n, r.bytes, r.gen, r.ours * 1e3,
                r.limit * 1e3, mb / r.ours, mb / r.limit, r.ours / r.limit, r.totalsAgree ? "agree" : "DIFFER");
  }
  if (g_results.count(10000) && g_results.count(100000))
    std::printf("growth of ours from 10,000 to 100,000 accounts: %.2fx (linear: 10x)\n",
                g_results[100000].ours / g_results[10000].ours);
}

}  // namespace

KX_BENCH_MAIN_WITH_SUMMARY(PrintSummary)
