#include "script/variables.h"

#include "runtime/seam.h"

Status VarSysInit() { return SeamMissing("VarSysInit"); }
uint16_t VarsFreeAll() { return RuntimeMemFree(); }
int16_t VarSysIntGet(int /*slot*/) { return 0; }
Status VarSysIntSet(int /*slot*/, int16_t /*value*/) { return SeamMissing("VarSysIntSet"); }
