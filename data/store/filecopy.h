// Copies of data files: the backup of every data and index file to a
// folder, the restore of one file from it, and the copy primitives beneath.
//
// Comparison (bit 512 of `_AUXSTAT` only; otherwise every copy is made):
// the write dates (YYYYMMDD, local time) of source and target, then their
// write times of day in units of two minutes (to the nearest unit), then
// their sizes. Same date, unit and size: `_COUNT` + 1 and 124, the copy is
// skipped. An older source: `_HCOUNT` + 1 and 127, skipped. Otherwise 0.
// The comparison can miss an in-place update (records keep their length)
// made within the two-minute unit of the earlier copy; it is a switch the
// user turns on.
//
// A copy never creates its source: a missing source answers 164 with no file
// made on either side. The target is cut to the copied length and synced, so
// restoring a smaller file leaves no tail of the newer one behind.
//
// Errors: 164 missing source; 131 a target that cannot be opened or a block
// not read or written whole; without a routine 175 access denied and 0xffff
// any other failure (source name in the detail); a routine's non-zero
// answer stops the copy with that code.
#pragma once
#include <cstdint>

#include "data/bridges/dataui.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr uint32_t kCopyBlock = 12288;

// 0 copy; 124 same file; 127 target newer.
Status TransFileCompare(StrValue source, StrValue target);
// Copies at most count bytes (never past the source's end) from the source
// at an offset to the target at an offset, in blocks of at most 12288
// bytes; after each block the routine (when given) gets the total and the
// block's size.
Status TransCopyChunked(StrValue source, uint64_t sourceOffset, StrValue target, uint64_t targetOffset,
                        uint64_t count, ProgressStepFn routine);
// Copies a whole file after the comparison, creating the target's directory.
Status TransFileCopy(StrValue source, StrValue target, ProgressStepFn routine);
// Copies the data file, then the index file, of a data file to the folder
// (direction 0) or back from it (1); a missing source is skipped, any other
// non-zero code ends the pair.
Status DataFileCopyPair(int file, StrValue folder, int direction, ProgressStepFn routine);

// The Copy verb: mode 0 backs every file up to a folder the user chooses
// under the backup directory; 1 restores the file the user picks; 2 shows
// 148; other modes do nothing.
Status TransBackupRestore(int mode);
// The work of a backup and of a restore once the folder is known: dirty
// indexes are saved before anything is copied; a restored file is closed
// first, refused with 175 while another user's lock marker exists, and
// reopened as it was. Both show the completion box after a success.
Status TransBackupTo(StrValue folder);
Status TransRestoreFrom(int file, StrValue folder);
