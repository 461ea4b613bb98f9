#include "screens/documents/movswin.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/ui/ui.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/messages.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/forms/combo.h"
#include "screens/window/controls.h"
#include "screens/datascreens/datascreen.h"
#include "screens/datascreens/navbuttons.h"
#include "screens/documents/docengine.h"
#include "screens/documents/docgrid.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/window/geometry.h"
#include "screens/grids/gridrowgo.h"
#include "screens/grids/gridview.h"
#include "screens/grids/linsgrid.h"
#include "screens/documents/movsaction.h"
#include "screens/forms/msgbox.h"
#include "screens/forms/popup.h"
#include "screens/window/screenprops.h"
#include "screens/window/winlist.h"
#include "script/macros.h"
#include "script/taskhooks.h"

namespace {

constexpr uint16_t kNoCombo = 0xFFFF;
// The popup's positions as grid events: view, insert, delete, seek.
constexpr int kPopupEvents[] = {1, 7, 6, 9};

int g_docType = 0;  // the chosen type, kept for the next window
// Task hook 2 as it was before the document windows took it; one per open
// window, restored as they close.
std::vector<HookEntry> g_textHooks;

WinRecord* Record() { return WinGet(kCurrentIndex); }

bool Asserted(bool ok, const char* name) {
  const StrAreaScope scope;
  return !AssertCheck(ok, StrFromC(name)).IsError() && ok;
}

// The begin field's screen (null without one).
const ScreenDesc* BeginScreen(const WinRecord* r) {
  const ScreenDesc* s = r ? ScreenGet(r->screen) : nullptr;
  return s && s->beginField && s->beginField <= s->fieldCount ? s : nullptr;
}

void ComboDrop(WinRecord* r) {
  if (r->reserved != kNoCombo) ComboDestroy(r->reserved);
  r->reserved = kNoCombo;
}

// Puts type n of the list into the begin field.
Status TypePut(const ScreenDesc& s, StrValue items, int n) {
  const StrAreaScope scope;
  StrValue item = StrUnquote(StrTrim(StrListItem(items, ',', static_cast<uint32_t>(n + 1)), 3));
  return FieldPut(kCheckInput, s.beginField, item);
}

// Shows the current row again (35, 37) or moves (31, 32). A row shown
// again keeps what was typed into it: the line being edited goes into the
// buffer first.
Status LineShow(uint8_t kind) {
  if (kind == kMovsActLinesEnter || kind == kMovsActLineAgain) {
    int level = MovsWinGrid();
    const ScreenDesc* s = ScreenGet(kCurrentIndex);
    if (level >= 0 && s && s->linesFirst && ui::is_window(s->fields[s->linesFirst - 1].control)) {
      Status c = MovsLineCommitRefresh(level);
      if (c >= 2) return c;
    }
  }
  return MovsLinsControlLine(kind);
}

Status NavCode(uint8_t command) { return ScreenAction(ActionMake(kActNavigate, command)); }

}  // namespace

// --- The window ---------------------------------------------------------------------

Status MovsActionWin(ActionCode code) {
  // Nothing a window action leaves in the string area outlives it.
  const StrAreaScope scope;
  WinRecord* r = Record();
  if (!Asserted(r != nullptr, "MovsActionWin")) return st::INTERNALERROR;
  uint8_t kind = ActionKindOf(code);
  Status s = 0;
  switch (kind) {
    case kActCancel:
      s = MovsAction(code);
      if (s == 0) {
        const ScreenDesc* screen = ScreenGet(Record() ? Record()->screen : 0);
        if (screen && screen->linesFirst) FieldControlsDestroy(screen->linesFirst, screen->linesLast);
      }
      break;
    case kMovsActComboDrop: MovsDocTypeCombo(0, r); break;
    case kMovsActLinesEnter:
      s = MovsAutoImport();
      if (s == 0) {
        int level = MovsWinGrid();
        if (level >= 0) s = LinsGridReload(level);
      }
      [[fallthrough]];
    case kActLineDown:
    case kActLineUp:
    case kMovsActLineAgain:
      if (s != 0) break;
      r = Record();
      if (r && r->state == kKeyStateBegin) MovsDocTypeCombo(1, r);
      else if (r && r->state == kWinStateLineArea) s = LineShow(kind);
      else s = MovsAction(code);
      break;
    case kMovsActComboMove:
    case kActComboChange: MovsDocTypeCombo(1, r); break;
    case kMovsActStoreLine:
      s = MovsLinsControlLine(kLineEvStore);
      if (s == 0) s = MovsAction(code);
      break;
    case kActFirstFocus:
      s = ScreenActionWinDefault(code);
      if (s < st::USERCANCELED) MovsBuffersReset();
      // A window whose first field is its type opens, as after a new
      // document, on the document's key: what a person types first is the
      // number; the type is one field back.
      if (s < st::USERCANCELED && (r = Record()) && r->state == kKeyStateBegin)
        if (const ScreenDesc* screen = ScreenGet(r->screen)) FieldKeyState(*screen, *r, kKeyStateSearch);
      break;
    default:
      s = ScreenActionWinDefault(code);
      if (s == st::BADINPUTDATA) s = MovsAction(code);
      if (kind == kActCloseRequest && s == 4) MovsWinTextHookRestore();
      break;
  }
  // A command outside its area is dropped without a word (127 would read
  // as a close request to the chain).
  if (s == st::OUTOFDATA) s = 0;
  return MovsAfterAction(s);
}

// --- The lines grid ----------------------------------------------------------------------

