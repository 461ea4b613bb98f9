// The terminal's picture of the windows: characters, cells, the canvas, the
// drawing of windows and controls, hit tests, and the modal overlays (menu,
// message box, popup menu). Nothing here touches the terminal itself.
#include <algorithm>
#include <cmath>

#include "platform/ui/core_internal.h"
#include "platform/ui/terminal.h"

namespace ui::term {

using detail::find;
using detail::Kind;
using detail::Window;

constexpr uint16_t kF10 = VK_F1 + 9;

// ---- Characters -------------------------------------------------------------

namespace {

constexpr char32_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// What a byte of a text shows: control bytes as blanks, bytes without a
// character as '?'.
char32_t glyph(unsigned char b) {
  if (b < 0x20 || b == 0x7F) return U' ';
  char32_t u = from_cp1252(b);
  return u ? u : U'?';
}

}  // namespace

char32_t from_cp1252(unsigned char c) { return c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c; }

int to_cp1252(char32_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<int>(u);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] && kHigh[i] == u) return 0x80 + i;
  return -1;
}

// ---- Cells ------------------------------------------------------------------

int to_cell(int px, int cell) {
  if (cell <= 0) return px;
  return static_cast<int>(std::floor((static_cast<double>(px) + cell / 2.0) / cell));
}

CellRect intersect(const CellRect& a, const CellRect& b) {
  CellRect r{std::max(a.col0, b.col0), std::max(a.row0, b.row0), std::min(a.col1, b.col1), std::min(a.row1, b.row1)};
  if (r.col1 < r.col0) r.col1 = r.col0;
  if (r.row1 < r.row0) r.row1 = r.row0;
  return r;
}

CellRect to_cells(Rect r, Point cell) {
  CellRect c{to_cell(r.left, cell.x), to_cell(r.top, cell.y), to_cell(r.right, cell.x), to_cell(r.bottom, cell.y)};
  if (r.Width() > 0 && c.col1 <= c.col0) c.col1 = c.col0 + 1;
  if (r.Height() > 0 && c.row1 <= c.row0) c.row1 = c.row0 + 1;
  return c;
}

Profile terminal_profile(int cols, int rows, Point c) {
  Profile p;
  p.maximizedArea = Rect{0, 0, cols * c.x, std::max(1, rows - 1) * c.y};
  p.workArea = p.maximizedArea;
  // Other windows go below the menu bar's row, and a window as tall as the
  // work area keeps its bottom frame line (drawn outside its pixels) above
  // the status line.
  if (rows > 4) p.workArea.top = c.y, p.workArea.bottom = (rows - 2) * c.y;
  p.screenWidth = cols * c.x;
  p.screenHeight = rows * c.y;
  p.caption = c.y;
  p.menuBar = c.y;
  p.border = p.dialogFrame = p.thickFrame = p.clientEdge = 0;
  p.scrollBar = c.x;
  p.textAvgWidth = p.oemAvgWidth = std::max(1, c.x - 1);
  p.textHeight = p.oemHeight = std::max(1, c.y - 3);
  p.defaultWidth = std::min(p.workArea.Width(), 64 * c.x);
  p.defaultHeight = std::min(p.workArea.Height(), 16 * c.y);
  return p;
}

// ---- Canvas -----------------------------------------------------------------

void Canvas::resize(int cols, int rows) {
  cols_ = std::max(0, cols);
  rows_ = std::max(0, rows);
  cells_.assign(static_cast<size_t>(cols_ * rows_), Cell{});
}

void Canvas::clear() {
  std::fill(cells_.begin(), cells_.end(), Cell{});
  cursorCol = cursorRow = -1;
}

void Canvas::put(int col, int row, char32_t ch, uint16_t attr, const CellRect& clip) {
  if (!clip.contains(col, row) || col < 0 || row < 0 || col >= cols_ || row >= rows_) return;
  cells_[static_cast<size_t>(row * cols_ + col)] = Cell{ch, attr};
}

int Canvas::text(int col, int row, std::string_view s, uint16_t attr, const CellRect& clip, int width) {
  int n = std::min(static_cast<int>(s.size()), std::max(0, width));
  for (int i = 0; i < n; ++i) put(col + i, row, glyph(static_cast<unsigned char>(s[static_cast<size_t>(i)])), attr, clip);
  return n;
}

void Canvas::fill(const CellRect& r, uint16_t attr, const CellRect& clip) {
  for (int row = r.row0; row < r.row1; ++row)
    for (int col = r.col0; col < r.col1; ++col) put(col, row, U' ', attr, clip);
}

void Canvas::frame(const CellRect& r, uint16_t attr, const CellRect& clip) {
  if (r.width() < 2 || r.height() < 2) return;
  for (int col = r.col0 + 1; col + 1 < r.col1; ++col) {
    put(col, r.row0, U'─', attr, clip);
    put(col, r.row1 - 1, U'─', attr, clip);
  }
  for (int row = r.row0 + 1; row + 1 < r.row1; ++row) {
    put(r.col0, row, U'│', attr, clip);
    put(r.col1 - 1, row, U'│', attr, clip);
  }
  put(r.col0, r.row0, U'┌', attr, clip);
  put(r.col1 - 1, r.row0, U'┐', attr, clip);
  put(r.col0, r.row1 - 1, U'└', attr, clip);
  put(r.col1 - 1, r.row1 - 1, U'┘', attr, clip);
}

void Canvas::add_attr(const CellRect& r, uint16_t attr) {
  CellRect in = intersect(r, bounds());
  for (int row = in.row0; row < in.row1; ++row)
    for (int col = in.col0; col < in.col1; ++col) cells_[static_cast<size_t>(row * cols_ + col)].attr |= attr;
}

std::string Canvas::line(int row) const {
  std::u32string u;
  for (int col = 0; col < cols_; ++col) u += at(col, row).ch;
  while (!u.empty() && u.back() == U' ') u.pop_back();
  std::string out;
  for (char32_t c : u) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string Canvas::dump() const {
  std::string out;
  for (int row = 0; row < rows_; ++row) out += line(row) + "\n";
  return out;
}

// ---- Helpers ----------------------------------------------------------------

std::string caption_text(std::string_view caption) {
  std::string out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    else if (caption[i] == '&') continue;
    out += caption[i];
  }
  return out;
}

namespace {

// The letter a caption is chosen by: the one after '&', else the first.
int hotkey(std::string_view caption) {
  size_t amp = caption.find('&');
  char c = amp != std::string_view::npos && amp + 1 < caption.size() ? caption[amp + 1]
           : caption.empty()                                         ? 0
                                                                     : caption[0];
  return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : static_cast<unsigned char>(c);
}

int upper(int ch) { return ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch; }

int text_width(std::string_view s) { return static_cast<int>(s.size()); }

Point screen_cells(Point cell) {
  const Profile& p = profile();
  return Point{p.screenWidth / std::max(1, cell.x), p.screenHeight / std::max(1, cell.y)};
}

// The cells of a top-level window: its corner rounded to a cell, its size
// rounded on its own, so a window of a size takes the same cells wherever it
// stands and its client cells (cells_in_top) end where it does.
CellRect placed_cells(Hwnd top, Point cell) {
  Rect r = get_window_rect(top);
  CellRect size = to_cells(Rect{0, 0, r.Width(), r.Height()}, cell);
  int col = to_cell(r.left, cell.x), row = to_cell(r.top, cell.y);
  return CellRect{col, row, col + size.col1, row + size.row1};
}

bool has_caption(const Window& w) { return (w.style & WS_CAPTION) == WS_CAPTION; }

bool has_frame(const Window& w) {
  return (w.style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME)) || (w.exStyle & (WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE));
}

// The cells a top-level window's frame lines take around its own (the
// caption row is the top line of a captioned window).
CellRect outer_cells(const Window& w, const CellRect& r) {
  if (!has_frame(w)) return r;
  return CellRect{r.col0 - 1, has_caption(w) ? r.row0 : r.row0 - 1, r.col1 + 1, r.row1 + 1};
}

// The cells windows are shown in: every line but the status line.
CellRect screen_area(Point cell) {
  Point s = screen_cells(cell);
  return CellRect{0, 0, s.x, std::max(1, s.y - 1)};
}

// How far a top-level window is moved so that it lies wholly on the screen
// with its frame: a window placed where its frame or caption would fall off
// an edge (a form at the work area's corner, whose frame lines lie outside
// its pixels) comes in; one larger than the screen keeps its top-left corner
// (caption and title) on it and is cut at the other edges.
Point top_shift(Hwnd top, Point cell) {
  Window* w = find(top);
  if (!w || w->parent || w->maximized) return Point{0, 0};
  CellRect o = outer_cells(*w, placed_cells(top, cell));
  CellRect a = screen_area(cell);
  int dx = 0, dy = 0;
  if (o.col1 > a.col1) dx = a.col1 - o.col1;
  if (o.col0 + dx < a.col0) dx = a.col0 - o.col0;
  if (o.row1 > a.row1) dy = a.row1 - o.row1;
  if (o.row0 + dy < a.row0) dy = a.row0 - o.row0;
  return Point{dx, dy};
}

