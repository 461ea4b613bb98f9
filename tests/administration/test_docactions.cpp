// Task 12's document actions over the demo's invoices 5 and 6, their VAT
// registry entries and payments: the dispatch by word and `_AUX`, the list
// stopping at its first non-zero answer, the deletes, the payment rows of a
// grid and the question about redundant records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "apps/administration/docactions.h"
#include "data/store/datafile.h"
#include "data/store/recbuf.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/fieldctl.h"
#include "screens/grids/gridbuf.h"
#include "screens/documents/movsaction.h"
#include "screens/window/winrecord.h"
#include "script/objparams.h"
#include "tests/administration/adm_ui_fixture.h"

namespace {

class DocActionsTest : public AdmUiTest {
 protected:
  void SetUp() override {
    AdmUiTest::SetUp();
    Definition({});
  }
  void TearDown() override {
    GridFree(grid);
    AdmUiTest::TearDown();
  }
  // The definition pushed as the current parameter string.
  void Definition(const std::vector<std::string>& lines) {
    {
      std::ofstream out(app.dir() + "/DOCACT.PPN", std::ios::binary);
      for (const std::string& l : lines) out << "01 " << l << "\r\n";
      out << "01 TITLE$:'x'\r\n";
    }
    ASSERT_EQ(ParmStrPop(), 0);
    ASSERT_EQ(ParmStrPush(Sv("DOCACT.PPN"), 1, 1), 0);
  }
  static Status Run(const std::string& list, int aux) {
    VarSysIntSet(kSysAux, static_cast<int16_t>(aux));
    Status s = AdmDocActions(Sv(list));
    VarSysIntSet(kSysAux, 0);
    return s;
  }
  // Invoice n's first line as the current invoice record.
  static void Invoice(int n) {
    DataFileSetCurrent(kFInvoices);
    ASSERT_EQ(DataFileReadKey(kFInvoices, 1, Sv(Prefix(n)), 0), 0);
  }
  static std::string Prefix(int n) {
    std::string num = std::to_string(n);
    return std::string(8 - num.size(), ' ') + num + "A25";
  }
  static size_t Count(int file, int number) {
    size_t c = 0;
    for (const std::string& r : AdmApp::Rows(file, 1, {"NUMBER"})) c += r == "NUMBER=" + std::to_string(number) + ".00";
    return c;
  }
  // A grid of rows of two columns bound to the payments' DUEDATE and AMOUNT.
  void Grid(const std::vector<std::pair<std::string, std::string>>& rows) {
    ASSERT_EQ(GridCreate(grid, 2, 10), 0);
    ASSERT_EQ(GridAddColumn(grid, 8, 4), 0);
    ASSERT_EQ(GridAddColumn(grid, 14, 5), 0);
    for (size_t r = 0; r < rows.size(); ++r) {
      ASSERT_EQ(GridCellSet(grid, static_cast<int32_t>(r + 1), 1, Sv(rows[r].first)), 0);
      ASSERT_EQ(GridCellSet(grid, static_cast<int32_t>(r + 1), 2, Sv(rows[r].second)), 0);
    }
  }
  // Lines stored for a payments key: "N_LINE amount".
  static std::vector<std::string> Lines(int number) {
    std::vector<std::string> out;
    for (const std::string& r : AdmApp::Rows(kFPayments, 1, {"NUMBER", "N_LINE", "AMOUNT"}))
      if (r.rfind("NUMBER=" + std::to_string(number) + ".00 ", 0) == 0) out.push_back(r.substr(r.find(' ') + 1));
    return out;
  }
  // The payments definition over key prefix number + "A25".
  void PaymentsDefinition(int number, const std::string& cond) {
    Definition({"SET$:\"FN$MASK('########';" + std::to_string(number) + ")+'A25'\"", "INDEX%:1",
                "WR_EXP$:\"N_LINE{8}=_LNUM,,,1\"", "RD_COND$:\"" + cond + "\""});
    DataFileSetCurrent(kFPayments);
    ASSERT_EQ(RecBufClear(kFPayments, 0), 0);
    ASSERT_EQ(AdmApp::Eval("NUMBER{8}=" + std::to_string(number) + ",SERIES{8}='A25'"), 0);
  }

