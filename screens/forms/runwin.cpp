#include "screens/forms/runwin.h"

#include <algorithm>
#include <array>

#include "data/dictionary/compat.h"
#include "platform/host/signals.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/strlist.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/window/actions.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fonttable.h"
#include "screens/forms/forms.h"
#include "screens/window/geometry.h"
#include "screens/forms/msgbox.h"
#include "screens/window/screendef.h"
#include "screens/window/winlist.h"
#include "screens/window/winproc.h"
#include "screens/window/winrecord.h"

namespace {

constexpr int32_t kDefaultCursorX = 100;  // pixels: a cursor part of 0 stands for these
constexpr int32_t kDefaultCursorY = 60;

struct RunWinStack {
  std::array<ui::Hwnd, kRunWinMax> windows{};
  uint16_t top = 0;
  uint16_t level = 0;
};

struct WinFrameStack {
  std::array<WinFrame, kWinFrameLevels + 1> frames{};
  uint16_t depth = 0;  // frames in use above the base frame
  uint16_t level = 0;  // the current frame
};

RunWinStack g_wins;
WinFrameStack g_frames;
// The text-window geometry before the first run-time window opened, put back
// when the last one closes.
TextWinGeomState g_baseGeometry;
// A READ or WAIT 'KEY' waits on a run-time window: only then do the windows
// end a loop, and the quit they post is known as theirs.
int g_waiting = 0;
bool g_ownQuit = false;

int16_t LastKey() { return VarSysIntGet(kSysLastKey); }
void LastKeySet(uint16_t cls) { VarSysIntSet(kSysLastKey, static_cast<int16_t>(cls)); }

Status Fail(Status code, const char* detail) {
  ErrDetailSet(code, StrFromC(detail), false);
  return ErrSet(1, MOD_SCREENS, code, code);
}

// Ends the READ or WAIT 'KEY' that waits on a run-time window.
void WaitEnd() {
  if (g_waiting == 0) return;
  g_ownQuit = true;
  ui::post_quit(0);
}

// Esc in a run-time window: the question; Yes cancels what it waits for.
void CancelAsk() {
  const StrAreaScope scope;
  if (MsgAsk(Msg("0020"))) {
    LastKeySet(kRunWinCancelled);
    WaitEnd();
  } else {
    LastKeySet(kKeyOther);
  }
}

// The action handler of READ's forms: Esc in a field asks, as on the window.
Status ReadKeyHandler(ActionCode code) {
  if (ActionKindOf(code) == kActCancel && LastKey() == kKeyEsc) {
    CancelAsk();
    return 0;
  }
  return AcceptKeyDefault(code);
}

uint16_t Cells(int64_t px, int32_t cell) { return static_cast<uint16_t>(std::clamp<int64_t>(px / cell, 0, 0xFFFF)); }

// The corner of a new window: the top window's, cascaded when it lies on an
// edge of the screen (a maximised main window) or there is none.
ui::Point Corner() {
  ui::Point p = WinPos(WinTop());
  if (p.x == 0 || p.y == 0) p = WinRectGet(0);
  return p;
}

// The geometry of the window now current: its frame's size, or the
// geometry from before the first window when none is left.
void GeometryFollow() {
  if (g_wins.top == 0) {
    TextWinGeomRestore(g_baseGeometry);
    return;
  }
  const WinFrame& f = g_frames.frames[RunWinFrameOf(g_wins.level)];
  if (f.columns && f.rows) TextWinGeomSet(f.columns, f.rows, false);
}

// The record that shows the window, newest first; -1 when none does.
int RecordOf(ui::Hwnd window) {
  for (int i = ScreenStackIndex(3) - 1; i >= 0; --i)
    if (WinGet(i)->window == window) return i;
  return -1;
}

// The fields of a READ: controls 2000, 2001, ... up to the first id that
// has none. Those of an earlier READ are destroyed by the next one; once
// their form is collected they only show what was read: a key or a focus
// change in one would act on whatever record is current then.
template <typename Fn>
void FieldsEach(ui::Hwnd window, Fn fn) {
  for (int id = kIdFieldFirst; id <= kIdFieldLast; ++id) {
    ui::Hwnd c = ui::get_dlg_item(window, id);
    if (!c) break;
    fn(c);
  }
}
void FieldsDestroy(ui::Hwnd window) { FieldsEach(window, [](ui::Hwnd c) { ui::destroy_window(c); }); }
void FieldsFreeze(ui::Hwnd window) { FieldsEach(window, [](ui::Hwnd c) { ui::enable_window(c, false); }); }

// The window of the current record; 0 when none is current.
ui::Hwnd CurrentRecordWindow() {
  const WinRecord* w = WinGet(kCurrentIndex);
  return w ? w->window : 0;
}

// The READ loop on the form's window, then its values; the record current
// before the READ is current again afterwards.
void ReadRun(ui::Hwnd window, StrValue list, ui::Hwnd callerRecord) {
  if (int record = RecordOf(window); record >= 0) WinRegister(window, static_cast<uint16_t>(record));
  ScreenActionCtl(window, kActFirstFocus);
  ++g_waiting;
  g_ownQuit = false;
  if (WinTop() == window) WinRunModal(window);
  --g_waiting;
  uint16_t lastKey = static_cast<uint16_t>(LastKey());
  int record = RecordOf(window);
  if (record < 0) return;
  WinSelect(record);
  AcceptResult r;
  r.lastKey = lastKey;
  AcceptCollect(r, list);  // a cancelled or closed form collects nothing
  // The collect leaves 0, a confirmation; a form cancelled or closed tells
  // the procedure so.
  if (lastKey == kRunWinCancelled || lastKey == kRunWinClosing) LastKeySet(lastKey);
  if (ui::is_window(window) && WinSlotFind(window) < kWinSlots) {
    WinRegister(window, kWinNoRecord);
    FieldsFreeze(window);
    if (WinTop() == window) WinActivate(window);
  }
  if (int caller = callerRecord ? RecordOf(callerRecord) : -1; caller >= 0) WinSelect(caller);
}

}  // namespace

