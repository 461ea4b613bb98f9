// Transaction set-up, saved configurations and their forms.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

Status FileTransCommand(StrValue command);
