#include "screens/window/fieldctl.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <type_traits>

#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/format.h"
#include "runtime/log.h"
#include "runtime/sysvars.h"
#include "screens/window/actions.h"
#include "screens/forms/choice.h"
#include "screens/window/fonttable.h"
#include "screens/window/geometry.h"
#include "screens/window/screendef.h"
#include "screens/window/winlist.h"
#include "screens/window/winrecord.h"
#include "script/taskhooks.h"

// The field help task of the applications (task hook 22) is given this point.
static_assert(std::is_same_v<decltype(&FieldHelpPoint), HelpPointFn>);

namespace {

constexpr char kNumericTypes[] = "NL123456789";
constexpr int32_t kEditMinWidth = 15;
constexpr uint32_t kLabelIdMax = 0xFFFF;

CtlSubclassFn g_subclass = nullptr;

bool CheckBoxField(const FieldDesc& f) {
  return f.type == 'L' && VarIntTestBits(kSysAuxStat, kAuxStatCheckBoxes);
}

bool ReadOnlyField(const ScreenDesc& s, const FieldDesc& f, uint16_t n) {
  return f.editOrder == 0 || n == s.beginField;
}

// The control of field n: the one it keeps, else the top window's child of
// its id.
ui::Hwnd ControlOf(uint16_t n) {
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (s && n >= 1 && n <= s->fieldCount && ui::is_window(s->fields[n - 1].control)) return s->fields[n - 1].control;
  return ui::get_dlg_item(WinTop(), FieldCtlId(n));
}

uint32_t PackPoint(int32_t low, int32_t high) {
  auto clip = [](int32_t v) { return static_cast<uint32_t>(std::clamp(v, 0, 0xFFFF)); };
  return clip(low) | (clip(high) << 16);
}

}  // namespace

CtlSubclassFn CtlSubclassHookSet(CtlSubclassFn fn) {
  CtlSubclassFn old = g_subclass;
  g_subclass = fn;
  return old;
}

ui::Hwnd WinCreateKind(int kind, uint32_t flags, StrValue title, ui::Hwnd owner, int row, int column,
                       ui::WndProc proc, ui::Hmenu menu) {
  if (kind < 0 || kind >= kWinKinds) return 0;
  const StrAreaScope scope;
  WinKindInfo info = WinKindStyle(kind, title);
  if (info.status) return 0;
  CellSize cell = FontCellSize();
  PxSize content = TextSizePx(kGeomAll, kGeomAll, TextWinGeomGet(), cell);
  PxSize whole = WinSizeForClient(content.width, content.height, kind, menu != 0);
  ui::Rect area = ui::work_area();
  PxSize shown{std::min(whole.width, area.Width()), std::min(whole.height, area.Height())};
  uint32_t style = info.style | flags;
  if (shown.width < whole.width) style |= ui::WS_HSCROLL;
  if (shown.height < whole.height) style |= ui::WS_VSCROLL;
  uint16_t x = kWinDefault, y = kWinDefault;
  if (row >= 0 && column >= 0) {
    ui::Point base = WinPos(owner);
    x = static_cast<uint16_t>(std::clamp<int64_t>(base.x + static_cast<int64_t>(column) * cell.width, 0, 0xFFFE));
    y = static_cast<uint16_t>(std::clamp<int64_t>(base.y + static_cast<int64_t>(row) * cell.height, 0, 0xFFFE));
  }
  auto side = [](int32_t v) { return static_cast<uint16_t>(std::clamp(v, 0, 0xFFFE)); };
  ui::Hwnd w = WinClassCreate(info.className, title, style, x, y, side(shown.width), side(shown.height), menu, proc);
  if (w) {
    WinShowState(kind == kWinKindMain ? kWinShowMaximized : kWinShowReset);
    if (style & ui::WS_HSCROLL) ui::set_scroll_range(w, ui::SB_HORZ, 0, whole.width - shown.width);
    if (style & ui::WS_VSCROLL) ui::set_scroll_range(w, ui::SB_VERT, 0, whole.height - shown.height);
  }
  return w;
}