  GridBuffer grid;
};

// Words by `_AUX`: each valid pair reaches its action (told apart by its
// answer and the box it shows), every other pair is 163 naming the item.
TEST_F(DocActionsTest, WordsByActionSet) {
  DataFileSetCurrent(kFInvoices);
  ASSERT_EQ(RecBufClear(kFInvoices, 0), 0);  // no document: nothing is found
  struct Case {
    const char* item;
    int aux;
    Status want;
    const char* box;  // the box it shows, "" none
  } cases[] = {
      {"Registry", 1, 163, ""},  {"Invoice", 1, 163, ""},  {"Payments", 1, 163, ""},
      {"Registry", 2, 163, ""},  {"Invoice", 2, 163, "Invoice Number already exist"},
      {"Payments", 2, 163, ""},  {"Registry", 3, 163, ""},  {"Invoice", 3, 163, ""},
      {"Payments", 3, st::SCREENSTRUCTERR, ""},  // no window grid to read
      {"Registry", 4, 0, ""},    {"Invoice", 4, 0, ""},    {"Payments", 4, 163, ""},
      {"Registry", 5, 121, "VAT Registry data not found"},
      {"Invoice", 5, 0, ""},     {"Payments PAYMENTS", 5, 0, ""},
      {"Payments NOSUCH", 5, 163, ""},
      {"Registry", 6, 163, ""},  {"Invoice", 0, 163, ""},  {"registry", 4, 163, ""},
      {"Bills", 4, 163, ""},
  };
  for (const Case& c : cases) {
    ErrClear();
    if (*c.box) hl->answer(ui::IDOK);
    size_t boxes = hl->boxes().size();
    EXPECT_EQ(Run(c.item, c.aux), c.want) << c.item << " " << c.aux;
    ASSERT_EQ(hl->boxes().size(), boxes + (*c.box ? 1 : 0)) << c.item << " " << c.aux;
    if (*c.box) {
      EXPECT_NE(Boxes().back().find(c.box), std::string::npos) << Boxes().back();
    }
    if (c.want == 163 && !*c.box) {
      EXPECT_NE(ErrDetail().Str().find(c.item), std::string::npos) << c.item;
    }
  }
}

// Items run in order while each answers 0.
TEST_F(DocActionsTest, AListStopsAtItsFirstNonZeroAnswer) {
  Definition({"WR_EXP$:\"RUNS#=RUNS#+1\""});
  ASSERT_EQ(AdmApp::Eval("RUNS#=0"), 0);
  EXPECT_EQ(Run("Registry, Registry,Bills,Registry", 4), 163);
  EXPECT_EQ(AdmApp::Cents("RUNS#"), 200);
  EXPECT_EQ(Run("Bills,Registry", 4), 163);
  EXPECT_EQ(AdmApp::Cents("RUNS#"), 200);
}

// Delete with "Registry,Invoice": the registry entries, then the invoice
// (header and lines) whose own registry entries are gone already; invoice 6
// untouched. Payments after the invoice find its key. Deleting a registry
// that is not there (invoice 6's went with its invoice) is 121 with 1002
// shown.
TEST_F(DocActionsTest, DeleteTheRegistryThenTheInvoice) {
  ASSERT_GT(Count(kFRegistry, 5), 0u);
  size_t registry6 = Count(kFRegistry, 6), invoice6 = Count(kFInvoices, 6);
  ASSERT_NO_FATAL_FAILURE(Invoice(5));
  // Its payments first, through the file named by the argument.
  EXPECT_EQ(Count(kFPayments, 5), 1u);
  EXPECT_EQ(Run("Payments PAYMENTS,Registry,Invoice", 5), 0) << ErrDetail().Str();
  EXPECT_EQ(Count(kFPayments, 5), 0u);
  EXPECT_EQ(Count(kFRegistry, 5), 0u);
  EXPECT_EQ(Count(kFInvoices, 5), 0u);
  EXPECT_EQ(Count(kFRegistry, 6), registry6);
  EXPECT_EQ(Count(kFInvoices, 6), invoice6);
  EXPECT_EQ(Count(kFPayments, 6), 1u);
  hl->answer(ui::IDOK);
  ASSERT_NO_FATAL_FAILURE(Invoice(6));
  // The invoice's record is back after its delete: the payments that follow
  // are found by its key.
  EXPECT_EQ(Run("Invoice,Payments PAYMENTS", 5), 0) << ErrDetail().Str();
  EXPECT_EQ(Count(kFInvoices, 6), 0u);
  EXPECT_EQ(Count(kFPayments, 6), 0u);
  EXPECT_EQ(Run("Invoice,Registry", 5), 121);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].find("VAT Registry data not found"), std::string::npos);
}

