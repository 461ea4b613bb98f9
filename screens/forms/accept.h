// Accept commands, accept exits and field windows.
//
// An accept window asks for values in a screen built like a maintenance
// window (its definition and layout, no navigation bar) with an "Ok" button.
// Its confirmation runs an exit task chosen from the form's parameters
// (AcceptExitSlot): ACCEPT_PRC% names the task hook, else STEPS$ gives slot
// 7, PRCNAME$ slot 6, DOCNAME$ slot 5, PARM_FILE$ slot 4. The application
// layers register the exits below under those slots:
//   4 AcceptParmExit   saves the variables of PARM_FILE_WRITE$ in PARM_FILE$
//                      (whose assignments the window ran when it opened);
//   5 AcceptDocExit    launches the form's document or report (DOCNAME$)
//                      through the hook the devices layer registers;
//   6 AcceptStepsExit  puts COND$ in SystemTextList item 1 and runs STEPS$ as
//                      menu commands; without STEPS$ it calls PRCNAME$.
//
// A field's WINDOWS$ item is a ';' list of window commands whose last
// unquoted item is a condition: Enter on a field that asks for a value, or
// a scanned field, runs the first command when the condition holds
// (MantFieldCommand); F1 offers "Help", the commands and the built-in
// "Calculator" and "Add_Applet" forms (FieldHelpMenu). Inside maintenance
// windows only Accept, AcceptRun, MantMain and ExpEval run
// (MantVerbDispatch).
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "script/taskhooks.h"

// The exit slot "chosen from the form's parameters".
constexpr int kAcceptExitFromForm = 255;
// The window mode of accept windows opened from maintenance windows and the
// mode of the windows their MantMain commands open.
constexpr int kAcceptFieldMode = 106;
constexpr int kMantFieldMode = 102;
// The answer of window commands that ran (below 122): nothing more to do.
constexpr Status kFieldCommandDone = 32;

// The AcceptRun verb: a command of fewer than 4 items, or with 8 in item 7,
// is the simple form of a definition file (screens/forms/forms.h AcceptSpecRun:
// "file,tag", the exit hook from ACCEPT_PRC%); any other opens an accept
// window (AcceptWinCommand) in item 7's mode or the given one, which in
// batch mode is then filled from the INPUT file (InputFillScreen).
Status AcceptCommand(StrValue command, int windowMode, int exitSlot = kAcceptExitFromForm);
// The accept window of a window spec (item 1 the screen, as MantWindow
// takes it): the window with the screen's fields, the exit slot (the given
// one, or AcceptExitSlot's), for slot 4 the PARM_FILE$ assignments run (a
// missing file is no error), the slot's task as the exit handler with
// AcceptKeyDefault as the action handler, "Ok", the fields refreshed from
// their sources (ASSIGN$ included), shown. No slot, or no task under it:
// 163 with the detail "ACCEPT_PRC%". After the window exists any error
// closes it (action 29) and is answered.
Status AcceptWinCommand(StrValue command, int windowMode, int exitSlot);
// The given slot unless it is 255; else the current screen's ACCEPT_PRC%
// when non-zero, then 7 for STEPS$, 6 for PRCNAME$, 5 for DOCNAME$, 4 for
// PARM_FILE$ (the first that is set); 255 when none is.
int AcceptExitSlot(int slot);
// A command of a maintenance window (verb added when it has none): Accept
// and AcceptRun check item `field` of the screen's ALARM$ first (its failure
// answered) and open an accept window in mode 106; MantMain opens a
// maintenance window in mode 102; ExpEval evaluates item 1. Other verbs
// answer 147.
Status MantVerbDispatch(uint16_t field, StrValue command, uint16_t defaultVerb);
// Verb 4: "0" saves the parameter file (ParmFileWrite); "1,x" with x true
// pushes the current screen's definition on the object parameter stack,
// with x false takes off what such a push left (163 when none is
// outstanding); anything else 163.
Status MantAux(StrValue args);
// With PARM_FILE$ and PARM_FILE_WRITE$ both set (the current screen's, or
// without a screen the current object parameters): the variables named by
// PARM_FILE_WRITE$ ("name" or "name;expression" items) saved in PARM_FILE$.
// 0 when either is empty.
Status ParmFileWrite();

// The accept exits the application layers register as task hooks 4-6, and
// the field help menu of task 22. Each acts on the confirm event (25) and
// then closes through ScreenCloseRestore.
Status AcceptParmExit(int event);
Status AcceptDocExit(int event);
Status AcceptStepsExit(int event);
// Runs task(arg) with the current screen's definition pushed as the current
// object parameters (taken off again afterwards, with whatever the task left
// above it); without a screen, under the current ones.
Status ScreenTaskRun(TaskFn task, int arg);
// F1 on a field of the window record `window`: "Help" (with HELP$), the
// field's window commands (titled by their item 9, a built-in form by its
// name, else "Untitled Window #n"); more than one entry is offered in a
// popup at the point given, one runs at once. Accept commands run as an
// input form whose last value goes into the field; Help shows the field's
// section of the help file (a box "Help Page not defined" when it cannot);
// others go to MantVerbDispatch (MantMain by default), 0 becoming 32; a
// cancelled command (122) answers 0, so the window stays open.
Status FieldHelpMenu(void* window, HelpPointFn point);
// The current field's window command of a maintenance window (the window
// record), run for a scanned field and for a field whose Enter check asks
// for a value: the condition (the last unquoted ';' item of its WINDOWS$
// item, empty = true) holding, the field becomes the record's pending field
// and the first command runs (AcceptRun by default; answers below 122
// become 32); failing, the field is emptied and 126 (or the put's error)
// answered.
Status MantFieldCommand(void* window);

// The document or report launch of the slot-5 exit: the form's DOCNAME$
// in, a status out. The devices layer registers it; until then the exit
// answers 148 "ReportLaunch". Answers the hook installed before.
using AcceptDocFn = Status (*)(StrValue docName);
AcceptDocFn AcceptDocHookSet(AcceptDocFn fn);
