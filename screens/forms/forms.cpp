#include "screens/forms/forms.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/options.h"
#include "runtime/seam.h"
#include "runtime/streams.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/window/controls.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/window/fonttable.h"
#include "screens/window/geometry.h"
#include "screens/window/winlist.h"
#include "screens/window/winproc.h"
#include "screens/window/winrecord.h"
#include "script/evaluator.h"
#include "script/objparams.h"
#include "script/statements.h"
#include "script/taskhooks.h"

namespace {

constexpr int kDefinitionKind = 1;     // tagged lines of a definition file
constexpr uint16_t kAnswerNoBits = 0x10;  // cleared from the screen default's answers

InputLineFn g_inputLine = nullptr;
AcceptResult g_last;                         // of AcceptSpecRun
const AcceptResult* g_pending = nullptr;  // AcceptFormThen's answer in hand during its callback

Status Fail(Status code, std::string_view detail) {
  ErrDetailSet(code, StrMake(detail.data(), static_cast<uint32_t>(detail.size())), false);
  return ErrSet(1, MOD_SCREENS, code, code);
}

std::string_view Trim(std::string_view s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

bool IsCancelLine(std::string_view line) { return Trim(line) == kBatchCancelLine; }

// The newest window record that shows the window; -1 when none does.
int RecordOf(ui::Hwnd window) {
  if (!window) return -1;
  for (int i = ScreenStackIndex(3) - 1; i >= 0; --i)
    if (WinGet(i)->window == window) return i;
  return -1;
}

// The window of the current record, and making the record of a window
// current again after a form.
ui::Hwnd CurrentRecordWindow() {
  const WinRecord* w = WinGet(kCurrentIndex);
  return w ? w->window : 0;
}

void RecordReselect(ui::Hwnd window) {
  if (int r = RecordOf(window); r >= 0) WinSelect(r);
}

// Takes down what a failed AcceptWinRun made: the form's record and the
// window it created (a quit its destruction posted as the last window is
// taken here, so no later loop ends on it).
void FormUndo(ui::Hwnd made, bool recordOpened) {
  if (recordOpened) WinClose(kCurrentIndex);
  if (made && ui::is_window(made)) {
    WinDestroy(made);
    if (WinCount() == 0) PumpMessages(0);
  }
}

// The batch answer of a form: the cancel line, or the values.
void BatchAnswer(AcceptResult& r, StrValue list) {
  if (IsCancelLine(r.values)) {
    r.values.clear();
    r.status = st::USERCANCELED;
    OutputLineAppend(StrFromC(kBatchCancelLine));
    return;
  }
  AcceptCollectGiven(r, list);
}

// The form run in its window; `batch` tells whether a batch line answered it.
AcceptResult FormRun(StrValue title, StrValue list, bool collect, bool* batch) {
  ui::Hwnd caller = WinTop();
  ui::Hwnd callerRecord = CurrentRecordWindow();
  int16_t curField = VarSysIntGet(kSysCurEdFld);
  AcceptResult r;
  AcceptResultInit(r);
  *batch = r.status == 0 && !Trim(r.values).empty();
  if (*batch) {
    BatchAnswer(r, list);
  } else if (r.status == 0) {
    r.values.clear();
    r.status = AcceptWinRun(title, list, kAcceptOwnWindow, 0, nullptr);
    if (r.status == 0) {
      ui::Hwnd form = WinTop();
      WinModalReturn(caller, form);
      r.lastKey = static_cast<uint16_t>(VarSysIntGet(kSysLastKey));
      if (collect || r.lastKey != 0) {
        int record = RecordOf(form);
        if (record >= 0) {
          WinSelect(record);
          AcceptCollect(r, list);
          RecordReselect(callerRecord);
        } else {
          r.status = st::USERCANCELED;  // the form's record is gone: nothing was confirmed
        }
      }
    }
  }
  VarSysIntSet(kSysCurEdFld, curField);
  return r;
}

// Pops the definition pushed for a form spec when the scope is left.
class ParmPopGuard {
 public:
  ~ParmPopGuard() { ParmStrPop(); }
};

// BOUNDS list: an input form over the list with an empty title.
Status Bounds(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 1)) return s;
  return AcceptForm(StrMake("", 0), a.strs[0]).status;
}

}  // namespace

// --- Forms ---------------------------------------------------------------------

AcceptResult AcceptForm(StrValue title, StrValue list) { return AcceptFormRun(title, list, true); }

AcceptResult AcceptFormRun(StrValue title, StrValue list, bool collect) {
  bool batch = false;
  return FormRun(title, list, collect, &batch);
}

