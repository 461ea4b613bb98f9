// The calls that go up the layers: a lower layer declares a hook, a small
// table or a statement slot, and the layer above fills it. Every one is filled
// here, at start-up, by LayerHooksRegister (called from StartCommandLine, the
// first step of a run), one function per layer that answers:
//
//   script    fills runtime   LangVarAssign: language variables are
//                             assigned by the expression evaluator
//             fills script    task hook 1, the procedure runner
//                             (PrcCallHookSet; every compile sets it again)
//   data      fills script    FieldAccess: field terms NAME{file} and FILEREL
//                             read and write records; DataAccess: the
//                             built-ins on data files (FN#FLEN, FILEFIND,
//                             FILELOCATE, KEY$, IER, FN$FLDS); the statements
//                             on definitions and records (LOADSTRUCT, RC_...,
//                             FILESTRUCT), FILESCAN, EXPORT and IMPORT
//   screens   fills runtime   the assertion box
//             fills script    MESSAGE, WINOPEN, WINCLOSE, WINPROG and the
//                             run-time window statements, WINMENU, BOUNDS,
//                             STATSTEPS; the progress window the runner polls
//                             and the run-time windows a run closes; task
//                             hook 0 (screen fields by name) and task hook 2
//                             (lines-grid cells; a grid window takes it while
//                             open, GridTextHookTake)
//             fills data      DataUi: questions, boxes, choices, progress,
//                             popups and the transaction forms; the progress
//                             poll that lets long loops be cancelled; StatUi:
//                             screen properties, field texts and the step
//                             runner of statistics steps
//             fills screens   the field controls' subclass (window core)
//             fills platform  the key of a navigation button's command,
//                             which the window system shows with its caption
//   devices   fills script    DEVICE, DLOCATE, DPRINT, ENDDEVICE, REPORT,
//                             DOCPRINT
//             fills screens   the Report verb, the report launch calls, the
//                             maintenance window's print, the accept
//                             windows' document exit; the barcode scanner of
//                             data screens (start, stop, poll)
//   app       fills screens   the INPUT file's next line, the answer of a
//                             batch form
//
// The programs add their own in their start phases (task hooks, built-ins,
// StatMove with task hook 3, the menu-command dispatcher): the last
// registration of a hook wins, so theirs replace these defaults.
#pragma once

void LayerHooksRegister();
