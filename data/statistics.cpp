#include "data/statistics.h"

#include "runtime/seam.h"
#include "script/builtins.h"
#include "script/taskhooks.h"

namespace {

Status StatMove(const uint16_t*, uint16_t) { return SeamMissing("StatMove"); }
Status StatFileRel(int, int, int, int, StrValue) { return SeamMissing("StatFileRel"); }

}  // namespace

Status StatMoveRegister() {
  Status s = BuiltinRegister(StrFromC("StatMove"), StatMove);
  if (s == 0) TaskHookSet(FileRelHookFn(StatFileRel), kHookFileRel);
  return s;
}
