// The invoicing run against SQLite doing the same job in SQL, n = 10,000 and
// 100,000 delivery notes (a customer per ten notes, two payment modes, the
// confirmation off), in the same run.
//
// Our side: the demo application's dictionary, relations and run definition
// with the generated record set; the timed part is the whole run (one
// invoice per customer and payment mode: number, one line per note with the
// note marked invoiced by the lines' relation, the header with the total, VAT registry entry by
// relation, payments, the series' next number) and the closing save of every
// file. SQLite: the same notes in a table with the same keys; in one
// transaction, synced as our files are at their close (journal_mode=WAL,
// synchronous=FULL, a 64 MiB cache that holds the data), SQL statements
// group the
// notes by customer and payment mode into invoices, write the lines, the
// footers, the registry and payment rows, mark the notes and store the next
// number. Both sides are checked to have written the same invoices and the
// same total.
//
// Prints both times, the ratio ours/SQLite and the growth of both from the
// small to the large n (a linear run grows about 10x).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "app/hooks.h"
#include "apps/administration/admbuiltins.h"
#include "apps/administration/demo/gen/admgen.h"
#include "apps/administration/invoicing.h"
#include "data/bridges/dataui.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/memory.h"
#include "script/evaluator.h"
#include "script/objparams.h"
#include "script/taskhooks.h"
#include "script/variables.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kPerCustomer = 10;

struct Result {
  double ours = 0, sqlite = 0;
  long invoices = 0, sqliteInvoices = 0;
  long long cents = 0, sqliteCents = 0;
};
std::map<int, Result> g_results;

double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

StrValue Sv(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

bool Check(Status s, const char* what) {
  if (s == 0) return true;
  std::fprintf(stderr, "%s: error %u %s\n", what, static_cast<unsigned>(s), ErrDetail().Str().c_str());
  return false;
}

// The notes of the generated set, as the generator wrote them, for SQLite.
struct NoteRow {
  long number, line;
  std::string date, customer, article, payMode;
  long long qtyCents, priceCents, amountCents;
};

std::vector<NoteRow> ReadNotes() {
  std::vector<NoteRow> rows;
  for (Status s = DataFileMove(7, 0x24); s == 0; s = DataFileMove(7, 0x10)) {
    auto str = [](const char* f) {
      uint16_t m = StrAreaMark(-1);
      std::string v = ExpEvalStr(Sv(std::string("FN$TRIM(") + f + "{7})")).Str();
      StrAreaMark(m);
      return v;
    };
    auto num = [](const char* f) { return static_cast<long long>(ExpEvalNum(Sv(std::string(f) + "{7}"))); };
    rows.push_back(NoteRow{static_cast<long>(num("NUMBER") / 100), static_cast<long>(num("N_LINE") / 100), str("DATE"),
                           str("CUSTOMER"), str("ARTICLE"), str("PAYMODE"), num("QTY"), num("PRICE"), num("AMOUNT")});
  }
  return rows;
}

// Our run on the generated set in dir; *notes receives the notes.
bool RunOurs(int n, const std::string& dir, Result* r, std::vector<NoteRow>* notes) {
  std::string demo = std::string(KX_SOURCE_DIR) + "/apps/administration/demo";
  for (const char* f : {"GADICC.DAT", "GAREL.DAT", "GARELUP.DAT", "INVRUN.PPN"})
    std::filesystem::copy_file(demo + "/" + f, dir + "/" + f, std::filesystem::copy_options::overwrite_existing);
  if (chdir(dir.c_str()) != 0) return false;
  MemShutdown(true);
  MemConfigure(512, 64);
  LayerHooksRegister();
  DataUiSet(DataUi());  // no windows here: no questions, boxes or progress
  TaskHooksReset();
  if (!Check(VarSysInit(), "start")) return false;
  // The run numbers its invoices through the program's built-ins.
  if (!Check(AdmBuiltinsRegister(), "built-ins") || !Check(AdmBankBuiltinsRegister(), "built-ins")) return false;
  DynStrSet(SettingsList, SetIdentityItem, Sv("GAVGQT24:Orbisquale"));
  DynStrSet(SettingsList, SetDefaultDirItem, Sv(dir));
  LogSetName(Sv(dir + "/GAlog.txt"));
  if (!Check(DicLoad(Sv(dir), Sv("GA"), Sv(dir)), "dictionary")) return false;
  AdmDemoSpec spec;
  spec.demo = false;
  spec.notes = static_cast<uint32_t>(n);
  spec.perCustomer = kPerCustomer;
  if (!Check(AdmDemoDataWrite(spec), "records")) return false;
  *notes = ReadNotes();
  if (!Check(ParmStrPush(Sv("INVRUN.PPN"), 1, 1), "definition")) return false;
  DataFileSetCurrent(14);
  auto t = Clock::now();
  Status s = AdmInvoicingRun();
  Status closed = DataFileCloseAll();
  r->ours = Since(t);
  if (!Check(s, "run") || !Check(closed, "close")) return false;
  // What was written: invoices and the sum of their headers' totals (the
  // header is the invoice's record with no line number).
  DataFileOpen(14, 1);
  for (Status m = DataFileMove(14, 0x24); m == 0; m = DataFileMove(14, 0x10)) {
    if (ExpEvalNum(Sv("N_LINE{14}")) != 0) continue;
    ++r->invoices;
    r->cents += ExpEvalNum(Sv("TOTAL{14}"));
  }
  DataFileCloseAll();
  VarsFreeAll();
  return true;
}

bool Exec(sqlite3* db, const char* sql) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &err) == SQLITE_OK) return true;
  std::fprintf(stderr, "sqlite: %s\n", err ? err : "?");
  sqlite3_free(err);
  return false;
}

