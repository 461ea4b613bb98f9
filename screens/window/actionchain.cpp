#include "screens/window/actionchain.h"

#include <string>

#include "data/store/openstate.h"
#include "platform/ui/ui.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/strformat.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/menus/help.h"
#include "screens/forms/forms.h"
#include "screens/forms/msgbox.h"
#include "screens/window/screenprops.h"
#include "screens/window/winlist.h"
#include "screens/window/winrecord.h"
#include "script/taskhooks.h"

namespace {

constexpr Status kConfirmResult = 24;  // the default answer of a confirm or cancel
constexpr Status kCloseResult = 4;     // the default answer of a close request
constexpr Status kCloseClearBits = 4 | 8 | 16;

uint16_t LastKey() { return static_cast<uint16_t>(VarSysIntGet(kSysLastKey)); }

std::string Hex(ActionCode code) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out = "0x";
  for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(code >> shift) & 0xF];
  return out;
}

Status ChooserLoop(ActionCode a, ActionCode b) {
  const StrAreaScope scope;
  ErrDetailSet(st::INTERNALERROR, StrFormat(80, StrFromC("ScreenAction: chooser loop %s -> %s"), Hex(a), Hex(b)),
               false);
  return ErrSet(1, MOD_SCREENS, st::INTERNALERROR, st::INTERNALERROR);
}

// Puts back the recorded error and its detail when the scope is left.
class ErrStateKeep {
 public:
  ErrStateKeep() : state_(ErrGet()), detail_(ErrDetail().View()) {}
  ~ErrStateKeep() {
    if (ErrGet() == state_) return;
    ErrSet(2, static_cast<uint16_t>(state_ >> 16), static_cast<Status>(state_ & 0xFFFF), 0);
    const StrAreaScope scope;
    ErrDetailSet(static_cast<Status>(state_ & 0xFFFF), StrMake(detail_.data(), static_cast<uint32_t>(detail_.size())),
                 false);
  }
  ErrStateKeep(const ErrStateKeep&) = delete;
  ErrStateKeep& operator=(const ErrStateKeep&) = delete;

 private:
  uint32_t state_;
  std::string detail_;
};

// The ALARM$ condition of field n (none for 0).
Status AlarmOf(uint16_t n) { return n ? ScreenPropCond(kPropAlarm, n) : 0; }

// The field whose control has the id, 0 for other ids.
uint16_t FieldOfControl(uint16_t id) {
  return id >= kIdFieldFirst && id <= kIdFieldLast ? static_cast<uint16_t>(id - kIdFieldFirst + 1) : 0;
}

// Codes 1-32 with parameter 0 that the per-field default acts on.
bool FieldDefaultCode(ActionCode code) {
  switch (code) {
    case kActNextField:
    case kActLineDown:
    case kActPrevField:
    case kActLineUp:
    case kActFieldAgain:
    case kActToEntry: return true;
    default: return false;
  }
}

Status FieldAgain(const WinRecord& record) {
  if (record.curField == 0) return 0;
  const StrAreaScope scope;
  return FieldPut(kCheckInput, record.curField, FieldValue(record.curField));
}

// The first field after the begin field in edit order, in a line area.
int EntryField(const WinRecord& record) {
  if (record.state != kWinStateLineArea) return -1;
  std::vector<uint16_t> fields = FieldList(kListEditOrder, ScreenCurrent().beginField + 1, -1);
  return fields.empty() ? -1 : fields.front();
}

Status Help() {
  if (FieldHelpFn hook = TaskHookGetAs<FieldHelpFn>(kHookFieldHelp))
    return hook(WinGet(kCurrentIndex), &FieldHelpPoint);
  const StrAreaScope scope;
  std::string spec(ScreenProp(kPropHelp, 0).View());
  spec.append(1, ',').append(std::to_string(WinCurrent().curField));
  return HelpTextShow(StrFromView(spec));
}

// A page key on a field whose check refreshes others runs that check.
Status NavigateDefault() {
  WinRecord r = WinCurrent();
  if (KeyClassIsPage(LastKey()) < 0 || !(FieldGet(r.curField).flags & kFieldHasUpdFields)) return 0;
  bool was = VarIntTestBits(kSysScrStat, kScrStatPageCheck);
  VarIntSetBits(kSysScrStat, kScrStatPageCheck, true);
  Status s = FieldRunCheck(kCheckRefresh, r.curField);
  VarIntSetBits(kSysScrStat, kScrStatPageCheck, was);
  return s;
}

