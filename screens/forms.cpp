#include "screens/forms.h"

#include "runtime/seam.h"

Status OutputScreenLine() { return SeamMissing("OutputScreenLine"); }
