#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "apps/administration/docactions.h"
#include "apps/administration/invoicing.h"
#include "apps/administration/layer.h"
#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fonttable.h"
#include "screens/window/geometry.h"
#include "screens/window/winlist.h"
#include "screens/window/winrecord.h"
#include "data/store/fileaction.h"
#include "tests/administration/adm_fixture.h"
#include "tests/administration/inv_literal.h"

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The run's definition with some of its texts replaced, made current.
void Definition(const std::string& dir, const std::vector<std::pair<std::string, std::string>>& changes) {
  std::string text = ReadText(dir + "/INVRUN.PPN");
  for (const auto& [from, to] : changes) {
    size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
  }
  std::ofstream(dir + "/INVRUN.PPN", std::ios::binary) << text;
  ASSERT_EQ(ParmStrPop(), 0);
  ASSERT_EQ(ParmStrPush(Sv("INVRUN.PPN"), 1, 1), 0);
}

// A delivery note of one row added before the run.
struct NoteSpec {
  std::string date = "20250320", article = "PAPER", qty = "1", price;  // price: the amount
};
void AddNote(int number, const std::string& customer, const std::string& payMode, const std::string& amount,
             const NoteSpec& more = {}) {
  ASSERT_EQ(DataFileMove(kFNotes, 0x01), 3);
  ASSERT_EQ(AdmApp::Eval("NUMBER{7}=" + std::to_string(number) + ",N_LINE{7}=1,DATE{7}='" + more.date +
                         "',CUSTOMER{7}=" + customer + ",ARTICLE{7}='" + more.article + "',QTY{7}=" + more.qty +
                         ",PRICE{7}=" + (more.price.empty() ? amount : more.price) + ",AMOUNT{7}=" + amount +
                         ",PAYMODE{7}='" + payMode + "'"),
            0)
      << ErrDetail().Str();
  ASSERT_EQ(DataFileInsert(kFNotes), 0);
}

// Numbers of the invoices from 7 on with their customer and payment mode.
std::vector<std::string> Invoices() {
  std::vector<std::string> out;
  for (const std::string& r : AdmApp::Rows(kFInvoices, 1, {"NUMBER", "N_LINE", "CUSTOMER", "PAYMODE", "DELNOTE"})) {
    if (r.find("N_LINE=0.00") != std::string::npos || r.rfind("NUMBER=5.", 0) == 0 || r.rfind("NUMBER=6.", 0) == 0)
      continue;
    out.push_back(r);
  }
  return out;
}

class InvoicingTest : public AdmDemoTest {};