// Payment rows become records numbered after the stored ones; `_LNUM` is
// back afterwards; the walk answers 1; a structure action is 148.
TEST_F(DocActionsTest, PaymentRowsAreInsertedAfterTheStoredLines) {
  Grid({{"20250301", "10"}, {"20250401", "20"}, {"20250501", "30"}});
  ASSERT_NO_FATAL_FAILURE(PaymentsDefinition(930, "1"));
  VarSysIntSet(kSysLNum, 7);
  EXPECT_EQ(AdmDocPaymentRows(grid), 1) << ErrDetail().Str();
  EXPECT_EQ(VarSysIntGet(kSysLNum), 7);
  EXPECT_EQ(Lines(930), (std::vector<std::string>{"N_LINE=1.00 AMOUNT=10.00", "N_LINE=2.00 AMOUNT=20.00",
                                                  "N_LINE=3.00 AMOUNT=30.00"}));
  // Stored up to 2: the rows are 3, 4, 5.
  ASSERT_NO_FATAL_FAILURE(PaymentsDefinition(931, "1"));
  GridFree(grid);
  Grid({{"20250301", "1"}, {"20250401", "2"}});
  ASSERT_EQ(AdmDocPaymentRows(grid), 1);
  GridFree(grid);
  Grid({{"20250301", "3"}, {"20250401", "4"}, {"20250501", "5"}});
  ASSERT_NO_FATAL_FAILURE(PaymentsDefinition(931, "1"));
  ASSERT_EQ(AdmDocPaymentRows(grid), 1);
  EXPECT_EQ(Lines(931), (std::vector<std::string>{"N_LINE=1.00 AMOUNT=1.00", "N_LINE=2.00 AMOUNT=2.00",
                                                  "N_LINE=3.00 AMOUNT=3.00", "N_LINE=4.00 AMOUNT=4.00",
                                                  "N_LINE=5.00 AMOUNT=5.00"}));
  // Nothing to do (0) writes nothing; 3 is a structure action; 9 ends it.
  ASSERT_NO_FATAL_FAILURE(PaymentsDefinition(932, "0"));
  EXPECT_EQ(AdmDocPaymentRows(grid), 1);
  EXPECT_TRUE(Lines(932).empty());
  ASSERT_NO_FATAL_FAILURE(PaymentsDefinition(932, "3"));
  EXPECT_EQ(AdmDocPaymentRows(grid), st::FEATUREREMOVED);
  ASSERT_NO_FATAL_FAILURE(PaymentsDefinition(932, "9"));
  EXPECT_EQ(AdmDocPaymentRows(grid), 9);
  EXPECT_TRUE(Lines(932).empty());
}

