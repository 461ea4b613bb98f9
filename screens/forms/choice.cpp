#include "screens/forms/choice.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "platform/ui/ui.h"
#include "runtime/errors.h"
#include "runtime/strlist.h"
#include "runtime/sysvars.h"
#include "screens/window/actions.h"
#include "screens/window/controls.h"
#include "screens/window/fonttable.h"
#include "screens/window/geometry.h"
#include "screens/window/winlist.h"
#include "script/handlers.h"
#include "script/statements.h"

namespace {

constexpr uint32_t kChoiceStyle = ui::WS_POPUP | ui::WS_CAPTION | ui::WS_SYSMENU | kWinModalStyle;
constexpr int32_t kListMinColumns = 15;

void StatSet(uint16_t v) { VarSysIntSet(kSysStat, static_cast<int16_t>(v)); }

uint16_t Side(int64_t v) { return static_cast<uint16_t>(std::clamp<int64_t>(v, 0, 0xFFFE)); }

// ---- Option buttons -----------------------------------------------------------

bool IsOptionId(int id) { return id >= kIdMenuFirst && id <= kIdMenuLast; }

std::vector<ui::Hwnd> OptionButtons(ui::Hwnd window) {
  std::vector<ui::Hwnd> out;
  for (ui::Hwnd c : ui::children(window))
    if (IsOptionId(ui::get_ctrl_id(c))) out.push_back(c);
  std::sort(out.begin(), out.end(), [](ui::Hwnd a, ui::Hwnd b) { return ui::get_ctrl_id(a) < ui::get_ctrl_id(b); });
  return out;
}

// The highlighted option button (the one with the focus), 0 when none.
ui::Hwnd Highlighted(ui::Hwnd window) {
  ui::Hwnd f = ui::get_focus();
  return f && ui::get_parent(f) == window && IsOptionId(ui::get_ctrl_id(f)) ? f : 0;
}

// Up from the first goes to the last, Down from the last to the first; with
// nothing highlighted Up takes the first and Down the last.
void HighlightMove(ui::Hwnd window, bool up) {
  std::vector<ui::Hwnd> buttons = OptionButtons(window);
  if (buttons.empty()) return;
  auto at = std::find(buttons.begin(), buttons.end(), Highlighted(window));
  size_t n = buttons.size(), to = 0;
  if (at == buttons.end()) to = up ? 0 : n - 1;
  else to = (static_cast<size_t>(at - buttons.begin()) + (up ? n - 1 : 1)) % n;
  ui::set_focus(buttons[to]);
}

ui::WndProc g_buttonProc = nullptr;  // the button class's procedure

// Option buttons hand their keys to the choice window; Space still clicks.
ui::LResult ChoiceButtonProc(ui::Hwnd button, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  if (m == ui::WM_KEYDOWN && wp != ui::VK_SPACE) {
    ui::send(ui::get_parent(button), m, wp, lp);
    return 0;
  }
  return ui::call_window_proc(g_buttonProc ? g_buttonProc : ui::def_window_proc, button, m, wp, lp);
}

void ButtonsSubclass(ui::Hwnd window) {
  for (ui::Hwnd b : OptionButtons(window)) {
    ui::WndProc old = ui::set_window_proc(b, ChoiceButtonProc);
    if (old != ChoiceButtonProc) g_buttonProc = old;
  }
}

// ---- The window's procedure -----------------------------------------------------

// A key of the window (caret -1) or of its list box: true when it was the
// choice's own.
bool ChoiceKey(ui::Hwnd window, uint16_t keyClass, int caret) {
  switch (keyClass) {
    case kKeyEsc:
      StatSet(0);
      ui::post(window, ui::WM_CLOSE);
      PostQuit(window);
      return true;
    case kKeyEnter: {
      ui::Hwnd h = Highlighted(window);
      int n = caret >= 0 ? caret + 1 : h ? ui::get_ctrl_id(h) - kIdMenuFirst + 1 : 0;
      StatSet(static_cast<uint16_t>(n));
      if (n != 0) PostQuit(window);
      return true;
    }
    case kKeyUp:
    case kKeyDown:
      if (caret >= 0) return false;  // the list box moves its own caret
      HighlightMove(window, keyClass == kKeyUp);
      return true;
    default:
      return false;
  }
}

void ChoiceCommand(ui::Hwnd window, int id, uint16_t code, ui::Hwnd control) {
  int n = 0;
  if (id >= kIdListBoxFirst && id <= kIdListBoxLast && code == ui::LBN_DBLCLK)
    n = ui::listbox_get_sel(control ? control : ui::get_dlg_item(window, id)) + 1;
  else if (IsOptionId(id) && code == ui::BN_CLICKED)
    n = id - kIdMenuFirst + 1;
  if (n <= 0) return;
  StatSet(static_cast<uint16_t>(n));
  PostQuit(window);
}

// ---- The choice ---------------------------------------------------------------------

Status WindowFailure() {
  ErrDetailSet(st::WINCONTROLERROR, StrFromC("WinChoice"), false);
  return ErrSet(1, MOD_SCREENS, st::WINCONTROLERROR, st::WINCONTROLERROR);
}

struct ChoiceSize {
  PxSize client;
  CellSize cell;
};

// Step 2: the text window of the choice and its client size.
ChoiceSize ChoiceGeometry(StrValue title, StrValue items, uint32_t count, int flags) {
  int64_t textWidth = static_cast<int64_t>(StrListMaxLen(items, ',', 0)) + 5;
  ChoiceSize s;
  if (flags & kChoiceList) {
    s.cell = FontCellSize();
    int64_t rows = std::clamp<int64_t>(std::min<int64_t>(count, TextWinGeomGet().rows), 1, 0xFFFE);
    int64_t cols = std::min<int64_t>(std::max<int64_t>({kListMinColumns, textWidth, title.len}), 0xFFFE);
    TextWinGeomSet(static_cast<uint16_t>(cols), static_cast<uint16_t>(rows), false);
    int64_t height = rows * std::max<int64_t>(s.cell.height - 3, 1);
    s.client = PxSize{WinColsWidth(static_cast<uint16_t>(cols)), static_cast<int32_t>(std::min<int64_t>(height, INT32_MAX))};
  } else {
    s.cell = FontSystemCell();
    ChoiceGeomFit(static_cast<uint16_t>(std::min<int64_t>(textWidth, 0xFFFE)),
                  static_cast<uint16_t>(std::min<uint32_t>(count, 0xFFFE)), s.cell);
    s.client = TextSizePx(kGeomAll, kGeomAll, TextWinGeomGet(), s.cell);
  }
  return s;
}

// Step 3: the modal window with its list box or option buttons; 0 when it
// cannot be made.
ui::Hwnd ChoiceWindow(StrValue title, StrValue items, int flags, const ui::Point* position, const ChoiceSize& s) {
  ui::Hwnd focus = ui::get_focus();
  bool beside = (flags & kChoiceBeside) && focus && ui::get_parent(focus) != 0;
  PxSize whole = WinSizeForClient(s.client.width, s.client.height, 0, false);
  ui::Rect area = ui::work_area();
  whole.width = std::min(whole.width, area.Width());
  whole.height = std::min(whole.height, area.Height());
  ui::Point corner = position ? *position : WinRectGet(beside ? kRectBesideFocus : 0);
  corner = WinClampToWorkArea(corner, whole.width, whole.height);
  ui::Hwnd window = WinClassCreate(title, title, kChoiceStyle, Side(corner.x), Side(corner.y), Side(whole.width),
                                   Side(whole.height), 0, ChoiceWndProc);
  if (!window) return 0;
  // A class of the title's name made earlier for another window keeps its
  // own procedure: this window takes the choice's.
  if (ui::get_window_proc(window) != ChoiceWndProc) ui::set_window_proc(window, ChoiceWndProc);
  ui::Rect client = ui::get_client_rect(window);
  bool made = true;
  if (flags & kChoiceList) {
    ui::Hwnd list = ListBoxCreate(window, 0, 0, client.Width(), client.Height(), 0, items);
    if (list) ui::listbox_set_item_height(list, std::max(s.cell.height - 3, 1));
    made = list != 0;
  } else {
    made = OptionButtonsCreate(window, items, kIdMenuFirst, 0xFF) == 0;
    ButtonsSubclass(window);
  }
  if (!made) {
    WinDestroy(window);
    return 0;
  }
  return window;
}

uint16_t ChoiceRun(StrValue title, StrValue items, int flags, const ui::Point* position, Status* failure) {
  *failure = 0;
  if (title.len == 0 || items.len == 0) {
    StatSet(kChoiceEmpty);
    return kChoiceEmpty;
  }
  const StrAreaScope scope;
  uint32_t count = StrListCount(items, ',');
  if (count > kChoiceListLimit) flags |= kChoiceList;
  TextWinGeomState geometry = TextWinGeomSave();
  ChoiceSize size = ChoiceGeometry(title, items, count, flags);
  ui::Hwnd window = WinTop();
  if (flags & kChoiceWindow) {
    window = ChoiceWindow(title, items, flags, position, size);
    if (!window) {
      TextWinGeomRestore(geometry);
      StatSet(kChoiceEmpty);
      *failure = WindowFailure();
      return kChoiceEmpty;
    }
  }
  StatSet(0);
  WinRunModal(window);
  TextWinGeomRestore(geometry);
  return static_cast<uint16_t>(VarSysIntGet(kSysStat));
}

Status WinMenuStatement(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 2)) return s;
  Status failure = 0;
  WinChoiceAndClose(a.strs[0], a.strs[1], kChoiceWindow, &failure);
  return failure;
}

}  // namespace