Status MovsGridAction(ui::Hwnd, int row, int event) {
  const StrAreaScope scope;
  WinRecord* r = Record();
  if (!Asserted(r != nullptr, "MovsGridAction")) return st::INTERNALERROR;
  int level = MovsWinGrid();
  LinsGridRec* grid = level >= 0 ? LinsGridGet(level) : nullptr;
  if (!grid) return 0;
  if (event == kGridEvAccept) {
    const StrAreaScope scope;
    int n = PopupMenuTrack(WinTop(), Msg("0026"), nullptr);
    if (n < 1 || n > 4) return 0;
    event += kPopupEvents[n - 1];
  }
  GridBuffer& g = grid->buffer;
  Status view = 0;
  switch (event) {
    case kGridEvEnter: {
      int32_t target = row >= 0 ? row + 1 : std::max<int32_t>(g.curRow, 1);
      if (target != g.curRow) {
        view = MovsLinsControlLine(kLineEvStore);
        if (view != 0) break;
        g.curRow = static_cast<uint16_t>(target);
        VarSysIntSet(kSysLNum, static_cast<int16_t>(target));
      }
      if ((r = Record())) r->state = kWinStateLineArea;
      view = MovsLinsControlLine(kMovsActLineAgain);
      break;
    }
    case kGridEvF5: NavCode(kNavPrn); break;
    case kGridEvF8: NavCode(kNavDel); break;
    case kGridEvF9: NavCode(kNavIns); break;
    case kGridEvF11: NavCode(kNavDde); break;
    case kGridEvEnter + 8: NavCode(kNavFnd); break;  // seek
    case kGridEvClick:
      if (r->flags & kWinRowGoBusy) return 0;
      view = LinsGridRowGo(level, row >= 0 ? row + 1 : g.rowCount);
      break;
    case kGridEvFocus:
      if (r->state == kWinStateLineArea) break;
      g.curRow = static_cast<uint16_t>(row >= 0 ? row + 1 : std::max<int32_t>(g.curRow, 1));
      VarSysIntSet(kSysLNum, static_cast<int16_t>(g.curRow));
      r->state = kWinStateLineArea;
      MovsLinsControlLine(kGridEvFocus);
      break;
    case kGridEvEsc: MovsActionWin(ActionMake(kActCancel, 0)); break;
    case kGridEvUpDown: {
      int16_t key = VarSysIntGet(kSysLastKey);
      int32_t to = g.curRow + (key == kKeyUp ? -1 : key == kKeyDown ? 1 : 0);
      view = LinsGridRowGo(level, to);
      break;
    }
    default: break;
  }
  // The grid shown again, and the buttons and words of the area reached.
  if (view == 0 && MovsWinGrid() == level) MovsAfterAction(0);
  return view;
}

uint16_t MovsGridCallback(ui::Hwnd, int level, int event) {
  LinsGridRec* grid = LinsGridGet(level);
  ui::Hwnd view = grid ? GridViewGet(grid->slot).view : 0;
  uint16_t selected = grid ? GridViewCurRow(grid->slot) : 0xFFFF;
  Status s = MovsGridAction(view, selected == 0xFFFF ? -1 : selected, event);
  if (s >= st::USERCANCELED) ErrShow(s);
  return 0;
}

// --- The document-type chooser ----------------------------------------------------------

void MovsDocTypeCombo(int mode, WinRecord* r) {
  if (!r) return;
  const ScreenDesc* s = BeginScreen(r);
  if (!s) return;
  if (mode != 1) {
    ComboDrop(r);
    return;
  }
  const StrAreaScope scope;
  StrValue items = ScreenDefLookup(StrFromC("DOCTYPETXT$"));
  items = items.IsError() ? StrMake("", 0) : StrUnquote(StrTrim(MacroExpand(items, 0), 3));
  if (items.IsError()) return;
  const FieldDesc& f = s->fields[s->beginField - 1];
  int before = g_docType;
  if (r->reserved == kNoCombo || !ComboHandle(r->reserved)) {
    uint32_t count = StrListCount(items, ',');
    if (count < 2) return;
    ui::Hwnd top = WinTop();
    uint16_t slot = ComboCreate(top, WinRowY(static_cast<uint16_t>(f.row + 1)), WinColX(f.col), items, 1);
    if (slot == kComboNone) return;
    r->reserved = slot;
    g_docType = std::clamp<int>(g_docType, 0, static_cast<int>(count) - 1);
    ComboSetSel(slot, g_docType);
  } else {
    int16_t key = VarSysIntGet(kSysLastKey);
    int count = static_cast<int>(StrListCount(items, ','));
    int sel = std::max(ComboGetSel(r->reserved), 0);
    if (key == kKeyUp || key == kKeyPgUp) sel = std::max(sel - 1, 0);
    else if (key == kKeyDown || key == kKeyPgDn) sel = std::min(sel + 1, count - 1);
    ComboSetSel(r->reserved, sel);
    g_docType = std::max(ComboGetSel(r->reserved), 0);
  }
  if (g_docType != before) {
    TypePut(*s, items, g_docType);
  } else if (f.control) {
    ui::set_focus(f.control);
  }
}

void MovsWinTextHookSet() {
  g_textHooks.push_back(GridTextHookTake());
}

void MovsWinTextHookRestore() {
  if (g_textHooks.empty()) return;
  GridTextHookGive(g_textHooks.back());
  g_textHooks.pop_back();
}

int MovsDocTypeIndex() { return g_docType; }
void MovsDocTypeIndexSet(int index) { g_docType = index; }