// A grid that shows the line number: rows showing one are payments on file
// and are not written again; the others are numbered after the stored
// lines and show the number they got, so walking again writes nothing twice;
// with every row on file the document counts as saved.
TEST_F(DocActionsTest, PaymentRowsShowingALineNumberAreNotWrittenAgain) {
  ASSERT_EQ(GridCreate(grid, 3, 10), 0);
  ASSERT_EQ(GridAddColumn(grid, 3, 3), 0);  // N_LINE
  ASSERT_EQ(GridAddColumn(grid, 8, 4), 0);
  ASSERT_EQ(GridAddColumn(grid, 14, 5), 0);
  auto row = [&](int32_t r, const char* amount) {
    ASSERT_EQ(GridCellSet(grid, r, 2, Sv("20250301")), 0);
    ASSERT_EQ(GridCellSet(grid, r, 3, Sv(amount)), 0);
  };
  row(1, "10");
  row(2, "20");
  ASSERT_NO_FATAL_FAILURE(PaymentsDefinition(933, "0"));
  grid.flags = kGridLinesChanged;
  EXPECT_EQ(AdmDocPaymentRows(grid), 1);  // rows left unwritten: still changed
  EXPECT_EQ(grid.flags, kGridLinesChanged);
  ASSERT_NO_FATAL_FAILURE(PaymentsDefinition(933, "1"));
  EXPECT_EQ(AdmDocPaymentRows(grid), 1) << ErrDetail().Str();
  EXPECT_EQ(grid.flags, 0);  // every row on file: nothing left to save
  EXPECT_EQ(RecBufChanged(kFPayments), 0);
  EXPECT_EQ(Lines(933), (std::vector<std::string>{"N_LINE=1.00 AMOUNT=10.00", "N_LINE=2.00 AMOUNT=20.00"}));
  EXPECT_EQ(StrTrim(GridCellGet(grid, 2, 1), 3).Str(), "2");
  // Saved again with a third row: only that one is written, as line 3.
  row(3, "30");
  ASSERT_NO_FATAL_FAILURE(PaymentsDefinition(933, "1"));
  EXPECT_EQ(AdmDocPaymentRows(grid), 1) << ErrDetail().Str();
  EXPECT_EQ(Lines(933), (std::vector<std::string>{"N_LINE=1.00 AMOUNT=10.00", "N_LINE=2.00 AMOUNT=20.00",
                                                  "N_LINE=3.00 AMOUNT=30.00"}));
  ASSERT_NO_FATAL_FAILURE(PaymentsDefinition(933, "1"));
  EXPECT_EQ(AdmDocPaymentRows(grid), 1);
  EXPECT_EQ(Lines(933).size(), 3u);
}

// Three identical registry records: the question names 3; No deletes none
// (122), Yes all three; with none left the 127 box and 0.
TEST_F(DocActionsTest, RedundantRecordsAreDeletedOnlyWhenConfirmed) {
  DataFileSetCurrent(kFRegistry);
  ASSERT_EQ(RecBufClear(kFRegistry, 0), 0);
  ASSERT_EQ(AdmApp::Eval("NUMBER{6}=940,SERIES{6}='A25',TOTAL{6}=12"), 0);
  for (int i = 0; i < 3; ++i) ASSERT_LT(DataFileInsert(kFRegistry), 128);
  ASSERT_EQ(Count(kFRegistry, 940), 3u);
  Definition({"WR_EXP$:\",,,TOTAL{6}==12\"", "RD_COND$:\"2\""});
  ASSERT_EQ(GridCreate(grid, 1, 10), 0);
  ASSERT_EQ(GridAddColumn(grid, 4, 0), 0);
  ASSERT_EQ(GridCellSet(grid, 1, 1, Sv("x")), 0);
  hl->answer(ui::IDNO);
  EXPECT_EQ(AdmDocPaymentRows(grid), st::USERCANCELED);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0], "Redundant data. 3 identical registries. Confirm Deletion?");
  EXPECT_EQ(Count(kFRegistry, 940), 3u);
  hl->answer(ui::IDYES);
  EXPECT_EQ(AdmDocPaymentRows(grid), 1);
  EXPECT_EQ(Count(kFRegistry, 940), 0u);
  hl->answer(ui::IDOK);
  EXPECT_EQ(AdmRedundantConfirm(kFRegistry, Sv("")), 0);
  EXPECT_EQ(Boxes().size(), 3u);
}