CellRect top_cells(Hwnd top, Point cell) {
  CellRect r = placed_cells(top, cell);
  Point d = top_shift(top, cell);
  return CellRect{r.col0 + d.x, r.row0 + d.y, r.col1 + d.x, r.row1 + d.y};
}

// Cells of a rectangle in screen pixels that lies in a top-level window. The
// screens place a window's controls in pixels from its client corner (a
// label one pixel after a cell's edge, a field a quarter cell before the
// next), but a centred window's corner is rarely on a cell's edge: rounded
// from the screen's origin, the two would round apart by a cell whenever the
// corner falls between. So a control is rounded from its top-level window's
// client corner, and that corner alone from the screen's origin.
CellRect cells_in_top(Hwnd top, Rect r, Point cell) {
  Point o = client_to_screen(top, Point{0, 0});
  CellRect c = to_cells(Rect{r.left - o.x, r.top - o.y, r.right - o.x, r.bottom - o.y}, cell);
  Point d = top_shift(top, cell);
  int col = to_cell(o.x, cell.x) + d.x, row = to_cell(o.y, cell.y) + d.y;
  return CellRect{c.col0 + col, c.row0 + row, c.col1 + col, c.row1 + row};
}

CellRect client_cells(Hwnd h, Point cell) {
  Rect c = get_client_rect(h);
  Point o = client_to_screen(h, Point{0, 0});
  return cells_in_top(get_top_level(h), Rect{o.x, o.y, o.x + c.Width(), o.y + c.Height()}, cell);
}

// ---- Controls laid out in cells ----------------------------------------------
// A control sized in pixels for a proportional font can be too small in
// cells for what the terminal draws: a 70-pixel button is 6 cells, too few
// for "[ Cancel ]", and a list box whose frame takes two of its rows shows
// fewer items than its height holds. Such controls take free cells of their
// parent's client area around them: a button widens towards its caption's
// width, a list box keeps one row per item its height holds and puts its
// frame just outside when those cells are free (else it goes without). Free
// means inside the parent's client area and under no visible sibling (those
// laid out before it as they were grown), so nothing is drawn over another
// control.

// The face of a push button: "[ Caption ]"; a caption already in brackets
// ("[ 1 ]") as it is.
std::string button_face(std::string_view cap) {
  if (cap.size() >= 2 && cap.front() == '[' && cap.back() == ']') return std::string(cap);
  return "[ " + std::string(cap) + " ]";
}

bool plain_button(const Window& w) {
  uint32_t type = w.style & BS_TYPEMASK;
  return w.kind == Kind::Button && !(w.style & BS_BITMAP) && !w.image && type != BS_CHECKBOX &&
         type != BS_AUTOCHECKBOX && type != BS_OWNERDRAW;
}

// The item rows a list box's pixel height holds (the core's page).
int list_rows(const Window& w) {
  int ih = listbox_item_height(w.handle);
  return std::max(1, ih > 0 ? get_client_rect(w.handle).Height() / ih : 1);
}

// The first column right of r, on r's rows, that one of others takes (the
// area's right edge when none does).
int right_bound(const CellRect& r, const CellRect& area, const std::vector<CellRect>& others) {
  int hi = area.col1;
  for (const CellRect& o : others)
    if (!o.empty() && o.row1 > r.row0 && o.row0 < r.row1 && o.col0 >= r.col1) hi = std::min(hi, o.col0);
  return hi;
}

bool free_of(const CellRect& r, const CellRect& area, const std::vector<CellRect>& others) {
  if (intersect(r, area).width() != r.width() || intersect(r, area).height() != r.height()) return false;
  for (const CellRect& o : others)
    if (!intersect(r, o).empty()) return false;
  return true;
}

// What a push button says: its caption, after the key that gives its
// command when there is one ("F6 Find").
std::string button_label(const std::string& key, const std::string& cap) {
  return key.empty() ? cap : cap.empty() ? key : key + " " + cap;
}

std::string button_label(const Window& w) { return button_label(button_key(w.handle), caption_text(w.text)); }

// A button as wide as its face where the cells beside it on its rows are
// free, centred on where it was, never narrower than it was.
CellRect grow_button(const Window& w, const CellRect& base, const CellRect& area, const std::vector<CellRect>& others) {
  int want = text_width(button_face(button_label(w)));
  if (base.width() >= want) return base;
  int lo = area.col0, hi = area.col1;
  for (const CellRect& o : others) {
    if (o.empty() || o.row1 <= base.row0 || o.row0 >= base.row1) continue;
    if (o.col1 <= base.col0) lo = std::max(lo, o.col1);
    else if (o.col0 >= base.col1) hi = std::min(hi, o.col0);
  }
  lo = std::min(lo, base.col0);
  hi = std::max(hi, base.col1);
  int width = std::min(want, hi - lo);
  if (width <= base.width()) return base;
  int col0 = std::clamp(base.col0 - (width - base.width()) / 2, lo, hi - width);
  return CellRect{col0, base.row0, col0 + width, base.row1};
}

// A list box with one row per item its height holds: framed inside its
// cells when they have room for that, else framed just outside them when
// those cells are free, else without a frame (as many of those rows as are
// free below it).
CellRect grow_list(const Window& w, const CellRect& base, const CellRect& area, const std::vector<CellRect>& others) {
  int rows = list_rows(w);
  if (base.height() >= rows + 2 && base.width() >= 3) return base;
  CellRect outer{base.col0 - 1, base.row0 - 1, base.col1 + 1, base.row0 + rows + 1};
  if (free_of(outer, area, others)) return outer;
  CellRect bare{base.col0, base.row0, base.col1, base.row0 + std::min(rows, base.height())};
  while (bare.height() < rows) {
    CellRect next{bare.col0, bare.row1, bare.col1, bare.row1 + 1};
    if (!free_of(next, area, others)) break;
    bare.row1 = next.row1;
  }
  return bare;
}

// The face of a push button in a style: 2 "[ label ]", 1 "[label]", 0 the
// bare label (a label already in brackets is never bracketed again), as
// draw_button picks it for the cells it has.
std::string styled_face(const std::string& label, int style) {
  std::string face = button_face(label);
  if (style == 2 || face == label) return face;
  return style == 1 ? "[" + label + "]" : label;
}

// Buttons side by side on one row (a navigation bar), sized in pixels for a
// proportional font, are laid out together: all in one style of face, the
// richest that lets every one stand whole and a blank apart in the row's
// cells (theirs, and free ones right of them as far as needed); the cells
// left over go evenly between them; where not even the bare labels fit,
// the longest are cut first. A row whose buttons show their faces already
// keeps its buttons' own cells.
void lay_out_button_run(const std::vector<size_t>& run, const std::vector<Hwnd>& kids, std::vector<CellRect>& cells,
                        const CellRect& area, std::vector<bool>& laid) {
  std::vector<std::string> labels;
  bool cramped = false;
  for (size_t i : run) {
    labels.push_back(button_label(*find(kids[i])));
    cramped = cramped || cells[i].width() < text_width(styled_face(labels.back(), 2));
  }
  if (!cramped) return;
  const CellRect& first = cells[run.front()];
  int col0 = first.col0, col1 = first.col1;
  for (size_t i : run) col1 = std::max(col1, cells[i].col1);
  std::vector<CellRect> others;
  for (size_t j = 0; j < kids.size(); ++j)
    if (std::find(run.begin(), run.end(), j) == run.end()) others.push_back(cells[j]);
  int hi = right_bound(CellRect{col0, first.row0, col1, first.row1}, area, others);
  int n = static_cast<int>(run.size());
  int room = std::max(col1, hi) - col0;
  for (int style = 2; style >= -1; --style) {
    // Style -1: the bare labels, the longest cut a cell at a time until
    // they fit (draw_button ends a cut one in a point).
    std::vector<int> widths;
    int total = n - 1;
    for (const std::string& l : labels) {
      widths.push_back(text_width(styled_face(l, std::max(style, 0))));
      total += widths.back();
    }
    while (style < 0 && total > room) {
      auto widest = std::max_element(widths.begin(), widths.end());
      if (*widest <= 3) return;
      --*widest;
      --total;
    }
    if (total > room) continue;
    int spare = std::max(0, col1 - col0 - total);
    int at = col0;
    for (int k = 0; k < n; ++k) {
      size_t i = run[static_cast<size_t>(k)];
      int width = widths[static_cast<size_t>(k)];
      cells[i] = CellRect{at, cells[i].row0, at + width, cells[i].row1};
      laid[i] = true;
      at += width + 1 + (k < n - 1 ? spare / (n - 1) + (k < spare % (n - 1) ? 1 : 0) : 0);
    }
    return;
  }
}

