#include "data/scans/selection.h"

#include <cstring>
#include <string>

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/scans/scan.h"
#include "runtime/errors.h"
#include "runtime/memory.h"

namespace {

constexpr uint32_t kFirstRows = 32;

struct SelSlot {
  uint32_t* rows = nullptr;  // memory owner 19
  uint32_t capacity = 0;
  uint16_t count = 0;
  bool busy = false;
};

SelSlot g_slots[kSelSlots];
uint32_t g_generation = 0;  // the memory table the rows belong to

// The slots, forgotten (not freed) when the runtime was made anew: their
// blocks went with the old memory table.
SelSlot* Slots() {
  if (g_generation != MemGeneration()) {
    for (SelSlot& s : g_slots) s = SelSlot();
    g_generation = MemGeneration();
  }
  return g_slots;
}

void FreeRows(SelSlot& s) {
  if (s.rows) MemFree(MOD_LOCALLISTS, s.rows);
  s = SelSlot();
}

Status Fail(Status code, int file) {
  std::string d = "(File:" + std::to_string(file) + ") " + DicFileName(file).Str();
  ErrDetailSet(code, StrMake(d.data(), static_cast<uint32_t>(d.size())), false);
  return ErrSet(1, MOD_LOCALLISTS, code, code);
}

// The control block of a defined file, null (168 with its detail) otherwise.
DataFileCtrlBlock* Ctrl(int n) {
  if (DicCheckFileField(n, -1) != 0) {
    ErrSet(1, MOD_LOCALLISTS, st::DATAOUTBOUND, 0);
    return nullptr;
  }
  return DataFileCtrl(n);
}

// The file's current selection, null without one.
SelSlot* Current(int n) {
  DataFileCtrlBlock* ctrl = DataFileCtrl(n);
  if (!ctrl || ctrl->selSlots[0] == 0 || ctrl->selSlots[0] > kSelSlots) return nullptr;
  SelSlot& s = Slots()[ctrl->selSlots[0] - 1];
  return s.busy ? &s : nullptr;
}

// A busy slot that no defined file's stack names has lost its owner.
void SweepLost() {
  bool named[kSelSlots] = {};
  for (int n = 1; n <= DataFileCount(); ++n) {
    const DataFileCtrlBlock* ctrl = DataFileCtrl(n);
    for (int i = 0; ctrl && i < 3; ++i)
      if (ctrl->selSlots[i] >= 1 && ctrl->selSlots[i] <= kSelSlots) named[ctrl->selSlots[i] - 1] = true;
  }
  for (int i = 0; i < kSelSlots; ++i)
    if (Slots()[i].busy && !named[i]) FreeRows(Slots()[i]);
}

// Appends a record number, doubling the array when it is full.
Status Append(SelSlot& s, uint32_t rec) {
  if (s.count == s.capacity) {
    uint32_t grown = s.capacity == 0 ? kFirstRows : s.capacity * 2;
    if (grown > kSelMaxRows) grown = kSelMaxRows;
    void* p = MemResize(MOD_LOCALLISTS, s.rows, s.capacity * 4, grown * 4);
    if (!p) return st::OUTOFMEMORY;
    s.rows = static_cast<uint32_t*>(p);
    s.capacity = grown;
  }
  s.rows[s.count++] = rec;
  return 0;
}

}  // namespace

StrValue SelKeyPrefix(StrValue text, int mode) {
  if (text.IsError() || mode != 2 || text.len == 0) return StrDup(text);
  StrValue out = StrDup(text);
  if (!out.IsError()) ++out.ptr[out.len - 1];
  return out;
}

Status SelFill(int slot, int file, int key, StrValue start, StrValue limit, int32_t max, int mode, StrValue cond) {
  if (slot < 0 || slot >= kSelSlots) return Fail(st::DATAOUTBOUND, DataFileNum(file));
  int n = DataFileNum(file);
  SelSlot& s = Slots()[slot];
  s.count = 0;
  DataStoreState saved;
  if (Status e = DataFileCtrlSave(&saved, n, nullptr)) return e;
  const StrAreaScope scope;
  Status r = DataFileReadKey(n, key, SelKeyPrefix(start, mode), dfmove::kAlsoOn1);
  uint32_t want = max < 0 ? UINT32_MAX : static_cast<uint32_t>(max);
  for (uint16_t flags = dfmove::kNext; r < 2 && s.count < want; flags = dfmove::kMoveFirst | dfmove::kNext) {
    r = DataFileSeekCond(n, flags, cond, limit, nullptr);
    if (r != 0) break;
    if (s.count == kSelMaxRows) {
      r = Fail(st::DATAOUTBOUND, n);
      break;
    }
    int64_t rec = NdxCurRecNo(n);
    if (rec < 0) {
      r = Fail(st::INTERNALERROR, n);
      break;
    }
    if (Append(s, static_cast<uint32_t>(rec)) != 0) {
      r = Fail(st::OUTOFMEMORY, n);
      break;
    }
  }
  if (s.count > 0 && r < st::USERCANCELED) {
    if (DataFileCtrlBlock* ctrl = DataFileCtrl(n)) ctrl->lastStatus = 0;
    return 0;
  }
  if (s.count > 0) return r;  // the rows gathered stay
  Status back = DataFileCtrlSave(nullptr, n, &saved);
  if (r >= st::USERCANCELED) return r;
  return back ? back : dfres::kEnd;
}

