// Document events: the screen's procedure runs only when USR_COND$ holds,
// with the event current meanwhile and the previous event state back after.
#include <gtest/gtest.h>

#include "runtime/errors.h"
#include "runtime/sysvars.h"
#include "script/taskhooks.h"
#include "screens/documents/docwin.h"
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

// ACCEPT_PRC% names a numbered task per event: it runs with the event in
// _AUX and its answer is the event's; a number without a task is 163.
int g_taskEvent = 0, g_taskAux = 0;
Status RecordingTask(int event) {
  g_taskEvent = event;
  g_taskAux = VarSysIntGet(kSysAux);
  return event == 4 ? 163 : 0;
}

TEST_F(DocEventTest, EventCallsTheTaskItsDefinitionNames) {
  const TaskHookSwap recording(RecordingTask, 13);
  const TaskHookSwap none(static_cast<TaskFn>(nullptr), 14);
  Define("NAV", "SAVE.ACCEPT_PRC%:13\nDELETE.ACCEPT_PRC%:13\nINIT.ACCEPT_PRC%:14");
  Open("NAV");
  VarSysIntSet(kSysAux, 7);
  struct { int event; Status answer; int seen; } cases[] = {
      {2, 0, 0},      // LOAD names no task
      {5, 0, 5},      // DELETE: called, answers 0
      {4, 163, 4},    // SAVE: the task's answer is the event's
      {1, 163, 0},    // INIT names task 14: none registered
  };
  for (const auto& c : cases) {
    g_taskEvent = g_taskAux = 0;
    EXPECT_EQ(MovsEventRun(c.event), c.answer) << c.event;
    EXPECT_EQ(g_taskEvent, c.seen) << c.event;
    if (c.seen) {
      EXPECT_EQ(g_taskAux, c.event);
    }
    EXPECT_EQ(Sys(kSysAux), 7);
    ErrClear();
  }
}

}  // namespace