// ON_CANCEL$ and ON_CONFIRM$ run as FieldAssignRun texts, so that a SCRBACK
// result restores the saved values on a cancel and saves them on a confirm.
Status CancelText() {
  const StrAreaScope scope;
  return FieldAssignRun(ScreenProp(kPropOnCancel, 0), false);
}

Status ConfirmText() {
  const StrAreaScope scope;
  return FieldAssignRun(ScreenProp(kPropOnConfirm, 0), true);
}

}  // namespace

// --- Handlers ------------------------------------------------------------------

void ScreenActionSet(ActionHandler action, FollowUpChooser chooser, ExitHandler onExit) {
  WinRecord* w = WinGet(kCurrentIndex);
  {
    const StrAreaScope scope;
    if (AssertCheck(w != nullptr, StrFromC("ScreenActionSet")).IsError()) return;
  }
  if (!w || (w->flags & kWinHandlersLocked)) return;
  w->action = action;
  w->chooser = chooser;
  w->onExit = onExit;
}

Status ScreenAction(ActionCode code) {
  const WinRecord record = WinCurrent();
  if (!record.action || (record.flags & kWinHandlersLocked)) {
    FieldActionDefault(code, record);
    return 0;
  }
  Status answer = 0;
  ActionCode last = code;
  for (uint16_t round = 0;; ++round) {
    if (round == kChooserRounds) return ChooserLoop(last, code);
    Status s = record.action(code);
    if (s >= st::USERCANCELED) return s;
    answer = static_cast<Status>(s & ~kActAskChooser);
    if ((s == 0 || s == kActAskChooser) && record.chooser) {
      last = code;
      code = record.chooser(record.state, WinCurrent().state, code);
    }
    if (answer != 0 || !record.chooser || code == kNoAction) return answer;
  }
}

Status FieldActionDefault(ActionCode code, const WinRecord& record) {
  if (!FieldDefaultCode(code)) return st::BADINPUTDATA;
  Status answer = 0;
  int target = -1;
  switch (code) {
    case kActNextField:
    case kActLineDown:
      if (WinRecord* w = WinGet(kCurrentIndex); w && record.pending) w->pending = 0;
      target = FieldStep(record.curField, 1);
      if (target < 0) answer = AlarmOf(record.curField);
      if (target < 0 && answer == 0) answer = kActConfirmed;
      break;
    case kActPrevField:
    case kActLineUp:
      target = FieldStep(record.curField, -1);
      break;
    case kActFieldAgain:
      answer = FieldAgain(record);
      break;
    case kActToEntry:
      target = EntryField(record);
      if (target < 0) answer = kActConfirmed;
      break;
  }
  if (target > 0) {
    // A failed condition was shown there; an error is the answer.
    if (Status e = FieldSetCurrent(static_cast<uint16_t>(target)); e >= 128) answer = e;
  } else if (answer == st::BADUSERDATA) {
    ScreenAction(kActShowFailure);
  }
  return answer;
}

Status ScreenActionWinDefault(ActionCode code) {
  if (code == kActCloseWindow) {
    CloseOnBit8(kActCloseBit);
    return 0;
  }
  if (code != kActFirstFocus) return st::BADINPUTDATA;
  const WinRecord* w = WinGet(kCurrentIndex);
  {
    const StrAreaScope scope;
    if (AssertCheck(w != nullptr, StrFromC("ScreenActionWinDefault")).IsError()) return st::INTERNALERROR;
  }
  int first = FieldStep(0, 1);
  if (first > 0) FieldSetCurrent(static_cast<uint16_t>(first));
  return 0;
}

Status ScreenActionDefault(ActionCode code) {
  switch (ActionKindOf(code)) {
    case kActHelp: return Help();
    case kActNavigate: return ActionParamOf(code) == kNavConfirm ? ScreenConfirm(code) : NavigateDefault();
    case kActCloseRequest:
      if (!(KeyClassMoveBits(LastKey()) & (kMoveForward | kMoveToEnd))) VarSysIntSet(kSysLastKey, kKeyEsc);
      return ScreenConfirm(code);
    case kActCancel: return ScreenConfirm(code);
    case kActShowFailure:
      ErrShow(st::BADUSERDATA);
      return 0;
    case kActFocusIn: {
      // A result waits for a field to take it.
      uint16_t n = WinCurrent().curField;
      return n ? SelectionApply(n) : 0;
    }
    default: break;
  }
  Status s = FieldActionDefault(code, WinCurrent());
  if (s == kActConfirmed) return ScreenConfirm(kActionConfirm);
  // A failed condition was shown by the per-field default.
  if (s == st::BADUSERDATA || s == st::BADINPUTDATA) return 0;
  return s;
}

