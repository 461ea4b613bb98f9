// Dictionary files and the definition store.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Loads the dictionary of an application prefix from a list of directories.
Status DicLoad(StrValue directories, StrValue prefix, StrValue defaultLocation);
