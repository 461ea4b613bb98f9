// Document events: the screen's procedure runs only when USR_COND$ holds,
// with the event current meanwhile and the previous event state back after.
#include <gtest/gtest.h>

#include "runtime/sysvars.h"
#include "screens/docwin.h"
#include "doc_fixture.h"

namespace {

class DocEventTest : public DocTest {};

TEST_F(DocEventTest, EventRunsTheProcedureWhenItsConditionHolds) {
  Define("NAV", "PRCNAME$:NOSUCHPROC\nUSR_COND$:RUN#");
  Open("NAV");
  VarSysIntSet(kSysAux, 7);
  ASSERT_EQ(Eval("RUN#=0"), 0);
  EXPECT_EQ(MovsEventRun(1), 0);  // the condition is false: nothing called
  EXPECT_EQ(Sys(kSysAux), 7);
  ASSERT_EQ(Eval("RUN#=1"), 0);
  EXPECT_GE(MovsEventRun(2), 128);  // called: no such procedure
  EXPECT_EQ(Sys(kSysAux), 7);
  ErrClear();
}

}  // namespace
