#include "screens/datascreens/mantwin.h"

#include <algorithm>
#include <string>
#include <vector>

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "data/store/recbuf.h"
#include "data/scans/scan.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/seam.h"
#include "runtime/streams.h"
#include "runtime/strformat.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/forms/accept.h"
#include "screens/window/actionchain.h"
#include "screens/window/controls.h"
#include "screens/datascreens/datascreen.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/window/fonttable.h"
#include "screens/forms/forms.h"
#include "screens/window/geometry.h"
#include "screens/forms/msgbox.h"
#include "screens/datascreens/navbuttons.h"
#include "screens/datascreens/scanhook.h"
#include "screens/window/screenprops.h"
#include "screens/window/winlist.h"
#include "screens/window/winproc.h"
#include "screens/window/winrecord.h"
#include "script/evaluator.h"
#include "script/macros.h"
#include "script/objparams.h"

namespace {

constexpr uint32_t kItemRow = 3, kItemColumn = 4, kItemMode = 7, kItemMaxRows = 10;
constexpr uint16_t kModeDeleteLayout = 0x08;
constexpr uint16_t kDeleteCode = 0x642;
constexpr uint16_t kNoOperation = 0xFF;
constexpr uint16_t kTraceNavigation = 64;
constexpr uint8_t kSeekForward = 16;  // the field search: on from the current record
constexpr uint32_t kTraceRoom = 384;
constexpr int kLayoutType = 2;  // PAN

MantPrintFn g_print = nullptr;

WinRecord* Record() { return WinGet(kCurrentIndex); }
const ScreenDesc* Screen() { return ScreenGet(kCurrentIndex); }

// The assertion of the handlers: false (after the box) without a record.
bool RecordAsserted(const char* name) {
  const StrAreaScope scope;
  return !AssertCheck(Record() != nullptr, StrFromC(name)).IsError();
}

// An information box with item n of message 0023 (the data layer's soft
// results).
void SoftResultShow(Status s) {
  const StrAreaScope scope;
  InfoBox(StrMake("", 0), StrListItem(Msg("0023"), ',', s));
}

Status Refresh(int mode) {
  Status s = FieldsRefresh(mode, 1, -1);
  return s >= st::USERCANCELED ? s : 0;
}

uint8_t FileOf() {
  const WinRecord* r = Record();
  return r ? r->dataFile : 0;
}

uint16_t LastStatus() {
  const DataFileCtrlBlock* c = FileOf() ? DataFileCtrl(FileOf()) : nullptr;
  return c ? c->lastStatus : dfres::kEnd;
}

// The window's check before a write: its own handler takes event 22 (a
// maintenance window's without the title, which shows the state the write
// leaves). The check leaves the window's state as it found it.
Status WriteCheck() {
  const WinRecord* r = Record();
  if (!r || !r->action) return 0;
  uint8_t state = r->state;
  ActionHandler handler = r->action == MantActionWin ? MantAction : r->action;
  Status s = handler(ActionMake(kActToEntry, 0));
  if (WinRecord* now = Record()) now->state = state;
  return s == st::BADINPUTDATA ? 0 : s;
}

// Enables the fields by the window's state.
void FieldsEnable(const ScreenDesc& screen, const WinRecord& record) {
  std::vector<uint16_t> key = ScreenKeyFieldList(record.keyNum);
  uint16_t lastKey = key.empty() ? 0 : *std::max_element(key.begin(), key.end());
  uint8_t state = record.state;
  for (uint16_t n = 1; n <= screen.fieldCount; ++n) {
    const FieldDesc& f = screen.fields[n - 1];
    if (!f.control || f.editOrder == 0 || FieldIsHidden(f)) continue;
    bool isKey = std::find(key.begin(), key.end(), n) != key.end();
    bool on = state >= kKeyStateNoRecord || (state == kKeyStateSearch ? isKey : !isKey);
    // A lines grid: the header after the key goes with it, all of it in the lines.
    if (record.gridIndex && state == kKeyStateLines) on = true;
    if (record.gridIndex && state < kKeyStateEntry && n > lastKey) on = true;
    ui::enable_window(f.control, on);
  }
}

// " [text]" of a title part, or nothing.
std::string Decorated(StrValue text) {
  const StrAreaScope scope;
  if (text.IsError()) return "";
  StrValue t = StrTrim(text, 3);
  if (t.len == 4 && std::all_of(t.ptr, t.ptr + 4, [](char c) { return c >= '0' && c <= '9'; }))
    t = Msg(StrCPtr(t));
  t = MacroExpand(t, 0);
  if (t.IsError() || t.len == 0) return "";
  return " [" + t.Str() + "]";
}

// The screen's layout file as it was found when the screen was made: a
// plain name only (no directory, drive or ".."), searched as the layout
// reader searches it. Empty when there is none.
StrValue LayoutPath(StrValue screen) {
  std::string_view v = screen.View();
  if (v.empty() || v.find_first_of("/\\:") != std::string_view::npos || v.find("..") != std::string_view::npos)
    return StrMake("", 0);
  return FileSearch(DynStrGet(SettingsList, SetDefaultDirItem), FileTypeName(screen, kLayoutType));
}

// The confirmation of an abandoned maintenance record: its changes go, a
// new blank record comes.
Status AbandonRecord() { return MantDeleteConfirm(dstep::kNewRecord); }

// Commands without an operation: only PRN does something, through the
// report launch.
Status NoOperationCommand(int n) {
  if (n != kNavPrn) return 0;
  if (!g_print) return SeamMissing("ReportStart");
  const StrAreaScope scope;
  return g_print(ScreenProp(kPropDoc, 0));
}

}  // namespace

