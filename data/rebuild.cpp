#include "data/rebuild.h"

#include "runtime/seam.h"

Status ReorgCommand(StrValue) { return SeamMissing("ReorgCommand"); }
Status CopyCommand(int) { return SeamMissing("CopyCommand"); }