// The demo's notes: each customer (ascending, whatever the codes' lengths)
// gets one invoice per payment mode, the notes of one mode together in key-2
// order; numbering skips 5 and 6, which are in use; notes without customer
// or already invoiced are left alone and the blank ones are logged.
TEST_F(InvoicingTest, InvoicesEachCustomerAndPaymentModeOnce) {
  ASSERT_EQ(AdmInvoicingRun(), 0) << ErrDetail().Str();
  const std::vector<std::string> want = {
      "NUMBER=7.00 N_LINE=1.00 CUSTOMER=ACME PAYMODE=01 DELNOTE=105.00",
      "NUMBER=7.00 N_LINE=2.00 CUSTOMER=ACME PAYMODE=01 DELNOTE=116.00",
      "NUMBER=8.00 N_LINE=1.00 CUSTOMER=ACME PAYMODE=02 DELNOTE=110.00",
      "NUMBER=9.00 N_LINE=1.00 CUSTOMER=B PAYMODE=02 DELNOTE=103.00",
      "NUMBER=9.00 N_LINE=2.00 CUSTOMER=B PAYMODE=02 DELNOTE=111.00",
      "NUMBER=10.00 N_LINE=1.00 CUSTOMER=B PAYMODE=01 DELNOTE=119.00",
      "NUMBER=11.00 N_LINE=1.00 CUSTOMER=C1 PAYMODE=01 DELNOTE=102.00",
      "NUMBER=11.00 N_LINE=2.00 CUSTOMER=C1 PAYMODE=01 DELNOTE=113.00",
      "NUMBER=12.00 N_LINE=1.00 CUSTOMER=C1 PAYMODE=02 DELNOTE=107.00",
      "NUMBER=13.00 N_LINE=1.00 CUSTOMER=C10 PAYMODE=02 DELNOTE=106.00",
      "NUMBER=13.00 N_LINE=2.00 CUSTOMER=C10 PAYMODE=02 DELNOTE=118.00",
      "NUMBER=14.00 N_LINE=1.00 CUSTOMER=C10 PAYMODE=01 DELNOTE=112.00",
      "NUMBER=15.00 N_LINE=1.00 CUSTOMER=MIX PAYMODE=01 DELNOTE=108.00",
      "NUMBER=16.00 N_LINE=1.00 CUSTOMER=MIX PAYMODE=02 DELNOTE=115.00",
      "NUMBER=17.00 N_LINE=1.00 CUSTOMER=ZETA12 PAYMODE=02 DELNOTE=101.00",
      "NUMBER=17.00 N_LINE=2.00 CUSTOMER=ZETA12 PAYMODE=02 DELNOTE=117.00",
      "NUMBER=18.00 N_LINE=1.00 CUSTOMER=ZETA12 PAYMODE=01 DELNOTE=109.00",
  };
  EXPECT_EQ(Invoices(), want);
  EXPECT_EQ(AdmApp::Cents("AUTONUM('A25')"), 1900);  // the counter holds the last number, 18
  // Every note with a customer carries its invoice; the blank ones none.
  for (const std::string& r : AdmApp::Rows(kFNotes, 1, {"CUSTOMER", "INVOICE", "INVSERIES"})) {
    bool blank = r.rfind("CUSTOMER= ", 0) == 0;
    EXPECT_EQ(r.find("INVOICE=0.00") != std::string::npos, blank) << r;
  }
  EXPECT_NE(ReadText(app.dir() + "/GAlog.txt").find("Invoicing: 2 delivery note"), std::string::npos);
  EXPECT_EQ(AdmApp::Cents("INVRUNS"), 100);
  EXPECT_EQ(VarSysIntGet(kSysAux), 0);
  EXPECT_EQ(DynStrCount(kInvNamesList), 0u);
  // A second run finds nothing left to invoice.
  ASSERT_EQ(AdmInvoicingRun(), 0) << ErrDetail().Str();
  EXPECT_EQ(Invoices(), want);
  ASSERT_EQ(DataFileCloseAll(), 0);
  EXPECT_EQ(app.CheckAll(), "");
}

// Deleting an invoice (task 12's Invoice at _AUX 5) takes the invoice mark
// off its delivery notes and removes its registry entry; a second run
// invoices those notes again, once, in one new invoice, and nothing else.
TEST_F(InvoicingTest, NotesOfADeletedInvoiceAreInvoicedAgainOnce) {
  ASSERT_EQ(AdmInvoicingRun(), 0) << ErrDetail().Str();
  auto marks = [] {
    std::map<std::string, std::string> out;  // note number: invoice number
    for (const std::string& r : AdmApp::Rows(kFNotes, 1, {"NUMBER", "INVOICE"}))
      out[r.substr(0, r.find(' '))] = r.substr(r.find(' ') + 1);
    return out;
  };
  std::map<std::string, std::string> before = marks();
  ASSERT_EQ(before["NUMBER=103.00"], "INVOICE=9.00");
  ASSERT_EQ(before["NUMBER=111.00"], "INVOICE=9.00");
  std::vector<std::string> invoices = Invoices();
  DataFileSetCurrent(kFInvoices);
  ASSERT_EQ(DataFileReadKey(kFInvoices, 1, Sv("       9A25"), 0), 0);
  VarSysIntSet(kSysAux, 5);
  EXPECT_EQ(AdmDocActions(Sv("Invoice")), 0) << ErrDetail().Str();
  VarSysIntSet(kSysAux, 0);
  std::map<std::string, std::string> after = before;
  after["NUMBER=103.00"] = after["NUMBER=111.00"] = "INVOICE=0.00";
  EXPECT_EQ(marks(), after);
  for (const std::string& r : AdmApp::Rows(kFRegistry, 1, {"NUMBER"})) EXPECT_NE(r, "NUMBER=9.00");
  std::erase_if(invoices, [](const std::string& r) { return r.rfind("NUMBER=9.00 ", 0) == 0; });
  EXPECT_EQ(Invoices(), invoices);

  ASSERT_EQ(AdmInvoicingRun(), 0) << ErrDetail().Str();
  invoices.push_back("NUMBER=19.00 N_LINE=1.00 CUSTOMER=B PAYMODE=02 DELNOTE=103.00");
  invoices.push_back("NUMBER=19.00 N_LINE=2.00 CUSTOMER=B PAYMODE=02 DELNOTE=111.00");
  EXPECT_EQ(Invoices(), invoices);
  after["NUMBER=103.00"] = after["NUMBER=111.00"] = "INVOICE=19.00";
  EXPECT_EQ(marks(), after);
  // Every note with a customer is on exactly one invoice line.
  std::map<std::string, int> lines;
  for (const std::string& r : AdmApp::Rows(kFInvoices, 1, {"N_LINE", "DELNOTE"}))
    if (r.rfind("N_LINE=0.00", 0) != 0) ++lines[r.substr(r.find(' ') + 1)];
  for (const auto& [note, invoice] : after)
    if (invoice != "INVOICE=0.00") {
      EXPECT_EQ(lines["DELNOTE=" + note.substr(7)], 1) << note;
    }
  ASSERT_EQ(DataFileCloseAll(), 0);
  EXPECT_EQ(app.CheckAll(), "");
}

