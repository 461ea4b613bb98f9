#include "screens/window/fieldvalues.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>

#include "data/dictionary/dictionary.h"
#include "data/store/recbuf.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/fixednum.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/strformat.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/fieldctl.h"
#include "screens/window/screenprops.h"
#include "script/evaluator.h"
#include "script/macros.h"
#include "script/objparams.h"
#include "script/variables.h"

namespace {

constexpr char kTextTypes[] = "ABCDF";
constexpr char kNumericTypes[] = "NL123456789";
constexpr int kHookModeSaved = 2;
constexpr int kHookModeAssign = 5;
constexpr char kScrBack[] = "SCRBACK";

std::string VarName(uint16_t n, char type) {
  bool text = type && std::strchr(kTextTypes, type) != nullptr;
  return "_SCRF" + std::to_string(n) + (text ? "$" : "#");
}

Status Fail(Status code, StrValue detail) {
  ErrDetailSet(code, detail, false);
  return ErrSet(1, MOD_SCREENS, code, code);
}

// The current record when it is on the current screen.
WinRecord* Record() {
  WinRecord* w = WinGet(kCurrentIndex);
  return w && w->screen == ScreenStackIndex(0) && w->values ? w : nullptr;
}

StrValue SliceOf(const FieldDesc& f, TextSlice FieldDesc::*slice) {
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  return s ? ScreenSliceText(*s, f.*slice) : StrMake("", 0);
}

// The field's bytes in a value area of the record (a view).
StrValue Slot(const WinRecord& w, const unsigned char* area, const FieldDesc& f) {
  const ScreenDesc* s = ScreenGet(w.screen);
  if (!s || static_cast<uint32_t>(f.valueOffset) + f.length > s->totalWidth) return StrMake("", 0);
  return StrMake(reinterpret_cast<const char*>(area) + f.valueOffset, f.length);
}

// Appends 0017 "Bad params for screen field %s (%s)" to the error detail.
void SourceDetail(uint16_t n, StrValue source) {
  const StrAreaScope scope;
  StrValue text = StrFormat(kErrDetailMax, Msg("0017"), static_cast<int>(n), source);
  if (!text.IsError()) ErrDetailSet(st::BADINPUTDATA, text, true);
}

StrValue FromFile(const FieldDesc& f, uint16_t n) {
  uint16_t mark = StrAreaMark(-1);
  StrValue text = RecFieldGet(f.keyFile, f.keyField);
  if (text.IsError()) {
    SourceDetail(n, StrFromView(std::to_string(f.keyFile) + ";" + std::to_string(f.keyField)));
    return StrAreaReturn(mark, text);
  }
  return StrAreaReturn(mark, FmtByType(f.type, text, f.length));
}

StrValue FromAssign(const FieldDesc& f, uint16_t n) {
  uint16_t mark = StrAreaMark(-1);
  StrValue source = SliceOf(f, &FieldDesc::assign);
  StrValue value = ExpEvalStr(MacroExpand(source, 0));
  if (value.IsError()) SourceDetail(n, source);
  return StrAreaReturn(mark, value);
}

bool CheckBox(const FieldDesc& f) { return f.type == 'L' && VarIntTestBits(kSysAuxStat, kAuxStatCheckBoxes); }

// A statement text: its evaluation status, a value of either kind being 0.
Status RunStatement(StrValue text) {
  if (Status e = StrError(text)) return e;
  if (StrTrim(text, 3).len == 0) return 0;
  Status s = ExpExecText(text);
  return s <= 1 ? 0 : s;
}

// The names of an UPDFIELDS$ item: one pair of quotes stripped, ";" or ","
// between names.
void AddNames(StrValue item, std::vector<std::string>& names, std::unordered_set<std::string>& seen) {
  std::string list(StrUnquote(StrTrim(item, 3)).View());
  for (char& c : list)
    if (c == ';') c = ',';
  StrListIter it(StrMake(list.data(), static_cast<uint32_t>(list.size())), ',');
  for (StrValue name; it.Next(&name);) {
    std::string key(StrTrim(name, 3).View());
    if (!key.empty() && seen.insert(key).second) names.push_back(key);
  }
}

std::vector<uint16_t> NumbersOf(const std::vector<std::string>& names, uint16_t except) {
  std::vector<uint16_t> out;
  for (const std::string& name : names) {
    uint16_t m = FieldFind(StrMake(name.data(), static_cast<uint32_t>(name.size())));
    if (m && m != except) out.push_back(m);
  }
  return out;
}

std::vector<uint16_t> UpdFieldsOf(const FieldDesc& f) {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  AddNames(SliceOf(f, &FieldDesc::updFields), names, seen);
  return NumbersOf(names, 0);
}

// The dependants of field n, each once.
std::vector<uint16_t> Dependants(int flags, uint16_t n) {
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  const FieldDesc& self = s->fields[n - 1];
  seen.insert(std::string(ScreenSliceText(*s, self.name).View()));
  if (flags & kPutPerform) AddNames(ScreenSliceText(*s, self.updFields), names, seen);
  if (flags & kPutAlways)
    for (uint16_t m = 1; m <= s->fieldCount; ++m) {
      const FieldDesc& f = s->fields[m - 1];
      std::string name(ScreenSliceText(*s, f.name).View());
      if (f.keyFile && !name.empty() && seen.insert(name).second) names.push_back(name);
    }
  for (size_t i = 0; i < names.size(); ++i) {
    uint16_t m = FieldFind(StrMake(names[i].data(), static_cast<uint32_t>(names[i].size())));
    if (m && (s->fields[m - 1].flags & kFieldHasUpdFields))
      AddNames(ScreenSliceText(*s, s->fields[m - 1].updFields), names, seen);
  }
  return NumbersOf(names, n);
}

// "SCRBACK" (any letter case), "=" and a name: the name.
bool ScrBackTarget(StrValue text, StrValue* name) {
  StrValue t = StrTrim(text, 3);
  constexpr uint32_t kLen = sizeof kScrBack - 1;
  if (t.IsError() || t.len <= kLen) return false;
  for (uint32_t i = 0; i < kLen; ++i)
    if ((t.ptr[i] & ~0x20) != kScrBack[i]) return false;
  StrValue rest = StrTrim(StrMake(t.ptr + kLen, t.len - kLen), 1);
  if (rest.len < 2 || rest.ptr[0] != '=') return false;
  *name = StrTrim(StrMake(rest.ptr + 1, rest.len - 1u), 3);
  return name->len > 0;
}

}  // namespace

