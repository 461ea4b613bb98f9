#include "screens/progress.h"

#include "runtime/seam.h"

Status ProgressOpen(int, uint32_t) { return SeamMissing("ProgressOpen"); }
Status ProgressClose() { return SeamMissing("ProgressClose"); }
