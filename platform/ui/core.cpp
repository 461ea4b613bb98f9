// Window-system core: set-up, classes, creation, destruction and the window
// record's plain properties.
#include <algorithm>

#include "platform/ui/core_internal.h"
#include "platform/ui/headless.h"

namespace ui {
namespace detail {

namespace {
std::unique_ptr<Core> g_core;
}  // namespace

bool has_core() { return g_core != nullptr; }

Core& core() {
  if (!g_core) init(std::make_unique<Headless>(HeadlessOptions{}));
  return *g_core;
}

Window* find(Hwnd h) {
  if (h == 0 || !g_core) return nullptr;
  auto* w = lookup(g_core->windows, h);
  return w ? w->get() : nullptr;
}

void notify(EventKind kind, Hwnd h, int value) {
  if (g_core && g_core->backend) g_core->backend->on_event(Event{kind, h, value});
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool is_focusable(const Window& w) {
  switch (w.kind) {
    case Kind::Static:
    case Kind::Progress:
      return false;
    default:
      return true;
  }
}

}  // namespace detail

using namespace detail;

// ---- Set-up -----------------------------------------------------------------

Status init(std::unique_ptr<Backend> b) {
  shutdown();
  if (!b) return st::SCREENENVIRON;
  g_core = std::make_unique<Core>();
  g_core->backend = std::move(b);
  register_builtin_classes();
  return st::OK;
}

void shutdown() {
  if (!g_core) return;
  // Windows are dropped without messages: the programs close their windows
  // before they end, and nothing may call into a torn-down procedure.
  std::unique_ptr<Core> dying = std::move(g_core);
  dying->windows.clear();
  dying->backend.reset();
}

Backend& backend() { return *core().backend; }
const Profile& profile() { return core().backend->profile(); }
uintptr_t instance() { return 1; }
const std::string& last_error() { return core().lastError; }

// ---- Classes ----------------------------------------------------------------

bool register_class(std::string_view name, WndProc proc) {
  if (name.empty()) return false;
  auto& classes = core().classes;
  std::string key = lower(name);
  if (classes.count(key)) return false;
  classes[key] = ClassInfo{std::string(name), proc ? proc : def_window_proc, Kind::Custom};
  return true;
}

bool class_exists(std::string_view name) { return core().classes.count(lower(name)) != 0; }

// ---- Creation ---------------------------------------------------------------

namespace {

Rect initial_rect(const CreateSpec& s, bool child) {
  const Profile& p = profile();
  int x = s.x == USE_DEFAULT ? (child ? 0 : p.workArea.left) : s.x;
  int y = s.y == USE_DEFAULT ? (child ? 0 : p.workArea.top) : s.y;
  int w = s.width == USE_DEFAULT ? (child ? 0 : p.defaultWidth) : std::max(0, s.width);
  int h = s.height == USE_DEFAULT ? (child ? 0 : p.defaultHeight) : std::max(0, s.height);
  return Rect{x, y, x + w, y + h};
}

std::unique_ptr<Window> make_window(const ClassInfo& cls, const CreateSpec& s, Hwnd parent,
                                    Hwnd owner) {
  auto w = std::make_unique<Window>();
  w->cls = cls.name;
  w->kind = cls.kind;
  w->proc = cls.proc;
  w->text = std::string(s.title);
  w->style = s.style;
  w->exStyle = s.exStyle;
  w->parent = parent;
  w->owner = owner;
  w->id = parent ? s.id : 0;
  w->menu = parent ? 0 : s.menu;
  w->rect = initial_rect(s, parent != 0);
  w->visible = (s.style & WS_VISIBLE) != 0;
  w->enabled = (s.style & WS_DISABLED) == 0;
  w->bars[SB_HORZ].visible = (s.style & WS_HSCROLL) != 0;
  w->bars[SB_VERT].visible = (s.style & WS_VSCROLL) != 0;
  init_control_state(*w);
  return w;
}

}  // namespace

Hwnd create_window(const CreateSpec& s) {
  Core& c = core();
  auto ci = c.classes.find(lower(s.cls));
  if (ci == c.classes.end()) return 0;
  bool child = (s.style & WS_CHILD) != 0;
  if (child && !find(s.parent)) return 0;
  Hwnd parent = child ? s.parent : 0;
  Hwnd owner = child ? 0 : get_top_level(s.parent);
  auto w = make_window(ci->second, s, parent, owner);
  Hwnd h = c.nextWindow++;
  w->handle = h;
  if (child) {
    find(parent)->children.push_back(h);
  } else {
    c.zorder.push_back(h);
  }
  c.windows[h] = std::move(w);
  if (!child) restack_topmost();
  notify(EventKind::Create, h);
  if (send(h, WM_CREATE, 0, 0) == -1) {
    destroy_window(h);
    return 0;
  }
  if (!child && (s.style & WS_VISIBLE) && find(h)) {
    find(h)->visible = false;
    show_window(h, Show::Show);
  }
  return find(h) ? h : 0;
}

// ---- Destruction ------------------------------------------------------------

namespace {

void collect_subtree(Hwnd h, std::vector<Hwnd>& out) {
  Window* w = find(h);
  if (!w) return;
  out.push_back(h);
  std::vector<Hwnd> kids = w->children;
  for (Hwnd k : kids) collect_subtree(k, out);
}

std::vector<Hwnd> owned_by(Hwnd h) {
  std::vector<Hwnd> out;
  for (auto it = core().zorder.rbegin(); it != core().zorder.rend(); ++it)
    if (Window* w = find(*it); w && w->owner == h) out.push_back(*it);
  std::sort(out.begin(), out.end(), [](Hwnd a, Hwnd b) { return a > b; });
  return out;
}

void send_destroy_messages(Hwnd h) {
  if (!find(h)) return;
  send(h, WM_DESTROY, 0, 0);
  Window* w = find(h);
  if (!w) return;
  std::vector<Hwnd> kids = w->children;
  for (Hwnd k : kids) {
    if (Window* kw = find(k)) {
      kw->destroying = true;
      send_destroy_messages(k);
    }
  }
}

void unlink(Hwnd h) {
  Core& c = core();
  Window* w = find(h);
  if (!w) return;
  if (Window* p = find(w->parent)) std::erase(p->children, h);
  std::erase(c.zorder, h);
}

}  // namespace

bool destroy_window(Hwnd h) {
  Window* w = find(h);
  if (!w) return false;
  if (w->destroying) return true;
  w->destroying = true;
  for (Hwnd o : owned_by(h)) destroy_window(o);
  send_destroy_messages(h);
  std::vector<Hwnd> dead;
  collect_subtree(h, dead);
  unlink(h);
  Core& c = core();
  for (Hwnd d : dead) {
    if (c.focus == d) c.focus = 0;
    forget_window_timers(d);
    forget_window_messages(d);
    if (Window* dw = find(d); dw && dw->menu) menu_destroy(dw->menu);
    c.windows.erase(d);
    notify(EventKind::Destroy, d);
  }
  return true;
}

// ---- Queries ----------------------------------------------------------------

bool is_window(Hwnd h) { return find(h) != nullptr; }

Hwnd get_parent(Hwnd h) {
  Window* w = find(h);
  return w ? w->parent : 0;
}

Hwnd get_owner(Hwnd h) {
  Window* w = find(h);
  return w ? w->owner : 0;
}

Hwnd get_top_level(Hwnd h) {
  Window* w = find(h);
  while (w && w->parent) w = find(w->parent);
  return w ? w->handle : 0;
}

Hwnd get_dlg_item(Hwnd parent, int id) {
  Window* p = find(parent);
  if (!p) return 0;
  for (Hwnd k : p->children)
    if (Window* w = find(k); w && w->id == id) return k;
  return 0;
}

Hwnd find_descendant(Hwnd root, int id) {
  Window* p = find(root);
  if (!p) return 0;
  for (Hwnd k : p->children) {
    Window* w = find(k);
    if (w && w->id == id) return k;
    if (Hwnd deeper = find_descendant(k, id)) return deeper;
  }
  return 0;
}

int get_ctrl_id(Hwnd h) {
  Window* w = find(h);
  return w ? w->id : 0;
}

std::string class_name(Hwnd h) {
  Window* w = find(h);
  return w ? w->cls : std::string();
}

uint32_t get_style(Hwnd h) {
  Window* w = find(h);
  return w ? w->style : 0;
}

uint32_t get_ex_style(Hwnd h) {
  Window* w = find(h);
  return w ? w->exStyle : 0;
}

std::vector<Hwnd> children(Hwnd h) {
  Window* w = find(h);
  return w ? w->children : std::vector<Hwnd>();
}

std::vector<Hwnd> top_levels() { return core().zorder; }

bool set_text(Hwnd h, std::string_view text) {
  Window* w = find(h);
  if (!w) return false;
  w->text = std::string(text);
  if (auto* e = std::get_if<EditState>(&w->state)) {
    int n = static_cast<int>(w->text.size());
    e->selStart = e->selEnd = n;
    edit_follow_caret(*w);
  }
  notify(EventKind::Text, h);
  return true;
}

std::string get_text(Hwnd h, size_t max) {
  Window* w = find(h);
  if (!w) return std::string();
  return w->text.substr(0, std::min(max, w->text.size()));
}

void set_font(Hwnd h, Hfont font, bool redraw) { send(h, WM_SETFONT, font, redraw ? 1 : 0); }

Hfont get_font(Hwnd h) { return static_cast<Hfont>(send(h, WM_GETFONT, 0, 0)); }

void set_user_data(Hwnd h, uintptr_t value) {
  if (Window* w = find(h)) w->userData = value;
}

uintptr_t get_user_data(Hwnd h) {
  Window* w = find(h);
  return w ? w->userData : 0;
}

// ---- Procedures -------------------------------------------------------------

WndProc set_window_proc(Hwnd h, WndProc proc) {
  Window* w = find(h);
  if (!w || !proc) return nullptr;
  WndProc old = w->proc;
  w->proc = proc;
  return old;
}

WndProc get_window_proc(Hwnd h) {
  Window* w = find(h);
  return w ? w->proc : nullptr;
}

LResult call_window_proc(WndProc proc, Hwnd h, Msg m, WParam wp, LParam lp) {
  if (!proc || !find(h)) return 0;
  return proc(h, m, wp, lp);
}

LResult def_window_proc(Hwnd h, Msg m, WParam wp, LParam) {
  Window* w = find(h);
  if (!w) return 0;
  switch (m) {
    case WM_CLOSE:
      destroy_window(h);
      return 0;
    case WM_SETFONT:
      w->font = static_cast<Hfont>(wp);
      return 0;
    case WM_GETFONT:
      return w->font;
    default:
      return 0;
  }
}

}  // namespace ui