// --- Names -------------------------------------------------------------------

StrValue FieldVarName(uint16_t n, char type) { return StrFromView(VarName(n, type)); }

StrValue ScreenFieldVars(const FieldDesc* layout, uint16_t count) {
  StrValue text = DynStrTop(ObjParamsList);
  StrValue name = ParmName(kPropFd);
  uint32_t hit = StrKeyLocate(text, name, 0);
  if (hit == kNotFound) hit = StrKeyLocate(text, ParmNameBase(kPropFd), 0);
  StrValue fd = hit == kNotFound ? StrMake("", 0)
                                 : StrUnquote(StrValue{text.ptr + (hit & 0xffff), static_cast<uint16_t>(hit >> 16)});
  uint32_t have = StrListCount(fd, ',');
  if (have >= count) return text;

  std::string names(fd.View());
  for (uint32_t n = have + 1; n <= count; ++n) {
    if (!names.empty() || n > 1) names += ',';
    names += VarName(static_cast<uint16_t>(n), layout[n - 1].type);
  }
  std::string out(name.View());
  out += ":\"" + names + "\":";
  out.append(text.View());
  if (out.size() > kStrMaxLen) return StrErr(st::STRINGTOOLONG);
  return StrFromView(out);
}

uint16_t FieldFind(StrValue name) {
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (!s || name.IsError()) return 0;
  std::string_view key = StrTrim(name, 3).View();
  if (key.empty()) return 0;
  for (uint16_t n = 1; n <= s->fieldCount; ++n)
    if (ScreenSliceText(*s, s->fields[n - 1].name).View() == key) return n;
  return 0;
}

