// The registry of operations and the entry window.
#include "apps/accounting/tasks.h"
#include "runtime/seam.h"

Status AcTaskRunProcedure(int) { return SeamMissing("AcTaskRunProcedure"); }
Status AcRegistryOperDev(int) { return SeamMissing("AcRegistryOperDev"); }
Status AcTaskEntryWindow(int) { return SeamMissing("AcTaskEntryWindow"); }