// --- The window stack ----------------------------------------------------------

Status RunWinOpen(uint16_t columns, uint16_t rows, StrValue text) {
  if (g_wins.top >= kRunWinMax || text.IsError()) return st::NOTFOUND;
  columns = std::clamp<uint16_t>(columns, 1, kRunWinCellsMax);
  rows = std::clamp<uint16_t>(rows, 1, kRunWinCellsMax);
  const StrAreaScope scope;
  CellSize cell = FontCellSize();
  WinFrame frame = WinFrameTop();
  uint16_t row = frame.cursorRow, col = frame.cursorCol;
  if (row == 0 || col == 0) {
    row = Cells(kDefaultCursorY, cell.height);
    col = Cells(kDefaultCursorX, cell.width);
  }
  // The cursor counted from the frame's origin, inclusively, under the
  // switch of inclusive extents.
  row = static_cast<uint16_t>(std::max(CompatRangeWidth(frame.originRow, row), 0));
  col = static_cast<uint16_t>(std::max(CompatRangeWidth(frame.originCol, col), 0));
  ui::Point corner = Corner();
  TextWinGeomState before = TextWinGeomSave();
  TextWinGeomSet(columns, rows, false);
  int64_t x = static_cast<int64_t>(corner.x) + WinColX(col);
  int64_t y = static_cast<int64_t>(corner.y) + WinRowY(row);
  PxSize size{WinColsWidth(columns), WinRowsHeight(static_cast<uint16_t>(rows + 1))};
  ui::Rect area = ui::work_area();
  size.width = std::min(size.width, area.Width());
  size.height = std::min(size.height, area.Height());
  ui::Point at = WinClampToWorkArea(
      ui::Point{static_cast<int32_t>(std::clamp<int64_t>(x, area.left, area.right)),
                static_cast<int32_t>(std::clamp<int64_t>(y, area.top, area.bottom))},
      size.width, size.height);
  WinKindInfo kind = WinKindStyle(kWinKindDialog, StrMake("", 0));
  auto side = [](int32_t v) { return static_cast<uint16_t>(std::clamp(v, 0, 0xFFFE)); };
  ui::Hwnd window = kind.status ? 0
                                : WinClassCreate(kind.className, StrMake("", 0), kind.style, side(at.x), side(at.y),
                                                 side(size.width), side(size.height), 0, RunWinProc);
  if (!window) {
    TextWinGeomRestore(before);
    return st::NOTFOUND;
  }
  // The class may have been made by a form with its own procedure.
  if (ui::get_window_proc(window) != RunWinProc) ui::set_window_proc(window, RunWinProc);
  FontApply(window, kFontTable);
  if (g_wins.top == 0) g_baseGeometry = before;
  uint32_t items = StrListCount(text, ',');
  if (text.len && items >= 1) WinSetText(window, StrListItem(text, ',', 1));
  for (uint32_t i = 2; i <= items && i <= 0xFFFF; ++i) {
    const StrAreaScope item;
    LabelCreate(window, static_cast<uint16_t>(i), 1, StrListItem(text, ',', i));
  }
  g_wins.windows[g_wins.top++] = window;
  g_wins.level = g_wins.top;
  WinShowState(kWinShowReset);
  WinShowState(kWinShowNow);
  return 0;
}

