#include "apps/administration/admtasks.h"

#include "runtime/seam.h"

Status MantFileWinRun(StrValue) { return SeamMissing("MantFileWinRun"); }
Status MovsKeySelectAction(int) { return SeamMissing("MovsKeySelectAction"); }
