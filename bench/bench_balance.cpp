// The balance engine against ledger 3.3 on the same ledger, in the same run.
//
// A generator writes n entry lines (n = 100,000 and 1,000,000) over one year
// (2024, 29 February included) between 500 accounts of a three-level tree:
// 7 classes ("1".."7"), 8 three-character groups per class, 9 accounts of 10
// characters per group (504, of which the first 500 are used). They go into
// the accounting data files (entry lines with their three keys, the balances
// by month of every account and group, the accounts) and into a ledger
// journal, one two-posting transaction per line (the debited account takes
// the amount, the credited one its negation), accounts named class:group:code.
//
// Work timed on both sides, for the whole year and for 15 March to 14 June:
//   ours    every account's balance (debit minus credit) at the three
//           levels: 500 accounts, 56 groups, 7 classes, each through
//           AcAccountBalance, the files opened (indexes loaded) inside the
//           timed part; the opening alone is printed too.
//   closed  the same balances with the files closed: each call opens and
//           closes them itself (as a procedure's loop does), so this is
//           what a reopen of an unchanged file costs, 563 times
//   ledger  `ledger -f journal bal` and `ledger -f journal bal -p "from
//           2024/03/15 to 2024/06/15"`, run as a child process with its
//           default settings (no price database, no init file: LEDGER_INIT
//           points at /dev/null), its report read and dropped.
// Ledger reads the text journal at every run; the engine reads files whose
// indexes were written once. Both figures are end to end for one report.
//
// Then every account of every level is compared with ledger's own totals
// (`bal -E` with a tab-separated format; a parent ledger collapses into its
// only child gets that child's total), and the count of agreeing accounts is
// printed.
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
#include "apps/accounting/balance.h"
#include "apps/accounting/demo/gen/acgen.h"
#include "data/store/datafile.h"
#include "runtime/errors.h"
#include "runtime/memory.h"
#include "script/variables.h"

namespace {

using namespace acbench;

struct Period {
  const char* id;
  DateYmd from, to;
  const char* ledger;
};
constexpr Period kPeriods[] = {{"year", 20240101, 20241231, ""},
                               {"15 Mar - 14 Jun", 20240315, 20240614, "from 2024/03/15 to 2024/06/15"}};

struct Result {
  double gen = 0, open[2] = {};
  double ours[2] = {}, closed[2] = {}, ledger[2] = {};
  int agree[2] = {}, compared[2] = {};
};
std::map<int, Result> g_results;

// Every account's balance at the three levels (cents); the files are opened
// and closed inside, or (openSeconds null) left closed for each call to open.
double OurBalances(const std::string& dir, const Tree& t, const Period& p, std::map<std::string, int64_t>* out,
                   double* openSeconds) {
  auto t0 = Clock::now();
  for (int file : {9, 10}) {
    if (!openSeconds) break;
    DataFileCtrlInit(file);
    if (DataFileOpen(file, dfopen::kReadOnly) >= 128) return -1;
  }
  if (openSeconds) *openSeconds = Since(t0);
  for (const auto* level : {&t.leaves, &t.groups, &t.classes})
    for (const std::string& code : *level) {
      AcAmounts a = AcAccountBalance(code, p.from, p.to, "", kAcIdAll);
      if (a.status) return -1;
      (*out)[LedgerName(code)] = a.debit - a.credit;
    }
  DataFileClose(9);
  DataFileClose(10);
  (void)dir;
  return Since(t0);
}

void BM_BalanceVsLedger(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Result& r = g_results[n];
  const Tree tree = MakeTree();
  std::string dir = BenchDir("kxbench_balance_", n);
  for (auto _ : state) {
    std::string journal;
    if (Status s = WriteYear(dir, n, tree, &journal, &r.gen)) {
      state.SkipWithError(ErrText(s).Str().c_str());
      return;
    }
    double total = 0;
    for (int i = 0; i < 2; ++i) {
      const Period& p = kPeriods[i];
      std::map<std::string, int64_t> ours;
      r.ours[i] = OurBalances(dir, tree, p, &ours, &r.open[i]);
      std::map<std::string, int64_t> closedOurs;
      r.closed[i] = OurBalances(dir, tree, p, &closedOurs, nullptr);
      if (closedOurs != ours) {
        state.SkipWithError("balances with the files closed differ");
        return;
      }
      r.ledger[i] = RunCommand(LedgerCommand(journal, p.ledger, ""), nullptr);
      if (r.ours[i] < 0 || r.ledger[i] < 0) {
        state.SkipWithError("a balance run failed");
        return;
      }
      total += r.ours[i];
      std::string report;
      RunCommand(LedgerCommand(journal, p.ledger, " -E --no-total --format '%(account)\\t%(quantity(display_total))\\n'"),
                 &report);
      std::map<std::string, int64_t> theirs = LedgerTotals(report);
      for (const auto& [name, cents] : ours) {
        auto it = theirs.find(name);
        int64_t want = it == theirs.end() ? 0 : it->second;
        ++r.compared[i];
        if (want == cents) ++r.agree[i];
        else if (r.compared[i] - r.agree[i] <= 5)
          std::printf("  %s %s: ours %lld, ledger %lld\n", p.id, name.c_str(), static_cast<long long>(cents),
                      static_cast<long long>(want));
      }
    }
    state.SetIterationTime(total);
  }
  std::filesystem::remove_all(dir);
}

BENCHMARK(BM_BalanceVsLedger)->Arg(100000)->Arg(1000000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void PrintSummary() {
  std::printf("\nPeer: ledger 3.3 (Debian package), `ledger -f journal bal [-p period]`, default settings,\n"
              "no init file; ours: AcAccountBalance for 500 accounts, 56 groups, 7 classes, files opened inside.\n");
  std::printf("\n%-16s %9s %10s %10s %10s %10s %8s %12s\n", "period", "n", "open ms", "ours ms", "closed ms",
              "ledger ms", "ratio", "agree");
  for (auto& [n, r] : g_results)
    for (int i = 0; i < 2; ++i)
      std::printf("%-16s %9d %10.1f %10.1f %10.1f %10.1f %8.3f %6d/%-5d\n", kPeriods[i].id, n, r.open[i] * 1e3,
                  r.ours[i] * 1e3, r.closed[i] * 1e3, r.ledger[i] * 1e3, r.ours[i] / r.ledger[i], r.agree[i],
                  r.compared[i]);
  for (auto& [n, r] : g_results) std::printf("data and journal written for n=%d in %.1f s (not timed)\n", n, r.gen);
}

}  // namespace

KX_BENCH_MAIN_WITH_SUMMARY(PrintSummary)