std::vector<uint16_t> FieldNumList(StrValue names) {
  std::vector<uint16_t> out;
  if (names.IsError()) return out;
  StrListIter it(names, ',');
  for (StrValue name; it.Next(&name);)
    if (uint16_t n = FieldFind(name)) out.push_back(n);
  return out;
}

StrValue FieldNamesJoin(const std::vector<uint16_t>& fields) {
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  std::string out;
  for (uint16_t n : fields) {
    if (!s || n < 1 || n > s->fieldCount) continue;
    if (!out.empty()) out += ',';
    out.append(ScreenSliceText(*s, s->fields[n - 1].name).View());
    if (out.size() > kStrMaxLen) return StrErr(st::STRINGTOOLONG);
  }
  return StrFromView(out);
}

// --- Reading -----------------------------------------------------------------

StrValue FieldValue(uint16_t n) {
  const WinRecord* w = Record();
  return FieldText(n, w ? w->values : nullptr);
}

StrValue FieldText(uint16_t n, const unsigned char* area) {
  const WinRecord* w = Record();
  FieldDesc f = FieldGet(n);
  if (!w || !area || f.status) return StrMake("", 0);
  return StrDup(Slot(*w, area, f));
}

StrValue FieldValueGet(int flags, uint16_t n) {
  FieldDesc f = FieldGet(n);
  if (f.status) return StrErr(f.status);
  const WinRecord* w = Record();
  if (!w) return StrErr(Fail(st::SCREENSTRUCTERR, StrFromC("FieldValueGet")));
  if (flags == 0) return FieldValue(n);
  if (flags & kPutSaved) return StrDup(Slot(*w, w->saved, f));
  uint8_t own = ScreenCurrent().dataFile;
  if ((flags & f.flags & kPutFromFile) && f.keyFile && f.keyFile == own) return FromFile(f, n);
  if (flags & f.flags & kPutAssign) return FromAssign(f, n);
  if (!(flags & kPutRaw) && f.keyFile && f.keyFile != own) return FromFile(f, n);
  return FieldValue(n);
}

// --- Writing -----------------------------------------------------------------

Status FieldStore(uint16_t n, StrValue text) {
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (!s || n < 1 || n > s->fieldCount) return Fail(st::DATAOUTBOUND, StrFromC("FieldStore"));
  WinRecord* w = Record();
  if (!w) return Fail(st::SCREENSTRUCTERR, StrFromC("FieldStore"));
  const FieldDesc& f = s->fields[n - 1];
  if (f.status) return f.status;
  const StrAreaScope scope;
  StrValue stored = FmtByType(f.type, text, f.length);
  if (Status e = StrError(stored)) return e;
  if (static_cast<uint32_t>(f.valueOffset) + f.length > s->totalWidth)
    return Fail(st::DATAOUTBOUND, StrFromC("FieldStore"));
  std::memcpy(w->values + f.valueOffset, stored.ptr, std::min<uint32_t>(stored.len, f.length));
  return 0;
}

