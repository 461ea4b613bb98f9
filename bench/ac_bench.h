// The accounting benchmarks' shared parts: the generated account tree and
// year of entry lines (500 accounts of a three-level tree, 2024 with 29
// February), the same lines as a ledger journal, and running ledger and
// reading its totals.
#pragma once
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <filesystem>

#include "apps/accounting/demo/gen/acgen.h"
#include "runtime/memory.h"

namespace acbench {

using Clock = std::chrono::steady_clock;
inline double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

constexpr int kAccounts = 500;

struct Tree {
  std::vector<std::string> leaves, groups, classes;
};

inline Tree MakeTree() {
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

inline std::string LedgerName(const std::string& code) {
  if (code.size() == 1) return "A" + code;
  if (code.size() == 3) return "A" + code.substr(0, 1) + ":A" + code;
  return "A" + code.substr(0, 1) + ":A" + code.substr(0, 3) + ":A" + code;
}

inline std::vector<AcGenLine> MakeLines(int n, const Tree& t) {
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

inline void WriteJournal(const std::string& path, const std::vector<AcGenLine>& lines) {
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
inline double RunCommand(const std::string& cmd, std::string* out) {
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

inline std::string LedgerCommand(const std::string& journal, const std::string& period, const std::string& extra) {
  std::string cmd = "LEDGER_INIT=/dev/null ledger -f '" + journal + "' bal";
  if (!period.empty()) cmd += " -p '" + period + "'";
  return cmd + extra;
}

// ledger's totals by full account name, parents collapsed into an only
// child taking that child's total.
inline std::map<std::string, int64_t> LedgerTotals(const std::string& report) {
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

// A fresh runtime and, in dir (beside the demo's dictionary and relation
// files), the accounts of the tree and the lines with their balances by
// month and totals; every file closed.
inline Status WriteData(const std::string& dir, const Tree& t, const std::vector<AcGenLine>& lines) {
  for (const char* f : {"CODICC.DAT", "COREL.DAT", "CORELUP.DAT"})
    std::filesystem::copy_file(std::string(KX_SOURCE_DIR) + "/apps/accounting/demo/" + f, dir + "/" + f,
                               std::filesystem::copy_options::overwrite_existing);
  std::vector<AcGenAccount> accounts;
  for (const std::string& code : t.leaves) accounts.push_back({code, "Account " + code});
  MemShutdown(true);
  Status s = AcGenRuntime();
  if (s == 0) s = AcGenOpen(dir, dir);
  if (s == 0) s = AcGenAccounts(accounts);
  if (s == 0) s = AcGenLines(lines, false);
  if (s == 0) s = AcGenClose();
  return s;
}

// A fresh directory for the benchmark, the year of n lines written into it
// (files and journal); *journal the journal's path, *seconds the time it
// took. 0 or the writing's error.
inline std::string BenchDir(const char* name, int n) {
  std::string dir = (std::filesystem::temp_directory_path() / (std::string(name) + std::to_string(n))).string();
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}
inline Status WriteYear(const std::string& dir, int n, const Tree& tree, std::string* journal, double* seconds) {
  auto t0 = Clock::now();
  std::vector<AcGenLine> lines = MakeLines(n, tree);
  Status s = WriteData(dir, tree, lines);
  if (s != 0) return s;
  *journal = dir + "/bench.ledger";
  WriteJournal(*journal, lines);
  *seconds = Since(t0);
  return 0;
}

}  // namespace acbench