// Numbers come from the counter of the series and year (AUTONUM of
// DocSer$): the demo's counter says 4, so the first invoice passes 5 and 6,
// which were typed in without it; then every number follows the last, the
// counter keeping the last one written. A note of another year starts that
// year's series at 1; a counter set ahead moves the numbering with it.
TEST_F(InvoicingTest, NumbersFollowTheCounterOfTheSeriesAndYear) {
  ASSERT_EQ(AdmInvoicingRun(), 0) << ErrDetail().Str();
  std::vector<std::string> headers;
  for (const std::string& r : AdmApp::Rows(kFInvoices, 1, {"NUMBER", "SERIES", "N_LINE"}))
    if (r.find("N_LINE=0.00") != std::string::npos) headers.push_back(r.substr(0, r.find(" N_LINE")));
  std::vector<std::string> want = {"NUMBER=5.00 SERIES=A25", "NUMBER=6.00 SERIES=A25"};
  for (int n = 7; n <= 18; ++n) want.push_back("NUMBER=" + std::to_string(n) + ".00 SERIES=A25");
  EXPECT_EQ(headers, want);
  std::string counters = ReadText(app.dir() + "/GACOUNT.DAT");
  ASSERT_EQ(counters.size(), 4096u + 4094u);
  EXPECT_EQ(counters.substr(0, 13), "INVOICES_A25 ");
  EXPECT_EQ(counters.substr(4096, 8), "      18");
  for (const std::string& r : AdmApp::Rows(kFNotes, 1, {"INVOICE", "INVSERIES"}))
    EXPECT_EQ(r.find("INVOICE=0.00") != std::string::npos, r.find("INVSERIES=A25") == std::string::npos) << r;
  // Another year, and the counter moved ahead by hand.
  ASSERT_NO_FATAL_FAILURE(AddNote(301, "'ACME'", "01", "10", {"20260105", "PAPER", "1", ""}));
  ASSERT_NO_FATAL_FAILURE(AddNote(302, "'B'", "01", "20"));
  ASSERT_EQ(AdmApp::Cents("AUTONUM('A25';40)"), 4000);
  ASSERT_EQ(AdmInvoicingRun(), 0) << ErrDetail().Str();
  std::vector<std::string> added;
  for (const std::string& r : AdmApp::Rows(kFInvoices, 1, {"NUMBER", "SERIES", "N_LINE", "DELNOTE"}))
    if (r.find("DELNOTE=30") != std::string::npos) added.push_back(r);
  EXPECT_EQ(added, (std::vector<std::string>{"NUMBER=1.00 SERIES=A26 N_LINE=1.00 DELNOTE=301.00",
                                             "NUMBER=41.00 SERIES=A25 N_LINE=1.00 DELNOTE=302.00"}));
  EXPECT_EQ(AdmApp::Cents("AUTONUM('A26')*1000+AUTONUM('A25')"), 204200);
  ASSERT_EQ(DataFileCloseAll(), 0);
  EXPECT_EQ(app.CheckAll(), "");
}

