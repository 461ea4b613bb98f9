#include "script/objparams.h"

#include "runtime/seam.h"

Status ParmStrPush(StrValue) { return SeamMissing("ParmStrPush"); }
Status ParmStrPop() { return SeamMissing("ParmStrPop"); }
StrValue ParmTitlesOfFiles(StrValue) { return StrErr(SeamMissing("ParmTitlesOfFiles")); }
