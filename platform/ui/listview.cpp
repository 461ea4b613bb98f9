// The list view in report mode: columns, rows of cells, single selection,
// a top row that scrolls, keys and clicks reported to the parent.
//
// LVN_KEYDOWN goes to the parent before the list view acts on the key; a
// non-zero answer stops the list view's own handling, so a parent can keep
// the selection where it is (for example on PgDn at the last row).
#include <algorithm>

#include "platform/ui/core_internal.h"

namespace ui {

using namespace detail;

namespace {

ListViewState* lv_of(Hwnd h, Window** win = nullptr) {
  Window* w = find(h);
  if (win) *win = w;
  return w ? std::get_if<ListViewState>(&w->state) : nullptr;
}

int row_height_of(const Window& w) {
  TextMetrics tm = w.font ? font_metrics(w.font) : screen_text_metrics();
  return std::max(1, tm.height + 3);
}

int rows_per_page_of(const Window& w) {
  int rh = row_height_of(w);
  return std::max(0, (client_rect_of(w).Height() - rh) / rh);
}

int count_of(const ListViewState& lv) { return static_cast<int>(lv.rows.size()); }

void clamp_top(const Window& w, ListViewState& lv) {
  int maxTop = std::max(0, count_of(lv) - std::max(1, rows_per_page_of(w)));
  lv.top = std::clamp(lv.top, 0, maxTop);
}

void notify_item(Hwnd h, int code, int item, int sub, uint32_t newState = 0, uint32_t oldState = 0) {
  NotifyItem ni;
  ni.hdr.code = code;
  ni.item = item;
  ni.subItem = sub;
  ni.newState = newState;
  ni.oldState = oldState;
  ni.pt = screen_to_client(h, cursor_pos());
  send_notify(h, ni.hdr);
}

// Sets state bits on one row and reports the change; the row's index is
// checked again after each report because the parent may change the list.
void set_row_state(Hwnd h, int row, uint32_t state, uint32_t mask) {
  ListViewState* lv = lv_of(h);
  if (!lv || row < 0 || row >= count_of(*lv)) return;
  uint32_t old = lv->rows[static_cast<size_t>(row)].state;
  uint32_t now = (old & ~mask) | (state & mask);
  if (now == old) return;
  lv->rows[static_cast<size_t>(row)].state = now;
  if (now & LVIS_SELECTED) lv->mark = row;
  notify(EventKind::Paint, h);
  notify_item(h, LVN_ITEMCHANGED, row, 0, now, old);
}

void clear_others(Hwnd h, int keep, uint32_t mask) {
  ListViewState* lv = lv_of(h);
  for (int r = 0; lv && r < count_of(*lv); ++r) {
    if (r != keep && (lv->rows[static_cast<size_t>(r)].state & mask)) set_row_state(h, r, 0, mask);
    lv = lv_of(h);
  }
}

void select_row(Hwnd h, int row) {
  ListViewState* lv = lv_of(h);
  if (!lv || row < 0 || row >= count_of(*lv)) return;
  clear_others(h, row, LVIS_SELECTED | LVIS_FOCUSED);
  set_row_state(h, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  lv_ensure_visible(h, row);
}

int current_row(const ListViewState& lv) {
  for (int r = 0; r < count_of(lv); ++r)
    if (lv.rows[static_cast<size_t>(r)].state & LVIS_FOCUSED) return r;
  return lv.mark;
}

int key_target_row(const Window& w, const ListViewState& lv, uint16_t vk) {
  int n = count_of(lv), cur = current_row(lv);
  int page = std::max(1, rows_per_page_of(w));
  int bottom = lv.top + page - 1;
  if (cur < 0) return n > 0 ? 0 : -1;
  switch (vk) {
    case VK_UP: return std::max(0, cur - 1);
    case VK_DOWN: return std::min(n - 1, cur + 1);
    case VK_HOME: return 0;
    case VK_END: return n - 1;
    case VK_PRIOR: return std::max(0, cur > lv.top ? lv.top : cur - (page - 1));
    case VK_NEXT: return std::min(n - 1, cur < bottom ? bottom : cur + (page - 1));
    default: return -2;
  }
}

void lv_key(Hwnd h, uint16_t vk, LParam flags) {
  NotifyKey nk;
  nk.hdr.code = LVN_KEYDOWN;
  nk.vk = vk;
  nk.flags = flags;
  if (send_notify(h, nk.hdr) != 0) return;  // the parent took the key
  Window* w = nullptr;
  ListViewState* lv = lv_of(h, &w);
  if (!lv) return;
  if (vk == VK_RETURN) {
    notify_item(h, NM_RETURN, current_row(*lv), 0);
    return;
  }
  int to = key_target_row(*w, *lv, vk);
  if (to >= 0) select_row(h, to);
}

void lv_mouse(Hwnd h, Msg m, LParam lp) {
  Point p{static_cast<int16_t>(LoWord(static_cast<uintptr_t>(lp))), static_cast<int16_t>(HiWord(static_cast<uintptr_t>(lp)))};
  int col = 0;
  int row = lv_hit_test(h, p, &col);
  if (row >= 0 && m != WM_LBUTTONDBLCLK) select_row(h, row);
  int code = m == WM_LBUTTONDOWN ? NM_CLICK : m == WM_LBUTTONDBLCLK ? NM_DBLCLK : NM_RCLICK;
  notify_item(h, code, row, col);
}

}  // namespace

namespace detail {

LResult listview_proc(Hwnd h, Msg m, WParam wp, LParam lp) {
  if (!lv_of(h)) return def_window_proc(h, m, wp, lp);
  NotifyHeader hdr;
  switch (m) {
    case WM_KEYDOWN:
      lv_key(h, static_cast<uint16_t>(wp), lp);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
      lv_mouse(h, m, lp);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      hdr.code = m == WM_SETFOCUS ? NM_SETFOCUS : NM_KILLFOCUS;
      send_notify(h, hdr);
      return 0;
    default:
      return def_window_proc(h, m, wp, lp);
  }
}

}  // namespace detail

void lv_set_colors(Hwnd h, uint32_t text, uint32_t textBg, uint32_t bg) {
  if (ListViewState* lv = lv_of(h)) {
    lv->colors[0] = text;
    lv->colors[1] = textBg;
    lv->colors[2] = bg;
  }
}

void lv_set_ext(Hwnd h, uint32_t extStyle) {
  if (ListViewState* lv = lv_of(h)) lv->ext = extStyle;
}

uint32_t lv_color(Hwnd h, int which) {
  ListViewState* lv = lv_of(h);
  return lv && which >= 0 && which < 3 ? lv->colors[which] : 0;
}

uint32_t lv_ext(Hwnd h) {
  ListViewState* lv = lv_of(h);
  return lv ? lv->ext : 0;
}

int lv_insert_column(Hwnd h, int index, std::string_view title, int width, Align align) {
  ListViewState* lv = lv_of(h);
  if (!lv || index < 0) return -1;
  size_t at = std::min(static_cast<size_t>(index), lv->columns.size());
  lv->columns.insert(lv->columns.begin() + static_cast<long>(at), LvColumn{std::string(title), std::max(0, width), align});
  for (LvRow& r : lv->rows)
    if (r.cells.size() >= at) r.cells.insert(r.cells.begin() + static_cast<long>(at), std::string());
  notify(EventKind::Paint, h);
  return static_cast<int>(at);
}

int lv_column_count(Hwnd h) {
  ListViewState* lv = lv_of(h);
  return lv ? static_cast<int>(lv->columns.size()) : 0;
}

int lv_column_width(Hwnd h, int col) {
  ListViewState* lv = lv_of(h);
  if (!lv || col < 0 || col >= static_cast<int>(lv->columns.size())) return 0;
  return lv->columns[static_cast<size_t>(col)].width;
}

std::string lv_column_title(Hwnd h, int col) {
  ListViewState* lv = lv_of(h);
  if (!lv || col < 0 || col >= static_cast<int>(lv->columns.size())) return std::string();
  return lv->columns[static_cast<size_t>(col)].title;
}

Align lv_column_align(Hwnd h, int col) {
  ListViewState* lv = lv_of(h);
  if (!lv || col < 0 || col >= static_cast<int>(lv->columns.size())) return Align::Left;
  return lv->columns[static_cast<size_t>(col)].align;
}

int lv_insert_item(Hwnd h, int row, std::string_view text) {
  ListViewState* lv = lv_of(h);
  if (!lv || row < 0) return -1;
  int at = std::min(row, count_of(*lv));
  LvRow r;
  r.cells.resize(std::max<size_t>(1, lv->columns.size()));
  r.cells[0] = std::string(text);
  lv->rows.insert(lv->rows.begin() + at, std::move(r));
  if (lv->mark >= at) ++lv->mark;
  notify(EventKind::Paint, h);
  return at;
}

bool lv_set_item_text(Hwnd h, int row, int col, std::string_view text) {
  ListViewState* lv = lv_of(h);
  if (!lv || row < 0 || row >= count_of(*lv) || col < 0) return false;
  if (col > 0 && col >= static_cast<int>(lv->columns.size())) return false;
  LvRow& r = lv->rows[static_cast<size_t>(row)];
  if (static_cast<int>(r.cells.size()) <= col) r.cells.resize(static_cast<size_t>(col) + 1);
  r.cells[static_cast<size_t>(col)] = std::string(text);
  ++core().lvCellWrites;
  notify(EventKind::Paint, h);
  return true;
}

std::string lv_item_text(Hwnd h, int row, int col) {
  ListViewState* lv = lv_of(h);
  if (!lv || row < 0 || row >= count_of(*lv) || col < 0) return std::string();
  const LvRow& r = lv->rows[static_cast<size_t>(row)];
  return col < static_cast<int>(r.cells.size()) ? r.cells[static_cast<size_t>(col)] : std::string();
}

bool lv_delete_all(Hwnd h) {
  ListViewState* lv = lv_of(h);
  if (!lv) return false;
  lv->rows.clear();
  lv->top = 0;
  lv->mark = -1;
  notify(EventKind::Paint, h);
  return true;
}

int lv_item_count(Hwnd h) {
  ListViewState* lv = lv_of(h);
  return lv ? count_of(*lv) : 0;
}

int lv_selection_mark(Hwnd h) {
  ListViewState* lv = lv_of(h);
  return lv ? lv->mark : -1;
}

int lv_selected_count(Hwnd h) {
  ListViewState* lv = lv_of(h);
  if (!lv) return 0;
  return static_cast<int>(std::count_if(lv->rows.begin(), lv->rows.end(),
                                        [](const LvRow& r) { return (r.state & LVIS_SELECTED) != 0; }));
}

bool lv_set_item_state(Hwnd h, int row, uint32_t state, uint32_t mask) {
  Window* w = nullptr;
  ListViewState* lv = lv_of(h, &w);
  if (!lv || row < -1 || row >= count_of(*lv)) return false;
  if (row == -1) {
    for (int r = 0; lv && r < count_of(*lv); ++r, lv = lv_of(h)) set_row_state(h, r, state, mask);
    return true;
  }
  if ((state & mask & (LVIS_SELECTED | LVIS_FOCUSED)) && (w->style & LVS_SINGLESEL))
    clear_others(h, row, state & mask & (LVIS_SELECTED | LVIS_FOCUSED));
  set_row_state(h, row, state, mask);
  return true;
}

uint32_t lv_item_state(Hwnd h, int row) {
  ListViewState* lv = lv_of(h);
  if (!lv || row < 0 || row >= count_of(*lv)) return 0;
  return lv->rows[static_cast<size_t>(row)].state;
}

bool lv_ensure_visible(Hwnd h, int row) {
  Window* w = nullptr;
  ListViewState* lv = lv_of(h, &w);
  if (!lv || row < 0 || row >= count_of(*lv)) return false;
  int page = std::max(1, rows_per_page_of(*w));
  if (row < lv->top) lv->top = row;
  if (row >= lv->top + page) lv->top = row - page + 1;
  clamp_top(*w, *lv);
  return true;
}

bool lv_scroll(Hwnd h, int dyPx) {
  Window* w = nullptr;
  ListViewState* lv = lv_of(h, &w);
  if (!lv) return false;
  int rh = row_height_of(*w);
  int rows = dyPx / rh;
  if (rows == 0 && dyPx != 0) rows = dyPx > 0 ? 1 : -1;
  lv->top += rows;
  clamp_top(*w, *lv);
  notify(EventKind::Paint, h);
  return true;
}

int lv_top_index(Hwnd h) {
  ListViewState* lv = lv_of(h);
  return lv ? lv->top : 0;
}

int lv_rows_per_page(Hwnd h) {
  Window* w = nullptr;
  return lv_of(h, &w) ? rows_per_page_of(*w) : 0;
}

int lv_row_height(Hwnd h) {
  Window* w = nullptr;
  return lv_of(h, &w) ? row_height_of(*w) : 0;
}

Rect lv_subitem_rect(Hwnd h, int row, int col) {
  Window* w = nullptr;
  ListViewState* lv = lv_of(h, &w);
  if (!lv || row < 0 || row >= count_of(*lv) || col < 0 || col >= std::max<int>(1, static_cast<int>(lv->columns.size())))
    return Rect{};
  int x = 0;
  for (int c = 0; c < col; ++c) x += lv->columns[static_cast<size_t>(c)].width;
  int width = lv->columns.empty() ? client_rect_of(*w).Width() : lv->columns[static_cast<size_t>(col)].width;
  int rh = row_height_of(*w);
  int y = rh + (row - lv->top) * rh;
  return Rect{x, y, x + width, y + rh};
}

Rect lv_item_rect(Hwnd h, int row) {
  ListViewState* lv = lv_of(h);
  Rect first = lv_subitem_rect(h, row, 0);
  if (!lv || first == Rect{}) return first;
  int width = 0;
  for (const LvColumn& c : lv->columns) width += c.width;
  first.right = first.left + std::max(width, first.Width());
  return first;
}

int lv_hit_test(Hwnd h, Point p, int* col) {
  Window* w = nullptr;
  ListViewState* lv = lv_of(h, &w);
  if (!lv) return -1;
  int rh = row_height_of(*w);
  if (p.y < rh || p.x < 0) return -1;
  int row = lv->top + (p.y - rh) / rh;
  if (row >= count_of(*lv)) return -1;
  int x = 0, c = 0;
  for (; c + 1 < static_cast<int>(lv->columns.size()); ++c) {
    x += lv->columns[static_cast<size_t>(c)].width;
    if (p.x < x) break;
  }
  if (col) *col = c;
  return row;
}

uint64_t lv_cell_writes() { return core().lvCellWrites; }

}  // namespace ui
