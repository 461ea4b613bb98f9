#include "script/payments.h"

#include "runtime/seam.h"
#include "script/builtins.h"

namespace {

Status PayDate(const uint16_t*, uint16_t) { return SeamMissing("PayDate$"); }

}  // namespace

Status PayDateRegister() { return BuiltinRegister(StrFromC("PayDate$"), PayDate); }