// Amounts in cents as integers, VAT per line rounded half up as the run's
// lines do it, invoices numbered in customer and payment-mode order.
const char* const kSqlRun = R"(
BEGIN;
CREATE TEMP TABLE grp AS
  SELECT customer, paymode,
         (SELECT nextnum FROM series WHERE code='A') - 1 + ROW_NUMBER() OVER (ORDER BY customer, paymode) AS number
  FROM (SELECT DISTINCT customer, paymode FROM notes WHERE invoice=0 AND customer<>'');
INSERT INTO invoices(number, series, n_line, date, customer, article, qty, price, amount, vatrate, delnote, delline,
                     paymode, total)
  SELECT g.number, 'A',
         ROW_NUMBER() OVER (PARTITION BY g.number ORDER BY n.date, n.number, n.n_line),
         FIRST_VALUE(n.date) OVER (PARTITION BY g.number ORDER BY n.date, n.number, n.n_line),
         n.customer, n.article, n.qty, n.price, n.amount, 21, n.number, n.n_line, n.paymode, 0
  FROM notes n JOIN grp g ON g.customer=n.customer AND g.paymode=n.paymode
  WHERE n.invoice=0;
INSERT INTO invoices(number, series, n_line, date, customer, article, qty, price, amount, vatrate, delnote, delline,
                     paymode, total)
  SELECT number, 'A', 999, MIN(date), customer, '', 0, 0, 0, 21, 0, 0, paymode,
         SUM(amount) + SUM((amount * 21 + 50) / 100)
  FROM invoices WHERE n_line<999 AND number>=(SELECT MIN(number) FROM grp) GROUP BY number;
INSERT INTO registry(number, series, date, customer, base, vatrate, vat, total)
  SELECT number, 'A', MIN(date), customer, SUM(amount), 21, SUM((amount * 21 + 50) / 100),
         SUM(amount) + SUM((amount * 21 + 50) / 100)
  FROM invoices WHERE n_line<999 AND number>=(SELECT MIN(number) FROM grp) GROUP BY number;
INSERT INTO payments(number, series, n_line, duedate, amount, paid)
  SELECT number, 'A', 1, date, CASE WHEN paymode='02' THEN (total + 1) / 2 ELSE total END, 0
  FROM invoices WHERE n_line=999 AND number>=(SELECT MIN(number) FROM grp)
  UNION ALL
  SELECT number, 'A', 2, date, total - (total + 1) / 2, 0
  FROM invoices WHERE n_line=999 AND paymode='02' AND number>=(SELECT MIN(number) FROM grp);
UPDATE notes SET invoice=i.number, invseries='A'
  FROM invoices i WHERE i.n_line<999 AND i.delnote=notes.number AND i.delline=notes.n_line AND notes.invoice=0;
UPDATE series SET nextnum=(SELECT MAX(number) + 1 FROM grp) WHERE code='A' AND EXISTS (SELECT 1 FROM grp);
COMMIT;
)";

