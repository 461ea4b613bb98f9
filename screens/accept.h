// Accept commands, accept exits and field windows.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "script/taskhooks.h"

// The exit slot "chosen from the form's parameters".
constexpr int kAcceptExitFromForm = 255;

// The AcceptRun verb: a command of fewer than 4 items, or with 8 in item 7,
// is the simple form of a definition file (screens/forms.h AcceptSpecRun:
// "file,tag", the exit hook from ACCEPT_PRC%); any other opens an accept
// window (AcceptWinCommand) in item 7's mode or the given one, which in
// batch mode is then filled from the INPUT file (InputFillScreen).
Status AcceptCommand(StrValue command, int windowMode, int exitSlot = kAcceptExitFromForm);
// An accept window built like a maintenance window, ending through its exit.
Status AcceptWinCommand(StrValue command, int windowMode, int exitSlot);
Status MantAuxCommand(StrValue command);

// The accept exits the application layers register as task hooks 4-6, and
// the field help menu of task 22.
Status AcceptParmExit(int event);
Status AcceptDocExit(int event);
Status AcceptStepsExit(int event);
Status FieldHelpMenu(void* window, HelpPointFn point);
// The current field's window command of a maintenance window (the window
// record), run for a scanned field and for a field whose Enter check asks
// for a value.
Status MantFieldCommand(void* window);
