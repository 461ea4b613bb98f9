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
//   plain  a plain formatter (C++ below, no framework): the same record file
//          read in 1 MiB blocks, each live record's fields cut and its
//          amounts parsed, the same page layout (head, column titles,
//          details, the carried-forward foot, the total, pages filled)
//          formatted with snprintf-free digit loops into a 64 KiB buffer
//          written to a new file, closed, no sync; its bytes must equal
//          ours;
//   limit  the same number of bytes written sequentially in 1 MiB blocks to
//          a new file in the same folder, closed, no sync.
// Printed: the times, MB/s, the ratios ours / plain and ours / limit, and
// the growth of our time from 10,000 to 100,000 accounts (linear would be
// 10). The report's total line is checked against the sums of the generated
// amounts.
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
// The record file of the accounts (data file 1 of the generated dictionary).
constexpr char kDataFile[] = "ACCOUNTS.FD";

struct Result {
  double gen = 0, ours = 1e9, plain = 1e9, limit = 1e9;
  uintmax_t bytes = 0;
  bool totalsAgree = false, plainAgrees = false;
};

// --- The plain formatter -------------------------------------------------

constexpr int kPageLines = 66;
constexpr int kLastDetailLine = kPageLines - 4;  // then the foot
constexpr int kTotalLine = 28;                   // the total's own line
constexpr size_t kRecordLen = 10 + 40 + 14 + 14;  // CODE, NAME, CUR_PASSIVE, CUR_ASSETS

struct Out {
  int fd = -1;
  std::string buf;
  int line = 0;  // lines written on the page
  bool failed = false;
  void Flush() {
    if (!buf.empty() && write(fd, buf.data(), buf.size()) != static_cast<ssize_t>(buf.size())) failed = true;
    buf.clear();
  }
  void Pad(size_t n) { buf.append(n, ' '); }
  void Text(std::string_view t, size_t width) {
    t = t.substr(0, width);
    buf.append(t);
    Pad(width - t.size());
  }
  // cents right-aligned in width with thousands commas, a '-' before the
  // first digit; stars when it does not fit.
  void Number(int64_t cents, size_t width) {
    char tmp[40];
    char* e = tmp + sizeof tmp;
    char* p = e;
    uint64_t v = cents < 0 ? static_cast<uint64_t>(-cents) : static_cast<uint64_t>(cents);
    *--p = static_cast<char>('0' + v % 10);
    v /= 10;
    *--p = static_cast<char>('0' + v % 10);
    v /= 10;
    *--p = '.';
    int digits = 0;
    do {
      if (digits && digits % 3 == 0) *--p = ',';
      *--p = static_cast<char>('0' + v % 10);
      v /= 10;
      ++digits;
    } while (v);
    if (cents < 0) *--p = '-';
    size_t n = static_cast<size_t>(e - p);
    if (n > width) return buf.append(width, '*'), void();  // past its mask
    Pad(width - n);
    buf.append(p, n);
  }
  void End() {
    buf.append("\r\n");
    ++line;
    if (buf.size() >= (64u << 10)) Flush();
  }
};

void Amounts(Out& o, std::string_view label, const int64_t t[2]) {
  o.Text(label, 35);
  o.Pad(1);
  o.Number(t[0], 13);
  o.Pad(1);
  o.Number(t[1], 13);
  o.Pad(1);
  o.Number(t[0] - t[1], 14);
  o.End();
}

void BlankTo(Out& o, int line) {
  while (o.line < line - 1) o.End();
}

void Head(Out& o, int page) {
  o.line = 0;
  o.Text("Trial balance of the accounts", 40);
  o.Pad(1);
  o.Text("Bench company", 26);
  o.Pad(1);
  o.buf.append("Page ");
  std::string number = std::to_string(page);
  if (number.size() > 3) number = "***";  // past its mask
  o.Pad(3 - number.size());
  o.buf.append(number);
  o.End();
  o.End();
  o.buf.append("Account    Name                             Debit        Credit        Balance");
  o.End();
  o.buf.append(78, '=');
  o.End();
}

// An amount as the record holds it ("1234.56", blanks around).
int64_t Cents(std::string_view f) {
  int64_t v = 0;
  bool neg = false;
  for (char c : f) {
    if (c == '-') neg = true;
    else if (c >= '0' && c <= '9') v = v * 10 + (c - '0');
  }
  return neg ? -v : v;
}

