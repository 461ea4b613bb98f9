// The payments schedule over the demo's payments file: instalments proposed
// by the generator form (answered from INPUT lines), saved from the grid pad
// by the definition's append loop, loaded back, and a failed save that keeps
// the instalments stored before it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/store/recbuf.h"
#include "screens/window/fieldctl.h"
#include "screens/grids/gridpad.h"
#include "screens/grids/linsgrid.h"
#include "screens/grids/payschedule.h"
#include "tests/administration/adm_ui_fixture.h"
#include "tests/support/batch_io.h"

namespace {

class PayScheduleTest : public AdmUiTest {
 protected:
  void SetUp() override {
    AdmUiTest::SetUp();
    LinsGridReset();
    GridPadReset();
    caller = WinCreateKind(kWinKindMant, 0, StrFromC("caller"), 0, 0, 0, nullptr);
    Definition({"EDIT.RD_EXP$:\"FN$FLDS(DUEDATE{8}),AMOUNT{8}\"",
                "PAYMENTS.SET$:\"VNX=1\"",
                "PAYMENTS.WR_EXP$:\"N_LINE{8}=VNX,DUEDATE{8}=FN$TRIM(_GRID1$(VNX)),AMOUNT{8}=_GRID2$(VNX),1\"",
                "PAYMENTS.EOT_EXP$:\"(VNX=VNX+1)>_LLST\""});
  }
  void TearDown() override {
    if (inputSlot != kStreamNoSlot) StreamClose(inputSlot);
    VarSysIntSet(kSysInHnd, 0);
    AdmUiTest::TearDown();
  }
  void Definition(const std::vector<std::string>& lines) {
    std::ofstream out(app.dir() + "/PAYMENTS.PPN", std::ios::binary);
    for (const std::string& l : lines) out << "01 " << l << "\r\n";
  }
  void Input(const std::vector<std::string>& lines) {
    inputSlot = BatchInputOpen(app.dir() + "/input.txt", lines);
    ASSERT_NE(inputSlot, kStreamNoSlot);
  }
  // The key-1 prefix of a document: its number and series as stored.
  static std::string Key(int number, const std::string& series) {
    EXPECT_EQ(RecBufClear(kFPayments, 0), 0);
    EXPECT_EQ(AdmApp::Eval("NUMBER{8}=" + std::to_string(number) + ",SERIES{8}='" + series + "'"), 0);
    return KeyValueCur(kFPayments, 1).Str().substr(0, 11);
  }
  // The stored instalments of a document: "line date amount".
  static std::vector<std::string> Stored(int number) {
    std::vector<std::string> out;
    for (const std::string& r : AdmApp::Rows(kFPayments, 1, {"NUMBER", "N_LINE", "DUEDATE", "AMOUNT"}))
      if (r.rfind("NUMBER=" + std::to_string(number) + ".00 ", 0) == 0) out.push_back(r.substr(r.find(' ') + 1));
    return out;
  }
  // The schedule run through the definition: its spec names the payments
  // file, tag 1, and the key expression.
  Status Schedule(const std::string& script, int number, const std::string& after = "") {
    std::string error;
    EXPECT_TRUE(hl->load_script(script, error)) << error;
    key = Key(number, "A24");
    return PaymentsSchedule(Sv("PAYMENTS,1,0,4,0,0,0," + after + ",'" + key + "'"));
  }
  ui::Hwnd caller = 0;
  uint16_t inputSlot = kStreamNoSlot;
  std::string key;
};

// The generator splits the total into equal shares, the last taking the
// remainder; a number of payments of 0 or past 36 is asked again (the
// condition's box each time); Ok writes them under the document's key, and
// the caller's value named by the spec's item 8 runs.
TEST_F(PayScheduleTest, GeneratedInstalmentsAreSavedUnderTheKey) {
  {
    std::ofstream out(app.dir() + "/CALLER.PPN", std::ios::binary);
    out << "01 AFTER$:\"DONE#=[IMP#]\"\r\n";
  }
  ASSERT_EQ(ParmStrPush(Sv("CALLER.PPN"), 1, 1), 0);
  ASSERT_EQ(AdmApp::Eval("IMP#=100,DONE#=0"), 0);
  Input({"'20240115','0','0','1'", "'20240115','37','0','1'", "'20240131','3','0','1'"});
  hl->answer(ui::IDOK);
  hl->answer(ui::IDOK);
  ASSERT_EQ(Schedule("click 3100\n", 900, "AFTER$"), 0) << ErrDetail().Str();
  EXPECT_EQ(ParmStrPop(), 0);
  EXPECT_EQ(AdmApp::Cents("DONE#"), 10000);
  EXPECT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Stored(900), (std::vector<std::string>{"N_LINE=1.00 DUEDATE=20240131 AMOUNT=33.33",
                                                   "N_LINE=2.00 DUEDATE=20240229 AMOUNT=33.33",
                                                   "N_LINE=3.00 DUEDATE=20240331 AMOUNT=33.34"}));
  EXPECT_EQ(LinsGridLevel(), -1);
}

// A cancelled form or window is 122 and writes nothing.
TEST_F(PayScheduleTest, CancelWritesNothing) {
  ASSERT_EQ(AdmApp::Eval("IMP#=100"), 0);
  Input({"\x1b"});
  EXPECT_EQ(Schedule("", 901), st::USERCANCELED);
  EXPECT_EQ(LinsGridLevel(), -1);
  Input({"'20240115','2','10','0'"});
  EXPECT_EQ(Schedule("close\n", 901), st::USERCANCELED);
  EXPECT_TRUE(Stored(901).empty());
  EXPECT_EQ(LinsGridLevel(), -1);
}

