// The back-end interface of the window system, and the input entry points
// every back end uses.
//
// A back end supplies time, metrics, input and the answers of the modal
// primitives, and is told of every visible change (on_event) so it can draw
// or record it. It never changes window state itself: input goes through the
// input_* functions below, which turn one action of a person into the
// message sequence that action causes.
//
// When the core calls a back end:
// - poll_input: a pump found the queue empty (and input not held, see
//   ui::InputHold); deliver at most one input, do not block. Answer whether
//   something was delivered.
// - idle_tick: that pump then had nothing at all to do (a back end that
//   draws draws what is due).
// - wait_input: a loop has nothing to do and wants to block until input or
//   the caller's time-out (-1 = none); next_timer_ms() bounds the wait so
//   timers fire on time. Answer whether something is now pending.
// - message_box / popup_menu: modal; answer at once (the core has disabled
//   the owner and will restore it).
// - path_dialog: modal like message_box; true with the chosen path, false
//   for a cancel.
// - viewer_allowed: whether an outside viewer may start on a file.
// - display_available: whether an outside viewer would have a screen to show
//   itself on (the headless back end says yes: it records the requests).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/ui.h"

namespace ui {

enum class EventKind {
  Create,    // a window exists (after WM_CREATE)
  Destroy,   // a window is gone
  Text,      // its text was set by the program
  Show,      // shown (detail "max" when maximised)
  Hide,
  Enable,    // value 1 enabled, 0 disabled
  Focus,     // the focus moved to hwnd (0 = none)
  Progress,  // a progress bar's position changed
  Move,      // its rectangle changed
  Paint,     // it should be drawn again
  Image,     // a picture was set on it (its handle in value; 0 = none)
};

struct Event {
  EventKind kind;
  Hwnd hwnd = 0;
  int value = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual const char* name() const = 0;
  virtual const Profile& profile() const = 0;
  virtual uint64_t now_ms() = 0;
  virtual bool poll_input() = 0;
  virtual void idle_tick() {}
  virtual bool wait_input(int timeoutMs) = 0;
  virtual int message_box(Hwnd owner, std::string_view text, std::string_view caption,
                          uint32_t type) = 0;
  // items are the captions; answers the 0-based position chosen or -1.
  virtual int popup_menu(Hwnd owner, const std::vector<std::string>& items, Point at) = 0;
  virtual bool path_dialog(Hwnd owner, const DialogRequest& request, std::string& path) = 0;
  virtual bool viewer_allowed(std::string_view /*command*/, std::string_view /*file*/) { return true; }
  virtual bool display_available() const { return true; }
  virtual void on_event(const Event&) {}
  // The screens' cell changed (a font was chosen): a back end that shows one
  // cell as one character takes its new metrics at once, before windows are
  // placed by the old ones.
  virtual void cell_changed() {}
};

// Milliseconds until the next timer is due (0 when one is), -1 when none.
int next_timer_ms();
// A back end for a terminal, or null when there is none (standard input
// and output not a terminal, or one that cannot be set up).
std::unique_ptr<Backend> make_terminal_backend();
// The back end's screen changed size: maximised top-level windows take the
// new work area, the others keep their place.
void work_area_changed();

// ---- Input: one action of a person each ------------------------------------
// The target of keys: the focus, else the active top-level window.
Hwnd key_target();
// Posts modifier key-downs, the key-down, the key-up and the modifier
// key-ups. ch >= 0 is the character the key types (translate() queues it);
// ch < 0 lets translate() derive it from the key and the modifiers.
bool input_key(uint16_t vk, LParam mods, int ch = -1);
enum class Click { Left, Double, Right };
// Posts the button messages at a point in the window's client area; the
// focus moves when the first button-down is dispatched.
bool input_click(Hwnd h, Point client, Click kind);
// The character a key types with these modifiers, -1 for none.
int key_char(uint16_t vk, LParam mods);

}  // namespace ui
