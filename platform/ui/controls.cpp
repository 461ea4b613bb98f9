// Built-in behaviour of the standard controls: edit, push button and check
// box, static text, list box, combo box and progress bar.
#include <algorithm>
#include <utility>

#include "platform/ui/core_internal.h"

namespace ui {

using namespace detail;

namespace detail {

void register_builtin_classes() {
  const ClassInfo builtins[] = {
      {"EDIT", edit_proc, Kind::Edit},
      {"BUTTON", button_proc, Kind::Button},
      {"STATIC", static_proc, Kind::Static},
      {"LISTBOX", listbox_proc, Kind::ListBox},
      {"COMBOBOX", combo_proc, Kind::ComboBox},
      {"msctls_progress32", progress_proc, Kind::Progress},
      {"SysListView32", listview_proc, Kind::ListView},
  };
  for (const ClassInfo& c : builtins) core().classes[lower(c.name)] = c;
}

void init_control_state(Window& w) {
  switch (w.kind) {
    case Kind::Edit: {
      int n = static_cast<int>(w.text.size());
      w.state = EditState{30000, n, n};
      break;
    }
    case Kind::Button:
      w.state = ButtonState{};
      break;
    case Kind::ListBox:
    case Kind::ComboBox:
      w.state = ListState{};
      break;
    case Kind::Progress:
      w.state = ProgressState{};
      break;
    case Kind::ListView:
      w.state = ListViewState{};
      break;
    default:
      break;
  }
}

void send_command(Hwnd control, uint16_t code) {
  Window* w = find(control);
  if (!w || !w->parent) return;
  send(w->parent, WM_COMMAND, MakeLong(static_cast<uint16_t>(w->id), code), static_cast<LParam>(control));
}

LResult send_notify(Hwnd control, NotifyHeader& hdr) {
  Window* w = find(control);
  if (!w || !w->parent) return 0;
  hdr.from = control;
  hdr.id = static_cast<uintptr_t>(w->id);
  return send(w->parent, WM_NOTIFY, hdr.id, reinterpret_cast<LParam>(&hdr));
}

}  // namespace detail

namespace {

template <typename T>
T* state_of(Hwnd h) {
  Window* w = find(h);
  return w ? std::get_if<T>(&w->state) : nullptr;
}

int default_item_height() { return profile().textHeight + 3; }

// ---- Edit -------------------------------------------------------------------

// A multi-line edit keeps the first line and column it shows in the
// positions of its scroll bars; they follow the caret so it stays in view.
struct TextLines {
  std::vector<int> starts;  // offset of each line (lines end at LF)
  int longest = 0;
};

TextLines text_lines_of(const std::string& t) {
  TextLines tl;
  tl.starts.push_back(0);
  int from = 0;
  for (int i = 0; i <= static_cast<int>(t.size()); ++i) {
    if (i < static_cast<int>(t.size()) && t[static_cast<size_t>(i)] != '\n') continue;
    int end = i > from && t[static_cast<size_t>(i - 1)] == '\r' ? i - 1 : i;
    tl.longest = std::max(tl.longest, end - from);
    if (i < static_cast<int>(t.size())) tl.starts.push_back(from = i + 1);
  }
  return tl;
}

int line_at(const TextLines& tl, int pos) {
  return static_cast<int>(std::upper_bound(tl.starts.begin(), tl.starts.end(), pos) - tl.starts.begin()) - 1;
}

int line_length(const std::string& t, const TextLines& tl, int line) {
  size_t n = tl.starts.size();
  int end = static_cast<size_t>(line) + 1 < n ? tl.starts[static_cast<size_t>(line) + 1] - 1 : static_cast<int>(t.size());
  if (end > tl.starts[static_cast<size_t>(line)] && t[static_cast<size_t>(end - 1)] == '\r') --end;
  return end - tl.starts[static_cast<size_t>(line)];
}

// Lines and columns of the screens' cell that fit the edit's client area.
Point text_page(const Window& w) {
  Point cell = cell_size();
  Rect r = client_rect_of(w);
  return Point{std::max(1, r.Width() / std::max(1, cell.x)), std::max(1, r.Height() / std::max(1, cell.y))};
}

void follow(ScrollInfo& bar, int max, int at, int page) {
  bar.min = 0;
  bar.max = std::max(0, max);
  if (at < bar.pos) bar.pos = at;
  if (at >= bar.pos + page) bar.pos = at - page + 1;
  bar.pos = bar.track = std::clamp(bar.pos, 0, bar.max);
}

}  // namespace

namespace detail {

void edit_follow_caret(Window& w) {
  const auto* e = std::get_if<EditState>(&w.state);
  if (!e || !(w.style & ES_MULTILINE)) return;
  TextLines tl = text_lines_of(w.text);
  int line = line_at(tl, e->selEnd);
  Point page = text_page(w);
  follow(w.bars[SB_VERT], static_cast<int>(tl.starts.size()) - 1, line, page.y);
  follow(w.bars[SB_HORZ], tl.longest, e->selEnd - tl.starts[static_cast<size_t>(line)], page.x);
}

}  // namespace detail

namespace {

void edit_replace(Window& w, EditState& e, std::string_view text) {
  int a = std::min(e.selStart, e.selEnd), b = std::max(e.selStart, e.selEnd);
  long room = static_cast<long>(e.limit) - (static_cast<long>(w.text.size()) - (b - a));
  if (room < static_cast<long>(text.size())) return;  // over the limit: refused whole
  w.text.replace(static_cast<size_t>(a), static_cast<size_t>(b - a), text);
  e.selStart = e.selEnd = a + static_cast<int>(text.size());
  notify(EventKind::Paint, w.handle);
}

void edit_delete(Window& w, EditState& e, int dir) {
  if (e.selStart == e.selEnd) {
    int n = static_cast<int>(w.text.size());
    if (dir < 0 && e.selStart > 0) --e.selStart;
    if (dir > 0 && e.selEnd < n) ++e.selEnd;
  }
  edit_replace(w, e, "");
}

void edit_char(Window& w, EditState& e, int ch) {
  bool readOnly = (w.style & ES_READONLY) != 0;
  if (ch == VK_BACK) {
    if (!readOnly) edit_delete(w, e, -1);
    return;
  }
  if (ch == '\r' && (w.style & ES_MULTILINE) && (w.style & ES_WANTRETURN)) {
    if (!readOnly) edit_replace(w, e, "\r\n");
    return;
  }
  if (ch < 32 || ch == 127 || readOnly) return;
  if ((w.style & ES_NUMBER) && (ch < '0' || ch > '9')) return;
  char c = static_cast<char>(ch);
  edit_replace(w, e, std::string_view(&c, 1));
}

void edit_move(Window& w, EditState& e, int to, bool extend) {
  to = std::clamp(to, 0, static_cast<int>(w.text.size()));
  e.selEnd = to;
  if (!extend) e.selStart = to;
  edit_follow_caret(w);
  notify(EventKind::Paint, w.handle);
}

// Up and Down move the caret a line, PgUp and PgDn a page of the edit,
// keeping its column where the line is long enough.
void edit_line_move(Window& w, EditState& e, int lines, bool extend) {
  TextLines tl = text_lines_of(w.text);
  int line = line_at(tl, e.selEnd);
  int col = e.selEnd - tl.starts[static_cast<size_t>(line)];
  int target = std::clamp(line + lines, 0, static_cast<int>(tl.starts.size()) - 1);
  edit_move(w, e, tl.starts[static_cast<size_t>(target)] + std::min(col, line_length(w.text, tl, target)), extend);
}

void edit_key(Window& w, EditState& e, uint16_t vk, LParam flags) {
  bool shift = (flags & KEY_SHIFT) != 0;
  int n = static_cast<int>(w.text.size());
  switch (vk) {
    case VK_LEFT:
      edit_move(w, e, e.selStart != e.selEnd && !shift ? std::min(e.selStart, e.selEnd) : e.selEnd - 1, shift);
      break;
    case VK_RIGHT:
      edit_move(w, e, e.selStart != e.selEnd && !shift ? std::max(e.selStart, e.selEnd) : e.selEnd + 1, shift);
      break;
    case VK_HOME:
      edit_move(w, e, 0, shift);
      break;
    case VK_END:
      edit_move(w, e, n, shift);
      break;
    case VK_DELETE:
      if (!(w.style & ES_READONLY)) edit_delete(w, e, 1);
      break;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
      if (w.style & ES_MULTILINE) {
        int step = vk == VK_UP || vk == VK_DOWN ? 1 : text_page(w).y;
        edit_line_move(w, e, vk == VK_UP || vk == VK_PRIOR ? -step : step, shift);
      }
      break;
    default:
      break;
  }
}

// ---- Buttons ----------------------------------------------------------------

void button_click(Hwnd h) {
  Window* w = find(h);
  auto* b = w ? std::get_if<ButtonState>(&w->state) : nullptr;
  if (!b) return;
  if ((w->style & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
    b->checked = !b->checked;
    notify(EventKind::Paint, h);
  }
  send_command(h, BN_CLICKED);
}

// ---- List box and combo box -------------------------------------------------

int list_page(const Window& w, const ListState& l) {
  int ih = l.itemHeight > 0 ? l.itemHeight : default_item_height();
  return std::max(1, client_rect_of(w).Height() / ih);
}

int list_nav_target(const Window& w, const ListState& l, uint16_t vk) {
  int n = static_cast<int>(l.items.size());
  int c = l.caret;
  switch (vk) {
    case VK_UP: return c - 1;
    case VK_DOWN: return c + 1;
    case VK_HOME: return 0;
    case VK_END: return n - 1;
    case VK_PRIOR: return c - list_page(w, l);
    case VK_NEXT: return c + list_page(w, l);
    default: return -2;
  }
}

// Moves the caret and selection; answers whether the selection changed.
bool list_select(Window& w, ListState& l, int index) {
  int n = static_cast<int>(l.items.size());
  if (n == 0) return false;
  index = std::clamp(index, 0, n - 1);
  l.caret = index;
  if (l.sel == index) return false;
  l.sel = index;
  if (w.kind == Kind::ComboBox) w.text = l.items[static_cast<size_t>(index)];
  notify(EventKind::Paint, w.handle);
  return true;
}

int list_row_at(const Window& w, const ListState& l, LParam lp) {
  int ih = l.itemHeight > 0 ? l.itemHeight : default_item_height();
  int y = static_cast<int16_t>(HiWord(static_cast<uintptr_t>(lp)));
  int row = y / ih - (w.kind == Kind::ComboBox ? 1 : 0);  // a combo's list is under its edit line
  return row >= 0 && row < static_cast<int>(l.items.size()) ? row : -1;
}

void list_changed(Hwnd h, bool changed, bool accepted) {
  Window* w = find(h);
  if (!w) return;
  if (w->kind == Kind::ComboBox) {
    if (changed) send_command(h, CBN_SELCHANGE);
    if (accepted) send_command(h, CBN_SELENDOK);
  } else if (changed && (w->style & LBS_NOTIFY)) {
    send_command(h, LBN_SELCHANGE);
  }
}

// A list box with LBS_WANTKEYBOARDINPUT first reports the key to its parent:
// -2 handled, -1 default handling, n >= 0 move to item n.
bool listbox_key_report(Hwnd h, uint16_t vk) {
  Window* w = find(h);
  auto* l = w ? std::get_if<ListState>(&w->state) : nullptr;
  if (!l || !(w->style & LBS_WANTKEYBOARDINPUT) || !w->parent) return false;
  LResult r = send(w->parent, WM_VKEYTOITEM, MakeLong(vk, static_cast<uint16_t>(l->caret)), static_cast<LParam>(h));
  if (r == -1) return false;
  if (r >= 0) {
    w = find(h);
    l = w ? std::get_if<ListState>(&w->state) : nullptr;
    if (l) list_changed(h, list_select(*w, *l, static_cast<int>(r)), false);
  }
  return true;
}

LResult list_common(Hwnd h, Msg m, WParam wp, LParam lp) {
  Window* w = find(h);
  auto* l = w ? std::get_if<ListState>(&w->state) : nullptr;
  if (!l) return def_window_proc(h, m, wp, lp);
  bool combo = w->kind == Kind::ComboBox;
  switch (m) {
    case WM_KEYDOWN: {
      int to = list_nav_target(*w, *l, static_cast<uint16_t>(wp));
      if (to >= -1 && !l->items.empty()) list_changed(h, list_select(*w, *l, to), combo);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      int row = list_row_at(*w, *l, lp);
      if (row < 0) return 0;
      bool changed = list_select(*w, *l, row);
      list_changed(h, changed, combo);
      if (m == WM_LBUTTONDBLCLK && !combo && (get_style(h) & LBS_NOTIFY)) send_command(h, LBN_DBLCLK);
      return 0;
    }
    default:
      return def_window_proc(h, m, wp, lp);
  }
}

}  // namespace

namespace detail {

LResult edit_proc(Hwnd h, Msg m, WParam wp, LParam lp) {
  Window* w = find(h);
  auto* e = w ? std::get_if<EditState>(&w->state) : nullptr;
  if (!e) return def_window_proc(h, m, wp, lp);
  if (m == WM_CHAR) {
    edit_char(*w, *e, static_cast<int>(wp & 0xFF));
  } else if (m == WM_KEYDOWN) {
    edit_key(*w, *e, static_cast<uint16_t>(wp), lp);
  } else if (m == WM_SETFOCUS && core().byKey && !(w->style & ES_MULTILINE)) {
    // Entered by a key (Tab, Enter, an arrow): the whole text is selected,
    // so what is typed replaces it, as in a dialog box.
    e->selStart = 0;
    e->selEnd = static_cast<int>(w->text.size());
    notify(EventKind::Paint, h);
    return def_window_proc(h, m, wp, lp);
  } else {
    return def_window_proc(h, m, wp, lp);
  }
  return 0;
}

LResult button_proc(Hwnd h, Msg m, WParam wp, LParam lp) {
  auto* b = state_of<ButtonState>(h);
  if (!b) return def_window_proc(h, m, wp, lp);
  switch (m) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      b->pressed = true;
      return 0;
    case WM_KEYDOWN:
      if (wp == VK_SPACE) b->pressed = true;
      return 0;
    case WM_LBUTTONUP:
    case WM_KEYUP:
      if ((m == WM_KEYUP && wp != VK_SPACE) || !b->pressed) return 0;
      b->pressed = false;
      button_click(h);
      return 0;
    default:
      return def_window_proc(h, m, wp, lp);
  }
}

LResult static_proc(Hwnd h, Msg m, WParam wp, LParam lp) { return def_window_proc(h, m, wp, lp); }

LResult listbox_proc(Hwnd h, Msg m, WParam wp, LParam lp) {
  if (m == WM_KEYDOWN && listbox_key_report(h, static_cast<uint16_t>(wp))) return 0;
  return list_common(h, m, wp, lp);
}

LResult combo_proc(Hwnd h, Msg m, WParam wp, LParam lp) { return list_common(h, m, wp, lp); }

LResult progress_proc(Hwnd h, Msg m, WParam wp, LParam lp) {
  auto* p = state_of<ProgressState>(h);
  if (!p) return def_window_proc(h, m, wp, lp);
  if (m == PBM_SETRANGE) {
    LResult old = static_cast<LResult>(MakeLong(static_cast<uint16_t>(p->low), static_cast<uint16_t>(p->high)));
    p->low = LoWord(static_cast<uintptr_t>(lp));
    p->high = std::max(p->low, static_cast<int>(HiWord(static_cast<uintptr_t>(lp))));
    p->pos = std::clamp(p->pos, p->low, p->high);
    return old;
  }
  if (m == PBM_SETPOS) {
    int old = p->pos;
    // The position is kept inside the range, as a person would see it.
    p->pos = std::clamp(static_cast<int>(static_cast<intptr_t>(wp)), p->low, p->high);
    if (p->pos != old) notify(EventKind::Progress, h, p->pos);
    return old;
  }
  return def_window_proc(h, m, wp, lp);
}

}  // namespace detail

// ---- Control API ------------------------------------------------------------

void edit_set_limit(Hwnd h, int limit) {
  if (auto* e = state_of<EditState>(h)) e->limit = limit <= 0 ? 0x7FFFFFFE : limit;
}

int edit_get_limit(Hwnd h) {
  auto* e = state_of<EditState>(h);
  return e ? e->limit : 0;
}

void edit_set_sel(Hwnd h, int start, int end) {
  Window* w = find(h);
  auto* e = w ? std::get_if<EditState>(&w->state) : nullptr;
  if (!e) return;
  int n = static_cast<int>(w->text.size());
  e->selStart = std::clamp(start < 0 ? n : start, 0, n);
  e->selEnd = std::clamp(end < 0 ? n : end, 0, n);
  edit_follow_caret(*w);
}

std::pair<int, int> edit_get_sel(Hwnd h) {
  auto* e = state_of<EditState>(h);
  return e ? std::pair<int, int>{std::min(e->selStart, e->selEnd), std::max(e->selStart, e->selEnd)}
           : std::pair<int, int>{0, 0};
}

std::string display_text(Hwnd h) {
  Window* w = find(h);
  if (!w) return std::string();
  if (w->kind == Kind::Edit && (w->style & ES_PASSWORD)) return std::string(w->text.size(), '*');
  return w->text;
}

void button_set_check(Hwnd h, bool on) {
  if (auto* b = state_of<ButtonState>(h); b && b->checked != on) {
    b->checked = on;
    notify(EventKind::Paint, h);
  }
}

bool button_get_check(Hwnd h) {
  auto* b = state_of<ButtonState>(h);
  return b && b->checked;
}

namespace {
ButtonKeyFn g_buttonKey = nullptr;
}

ButtonKeyFn set_button_key_source(ButtonKeyFn fn) { return std::exchange(g_buttonKey, fn); }

std::string button_key(Hwnd button) {
  Window* w = find(button);
  if (!g_buttonKey || !w || w->kind != Kind::Button) return std::string();
  return g_buttonKey(button);
}

void set_image(Hwnd h, Hbitmap image) {
  Window* w = find(h);
  if (!w) return;
  w->image = image;
  notify(EventKind::Image, h, static_cast<int>(image));
}

Hbitmap get_image(Hwnd h) {
  Window* w = find(h);
  return w ? w->image : 0;
}

int progress_pos(Hwnd h) {
  auto* p = state_of<ProgressState>(h);
  return p ? p->pos : 0;
}

std::pair<int, int> progress_range(Hwnd h) {
  auto* p = state_of<ProgressState>(h);
  return p ? std::pair<int, int>{p->low, p->high} : std::pair<int, int>{0, 0};
}

namespace {

int list_add(Hwnd h, std::string_view text) {
  auto* l = state_of<ListState>(h);
  if (!l) return -1;
  l->items.emplace_back(text);
  notify(EventKind::Paint, h);
  return static_cast<int>(l->items.size()) - 1;
}

std::string list_text(Hwnd h, int index) {
  auto* l = state_of<ListState>(h);
  if (!l || index < 0 || index >= static_cast<int>(l->items.size())) return std::string();
  return l->items[static_cast<size_t>(index)];
}

bool list_set_sel(Hwnd h, int index) {
  Window* w = find(h);
  auto* l = w ? std::get_if<ListState>(&w->state) : nullptr;
  if (!l || index >= static_cast<int>(l->items.size())) return false;
  if (index < 0) {
    l->sel = -1;
    return true;
  }
  list_select(*w, *l, index);
  return true;
}

}  // namespace

int listbox_add(Hwnd h, std::string_view text) { return list_add(h, text); }
int listbox_count(Hwnd h) {
  auto* l = state_of<ListState>(h);
  return l ? static_cast<int>(l->items.size()) : 0;
}
std::string listbox_text(Hwnd h, int index) { return list_text(h, index); }
int listbox_get_sel(Hwnd h) {
  auto* l = state_of<ListState>(h);
  return l ? l->sel : -1;
}
bool listbox_set_sel(Hwnd h, int index) { return list_set_sel(h, index); }
int listbox_caret(Hwnd h) {
  auto* l = state_of<ListState>(h);
  return l ? l->caret : -1;
}
void listbox_set_item_height(Hwnd h, int px) {
  if (auto* l = state_of<ListState>(h)) l->itemHeight = std::max(0, px);
}
int listbox_item_height(Hwnd h) {
  auto* l = state_of<ListState>(h);
  return l ? (l->itemHeight > 0 ? l->itemHeight : default_item_height()) : 0;
}

int combo_add(Hwnd h, std::string_view text) { return list_add(h, text); }
int combo_count(Hwnd h) { return listbox_count(h); }
std::string combo_text(Hwnd h, int index) { return list_text(h, index); }
int combo_get_sel(Hwnd h) { return listbox_get_sel(h); }
bool combo_set_sel(Hwnd h, int index) { return list_set_sel(h, index); }

}  // namespace ui
