// String utilities: conversions, comparison, case, trimming, translation,
// searching and replacement on StrValues.
//
// Results live in the string area (strvalue.h) unless a function says it
// returns a view into its argument. Error strings given as input pass
// through: a string result is the first error string among the inputs, a
// position result is 65535, a status result is the error's code.
//
// Texts are single bytes (Windows-1252). Case mapping is ASCII-only on
// unsigned bytes, so keys stored in files never depend on a locale.
//
// Search mode (argument `mode`): kSearchQuoted skips '...' and "..." parts
// (an unclosed quote hides the rest of the text, and the quote characters
// themselves are never found); kSearchPlain compares every byte. Positions
// are counted from 0; 65535 means not found.
//
// Errors: 160 MEMTESTERROR (module STRCONCAT) for a replacement that does not
// fit; 163 BADINPUTDATA for an assignment pair with an empty side or a code
// table without characters; 159 STROUTBOUND from MemCompare on a null
// pointer.
#pragma once
#include <cstdint>

#include "runtime/strvalue.h"

constexpr int kSearchQuoted = 0;
constexpr int kSearchPlain = 1;
constexpr uint16_t kNotFound = 65535;

// --- Conversions and small operations -----------------------------------

// 1 for a yes word, otherwise the decimal value (leading white space, an
// optional sign, digits; read within the text's length, saturating at 64
// bits) cut to its low 16 bits.
int16_t StrToInt(StrValue s);
// True for "YES", "SI", "Y", "S" or "ON" in any letter case.
bool StrIsYes(StrValue s);
char StrBracketClose(char open);
bool StrIsEnclosed(StrValue s, char open);
inline int32_t IntOrDefault(int32_t v, int32_t def) { return v ? v : def; }
StrValue StrOrDefault(StrValue s, StrValue def);
inline int16_t IntMax(int16_t a, int16_t b) { return a > b ? a : b; }
inline int16_t IntMin(int16_t a, int16_t b) { return a < b ? a : b; }
// name "=" value; the error string 163 when either side is empty.
StrValue StrAssignPair(StrValue name, StrValue value);
// Position of the first NUL byte, 65535 when none.
uint16_t StrCLen(StrValue s);
// True when v lies in "lo-hi" (first and last "-" fields, bounds included).
bool StrInRange(int64_t v, StrValue range);
// 1-based position of the first range of a comma list holding v, 0 if none.
uint32_t StrRangeListFind(int64_t v, StrValue ranges);

// --- Comparison -----------------------------------------------------------

// -1, 0 or 1 over n bytes; 159 when a pointer is null.
int MemCompare(const void* a, const void* b, uint32_t n);
// Unsigned bytes over the shorter length, then the shorter text is smaller.
int StrCompare(StrValue a, StrValue b);
// Operators: 1 equal, 2 greater, 3 greater or equal, 4 less, 5 less or
// equal; any other number gives false.
bool StrCompareOp(StrValue a, StrValue b, int op);
// a when it is non-empty and (op < 2, or b is empty, or a op b holds), else b.
StrValue StrPickByOp(StrValue a, StrValue b, int op);

// --- Case, character sets, trimming ---------------------------------------

// Upper-case copy with flag 1, otherwise lower-case copy (ASCII letters).
StrValue StrCaseCopy(StrValue s, int flag);
bool StrAllIn(StrValue s, StrValue set);
StrValue StrKeepChars(StrValue s, StrValue set);
// View without one pair of matching quotes (first and last byte the same
// quote character, length 2 or more); otherwise s itself.
StrValue StrUnquote(StrValue s);
// Each byte found in `from` becomes the byte at the same place of `to`;
// a byte whose place lies beyond `to` stays as it is.
StrValue StrTranslate(StrValue s, StrValue from, StrValue to);
// Replaces each fixed-width code of `table` (width = table length / number
// of chars) by the character at the same place of `chars`.
StrValue StrCodesToChars(StrValue s, StrValue table, StrValue chars);
// Views trimmed of blanks and tabs (or of a set): flag 1 left, 2 right, 3 both.
StrValue StrTrim(StrValue s, int flag);
StrValue StrTrimSet(StrValue s, StrValue set, int flag);
// Trimmed, one pair of quotes stripped, upper-cased only when not quoted.
StrValue StrTokenNorm(StrValue s);
// Each run of c becomes one c (runs inside quotes kept with kSearchQuoted).
StrValue StrCollapseRuns(StrValue s, char c, int mode);

// --- Searching --------------------------------------------------------------

uint16_t StrFindChar(StrValue s, char c, int mode);
uint16_t StrFindAny(StrValue s, StrValue set, int mode);
// First position at or after start of a pattern; an empty pattern or one
// longer than the text is never found.
uint16_t StrFindStrAt(StrValue s, uint32_t start, StrValue pat, int mode);
inline uint16_t StrFindStr(StrValue s, StrValue pat, int mode) { return StrFindStrAt(s, 0, pat, mode); }
uint16_t StrFindLastChar(StrValue s, char c, int mode);
uint16_t StrFindLastAny(StrValue s, StrValue set, int mode);
// Non-overlapping occurrences, counted left to right; 0 for an empty pattern.
uint32_t StrCountOccur(StrValue s, StrValue pat, int mode);

// --- Replacement ------------------------------------------------------------

// Every occurrence of pat replaced by rep, as one new top slot of the area
// (read it with StrAreaTop). A one-character quote pattern is searched
// plainly whatever the mode; an empty pattern leaves the text unchanged.
// Status: 0, the code of an error-string input, or 160 (recorded).
Status StrReplaceCore(StrValue s, StrValue pat, StrValue rep, int mode);
StrValue StrReplaceAll(StrValue s, StrValue pat, StrValue rep, int mode);
