#include "screens/grids/gridrowgo.h"

#include <string>

#include "platform/ui/ui.h"
#include "runtime/errors.h"
#include "runtime/sysvars.h"
#include "screens/window/controls.h"
#include "screens/documents/docengine.h"
#include "screens/documents/docgrid.h"
#include "screens/grids/linsgrid.h"
#include "screens/window/screendef.h"
#include "screens/window/winlist.h"

namespace {

Status Fail(Status code, const char* detail) {
  ErrDetailSet(code, StrFromC(detail), false);
  return ErrSet(1, MOD_SCREENS, code, code);
}

// The line fields' controls stand over the current row.
bool RowHasControls(const ScreenDesc& s) {
  return s.linesFirst && ui::is_window(s.fields[s.linesFirst - 1].control);
}

// The first editable line field with a control gets the focus and becomes
// current.
void FocusFirstField(const ScreenDesc& s, WinRecord& r) {
  for (uint16_t n = s.linesFirst; n && n <= s.linesLast; ++n) {
    const FieldDesc& f = s.fields[n - 1];
    if (!f.editOrder || !ui::is_window(f.control)) continue;
    r.curField = n;
    VarSysIntSet(kSysCurEdFld, static_cast<int16_t>(n));
    ui::set_focus(f.control);
    return;
  }
}

// Sets kWinRowGoBusy on the record for the scope, unless it was set already.
class RowGoBusy {
 public:
  explicit RowGoBusy(int record) : record_(record) {
    WinRecord* r = WinGet(record_);
    owned_ = r && !(r->flags & kWinRowGoBusy);
    if (owned_) r->flags |= kWinRowGoBusy;
  }
  ~RowGoBusy() {
    // The record is looked up again: the work may have moved the stack.
    if (WinRecord* r = WinGet(record_); owned_ && r) r->flags &= static_cast<uint16_t>(~kWinRowGoBusy);
  }
  RowGoBusy(const RowGoBusy&) = delete;
  RowGoBusy& operator=(const RowGoBusy&) = delete;

 private:
  int record_;
  bool owned_ = false;
};

}  // namespace

Status LinsGridRowGo(int grid, int32_t row) {
  LinsGridRec* g = LinsGridGet(grid);
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (!g || !s || !WinGet(kCurrentIndex)) return Fail(st::SCREENSTRUCTERR, "LinsGridRowGo");
  RowGoBusy busy(ScreenStackIndex(2));
  if (row == g->buffer.curRow) {
    if (RowHasControls(*s)) {
      Status c = MovsLineCommitRefresh(grid);
      if (c >= 2) return c;
      FocusFirstField(*s, *WinGet(kCurrentIndex));
    }
    return 0;
  }
  if (row < 1 || row > g->buffer.rowCount) return 0;
  if (Status e = MovsLinsControlLine(kLineEvStore)) return e;
  g = LinsGridGet(grid);
  if (!g) return Fail(st::SCREENSTRUCTERR, "LinsGridRowGo");
  g->buffer.curRow = static_cast<uint16_t>(row);
  VarSysIntSet(kSysLNum, static_cast<int16_t>(row));
  if (Status e = MovsLinesFlushRefresh(grid)) return e;
  if (ui::get_dlg_item(WinTop(), kRowCaptionId)) {
    const StrAreaScope scope;
    return CtlTextSetById(kRowCaptionId, GridRowCaption(g->buffer, kRowCaptionMax));
  }
  return 0;
}
