#include "screens/menus/prcexec.h"

#include <string>
#include <vector>

#include "platform/host/files.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/forms/choice.h"
#include "screens/menus/menucmd.h"
#include "script/objparams.h"
#include "script/procedures.h"

Status PrcExec(StrValue spec, PrcExecCallback callback) {
  if (Status e = StrError(spec)) return e;
  if (StrFindChar(spec, '*', 1) == kNotFound) return PrcRunSpec(spec);
  const StrAreaScope scope;
  StrValue pattern = PathJoin(AppPath(2), spec);
  std::vector<std::string> names;
  if (pattern.IsError() || host::List(pattern.View(), &names) != 0 || names.empty()) {
    ProcessNotDefined(st::FILENOTFOUND, spec);
    return ErrSet(1, MOD_SCREENS, st::FILENOTFOUND, st::FILENOTFOUND);
  }
  std::string list;
  for (const std::string& n : names) list += (list.empty() ? "" : ",") + n;
  Status s = 0;
  while (s == 0) {
    uint16_t lm = StrAreaMark(-1);
    StrValue titles = ParmTitlesOfFiles(StrFromView(list));
    Status cs = 0;
    int choice = WinChoice(Msg("0088 Target File"), titles, kChoiceWindow | kChoiceList, &cs);
    if (cs != 0 || choice <= 0 || choice == kChoiceEmpty) {
      StrAreaMark(lm);
      s = cs;
      break;
    }
    WinChoiceClose();
    StrValue chosen = StrListItem(StrFromView(list), ',', static_cast<uint32_t>(choice));
    s = callback ? callback(chosen) : PrcRunSpec(chosen);
    StrAreaMark(lm);
  }
  return s;
}