// The trial balance of the record file at `data` into `path`; the seconds
// taken, -1 on failure.
double PlainReport(const std::string& data, const std::string& path) {
  auto t0 = Clock::now();
  int in = open(data.c_str(), O_RDONLY);
  Out o;
  o.fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || o.fd < 0) return -1;
  std::vector<char> block((1u << 20) / kRecordLen * kRecordLen);
  int page = 1;
  int64_t total[2] = {0, 0};
  Head(o, page);
  for (;;) {
    ssize_t got = read(in, block.data(), block.size());
    if (got < 0) return -1;
    if (got == 0) break;
    for (size_t at = 0; at + kRecordLen <= static_cast<size_t>(got); at += kRecordLen) {
      const char* r = block.data() + at;
      if (r[0] == 27) continue;  // deleted
      if (o.line >= kLastDetailLine) {
        Amounts(o, "Carried forward", total);
        BlankTo(o, kPageLines + 1);
        Head(o, ++page);
      }
      int64_t d = Cents({r + 50, 14}), c = Cents({r + 64, 14});
      total[0] += d;
      total[1] += c;
      o.Text({r, 10}, 10);
      o.Pad(1);
      o.Text({r + 10, 24}, 24);
      o.Pad(1);
      o.Number(d, 13);
      o.Pad(1);
      o.Number(c, 13);
      o.Pad(1);
      o.Number(d - c, 14);
      o.End();
    }
  }
  if (o.line >= kTotalLine) {  // its line is gone: the same line of a new page, no head
    BlankTo(o, kPageLines + 1);
    o.line = 0;
  }
  BlankTo(o, kTotalLine);
  Amounts(o, "Total", total);
  BlankTo(o, kPageLines + 1);
  o.Flush();
  close(in);
  close(o.fd);
  return o.failed ? -1 : Since(t0);
}
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
      double p = PlainReport(dir + "/" + kDataFile, dir + "/plain.txt");
      if (p < 0) {
        state.SkipWithError("plain formatter");
        break;
      }
      r.plain = std::min(r.plain, p);
    }
    std::string text = ReadAll(dir + "/trial.txt");
    std::string plain = ReadAll(dir + "/plain.txt");
    r.plainAgrees = plain == text;
    if (!r.plainAgrees) {
      size_t at = std::mismatch(text.begin(), text.end(), plain.begin(), plain.end()).first - text.begin();
      size_t from = at > 200 ? at - 200 : 0;
      std::fprintf(stderr, "plain formatter differs at byte %zu of %zu (%zu):\n--- ours\n%s\n--- plain\n%s\n", at,
                   text.size(), plain.size(), text.substr(from, 400).c_str(), plain.substr(from, 400).c_str());
    }
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
  std::printf("\nPeers: a plain formatter (C++, no framework) reading the same record file and writing the same\n"
              "bytes; the physical limit, the report's byte count written in 1 MiB blocks to a file in the same\n"
              "folder. Both closed, no sync. Best of %d runs each.\n", kRepeats);
  std::printf("\n%9s %12s %10s %10s %10s %10s %10s %11s %11s %7s %6s\n", "accounts", "bytes", "gen s", "ours ms",
              "plain ms", "limit ms", "ours MB/s", "ours/plain", "ours/limit", "totals", "plain");
  for (const auto& [n, r] : g_results) {
    double mb = static_cast<double>(r.bytes) / 1e6;
    std::printf("%9d %12ju %10.1f %10.1f %10.2f %10.2f %10.1f %11.2f %11.1f %7s %6s\n", n, r.bytes, r.gen,
                r.ours * 1e3, r.plain * 1e3, r.limit * 1e3, mb / r.ours, r.ours / r.plain, r.ours / r.limit,
                r.totalsAgree ? "agree" : "DIFFER", r.plainAgrees ? "same" : "DIFFER");
  }
  if (g_results.count(10000) && g_results.count(100000))
    std::printf("growth of ours from 10,000 to 100,000 accounts: %.2fx (linear: 10x)\n",
                g_results[100000].ours / g_results[10000].ours);
}

}  // namespace

KX_BENCH_MAIN_WITH_SUMMARY(PrintSummary)
