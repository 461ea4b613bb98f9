#include "screens/window/screendef.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "data/dictionary/dictionary.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/memory.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "runtime/valtables.h"
#include "screens/window/fieldvalues.h"
#include "screens/window/geometry.h"
#include "screens/window/screenprops.h"
#include "script/evaluator.h"
#include "script/macros.h"
#include "script/objparams.h"

namespace {

uint16_t g_curScreen = 0;
uint16_t g_curWin = 0;

uint16_t CountOf(uint16_t table) { return static_cast<uint16_t>(ValTableInfo(table, 0)); }

Status Fail(Status code, StrValue detail) {
  ErrDetailSet(code, detail, false);
  return ErrSet(1, MOD_SCREENS, code, code);
}

Status FailText(Status code, std::string_view screen, std::string_view what) {
  std::string detail(screen);
  if (!what.empty()) detail.append(": ").append(what.substr(0, 80));
  return Fail(code, StrFromView(detail));
}

std::string_view ViewOf(StrValue s) { return s.IsError() ? std::string_view() : s.View(); }

// --- Slices of the definition text ----------------------------------------

// The value of property n in the text (event-qualified name first), with one
// pair of enclosing quotes stripped; false when the text lacks it.
bool PropSlice(StrValue text, int n, TextSlice* out) {
  uint32_t hit = StrKeyLocate(text, ParmName(n), 0);
  if (hit == kNotFound) hit = StrKeyLocate(text, ParmNameBase(n), 0);
  if (hit == kNotFound) return false;
  uint16_t off = static_cast<uint16_t>(hit & 0xffff), len = static_cast<uint16_t>(hit >> 16);
  char q = len >= 2 ? text.ptr[off] : 0;
  if ((q == '\'' || q == '"') && text.ptr[off + len - 1] == q) {
    ++off;
    len = static_cast<uint16_t>(len - 2);
  }
  *out = TextSlice{off, len};
  return true;
}

TextSlice Trimmed(const char* base, TextSlice s) {
  while (s.len && (base[s.off] == ' ' || base[s.off] == '\t')) ++s.off, --s.len;
  while (s.len && (base[s.off + s.len - 1] == ' ' || base[s.off + s.len - 1] == '\t')) --s.len;
  return s;
}

// The trimmed items of a comma list lying at `value` in the text.
std::vector<TextSlice> ItemSlices(StrValue text, TextSlice value) {
  std::vector<TextSlice> items;
  StrValue list{text.ptr + value.off, value.len};
  StrListIter it(list, ',');
  for (StrValue item; it.Next(&item);) {
    TextSlice s{static_cast<uint16_t>(item.ptr - text.ptr), item.len};
    items.push_back(Trimmed(text.ptr, s));
  }
  return items;
}

std::vector<TextSlice> PropItems(StrValue text, int n) {
  TextSlice v;
  return PropSlice(text, n, &v) ? ItemSlices(text, v) : std::vector<TextSlice>();
}

TextSlice ItemAt(const std::vector<TextSlice>& items, uint32_t n) {
  return n >= 1 && n <= items.size() ? items[n - 1] : TextSlice{};
}

std::string_view SliceView(StrValue text, TextSlice s) { return std::string_view(text.ptr + s.off, s.len); }

int32_t SliceInt(StrValue text, TextSlice s) {
  return s.len ? StrToInt(StrValue{text.ptr + s.off, s.len}) : 0;
}

// A whole property (with the variable fallback) split into trimmed items.
struct NameList {
  std::unordered_map<std::string, uint32_t> pos;  // first position of each item
  std::vector<std::string> items;
};

NameList ListOf(StrValue value) {
  NameList out;
  if (value.IsError()) return out;
  StrListIter it(value, ',');
  for (StrValue item; it.Next(&item);) {
    std::string name(ViewOf(StrTrim(item, 3)));
    out.items.push_back(name);
    out.pos.emplace(name, static_cast<uint32_t>(out.items.size()));
  }
  return out;
}

uint32_t PosIn(const NameList& list, std::string_view name) {
  if (name.empty()) return 0;
  auto it = list.pos.find(std::string(name));
  return it == list.pos.end() ? 0 : it->second;
}

// The end of the text when it stops inside a quote: the opening quote's
// position, else the text's length.
uint32_t OpenQuote(StrValue text) {
  for (uint32_t i = 0; i < text.len; ++i) {
    char c = text.ptr[i];
    if (c != '\'' && c != '"') continue;
    const void* close = std::memchr(text.ptr + i + 1, c, text.len - i - 1);
    if (!close) return i;
    i = static_cast<uint32_t>(static_cast<const char*>(close) - text.ptr);
  }
  return text.len;
}

// --- The per-field pass -------------------------------------------------------

// The lists the flag pass reads, each taken once from the screen's text.
struct FieldLists {
  StrValue text;
  std::vector<TextSlice> fileDef, clear;
  NameList hidden, edit, noEdit;
  TextWinGeom geom;
};

FieldLists ListsOf(const ScreenDesc& d) {
  FieldLists l;
  l.text = StrValue{d.text, d.textLen};
  l.fileDef = PropItems(l.text, kPropFileDef);
  l.clear = PropItems(l.text, kPropClear);
  l.hidden = ListOf(ScreenAttrFind(kPropHidden, 0, l.text));
  l.edit = ListOf(ScreenAttrFind(kPropEdit, 0, l.text));
  l.noEdit = ListOf(MacroExpand(ScreenAttrFind(kPropNoEdit, 0, l.text), 0));
  l.geom = TextWinGeomGet();
  return l;
}

bool AllDigitsOrBlank(std::string_view v) {
  return std::all_of(v.begin(), v.end(), [](char c) { return (c >= '0' && c <= '9') || c == ' '; });
}

Status BindKey(ScreenDesc& d, const FieldLists& l, uint16_t n) {
  FieldDesc& f = d.fields[n - 1];
  TextSlice item = ItemAt(l.fileDef, n);
  std::string_view v = SliceView(l.text, item);
  if (v.empty()) {
    if (!(d.createFlags & kCreateBindByName) || d.dataFile == 0) return 0;
    uint16_t field = DicFieldFind(d.dataFile, StrMake(l.text.ptr + f.name.off, f.name.len));
    if (f.name.len == 0 || field == 0xffff) return 0;
    f.keyFile = d.dataFile;
    f.keyField = field;
    f.type = 'A';
    f.length = f.limit = DicFieldLen(d.dataFile, field);
    if (f.width == 0) f.width = f.limit;
    return 0;
  }
  if (v.find('{') != std::string_view::npos) {
    DataFieldDesc ref = DicFieldRefParse(StrMake(v.data(), static_cast<uint32_t>(v.size())));
    if (ref.status) return FailText(st::BADINPUTDATA, std::string_view(d.name, d.nameLen), v);
    f.keyFile = ref.file;
    f.keyField = ref.field;
    return 0;
  }
  size_t semi = v.find(';');
  std::string_view file = v.substr(0, semi);
  std::string_view field = semi == std::string_view::npos ? std::string_view() : v.substr(semi + 1);
  if (!AllDigitsOrBlank(file) || !AllDigitsOrBlank(field) || field.find(';') != std::string_view::npos)
    return FailText(st::BADINPUTDATA, std::string_view(d.name, d.nameLen), v);
  int32_t fileNum = StrToInt(StrMake(file.data(), static_cast<uint32_t>(file.size())));
  if (fileNum > 255) return FailText(st::BADINPUTDATA, std::string_view(d.name, d.nameLen), v);
  f.keyFile = static_cast<uint8_t>(fileNum);
  f.keyField = static_cast<uint16_t>(StrToInt(StrMake(field.data(), static_cast<uint32_t>(field.size()))));
  return 0;
}

void EditState(ScreenDesc& d, const FieldLists& l, uint16_t n) {
  FieldDesc& f = d.fields[n - 1];
  std::string_view name = SliceView(l.text, f.name);
  f.flags &= static_cast<uint16_t>(~kFieldHidden);
  if (PosIn(l.hidden, name)) {
    f.editOrder = kEditHidden;
    f.flags |= kFieldHidden;
    return;
  }
  bool foreignKey = d.dataFile != 0 && f.keyFile != 0 && f.keyFile != d.dataFile;
  if ((PosIn(l.noEdit, name) || foreignKey) && n != d.beginField) {
    f.editOrder = 0;
    return;
  }
  uint32_t at = PosIn(l.edit, name);
  f.editOrder = static_cast<uint16_t>(at ? at : n);
}

Status FieldPass(ScreenDesc& d, const FieldLists& l, uint16_t n, uint32_t* total) {
  FieldDesc& f = d.fields[n - 1];
  if (Status e = BindKey(d, l, n)) return e;
  EditState(d, l, n);
  uint16_t keep = f.flags & kFieldHidden;
  f.flags = keep;
  if (SliceInt(l.text, ItemAt(l.clear, n)) == 0) f.flags |= kFieldUpdatable;
  if (f.keyFile) f.flags |= kFieldKeyBound;
  if (f.keyFile && f.keyFile == d.dataFile) f.flags |= kFieldOwnFile;
  if (f.assign.len) f.flags |= kFieldHasAssign;
  if (f.perform.len) f.flags |= kFieldHasPerform;
  if (f.updFields.len) f.flags |= kFieldHasUpdFields;
  if (f.alarm.len) f.flags |= kFieldHasAlarm;
  if (f.windows.len && SpecItem(StrMake(l.text.ptr + f.windows.off, f.windows.len), -1).len) f.flags |= kFieldSelectWin;
  if (f.editOrder) f.flags |= kFieldEditable;
  int32_t room = static_cast<int32_t>(l.geom.columns) - l.geom.originCol - f.col;
  f.width = static_cast<uint16_t>(std::min<int32_t>(f.width, std::max(room, 0)));
  f.valueOffset = static_cast<uint16_t>(*total);
  *total += f.length;
  if (*total > kStrMaxLen)
    return FailText(st::DATAOUTBOUND, std::string_view(d.name, d.nameLen), "value width over 65535");
  return 0;
}

// --- Parsing -------------------------------------------------------------------

// The screen-wide values of step 4 of the parse.
Status ScreenValues(ScreenDesc& d, StrValue text, std::string_view name, uint32_t fieldCount) {
  auto num = [&](int n) -> int16_t {
    StrValue v = ScreenAttrFind(n, 0, text);
    return v.IsError() || StrTrim(v, 3).len == 0 ? 0 : ExpEvalInt(v);
  };
  if (d.linesFirst == 0 && fieldCount) {
    NameList fd = ListOf(ScreenAttrFind(kPropFd, 0, text));
    uint32_t first = PosIn(fd, ViewOf(StrTrim(ScreenAttrFind(kPropBounds, 1, text), 3)));
    uint32_t last = PosIn(fd, ViewOf(StrTrim(ScreenAttrFind(kPropBounds, 2, text), 3)));
    bool block = first && last && first <= last && last <= fieldCount;
    d.linesFirst = static_cast<uint16_t>(block ? first : 0);
    d.linesLast = static_cast<uint16_t>(block ? last : 0);
  }
  d.beginField = static_cast<uint16_t>(std::max<int>(num(kPropBeginFld) - 1, 0));
  d.relLevel = static_cast<uint16_t>(DynStrCount(RelationStmtList));
  if (d.dataFile == 0) {
    StrValue item = StrTrim(ScreenAttrFind(kPropFileDef, static_cast<int>(fieldCount + 1), text), 3);
    int file = item.IsError() || item.len == 0 ? 0 : DataFileFind(item);
    d.dataFile = static_cast<uint8_t>(file > 0 && file <= kDicMaxFiles ? file : 0);
  }
  d.indexFlag = (num(kPropUnicNdx) || num(kPropAutoNdx)) ? 2 : 0;
  d.keyMap = static_cast<uint8_t>(num(kPropKeyMap));
  VarSysIntSet(kSysKeyMap, d.keyMap);
  int16_t ids = num(kPropMaxIdsAttr);
  if (ids > static_cast<int16_t>(kScreenMaxIdsAttr))
    return FailText(st::DATAOUTBOUND, name, "MAX_IDS_ATTR% over 1024");
  d.maxIdsAttr = static_cast<uint16_t>(std::max<int16_t>(ids, 0));
  PropSlice(text, kPropSet, &d.set);
  d.ik1 = ItemAt(PropItems(text, kPropIk1), 1);
  PropSlice(text, kPropRelOpt, &d.relOpt);
  return 0;
}

// Fills the field table from the layout and the per-field items.
void FieldsFill(ScreenDesc& d, StrValue text, const FieldDesc* layout, uint16_t count) {
  std::vector<TextSlice> fd = PropItems(text, kPropFd), assign = PropItems(text, kPropAssign),
                         alarm = PropItems(text, kPropAlarm), perform = PropItems(text, kPropPerform),
                         upd = PropItems(text, kPropUpdFields), windows = PropItems(text, kPropWindows),
                         widths = PropItems(text, kPropWidths), types = PropItems(text, kPropTypes);
  for (uint16_t n = 1; n <= d.fieldCount; ++n) {
    FieldDesc& f = d.fields[n - 1];
    f = n <= count ? layout[n - 1] : FieldDesc{};
    f.status = 0;
    f.name = ItemAt(fd, n);
    f.assign = ItemAt(assign, n);
    f.alarm = ItemAt(alarm, n);
    f.perform = ItemAt(perform, n);
    f.updFields = ItemAt(upd, n);
    f.windows = ItemAt(windows, n);
    if (int32_t w = SliceInt(text, ItemAt(widths, n)); w > 0) f.width = static_cast<uint16_t>(w);
    if (TextSlice t = ItemAt(types, n); t.len) {
      char c = text.ptr[t.off];
      f.type = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    }
    f.valueOffset = 0;
    if (f.perform.len == 0 && f.name.len) {
      std::string key(SliceView(text, f.name));
      key += '$';
      uint32_t hit = StrKeyLocate(text, StrFromView(key), 0);
      if (hit != kNotFound) f.perform = Trimmed(text.ptr, TextSlice{static_cast<uint16_t>(hit & 0xffff),
                                                                    static_cast<uint16_t>(hit >> 16)});
    }
  }
}

// The block: field table, the two id arrays, the name, the text.
bool BlockMake(ScreenDesc& d, StrValue name, StrValue text) {
  uint32_t fieldBytes = static_cast<uint32_t>(d.fieldCount) * sizeof(FieldDesc);
  uint32_t idBytes = 2u * d.maxIdsAttr * sizeof(uint16_t);
  uint32_t size = fieldBytes + idBytes + name.len + text.len;
  auto* block = static_cast<unsigned char*>(MemAlloc(MOD_SCREENS, std::max<uint32_t>(size, 1)));
  if (!block) return false;
  std::memset(block, 0, size);
  d.block = block;
  d.fields = reinterpret_cast<FieldDesc*>(block);
  d.ids[0] = reinterpret_cast<uint16_t*>(block + fieldBytes);
  d.ids[1] = d.ids[0] + d.maxIdsAttr;
  d.name = reinterpret_cast<char*>(block + fieldBytes + idBytes);
  d.nameLen = name.len;
  std::memcpy(d.name, name.ptr, name.len);
  d.text = d.name + name.len;
  d.textLen = text.len;
  std::memcpy(d.text, text.ptr, text.len);
  return true;
}

Status ParseInto(ScreenDesc& d, const FieldDesc* layout, uint16_t count, StrValue screenName) {
  std::string_view name = ViewOf(screenName);
  if (count > kScreenMaxFields) return FailText(st::DATAOUTBOUND, name, "more than 1000 fields");
  StrValue text = ScreenFieldVars(layout, count);
  if (Status e = StrError(text)) return FailText(e, name, "definition too long");
  if (uint32_t q = OpenQuote(text); q < text.len)
    return FailText(st::BADINPUTDATA, name, std::string_view(text.ptr + q, text.len - q));
  uint32_t fieldCount = count;
  if (fieldCount == 0) fieldCount = static_cast<uint32_t>(PropItems(text, kPropFd).size());
  if (fieldCount > kScreenMaxFields) return FailText(st::DATAOUTBOUND, name, "more than 1000 fields");
  d.fieldCount = static_cast<uint16_t>(fieldCount);
  if (Status e = ScreenValues(d, text, name, fieldCount)) return e;
  if (!BlockMake(d, screenName, text)) return FailText(st::OUTOFMEMORY, name, "");
  FieldsFill(d, StrValue{d.text, d.textLen}, layout, count);
  Status e = ScreenFieldFlags(d);
  if (e == 0) e = ValTableSet(VtScreens, CountOf(VtScreens), &d, sizeof(ScreenDesc));
  if (e) {
    MemFree(MOD_SCREENS, d.block);
    d.block = nullptr;
    d.fields = nullptr;
    d.name = d.text = nullptr;
    return e;
  }
  g_curScreen = static_cast<uint16_t>(CountOf(VtScreens) - 1);
  return 0;
}

}  // namespace