Status AcceptFormThen(StrValue title, StrValue list, AcceptCallback callback) {
  bool batch = false;
  AcceptResult r = FormRun(title, list, callback == nullptr, &batch);
  if (!callback || (r.status != 0 && r.status != st::USERCANCELED)) return r.status;
  uint32_t queued = DynStrCount(AcceptQueueList);
  if (DynStrPush(AcceptQueueList, list) != 0) return r.status;
  const AcceptResult* outer = g_pending;
  // Only a form a person left by Enter is still open for the callback to
  // collect; a batch answer, a cancel (the form is gone) or a form a command
  // ended (collected already) is the answer as it stands.
  if (batch || r.status != 0 || r.lastKey != 0) g_pending = &r;
  Status s = callback(r.lastKey);
  g_pending = outer;
  if (DynStrCount(AcceptQueueList) > queued) DynStrPopTo(AcceptQueueList, queued);
  return s;
}

Status AcceptWinRun(StrValue title, StrValue list, int flags, ui::Hwnd owner, ActionHandler handler) {
  // The form's parts are set on a geometry of its own, never on the default.
  TextWinGeomSet(kGeomKeep, kGeomKeep, false);
  TextWinGeomSetParts(2, 1, 2, kGeomKeep);
  ui::Hwnd made = 0;
  ui::Hwnd window = owner;
  if (!owner) window = made = WinCreateKind(kWinKindDialog, 0, StrMake("", 0), 0, -1, -1, DialogWndProc);
  Status s = window ? 0 : st::NOTFOUND;
  if (s == 0 && !title.IsError() && title.len) WinSetText(window, title);
  if (s == 0) s = AcceptWinSelect(list, flags & kAcceptFitGeometry);
  bool recordOpened = s == 0;
  if (s == 0) {
    WinRecord* w = WinGet(kCurrentIndex);
    w->flags |= kWinAcceptForm | (made ? kWinAcceptOwnWindow : 0);
    s = ScreenSetWin(0);
  }
  if (s == 0) s = FieldValidateAll(list);
  if (s == 0) {
    ScreenActionSet(handler ? handler : AcceptKeyDefault, nullptr, nullptr);
    PxSize content = TextSizePx(kGeomAll, kGeomAll, TextWinGeomGet(), FontCellSize());
    PxSize whole = WinSizeForClient(content.width, content.height, kWinKindDialog, false);
    ui::Point corner = (flags & kAcceptOwnWindow) || !owner ? ui::Point{kGeomAll, 0} : WinPos(owner);
    WinMoveSize(corner.x, corner.y, whole.width, whole.height);
    OkButtonAdd(WinTop());
  } else {
    FormUndo(made, recordOpened);
  }
  if (flags & kAcceptOwnWindow) TextWinGeomSet(0, 0, false);
  VarSysIntSet(kSysLastKey, kKeyOther);
  return s;
}

Status AcceptKeyDefault(uint16_t code) {
  Status s = ScreenActionWinDefault(code);
  if (s != st::BADINPUTDATA) return s;
  s = ScreenActionDefault(code);
  if (s < 128) s &= static_cast<Status>(~kAnswerNoBits);
  if (s == 0) {
    FieldDesc f = FieldGet(WinCurrent().curField);
    if (f.status == 0 && ui::is_window(f.control) && ui::get_focus() != f.control) ui::set_focus(f.control);
  }
  return s;
}

AcceptResult AcceptCollectNext(StrValue list) {
  if (g_pending) return *g_pending;
  AcceptResult r;
  r.lastKey = static_cast<uint16_t>(VarSysIntGet(kSysLastKey));
  uint16_t current = ScreenStackIndex(2);
  int target = current == 0xFFFF ? 0 : current + 1;
  if (!WinGet(target) && current != 0xFFFF && (WinGet(current)->flags & kWinAcceptForm)) target = current;
  if (!WinGet(target)) {
    r.status = Fail(st::SCREENSTRUCTERR, "AcceptCollectNext");
    return r;
  }
  ui::Hwnd callerRecord = target == current ? 0 : CurrentRecordWindow();
  WinSelect(target);
  AcceptCollect(r, list);
  RecordReselect(callerRecord);
  return r;
}

