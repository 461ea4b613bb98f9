// The year close, its undo and the balance maintenance against ledger 3.3
// on the same ledger, in the same run.
//
// The balance benchmark's generator writes n entry lines (n = 10,000,
// 100,000 and 1,000,000) over 2024 between 500 accounts (classes 1-7) into the
// accounting data files and into a ledger journal. Timed on our side, each
// one run of the journal, with the demo's definitions (COCLOSE.PPN) and a
// loss-and-profit model of two labels (class 6 by debit, class 7 by credit):
//   close   steps 4-8 (steps 1-3 off): loss-and-profit lines to the result
//           account 1000000001, the accounts reset, a closing line for every
//           account, opening lines of the balance-sheet accounts, the stored
//           totals of 2025-01-01; FAPE$ moved;
//   undo    the closing and opening days' lines deleted, FAPE$ back, the
//           months of 2024 and January 2025 rebuilt from the lines and the
//           accounts refitted;
//   maint   the balance maintenance of 2024 alone: every month's totals
//           rebuilt from the entry lines, the work ledger does for `bal`.
// On ledger's side: `ledger -f journal equity` (the next year's opening
// balances: what the close's opening lines hold) and `ledger -f journal
// bal` (the year's balances the close reads), default settings, no init
// file. Then every opening line is compared with ledger's totals: a
// balance-sheet account opens with its balance, the result account with its
// own plus the year's profit and loss; the count of agreeing accounts is
// printed.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "ac_bench.h"
#include "apps/accounting/balance.h"
#include "apps/accounting/layer.h"
#include "apps/accounting/tasks.h"
#include "apps/accounting/yearclose.h"
#include "bench_main.h"
#include "data/store/datafile.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "script/evaluator.h"
#include "script/objparams.h"

