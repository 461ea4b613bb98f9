#include "screens/forms/runwinstmts.h"

#include <algorithm>
#include <string>

#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/fixednum.h"
#include "screens/window/fieldctl.h"
#include "screens/window/geometry.h"
#include "screens/forms/runwin.h"
#include "screens/window/winlist.h"
#include "script/handlers.h"
#include "script/statements.h"

namespace {

constexpr uint32_t kTextMax = 65535;

Status Fail(Status code, const std::string& detail) {
  const StrAreaScope scope;
  ErrDetailSet(code, StrFromView(detail), false);
  return ErrSet(1, MOD_SCREENS, code, code);
}

uint16_t NonNegative(int32_t v) { return static_cast<uint16_t>(std::clamp(v, 0, 0xFFFF)); }

void QueueCut(uint32_t count) {
  if (DynStrCount(AcceptQueueList) > count) DynStrPopTo(AcceptQueueList, count);
}

// WINSELECT n.
Status WinSelectStmt(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 1)) return s;
  int32_t n = a.ints[0];
  if (n < 1 || n > RunWinCount()) return Fail(st::BADINPUTDATA, "WINSELECT " + std::to_string(n));
  WinFrameSetLevel(RunWinFrameOf(static_cast<uint16_t>(n)));
  return RunWinSelect(static_cast<uint16_t>(n));
}

// LOCATE row,col.
Status LocateStmt(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 2)) return s;
  WinFrameSetCursor(NonNegative(a.ints[0]), NonNegative(a.ints[1]));
  return 0;
}

// COLOR fore,back.
Status ColorStmt(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 2)) return s;
  WinFrameSetColor(static_cast<uint16_t>(a.ints[0]), static_cast<uint16_t>(a.ints[1]));
  return 0;
}

// PRINT text.
Status PrintStmt(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 1)) return s;
  ui::Hwnd window = RunWinCount() ? RunWinCurrent() : WinTop();
  if (!window && RunWinCount()) return 0;  // the person closed it: nothing to show the text in
  if (!window) return Fail(st::DATAOUTBOUND, "PRINT");
  WinFrame f = WinFrameTop();
  // Label ids follow the window's own width even after a form in between
  // gave up the geometry.
  if (RunWinCount() && f.columns && f.rows) TextWinGeomSet(f.columns, f.rows, false);
  uint16_t row = std::max<uint16_t>(f.cursorRow, 1);
  uint16_t col = std::max<uint16_t>(f.cursorCol, 1);
  StrValue text = a.strs[0];
  if (text.len) {
    LabelCreate(window, row, col, text);
    ui::invalidate(window);
  }
  WinFrameSetCursor(row, static_cast<uint16_t>(std::min<uint32_t>(col + text.len, 0xFFFF)));
  return 0;
}

// ACCEPT spec.
Status AcceptStmt(uint16_t, const ExecArgs& a) {
  if (a.count != 1 || a.strs[0].len == 0) return ErrSet(1, MOD_SCREENS, st::SINTAXERROR, st::SINTAXERROR);
  WinFrame f = WinFrameTop();
  std::string spec = a.strs[0].Str() + "/ROW=" + std::to_string(f.cursorRow) + "/COL=" + std::to_string(f.cursorCol);
  if (spec.size() > kTextMax) return Fail(st::STRINGTOOLONG, "ACCEPT");
  const StrAreaScope scope;
  return DynStrPush(AcceptQueueList, StrFromView(spec));
}

// READ [text].
Status ReadStmt(uint16_t, const ExecArgs& a) {
  uint32_t base = std::min<uint32_t>(WinFrameTop().acceptCount, DynStrCount(AcceptQueueList));
  std::string list;
  for (uint32_t i = base; i < DynStrCount(AcceptQueueList); ++i) {
    if (!list.empty()) list += ',';
    list += DynStrGet(AcceptQueueList, i).View();
  }
  QueueCut(base);  // read once, whatever the form answers
  if (a.count >= 1 && a.strs[0].len) {
    if (!list.empty()) list += ' ';
    list += a.strs[0].View();
  }
  if (list.size() > kTextMax) return Fail(st::STRINGTOOLONG, "READ");
  const StrAreaScope scope;
  return RunWinRead(StrFromView(list));
}

// WAIT 'KEY' / WAIT ms.
Status WaitStmt(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 1)) return s;
  // The handlers' integers keep 16 bits; a pause is read whole.
  return RunWait(a.count, StrToLong(a.strs[0]), a.strs[0]);
}

}  // namespace

Status RunWinOpenStatement(int32_t columns, int32_t rows, StrValue text) {
  if (Status e = StrError(text)) return e;
  if (RunWinCount() >= kRunWinMax) return Fail(st::DATAOUTBOUND, "WINOPEN");
  if (RunWinOpen(NonNegative(columns), NonNegative(rows), text) != 0) return Fail(st::WINCONTROLERROR, "RunWinOpen");
  if (WinFrameDepth() < kWinFrameLevels) WinFramePush();
  return 0;
}

Status RunWinCloseStatement() {
  uint16_t n = RunWinCount();
  if (RunWinClose() != 0) return Fail(st::DATAOUTBOUND, "WINCLOSE");
  // The eighth window shares the seventh frame: it pops none.
  if (n <= kWinFrameLevels && WinFrameDepth() == n) {
    QueueCut(WinFrameAt(n).acceptCount);
    WinFramePop();
  }
  return 0;
}

Status RunWinCloseTo(uint16_t count) {
  Status first = 0;
  while (RunWinCount() > count) {
    Status s = RunWinCloseStatement();
    if (first == 0) first = s;
  }
  return first;
}

void RunWinStatementsRegister() {
  ExecStatementSet(kStmtWinSelect, WinSelectStmt);
  ExecStatementSet(kStmtLocate, LocateStmt);
  ExecStatementSet(kStmtColor, ColorStmt);
  ExecStatementSet(kStmtPrint, PrintStmt);
  ExecStatementSet(kStmtAccept, AcceptStmt);
  ExecStatementSet(kStmtRead, ReadStmt);
  ExecStatementSet(kStmtWait, WaitStmt);
}
