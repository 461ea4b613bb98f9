#include "runtime/messages.h"

#include "runtime/seam.h"

Status LangDefault() { return SeamMissing("LangDefault"); }
StrValue Msg(const char*) { return StrErr(SeamMissing("Msg")); }
