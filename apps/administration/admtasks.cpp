#include "apps/administration/admtasks.h"

#include "runtime/seam.h"
#include "script/builtins.h"

namespace {

Status VatValue(const uint16_t*, uint16_t) { return SeamMissing("VATv"); }
Status VatTable(const uint16_t*, uint16_t) { return SeamMissing("VAT$"); }
Status AutoNum(const uint16_t*, uint16_t) { return SeamMissing("AUTONUM"); }
Status DocSeries(const uint16_t*, uint16_t) { return SeamMissing("DocSer$"); }
Status AmountInWords(const uint16_t*, uint16_t) { return SeamMissing("FN$TXTN"); }
Status Iban(const uint16_t*, uint16_t) { return SeamMissing("Iban$"); }
Status Mod(const uint16_t*, uint16_t) { return SeamMissing("Mod"); }

struct Named {
  const char* name;
  BuiltinHandler handler;
};

Status RegisterAll(std::initializer_list<Named> list) {
  for (const Named& b : list) {
    if (Status s = BuiltinRegister(StrFromC(b.name), b.handler)) return s;
  }
  return 0;
}

}  // namespace

Status MantFileWinRun(StrValue) { return SeamMissing("MantFileWinRun"); }
Status MovsKeySelectAction(int) { return SeamMissing("MovsKeySelectAction"); }
Status AdmTaskDocActions(int) { return SeamMissing("AdmTaskDocActions"); }

Status AdmBuiltinsRegister() {
  return RegisterAll({{"VATv", VatValue}, {"VAT$", VatTable}, {"AUTONUM", AutoNum}, {"DocSer$", DocSeries},
                      {"FN$TXTN", AmountInWords}});
}

Status AdmBankBuiltinsRegister() { return RegisterAll({{"Iban$", Iban}, {"Mod", Mod}}); }