uint32_t FieldControlStyle(uint16_t n) {
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (!s || n < 1 || n > s->fieldCount) return 0;
  const FieldDesc& f = s->fields[n - 1];
  if (CheckBoxField(f)) return kCheckFieldStyle;
  uint32_t style = kEditFieldStyle;
  if (ReadOnlyField(*s, f, n)) style |= ui::ES_READONLY;
  if (f.type == 'P') style |= ui::ES_PASSWORD;
  else if (f.type && std::strchr(kNumericTypes, f.type)) style |= ui::ES_RIGHT;
  return style;
}

ui::Hwnd FieldControlCreate(uint16_t n, int32_t x, int32_t y, bool gridMode) {
  ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (!s || n < 1 || n > s->fieldCount) return 0;
  FieldDesc& f = s->fields[n - 1];
  if (FieldIsHidden(f)) return 0;
  CellSize cell = FontCellSize();
  bool check = CheckBoxField(f);
  ui::CreateSpec spec;
  spec.cls = check ? "BUTTON" : "EDIT";
  spec.style = FieldControlStyle(n);
  spec.exStyle = check || gridMode ? 0 : ui::WS_EX_CLIENTEDGE;
  spec.x = gridMode ? x : x - std::max(cell.width / 4, 1);
  spec.y = y;
  spec.width = check ? 4 * cell.width : std::max(FieldPixelWidth(f.width), kEditMinWidth);
  spec.height = gridMode ? cell.height - cell.height / 8 : cell.height;
  spec.parent = WinTop();
  spec.id = FieldCtlId(n);
  ui::Hwnd h = ui::create_window(spec);
  if (!h) return 0;
  if (check) {
    if (ReadOnlyField(*s, f, n)) ui::enable_window(h, false);
  } else {
    ui::edit_set_limit(h, f.limit);
    FontApply(h, kFontTable);
  }
  if (g_subclass) g_subclass(h, check ? kSubclassCheck : kSubclassEdit);
  if (gridMode) ui::set_window_pos(h, 0, 0, 0, 0, ui::SWP_NOMOVE | ui::SWP_NOSIZE);
  f.control = h;
  return h;
}

void FieldControlsCreate(uint16_t first, uint16_t last) {
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (!s) return;
  for (uint32_t n = std::max<uint16_t>(first, 1); n <= std::min(last, s->fieldCount); ++n) {
    const FieldDesc& f = s->fields[n - 1];
    FieldControlCreate(static_cast<uint16_t>(n), WinColX(f.col), WinRowY(f.row), false);
  }
}

void FieldControlsDestroy(uint16_t first, uint16_t last) {
  ScreenDesc* s = ScreenGet(kCurrentIndex);
  for (uint32_t n = std::max<uint16_t>(first, 1); n <= last; ++n) {
    ui::Hwnd h = ui::get_dlg_item(WinTop(), FieldCtlId(static_cast<uint16_t>(n)));
    if (!h) break;
    ui::destroy_window(h);
    if (s && n <= s->fieldCount) s->fields[n - 1].control = 0;
  }
}

Status ScreenSetWin(uint8_t flags) {
  ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (AssertCheck(s != nullptr, StrFromC("ScreenSetWin")).IsError() || !s) return st::INTERNALERROR;
  s->ctlFlags = flags;
  if (flags & kScreenNoControls) return DynStrClear(SecondLinesQueue);
  if (s->linesFirst == 0) {
    FieldControlsCreate(1, s->fieldCount);
  } else {
    FieldControlsCreate(1, static_cast<uint16_t>(s->linesFirst - 1));
    FieldControlsCreate(static_cast<uint16_t>(s->linesLast + 1), s->fieldCount);
  }
  return 0;
}

