#include "screens/window/controls.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "data/store/fileaction.h"
#include "platform/host/files.h"
#include "platform/ui/ui.h"
#include "runtime/errors.h"
#include "runtime/fixednum.h"
#include "runtime/paths.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/actions.h"
#include "screens/window/fonttable.h"
#include "screens/window/geometry.h"
#include "screens/window/screendef.h"
#include "screens/window/tiles.h"
#include "screens/window/winlist.h"

namespace {

constexpr uint32_t kChildStyle = ui::WS_CHILD | ui::WS_VISIBLE | ui::WS_TABSTOP;
constexpr uint32_t kEditMultiStyle = ui::WS_VSCROLL | ui::WS_HSCROLL | ui::ES_MULTILINE | ui::ES_AUTOVSCROLL |
                                     ui::ES_AUTOHSCROLL | ui::ES_WANTRETURN;
constexpr uint32_t kListStyle = ui::WS_CHILD | ui::WS_VISIBLE | ui::WS_BORDER | ui::LBS_NOTIFY |
                                ui::LBS_WANTKEYBOARDINPUT;
constexpr uint32_t kStaticStyle = ui::WS_CHILD | ui::WS_VISIBLE;
constexpr char kNumericTypes[] = "NL123456789";
constexpr int32_t kNavFixedWidth = 60;
constexpr int32_t kBarButtonWidth = 60;


// The y of the text window's last row (rows and adjustment counted).
int32_t BottomRowY() { return WinRowYBottom(0); }

Status ControlError(const char* what) {
  ErrDetailSet(st::WINCONTROLERROR, StrFromC(what), false);
  return ErrSet(1, MOD_SCREENS, st::WINCONTROLERROR, st::WINCONTROLERROR);
}

// A read-only field of the bottom bar.
ui::Hwnd BarField(ui::Hwnd parent, int32_t x, int32_t width, uint16_t id) {
  return EditCreate(parent, x, BottomRowY(), width, FontCellSize().height, id, kEditDisabled);
}

bool PositionEnabled(StrValue enabled, uint32_t position) {
  if (enabled.len == 0) return true;
  StrListIter it(enabled, ',');
  StrValue item;
  while (it.Next(&item))
    if (StrToLong(StrTrim(item, 3)) == static_cast<int64_t>(position)) return true;
  return false;
}

// The screen of the window keeps the value for the id in its owner-drawn
// table (ids, values): the id's entry, else the first free one.
bool ScreenKeepsValue(ui::Hwnd window, uint16_t id, uint16_t value) {
  uint16_t record = WinTopId(ui::get_top_level(window));
  const WinRecord* r = record == kWinNoRecord ? nullptr : WinGet(record);
  ScreenDesc* s = r ? ScreenGet(r->screen) : nullptr;
  if (!s || !s->ids[0] || !s->ids[1]) return false;
  for (uint16_t i = 0; i < s->maxIdsAttr; ++i) {
    if (s->ids[0][i] != id && s->ids[0][i] != 0) continue;
    s->ids[0][i] = id;
    s->ids[1][i] = value;
    return true;
  }
  return false;
}

// The picture file an option text names: the first match of text + "*" in
// the default directory; empty when none, or when the text could reach
// outside that directory.
StrValue PictureFor(StrValue text) {
  std::string_view t = text.View();
  if (t.empty() || t.find_first_of("/\\:") != std::string_view::npos || t.find("..") != std::string_view::npos)
    return StrFromC("");
  StrValue dir = AppPath(APPPATH_DEFAULT);
  StrValue pattern = PathJoin(dir, StrCat(text, StrFromC("*")));
  std::vector<std::string> names;
  if (pattern.IsError() || host::List(pattern.View(), &names) != 0 || names.empty()) return StrFromC("");
  return PathJoin(dir, StrFromView(names.front()));
}

// The tile grid of OptionButtonsCreate for n items of the longest length.
TileLayoutRec OptionGrid(ui::Hwnd parent, uint32_t n, uint16_t longest, uint8_t flags, ui::Point* origin) {
  CellSize cell = FontSystemCell();
  TextWinGeom g = TextWinGeomGet();
  ui::Rect client = ui::get_client_rect(parent);
  int64_t ox = static_cast<int64_t>(g.originCol) * cell.width;
  int64_t oy = (static_cast<int64_t>(g.originRow) + g.rowAdjust) * cell.height;
  auto u16 = [](int64_t v) { return static_cast<uint16_t>(std::clamp<int64_t>(v, 0, 0xFFFE)); };
  TileLayoutRec t;
  t.areaWidth = u16(client.Width() - ox);
  t.areaHeight = u16(client.Height() - oy);
  t.count = u16(n);
  t.tileWidth = u16((static_cast<int64_t>(longest) + 5) * cell.width);
  t.tileHeight = u16(2 * static_cast<int64_t>(cell.height));
  if (flags & kOptionOneRow) {
    t.rows = 1;
    t.columns = t.count;
  }
  t.flags = flags & (kTileSpreadRows | kTileSpreadColumns);
  TileLayout(t);
  *origin = (flags & kOptionNoOrigin) ? ui::Point{} : ui::Point{static_cast<int>(ox), static_cast<int>(oy)};
  return t;
}

}  // namespace