Status SelOpen(int file, int key, StrValue start, StrValue limit, int32_t max, int mode, StrValue cond) {
  int n = DataFileNum(file);
  DataFileCtrlBlock* ctrl = Ctrl(n);
  if (!ctrl) return st::DATAOUTBOUND;
  if (Status s = DataFileKeySet(n, key)) return s;
  KeyPart parts;
  if (KeyPartsDesc(n, DataFileKeyGet(n), &parts) == 0) return Fail(st::BADINPUTDATA, n);
  if (ctrl->selSlots[0] != 0) {
    if (ctrl->selSlots[2] != 0) return Fail(st::DATAOUTBOUND, n);
    ctrl->selSlots[2] = ctrl->selSlots[1];
    ctrl->selSlots[1] = ctrl->selSlots[0];
    ctrl->selSlots[0] = 0;
  }
  SweepLost();
  int slot = 0;
  while (slot < kSelSlots && Slots()[slot].busy) ++slot;
  if (slot == kSelSlots) return Fail(st::DATAOUTBOUND, n);
  Slots()[slot].busy = true;
  ctrl->selSlots[0] = static_cast<uint16_t>(slot + 1);
  Status s = SelFill(slot, n, -1, start, limit, max, mode, cond);
  if (s != 0) {
    ctrl->selSlots[0] = 0;
    FreeRows(Slots()[slot]);
  }
  return s;
}

uint16_t SelCount(int file) {
  const SelSlot* s = Current(DataFileNum(file));
  return s ? s->count : 0;
}

int64_t SelRowRec(int file, uint32_t row) {
  const SelSlot* s = Current(DataFileNum(file));
  return s && row < s->count ? static_cast<int64_t>(s->rows[row]) : -1;
}

Status SelRowRead(int file, int part, uint32_t row) {
  int n = DataFileNum(file);
  int64_t rec = SelRowRec(n, row);
  if (rec < 0) return Fail(st::DATAOUTBOUND, n);
  return DataFileRecLoad(n, static_cast<int32_t>(rec), part);
}

StrValue SelFieldGet(int file, uint32_t row, int field) {
  int n = DataFileNum(file);
  int64_t rec = SelRowRec(n, row);
  if (rec < 0 || DataFileRecLoad(n, static_cast<int32_t>(rec), 3) != 0) return StrMake("", 0);
  StrValue v = RecFieldGet(n, field);
  return v.IsError() ? StrMake("", 0) : v;
}

Status SelRelease(int file) {
  int n = DataFileNum(file);
  DataFileCtrlBlock* ctrl = Ctrl(n);
  if (!ctrl) return st::DATAOUTBOUND;
  if (SelSlot* s = Current(n)) FreeRows(*s);
  ctrl->selSlots[0] = ctrl->selSlots[1];
  ctrl->selSlots[1] = ctrl->selSlots[2];
  ctrl->selSlots[2] = 0;
  return 0;
}

Status SelDeleteAll(int file, int key, StrValue text, StrValue cond) {
  int n = DataFileNum(file);
  Status s = SelOpen(n, key, text, text, kSelAllRows, 0, cond);
  if (s == 0) {
    uint16_t rows = SelCount(n);
    for (uint32_t row = 0; s == 0 && row < rows; ++row) {
      s = SelRowRead(n, 3, row);
      if (s == 0) s = DataFileDelete(n, 0);
    }
  } else if (s == dfres::kEnd) {
    s = 0;
  }
  Status r = SelRelease(n);
  return s ? s : r;
}

void SelFreeAll() {
  for (int i = 0; i < kSelSlots; ++i)
    if (Slots()[i].busy || Slots()[i].rows) FreeRows(Slots()[i]);
  for (int n = 1; n <= DataFileCount(); ++n)
    if (DataFileCtrlBlock* ctrl = DataFileCtrl(n)) std::memset(ctrl->selSlots, 0, sizeof ctrl->selSlots);
}

int SelSlotsBusy() {
  int busy = 0;
  for (int i = 0; i < kSelSlots; ++i) busy += Slots()[i].busy ? 1 : 0;
  return busy;
}
