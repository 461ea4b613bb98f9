#include "data/dictionary/compat.h"

#include "data/dictionary/dictionary.h"
#include "runtime/sysvars.h"
#include "script/objparams.h"

uint16_t CompatBits() { return static_cast<uint16_t>(VarSysIntGet(kSysCompat)); }

bool CompatOn(uint16_t bit) { return (CompatBits() & bit) == bit; }

int32_t CompatRangeWidth(int32_t start, int32_t end) {
  return CompatOn(compat::kInclusiveRanges) ? end - start + 1 : end;
}

bool CompatBit4() { return CompatOn(compat::kCompactDates); }

std::string CompatName8(std::string_view name, uint16_t bits) {
  return std::string((bits & compat::kShortNames) ? name.substr(0, 8) : name);
}

const char* CompatIndexExt(uint16_t bits) { return (bits & compat::kIndexNdx) ? "NDX" : "DIR"; }

uint16_t CompatFieldLen(char type, uint16_t length) {
  return CompatOn(compat::kDisplayWidths) ? DicFieldWidth(type, length) : length;
}

StrValue CompatMenuParm(int n) {
  uint16_t mark = StrAreaMark(-1);
  StrValue out = StrMake("", 0);
  if (CompatOn(compat::kOldMenuParms) && n == 2) {
    out = ParmValue(StrFromC("SUBMENU$"));
    if (!out.IsError() && out.len == 0) {
      StrValue modulo = ParmValue(StrFromC("MODULO$")), options = ParmValue(StrFromC("OPTIONS$"));
      if (modulo.len > 0 || options.len > 0) out = StrCat(StrCat(modulo, StrFromC(",")), options);
    }
  } else if (CompatOn(compat::kOldMenuParms) && n == 3) {
    out = ParmValue(StrFromC("MODULOS$"));
  }
  return StrAreaReturn(mark, out);
}
