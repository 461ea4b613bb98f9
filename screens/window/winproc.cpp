#include "screens/window/winproc.h"

#include <algorithm>

#include "data/dictionary/compat.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/locale.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/window/actions.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fonttable.h"
#include "screens/window/winlist.h"
#include "screens/window/winrecord.h"

namespace {

// The keyboard state of the edit controls.
constexpr uint8_t kStateShift = 1;
constexpr uint8_t kStateCtrl = 2;
constexpr uint8_t kStateScanning = 4;
constexpr int kScrollLine = 2;     // pixels a line request moves
constexpr int kDeviceSlots = 4;    // serial port slots that can post data
constexpr int kSubclassKinds = 3;
// A combo box is subclassed as a list control but keeps a procedure of its
// own class, saved apart from the list boxes'.
constexpr int kSavedCombo = kSubclassKinds + 1;

struct ScanBuffer {
  char text[kScanMax] = {};
  uint16_t len = 0;
  bool overflow = false;
};

uint8_t g_keys = 0;
ScanBuffer g_scan;
ui::WndProc g_saved[kSavedCombo + 1] = {};

ui::WndProc ProcOfKind(int kind) {
  switch (kind) {
    case kSubclassEdit: return EditWndProc;
    case kSubclassList: return ListWndProc;
    case kSubclassCheck: return CheckWndProc;
    default: return nullptr;
  }
}

// Where the procedure a control had before it was subclassed is kept.
int SavedSlot(ui::Hwnd h, int kind) {
  return kind == kSubclassList && ui::class_name(h) == "COMBOBOX" ? kSavedCombo : kind;
}

// The procedure the control had before it was subclassed.
ui::LResult CallSaved(int kind, ui::Hwnd h, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  if (!ui::is_window(h)) return 0;
  ui::WndProc proc = g_saved[kind];
  return proc ? ui::call_window_proc(proc, h, m, wp, lp) : ui::def_window_proc(h, m, wp, lp);
}

void SetLastKey(uint16_t cls) { VarSysIntSet(kSysLastKey, static_cast<int16_t>(cls)); }

// The key class of a key with the modifiers the message carries: Shift+Tab
// and Ctrl+End have classes of their own.
uint16_t ClassOf(ui::WParam vk, ui::LParam lp) {
  ui::LParam mods = lp & (ui::KEY_SHIFT | ui::KEY_CTRL | ui::KEY_ALT);
  if (vk == ui::VK_TAB && mods == ui::KEY_SHIFT) return kKeyShiftTab;
  if (vk == ui::VK_END && mods == ui::KEY_CTRL) return kKeyCtrlEnd;
  return KeyClass(static_cast<uint16_t>(vk));
}

bool IsModifier(ui::WParam vk) { return vk == ui::VK_SHIFT || vk == ui::VK_CONTROL; }

// A key in a field's edit: true when it is taken (not passed to the edit).
bool EditKey(ui::Hwnd h, ui::WParam vk, ui::LParam lp) {
  g_keys = static_cast<uint8_t>((g_keys & kStateScanning) | ((lp & ui::KEY_SHIFT) ? kStateShift : 0) |
                                ((lp & ui::KEY_CTRL) ? kStateCtrl : 0));
  if (IsModifier(vk) || (g_keys & kStateScanning)) return false;
  uint16_t cls = ClassOf(vk, lp);
  SetLastKey(cls);
  if (cls == kKeyOther) return false;
  if (ActionCode code = KeyToAction(cls)) {
    g_keys &= static_cast<uint8_t>(~kStateCtrl);
    ScreenActionCtl(h, code);
  }
  return true;
}

void EditChar(ui::Hwnd h, char ch) {
  if (g_keys & kStateScanning) {
    if (ScanCharCapture(ch)) ScreenActionCtl(h, ActionMake(kActWedgeEnd, 0));
  } else if (ch == kScanStart) {
    g_keys |= kStateScanning;
    g_scan = ScanBuffer{};
  }
}

// After a failed check of the field left, the focus goes back to it.
void FocusBack(ui::Hwnd entered) {
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  uint16_t n = WinCurrent().curField;
  if (!s || n < 1 || n > s->fieldCount) return;
  ui::Hwnd current = s->fields[n - 1].control;
  if (current != entered && ui::is_window(current)) ui::set_focus(current);
}

// The record bound to the window: the listed one when it still shows this
// window, else the record that does (records move down as older ones close).
int RecordOf(ui::Hwnd window) {
  uint16_t listed = WinTopId(window);
  if (listed == kWinNoRecord) return -1;
  const WinRecord* r = WinGet(listed);
  if (r && r->window == window) return listed;
  for (uint16_t i = 0; i < ScreenStackIndex(3); ++i)
    if (WinGet(i)->window == window) return i;
  return -1;
}

// A close request: the chain's answer to the code, or 1 when the window's
// own close request asked again meanwhile (a handler whose answer carries
// the close bit while it handles the close), so it closes once.
ui::Hwnd g_closing = 0;
bool g_closeAgain = false;

// True (the request noted) when the window's close request is being handled.
bool CloseAgain(ui::Hwnd window) {
  if (window != g_closing) return false;
  g_closeAgain = true;
  return true;
}

Status CloseRequest(ui::Hwnd window, ActionCode code) {
  ui::Hwnd outer = g_closing;
  bool outerAgain = g_closeAgain;
  g_closing = window;
  g_closeAgain = false;
  Status answer = ScreenActionCtl(window, code);
  bool again = g_closeAgain;
  g_closing = outer;
  g_closeAgain = outerAgain;
  return again ? 1 : answer;
}

int ScrollTarget(const ui::ScrollInfo& info, uint16_t request, int page) {
  switch (request) {
    case ui::SB_LINEUP: return info.pos - kScrollLine;
    case ui::SB_LINEDOWN: return info.pos + kScrollLine;
    case ui::SB_PAGEUP: return info.pos - page;
    case ui::SB_PAGEDOWN: return info.pos + page;
    case ui::SB_THUMBTRACK: return info.track;
    case ui::SB_TOP: return info.min;
    case ui::SB_BOTTOM: return info.max;
    default: return info.pos;
  }
}

}  // namespace

