#include "screens/window/winlist.h"

#include <string>

#include "platform/host/console.h"
#include "platform/host/signals.h"
#include "platform/ui/backend.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/strutil.h"

namespace {

constexpr uint16_t kListUnset = 0xFFFF;

struct WinSlot {
  ui::Hwnd hwnd = 0;
  uint16_t record = kWinNoRecord;
  uint16_t show = kWinShowNormal;
};

// The slots and the z-order stack of slot numbers (positions 0 .. count-1,
// the last one on top).
struct WinListState {
  WinSlot slots[kWinSlots];
  uint16_t z[kWinSlots] = {};
  uint16_t count = kListUnset;
};

WinListState g_list;
void* g_instance = nullptr;
std::string g_backendReason;  // why the back-end settings were refused
int g_loopDepth = 0;          // message loops running, innermost last
int g_quitHeldFor = 0;        // loop depth a quit met by a non-loop pump is kept for

// ---- The list ---------------------------------------------------------------

void ListInitOnce() {
  if (g_list.count != kListUnset) return;
  g_list = WinListState{};
  g_list.count = 0;
}

bool ListEmpty() { return g_list.count == kListUnset || g_list.count == 0; }

int ZPos(int slot) {
  for (int i = 0; i < g_list.count; ++i)
    if (g_list.z[i] == slot) return i;
  return -1;
}

// Takes the entry at pos out of the stack; the entries above move down.
void ZRemove(int pos) {
  for (int i = pos; i + 1 < g_list.count; ++i) g_list.z[i] = g_list.z[i + 1];
  --g_list.count;
}

void ZPush(int slot) { g_list.z[g_list.count++] = static_cast<uint16_t>(slot); }

WinSlot* TopSlot() { return ListEmpty() ? nullptr : &g_list.slots[g_list.z[g_list.count - 1]]; }

// ---- Signals ------------------------------------------------------------------

ui::Hwnd g_closeTarget = 0;  // the window last asked to close
bool g_closeArmed = false;   // the windows are being closed for a signal
int g_signalSeen = 0;        // signals a pump has taken up

void CloseArm(bool on) {
  g_closeArmed = on;
  host::SignalAnswering(on);
}

// Asks the top window to close when a signal is being answered and the window
// asked before is gone; a new signal starts over.
void SignalCloseStep() {
  int count = host::SignalCount();
  if (count != g_signalSeen) {
    g_signalSeen = count;
    host::SignalTakenUp(count);
    g_closeTarget = 0;
    CloseArm(true);
  }
  if (!g_closeArmed || ui::is_window(g_closeTarget)) return;
  g_closeTarget = WinTop();
  if (g_closeTarget) ui::post(g_closeTarget, ui::WM_CLOSE);
}

// The loop found nothing to do: the close request has been handled, so a
// window asked to close that is still on top has refused; the request ends.
void SignalCloseIdle() {
  if (g_closeArmed && g_closeTarget && g_closeTarget == WinTop()) CloseArm(false);
}

// ---- Pumps ------------------------------------------------------------------

struct PumpOutcome {
  bool quit = false;
  int dispatched = 0;
};

PumpOutcome PumpFiltered(ui::Hwnd filter) {
  PumpOutcome r;
  ui::poll_input();
  ui::Message m;
  while (ui::peek(m, true, filter)) {
    if (m.msg == ui::WM_QUIT) {
      r.quit = true;
      break;
    }
    ui::translate(m);
    ui::dispatch(m);
    ++r.dispatched;
  }
  return r;
}

PumpOutcome PumpOnce(ui::Hwnd filter) {
  SignalCloseStep();
  if (filter) return PumpFiltered(filter);
  ui::PumpResult p = ui::pump_pending();
  return PumpOutcome{p.quit, p.dispatched};
}

// Dispatches what is still pending after a loop ended; a further quit ends
// nothing.
void Drain() {
  ui::Message m;
  while (ui::pending_count() > 0 && ui::peek(m, true)) {
    if (m.msg == ui::WM_QUIT) continue;
    ui::translate(m);
    ui::dispatch(m);
  }
}

// ---- Creation -----------------------------------------------------------------

int CoordOrDefault(uint16_t v) { return v == kWinDefault ? ui::USE_DEFAULT : v; }

bool ClassEnsure(std::string_view name, ui::WndProc proc) {
  return ui::class_exists(name) || ui::register_class(name, proc ? proc : ui::def_window_proc);
}

// Undoes what a failed creation left: the owner disabled by the modal bit is
// enabled again and, when nothing has the focus, receives it.
void OwnerRestore(ui::Hwnd owner, bool disabledHere) {
  if (!owner) return;
  if (disabledHere) ui::enable_window(owner, true);
  if (!ui::get_focus() && ui::is_enabled(owner)) ui::set_focus(owner);
}

Status StoreCommandLine(const char* line) {
  const StrAreaScope scope;
  StrValue text = StrReplaceAll(StrFromC(line), StrFromC("\"  \""), StrFromC("\" \""), kSearchPlain);
  Status s = StrError(text);
  if (s == 0) s = DynStrSet(SettingsList, SetCommandLineItem, text);
  return s;
}

}  // namespace

