// Accept commands, accept exits and field windows.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "script/taskhooks.h"

Status AcceptCommand(StrValue command, int windowMode);
Status MantAuxCommand(StrValue command);

// The accept exits the application layers register as task hooks 4-6, and
// the field help menu of task 22.
Status AcceptParmExit(int event);
Status AcceptDocExit(int event);
Status AcceptStepsExit(int event);
Status FieldHelpMenu(void* window, HelpPointFn point);