bool RunSqlite(const std::string& dir, const std::vector<NoteRow>& notes, Result* r) {
  std::string path = dir + "/invoicing.db";
  std::filesystem::remove(path);
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) return false;
  bool ok = Exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA cache_size=-65536;") &&
            Exec(db,
                 "CREATE TABLE notes(number INTEGER, n_line INTEGER, date TEXT, customer TEXT, article TEXT, qty INTEGER,"
                 " price INTEGER, amount INTEGER, invoice INTEGER, invseries TEXT, paymode TEXT,"
                 " PRIMARY KEY(number, n_line));"
                 "CREATE INDEX notes_customer ON notes(customer, date, number, n_line);"
                 "CREATE TABLE invoices(number INTEGER, series TEXT, n_line INTEGER, date TEXT, customer TEXT,"
                 " article TEXT, qty INTEGER, price INTEGER, amount INTEGER, vatrate INTEGER, delnote INTEGER,"
                 " delline INTEGER, paymode TEXT, total INTEGER, PRIMARY KEY(number, series, n_line));"
                 "CREATE INDEX invoices_customer ON invoices(customer, date, number);"
                 "CREATE TABLE registry(number INTEGER, series TEXT, date TEXT, customer TEXT, base INTEGER,"
                 " vatrate INTEGER, vat INTEGER, total INTEGER, PRIMARY KEY(number, series));"
                 "CREATE INDEX registry_date ON registry(date, number, series);"
                 "CREATE TABLE payments(number INTEGER, series TEXT, n_line INTEGER, duedate TEXT, amount INTEGER,"
                 " paid INTEGER, PRIMARY KEY(number, series, n_line));"
                 "CREATE INDEX payments_due ON payments(duedate, number, series);"
                 "CREATE TABLE series(code TEXT PRIMARY KEY, name TEXT, nextnum INTEGER);"
                 "INSERT INTO series VALUES('A', 'Invoices', 1);");
  if (ok) {
    Exec(db, "BEGIN");
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO notes VALUES(?,?,?,?,?,?,?,?,0,'',?)", -1, &st, nullptr);
    for (const NoteRow& n : notes) {
      sqlite3_bind_int64(st, 1, n.number);
      sqlite3_bind_int64(st, 2, n.line);
      sqlite3_bind_text(st, 3, n.date.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(st, 4, n.customer.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(st, 5, n.article.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int64(st, 6, n.qtyCents / 100);
      sqlite3_bind_int64(st, 7, n.priceCents);
      sqlite3_bind_int64(st, 8, n.amountCents);
      sqlite3_bind_text(st, 9, n.payMode.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_step(st);
      sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    ok = Exec(db, "COMMIT");
  }
  if (ok) {
    auto t = Clock::now();
    ok = Exec(db, kSqlRun);
    r->sqlite = Since(t);
  }
  sqlite3_stmt* st = nullptr;
  if (ok && sqlite3_prepare_v2(db, "SELECT COUNT(*), SUM(total) FROM invoices WHERE n_line=999", -1, &st, nullptr) ==
                SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW) {
    r->sqliteInvoices = sqlite3_column_int64(st, 0);
    r->sqliteCents = sqlite3_column_int64(st, 1);
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return ok;
}

void BM_InvoicingVsSqlite(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  std::string dir = (std::filesystem::temp_directory_path() / ("kxinvoicing." + std::to_string(n))).string();
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  char old[4096] = {};
  if (!getcwd(old, sizeof old)) old[0] = 0;
  Result& r = g_results[n];
  for (auto _ : state) {
    std::vector<NoteRow> notes;
    if (!RunOurs(n, dir, &r, &notes) || !RunSqlite(dir, notes, &r)) state.SkipWithError("run failed");
  }
  if (old[0] && chdir(old) != 0) state.SkipWithError("chdir");
  state.SetIterationTime(r.ours);
  if (r.sqlite > 0) state.counters["ratio"] = r.ours / r.sqlite;
  std::filesystem::remove_all(dir);
}

BENCHMARK(BM_InvoicingVsSqlite)->Arg(10000)->Arg(100000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void PrintSummary() {
  std::printf("\n%10s %10s %12s %12s %8s %14s\n", "notes", "invoices", "ours ms", "sqlite ms", "ratio", "same result");
  for (auto& [n, r] : g_results) {
    bool same = r.invoices == r.sqliteInvoices && r.cents == r.sqliteCents * 1;
    std::printf("%10d %10ld %12.1f %12.1f %8.2f %14s\n", n, r.invoices, r.ours * 1e3, r.sqlite * 1e3,
                r.sqlite > 0 ? r.ours / r.sqlite : 0.0, same ? "yes" : "NO");
    if (!same)
      std::printf("  ours %ld invoices, %lld cents; sqlite %ld invoices, %lld cents\n", r.invoices, r.cents,
                  r.sqliteInvoices, r.sqliteCents);
  }
  if (g_results.size() < 2) return;
  const Result& small = g_results.begin()->second;
  const Result& large = g_results.rbegin()->second;
  std::printf("\ngrowth %d -> %d: ours %.1fx, sqlite %.1fx\n", g_results.begin()->first, g_results.rbegin()->first,
              large.ours / small.ours, large.sqlite / small.sqlite);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  PrintSummary();
  benchmark::Shutdown();
  return 0;
}
