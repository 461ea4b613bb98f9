#include "screens/menus/appconfig.h"

#include "runtime/messages.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/evaluator.h"
#include "script/expfiles.h"

const char kAppConfigFiles[] =
    "%APPPATH_DATA%\\%APNAME%CLCUSR.%DATABASE_HOST%.%DATABASE_DBNAME%.DAT,%APNAME%CLCUSR.DAT,"
    "%APPPATH_DATA%\\%APNAME%PARINI.DAT,%APNAME%CLCFIX.DAT;1,KXCLCUSR.DAT,%APPPATH_DATA%\\KXCLCUSR.DAT";

Status AppConfigPhase(int phase) {
  if ((phase & 15) != 2) return 0;
  Status s = PrcRunList(StrFromC(kAppConfigFiles));
  if (s == 0) s = ExpEvalStatus(StrFromC("RLV=1"));
  return s;
}

Status PrcRunList(StrValue list) {
  if (Status e = StrError(list)) return e;
  const StrAreaScope scope;
  StrListIter it(list, ',');
  StrValue item;
  while (it.Next(&item)) {
    uint16_t lm = StrAreaMark(-1);
    StrValue name = StrListItem(item, ';', 1);
    int flags = StrListItemInt(item, ';', 2);
    Status s = name.len ? ExpExecFile(name, flags) : 0;
    StrAreaMark(lm);
    if (s) return s;
  }
  return LangVarsLoad();
}
