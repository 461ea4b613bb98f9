#include "script/procedures.h"

#include "runtime/seam.h"

Status PrcRunSpec(StrValue) { return SeamMissing("PrcRunSpec"); }
