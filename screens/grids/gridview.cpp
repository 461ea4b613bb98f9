#include "screens/grids/gridview.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "platform/ui/ui.h"
#include "runtime/strutil.h"
#include "screens/window/fonttable.h"
#include "screens/window/layout.h"
#include "screens/window/screendef.h"

namespace {

std::array<GridViewSlot, kGridViewSlots> g_slots;

bool ValidSlot(int slot) { return slot >= 0 && slot < kGridViewSlots; }

// The slot's list view when it is alive, else 0.
ui::Hwnd ViewOf(int slot) {
  if (!ValidSlot(slot)) return 0;
  ui::Hwnd h = g_slots[static_cast<size_t>(slot)].view;
  return ui::is_window(h) ? h : 0;
}

uint16_t U16(int v) { return static_cast<uint16_t>(std::clamp(v, 0, 65535)); }

bool NumericType(char type) { return type && std::strchr("NL123456789", type); }

// The list view's client origin in its parent's client coordinates.
ui::Point ClientOrigin(ui::Hwnd view) {
  ui::Point screen = ui::client_to_screen(view, ui::Point{});
  return ui::screen_to_client(ui::get_parent(view), screen);
}

}  // namespace

int GridViewCreate(ui::Hwnd parent, int x, int y, int width, int height) {
  int slot = 0;
  while (slot < kGridViewSlots && ViewOf(slot)) ++slot;
  if (slot == kGridViewSlots) return -1;
  ui::CreateSpec spec{.cls = "SysListView32", .title = "", .style = kGridViewStyle, .x = x, .y = y,
                      .width = width, .height = height, .parent = parent, .id = kGridViewIdFirst + slot};
  ui::Hwnd view = ui::create_window(spec);
  if (!view) return -1;
  ui::lv_set_colors(view, kGridViewText, kGridViewBack, kGridViewBack);
  ui::lv_set_ext(view, kGridViewExStyle);
  FontApply(view, kFontTable);
  g_slots[static_cast<size_t>(slot)] = GridViewSlot{view, 0, 0, U16(y), U16(x)};
  return slot;
}

uint16_t GridViewDestroy(int slot) {
  if (slot == -1) {
    uint16_t answer = 0;
    for (int s = 0; s < kGridViewSlots; ++s)
      if (g_slots[static_cast<size_t>(s)].view && GridViewDestroy(s)) answer = 0xFFFF;
    return answer;
  }
  if (!ValidSlot(slot) || !g_slots[static_cast<size_t>(slot)].view) return 0xFFFF;
  ui::Hwnd view = ViewOf(slot);
  g_slots[static_cast<size_t>(slot)] = GridViewSlot{};
  return view && ui::destroy_window(view) ? 0 : 0xFFFF;
}

uint16_t GridViewColumns(int slot, int col, StrValue title, char type, int width) {
  ui::Hwnd view = ViewOf(slot);
  if (!view || title.IsError()) return 0xFFFF;
  ui::Align align = NumericType(type) ? ui::Align::Right : ui::Align::Left;
  if (ui::lv_insert_column(view, col, title.View(), col == 0 ? width + 2 : width, align) < 0) return 0xFFFF;
  ++g_slots[static_cast<size_t>(slot)].colCount;
  return 0;
}

void GridViewClear(int slot) {
  ui::Hwnd view = ViewOf(slot);
  if (!view) return;
  ui::lv_delete_all(view);
  ui::lv_insert_item(view, 0, "");
  g_slots[static_cast<size_t>(slot)].rowCount = 1;
}

uint16_t GridViewSetItem(int slot, int row, int col, StrValue text) {
  ui::Hwnd view = ViewOf(slot);
  if (!view || row < 0 || row > kGridViewMaxRow || text.IsError()) return 0xFFFF;
  GridViewSlot& s = g_slots[static_cast<size_t>(slot)];
  while (row >= s.rowCount) {
    if (ui::lv_insert_item(view, s.rowCount, "") < 0) return 0xFFFF;
    ++s.rowCount;
  }
  if (ui::lv_item_text(view, row, col) != text.View() && !ui::lv_set_item_text(view, row, col, text.View()))
    return 0xFFFF;
  if (!ui::is_visible(view)) ui::show_window(view, ui::Show::Show);
  return 0;
}

uint16_t GridViewCurRow(int slot) {
  ui::Hwnd view = ViewOf(slot);
  if (!view) return 0xFFFF;
  int mark = ui::lv_selection_mark(view);
  if (mark < 0 || (mark == 0 && ui::lv_selected_count(view) == 0)) return 0xFFFF;
  return static_cast<uint16_t>(mark);
}

void GridViewSelect(int slot, int row, bool focus) {
  ui::Hwnd view = ViewOf(slot);
  if (!view) return;
  constexpr uint32_t kBoth = ui::LVIS_FOCUSED | ui::LVIS_SELECTED;
  ui::lv_set_item_state(view, row, focus ? kBoth : 0, kBoth);
  if (focus) ui::lv_ensure_visible(view, row);
}

int GridViewColWidth(int slot, int col) {
  ui::Hwnd view = ViewOf(slot);
  if (!view) return 0;
  return ui::lv_column_width(view, col) - (col == 0 ? 2 : 0);
}

