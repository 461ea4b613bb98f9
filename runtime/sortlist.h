// Sorted lists: fixed-width text items kept in key order as they are
// inserted, with a cursor to walk them.
//
// Items lie back to back in one growable block of memory owner 12 (Sort),
// each exactly the item width, a shorter text padded with blanks on the
// right. Only the first key-width bytes are compared (unsigned bytes,
// StrCompare). Flags: kSortUnique refuses a second item with an equal key
// (5), kSortDescending keeps the largest key first. A new item whose key
// equals others goes right after the first of them, so a1, a2, a3 inserted
// with one key come out a1, a3, a2.
//
// Storage starts at 256 items of the first width given and doubles from
// what the items need when it is full; sizes are computed in 32 bits and the
// block never passes 65535 bytes (the largest multiple of the item width).
// An insert that finds no room answers 145 and leaves the list as it was,
// count included. Widths above 65535 and an item width of 0 are 163; a key
// width of 0 means the whole item. Errors of 128 and above are recorded with
// module 12.
//
// Cursor moves (the data-file navigation codes): 0x10 next, 0x14 previous,
// 0x20 last, 0x24 first, any other code leaves it. A move answers 0 when the
// cursor is on an item and 2 when it ran past either end: the cursor then
// rests on the last item (0 for an empty list).
#pragma once
#include <cstdint>

#include "runtime/memory.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr uint8_t kSortUnique = 0x01;
constexpr uint8_t kSortDescending = 0x02;
constexpr uint8_t kSortNulList = 0x40;  // SortListString: NUL-separated
constexpr uint8_t kSortTrim = 0x80;     // SortListString: items right-trimmed

constexpr uint16_t kSortNext = 0x10;
constexpr uint16_t kSortPrevious = 0x14;
constexpr uint16_t kSortLast = 0x20;
constexpr uint16_t kSortFirst = 0x24;

struct SortList {
  MemBuf items;  // owner 12; used = count x item width
  uint16_t keyWidth = 0;
  uint16_t itemWidth = 0;
  uint16_t count = 0;
  uint16_t current = 0;
  uint8_t flags = 0;
};

// Item width the larger of a and b, key width the smaller (0: the whole
// item); storage for 256 items of a (of the item width when a is 0).
Status SortListCreate(uint32_t a, uint32_t b, uint8_t flags, SortList* list);
// 0 inserted; 5 a duplicate refused; 163 a text longer than the item width;
// 145 no room (the list unchanged).
Status SortListInsert(StrValue text, SortList* list);
Status SortListMove(uint16_t code, SortList* list);
// The item under the cursor, full width, as a new slot of the string area;
// empty for an empty list.
StrValue SortListItem(const SortList& list);
Status SortListFree(SortList* list);
// The items of a comma list (NUL list with kSortNulList) sorted with the
// flags and joined with the same separator, right-trimmed with kSortTrim. An
// empty list gives the empty text; a failure the error string of its code.
StrValue SortListString(StrValue list, uint8_t flags);
