#include "screens/doclines.h"

#include "runtime/seam.h"

Status MovsLinesLoad(GridBuffer&, StrValue, StrValue) { return SeamMissing("MovsLinesLoad"); }
