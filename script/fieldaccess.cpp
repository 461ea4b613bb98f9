#include "script/fieldaccess.h"

#include "runtime/seam.h"
#include "runtime/sysvars.h"

namespace {

FieldRef ParseMissing(StrValue) {
  FieldRef ref;
  ref.status = SeamMissing("FieldRefParse");
  return ref;
}
StrValue ReadMissing(const FieldRef&) { return StrErr(SeamMissing("FieldRefRead")); }
Status AssignMissing(StrValue, StrValue) { return SeamMissing("RecFieldSetRef"); }
Status RelReadMissing(int, int, int, uint16_t, StrValue) { return SeamMissing("RelRead"); }
uint64_t NoGeneration() { return 0; }
Status AssignRefMissing(const FieldRef&, StrValue) { return SeamMissing("RecFieldSetRef"); }

FieldAccess g_access = {ParseMissing, ReadMissing, AssignMissing, RelReadMissing, NoGeneration, AssignRefMissing};

bool NamesCurrentFile(StrValue ref) { return ref.len >= 2 && ref.ptr[ref.len - 2] == '{' && ref.ptr[ref.len - 1] == '}'; }

}  // namespace

void FieldAccessSet(const FieldAccess& access) {
  g_access.parse = access.parse ? access.parse : ParseMissing;
  g_access.read = access.read ? access.read : ReadMissing;
  g_access.assign = access.assign ? access.assign : AssignMissing;
  g_access.relRead = access.relRead ? access.relRead : RelReadMissing;
  g_access.generation = access.generation ? access.generation : NoGeneration;
  g_access.assignRef = access.assignRef ? access.assignRef : AssignRefMissing;
}

FieldRef FieldAccessParse(StrValue ref) { return g_access.parse(ref); }
StrValue FieldAccessRead(const FieldRef& ref) { return g_access.read(ref); }
Status FieldAccessAssign(StrValue ref, StrValue value) { return g_access.assign(ref, value); }
Status FieldAccessRelRead(int a, int b, int c, uint16_t flags, StrValue text) {
  return g_access.relRead(a, b, c, flags, text);
}

FieldRef FieldAccessResolve(StrValue ref, FieldRefSlot& slot) {
  uint64_t gen = g_access.generation();
  int16_t cur = NamesCurrentFile(ref) ? VarSysIntGet(kSysCurFil) : 0;
  auto aux = static_cast<int16_t>(VarSysIntGet(kSysAuxStat) & 8);  // file names taken as written
  if (gen != 0 && slot.generation == gen && slot.curFile == cur && slot.auxStat == aux) return slot.ref;
  FieldRef r = g_access.parse(ref);
  // A failed parse is not kept: it records its detail at every use.
  slot.generation = r.status == 0 ? gen : 0;
  slot.ref = r;
  slot.curFile = cur;
  slot.auxStat = aux;
  return r;
}

Status FieldAccessAssignRef(const FieldRef& ref, StrValue value) { return g_access.assignRef(ref, value); }