// --- The stacks ----------------------------------------------------------------

ScreenDesc* ScreenGet(int n) {
  uint16_t count = CountOf(VtScreens);
  uint32_t i = n == kCurrentIndex ? g_curScreen : static_cast<uint32_t>(n);
  if (n < kCurrentIndex || i >= count) return nullptr;
  return static_cast<ScreenDesc*>(ValTableGet(VtScreens, i));
}

WinRecord* WinGet(int n) {
  uint16_t count = CountOf(VtWindows);
  uint32_t i = n == kCurrentIndex ? g_curWin : static_cast<uint32_t>(n);
  if (n < kCurrentIndex || i >= count) return nullptr;
  return static_cast<WinRecord*>(ValTableGet(VtWindows, i));
}

ScreenDesc ScreenCurrent() {
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  return s ? *s : ScreenDesc{};
}

WinRecord WinCurrent() {
  const WinRecord* w = WinGet(kCurrentIndex);
  if (w) return *w;
  WinRecord none;
  none.flags = kWinHandlersLocked;
  return none;
}

uint16_t ScreenStackIndex(int i) {
  switch (i) {
    case 0: return g_curScreen < CountOf(VtScreens) ? g_curScreen : 0xFFFF;
    case 1: return CountOf(VtScreens);
    case 2: return g_curWin < CountOf(VtWindows) ? g_curWin : 0xFFFF;
    case 3: return CountOf(VtWindows);
    default: return 0xFFFF;
  }
}