std::vector<bool> lay_out_button_rows(const std::vector<Hwnd>& kids, std::vector<CellRect>& cells, const CellRect& area) {
  std::vector<bool> laid(kids.size(), false);
  std::vector<size_t> order;
  for (size_t i = 0; i < kids.size(); ++i)
    if (Window* kw = find(kids[i]); kw && kw->visible && plain_button(*kw) && !cells[i].empty()) order.push_back(i);
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return std::pair(cells[a].row0, cells[a].col0) < std::pair(cells[b].row0, cells[b].col0);
  });
  for (size_t a = 0; a < order.size();) {
    size_t b = a + 1;
    while (b < order.size() && cells[order[b]].row0 == cells[order[a]].row0 &&
           cells[order[b]].row1 == cells[order[a]].row1 && cells[order[b]].col0 <= cells[order[b - 1]].col1 + 1)
      ++b;
    if (b - a >= 2) lay_out_button_run(std::vector<size_t>(order.begin() + static_cast<long>(a), order.begin() + static_cast<long>(b)), kids, cells, area, laid);
    a = b;
  }
  return laid;
}

// The cells a list view's column takes: its pixels' cells and a blank.
int lv_column_cells(const detail::LvColumn& col, Point cell) { return std::max(1, to_cell(col.width, cell.x)) + 1; }

// The cells a list view's columns take with a blank after each.
int lv_cells_needed(const detail::ListViewState& lv, Point cell) {
  int need = 0;
  for (const detail::LvColumn& col : lv.columns) need += lv_column_cells(col, cell);
  return need;
}

// A list view sized to its columns' pixels (a lines grid is) has no cell for
// the blanks between them: it widens to the right into free cells for them.
CellRect grow_listview(const Window& w, const CellRect& base, const CellRect& area, const std::vector<CellRect>& others,
                       Point cell) {
  int want = lv_cells_needed(std::get<detail::ListViewState>(w.state), cell);
  if (base.width() >= want) return base;
  int hi = right_bound(base, area, others);
  CellRect out = base;
  out.col1 = std::max(base.col1, std::min(base.col0 + want, hi));
  return out;
}

bool grows(const Window& w) { return plain_button(w) || w.kind == Kind::ListBox || w.kind == Kind::ListView; }

// A drop-down combo box shows its list only while a person is in it;
// otherwise its edit line alone, and the cells under its list stay another
// control's to show or to grow into.
bool combo_closed(const Window& w) {
  return w.kind == Kind::ComboBox && (w.style & 3) != CBS_SIMPLE && get_focus() != w.handle;
}

CellRect window_cells(Hwnd h, Point cell);

// The cell columns of a list view's columns, each [first, second) with its
// last cell left blank: a column takes its pixels' cells and one more for
// the blank, so that texts measured to fill their columns (ten digits in a
// column ten cells wide) never run together nor lose a character. Columns
// past the view's right edge are cut there.
std::vector<std::pair<int, int>> lv_columns(const detail::ListViewState& lv, const CellRect& r, Point cell) {
  std::vector<std::pair<int, int>> out;
  int at = r.col0;
  for (const detail::LvColumn& col : lv.columns) {
    int n = lv_column_cells(col, cell);
    out.emplace_back(at, at + n);
    at += n;
  }
  if (out.empty()) out.emplace_back(r.col0, r.col1);
  return out;
}

// A control laid over a row of a list view sibling (the fields a lines grid
// edits its current row in) goes where the terminal shows the cell under
// its middle, within that column's text: the columns may be wider in cells
// than in pixels and the rows are a cell each.
bool over_listview(const Window& w, const Window& parent, Point cell, CellRect& out) {
  if (w.kind == Kind::ListView) return false;
  Rect wr = get_window_rect(w.handle);
  Point mid{(wr.left + wr.right) / 2, (wr.top + wr.bottom) / 2};
  for (Hwnd k : parent.children) {
    Window* v = find(k);
    if (!v || k == w.handle || !v->visible || v->kind != Kind::ListView) continue;
    Point p = screen_to_client(k, mid);
    Rect client = get_client_rect(k);
    if (p.x < client.left || p.x >= client.right || p.y < client.top || p.y >= client.bottom) continue;
    int column = 0;
    int row = lv_hit_test(k, p, &column);
    if (row < 0) continue;
    const auto& lv = std::get<detail::ListViewState>(v->state);
    CellRect vc = window_cells(k, cell);
    auto cols = lv_columns(lv, vc, cell);
    const auto& c = cols[static_cast<size_t>(std::min<int>(column, static_cast<int>(cols.size()) - 1))];
    int text = std::max(1, c.second - c.first - 1);
    Rect sub = lv_subitem_rect(k, row, column);
    int left = screen_to_client(k, Point{wr.left, wr.top}).x - sub.left;
    int col0 = c.first + std::clamp(to_cell(left, cell.x), 0, text - 1);
    int width = std::clamp(to_cells(Rect{0, 0, wr.Width(), wr.Height()}, cell).width(), 1, c.first + text - col0);
    int r0 = vc.row0 + 1 + row - lv.top;
    out = CellRect{col0, r0, col0 + width, r0 + 1};
    return true;
  }
  return false;
}

// The cells a window takes: a top-level window's own, a control's from its
// top-level window's client corner, grown as said above.
CellRect window_cells(Hwnd h, Point cell) {
  Hwnd top = get_top_level(h);
  CellRect base = top == h ? top_cells(h, cell) : cells_in_top(top, get_window_rect(h), cell);
  Window* w = find(h);
  Window* parent = w && top != h ? find(w->parent) : nullptr;
  if (CellRect over; parent && over_listview(*w, *parent, cell, over)) return over;
  if (!parent || !grows(*w)) return base;
  // The siblings in child order, each grown in turn with the others as they
  // stand then.
  std::vector<Hwnd> kids;
  std::vector<CellRect> cells;
  for (Hwnd k : parent->children) {
    Window* kw = find(k);
    if (!kw || (!kw->visible && k != h)) continue;
    kids.push_back(k);
    CellRect kc = k == h ? base : cells_in_top(top, get_window_rect(k), cell);
    if (combo_closed(*kw)) kc.row1 = std::min(kc.row1, kc.row0 + 1);
    cells.push_back(kc);
  }
  CellRect area = client_cells(parent->handle, cell);
  std::vector<bool> laid = lay_out_button_rows(kids, cells, area);
  for (size_t i = 0; i < kids.size(); ++i) {
    Window* kw = find(kids[i]);
    if (laid[i] || !grows(*kw)) {
      if (kids[i] == h) return cells[i];
      continue;
    }
    std::vector<CellRect> others;
    for (size_t j = 0; j < kids.size(); ++j)
      if (j != i) others.push_back(cells[j]);
    cells[i] = plain_button(*kw)                ? grow_button(*kw, cells[i], area, others)
               : kw->kind == Kind::ListView ? grow_listview(*kw, cells[i], area, others, cell)
                                            : grow_list(*kw, cells[i], area, others);
    if (kids[i] == h) return cells[i];
  }
  return base;
}

// The screen pixel at the middle of a cell inside a top-level window (the
// inverse of cells_in_top).
Point cell_point_in_top(Hwnd top, int col, int row, Point cell) {
  Point o = client_to_screen(top, Point{0, 0});
  Point d = top_shift(top, cell);
  int c0 = to_cell(o.x, cell.x) + d.x, r0 = to_cell(o.y, cell.y) + d.y;
  return Point{o.x + (col - c0) * cell.x + cell.x / 2, o.y + (row - r0) * cell.y + cell.y / 2};
}

std::vector<std::string> text_lines(std::string_view s) {
  std::vector<std::string> out(1);
  for (char c : s) {
    if (c == '\r') continue;
    if (c == '\n') out.emplace_back();
    else out.back() += c;
  }
  return out;
}

// Cells from col0 where a text of n cells starts in a width, by alignment.
int aligned(int col0, int width, int n, int align) {
  if (align == 1) return col0 + std::max(0, (width - n) / 2);
  if (align == 2) return col0 + std::max(0, width - n);
  return col0;
}

