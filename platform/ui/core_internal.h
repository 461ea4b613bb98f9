// Internal state of the window-system core; only platform/ui sources include
// this. Windows live in a map from handle to record; every function looks a
// handle up again after calling into a procedure, because the procedure may
// have destroyed it.
#pragma once
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "platform/ui/backend.h"
#include "platform/ui/ui.h"

namespace ui::detail {

enum class Kind { Custom, Edit, Button, Static, ListBox, ComboBox, Progress, ListView };

struct EditState {
  int limit = 30000;
  int selStart = 0;
  int selEnd = 0;
};
struct ButtonState {
  bool checked = false;
  bool pressed = false;
};
struct ProgressState {
  int low = 0;
  int high = 100;
  int pos = 0;
};
struct ListState {  // list box and combo box
  std::vector<std::string> items;
  int sel = -1;
  int caret = 0;
  int itemHeight = 0;
};
struct LvColumn {
  std::string title;
  int width = 0;
  Align align = Align::Left;
};
struct LvRow {
  std::vector<std::string> cells;
  uint32_t state = 0;
};
struct ListViewState {
  std::vector<LvColumn> columns;
  std::vector<LvRow> rows;
  int top = 0;
  int mark = -1;
  uint32_t colors[3] = {0, 0xFFFFFF, 0xFFFFFF};
  uint32_t ext = 0;
};
using ControlState =
    std::variant<std::monostate, EditState, ButtonState, ListState, ProgressState, ListViewState>;

struct Window {
  Hwnd handle = 0;
  std::string cls;
  Kind kind = Kind::Custom;
  WndProc proc = nullptr;
  std::string text;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  Hwnd parent = 0;
  Hwnd owner = 0;
  int id = 0;
  Hmenu menu = 0;
  Rect rect;          // screen (top level) or parent client coordinates
  Rect restoreRect;   // before maximising
  bool visible = false;
  bool enabled = true;
  bool maximized = false;
  bool destroying = false;
  Hfont font = 0;
  Hbitmap image = 0;
  uintptr_t userData = 0;
  ScrollInfo bars[2];
  std::vector<Hwnd> children;  // sibling z-order: last is on top
  std::vector<std::string> painted;
  ControlState state;
};

struct ClassInfo {
  std::string name;
  WndProc proc = nullptr;
  Kind kind = Kind::Custom;
};

struct Timer {
  Hwnd hwnd = 0;
  uintptr_t id = 0;
  uint32_t interval = 0;
  uint64_t due = 0;
  TimerProc proc = nullptr;
  uint64_t order = 0;  // creation order breaks ties between equal due times
};

// A queued message. Keyboard input is addressed to "the focus" and takes its
// window when it is taken from the queue, as a person's keys do.
struct Queued {
  Message m;
  bool toFocus = false;
};

struct MenuRec {
  bool bar = false;
  std::vector<MenuItem> items;
};

struct FontRec {
  FontSpec spec;
  bool stock = false;
};

struct Core {
  std::unique_ptr<Backend> backend;
  std::map<std::string, ClassInfo> classes;  // key: ASCII lower-case name
  std::unordered_map<Hwnd, std::unique_ptr<Window>> windows;
  std::vector<Hwnd> zorder;  // top-level windows, last on top
  std::deque<Queued> queue;
  std::vector<Timer> timers;
  std::unordered_map<Hmenu, MenuRec> menus;
  std::unordered_map<Hfont, FontRec> fonts;
  std::unordered_map<Hbitmap, BitmapInfo> bitmaps;
  Hwnd nextWindow = 1;
  Hmenu nextMenu = 0x40000001;
  Hfont nextFont = 0x50000001;
  Hbitmap nextBitmap = 0x60000001;
  uint64_t timerOrder = 0;
  Hwnd focus = 0;
  uint64_t focusEpoch = 0;
  LParam modifiers = 0;
  bool byKey = false;  // the input being handled is a key (not a click)
  Point cursor;
  int sendDepth = 0;
  Hwnd inputHold = 0;  // the window whose opening holds input (InputHold)
  uint64_t lvCellWrites = 0;
  Hfont stockFonts[2] = {0, 0};
  std::string lastError;
};

Core& core();
// The record under a key of one of the core's handle maps, or null.
template <typename Map>
auto* lookup(Map& map, typename Map::key_type key) {
  auto it = map.find(key);
  return it == map.end() ? nullptr : &it->second;
}
bool has_core();
Window* find(Hwnd h);
void notify(EventKind kind, Hwnd h, int value = 0);
std::string lower(std::string_view s);

// Built-in control procedures and their set-up (controls.cpp, listview.cpp).
void register_builtin_classes();
void init_control_state(Window& w);
LResult edit_proc(Hwnd, Msg, WParam, LParam);
LResult button_proc(Hwnd, Msg, WParam, LParam);
LResult static_proc(Hwnd, Msg, WParam, LParam);
LResult listbox_proc(Hwnd, Msg, WParam, LParam);
LResult combo_proc(Hwnd, Msg, WParam, LParam);
LResult progress_proc(Hwnd, Msg, WParam, LParam);
LResult listview_proc(Hwnd, Msg, WParam, LParam);

// Helpers shared by the sources.
Rect client_rect_of(const Window& w);
// A multi-line edit's scroll positions (its first line and column shown)
// moved so that the caret is in view.
void edit_follow_caret(Window& w);
bool is_focusable(const Window& w);
void forget_window_messages(Hwnd h);
void forget_window_timers(Hwnd h);
void send_command(Hwnd control, uint16_t code);
LResult send_notify(Hwnd control, NotifyHeader& hdr);
void queue_front(const Message& m);
void post_input(Msg m, WParam wp, LParam lp);
void click_focus(Hwnd h);
// Top-level windows with WS_EX_TOPMOST moved above the others, each group
// in its own order.
void restack_topmost();

}  // namespace ui::detail
