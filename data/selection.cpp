#include "data/selection.h"

#include "runtime/seam.h"
#include "script/builtins.h"

namespace {

Status StGetList(const uint16_t*, uint16_t) { return SeamMissing("StGetList"); }

}  // namespace

Status StGetListRegister() { return BuiltinRegister(StrFromC("StGetList"), StGetList); }