// A picture the terminal cannot show: a frame holding the file's name (or
// what a compiled-in picture shows).
void draw_placeholder(Canvas& c, const CellRect& r, const CellRect& clip, Hbitmap image, uint16_t attr) {
  BitmapInfo info;
  std::string name = bitmap_info(image, info) ? info.name : std::string();
  if (name.empty()) name = "picture";
  c.fill(r, attr, clip);
  if (r.height() >= 3 && r.width() >= 4) {
    c.frame(r, attr, clip);
    int n = std::min(text_width(name), r.width() - 2);
    c.text(aligned(r.col0 + 1, r.width() - 2, n, 1), r.row0 + r.height() / 2, name, attr, clip, n);
  } else {
    c.text(r.col0, r.row0, "[" + name + "]", attr, clip, r.width());
  }
}

// ---- Controls ---------------------------------------------------------------

// A multi-line edit is a framed text area showing its text from the first
// line and column its scroll positions hold, moved where needed so that the
// caret is inside.
void draw_text_area(Canvas& c, const Window& w, const CellRect& r, const CellRect& clip, uint16_t dim, bool focus) {
  const auto& e = std::get<detail::EditState>(w.state);
  c.fill(r, dim, clip);
  CellRect in = r;
  if (r.height() >= 3 && r.width() >= 3) {
    c.frame(r, static_cast<uint16_t>(dim | (focus ? kBold : 0)), clip);
    in = CellRect{r.col0 + 1, r.row0 + 1, r.col1 - 1, r.row1 - 1};
  }
  std::string shown = display_text(w.handle);
  std::vector<std::string> lines = text_lines(shown);
  int caretLine = 0, caretCol = 0;
  for (int i = 0; i < e.selEnd && i < static_cast<int>(shown.size()); ++i) {
    char ch = shown[static_cast<size_t>(i)];
    if (ch == '\n') ++caretLine, caretCol = 0;
    else if (ch != '\r') ++caretCol;
  }
  int first = std::clamp(w.bars[SB_VERT].pos, caretLine - in.height() + 1, caretLine);
  int left = std::clamp(w.bars[SB_HORZ].pos, caretCol - in.width() + 1, caretCol);
  CellRect inner = intersect(in, clip);
  for (int row = in.row0, k = first; row < in.row1 && k < static_cast<int>(lines.size()); ++row, ++k) {
    const std::string& line = lines[static_cast<size_t>(k)];
    if (left < static_cast<int>(line.size())) c.text(in.col0, row, std::string_view(line).substr(static_cast<size_t>(left)), dim, inner, in.width());
  }
  if (focus && inner.contains(in.col0 + caretCol - left, in.row0 + caretLine - first)) {
    c.cursorCol = in.col0 + caretCol - left;
    c.cursorRow = in.row0 + caretLine - first;
  }
}

void draw_edit(Canvas& c, const Window& w, const CellRect& r, const CellRect& clip, uint16_t dim, bool focus) {
  if (w.style & ES_MULTILINE) return draw_text_area(c, w, r, clip, dim, focus);
  const auto& e = std::get<detail::EditState>(w.state);
  std::string shown = display_text(w.handle);
  uint16_t base = static_cast<uint16_t>(kReverse | dim);
  c.fill(r, base, clip);
  int width = std::max(1, r.width());
  // A field a person can type in shows its free cells as a line, so that
  // it is seen (an empty one too) on a terminal without reverse video and
  // in a copy of the screen's text.
  if (!(dim & kDim) && !(w.style & ES_READONLY))
    for (int x = 0; x < width; ++x) c.put(r.col0 + x, r.row0, U'_', base, clip);
  int a = std::min(e.selStart, e.selEnd), b = std::max(e.selStart, e.selEnd);
  // The caret stays in view. A field that its text fills keeps the caret on
  // its last cell (nothing more can be typed there), so the text stays whole.
  // A field without the focus shows its text from the start.
  int len = static_cast<int>(shown.size());
  int caret = e.selEnd == len && len == width ? len - 1 : e.selEnd;
  int off = focus && caret >= width ? caret - width + 1 : 0;
  int start = (w.style & ES_RIGHT) && text_width(shown) < width ? width - text_width(shown) : 0;
  for (int i = 0; i < static_cast<int>(shown.size()); ++i) {
    int x = i - off;
    uint16_t attr = focus && i >= a && i < b ? static_cast<uint16_t>(kUnderline | dim) : base;
    if (x >= 0 && x < width) c.put(r.col0 + start + x, r.row0, glyph(static_cast<unsigned char>(shown[static_cast<size_t>(i)])), attr, clip);
  }
  // A right-aligned field's caret after its text stays on its last cell.
  int at = std::min(start + caret - off, width - 1);
  if (focus && clip.contains(r.col0 + at, r.row0)) {
    c.cursorCol = r.col0 + at;
    c.cursorRow = r.row0;
  }
}

// Where a button's Alt letter is in its caption shown, -1 for none.
int button_key_index(const Window& w) {
  for (const ButtonKey& k : button_keys(get_top_level(w.handle)))
    if (k.button == w.handle) return k.index;
  return -1;
}

void draw_button(Canvas& c, const Window& w, const CellRect& r, const CellRect& clip, uint16_t dim, bool focus) {
  uint32_t type = w.style & BS_TYPEMASK;
  std::string cap = caption_text(w.text);
  if ((w.style & BS_BITMAP) || w.image) return draw_placeholder(c, r, clip, w.image, dim);
  c.fill(r, dim, clip);
  int row = r.row0 + (r.height() - 1) / 2;
  uint16_t hi = static_cast<uint16_t>(dim | (focus ? kReverse | kBold : 0));
  int key = button_key_index(w);
  uint16_t keyAttr = static_cast<uint16_t>(kUnderline | kBold);
  if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX) {
    bool on = std::get<detail::ButtonState>(w.state).checked;
    c.text(r.col0, row, on ? "[x]" : "[ ]", hi, clip, r.width());
    c.text(r.col0 + 4, row, cap, dim, clip, r.width() - 4);
    if (key >= 0 && key < r.width() - 4) c.add_attr(intersect(CellRect{r.col0 + 4 + key, row, r.col0 + 5 + key, row + 1}, clip), keyAttr);
    return;
  }
  if (type == BS_OWNERDRAW) {
    int n = std::min(text_width(cap), r.width());
    c.text(aligned(r.col0, r.width(), n, 1), row, cap, hi, clip, n);
    return;
  }
  // Where even the grown cells are too few: the brackets closer, then the
  // label alone, then as much of it as there is room for. The key of a
  // mapped command stays whole; the caption after it is what gets cut.
  std::string mapped = button_key(w.handle);
  std::string label = button_label(mapped, cap);
  std::string shown = styled_face(label, 2);
  for (int style = 1; style >= 0 && text_width(shown) > r.width(); --style) shown = styled_face(label, style);
  // Cut short, it ends in a point, so that it reads as an abbreviation.
  if (text_width(shown) > r.width() && r.width() >= 2) {
    shown = shown.substr(0, static_cast<size_t>(r.width() - 1));
    while (shown.size() > 1 && shown.back() == ' ') shown.pop_back();
    if (shown.back() != '.') shown += '.';
  }
  int n = std::min(text_width(shown), r.width());
  int col = aligned(r.col0, r.width(), n, 1);
  c.text(col, row, shown, hi, clip, n);
  // The command's key stands out as an Alt letter does.
  if (size_t k = shown.find(mapped); !mapped.empty() && k != std::string::npos)
    c.add_attr(intersect(CellRect{col + static_cast<int>(k), row, col + std::min(n, static_cast<int>(k + mapped.size())), row + 1}, clip), kBold);
  int at = shown.find(cap) == std::string::npos ? -1 : static_cast<int>(shown.find(cap)) + key;
  if (key >= 0 && at >= 0 && at < n) c.add_attr(intersect(CellRect{col + at, row, col + at + 1, row + 1}, clip), keyAttr);
}

void draw_static(Canvas& c, const Window& w, const CellRect& r, const CellRect& clip, uint16_t dim) {
  if (w.image) return draw_placeholder(c, r, clip, w.image, dim);
  c.fill(r, dim, clip);
  int align = (w.style & 0x3) == SS_RIGHT ? 2 : (w.style & 0x3) == 1 ? 1 : 0;
  int row = r.row0;
  for (const std::string& line : text_lines(w.text)) {
    if (row >= r.row1) break;
    int n = std::min(text_width(line), r.width());
    c.text(aligned(r.col0, r.width(), n, align), row++, line, dim, clip, n);
  }
}

void draw_progress(Canvas& c, const Window& w, const CellRect& r, const CellRect& clip, uint16_t dim) {
  const auto& p = std::get<detail::ProgressState>(w.state);
  int inner = std::max(0, r.width() - 2);
  int filled = p.high > p.low ? static_cast<int>(static_cast<int64_t>(p.pos - p.low) * inner / (p.high - p.low)) : 0;
  c.fill(r, dim, clip);
  std::string bar(1, '[');
  bar.append(static_cast<size_t>(filled), '#').append(static_cast<size_t>(inner - filled), ' ').push_back(']');
  c.text(r.col0, r.row0 + (r.height() - 1) / 2, bar, dim, clip, r.width());
}