// ---- The list ---------------------------------------------------------------

int WinSlotFind(ui::Hwnd window) {
  ListInitOnce();
  for (int i = 0; i < kWinSlots; ++i)
    if (g_list.slots[i].hwnd == window) return i;
  return kWinSlots;
}

ui::Hwnd WinRegister(ui::Hwnd window, uint16_t record) {
  if (!window) return 0;
  int slot = WinSlotFind(window);
  if (slot < kWinSlots) {
    ZRemove(ZPos(slot));
    ZPush(slot);
    g_list.slots[slot].record = record;
    return window;
  }
  slot = WinSlotFind(0);
  if (slot == kWinSlots) return 0;
  ZPush(slot);
  g_list.slots[slot].hwnd = window;
  g_list.slots[slot].record = record;
  return window;
}

bool WinUnregister(ui::Hwnd window) {
  if (ListEmpty()) return true;
  int slot = window ? WinSlotFind(window) : kWinSlots;
  if (slot == kWinSlots) return false;
  int pos = ZPos(slot);
  bool wasTop = pos == g_list.count - 1;
  ZRemove(pos);
  g_list.slots[slot] = WinSlot{};
  if (g_list.count == 0) return true;
  // The top keeps a focus it already holds (on itself or one of its fields).
  ui::Hwnd top = WinTop();
  if (wasTop || ui::get_top_level(ui::get_focus()) != top) WinActivate(top);
  return false;
}

ui::Hwnd WinTop() {
  WinSlot* top = TopSlot();
  return top ? top->hwnd : 0;
}

uint16_t WinTopId(ui::Hwnd window) {
  int slot = window ? WinSlotFind(window) : kWinSlots;
  return slot == kWinSlots ? kWinNoRecord : g_list.slots[slot].record;
}

int WinCount() { return ListEmpty() ? 0 : g_list.count; }

void WinActivate(ui::Hwnd window) {
  if (!window) return;
  ui::enable_window(window, true);
  ui::set_focus(window);
}

void WinShowState(uint16_t value) {
  WinSlot* top = TopSlot();
  if (!top) return;
  switch (value) {
    case kWinShowNow:
      ui::show_window(top->hwnd, top->show == kWinShowMaximized ? ui::Show::ShowMaximized : ui::Show::Show);
      ui::update_window(top->hwnd);
      break;
    case kWinShowRestore:
      ui::show_window(top->hwnd, ui::Show::ShowNormal);
      break;
    case kWinShowReset:
      top->show = kWinShowNormal;
      break;
    default:
      top->show = value;
      break;
  }
}

// ---- Windows ------------------------------------------------------------------

