// Record buffers and field references.
//
// A field reference is written NAME{file}: a field of a data file of the
// dictionary, {} meaning the current file, and {file} alone the file itself.
// The script language reads and writes fields through the functions below.
// They answer 148 FEATUREREMOVED until the dictionary and the record buffers
// exist.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// A parsed field reference.
struct FieldRef {
  Status status = 0;   // 0, 147 SINTAXERROR, 161 FILEOUTBOUND, or 148
  uint16_t file = 0;   // 1-based data-file number
  uint16_t field = 0;  // field number in the file, 0 for the file alone
  char type = 'N';     // the field's type letter
};

// Parses NAME{file}.
FieldRef FieldRefParse(StrValue ref);
// The field's text in the current record (after the compatibility
// conversions), or an error string.
StrValue FieldRefRead(const FieldRef& ref);
// Parses the reference and stores the value text into the field, formatted
// by its type letter.
Status RecFieldSetRef(StrValue ref, StrValue value);