// Where a list box's (or a combo box's) items are shown.
struct ListLayout {
  CellRect area;   // the list, frame included
  CellRect items;  // the item rows
  int top = 0;     // the item on the first row
};

ListLayout list_layout(const Window& w, const detail::ListState& l, const CellRect& r) {
  ListLayout out;
  bool combo = w.kind == Kind::ComboBox;
  out.area = combo ? CellRect{r.col0, r.row0 + 1, r.col1, std::max(r.row0 + 1, r.row1)} : r;
  // A list box's cells hold its frame only when they were laid out for it
  // (window_cells); a combo's list whenever it has room.
  bool framed = out.area.height() >= (combo ? 3 : list_rows(w) + 2) && out.area.width() >= 3;
  out.items = framed ? CellRect{out.area.col0 + 1, out.area.row0 + 1, out.area.col1 - 1, out.area.row1 - 1} : out.area;
  int rows = std::max(1, out.items.height());
  int cur = std::max(0, l.caret);
  out.top = cur >= rows ? cur - rows + 1 : 0;
  return out;
}

void draw_list(Canvas& c, const Window& w, const CellRect& r, const CellRect& clip, uint16_t dim, bool focus) {
  const auto& l = std::get<detail::ListState>(w.state);
  ListLayout lay = list_layout(w, l, r);
  bool closed = combo_closed(w);
  if (closed) lay.area = CellRect{};
  c.fill(closed ? CellRect{r.col0, r.row0, r.col1, r.row0 + 1} : r, dim, clip);
  if (w.kind == Kind::ComboBox) {
    uint16_t field = static_cast<uint16_t>(kReverse | dim);
    CellRect line{r.col0, r.row0, r.col1, r.row0 + 1};
    c.fill(line, field, clip);
    c.text(r.col0, r.row0, w.text, field, clip, r.width() - 1);
    c.put(r.col1 - 1, r.row0, U'▼', field, clip);
    if (focus) c.cursorCol = r.col0, c.cursorRow = r.row0;
  }
  if (lay.area.empty()) return;
  if (lay.items.row0 != lay.area.row0) c.frame(lay.area, static_cast<uint16_t>(dim | (focus ? kBold : 0)), clip);
  for (int i = lay.top, row = lay.items.row0; row < lay.items.row1 && i < static_cast<int>(l.items.size()); ++i, ++row) {
    uint16_t attr = static_cast<uint16_t>(dim | (i == l.sel ? kReverse : 0));
    if (i == l.sel) c.fill(CellRect{lay.items.col0, row, lay.items.col1, row + 1}, attr, clip);
    // The cursor of a focused list is on its current row.
    if (focus && w.kind == Kind::ListBox && i == std::max(0, l.caret) && clip.contains(lay.items.col0, row))
      c.cursorCol = lay.items.col0, c.cursorRow = row;
    c.text(lay.items.col0, row, l.items[static_cast<size_t>(i)], attr, clip, lay.items.width());
  }
}

void draw_listview(Canvas& c, const Window& w, const CellRect& r, const CellRect& clip, uint16_t dim, Point cell) {
  const auto& lv = std::get<detail::ListViewState>(w.state);
  bool coloured = lv.colors[1] != 0xFFFFFF;
  c.fill(r, static_cast<uint16_t>(dim | (coloured ? kTable : 0)), clip);
  auto cols = lv_columns(lv, r, cell);
  CellRect head{r.col0, r.row0, r.col1, r.row0 + 1};
  c.fill(head, static_cast<uint16_t>(dim | kUnderline | kBold), clip);
  for (size_t i = 0; i < lv.columns.size(); ++i) {
    int width = std::max(0, cols[i].second - cols[i].first - 1);
    c.text(cols[i].first, r.row0, lv.columns[i].title, static_cast<uint16_t>(dim | kUnderline | kBold), clip, width);
  }
  for (int i = lv.top, row = r.row0 + 1; row < r.row1 && i < static_cast<int>(lv.rows.size()); ++i, ++row) {
    const detail::LvRow& item = lv.rows[static_cast<size_t>(i)];
    uint16_t attr = static_cast<uint16_t>(dim | ((item.state & LVIS_SELECTED) ? kReverse : coloured ? kTable : 0));
    c.fill(CellRect{r.col0, row, r.col1, row + 1}, attr, clip);
    for (size_t k = 0; k < cols.size() && k < item.cells.size(); ++k) {
      int width = std::max(0, cols[k].second - cols[k].first - 1);
      int n = std::min(text_width(item.cells[k]), width);
      int align = k < lv.columns.size() ? (lv.columns[k].align == Align::Right ? 2 : lv.columns[k].align == Align::Centre ? 1 : 0) : 0;
      c.text(aligned(cols[k].first, width, n, align), row, item.cells[k], attr, clip, n);
    }
  }
}

void draw_window(Canvas& c, Hwnd h, const CellRect& clip, Point cell, uint16_t dim) {
  Window* w = find(h);
  if (!w || !w->visible) return;
  CellRect r = window_cells(h, cell);
  CellRect in = intersect(r, clip);
  if (in.empty()) return;
  if (!w->enabled) dim = kDim;
  bool focus = get_focus() == h;
  switch (w->kind) {
    case Kind::Edit: draw_edit(c, *w, r, in, dim, focus); break;
    case Kind::Button: draw_button(c, *w, r, in, dim, focus); break;
    case Kind::Static: draw_static(c, *w, r, in, dim); break;
    case Kind::Progress: draw_progress(c, *w, r, in, dim); break;
    case Kind::ListBox:
    case Kind::ComboBox: draw_list(c, *w, r, in, dim, focus); break;
    case Kind::ListView: draw_listview(c, *w, r, in, dim, cell); break;
    case Kind::Custom: {
      c.fill(r, dim, in);
      int row = r.row0;
      for (const std::string& t : w->painted) c.text(r.col0, row++, t, dim, in, r.width());
      break;
    }
  }
  CellRect inner = intersect(client_cells(h, cell), in);
  std::vector<Hwnd> kids = w->children;
  for (Hwnd k : kids) draw_window(c, k, inner, cell, dim);
}

// Texts painted on a top-level window (the message popup): the lines of all
// of them as one block, each line centred, the block in the middle.
void draw_painted(Canvas& c, const Window& w, const CellRect& r, const CellRect& clip, uint16_t attr) {
  std::vector<std::string> lines;
  for (const std::string& t : w.painted)
    for (std::string& l : text_lines(t)) lines.push_back(std::move(l));
  int row = r.row0 + std::max(0, (r.height() - static_cast<int>(lines.size())) / 2);
  for (const std::string& l : lines) {
    if (row >= r.row1) break;
    int n = std::min(text_width(l), r.width());
    c.text(aligned(r.col0, r.width(), n, 1), row++, l, attr, clip, n);
  }
}

}  // namespace

// ---- Top-level windows ------------------------------------------------------

int menu_row(Hwnd top, Point cell) {
  Window* w = find(top);
  if (!w || w->parent || !w->menu) return -1;
  return to_cell(client_to_screen(top, Point{0, 0}).y, cell.y) + top_shift(top, cell).y - 1;
}

std::vector<BarItem> bar_items(Hwnd top, Point cell) {
  std::vector<BarItem> out;
  Window* w = find(top);
  if (!w || !w->menu) return out;
  int col = top_cells(top, cell).col0 + 1;
  for (const MenuItem& it : menu_items(w->menu)) {
    int n = text_width(caption_text(it.caption)) + 2;
    out.push_back(BarItem{col, col + n});
    col += n;
  }
  return out;
}

bool has_close_box(Hwnd top) {
  Window* w = find(top);
  if (!w || w->parent) return false;
  // An overlapped window of no style of its own is a program's main window.
  return (w->style & WS_SYSMENU) || !(w->style & (WS_POPUP | WS_CAPTION));
}

Hwnd close_target() {
  Hwnd top = active_window();
  return top && accepts_input(top) && has_close_box(top) ? top : 0;
}

