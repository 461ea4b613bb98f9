// The calls that go up the layers: a lower layer declares a hook or a small
// table and the layer above fills it here, once, before anything runs.
//   runtime  <- script   LangVarAssign: language variables are assigned by
//                        the expression evaluator
//   script   <- data     FieldAccess: field terms NAME{file} and FILEREL
//                        read and write records
//   script   <- data     DataAccess: the built-ins on data files (FN#FLEN,
//                        FILEFIND, FILELOCATE, KEY$, IER, FN$FLDS)
//   script   <- data     the statements on definitions and records
//                        (LOADSTRUCT, RC_..., FILESTRUCT), the open-state
//                        stack and the FILESTRUCT levels a run unwinds
//   script   <- devices  the device statements (DEVICE, DLOCATE, DPRINT,
//                        ENDDEVICE) on the stack of open devices
//   script   <- data     FILESCAN: file scans into statistics sets
//   data     <- screens  StatUi: screen properties, field texts and the
//                        step runner of statistics steps; STATSTEPS
//   screens  <- devices  the Report verb launches a report
//   screens  <- devices  the barcode scanner of data screens: start, stop, poll
//   runtime  <- screens  the assertion box
//   script   <- screens  MESSAGE, WINOPEN, WINCLOSE, WINPROG; the progress
//                        window the runner polls and a run closes
//   data     <- screens  the progress poll that lets long loops be cancelled
//   screens  <- app      the INPUT file's next line, the answer of a batch form
//   script   <- screens  BOUNDS runs an input form
//   platform <- screens  the key of a navigation button's command, shown
//                        with its caption
#pragma once

void LayerHooksRegister();
