#include "data/transsetup.h"

#include "runtime/seam.h"

Status FileTransCommand(StrValue) { return SeamMissing("FileTransCommand"); }
