#include <gtest/gtest.h>

#include <string_view>

#include "app/hooks.h"
#include "devices/reportlaunch.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "screens/forms/accept.h"
#include "screens/menus/menucmd.h"
#include "screens/datascreens/reportcalls.h"
#include "script/fieldaccess.h"
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

}  // namespace
