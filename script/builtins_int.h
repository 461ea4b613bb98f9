// Shared by the built-in topic files only: the handlers by code, the
// evaluation of a text for a built-in, and small helpers.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "script/builtins.h"

// Evaluates an expression text and leaves its value as the current result
// (one new slot above the caller's mark); *kind is kArgKindNum or
// kArgKindStr. Answers 0 or the status (errors 128 and above, 122).
Status BuiltinEvalText(StrValue text, uint16_t* kind);
// The same for a compiled text.
struct ExpCompiled;
Status BuiltinEvalCompiled(ExpCompiled* code, uint16_t* kind);

// The code of the call being run (0 outside a call).
uint16_t BuiltinCurrentCode();
// The integer nearest to a FixedNum (half away from zero).
int64_t BuiltinNumToInteger(FixedNum v);

// The text of a number with exactly _PRECIS decimals (5 shows as 5.00).
StrValue BuiltinNumText(FixedNum v);

// Records an error of 128 and above with module 11 and answers code.
Status BuiltinFail(Status code);

// Text and number built-ins.
Status BiStrLen(const uint16_t* kinds, uint16_t count);
Status BiParmNum(const uint16_t* kinds, uint16_t count);
Status BiChk(const uint16_t* kinds, uint16_t count);
Status BiChng(const uint16_t* kinds, uint16_t count);
Status BiChrs(const uint16_t* kinds, uint16_t count);
Status BiMids(const uint16_t* kinds, uint16_t count);
Status BiParmStr(const uint16_t* kinds, uint16_t count);
Status BiTrim(const uint16_t* kinds, uint16_t count);
Status BiEnvelop(const uint16_t* kinds, uint16_t count);
Status BiMacro(const uint16_t* kinds, uint16_t count);
Status BiEnvron(const uint16_t* kinds, uint16_t count);
Status BiExp(const uint16_t* kinds, uint16_t count);
Status BiSqlChild(const uint16_t* kinds, uint16_t count);

// Date, time and formatting built-ins.
Status BiValN(const uint16_t* kinds, uint16_t count);
Status BiDate(const uint16_t* kinds, uint16_t count);
Status BiMask(const uint16_t* kinds, uint16_t count);
Status BiTime(const uint16_t* kinds, uint16_t count);

// Built-ins on data files, files, streams and lists (builtins_data.cpp).
Status BiLabelArray(const uint16_t* kinds, uint16_t count);
Status BiFileLen(const uint16_t* kinds, uint16_t count);
Status BiAcum(const uint16_t* kinds, uint16_t count);
Status BiFileFind(const uint16_t* kinds, uint16_t count);
Status BiFileRel(const uint16_t* kinds, uint16_t count);
Status BiFileLocate(const uint16_t* kinds, uint16_t count);
Status BiFileSel(const uint16_t* kinds, uint16_t count);
Status BiFlds(const uint16_t* kinds, uint16_t count);
Status BiSort(const uint16_t* kinds, uint16_t count);
Status BiExec(const uint16_t* kinds, uint16_t count);
Status BiRead(const uint16_t* kinds, uint16_t count);
Status BiWrite(const uint16_t* kinds, uint16_t count);
Status BiList(const uint16_t* kinds, uint16_t count);
Status BiKey(const uint16_t* kinds, uint16_t count);
Status BiIer(const uint16_t* kinds, uint16_t count);
