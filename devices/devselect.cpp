// The device selection: DevSelect, its batch answer and the "Device
// Selection" window.
//
// The window (kind 6, modal over the top window) holds three combo boxes
// (devices, speeds, parities: ids 3500-3502 when no other combo box is
// open, each 3500 + its slot of the combo table), the lines, width, step and
// view edits (2500-2503; the first three take digits only), their labels,
// "Lpt Config" (3102) and "Ok" (3100):
//
//   [device  ]  Speed:   [9600 ]
//   [CON     ]           [...  ]
//   [...     ]  Parity:  [N,8,1]
//                        [...  ]
//               Lines:   [    ]
//               Width:   [    ]
//               Step:    [    ]
//               View:    [Y]
//   [Lpt Config]          [Ok  ]
//
// The window has no window record: it runs none of the screens' actions.
// Its commands, keys and focus are its own; its controls hand Esc (cancel),
// Enter (Ok) and Tab / Shift+Tab (next / previous enabled control) to it.
#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <string_view>

#include "devices/lptconfig.h"
#include "devices/reportlaunch.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/hostdialog.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/actions.h"
#include "screens/forms/combo.h"
#include "screens/window/controls.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fonttable.h"
#include "screens/forms/forms.h"
#include "screens/window/geometry.h"
#include "screens/forms/msgbox.h"
#include "screens/window/winlist.h"
#include "screens/window/winproc.h"