MantPrintFn MantPrintHookSet(MantPrintFn fn) {
  MantPrintFn old = g_print;
  g_print = fn;
  return old;
}

// --- The window --------------------------------------------------------------------

Status MantWinCreate(StrValue command, uint16_t mode, ui::Hwnd window, ui::WndProc proc) {
  if (Status e = StrError(command)) return e;
  VarSysIntSet(kSysWMaxRow, StrListItemInt(command, ',', kItemMaxRows));
  bool made = false;
  if (!window) {
    const StrAreaScope scope;
    StrValue title = StrListItem(Msg("0022"), ',', (mode & kDataModeMaintenance) ? 1 : 2);
    int row = StrListItemInt(command, ',', kItemRow), column = StrListItemInt(command, ',', kItemColumn);
    window = WinCreateKind(kWinKindMantDlg, mode & 0xFF, title, WinTop(), row > 0 ? row : -1,
                           column > 0 ? column : -1, proc);
    if (!window) {
      ErrDetailSet(st::WINCONTROLERROR, StrFromC("MantWinCreate"), false);
      return ErrSet(1, MOD_SCREENS, st::WINCONTROLERROR, st::WINCONTROLERROR);
    }
    made = true;
  }
  Status s = DataScreenOpen(command, mode);
  if (s != 0) {
    if (made) WinDestroy(window);
    return s;
  }
  if (made) {
    // The screen's SCREENSIZE$ has set its geometry since the window was made.
    PxSize content = TextSizePx(kGeomAll, kGeomAll, TextWinGeomGet(), FontCellSize());
    PxSize whole = WinSizeForClient(content.width, content.height, kWinKindMantDlg, false);
    WinMoveSize(kGeomAll, 0, whole.width, whole.height);
  }
  return 0;
}

Status NavButtonsSet(uint16_t flags, StrValue enabled) {
  ui::Hwnd w = WinTop();
  if (flags & 0x0F) {
    uint8_t set = (flags & 1) ? kNavSetMaintenance : (flags & 2) ? kNavSetDocument : kNavSetLines;
    const StrAreaScope scope;
    Status s = NavBarCreate(w, kNavBarMaintenance, NavSetCommands(set), NavButtonCaptions(set),
                            FontCellSize().height, enabled);
    if (s) return s;
  }
  if (flags >= 0x10) return MantBottomBar(w, flags & (kBarButton | kBarField1 | kBarField2));
  return 0;
}

Status MantWindow(StrValue command, int defaultMode) {
  if (Status e = StrError(command)) return e;
  const StrAreaScope scope;
  int16_t item = StrListItemInt(command, ',', kItemMode);
  uint16_t mode = static_cast<uint16_t>(item ? item : defaultMode);
  // The maintenance parts: the navigation bar above the fields, the bottom
  // bar below them; set on a geometry of the window's own.
  TextWinGeomSet(kGeomKeep, kGeomKeep, false);
  TextWinGeomSetParts(1, 2, 2, kGeomKeep);
  Status s = MantWinCreate(command, mode, 0, DialogWndProc);
  if (s != 0) {
    TextWinGeomSet(0, 0, false);
    return s;
  }
  ScreenActionSet(MantActionWin, MantNextAction, nullptr);
  s = NavButtonsSet(kNavButtonsMaintenance, StrMake("", 0));
  WinShowState(kWinShowNow);
  if (!RecordAsserted("MantWindow")) return st::INTERNALERROR;
  WinRecord* r = Record();
  uint8_t state = LastStatus() != 0 ? kKeyStateNoRecord
                                    : (mode & kDataModeEntry) ? kKeyStateEntry : kKeyStateSearch;
  FieldKeyState(*Screen(), *r, state);
  Status t = MantTitleSet(kKeyStateKeep, StrMake("", 0));
  if (s == 0) s = t;
  if (mode & kModeDeleteLayout) {
    StrValue path = LayoutPath(WinSpecParse(command).file);
    if (path.len) FileDelete(path);
  }
  return s;
}

