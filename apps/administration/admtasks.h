// Tasks of the administration program whose work comes later:
// each answers 148 with its name until then.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