namespace {

constexpr char kDevices[] = "CON,LPT1,LPT2,LPT3,LPT4,LPT5,LPT6,PDF,TXT,COM1:,COM2:,DEV,WINPRN";
constexpr char kSpeeds[] = "9600,4800,2400,1200";
constexpr char kParities[] = "'N,8,1','N,7,1','O,8,1','O,7,1','N,8,2','N,7,2','O,8,2','O,7,2'";
constexpr char kTitle[] = "0082";
constexpr char kLabels[] = "0083";
constexpr char kNoSelection[] = "0084";
constexpr char kYesWords[] = "0011";
constexpr char kDevForm[] = "'':'A120'";
constexpr char kDevName[] = "DEV";

constexpr uint16_t kIdEditFirst = 2500;  // lines, width, step, view

// The window's combo boxes.
enum ComboRole : uint8_t { kDeviceCombo, kSpeedCombo, kParityCombo, kCombos };

// Enable bits of the fields.
enum DevField : uint8_t {
  kFieldSpeed = 0x01,
  kFieldParity = 0x02,
  kFieldLines = 0x04,
  kFieldWidth = 0x08,
  kFieldStep = 0x10,
  kFieldView = 0x20,
};

// The edits: id, option, width in columns, enable bit.
struct EditInfo {
  uint16_t id;
  const char* option;
  uint16_t columns;
  uint8_t bit;
};
constexpr EditInfo kEdits[] = {
    {kIdEditFirst, "LP", 4, kFieldLines},
    {kIdEditFirst + 1, "WD", 4, kFieldWidth},
    {kIdEditFirst + 2, "ST", 4, kFieldStep},
    {kIdEditFirst + 3, "VW", 1, kFieldView},
};

// Layout in cells of the window's own text geometry.
constexpr uint16_t kRowSpeed = 1, kRowParity = 6, kRowEdits = 11, kRows = 16;
static_assert(kRows >= 11, "the window has at least 11 rows");

StrValue View(std::string_view v) { return StrMake(v.empty() ? "" : v.data(), static_cast<uint32_t>(v.size())); }

uint8_t EnableBits(std::string_view device) {
  constexpr uint8_t kPage = kFieldLines | kFieldWidth | kFieldStep;
  if (device == "PDF" || device == "TXT") return kPage | kFieldView;
  if (device == "COM1:" || device == "COM2:") return kPage | kFieldSpeed | kFieldParity;
  if (device == "DEV" || device == "WINPRN") return 0;
  return kPage;  // CON, LPT1-LPT6
}

std::string Text(ui::Hwnd window, uint16_t id) { return ui::get_text(ui::get_dlg_item(window, id)); }

// The combo boxes' slots of each open window (screens/forms/combo.h).
std::map<ui::Hwnd, std::array<uint16_t, kCombos>> g_slots;

ui::Hwnd ComboOf(ui::Hwnd window, ComboRole role) {
  auto it = g_slots.find(window);
  return it == g_slots.end() ? 0 : ComboHandle(it->second[role]);
}

std::string ComboChoice(ui::Hwnd window, ComboRole role) {
  ui::Hwnd combo = ComboOf(window, role);
  int sel = combo ? ui::combo_get_sel(combo) : -1;
  return sel < 0 ? std::string() : ui::combo_text(combo, sel);
}

// --- Keys of the controls --------------------------------------------------------

std::map<ui::Hwnd, ui::WndProc> g_procs;  // the controls' own procedures

void FocusStep(ui::Hwnd control, bool back) {
  ui::Hwnd window = ui::get_parent(control);
  std::vector<ui::Hwnd> order;
  for (ui::Hwnd c : ui::children(window))
    if (ui::accepts_input(c) && (ui::get_style(c) & ui::WS_TABSTOP)) order.push_back(c);
  if (order.empty()) return;
  auto at = std::find(order.begin(), order.end(), control);
  size_t i = at == order.end() ? 0 : static_cast<size_t>(at - order.begin());
  size_t n = order.size();
  ui::set_focus(order[back ? (i + n - 1) % n : (i + 1) % n]);
}

ui::LResult ControlProc(ui::Hwnd control, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  auto it = g_procs.find(control);
  ui::WndProc own = it == g_procs.end() ? ui::def_window_proc : it->second;
  ui::Hwnd window = ui::get_parent(control);
  if (m == ui::WM_KEYDOWN) {
    switch (wp) {
      case ui::VK_ESCAPE: ui::send(window, ui::WM_CLOSE); return 0;
      case ui::VK_TAB: FocusStep(control, (lp & ui::KEY_SHIFT) != 0); return 0;
      case ui::VK_RETURN: {
        uint16_t id = static_cast<uint16_t>(ui::get_ctrl_id(control));
        ui::send(window, ui::WM_COMMAND, id == kIdLptConfig ? kIdLptConfig : static_cast<uint16_t>(kIdOk), static_cast<ui::LParam>(control));
        return 0;
      }
      default: break;
    }
  }
  ui::LResult r = ui::call_window_proc(own, control, m, wp, lp);
  if (m == ui::WM_LBUTTONDBLCLK && ui::is_window(window) && control == ComboOf(window, kDeviceCombo))
    ui::send(window, ui::WM_COMMAND, kIdOk, static_cast<ui::LParam>(control));
  return r;
}

void Subclass(ui::Hwnd control) {
  if (control) g_procs[control] = ui::set_window_proc(control, ControlProc);
}

// --- Building ----------------------------------------------------------------------

// Columns a combo of the list takes, rounded up.
uint16_t ComboColumns(StrValue items) {
  CellSize cell = FontCellSize();
  int32_t px = StrListMaxLen(items, ',', 0) * cell.width + 2 * kComboMargin;
  return static_cast<uint16_t>((px + cell.width - 1) / cell.width);
}

// The device string the window's choice stands for; false when the window
// must stay open (nothing chosen, a file dialog cancelled).
bool ChosenDevice(ui::Hwnd window, std::string* out) {
  std::string device = ComboChoice(window, kDeviceCombo);
  if (device.empty()) {
    InfoBox(StrMake("", 0), Msg(kNoSelection));
    return false;
  }
  uint8_t bits = EnableBits(device);
  const StrAreaScope scope;
  if (bits & kFieldSpeed) {
    device += ComboChoice(window, kSpeedCombo);
    std::string parity = ComboChoice(window, kParityCombo);
    if (!parity.empty()) device += "," + parity;
  } else if (bits & kFieldView) {
    StrValue ext = View(device);
    StrValue name = AnswerIsYes(View(Text(window, kIdEditFirst + 3)))
                        ? TempFilePath(ext)
                        : FileSelectDialog(true, (device == "PDF" ? 7 : 8) | kDialogKeepDir);
    if (Status e = StrError(name)) {
      ErrShow(e);
      return false;
    }
    if (name.len == 0) return false;
    device = name.Str();
  }
  for (const EditInfo& e : kEdits) {
    std::string text = Text(window, e.id);
    if ((bits & e.bit) && !text.empty()) device += std::string(" /") + e.option + ":" + text;
  }
  *out = device;
  return true;
}

// The fields of the selected device enabled, the others disabled.
void ApplySelection(ui::Hwnd window) {
  std::string device = ComboChoice(window, kDeviceCombo);
  uint8_t bits = EnableBits(device);
  ui::enable_window(ComboOf(window, kSpeedCombo), bits & kFieldSpeed);
  ui::enable_window(ComboOf(window, kParityCombo), bits & kFieldParity);
  for (const EditInfo& e : kEdits) ui::enable_window(ui::get_dlg_item(window, e.id), bits & e.bit);
  const StrAreaScope scope;
  LptConfigButton(window, View(device));
}

void Ok(ui::Hwnd window) {
  std::string device;
  if (!ChosenDevice(window, &device)) return;
  DynStrSet(SystemTextList, kDevSelAnswerItem, View(device));
  WinDestroy(window);
}

void LptConfig(ui::Hwnd window) {
  const StrAreaScope scope;
  int port = LptPortOf(View(ComboChoice(window, kDeviceCombo)));
  if (!port) return;
  Status s = LptConfigEdit(port);
  if (s > 121) ErrShow(s);
  if (ui::is_window(window)) ui::set_focus(ComboOf(window, kDeviceCombo));
}

// The option's value of the current device string, empty when absent.
std::string OptionText(StrValue current, const char* option) {
  int16_t v = DevOption(current, option, -1);
  return v < 0 ? std::string() : std::to_string(v);
}

Status Controls(ui::Hwnd window, StrValue current, uint16_t labelCol, uint16_t fieldCol) {
  CellSize cell = FontCellSize();
  const uint16_t slots[kCombos] = {ComboCreate(window, WinRowY(1), WinColX(2), StrFromC(kDevices), 1),
                                   ComboCreate(window, WinRowY(kRowSpeed), WinColX(fieldCol), StrFromC(kSpeeds), 1),
                                   ComboCreate(window, WinRowY(kRowParity), WinColX(fieldCol), StrFromC(kParities), 1)};
  auto& kept = g_slots[window];
  for (int role = 0; role < kCombos; ++role) {
    kept[role] = slots[role];
    if (slots[role] == kComboNone) return st::WINCONTROLERROR;
    Subclass(ComboHandle(slots[role]));
  }
  const uint16_t labelRows[] = {kRowSpeed, kRowParity, kRowEdits, kRowEdits + 1, kRowEdits + 2, kRowEdits + 3};
  StrValue labels = Msg(kLabels);
  for (uint32_t i = 0; i < 6; ++i) {
    if (!StaticTextCreate(window, WinRowY(labelRows[i]), WinColX(labelCol), WinColsWidth(fieldCol - labelCol),
                          cell.height, StrListItem(labels, ',', i + 1)))
      return st::WINCONTROLERROR;
  }
  const std::string prefill[] = {OptionText(current, "LP"), OptionText(current, "WD"), OptionText(current, "ST"),
                                 std::string(1, Msg(kYesWords).len ? Msg(kYesWords).ptr[0] : 'Y')};
  for (size_t i = 0; i < std::size(kEdits); ++i) {
    const EditInfo& e = kEdits[i];
    uint16_t flags = e.bit == kFieldView ? static_cast<uint16_t>(kEditDisabled) : static_cast<uint16_t>(kEditNumeric);
    ui::Hwnd edit = EditCreate(window, WinColX(fieldCol), WinRowY(static_cast<uint16_t>(kRowEdits + i)),
                               WinColsWidth(static_cast<uint16_t>(e.columns + 1)), cell.height, e.id, flags);
    if (!edit) return st::WINCONTROLERROR;
    ui::edit_set_limit(edit, e.columns);
    ui::set_text(edit, prefill[i]);
    Subclass(edit);
  }
  Subclass(LptConfigButton(window, StrMake("", 0)));
  Subclass(OkButtonAdd(window));
  ui::Hwnd device = ComboOf(window, kDeviceCombo);
  ui::combo_set_sel(device, 0);
  ApplySelection(window);
  ui::set_focus(device);
  return 0;
}

Status Fail(Status code, const char* what) {
  ErrDetailSet(code, StrFromC(what), false);
  return ErrSet(1, MOD_DEVICES, code, code);
}

}  // namespace

