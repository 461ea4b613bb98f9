// Writes the records of the demo administration application.
//
//   administration_demodata DEMO-DIR OUT-DIR [NOTES [NOTES-PER-CUSTOMER]]
//
// DEMO-DIR holds the application's dictionary and relation files; the data
// and index files are written into OUT-DIR, which must hold none yet.
// Without NOTES the demo set is written, with it a generated set of that
// many delivery notes.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/hooks.h"
#include "apps/administration/demo/gen/admgen.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/memory.h"
#include "script/variables.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: administration_demodata DEMO-DIR OUT-DIR [NOTES [NOTES-PER-CUSTOMER]]\n");
    return 2;
  }
  AdmDemoSpec spec;
  if (argc > 3) {
    spec.demo = false;
    spec.notes = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10));
    if (argc > 4) spec.perCustomer = static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10));
  }
  MemConfigure(512, 64);
  LayerHooksRegister();
  Status s = VarSysInit();
  if (s == 0) s = DynStrSet(SettingsList, SetIdentityItem, StrFromC("GAVGQT24:Orbisquale"));
  if (s == 0) s = DynStrSet(SettingsList, SetDefaultDirItem, StrFromC(argv[1]));
  if (s == 0) s = DicLoad(StrFromC(argv[1]), StrFromC("GA"), StrFromC(argv[2]));
  if (s == 0) s = AdmDemoDataWrite(spec);
  Status closed = DataFileCloseAll();
  if (s == 0) s = closed;
  if (s != 0) {
    StrValue detail = ErrDetail();
    std::fprintf(stderr, "administration_demodata: error %u: %.*s\n", static_cast<unsigned>(s), static_cast<int>(detail.len),
                 detail.ptr ? detail.ptr : "");
  }
  VarsFreeAll();
  return s == 0 ? 0 : 1;
}