// Stored instalments are loaded into the grid and replaced on save; another
// document's stay; a write failing at row 2 leaves the old ones as they were.
TEST_F(PayScheduleTest, SaveReplacesOnlyItsKeyAndAFailureKeepsTheOld) {
  ASSERT_EQ(AdmApp::Eval("IMP#=90"), 0);
  Input({"'20240301','2','0','1'", "'20240301','1','0','1'", "'20240401','3','0','1'"});
  ASSERT_EQ(Schedule("click 3100\n", 910), 0) << ErrDetail().Str();  // A: 2
  ASSERT_EQ(Schedule("click 3100\n", 911), 0) << ErrDetail().Str();  // B: 1
  std::vector<std::string> a = Stored(910), b = Stored(911);
  ASSERT_EQ(a.size(), 2u);
  ASSERT_EQ(b.size(), 1u);
  // A's two rows are loaded into the grid; a third typed below them (the date
  // field keeps its starting value): the three replace A's, B's stays.
  ASSERT_EQ(Schedule("key Enter\nkey Down\nkey Down\nkey Tab\ntype \"5\"\nclick 3100\n", 910), 0)
      << ErrDetail().Str();
  std::vector<std::string> three = Stored(910);
  ASSERT_EQ(three.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(three.begin(), three.begin() + 2), a);
  EXPECT_EQ(three[2].substr(0, 11), "N_LINE=3.00");
  EXPECT_EQ(three[2].substr(three[2].size() - 11), "AMOUNT=5.00");
  EXPECT_EQ(Stored(911), b);
  // A failure at row 2: the rows written go, the two old ones come back.
  Definition({"EDIT.RD_EXP$:\"FN$FLDS(DUEDATE{8}),AMOUNT{8}\"", "PAYMENTS.SET$:\"VNX=1\"",
              "PAYMENTS.WR_EXP$:\"N_LINE{8}=VNX,DUEDATE{8}=FN$TRIM(_GRID1$(VNX)),AMOUNT{8}=CHK#(VNX==2;FN$MIDS();1),1\"",
              "PAYMENTS.EOT_EXP$:\"(VNX=VNX+1)>_LLST\""});
  EXPECT_EQ(Schedule("click 3100\nanswer OK\n", 910), st::SINTAXERROR);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Stored(910), three);
  EXPECT_EQ(Stored(911), b);
}

// Task 11 opens the schedule of WINDOWS$ item 1 on the execute event.
TEST_F(PayScheduleTest, TaskElevenOpensTheWindowsItem) {
  {
    std::ofstream out(app.dir() + "/CALLER.PPN", std::ios::binary);
    out << "01 WINDOWS$:\"'PAYMENTS,1,0,4,0,0,0,,PKEY$';1\"\r\n";
  }
  ASSERT_EQ(ParmStrPush(Sv("CALLER.PPN"), 1, 1), 0);
  ASSERT_EQ(AdmApp::Eval("IMP#=10,PKEY$='" + Key(920, "A24") + "'"), 0);
  Input({"'20240115','1','0','0'"});
  EXPECT_EQ(PaymentsTask(28), 0);
  EXPECT_EQ(LinsGridLevel(), -1);
  std::string error;
  ASSERT_TRUE(hl->load_script("click 3100\n", error)) << error;
  EXPECT_EQ(PaymentsTask(kTaskExecute), 0) << ErrDetail().Str();
  EXPECT_EQ(ParmStrPop(), 0);
  EXPECT_EQ(Stored(920), (std::vector<std::string>{"N_LINE=1.00 DUEDATE=20240115 AMOUNT=10.00"}));
}

// A payments file the caller has not opened is opened for the schedule's
// time, also while it holds no record yet, and closed again.
TEST_F(PayScheduleTest, AClosedEmptyFileIsOpenedForTheSchedule) {
  while (DataFileMove(kFPayments, dfmove::kFirst) == dfres::kFound) ASSERT_LT(DataFileDelete(kFPayments, 0), 128);
  ASSERT_EQ(DataFileClose(kFPayments), 0);
  ASSERT_EQ(DataFileOpen(kFPayments, 0), dfres::kEnd);  // how an empty file opens
  ASSERT_EQ(DataFileClose(kFPayments), 0);
  ASSERT_EQ(AdmApp::Eval("IMP#=10"), 0);
  Input({"'20240115','1','0','0'"});
  EXPECT_EQ(Schedule("click 3100\n", 930), 0) << ErrDetail().Str();
  EXPECT_FALSE(DataFileStore(kFPayments)->IsOpen());
  ASSERT_LT(DataFileOpen(kFPayments, 0), 128);
  EXPECT_EQ(Stored(930), (std::vector<std::string>{"N_LINE=1.00 DUEDATE=20240115 AMOUNT=10.00"}));
}

// Without a key nothing opens; a key that fails is its error.
TEST_F(PayScheduleTest, AnEmptyKeyOpensNothing) {
  EXPECT_EQ(PaymentsSchedule(Sv("PAYMENTS,1,0,4,0,0,0,,''")), 0);
  EXPECT_EQ(LinsGridLevel(), -1);
  EXPECT_GE(PaymentsSchedule(Sv("PAYMENTS,1,0,4,0,0,0,,NOSUCH$(")), 128);
  EXPECT_EQ(LinsGridLevel(), -1);
}

}  // namespace