// --- Window procedures -----------------------------------------------------------

ui::LResult WinBaseProc(ui::Hwnd window, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  switch (m) {
    case ui::WM_DESTROY:
      if (WinSlotFind(window) < kWinSlots && WinUnregister(window)) PostQuit(window);
      break;
    case ui::WM_SETFOCUS: {
      WinRaise(window);
      ActionCode code = FirstActivation(window) ? kActFirstFocus : kActFocusIn;
      ScreenActionCtl(window, code);
      break;
    }
    case ui::WM_KEYDOWN:
      if (wp == ui::VK_ESCAPE) ui::send(window, ui::WM_CLOSE);
      break;
    case ui::MSG_DEVICE_DATA:
      // A slot past the ports would not fit the code's parameter byte.
      if (wp < kDeviceSlots) ScreenActionCtl(window, ActionMake(kActDeviceData, static_cast<uint8_t>(wp)));
      return 0;
    default:
      break;
  }
  return ui::def_window_proc(window, m, wp, lp);
}

ui::LResult ScreenWndProc(ui::Hwnd window, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  switch (m) {
    case ui::WM_CLOSE:
      if (CloseAgain(window) || CloseRequest(window, ActionMake(kActCloseRequest, 0)) == 0) return 0;
      break;
    case ui::WM_COMMAND:
      if (ui::HiWord(wp) == 0) {
        ActionCode code = CommandToAction(ui::LoWord(wp));
        if (code != kNoAction) ScreenActionCtl(window, code);
        return 0;
      }
      break;
    case ui::WM_HSCROLL:
    case ui::WM_VSCROLL:
      WinScroll(window, m, ui::LoWord(wp));
      return 0;
    default:
      break;
  }
  return WinBaseProc(window, m, wp, lp);
}

ui::LResult DialogWndProc(ui::Hwnd window, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  if (m == ui::WM_COMMAND && ui::HiWord(wp) == ui::LBN_DBLCLK) {
    ui::send(window, ui::WM_COMMAND, kIdOk);
    return 0;
  }
  if (m == ui::WM_COMMAND && ui::HiWord(wp) == ui::CBN_SELENDOK) {
    SetLastKey(kKeyOther);
    ScreenActionCtl(window, ActionMake(kActComboChange, 0));
    return 0;
  }
  return ScreenWndProc(window, m, wp, lp);
}

ui::LResult MainWndProc(ui::Hwnd window, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  if (m == ui::WM_CLOSE) {
    if (CloseAgain(window) || (CloseRequest(window, ActionMake(kActMainClose, 0)) & 0xFF) == 0) return 0;
  } else if (m == ui::WM_COMMAND && ui::HiWord(wp) == 0) {
    uint16_t id = ui::LoWord(wp);
    if (id >= kIdMenuFirst && id <= kIdMenuLast) ScreenActionCtl(window, CommandToAction(id));
    return 0;
  }
  return WinBaseProc(window, m, wp, lp);
}

ui::LResult EditWndProc(ui::Hwnd control, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  switch (m) {
    case ui::WM_SETFOCUS:
      if (ScreenActionCtl(control, kActFocusIn) == st::BADUSERDATA) {
        FocusBack(control);
        return 0;
      }
      break;
    case ui::WM_KILLFOCUS:
      ScreenActionCtl(control, kActFocusOut);
      break;
    case ui::WM_KEYDOWN:
      if (EditKey(control, wp, lp)) return 0;
      break;
    case ui::WM_KEYUP:
      if (wp == ui::VK_SHIFT) g_keys &= static_cast<uint8_t>(~kStateShift);
      if (wp == ui::VK_CONTROL) g_keys &= static_cast<uint8_t>(~kStateCtrl);
      break;
    case ui::WM_CHAR:
      EditChar(control, static_cast<char>(wp & 0xFF));
      break;
    case ui::MSG_SCAN_FIELD:
      ScreenActionCtl(control, ActionMake(kActScanField, 0));
      return 0;
    default:
      break;
  }
  return CallSaved(kSubclassEdit, control, m, wp, lp);
}

