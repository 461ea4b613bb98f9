#include "devices/scanner.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "devices/serial.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/strformat.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/window/fieldvalues.h"
#include "screens/forms/msgbox.h"
#include "screens/datascreens/scanhook.h"
#include "screens/window/screendef.h"
#include "screens/window/screenprops.h"
#include "screens/window/winlist.h"
#include "script/evaluator.h"
#include "script/variables.h"

namespace {

Status ScanFailed(StrValue scanDef) {
  ErrClear();  // the port's own failure is told as the scanner's
  ErrDetailSet(st::DEVICEIOERROR, scanDef, false);
  return ErrSet(1, MOD_DEVICES, st::DEVICEIOERROR, st::DEVICEIOERROR);
}

// Trailing CR and LF are not part of a scan.
StrValue WithoutLineEnd(StrValue text) {
  while (!text.IsError() && text.len > 0 && (text.ptr[text.len - 1] == '\r' || text.ptr[text.len - 1] == '\n')) --text.len;
  return text;
}

// The wedge buffer: the top of string list 30, taken off; empty when none.
StrValue WedgeTake() {
  if (DynStrCount(ResultsStack) == 0) return StrFromC("");
  return DynStrPopString(ResultsStack);
}

// SCANWIN$ item n as a condition; an empty item is false.
Status WindowWanted(uint16_t n, bool* wanted) {
  StrValue cond = ScreenProp(kPropScanWin, n);
  if (Status e = StrError(cond)) return e;
  *wanted = false;
  if (cond.len == 0) return 0;
  Status truth = ExpEvalCond(cond);
  if (truth >= st::USERCANCELED) return truth;
  *wanted = truth == 1;
  return 0;
}

// A control character (ESC, which marks a deleted record, and the like)
// cannot stand in a field: nobody can type one, and none shows.
bool FieldCanHold(std::string_view value) {
  return std::none_of(value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// The value as the box can show it: a control character as ^ and its letter.
std::string Visible(std::string_view value) {
  std::string out;
  for (char c : value) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      out += '^';
      out += static_cast<char>(u ^ 0x40);
    } else {
      out += c;
    }
  }
  return out;
}

// Refuses a scan field n cannot hold: 126 "Bad user data", its text naming
// the field and the value (message 0017).
Status Refuse(uint16_t n, StrValue value) {
  StrValue text = StrFormat(kErrDetailMax, Msg("0017"), FieldNamesJoin({n}), StrFromView(Visible(value.View())));
  ErrDetailSet(st::BADUSERDATA, text.IsError() ? StrFromC("") : text, false);
  return st::BADUSERDATA;
}

Status Deliver(uint16_t n) {
  StrValue set = ScreenProp(kPropScanSet, n);
  if (Status e = StrError(set)) return e;
  if (set.len == 0) return 0;
  bool window = false;
  if (Status e = WindowWanted(n, &window)) return e;
  if (window) {
    Status e = FieldPut(0, n, StrFromC(""));
    ui::Hwnd control = FieldGet(n).control;
    if (e < 128 && ui::is_window(control)) ui::post(control, ui::MSG_SCAN_FIELD);
    return e;
  }
  StrValue value = ExpEvalStr(set);
  if (Status e = StrError(value)) return e;
  if (value.len == 0) return 0;
  if (!FieldCanHold(value.View())) return Refuse(n, value);
  Status e = FieldPut(kCheckInput, n, value);
  return e >= 122 ? e : ScreenAction(ActionMake(kActNextField, 0));
}

}  // namespace

Status ScanStart() {
  const StrAreaScope scope;
  StrValue scanDef = ScreenProp(kPropScanDef, kPropWhole);
  if (Status e = StrError(scanDef)) return e;
  if (scanDef.len == 0 || ExpEvalInt(StrFromC("CHKSCAN")) == 0) return 0;
  ScanStop();
  uint16_t slot = ComOpenSpec(scanDef, false);
  if (slot >= kComSlots) return ScanFailed(scanDef);
  if (ComTimerStart(WinTop(), slot) != 0) {
    ComClose(slot);
    return ScanFailed(scanDef);
  }
  VarSysIntSet(kSysSerial, static_cast<int16_t>(kSerialActive | slot));
  return 0;
}

Status ScanStop() {
  int16_t active = VarSysIntGet(kSysSerial);
  if (active == 0) return 0;
  ComClose(static_cast<uint16_t>(active & 0xFF));
  VarSysIntSet(kSysSerial, 0);
  return 0;
}

Status ScanPoll(uint16_t slot) {
  const StrAreaScope scope;
  StrValue text = WithoutLineEnd(slot == kScanWedge ? WedgeTake() : ComReadLine(slot));
  if (text.IsError() || text.len == 0 || text.len > kScanMaxLen) return 0;
  return ScanDeliver(text);
}

Status ScanDeliver(StrValue text) {
  const StrAreaScope scope;
  Status e = VarAssign(StrFromC("_SCAN$"), text);
  uint16_t n = WinCurrent().curField;
  const ScreenDesc* screen = ScreenGet(kCurrentIndex);
  if (e == 0 && screen && n >= 1 && n <= screen->fieldCount) e = Deliver(n);
  return e > 121 ? ErrShow(e) : e;
}

