#include "screens/accept.h"

#include "runtime/seam.h"

Status AcceptCommand(StrValue, int) { return SeamMissing("AcceptCommand"); }
Status MantAuxCommand(StrValue) { return SeamMissing("MantAuxCommand"); }
Status AcceptParmExit(int) { return SeamMissing("AcceptParmExit"); }
Status AcceptDocExit(int) { return SeamMissing("AcceptDocExit"); }
Status AcceptStepsExit(int) { return SeamMissing("AcceptStepsExit"); }
Status FieldHelpMenu(void*, HelpPointFn) { return SeamMissing("FieldHelpMenu"); }