ui::Hwnd DevSelectWinDraw(StrValue current) {
  if (current.IsError()) return 0;
  const StrAreaScope scope;
  // Columns: the device combo, the labels, the fields; at least as wide as
  // the longest device, label and speed and 8 columns.
  StrValue labels = Msg(kLabels);
  uint16_t labelWidth = StrListMaxLen(labels, ',', 0);
  uint16_t labelCol = static_cast<uint16_t>(2 + ComboColumns(StrFromC(kDevices)) + 1);
  uint16_t fieldCol = static_cast<uint16_t>(labelCol + labelWidth + 1);
  uint16_t fieldColumns = std::max(ComboColumns(StrFromC(kSpeeds)), ComboColumns(StrFromC(kParities)));
  uint16_t columns = std::max<uint16_t>(
      static_cast<uint16_t>(fieldCol + fieldColumns + 1),
      static_cast<uint16_t>(StrListMaxLen(StrFromC(kDevices), ',', 0) + labelWidth +
                            StrListMaxLen(StrFromC(kSpeeds), ',', 0) + 8));
  const TextWinGeomState kept = TextWinGeomSave();
  TextWinGeomSet(columns, kRows, false);
  TextWinGeomSetParts(0, 0, 0, 0);
  ui::Hwnd window = WinCreateKind(kWinKindDevSel, 0, Msg(kTitle), 0, -1, -1, DevSelWinProc);
  Status s = window ? Controls(window, current, labelCol, fieldCol) : st::WINCONTROLERROR;
  if (s == 0) {
    ui::Rect r = ui::get_window_rect(window);
    ui::Point corner = WinCentre(r.Width(), r.Height());
    ui::move_window(window, corner.x, corner.y, r.Width(), r.Height());
  }
  TextWinGeomRestore(kept);
  if (s && window) {
    WinDestroy(window);
    window = 0;
  }
  return window;
}

