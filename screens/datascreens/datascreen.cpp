#include "screens/datascreens/datascreen.h"

#include <algorithm>
#include <string>

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "data/store/openstate.h"
#include "data/store/recbuf.h"
#include "data/dictionary/relations.h"
#include "data/scans/scan.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/actions.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/forms/msgbox.h"
#include "screens/datascreens/scanhook.h"
#include "screens/window/screenprops.h"
#include "screens/window/winrecord.h"
#include "script/evaluator.h"
#include "script/macros.h"

static_assert(kRefreshRecord == (kPutAlways | kPutUpdFields | kPutPerform | kPutAssign | kPutFromFile));
static_assert(kRefreshShown == kPutRaw);

namespace {

constexpr int kSpecFileItem = 5;
constexpr int kScreenTag = 1;
// The open flags the spec's own file is added with.
constexpr int kSpecFileFlags = 2;

const ScreenDesc* Screen() { return ScreenGet(kCurrentIndex); }

void IerSet(Status s) { VarSysIntSet(kSysIer, static_cast<int16_t>(s)); }

// A statement text run for its effect: 122 and above are answered.
Status RunStatement(StrValue text) {
  if (Status e = StrError(text)) return e;
  if (StrTrim(text, 3).len == 0) return 0;
  Status s = ExpExecText(text);
  return s >= st::USERCANCELED ? s : 0;
}

// The key prefix of the screen: IK$(1) evaluated and joined.
StrValue KeyPrefix() { return ScreenKeyText(1); }

bool BeginsWith(StrValue text, StrValue prefix) {
  return text.len >= prefix.len && std::equal(prefix.ptr, prefix.ptr + prefix.len, text.ptr);
}

// TOP and BOT on key 1 inside the prefix range: the key seeks of the data
// layer find the range's ends without walking from the index's ends. The
// answer is the move's status; the caller's prefix check then tells a record
// outside the range (an empty range).
Status PrefixEndSeek(int file, StrValue prefix, uint16_t move) {
  uint16_t also = move & dfmove::kAlsoOn1;
  if ((move & dfmove::kStep) == dfmove::kFirst) {
    Status s = DataFileReadKey(file, 1, prefix, dfmove::kAlsoOn1);
    // Not found: the next greater key is loaded, and it lies outside.
    return s == dfres::kNotFound ? dfres::kFound : s;
  }
  uint16_t len = KeyLen(file, 1, 0);
  std::string past(prefix.View());
  if (past.size() < len) past.append(len - past.size(), '\xFF');
  Status s = DataFileReadKey(file, 1, StrFromView(past), 0);
  if (s >= 128) return s;
  s = DataFileMove(file, dfmove::kPrev | also);
  // Before the first record: nothing of the range exists.
  return s == dfres::kNotFound ? dfres::kEnd : s;
}

// The moves of a step inside the key-prefix range. With a prefix, a step
// that ends the range answers 2 like the end of the file and puts the file
// back on the record it was on: the record the screen still shows, so a
// save or delete that follows never reaches a record outside the range.
Status StepMoves(int file, uint16_t move) {
  const StrAreaScope scope;
  StrValue prefix = KeyPrefix();
  if (Status e = StrError(prefix)) return e;
  bool ranged = prefix.len > 0;
  DataStoreState before;
  bool kept = ranged && DataFileCtrlSave(&before, file, nullptr) == 0;
  Status s = 0;
  if (ranged && (move & dstep::kEnds) && DataFileKeyGet(file) == 1) {
    s = PrefixEndSeek(file, prefix, move);
    // After a seek of the range's ends only the direction is left to check.
    move = static_cast<uint16_t>((move & ~dstep::kEnds) | dstep::kNext);
  } else {
    s = DataFileMove(file, move);
  }
  for (;;) {
    if (s >= 128) return s;
    Status c = KeyPrefixCheck(file, s, &move);
    if (c == dstep::kMoveOn) {
      s = DataFileMove(file, move);
      continue;
    }
    if (kept && c == dfres::kEnd) DataFileCtrlSave(nullptr, file, &before);
    return c;
  }
}

// SET$ item 2 over a new record; what it sets is the record's starting
// point, not a change: a new record nobody typed into is never written.
Status NewRecordDefaults(int file, Status s) {
  Status e = ScreenSetRun(*Screen(), 2);
  if (e >= 128) return e;
  RecBufCopy(file, 1);
  return s;
}

// Undoes an open that failed after its record was made: the relations it
// loaded, the open list it pushed, the record.
void OpenUndo(uint16_t record, bool pushed) {
  const ScreenDesc* s = Screen();
  if (s) RelUnwind(s->dataFile, s->relLevel);
  if (pushed) DataFileStatePush(StrFromC("RESTORE"));
  WinClose(record);
}

}  // namespace

