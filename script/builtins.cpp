#include "script/builtins.h"

#include "runtime/dynstrings.h"
#include "runtime/seam.h"
#include "script/scanner.h"

const char kBuiltinNames[] =
    "_#,FN#FLEN,FN#SLEN,FN#PARM,FN#VALN,FN#ACUM,CHK#,FILEFIND,FILEREL,FILELOCATE,FILESEL,"
    "FN$CHNG,FN$CHRS,FN$DATE,FN$FLDS,FN$MASK,FN$MIDS,FN$PARM,FN$TRIM,ENVELOP$,CHK$,SORT$,"
    "EXEC$,READ$,WRITE,MACRO$,ENVRON$,_$,KEY$,TIME$,IER,EXP$,SQLCHILD";

namespace {
constexpr uint16_t kBuiltinNamesItem = 8;  // SettingsList item of the name list

// The name list, put into SettingsList item 8 the first time it is needed;
// the fixed names serve while the string-list store does not exist.
StrValue BuiltinNameList() {
  if (!DynStrReady()) return StrFromC(kBuiltinNames);
  StrValue list = DynStrGet(SettingsList, kBuiltinNamesItem);
  if (list.len) return list;
  if (DynStrSet(SettingsList, kBuiltinNamesItem, StrFromC(kBuiltinNames)) != 0) return StrFromC(kBuiltinNames);
  return DynStrGet(SettingsList, kBuiltinNamesItem);
}
}  // namespace

uint16_t BuiltinCode(StrValue name) {
  if (name.IsError() || name.len == 0) return 0;
  uint32_t pos = ExpListFindNoCase(BuiltinNameList(), name);
  return pos <= 49 ? static_cast<uint16_t>(pos) : 0;
}

Status BuiltinDispatch(const ExpToken&) { return SeamMissing("BuiltinDispatch"); }
