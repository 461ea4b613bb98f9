// The bounded text buffer and arrays of fixed-width items.
//
// TextBuf: a caller-owned buffer of `capacity` bytes with a used length and
// a sticky status. A write that would pass the capacity sets the status to
// 153 STRCONCATERR and writes nothing; every later write is refused too, so
// a caller builds a whole text and checks the status once at the end.
//
// Item arrays: a byte array of n bytes holding items of one width (n a
// multiple of the width). Indexes count items from 0; reads outside the
// array answer 0 and writes outside it do nothing; searches answer 65535
// when nothing is found. Items are read and written in the machine's byte
// order, unaligned access allowed.
#pragma once
#include <cstdint>

#include "runtime/strvalue.h"

struct TextBuf {
  Status status = 0;  // 153 once a write did not fit; sticky
  char* ptr = nullptr;
  uint16_t used = 0;
  uint16_t capacity = 0;
};

constexpr uint16_t kBufAtEnd = 65535;

// Writes s at pos (kBufAtEnd: at the used end; a gap behind the used end is
// filled with blanks) and extends the used length. Answers the written part
// of the buffer, empty once the status is set; an error string is answered
// unchanged and leaves the buffer alone.
StrValue BufWrite(TextBuf& buf, uint16_t pos, StrValue s);
// The used part of the buffer.
StrValue BufText(const TextBuf& buf);

// 0 when item i lies inside an array of n bytes of items of the width, else
// 65535 (also for width 0 or n not a multiple of the width).
uint16_t ArrCheckIndex(uint32_t n, uint32_t width, uint32_t i);
uint16_t ArrGet16(const void* arr, uint32_t n, uint32_t i);
void ArrSet16(void* arr, uint32_t n, uint32_t i, uint16_t v);
uint64_t ArrGet64(const void* arr, uint32_t n, uint32_t i);
uint16_t ArrFind(const void* arr, uint32_t n, uint32_t width, const void* item);
uint16_t ArrFindZero16(const void* arr, uint32_t n);  // a free 16-bit entry
uint16_t ArrFindZero32(const void* arr, uint32_t n);  // a free 32-bit entry

// A copy of the array sorted by ascending bytes, as one new slot of the
// string area (its ptr is the sorted array); the sort is stable, and equal
// items are byte-identical anyway. 163 for a width of 0 or an n that is not
// a multiple of it; 145 when the area is full.
StrValue SortFixedItems(const void* arr, uint32_t n, uint32_t width);
