#include "screens/documents/filewinopen.h"

#include <string>

#include "platform/ui/ui.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/strlist.h"
#include "screens/window/controls.h"
#include "screens/datascreens/datascreen.h"
#include "screens/documents/docengine.h"
#include "screens/documents/docgrid.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/window/fonttable.h"
#include "screens/window/geometry.h"
#include "screens/grids/linsgrid.h"
#include "screens/documents/movsaction.h"
#include "screens/documents/movswin.h"
#include "screens/datascreens/navbuttons.h"
#include "screens/window/winlist.h"

namespace {

constexpr uint32_t kItemRow = 3, kItemColumn = 4;
constexpr uint16_t kDocBars = kBarField1 | kBarField2;  // row caption and status text

}  // namespace

Status MovsFileWinOpen(StrValue spec, uint8_t kind, ActionHandler action, FileWinSetupFn setup, const char* name) {
  if (Status e = StrError(spec)) return e;
  const StrAreaScope scope;
  TextWinGeomSet(kGeomKeep, kGeomKeep, false);
  TextWinGeomSetParts(1, 2, 2, kGeomKeep);
  int row = StrListItemInt(spec, ',', kItemRow), column = StrListItemInt(spec, ',', kItemColumn);
  ui::Hwnd window = WinCreateKind(kind, 0, StrListItem(Msg("0022"), ',', 1), WinTop(), row > 0 ? row : -1,
                                  column > 0 ? column : -1, LinsGridWndProc);
  if (!window) {
    TextWinGeomSet(0, 0, false);
    ErrDetailSet(st::WINCONTROLERROR, StrFromC(name), false);
    return ErrSet(1, MOD_SCREENS, st::WINCONTROLERROR, st::WINCONTROLERROR);
  }
  // The INIT event's procedure pumps the queue, and the raw refresh and the
  // key state after it set every field and the current one: a key typed
  // ahead would land in a field and be overwritten. It waits until the
  // window is ready (a form or question the procedure opens still gets its
  // keys).
  const ui::InputHold hold(window);
  Status s = NavScreenOpen(spec);
  if (s != 0) {
    WinDestroy(window);
    TextWinGeomSet(0, 0, false);
    return s;
  }
  PxSize content = TextSizePx(kGeomAll, kGeomAll, TextWinGeomGet(), FontCellSize());
  PxSize whole = WinSizeForClient(content.width, content.height, kind, false);
  WinMoveSize(kGeomAll, 0, whole.width, whole.height);
  ScreenActionSet(action, NavNextAction, nullptr);
  MovsWinTextHookSet();
  uint16_t set = GridScreenMode() == kGridNavigation ? kNavSetLines : kNavSetDocument;
  s = MovsLinsSetControls(WinSpecParse(spec).file, static_cast<uint16_t>(set | kDocBars), MovsGridCallback);
  if (s == 0 && setup) s = setup();
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
