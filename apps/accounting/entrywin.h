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
