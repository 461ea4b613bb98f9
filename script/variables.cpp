#include "script/variables.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/fixednum.h"
#include "runtime/memory.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/valtables.h"
#include "script/arrays.h"
#include "script/expcache.h"
#include "script/taskhooks.h"
#include "script/varsint.h"

namespace {

constexpr int kHookRead = 1;
constexpr int kHookAssign = 5;

Status Fail(Status code, StrValue name) { return VarFail(MOD_VARNMASSIGN, code, name); }

uint16_t ListOf(uint16_t type) {
  switch (type) {
    case kVarInt: return kListInt;
    case kVarNum: return kListNum;
    case kVarStr: return kListStr;
    case kVarArray: return kListArray;
    default: return kListNone;
  }
}

StrValue NameList(uint16_t list) { return DynStrGet(VarNamesList, list); }

// An index beside the name lists: the lists stay the stored form and their
// order gives the slots; the index spares every access a linear search. It is
// rebuilt from the lists whenever it is not known to agree with them.
struct NameHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
using NameSlots = std::unordered_map<std::string, uint16_t, NameHash, std::equal_to<>>;
NameSlots g_index[4];
bool g_indexValid = false;

// Slots resolved before now may name other variables, or none.
void SlotsMoved() {
  ++g_varGeneration;
  ExpCacheClear();
}

void IndexRebuild() {
  for (uint16_t l = 0; l < 4; ++l) {
    g_index[l].clear();
    StrListIter it(NameList(l), ',');
    StrValue item;
    uint16_t slot = 0;
    while (it.Next(&item)) g_index[l].emplace(item.Str(), slot++);
  }
  g_indexValid = true;
}

uint16_t IndexFind(uint16_t list, StrValue key) {
  if (!g_indexValid) IndexRebuild();
  auto it = g_index[list].find(key.View());
  return it == g_index[list].end() ? kVarUndefined : it->second;
}

// Forgets the slots from count on.
void IndexCut(uint16_t list, uint32_t count) {
  std::erase_if(g_index[list], [count](const auto& e) { return e.second >= count; });
}

// Array names are kept up to their "(": "a(2;3)" names the array "a(".
StrValue KeyOf(StrValue name, uint16_t type) {
  if (type != kVarArray) return name;
  return StrMake(name.ptr, StrFindChar(name, '(', kSearchPlain) + 1u);
}

// Names live in comma lists: a separator, a quote or a control character
// inside one would shift the slots of every later name.
bool NameIsSafe(StrValue key) {
  if (key.IsError() || key.len == 0) return false;
  for (unsigned char c : key.View())
    if (c < 0x20 || c == ',' || c == ';' || c == '\'' || c == '"' || c == ' ') return false;
  return true;
}


// Offers a "_" name to hook 0. True when the hook took it; *answer is then
// its text or error string.
bool HookTakes(StrValue name, int mode, StrValue* answer) {
  if (name.len == 0 || name.ptr[0] != '_') return false;
  NameHookFn hook = TaskHookGetAs<NameHookFn>(kHookValue);
  if (!hook) return false;
  *answer = hook(name, mode);
  return !(answer->IsError() && StrError(*answer) == st::BADINPUTDATA);
}

Status StorageCreate(uint16_t type, uint32_t slot) {
  switch (type) {
    case kVarInt: return ValTableSet(VtIntVars, slot, nullptr, 2);
    case kVarNum: return ValTableSet(VtNumVars, slot, nullptr, 8);
    case kVarStr: return VarStrSet(slot, StrMake("", 0));
    default: return ValTableSet(VtArrays, slot, nullptr, sizeof(ArrDesc));
  }
}

void StorageCut(uint16_t type, uint32_t count) {
  switch (type) {
    case kVarInt: ValTableTruncate(VtIntVars, count); break;
    case kVarNum: ValTableTruncate(VtNumVars, count); break;
    case kVarStr: DynStrPopTo(StrVarValuesList, count); break;
    default: ValTableTruncate(VtArrays, count); break;
  }
}

uint32_t StorageCount(uint16_t type) {
  switch (type) {
    case kVarInt: return ValTableInfo(VtIntVars, 0);
    case kVarNum: return ValTableInfo(VtNumVars, 0);
    case kVarStr: return DynStrCount(StrVarValuesList);
    default: return ValTableInfo(VtArrays, 0);
  }
}

// The special read-only names.
bool SpecialRead(StrValue name, Status* s) {
  static const struct {
    const char* name;
    const char* value;
  } kSpecial[] = {{".lf$", "\r\n"}, {".tab$", "\t"}, {".pchr$", "\\"}, {".null$", ""}};
  for (const auto& sp : kSpecial)
    if (name.View() == sp.name) {
      *s = StrAreaPush(StrFromC(sp.value));
      return true;
    }
  return false;
}

// Pushes a text answered by hook 0, converted by the name's type.
Status PushHookText(StrValue name, StrValue text) {
  switch (VarTypeOfName(name)) {
    case kVarInt: return PushNum(IntToNum(VarNumToInt(StrToNum(text))));
    case kVarNum: return PushNum(StrToNum(text));
    case kVarStr: return StrAreaPush(text);
    default: return Fail(st::SINTAXERROR, name);
  }
}

Status AssignByType(const VarRef& ref, StrValue name, StrValue value) {
  FixedNum v = 0;
  switch (ref.type) {
    case kVarInt:
      if (VarNumOfValue(value, &v)) return Fail(st::TYPEMISMATCH, name);
      return VarIntSet(ref.slot, VarNumToInt(v));
    case kVarNum:
      if (VarNumOfValue(value, &v)) return Fail(st::TYPEMISMATCH, name);
      return VarNumSet(ref.slot, v);
    case kVarStr: return VarStrSet(ref.slot, value);
    default: return Fail(st::SINTAXERROR, name);
  }
}

}  // namespace