Status AcceptSpecRun(StrValue spec, uint8_t hook) {
  const StrAreaScope scope;
  WinSpec w = WinSpecParse(spec);
  StrValue file = FileTypeName(w.file, 1);
  Status pushed = ParmStrPush(file, kDefinitionKind, w.row);
  if (pushed == st::NOTFOUND)
    return Fail(st::FILENOTFOUND, file.Str() + " (tag " + std::to_string(w.row) + ")");
  if (pushed) return pushed;
  const ParmPopGuard pop;
  StrValue list = ParmValueByNum(kParmAcBound);
  if (list.IsError() || StrTrim(list, 3).len == 0) return Fail(st::BADINPUTDATA, ParmNameBase(kParmAcBound).View());
  g_last = AcceptForm(ParmValueByNum(kParmWinName), list);
  if (g_last.values.empty() || g_last.status) return g_last.status;
  int id = hook;
  if (hook == kAcceptHookFromForm) {
    StrValue prc = ParmValueByNum(kParmAcceptPrc);
    id = prc.IsError() || StrTrim(prc, 3).len == 0 ? 0 : ExpEvalInt(prc);
    if (id == 0) return Fail(st::BADINPUTDATA, ParmNameBase(kParmAcceptPrc).View());
  }
  if (TaskFn task = TaskHookGet(id)) return task(kTaskExecute);
  if (TaskHookGetAs<TextHookFn>(id)) return TaskHookCallText(id, StrFromView(g_last.values));
  return 0;
}

const AcceptResult& AcceptResultLast() { return g_last; }

// --- Batch ---------------------------------------------------------------------

void InputLineHookSet(InputLineFn fn) { g_inputLine = fn; }

bool BatchMode() { return VarSysIntGet(kSysInHnd) != 0; }

StrValue BatchInputLine() {
  if (!BatchMode()) return StrMake("", 0);
  if (!g_inputLine) return StrErr(SeamMissing("InputNextLine"));
  return g_inputLine();
}

Status InputFillScreen(ui::Hwnd window) {
  if (!BatchMode()) return 0;
  const StrAreaScope scope;
  StrValue line = BatchInputLine();
  if (Status e = StrError(line)) return e;
  if (IsCancelLine(line.View())) {
    Status c = CloseOnBit8(ScreenAction(ActionMake(kActCancel, 0)));
    return c >= 128 ? c : st::USERCANCELED;
  }
  const ScreenDesc* screen = ScreenGet(kCurrentIndex);
  if (!screen) return Fail(st::SCREENSTRUCTERR, "InputFillScreen");
  uint16_t count = screen->fieldCount;
  for (uint16_t n = 1; n <= count; ++n) {
    const StrAreaScope scope;
    StrValue item = StrUnquote(StrTrim(StrListItem(line, ',', n), 3));
    std::string stored;
    Status e = AcceptStoredValue(screen->fields[n - 1].type, item.View(), n, &stored);
    if (e == 0) e = FieldPut(kCheckInput, n, StrFromView(stored));
    if (e >= st::USERCANCELED) return e;
  }
  Status c = CloseOnBit8(ScreenAction(kActionConfirm));
  if (c == 0 && ui::is_window(window)) c = ScreenAction(ActionMake(kActCloseWindow, 0));
  return c;
}

Status OutputLineAppend(StrValue text) {
  if (Status e = StrError(text)) return e;
  if (VarSysIntGet(kSysOutHnd) == 0) return 0;
  const StrAreaScope scope;
  StrValue name = OptPathByName("OUTPUT");
  if (name.IsError() || name.len == 0) return 0;
  uint16_t slot = StreamOpen(name, kStreamAppend);
  if (slot == kStreamNoSlot) return st::FILENOTFOUND;
  std::string line = text.Str() + "\r\n";
  Status s = StreamWrite(slot, kStreamHere, line.data(), static_cast<uint32_t>(line.size())) == line.size()
                 ? 0
                 : ErrSet(1, MOD_SCREENS, st::DISKWRITERROR, st::DISKWRITERROR);
  StreamClose(slot);
  return s;
}

Status OutputScreenLine() {
  if (VarSysIntGet(kSysOutHnd) == 0) return 0;
  const ScreenDesc* screen = ScreenGet(kCurrentIndex);
  const WinRecord* record = WinGet(kCurrentIndex);
  if (!screen || screen->fieldCount == 0 || (record && (record->flags & kWinAcceptForm))) return 0;
  std::string line;
  for (uint16_t n = 1; n <= screen->fieldCount; ++n) {
    const StrAreaScope scope;
    std::string what = "field " + std::to_string(n);
    if (Status e = AcceptValueAppend(line, AcceptValueText(screen->fields[n - 1].type, FieldValue(n).View()), what))
      return e;
  }
  const StrAreaScope scope;
  return OutputLineAppend(StrFromView(line));
}

// --- Waiting for a key -----------------------------------------------------------

uint16_t WinWaitKey() {
  ui::Message m;
  while (ui::get_message(m)) {
    if (m.msg == ui::WM_KEYDOWN) return KeyClass(static_cast<uint16_t>(m.wp));
    ui::translate(m);
    ui::dispatch(m);
  }
  return 0xFFFF;
}

void FormStatementsRegister() { ExecStatementSet(kStmtBounds, Bounds); }
