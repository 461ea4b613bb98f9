// Document windows (see docwin.h): not built yet.
#include "screens/docwin.h"

#include <string>

#include "runtime/seam.h"
#include "runtime/strutil.h"
#include "screens/screenprops.h"
#include "script/evaluator.h"
#include "script/objparams.h"
#include "script/procedures.h"

namespace {
constexpr int kPropUsrCond = 64;  // USR_COND$
constexpr int kPropPrcName = 99;  // PRCNAME$
}  // namespace

Status MovsAction(uint16_t) { return SeamMissing("MovsAction"); }
Status MovsActionWin(uint16_t) { return SeamMissing("MovsActionWin"); }
Status MovsClear() { return SeamMissing("MovsClear"); }

Status MovsEventRun(int n) {
  const StrAreaScope scope;
  std::string saved = ParmEventSave().Str();
  Status s = ParmEventSet(n, StrFromC("INIT,LOAD,CHECK,SAVE,DELETE"));
  StrValue prc = StrTrim(ScreenProp(kPropPrcName, kPropWhole), 3);
  if (s == 0 && prc.len) {
    s = ExpEvalCond(ScreenProp(kPropUsrCond, kPropWhole));
    if (s < 128) s = s ? PrcCall(prc, StrMake("", 0), 0) : 0;
  }
  Status back = ParmEventRestore(StrMake(saved.data(), static_cast<uint32_t>(saved.size())));
  return s ? s : back;
}
