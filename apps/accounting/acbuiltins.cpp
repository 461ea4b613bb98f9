// The accounting built-ins: registration, and the built-ins on accounts,
// entry lines and accumulations.
#include "apps/accounting/labels.h"
#include "apps/accounting/tasks.h"
#include "data/stgetlist.h"
#include "runtime/seam.h"
#include "script/builtins.h"

namespace {

Status AcBiGetAccount(const uint16_t*, uint16_t) { return SeamMissing("AcGetAccount$"); }
Status AcBiGetEntry(const uint16_t*, uint16_t) { return SeamMissing("AcGetEntry"); }
Status AcBiGetEntryNum(const uint16_t*, uint16_t) { return SeamMissing("AcGetEntryNum"); }
Status AcBiGetPerAcum(const uint16_t*, uint16_t) { return SeamMissing("AcGetPerAcum"); }
Status AcBiGetPAccount(const uint16_t*, uint16_t) { return SeamMissing("AcGetPAccount$"); }
Status AcBiImport(const uint16_t*, uint16_t) { return SeamMissing("Import"); }

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