// --- Actions -------------------------------------------------------------------------

Status MantActionWin(uint16_t code) {
  if (!RecordAsserted("MantActionWin")) return st::INTERNALERROR;
  if (code == kActFirstFocus) {
    std::vector<uint16_t> key = ScreenKeyFieldList(Record()->keyNum);
    int first = key.empty() ? FieldStep(0, 1) : key.front();
    if (first > 0) FieldSetCurrent(static_cast<uint16_t>(first));
    // A window that opens in entry (or without a record) keeps the fields
    // its state allows.
    if (WinRecord* r = Record(); r && r->state != kKeyStateSearch) FieldKeyState(*Screen(), *r, r->state);
    return 0;
  }
  Status s = ScreenActionWinDefault(code);
  if (s != st::BADINPUTDATA) return s;
  s = MantAction(code);
  if (s == 0) s = MantTitleSet(kKeyStateKeep, StrMake("", 0));
  return s;
}

// By kind (the parameter is the code's high byte):
//   18 the current field's window command; 19 the field help menu
//   21 abandon the record (MantNewRecord); the fields show the record
//   23 the scanner of device n; 24 the keyboard-wedge scanner
//   25 navigation: 7 the field search (state 3 when found); 101 the next
//      key in key search; others MantNavCommand
//   27 the next key; 28 close (answers 4); 30 the failed condition (126)
//   41 the typed key looked up (state 2 unless found)
//   42 SVE, or NEW without a current record
//   91 a pending selection for the current field
//   others: the Enter check of a field with a selection window (when it
//      answers, the field's window command runs), else MantFieldDefault
Status MantAction(uint16_t code) {
  if (!RecordAsserted("MantAction")) return st::INTERNALERROR;
  uint8_t kind = ActionKindOf(code), param = ActionParamOf(code);
  uint8_t state = kKeyStateKeep;
  bool answered = false;
  Status answer = 0;
  auto set = [&](Status s) {
    answered = true;
    answer = s;
  };
  switch (kind) {
    case kActScanField: set(MantFieldCommand(Record())); break;
    case kActHelp: set(FieldHelpMenu(Record(), FieldHelpPoint)); break;
    case kActCancel: {
      Status s = MantNewRecord(AbandonRecord);
      if (s != 0) {
        set(s);
        break;
      }
      if (Status f = Refresh(kRefreshRecord)) set(f);
      state = Record()->state;
      break;
    }
    case kActDeviceData: set(ScreenScanPoll(param)); break;
    case kActWedgeEnd: set(ScreenScanPoll(kScanWedge)); break;
    case kActNavigate:
      if (param == kNavFnd) {
        Status s = MantFieldsSelect();
        if (s == 0) state = kKeyStateEntry;
        if (s >= 128) set(s);
      } else if (param == kNavConfirm2) {
        if (Record()->state != kKeyStateSearch) break;
        Status s = MantNextKey();
        if (s == 0) s = Refresh(kRefreshRecord);
        if (s) set(s);
        state = kKeyStateSearch;
      } else {
        Status s = MantNavCommand(param, &state);
        if (s) set(s);
      }
      break;
    case kActNextKey:
      if (Status s = MantNextKey()) set(s);
      break;
    case kActCloseRequest: {
      Status s = DataScreenClose(kCurrentIndex);
      set(s ? s : 4);
      break;
    }
    case kActShowFailure: ErrShow(st::BADUSERDATA); break;
    case kActKeyTyped: {
      const StrAreaScope scope;
      uint16_t key = Record()->keyNum;
      Status s = MantKeyLookup(DataScreenKeyText(key), key);
      if (s != 0) state = kKeyStateSearch;
      if (s >= 128) set(s);
      break;
    }
    case kActSaveOrNew: {
      Status s = MantNavCommand(LastStatus() != 0 ? kNavNew : kNavSve, &state);
      if (s) set(s);
      break;
    }
    case kActFocusIn:
      if (Status s = SelectionApply(Record()->curField)) set(s);
      break;
    default: {
      Status v = FieldValidateOnEnter(code, WinCurrent());
      set(v != 0 ? MantFieldCommand(Record()) : MantFieldDefault(code));
      break;
    }
  }
  if (answered) return answer;
  WinRecord* r = Record();
  if (r) FieldKeyState(*Screen(), *r, state);
  return 0;
}

