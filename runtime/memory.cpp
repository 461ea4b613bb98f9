#include "runtime/memory.h"

#include <cstdlib>
#include <cstring>

#include "runtime/strvalue.h"

namespace {

constexpr unsigned char kGuard[kMemGuardSize] = {0x00, 0x21, 0x21, 0x00};

Status (*g_storeRelease)() = nullptr;
uint32_t g_memGeneration = 0;  // memory tables made so far in this process

RuntimeRecord& rt() { return *RuntimeRecordGet(); }

int FindSlot(const void* ptr) {
  if (!ptr) return -1;  // free slots hold null: never match them
  RuntimeRecord& r = rt();
  for (int i = 0; i < r.memActive; ++i)
    if (r.memTable[i].ptr == ptr) return i;
  return -1;
}

}  // namespace

void MemConfigure(int stringSlots, int memSlots) {
  RuntimeRecord& r = rt();
  if (stringSlots != 65535 && stringSlots != -1 && stringSlots > 0 && stringSlots <= 65535)
    r.strSlotCount = static_cast<uint16_t>(stringSlots);
  if (memSlots != 65535 && memSlots != -1 && memSlots > 0 && memSlots <= 32767)
    r.memSlotCount = static_cast<int16_t>(memSlots);
}

bool MemTableActive() { return rt().memActive != 0; }
uint16_t MemSlotCount() { return rt().memActive; }
const MemSlot* MemSlotAt(uint16_t slot) {
  RuntimeRecord& r = rt();
  return slot < r.memActive ? &r.memTable[slot] : nullptr;
}

void MemSetStoreRelease(Status (*release)()) { g_storeRelease = release; }

Status MemInit() {
  RuntimeRecord& r = rt();
  if (r.memActive != 0) return st::UNDEFWARNING;
  int n = r.memSlotCount > 0 ? r.memSlotCount : 64;
  r.memTable = static_cast<MemSlot*>(std::calloc(static_cast<size_t>(n), sizeof(MemSlot)));
  if (!r.memTable) return st::OUTOFMEMORY;
  r.memActive = static_cast<uint16_t>(n);
  ++g_memGeneration;
  ++memdetail::g_freeEpoch;
  return StrAreaInit();
}

uint32_t MemGeneration() { return g_memGeneration; }

uint16_t MemSlotTake(uint16_t owner, uint32_t size, uint8_t fill) {
  RuntimeRecord& r = rt();
  for (uint16_t i = 0; i < r.memActive; ++i) {
    MemSlot& s = r.memTable[i];
    if (s.ptr) continue;
    auto* p = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(size) + kMemGuardSize));
    if (!p) return 65535;
    if (fill != 255) std::memset(p, fill, size);
    std::memcpy(p + size, kGuard, kMemGuardSize);
    s.owner = owner;
    s.size = size;
    s.ptr = p;
    return i;
  }
  return 65535;
}

void* MemAlloc(uint16_t owner, uint32_t size) {
  uint16_t slot = MemSlotTake(owner, size, 0);
  return slot == 65535 ? nullptr : rt().memTable[slot].ptr;
}

Status MemFree(uint16_t owner, const void* ptr) {
  int i = FindSlot(ptr);
  if (i < 0) return st::MEMORYALLOCERR;
  MemSlot& s = rt().memTable[i];
  if (std::memcmp(s.ptr + s.size, kGuard, kMemGuardSize) != 0) return st::MEMORYOVERFLOW;
  if (s.owner != owner) return st::INTERNALERROR;
  std::free(s.ptr);
  s = MemSlot{};
  ++memdetail::g_freeEpoch;
  return st::OK;
}

Status MemWriteAt(void* ptr, uint32_t offset, const void* bytes, uint32_t len) {
  int i = FindSlot(ptr);
  if (i < 0) return st::DATAOUTBOUND;
  const MemSlot& s = rt().memTable[i];
  if (static_cast<uint64_t>(offset) + len > s.size) return st::DATAOUTBOUND;
  if (len) std::memmove(s.ptr + offset, bytes, len);
  return st::OK;
}