ui::Point GridViewCellPos(int slot, int row, int col) {
  ui::Hwnd view = ViewOf(slot);
  if (!view) return ui::Point{};
  ui::Rect cell = ui::lv_subitem_rect(view, row, col);
  ui::Point origin = ClientOrigin(view);
  return ui::Point{origin.x + cell.left + (col == 0 ? 2 : 5), origin.y + cell.top};
}

int GridViewColumnAtCursor(int slot) {
  ui::Hwnd view = ViewOf(slot);
  if (!view) return 0;
  int x = ui::screen_to_client(view, ui::cursor_pos()).x;
  int count = ui::lv_column_count(view), right = 0;
  for (int c = 0; c < count; ++c) {
    right += ui::lv_column_width(view, c);
    if (right >= x) return c;
  }
  return std::max(0, count - 1);
}

ui::Point GridViewItemPos(int slot, int row, bool own) {
  if (!ValidSlot(slot)) return ui::Point{};
  if (own) return ui::Point{g_slots[static_cast<size_t>(slot)].x, g_slots[static_cast<size_t>(slot)].y};
  ui::Rect item = ui::lv_item_rect(ViewOf(slot), row);
  return ui::Point{item.left, item.top};
}

int GridViewScroll(int slot, int rows) {
  ui::Hwnd view = ViewOf(slot);
  if (!view) return 0;
  ui::lv_scroll(view, rows * FontCellSize().height);
  return ui::lv_top_index(view);
}

int GridViewSlotOf(ui::Hwnd view) {
  if (!view) return -1;
  for (int s = 0; s < kGridViewSlots; ++s)
    if (g_slots[static_cast<size_t>(s)].view == view) return s;
  return -1;
}

void GridViewShow(int slot) {
  if (ui::Hwnd view = ViewOf(slot)) ui::show_window(view, ui::Show::Show);
}

PxSize GridViewClientSize(int slot) {
  ui::Rect r = ui::get_client_rect(ViewOf(slot));
  return PxSize{r.Width(), r.Height()};
}

GridViewSlot GridViewGet(int slot) { return ValidSlot(slot) ? g_slots[static_cast<size_t>(slot)] : GridViewSlot{}; }

void GridViewReset() { g_slots.fill(GridViewSlot{}); }

// --- Column titles -------------------------------------------------------------

namespace {

// The label row being collected (LayoutLineFn takes no context).
std::string* g_titleLine = nullptr;
uint16_t g_titleRow = 0;

bool Number2(StrValue line, uint32_t at, uint16_t* out) {
  char a = line.ptr[at], b = line.ptr[at + 1];
  if (a < '0' || a > '9' || b < '0' || b > '9') return false;
  *out = static_cast<uint16_t>((a - '0') * 10 + (b - '0'));
  return true;
}

uint16_t TitleLabel(int flag, StrValue line) {
  uint16_t row = 0, col = 0;
  if (flag != 0 || !g_titleLine || line.IsError() || line.len < 5 || !Number2(line, 1, &row) ||
      !Number2(line, 3, &col) || row != g_titleRow || col >= kTitleLineWidth)
    return 0;
  size_t n = std::min<size_t>(line.len - 5u, kTitleLineWidth - col);  // clipped at the line's end
  g_titleLine->replace(col, n, line.ptr + 5, n);
  return 0;
}

}  // namespace

StrValue LinsGridTitles(StrValue layoutName, int tag) {
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (!s || !s->linesFirst || s->linesLast < s->linesFirst || s->linesLast > s->fieldCount) return StrMake("", 0);
  const FieldDesc* fields = s->fields;
  const FieldDesc& first = fields[s->linesFirst - 1];
  if (first.row == 0) return StrMake("", 0);
  std::string line(kTitleLineWidth, ' ');
  if (first.row > 2) {
    g_titleLine = &line;
    g_titleRow = static_cast<uint16_t>(first.row - 2);
    FieldLayoutLoad(layoutName, tag, kLayoutMissingOk, nullptr, 0, TitleLabel);
    g_titleLine = nullptr;
  }
  std::string titles;
  size_t pos = std::min<size_t>(first.col, kTitleLineWidth);
  for (uint16_t n = s->linesFirst; n <= s->linesLast; ++n) {
    const FieldDesc& f = fields[n - 1];
    size_t end = n < s->linesLast ? fields[n].col : pos + f.width;
    end = std::clamp(end, pos, static_cast<size_t>(kTitleLineWidth));
    std::string_view slot(line.data() + pos, end - pos);
    size_t lead = slot.find_first_not_of(' ');
    size_t stop = end;
    if (lead != std::string_view::npos && slot.find(' ', lead) == std::string_view::npos)
      while (stop < kTitleLineWidth && line[stop] != ' ') ++stop;  // the title runs on
    std::string_view raw(line.data() + pos, stop - pos);
    size_t a = raw.find_first_not_of(' '), b = raw.find_last_not_of(' ');
    if (a != std::string_view::npos) titles.append(raw.substr(a, b - a + 1));
    titles += ',';
    pos = std::min<size_t>(pos + std::max(raw.size(), end - pos), kTitleLineWidth);
  }
  return StrFromView(titles);
}
