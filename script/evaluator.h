// The expression evaluator.
#pragma once
#include "runtime/status.h"

// Defines one integer variable per data file of the dictionary.
Status VarFileNumsDefine();
