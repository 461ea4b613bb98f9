// Selections: the record numbers of the records of a key range that meet a
// condition, held for repeated access by row.
//
// Eight slots are shared by every file. A slot holds a row count and an array
// of record numbers (memory owner 19, LocalLists) that grows geometrically
// from 32 entries; a busy slot holds a selection. Each file keeps a stack of
// up to three selections in its control block (selSlots, the newest first):
// an entry is the slot's index + 1, so 0 means "no selection" and the first
// slot of the run is a selection like any other. The newest one is the
// file's current selection; rows are numbered from 0.
//
// Opening and releasing pair up: SelOpen pushes the file's stack down
// whenever its newest entry is a selection, also when the fill then fails
// (the newest entry is then 0 and no slot is held), and SelRelease pops it.
// A slot whose file lost its stack (the file was closed or redefined, or a
// saved control block put back) is free again the next time a slot is
// taken.
//
// Errors: 168 DATAOUTBOUND for a file keeping three selections already, no
// free slot, a row outside 0..count-1 or a selection over 65535 rows (the
// fill stops there, detail naming the file); 163 BADINPUTDATA for a key
// without parts; 145 OUTOFMEMORY when the array cannot grow (the rows
// gathered stay for a direct SelFill). Recorded with module 19 (LocalLists)
// and the file in the detail. A selection that finds no record answers 2
// and leaves the file's record buffers and position as they were.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr int kSelSlots = 8;
constexpr uint32_t kSelMaxRows = 65535;
constexpr int32_t kSelAllRows = -1;

// Makes the key current (-1 keeps it, 0 is key 1: DataFileKeySet), takes a free
// slot and fills it: the records from the start text (SelKeyPrefix with the
// mode) while the key stays within the limit and the condition holds, at
// most max rows (-1 all). 0, 2 when no record qualifies, or an error; on any
// answer but 0 the slot is free again.
Status SelOpen(int file, int key, StrValue start, StrValue limit, int32_t max, int mode, StrValue cond);
// The filling step of SelOpen on slot (0-7).
Status SelFill(int slot, int file, int key, StrValue start, StrValue limit, int32_t max, int mode, StrValue cond);
// Mode 2: the text with its last byte raised by one; other modes the text.
StrValue SelKeyPrefix(StrValue text, int mode);
// Rows of the file's current selection (0 without one).
uint16_t SelCount(int file);
// The record number of a row, -1 when there is none.
int64_t SelRowRec(int file, uint32_t row);
// Reads the record of the row into record-buffer part 1, 2 or 3 (it becomes
// the record the file's update and delete act on).
Status SelRowRead(int file, int part, uint32_t row);
// The field's value in the row's record (read into the current record and
// its saved copy), or the empty text.
StrValue SelFieldGet(int file, uint32_t row, int field);
// Frees the file's current selection and pops its stack.
Status SelRelease(int file);
// Deletes every record whose key (-1 the current one, 0 key 1) begins with the
// text and that meets the condition, one by one by record number, then
// releases the selection: 0 (also when nothing qualified) or the first
// error.
Status SelDeleteAll(int file, int key, StrValue text, StrValue cond);

// Frees every slot and empties every file's stack (before shutdown).
void SelFreeAll();
// Slots that hold a selection now.
int SelSlotsBusy();
