#include "screens/runwin.h"

#include "runtime/seam.h"

Status RunWinOpen(uint16_t, uint16_t, StrValue) { return SeamMissing("RunWinOpen"); }
Status RunWinClose() { return SeamMissing("RunWinClose"); }
