#include "screens/mantwin.h"

#include "runtime/seam.h"

Status MantWindow(StrValue, int) { return SeamMissing("MantWindow"); }
