// The accounting built-ins: registration, and the built-ins on accounts,
// entry lines and accumulations.
#include "apps/accounting/entryfuncs.h"
#include "apps/accounting/labels.h"
#include "apps/accounting/tasks.h"
#include "data/scans/stgetlist.h"
#include "runtime/seam.h"
#include "script/builtins.h"

namespace {

struct Builtin {
  const char* name;
  BuiltinHandler handler;
};
constexpr Builtin kBuiltins[] = {
    {"AcFitEntry", AcBiFitEntry},         {"AcFullBalance", AcBiFullBalance}, {"AcGetAccount$", AcBiGetAccount},
    {"AcGetBalance", AcBiGetBalance},     {"AcGetEntry", AcBiGetEntry},       {"AcGetEntryNum", AcBiGetEntryNum},
    {"AcGetPerAcum", AcBiGetPerAcum},     {"AcGetPAccount$", AcBiGetPAccount}, {"AcBLabel", AcBiBLabel},
    {"Import", AcBiImport},
};

}  // namespace

Status AcRegisterFunctions() {
  Status s = StGetListRegister();
  for (const Builtin& b : kBuiltins)
    if (s == 0) s = BuiltinRegister(StrFromC(b.name), b.handler);
  return s;
}
