#include "app/hooks.h"

#include "app/startup.h"

#include "data/databuiltins.h"
#include "data/dictionary.h"
#include "data/fileaction.h"
#include "data/recbuf.h"
#include "data/relations.h"
#include "data/runcontext.h"
#include "data/statistics.h"
#include "data/trans.h"
#include "devices/devstack.h"
#include "devices/reportlaunch.h"
#include "devices/scanner.h"
#include "runtime/log.h"
#include "runtime/messages.h"
#include "screens/accept.h"
#include "screens/choice.h"
#include "screens/fieldctl.h"
#include "screens/forms.h"
#include "screens/jobsteps.h"
#include "screens/mantwin.h"
#include "screens/menucmd.h"
#include "screens/msgbox.h"
#include "screens/progress.h"
#include "screens/reportcalls.h"
#include "screens/runwin.h"
#include "screens/runwinstmts.h"
#include "screens/screenstmts.h"
#include "screens/winproc.h"
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
}
