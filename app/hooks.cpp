#include "app/hooks.h"

#include "app/startup.h"

#include "data/bridges/databuiltins.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "data/store/recbuf.h"
#include "data/dictionary/relations.h"
#include "data/dictionary/runcontext.h"
#include "data/scans/statistics.h"
#include "data/transactions/trans.h"
#include "devices/devstack.h"
#include "devices/reportlaunch.h"
#include "devices/scanner.h"
#include "platform/ui/ui.h"
#include "runtime/log.h"
#include "runtime/messages.h"
#include "screens/forms/accept.h"
#include "screens/forms/choice.h"
#include "screens/window/fieldctl.h"
#include "screens/forms/forms.h"
#include "screens/transactions/jobsteps.h"
#include "screens/datascreens/mantwin.h"
#include "screens/menus/menucmd.h"
#include "screens/forms/msgbox.h"
#include "screens/forms/progress.h"
#include "screens/datascreens/reportcalls.h"
#include "screens/forms/runwin.h"
#include "screens/forms/runwinstmts.h"
#include "screens/forms/screenstmts.h"
#include "screens/window/actions.h"
#include "screens/window/winproc.h"
#include "script/expfiles.h"
#include "script/fieldaccess.h"
#include "script/handlers.h"

void LayerHooksRegister() {
  LangVarAssignHookSet(LangVarAssign);
  FieldAccessSet(FieldAccess{FieldRefParse, FieldRefRead, RecFieldSetRef, RelRead, DicGeneration, FieldRefAssign});
  MenuCmdReportSet(ReportCommand);
  ReportCallsSet(ReportCalls{ReportLaunch, ReportLaunchRun, ReportStartAsked, DevSelect});
  MantPrintHookSet(ReportScreenPrint);
  AcceptDocHookSet(ReportAcceptLaunch);
  ScannerHooksRegister();
  DataStatementsRegister();
  DataBuiltinsRegister();
  DevStatementsRegister();
  ChoiceStatementsRegister();
  CtlSubclassHookSet(CtlSubclass);
  AssertBoxHookSet(AssertBox);
  ScreenStatementsRegister();
  RunProgressSet(RunProgress{ProgressCancelled, ProgressIsOpen, ProgressClose});
  RunWindowsSet(RunWindows{RunWinCount, RunWinCloseTo});
  DataFileCancelPollSet(ProgressPoll);
  FileScanStatementRegister();
  JobStepsRegister();
  InputLineHookSet(InputNextLine);
  FormStatementsRegister();
  TransStatementsRegister();
  ui::set_button_key_source(NavButtonKeyName);
}
