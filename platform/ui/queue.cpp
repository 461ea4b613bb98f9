// The message queue: send, post, peek, translate, dispatch, the pumps, the
// blocking wait, timers and keyboard and mouse input.
#include <algorithm>

#include "platform/ui/core_internal.h"

namespace ui {

using namespace detail;

namespace {

// Deep enough for any real nesting of procedures; a runaway recursion of
// sends answers 0 instead of overflowing the stack.
constexpr int kMaxSendDepth = 400;

bool is_timer_queued(const Timer& t) {
  for (const Queued& q : core().queue)
    if (q.m.msg == WM_TIMER && q.m.hwnd == t.hwnd && q.m.wp == t.id) return true;
  return false;
}

// Queues WM_TIMER for every timer that is due; answers whether any was.
bool post_due_timers() {
  Core& c = core();
  if (c.timers.empty()) return false;
  uint64_t now = c.backend->now_ms();
  std::vector<Timer*> due;
  for (Timer& t : c.timers)
    if (t.due <= now) due.push_back(&t);
  std::sort(due.begin(), due.end(),
            [](const Timer* a, const Timer* b) { return a->due != b->due ? a->due < b->due : a->order < b->order; });
  bool any = false;
  for (Timer* t : due) {
    t->due = now + std::max<uint32_t>(1, t->interval);
    if (is_timer_queued(*t)) continue;
    c.queue.push_back(Queued{Message{t->hwnd, WM_TIMER, t->id, reinterpret_cast<LParam>(t->proc)}, false});
    any = true;
  }
  return any;
}

bool matches(const Message& m, Hwnd filter) {
  if (filter == 0 || m.msg == WM_QUIT) return true;
  for (Hwnd h = m.hwnd; h; h = get_parent(h))
    if (h == filter) return true;
  return false;
}

void track_modifiers(const Message& m) {
  if (m.msg != WM_KEYDOWN && m.msg != WM_KEYUP) return;
  LParam bit = m.wp == VK_SHIFT ? KEY_SHIFT : m.wp == VK_CONTROL ? KEY_CTRL : m.wp == VK_MENU ? KEY_ALT : 0;
  if (!bit) return;
  Core& c = core();
  c.modifiers = m.msg == WM_KEYDOWN ? (c.modifiers | bit) : (c.modifiers & ~bit);
}

bool is_button_down(Msg m) {
  return m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_LBUTTONDBLCLK;
}

}  // namespace

namespace detail {

void queue_front(const Message& m) { core().queue.push_front(Queued{m, false}); }

void post_input(Msg m, WParam wp, LParam lp) { core().queue.push_back(Queued{Message{0, m, wp, lp}, true}); }

void forget_window_messages(Hwnd h) {
  std::erase_if(core().queue, [h](const Queued& q) { return !q.toFocus && q.m.hwnd == h; });
}

void forget_window_timers(Hwnd h) {
  std::erase_if(core().timers, [h](const Timer& t) { return t.hwnd == h; });
}

void click_focus(Hwnd h) {
  Window* w = find(h);
  if (!w || !accepts_input(h)) return;
  if (is_focusable(*w) && core().focus != h) set_focus(h);
  else raise_window(get_top_level(h));
}

}  // namespace detail

// ---- Send and post ----------------------------------------------------------

LResult send(Hwnd h, Msg m, WParam wp, LParam lp) {
  Window* w = find(h);
  if (!w || !w->proc) return 0;
  Core& c = core();
  if (c.sendDepth >= kMaxSendDepth) return 0;
  WndProc proc = w->proc;
  ++c.sendDepth;
  LResult r = proc(h, m, wp, lp);
  --c.sendDepth;
  return r;
}

bool post(Hwnd h, Msg m, WParam wp, LParam lp) {
  if (h != 0 && !find(h)) return false;
  core().queue.push_back(Queued{Message{h, m, wp, lp}, false});
  return true;
}

void post_quit(int code) { post(0, WM_QUIT, static_cast<WParam>(code), 0); }

bool peek(Message& out, bool remove, Hwnd filter) {
  Core& c = core();
  if (c.queue.empty()) post_due_timers();
  for (auto it = c.queue.begin(); it != c.queue.end(); ++it) {
    Message m = it->m;
    if (it->toFocus) m.hwnd = key_target();
    if (!matches(m, filter)) continue;
    out = m;
    if (remove) c.queue.erase(it);
    return true;
  }
  return false;
}

bool translate(const Message& m) {
  if (m.msg != WM_KEYDOWN) return false;
  LParam mods = m.lp & (KEY_SHIFT | KEY_CTRL | KEY_ALT);
  // A key held with Alt is a command (a button's letter, a menu), never
  // text: an edit must not take the letter no button answered to.
  if (mods & KEY_ALT) return false;
  int ch = (m.lp & KEY_HAS_CHAR) ? static_cast<int>((m.lp >> 16) & 0xFF)
                                  : key_char(static_cast<uint16_t>(m.wp), mods);
  if (ch < 0) return false;
  queue_front(Message{m.hwnd, WM_CHAR, static_cast<WParam>(ch), mods});
  return true;
}

LResult dispatch(const Message& m) {
  if (m.msg == WM_TIMER && m.lp != 0) {
    auto proc = reinterpret_cast<TimerProc>(m.lp);
    if (m.hwnd == 0 || find(m.hwnd)) proc(m.hwnd, WM_TIMER, m.wp, now_ms());
    return 0;
  }
  track_modifiers(m);
  if (!find(m.hwnd)) return 0;
  if (is_button_down(m.msg)) {
    set_cursor_pos(client_to_screen(m.hwnd, Point{static_cast<int16_t>(LoWord(m.lp)),
                                                  static_cast<int16_t>(HiWord(m.lp))}));
    click_focus(m.hwnd);
  }
  // While a key-down is handled, an edit that gets the focus knows it was
  // entered by a key. So does the first field of a window a menu command
  // opens (a menu or accelerator command carries no control): as in a
  // dialog's first field, what is typed there replaces its text.
  bool outer = core().byKey;
  core().byKey = m.msg == WM_KEYDOWN || (m.msg == WM_COMMAND && m.lp == 0);
  LResult r = send(m.hwnd, m.msg, m.wp, m.lp);
  core().byKey = outer;
  return r;
}

bool get_message(Message& out) {
  for (;;) {
    if (peek(out, true)) return out.msg != WM_QUIT;
    if (!wait_input(-1) && core().queue.empty()) {
      out = Message{0, WM_QUIT, 0, 0};
      return false;
    }
  }
}

bool poll_input() {
  Core& c = core();
  if (!c.queue.empty()) return false;
  if (!input_held() && c.backend->poll_input()) return true;
  c.backend->idle_tick();
  return false;
}

InputHold::InputHold(Hwnd window) : outer_(core().inputHold) { core().inputHold = window; }

InputHold::~InputHold() { core().inputHold = outer_; }

bool input_held() {
  Core& c = core();
  if (!c.inputHold || !find(c.inputHold)) return false;
  Hwnd top = active_window();
  if (!top || top == c.inputHold) return true;
  auto held = std::find(c.zorder.begin(), c.zorder.end(), c.inputHold);
  return std::find(c.zorder.begin(), held, top) != held;  // top lies below the held window
}

PumpResult pump_pending() {
  PumpResult r;
  poll_input();
  Message m;
  while (peek(m, true)) {
    if (m.msg == WM_QUIT) {
      r.quit = true;
      r.quitCode = static_cast<int>(m.wp);
      break;
    }
    translate(m);
    dispatch(m);
    ++r.dispatched;
  }
  return r;
}

bool wait_input(int timeoutMs) {
  Core& c = core();
  if (!c.queue.empty() || post_due_timers()) return true;
  return c.backend->wait_input(timeoutMs) || !c.queue.empty() || post_due_timers();
}

int next_timer_ms() {
  Core& c = core();
  if (c.timers.empty()) return -1;
  uint64_t now = c.backend->now_ms();
  uint64_t next = UINT64_MAX;
  for (const Timer& t : c.timers) next = std::min(next, t.due);
  return next <= now ? 0 : static_cast<int>(std::min<uint64_t>(next - now, INT32_MAX));
}

void discard_pending() { core().queue.clear(); }

size_t pending_count() { return core().queue.size(); }

// ---- Timers -----------------------------------------------------------------

uintptr_t set_timer(Hwnd h, uintptr_t id, uint32_t ms, TimerProc proc) {
  Core& c = core();
  if (h != 0 && !find(h)) return 0;
  if (h == 0 && id == 0) id = 0x7F00 + static_cast<uintptr_t>(c.timerOrder);
  kill_timer(h, id);
  c.timers.push_back(Timer{h, id, ms, c.backend->now_ms() + std::max<uint32_t>(1, ms), proc, ++c.timerOrder});
  return id == 0 ? 1 : id;
}

bool kill_timer(Hwnd h, uintptr_t id) {
  Core& c = core();
  size_t before = c.timers.size();
  std::erase_if(c.timers, [&](const Timer& t) { return t.hwnd == h && t.id == id; });
  std::erase_if(c.queue, [&](const Queued& q) { return q.m.msg == WM_TIMER && q.m.hwnd == h && q.m.wp == id; });
  return c.timers.size() != before;
}

uint64_t now_ms() { return core().backend->now_ms(); }

LParam key_modifiers() { return core().modifiers; }

// ---- Input ------------------------------------------------------------------

Hwnd key_target() {
  Hwnd f = get_focus();
  return f ? f : active_window();
}

int key_char(uint16_t vk, LParam mods) {
  if (mods & KEY_ALT) return -1;
  bool ctrl = (mods & KEY_CTRL) != 0;
  bool shift = (mods & KEY_SHIFT) != 0;
  switch (vk) {
    case VK_RETURN:
    case VK_TAB:
    case VK_ESCAPE:
    case VK_BACK:
      return vk;
    case VK_SPACE:
      return ctrl ? -1 : ' ';
    case VK_OEM_CLOSE_BRACKET:
      return ctrl ? 29 : shift ? '}' : ']';
    default:
      break;
  }
  if (vk >= 'A' && vk <= 'Z') return ctrl ? vk - 'A' + 1 : shift ? vk : vk + ('a' - 'A');
  if (vk >= '0' && vk <= '9') return ctrl ? -1 : vk;
  return -1;
}

bool input_key(uint16_t vk, LParam mods, int ch) {
  if (!key_target()) return false;
  LParam held = 0;
  const std::pair<LParam, uint16_t> modKeys[] = {{KEY_CTRL, VK_CONTROL}, {KEY_SHIFT, VK_SHIFT}, {KEY_ALT, VK_MENU}};
  for (auto [bit, key] : modKeys)
    if (mods & bit) post_input(WM_KEYDOWN, key, held |= bit);
  post_input(WM_KEYDOWN, vk, KeyFlags(held, ch));
  post_input(WM_KEYUP, vk, held);
  for (int i = 2; i >= 0; --i)
    if (mods & modKeys[i].first) post_input(WM_KEYUP, modKeys[i].second, held &= ~modKeys[i].first);
  return true;
}

bool input_click(Hwnd h, Point client, Click kind) {
  if (!accepts_input(h)) return false;
  LParam lp = static_cast<LParam>(MakeLong(static_cast<uint16_t>(client.x), static_cast<uint16_t>(client.y)));
  switch (kind) {
    case Click::Left:
      post(h, WM_LBUTTONDOWN, 1, lp);
      post(h, WM_LBUTTONUP, 0, lp);
      break;
    case Click::Double:
      post(h, WM_LBUTTONDOWN, 1, lp);
      post(h, WM_LBUTTONUP, 0, lp);
      post(h, WM_LBUTTONDBLCLK, 1, lp);
      post(h, WM_LBUTTONUP, 0, lp);
      break;
    case Click::Right:
      post(h, WM_RBUTTONDOWN, 2, lp);
      post(h, WM_RBUTTONUP, 0, lp);
      break;
  }
  return true;
}

}  // namespace ui
