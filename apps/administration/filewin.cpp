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

namespace {

// Keeps the list of a selection whose first record is read, for the next
// documents (NXT): the current screen's fast-find form and the key, the key
// of the record shown, the limits and the condition.
void SelectionKeep(int file, int key, StrValue from, StrValue to, StrValue cond) {
  const StrAreaScope scope;
  DynStrSet(SystemTextList, kLastFormItem, StrTrim(ScreenPropExpand(kParmFastFind, 0), 3));
  std::string list = std::to_string(key) + "," + MovsFindShownKey(file, key) + "," + to.Str() + "," +
                     cond.Str() + "," + from.Str();
  DynStrSet(SystemTextList, kFastFindItem, StrFromView(list));
}

Status ArgsError(StrValue from, StrValue to, StrValue cond) {
  return StrError(from) ? StrError(from) : StrError(to) ? StrError(to) : StrError(cond);
}

// Closes the form window the exit runs in (its record and its window); the
// window below becomes current.
Status FormClose() {
  const WinRecord* r = WinGet(kCurrentIndex);
  ui::Hwnd window = r ? r->window : 0;
  Status s = DataScreenClose(kCurrentIndex);
  if (ui::is_window(window)) WinDestroy(window);
  return s;
}

}  // namespace

Status MovsKeySelection(int file, int key, StrValue from, StrValue to, StrValue cond) {
  if (Status e = ArgsError(from, to, cond)) return e;
  Status s = MovsSelectFirst(file, key, from, to, 0, cond);
  if (s == 0) SelectionKeep(file, key, from, to, cond);
  return s;
}

Status MovsKeySelectAction(int event) {
  if (event != kTaskExecute) return ScreenCloseRestore(event, 0, 0);
  const ScreenDesc* screen = ScreenGet(kCurrentIndex);
  if (!screen) return Fail(st::SCREENSTRUCTERR, "MovsKeySelectAction");
  // A form of its own (a window without a data file) runs this exit over
  // the document window below it: the limits are its first two fields and
  // the records are the document's. The one-line form is gone by now: its
  // answers are the limits and the document's screen is current.
  bool form = screen->dataFile == 0;
  uint16_t here = ScreenStackIndex(2);
  const WinRecord* doc = form ? (here == 0xFFFF || here == 0 ? nullptr : WinGet(here - 1)) : WinGet(kCurrentIndex);
  if (!doc || !doc->dataFile) return Fail(st::SCREENSTRUCTERR, "MovsKeySelectAction");
  int file = doc->dataFile;
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
  StrValue from = form ? StrTrim(FieldValue(1), 3) : Answer(1);
  StrValue to = form ? StrTrim(FieldValue(2), 3) : Answer(2);
  if (Status e = ArgsError(from, to, StrFromView(cond))) return e;
  // Nothing found is told and leaves the form open for another range.
  Status s = MovsSelectFirst(file, key, from, to, 0, StrFromView(cond));
  if (s == 0 && form) s = FormClose();
  if (s == 0) {
    SelectionKeep(file, key, from, to, StrFromView(cond));
    s = MovsFastFindShow();
  }
  if (s >= 128) return s;
  // The form is closed already: nothing is left for the close step.
  return form && s == 0 ? 0 : ScreenCloseRestore(event, s, 0);
}
