#include <gtest/gtest.h>

#include <iterator>
#include <string_view>

#include "app/hooks.h"
#include "data/bridges/dataui.h"
#include "devices/reportlaunch.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "screens/forms/accept.h"
#include "screens/menus/menucmd.h"
#include "screens/datascreens/reportcalls.h"
#include "screens/documents/docengine.h"
#include "screens/window/fieldvalues.h"
#include "script/fieldaccess.h"
#include "script/procedures.h"
#include "script/taskhooks.h"
#include "script/variables.h"
#include "support/runtime_fixture.h"

namespace {

class HooksTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(VarSysInit(), 0);
  }
  void TearDown() override {
    LayerHooksRegister();
    VarsFreeAll();
    RuntimeTest::TearDown();
  }
};

// An empty hook answers 148 with the missing function's name; registered,
// the call reaches the layer above.
TEST_F(HooksTest, AnEmptyHookAnswers148WithItsNameAndStartUpFillsEveryOne) {
  FieldAccessSet(FieldAccess{});
  MenuCmdReportSet(nullptr);
  ReportCallsSet(ReportCalls{});
  struct Row {
    const char* name;
    Status (*call)();
  };
  static const Row kRows[] = {
      {"FieldRefParse", [] { return FieldAccessParse(StrFromC("A{1}")).status; }},
      {"FieldRefRead", [] { return StrError(FieldAccessRead(FieldRef{})); }},
      {"RecFieldSetRef", [] { return FieldAccessAssign(StrFromC("A{1}"), StrFromC("x")); }},
      {"RelRead", [] { return FieldAccessRelRead(1, 2, 1, 1, StrFromC("")); }},
      {"ReportCommand", [] { return MenuCmdDispatch(kVerbReport << 16, StrFromC("SALES,1")); }},
      {"ReportLaunch", [] { return ReportLaunchCall(StrFromC("SALES,1"), 0); }},
      {"ReportLaunchRun", [] { return ReportLaunchRunCall(0); }},
      {"ReportStart", [] {
         const StrValue none = StrFromC("");
         return ReportStartCall(none, StrFromC("SALES;sales.prc"), none, none, none, 0);
       }},
      {"DevSelect", [] {
         VarSysIntSet(kSysInHnd, 1);  // batch mode with nothing to read: no window
         Status s = StrError(DevSelectCall(StrFromC("")));
         VarSysIntSet(kSysInHnd, 0);
         return s;
       }},
  };
  for (const Row& r : kRows) {
    ErrClear();
    EXPECT_EQ(r.call(), st::FEATUREREMOVED) << r.name;
    EXPECT_EQ(ErrDetail().View(), r.name);
  }
  AcceptDocHookSet(nullptr);
  LayerHooksRegister();
  for (const Row& r : kRows) {
    ErrClear();
    r.call();
    EXPECT_NE(ErrDetail().View(), r.name) << r.name << " still missing";
  }
  // The accept windows' document exit launches the form's report.
  EXPECT_EQ(AcceptDocHookSet(nullptr), ReportAcceptLaunch);
  LayerHooksRegister();
}

// Start-up also gives the data layer its windows (questions, boxes,
// progress, popups, the transaction forms) and sets the framework's task
// hooks 0-2; a grid window takes hook 2 while open and gives back what it
// found, nested windows in turn.
TEST_F(HooksTest, StartUpFillsTheDataLayersWindowsAndTheFrameworksTaskHooks) {
  DataUiSet(DataUi());
  TaskHooksReset();
  LayerHooksRegister();
  const DataUi& ui = DataUiGet();
  const void* const filled[] = {
      reinterpret_cast<const void*>(ui.ask),          reinterpret_cast<const void*>(ui.show),
      reinterpret_cast<const void*>(ui.choose),       reinterpret_cast<const void*>(ui.progressOpen),
      reinterpret_cast<const void*>(ui.progressStep), reinterpret_cast<const void*>(ui.progressClose),
      reinterpret_cast<const void*>(ui.progressPump), reinterpret_cast<const void*>(ui.progressText),
      reinterpret_cast<const void*>(ui.popupShow),    reinterpret_cast<const void*>(ui.popupClose),
      reinterpret_cast<const void*>(ui.info),         reinterpret_cast<const void*>(ui.progressTitle),
      reinterpret_cast<const void*>(ui.transBounds),  reinterpret_cast<const void*>(ui.transConfirm),
  };
  for (size_t i = 0; i < std::size(filled); ++i) EXPECT_NE(filled[i], nullptr) << "DataUi member " << i;
  DataUiSet(DataUi());
  EXPECT_EQ(TaskHookGetAs<NameHookFn>(kHookValue), &ScreenFieldHook);
  EXPECT_EQ(TaskHookGetAs<PrcCallFn>(kHookPrcCall), &PrcCall);
  EXPECT_EQ(TaskHookGetAs<NameHookFn>(kHookArrayTerm), &GridLineTextHook);

  TaskHooksReset();
  const HookEntry outer = GridTextHookTake();
  const HookEntry inner = GridTextHookTake();
  EXPECT_EQ(TaskHookGetAs<NameHookFn>(kHookArrayTerm), &GridLineTextHook);
  GridTextHookGive(inner);
  EXPECT_EQ(TaskHookGetAs<NameHookFn>(kHookArrayTerm), &GridLineTextHook);
  GridTextHookGive(outer);
  EXPECT_EQ(TaskHookGetAs<NameHookFn>(kHookArrayTerm), nullptr);
}

}  // namespace
