// The key-range update: the records of a data file whose key lies in a range
// and whose field holds one value get another value in that field, their
// keys moving with it. Relation statements do not run (plain updates), so a
// caller that wants them off for the other writes of its work clears the bit
// of value 1 of _UPSTAT itself.
//
// A range is [lo, hi] on key `key` of the file: a record is in it when its
// key text is at or after lo and, cut to the length of hi, at or before hi
// (so hi "20240105" takes every key that begins with that day).
//
// Values are compared as stored: the match value is formatted to the field
// (its type and length) and compared with the field's bytes, so a number
// matches "     5" whether it was written "5" or "005". The records are
// collected before any of them changes, so each record changes once even
// when its new value matches another change.
//
// DataFileKeyRangeUpdate is the hook of one change: two assignments
// "FIELD=value" (the value a number text or a text quoted with ' or "), the
// first to apply and the second read as the match. DataFileKeyRangeApply
// does a list of changes of one field in one pass over the range, applied
// in the order given (the caller orders them so that no two keys ever meet).
//
// Answers: 0 (also when nothing matched); 65535 when the file is not open
// with an index, has no such key or no such field; 147 for an assignment that
// does not parse; a write's error otherwise (a repeated key answers 144 with
// the file in the detail). The file's control block, buffers, cursor and
// position are put back afterwards.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr Status kKeyRangeNoTarget = 0xffff;

struct KeyRangeChange {
  std::string from;  // the match value, unquoted
  std::string to;    // the new value, unquoted
};

Status DataFileKeyRangeUpdate(int file, int key, StrValue lo, StrValue hi, StrValue set, StrValue match);
// The changes of `field` (a field name of the file); *changed (when given)
// receives the count of records written.
Status DataFileKeyRangeApply(int file, int key, StrValue lo, StrValue hi, StrValue field,
                             const std::vector<KeyRangeChange>& changes, uint64_t* changed);