namespace {

// A button reached by an Alt letter: a visible text button whose command
// no key of its own gives.
bool keyed_button(const Window& w) {
  uint32_t type = w.style & BS_TYPEMASK;
  return w.kind == Kind::Button && w.visible && !(w.style & BS_BITMAP) && !w.image && type != BS_OWNERDRAW &&
         button_key(w.handle).empty();
}

void collect_buttons(const Window& w, std::vector<const Window*>& out) {
  for (Hwnd k : w.children) {
    Window* kw = find(k);
    if (!kw || !kw->visible) continue;
    if (keyed_button(*kw)) out.push_back(kw);
    collect_buttons(*kw, out);
  }
}

bool alnum(int c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

}  // namespace

std::vector<ButtonKey> button_keys(Hwnd top) {
  std::vector<ButtonKey> out;
  Window* w = find(top);
  if (!w) return out;
  std::vector<const Window*> buttons;
  collect_buttons(*w, buttons);
  std::vector<bool> used(128, false);
  for (const Window* b : buttons) {
    std::string cap = caption_text(b->text);
    std::vector<int> order;  // positions in the caption to try, best first
    size_t amp = b->text.find('&');
    if (amp != std::string::npos && amp + 1 < b->text.size() && b->text[amp + 1] != '&') order.push_back(static_cast<int>(amp));
    for (size_t i = 0; i < cap.size(); ++i) {
      bool wordStart = i == 0 || !alnum(upper(static_cast<unsigned char>(cap[i - 1])));
      if (wordStart) order.push_back(static_cast<int>(i));
    }
    for (size_t i = 0; i < cap.size(); ++i) order.push_back(static_cast<int>(i));
    for (int i : order) {
      if (i < 0 || i >= static_cast<int>(cap.size())) continue;
      int letter = upper(static_cast<unsigned char>(cap[static_cast<size_t>(i)]));
      if (!alnum(letter) || used[static_cast<size_t>(letter)]) continue;
      used[static_cast<size_t>(letter)] = true;
      out.push_back(ButtonKey{b->handle, letter, i});
      break;
    }
  }
  return out;
}

Hwnd button_for_key(Hwnd top, int ch) {
  for (const ButtonKey& k : button_keys(top))
    if (k.letter == upper(ch)) return k.button;
  return 0;
}

namespace {

// The cells of a window's "[x]": at the right of its caption row, inside
// the part of the frame on the screen; empty when it has none or no room.
CellRect close_box_cells(Hwnd top, Point cell) {
  Window* w = find(top);
  if (!w || !has_close_box(top) || !has_caption(*w)) return CellRect{};
  CellRect o = intersect(outer_cells(*w, top_cells(top, cell)), screen_area(cell));
  if (o.width() < 12) return CellRect{};
  return CellRect{o.col1 - 4, o.row0, o.col1 - 1, o.row0 + 1};
}

}  // namespace

void draw_top(Canvas& c, Hwnd top, Point cell) {
  Window* w = find(top);
  if (!w || !w->visible || w->parent) return;
  CellRect all = intersect(c.bounds(), screen_area(cell));
  CellRect r = top_cells(top, cell);
  uint16_t dim = w->enabled ? kNormal : kDim;
  bool caption = has_caption(*w);
  bool framed = has_frame(*w);
  // A window larger than the screen is cut, its frame drawn at the edges; a
  // maximised one fills the screen, its side frames beyond it.
  CellRect outer = outer_cells(*w, r);
  if (!w->maximized) outer = intersect(outer, all);
  c.fill(outer, dim, all);
  if (framed) c.frame(outer, dim, all);
  CellRect close = close_box_cells(top, cell);
  if (caption) {
    if (!framed) {  // no frame: the caption row is a line of its own
      for (int col = outer.col0; col < outer.col1; ++col) c.put(col, outer.row0, U'─', dim, all);
    }
    std::string title = " " + w->text + " ";
    uint16_t attr = static_cast<uint16_t>(dim | (active_window() == top ? kReverse | kBold : kBold));
    int room = (close.empty() ? outer.col1 - 1 : close.col0 - 1) - (r.col0 + 1);
    c.text(r.col0 + 1, r.row0, title, attr, all, std::max(0, room));
    if (!close.empty()) c.text(close.col0, close.row0, "[x]", dim, all);
  }
  if (framed) all = intersect(all, CellRect{outer.col0 + 1, outer.row0 + 1, outer.col1 - 1, outer.row1 - 1});
  int bar = menu_row(top, cell);
  if (bar >= 0) {
    std::vector<MenuItem> items = menu_items(w->menu);
    std::vector<BarItem> cols = bar_items(top, cell);
    CellRect line{r.col0, bar, r.col1, bar + 1};
    for (size_t i = 0; i < items.size(); ++i)
      c.text(cols[i].col0 + 1, bar, caption_text(items[i].caption), dim, line, cols[i].col1 - cols[i].col0 - 2);
  }
  CellRect client = intersect(client_cells(top, cell), all);
  if (!w->painted.empty()) draw_painted(c, *w, client_cells(top, cell), client, static_cast<uint16_t>(dim | kBold));
  std::vector<Hwnd> kids = w->children;
  for (Hwnd k : kids) draw_window(c, k, client, cell, dim);
}

void draw_status(Canvas& c) {
  int row = c.rows() - 1;
  if (row < 0) return;
  CellRect line{0, row, c.cols(), row + 1};
  c.fill(line, kReverse, line);
  Hwnd top = active_window();
  if (!top) return;
  std::string right = close_target() == top ? "Ctrl+W close  " : "";
  if (get_menu(top) && accepts_input(top)) right += "F10 Menu ";
  // The status text is the main window's (the plain overlapped window under
  // the others), else the active window's title.
  Hwnd status = top;
  for (Hwnd h : top_levels()) {
    Window* w = find(h);
    if (w && w->visible && !(w->style & (WS_POPUP | WS_CAPTION))) {
      status = h;
      break;
    }
  }
  c.text(1, row, get_text(status), kReverse, line, c.cols() - 2 - text_width(right));
  c.text(c.cols() - text_width(right), row, right, kReverse, line);
}

// ---- Hit tests --------------------------------------------------------------

namespace {

Point cell_centre(int col, int row, Point cell) { return Point{col * cell.x + cell.x / 2, row * cell.y + cell.y / 2}; }

// The point in the core's layout of the item shown under the cell, for the
// controls whose items the terminal lays out differently.
Point item_point(const Window& w, int col, int row, Point cell, Point fallback) {
  CellRect r = window_cells(w.handle, cell);
  if (const auto* l = std::get_if<detail::ListState>(&w.state)) {
    ListLayout lay = list_layout(w, *l, r);
    if (!lay.items.contains(col, row)) return fallback;
    int index = lay.top + row - lay.items.row0;
    int ih = listbox_item_height(w.handle);
    int line = index + (w.kind == Kind::ComboBox ? 1 : 0);
    return Point{get_client_rect(w.handle).Width() / 2, line * ih + ih / 2};
  }
  if (const auto* lv = std::get_if<detail::ListViewState>(&w.state)) {
    int index = lv->top + row - r.row0 - 1;
    if (row == r.row0 || index >= static_cast<int>(lv->rows.size())) return fallback;
    auto cols = lv_columns(*lv, r, cell);
    int k = 0;
    while (k + 1 < static_cast<int>(cols.size()) && col >= cols[static_cast<size_t>(k)].second) ++k;
    Rect sub = lv_subitem_rect(w.handle, index, k);
    return Point{sub.left + sub.Width() / 2, sub.top + sub.Height() / 2};
  }
  return fallback;
}

}  // namespace

Hit hit_test(int col, int row, Point cell) {
  std::vector<Hwnd> z = top_levels();
  for (auto it = z.rbegin(); it != z.rend(); ++it) {
    Window* w = find(*it);
    if (!w || !w->visible) continue;
    if (close_box_cells(*it, cell).contains(col, row)) return Hit{0, {}, 0, -1, *it};
    if (!top_cells(*it, cell).contains(col, row)) continue;
    if (row == menu_row(*it, cell)) {
      std::vector<BarItem> items = bar_items(*it, cell);
      for (size_t i = 0; i < items.size(); ++i)
        if (col >= items[i].col0 && col < items[i].col1) return Hit{0, {}, *it, static_cast<int>(i)};
      return Hit{0, {}, *it, -1};
    }
    Hwnd h = *it;
    for (bool deeper = true; deeper;) {
      deeper = false;
      std::vector<Hwnd> kids = children(h);
      for (auto k = kids.rbegin(); k != kids.rend(); ++k) {
        if (is_visible(*k) && window_cells(*k, cell).contains(col, row)) {
          h = *k;
          deeper = true;
          break;
        }
      }
    }
    Point p = screen_to_client(h, h == *it ? cell_centre(col, row, cell) : cell_point_in_top(*it, col, row, cell));
    return Hit{h, item_point(*find(h), col, row, cell, p)};
  }
  return Hit{};
}

// ---- The menu of a menu bar -------------------------------------------------

namespace {

bool selectable(const MenuItem& it) {
  std::string t = caption_text(it.caption);
  return !t.empty() && t != "-";
}

int first_selectable(const std::vector<MenuItem>& items) {
  for (size_t i = 0; i < items.size(); ++i)
    if (selectable(items[i])) return static_cast<int>(i);
  return 0;
}

// A line across a framed list, joined to its frame.
void separator(Canvas& c, const CellRect& r, int row) {
  CellRect all = c.bounds();
  for (int x = r.col0 + 1; x + 1 < r.col1; ++x) c.put(x, row, U'─', kNormal, all);
  c.put(r.col0, row, U'├', kNormal, all);
  c.put(r.col1 - 1, row, U'┤', kNormal, all);
}

int list_width(const std::vector<MenuItem>& items) {
  int n = 0;
  for (const MenuItem& it : items) n = std::max(n, text_width(caption_text(it.caption)));
  return n + 4;
}

}  // namespace

void MenuTracker::open(Hwnd owner, int barItem) {
  owner_ = owner;
  levels_.clear();
  std::vector<MenuItem> bar = menu_items(get_menu(owner));
  if (bar.empty()) {
    owner_ = 0;
    return;
  }
  bar_ = std::clamp(barItem, 0, static_cast<int>(bar.size()) - 1);
  const MenuItem& it = bar[static_cast<size_t>(bar_)];
  if (it.popup) levels_.push_back(Level{it.popup, first_selectable(menu_items(it.popup))});
}

void MenuTracker::move_bar(int step) {
  int n = static_cast<int>(menu_items(get_menu(owner_)).size());
  if (n > 0) open(owner_, (bar_ + step + n) % n);
}

void MenuTracker::move_sel(int step) {
  if (levels_.empty()) return;
  Level& l = levels_.back();
  std::vector<MenuItem> items = menu_items(l.menu);
  int n = static_cast<int>(items.size());
  for (int i = 1; i <= n; ++i) {
    int k = ((l.sel + step * i) % n + n) % n;
    if (selectable(items[static_cast<size_t>(k)])) {
      l.sel = k;
      return;
    }
  }
}

bool MenuTracker::open_sub() {
  if (levels_.empty()) return false;
  std::vector<MenuItem> items = menu_items(levels_.back().menu);
  int sel = levels_.back().sel;
  if (sel < 0 || sel >= static_cast<int>(items.size()) || !items[static_cast<size_t>(sel)].popup) return false;
  Hmenu sub = items[static_cast<size_t>(sel)].popup;
  levels_.push_back(Level{sub, first_selectable(menu_items(sub))});
  return true;
}

MenuTracker::Result MenuTracker::choose(const MenuItem& it) {
  if (it.popup || !selectable(it)) return Result{};
  close();
  return Result{true, it.id};
}

MenuTracker::Result MenuTracker::key(const Key& k) {
  if (!active()) return Result{true, 0};
  if (!is_window(owner_) || !is_menu(get_menu(owner_))) {
    close();
    return Result{true, 0};
  }
  std::vector<MenuItem> bar = menu_items(get_menu(owner_));
  std::vector<MenuItem> items = levels_.empty() ? bar : menu_items(levels_.back().menu);
  int sel = levels_.empty() ? bar_ : levels_.back().sel;
  auto current = [&]() -> const MenuItem* {
    return sel >= 0 && sel < static_cast<int>(items.size()) ? &items[static_cast<size_t>(sel)] : nullptr;
  };
  switch (k.vk) {
    case VK_ESCAPE:
      if (levels_.size() > 1) {
        levels_.pop_back();
        return Result{};
      }
      close();
      return Result{true, 0};
    case kF10:  // F10 again
      close();
      return Result{true, 0};
    case VK_LEFT:
      if (levels_.size() > 1) levels_.pop_back();
      else move_bar(-1);
      return Result{};
    case VK_RIGHT:
      if (!open_sub()) move_bar(1);
      return Result{};
    case VK_UP:
    case VK_DOWN:
      move_sel(k.vk == VK_UP ? -1 : 1);
      return Result{};
    case VK_RETURN:
    case VK_SPACE:
      if (levels_.empty()) return current() ? choose(*current()) : Result{};
      if (open_sub()) return Result{};
      return current() ? choose(*current()) : Result{};
    default:
      break;
  }
  if (k.ch <= ' ') return Result{};
  for (size_t i = 0; i < items.size(); ++i) {
    if (!selectable(items[i]) || hotkey(items[i].caption) != upper(k.ch)) continue;
    if (levels_.empty()) {
      open(owner_, static_cast<int>(i));
      if (!levels_.empty()) return Result{};
    } else {
      levels_.back().sel = static_cast<int>(i);
    }
    return key(Key{VK_RETURN, 0, '\r'});
  }
  return Result{};
}

CellRect MenuTracker::level_rect(size_t level, Point cell) const {
  std::vector<MenuItem> items = menu_items(levels_[level].menu);
  Point screen = screen_cells(cell);
  int width = list_width(items), height = static_cast<int>(items.size()) + 2;
  int col, row;
  if (level == 0) {
    std::vector<BarItem> bar = bar_items(owner_, cell);
    col = bar_ < static_cast<int>(bar.size()) ? bar[static_cast<size_t>(bar_)].col0 : 0;
    row = menu_row(owner_, cell) + 1;
  } else {
    // A submenu stands beside its parent, its first item on the row of the
    // item that opened it: right of the parent's frame, else left of it
    // where the right has no room, so no border of one lies on the other.
    CellRect parent = level_rect(level - 1, cell);
    col = parent.col1 + width <= screen.x ? parent.col1 : parent.col0 - width >= 0 ? parent.col0 - width : parent.col1;
    row = parent.row0 + levels_[level - 1].sel;
  }
  col = std::max(0, std::min(col, screen.x - width));
  row = std::max(0, std::min(row, screen.y - 1 - height));
  return CellRect{col, row, col + width, row + height};
}

MenuTracker::Result MenuTracker::click(int col, int row, Point cell) {
  if (!active()) return Result{true, 0};
  for (size_t level = levels_.size(); level-- > 0;) {
    CellRect r = level_rect(level, cell);
    if (!r.contains(col, row)) continue;
    int index = row - r.row0 - 1;
    std::vector<MenuItem> items = menu_items(levels_[level].menu);
    if (index < 0 || index >= static_cast<int>(items.size()) || !selectable(items[static_cast<size_t>(index)]))
      return Result{};
    levels_.resize(level + 1);
    levels_.back().sel = index;
    return key(Key{VK_RETURN, 0, '\r'});
  }
  if (row == menu_row(owner_, cell)) {
    std::vector<BarItem> bar = bar_items(owner_, cell);
    for (size_t i = 0; i < bar.size(); ++i) {
      if (col < bar[i].col0 || col >= bar[i].col1) continue;
      if (static_cast<int>(i) == bar_ && !levels_.empty()) break;  // a second click closes
      open(owner_, static_cast<int>(i));
      return levels_.empty() ? key(Key{VK_RETURN, 0, '\r'}) : Result{};
    }
  }
  close();
  return Result{true, 0};
}

void MenuTracker::draw(Canvas& c, Point cell) const {
  if (!active()) return;
  std::vector<BarItem> bar = bar_items(owner_, cell);
  int row = menu_row(owner_, cell);
  if (bar_ < static_cast<int>(bar.size()))
    c.add_attr(CellRect{bar[static_cast<size_t>(bar_)].col0, row, bar[static_cast<size_t>(bar_)].col1, row + 1}, kReverse);
  CellRect all = c.bounds();
  for (size_t level = 0; level < levels_.size(); ++level) {
    CellRect r = level_rect(level, cell);
    c.fill(r, kNormal, all);
    c.frame(r, kNormal, all);
    std::vector<MenuItem> items = menu_items(levels_[level].menu);
    for (size_t i = 0; i < items.size(); ++i) {
      int y = r.row0 + 1 + static_cast<int>(i);
      CellRect line{r.col0 + 1, y, r.col1 - 1, y + 1};
      if (!selectable(items[i])) {
        separator(c, r, y);
        continue;
      }
      uint16_t attr = static_cast<int>(i) == levels_[level].sel ? kReverse : kNormal;
      c.fill(line, attr, all);
      c.text(line.col0 + 1, y, caption_text(items[i].caption), attr, line);
      if (items[i].popup) c.put(line.col1 - 1, y, U'►', attr, all);
    }
  }
}

// ---- Message boxes ----------------------------------------------------------

namespace {

const char* button_name(int id) {
  switch (id) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "Abort";
    case IDRETRY: return "Retry";
    case IDIGNORE: return "Ignore";
    case IDYES: return "Yes";
    case IDNO: return "No";
    default: return "";
  }
}

std::vector<int> box_buttons(uint32_t type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
  }
}