Status RunWinClose() {
  if (g_wins.top == 0) return st::DATAOUTBOUND;
  ui::Hwnd window = g_wins.windows[--g_wins.top];
  g_wins.windows[g_wins.top] = 0;
  if (g_wins.level > g_wins.top) g_wins.level = g_wins.top;
  if (ui::is_window(window)) WinDestroy(window);
  GeometryFollow();
  return 0;
}

Status RunWinSelect(uint16_t n) {
  if (n == 0 || n > g_wins.top) return st::BADINPUTDATA;
  g_wins.level = n;
  ui::Hwnd window = g_wins.windows[n - 1];
  if (ui::is_window(window) && WinSlotFind(window) < kWinSlots) {
    WinRegister(window, WinTopId(window));
    ui::raise_window(window);
    WinActivate(window);
  }
  GeometryFollow();
  return 0;
}

Status RunWinRead(StrValue list) {
  if (Status e = StrError(list)) return e;
  ui::Hwnd window = RunWinCurrent();
  if (!window || WinSlotFind(window) == kWinSlots) return Fail(st::DATAOUTBOUND, "RunWinRead");
  TextWinGeomState kept = TextWinGeomSave();
  GeometryFollow();
  WinRegister(window, WinTopId(window));
  FieldsDestroy(window);
  ui::Hwnd callerRecord = CurrentRecordWindow();
  Status s = AcceptWinRun(StrMake("", 0), list, 0, window, ReadKeyHandler);
  if (s == 0) ReadRun(window, list, callerRecord);
  TextWinGeomRestore(kept);
  return s >= 128 ? s : 0;
}

Status RunWait(uint16_t count, int64_t ms, StrValue text) {
  int signals = host::SignalCount();
  if (count >= 1 && !text.IsError() && text.View() == "KEY") {
    ++g_waiting;
    g_ownQuit = false;
    uint16_t key = WinWaitKey();
    --g_waiting;
    // A quit that is not ours is posted again for the loop or run it
    // belongs to; a signal that ended the wait is the run's poll's to take.
    if (key != 0xFFFF) LastKeySet(key);
    else if (!g_ownQuit && host::SignalCount() == signals) ui::post_quit(0);
    return 0;
  }
  uint64_t deadline = ui::now_ms() + static_cast<uint64_t>(std::max<int64_t>(ms, 0));
  for (uint64_t now = ui::now_ms(); now < deadline; now = ui::now_ms()) {
    ui::PumpResult r = ui::pump_pending();
    if (r.quit) {
      ui::post_quit(r.quitCode);
      break;
    }
    if (host::SignalCount() != signals) break;
    now = ui::now_ms();
    if (r.dispatched == 0 && now < deadline) ui::wait_input(static_cast<int>(std::min<uint64_t>(deadline - now, INT32_MAX)));
  }
  return 0;
}