void* MemResize(uint16_t owner, void* oldPtr, uint32_t oldLen, uint32_t newSize) {
  int i = FindSlot(oldPtr);
  uint32_t keep = oldLen;
  if (i >= 0 && rt().memTable[i].size < keep) keep = rt().memTable[i].size;
  if (newSize < keep) keep = newSize;
  // The old block is freed only after the new one holds its contents; a
  // failed allocation leaves the caller's block untouched.
  void* p = MemAlloc(owner, newSize);
  if (!p) return nullptr;
  if (oldPtr && keep) std::memcpy(p, oldPtr, keep);
  if (oldPtr) MemFree(owner, oldPtr);
  return p;
}

Status MemBufAlloc(MemBuf& rec, uint16_t owner, uint16_t capacity) {
  rec.ptr = static_cast<unsigned char*>(MemAlloc(owner, capacity));
  rec.used = 0;
  rec.capacity = capacity;
  rec.status = rec.ptr ? st::OK : st::OUTOFMEMORY;
  return rec.status;
}

void* MemBufAppend(uint16_t /*owner*/, MemBuf& rec, const void* bytes, uint32_t len, bool align) {
  if (rec.status != 0) return nullptr;
  uint32_t at = align ? MemAlign4(rec.used) : rec.used;
  if (static_cast<uint64_t>(at) + len > rec.capacity) {
    rec.status = st::DATAOUTBOUND;
    return nullptr;
  }
  if (bytes && MemWriteAt(rec.ptr, at, bytes, len) != 0) {
    rec.status = st::DATAOUTBOUND;
    return nullptr;
  }
  rec.used = static_cast<uint16_t>(at + len);
  return rec.ptr + at;
}

Status MemBufResize(MemBuf& rec, uint16_t owner, uint16_t newCapacity) {
  void* p = MemResize(owner, rec.ptr, rec.used, newCapacity);
  if (!p) return st::OUTOFMEMORY;
  rec.ptr = static_cast<unsigned char*>(p);
  rec.capacity = newCapacity;
  if (rec.used > newCapacity) rec.used = newCapacity;
  return st::OK;
}

Status MemBlockAlloc(MemBlock& rec, uint16_t owner, uint16_t size) {
  rec.ptr = static_cast<unsigned char*>(MemAlloc(owner, size));
  rec.size = rec.ptr ? size : 0;
  rec.status = rec.ptr ? st::OK : st::OUTOFMEMORY;
  return rec.status;
}

Status MemBlockFree(MemBlock& rec, uint16_t owner) {
  if (!rec.ptr) return st::OK;
  Status s = MemFree(owner, rec.ptr);
  if (s == st::OK) {
    rec.ptr = nullptr;
    rec.size = 0;
  }
  rec.status = s;
  return s;
}

MemCount MemCountLive(uint16_t from, uint16_t to, int mode) {
  RuntimeRecord& r = rt();
  MemCount c{0, 0};
  if (to > r.memActive) to = r.memActive;
  for (uint16_t i = from; i < to; ++i) {
    bool live = r.memTable[i].ptr != nullptr;
    if (live) c.highestOwner = r.memTable[i].owner;
    if (mode == 3 || (mode == 1 && live) || (mode == 2 && !live)) ++c.count;
  }
  return c;
}

uint16_t MemShutdown(bool force) {
  RuntimeRecord& r = rt();
  if (r.memActive == 0) return 0;
  uint16_t owner = MemCountLive(0, r.memActive, 1).highestOwner;
  if (owner == 0 || force) {
    for (uint16_t i = 0; i < r.memActive; ++i) std::free(r.memTable[i].ptr);
    std::free(r.memTable);
    r.memTable = nullptr;
    r.memActive = 0;
    ++memdetail::g_freeEpoch;
    StrAreaForget();
  }
  return owner;
}

uint16_t RuntimeMemFree() {
  uint16_t owner = MemShutdown(false);
  if (owner == 0) return 0;  // nothing was live: table already freed
  if (owner != MOD_STRINGINIT) return owner;
  if (g_storeRelease) {
    Status s = g_storeRelease();
    if (s) return s;
  }
  Status s = StrAreaFree();
  if (s) return s;
  return MemShutdown(true);
}

bool MemBlockWatch::Check(uint16_t slot, const void* ptr, uint16_t owner, uint32_t size) {
  aliveAt_ = 0;
  if (!ptr || !MemTableActive() || MemGeneration() != table_) return false;
  const MemSlot* s = MemSlotAt(slot);
  if (!s || s->ptr != ptr || s->owner != owner || (size != 0 && s->size != size)) return false;
  aliveAt_ = MemFreeEpoch();
  return true;
}
