#include "data/dictionary.h"

#include "runtime/seam.h"

Status DicLoad(StrValue, StrValue, StrValue) { return SeamMissing("DicLoad"); }