Status VarFail(uint16_t module, Status code, StrValue name) {
  if ((ErrGet() & 0xffff) == 0) ErrDetailSet(code, name, false);
  return ErrSet(1, module, code, code);
}

Status VarNumOfValue(StrValue value, FixedNum* v) {
  if (value.len != 0 && value.len != 8) return st::TYPEMISMATCH;
  *v = NumFromBytes(value);
  return st::OK;
}

Status PushNum(FixedNum v) { return StrError(NumBytes(v)); }

int16_t VarLow16(int64_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v & 0xffff)); }

int16_t VarNumToInt(FixedNum v) { return VarLow16(Int64DivRound(v, Pow10(NumPrecis()))); }

void VarNamesClear(uint16_t list) {
  ++g_varGeneration;
  IndexCut(list, 0);
  DynStrSet(VarNamesList, list, StrMake("", 0));
}

// --- Start and end -------------------------------------------------------

Status VarSysInit() {
  Status s = DynStrInit();
  if (s != 0 && s != st::UNDEFWARNING) return s;
  DynStrClear(VarNamesList);
  DynStrClear(StrVarValuesList);
  g_indexValid = false;
  SlotsMoved();
  // The four name lists exist from the start, so that dropping local
  // variables gives the store back exactly what they took.
  if ((s = DynStrSet(VarNamesList, kListArray, StrMake("", 0)))) return s;
  if ((s = ValTablesInit())) return s;
  uint16_t mark = StrAreaMark(-1);
  for (const SysVarDecl& d : kSysIntDecls) {
    if ((s = VarAssign(StrFromC(d.name), NumBytes(StrToNum(StrFromC(d.start)))))) break;
    StrAreaMark(mark);
  }
  for (const SysVarDecl& d : kSysStrDecls) {
    if (s || (s = VarAssign(StrFromC(d.name), StrFromC(d.start)))) break;
  }
  return StrAreaRelease(mark, s);
}

uint16_t VarsFreeAll() {
  g_indexValid = false;
  SlotsMoved();
  ArrFreeAll();
  ValTablesFree();
  return RuntimeMemFree();
}

// --- Names ---------------------------------------------------------------

