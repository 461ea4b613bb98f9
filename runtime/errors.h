// The recorded error and its detail.
//
// The first status of 128 or more is recorded with the module that raised it
// and stays until cleared (ErrSet with condition 2 and code 0); a detail text,
// usually the offending name, is kept beside it.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// condition 0: records nothing, answers 0. Otherwise records (code, module)
// when nothing is recorded and code >= 128, or always with condition 2 (code 0
// then clears). Answers value.
Status ErrSet(int condition, uint16_t module, Status code, Status value);
uint32_t ErrGet();  // code in the low 16 bits, module in the high 16 bits
StrValue ErrSetStr(int condition, uint16_t module, Status code, StrValue s);
Status ErrDetailSet(Status code, StrValue text, bool append);
StrValue ErrDetail();
inline void ErrClear() { ErrSet(2, 0, 0, 0); }
