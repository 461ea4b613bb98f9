// The administration program's document windows: the "File Maintenance"
// window of verb 8 (LnManMain) and the key-limited selection behind the
// fast find of its documents (task 8).
//
// MantFileWinRun opens a window of kind 3 titled by the first item of
// message 0022 at the command's row (item 3) and column (item 4), the
// navigation screen it names in it (screens/documents/docengine.h NavScreenOpen),
// the document handlers (screens/documents/movswin.h MovsActionWin with the chooser
// NavNextAction, the grid callback MovsGridCallback), task hook 2 on the
// grid's cells (the hook in place before comes back when the window
// closes), the lines grid fitted into the window, the event INIT, the
// fields refreshed and the text of the current field selected. A DOCUMENT
// screen takes the document bar (NEW, FND, SVE, INS, DEL, IMP, DDE, PRN), a
// NAVIGATION screen the lines bar; both the row caption and the status text.
// The window is destroyed only when opening it fails; the first failing
// status is answered.
//
// MovsKeySelectAction is the exit of a FASTFIND$ form: on confirmation the
// documents of the document window's data file whose key INDEX% (2 when
// none) lies between the form's first and second answers and that meet
// RD_COND$ (its items joined by "&&") are selected, the first shown and
// loaded; the list is kept in SystemTextList items 6 and 7 for the next
// documents (NXT, screens/documents/movsaction.h MovsFastFindRepeat). A form
// window of its own (no data file) gives its first two fields as the limits
// and is closed before the document is shown; when nothing is found it
// stays open. The one-line form has closed before the exit runs: its
// answers are the limits.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

Status MantFileWinRun(StrValue spec);
Status MovsKeySelectAction(int event);
// Selects the records of the file on the key from..to under the condition,
// reads the first, and keeps the list (above). Soft results are shown and
// answered.
Status MovsKeySelection(int file, int key, StrValue from, StrValue to, StrValue cond);
