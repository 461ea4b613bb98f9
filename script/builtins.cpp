#include "script/builtins.h"

#include "runtime/seam.h"

uint16_t BuiltinCode(StrValue) { return SeamMissing("BuiltinCode"); }
