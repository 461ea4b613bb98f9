// Balance reset and regeneration.
#include "apps/accounting/tasks.h"
#include "runtime/seam.h"

Status AcTaskBalanceMaint(int) { return SeamMissing("AcTaskBalanceMaint"); }
