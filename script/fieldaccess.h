// Field access of the script language: the terms NAME{file} of an
// expression and the FILEREL built-in reach the records of the data layer,
// which sits above the script layer. The data layer answers through this
// table, registered at start-up; until it is, each entry answers 148
// FEATUREREMOVED with its name in the error detail.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// A parsed reference as the expression evaluator holds it.
struct FieldRef {
  Status status = 0;   // 0, 147 SINTAXERROR, 161 FILEOUTBOUND or 168
  uint16_t file = 0;   // 1-based data-file number
  uint16_t field = 0;  // field number in the file, 0 for the file alone
  char type = 'N';     // the field's type letter
};

// FILEREL flags (after the built-in has added its own).
namespace relflag {
constexpr uint16_t kSeed = 0x01;    // not found: a blank record with the key fields set
constexpr uint16_t kAlsoOn1 = 0x02; // read on status 1 too; browse under `_SCRSTAT` 64
constexpr uint16_t kInsert = 0x04;  // insert the related record when missing
constexpr uint16_t kDelete = 0x08;  // with kInsert: delete it; alone: a browse condition
}  // namespace relflag

struct FieldAccess {
  FieldRef (*parse)(StrValue ref);
  // The field's text in the current record, or an error string.
  StrValue (*read)(const FieldRef& ref);
  Status (*assign)(StrValue ref, StrValue value);
  // FILEREL: file b related to the current record of file a by relation c.
  Status (*relRead)(int a, int b, int c, uint16_t flags, StrValue text);
  // A number that changes whenever a reference may resolve differently; 0
  // while none may be kept. Null: references are parsed at every use.
  uint64_t (*generation)();
  // Sets the field of a reference parse gave.
  Status (*assignRef)(const FieldRef& ref, StrValue value);
};

// A reference resolved once and kept while the generation is the same (and,
// for "NAME{}", the current file and the upper-case rule are).
struct FieldRefSlot {
  FieldRef ref;
  uint64_t generation = 0;  // 0: nothing kept
  int16_t curFile = 0;
  int16_t auxStat = 0;
};

// Replaces the table (a null entry keeps its stand-in).
void FieldAccessSet(const FieldAccess& access);

// The script's calls through the table.
FieldRef FieldAccessParse(StrValue ref);
StrValue FieldAccessRead(const FieldRef& ref);
Status FieldAccessAssign(StrValue ref, StrValue value);
// The reference as parse gives it, taken from the slot while it holds.
FieldRef FieldAccessResolve(StrValue ref, FieldRefSlot& slot);
Status FieldAccessAssignRef(const FieldRef& ref, StrValue value);
Status FieldAccessRelRead(int a, int b, int c, uint16_t flags, StrValue text);