ui::LResult DevSelWinProc(ui::Hwnd window, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  switch (m) {
    case ui::WM_COMMAND: {
      uint16_t id = ui::LoWord(wp), code = ui::HiWord(wp);
      if (id == kIdOk && code == ui::BN_CLICKED) Ok(window);
      else if (id == kIdLptConfig && code == ui::BN_CLICKED) LptConfig(window);
      else if (code == ui::CBN_SELCHANGE && id == ui::get_ctrl_id(ComboOf(window, kDeviceCombo)))
        ApplySelection(window);
      // The window's own commands never reach the screens' actions.
      return 0;
    }
    case ui::WM_KEYDOWN:
      if (wp == ui::VK_RETURN) {
        Ok(window);
        return 0;
      }
      if (wp == ui::VK_ESCAPE) {
        ui::send(window, ui::WM_CLOSE);
        return 0;
      }
      break;
    case ui::WM_SETFOCUS:
      // No window record to bind: the device list takes the focus.
      if (ui::Hwnd device = ComboOf(window, kDeviceCombo)) ui::set_focus(device);
      return 0;
    case ui::WM_CLOSE:
      WinDestroy(window);
      return 0;
    case ui::WM_DESTROY:
      for (ui::Hwnd c : ui::children(window)) g_procs.erase(c);
      g_slots.erase(window);
      break;
    default:
      break;
  }
  return DialogWndProc(window, m, wp, lp);
}

StrValue DevSelectShow(StrValue current) {
  if (current.IsError()) return current;
  uint16_t mark = StrAreaMark(-1);
  std::string answer;
  if (BatchMode()) {
    StrValue line = BatchInputLine();
    if (line.IsError()) return StrAreaReturn(mark, line);
    StrValue t = StrTrim(line, 3);
    if (t.View() != kBatchCancelLine) answer = t.Str();
  } else {
    DynStrSet(SystemTextList, kDevSelAnswerItem, StrMake("", 0));
    ui::Hwnd caller = WinTop();
    ui::Hwnd window = DevSelectWinDraw(current);
    if (!window) return StrAreaReturn(mark, StrErr(Fail(st::WINCONTROLERROR, "DevSelect")));
    WinModalReturn(caller, window);
    answer = DynStrGet(SystemTextList, kDevSelAnswerItem).Str();
  }
  DynStrSet(SystemTextList, kDevSelAnswerItem, View(answer));
  OutputLineAppend(answer.empty() ? StrFromC(kBatchCancelLine) : View(answer));
  StrAreaMark(mark);
  return StrFromView(answer);
}

StrValue DevSelect(StrValue current) {
  if (current.IsError()) return current;
  VarSysIntSet(kSysSysCompat, static_cast<int16_t>(VarSysIntGet(kSysSysCompat) | kSysCompatPrinters));
  uint16_t mark = StrAreaMark(-1);
  for (;;) {
    StrValue chosen = DevSelectShow(current);
    if (chosen.IsError() || StrTrim(chosen, 3).len == 0) return StrAreaReturn(mark, chosen);
    if (StrTrim(DevStripOptions(chosen), 3).View() != kDevName) return StrAreaReturn(mark, chosen);
    AcceptResult r = AcceptForm(Msg(kTitle), StrFromC(kDevForm));
    std::string typed;
    if (r.status == 0) {
      const StrAreaScope scope;
      typed = StrTrim(StrUnquote(StrTrim(View(r.values), 3)), 3).Str();
    }
    if (r.status > 121 && r.status != st::USERCANCELED) return StrAreaReturn(mark, StrErr(r.status));
    if (!typed.empty()) {
      StrAreaMark(mark);
      return StrFromView(typed);
    }
    // A batch never asks twice: an empty or cancelled answer ends it.
    if (BatchMode()) return StrAreaReturn(mark, StrMake("", 0));
    StrAreaMark(mark);
  }
}
