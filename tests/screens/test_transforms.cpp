// The forms of the transactions: the bounds form's condition joined to
// COND$, the file name asked at stage 0, the confirmation form of stages 3
// and 4, and no question at all under BATCHMODE (answered here by INPUT
// lines, as a batch run answers them).
#include <gtest/gtest.h>

#include "data/transactions/trans.h"
#include "screens/transactions/transforms.h"
#include "form_fixture.h"

namespace {

class TransFormsTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    TransParmsClear();
  }
  void TearDown() override {
    TransParmsClear();
    FormTest::TearDown();
  }
};

TEST_F(TransFormsTest, BoundsFormJoinsItsConditionToCond) {
  ASSERT_EQ(TransParmSet(kTrCond, S("QTY{}>0")), 0);
  ASSERT_EQ(TransParmSet(kTrAcBound, S("CODE{}>=,QTY{}<")), 0);
  Input({"'A1*','5'", "next"});
  EXPECT_EQ(TransBounds(0x4), 0);
  EXPECT_EQ(TransParmText(kTrCond), "(QTY{}>0)&&(CODE{}>='A1*'&&QTY{}<5)");
  EXPECT_EQ(TransParmText(kTrLimits), "");
  // The default form (field 1, no operator) answers the key range.
  ASSERT_EQ(TransParmSet(kTrAcBound, S("1{},1{}")), 0);
  Input({"'A10','B20'", "next"});
  EXPECT_EQ(TransBounds(0x4), 0);
  EXPECT_EQ(TransParmText(kTrLimits), "'A10','B20'");
  // Cancelled: nothing changes, the answer is 122.
  Input({"\x1B", "next"});
  EXPECT_EQ(TransBounds(0x4), st::USERCANCELED);
  EXPECT_EQ(TransParmText(kTrLimits), "'A10','B20'");
  // BATCHMODE, or no ACBOUND$: nothing is asked.
  Input({"'B'", "next"});
  EXPECT_EQ(TransBounds(0x104), 0);
  ASSERT_EQ(TransParmSet(kTrAcBound, S("")), 0);
  EXPECT_EQ(TransBounds(0x4), 0);
  EXPECT_EQ(InputRest(), "'B'");
}

TEST_F(TransFormsTest, ConfirmStages) {
  Input({"'cust.csv'", "next"});
  EXPECT_EQ(TransConfirm(0, 0x5), 0);
  EXPECT_EQ(TransParmText(kTrName), "cust.csv");
  Input({"''", "next"});  // no name: nothing can be done
  EXPECT_EQ(TransConfirm(0, 0x5), st::USERCANCELED);
  // Stages 3 and 4 only with ACCONFIRM$; other stages and BATCHMODE ask nothing.
  Input({"'x'", "next"});
  EXPECT_EQ(TransConfirm(4, 0x5), 0);
  ASSERT_EQ(TransParmSet(kTrAcConfirm, S("1{}")), 0);
  EXPECT_EQ(TransConfirm(2, 0x5), 0);
  EXPECT_EQ(TransConfirm(4, 0x105), 0);
  EXPECT_EQ(InputRest(), "'x'");
  Input({"\x1B", "next"});
  EXPECT_EQ(TransConfirm(3, 0x5), st::USERCANCELED);
  Input({"'A10'", "next"});
  EXPECT_EQ(TransConfirm(4, 0x5), 0);
  EXPECT_EQ(InputRest(), "next");
}

}  // namespace
