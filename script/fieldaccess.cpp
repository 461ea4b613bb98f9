#include "script/fieldaccess.h"

#include "runtime/seam.h"

namespace {

FieldRef ParseMissing(StrValue) {
  FieldRef ref;
  ref.status = SeamMissing("FieldRefParse");
  return ref;
}
StrValue ReadMissing(const FieldRef&) { return StrErr(SeamMissing("FieldRefRead")); }
Status AssignMissing(StrValue, StrValue) { return SeamMissing("RecFieldSetRef"); }
Status RelReadMissing(int, int, int, uint16_t, StrValue) { return SeamMissing("RelRead"); }

FieldAccess g_access = {ParseMissing, ReadMissing, AssignMissing, RelReadMissing};

}  // namespace

void FieldAccessSet(const FieldAccess& access) {
  g_access.parse = access.parse ? access.parse : ParseMissing;
  g_access.read = access.read ? access.read : ReadMissing;
  g_access.assign = access.assign ? access.assign : AssignMissing;
  g_access.relRead = access.relRead ? access.relRead : RelReadMissing;
}

FieldRef FieldAccessParse(StrValue ref) { return g_access.parse(ref); }
StrValue FieldAccessRead(const FieldRef& ref) { return g_access.read(ref); }
Status FieldAccessAssign(StrValue ref, StrValue value) { return g_access.assign(ref, value); }
Status FieldAccessRelRead(int a, int b, int c, uint16_t flags, StrValue text) {
  return g_access.relRead(a, b, c, flags, text);
}