ui::LResult ChoiceWndProc(ui::Hwnd window, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  switch (m) {
    case ui::WM_SETFOCUS:
      // Keys go to the list box, which reports them back.
      if (ui::Hwnd list = ui::get_dlg_item(window, kIdListBoxFirst)) ui::set_focus(list);
      break;
    case ui::WM_KEYDOWN:
      ChoiceKey(window, KeyClass(static_cast<uint16_t>(wp)), -1);
      break;
    case ui::WM_VKEYTOITEM:
      // -2: handled here; -1: the list box's own handling.
      return ChoiceKey(window, KeyClass(ui::LoWord(wp)), ui::HiWord(wp)) ? -2 : -1;
    case ui::WM_COMMAND:
      ChoiceCommand(window, ui::LoWord(wp), ui::HiWord(wp), static_cast<ui::Hwnd>(lp));
      break;
    case ui::WM_DESTROY: {
      WinUnregister(window);
      ui::Hwnd owner = ui::get_owner(window);
      if (ui::is_window(owner)) WinActivate(owner);
      break;
    }
    default:
      break;
  }
  return ui::def_window_proc(window, m, wp, lp);
}

int WinChoice(StrValue title, StrValue items, int option, Status* status) {
  *status = StrError(title) ? StrError(title) : StrError(items);
  if (*status) return 0;
  return ChoiceRun(title, items, option, nullptr, status);
}

uint16_t WinChoiceEx(StrValue title, StrValue items, int flags, const ui::Point* position) {
  if (title.IsError() || items.IsError()) return kChoiceEmpty;
  Status failure = 0;
  return ChoiceRun(title, items, flags, position, &failure);
}

Status WinChoiceClose() {
  ui::Hwnd top = WinTop();
  return top ? WinDestroy(top) : 0;
}

int WinChoiceAndClose(StrValue title, StrValue items, int option, Status* status) {
  int n = WinChoice(title, items, option, status);
  if (*status != 0 || n == kChoiceEmpty) return 0;
  if (n > 0 && (option & kChoiceWindow)) WinChoiceClose();
  return n;
}

void ChoiceStatementsRegister() { ExecStatementSet(kStmtWinMenu, WinMenuStatement); }

int32_t FieldPixelWidth(int32_t n) {
  int64_t w = FontCellSize().width;
  int64_t r = n / 10 + (n % 10 > 5 ? 1 : 0);
  int64_t px = static_cast<int64_t>(n) * w - (r - 1) * (w / 2);
  return static_cast<int32_t>(std::clamp<int64_t>(px, INT32_MIN, INT32_MAX));
}