ui::LResult RunWinProc(ui::Hwnd window, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  switch (m) {
    case ui::WM_COMMAND:
      if (ui::LoWord(wp) == kIdOk && ui::HiWord(wp) == 0) {
        LastKeySet(kKeyEnter);
        WaitEnd();
        return 0;
      }
      break;
    case ui::WM_CLOSE:
      if (LastKey() == kKeyEnter) {
        WaitEnd();
        return 0;
      }
      if (LastKey() == kKeyOther) {
        WinBaseProc(window, m, wp, lp);
        LastKeySet(kRunWinClosing);
        return 0;
      }
      break;
    case ui::WM_KEYDOWN:
      if (wp == ui::VK_ESCAPE) {
        CancelAsk();
        return 0;
      }
      break;
    case ui::WM_DESTROY:
      // Off the list without the quit of the last window: a procedure runs
      // on, and a READ waiting on it ends as its window left the top.
      WinUnregister(window);
      return ui::def_window_proc(window, m, wp, lp);
    case ui::WM_SETFOCUS:
      if (WinTopId(window) == kWinNoRecord) return ui::def_window_proc(window, m, wp, lp);
      break;
    default:
      break;
  }
  return WinBaseProc(window, m, wp, lp);
}

uint16_t RunWinFrameOf(uint16_t n) { return std::min(n, kWinFrameLevels); }

uint16_t RunWinCount() { return g_wins.top; }
uint16_t RunWinLevel() { return g_wins.level; }

ui::Hwnd RunWinHandle(uint16_t n) {
  if (n == 0 || n > g_wins.top) return 0;
  ui::Hwnd w = g_wins.windows[n - 1];
  return ui::is_window(w) ? w : 0;
}

ui::Hwnd RunWinCurrent() { return RunWinHandle(g_wins.level); }

// --- The frame stack -------------------------------------------------------------

WinFrame WinFrameTop() { return g_frames.frames[g_frames.level]; }

WinFrame WinFrameAt(uint16_t level) { return level <= g_frames.depth ? g_frames.frames[level] : WinFrame{}; }

Status WinFramePush() {
  if (g_frames.depth >= kWinFrameLevels) return st::NOTFOUND;
  const WinFrame& previous = g_frames.frames[g_frames.level];
  uint16_t level = ++g_frames.depth;
  TextWinGeom geom = TextWinGeomGet();
  WinFrame f;
  f.window = level;
  f.originRow = previous.cursorRow;
  f.originCol = previous.cursorCol;
  f.cursorRow = 1;
  f.cursorCol = 1;
  f.columns = geom.columns;
  f.rows = geom.rows;
  f.colorFore = previous.colorFore;
  f.colorBack = previous.colorBack;
  f.acceptCount = static_cast<uint16_t>(std::min<uint32_t>(DynStrCount(AcceptQueueList), 0xFFFF));
  g_frames.frames[level] = f;
  g_frames.level = level;
  return 0;
}

WinFrame WinFramePop() {
  if (g_frames.depth > 0) {
    g_frames.frames[g_frames.depth] = WinFrame{};
    --g_frames.depth;
  }
  g_frames.level = std::min(g_frames.level, g_frames.depth);
  return WinFrameTop();
}

void WinFrameSetColor(uint16_t fore, uint16_t back) {
  g_frames.frames[g_frames.level].colorFore = fore;
  g_frames.frames[g_frames.level].colorBack = back;
}

void WinFrameSetCursor(uint16_t row, uint16_t col) {
  g_frames.frames[g_frames.level].cursorRow = row;
  g_frames.frames[g_frames.level].cursorCol = col;
}

void WinFrameSetLevel(uint16_t level) { g_frames.level = std::min(level, g_frames.depth); }

uint16_t WinFrameLevel() { return g_frames.level; }
uint16_t WinFrameDepth() { return g_frames.depth; }

void RunWinReset() {
  g_wins = RunWinStack{};
  g_frames = WinFrameStack{};
  g_baseGeometry = TextWinGeomState{};
  g_waiting = 0;
  g_ownQuit = false;
}
