#include "runtime/options.h"

#include "runtime/seam.h"

StrValue OptJoinArgs(int, const char* const*) { return StrErr(SeamMissing("OptJoinArgs")); }
Status OptNormalise(StrValue) { return SeamMissing("OptNormalise"); }
StrValue OptValueByName(const char*) { return StrErr(SeamMissing("OptValue")); }
