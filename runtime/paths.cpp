#include "runtime/paths.h"

#include "runtime/seam.h"

StrValue PathResolve(StrValue, StrValue) { return StrErr(SeamMissing("PathResolve")); }
StrValue AppPath(int) { return StrErr(SeamMissing("AppPath")); }
Status PathMakeDirs(StrValue) { return SeamMissing("PathMakeDirs"); }
