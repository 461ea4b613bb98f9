// The expression evaluator.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Defines one integer variable per data file of the dictionary.
Status VarFileNumsDefine();
// Evaluates a text; answers only its error (128 and above) or 0.
Status ExpEvalStatus(StrValue text);
