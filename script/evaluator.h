// The expression evaluator of the script language.
//
// Evaluates expression texts (scanner.h) over FixedNum numbers (64-bit,
// scaled by 10^_PRECIS) and strings. Integer variables read as numbers.
// Assignment is the operator "=" (from the right: a=b=c). The value of the
// last expression is the *current result*: one new slot of the string area
// above the caller's mark, 8 raw bytes for a number or the text for a string.
//
// A text is compiled once and kept in a cache keyed by the text
// (expcache.h); the compiled form runs with the same operations in the same
// order as scanning the text would, so every result, status and error
// detail is the same either way.
//
// Numbers: * / % ÷ round half away from zero through a 128-bit intermediate;
// a result beyond 64 bits is 168 DATAOUTBOUND with the expression in the
// detail, as is a number literal that does not fit. A divisor of 0 gives 0.
// "a!n" re-scales the raw value of a from _PRECIS decimals to n. & | @ @@ work
// on the integer parts, && and || on the whole values; comparisons and
// logical operators give 1 or 0. Strings: "+" joins (over 65535 bytes is 146
// STRINGTOOLONG), comparisons go byte by byte and the shorter text first, and
// "==" falls back to a pattern test ('abc*' a prefix, '*abc' a substring, any
// letter case) unless _AUXSTAT has the bit of value 128.
//
// Quirks of the language that scripts rely on: an empty term before an
// operator is a sign, evaluated with the class of the operator after it, so
// a*-b+c is a*(0-b+c); "|" binds tighter than "*"; integer variables keep the
// low 16 bits of what they are given; a string condition is false.
//
// Errors of 128 and above stop the text; they are recorded with module 11
// (ExpExec) and the term and the rest of the failing expression go to the
// error detail. 147 SINTAXERROR: an operator that does not apply to strings,
// an empty operand where none is allowed, a bad assignment target, a
// malformed number literal, _PRECIS set outside 0-9, nesting deeper than
// kExpMaxDepth (counted across nested evaluations: the arguments of
// built-ins, procedures run from an expression); 128 "Type Mismatch": a string mixed with a number. Soft
// statuses (below 128, except 122) of built-ins and hooks do not stop a
// text; the text then answers that status instead of its type, its value
// still left as the current result. 122 (cancel) stops it.
#pragma once
#include <cstdint>

#include "runtime/fixednum.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr int kExpMaxDepth = 200;

// Evaluates every expression of the text; answers 0 for a number result, 1
// for a string result (left as the current result), or the status.
Status ExpExecText(StrValue text);
// True (1) for an empty text and for a non-zero number; false (0) for zero,
// a string and statuses 1-121; 122 and above are answered as they are.
Status ExpEvalCond(StrValue text);
// The result as a 16-bit integer (rounded half away from zero, low 16 bits
// kept), as a number, or as a string (a number as its number text: at most
// _PRECIS decimals, trailing zeros dropped, "3.5", ".33"): 0, 0 and the
// error string on error. A string result read as a number is its
// text read as a number. The error stays recorded.
int16_t ExpEvalInt(StrValue text);
FixedNum ExpEvalNum(StrValue text);
StrValue ExpEvalStr(StrValue text);
// Only an error (128 and above), else 0.
Status ExpEvalStatus(StrValue text);
// The text itself unless ExpClassify says it is an expression; then its
// string value.
StrValue ExpEvalIfExpr(StrValue text);

// Push a 16-bit integer, a FixedNum, a 64-bit integer or a number text as
// the current number result.
Status ExpPushInt(int16_t v);
Status ExpPushNum(FixedNum v);
Status ExpPushInt64(int64_t v);
Status ExpPushNumText(StrValue text);