ui::LResult ListWndProc(ui::Hwnd control, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  if (m == ui::WM_KEYDOWN) {
    uint16_t cls = KeyClass(static_cast<uint16_t>(wp));
    if (cls == kKeyEnter) {
      ui::send(ui::get_parent(control), ui::WM_COMMAND, kIdOk, static_cast<ui::LParam>(control));
    } else if (cls == kKeyEsc) {
      ScreenActionCtl(control, KeyToAction(kKeyEsc));
    }
  }
  return CallSaved(SavedSlot(control, kSubclassList), control, m, wp, lp);
}

ui::LResult CheckWndProc(ui::Hwnd control, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  switch (m) {
    case ui::WM_KILLFOCUS:
      ScreenActionCtl(control, kActFocusOut);
      break;
    case ui::WM_KEYDOWN: {
      uint16_t cls = ClassOf(wp, lp);
      if (cls == kKeyEsc || cls == kKeyEnter || cls == kKeyTab || cls == kKeyShiftTab) {
        // A check box moves on like an edit does.
        SetLastKey(cls);
        ScreenActionCtl(control, KeyToAction(cls));
        return 0;
      }
      if (wp == ui::VK_SPACE) CheckToggle(control);
      break;
    }
    case ui::WM_LBUTTONDOWN:
      CheckToggle(control);
      break;
    default:
      break;
  }
  return CallSaved(kSubclassCheck, control, m, wp, lp);
}

// --- Helpers ---------------------------------------------------------------------

Status CtlSubclass(ui::Hwnd control, int kind) {
  ui::WndProc proc = ProcOfKind(kind);
  if (!proc || CompatOn(compat::kNoSubclass) || !ui::is_window(control)) return 0;
  int slot = SavedSlot(control, kind);
  ui::WndProc old = ui::set_window_proc(control, proc);
  if (!g_saved[slot] && old != proc) g_saved[slot] = old;
  return 0;
}

void WinScroll(ui::Hwnd window, ui::Msg message, uint16_t request) {
  int bar = message == ui::WM_VSCROLL ? ui::SB_VERT : ui::SB_HORZ;
  ui::ScrollInfo info = ui::get_scroll_info(window, bar);
  CellSize cell = FontCellSize();
  int page = bar == ui::SB_VERT ? cell.height : cell.width;
  int to = std::clamp(ScrollTarget(info, request, page), info.min, std::max(info.min, info.max));
  int delta = to - info.pos;
  if (delta == 0) return;
  if (bar == ui::SB_VERT) ui::scroll_window(window, 0, -delta);
  else ui::scroll_window(window, -delta, 0);
  ui::set_scroll_pos(window, bar, to);
}

void CheckToggle(ui::Hwnd control) {
  bool marked = ui::button_get_check(control);
  ui::button_set_check(control, !marked);
  ui::set_text(control, marked ? std::string_view() : std::string_view(LocaleGet(false).words[2]));
}

int ScanCharCapture(char ch) {
  if (static_cast<unsigned char>(ch) >= 32) {
    if (g_scan.len < kScanMax) g_scan.text[g_scan.len++] = ch;
    else g_scan.overflow = true;
    return 0;
  }
  g_keys &= static_cast<uint8_t>(~kStateScanning);
  ScanBuffer scan = g_scan;
  g_scan = ScanBuffer{};
  // A code longer than the buffer is dropped whole, never cut into a field.
  if (scan.overflow) return 0;
  return DynStrPush(ResultsStack, StrMake(scan.text, scan.len)) == 0 ? 1 : 0;
}

bool FirstActivation(ui::Hwnd window) {
  uint16_t current = ScreenStackIndex(2);
  if (WinTopId(window) != kWinNoRecord || current == 0xFFFF) return false;
  // Only the window the record was opened on: a window of no record of its
  // own (a progress or report window) does not take the screen's.
  if (WinGet(current)->window != window) return false;
  WinRegister(window, current);
  return true;
}

void WinRaise(ui::Hwnd window) {
  if (WinSlotFind(window) >= kWinSlots) return;
  int record = RecordOf(window);
  if (record < 0) return;
  if (WinSelect(record) == record) WinRegister(window, static_cast<uint16_t>(record));
}

void WinProcReset() {
  g_keys = 0;
  g_scan = ScanBuffer{};
  std::fill(std::begin(g_saved), std::end(g_saved), nullptr);
  g_closing = 0;
  g_closeAgain = false;
}
