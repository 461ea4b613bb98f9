#include "runtime/valtables.h"

#include <cstring>

#include "runtime/errors.h"
#include "runtime/memory.h"

namespace {

using vtdetail::g_root;
using vtdetail::g_rootSlot;
using vtdetail::g_stamps;

void Touch(uint16_t t) { ++g_stamps[t]; }
void TouchAll() {
  for (uint32_t& s : g_stamps) ++s;
}

Status Fail(Status code) { return ErrSet(1, MOD_STRUCTFUNCS, code, code); }

using vtdetail::Table;

// Every table block has the full bound, so growth never moves elements.
Status TableCreate(ValTable& tab, uint16_t size) {
  auto* p = static_cast<unsigned char*>(MemAlloc(MOD_STRUCTFUNCS, kValTableMaxBytes));
  if (!p) return Fail(st::STRUCTMEMERROR);
  tab = ValTable{p, size, 0};
  return st::OK;
}

void TableRelease(ValTable& tab) {
  if (tab.ptr) MemFree(MOD_STRUCTFUNCS, tab.ptr);
  tab = ValTable{};
}

}  // namespace

Status ValTablesInit() {
  if (ValTablesReady()) ValTablesFree();
  TouchAll();
  g_root = nullptr;
  g_rootSlot = MemSlotTake(MOD_STRUCTFUNCS, kValTables * sizeof(ValTable), 0);
  if (g_rootSlot == 65535) return Fail(st::STRUCTMEMERROR);
  g_root = reinterpret_cast<ValTable*>(MemSlotAt(g_rootSlot)->ptr);
  vtdetail::g_rootWatch.Taken();
  for (uint16_t t = 0; t < kValTables; ++t) g_root[t] = ValTable{};
  return st::OK;
}

Status ValTablesFree() {
  TouchAll();
  if (!ValTablesReady()) {
    g_root = nullptr;
    return st::OK;
  }
  for (uint16_t t = 0; t < kValTables; ++t) TableRelease(g_root[t]);
  Status s = MemFree(MOD_STRUCTFUNCS, g_root);
  g_root = nullptr;
  g_rootSlot = 65535;
  return s;
}

Status ValTableSet(uint16_t t, uint32_t i, const void* bytes, uint16_t size) {
  ValTable* tab = Table(t);
  if (!tab) return Fail(t >= kValTables ? st::DATAOUTBOUND : st::STRUCTMEMERROR);
  if (size == 0 || (tab->ptr && tab->size != size)) return Fail(st::INTERNALERROR);
  if ((static_cast<uint64_t>(i) + 1) * size > kValTableMaxBytes) return Fail(st::DATAOUTBOUND);
  Touch(t);
  if (!tab->ptr) {
    if (Status s = TableCreate(*tab, size)) return s;
  }
  unsigned char* at = tab->ptr + static_cast<size_t>(i) * size;
  if (i >= tab->count) {
    // New elements are zero: the block's unused tail is kept zeroed.
    tab->count = static_cast<uint16_t>(i + 1);
  }
  if (bytes)
    std::memmove(at, bytes, size);
  else
    std::memset(at, 0, size);
  return st::OK;
}

Status ValTableDelete(uint16_t t, uint32_t i) {
  ValTable* tab = Table(t);
  if (!tab || !tab->ptr || i >= tab->count) return Fail(st::DATAOUTBOUND);
  Touch(t);
  size_t size = tab->size;
  unsigned char* at = tab->ptr + i * size;
  std::memmove(at, at + size, (tab->count - i - 1) * size);
  --tab->count;
  std::memset(tab->ptr + tab->count * size, 0, size);
  if (tab->count == 0) TableRelease(*tab);
  return st::OK;
}

Status ValTableTruncate(uint16_t t, uint32_t count) {
  ValTable* tab = Table(t);
  if (!tab || !tab->ptr || count >= tab->count) return st::OK;
  Touch(t);
  if (count == 0) {
    TableRelease(*tab);
    return st::OK;
  }
  size_t size = tab->size;
  std::memset(tab->ptr + count * size, 0, (tab->count - count) * size);
  tab->count = static_cast<uint16_t>(count);
  return st::OK;
}

