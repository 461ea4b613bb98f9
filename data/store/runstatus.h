// The run status file: whether a run of the program is in progress.
//
// "%APNAME%FSTAT.DAT" (the application prefix, then FSTAT.DAT) in the
// current directory holds one digit at offset 0: 1 while a run is in
// progress, 0 after a clean end. A missing file, or one whose first byte is
// not a digit, reads 0. The write time of the file as of this program's own
// last write is kept, so a write by anyone else is noticed.
//
// RunStatusFile(type):
//   1 (start, from the application's phase 2): takes an advisory lock on the
//     file for the whole run; a file locked by another live run answers 139
//     with the detail "in use" and nothing else happens. A stored 0 becomes 1.
//     A stored 1, or a run journal, a lock marker no live program holds or
//     a rebuild's work copy left behind, means the last run did not end
//     cleanly: message 0115 asks; No answers 122 (the program does not
//     start), Yes writes 1 (so a recovery cut short is made again at the
//     next start), plays the journal back and rebuilds every data file
//     (RunRecoverAll) and, when that succeeds, writes 1.
//   0 (end, after every data file is closed): writes 0 and lets the lock
//     go; a stored 0 answers 139, which the caller ignores. When the run
//     was kept open (RunStatusKeepOpen: a file of the run could not be
//     saved, or an index did not agree with its data file at open) or a
//     run journal is left behind, the stored 1 stays: the next start asks
//     0115 and rebuilds.
//   2 (check, before every menu command): 0 when the file's write time is
//     the kept one, else 139.
// RunStatusWrite writes the digit, syncs it and keeps the new write time;
// a 1 (and a new file) has its folder synced after, a 0 before (what a
// clean end removed stays removed).
//
// Errors (recorded with module 18 and the file name in the detail): 139 as
// above, 164/175/0xffff when the file cannot be opened, 137 when the digit
// cannot be written or synced; the rebuild's own errors.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

Status RunStatusFile(int type);
Status RunStatusWrite(StrValue file, int digit);
// Marks the run closed (type 0); the 139 of a run never marked open is
// not an error.
Status RunStatusClose();
// Keeps the run marked open at its end (above); the record store calls it
// when a save fails or an open finds an index that does not fit its data.
// A recovery that rebuilt every file forgets it.
void RunStatusKeepOpen();
bool RunStatusKeptOpen();
// The name of the status file after expansion.
StrValue RunStatusName();
// Forgets the kept write time and lets the lock go (a new run in the same
// process, tests).
void RunStatusReset();