ui::Hwnd LabelCreate(ui::Hwnd window, uint16_t row, uint16_t column, StrValue text) {
  if (text.IsError()) return 0;
  uint16_t columns = TextWinGeomGet().columns;
  uint64_t id = kIdLabelFirst + static_cast<uint64_t>(row) * columns + std::min(column, columns);
  if (id > kLabelIdMax) return 0;
  if (ui::Hwnd old = ui::get_dlg_item(window, static_cast<int>(id))) ui::destroy_window(old);
  CellSize cell = FontCellSize();
  ui::CreateSpec spec;
  spec.cls = "STATIC";
  spec.title = text.View();
  spec.style = kLabelStyle;
  spec.x = WinColX(column);
  spec.y = WinRowY(row);
  spec.width = cell.width * text.len;
  spec.height = cell.height;
  spec.parent = window;
  spec.id = static_cast<int>(id);
  ui::Hwnd h = ui::create_window(spec);
  if (h) FontApply(h, kFontTable);
  return h;
}

uint16_t LabelShow(uint16_t row, uint16_t column, StrValue text) {
  ui::Hwnd top = WinTop();
  if (!top || !LabelCreate(top, row, column, text)) return 0xFFFF;
  ui::invalidate(top);
  ui::update_window(top);
  return 0;
}

StrValue FieldControlValue(ui::Hwnd window, uint16_t id) {
  ui::Hwnd h = ui::get_dlg_item(window, id);
  if (!h) return StrErr(st::UNDEFWARNING);
  FieldDesc f = FieldGet(id - kIdFieldFirst + 1);
  if (f.status) return StrErr(f.status);
  uint16_t mark = StrAreaMark(-1);
  // A check box's mark is the stored logical value itself (typed input
  // would be read by the language's letters).
  if (ui::class_name(h) == "BUTTON")
    return StrAreaReturn(mark, FmtByType(f.type, StrFromC(ui::button_get_check(h) ? "1" : "0"), f.length));
  return StrAreaReturn(mark, FmtInputToStored(f.type, StrFromView(ui::get_text(h)), f.length));
}

Status CtlFieldShow(uint16_t n, StrValue text, uint16_t flags) {
  ui::Hwnd h = ControlOf(n);
  if (!h) return st::UNDEFWARNING;
  if (!text.IsError() && ui::class_name(h) != "BUTTON") {
    // A field entered by a key has its text selected, so typing replaces it;
    // showing it again (the row of a grid is shown once more after the
    // focus moved) must not drop that selection, or a full field refuses
    // every key typed.
    std::string before = ui::get_text(h, text.len + 1u);
    auto [from, to] = ui::edit_get_sel(h);
    bool whole = ui::get_focus() == h && from == 0 && to == static_cast<int>(before.size()) && to > 0;
    if (before != text.View()) {
      ui::set_text(h, text.View());
      if (whole) ui::edit_set_sel(h, 0, -1);
    }
  }
  if (flags & 0x10) ui::button_set_check(h, flags & 1);
  return 0;
}

void NavButtonEnable(uint16_t n, bool on) {
  if (ui::Hwnd h = ui::get_dlg_item(WinTop(), kIdNavFirst + n)) ui::enable_window(h, on);
}

Status ScreenWinClose(int n) {
  const WinRecord* current = WinGet(kCurrentIndex);
  ui::Hwnd top = WinTop();
  if (!current || !top || current->window != top) {
    ErrDetailSet(st::INTERNALERROR, StrFromC("ScreenWinClose"), false);
    return ErrSet(1, MOD_SCREENS, st::INTERNALERROR, st::INTERNALERROR);
  }
  return WinRecordClose(n == kCurrentIndex ? ScreenStackIndex(2) : n);
}

uint32_t FieldHelpPoint() {
  if (VarSysIntGet(kSysLastKey) != kKeyOther) {
    WinRecord r = WinCurrent();
    uint16_t n = r.curField ? r.curField : static_cast<uint16_t>(VarSysIntGet(kSysCurEdFld));
    const ScreenDesc* s = ScreenGet(kCurrentIndex);
    if (s && n >= 1 && n <= s->fieldCount && ui::is_window(s->fields[n - 1].control)) {
      ui::Rect rc = ui::get_window_rect(s->fields[n - 1].control);
      return PackPoint(rc.bottom, rc.right);
    }
  }
  if (ui::Hwnd focus = ui::get_focus()) {
    ui::Rect rc = ui::get_window_rect(focus);
    return PackPoint(rc.bottom, rc.right);
  }
  ui::Point p = WinPos(WinTop());
  return PackPoint(p.y, p.x);
}
