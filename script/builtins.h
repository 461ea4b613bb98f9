// The built-in functions of the script language.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// 1-49 by position in the built-in name list (any letter case), 0 when the
// name is not a built-in.
uint16_t BuiltinCode(StrValue name);