Status FieldPut(int flags, uint16_t n, StrValue text) {
  FieldDesc f = FieldGet(n);
  if (f.status) return f.status;
  if (Status e = StrError(text)) return e;
  const StrAreaScope scope;
  StrValue display = text, stored = text;
  if (!(flags & f.flags & kPutRaw)) {
    display = FmtStoredToDisplay(f.type, text, f.width);
    stored = FmtInputToStored(f.type, display, f.length);
    if (Status e = StrError(display)) return e;
    if (Status e = StrError(stored)) return e;
  } else if (f.type == 'L' || f.type == 'D' || f.type == 'F') {
    // A text taken as stored is still shown as a person reads it: a yes/no
    // field as its word and a date with its separators, not "1" or
    // "20250220" (the fields shown again after a save are put so).
    display = FmtStoredToDisplay(f.type, text, f.width);
    if (Status e = StrError(display)) return e;
  }
  uint16_t showFlags = 0;
  if (CheckBox(f)) showFlags = static_cast<uint16_t>(0x10 | (StrToLong(stored) != 0 ? 1 : 0));
  if (f.type != 'F') display = StrTrim(display, 2);
  // A field without a control (inside a lines grid, or before the window's
  // controls exist) is still stored.
  if (!FieldIsHidden(f)) {
    if (Status e = CtlFieldShow(n, display, showFlags); e && e != st::UNDEFWARNING) return e;
  }
  if (!(flags & kPutAlways) && FieldValue(n).View() == FmtByType(f.type, stored, f.length).View()) return 0;
  if (Status e = FieldStore(n, stored)) return e;
  if ((flags & f.flags & kPutSetFile) && f.keyFile) {
    if (Status e = RecFieldSet(f.keyFile, f.keyField, stored); e >= 128) return e;
  }
  if (flags & f.flags & (kPutPerform | kPutUpdFields)) return FieldRunCheck(flags, n);
  return 0;
}

Status FieldRunCheck(int flags, uint16_t n) {
  FieldDesc f = FieldGet(n);
  if (f.status) return f.status;
  const StrAreaScope scope;
  // A check that runs a procedure lets the message loop run: the person may
  // close the window meanwhile. Its fields are then gone and not refreshed.
  const WinRecord* record = Record();
  ui::Hwnd window = record ? record->window : 0;
  uint16_t screen = ScreenStackIndex(0), screens = ScreenStackIndex(1);
  Status s = RunStatement(MacroExpand(SliceOf(f, &FieldDesc::perform), 0));
  if (s >= 128 || !(flags & kPutUpdFields)) return s;
  record = Record();
  if (ScreenStackIndex(0) != screen || ScreenStackIndex(1) != screens || !record || record->window != window ||
      (window && !ui::is_window(window)))
    return s;
  if (Status e = FieldsFetchPut(flags & ~kPutUpdFields, UpdFieldsOf(f)); e >= st::USERCANCELED) return e;
  constexpr int kNotForDependants = kPutFromFile | kPutPerform | kPutUpdFields;
  if (Status e = FieldsFetchPut(flags & ~kNotForDependants, Dependants(flags, n)); e >= st::USERCANCELED) return e;
  return s;
}

Status FieldsFetchPut(int flags, const std::vector<uint16_t>& fields) {
  for (uint16_t n : fields) {
    const StrAreaScope scope;
    StrValue text = FieldValueGet(flags, n);
    if (Status e = StrError(text)) return e;
    if (Status e = FieldPut(flags, n, text); e >= st::USERCANCELED) return e;
  }
  return 0;
}

Status FieldsRefresh(int flags, int first, int last) {
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (!s) return Fail(st::SCREENSTRUCTERR, StrFromC("FieldsRefresh"));
  int to = last < 0 ? s->fieldCount : std::min<int>(last, s->fieldCount);
  std::vector<uint16_t> fields;
  for (int n = std::max(first, 1); n <= to; ++n) fields.push_back(static_cast<uint16_t>(n));
  return FieldsFetchPut(flags, fields);
}

// --- Whole screens ----------------------------------------------------------------