namespace {

using namespace acbench;

constexpr char kResult[] = "1000000001";

struct Result {
  double gen = 0, close = 0, undo = 0, maint = 0, equity = 0, bal = 0;
  uint64_t journalBytes = 0;
  int agree = 0, compared = 0;
};
std::map<int, Result> g_results;

StrValue Sv(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

Status Eval(const std::string& text) { return ExpEvalStatus(Sv(text)); }

// The program's folders: the data and definitions in dir, the run (its
// journal and log) in dir/app, the parameter file holding FAPE$ in dir/data.
Status Setup(const std::string& dir) {
  namespace fs = std::filesystem;
  fs::create_directories(dir + "/app");
  fs::create_directories(dir + "/data");
  fs::copy_file(std::string(KX_SOURCE_DIR) + "/apps/accounting/demo/COCLOSE.PPN", dir + "/COCLOSE.PPN",
                fs::copy_options::overwrite_existing);
  std::ofstream(dir + "/COBAL41.DAT", std::ios::binary) << "GAS=Gastos,\"6;1\"\r\nING=Ingresos,\"7;2\"\r\n";
  std::ofstream(dir + "/data/COPARINI.DAT", std::ios::binary) << "FAPE$='20240101'\r\n";
  // The dictionary stays loaded from the writing; the tasks open the files.
  Status s = AcRegisterFunctions();
  if (s == 0 && chdir((dir + "/app").c_str()) != 0) s = st::INTERNALERROR;
  if (s == 0)
    s = Eval("FAPE$='20240101',_FINI$='20241231',_FFIN$='20250101',_AMOR=0,_EXIS=0,_TASA=0,_PEGA=1,_CIER=1,"
             "_APER=1,_EABR=0,_CTAP$='" + std::string(kResult) +
             "',_CPTG$='Regularizacion',_CPTC$='Cierre',_CPT1$='Apertura',_TRACE=0");
  return s;
}

template <class F>
double Timed(int tag, F work, Status* s) {
  if ((*s = ParmStrPush(StrFromC("COCLOSE.PPN"), 1, tag)) != 0) return -1;
  auto t0 = Clock::now();
  *s = work();
  double secs = Since(t0);
  ParmStrPop();
  return secs;
}

void BM_YearCloseVsLedger(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Result& r = g_results[n];
  const Tree tree = MakeTree();
  std::string dir = (std::filesystem::temp_directory_path() / ("kxbench_yearclose_" + std::to_string(n))).string();
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  char cwd[4096] = {};
  if (!getcwd(cwd, sizeof cwd)) return;
  for (auto _ : state) {
    auto t0 = Clock::now();
    std::vector<AcGenLine> lines = MakeLines(n, tree);
    Status s = WriteData(dir, tree, lines);
    const std::string journal = dir + "/bench.ledger";
    WriteJournal(journal, lines);
    if (s == 0) s = Setup(dir);
    r.gen = Since(t0);
    if (s == 0) r.close = Timed(1, [] { return AcCloseYearRun(); }, &s);
    // The opening lines: each account's movement of 2025-01-01.
    std::map<std::string, int64_t> opening;
    for (const std::string& code : tree.leaves) {
      if (s != 0) break;
      AcAmounts a = AcAccountBalance(code, 20250101, 20250101, "", kAcIdAll);
      s = a.status;
      opening[code] = a.debit - a.credit;
    }
    if (s == 0) r.undo = Timed(2, [] { return AcUncloseYearRun(StrFromC("20241231")); }, &s);
    if (s == 0) s = Eval("MFROM$='20240101',MTO$='20241231'");
    if (s == 0) r.maint = Timed(3, [] { return AcBalanceMaint(StrFromC("20240101"), StrFromC("20241231")); }, &s);
    DataFileCloseAll();
    if (chdir(cwd) != 0) s = st::INTERNALERROR;
    if (s != 0) {
      state.SkipWithError(ErrText(s).Str().c_str());
      return;
    }
    r.equity = RunCommand("LEDGER_INIT=/dev/null ledger -f '" + journal + "' equity", nullptr);
    r.bal = RunCommand(LedgerCommand(journal, "", ""), nullptr);
    std::string report;
    RunCommand(LedgerCommand(journal, "", " -E --no-total --format '%(account)\\t%(quantity(display_total))\\n'"),
               &report);
    std::map<std::string, int64_t> theirs = LedgerTotals(report);
    auto total = [&](const std::string& code) {
      auto it = theirs.find(LedgerName(code));
      return it == theirs.end() ? int64_t{0} : it->second;
    };
    int64_t profitLoss = 0;
    for (const std::string& code : tree.leaves)
      if (code[0] >= '6') profitLoss += total(code);
    for (const std::string& code : tree.leaves) {
      int64_t want = code[0] >= '6' ? 0 : total(code) + (code == kResult ? profitLoss : 0);
      ++r.compared;
      if (opening[code] == want) ++r.agree;
      else if (r.compared - r.agree <= 5)
        std::printf("  %s: opening %lld, ledger %lld\n", code.c_str(), static_cast<long long>(opening[code]),
                    static_cast<long long>(want));
    }
    state.SetIterationTime(r.close + r.undo + r.maint);
  }
  std::filesystem::remove_all(dir);
}

BENCHMARK(BM_YearCloseVsLedger)->Arg(10000)->Arg(100000)->Arg(1000000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void PrintSummary() {
  std::printf("\nPeer: ledger 3.3 (Debian package), `ledger -f journal equity` and `ledger -f journal bal`,\n"
              "default settings, no init file; ours: the close (steps 4-8), its undo and the maintenance of 2024,\n"
              "each one run of the journal, on 500 accounts.\n");
  std::printf("\n%9s %10s %10s %10s %10s %10s %8s %8s %8s %12s\n", "n", "close ms", "undo ms", "maint ms",
              "equity ms", "bal ms", "close/eq", "undo/bal", "maint/bal", "agree");
  for (auto& [n, r] : g_results)
    std::printf("%9d %10.1f %10.1f %10.1f %10.1f %10.1f %8.3f %8.3f %8.3f %6d/%-5d\n", n, r.close * 1e3,
                r.undo * 1e3, r.maint * 1e3, r.equity * 1e3, r.bal * 1e3, r.close / r.equity, r.undo / r.bal,
                r.maint / r.bal, r.agree, r.compared);
  if (g_results.size() >= 2) {
    const auto &a = *g_results.begin(), &b = *g_results.rbegin();
    std::printf("growth %d -> %d: close %.1fx, undo %.1fx, maint %.1fx; ledger equity %.1fx, bal %.1fx\n", a.first,
                b.first, b.second.close / a.second.close, b.second.undo / a.second.undo,
                b.second.maint / a.second.maint, b.second.equity / a.second.equity, b.second.bal / a.second.bal);
  }
  for (auto& [n, r] : g_results) std::printf("data and journal written for n=%d in %.1f s (not timed)\n", n, r.gen);
}

}  // namespace

KX_BENCH_MAIN_WITH_SUMMARY(PrintSummary)