Status MantNavCommand(int n, uint8_t* state) {
  *state = kKeyStateKeep;
  if (n == kNavSve && LastStatus() != 0) n = kNavNew;
  uint16_t code = DataFileOpCode(n);
  if (code == kNoOperation) return NoOperationCommand(n);
  {
    const StrAreaScope scope;
    StrValue voidMode = StrTrim(ScreenProp(kPropVoidMode, 0), 3);
    if (!voidMode.IsError() && voidMode.len) code &= static_cast<uint16_t>(~ExpEvalInt(voidMode));
  }
  // A window without lines has no move of its own: the code goes to the
  // file (a document's lines grid moves inside the grid first).
  Status s = MantDeleteConfirm(code);
  if (s == 0 && (code & (dstep::kNext | dstep::kEnds))) *state = kKeyStateEntry;
  else *state = n == kNavNew ? kKeyStateNoRecord : kKeyStateSearch;
  return s >= 128 ? s : 0;
}

Status MantDeleteConfirm(uint16_t code) {
  int file = FileOf();
  if (code == kDeleteCode) {
    const StrAreaScope scope;
    if (!MsgAsk(Msg("0025"))) return st::USERCANCELED;
  } else if (file && LastStatus() < dfres::kEnd) {
    const StrAreaScope scope;
    StrValue saved = KeyValueOf(file, 1, RecBuf(file, kRecSaved));
    StrValue current = KeyValueCur(file, 1);
    if (saved.IsError() || current.IsError()) return StrError(saved) ? StrError(saved) : StrError(current);
    if (saved.View() != current.View()) {
      InfoBox(StrMake("", 0), Msg("0024"));
      if (Status e = KeyFieldsSet(file, 1, saved)) return e;
      std::vector<uint16_t> fields = ScreenKeyFieldList(1);
      std::vector<uint16_t> own = ScreenKeyFieldList(DataFileKeyGet(file));
      fields.insert(fields.end(), own.begin(), own.end());
      if (Status e = FieldsFetchPut(kRefreshRecord, fields); e >= st::USERCANCELED) return e;
      code = 0;
    }
  }
  if (Status e = WriteCheck()) return e;
  return MantRecordWrite(code);
}

Status MantRecordWrite(uint16_t code) {
  int file = FileOf();
  if (!file) return 0;
  Status s = DataScreenStep(file, code);
  if (s >= 1 && s <= 121) SoftResultShow(s);
  if (s >= 128) return s;
  // After a step that reached a record (or made a new one) the fields show
  // it; otherwise they show what they showed.
  bool reached = s == 0 && (code & dstep::kMoveMask);
  if (Status f = Refresh(reached ? kRefreshRecord : kRefreshShown)) return f;
  return s;
}

Status MantNewRecord(Status (*onConfirm)()) {
  WinRecord* r = Record();
  const ScreenDesc* screen = Screen();
  if (!r || !screen) return ErrSet(1, MOD_SCREENS, st::SCREENSTRUCTERR, st::SCREENSTRUCTERR);
  if (r->state >= kKeyStateEntry && !(r->flags & kWinNoChangeCheck) && r->dataFile &&
      RecBufChanged(r->dataFile) != 0) {
    const StrAreaScope scope;
    if (!MsgAsk(Msg("0018"))) return 1;
    if (onConfirm) {
      Status s = onConfirm();
      if (s >= st::USERCANCELED) return s;
    }
  }
  r = Record();
  screen = Screen();
  if (!r || !screen || !screen->dataFile) return kActCloseBit;
  if (r->state < kKeyStateSearch || (r->state == kKeyStateSearch && r->keyNum == 0)) return kActCloseBit;
  r->state = r->state == kKeyStateSearch ? kKeyStateHeader : kKeyStateSearch;
  return 0;
}

