// The built-ins on the label array "_#(" and on the internal string lists.
//
// _#(label or number[;offset[;third]]): a text is looked up in the label
// list _ACUMX$ (label k, 0-based, names element k; an absent label reads 0),
// a number is the position itself; the result is the element at position +
// offset, 0 when the array does not exist yet. "CLS" sets the elements from
// `from` through `to` (default all) to 0; "DIM" reads element offset. The
// third argument is accepted and not used.
//
// _$([list 30[;item 0[;value]]]): with a value, a list of 30 and above gets
// it pushed, a lower list has the item set; then a non-negative item is read
// (lists of 30 and above: the top). A negative item on a list of 30 and
// above pops that many elements, stopping quietly when the list runs empty;
// on a lower list it answers 147. The items of the lists that hold the
// dictionary, the relations, the record buffers and the variables (1-4, 6,
// 7, 12, 13) are set only by their owners: a set there answers 147, as does
// a set with a negative item. A pop of the argument stack (35) takes the
// elements below the call's own arguments (the arguments of the statement
// or CALL that runs it), and the call's arguments with them, so the
// dispatcher's cut-back leaves the shorter stack alone.
#include <algorithm>
#include <cstring>

#include "runtime/dynstrings.h"
#include "runtime/strlist.h"
#include "script/arrays.h"
#include "script/builtins_int.h"
#include "script/variables.h"

namespace {

constexpr char kLabelArray[] = "_#(";
constexpr uint16_t kFirstStackList = 30;

bool IsText(const uint16_t* kinds, uint16_t count, uint16_t n) { return n <= count && (kinds[n - 1] & 1); }

Status Clear(int32_t to, int32_t from) {
  ArrDesc* a = ArrLookup(StrFromC(kLabelArray));
  if (!a) return BuiltinResultInt(0);
  int32_t last = to < 0 ? a->count - 1 : to;
  uint32_t begin = static_cast<uint32_t>(std::max(from, 0));
  uint32_t end = static_cast<uint32_t>(std::max(last + 1, 0));
  if (Status s = ArrFill(StrFromC(kLabelArray), NumBytes(0), begin, end)) return s;
  return BuiltinResultInt(0);
}

bool ClosedToSets(int32_t list) {
  switch (list) {
    case FileNamesList:
    case FileLocationsList:
    case FieldNamesList:
    case RelationKeysList:
    case RecBufPairsList:
    case RelationStmtList:
    case VarNamesList:
    case StrVarValuesList: return true;
    default: return false;
  }
}

Status Pop(uint16_t list, uint32_t n, uint32_t ownArgs) {
  if (list == ArgStack) {
    uint32_t count = DynStrCount(ArgStack);
    uint32_t below = count > ownArgs ? count - ownArgs : 0;
    return DynStrPopTo(ArgStack, below > n ? below - n : 0);
  }
  for (uint32_t i = 0; i < n && DynStrCount(list) > 0; ++i)
    if (Status s = DynStrPop(list)) return s;
  return 0;
}

}  // namespace

Status BiLabelArray(const uint16_t* kinds, uint16_t count) {
  if (Status s = BuiltinArgCount(1, 3)) return s;
  int32_t offset = 0;
  FixedNum position = 0;
  if (IsText(kinds, count, 1)) {
    StrValue label = BuiltinArgStr(1, StrMake("", 0));
    if (Status e = StrError(label)) return e;
    if (label.View() == "CLS") {
      int32_t to = -1, from = 0;
      if (Status s = BuiltinArgLong(2, -1, &to)) return s;
      if (Status s = BuiltinArgLong(3, 0, &from)) return s;
      return Clear(to, from);
    }
    if (Status s = BuiltinArgLong(2, 0, &offset)) return s;
    if (label.View() != "DIM") {
      uint32_t k = StrListFind(VarStrGet(kSysAcumX), ',', label);
      if (k == 0) return BuiltinResultInt(0);
      position = k - 1;
    }
  } else {
    FixedNum raw = 0;
    if (Status s = BuiltinArgNum(1, 0, &raw)) return s;
    if (Status s = BuiltinArgLong(2, 0, &offset)) return s;
    position = BuiltinNumToInteger(raw);
  }
  ArrDesc* a = ArrLookup(StrFromC(kLabelArray));
  if (!a) return BuiltinResultInt(0);
  int32_t index = static_cast<int32_t>(std::clamp<int64_t>(position + offset, INT32_MIN, INT32_MAX));
  unsigned char* elem = nullptr;
  if (index < 0 || ArrElemAddr(*a, 1, &index, &elem) != 0) return BuiltinFail(st::DATAOUTBOUND);
  int64_t v = 0;
  std::memcpy(&v, elem, sizeof v);
  return BuiltinResultNum(v);
}

Status BiList(const uint16_t*, uint16_t count) {
  if (Status s = BuiltinArgCount(0, 3)) return s;
  int32_t list = kFirstStackList, item = 0;
  if (Status s = BuiltinArgLong(1, kFirstStackList, &list)) return s;
  if (Status s = BuiltinArgLong(2, 0, &item)) return s;
  if (list < 0 || list >= kDynLists) return BuiltinFail(st::DATAOUTBOUND);
  uint16_t n = static_cast<uint16_t>(list);
  bool stack = n >= kFirstStackList;
  if (!BuiltinArgAbsent(3)) {
    StrValue value = BuiltinArgAsText(3, StrMake("", 0));
    if (Status e = StrError(value)) return e;
    if (!stack && (item < 0 || ClosedToSets(list))) return BuiltinFail(st::SINTAXERROR);
    Status s = stack ? DynStrPush(n, value) : DynStrSet(n, static_cast<uint32_t>(item), value);
    if (s) return BuiltinFail(s);
  }
  if (item < 0) {
    if (!stack) return BuiltinFail(st::SINTAXERROR);
    if (Status s = Pop(n, static_cast<uint32_t>(-static_cast<int64_t>(item)), count)) return BuiltinFail(s);
    return BuiltinResultStr(StrMake("", 0));
  }
  if (stack) return BuiltinResultStr(DynStrCount(n) ? DynStrTop(n) : StrMake("", 0));
  return BuiltinResultStr(DynStrGet(n, static_cast<uint32_t>(item)));
}
