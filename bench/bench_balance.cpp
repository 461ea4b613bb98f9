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

#include "bench_main.h"
#include "apps/accounting/balance.h"
#include "apps/accounting/demo/gen/acgen.h"
#include "data/datafile.h"
#include "runtime/errors.h"
#include "runtime/memory.h"
#include "script/variables.h"

namespace {

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

constexpr int kAccounts = 500;

struct Tree {
  std::vector<std::string> leaves, groups, classes;
};

Tree MakeTree() {
  Tree t;
  for (int c = 1; c <= 7; ++c) {
    t.classes.push_back(std::to_string(c));
    for (int g = 0; g < 8; ++g) {
      std::string group = std::to_string(c) + std::to_string(g) + "0";
      t.groups.push_back(group);
      for (int a = 1; a <= 9; ++a)
        if (static_cast<int>(t.leaves.size()) < kAccounts) t.leaves.push_back(group + "000000" + std::to_string(a));
    }
  }
  return t;
}

std::string LedgerName(const std::string& code) {
  if (code.size() == 1) return "A" + code;
  if (code.size() == 3) return "A" + code.substr(0, 1) + ":A" + code;
  return "A" + code.substr(0, 1) + ":A" + code.substr(0, 3) + ":A" + code;
}

std::vector<AcGenLine> MakeLines(int n, const Tree& t) {
  std::mt19937 rng(20240315);
  std::vector<DateYmd> days;
  for (int m = 1; m <= 12; ++m)
    for (int d = 1; d <= DateDaysInMonth(m, 2024); ++d) days.push_back(20240000 + m * 100 + d);
  std::vector<AcGenLine> lines(n);
  for (AcGenLine& l : lines) {
    l.date = days[rng() % days.size()];
    l.debit = t.leaves[rng() % t.leaves.size()];
    do l.credit = t.leaves[rng() % t.leaves.size()];
    while (l.credit == l.debit);
    l.cents = 100 + static_cast<int64_t>(rng() % 500000);
    l.text = "Bench";
  }
  std::stable_sort(lines.begin(), lines.end(), [](const AcGenLine& a, const AcGenLine& b) { return a.date < b.date; });
  // Entries are numbered day by day (the entry field holds 6 digits).
  for (int i = 0; i < n; ++i) {
    lines[i].entry = i > 0 && lines[i - 1].date == lines[i].date ? lines[i - 1].entry + 1 : 1;
    lines[i].line = 1;
  }
  return lines;
}

void WriteJournal(const std::string& path, const std::vector<AcGenLine>& lines) {
  FILE* f = std::fopen(path.c_str(), "w");
  std::string buf;
  buf.reserve(1 << 20);
  char amount[32];
  for (const AcGenLine& l : lines) {
    std::snprintf(amount, sizeof amount, "%lld.%02lld", static_cast<long long>(l.cents / 100),
                  static_cast<long long>(l.cents % 100));
    char date[16];
    std::snprintf(date, sizeof date, "%04d/%02d/%02d", l.date / 10000, l.date / 100 % 100, l.date % 100);
    buf += date;
    buf += " E" + std::to_string(l.entry) + "\n    " + LedgerName(l.debit) + "    " + amount + "\n    " +
           LedgerName(l.credit) + "    -" + amount + "\n\n";
    if (buf.size() > (1 << 20) - 256) {
      std::fwrite(buf.data(), 1, buf.size(), f);
      buf.clear();
    }
  }
  std::fwrite(buf.data(), 1, buf.size(), f);
  std::fclose(f);
}

// Runs a command; its standard output, and the seconds it took.
double RunCommand(const std::string& cmd, std::string* out) {
  auto t0 = Clock::now();
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return -1;
  char buf[65536];
  size_t got = 0;
  while ((got = std::fread(buf, 1, sizeof buf, p)) > 0)
    if (out) out->append(buf, got);
  int rc = pclose(p);
  double s = Since(t0);
  return rc == 0 ? s : -1;
}

std::string LedgerCommand(const std::string& journal, const std::string& period, const std::string& extra) {
  std::string cmd = "LEDGER_INIT=/dev/null ledger -f '" + journal + "' bal";
  if (!period.empty()) cmd += " -p '" + period + "'";
  return cmd + extra;
}

// ledger's totals by full account name, parents collapsed into an only
// child taking that child's total.
std::map<std::string, int64_t> LedgerTotals(const std::string& report) {
  std::map<std::string, int64_t> out;
  size_t at = 0;
  while (at < report.size()) {
    size_t nl = report.find('\n', at);
    std::string line = report.substr(at, nl == std::string::npos ? std::string::npos : nl - at);
    at = nl == std::string::npos ? report.size() : nl + 1;
    size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    std::string name = line.substr(0, tab), amount = line.substr(tab + 1);
    bool neg = !amount.empty() && amount[0] == '-';
    std::string digits = neg ? amount.substr(1) : amount;
    size_t dot = digits.find('.');
    std::string whole = digits.substr(0, dot), frac = dot == std::string::npos ? "" : digits.substr(dot + 1);
    frac = (frac + "00").substr(0, 2);
    int64_t cents = (whole.empty() ? 0 : std::stoll(whole)) * 100 + std::stoll(frac);
    for (size_t colon = name.find(':'); colon != std::string::npos; colon = name.find(':', colon + 1))
      out.emplace(name.substr(0, colon), neg ? -cents : cents);
    out[name] = neg ? -cents : cents;
  }
  return out;
}

struct Period {
  const char* id;
  DateYmd from, to;
  const char* ledger;
};
constexpr Period kPeriods[] = {{"year", 20240101, 20241231, ""},
                               {"15 Mar - 14 Jun", 20240315, 20240614, "from 2024/03/15 to 2024/06/15"}};

struct Result {
  double gen = 0, open[2] = {};
  double ours[2] = {}, ledger[2] = {};
  int agree[2] = {}, compared[2] = {};
};
std::map<int, Result> g_results;

// Every account's balance at the three levels (cents); the files are opened
// and closed inside.
double OurBalances(const std::string& dir, const Tree& t, const Period& p, std::map<std::string, int64_t>* out,
                   double* openSeconds) {
  auto t0 = Clock::now();
  for (int file : {9, 10}) {
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
  std::string dir = (std::filesystem::temp_directory_path() / ("kxbench_balance_" + std::to_string(n))).string();
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  for (const char* f : {"CODICC.DAT", "COREL.DAT", "CORELUP.DAT"})
    std::filesystem::copy_file(std::string(KX_SOURCE_DIR) + "/apps/accounting/demo/" + f, dir + "/" + f);
  for (auto _ : state) {
    auto t0 = Clock::now();
    std::vector<AcGenLine> lines = MakeLines(n, tree);
    std::vector<AcGenAccount> accounts;
    for (const std::string& code : tree.leaves) accounts.push_back({code, "Account " + code});
    MemShutdown(true);
    Status s = AcGenRuntime();
    if (s == 0) s = AcGenOpen(dir, dir);
    if (s == 0) s = AcGenAccounts(accounts);
    if (s == 0) s = AcGenLines(lines, false);
    if (s == 0) s = AcGenClose();
    if (s != 0) {
      state.SkipWithError(ErrText(s).Str().c_str());
      return;
    }
    const std::string journal = dir + "/bench.ledger";
    WriteJournal(journal, lines);
    r.gen = Since(t0);
    double total = 0;
    for (int i = 0; i < 2; ++i) {
      const Period& p = kPeriods[i];
      std::map<std::string, int64_t> ours;
      r.ours[i] = OurBalances(dir, tree, p, &ours, &r.open[i]);
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
  std::printf("\n%-16s %9s %10s %10s %10s %8s %12s\n", "period", "n", "open ms", "ours ms", "ledger ms", "ratio",
              "agree");
  for (auto& [n, r] : g_results)
    for (int i = 0; i < 2; ++i)
      std::printf("%-16s %9d %10.1f %10.1f %10.1f %8.3f %6d/%-5d\n", kPeriods[i].id, n, r.open[i] * 1e3,
                  r.ours[i] * 1e3, r.ledger[i] * 1e3, r.ours[i] / r.ledger[i], r.agree[i], r.compared[i]);
  for (auto& [n, r] : g_results) std::printf("data and journal written for n=%d in %.1f s (not timed)\n", n, r.gen);
}

}  // namespace

KX_BENCH_MAIN_WITH_SUMMARY(PrintSummary)
