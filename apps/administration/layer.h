// The administration program's layer: its four points of contact with the
// framework (the phase callback, the menu-command dispatcher, the task hooks
// it registers and its built-ins).
//
// Start-up: phase 1 registers the task hooks (the framework's job windows
// 4-7 and field help 22, the low-level task 23, the key-limited selection 8,
// the invoicing run 10, the document actions 12) and the StatMove built-in;
// phase 2 the administration built-ins, PayDate$, the help directory, the
// configuration files and marks the run open in the run status file; phase 3
// frees the program's GDI object. Every menu command goes through
// AdmMenuAction: first the run status file is checked (139 when another
// program wrote it since: the command does not run), then verbs 5 (MantMain,
// mode 'V') and 8 (LnManMain, the "File Maintenance" window) are its own.
//
// Errors: any failure of phase 1 or 2 is answered at once and ends the start.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr int kAdmMantMode = 'V';  // the maintenance window mode of verb 5 (86)

// The phase callback: the phase is the low 4 bits (start flags x 16 above).
int AdmAppCallback(int phase);
// The menu-command dispatcher: the verb number travels in the high half of
// code, the rest of the command line in rest.
Status AdmMenuAction(int code, StrValue rest);

// The program's one application-wide GDI object; deleting it clears the
// handle, and deleting twice is harmless.
void GdiObjectFree();