VarType VarTypeOfName(StrValue name) {
  if (name.IsError()) return kVarInvalid;
  if (StrFindChar(name, '@', kSearchPlain) != kNotFound) return kVarInvalid;
  if (StrFindChar(name, '(', kSearchPlain) != kNotFound) return kVarArray;
  if (StrFindChar(name, '$', kSearchPlain) != kNotFound) return kVarStr;
  if (StrFindChar(name, '#', kSearchPlain) != kNotFound) return kVarNum;
  return kVarInt;
}

VarRef VarLookup(StrValue name) {
  VarRef ref;
  ref.type = VarTypeOfName(name);
  ref.list = ListOf(ref.type);
  if (ref.list == kListNone) return ref;
  ref.slot = IndexFind(ref.list, KeyOf(name, ref.type));
  return ref;
}

Status VarCreate(VarRef& ref, StrValue name) {
  ref.type = VarTypeOfName(name);
  ref.list = ListOf(ref.type);
  StrValue key = ref.list == kListNone ? name : KeyOf(name, ref.type);
  if (ref.list == kListNone || !NameIsSafe(key)) return Fail(st::VARNAMEERROR, name);
  const StrAreaScope scope;
  StrValue list = NameList(ref.list);
  uint32_t slot = list.len ? StrListCount(list, ',') : 0;
  if (slot >= kVarUndefined) return Fail(st::VARNAMEERROR, name);
  uint32_t before = StorageCount(ref.type);
  Status s = StorageCreate(ref.type, slot);
  if (s == 0) s = DynStrSet(VarNamesList, ref.list, StrJoinSep(list, ',', key));
  if (s != 0) {
    if (StorageCount(ref.type) > before) StorageCut(ref.type, before);
    return Fail(s, name);
  }
  ref.slot = static_cast<uint16_t>(slot);
  if (g_indexValid) g_index[ref.list].emplace(key.Str(), ref.slot);
  return st::OK;
}

// --- By slot -------------------------------------------------------------

int16_t* VarIntAt(uint32_t n) { return static_cast<int16_t*>(ValTableGet(VtIntVars, n)); }

FixedNum* VarNumAt(uint32_t n) { return static_cast<FixedNum*>(ValTableGet(VtNumVars, n)); }

FixedNum VarNumGet(uint32_t n) {
  const void* p = ValTableGet(VtNumVars, n);
  FixedNum v = 0;
  if (p) std::memcpy(&v, p, sizeof v);
  return v;
}

Status VarNumSet(uint32_t n, FixedNum v) { return ValTableSet(VtNumVars, n, &v, sizeof v); }

// The values live in list 13 alone: the store finds an element in constant
// time, so no copy is kept beside it.
StrValue VarStrGet(uint32_t n) { return DynStrGet(StrVarValuesList, n); }

Status VarStrSet(uint32_t n, StrValue s) {
  if (n > DynStrCount(StrVarValuesList)) return ErrSet(1, MOD_VARNMASSIGN, st::DATAOUTBOUND, st::DATAOUTBOUND);
  return DynStrSet(StrVarValuesList, n, s);
}

void VarCountSet(int32_t v) {
  VarIntSet(kSysCount, VarLow16(v));
  VarIntSet(kSysHCount, VarLow16(Int64DivRound(v, 65536)));
}

int32_t VarCountGet() { return VarIntGet(kSysCount) + VarIntGet(kSysHCount) * 65536; }

// --- By name -------------------------------------------------------------

Status VarAssign(StrValue name, StrValue value) {
  if (Status e = StrError(value)) return e;
  const StrAreaScope scope;
  // The hook reads the value as the current result: make it the top.
  StrValue top = StrAreaTop();
  if (top.ptr != value.ptr || top.len != value.len) {
    if (Status s = StrAreaPush(value)) return s;
    value = StrAreaTop();
  }
  StrValue answer;
  if (HookTakes(name, kHookAssign, &answer)) {
    Status e = StrError(answer);
    return e ? Fail(e, name) : st::OK;
  }
  VarRef ref = VarLookup(name);
  if (ref.type == kVarInvalid) return Fail(st::VARNAMEERROR, name);
  if (ref.type == kVarArray) return Fail(st::SINTAXERROR, name);
  Status s = ref.slot == kVarUndefined ? VarCreate(ref, name) : st::OK;
  if (s == 0) s = AssignByType(ref, name, value);
  return s;
}