void ScreenStackSetCurrent(uint16_t screen) {
  if (screen < CountOf(VtScreens)) g_curScreen = screen;
}

void WinStackSetCurrent(uint16_t record) {
  if (record < CountOf(VtWindows)) g_curWin = record;
}

uint16_t ScreenFind(StrValue name) {
  if (name.IsError()) return 0xFFFF;
  for (uint16_t i = CountOf(VtScreens); i-- > 0;) {
    const ScreenDesc* s = ScreenGet(i);
    if (s && std::string_view(s->name, s->nameLen) == name.View()) return i;
  }
  return 0xFFFF;
}

FieldDesc FieldGet(int n) {
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (s && n >= 1 && n <= s->fieldCount) return s->fields[n - 1];
  FieldDesc bad;
  bad.status = s && (s->createFlags & kCreateSoftFieldNum) ? st::UNDEFWARNING : st::DATAOUTBOUND;
  return bad;
}

StrValue ScreenSliceText(const ScreenDesc& screen, TextSlice slice) {
  if (!screen.text || static_cast<uint32_t>(slice.off) + slice.len > screen.textLen) return StrMake("", 0);
  return StrValue{screen.text + slice.off, slice.len};
}

// --- Parsing -----------------------------------------------------------------------

Status ScreenDefParse(ScreenDesc& desc, const FieldDesc* layout, uint16_t count, StrValue screenName) {
  const StrAreaScope scope;
  return ParseInto(desc, layout, count, screenName);
}

