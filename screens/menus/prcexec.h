// The file-pattern chooser of the PrcExec verb.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Verb PrcExec: a spec runs as a procedure; a spec with "*" is a file
// pattern whose files are offered in a choice window until none is chosen.
using PrcExecCallback = Status (*)(StrValue spec);
Status PrcExec(StrValue spec, PrcExecCallback callback);
