// Window rectangles, frames, coordinates, scroll bars and the pointer.
#include <algorithm>

#include "platform/ui/core_internal.h"

namespace ui {

using namespace detail;

namespace {

struct Frame {
  int edge = 0;  // left, right and bottom
  int top = 0;   // edge, caption and menu bar
};

Frame frame_of(uint32_t style, uint32_t exStyle, bool hasMenu) {
  const Profile& p = profile();
  Frame f;
  if (style & WS_THICKFRAME)
    f.edge = p.thickFrame;
  else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
    f.edge = p.dialogFrame;
  else if (style & WS_BORDER)
    f.edge = p.border;
  if (exStyle & WS_EX_CLIENTEDGE) f.edge += p.clientEdge;
  f.top = f.edge;
  if ((style & WS_CAPTION) == WS_CAPTION) f.top += p.caption;
  if (hasMenu) f.top += p.menuBar;
  return f;
}

Frame frame_of(const Window& w) { return frame_of(w.style, w.exStyle, w.menu != 0); }

// Screen position of the top-left corner of a window's client area.
Point client_origin(const Window& w) {
  Frame f = frame_of(w);
  Point o{w.rect.left + f.edge, w.rect.top + f.top};
  if (Window* p = find(w.parent)) {
    Point po = client_origin(*p);
    o.x += po.x;
    o.y += po.y;
  }
  return o;
}

int clamp_pos(const ScrollInfo& s, int pos) { return std::clamp(pos, s.min, std::max(s.min, s.max)); }

ScrollInfo* bar_of(Hwnd h, int bar) {
  Window* w = find(h);
  if (!w || (bar != SB_HORZ && bar != SB_VERT)) return nullptr;
  return &w->bars[bar];
}

}  // namespace

namespace detail {

Rect client_rect_of(const Window& w) {
  Frame f = frame_of(w);
  int width = w.rect.Width() - 2 * f.edge;
  int height = w.rect.Height() - f.top - f.edge;
  if (w.bars[SB_VERT].visible) width -= profile().scrollBar;
  if (w.bars[SB_HORZ].visible) height -= profile().scrollBar;
  return Rect{0, 0, std::max(0, width), std::max(0, height)};
}

}  // namespace detail

Rect get_window_rect(Hwnd h) {
  Window* w = find(h);
  if (!w) return Rect{};
  if (Window* p = find(w->parent)) {
    Point o = client_origin(*p);
    return Rect{w->rect.left + o.x, w->rect.top + o.y, w->rect.right + o.x, w->rect.bottom + o.y};
  }
  return w->rect;
}

Rect get_client_rect(Hwnd h) {
  Window* w = find(h);
  return w ? client_rect_of(*w) : Rect{};
}

Point client_to_screen(Hwnd h, Point p) {
  Window* w = find(h);
  if (!w) return p;
  Point o = client_origin(*w);
  return Point{p.x + o.x, p.y + o.y};
}

Point screen_to_client(Hwnd h, Point p) {
  Window* w = find(h);
  if (!w) return p;
  Point o = client_origin(*w);
  return Point{p.x - o.x, p.y - o.y};
}

bool set_window_pos(Hwnd h, int x, int y, int width, int height, uint32_t flags) {
  Window* w = find(h);
  if (!w) return false;
  Rect r = w->rect;
  if (!(flags & SWP_NOMOVE)) r = Rect{x, y, x + r.Width(), y + r.Height()};
  if (!(flags & SWP_NOSIZE)) r.right = r.left + std::max(0, width), r.bottom = r.top + std::max(0, height);
  if (r != w->rect) {
    w->rect = r;
    w->maximized = false;
    notify(EventKind::Move, h);
  }
  if (!(flags & SWP_NOZORDER)) {
    if (Window* p = find(w->parent)) {
      std::erase(p->children, h);
      p->children.push_back(h);
    } else {
      raise_window(h);
    }
  }
  return true;
}

bool move_window(Hwnd h, int x, int y, int width, int height) {
  return set_window_pos(h, x, y, width, height, SWP_NOZORDER);
}

Rect adjust_window_rect(Rect client, uint32_t style, uint32_t exStyle, bool hasMenu) {
  Frame f = frame_of(style, exStyle, hasMenu);
  return Rect{client.left - f.edge, client.top - f.top, client.right + f.edge, client.bottom + f.edge};
}

Rect work_area() { return profile().workArea; }
Rect maximized_area() {
  const Profile& p = profile();
  return p.maximizedArea.Width() > 0 && p.maximizedArea.Height() > 0 ? p.maximizedArea : p.workArea;
}

Point screen_size() { return Point{profile().screenWidth, profile().screenHeight}; }

int metric(Metric m) {
  const Profile& p = profile();
  switch (m) {
    case Metric::DialogFrameX:
    case Metric::DialogFrameY:
      return p.dialogFrame;
    case Metric::Caption:
      return p.caption;
    case Metric::MenuBar:
      return p.menuBar;
    case Metric::Border:
      return p.border;
    case Metric::ScrollBar:
      return p.scrollBar;
  }
  return 0;
}

Point cursor_pos() { return core().cursor; }
void set_cursor_pos(Point p) { core().cursor = p; }

// ---- Scroll bars ------------------------------------------------------------

bool set_scroll_range(Hwnd h, int bar, int min, int max) {
  ScrollInfo* s = bar_of(h, bar);
  if (!s) return false;
  s->min = min;
  s->max = std::max(min, max);
  s->pos = clamp_pos(*s, s->pos);
  s->track = s->pos;
  return true;
}

int set_scroll_pos(Hwnd h, int bar, int pos) {
  ScrollInfo* s = bar_of(h, bar);
  if (!s) return 0;
  int old = s->pos;
  s->pos = s->track = clamp_pos(*s, pos);
  return old;
}

ScrollInfo get_scroll_info(Hwnd h, int bar) {
  ScrollInfo* s = bar_of(h, bar);
  return s ? *s : ScrollInfo{};
}

bool set_scroll_track(Hwnd h, int bar, int track) {
  ScrollInfo* s = bar_of(h, bar);
  if (!s) return false;
  s->track = clamp_pos(*s, track);
  return true;
}

bool show_scroll_bar(Hwnd h, int bar, bool on) {
  ScrollInfo* s = bar_of(h, bar);
  if (!s) return false;
  s->visible = on;
  return true;
}

bool scroll_window(Hwnd h, int dx, int dy) {
  Window* w = find(h);
  if (!w) return false;
  for (Hwnd k : w->children) {
    if (Window* kw = find(k)) {
      kw->rect = Rect{kw->rect.left + dx, kw->rect.top + dy, kw->rect.right + dx, kw->rect.bottom + dy};
      notify(EventKind::Move, k);
    }
  }
  invalidate(h);
  return true;
}

}  // namespace ui
