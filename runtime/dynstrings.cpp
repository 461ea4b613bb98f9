#include "runtime/dynstrings.h"

#include <cstring>

#include "runtime/errors.h"
#include "runtime/memory.h"

static_assert(kDynDataOffset < kDynBlockSize, "counts and lengths must fit the block");
static_assert(kDynDataCapacity == 61361);

namespace {

using dyndetail::Counts;
using dyndetail::Data;
using dyndetail::g_empty;
using dyndetail::g_store;
using dyndetail::Lens;
using dyndetail::Store;

StrValue Empty() { return StrValue{g_empty, 0}; }

uint32_t FirstSlot(uint16_t n) { return g_store.first[n]; }
uint32_t DataOffset(uint32_t global) { return g_store.offset[global]; }

// Moves the first index of every list after n by delta slots (modulo 2^32,
// so that UINT32_MAX moves them down one).
void ShiftFirsts(uint16_t n, uint32_t delta) {
  for (uint16_t m = static_cast<uint16_t>(n + 1); m <= kDynLists; ++m) g_store.first[m] += delta;
}

bool InBlock(const char* p) {
  auto* b = reinterpret_cast<const char*>(g_store.block);
  return p >= b && p < b + kDynBlockSize;
}

// Makes room for k new empty elements at the end of list n.
void AppendEmpty(uint16_t n, uint32_t k) {
  uint32_t at = FirstSlot(n) + Counts()[n];
  uint32_t* off = g_store.offset;
  std::memmove(Lens() + at + k, Lens() + at, (g_store.slotsUsed - at) * 2);
  std::memset(Lens() + at, 0, k * 2);
  std::memmove(off + at + k, off + at, (g_store.slotsUsed - at + 1) * sizeof *off);
  for (uint32_t j = at + 1; j <= at + k; ++j) off[j] = off[at];  // the new elements are empty
  g_store.slotsUsed += k;
  Counts()[n] = static_cast<uint16_t>(Counts()[n] + k);
  ShiftFirsts(n, k);
}

// Replaces the bytes of element `global` (old length l) by t.
void Replace(uint32_t global, uint32_t l, StrValue t) {
  uint32_t off = DataOffset(global);
  char* d = Data();
  if (t.len != l) {  // only a change of length moves the elements after it
    std::memmove(d + off + t.len, d + off + l, g_store.bytesUsed - off - l);
    uint32_t delta = t.len - l;  // modulo 2^32: adding it shrinks as well
    for (uint32_t j = global + 1; j <= g_store.slotsUsed; ++j) g_store.offset[j] += delta;
  }
  if (t.len) std::memcpy(d + off, t.ptr, t.len);
  Lens()[global] = t.len;
  g_store.bytesUsed = g_store.bytesUsed + t.len - l;
}

Status SetElement(uint16_t n, uint32_t i, StrValue t) {
  if (Status e = StrError(t)) return e;
  if (!DynStrReady()) return st::STROUTBOUND;
  if (t.len && InBlock(t.ptr)) {
    t = StrDup(t);  // survives the moves below
    if (Status e = StrError(t)) return e;
  }
  uint16_t global = DynStrSlotIndex(n, i, true);
  if (global == 65535) return st::STROUTBOUND;
  uint32_t count = Counts()[n];
  uint32_t k = i >= count ? i - count + 1 : 0;
  uint32_t l = k == 0 ? Lens()[global] : 0;
  if (g_store.slotsUsed + k >= kDynSlots ||
      static_cast<uint64_t>(g_store.bytesUsed) + t.len - l >= kDynDataCapacity)
    return st::STROUTBOUND;
  if (k) AppendEmpty(n, k);
  Replace(global, l, t);
  return st::OK;
}

}  // namespace

Status DynStrInit() {
  if (!MemTableActive()) {
    if (Status s = MemInit()) return s;
  }
  if (DynStrReady()) return st::UNDEFWARNING;
  uint16_t slot = MemSlotTake(MOD_STRINGINIT, kDynBlockSize, 0);
  if (slot == 65535) return ErrSet(1, MOD_STRINGINIT, st::OUTOFMEMORY, st::OUTOFMEMORY);
  g_store = Store{MemSlotAt(slot)->ptr, slot, 0, 0};
  g_store.watch.Taken();
  MemSetStoreRelease(&DynStrFree);
  return st::OK;
}

Status DynStrFree() {
  if (!DynStrReady()) {
    g_store = Store{};
    return st::OK;
  }
  Status s = MemFree(MOD_STRINGINIT, g_store.block);
  if (s == st::OK) g_store = Store{};
  return s;
}

