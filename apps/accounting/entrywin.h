// The registry of operations and the entry window: deleting an entry's
// records, posting an entry into the registry through the events "ACC" and
// "REGIS" of the screen's definition, and the task that runs a procedure
// named by the screen.
//
// Posting loses nothing: the records of the entry's old prefix are kept in
// memory before they are deleted; when the posting fails (an error, a cancel)
// the rows it wrote are deleted again and the kept records written back, and
// the first error is answered.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// Deleted records kept to be written back: the file, the relation text of
// its writes and the record images.
struct AcKeptRecords {
  struct Part {
    int file = 0;
    std::string relations;
    std::vector<std::string> images;
  };
  std::vector<Part> parts;
  // Writes every kept record back; the first error.
  Status Restore();
};

// The key-1 prefix of an entry (the key without its order part).
std::string AcEntryPrefix(std::string_view key1);
// The order number of the file's current record (the last part of its key
// 1, 0 when it is not a number).
int64_t AcOrderNumber(int file);
// The same for key 1 of any file whose last key part is an order number.
std::string AcKeyPrefix(int file, std::string_view key1);

// Deletes the registry records (file kind 1) whose key 1 begins with key;
// with docFile the document records of that file for the key (with the
// relation text); with kind2 the entry documents (file kind 2). An empty
// key answers 144 and deletes nothing. Statuses below 128 count as 0. The
// deleted images go to kept when it is given.
Status AcDeleteEntryRecords(const std::string& key, int docFile, StrValue docRelations, bool kind2,
                            AcKeptRecords* kept = nullptr);
// Runs the append loop of an event of the list on the file (SET$, RD_COND$,
// WR_EXP$, EOT_EXP$ looked up as EVENT.NAME first; the relations of the
// current screen's data file, or RELOPT%), counting the rows into *count and
// moving the progress bar for each; the event state comes back. With close
// set and all done, the top screen window is closed.
Status AcPostEvent(int file, int eventIndex, StrValue events, bool close, uint32_t* count);
// Steps 3 and 4 of posting: the old prefix's records deleted (kept), the
// events ACC (entry lines) and REGIS (registry) posted; on a failure all of
// it undone. *count receives ACC's rows.
Status AcRegistryPost(const std::string& oldPrefix, int docFile, StrValue docRelations, uint32_t* count);

// The entry window (task 17 installs AcEntryWindowProc as the navigation
// window's action handler). A predefined entry line has a TYPE.
Status AcEntryWindowProc(uint16_t code);
// For a write or a line move of a predefined line whose key or TYPE changed:
// the maintenance command (item 1 of WINDOWS$ item 5), its status or 32
// (stop); 163 "WINDOWS$" when there is none. Otherwise 0.
Status AcEntryGuard(int kind);
// Inserting before line 2 of a predefined entry goes on; from line 2 the
// warning 1002 and nothing inserted.
Status AcPredefinedEntryWarn(uint16_t action);
// A line without TYPE is deleted as a line; with one, after Yes to 1001 the
// whole entry: its lines, registry records and documents.
Status AcConfirmDeleteEntry(uint16_t action);
Status AcDeleteFullEntry();

// Posting's last step on the entry window: its lines loaded again from the
// entry's prefix (the posting read them into the record), the current row
// moved on by the rows posted, the begin field current and the row shown.
Status EntryLinesReload(const std::string& prefix, uint32_t posted);
// EntryLinesReload for the entry window a posting left waiting, when it is
// the current window; 0 otherwise.
Status PostedLinesShow();

// The navigation window's handlers the entry window builds on.
Status NavActionWin(uint16_t code);
Status NavLinesDeleteKey(StrValue key, StrValue columns, StrValue rule);
