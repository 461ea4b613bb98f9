#include "script/arrays.h"

#include <cstring>
#include <string>

#include "runtime/fixednum.h"
#include "runtime/memory.h"
#include "runtime/strutil.h"
#include "runtime/valtables.h"
#include "script/builtins.h"
#include "script/varsint.h"

namespace {

Status Fail(Status code, StrValue name) { return VarFail(MOD_VARSTRUCT, code, name); }

uint16_t ElemSizeOf(uint16_t type, StrValue pattern) {
  switch (type) {
    case kVarInt: return 2;
    case kVarNum: return 8;
    case kVarStr: return pattern.IsError() ? 0 : pattern.len;
    default: return 0;
  }
}

// The array name up to its "(" without it: the name of one element.
VarType ElemTypeOf(StrValue name) {
  uint16_t open = StrFindChar(name, '(', kSearchPlain);
  if (open == kNotFound) return kVarInvalid;
  VarType t = VarTypeOfName(StrMake(name.ptr, open));
  return t == kVarArray ? kVarInvalid : t;
}

int DimCount(const ArrDesc& a) {
  int n = 0;
  while (n < kArrMaxDims && a.dims[n]) ++n;
  return n;
}

// Script indexes: the integer part of each number; a negative one is out of
// bounds.
Status IndexesOf(int count, const FixedNum* indexes, int32_t* out) {
  if (count < 1 || count > kArrMaxDims) return st::DIMSTRUCERROR;
  int64_t scale = Pow10(NumPrecis());
  for (int k = 0; k < count; ++k) {
    if (indexes[k] < 0) return st::DATAOUTBOUND;
    int64_t v = indexes[k] / scale;
    out[k] = v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v);
  }
  return st::OK;
}

// Stores one element from an assignment value already checked for its kind.
void ElemStore(const ArrDesc& a, unsigned char* elem, StrValue value, FixedNum num) {
  if (a.type == kVarInt) {
    int16_t v = VarLow16(num / Pow10(NumPrecis()));
    std::memcpy(elem, &v, sizeof v);
  } else if (a.type == kVarNum) {
    std::memcpy(elem, &num, sizeof num);
  } else {
    uint16_t n = value.len < a.elemSize ? value.len : a.elemSize;
    std::memmove(elem, value.ptr, n);
    std::memset(elem + n, ' ', a.elemSize - n);
  }
}

Status ValueCheck(const ArrDesc& a, StrValue value, FixedNum* num) {
  if (Status e = StrError(value)) return e;
  *num = 0;
  return a.type == kVarStr ? st::OK : VarNumOfValue(value, num);
}

Status NumElem(StrValue name, int count, const int32_t* indexes, FixedNum** elem) {
  ArrDesc* a = ArrLookup(name);
  if (!a) return Fail(st::DIMSTRUCERROR, name);
  if (a->type != kVarNum) return Fail(st::TYPEMISMATCH, name);
  unsigned char* p = nullptr;
  if (ArrElemAddr(*a, count, indexes, &p)) return Fail(st::DIMSTRUCERROR, name);
  *elem = reinterpret_cast<FixedNum*>(p);
  return st::OK;
}

void DataFree(ArrDesc& a) {
  if (a.data) MemFree(MOD_VARSTRUCT, a.data);
  a = ArrDesc{};
}

}  // namespace

Status ArrCreate(ArrDesc& desc, uint16_t type, int dimCount, const int32_t* sizes, StrValue pattern) {
  if (dimCount < 1 || dimCount > kArrMaxDims) return st::DIMSTRUCERROR;
  uint64_t count = 1;
  for (int k = 0; k < dimCount; ++k) {
    if (sizes[k] < 0 || sizes[k] >= 65535) return st::DIMSTRUCERROR;
    count *= static_cast<uint64_t>(sizes[k]) + 1;
    if (count > 65535) return st::DIMSTRUCERROR;
  }
  uint16_t size = ElemSizeOf(type, pattern);
  if (count == 1 || size == 0) return st::SINTAXERROR;
  uint64_t bytes = count * size;
  if (bytes > kArrMaxBytes) return st::OUTOFMEMORY;
  auto* data = static_cast<unsigned char*>(MemAlloc(MOD_VARSTRUCT, static_cast<uint32_t>(bytes)));
  if (!data) return st::OUTOFMEMORY;
  if (type == kVarStr)
    for (uint64_t i = 0; i < count; ++i) std::memcpy(data + i * size, pattern.ptr, size);
  desc = ArrDesc{type, size, static_cast<uint16_t>(count), {}, data};
  for (int k = 0; k < dimCount; ++k) desc.dims[k] = static_cast<uint16_t>(sizes[k] + 1);
  return st::OK;
}

Status ArrDim(StrValue name, int dimCount, const int32_t* sizes, StrValue pattern) {
  VarRef ref = VarLookup(name);
  if (ref.type != kVarArray || ref.slot != kVarUndefined) return Fail(st::VARNAMEERROR, name);
  ArrDesc desc;
  Status s = ArrCreate(desc, ElemTypeOf(name), dimCount, sizes, pattern);
  if (s) return Fail(s, name);
  if ((s = VarCreate(ref, name)) == 0) s = ValTableSet(VtArrays, ref.slot, &desc, sizeof desc);
  if (s) DataFree(desc);
  return s;
}

