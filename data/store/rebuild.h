// The rebuild of data files from their records, the recovery of every file
// after an unclean end, and the menu verbs Reorg and Copy.
//
// DataFilePack(file, routine) re-creates a data file and its index from the
// live records of the old data file:
//   1. The file is closed first (its index saved), temporary mode is left
//      for the rebuild, and the lock marker is deleted.
//   2. The data file is renamed to its work copy (kind 5, "NAME.TMP") and the
//      index deleted; every rename and delete is checked, and the folder
//      synced after them.
//   3. The file is opened exclusively: an empty data file and index.
//   4. The work copy is read raw, size div record length records (its index
//      is never loaded); for each record the routine gets the count and the
//      key-1 text; every record whose first byte is not 27 is appended, in
//      the old order of record numbers. A torn tail (never a committed
//      record) is logged with its offset and dropped.
//   5. Every key is indexed in one stable sort, the files closed and synced,
//      their folder synced; only then is the work copy deleted, and the
//      folder synced again.
// A work copy found at the start is the only full copy of an interrupted
// rebuild: when the data file holds just a prefix of its live records (what
// an interrupted rebuild leaves; after a power cut zeros may stand for the
// bytes of its lost writes) the rebuild starts again from it; otherwise
// it stops with 165 naming both files and touches nothing. Any failure
// keeps the work copy, so no record is ever lost and the next rebuild
// finishes the work.
//
// Errors: the close's, the open's (175 when a lock marker cannot go), 131
// for a work copy that cannot be read, the write's with the record's key-1
// text as detail, 165, and the host's code for a rename or delete.
#pragma once
#include "data/bridges/dataui.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Rebuilds one file; routine may be null.
Status DataFilePack(int file, ProgressStepFn routine);
// Plays back a run journal left behind (journal.h), then rebuilds every
// defined file from 1 upward with the progress window, stops at the first
// error; when all succeed shows the completion box.
Status RunRecoverAll();
// Mode 2 shows 148 in the error box; the answer is always one blank.
StrValue DataFilePackRefused(int mode);
// Rebuilds one file the user chooses (message 0085); 122 when none is
// chosen; the completion box after a success.
Status TransPackChosen();

// Menu verbs: Reorg chooses a table and rebuilds it; Copy 0 copies every
// data and index file to a chosen folder, 1 restores a chosen file.
Status ReorgCommand(StrValue command);
Status CopyCommand(int mode);