ui::Hwnd ChildCreate(ui::Hwnd parent, std::string_view cls, std::string_view text, uint32_t style, uint32_t exStyle,
                     int32_t x, int32_t y, int32_t width, int32_t height, uint16_t id) {
  ui::CreateSpec spec;
  spec.cls = cls;
  spec.title = text;
  spec.style = style;
  spec.exStyle = exStyle;
  spec.x = x;
  spec.y = y;
  spec.width = std::max(width, 0);
  spec.height = std::max(height, 0);
  spec.parent = parent;
  spec.id = id;
  return parent ? ui::create_window(spec) : 0;
}

ui::Hwnd EditCreate(ui::Hwnd parent, int32_t x, int32_t y, int32_t width, int32_t height, uint16_t id,
                    uint16_t flags) {
  bool check = (flags & kEditCheckBox) != 0;
  uint32_t style = kChildStyle | (check ? ui::BS_CHECKBOX : 0);
  if (flags & kEditMultiLine) style |= kEditMultiStyle;
  if (flags & kEditNumeric) style |= ui::ES_NUMBER | ui::ES_RIGHT;
  ui::Hwnd h = ChildCreate(parent, check ? "BUTTON" : "EDIT", "", style, ui::WS_EX_CLIENTEDGE, x, y, width, height, id);
  if (!h) return 0;
  if (!(flags & kEditSystemFont)) FontApply(h, kFontTable);
  if (flags & kEditDisabled) ui::enable_window(h, false);
  return h;
}

ui::Hwnd ButtonCreate(ui::Hwnd parent, int32_t x, int32_t y, int32_t width, int32_t height, StrValue caption,
                      uint16_t id) {
  if (caption.IsError()) return 0;
  return ChildCreate(parent, "BUTTON", caption.View(), kChildStyle | ui::BS_PUSHBUTTON, 0, x, y, width, height, id);
}

ui::Hwnd ListBoxCreate(ui::Hwnd parent, int32_t x, int32_t y, int32_t width, int32_t height, uint16_t number,
                       StrValue items) {
  if (items.IsError()) return 0;
  uint32_t id = kIdListBoxFirst + static_cast<uint32_t>(number);
  if (id > 0xFFFF) return 0;
  ui::Hwnd h = ChildCreate(parent, "LISTBOX", "", kListStyle, 0, x, y, width, height, static_cast<uint16_t>(id));
  if (!h) return 0;
  FontApply(h, kFontTable);
  StrListIter it(items, ',');
  StrValue item;
  while (it.Next(&item)) ui::listbox_add(h, StrUnquote(item).View());
  return h;
}

