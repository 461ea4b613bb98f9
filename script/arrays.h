// Arrays of the script language.
//
// An array is a variable whose name carries "(" ("a(", "t$(", "n#("); the name
// without its final "(" gives the element type: integer (2 bytes), string
// (fixed width, the width of the pattern it was created with) or number (8
// raw bytes). Its descriptor (ArrDesc) is the element of value table 6 at the
// array's slot; its data is one memory block of owner 10 (VarStruct).
//
// Shape: up to 4 dimensions; a declared size s gives s + 1 positions, and the
// element count is the product over the dimensions, at most 65535 elements
// and kArrMaxBytes bytes. Positions are row-major (the last index varies
// fastest) and only the position is bounded, not each index, so on a 3 x 4
// array a(1;4) is the same element as a(2;0).
//
// Script indexes are numbers: their integer part is used (fractions are cut
// off) and a negative index is out of bounds.
//
// Errors (recorded with module 10, the name as detail): 149 DIMSTRUCERROR for
// a shape that cannot be made (more than 4 dimensions, a negative size, more
// than 65535 elements) and for a missing array on assignment; 147 for a count
// of 1, an element size of 0 (an empty string pattern) or an invalid element
// type; 145 for data beyond kArrMaxBytes or no memory; 157 for a name that is
// defined already or is not an array name; 168 for a position beyond the
// array; 128 for a value of the wrong kind.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "script/variables.h"

constexpr int kArrMaxDims = 4;
constexpr uint32_t kArrMaxBytes = 16u << 20;
constexpr int32_t kArrLabelSize = 256;  // the label array "_#(" of the accumulators

struct ArrDesc {
  uint16_t type = 0;      // kVarInt, kVarStr or kVarNum
  uint16_t elemSize = 0;  // 2, the string width, or 8
  uint16_t count = 0;     // elements
  uint16_t dims[kArrMaxDims] = {};  // each declared size + 1; 0 = unused
  unsigned char* data = nullptr;
};

// Fills desc for an array of elements of type (element type code) with
// dimCount declared sizes; string elements start as pattern, the others 0.
Status ArrCreate(ArrDesc& desc, uint16_t type, int dimCount, const int32_t* sizes, StrValue pattern);
// Defines the array name (which must not be defined yet) with that shape.
Status ArrDim(StrValue name, int dimCount, const int32_t* sizes, StrValue pattern);
// The descriptor of a defined array, null otherwise. It stays at its address
// until the array is dropped.
ArrDesc* ArrLookup(StrValue name);
// The element at the row-major position of the indexes; 168 beyond the count.
Status ArrElemAddr(const ArrDesc& a, int count, const int32_t* indexes, unsigned char** elem);

// Reads name(i;j;...) with script indexes (FixedNum) and pushes the element
// as the current result (integers as numbers). An undefined array is created
// first with the indexes as its declared sizes (string arrays from pattern).
Status ArrElemRead(StrValue name, int count, const FixedNum* indexes, StrValue pattern);
// Assigns the current result to name(i;j;...); the array must exist (149).
// Integer elements keep the value's integer part (low 16 bits), strings are
// cut or blank-padded to the width, numbers take the 8 raw bytes.
Status ArrElemAssign(StrValue name, int count, const FixedNum* indexes, StrValue value);

// Adds to (or sets) a number element; 149 when the element does not exist,
// 168 when the sum leaves the 64-bit range (the element is unchanged).
Status ArrAddNum(StrValue name, FixedNum value, int count, const int32_t* indexes);
Status ArrSetNum(StrValue name, FixedNum value, int count, const int32_t* indexes);
// Sets the elements at positions from .. to - 1 (never past the count) to the
// value, given as an assignment value; 168 when the array is not defined.
Status ArrFill(StrValue name, StrValue value, uint32_t from, uint32_t to);

// Frees the data of the arrays at slots from `fromSlot` on (their
// descriptors stay, emptied).
void ArrFreeFrom(uint32_t fromSlot);
// Frees every array and forgets their names.
void ArrFreeAll();

// 1 when the text before "(" is a built-in, else 0, or an error (>= 128).
// For the label array "_#(" it creates the array (one dimension of
// kArrLabelSize) on first use.
Status BuiltinCheckName(StrValue name);