// The invoice print: with INVPRINT set each invoice is appended to
// INVOICES.TXT with its lines, its bases and VAT by rate (an article at 10
// beside two at 21), its total and the total in words, wrapped.
TEST_F(InvoicingTest, PrintsEachInvoiceWithItsVatAndWords) {
  std::filesystem::copy_file(kDemoDir + "/INVPRINT.PRC", app.dir() + "/INVPRINT.PRC");
  ASSERT_EQ(AdmAppCallback(1), 0);  // the statement handlers
  ASSERT_NO_FATAL_FAILURE(AddNote(130, "'ACME'", "01", "7", {"20250320", "FOLDER", "4", "1.75"}));
  ASSERT_EQ(AdmApp::Eval("INVPRINT=1,COMPANY$='Demo company',WORDS$='Amount in words'"), 0);
  ASSERT_EQ(AdmInvoicingRun(), 0) << ErrDetail().Str();
  std::string print = ReadText(app.dir() + "/INVOICES.TXT");
  const std::string rule(68, '-');
  const std::string first =
      "Demo company\r\n"
      "Invoice A25/7   Date 03-05-2025\r\n"
      "Customer ACME  Acme Supplies\r\n"
      "Bank account ES9121000418450200051332\r\n" +
      rule + "\r\n" +
      "    Note  Article          Qty        Price       Amount   VAT %\r\n"
      "     105  PAPER         20.00         4.25        85.00   21.00\r\n"
      "     116  TONER          1.00        61.90        61.90   21.00\r\n"
      "     130  FOLDER         4.00         1.75         7.00   10.00\r\n" +
      rule + "\r\n" +
      "   VAT %         Base          VAT\r\n"
      "   21.00       146.90        30.85\r\n"
      "   10.00         7.00         0.70\r\n"
      "Total           185.45\r\n"
      "Amount in words:\r\n"
      "  ciento ochenta y cinco con cuarenta y cinco\r\n"
      "\r\n";
  EXPECT_EQ(print.substr(0, first.size()), first);
  // One print per invoice, in the order written.
  size_t count = 0;
  for (size_t at = print.find("Invoice A25/"); at != std::string::npos; at = print.find("Invoice A25/", at + 1)) ++count;
  EXPECT_EQ(count, 12u);
  EXPECT_NE(print.find("Invoice A25/18 "), std::string::npos);
}

// Each invoice's VAT registry entry and payments add up to its header's
// total: one payment in mode 01, two (the last takes the remainder) in 02.
TEST_F(InvoicingTest, RegistryAndPaymentsSumToEachInvoiceTotal) {
  ASSERT_EQ(AdmInvoicingRun(), 0) << ErrDetail().Str();
  std::map<int64_t, int64_t> totals, registry, paid;
  std::map<int64_t, int> payments;
  std::map<int64_t, std::string> modes;
  for (Status s = DataFileMove(kFInvoices, 0x24); s == 0; s = DataFileMove(kFInvoices, 0x10)) {
    if (AdmApp::Cents("N_LINE{14}") != 0) continue;
    totals[AdmApp::Cents("NUMBER{14}")] = AdmApp::Cents("TOTAL{14}");
    modes[AdmApp::Cents("NUMBER{14}")] = AdmApp::Str("PAYMODE{14}");
  }
  for (Status s = DataFileMove(kFRegistry, 0x24); s == 0; s = DataFileMove(kFRegistry, 0x10))
    registry[AdmApp::Cents("NUMBER{6}")] += AdmApp::Cents("TOTAL{6}");
  for (Status s = DataFileMove(kFPayments, 0x24); s == 0; s = DataFileMove(kFPayments, 0x10)) {
    paid[AdmApp::Cents("NUMBER{8}")] += AdmApp::Cents("AMOUNT{8}");
    ++payments[AdmApp::Cents("NUMBER{8}")];
  }
  ASSERT_EQ(totals.size(), 14u);
  for (const auto& [number, total] : totals) {
    EXPECT_EQ(registry[number], total) << number;
    EXPECT_EQ(paid[number], total) << number;
    if (number >= 700) {
      EXPECT_EQ(payments[number], modes[number] == "02" ? 2 : 1) << number;
    }
  }
}

