#include "devices/devstack.h"

#include <vector>

#include "devices/report.h"
#include "devices/reportlaunch.h"
#include "runtime/errors.h"
#include "runtime/strutil.h"
#include "script/statements.h"
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

Status Device(uint16_t, const ExecArgs& a) { return DevStmtDevice(a.strs[0]); }

Status DLocate(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 2)) return s;
  return DevStmtLocate(a.ints[0], a.ints[1]);
}

Status DPrint(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 1)) return s;
  return DevStmtPrint(a.strs[0], a.ints[1] != 0);
}

Status EndDevice(uint16_t, const ExecArgs&) { return DevStmtEnd(); }

}  // namespace

DevRecord* DevStackTop() { return g_stack.empty() ? nullptr : &g_stack.back(); }
int DevStackDepth() { return static_cast<int>(g_stack.size()); }

Status DevStmtDevice(StrValue spec) {
  if (g_stack.size() >= kDevStackMax) return NoRoom("DEVICE");
  StrAreaScope scope;
  // The device selection's `_SYSCOMPAT` bit holds for the parse of its answer only.
  const SysCompatKeep keep;
  StrValue chosen = spec;
  if (!spec.IsError() && StrTrim(spec, 3).len == 0) {
    chosen = DevSelect(StrMake("", 0));
    if (Status e = StrError(chosen)) return StatSet(e);
    if (StrTrim(chosen, 3).len == 0) return StatSet(st::USERCANCELED);
  }
  g_stack.push_back(DevParse(chosen));
  return StatSet(g_stack.back().status);
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

void DevStatementsRegister() {
  ExecStatementSet(kStmtDevice, Device);
  ExecStatementSet(kStmtDLocate, DLocate);
  ExecStatementSet(kStmtDPrint, DPrint);
  ExecStatementSet(kStmtEndDevice, EndDevice);
  ReportStatementsRegister();
}

void DevStackCloseAll() {
  while (!g_stack.empty()) {
    DevRecord rec = g_stack.back();
    g_stack.pop_back();
    DevClose(rec);
  }
}