Status MantNextKey() {
  WinRecord* r = Record();
  if (!r || !r->dataFile) return 0;
  uint16_t keys = DicKeyCount(r->dataFile);
  uint16_t key = static_cast<uint16_t>(r->keyNum >= keys ? 1 : r->keyNum + 1);
  if (Status s = DataFileKeySet(r->dataFile, key)) return s;
  r->keyNum = key;
  return 0;
}

Status MantKeyLookup(StrValue keyText, int key) {
  if (Status e = StrError(keyText)) return e;
  if (StrTrim(keyText, 3).len == 0) {
    Status s = MantNextKey();
    return s ? s : dfres::kEnd;
  }
  Status s = DataScreenFind(keyText, key);
  if (s >= 128) return s;
  if (s != 0) {
    SoftResultShow(s);
    Status f = FieldsFetchPut(kRefreshRecord, ScreenKeyFieldList(key));
    return f >= st::USERCANCELED ? f : s;
  }
  Status f = Refresh(kCheckInput);
  return f ? f : s;
}

Status MantFieldDefault(uint16_t code) {
  const ScreenDesc* screen = Screen();
  if (!screen) return 0;
  WinRecord before = WinCurrent();
  Status s = FieldActionDefault(code, before);
  if (s == kActConfirmed) {
    // Past the last field: nothing is current any more, and the chooser
    // saves the record.
    WinRecord* r = Record();
    if (r) FieldKeyState(*screen, *r, static_cast<uint8_t>(kKeyStateNoField | (r->state & kKeyStateNoRecord)));
    return 0;
  }
  if (s == st::BADUSERDATA || s == st::BADINPUTDATA) s = 0;  // shown already / nothing to do
  WinRecord* r = Record();
  if (!r) return s;
  if (before.state == kKeyStateEntry) {
    // In entry the key's fields are passed over: the step goes on past
    // them, or back where it was.
    for (uint16_t round = 0; round < screen->fieldCount; ++round) {
      uint8_t at = KeyFieldState(*screen, *r);
      if (r->curField == before.curField || (at != kKeyStateBegin && at != kKeyStateSearch)) break;
      uint16_t was = r->curField;
      Status again = FieldActionDefault(code, WinCurrent());
      r = Record();
      if (again >= st::USERCANCELED) return again;
      if (r->curField == was) break;
    }
    if (KeyFieldState(*screen, *r) == kKeyStateSearch && before.curField) FieldSetCurrent(before.curField);
    r = Record();
  }
  FieldKeyState(*screen, *r, kKeyStateKeep);
  return s >= st::USERCANCELED ? s : 0;
}

Status MantTitleSet(uint8_t state, StrValue extra) {
  WinRecord* r = Record();
  const ScreenDesc* screen = Screen();
  if (!r || !screen) return 0;
  if (state != kKeyStateKeep) r->state = state;
  uint8_t set = (screen->docFlags & 2) ? kNavSetDocument : (screen->docFlags & 4) ? kNavSetLines : kNavSetMaintenance;
  NavButtonsEnable(r->state, set);
  ui::Hwnd top = WinTop();
  const StrAreaScope scope;
  if (!r->gridIndex && ui::get_dlg_item(top, kIdOk2)) {
    std::string key = "[ " + std::to_string(r->keyNum) + " ]";
    CtlTextSet(top, kIdOk2, StrFromView(key));
  }
  if (ui::get_dlg_item(top, kIdBottomField2)) CtlTextSet(top, kIdBottomField2, MantTitleText(r->state, extra));
  FieldsEnable(*screen, *r);
  FieldDesc f = FieldGet(r->curField);
  if (f.status == 0 && ui::is_window(f.control)) ui::set_focus(f.control);
  return 0;
}

StrValue MantTitleText(uint8_t state, StrValue extra) {
  uint16_t mark = StrAreaMark(-1);
  std::string text(StrListItem(Msg("0027"), ',', std::min<uint8_t>(state, 8) + 1u).View());
  text += Decorated(extra);
  text += Decorated(ScreenProp(kPropStatMsg, 0));
  return StrAreaReturn(mark, StrFromView(text));
}

