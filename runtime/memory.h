// Memory blocks by owner module.
//
// All heap memory of the framework that is accounted by owner comes from
// one table of memory slots. Each block records its owner module
// (FrameworkModule) and carries a 4-byte guard (00 21 21 00) behind its last
// byte, so that a free by the wrong owner (141), a pointer no slot holds (154)
// and a write past the end (180) are detected and named. At shutdown the table
// tells which owner still holds memory.
//
// The table and the string area (strvalue.h) live in the one RuntimeRecord.
// Lengths are computed in 32/64 bits; nothing wraps. Single-threaded.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/status.h"

struct MemSlot {
  uint16_t owner = 0;
  uint32_t size = 0;        // as requested, without the guard
  unsigned char* ptr = nullptr;  // null = free slot
};

// Growable buffer record: used and capacity are 16-bit as in the stored form;
// the status is sticky once set (145 or 168).
struct MemBuf {
  unsigned char* ptr = nullptr;
  uint16_t used = 0;
  uint16_t capacity = 0;
  Status status = 0;
};

struct MemBlock {
  uint16_t size = 0;
  unsigned char* ptr = nullptr;
  Status status = 0;
};

constexpr uint32_t kMemGuardSize = 4;

void MemConfigure(int stringSlots, int memSlots);  // 65535 or -1 keeps a count
Status MemInit();
// Counts the memory tables made (MemInit) in this process, so that a module
// keeping blocks in a table of its own can tell that the runtime was made
// anew and its old blocks are gone.
uint32_t MemGeneration();
// A number that changes whenever a block may have been freed (a free, the
// table made or shut down): a module that found its block alive in the
// table may take it as alive again while the number is the same, which
// keeps the check on every access to two loads.
namespace memdetail {
inline uint64_t g_freeEpoch = 1;
}
inline uint64_t MemFreeEpoch() { return memdetail::g_freeEpoch; }
void* MemAlloc(uint16_t owner, uint32_t size);
uint16_t MemSlotTake(uint16_t owner, uint32_t size, uint8_t fill);
Status MemFree(uint16_t owner, const void* ptr);
Status MemWriteAt(void* ptr, uint32_t offset, const void* bytes, uint32_t len);
void* MemResize(uint16_t owner, void* oldPtr, uint32_t oldLen, uint32_t newSize);
Status MemBufAlloc(MemBuf& rec, uint16_t owner, uint16_t capacity);
void* MemBufAppend(uint16_t owner, MemBuf& rec, const void* bytes, uint32_t len, bool align);
Status MemBufResize(MemBuf& rec, uint16_t owner, uint16_t newCapacity);
Status MemBlockAlloc(MemBlock& rec, uint16_t owner, uint16_t size);
Status MemBlockFree(MemBlock& rec, uint16_t owner);
constexpr uint32_t MemAlign4(uint32_t n) { return n == 0 ? 0 : ((n - 1) / 4) * 4 + 4; }

struct MemCount {
  uint16_t count;
  uint16_t highestOwner;  // owner of the highest-numbered live slot, 0 when none
};
// mode 1 live blocks, 2 free slots, 3 all slots, in [from, to).
MemCount MemCountLive(uint16_t from, uint16_t to, int mode);
uint16_t MemShutdown(bool force);
uint16_t RuntimeMemFree();

// Inspection for the runtime's own checks and tests.
uint16_t MemSlotCount();        // configured slots of the live table (0 when none)
const MemSlot* MemSlotAt(uint16_t slot);
bool MemTableActive();

// A module's block as the memory table holds it: alive while the table that
// gave it is still the active one and the block's slot still holds it (a
// forced shutdown of the table frees it behind the module's back). Once
// found alive it is taken as alive again until a block may have been freed,
// which keeps the check on every access to two loads.
class MemBlockWatch {
 public:
  // The block was just taken from the active table.
  void Taken() {
    table_ = MemGeneration();
    aliveAt_ = 0;
  }
  // size 0 takes a block of any size.
  bool Alive(uint16_t slot, const void* ptr, uint16_t owner, uint32_t size = 0) {
    return aliveAt_ == MemFreeEpoch() || Check(slot, ptr, owner, size);
  }

 private:
  bool Check(uint16_t slot, const void* ptr, uint16_t owner, uint32_t size);
  uint32_t table_ = 0;    // MemGeneration() of the table that gave the block
  uint64_t aliveAt_ = 0;  // MemFreeEpoch() when last found alive; 0 when not
};

// The string-list store's block is freed by RuntimeMemFree step 2; the store
// registers its release here so that this module does not depend on it.
void MemSetStoreRelease(Status (*release)());