Status ScreenConfirm(ActionCode code) {
  uint8_t kind = ActionKindOf(code);
  Status result = kind == kActCloseRequest ? kCloseResult : kConfirmResult;
  Status remembered = 0;
  if (kind == kActCancel || kind == kActCloseRequest) {
    remembered = CancelText();
  } else if (code == kActionConfirm) {
    VarSysIntSet(kSysLastKey, kKeyEnter);
    remembered = ConfirmText();
    // Batch mode decides for itself whether a line is written; its answer
    // does not change the confirmation, nor what the error state holds.
    const ErrStateKeep keep;
    OutputScreenLine();
  }
  WinRecord r = WinCurrent();
  if (r.onExit && !(r.flags & kWinHandlersLocked)) result = r.onExit(kind);
  return remembered ? remembered : result;
}

Status ScreenCloseRestore(int kind, Status status, int modeFlags) {
  if (status > 121) return status;
  if (kind != kActNavigate) status = kind == kActCloseRequest ? kCloseResult : kConfirmResult;
  if (status != kCloseResult) return status;
  if (modeFlags & 0x10) {
    const StrAreaScope scope;
    if (Status e = DataFileStatePush(StrFromC("RESTORE"))) return e;
  }
  if (Status e = WinClose(kCurrentIndex)) return e;
  return kCloseResult;
}

// --- The focus protocol --------------------------------------------------------------

Status ScreenActionCtl(ui::Hwnd window, ActionCode code) {
  uint16_t id = static_cast<uint16_t>(ui::get_ctrl_id(window));
  Status answer;
  bool shown = false;
  if (code == kActFocusIn && id) {
    answer = FieldEnterCheck(window, id);
    shown = answer == st::BADUSERDATA;  // shown through ScreenAction(kActShowFailure)
  } else if (code == kActFocusIn) {
    answer = ScreenAction(code);
  } else if (code == kActFocusOut) {
    answer = FieldLeaveValidate(window, false);
  } else {
    answer = FieldLeaveValidate(window, true);
    if (answer == 0) answer = CloseOnBit8(ScreenAction(code));
  }
  if (answer > 121 && !shown) ErrShow(answer);
  return answer;
}

Status FieldValidate(uint16_t controlId) {
  uint16_t n = FieldOfControl(controlId);
  if (!n || LastKey() == kKeyEsc) return 0;
  FieldDesc f = FieldGet(n);
  if (f.status || !ui::is_window(f.control)) return 0;
  const StrAreaScope scope;
  StrValue text = FieldControlValue(ui::get_parent(f.control), controlId);
  Status e = StrError(text);
  if (e == 0) e = FieldPut(kCheckInput, n, text);
  return e >= 128 ? e : 0;
}

Status FieldEnterCheck(ui::Hwnd window, uint16_t controlId) {
  WinRecord r = WinCurrent();
  uint16_t n = FieldOfControl(controlId);
  if ((r.flags & kWinHandlersLocked) || r.curField == 0 || n == r.curField) return 0;
  if (Status e = AlarmOf(r.curField)) {
    if (e == st::BADUSERDATA) ScreenAction(kActShowFailure);
    return e;
  }
  FieldDesc f = FieldGet(n);
  if (!n || f.status || f.editOrder == 0) return 0;
  // The field entered is the current one now, so stepping goes on from it.
  if (WinRecord* w = WinGet(kCurrentIndex)) w->curField = n;
  VarSysIntSet(kSysCurEdFld, static_cast<int16_t>(n));
  if (ui::get_focus() != window) ui::set_focus(window);
  ui::edit_set_sel(window, 0, -1);
  return ScreenAction(kActFieldEntered);
}

Status FieldLeaveValidate(ui::Hwnd window, bool beforeAction) {
  bool moved = KeyClassIsMove(LastKey()) >= 0;
  if (moved != beforeAction) return 0;
  return FieldValidate(static_cast<uint16_t>(ui::get_ctrl_id(window)));
}

Status CloseOnBit8(Status status) {
  if (status >= 128 || !(status & kActCloseBit)) return status;
  if (ui::Hwnd top = WinTop()) ui::send(top, ui::WM_CLOSE);
  return static_cast<Status>(status & ~kCloseClearBits);
}

Status FieldValidateOnEnter(ActionCode code, const WinRecord& record) {
  if (code != kActNextField || record.curField == record.pending || LastKey() != kKeyEnter) return 0;
  FieldDesc f = FieldGet(record.curField);
  if (f.status || !(f.flags & kFieldSelectWin)) return 0;
  if (Status e = FieldValidate(FieldCtlId(record.curField))) return e;
  const StrAreaScope scope;
  return StrTrim(FieldValue(record.curField), 2).len ? 1 : 0;
}
