// Variables of the script language and the system variables.
//
// A variable's type comes from its name (VarTypeOfName): "@" makes it invalid,
// "(" an array, "$" a string, "#" a number (FixedNum), nothing a signed 16-bit
// integer. Names live in string list 12 of the string-list store: items 0-3
// are comma lists of the integer, number, string and array names (array names
// keep their "(", e.g. "a("), and a variable's slot is its 0-based position in
// its list. Values: integers in value table 7, numbers in table 8, array
// descriptors in table 6, strings as the elements of string list 13, all by
// slot. Names are compared exactly; a name holding a list separator (",",
// ";"), a blank, a quote or a control character cannot be created (157).
// Lists 12 and 13 belong to this module: a hash index beside list 12 saves
// the linear search, so the lists are changed only through these functions.
//
// The system variables (runtime/sysvars.h) are declared first, so their
// slots are fixed. Integer variables are read and set by slot through
// runtime/sysvars.h, which every layer may include.
//
// Values travel as the evaluator's current result, the top slot of the string
// area: 8 raw bytes for a number, the text for a string. Names beginning with
// "_" are first offered to task hook 0 (mode 1 read, 5 assign); its answer 163
// means "not mine" and the ordinary variable is used.
//
// Errors are recorded with module 4 (VARNMASSIGN) and the name as detail: 157
// for a name that cannot be created, 147 for an invalid type, 128 for a value
// of the wrong kind, 141 for an inconsistent snapshot, 181 for a missing
// screen-field variable; the store's 159 and the tables' 168 pass through.
#pragma once
#include <cstdint>

#include "runtime/fixednum.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "runtime/sysvars.h"

// Type codes and the name list of each type.
enum VarType : uint16_t { kVarInvalid = 0, kVarInt = 2, kVarStr = 3, kVarNum = 6, kVarArray = 16 };
enum VarList : uint16_t { kListInt = 0, kListNum = 1, kListStr = 2, kListArray = 3, kListNone = 0xffff };
constexpr uint16_t kVarUndefined = 0xffff;

struct VarRef {
  uint16_t type = kVarInvalid;
  uint16_t list = kListNone;
  uint16_t slot = kVarUndefined;  // kVarUndefined when the name is not defined
};

// --- Start and end -------------------------------------------------------
// Creates the string-list store (and with it the memory table and the string
// area), the value tables, then declares every system variable in slot order.
Status VarSysInit();
// Frees every array's data, the value tables, then the runtime (string-list
// store, string area, memory table); answers the shutdown result (0, or the
// owner module of a block still live).
uint16_t VarsFreeAll();

// --- Names ---------------------------------------------------------------
VarType VarTypeOfName(StrValue name);
VarRef VarLookup(StrValue name);
// Changes whenever defined names lose their slots (local variables dropped,
// the runtime started or ended), so a slot resolved from a name stays good
// while the generation it was resolved in is the current one.
inline uint32_t g_varGeneration = 1;
inline uint32_t VarGeneration() { return g_varGeneration; }
// Appends the name to the list of ref.type and creates its value (0 or
// empty); ref.slot receives the new slot.
Status VarCreate(VarRef& ref, StrValue name);

// --- By slot -------------------------------------------------------------
// Where the value of a defined integer or number variable lies (null for a
// slot that does not exist): the value tables never move their elements,
// so the address stays good while VarGeneration() is unchanged. The system
// integer variables (slots below kSysIntCount) are set through VarIntSet,
// which passes some of them on.
int16_t* VarIntAt(uint32_t n);
FixedNum* VarNumAt(uint32_t n);
FixedNum VarNumGet(uint32_t n);
Status VarNumSet(uint32_t n, FixedNum v);
// A view of the value (list 13 of the string-list store holds it; the view
// is of a copy beside it), valid until the next change of any variable;
// empty beyond the count.
StrValue VarStrGet(uint32_t n);
Status VarStrSet(uint32_t n, StrValue s);  // n at most the current count
// A number as an integer variable holds it: rounded half away from zero,
// low 16 bits kept.
int16_t VarNumToInt(FixedNum v);

// _COUNT keeps the low 16 bits of v, _HCOUNT v / 65536 rounded half away
// from zero; VarCountGet gives v back (signed _COUNT + _HCOUNT x 65536).
void VarCountSet(int32_t v);
int32_t VarCountGet();

// --- By name -------------------------------------------------------------
// Assigns the value (a current result: 8 raw bytes for integers and numbers,
// the text for strings), creating an undefined name. An integer receives the
// number rounded half away from zero, keeping its low 16 bits.
Status VarAssign(StrValue name, StrValue value);
Status VarAssignInt(StrValue name, int16_t n);
// Pushes the value on the string area as the current result: a number (8 raw
// bytes) for integers and numbers, the text for strings. Undefined numbers
// read 0 and strings empty; .lf$ .tab$ .pchr$ .null$ read CR LF, TAB, "\"
// and the empty text.
Status VarRead(StrValue name);

// The variable _V<n>$: its first character and the integer value of the rest.
struct ScreenFieldVar {
  Status status = 0;  // 181 when the variable is not defined
  char kind = 0;
  int16_t value = 0;
};
ScreenFieldVar VarScreenFieldRead(int n);

// --- Procedure-local variables -----------------------------------------------
struct VarSnapshot {
  uint32_t nameBytes[4] = {};
  uint32_t nameCount[4] = {};
  uint32_t ints = 0, nums = 0, arrays = 0, strs = 0;
};
VarSnapshot VarCountsSave();
// Drops every variable created since the snapshot (array data included).
Status VarCountsRestore(const VarSnapshot& snap);
