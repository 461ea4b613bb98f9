#include "devices/devstack.h"

#include <vector>

#include "devices/reportlaunch.h"
#include "runtime/errors.h"
#include "runtime/strutil.h"
#include "script/variables.h"

namespace {

std::vector<DevRecord> g_stack;

Status NoRoom(const char* statement) {
  ErrDetailSet(st::DATAOUTBOUND, StrFromC(statement), false);
  return ErrSet(1, MOD_DEVICES, st::DATAOUTBOUND, st::DATAOUTBOUND);
}

Status StatSet(Status s) {
  VarSysIntSet(kSysStat, static_cast<int16_t>(s));
  return 0;
}

}  // namespace

DevRecord* DevStackTop() { return g_stack.empty() ? nullptr : &g_stack.back(); }
int DevStackDepth() { return static_cast<int>(g_stack.size()); }

Status DevStmtDevice(StrValue spec) {
  if (g_stack.size() >= kDevStackMax) return NoRoom("DEVICE");
  uint16_t mark = StrAreaMark(-1);
  StrValue chosen = spec;
  if (!spec.IsError() && StrTrim(spec, 3).len == 0) {
    chosen = DevSelect(StrMake("", 0));
    if (Status e = StrError(chosen)) return StrAreaRelease(mark, StatSet(e));
    if (StrTrim(chosen, 3).len == 0) return StrAreaRelease(mark, StatSet(st::USERCANCELED));
  }
  g_stack.push_back(DevParse(chosen));
  return StrAreaRelease(mark, StatSet(g_stack.back().status));
}

Status DevStmtLocate(int32_t line, int32_t column) {
  DevRecord* top = DevStackTop();
  if (!top) return NoRoom("DLOCATE");
  return DevGotoLineCol(*top, line, column);
}

Status DevStmtPrint(StrValue text, bool raw) {
  DevRecord* top = DevStackTop();
  if (!top) return NoRoom("DPRINT");
  return raw ? DevWriteRaw(*top, text) : DevWrite(*top, text);
}

Status DevStmtEnd() {
  DevRecord* top = DevStackTop();
  if (!top) return NoRoom("ENDDEVICE");
  DevRecord rec = *top;
  g_stack.pop_back();
  bool failed = rec.status != 0;  // its status was reported when it happened
  Status finished = failed ? 0 : DevFinish(rec);
  Status closed = DevClose(rec);
  return failed ? 0 : finished ? finished : closed;
}

void DevStackCloseAll() {
  while (!g_stack.empty()) {
    DevRecord rec = g_stack.back();
    g_stack.pop_back();
    DevClose(rec);
  }
}