Status VarAssignInt(StrValue name, int16_t n) {
  if (VarTypeOfName(name) == kVarStr) return Fail(st::TYPEMISMATCH, name);
  const StrAreaScope scope;
  return VarAssign(name, NumBytes(IntToNum(n)));
}

Status VarRead(StrValue name) {
  if (Status e = StrError(name)) return e;
  Status s = 0;
  if (SpecialRead(name, &s)) return s;
  uint16_t mark = StrAreaMark(-1);
  StrValue answer;
  if (HookTakes(name, kHookRead, &answer)) {
    if (Status e = StrError(answer)) return StrAreaRelease(mark, Fail(e, name));
    StrValue text = StrAreaReturn(mark, answer);  // the answer alone above the mark
    s = StrError(text);
    if (s == 0) s = PushHookText(name, text);
    if (s == 0) {
      StrValue result = StrAreaTop();
      return StrError(StrAreaReturn(mark, result));
    }
    return StrAreaRelease(mark, s);
  }
  VarRef ref = VarLookup(name);
  bool defined = ref.slot != kVarUndefined;
  switch (ref.type) {
    case kVarInt: return PushNum(defined ? IntToNum(VarIntGet(ref.slot)) : 0);
    case kVarNum: return PushNum(defined ? VarNumGet(ref.slot) : 0);
    case kVarStr: return StrAreaPush(defined ? VarStrGet(ref.slot) : StrMake("", 0));
    default: return Fail(st::SINTAXERROR, name);
  }
}

ScreenFieldVar VarScreenFieldRead(int n) {
  ScreenFieldVar r;
  uint16_t mark = StrAreaMark(-1);
  char buf[24];
  int len = std::snprintf(buf, sizeof buf, "_V%d$", n);
  StrValue name = StrMake(buf, static_cast<uint32_t>(len));
  VarRef ref = VarLookup(name);
  if (ref.slot == kVarUndefined) {
    r.status = Fail(st::VARSCREENFIELD, name);
  } else {
    StrValue v = VarStrGet(ref.slot);
    if (v.len) {
      r.kind = v.ptr[0];
      r.value = StrToInt(StrMake(v.ptr + 1, v.len - 1u));
    }
  }
  StrAreaRelease(mark, 0);
  return r;
}

// --- Procedure-local variables -----------------------------------------------

VarSnapshot VarCountsSave() {
  VarSnapshot snap;
  for (uint16_t l = 0; l < 4; ++l) {
    StrValue list = NameList(l);
    snap.nameBytes[l] = list.len;
    snap.nameCount[l] = list.len ? StrListCount(list, ',') : 0;
  }
  snap.ints = ValTableInfo(VtIntVars, 0);
  snap.nums = ValTableInfo(VtNumVars, 0);
  snap.arrays = ValTableInfo(VtArrays, 0);
  snap.strs = DynStrCount(StrVarValuesList);
  return snap;
}

Status VarCountsRestore(const VarSnapshot& snap) {
  for (uint16_t l = 0; l < 4; ++l) {
    StrValue list = NameList(l);
    uint32_t count = list.len ? StrListCount(list, ',') : 0;
    if (list.len < snap.nameBytes[l] || count < snap.nameCount[l])
      return ErrSet(1, MOD_VARNMASSIGN, st::INTERNALERROR, st::INTERNALERROR);
  }
  for (uint16_t l = 0; l < 4; ++l) {
    StrValue list = NameList(l);
    if (list.len == snap.nameBytes[l]) continue;
    ++g_varGeneration;
    IndexCut(l, snap.nameCount[l]);
    if (Status s = DynStrSet(VarNamesList, l, StrMake(list.ptr, snap.nameBytes[l]))) return s;
  }
  ArrFreeFrom(snap.arrays);
  ValTableTruncate(VtArrays, snap.arrays);
  ValTableTruncate(VtIntVars, snap.ints);
  ValTableTruncate(VtNumVars, snap.nums);
  return DynStrPopTo(StrVarValuesList, snap.strs);
}
