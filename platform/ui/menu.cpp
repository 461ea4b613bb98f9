// Menus, popup menus, message boxes and file dialogs: the modal primitives
// of the core.
#include <algorithm>

#include "platform/ui/core_internal.h"

namespace ui {

using namespace detail;

namespace {

MenuRec* menu_of(Hmenu m) { return lookup(core().menus, m); }

Hmenu new_menu(bool bar) {
  Core& c = core();
  Hmenu m = c.nextMenu++;
  c.menus[m] = MenuRec{bar, {}};
  return m;
}

// While a modal primitive runs, its owner's top-level window takes no input
// and the focus comes back to where it was.
class ModalScope {
 public:
  explicit ModalScope(Hwnd owner) : top_(get_top_level(owner)), focus_(get_focus()) {
    if (top_ && is_enabled(top_)) {
      enable_window(top_, false);
      disabled_ = true;
    }
  }
  ~ModalScope() {
    if (disabled_ && is_window(top_)) enable_window(top_, true);
    if (focus_ && is_window(focus_) && get_focus() != focus_) set_focus(focus_);
  }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
  Hwnd top() const { return top_; }

 private:
  Hwnd top_;
  Hwnd focus_;
  bool disabled_ = false;
};

}  // namespace

Hmenu menu_create_bar() { return new_menu(true); }
Hmenu menu_create_popup() { return new_menu(false); }

bool menu_append_item(Hmenu menu, int id, std::string_view caption) {
  MenuRec* m = menu_of(menu);
  if (!m) return false;
  m->items.push_back(MenuItem{id, 0, std::string(caption)});
  return true;
}

bool menu_append_popup(Hmenu menu, Hmenu popup, std::string_view caption) {
  MenuRec* m = menu_of(menu);
  if (!m || !menu_of(popup) || popup == menu) return false;
  m->items.push_back(MenuItem{0, popup, std::string(caption)});
  return true;
}

bool menu_destroy(Hmenu menu) {
  MenuRec* m = menu_of(menu);
  if (!m) return false;
  std::vector<MenuItem> items = std::move(m->items);
  core().menus.erase(menu);
  for (const MenuItem& it : items)
    if (it.popup) menu_destroy(it.popup);
  for (auto& [h, w] : core().windows)
    if (w->menu == menu) w->menu = 0;
  return true;
}

bool is_menu(Hmenu menu) { return menu_of(menu) != nullptr; }

std::vector<MenuItem> menu_items(Hmenu menu) {
  MenuRec* m = menu_of(menu);
  return m ? m->items : std::vector<MenuItem>();
}

bool set_menu(Hwnd h, Hmenu menu) {
  Window* w = find(h);
  if (!w || w->parent || (menu && !menu_of(menu))) return false;
  w->menu = menu;
  notify(EventKind::Paint, h);
  return true;
}

Hmenu get_menu(Hwnd h) {
  Window* w = find(h);
  return w ? w->menu : 0;
}

int track_popup_menu(Hwnd owner, Hmenu popup, Point at, uint32_t flags) {
  MenuRec* m = menu_of(popup);
  if (!m) return 0;
  std::vector<MenuItem> items = m->items;
  std::vector<std::string> captions;
  for (const MenuItem& it : items) captions.push_back(it.caption);
  int chosen;
  {
    ModalScope modal(owner);
    chosen = backend().popup_menu(owner, captions, at);
  }
  if (chosen < 0 || chosen >= static_cast<int>(items.size()) || items[static_cast<size_t>(chosen)].popup) return 0;
  int id = items[static_cast<size_t>(chosen)].id;
  if (flags & TPM_RETURNCMD) return id;
  post(owner, WM_COMMAND, MakeLong(static_cast<uint16_t>(id), 0), 0);
  return 1;
}

int message_box(Hwnd owner, std::string_view text, std::string_view caption, uint32_t type) {
  ModalScope modal(owner);
  return backend().message_box(modal.top(), text, caption, type);
}

bool path_dialog(Hwnd owner, const DialogRequest& request, std::string& path) {
  ModalScope modal(owner);
  path.clear();
  return backend().path_dialog(modal.top(), request, path);
}

bool viewer_allowed(std::string_view command, std::string_view file) {
  return backend().viewer_allowed(command, file);
}

bool display_available() { return backend().display_available(); }

}  // namespace ui