// --- Opening and closing ----------------------------------------------------------

StrValue DataScreenOpenText(StrValue spec) {
  if (spec.IsError()) return spec;
  uint16_t mark = StrAreaMark(-1);
  StrValue list = StrTrim(ScreenProp(kPropOpen, 0), 3);
  if (list.IsError()) return StrAreaReturn(mark, list);
  std::string out(list.View());
  StrValue named = StrTrim(StrListItem(spec, ',', kSpecFileItem), 3);
  // A width or another number is no file name.
  int file = named.len && !(named.ptr[0] >= '0' && named.ptr[0] <= '9') ? DataFileFind(named) : 0;
  if (file > 0 && file != DataFileLastInList(list)) {
    if (!out.empty()) out += ',';
    out += DataFileStateItem(file, kSpecFileFlags).View();
  }
  const ScreenDesc* s = Screen();
  if (out.empty() && s && s->dataFile) out = std::to_string(s->dataFile);
  return StrAreaReturn(mark, StrFromView(out));
}

Status ScreenSetRun(const ScreenDesc& screen, int item) {
  const StrAreaScope scope;
  StrValue text = MacroExpand(ScreenAttrFind(kPropSet, 0, StrValue{screen.text, screen.textLen}), 0);
  if (Status e = StrError(text)) return e;
  if (StrListCount(text, ',') <= 1) item = 1;
  StrValue part = StrListItem(text, ',', static_cast<uint32_t>(item));
  if (item == 1) return FieldAssignRun(part, true);
  if (StrTrim(part, 3).len == 0) return 0;
  return ExpEvalStatus(part);
}

uint8_t DataScreenKeyMode(uint16_t mode) {
  const ScreenDesc* s = Screen();
  const DataFileCtrlBlock* c = s && s->dataFile ? DataFileCtrl(s->dataFile) : nullptr;
  if (c && c->lastStatus != 0) return kKeyStateNoRecord;
  return (mode & kDataModeEntry) ? kKeyStateEntry : kKeyStateSearch;
}

