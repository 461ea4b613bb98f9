// Paths, application directories and name expansion.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

StrValue PathResolve(StrValue base, StrValue relative);
StrValue AppPath(int kind);
Status PathMakeDirs(StrValue path);
