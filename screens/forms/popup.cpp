#include "screens/forms/popup.h"

#include <algorithm>
#include <string>

#include "platform/ui/ui.h"
#include "runtime/log.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/window/actions.h"
#include "screens/window/fonttable.h"

namespace {

ui::Hwnd g_popup = 0;

constexpr int kPopupWidthRoom = 10;  // pixels kept free beside the popup

struct TextShape {
  int lines = 1;
  int longest = 0;
};

// Lines end at CR LF (a lone LF counts too; the CR is no character).
TextShape ShapeOf(std::string_view text) {
  TextShape shape;
  int current = 0;
  for (char c : text) {
    if (c == '\n') {
      ++shape.lines;
      current = 0;
    } else if (c != '\r') {
      shape.longest = std::max(shape.longest, ++current);
    }
  }
  return shape;
}

ui::Hwnd PopupCreate(std::string_view text) {
  TextShape shape = ShapeOf(text);
  CellSize cell = FontCellSize();
  ui::Rect area = ui::work_area();
  int64_t width = std::min<int64_t>(static_cast<int64_t>(cell.width) * shape.longest, area.Width() - kPopupWidthRoom);
  int64_t height = std::min<int64_t>(static_cast<int64_t>(cell.height) * (shape.lines + 3), area.Height());
  ui::CreateSpec spec;
  spec.cls = "STATIC";
  spec.title = text;
  spec.style = ui::WS_POPUP | ui::WS_DLGFRAME;
  spec.exStyle = ui::WS_EX_TOPMOST | ui::WS_EX_NOACTIVATE;
  spec.width = static_cast<int>(std::max<int64_t>(width, 0));
  spec.height = static_cast<int>(std::max<int64_t>(height, 0));
  spec.x = area.left + (area.Width() - spec.width) / 2;
  spec.y = area.top + (area.Height() - spec.height) / 2;
  ui::Hwnd h = ui::create_window(spec);
  if (!h) return 0;
  ui::show_window(h, ui::Show::Show);
  ui::update_window(h);
  return h;
}

uint16_t Clip16(int v) { return static_cast<uint16_t>(std::clamp(v, 0, 0xFFFF)); }

}  // namespace

Status PopupMsgShow(StrValue text) {
  if (Status e = StrError(text)) return e;
  bool shown = g_popup && ui::is_window(g_popup);
  if (!shown) {
    g_popup = PopupCreate(text.View());
    if (!g_popup) return st::WINCONTROLERROR;
  } else {
    ui::set_text(g_popup, text.View());
  }
  PaintCentredText(g_popup, text);
  return shown ? kPopupShown : 0;
}

Status PopupMsgClose() {
  ui::Hwnd h = g_popup;
  g_popup = 0;
  if (h && ui::is_window(h)) ui::destroy_window(h);
  return 0;
}

ui::Hwnd PopupMsgWindow() { return g_popup && ui::is_window(g_popup) ? g_popup : 0; }

void PaintCentredText(ui::Hwnd window, StrValue text) {
  if (text.IsError()) return;
  ui::Rect client = ui::get_client_rect(window);
  ui::fill_rect(window, client, kPopupGreyBrush);
  int64_t block = static_cast<int64_t>(FontCellSize().height) * ShapeOf(text.View()).lines;
  int top = static_cast<int>(std::max<int64_t>(0, client.Height() / 2 - block / 2));
  ui::draw_text(window, text.View(), ui::Rect{0, top, client.Width(), client.Height()}, ui::DT_CENTER);
}

int PopupMenuTrack(ui::Hwnd owner, StrValue items, PopupPosFn position) {
  if (items.IsError()) return 0;
  ui::Hmenu menu = ui::menu_create_popup();
  int count = 0;
  StrListIter it(items, ',');
  for (StrValue item; it.Next(&item); ++count) {
    if (count == kPopupMaxItems) {
      LogError(StrFromView("Popup menu: items after the " + std::to_string(kPopupMaxItems) + "th left out"), 1);
      break;
    }
    ui::menu_append_item(menu, kIdPopupFirst + count, StrUnquote(item).View());
  }
  uint32_t at = (position ? position : CursorPos)();
  ui::Hwnd temporary = 0;
  if (!owner) {
    ui::CreateSpec spec;
    spec.cls = "STATIC";
    spec.style = ui::WS_POPUP;
    spec.exStyle = ui::WS_EX_TOPMOST;
    spec.x = spec.y = spec.width = spec.height = 0;
    owner = temporary = ui::create_window(spec);
  }
  int id = 0;
  if (owner) {
    ui::raise_window(ui::get_top_level(owner));
    ui::Point point{static_cast<int>(at >> 16), static_cast<int>(at & 0xFFFF)};
    id = ui::track_popup_menu(owner, menu, point, ui::TPM_RETURNCMD | ui::TPM_BOTTOMALIGN);
  }
  if (temporary) ui::destroy_window(temporary);
  ui::menu_destroy(menu);
  return id >= kIdPopupFirst && id <= kIdPopupLast ? id - (kIdPopupFirst - 1) : 0;
}

uint32_t CursorPos() {
  ui::Point p = ui::cursor_pos();
  return static_cast<uint32_t>(Clip16(p.x)) << 16 | Clip16(p.y);
}
