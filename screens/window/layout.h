// Field layout files: where a screen's fields and labels stand.
//
// A layout is a definition file of type 2 (extension PAN) whose tagged lines
// (line kind 1: a two-digit tag, a blank, the content) hold one field or
// label each at fixed positions, counted from 0:
//
//   | positions | field line      | label line (and other kinds)  |
//   |-----------|-----------------|-------------------------------|
//   | 0         | kind "1"        | kind "0" (any other kind)     |
//   | 1-2       | row             | row                           |
//   | 3-4       | column          | column                        |
//   | 5-6       | key file        | text from position 5          |
//   | 7-8       | key field       |                               |
//   | 9-10      | width           |                               |
//   | 11        | type letter     |                               |
//
// A field line fills a FieldDesc (screens/window/screendef.h): row, column, key
// file and field, type; length = the width (at most 8 for a date, which is
// stored as YYYYMMDD), input limit = the width, each through CompatFieldLen
// (data/dictionary/compat.h); display width = the input limit. A field of type "V"
// carries 181 in its status while its variable "_V<n>$" is not defined
// (unless `_COMPAT` 1024). Other lines go to the caller's callback with
// their kind as flag.
//
// Errors: 164 File Not Found (the file name in the detail) for a missing file
// or tag, unless kLayoutMissingOk; 163 for a field line shorter than 12
// characters or with a non-digit where digits are due, and 168 for more
// field lines than the caller's records (the line in the detail); the
// line-queue reader's 159 and 146. Nothing else of the line queue is touched:
// the layout's lines are taken out of it whatever happens.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/window/screendef.h"

constexpr int kLayoutMissingOk = 2;  // a missing file is read as no lines
constexpr uint32_t kLayoutFieldLine = 12;  // the shortest field line

// A line that is not a field: flag = its kind (the digit at position 0;
// non-zero for anything but a label); answers 0, or 0xFFFF when the line
// could not be shown. The answer does not end the layout.
using LayoutLineFn = uint16_t (*)(int flag, StrValue line);

struct LayoutResult {
  Status status = 0;
  uint16_t fields = 0;  // field lines read
};

// Reads the layout of the tag into out (capacity records; out may be null to
// count the field lines only). Without a callback every line is read as a
// field.
LayoutResult FieldLayoutLoad(StrValue layoutName, int tag, int flags, FieldDesc* out, uint16_t capacity,
                             LayoutLineFn callback);
// One field line as a field record; false when it is malformed.
bool FieldLayoutLine(StrValue line, uint16_t number, FieldDesc* out);
