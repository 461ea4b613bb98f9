#include "data/runstatus.h"

#include "runtime/seam.h"

Status RunStatusClose() { return SeamMissing("RunStatusClose"); }
