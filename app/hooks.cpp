#include "app/hooks.h"

#include "app/startup.h"

#include "data/bridges/databuiltins.h"
#include "data/bridges/dataui.h"
#include "data/dictionary/dictionary.h"
#include "data/dictionary/relations.h"
#include "data/dictionary/runcontext.h"
#include "data/scans/statistics.h"
#include "data/store/fileaction.h"
#include "data/store/recbuf.h"
#include "data/transactions/trans.h"
#include "devices/devstack.h"
#include "devices/reportlaunch.h"
#include "devices/scanner.h"
#include "platform/ui/ui.h"
#include "runtime/log.h"
#include "runtime/messages.h"
#include "screens/datascreens/mantwin.h"
#include "screens/datascreens/reportcalls.h"
#include "screens/datascreens/scanhook.h"
#include "screens/documents/docengine.h"
#include "screens/forms/accept.h"
#include "screens/forms/choice.h"
#include "screens/forms/forms.h"
#include "screens/forms/msgbox.h"
#include "screens/forms/popup.h"
#include "screens/forms/progress.h"
#include "screens/forms/runwin.h"
#include "screens/forms/runwinstmts.h"
#include "screens/forms/screenstmts.h"
#include "screens/menus/menucmd.h"
#include "screens/transactions/jobsteps.h"
#include "screens/transactions/transforms.h"
#include "screens/window/actions.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/window/winproc.h"
#include "script/expfiles.h"
#include "script/fieldaccess.h"
#include "script/handlers.h"
#include "script/procedures.h"
#include "script/taskhooks.h"

namespace {

void ScriptHooksRegister() {
  LangVarAssignHookSet(LangVarAssign);
  PrcCallHookSet();
}

void DataHooksRegister() {
  FieldAccessSet(FieldAccess{FieldRefParse, FieldRefRead, RecFieldSetRef, RelRead, DicGeneration, FieldRefAssign});
  DataStatementsRegister();
  DataBuiltinsRegister();
  FileScanStatementRegister();
  TransStatementsRegister();
}

void ScreensHooksRegister() {
  AssertBoxHookSet(AssertBox);
  DataUi ui;
  ui.ask = MsgAsk;
  ui.show = ErrShow;
  ui.choose = WinChoiceAndClose;  // the data layer cannot close the window itself
  ui.progressOpen = ProgressOpen;
  ui.progressStep = ProgressStep;
  ui.progressClose = ProgressClose;
  ui.progressPump = ProgressPumpHook;
  ui.progressText = ProgressText;
  ui.progressTitle = ProgressSetTitle;
  ui.info = TransInfoBox;
  ui.transBounds = TransBounds;
  ui.transConfirm = TransConfirm;
  ui.popupShow = PopupMsgShow;
  ui.popupClose = PopupMsgClose;
  DataUiSet(ui);
  DataFileCancelPollSet(ProgressPoll);
  CtlSubclassHookSet(CtlSubclass);
  ScreenStatementsRegister();
  ChoiceStatementsRegister();
  FormStatementsRegister();
  JobStepsRegister();
  RunProgressSet(RunProgress{ProgressCancelled, ProgressIsOpen, ProgressClose});
  RunWindowsSet(RunWindows{RunWinCount, RunWinCloseTo});
  TaskHookSet(&ScreenFieldHook, kHookValue);       // scripts read and assign screen fields by name
  TaskHookSet(&GridLineTextHook, kHookArrayTerm);  // _GRID<n>(row) and line fields by row
  ui::set_button_key_source(NavButtonKeyName);
}

void DevicesHooksRegister() {
  MenuCmdReportSet(ReportCommand);
  ReportCallsSet(ReportCalls{ReportLaunch, ReportLaunchRun, ReportStartAsked, DevSelect});
  MantPrintHookSet(ReportScreenPrint);
  AcceptDocHookSet(ReportAcceptLaunch);
  ScanHooksSet(ScanHooks{ScanStart, ScanStop, ScanPoll});
  DevStatementsRegister();
}

void AppHooksRegister() { InputLineHookSet(InputNextLine); }

}  // namespace

void LayerHooksRegister() {
  ScriptHooksRegister();
  DataHooksRegister();
  ScreensHooksRegister();
  DevicesHooksRegister();
  AppHooksRegister();
}
