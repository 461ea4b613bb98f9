// Calls into work that is not built yet answer 148 FEATUREREMOVED with the
// missing function's name in the error detail; a seam never reports success.
#pragma once
#include "runtime/errors.h"

inline Status SeamMissing(const char* name) {
  ErrDetailSet(st::FEATUREREMOVED, StrFromC(name), false);
  return ErrSet(1, MOD_NONE, st::FEATUREREMOVED, st::FEATUREREMOVED);
}
