#include "runtime/format.h"

#include "runtime/seam.h"

Status LocaleLoad() { return SeamMissing("LocaleLoad"); }