ui::Hwnd WinClassCreate(StrValue className, StrValue title, uint32_t style, uint16_t x, uint16_t y,
                        uint16_t width, uint16_t height, ui::Hmenu menu, ui::WndProc proc) {
  if (className.IsError() || title.IsError()) return 0;
  ui::Hwnd owner = WinTop();
  bool disabledHere = false;
  if (ClassEnsure(className.View(), proc) && (style & kWinModalStyle) && owner)
    disabledHere = !ui::enable_window(owner, false);
  ui::CreateSpec spec;
  spec.cls = className.View();
  spec.title = title.View();
  spec.style = style;
  spec.exStyle = ui::WS_EX_DLGMODALFRAME;
  spec.x = CoordOrDefault(x);
  spec.y = CoordOrDefault(y);
  spec.width = CoordOrDefault(width);
  spec.height = CoordOrDefault(height);
  // A window asked for above the work area (the screen's top, say) begins
  // at its top: a terminal keeps the main window's menu bar row out of it.
  if (spec.y != ui::USE_DEFAULT && spec.y < ui::work_area().top) spec.y = ui::work_area().top;
  spec.parent = owner;
  spec.menu = menu;
  ui::Hwnd window = ui::create_window(spec);
  // A window the list cannot hold would escape every loop and keep its owner
  // disabled for good: it is not kept.
  if (window && !WinRegister(window, kWinNoRecord)) {
    ui::destroy_window(window);
    window = 0;
  }
  if (!window) OwnerRestore(owner, disabledHere);
  return window;
}

uint16_t WinDestroy(ui::Hwnd window) { return ui::destroy_window(window) ? 0 : 0xFFFF; }

void WinSetText(ui::Hwnd window, StrValue text) {
  if (window && !text.IsError()) ui::set_text(window, text.View());
}

// ---- Start ------------------------------------------------------------------

Status AppInstanceInit(void* instance, const char* commandLine, AppInitCallback init) {
  g_instance = instance;
  Status backend = ui::init_from_env();
  g_backendReason = backend ? ui::last_error() : std::string();
  g_list = WinListState{};  // a fresh window system has no windows
  host::SignalsInstall();
  Status s = init ? init() : 0;
  if (commandLine) s = StoreCommandLine(commandLine);
  return s ? s : backend;
}

void* AppInstance() { return g_instance; }

Status AppInstanceReport(Status code) {
  host::StdErrWrite("Error " + std::to_string(code) + " (module " + std::to_string(MOD_SCREENS) +
                    "): " + g_backendReason + "\n");
  return code;
}

// A signal's close request runs from the moment it is noted (before a loop
// takes it up) until it is answered.
int AppCloseSignalled() {
  bool pending = host::SignalCount() != g_signalSeen;
  return pending || g_closeArmed ? host::SignalLast() : 0;
}

void AppSignalsRestore() { host::SignalsRestore(); }

// ---- Message loop -------------------------------------------------------------

bool PumpMessages(ui::Hwnd filter) {
  PumpOutcome r = PumpOnce(filter);
  // A quit belongs to the innermost running loop: kept for it, not lost here.
  if (r.quit && g_loopDepth > 0) g_quitHeldFor = g_loopDepth;
  return r.quit || WinCount() == 0;
}

void PostQuit(ui::Hwnd) { ui::post_quit(0); }

Status WinRunModal(ui::Hwnd window) {
  WinShowState(kWinShowNow);
  int depth = ++g_loopDepth;
  for (;;) {
    if (g_quitHeldFor == depth) break;
    PumpOutcome r = PumpOnce(0);
    if (r.quit || WinCount() == 0) break;
    if (window && WinTop() != window) break;
    if (r.dispatched == 0) {
      SignalCloseIdle();
      ui::wait_input();
    }
  }
  --g_loopDepth;
  if (g_quitHeldFor >= depth) g_quitHeldFor = 0;
  Drain();
  return 0;
}

Status WinModalReturn(ui::Hwnd caller, ui::Hwnd modal) {
  Status s = WinRunModal(modal);
  WinActivate(caller);
  return s;
}

void WinListReset() {
  g_list = WinListState{};
  g_quitHeldFor = 0;
  host::SignalsReset();
  g_signalSeen = 0;
  g_closeArmed = false;
  g_closeTarget = 0;
}
