// The terminal back end on ncurses: setting the terminal up and putting it
// back, reading keys and mouse clicks, waiting, and showing the canvas that
// terminal_draw.cpp paints.
//
// Restoring: the modes found at start are put back however the program
// ends: by the destructor (ui::shutdown, or the core's end at exit), by an
// exit handler, and, for a program ended by a fatal signal, by a handler
// that only does what is safe there (tcsetattr with the saved modes, write
// of the saved reset strings) before the signal takes its course. While the
// terminal shows the windows, standard error goes to an unnamed file whose
// text is written out after the restore, so no message is lost on (or
// scribbled over) the screen.
#include "platform/ui/terminal.h"

#include "platform/ui/core_internal.h"

#if KX_HAVE_CURSES

#define NCURSES_WIDECHAR 1
#include <curses.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <functional>
#include <set>
#include <unordered_map>

#include "platform/host/clock.h"
#include "platform/host/signals.h"

namespace ui {

namespace {

using term::Canvas;
using term::Key;

// ---- What every exit puts back ----------------------------------------------

struct Saved {
  int fd = 0;
  struct termios modes = {};
  bool haveModes = false;
  char reset[256] = {};
  size_t resetLen = 0;
  int errSaved = -1;    // the real standard error while it is captured
  int errCapture = -1;  // the unnamed file holding what was written meanwhile
  volatile sig_atomic_t active = 0;
};
Saved g_saved;

constexpr int kFatal[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGQUIT};
struct sigaction g_oldFatal[std::size(kFatal)];

// Writes out what standard error received while captured (safe in a
// signal handler: only dup2, lseek, read, write and close).
void replay_stderr() {
  if (g_saved.errSaved < 0) return;
  dup2(g_saved.errSaved, 2);
  close(g_saved.errSaved);
  g_saved.errSaved = -1;
  if (lseek(g_saved.errCapture, 0, SEEK_SET) == 0) {
    char buf[4096];
    ssize_t n;
    while ((n = read(g_saved.errCapture, buf, sizeof buf)) > 0)
      if (write(2, buf, static_cast<size_t>(n)) < 0) break;
  }
  close(g_saved.errCapture);
  g_saved.errCapture = -1;
}

// The restore a signal handler may run: the saved reset strings, the saved
// modes, the captured standard error.
void restore_in_signal() {
  if (!g_saved.active) return;
  g_saved.active = 0;
  if (g_saved.resetLen && write(g_saved.fd, g_saved.reset, g_saved.resetLen) < 0) {
  }
  if (g_saved.haveModes) tcsetattr(g_saved.fd, TCSANOW, &g_saved.modes);
  replay_stderr();
}

extern "C" void on_fatal_signal(int sig, siginfo_t* info, void* ctx) {
  restore_in_signal();
  for (size_t i = 0; i < std::size(kFatal); ++i) {
    if (kFatal[i] != sig) continue;
    struct sigaction old = g_oldFatal[i];
    sigaction(sig, &old, nullptr);
    if ((old.sa_flags & SA_SIGINFO) && old.sa_sigaction) {
      old.sa_sigaction(sig, info, ctx);
      return;
    }
    if (old.sa_handler != SIG_DFL && old.sa_handler != SIG_IGN) {
      old.sa_handler(sig);
      return;
    }
  }
  // Delivered again once this handler returns, now the default way.
  raise(sig);
}

void fatal_handlers_install() {
  struct sigaction sa = {};
  sa.sa_sigaction = on_fatal_signal;
  sa.sa_flags = SA_SIGINFO;
  sigemptyset(&sa.sa_mask);
  for (size_t i = 0; i < std::size(kFatal); ++i) sigaction(kFatal[i], &sa, &g_oldFatal[i]);
}

void fatal_handlers_remove() {
  for (size_t i = 0; i < std::size(kFatal); ++i) sigaction(kFatal[i], &g_oldFatal[i], nullptr);
}

void reset_add(const char* cap) {
  const char* s = tigetstr(cap);
  if (!s || s == reinterpret_cast<const char*>(-1)) return;
  size_t n = std::strlen(s);
  if (g_saved.resetLen + n >= sizeof g_saved.reset) return;
  std::memcpy(g_saved.reset + g_saved.resetLen, s, n);
  g_saved.resetLen += n;
}

// Standard error into an unnamed file while the windows are shown.
void capture_stderr() {
  const char* dir = std::getenv("TMPDIR");
  int fd = open(dir && *dir ? dir : "/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) return;
  int saved = fcntl(2, F_DUPFD_CLOEXEC, 3);
  if (saved < 0 || dup2(fd, 2) < 0) {
    if (saved >= 0) close(saved);
    close(fd);
    return;
  }
  g_saved.errSaved = saved;
  g_saved.errCapture = fd;
}

// ---- Keys -------------------------------------------------------------------

constexpr uint16_t kF10 = VK_F1 + 9;
constexpr uint16_t kOem8 = 0xDF;  // any character without a key of its own
constexpr int kCtrlEndCode = KEY_MAX + 1;
constexpr int kCtrlHomeCode = KEY_MAX + 2;
constexpr int kPollEveryMs = 5;   // a busy pump looks at the terminal this often
constexpr int kDrawEveryMs = 40;  // and draws what changed this often

// The virtual key of a printable ASCII character that is not a letter or a
// digit (the usual keys of a US keyboard); the character itself travels with
// the key.
uint16_t punct_key(int c) {
  static const char* const keys[] = {";:", "=+", ",<", "-_", ".>", "/?", "`~", "[{", "\\|", "]}", "'\""};
  static const uint16_t vks[] = {0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xC0, 0xDB, 0xDC, 0xDD, 0xDE};
  for (size_t i = 0; i < std::size(keys); ++i)
    if (std::strchr(keys[i], c)) return vks[i];
  return kOem8;
}

// A character read from the terminal as the key a person pressed.
bool decode_char(wint_t wc, Key& k) {
  k = Key{};
  switch (wc) {
    case 13:
    case 10: k.vk = VK_RETURN; return true;
    case 9: k.vk = VK_TAB; return true;
    case 27: k.vk = VK_ESCAPE; return true;
    case 8:
    case 127: k.vk = VK_BACK; return true;
    case 29: k.vk = VK_OEM_CLOSE_BRACKET, k.mods = KEY_CTRL; return true;
    case ' ': k.vk = VK_SPACE, k.ch = ' '; return true;
    default: break;
  }
  if (wc >= 1 && wc <= 26) {
    k.vk = static_cast<uint16_t>('A' + wc - 1), k.mods = KEY_CTRL;
    return true;
  }
  if (wc < 32) return false;
  if (wc >= 'a' && wc <= 'z') k.vk = static_cast<uint16_t>(wc - 'a' + 'A');
  else if (wc >= 'A' && wc <= 'Z') k.vk = static_cast<uint16_t>(wc), k.mods = KEY_SHIFT;
  else if (wc >= '0' && wc <= '9') k.vk = static_cast<uint16_t>(wc);
  else if (wc < 0x80) k.vk = punct_key(static_cast<int>(wc));
  else k.vk = kOem8;
  k.ch = term::to_cp1252(static_cast<char32_t>(wc));
  return k.ch >= 0;
}

bool decode_keycode(wint_t code, Key& k) {
  k = Key{};
  if (code >= static_cast<wint_t>(KEY_F(1)) && code <= static_cast<wint_t>(KEY_F(12))) {
    k.vk = static_cast<uint16_t>(VK_F1 + (code - KEY_F(1)));
    return true;
  }
  if (code >= static_cast<wint_t>(KEY_F(13)) && code <= static_cast<wint_t>(KEY_F(24))) {
    k.vk = static_cast<uint16_t>(VK_F1 + (code - KEY_F(13))), k.mods = KEY_SHIFT;
    return true;
  }
  switch (static_cast<int>(code)) {
    case KEY_UP: k.vk = VK_UP; return true;
    case KEY_DOWN: k.vk = VK_DOWN; return true;
    case KEY_LEFT: k.vk = VK_LEFT; return true;
    case KEY_RIGHT: k.vk = VK_RIGHT; return true;
    case KEY_PPAGE: k.vk = VK_PRIOR; return true;
    case KEY_NPAGE: k.vk = VK_NEXT; return true;
    case KEY_HOME: k.vk = VK_HOME; return true;
    case KEY_END: k.vk = VK_END; return true;
    case KEY_BTAB: k.vk = VK_TAB, k.mods = KEY_SHIFT; return true;
    case KEY_ENTER: k.vk = VK_RETURN; return true;
    case KEY_BACKSPACE: k.vk = VK_BACK; return true;
    case KEY_DC: k.vk = VK_DELETE; return true;
    case KEY_IC: k.vk = VK_INSERT; return true;
    case kCtrlEndCode: k.vk = VK_END, k.mods = KEY_CTRL; return true;
    case kCtrlHomeCode: k.vk = VK_HOME, k.mods = KEY_CTRL; return true;
    // Shift with a moving key selects text in a field.
    case KEY_SLEFT: k.vk = VK_LEFT, k.mods = KEY_SHIFT; return true;
    case KEY_SRIGHT: k.vk = VK_RIGHT, k.mods = KEY_SHIFT; return true;
    case KEY_SR: k.vk = VK_UP, k.mods = KEY_SHIFT; return true;
    case KEY_SF: k.vk = VK_DOWN, k.mods = KEY_SHIFT; return true;
    case KEY_SHOME: k.vk = VK_HOME, k.mods = KEY_SHIFT; return true;
    case KEY_SEND: k.vk = VK_END, k.mods = KEY_SHIFT; return true;
    default: return false;
  }
}

// Ctrl+End, Ctrl+Home and Shift with the moving keys as keys of their own:
// the terminal's description when it has them, else the sequences most
// terminals send (a description such as "screen" names none of them).
void define_ctrl_keys() {
  const std::pair<const char*, int> keys[] = {{"kEND5", kCtrlEndCode}, {"kHOM5", kCtrlHomeCode},
                                              {"kLFT", KEY_SLEFT},     {"kRIT", KEY_SRIGHT},
                                              {"kri", KEY_SR},         {"kind", KEY_SF},
                                              {"kHOM", KEY_SHOME},     {"kEND", KEY_SEND}};
  const char* fallback[] = {"\033[1;5F", "\033[1;5H", "\033[1;2D", "\033[1;2C",
                            "\033[1;2A", "\033[1;2B", "\033[1;2H", "\033[1;2F"};
  for (size_t i = 0; i < std::size(keys); ++i) {
    const char* s = tigetstr(keys[i].first);
    if (!s || s == reinterpret_cast<const char*>(-1)) s = fallback[i];
    define_key(s, keys[i].second);
  }
}

// ---- The back end -----------------------------------------------------------

struct TermEvent {
  enum Kind { None, KeyPress, Mouse, Resize, Signal } kind = None;
  Key key;
  int col = 0;
  int row = 0;
  Click click = Click::Left;
};

class Terminal : public Backend {
 public:
  Terminal(SCREEN* screen, std::string oldLocale) : screen_(screen), oldLocale_(std::move(oldLocale)) {
    colors_ = has_colors();
    if (colors_) {
      start_color();
      use_default_colors();
      init_pair(1, COLOR_BLACK, COLOR_CYAN);
    }
    cell_ = cell_size();
    resize();
  }
  ~Terminal() override { close_terminal(); }

  const char* name() const override { return "terminal"; }
  const Profile& profile() const override { return profile_; }
  uint64_t now_ms() override { return static_cast<uint64_t>(ClockMonotonicMs()); }
  bool poll_input() override;
  void idle_tick() override;
  bool wait_input(int timeoutMs) override;
  int message_box(Hwnd owner, std::string_view text, std::string_view caption, uint32_t type) override;
  int popup_menu(Hwnd owner, const std::vector<std::string>& items, Point at) override;
  bool path_dialog(Hwnd owner, const DialogRequest& request, std::string& path) override;
  // A viewer started from a terminal needs a desktop to show itself on.
  bool display_available() const override {
    const char* x = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (w && *w);
  }
  void on_event(const Event& e) override;
  void cell_changed() override { refit(); }

  static void close_terminal();

 private:
  void resize();
  void reprofile();
  void refit();
  void present(const std::function<void(Canvas&)>& overlay = nullptr);
  void redraw();
  void blit(const Canvas& frame);
  cchar_t cell_char(const term::Cell& c);
  TermEvent read_now();
  int wait_fd(int timeoutMs);
  TermEvent next_event();
  template <typename Overlay, typename Answer>
  auto modal(Overlay& overlay, Answer answer);
  bool deliver(const TermEvent& e);
  bool deliver_mouse(const TermEvent& e);
  bool post_command(Hwnd owner, int id);
  void mark(Hwnd h);

  SCREEN* screen_;
  std::string oldLocale_;
  bool colors_ = false;
  Profile profile_;
  Point cell_;
  int cols_ = 0;
  int rows_ = 0;
  Canvas canvas_;       // the windows as last drawn
  Canvas shown_;        // what the terminal shows
  bool dirtyAll_ = true;
  std::set<Hwnd> dirty_;  // top-level windows to draw again
  bool overlayDirty_ = false;
  Hwnd lastFocus_ = 0;
  uint64_t lastPoll_ = 0;
  uint64_t lastDraw_ = 0;
  bool hangup_ = false;
  int signalsSeen_ = 0;  // SIGINT and SIGTERM noted when the last wait ended
  term::MenuTracker menu_;
  std::unordered_map<char32_t, wchar_t> shownAs_;
};

Terminal* g_terminal = nullptr;

void Terminal::close_terminal() {
  if (!g_terminal) return;
  Terminal* t = g_terminal;
  g_terminal = nullptr;
  g_saved.active = 0;
  endwin();
  delscreen(t->screen_);
  if (g_saved.haveModes) tcsetattr(g_saved.fd, TCSADRAIN, &g_saved.modes);
  setlocale(LC_CTYPE, t->oldLocale_.c_str());
  fatal_handlers_remove();
  host::SignalOnDefaultEnd(nullptr);
  replay_stderr();
}

void at_exit_restore() { Terminal::close_terminal(); }

void Terminal::resize() {
  getmaxyx(stdscr, rows_, cols_);
  canvas_.resize(cols_, rows_);
  shown_.resize(0, 0);  // everything is written again
  clearok(curscr, TRUE);
  reprofile();
  dirtyAll_ = true;
}

void Terminal::reprofile() { profile_ = term::terminal_profile(cols_, rows_, cell_); }

// ---- Drawing ----------------------------------------------------------------

void Terminal::mark(Hwnd h) {
  if (Hwnd top = get_top_level(h)) dirty_.insert(top);
  else dirtyAll_ = true;
}

void Terminal::on_event(const Event& e) {
  bool topLevel = e.hwnd && !get_parent(e.hwnd);
  switch (e.kind) {
    case EventKind::Create:
    case EventKind::Destroy:
    case EventKind::Hide:
      dirtyAll_ = true;
      break;
    case EventKind::Show:
    case EventKind::Move:
      if (topLevel) dirtyAll_ = true;
      else mark(e.hwnd);
      break;
    case EventKind::Focus:
      if (get_top_level(e.hwnd) != get_top_level(lastFocus_)) dirtyAll_ = true;
      mark(e.hwnd);
      mark(lastFocus_);
      lastFocus_ = e.hwnd;
      break;
    default:
      mark(e.hwnd);
      break;
  }
  if (menu_.active() && (!is_window(menu_.owner()) || !accepts_input(menu_.owner()))) {
    menu_.close();
    overlayDirty_ = true;
  }
}

// A new cell: new metrics, and maximised windows fill the screen in it.
void Terminal::refit() {
  Point c = cell_size();
  if (c.x == cell_.x && c.y == cell_.y) return;
  cell_ = c;
  reprofile();
  work_area_changed();
  dirtyAll_ = true;
}

// Draws the dirty windows and every window above them into the canvas.
void Terminal::redraw() {
  refit();
  std::vector<Hwnd> z = top_levels();
  size_t from = z.size();
  if (dirtyAll_) {
    canvas_.clear();
    from = 0;
  } else {
    Hwnd focusTop = get_top_level(get_focus());
    for (size_t i = 0; i < z.size(); ++i)
      if (dirty_.count(z[i]) || z[i] == focusTop) from = std::min(from, i);
    if (from < z.size()) canvas_.cursorCol = canvas_.cursorRow = -1;
  }
  for (size_t i = from; i < z.size(); ++i) term::draw_top(canvas_, z[i], cell_);
  term::draw_status(canvas_);
  dirtyAll_ = false;
  dirty_.clear();
}

void Terminal::present(const std::function<void(Canvas&)>& overlay) {
  if (dirtyAll_ || !dirty_.empty()) redraw();
  else if (!overlayDirty_ && !overlay) return;
  overlayDirty_ = false;
  if (!overlay && !menu_.active()) return blit(canvas_);
  Canvas frame = canvas_;
  menu_.draw(frame, cell_);
  if (overlay) overlay(frame);
  blit(frame);
}

cchar_t Terminal::cell_char(const term::Cell& c) {
  auto it = shownAs_.find(c.ch);
  if (it == shownAs_.end()) {
    // What the locale's codeset cannot write becomes a plain look-alike or '?'.
    char buf[MB_LEN_MAX];
    std::mbstate_t st{};
    wchar_t w = static_cast<wchar_t>(c.ch);
    if (std::wcrtomb(buf, w, &st) == static_cast<size_t>(-1)) {
      switch (c.ch) {
        case U'─': w = L'-'; break;
        case U'│': w = L'|'; break;
        case U'┌': case U'┐': case U'└': case U'┘': case U'├': case U'┤': w = L'+'; break;
        case U'▼': w = L'v'; break;
        case U'►': w = L'>'; break;
        default: w = L'?'; break;
      }
    }
    it = shownAs_.emplace(c.ch, w).first;
  }
  attr_t a = 0;
  if (c.attr & term::kReverse) a |= A_REVERSE;
  if (c.attr & term::kBold) a |= A_BOLD;
  if (c.attr & term::kDim) a |= A_DIM;
  if (c.attr & term::kUnderline) a |= A_UNDERLINE;
  short pair = colors_ && (c.attr & term::kTable) && !(c.attr & term::kReverse) ? 1 : 0;
  wchar_t text[2] = {it->second, 0};
  cchar_t out;
  setcchar(&out, text, a, pair, nullptr);
  return out;
}

void Terminal::blit(const Canvas& frame) {
  bool all = shown_.cols() != frame.cols() || shown_.rows() != frame.rows();
  for (int row = 0; row < frame.rows(); ++row) {
    for (int col = 0; col < frame.cols(); ++col) {
      const term::Cell& c = frame.at(col, row);
      if (!all && shown_.at(col, row) == c) continue;
      cchar_t cc = cell_char(c);
      mvadd_wch(row, col, &cc);  // the last cell of the screen answers ERR, but is written
    }
  }
  shown_ = frame;
  if (frame.cursorCol >= 0 && frame.cursorRow >= 0) {
    move(frame.cursorRow, frame.cursorCol);
    curs_set(1);
  } else {
    curs_set(0);
  }
  wnoutrefresh(stdscr);
  doupdate();
}

// ---- Input ------------------------------------------------------------------

TermEvent Terminal::read_now() {
  TermEvent e;
  wint_t wc;
  int rc = wget_wch(stdscr, &wc);
  if (rc == ERR) return e;
  if (rc == KEY_CODE_YES && wc == KEY_RESIZE) {
    resize();
    work_area_changed();
    e.kind = TermEvent::Resize;
    return e;
  }
  if (rc == KEY_CODE_YES && wc == KEY_MOUSE) {
    MEVENT me;
    if (getmouse(&me) != OK) return read_now();
    e.kind = TermEvent::Mouse;
    e.col = me.x, e.row = me.y;
    if (me.bstate & BUTTON1_DOUBLE_CLICKED) e.click = Click::Double;
    else if (me.bstate & (BUTTON1_CLICKED | BUTTON1_PRESSED)) e.click = Click::Left;
    else if (me.bstate & (BUTTON3_CLICKED | BUTTON3_PRESSED)) e.click = Click::Right;
    else return read_now();
    return e;
  }
  bool known = rc == KEY_CODE_YES ? decode_keycode(wc, e.key) : decode_char(wc, e.key);
  if (!known) return read_now();
  if (rc == OK && wc == 27) {
    // Esc with a character right behind it is that character with Alt.
    wint_t next;
    int r2 = wget_wch(stdscr, &next);
    if (r2 == OK && next > ' ' && next < 127 && decode_char(next, e.key)) {
      e.key.mods |= KEY_ALT;
    } else if (r2 == OK) {
      unget_wch(static_cast<wchar_t>(next));
      decode_char(wc, e.key);
    } else if (r2 == KEY_CODE_YES) {
      ungetch(static_cast<int>(next));
    }
  }
  e.kind = TermEvent::KeyPress;
  return e;
}

// Blocks until standard input is readable (1), the time-out passed (0) or a
// signal came (-1). SIGINT and SIGTERM are held back while it looks whether
// one came since the last wait, and let through only inside the wait, so
// none slips in between. A terminal that hung up is not watched any more.
int Terminal::wait_fd(int timeoutMs) {
  if (hangup_) {
    if (timeoutMs < 0) timeoutMs = 1000;
    poll(nullptr, 0, timeoutMs);
    return 0;
  }
  sigset_t block, old;
  sigemptyset(&block);
  sigaddset(&block, SIGINT);
  sigaddset(&block, SIGTERM);
  sigprocmask(SIG_BLOCK, &block, &old);
  int n = -1, err = EINTR;
  struct pollfd p = {0, POLLIN, 0};
  if (host::SignalCount() == signalsSeen_) {
    struct timespec ts = {timeoutMs / 1000, (timeoutMs % 1000) * 1000000L};
    n = ppoll(&p, 1, timeoutMs < 0 ? nullptr : &ts, &old);
    err = errno;
  }
  sigprocmask(SIG_SETMASK, &old, nullptr);
  signalsSeen_ = host::SignalCount();
  if (n < 0) return err == EINTR ? -1 : 0;
  if (n > 0 && !(p.revents & POLLIN)) {
    hangup_ = true;
    if (Hwnd top = active_window()) post(top, WM_CLOSE);
    return 1;
  }
  return n > 0 ? 1 : 0;
}

// The next event for a modal overlay; a resize redraws it, and a SIGINT or
// SIGTERM is an event of its own.
TermEvent Terminal::next_event() {
  for (;;) {
    TermEvent e = read_now();
    if (e.kind != TermEvent::None) return e;
    if (wait_fd(-1) < 0) {
      e = read_now();
      if (e.kind != TermEvent::None) return e;
      e.kind = TermEvent::Signal;
      return e;
    }
  }
}

bool Terminal::post_command(Hwnd owner, int id) {
  overlayDirty_ = true;
  if (!id || !accepts_input(owner)) return false;
  return post(owner, WM_COMMAND, MakeLong(static_cast<uint16_t>(id), 0), 0);
}

bool Terminal::deliver_mouse(const TermEvent& e) {
  if (menu_.active()) {
    Hwnd owner = menu_.owner();
    return post_command(owner, menu_.click(e.col, e.row, cell_).command);
  }
  term::Hit hit = term::hit_test(e.col, e.row, cell_);
  if (hit.closeBox) {
    if (hit.closeBox != term::close_target()) return false;
    return post(hit.closeBox, WM_CLOSE);
  }
  if (hit.bar) {
    if (hit.barItem < 0 || hit.bar != active_window() || !accepts_input(hit.bar)) return false;
    menu_.open(hit.bar, hit.barItem);
    overlayDirty_ = true;
    std::vector<MenuItem> bar = menu_items(get_menu(hit.bar));
    if (bar[static_cast<size_t>(hit.barItem)].popup) return false;
    return post_command(hit.bar, menu_.key(Key{VK_RETURN, 0, '\r'}).command);
  }
  if (!hit.window || !accepts_input(hit.window)) return false;
  return input_click(hit.window, hit.client, e.click);
}

// Hands one event to the program; answers whether it posted input.
bool Terminal::deliver(const TermEvent& e) {
  if (e.kind == TermEvent::Mouse) return deliver_mouse(e);
  if (e.kind != TermEvent::KeyPress) return false;
  const Key& k = e.key;
  if (menu_.active()) {
    Hwnd owner = menu_.owner();
    overlayDirty_ = true;
    return post_command(owner, menu_.key(k).command);
  }
  // Ctrl+W is the close box of the active window, as a click on its "[x]".
  if (k.vk == 'W' && k.mods == KEY_CTRL) {
    Hwnd closing = term::close_target();
    return closing && post(closing, WM_CLOSE);
  }
  // F10 opens the menu of the main window only: other windows use the key.
  Hwnd top = active_window();
  if (k.vk == kF10 && k.mods == 0 && top && get_menu(top) && accepts_input(top)) {
    menu_.open(top, 0);
    overlayDirty_ = true;
    return false;
  }
  // Alt+ a button's letter is a click on it.
  if ((k.mods & KEY_ALT) && top && accepts_input(top)) {
    if (Hwnd b = term::button_for_key(top, k.ch); b && accepts_input(b)) {
      Rect r = get_client_rect(b);
      return input_click(b, Point{r.Width() / 2, r.Height() / 2}, Click::Left);
    }
  }
  Hwnd target = key_target();
  if (!target || !accepts_input(target)) return false;
  return input_key(k.vk, k.mods, k.ch);
}

// Draws what changed when a draw is due.
void Terminal::idle_tick() {
  uint64_t now = now_ms();
  if (now - lastDraw_ < kDrawEveryMs) return;
  present();
  lastDraw_ = now;
}

bool Terminal::poll_input() {
  uint64_t now = now_ms();
  if (now - lastPoll_ < kPollEveryMs) return false;
  lastPoll_ = now;
  idle_tick();  // a busy pump draws too
  for (;;) {
    TermEvent e = read_now();
    if (e.kind == TermEvent::None) return false;
    if (deliver(e)) return true;
  }
}

bool Terminal::wait_input(int timeoutMs) {
  int64_t deadline = timeoutMs < 0 ? -1 : ClockMonotonicMs() + timeoutMs;
  for (;;) {
    present();
    lastDraw_ = now_ms();
    TermEvent e = read_now();  // the terminal library may hold input already read
    if (e.kind != TermEvent::None) {
      if (deliver(e)) return true;
      continue;
    }
    int wait = deadline < 0 ? -1 : static_cast<int>(std::max<int64_t>(0, deadline - ClockMonotonicMs()));
    int timer = next_timer_ms();
    if (timer >= 0 && (wait < 0 || timer < wait)) wait = timer;
    if (wait == 0) return false;
    int r = wait_fd(wait);
    if (r == 0) return false;
    if (r < 0) {  // a signal: a resize is read as a key, anything else is the program's
      e = read_now();
      if (e.kind == TermEvent::None) return false;
      if (deliver(e)) return true;
    }
  }
}

// ---- Modal overlays ---------------------------------------------------------

// Shows an overlay until answer() gives what it waits for: answer gets the
// overlay's reply to an event (a signal counts as Esc) and tells whether it
// ends the overlay.
template <typename Overlay, typename Answer>
auto Terminal::modal(Overlay& overlay, Answer answer) {
  menu_.close();
  for (;;) {
    overlayDirty_ = true;
    present([&](Canvas& c) { overlay.draw(c); });
    TermEvent e = next_event();
    if (e.kind == TermEvent::Signal) e = TermEvent{TermEvent::KeyPress, Key{VK_ESCAPE, 0, 27}};
    if (auto [done, value] = answer(e); done) {
      overlayDirty_ = true;
      return value;
    }
  }
}

int Terminal::message_box(Hwnd, std::string_view text, std::string_view caption, uint32_t type) {
  term::BoxOverlay box(text, caption, type);
  return modal(box, [&](const TermEvent& e) {
    int a = e.kind == TermEvent::KeyPress ? box.key(e.key) : e.kind == TermEvent::Mouse ? box.click(e.col, e.row) : 0;
    return std::pair{a != 0, a};
  });
}

int Terminal::popup_menu(Hwnd, const std::vector<std::string>& items, Point at) {
  term::PopupOverlay popup(items, term::to_cell(at.x, cell_.x), term::to_cell(at.y, cell_.y));
  return modal(popup, [&](const TermEvent& e) {
    int chosen = e.kind == TermEvent::KeyPress ? popup.key(e.key) : e.kind == TermEvent::Mouse ? popup.click(e.col, e.row) : -2;
    return std::pair{chosen != -2, chosen};
  });
}

bool Terminal::path_dialog(Hwnd, const DialogRequest& request, std::string& path) {
  term::PromptOverlay prompt(request);
  bool chosen = modal(prompt, [&](const TermEvent& e) {
    int r = e.kind == TermEvent::KeyPress ? prompt.key(e.key) : -1;
    return std::pair{r >= 0, r == 1};
  });
  path = chosen ? prompt.path() : std::string();
  return chosen;
}

}  // namespace

std::unique_ptr<Backend> open_terminal_backend(std::string& why) {
  if (g_terminal) {
    why = "the terminal is already in use";
    return nullptr;
  }
  if (!isatty(0) || !isatty(1)) {
    why = "standard input and output are not a terminal";
    return nullptr;
  }
  const char* termName = std::getenv("TERM");
  if (!termName || !*termName) {
    why = "TERM is not set";
    return nullptr;
  }
  g_saved.fd = 0;
  g_saved.haveModes = tcgetattr(0, &g_saved.modes) == 0;
  const char* was = setlocale(LC_CTYPE, nullptr);
  std::string oldLocale = was ? was : "C";
  setlocale(LC_CTYPE, "");
  SCREEN* screen = newterm(nullptr, stdout, stdin);
  if (!screen) {
    setlocale(LC_CTYPE, oldLocale.c_str());
    why = std::string("cannot set up the terminal (TERM=") + termName + ")";
    return nullptr;
  }
  cbreak();  // Ctrl+C still gives SIGINT
  noecho();
  nonl();
  intrflush(stdscr, FALSE);
  keypad(stdscr, TRUE);
  nodelay(stdscr, TRUE);
  set_escdelay(25);
  mousemask(BUTTON1_CLICKED | BUTTON1_DOUBLE_CLICKED | BUTTON3_CLICKED, nullptr);
  define_ctrl_keys();
  g_saved.resetLen = 0;
  reset_add("sgr0");
  reset_add("cnorm");
  reset_add("rmkx");
  reset_add("rmcup");
  if (tigetstr("kmous") && tigetstr("kmous") != reinterpret_cast<char*>(-1)) {
    static const char kMouseOff[] = "\033[?1000l\033[?1002l\033[?1006l";
    if (g_saved.resetLen + sizeof kMouseOff < sizeof g_saved.reset) {
      std::memcpy(g_saved.reset + g_saved.resetLen, kMouseOff, sizeof kMouseOff - 1);
      g_saved.resetLen += sizeof kMouseOff - 1;
    }
  }
  auto t = std::make_unique<Terminal>(screen, oldLocale);
  g_terminal = t.get();
  g_saved.active = 1;
  capture_stderr();
  fatal_handlers_install();
  host::SignalOnDefaultEnd(restore_in_signal);
  static bool atExit = false;
  if (!atExit) atExit = std::atexit(at_exit_restore) == 0;
  return t;
}

}  // namespace ui

#else  // no curses in this build

namespace ui {

std::unique_ptr<Backend> open_terminal_backend(std::string& why) {
  why = "this build has no terminal back end";
  return nullptr;
}

}  // namespace ui

#endif