ui::Hwnd OptionButtonCreate(ui::Hwnd parent, int32_t x, int32_t y, int32_t width, int32_t height, StrValue text,
                            uint16_t id, uint16_t value, uint8_t flags) {
  if (text.IsError()) return 0;
  if (flags & kOptionPicture) {
    if (ui::Hbitmap picture = ui::load_bitmap_file(host::ResolvePath(text.View()))) {
      ui::Hwnd h = ChildCreate(parent, "BUTTON", text.View(), kChildStyle | ui::BS_BITMAP, 0, x, y, width, height, id);
      if (h) ui::set_image(h, picture);
      else ui::delete_bitmap(picture);
      return h;
    }
  }
  StrValue caption = StrUnquote(text);
  if (value != kOptionNoValue && ScreenKeepsValue(parent, id, value))
    return ChildCreate(parent, "BUTTON", caption.View(), kChildStyle | ui::BS_OWNERDRAW, 0, x, y, width, height, id);
  return ButtonCreate(parent, x, y, width, height, caption, id);
}

Status OptionButtonsCreate(ui::Hwnd parent, StrValue items, uint16_t firstId, uint8_t flags) {
  if (Status e = StrError(items)) return e;
  if (flags == 0xFF) flags = kOptionDefault;
  const StrAreaScope scope;
  uint16_t common = OptionValueSpec(&items);
  uint32_t n = StrListCount(items, ',');
  ui::Point origin;
  TileLayoutRec t = OptionGrid(parent, n, StrListMaxLen(items, ',', 0), flags, &origin);
  bool pictures = (flags & kOptionPicture) && VarIntTestBits(kSysSysCompat, kSysCompatPictures);
  int64_t columns = std::max<int64_t>(t.outColumns, 1);
  StrListIter it(items, ',');
  StrValue item;
  for (uint32_t k = 0; it.Next(&item); ++k) {
    const StrAreaScope each;
    StrValue text = StrUnquote(item);
    uint16_t value = OptionValueSpec(&text);  // an option's own value before the list's
    if (value == kOptionNoValue) value = common;
    StrValue picture = pictures ? PictureFor(text) : StrFromC("");
    int64_t i = k % columns, j = k / columns;
    int64_t x = origin.x + t.xOrigin + (static_cast<int64_t>(t.outTileWidth) + t.xGap) * i;
    int64_t y = origin.y + t.yOrigin + (static_cast<int64_t>(t.outTileHeight) + t.yGap) * j;
    uint32_t id = static_cast<uint32_t>(firstId) + k;
    ui::Hwnd h = id > 0xFFFF ? 0
                             : OptionButtonCreate(parent, static_cast<int32_t>(std::min<int64_t>(x, INT32_MAX)),
                                                  static_cast<int32_t>(std::min<int64_t>(y, INT32_MAX)),
                                                  t.outTileWidth, t.outTileHeight, picture.len ? picture : text,
                                                  static_cast<uint16_t>(id), value,
                                                  picture.len ? kOptionPicture : 0);
    if (!h) return ControlError("OptionButtonsCreate");
    FontApply(h, kFontSystem);
  }
  return 0;
}

ui::Hwnd StaticTextCreate(ui::Hwnd parent, int32_t y, int32_t x, int32_t width, int32_t height, StrValue text) {
  if (text.IsError()) return 0;
  return ChildCreate(parent, "STATIC", text.View(), kStaticStyle, 0, x, y, width, height, 0);
}

ui::Hwnd OkButtonAdd(ui::Hwnd window) {
  if (ui::Hwnd ok = ui::get_dlg_item(window, kIdOk)) return ok;
  CellSize cell = FontCellSize();
  ui::Hwnd ok = ButtonCreate(window, WinColXRight(14), BottomRowY() - cell.height / 2, WinColsWidth(12), cell.height,
                             StrFromC("Ok"), kIdOk);
  if (ok) FontApply(ok, kFontTable);
  return ok;
}

