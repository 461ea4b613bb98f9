#include "screens/forms/progress.h"

#include <algorithm>
#include <string>

#include "platform/ui/ui.h"
#include "runtime/datetime.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "screens/window/controls.h"
#include "screens/window/geometry.h"
#include "screens/window/winlist.h"

namespace {

constexpr uint32_t kRangeMax = 65535;                  // what the bar's 16-bit range holds
constexpr uint64_t kDivisorMax = uint64_t{1} << 62;    // doubling stops here, never wraps
constexpr int kControlX = 20, kControlY = 10, kControlHeight = 17;
constexpr int kButtonWidth = 70, kButtonHeight = 20, kButtonY = 35;
constexpr int kBorderWidth = 40, kBaseHeight = 90;
constexpr uint32_t kChildStyle = ui::WS_CHILD | ui::WS_VISIBLE;

struct ProgressRec {
  int width = 0;
  std::string title;
  ui::Hwnd window = 0;
  ui::Hwnd control = 0;      // the bar, or the static text in text mode
  ui::Hwnd previousTop = 0;  // on top when the window opened, disabled meanwhile
  bool cancel = false;
  bool textMode = false;
  uint32_t position = 0;
  uint64_t divisor = 0;
  int64_t accumulator = 0;   // signed: rounding halves up leaves a negative rest
  uint32_t range = 0;
  bool wrap = false;
  uint32_t total = 0;
  std::string text;
  int shown = -1;            // the position the bar was last given
};

ProgressRec g;
int64_t g_pumpBase = 0;           // the copy pump's clock at its last restart
ui::WndProc g_buttonProc = nullptr;  // the button class's own procedure

int WidthFor(int width) {
  int w = width <= 0 ? kProgressDefaultWidth : width;
  int room = ui::work_area().Width() - kBorderWidth;
  return std::max(std::min(w, room), 1);
}

uint16_t Coord(int v) { return static_cast<uint16_t>(std::clamp(v, 0, 0xFFFE)); }

// A line of text as one line: CR and LF are shown as blanks.
std::string OneLine(StrValue text) {
  std::string s = text.IsError() ? std::string() : text.Str();
  std::replace_if(s.begin(), s.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return s;
}

// Halves away from zero, the divisor at most kDivisorMax. Most steps move
// the bar by nothing, and answer so without dividing.
int64_t DivRound(int64_t a, uint64_t divisor) {
  if ((a < 0 ? 0 - static_cast<uint64_t>(a) : static_cast<uint64_t>(a)) * 2 < divisor) return 0;
  const auto d = static_cast<int64_t>(divisor);
  int64_t q = a / d, r = a % d;
  if (r != 0 && static_cast<uint64_t>(r < 0 ? -r : r) * 2 >= divisor) q += a < 0 ? -1 : 1;
  return q;
}

// Esc on the focused Cancel button cancels as it does on the window.
ui::LResult CancelButtonProc(ui::Hwnd h, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  if (m == ui::WM_KEYDOWN && wp == ui::VK_ESCAPE) g.cancel = true;
  return ui::call_window_proc(g_buttonProc, h, m, wp, lp);
}

// The bar or the line of text, in the place the record's mode gives it.
ui::Hwnd ControlCreate() {
  if (g.textMode)
    return ChildCreate(g.window, "STATIC", g.text, kChildStyle, ui::WS_EX_TOPMOST, kControlX, kControlY, g.width,
                       kControlHeight, 0);
  return ChildCreate(g.window, "msctls_progress32", "", kChildStyle | ui::PBS_SMOOTH, 0, kControlX, kControlY,
                     g.width, kControlHeight, 0);
}

// Destroys the window and takes it off the list; the window it was modal
// over gets its input back.
void WindowDrop() {
  if (!g.window) return;
  ui::Hwnd w = g.window, previous = g.previousTop;
  g.window = g.control = g.previousTop = 0;
  if (previous && ui::is_window(previous)) ui::enable_window(previous, true);
  WinDestroy(w);
  WinUnregister(w);
}

// Gives the bar what it shows now, when that changed.
void BarShow() {
  if (!g.control || g.textMode) return;
  uint32_t limit = g.range ? g.range : kRangeMax;
  int shown = static_cast<int>(std::min(g.position, limit));
  if (shown == g.shown) return;
  g.shown = shown;
  ui::send(g.control, ui::PBM_SETPOS, static_cast<ui::WParam>(shown));
}

Status SwitchToText() {
  if (g.textMode) return 0;
  g.textMode = true;
  if (!g.window) return 0;
  if (g.control) ui::destroy_window(g.control);
  g.control = ControlCreate();
  return g.control ? 0 : ErrSet(1, MOD_SCREENS, st::COMMONCTLERROR, st::COMMONCTLERROR);
}

}  // namespace

Status ProgressOpen(int width, uint32_t total) { return g.window ? 0 : ProgressCreate(width, total, false); }

Status ProgressCreate(int width, uint32_t total, bool textMode) {
  WindowDrop();
  const StrAreaScope scope;
  int w = WidthFor(width);
  WinKindInfo kind = WinKindStyle(kWinKindProgress, StrMake("", 0));
  StrValue caption = g.title.empty() ? Msg("0016") : StrFromView(g.title);
  ui::Point screen = ui::screen_size();
  int x = std::max((screen.x - w - kBorderWidth) / 2, 0);
  int y = std::max((screen.y - kBaseHeight) / 2, 0);
  int height = kBaseHeight + 2 * ui::metric(ui::Metric::DialogFrameY);
  ui::Hwnd previous = WinTop();
  ui::Hwnd window = kind.status ? 0
                                : WinClassCreate(kind.className, caption, kind.style, Coord(x), Coord(y),
                                                 Coord(w + kBorderWidth), Coord(height), 0, ProgressWndProc);
  if (!window) return ErrSet(1, MOD_SCREENS, st::WINCONTROLERROR, st::WINCONTROLERROR);
  // A new window starts a new count; the title and a divisor set before it
  // opened stay.
  ProgressRec fresh;
  fresh.title = g.title;
  fresh.divisor = g.divisor;
  fresh.text = g.text;
  fresh.width = w;
  fresh.window = window;
  fresh.previousTop = previous;
  fresh.textMode = textMode;
  fresh.total = total;
  g = fresh;
  g.control = ControlCreate();
  ui::Hwnd button = ChildCreate(window, "BUTTON", Msg("0020").View(), kChildStyle | ui::WS_TABSTOP | ui::BS_PUSHBUTTON,
                                0, w - 50, kButtonY, kButtonWidth, kButtonHeight, kProgressCancelId);
  if (!g.control || !button) {
    WindowDrop();
    return ErrSet(1, MOD_SCREENS, st::COMMONCTLERROR, st::COMMONCTLERROR);
  }
  g_buttonProc = ui::set_window_proc(button, CancelButtonProc);
  WinShowState(kWinShowReset);
  WinShowState(kWinShowNow);
  return 0;
}

void ProgressInit(int width, uint32_t total, StrValue text) {
  WindowDrop();
  g = ProgressRec{};
  g.width = width;
  g.total = total;
  g.text = OneLine(text);
}

void ProgressSetDivisor(uint64_t divisor) {
  g.divisor = std::min(divisor, kDivisorMax);
  g.accumulator = 0;
}

void ProgressRange() {
  if (g.range == 0) {
    g.wrap = g.total == 0;
    g.range = g.wrap ? kProgressWrap : g.total;
  }
  while (g.range > kRangeMax) {
    g.range /= 2;
    g.divisor = std::min(std::max<uint64_t>(g.divisor, 1) * 2, kDivisorMax);
  }
  if (g.control && !g.textMode)
    ui::send(g.control, ui::PBM_SETRANGE, 0, static_cast<ui::LParam>(ui::MakeLong(0, static_cast<uint16_t>(g.range))));
}

Status ProgressAdvance(uint32_t total, uint32_t n) {
  // Work the user stopped gets no new window.
  if (!g.window && !g.cancel)
    if (Status s = ProgressOpen(g.width, total)) return s;
  if (g.position == 0) ProgressRange();
  int64_t step = n ? n : 1;
  if (g.divisor) {
    g.accumulator += step;
    step = DivRound(g.accumulator, g.divisor);
    g.accumulator -= step * static_cast<int64_t>(g.divisor);
  }
  int64_t position = std::clamp<int64_t>(int64_t{g.position} + step, 0, UINT32_MAX);
  if (g.wrap && position > kProgressWrap) position = 1;
  g.position = static_cast<uint32_t>(position);
  BarShow();
  return 0;
}

Status ProgressStep(uint32_t total, uint32_t n, StrValue text) {
  if (g.textMode) return ProgressText(text);
  if (Status s = ProgressAdvance(total, n)) return s;
  return ProgressPoll();
}

Status ProgressText(StrValue text) {
  if (!g.window && !g.cancel) {
    int width = g.width ? g.width : kProgressDefaultWidth;
    if (Status s = ProgressCreate(width, g.total, true)) return s;
  }
  if (!text.IsError() && text.len > 0) {
    if (Status s = SwitchToText()) return s;
    std::string line = OneLine(text);
    if (line != g.text) {
      g.text = line;
      ui::set_text(g.control, g.text);
    }
  }
  return ProgressPoll();
}

Status ProgressTextHook(uint32_t, uint32_t, StrValue text) { return ProgressText(text); }

Status ProgressPoll() {
  PumpMessages(0);
  return g.cancel ? st::USERCANCELED : 0;
}

Status ProgressPumpHook(int kind) {
  PumpMessages(0);
  int64_t now = ClockMs(0);
  if (kind == 0) {
    g_pumpBase = now;
  } else if (kind == 2 && now - g_pumpBase >= static_cast<int64_t>(kProgressPumpEveryMs)) {
    ProgressAdvance(g.total, 1);
    g_pumpBase = now;
  }
  return 0;
}

ui::LResult ProgressWndProc(ui::Hwnd window, ui::Msg msg, ui::WParam wp, ui::LParam lp) {
  switch (msg) {
    case ui::WM_COMMAND:
      if (ui::LoWord(wp) == kProgressCancelId) {
        g.cancel = true;
        ui::set_focus(window);  // so that Esc keeps reaching the window
      }
      break;
    case ui::WM_KEYDOWN:
      if (wp == ui::VK_ESCAPE) g.cancel = true;
      break;
    case ui::WM_CLOSE:
      // The close box asks to stop; the work closes the window itself.
      g.cancel = true;
      return 0;
    case ui::WM_DESTROY:
      // Destroyed with its owner while the work still runs: the list keeps
      // no dead handle, and the work stops at its next step.
      if (window == g.window) {
        g.window = g.control = g.previousTop = 0;
        g.cancel = true;
        WinUnregister(window);
      }
      break;
    default:
      break;
  }
  return ui::def_window_proc(window, msg, wp, lp);
}

Status ProgressClose() {
  WindowDrop();
  g = ProgressRec{};
  return 0;
}

bool ProgressHasTotal() { return g.total != 0; }

void ProgressSetTitle(StrValue text) {
  g.title = OneLine(text);
  if (g.window) WinSetText(g.window, StrFromView(g.title));
}

bool ProgressIsOpen() { return g.window != 0; }
bool ProgressCancelled() { return g.cancel; }
ui::Hwnd ProgressWindow() { return g.window; }
uint32_t ProgressPosition() { return g.position; }
uint32_t ProgressTotal() { return g.total; }
uint32_t ProgressRangeGet() { return g.range; }
uint64_t ProgressDivisor() { return g.divisor; }
