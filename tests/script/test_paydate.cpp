// PayDate$: the due date of one instalment, its steps and allowed days.
#include <string>

#include "builtin_helpers.h"
#include "runtime/errors.h"
#include "script/payments.h"

namespace {

class PayDateTest : public VarTest {
 protected:
  void SetUp() override {
    VarTest::SetUp();
    ASSERT_EQ(PayDateRegister(), 0);
  }
};

TEST_F(PayDateTest, DueDatesTable) {
  struct Case {
    const char* args;
    Status status;
    const char* want;
  } cases[] = {
      {"'20240115';30;0;0;1", 0, "20240215"},   // 30 is one month
      {"'20240115';30;10;0;1", 0, "20240214"},  // with a days step it is 30 days
      {"'20240115';0;0;1;3", 0, "20240315"},
      {"'20240131';30;0;1;2", 0, "20240329"},    // Feb 29 by the offset, a month on from there
      {"'20240131';0;0;1;2", 0, "20240229"},     // a month clamps the day
      {"'20240115';45;0;0;1", 0, "20240229"},    // 45 is no whole months: days
      {"'20240115';0;7;0;3", 0, "20240129"},
      {"'20240110';0;0;0;1;'5,20'", 0, "20240120"},
      {"'20240125';0;0;0;1;'5,20'", 0, "20240205"},
      {"'20240410';0;0;0;1;'31'", 0, "20240430"},
      {"'20240403';0;0;0;1;'5,31'", 0, "20240405"},  // a nearer day wins over the clamped 31
      {"'20240131';0;0;0;1;'30'", 0, "20240229"},    // next month clamped, not 1 March
      {"'20241220';0;0;0;1;'5'", 0, "20250105"},
      {"'20240110';0;0;0;1;'0,32,x,'", 0, "20240110"},  // no usable day: unchanged
      {"'20240110';0;0;0;1;'10'", 0, "20240110"},
      {"'20240115';30;0;1;0;'5'", 0, "20240115"},  // index 0: unchanged
      {"20240115;0;0;1;2", 0, "20240215"},         // a number as the date
      {"'20240101';0;20000;0;2", 0, "20781004"},   // 20,000 days, not a second date
      {"'20240101';0;10000;0;1000", 168, ""},      // past year 9999
      {"'20240101';0;0;12000;9", 168, ""},
      {"'20240115';30;0;0", 147, ""},              // 4 arguments
      {"'20240115';1;2;3;4;'5';6", 147, ""},
      {"'20240230';0;0;0;1", 147, ""},             // not a date
      {"'2024-01-15';0;0;0;1", 147, ""},
      {"'';0;0;0;1", 147, ""},
  };
  for (const Case& c : cases) {
    ErrClear();
    CallOutcome out = CallBuiltin("PayDate$", c.args);
    EXPECT_EQ(out.status, c.status) << c.args;
    if (c.status == 0) {
      EXPECT_EQ(out.text, c.want) << c.args;
    }
  }
  ErrClear();
  EXPECT_EQ(CallBuiltin("PayDate$", "'20240230';0;0;0;1").status, 147);
  EXPECT_NE(ErrDetail().Str().find("20240230"), std::string::npos);
}

TEST_F(PayDateTest, FitDayAcrossTheYearEnd) {
  EXPECT_EQ(PayDateFitDay(99991231, "5"), 0);
  EXPECT_EQ(PayDateFitDay(20231231, "31,30"), 20231231);
  EXPECT_EQ(PayDateFitDay(20230201, "31"), 20230228);
  EXPECT_EQ(PayDateStep(20240229, 0, 0, 12, 2), 20250228);
}

}  // namespace