// The text a person reads beside the window's field of a record field: the
// nearest label left of it on its row, without its colon; empty when the
// window shows no such field or no label for it.
std::string ScreenLabelOf(int file, uint16_t field) {
  const ScreenDesc* screen = Screen();
  ui::Hwnd top = WinTop();
  if (!screen || !top) return {};
  for (uint16_t n = 1; n <= screen->fieldCount; ++n) {
    FieldDesc f = FieldGet(n);
    if (f.status != 0 || f.keyFile != file || f.keyField != field || !ui::is_window(f.control)) continue;
    ui::Rect at = ui::get_window_rect(f.control);
    std::string best;
    int bestRight = -1;
    for (ui::Hwnd c : ui::children(top)) {
      if (ui::class_name(c) != "STATIC") continue;
      ui::Rect r = ui::get_window_rect(c);
      if (r.top != at.top || r.right > at.left || r.right <= bestRight) continue;
      bestRight = r.right;
      best = ui::get_text(c, 64);
    }
    while (!best.empty() && (best.back() == ':' || best.back() == ' ')) best.pop_back();
    size_t start = best.find_first_not_of(' ');
    best = start == std::string::npos ? std::string() : best.substr(start);
    best.erase(std::remove_if(best.begin(), best.end(), [](char c) { return c == '\'' || c == '"'; }), best.end());
    return best;
  }
  return {};
}

Status MantFieldsSelect() {
  int file = FileOf();
  if (!file) return 0;
  std::string list;
  {
    // One line a field, named as the window labels it (else by its name),
    // each starting empty: a search is typed afresh, never appended to the
    // answers of the last one.
    const StrAreaScope scope;
    for (uint16_t i = 1; i <= DicFieldCount(file); ++i) {
      StrValue name = DicFieldName(file, i);
      std::string label = ScreenLabelOf(file, i);
      std::string type(1, DicFieldType(file, i));
      type += std::to_string(DicFieldLen(file, i));
      StrValue shown = label.empty() ? name : StrFromView(label);
      StrValue line = StrFormat(kStrMaxLen, StrFromC("'%s:':'%s':%s{}==:''"), shown, type, name);
      if (Status e = StrError(line)) return e;
      if (!list.empty()) list += ',';
      list += line.View();
    }
  }
  DataFileSetCurrent(file);
  AcceptResult form;
  {
    const StrAreaScope scope;
    form = AcceptForm(Msg("0096"), StrFromView(list));
  }
  if (form.status != 0) return form.status;
  DataStoreState before;
  bool kept = DataFileCtrlSave(&before, file, nullptr) == 0;
  Status s = 0;
  {
    const StrAreaScope scope;
    StrValue cond = StrFromView(form.condition);
    s = DataFileSeekCond(file, kSeekForward, cond, StrMake("", 0), nullptr);
    // A new record has no place in the file to read on from: the search
    // reads the file from its first record.
    if (s == dfres::kNewRecord) {
      s = DataFileMove(file, dfmove::kFirst);
      if (s == 0) s = DataFileSeekCond(file, kSeekForward, cond, StrMake("", 0), nullptr);
    }
  }
  if (s >= 128) return s;
  if (s != 0) {
    // The record the screen shows stays the file's, so what follows never
    // writes another record under its fields.
    if (kept) DataFileCtrlSave(nullptr, file, &before);
    SoftResultShow(s);
    return s;
  }
  return Refresh(kRefreshRecord);
}

Status MantTraceLine(int file, int n) {
  if (!(static_cast<uint16_t>(VarSysIntGet(kSysTrace)) & kTraceNavigation)) return 0;
  const StrAreaScope scope;
  StrValue user = StrUnquote(StrTrim(StrListItem(DynStrGet(SettingsList, SetDatabaseItem), ',', 3), 3));
  StrValue cmd = StrListItem(StrFromC(kNavCommands), ',', static_cast<uint32_t>(n));
  const DataFileCtrlBlock* c = DataFileCtrl(file);
  StrValue key = KeyValueCur(file, 1);
  StrValue kept = KeyValueOf(file, 1, RecBuf(file, kRecSaved));
  StrValue data = RecBuf(file, kRecCurrent);
  // Sized from its parts: a user name from the command line has no bound.
  uint32_t bound = static_cast<uint32_t>(DicRecLen(file)) + 2u * KeyLen(file, 1, 0) + kTraceRoom + user.len + cmd.len;
  StrValue text = StrFormat(std::min<uint32_t>(bound, kStrMaxLen),
                            StrFromC("User:%s Cmd:%s IER:%s IER():%s Key:<%s> Keyr:<%s> Data:<%s>"), user, cmd,
                            VarSysIntGet(kSysIer), c ? c->lastStatus : 0, key, kept, data);
  if (Status e = StrError(text)) return e;
  return LogBlock(text, StrMake("", 0));
}
