#include "data/dictionary.h"

#include "runtime/seam.h"

Status DicLoad(StrValue, StrValue, StrValue) { return SeamMissing("DicLoad"); }

uint16_t DataFileCount() {
  SeamMissing("DataFileCount");
  return 0;
}
Status DicCheckFileField(int, int) { return SeamMissing("DicCheckFileField"); }
uint16_t DicRecLen(int) {
  SeamMissing("DicRecLen");
  return 0;
}
uint16_t DicKeyCount(int) {
  SeamMissing("DicKeyCount");
  return 0;
}
uint16_t KeyPartsDesc(int, int, KeyPart* parts) {
  *parts = KeyPart{};
  SeamMissing("KeyPartsDesc");
  return 0;
}
uint16_t DicFieldFind(int, StrValue) {
  SeamMissing("DicFieldFind");
  return 0xffff;
}

Status RecBufAlloc(int) { return SeamMissing("RecBufAlloc"); }
StrValue RecBuf(int, int) { return StrErr(SeamMissing("RecBuf")); }
Status KeyFieldsFromText(int, StrValue, int) { return SeamMissing("KeyFieldsFromText"); }
Status KeyFieldsSet(int, int, StrValue) { return SeamMissing("KeyFieldsSet"); }
