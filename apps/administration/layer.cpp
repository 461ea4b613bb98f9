#include "apps/administration/layer.h"

#include "app/startup.h"
#include "apps/administration/admbuiltins.h"
#include "apps/administration/docactions.h"
#include "apps/administration/filewin.h"
#include "apps/administration/invoicing.h"
#include "data/store/runstatus.h"
#include "data/scans/statistics.h"
#include "runtime/dynstrings.h"
#include "runtime/paths.h"
#include "screens/forms/accept.h"
#include "screens/menus/appconfig.h"
#include "screens/menus/help.h"
#include "screens/transactions/jobsteps.h"
#include "screens/datascreens/mantwin.h"
#include "screens/grids/payschedule.h"
#include "screens/menus/menucmd.h"
#include "script/payments.h"
#include "script/statements.h"
#include "script/taskhooks.h"

namespace {

// The handle GdiObjectFree deletes. The window system of this program makes
// no application-wide drawing object, so it stays empty.
void* g_gdiObject = nullptr;

Status PhaseHooks() {
  CommonControlsInit();
  TaskHookRegister(TaskFn(AcceptParmExit), 4);
  TaskHookRegister(TaskFn(AcceptDocExit), 5);
  TaskHookRegister(TaskFn(AcceptStepsExit), 6);
  TaskHookRegister(TaskFn(JobStepsHook), 7);
  TaskHookSet(FieldHelpFn(FieldHelpMenu), kHookFieldHelp);
  TaskHookRegister(TaskFn(TaskLowLevel), kHookLowLevel);
  TaskHookRegister(TaskFn(MovsKeySelectAction), 8);
  TaskHookRegister(TaskFn(AdmTaskInvoicing), 10);
  TaskHookRegister(TaskFn(PaymentsTask), 11);
  TaskHookRegister(TaskFn(AdmTaskDocActions), 12);
  if (Status s = StatMoveRegister()) return s;
  ExecRunUtilsInit();
  return 0;
}

// The help directory: "Help" in the application's directory.
Status HelpDirectorySet() {
  StrAreaScope scope;
  StrValue dir = PathJoin(AppPath(APPPATH_DEFAULT), StrFromC("Help"));
  if (Status s = StrError(dir)) return s;
  return HelpTopicSet(dir);
}

Status PhaseBuiltins() {
  if (Status s = AdmBuiltinsRegister()) return s;
  if (Status s = PayDateRegister()) return s;
  if (Status s = AdmBankBuiltinsRegister()) return s;
  if (Status s = HelpDirectorySet()) return s;
  if (Status s = AppConfigPhase(2)) return s;
  return RunStatusFile(1);
}

}  // namespace

void GdiObjectFree() { g_gdiObject = nullptr; }

int AdmAppCallback(int phase) {
  switch (phase & 0x0f) {
    case 1: return PhaseHooks();
    case 2: return PhaseBuiltins();
    case 3:
      GdiObjectFree();
      return 0;
    default: return 0;
  }
}

Status AdmMenuAction(int code, StrValue rest) {
  // Another program wrote the data since this run marked them: nothing runs.
  if (Status s = RunStatusFile(2)) return s;
  switch (static_cast<uint16_t>(static_cast<uint32_t>(code) >> 16)) {
    case kVerbMantMain: return MantWindow(rest, kAdmMantMode);
    case kVerbLnManMain: return MantFileWinRun(rest);
    default: return MenuCmdDispatch(code, rest);
  }
}
