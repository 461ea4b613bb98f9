#include "apps/administration/filewin.h"

#include <string>

#include "data/store/datafile.h"
#include "data/store/recbuf.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/window/actionchain.h"
#include "screens/window/actions.h"
#include "screens/window/controls.h"
#include "screens/datascreens/datascreen.h"
#include "screens/documents/docengine.h"
#include "screens/documents/docgrid.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/documents/filewinopen.h"
#include "screens/window/fonttable.h"
#include "screens/forms/forms.h"
#include "screens/window/geometry.h"
#include "screens/grids/gridbuf.h"
#include "screens/grids/linsgrid.h"
#include "screens/datascreens/mantwin.h"
#include "screens/documents/movsaction.h"
#include "screens/documents/movswin.h"
#include "screens/datascreens/navbuttons.h"
#include "screens/window/screenprops.h"
#include "screens/window/winlist.h"
#include "script/evaluator.h"
#include "script/objparams.h"
#include "script/taskhooks.h"

namespace {

constexpr int kParmIndex = 94;    // INDEX%
constexpr int kParmRdCond = 111;  // RD_COND$
constexpr int kParmFastFind = 45; // FASTFIND$
constexpr uint16_t kLastFormItem = 6, kFastFindItem = 7;
constexpr int kDefaultFindKey = 2;

Status Fail(Status code, const std::string& detail) {
  ErrDetailSet(code, StrFromView(detail), false);
  return ErrSet(1, MOD_SCREENS, code, code);
}

// Item n of the form's answers, unquoted.
StrValue Answer(uint32_t n) {
  const std::string& values = AcceptResultLast().values;
  return StrUnquote(StrTrim(StrListItem(StrFromView(values), ',', n), 3));
}

}  // namespace

Status MantFileWinRun(StrValue spec) {
  return MovsFileWinOpen(spec, kWinKindMantDlg, MovsActionWin, nullptr, "MantFileWinRun");
}

Status MovsKeySelection(int file, int key, StrValue from, StrValue to, StrValue cond) {
  if (Status e = StrError(from) ? StrError(from) : StrError(to) ? StrError(to) : StrError(cond)) return e;
  const StrAreaScope scope;
  DynStrSet(SystemTextList, kLastFormItem, StrTrim(ScreenPropExpand(kParmFastFind, 0), 3));
  Status s = MovsSelectFirst(file, key, from, to, 0, cond);
  if (s != 0) return s;
  std::string list = std::to_string(key) + "," + MovsFindShownKey(file, key) + "," + to.Str() + "," +
                     cond.Str() + "," + from.Str();
  DynStrSet(SystemTextList, kFastFindItem, StrFromView(list));
  return 0;
}

Status MovsKeySelectAction(int event) {
  if (event != kTaskExecute) return ScreenCloseRestore(event, 0, 0);
  const ScreenDesc* screen = ScreenGet(kCurrentIndex);
  if (!screen || !screen->dataFile) return Fail(st::SCREENSTRUCTERR, "MovsKeySelectAction");
  const StrAreaScope scope;
  StrValue items = ParmValueByNum(kParmRdCond);
  std::string cond;
  if (!items.IsError()) {
    for (uint32_t i = 1; i <= StrListCount(items, ','); ++i) {
      StrValue item = StrTrim(StrListItem(items, ',', i), 3);
      if (item.len == 0) continue;
      cond += (cond.empty() ? "" : "&&") + item.Str();
    }
  }
  StrValue index = StrTrim(ParmValueByNum(kParmIndex), 3);
  int key = index.IsError() || index.len == 0 ? 0 : ExpEvalInt(index);
  if (key <= 0) key = kDefaultFindKey;
  Status s = MovsKeySelection(screen->dataFile, key, Answer(1), Answer(2), StrFromView(cond));
  if (s == 0) s = MovsFastFindShow();
  if (s >= 128) return s;
  return ScreenCloseRestore(event, s, 0);
}