Status FieldAssignRun(StrValue text, bool save) {
  if (Status e = StrError(text)) return e;
  const StrAreaScope scope;
  if (StrTrim(text, 3).len == 0) return 0;
  StrValue name;
  if (!ScrBackTarget(text, &name)) {
    StrValue value = ExpEvalStr(text);
    if (Status e = StrError(value)) return e;
    if (!ScrBackTarget(value, &name)) return 0;
  }
  WinRecord* w = Record();
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (!w || !s) return Fail(st::SCREENSTRUCTERR, StrFromC("FieldAssignRun"));
  if (save) return VarAssign(name, StrMake(reinterpret_cast<const char*>(w->values), s->totalWidth));
  StrValue value = ExpEvalStr(name);
  if (Status e = StrError(value)) return e;
  if (value.len > s->totalWidth) return Fail(st::DATAOUTBOUND, name);
  std::memcpy(w->saved, value.ptr, value.len);
  return 0;
}

StrValue FieldsConcat(const std::vector<uint16_t>& fields) {
  uint16_t mark = StrAreaMark(-1);
  std::string out;
  for (uint16_t n : fields) {
    out.append(FieldValue(n).View());
    if (out.size() > kStrMaxLen) return StrAreaReturn(mark, StrErr(st::STRINGTOOLONG));
  }
  return StrAreaReturn(mark, StrFromView(out));
}

Status FieldsSaveRestore(int flags, int first, int last) {
  WinRecord* w = Record();
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (!w || !s) return Fail(st::SCREENSTRUCTERR, StrFromC("FieldsSaveRestore"));
  int to = last < 0 ? s->fieldCount : std::min<int>(last, s->fieldCount);
  bool save = (flags & kPutSetFile) != 0;
  for (int n = std::max(first, 1); n <= to; ++n) {
    const FieldDesc& f = s->fields[n - 1];
    if (static_cast<uint32_t>(f.valueOffset) + f.length > s->totalWidth)
      return Fail(st::DATAOUTBOUND, StrFromC("FieldsSaveRestore"));
    unsigned char* from = save ? w->values : w->saved;
    unsigned char* into = save ? w->saved : w->values;
    std::memcpy(into + f.valueOffset, from + f.valueOffset, f.length);
  }
  return 0;
}

Status ScreenBufStack(int op) {
  if (op != kBufImagePush && op != kBufImagePop) return Fail(st::BADINPUTDATA, StrFromC("ScreenBufStack"));
  WinRecord* w = WinGet(kCurrentIndex);
  if (!w) return Fail(st::SCREENSTRUCTERR, StrFromC("ScreenBufStack"));
  uint32_t length = w->dataFile ? DicRecLen(w->dataFile) : 0;
  if (!w->image || length == 0 || w->image + length > w->buffer + w->bufferLen)
    return Fail(st::DATAOUTBOUND, StrFromC("ScreenBufStack"));
  StrValue image = StrMake(reinterpret_cast<char*>(w->image), length);
  if (op == kBufImagePop) return RecBufSet(w->dataFile, kRecCurrent, image);
  StrValue current = RecBuf(w->dataFile, kRecCurrent);
  if (Status e = StrError(current)) return e;
  std::memcpy(w->image, current.ptr, std::min<uint32_t>(current.len, length));
  return 0;
}

StrValue ScreenFieldHook(StrValue name, int mode) {
  uint16_t n = FieldFind(name);
  if (n == 0) return StrErr(st::BADINPUTDATA);
  FieldDesc f = FieldGet(n);
  uint16_t mark = StrAreaMark(-1);
  if (mode == kHookModeAssign) {
    StrValue value = StrAreaTop();
    bool numeric = f.type && std::strchr(kNumericTypes, f.type) != nullptr;
    if (numeric && VarTypeOfName(name) != kVarStr && value.len == 8) value = NumToStr(NumFromBytes(value));
    Status e = FieldPut(0, n, value);
    return StrAreaReturn(mark, e ? StrErr(e) : value);
  }
  const WinRecord* w = Record();
  StrValue text = FieldText(n, w ? (mode == kHookModeSaved ? w->saved : w->values) : nullptr);
  if (f.type == 'L' && StrTrim(text, 3).len == 0) text = StrFromC("0");
  return StrAreaReturn(mark, text);
}
