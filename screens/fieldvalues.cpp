#include "screens/fieldvalues.h"

#include "runtime/seam.h"

uint16_t FieldFind(StrValue) {
  SeamMissing("FieldFind");
  return 0;
}
std::vector<uint16_t> FieldNumList(StrValue) {
  SeamMissing("FieldNumList");
  return {};
}
Status FieldsFetchPut(int, const std::vector<uint16_t>&) { return SeamMissing("FieldsFetchPut"); }
Status FieldsRefresh(int, int, int) { return SeamMissing("FieldsRefresh"); }
