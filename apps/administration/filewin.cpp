#include "apps/administration/filewin.h"

#include <string>

#include "data/datafile.h"
#include "data/recbuf.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/actionchain.h"
#include "screens/actions.h"
#include "screens/controls.h"
#include "screens/datascreen.h"
#include "screens/doclines.h"
#include "screens/doclins.h"
#include "screens/fieldctl.h"
#include "screens/fieldvalues.h"
#include "screens/fonts.h"
#include "screens/forms.h"
#include "screens/geometry.h"
#include "screens/gridbuf.h"
#include "screens/linsgrid.h"
#include "screens/mantwin.h"
#include "screens/movsaction.h"
#include "screens/movswin.h"
#include "screens/navbuttons.h"
#include "screens/screenprops.h"
#include "screens/winlist.h"
#include "script/evaluator.h"
#include "script/objparams.h"
#include "script/taskhooks.h"

namespace {

constexpr uint32_t kItemRow = 3, kItemColumn = 4;
constexpr uint16_t kDocBars = kBarField1 | kBarField2;  // row caption and status text
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
  if (Status e = StrError(spec)) return e;
  const StrAreaScope scope;
  TextWinGeomSet(kGeomKeep, kGeomKeep, false);
  TextWinGeomSetParts(1, 2, 2, kGeomKeep);
  int row = StrListItemInt(spec, ',', kItemRow), column = StrListItemInt(spec, ',', kItemColumn);
  ui::Hwnd window = WinCreateKind(kWinKindMantDlg, 0, StrListItem(Msg("0022"), ',', 1), WinTop(),
                                  row > 0 ? row : -1, column > 0 ? column : -1, LinsGridWndProc);
  if (!window) {
    TextWinGeomSet(0, 0, false);
    return Fail(st::WINCONTROLERROR, "MantFileWinRun");
  }
  Status s = NavScreenOpen(spec);
  if (s != 0) {
    WinDestroy(window);
    TextWinGeomSet(0, 0, false);
    return s;
  }
  PxSize content = TextSizePx(kGeomAll, kGeomAll, TextWinGeomGet(), FontCellSize());
  PxSize whole = WinSizeForClient(content.width, content.height, kWinKindMantDlg, false);
  WinMoveSize(kGeomAll, 0, whole.width, whole.height);
  ScreenActionSet(MovsActionWin, NavNextAction, nullptr);
  MovsWinTextHookSet();
  uint16_t set = GridScreenMode() == kGridNavigation ? kNavSetLines : kNavSetDocument;
  s = MovsLinsSetControls(WinSpecParse(spec).file, static_cast<uint16_t>(set | kDocBars), MovsGridCallback);
  if (s == 0) s = MovsLinsFitWindow();
  if (s == 0) {
    Status ev = MovsEventRun(kMovsEvInit);
    if (ev >= st::USERCANCELED) s = ev;
  }
  if (s == 0) {
    Status f = FieldsRefresh(kPutRaw, 1, -1);
    if (f >= st::USERCANCELED) s = f;
  }
  if (s != 0) {
    MovsLinsClose();
    MovsWinTextHookRestore();
    DataScreenClose(kCurrentIndex);
    WinDestroy(window);
    TextWinGeomSet(0, 0, false);
    return s;
  }
  WinRecord* r = WinGet(kCurrentIndex);
  const ScreenDesc* screen = ScreenGet(kCurrentIndex);
  if (r && screen) {
    FieldKeyState(*screen, *r, kKeyStateSearch);
    MovsAfterAction(0);
    FieldDesc f = FieldGet(r->curField);
    if (f.status == 0 && ui::is_window(f.control)) {
      ui::set_focus(f.control);
      ui::edit_set_sel(f.control, 0, -1);
    }
  }
  return 0;
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