Status DataScreenOpen(StrValue spec, uint16_t mode) {
  if (Status e = StrError(spec)) return e;
  const StrAreaScope scope;
  WinSpec w = WinSpecParse(spec);
  Status s = ScreenCreate(w.file, w.file, kScreenTag, 0, StrMake("", 0));
  if (s != 0) return s;
  uint16_t record = ScreenStackIndex(2);
  s = ScreenSetWin(static_cast<uint8_t>(mode & 0xFF));
  bool pushed = false;
  if (s == 0 && (mode & kDataModeOpenFiles)) {
    uint32_t before = DynStrCount(OpenFileStatesList);
    Status o = DataFileStatePush(DataScreenOpenText(spec));
    pushed = DynStrCount(OpenFileStatesList) > before;
    IerSet(o);
    if (o >= 128) {
      s = o;
    } else if (o <= dfres::kEnd) {
      const ScreenDesc* d = Screen();
      if (d->dataFile) s = RelLoad(d->dataFile, ScreenSliceText(*d, d->relOpt));
      if (s < 128) s = 0;
    }
    if (pushed) WinGet(kCurrentIndex)->flags |= kWinOpenedFiles;
  }
  if (s == 0) s = ScreenSetRun(*Screen(), 1);
  // A cancel (122 and above) ends the open here, as an error does.
  if (s < st::USERCANCELED) {
    uint8_t state = DataScreenKeyMode(mode);
    WinRecord* r = WinGet(kCurrentIndex);
    r->state = state;
    uint8_t file = r->dataFile;
    if (file && (mode & kDataModeMaintenance) && !(mode & kDataModeEntry)) {
      Status k = DataFileKeySet(file, r->keyNum);
      s = k ? k : DataScreenStep(file, state == kKeyStateNoRecord ? dstep::kNewRecord : dstep::kFirst);
      // A range without records opens on a new one, as an empty file does.
      if (s != 0 && s < dfres::kBadKey && state != kKeyStateNoRecord) s = DataScreenStep(file, dstep::kNewRecord);
      // The record the step reached is what the fields show.
      if (s < st::USERCANCELED) {
        Status f = FieldsRefresh(kRefreshRecord, 1, -1);
        if (f >= 122) s = f;
      }
    }
    if (s < st::USERCANCELED && (mode & kDataModeEntry)) {
      Status f = FieldsRefresh(kRefreshRecord, 1, -1);
      if (f >= 122) s = f;
    }
  }
  if (s < st::USERCANCELED) {
    // The scanner is a help, not a need: one that cannot start is told
    // once, and the screen opens to be kept by keyboard. Without a scanner
    // configured there is nothing to tell.
    ErrorKeeper kept;
    Status scan = ScreenScanStart();
    if (scan != 0 && scan != st::FEATUREREMOVED) ErrShow(scan);
    kept.Restore();
  }
  if (s >= st::USERCANCELED) {
    OpenUndo(record, pushed);
    return s;
  }
  return 0;
}

Status DataScreenClose(int n) {
  uint16_t index = n == kCurrentIndex ? ScreenStackIndex(2) : static_cast<uint16_t>(n);
  const WinRecord* r = WinGet(index);
  const ScreenDesc* s = r ? ScreenGet(r->screen) : nullptr;
  if (!r || !s) return WinClose(n);  // answers the missing record
  Status answer = RelUnwind(s->dataFile, s->relLevel);
  if (answer == 0 && (r->flags & kWinOpenedFiles)) {
    answer = DataFileStatePush(StrFromC("RESTORE"));
    ErrorKeeper kept;
    ScreenScanStop();
    kept.Restore();
  }
  Status closed = WinClose(index);
  return answer ? answer : closed;
}

// --- Stepping and writing ---------------------------------------------------------

Status ScreenRecordWrite(int file, uint16_t flags, Status last) {
  if ((flags & dstep::kNeedRecord) && last > dfres::kNotFound && !(flags & dstep::kAnyRecord))
    return dfres::kBadKey;
  uint16_t op = flags & dstep::kOpMask;
  if (op == 0) return 0;
  bool update = ((op >> 8) & 3) == 3;
  if (update && RecBufChanged(file) == 0) return 0;
  const ScreenDesc* s = Screen();
  if (!s) return ErrSet(1, MOD_SCREENS, st::SCREENSTRUCTERR, st::SCREENSTRUCTERR);
  const StrAreaScope scope;
  StrValue relations = RelExprGet(ScreenSliceText(*s, s->relOpt), s->relLevel);
  Status w = DataFileAction(flags, file, relations, ScreenSliceText(*s, s->ik1), KeySkip::BadKey);
  w = DataFileReopen(file, w);
  if (w != 0) return w;
  return RunStatement(ScreenProp(kPropSaved, 0));
}