Status NavBarCreate(ui::Hwnd parent, uint16_t layout, StrValue commands, StrValue captions, int32_t height,
                    StrValue enabled) {
  if (Status e = StrError(commands) ? StrError(commands) : StrError(captions) ? StrError(captions)
                                                                             : StrError(enabled))
    return e;
  const StrAreaScope scope;
  uint32_t n = StrListCount(commands, ',');
  uint32_t shown = 0;
  for (uint32_t i = 1; i <= n; ++i) shown += PositionEnabled(enabled, i) ? 1 : 0;
  // Without a button to show there is nothing to divide the width by.
  if (n == 0 || shown == 0) return 0;
  int64_t whole = WinColsWidth(kGeomAll);
  int64_t width = 0;
  switch ((layout >> 2) & 3) {
    case 0: width = whole / shown; break;
    case 1: width = whole / n; break;
    default: width = kNavFixedWidth; break;
  }
  int64_t x = layout ? (whole - static_cast<int64_t>(shown) * width) / 2 : 2;
  for (uint32_t i = 1; i <= n; ++i) {
    if (!PositionEnabled(enabled, i)) continue;
    int position = NavCmdIndex(StrTrim(StrListItem(commands, ',', i), 3), StrFromC(kNavCommands));
    if (position == 0) continue;
    ui::Hwnd b = ButtonCreate(parent, static_cast<int32_t>(x), 2, static_cast<int32_t>(width), height,
                              StrListItem(captions, ',', i), static_cast<uint16_t>(kIdNavFirst + position));
    if (!b) return ControlError("NavBarCreate");
    x += width;
  }
  return 0;
}

Status MantBottomBar(ui::Hwnd parent, uint16_t flags) {
  int32_t x = -1;  // the end of the control before, none yet
  if (flags & kBarButton) {
    ui::Hwnd b = ButtonCreate(parent, 0, BottomRowY(), kBarButtonWidth, FontCellSize().height, StrFromC(""),
                              kIdOk2);
    if (!b) return ControlError("MantBottomBar");
    FontApply(b, kFontTable);
    x = kBarButtonWidth;
  }
  if (flags & kBarField1) {
    int32_t at = x < 0 ? 1 : x;
    if (!BarField(parent, at, WinColsWidth(7), kIdBottomField1)) return ControlError("MantBottomBar");
    x = at + WinColsWidth(7);
  }
  if (flags & kBarField2) {
    int32_t at = x < 0 ? 1 : x;
    if (!BarField(parent, at, WinColsWidth(kGeomAll) - at, kIdBottomField2)) return ControlError("MantBottomBar");
  }
  return 0;
}

uint32_t FieldCtlStyle(FieldDesc& field, bool readOnly) {
  uint32_t style = kChildStyle | ui::ES_AUTOHSCROLL;
  if (field.type == 'L') style |= ui::ES_RIGHT;
  if (readOnly || !(field.flags & kFieldUpdatable)) return style | ui::ES_READONLY;
  if (field.type == 'P') {
    field.type = 'A';
    return style | ui::ES_PASSWORD;
  }
  if (field.type && std::strchr(kNumericTypes, field.type)) style |= ui::ES_RIGHT;
  return style;
}

StrValue CtlTextGet(ui::Hwnd window, uint16_t id, uint16_t max) {
  ui::Hwnd control = ui::get_dlg_item(window, id);
  if (!control) return StrErr(st::BADINPUTDATA);
  size_t limit = max == 0xFFFF ? kCtlTextDefaultMax : max;
  return StrFromView(ui::get_text(control, limit));
}

Status CtlTextSet(ui::Hwnd window, uint16_t id, StrValue text) {
  if (Status e = StrError(text)) return e;
  ui::Hwnd control = ui::get_dlg_item(window, id);
  if (!control || !ui::set_text(control, text.View())) return ControlError("CtlTextSet");
  return 0;
}

Status CtlTextSetById(uint16_t id, StrValue text) { return CtlTextSet(WinTop(), id, text); }
