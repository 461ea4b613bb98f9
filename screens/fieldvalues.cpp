#include "screens/fieldvalues.h"

#include <cstring>
#include <string>

#include "runtime/dynstrings.h"
#include "runtime/seam.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/objparams.h"
#include "screens/screenprops.h"

namespace {

constexpr char kTextTypes[] = "ABCDF";

std::string VarName(uint16_t n, char type) {
  bool text = type && std::strchr(kTextTypes, type) != nullptr;
  return "_SCRF" + std::to_string(n) + (text ? "$" : "#");
}

}  // namespace

StrValue FieldVarName(uint16_t n, char type) { return StrFromView(VarName(n, type)); }

StrValue ScreenFieldVars(const FieldDesc* layout, uint16_t count) {
  StrValue text = DynStrTop(ObjParamsList);
  StrValue name = ParmName(kPropFd);
  uint32_t hit = StrKeyLocate(text, name, 0);
  if (hit == kNotFound) hit = StrKeyLocate(text, ParmNameBase(kPropFd), 0);
  StrValue fd = hit == kNotFound ? StrMake("", 0)
                                 : StrUnquote(StrValue{text.ptr + (hit & 0xffff), static_cast<uint16_t>(hit >> 16)});
  uint32_t have = StrListCount(fd, ',');
  if (have >= count) return text;

  std::string names(fd.View());
  for (uint32_t n = have + 1; n <= count; ++n) {
    if (!names.empty() || n > 1) names += ',';
    names += VarName(static_cast<uint16_t>(n), layout[n - 1].type);
  }
  std::string out(name.View());
  out += ":\"" + names + "\":";
  out.append(text.View());
  if (out.size() > kStrMaxLen) return StrErr(st::STRINGTOOLONG);
  return StrFromView(out);
}

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
