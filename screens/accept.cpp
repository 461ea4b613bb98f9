#include "screens/accept.h"

#include "runtime/seam.h"

Status AcceptCommand(StrValue, int) { return SeamMissing("AcceptCommand"); }
Status MantAuxCommand(StrValue) { return SeamMissing("MantAuxCommand"); }
