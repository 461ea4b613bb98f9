#include "screens/mantwin.h"

#include "runtime/seam.h"

Status MantWindow(StrValue, int) { return SeamMissing("MantWindow"); }
Status NavButtonsSet(uint16_t, StrValue) { return SeamMissing("NavButtonsSet"); }
Status MantTraceLine(int, int) { return SeamMissing("MantTraceLine"); }