ArrDesc* ArrLookup(StrValue name) {
  // The array found last, by the name as given: the same array is often
  // reached again and again (a report's label array, a loop's table). A slot
  // keeps its name while the variables' generation holds.
  struct Last {
    std::string name;
    uint32_t generation = 0;
    uint16_t slot = kVarUndefined;
  };
  thread_local Last last;
  uint16_t slot = kVarUndefined;
  if (last.generation == VarGeneration() && !name.IsError() && last.name == name.View()) {
    slot = last.slot;
  } else {
    VarRef ref = VarLookup(name);
    if (ref.type != kVarArray || ref.slot == kVarUndefined) return nullptr;
    slot = ref.slot;
    last.name.assign(name.View());
    last.generation = VarGeneration();
    last.slot = slot;
  }
  auto* a = static_cast<ArrDesc*>(ValTableGet(VtArrays, slot));
  return a && a->data ? a : nullptr;
}

Status ArrElemAddr(const ArrDesc& a, int count, const int32_t* indexes, unsigned char** elem) {
  if (count < 1 || count > DimCount(a)) return st::DIMSTRUCERROR;
  // Once the position reaches the count it stays beyond it (each step
  // multiplies by a dimension of at least 1), so 64 bits never overflow.
  int64_t pos = 0;
  for (int k = 0; k < count; ++k) {
    if (indexes[k] < 0) return st::DATAOUTBOUND;
    pos = (k ? pos * a.dims[k] : 0) + indexes[k];
    if (pos >= a.count) return st::DATAOUTBOUND;
  }
  *elem = a.data + pos * a.elemSize;
  return st::OK;
}

Status ArrElemRead(StrValue name, int count, const FixedNum* indexes, StrValue pattern) {
  int32_t idx[kArrMaxDims];
  if (Status s = IndexesOf(count, indexes, idx)) return Fail(s, name);
  ArrDesc* a = ArrLookup(name);
  if (!a) {
    if (Status s = ArrDim(name, count, idx, pattern)) return s;
    a = ArrLookup(name);
  }
  unsigned char* elem = nullptr;
  if (Status s = ArrElemAddr(*a, count, idx, &elem)) return Fail(s, name);
  if (a->type == kVarInt) {
    int16_t v;
    std::memcpy(&v, elem, sizeof v);
    return PushNum(IntToNum(v));
  }
  return StrAreaPush(StrMake(reinterpret_cast<char*>(elem), a->elemSize));
}

Status ArrElemAssign(StrValue name, int count, const FixedNum* indexes, StrValue value) {
  int32_t idx[kArrMaxDims];
  ArrDesc* a = ArrLookup(name);
  if (!a) return Fail(st::DIMSTRUCERROR, name);
  if (Status s = IndexesOf(count, indexes, idx)) return Fail(s, name);
  unsigned char* elem = nullptr;
  if (Status s = ArrElemAddr(*a, count, idx, &elem)) return Fail(s, name);
  FixedNum num;
  if (Status s = ValueCheck(*a, value, &num)) return Fail(s, name);
  ElemStore(*a, elem, value, num);
  return st::OK;
}

Status ArrAddNum(StrValue name, FixedNum value, int count, const int32_t* indexes) {
  FixedNum* elem = nullptr;
  if (Status s = NumElem(name, count, indexes, &elem)) return s;
  FixedNum sum;
  if (__builtin_add_overflow(*elem, value, &sum)) return Fail(st::DATAOUTBOUND, name);
  *elem = sum;
  return st::OK;
}

Status ArrSetNum(StrValue name, FixedNum value, int count, const int32_t* indexes) {
  FixedNum* elem = nullptr;
  if (Status s = NumElem(name, count, indexes, &elem)) return s;
  *elem = value;
  return st::OK;
}

Status ArrFill(StrValue name, StrValue value, uint32_t from, uint32_t to) {
  ArrDesc* a = ArrLookup(name);
  if (!a) return Fail(st::DATAOUTBOUND, name);
  FixedNum num;
  if (Status s = ValueCheck(*a, value, &num)) return Fail(s, name);
  if (to > a->count) to = a->count;
  for (uint32_t i = from; i < to; ++i) ElemStore(*a, a->data + i * a->elemSize, value, num);
  return st::OK;
}

void ArrFreeFrom(uint32_t fromSlot) {
  for (uint32_t i = fromSlot; i < ValTableInfo(VtArrays, 0); ++i)
    DataFree(*static_cast<ArrDesc*>(ValTableGet(VtArrays, i)));
}

void ArrFreeAll() {
  ArrFreeFrom(0);
  ValTableTruncate(VtArrays, 0);
  VarNamesClear(kListArray);
}

Status BuiltinCheckName(StrValue name) {
  uint16_t open = StrFindChar(name, '(', kSearchPlain);
  StrValue head = open == kNotFound ? name : StrMake(name.ptr, open);
  if (head.View() == "_#") {
    static const char kLabel[] = "_#(";
    if (ArrLookup(StrFromC(kLabel))) return 1;
    const int32_t size = kArrLabelSize;
    Status s = ArrDim(StrFromC(kLabel), 1, &size, StrMake("", 0));
    return s ? s : 1;
  }
  uint16_t code = BuiltinCode(head);
  return code >= 128 ? code : code != 0;
}
