#include <gtest/gtest.h>

#include <cstring>

#include "apps/administration/admfuncs.h"
#include "data/store/fileaction.h"
#include "script/arrays.h"
#include "tests/administration/adm_fixture.h"

namespace {

// Prefixed numbers: the first matching prefix picks the base, the empty
// prefix matches last, a prefix without a base reads base 10.
TEST(NumParseTest, PrefixesBasesDigitsAndBounds) {
  struct Case {
    const char* text;
    const char* prefixes;
    const char* bases;
    Status status;
    int64_t value;
  } cases[] = {
      {"0x1F", "0x,0b,", "16,2,10", 0, 31},
      {"0b101", "0x,0b,", "16,2,10", 0, 5},
      {"  42 ", "0x,0b,", "16,2,10", 0, 42},
      {"-0xff", "0x,0b,", "16,2,10", 0, -255},
      {"0XAb", "0x,0b,", "16,2,10", 0, 171},  // prefix and digits in any case
      {"0b12", "0x,0b,", "16,2,10", st::SINTAXERROR, 0},
      {"0xZZ", "0x,0b,", "16,2,10", st::SINTAXERROR, 0},
      {"0b11", "0x,0b", "16", 0, 11},  // no base listed for 0b: 10
      {"17", "0x", "16", st::BADINPUTDATA, 0},
      {"", "", "10", 0, 0},
      {"-12", "", "10", 0, -12},
      {"9223372036854775807", "", "10", 0, INT64_MAX},
      {"-9223372036854775808", "", "10", 0, INT64_MIN},
      {"9223372036854775808", "", "10", st::DATAOUTBOUND, 0},
      {"18446744073709551616000", "", "10", st::DATAOUTBOUND, 0},
      {"7fffffffffffffff", "", "16", 0, INT64_MAX},
  };
  RuntimeReset();
  for (const Case& c : cases) {
    int64_t v = -1;
    EXPECT_EQ(NumParsePrefixed(StrFromC(c.text), StrFromC(c.prefixes), StrFromC(c.bases), &v), c.status) << c.text;
    if (c.status == 0) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  int64_t v = 0;
  EXPECT_EQ(NumParseBase(StrFromC("-305"), &v), 0);
  EXPECT_EQ(v, -305);
  RuntimeTearDown();
}

class AdmFuncsTest : public AdmDemoTest {
 protected:
  // The label array's element i.
  static int64_t Label(int i) {
    const ArrDesc* a = ArrLookup(StrFromC("_#("));
    if (!a || i < 0 || i >= a->count) return -1;
    int64_t v = 0;
    std::memcpy(&v, a->data + i * 8, 8);
    return v;
  }
  static uint32_t Count(int file) {
    uint32_t n = 0;
    for (Status s = DataFileMove(file, 0x24); s == 0; s = DataFileMove(file, 0x10)) ++n;
    return n;
  }
};

// While the condition holds the statement runs and a record is inserted; the
// loop ends with the condition's value, or at the first error, or a cancel.
TEST_F(AdmFuncsTest, RecOperWhileRepeatsUntilTheConditionTurnsFalse) {
  EXPECT_EQ(RecOperWhile(Sv(""), Sv("K=K+1"), dfact::kInsert, kFPayments, Sv("")), st::BADINPUTDATA);
  ASSERT_EQ(AdmApp::Eval("K=0"), 0);
  const char* write = "K=K+1,NUMBER{8}=40,SERIES{8}='Z',N_LINE{8}=K,AMOUNT{8}=K*10";
  EXPECT_EQ(RecOperWhile(Sv("K<3"), Sv(write), dfact::kInsert, kFPayments, Sv("")), 0);
  EXPECT_EQ(AdmApp::Rows(kFPayments, 1, {"NUMBER", "N_LINE", "AMOUNT"}).back(), "NUMBER=40.00 N_LINE=3.00 AMOUNT=30.00");
  EXPECT_EQ(Count(kFPayments), 5u);
  // A statement error stops the loop before anything is written.
  EXPECT_EQ(RecOperWhile(Sv("1"), Sv("K=K+"), dfact::kInsert, kFPayments, Sv("")), st::SINTAXERROR);
  EXPECT_EQ(Count(kFPayments), 5u);
  // A condition that never turns false ends at the user's cancel.
  DataFileCancelPollSet([] { return AdmApp::Cents("K") >= 500 ? st::USERCANCELED : Status{0}; });
  Status s = RecOperWhile(Sv("1"), Sv(write), dfact::kInsert, kFPayments, Sv(""));
  DataFileCancelPollSet(nullptr);
  EXPECT_EQ(s, st::USERCANCELED);
  EXPECT_EQ(Count(kFPayments), 7u);
}

// With a total base the labels are cleared and each record's numeric fields
// added to consecutive elements; the condition copies records to a target;
// without a target a false condition is 127 for that record only.
TEST_F(AdmFuncsTest, SelListProcessTotalsAndCopies) {
  ASSERT_EQ(AdmLabelsClear(), 0);
  const ArrDesc* a = ArrLookup(StrFromC("_#("));
  ASSERT_NE(a, nullptr);
  std::memset(a->data, 0, a->count * 8u);
  int64_t stale = 777;
  std::memcpy(a->data + 3 * 8, &stale, 8);
  // The oracle: the sums of the numeric fields of every note.
  const char* numeric[] = {"NUMBER", "N_LINE", "", "", "", "QTY", "PRICE", "AMOUNT", "INVOICE", "", ""};
  int64_t sums[11] = {};
  for (Status s = DataFileMove(kFNotes, 0x24); s == 0; s = DataFileMove(kFNotes, 0x10))
    for (int i = 0; i < 11; ++i)
      if (*numeric[i]) sums[i] += AdmApp::Cents(std::string(numeric[i]) + "{7}");
  EXPECT_EQ(SelListProcess(kFNotes, 1, Sv(""), Sv(""), 2, Sv(""), Sv("0"), 0), 0);
  for (int i = 0; i < 11; ++i) EXPECT_EQ(Label(2 + i), sums[i]) << i;
  EXPECT_EQ(Label(3), sums[1]);  // the stale value was cleared first
  EXPECT_EQ(Label(0), 0);
  // Past the label array: 168, naming the element.
  EXPECT_EQ(SelListProcess(kFNotes, 1, Sv(""), Sv(""), 250, Sv(""), Sv(""), 0), st::DATAOUTBOUND);
  EXPECT_NE(ErrDetail().Str().find("_#(257)"), std::string::npos) << ErrDetail().Str();
  // ACME's notes 105-119 (by key 1 range) copied to the payments file.
  const char* copy = "NUMBER{8}=NUMBER{7},SERIES{8}='N',N_LINE{8}=1,AMOUNT{8}=AMOUNT{7}";
  EXPECT_EQ(SelListProcess(kFNotes, 1, Sv("     105"), Sv("     119"), kSelNoTotals, Sv(copy),
                           Sv("FN$TRIM(CUSTOMER{7})=='ACME'"), kFPayments),
            0);
  std::vector<std::string> copied;
  for (const std::string& r : AdmApp::Rows(kFPayments, 1, {"NUMBER", "SERIES", "AMOUNT"}))
    if (r.find("SERIES=N") != std::string::npos) copied.push_back(r);
  EXPECT_EQ(copied, (std::vector<std::string>{"NUMBER=105.00 SERIES=N AMOUNT=85.00",
                                              "NUMBER=110.00 SERIES=N AMOUNT=52.50",
                                              "NUMBER=116.00 SERIES=N AMOUNT=61.90"}));
  ASSERT_EQ(DataFileReadKey(kFNotes, 1, Sv("     101"), 0), 0);
  EXPECT_EQ(SelRecordStep(kFNotes, kSelNoTotals, Sv(""), Sv("0"), 0), st::OUTOFDATA);
  EXPECT_EQ(SelRecordStep(kFNotes, kSelNoTotals, Sv(""), Sv("1"), 0), 0);
  EXPECT_EQ(SelListProcess(kFNotes, 1, Sv(""), Sv(""), kSelNoTotals, Sv(""), Sv("0"), 0), 0);
}

// The relation key of the current file towards another file, evaluated over
// its current record; empty without a current file or a relation.
TEST_F(AdmFuncsTest, DicItemEvalReadsTheCurrentFilesRelationKey) {
  ASSERT_EQ(DataFileReadKey(kFInvoices, 1, Sv("       6A25  1"), 2), 0);  // invoice 6's line 1
  EXPECT_EQ(DicItemEval(kFRegistry, 1).Str(), "       6A25");
  EXPECT_EQ(DicItemEval(kFNotes, 1).Str(), "     120  1");
  EXPECT_EQ(DicItemEval(kFNotes, 2).Str(), "");
  EXPECT_EQ(DicItemEval(9, 1).Str(), "");
  ASSERT_EQ(VarSysIntSet(kSysCurFil, 0), 0);
  EXPECT_EQ(DicItemEval(kFRegistry, 1).Str(), "");
  EXPECT_EQ(DataFileStub148(), st::FEATUREREMOVED);
}

}  // namespace
