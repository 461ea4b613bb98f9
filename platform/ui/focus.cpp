// Show and enable state, the keyboard focus and the z-order of top-level
// windows.
#include <algorithm>

#include "platform/ui/core_internal.h"

namespace ui {

using namespace detail;

namespace {

void maximize(Window& w) {
  if (!w.maximized) w.restoreRect = w.rect;
  w.maximized = true;
  w.rect = maximized_area();
}

void restore(Window& w) {
  if (!w.maximized) return;
  w.maximized = false;
  w.rect = w.restoreRect;
}

// Owned windows stay above their owner.
void raise_owned(Hwnd h) {
  auto& z = core().zorder;
  if (std::find(z.begin(), z.end(), h) == z.end()) return;
  std::erase(z, h);
  z.push_back(h);
  std::vector<Hwnd> owned;
  for (Hwnd o : z)
    if (Window* w = find(o); w && w->owner == h) owned.push_back(o);
  for (Hwnd o : owned) raise_owned(o);
}

void raise_with_owned(Hwnd h) {
  raise_owned(h);
  restack_topmost();
}

bool no_activate(const Window& w) { return (w.exStyle & WS_EX_NOACTIVATE) != 0; }

}  // namespace

namespace detail {

void restack_topmost() {
  auto& z = core().zorder;
  std::stable_partition(z.begin(), z.end(), [](Hwnd h) {
    Window* w = find(h);
    return !w || !(w->exStyle & WS_EX_TOPMOST);
  });
}

}  // namespace detail

bool show_window(Hwnd h, Show cmd) {
  Window* w = find(h);
  if (!w) return false;
  bool was = w->visible;
  if (cmd == Show::Hide) {
    w->visible = false;
    if (was) notify(EventKind::Hide, h);
    return was;
  }
  if (cmd == Show::ShowMaximized) maximize(*w);
  if (cmd == Show::ShowNormal) restore(*w);
  w->visible = true;
  notify(EventKind::Show, h, w->maximized ? 1 : 0);
  // Showing a hidden top-level window activates it; one that takes no
  // activation only comes on top.
  if (!was && !w->parent && w->enabled) {
    bool focus = !no_activate(*w);
    raise_with_owned(h);
    if (focus) set_focus(h);
  }
  return was;
}

bool is_visible(Hwnd h) {
  Window* w = find(h);
  return w && w->visible;
}

bool is_maximized(Hwnd h) {
  Window* w = find(h);
  return w && w->maximized;
}

bool enable_window(Hwnd h, bool on) {
  Window* w = find(h);
  if (!w) return false;
  bool wasDisabled = !w->enabled;
  if (w->enabled != on) {
    w->enabled = on;
    notify(EventKind::Enable, h, on ? 1 : 0);
  }
  return wasDisabled;
}

bool is_enabled(Hwnd h) {
  Window* w = find(h);
  return w && w->enabled;
}

bool accepts_input(Hwnd h) {
  for (Window* w = find(h); w; w = find(w->parent))
    if (!w->enabled || !w->visible) return false;
  return find(h) != nullptr;
}

Hwnd get_focus() { return has_core() ? core().focus : 0; }

Hwnd set_focus(Hwnd h) {
  Core& c = core();
  if (h && !find(h)) return 0;
  Hwnd old = c.focus;
  uint64_t epoch = ++c.focusEpoch;
  if (h == old) return old;
  if (Hwnd top = get_top_level(h)) raise_with_owned(top);
  if (find(old)) send(old, WM_KILLFOCUS, h, 0);
  // A focus change made while the old window was told it loses the focus
  // decides where the focus goes; this one is dropped.
  if (c.focusEpoch != epoch) return old;
  if (h && !find(h)) return old;
  c.focus = h;
  notify(EventKind::Focus, h);
  if (h) send(h, WM_SETFOCUS, old, 0);
  return old;
}

Hwnd active_window() {
  const auto& z = core().zorder;
  for (auto it = z.rbegin(); it != z.rend(); ++it)
    if (Window* w = find(*it); w && w->visible && !no_activate(*w)) return *it;
  return 0;
}

void raise_window(Hwnd h) {
  if (Window* w = find(h); w && !w->parent) raise_with_owned(h);
}

void work_area_changed() {
  for (auto& [h, w] : core().windows) {
    if (w->parent || !w->maximized) continue;
    Rect before = client_rect_of(*w);
    w->rect = maximized_area();
    // A child that filled the client area within even margins (a
    // background picture) fills it again.
    Rect after = client_rect_of(*w);
    for (Hwnd k : w->children) {
      Window* kw = find(k);
      if (!kw) continue;
      Rect r = kw->rect;
      if (r.left < 0 || r.top < 0 || r.left != before.Width() - r.right || r.top != before.Height() - r.bottom) continue;
      kw->rect = Rect{r.left, r.top, std::max(r.left, after.Width() - r.left), std::max(r.top, after.Height() - r.top)};
    }
    notify(EventKind::Move, h);
  }
}

void update_window(Hwnd h) { invalidate(h); }

void invalidate(Hwnd h) {
  if (find(h)) notify(EventKind::Paint, h);
}

}  // namespace ui