// Lines of a text cut to a width, at a blank where there is one.
std::vector<std::string> wrap(std::string_view text, int width) {
  std::vector<std::string> out;
  for (std::string line : text_lines(text)) {
    while (text_width(line) > width) {
      size_t cut = line.rfind(' ', static_cast<size_t>(width));
      if (cut == std::string::npos || cut == 0) cut = static_cast<size_t>(width);
      out.push_back(line.substr(0, cut));
      line = line.substr(cut + (line[cut] == ' ' ? 1 : 0));
    }
    out.push_back(line);
  }
  return out;
}

// A modal overlay's frame of width x height cells, centred above the status
// line: its title in the top border, its lines from the row under it (two
// cells in from each side). Answers where it lies.
CellRect overlay_frame(Canvas& c, int width, int height, const std::string& title, const std::vector<std::string>& lines) {
  int col = std::max(0, (c.cols() - width) / 2), row = std::max(0, (c.rows() - 1 - height) / 2);
  CellRect r{col, row, col + width, row + height}, all = c.bounds();
  c.fill(r, kNormal, all);
  c.frame(r, kBold, all);
  c.text(col + 2, row, " " + title + " ", kBold | kReverse, all, width - 4);
  for (size_t i = 0; i < lines.size(); ++i) c.text(col + 2, row + 1 + static_cast<int>(i), lines[i], kNormal, all, width - 4);
  return r;
}

}  // namespace