// REG offers each record of the invoice up to the last one written to its
// WR_EXP$ condition: with a definition whose last record is a footer (line
// 999) after the lines, the lines and the footer; the condition copies the
// lines here into a file of its own choosing: the payments file under
// series "R".
TEST_F(InvoicingTest, RegistryStepOffersEachRecordOfTheInvoice) {
  ASSERT_NO_FATAL_FAILURE(
      Definition(app.dir(), {{"FOOT.WR_EXP$:\"N_LINE{14}=''", "FOOT.WR_EXP$:\"N_LINE{14}=999"},
                             {"REG.TARGET$:\"VATREG\"", "REG.TARGET$:\"8\""},
                             {"REG.WR_EXP$:\"0\"",
                              "REG.WR_EXP$:\"NUMBER{8}=NUMBER{14},SERIES{8}='R',N_LINE{8}=N_LINE{14},"
                              "AMOUNT{8}=AMOUNT{14},N_LINE{14}<999\""}}));
  ASSERT_EQ(AdmInvoicingRun(), 0) << ErrDetail().Str();
  std::vector<std::string> lines, copies;
  for (const std::string& r : AdmApp::Rows(kFInvoices, 1, {"NUMBER", "N_LINE", "AMOUNT"}))
    if (r.find("N_LINE=999.00") == std::string::npos && r.rfind("NUMBER=5.", 0) && r.rfind("NUMBER=6.", 0))
      lines.push_back(r);
  for (std::string r : AdmApp::Rows(kFPayments, 1, {"NUMBER", "SERIES", "N_LINE", "AMOUNT"})) {
    size_t at = r.find(" SERIES=R");
    if (at != std::string::npos) copies.push_back(r.erase(at, 9));
  }
  EXPECT_EQ(copies, lines);
  EXPECT_EQ(copies.size(), 17u);
}

// The run's one-pass loop against the loops written plainly: every file the
// two write is the same, byte for byte.
struct DiffCase {
  const char* id;
  bool dateKey;                   // the notes' key 2 led by the date, not the customer
  bool oddCodes;                  // customers "A*", "A" and "O'B" added
  AdmDemoSpec spec;
  std::vector<std::pair<std::string, std::string>> changes;  // of the definition
};

void Prepare(AdmApp& app, const std::string& dir, const DiffCase& c) {
  std::string dic;
  if (c.dateKey) {
    dic = ReadText(kDemoDir + "/GADICC.DAT");
    std::string customer = "37 customer <0020006001200800010080009003\r\n";
    size_t at = dic.find(customer);
    ASSERT_NE(at, std::string::npos);
    dic.erase(at, customer.size());
    std::string date = "37 date <001200800010080009003\r\n";
    dic.insert(dic.find(date) + date.size(), customer);
  }
  ASSERT_NO_FATAL_FAILURE(app.Start(dir, c.spec, dic));
  if (c.oddCodes) {
    ASSERT_NO_FATAL_FAILURE(AddNote(201, "'A*'", "01", "10"));
    ASSERT_NO_FATAL_FAILURE(AddNote(202, "'A'", "01", "20"));
    ASSERT_NO_FATAL_FAILURE(AddNote(203, "\"O'B\"", "02", "30"));
    ASSERT_NO_FATAL_FAILURE(AddNote(204, "'AB'", "01", "40"));
  }
  if (!c.changes.empty()) {
    ASSERT_NO_FATAL_FAILURE(Definition(dir, c.changes));
  }
}