Status DynStrSet(uint16_t n, uint32_t i, StrValue s) {
  const StrAreaScope scope;
  Status r = SetElement(n, i, s);
  // A soft code carried by an error string is handed back, not recorded.
  if (r >= 128) ErrSet(1, MOD_STRINGASSIGN, st::LOADSTRERROR, 0);
  return r;
}

Status DynStrPush(uint16_t n, StrValue s) { return DynStrSet(n, n < kDynLists ? DynStrCount(n) : 0, s); }

StrValue DynStrTop(uint16_t n) {
  uint32_t count = n < kDynLists ? DynStrCount(n) : 0;
  if (count == 0) return Empty();
  return DynStrGet(n, n >= kDynQueueFirst ? 0 : count - 1);
}

Status DynStrPop(uint16_t n) {
  uint32_t count = n < kDynLists ? DynStrCount(n) : 0;
  if (count == 0) return st::OK;
  return DynStrDelete(n, n >= kDynQueueFirst ? 0 : count - 1);
}

StrValue DynStrPopString(uint16_t n) {
  uint16_t mark = StrAreaMark(-1);
  StrValue copy = StrDup(DynStrTop(n));
  if (copy.IsError()) return StrAreaReturn(mark, copy);
  if (Status s = DynStrPop(n)) return StrAreaReturn(mark, StrErr(s));
  return copy;
}

Status DynStrPopTo(uint16_t n, uint32_t m) {
  Status s = st::OK;
  while (n < kDynLists && DynStrCount(n) > m)
    if ((s = DynStrPop(n)) != st::OK) break;
  return s;
}

Status DynStrDelete(uint16_t n, uint32_t i) {
  if (n >= kDynLists || !DynStrReady() || i >= Counts()[n]) return st::OK;
  if (Status s = DynStrSet(n, i, Empty())) return s;
  uint32_t global = FirstSlot(n) + i;
  std::memmove(Lens() + global, Lens() + global + 1, (g_store.slotsUsed - global - 1) * 2);
  // The element is empty now: its offset equals the next one's.
  std::memmove(g_store.offset + global, g_store.offset + global + 1, (g_store.slotsUsed - global) * sizeof(uint32_t));
  Lens()[--g_store.slotsUsed] = 0;
  --Counts()[n];
  ShiftFirsts(n, UINT32_MAX);
  return st::OK;
}

Status DynStrClear(uint16_t n) {
  Status s = st::OK;
  while (n < kDynLists && DynStrCount(n) > 0)
    if ((s = DynStrDelete(n, DynStrCount(n) - 1)) != st::OK) break;
  return s;
}

uint32_t DynStrCount(uint16_t n) {
  if (!DynStrReady() || n > kDynLists) return 0;
  if (n < kDynLists) return Counts()[n];
  uint32_t sum = 0;
  for (uint16_t k = 30; k < kDynLists; ++k) sum += Counts()[k];
  return sum;
}

uint16_t DynStrSlotIndex(uint16_t n, uint32_t i, bool record) {
  uint64_t global = n < kDynLists && DynStrReady() ? static_cast<uint64_t>(FirstSlot(n)) + i : kDynSlots;
  if (global < kDynSlots) return static_cast<uint16_t>(global);
  if (record) ErrSet(1, MOD_DYNSTRINGS, st::STROUTBOUND, 0);
  return 65535;
}

uint32_t DynStrSlotsUsed() { return DynStrReady() ? g_store.slotsUsed : 0; }
uint32_t DynStrBytesUsed() { return DynStrReady() ? g_store.bytesUsed : 0; }

bool DynStrCheck() {
  if (!DynStrReady()) return true;
  uint32_t lengths = 0, slots = 0;
  for (uint16_t n = 0; n <= kDynLists; ++n) {
    if (g_store.first[n] != slots) return false;
    if (n < kDynLists) slots += Counts()[n];
  }
  for (uint32_t k = 0; k < kDynSlots; ++k) {
    if (k >= g_store.slotsUsed && Lens()[k] != 0) return false;
    if (k <= g_store.slotsUsed && g_store.offset[k] != lengths) return false;
    lengths += Lens()[k];
  }
  return slots == g_store.slotsUsed && lengths == g_store.bytesUsed && g_store.offset[g_store.slotsUsed] == lengths &&
         g_store.slotsUsed < kDynSlots && g_store.bytesUsed < kDynDataCapacity;
}
