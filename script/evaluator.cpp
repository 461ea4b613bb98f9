#include "script/evaluator.h"

#include "runtime/seam.h"

Status VarFileNumsDefine() { return SeamMissing("VarFileNumsDefine"); }
Status ExpEvalStatus(StrValue) { return SeamMissing("ExpEvalStatus"); }
