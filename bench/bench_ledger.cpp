// The account ledger (AcGetEntry's walk) against ledger 3.3's register on the
// same lines, in the same run.
//
// The balance benchmark's generator writes n entry lines (n = 100,000 and
// 1,000,000) over 2024 between 500 accounts into the accounting files and
// into a ledger journal (one two-posting transaction per line).
//
// Work timed on both sides, for the whole year:
//   ours    the ledger of each of the 500 accounts: AcEntryOpen over the
//           year and the account, then every row read into the record with
//           AcEntrySeek, its amount taken from the record and added to the
//           running balance; the entry-lines file opened inside the timed
//           part.
//   ledger  `ledger -f journal reg` (the register of every account), run as
//           a child process with its default settings and no init file, its
//           report read and counted.
// Both list every line twice (once for each account); the row counts are
// compared with 2n, and our per-row cost at both sizes shows whether the
// walk stays linear in the lines.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "ac_bench.h"
#include "bench_main.h"
#include "apps/accounting/acdata.h"
#include "apps/accounting/entryfuncs.h"
#include "apps/accounting/demo/gen/acgen.h"
#include "data/store/datafile.h"
#include "runtime/errors.h"
#include "runtime/memory.h"

namespace {

using namespace acbench;

struct Result {
  double gen = 0, ours = 0, ledger = 0;
  int64_t ourRows = 0, ledgerRows = 0, balanceCheck = 0;
};
std::map<int, Result> g_results;

// Every account's ledger over the year; the rows read.
double OurLedgers(const Tree& t, int64_t* rows, int64_t* sum) {
  auto t0 = Clock::now();
  DataFileCtrlInit(9);
  if (DataFileOpen(9, dfopen::kReadOnly) >= 128) return -1;
  DataFieldDesc amount, pass;
  if (AcFieldOf(kAcEntries, kAcAmount, &amount) || AcFieldOf(kAcEntries, kAcPassAcc, &pass)) return -1;
  for (const std::string& code : t.leaves) {
    int64_t balance = 0;
    for (Status s = AcEntryOpen("20240101", "20241231", code); s != 2; s = AcEntrySeek(1)) {
      if (s != 0) return -1;
      std::string_view rec = AcRecord(9);
      FixedNum a = AcFieldNum(rec, amount);
      balance += AcFieldText(rec, pass) == code ? a : -a;
      ++*rows;
    }
    *sum += balance;
  }
  DataFileClose(9);
  return Since(t0);
}

void BM_LedgerVsLedger(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Result& r = g_results[n];
  const Tree tree = MakeTree();
  std::string dir = BenchDir("kxbench_ledger_", n);
  for (auto _ : state) {
    std::string journal;
    if (Status s = WriteYear(dir, n, tree, &journal, &r.gen)) {
      state.SkipWithError(ErrText(s).Str().c_str());
      return;
    }
    r.ours = OurLedgers(tree, &r.ourRows, &r.balanceCheck);
    std::string report;
    r.ledger = RunCommand("LEDGER_INIT=/dev/null ledger -f '" + journal + "' reg", &report);
    if (r.ours < 0 || r.ledger < 0) {
      state.SkipWithError("a ledger run failed");
      return;
    }
    for (char c : report) r.ledgerRows += c == '\n';
    state.SetIterationTime(r.ours);
  }
  std::filesystem::remove_all(dir);
}

BENCHMARK(BM_LedgerVsLedger)->Arg(100000)->Arg(1000000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void PrintSummary() {
  std::printf("\nPeer: ledger 3.3 (Debian package), `ledger -f journal reg`, default settings, no init file;\n"
              "ours: AcEntryOpen/AcEntrySeek for each of 500 accounts over the year, file opened inside.\n");
  std::printf("\n%9s %10s %10s %8s %10s %10s %12s %12s\n", "n", "ours ms", "ledger ms", "ratio", "ours rows",
              "ledger rows", "ours us/row", "sum (0 ok)");
  for (auto& [n, r] : g_results)
    std::printf("%9d %10.1f %10.1f %8.3f %10lld %10lld %12.3f %12lld\n", n, r.ours * 1e3, r.ledger * 1e3,
                r.ours / r.ledger, static_cast<long long>(r.ourRows), static_cast<long long>(r.ledgerRows),
                r.ours * 1e6 / static_cast<double>(r.ourRows ? r.ourRows : 1), static_cast<long long>(r.balanceCheck));
  for (auto& [n, r] : g_results) std::printf("data and journal written for n=%d in %.1f s (not timed)\n", n, r.gen);
}

}  // namespace

KX_BENCH_MAIN_WITH_SUMMARY(PrintSummary)
