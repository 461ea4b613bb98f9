// Separated lists and NAME:value option texts.
//
// A list is a text of items separated by one character, counted from 1. A
// separator inside a '...' or "..." part does not separate (an unclosed quote
// runs to the end), except when the separator is the NUL byte: then every
// byte counts. An empty text has no items; otherwise there is one item more
// than there are separators, so "a," holds "a" and "".
//
// An option text holds items NAME:value or NAME=value separated by any of
// ":", blank, "&" and "/"; with the NUL-list flag (kKeyNulList) it is a list
// of NUL-separated NAME=value items instead. Names are case-sensitive.
//
// Items and values come back as views into the list (no copy); built lists
// are new slots of the string area. Error strings pass through. A built
// list longer than 65535 bytes is the error string 146.
#pragma once
#include <cstdint>

#include "runtime/strvalue.h"

// Walks the items of a list in order; each step costs only the item's bytes,
// so a loop over all items is linear (StrListItem rescans from the start).
class StrListIter {
 public:
  StrListIter(StrValue list, char sep);
  bool Next(StrValue* item);  // false once every item was given

 private:
  StrValue list_;
  char sep_;
  uint32_t pos_ = 0;
  bool more_;
};

uint32_t StrListCount(StrValue list, char sep);
// Position of the first separator, the text's length when none.
uint16_t StrListSepPos(StrValue list, char sep);
// The text after the first item and its separator; empty when no separator.
StrValue StrListRest(StrValue list, char sep);
// Offset (low 16 bits) and length (high 16 bits) of item n; 65535 in the low
// half when there is no item n.
uint32_t StrListSpan(StrValue list, char sep, uint32_t n);
StrValue StrListItem(StrValue list, char sep, uint32_t n);  // empty when absent
int16_t StrListItemInt(StrValue list, char sep, uint32_t n);
// 1-based position of the first item equal byte for byte to text, 0 if none.
uint32_t StrListFind(StrValue list, char sep, StrValue text);
// Length of the longest item (mode 0) or of the shortest (mode 1, at most
// the whole length), an enclosing pair of quotes not counted.
uint16_t StrListMaxLen(StrValue list, char sep, int mode);
// a, then the items of b that a does not hold, in b's order.
StrValue StrListUnion(StrValue a, StrValue b, char sep);
// The items of a that b does not hold, in a's order.
StrValue StrListDiff(StrValue a, StrValue b, char sep);
// a + sep + b; the separator only when both are non-empty.
StrValue StrJoinSep(StrValue a, char sep, StrValue b);
// Builds the changed list as the area's new top slot and answers a status:
// n > 0 replaces item n (padding with separators when the list is shorter);
// n = 0 appends; n < 0 deletes item -n with one separator (the one before it,
// or after it for the first item); deleting beyond the count changes nothing.
Status StrListSetItem(StrValue list, char sep, int32_t n, StrValue text);
StrValue StrListSet(StrValue list, char sep, int32_t n, StrValue text);

// --- Option texts -------------------------------------------------------------

constexpr int kKeyNormalised = 3;  // trimmed, unquoted, upper-cased unless quoted
constexpr int kKeyUnquoted = 1;
constexpr int kKeyNulList = 4;     // the text is a NUL-separated list

// NAME followed by ":" anywhere in the text, and only when there is none,
// NAME followed by "="; a hit counts only at the start or after a separator.
// Answers the value's offset (low 16 bits) and length (high 16 bits), or
// 65535 in the low half when absent.
uint32_t StrKeyLocate(StrValue text, StrValue name, int flags);
// The value: (flags & 3) == 3 normalised, 1 unquoted, else raw; empty when
// absent. kKeyNulList may be added to the flags.
StrValue StrKeyGet(StrValue text, StrValue name, int flags);
inline StrValue StrKeyValue(StrValue text, StrValue name) { return StrKeyGet(text, name, kKeyNormalised); }
// Pushes the value into the area (raw when the name holds "%", else
// unquoted) and answers 0; 65535 with nothing pushed when absent.
Status StrKeyValuePush(StrValue text, StrValue name);
