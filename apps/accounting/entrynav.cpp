// Entry-line ordering and the navigation window.
#include "apps/accounting/tasks.h"
#include "runtime/seam.h"

Status LnNavMain(StrValue) { return SeamMissing("LnNavMain"); }
Status AcBiFitEntry(const uint16_t*, uint16_t) { return SeamMissing("AcFitEntry"); }