TEST(InvoicingDiffTest, OnePassWritesWhatThePlainLoopsWrite) {
  AdmDemoSpec generated;
  generated.demo = false;
  generated.notes = 120;
  generated.perCustomer = 6;
  const DiffCase cases[] = {
      {"demo", false, false, {}, {}},
      {"date-key", true, true, {}, {}},
      {"odd-codes", false, true, {}, {}},
      {"filter", true, false, {}, {{"BEGIN.RD_COND$", "BEGIN.USR_COND$:\"FN$TRIM(CUSTOMER{7})<>'B'\"\r\nBEGIN.RD_COND$"}}},
      {"one-group", false, false, {}, {{"CUSTOMER.RD_COND$", "X.RD_COND$"}}},
      {"generated", true, false, generated, {}},
  };
  for (const DiffCase& c : cases) {
    SCOPED_TRACE(c.id);
    TempDir a, b;
    AdmApp app;
    ASSERT_NO_FATAL_FAILURE(Prepare(app, a.path(), c));
    Status fast = AdmInvoicingRun();
    std::string fastDetail = ErrDetail().Str();
    ASSERT_EQ(DataFileCloseAll(), 0);
    EXPECT_EQ(app.CheckAll(), "");
    app.Stop();
    ASSERT_NO_FATAL_FAILURE(Prepare(app, b.path(), c));
    Status plain = InvRunWith(literal::GroupLoop);
    ASSERT_EQ(DataFileCloseAll(), 0);
    app.Stop();
    EXPECT_EQ(fast, 0) << fastDetail;
    EXPECT_EQ(plain, fast);
    std::map<std::string, std::string> fa = AdmApp::Files(a.path()), fb = AdmApp::Files(b.path());
    ASSERT_EQ(fa.size(), fb.size());
    for (const auto& [name, bytes] : fa) EXPECT_TRUE(fb[name] == bytes) << name;
  }
}

Status g_pollsLeft = 0;
Status CancelAfter() { return --g_pollsLeft <= 0 ? st::USERCANCELED : 0; }

// A cancel from the progress window ends the run with 122; END still runs
// and every invoice written is whole. The run polls at each customer, each
// raised number, each note and each turn of the payments loop: the twelfth
// poll comes at customer B, after ACME's two invoices.
TEST_F(InvoicingTest, CancelEndsTheRunAndEndStillRuns) {
  g_pollsLeft = 12;
  DataFileCancelPollSet(CancelAfter);
  Status s = AdmInvoicingRun();
  DataFileCancelPollSet(nullptr);
  EXPECT_EQ(s, st::USERCANCELED);
  EXPECT_EQ(AdmApp::Cents("INVRUNS"), 100);
  std::vector<std::string> want = {"NUMBER=7.00 N_LINE=1.00 CUSTOMER=ACME PAYMODE=01 DELNOTE=105.00",
                                   "NUMBER=7.00 N_LINE=2.00 CUSTOMER=ACME PAYMODE=01 DELNOTE=116.00",
                                   "NUMBER=8.00 N_LINE=1.00 CUSTOMER=ACME PAYMODE=02 DELNOTE=110.00"};
  EXPECT_EQ(Invoices(), want);
  EXPECT_EQ(AdmApp::Rows(kFPayments, 1, {"NUMBER"}).size(), 5u);  // 5, 6, 7 and two of 8
  EXPECT_EQ(AdmApp::Cents("AUTONUM('A25')"), 900);
  ASSERT_EQ(DataFileCloseAll(), 0);
  EXPECT_EQ(app.CheckAll(), "");
}

// The errors that stop a run before or while it writes.
TEST_F(InvoicingTest, BlankNumberAndMissingTargetsAre163) {
  struct Case {
    const char* id;
    std::vector<std::pair<std::string, std::string>> changes;
    const char* detail;
    int64_t endRuns;  // END ran (1) or the run never began (0)
  } cases[] = {
      {"blank number", {{"NUMBER{14}=AUTONUM(INVSER$),", ""}}, "NUMBER{14}", 100},
      {"no registry", {{"REG.TARGET$:\"VATREG\"", "REG.TARGET$:\"NOFILE\""}}, "REG.TARGET$", 0},
      {"no payments", {{"PAY.TARGET$:\"PAYMENTS\"", "PAY.TARGET$:\"99\""}}, "PAY.TARGET$", 0},
      {"no notes", {{"BEGIN.TARGET$:\"DELNOTES\"", "BEGIN.TARGET$:\"\""}}, "BEGIN.TARGET$", 0},
      {"no grouping field", {{",CUSTOMER{7}\"", ",\""}}, "FD$ item 10", 100},
  };
  std::vector<std::string> before = AdmApp::Rows(kFInvoices, 1, {"NUMBER", "N_LINE"});
  std::string original = ReadText(app.dir() + "/INVRUN.PPN");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    std::ofstream(app.dir() + "/INVRUN.PPN", std::ios::binary) << original;
    ASSERT_NO_FATAL_FAILURE(Definition(app.dir(), c.changes));
    ASSERT_EQ(AdmApp::Eval("INVRUNS=0"), 0);
    ASSERT_EQ(DataFileMove(kFInvoices, 0x01), 3);  // the window's blank invoice
    EXPECT_EQ(AdmInvoicingRun(), st::BADINPUTDATA);
    EXPECT_NE(ErrDetail().Str().find(c.detail), std::string::npos) << ErrDetail().Str();
    EXPECT_EQ(AdmApp::Cents("INVRUNS"), c.endRuns);
    EXPECT_EQ(AdmApp::Rows(kFInvoices, 1, {"NUMBER", "N_LINE"}), before);
  }
}