Status DataScreenStep(int file, uint16_t flags) {
  const DataFileCtrlBlock* c = DataFileCtrl(file);
  if (!c) return st::DATAOUTBOUND;  // recorded by the data layer
  Status write = ScreenRecordWrite(file, flags, c->lastStatus);
  if (write >= st::USERCANCELED) return write;
  if (write >= dfres::kBadKey) {
    if (!(flags & dstep::kNewRecord)) return write;
    Status m = DataFileMove(file, dfmove::kNew);
    IerSet(m);
    if (m >= 128) return m;
    Status e = NewRecordDefaults(file, m);
    return e >= 128 ? e : write;
  }
  if (flags == 0) return DataFileCtrl(file)->lastStatus;
  uint16_t move = flags & dstep::kMoveMask;
  Status s = 0;
  if (move) {
    s = StepMoves(file, move);
    if (s < 128) IerSet(s);
  } else {
    s = RecBufCopy(file, 1);
    IerSet(0);
  }
  if ((flags & dstep::kNewRecord) && s < 128) s = NewRecordDefaults(file, s);
  if (s >= dfres::kBadKey) return s;
  return (flags & (dstep::kNext | dstep::kEnds)) ? s : 0;
}

Status KeyPrefixCheck(int file, Status status, uint16_t* flags) {
  if (status != 0) return status;
  const StrAreaScope scope;
  StrValue prefix = KeyPrefix();
  if (Status e = StrError(prefix)) return e;
  if (prefix.len == 0) return status;
  StrValue key = KeyValueCur(file, 1);
  if (Status e = StrError(key)) return e;
  if (BeginsWith(key, prefix)) return status;
  if (!flags) return dfres::kNotFound;
  if (*flags & dstep::kEnds) {
    *flags = static_cast<uint16_t>(((*flags & ~dstep::kEnds) | dstep::kNext) ^ dfmove::kDescending);
    return dstep::kMoveOn;
  }
  return DataFileKeyGet(file) == 1 ? dfres::kEnd : dstep::kMoveOn;
}

Status DataScreenFind(StrValue keyText, int key) {
  if (Status e = StrError(keyText)) return e;
  const ScreenDesc* s = Screen();
  if (!s) return ErrSet(1, MOD_SCREENS, st::SCREENSTRUCTERR, st::SCREENSTRUCTERR);
  uint16_t len = KeyLen(s->dataFile, key, 0);
  StrValue text{keyText.ptr, std::min<uint16_t>(keyText.len, len)};
  Status r = DataFileReadKey(s->dataFile, key, text, dfmove::kAlsoOn1);
  r = KeyPrefixCheck(s->dataFile, r, nullptr);
  if (r < 128) IerSet(r);
  return r;
}

// --- Key fields -----------------------------------------------------------------------

std::vector<uint16_t> ScreenKeyFieldList(int key) {
  std::vector<uint16_t> out;
  const ScreenDesc* s = Screen();
  if (!s || !s->dataFile) return out;
  auto parts = KeyFields(s->dataFile, key);
  if (parts.status) return out;
  for (uint16_t i = 0; i < parts.count; ++i) {
    for (uint16_t n = 1; n <= s->fieldCount; ++n) {
      const FieldDesc& f = s->fields[n - 1];
      if (f.keyFile == s->dataFile && f.keyField == parts.field[i]) {
        out.push_back(n);
        break;
      }
    }
  }
  return out;
}

std::vector<uint16_t> NonKeyFieldList(int key) {
  std::vector<uint16_t> keys = ScreenKeyFieldList(key);
  std::vector<uint16_t> first = ScreenKeyFieldList(1);
  keys.insert(keys.end(), first.begin(), first.end());
  std::vector<uint16_t> out;
  for (uint16_t n : FieldList(kListEditOrder, 1, -1))
    if (std::find(keys.begin(), keys.end(), n) == keys.end()) out.push_back(n);
  return out;
}

StrValue DataScreenKeyText(int key) {
  uint16_t mark = StrAreaMark(-1);
  StrValue text = ScreenKeyText(key);
  if (text.IsError() || text.len) return StrAreaReturn(mark, text);
  std::vector<uint16_t> fields = ScreenKeyFieldList(key);
  text = FieldsConcat(fields);
  if (key > 1 && fields.size() == 1) text = StrTrim(text, 2);
  return StrAreaReturn(mark, text);
}
