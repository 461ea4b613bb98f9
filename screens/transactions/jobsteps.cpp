#include "screens/transactions/jobsteps.h"

#include <algorithm>

#include "data/scans/statistics.h"
#include "runtime/fixednum.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/window/actions.h"
#include "screens/window/fieldvalues.h"
#include "screens/menus/menucmd.h"
#include "screens/forms/msgbox.h"
#include "screens/forms/progress.h"
#include "screens/window/screendef.h"
#include "screens/window/screenprops.h"
#include "screens/window/winrecord.h"
#include "script/evaluator.h"
#include "script/objparams.h"
#include "script/statements.h"
#include "script/taskhooks.h"

namespace {

constexpr char kStopVerb[] = {static_cast<char>(kVerbPerform), 0};  // relation steps stop the runner
constexpr int kStepsCloseMode = 0x10;  // the close restores the window's open-file state

// RESET$ as an integer: 0 when empty, an error of its evaluation as it is.
Status LevelOf(StrValue reset, int* level) {
  *level = 0;
  if (Status e = StrError(reset)) return e;
  if (StrTrim(reset, 3).len == 0) return 0;
  const StrAreaScope scope;
  Status r = ExpExecText(reset);
  if (r >= st::USERCANCELED) return r;
  FixedNum v = r == 1 ? StrToNum(StrAreaTop()) : NumFromBytes(StrAreaTop());
  *level = static_cast<int>(std::clamp<int64_t>(Int64DivRound(v, Pow10(NumPrecis())), -1, 0x7fff));
  return 0;
}

// The steps of the current screen at the level of its RESET$. Every failure
// is shown once in the error box (the steps show their own) and answered.
Status ScreenStepsRun() {
  const StrAreaScope scope;
  int level = 0;
  StrValue steps = ScreenProp(kParmSteps, 0);
  Status s = LevelOf(ScreenProp(kParmReset, 0), &level);
  if (s == 0) s = StrError(steps);
  if (s == 0) return StatStepsRun(level, steps);
  ErrShow(s);
  return s;
}

constexpr int kJoinAnd = 18;  // "&&" in kFieldOperators

StrValue FieldStoredText(int n) { return n < 1 ? StrMake("", 0) : FieldValue(static_cast<uint16_t>(n)); }
StrValue ConditionsJoin(StrValue items) { return FieldExprJoin(items, kJoinAnd); }
// A window, or a total a procedure announced for its own work.
bool ProgressShown() { return ProgressIsOpen() || ProgressHasTotal(); }

Status StatStepsStatement(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 1)) return s;
  return StatStepsSpecRun(a.strs[0]);
}

}  // namespace

Status JobStepsHook(int event) {
  // A failure of the steps has been shown in the error box: as after any
  // shown error, the close handling gets 0, so the box is not shown again.
  if (event == kTaskExecute) ScreenStepsRun();
  return ScreenCloseRestore(event, 0, kStepsCloseMode);
}

Status StatStepsSpecRun(StrValue spec) {
  if (Status e = StrError(spec)) return e;
  const StrAreaScope scope;
  WinSpec w = WinSpecParse(StrDup(spec));
  VarIntSetBits(kSysScrStat, kCreateSoftFieldNum, true);  // a bad field number answers 124
  Status s = ScreenCreate(w.file, w.file, w.row, 0, StrMake("", 0));
  if (s != 0) return s;
  // The steps may hand the focus back to the window below (a report window
  // closing does), which makes that window's record current: close the
  // record made here, never whichever is current afterwards.
  const uint16_t own = ScreenStackIndex(2);
  Status steps = ScreenStepsRun();
  Status closed = WinClose(own);
  VarSysIntSet(kSysStat, static_cast<int16_t>(steps ? steps : closed));
  return steps == 0 ? closed : 0;
}

Status StatStepsRunList(StrValue list, uint32_t* index, StrValue* rest) {
  Status s = MenuCmdRunList(list, index, StrFromC(kStopVerb));
  if (s != kMenuListStopped) return s;
  StrValue item = ExpEvalStr(StrListItem(list, ',', *index));
  if (Status e = StrError(item)) return e;
  MenuCommand cmd = MenuCmdParse(item);
  *rest = cmd.rest;
  return kMenuListStopped;
}

void JobStepsRegister() {
  StatUi ui;
  ui.prop = ScreenProp;
  ui.field = FieldStoredText;
  ui.condJoin = ConditionsJoin;
  ui.runSteps = StatStepsRunList;
  ui.progressShown = ProgressShown;
  StatUiSet(ui);
  ExecStatementSet(kStmtStatSteps, StatStepsStatement);
}