// Task 12 takes its list from WINDOWS$ item 1 of the current event.
TEST_F(DocActionsTest, TaskTwelveReadsItsListFromTheWindowsItem) {
  Definition({"WR_EXP$:\"RUNS#=RUNS#+1\"", "WINDOWS$:\"'Registry,Registry',x\""});
  ASSERT_EQ(AdmApp::Eval("RUNS#=0"), 0);
  VarSysIntSet(kSysAux, 4);
  EXPECT_EQ(AdmTaskDocActions(kTaskExecute), 0);
  VarSysIntSet(kSysAux, 0);
  EXPECT_EQ(AdmApp::Cents("RUNS#"), 200);
}

// A document window's event runs task 12 with the window's own definition
// current, under the event's name first, whatever definition the parameter
// stack holds on top; the stack is as it was afterwards.
TEST_F(DocActionsTest, TaskTwelveReadsTheWindowsOwnDefinition) {
  Definition({"WR_EXP$:\"RUNS#=RUNS#+1\"", "WINDOWS$:\"'Bills'\""});
  {
    std::ofstream ppn(app.dir() + "/DOCTASK.PPN", std::ios::binary);
    ppn << "01 FD$:NUMBER\r\n01 SAVE.ACCEPT_PRC%:12\r\n01 WINDOWS$:\"'Bills'\"\r\n01 WR_EXP$:\"RUNS#=RUNS#+1000\"\r\n"
        << "01 SAVE.WINDOWS$:\"'Registry'\"\r\n01 SAVE.WR_EXP$:\"RUNS#=RUNS#+10\"\r\n";
    std::ofstream(app.dir() + "/DOCTASK.PAN", std::ios::binary) << "01 00302Number\r\n01 10312140108N\r\n";
  }
  ui::Hwnd window = WinCreateKind(kWinKindMant, 0, Sv("DOCTASK"), 0, 0, 0, nullptr);
  ASSERT_NE(window, 0u);
  ASSERT_EQ(ScreenCreate(Sv("DOCTASK"), Sv("DOCTASK"), 1, kFInvoices, Sv("")), 0) << ErrDetail().Str();
  ASSERT_EQ(AdmApp::Eval("RUNS#=0"), 0);
  uint32_t depth = DynStrCount(kParmStack);
  ASSERT_EQ(TaskHookRegister(TaskFn(AdmTaskDocActions), 12), 12);
  EXPECT_EQ(MovsEventRun(4), 0) << ErrDetail().Str();
  EXPECT_EQ(AdmApp::Cents("RUNS#"), 1000);
  EXPECT_EQ(DynStrCount(kParmStack), depth);
  EXPECT_EQ(WinRecordClose(kCurrentIndex), 0);
}

// The invoice number check and update by SET$: a number in use warns with
// 1001 and answers 163 in both.
TEST_F(DocActionsTest, InvoiceNumberInUseStopsTheList) {
  Definition({"SET$:\"INUSE\"", "WR_EXP$:\"RUNS#=RUNS#+1\""});
  ASSERT_EQ(AdmApp::Eval("INUSE=1,RUNS#=0"), 0);
  hl->answer(ui::IDOK);
  EXPECT_EQ(Run("Invoice", 2), 163);
  ASSERT_EQ(AdmApp::Eval("INUSE=0"), 0);
  EXPECT_EQ(Run("Invoice", 2), 0);
  hl->answer(ui::IDOK);
  EXPECT_EQ(Run("Invoice,Registry", 4), 163);
  EXPECT_EQ(AdmApp::Cents("RUNS#"), 0);  // the registry item never ran
  EXPECT_EQ(Boxes().size(), 2u);
}

}  // namespace
