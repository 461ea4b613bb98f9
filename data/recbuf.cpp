#include "data/recbuf.h"

#include "runtime/seam.h"

FieldRef FieldRefParse(StrValue) {
  FieldRef r;
  r.status = SeamMissing("FieldRefParse");
  return r;
}

StrValue FieldRefRead(const FieldRef&) { return StrErr(SeamMissing("FieldRefRead")); }

Status RecFieldSetRef(StrValue, StrValue) { return SeamMissing("RecFieldSetRef"); }