BoxOverlay::BoxOverlay(std::string_view text, std::string_view caption, uint32_t type)
    : text_(text), caption_(caption), buttons_(box_buttons(type)) {}

int BoxOverlay::cancel_answer() const {
  for (int want : {IDCANCEL, IDNO, IDABORT, IDOK})
    if (std::find(buttons_.begin(), buttons_.end(), want) != buttons_.end()) return want;
  return buttons_.front();
}

int BoxOverlay::key(const Key& k) {
  int n = static_cast<int>(buttons_.size());
  switch (k.vk) {
    case VK_ESCAPE: return cancel_answer();
    case VK_RETURN:
    case VK_SPACE: return buttons_[static_cast<size_t>(sel_)];
    case VK_LEFT: sel_ = (sel_ + n - 1) % n; return 0;
    case VK_RIGHT: sel_ = (sel_ + 1) % n; return 0;
    case VK_TAB: sel_ = (k.mods & KEY_SHIFT) ? (sel_ + n - 1) % n : (sel_ + 1) % n; return 0;
    default: break;
  }
  for (int id : buttons_)
    if (k.ch > ' ' && upper(k.ch) == button_name(id)[0]) return id;
  return 0;
}

int BoxOverlay::click(int col, int row) const {
  for (size_t i = 0; i < buttonRects_.size(); ++i)
    if (buttonRects_[i].contains(col, row)) return buttons_[i];
  return 0;
}

void BoxOverlay::draw(Canvas& c) {
  int buttonsWidth = 0;
  for (int id : buttons_) buttonsWidth += text_width(button_name(id)) + 6;
  buttonsWidth -= 2;  // no gap after the last one
  int maxInner = std::max(10, c.cols() - 6);
  std::vector<std::string> lines = wrap(text_, maxInner);
  int inner = std::max(buttonsWidth, text_width(caption_) + 2);
  for (const std::string& l : lines) inner = std::max(inner, text_width(l));
  inner = std::min(inner, maxInner);
  int width = inner + 4, height = static_cast<int>(lines.size()) + 4;
  CellRect r = overlay_frame(c, width, height, caption_, lines), all = c.bounds();
  int col = r.col0, row = r.row0;
  int x = col + 2 + std::max(0, (inner - buttonsWidth) / 2), y = row + height - 2;
  buttonRects_.clear();
  for (size_t i = 0; i < buttons_.size(); ++i) {
    std::string b = std::string("[ ") + button_name(buttons_[i]) + " ]";
    uint16_t attr = static_cast<int>(i) == sel_ ? kReverse | kBold : kNormal;
    c.text(x, y, b, attr, all);
    buttonRects_.push_back(CellRect{x, y, x + text_width(b), y + 1});
    if (static_cast<int>(i) == sel_) c.cursorCol = x + 2, c.cursorRow = y;
    x += text_width(b) + 2;
  }
}

// ---- Popup menus ------------------------------------------------------------

PopupOverlay::PopupOverlay(std::vector<std::string> items, int col, int row)
    : items_(std::move(items)), col_(col), row_(row) {
  std::vector<MenuItem> list;
  for (const std::string& s : items_) list.push_back(MenuItem{1, 0, s});
  sel_ = first_selectable(list);
}

void PopupOverlay::move(int step) {
  int n = static_cast<int>(items_.size());
  for (int i = 1; i <= n; ++i) {
    int k = ((sel_ + step * i) % n + n) % n;
    if (selectable(MenuItem{1, 0, items_[static_cast<size_t>(k)]})) {
      sel_ = k;
      return;
    }
  }
}

int PopupOverlay::key(const Key& k) {
  if (items_.empty()) return -1;
  switch (k.vk) {
    case VK_ESCAPE: return -1;
    case VK_RETURN:
    case VK_SPACE: return sel_;
    case VK_UP: move(-1); return -2;
    case VK_DOWN: move(1); return -2;
    default: break;
  }
  for (size_t i = 0; i < items_.size(); ++i)
    if (k.ch > ' ' && selectable(MenuItem{1, 0, items_[i]}) && hotkey(items_[i]) == upper(k.ch))
      return static_cast<int>(i);
  return -2;
}

int PopupOverlay::click(int col, int row) const {
  if (!rect_.contains(col, row)) return -1;
  int index = row - rect_.row0 - 1;
  if (index < 0 || index >= static_cast<int>(items_.size()) || !selectable(MenuItem{1, 0, items_[static_cast<size_t>(index)]}))
    return -2;
  return index;
}

void PopupOverlay::draw(Canvas& c) {
  std::vector<MenuItem> list;
  for (const std::string& s : items_) list.push_back(MenuItem{1, 0, s});
  int width = list_width(list), height = static_cast<int>(items_.size()) + 2;
  int col = std::max(0, std::min(col_, c.cols() - width));
  int row = std::max(0, std::min(row_, c.rows() - 1 - height));
  rect_ = CellRect{col, row, col + width, row + height};
  CellRect all = c.bounds();
  c.fill(rect_, kNormal, all);
  c.frame(rect_, kNormal, all);
  for (size_t i = 0; i < items_.size(); ++i) {
    int y = row + 1 + static_cast<int>(i);
    CellRect line{col + 1, y, col + width - 1, y + 1};
    if (!selectable(list[i])) {
      separator(c, rect_, y);
      continue;
    }
    uint16_t attr = static_cast<int>(i) == sel_ ? kReverse : kNormal;
    c.fill(line, attr, all);
    c.text(line.col0 + 1, y, caption_text(items_[i]), attr, line);
  }
}

// ---- File and folder dialogs ------------------------------------------------

PromptOverlay::PromptOverlay(const DialogRequest& request)
    : title_(request.title), label_(request.kind == DialogKind::Folder ? "Folder: " : "File: "),
      path_(request.initial) {
  for (const DialogFilter& f : request.filters)
    filters_ += (filters_.empty() ? "" : ", ") + (f.caption.empty() ? f.pattern : f.caption);
  if (title_.empty()) title_ = request.kind == DialogKind::Folder ? "Folder" : request.kind == DialogKind::Save ? "Save" : "Open";
}

int PromptOverlay::key(const Key& k) {
  switch (k.vk) {
    case VK_ESCAPE: return 0;
    case VK_RETURN: return path_.empty() ? 0 : 1;
    case VK_BACK:
      if (!path_.empty()) path_.pop_back();
      return -1;
    default:
      break;
  }
  if (k.ch >= ' ' && k.ch != 127 && !(k.mods & (KEY_CTRL | KEY_ALT))) path_ += static_cast<char>(k.ch);
  return -1;
}

void PromptOverlay::draw(Canvas& c) {
  int width = std::min(std::max(40, c.cols() - 8), c.cols());
  int inner = width - 4;
  std::vector<std::string> lines = filters_.empty() ? std::vector<std::string>{} : wrap(filters_, inner);
  int height = static_cast<int>(lines.size()) + (lines.empty() ? 0 : 1) + 3;
  CellRect r = overlay_frame(c, width, height, title_, lines), all = c.bounds();
  int col = r.col0, row = r.row0;
  int y = row + height - 2, x = col + 2 + c.text(col + 2, y, label_, kNormal, all, inner);
  int field = std::max(1, col + width - 2 - x);
  c.fill(CellRect{x, y, x + field, y + 1}, kReverse, all);
  int shown = std::min(text_width(path_), field - 1);
  c.text(x, y, std::string_view(path_).substr(path_.size() - static_cast<size_t>(shown)), kReverse, all, shown);
  c.cursorCol = x + shown;
  c.cursorRow = y;
}

}  // namespace ui::term
