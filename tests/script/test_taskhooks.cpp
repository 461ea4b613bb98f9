#include <gtest/gtest.h>

#include <string>

#include "runtime/errors.h"
#include "script/taskhooks.h"
#include "support/runtime_fixture.h"

namespace {

int g_lastEvent = -1;
int g_calls = 0;
std::string g_lastText;

Status TaskA(int event) {
  g_lastEvent = event;
  ++g_calls;
  return 7;
}
Status TaskB(int) { return 9; }
StrValue NameHook(StrValue, int) { return StrErr(st::BADINPUTDATA); }
Status PrcCall(StrValue, StrValue, int) {
  ++g_calls;
  return 0;
}
Status TextHook(StrValue text) {
  g_lastText = text.Str();
  return 11;
}

class TaskHooksTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    TaskHooksReset();
    g_lastEvent = -1;
    g_calls = 0;
    g_lastText.clear();
  }
  void TearDown() override {
    TaskHooksReset();
    RuntimeTest::TearDown();
  }
};

TEST_F(TaskHooksTest, IdsOutsideTheTableAreRefusedAndChangeNothing) {
  EXPECT_EQ(TaskHookSet(&TaskA, 25), kHookRefused);
  EXPECT_EQ(TaskHookSet(&TaskA, -1), kHookRefused);
  EXPECT_EQ(TaskHookGet(25), nullptr);
  EXPECT_EQ(TaskHookGet(-1), nullptr);
  for (int id = 0; id < kTaskHooks; ++id) EXPECT_EQ(TaskHookEntry(id).index(), 0u) << id;
}

TEST_F(TaskHooksTest, EachIdTakesOnlyItsSignatureAndTheLastRegistrationWins) {
  EXPECT_EQ(TaskHookSet(&TaskA, 10), 10);
  EXPECT_EQ(TaskHookGet(10), &TaskA);
  // Framework default first, the application's registration in phase 1 after.
  EXPECT_EQ(TaskHookSet(&TaskA, kHookLowLevel), kHookLowLevel);
  EXPECT_EQ(TaskHookRegister(&TaskB, kHookLowLevel), kHookLowLevel);
  EXPECT_EQ(TaskHookGet(kHookLowLevel), &TaskB);

  // A task under a value or procedure id, or the reverse, is refused.
  EXPECT_EQ(TaskHookSet(&TaskA, kHookValue), kHookRefused);
  EXPECT_EQ(TaskHookSet(&TaskA, kHookPrcCall), kHookRefused);
  EXPECT_EQ(TaskHookSet(&NameHook, 5), kHookRefused);
  EXPECT_EQ(TaskHookSet(&TextHook, 5), kHookRefused);
  EXPECT_EQ(TaskHookSet(&TaskA, kHookImportMerge), kHookRefused);
  EXPECT_EQ(TaskHookSet(&TaskA, kHookFieldHelp), kHookRefused);
  EXPECT_EQ(TaskHookGet(5), nullptr);
  EXPECT_EQ(TaskHookSet(&NameHook, kHookValue), kHookValue);
  EXPECT_EQ(TaskHookSet(&NameHook, kHookArrayTerm), kHookArrayTerm);
  EXPECT_EQ(TaskHookGetAs<NameHookFn>(kHookValue), &NameHook);
  EXPECT_EQ(TaskHookGet(kHookValue), nullptr);
  EXPECT_EQ(TaskHookGetAs<TextHookFn>(24), nullptr);

  // A null function of the right signature empties the slot.
  EXPECT_EQ(TaskHookSet(NameHookFn{}, kHookValue), kHookValue);
  EXPECT_EQ(TaskHookEntry(kHookValue).index(), 0u);
}

TEST_F(TaskHooksTest, ScriptsReachOnlyTextHooks) {
  ASSERT_EQ(TaskHookSet(&PrcCall, kHookPrcCall), kHookPrcCall);
  ASSERT_EQ(TaskHookSet(&TaskA, 12), 12);
  const struct {
    int id;
    Status want;
  } refused[] = {{kHookPrcCall, st::SINTAXERROR}, {12, st::SINTAXERROR}, {kHookValue, st::SINTAXERROR},
                 {25, st::SINTAXERROR},           {-3, st::SINTAXERROR}, {24, 0}};
  for (const auto& c : refused) EXPECT_EQ(TaskHookCallText(c.id, StrFromC("x")), c.want) << c.id;
  EXPECT_EQ(g_calls, 0);

  ASSERT_EQ(TaskHookSet(&TextHook, 9), 9);
  EXPECT_EQ(TaskHookCallText(9, StrFromC("rest of text")), 11);
  EXPECT_EQ(g_lastText, "rest of text");
}

TEST_F(TaskHooksTest, RunningAnEmptyTaskAnswersTheStub) {
  EXPECT_EQ(TaskHookRun(12, kTaskExecute), st::FEATUREREMOVED);
  EXPECT_EQ(TaskHookRun(kHookLowLevel, kTaskExecute), st::FEATUREREMOVED);
  EXPECT_EQ(ErrDetail().View(), "TaskLowLevel");
  EXPECT_EQ(TaskHookRun(kHookPrcCall, kTaskExecute), st::SINTAXERROR);
  EXPECT_EQ(TaskHookRun(30, kTaskExecute), st::SINTAXERROR);
  ASSERT_EQ(TaskHookSet(&TaskA, 12), 12);
  EXPECT_EQ(TaskHookRun(12, kTaskExecute), 7);
  EXPECT_EQ(g_lastEvent, kTaskExecute);
}

// The low-level task swapped by file copy comes back however the copy ends.
Status CopyWithSwap(bool failEarly) {
  TaskHookSwap swap(&TaskB, kHookLowLevel);
  if (failEarly) return st::DISKIO;
  return TaskHookRun(kHookLowLevel, kTaskExecute);
}

TEST_F(TaskHooksTest, ASwappedHookIsPutBackOnEveryExitPath) {
  EXPECT_EQ(CopyWithSwap(false), 9);
  EXPECT_EQ(TaskHookGet(kHookLowLevel), nullptr);  // was empty, is empty again
  ASSERT_EQ(TaskHookSet(&TaskA, kHookLowLevel), kHookLowLevel);
  EXPECT_EQ(CopyWithSwap(true), st::DISKIO);
  EXPECT_EQ(TaskHookGet(kHookLowLevel), &TaskA);
  EXPECT_EQ(CopyWithSwap(false), 9);
  EXPECT_EQ(TaskHookGet(kHookLowLevel), &TaskA);
}

}  // namespace