Status ScreenFieldFlags(ScreenDesc& desc) {
  const StrAreaScope scope;
  FieldLists lists = ListsOf(desc);
  uint32_t total = 0;
  for (uint16_t n = 1; n <= desc.fieldCount; ++n)
    if (Status e = FieldPass(desc, lists, n, &total)) return e;
  desc.totalWidth = static_cast<uint16_t>(total);
  return 0;
}

Status FieldBindKey(ScreenDesc& desc, uint16_t n) {
  if (n < 1 || n > desc.fieldCount) return st::DATAOUTBOUND;
  const StrAreaScope scope;
  return BindKey(desc, ListsOf(desc), n);
}

void FieldEditState(ScreenDesc& desc, uint16_t n) {
  if (n < 1 || n > desc.fieldCount) return;
  const StrAreaScope scope;
  EditState(desc, ListsOf(desc), n);
}

Status ScreenRemove(uint16_t index) {
  ScreenDesc* s = ScreenGet(index);
  if (!s) return st::SCREENSTRUCTERR;
  Status freed = MemFree(MOD_SCREENS, s->block);
  if (Status e = ValTableDelete(VtScreens, index)) return e;
  // Records on screens above the removed one follow their screen down.
  for (uint16_t i = 0; i < CountOf(VtWindows); ++i) {
    WinRecord* w = WinGet(i);
    if (w->screen > index) --w->screen;
  }
  if (g_curScreen >= index && g_curScreen > 0) --g_curScreen;
  return freed ? ErrSet(1, MOD_SCREENS, freed, freed) : 0;
}