// A sub-group whose notes are all passed over writes no invoice and uses
// no number: the number is read at INVOICE and stored at FOOT.
TEST_F(InvoicingTest, NoNoteTakenNoInvoiceNoNumberUsed) {
  ASSERT_NO_FATAL_FAILURE(Definition(app.dir(), {{"DELNOTES.RD_EXP$", "DELNOTES.USR_COND$:\"0\"\r\nDELNOTES.RD_EXP$"}}));
  EXPECT_EQ(AdmInvoicingRun(), 0) << ErrDetail().Str();
  EXPECT_TRUE(Invoices().empty());
  EXPECT_EQ(AdmApp::Cents("AUTONUM('A25')"), 500);
  EXPECT_EQ(AdmApp::Cents("INVRUNS"), 100);
}

// Task 10 runs on the execute event only; every event ends through the
// screen-closing result.
TEST_F(InvoicingTest, TaskRunsOnExecute) {
  ASSERT_EQ(AdmAppCallback(1), 0);
  EXPECT_EQ(TaskHookRun(10, 3), 24);
  EXPECT_TRUE(Invoices().empty());
  EXPECT_EQ(TaskHookRun(10, kTaskExecute), 0) << ErrDetail().Str();
  EXPECT_EQ(Invoices().size(), 17u);
}

// The run from its window: the run's screen opened headless over the
// invoices, its definition the parameter string of the task.
TEST_F(InvoicingTest, RunsFromItsWindow) {
  ui::HeadlessOptions options;
  options.stall = ui::StallPolicy::Fail;
  std::vector<std::string> reports;
  options.onFailure = [&](const std::string& r) { reports.push_back(r); };
  ui::init(std::make_unique<ui::Headless>(std::move(options)));
  WinListReset();
  TextWinGeomReset();
  FontTableReset();
  ASSERT_EQ(ParmStrPop(), 0);
  ui::Hwnd w = WinCreateKind(kWinKindMant, 0, StrFromC("Invoicing run"), 0, 0, 0, nullptr);
  ASSERT_NE(w, 0u);
  ASSERT_EQ(ScreenCreate(Sv("INVRUN"), Sv("INVRUN"), 1, kFInvoices, Sv("")), 0) << ErrDetail().Str();
  ASSERT_EQ(ScreenSetWin(0), 0);
  EXPECT_EQ(WinCurrent().dataFile, kFInvoices);
  ASSERT_EQ(ParmStrPush(Sv("INVRUN.PPN"), 1, 1), 0);
  ASSERT_EQ(AdmAppCallback(1), 0);
  ui::headless()->answer(ui::IDOK, "Process Completed");  // the completion box
  EXPECT_EQ(TaskHookRun(10, kTaskExecute), 0) << ErrDetail().Str();
  EXPECT_EQ(Invoices().size(), 17u);
  // The completion box says how many rows were left out without a customer.
  ASSERT_FALSE(ui::headless()->boxes().empty());
  EXPECT_EQ(ui::headless()->boxes().back().text,
            "Process Completed Succesfully\n2 delivery note row(s) without customer not invoiced");
  EXPECT_EQ(AdmApp::Cents("INVSHOWN#"), 700);  // raised past 5 and 6 on the first invoice
  EXPECT_EQ(WinCurrent().dataFile, kFInvoices);
  EXPECT_EQ(WinRecordClose(kCurrentIndex), 0);
  EXPECT_FALSE(ui::is_window(w));
  EXPECT_TRUE(reports.empty()) << reports.front();
  ui::shutdown();
  WinListReset();
  FontTableReset();
  TextWinGeomReset();
}

}  // namespace
