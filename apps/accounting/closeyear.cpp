// The year close and its undo.
#include "apps/accounting/tasks.h"
#include "runtime/seam.h"

Status AcCloseYear(int) { return SeamMissing("AcCloseYear"); }
Status AcUncloseYear(int) { return SeamMissing("AcUncloseYear"); }
