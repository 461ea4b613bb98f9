#include "apps/administration/admtasks.h"

#include "runtime/seam.h"

