#include "apps/administration/admtasks.h"

#include "runtime/seam.h"

Status AdmTaskDocActions(int) { return SeamMissing("AdmTaskDocActions"); }
