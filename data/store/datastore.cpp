#include "data/store/datastore.h"

#include <algorithm>
#include <cstring>

#include "data/dictionary/compat.h"
#include "data/store/recio.h"

namespace {
const char* const kExt[] = {"", "", "FD", "DIR", "NDX", "TMP", "TXT"};
}

std::string DataFileNameBuild(const std::string& name, const std::string& location, int kind, uint16_t compat) {
  if (kind <= 1 || kind > 6) return name;
  std::string base = CompatName8(name, compat);
  std::string ext = kind == 3 ? CompatIndexExt(compat) : kExt[kind];
  std::string path = location;
  if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
  return path + base + "." + ext;
}

// --- Guards -----------------------------------------------------------------------

Status DataStore::Ready(bool needIndex, bool write) const {
  if (!open_ || (needIndex && !rf_.HasIndex())) return st::FILENOTINIT;
  if (write && rf_.ReadOnly()) return st::PERMISSIONDENIED;
  return 0;
}

Status DataStore::KeyArg(int key, uint32_t* k) const {
  if (key == -1) key = ctrl.curKey;
  if (key < 1 || key > static_cast<int>(rf_.KeyCount())) return st::DATAOUTBOUND;
  *k = static_cast<uint32_t>(key - 1);
  return 0;
}

char* DataStore::Pair(Status* err) const {
  *err = 0;
  char* p = pairSource_ ? pairSource_(err) : nullptr;
  if (!p && *err == 0) *err = st::FILENOTINIT;
  return p;
}

// Resets the control block for a new open (or none). The relation base is
// kept: the file's relations stay on the relation list until they are
// unwound, and loading them again at every open would grow that list.
void DataStore::OpenStateInit() {
  int16_t relBase = ctrl.relBase;
  CtrlInit();
  ctrl.relBase = relBase;
}

void DataStore::Clear(char* pair) const { std::memset(pair, ' ', 2 * size_t(L())); }

// Reads record rec into part 1 (current), 2 (saved) or 3 (both).
Status DataStore::Load(uint32_t rec, int part, char* pair) {
  std::vector<char> img(L());
  Status s = rf_.ReadNear(rec, img.data());
  if (s != 0) return s;
  if (part & 1) std::memcpy(pair, img.data(), L());
  if (part & 2) std::memcpy(pair + L(), img.data(), L());
  if (part & 1) {
    cursor_ = img[0] == kDeleteMark ? -1 : rec;
    if (cursor_ >= 0) Follow(img.data());
  }
  return 0;
}

// Puts the position on the cursor's entry in the current key.
void DataStore::Follow(const char* diskImage) {
  if (cursor_ < 0 || !rf_.HasIndex()) return;
  uint32_t p = rf_.PosOf(ctrl.curKey - 1, static_cast<uint32_t>(cursor_), diskImage);
  if (p != KeyOrder::kNone) pos_ = p;
}

// --- Open and close -------------------------------------------------------------------

Status DataStore::Open(const StoreLayout& layout, uint8_t flags, const StoreEnv& env, bool* already) {
  *already = open_ && ctrl.openFlags == flags;
  if (*already) return 0;
  bool exclusive = (flags & dfopen::kExclusive) && !env.temporary;
  if (exclusive) {
    Status s = LockMarker::Check(layout.name, owner_);
    if (s != 0) return s;
  }
  if (open_) {
    Status s = Close();
    if (s != 0) return s;
  }
  OpenStateInit();
  layout_ = layout;
  temp_ = env.temporary;
  if (exclusive) {
    Status s = lock_.Acquire(layout.name, owner_);
    if (s != 0) return s;
  }
  RecFileSpec spec;
  if (temp_) {
    tempData_ = recio::TempFile(layout.name + "_");
    tempIndex_ = recio::TempFile(layout.name + "_");
    spec.dataPath = tempData_;
    spec.indexPath = tempIndex_;
  } else {
    spec.dataPath = recio::HostPath(DataFileNameBuild(layout.name, layout.location, 2, env.compat));
    spec.indexPath = recio::HostPath(DataFileNameBuild(layout.name, layout.location, 3, env.compat));
  }
  spec.recLen = layout.recLen;
  spec.keys = layout.keys;
  spec.readOnly = flags & dfopen::kReadOnly;
  spec.noIndex = flags & dfopen::kNoIndex;
  spec.unwatched = temp_;
  Status s = rf_.Open(spec);
  if (s != 0) {
    lock_.Release();
    DropTemp();
    return s;
  }
  open_ = true;
  ctrl.openFlags = flags;
  ctrl.dataStream = static_cast<int16_t>(rf_.Descriptor());
  cursor_ = -1;
  pos_ = 0;
  ++generation_;
  return 0;
}

// The first record of the current key, as the open's result; a file opened
// without index has no order and answers end of file with a blank buffer.
Status DataStore::Start() {
  if (!open_) return st::FILENOTINIT;
  if (rf_.HasIndex()) return Move(dfmove::kFirst);
  Status err = 0;
  char* pair = Pair(&err);
  if (!pair) return err;
  Clear(pair);
  ctrl.lastStatus = dfres::kEnd;
  return dfres::kEnd;
}

void DataStore::DropTemp() {
  for (std::string* p : {&tempData_, &tempIndex_}) {
    if (!p->empty()) recio::Remove(*p);
    p->clear();
  }
}

Status DataStore::Close() {
  if (!open_) return 0;
  Status s = rf_.Close();
  lock_.Release();
  if (temp_) DropTemp();
  OpenStateInit();
  open_ = false;
  temp_ = false;
  cursor_ = -1;
  pos_ = 0;
  ++generation_;
  return s;
}

Status DataStore::Save() {
  Status s = Ready(false, false);
  return s != 0 ? s : rf_.Save();
}

Status DataStore::Reopen(Status code) {
  Status s = Ready(false, false);
  if (s == 0) {
    s = rf_.Reopen();
    if (s == 0) {
      ctrl.dataStream = static_cast<int16_t>(rf_.Descriptor());
    } else if (!rf_.IsOpen()) {
      lock_.Release();
      if (temp_) DropTemp();
      OpenStateInit();
      open_ = false;
      cursor_ = -1;
    }
  }
  return code != 0 ? code : s;
}

// --- Searching and stepping ----------------------------------------------------------

Status DataStore::Search(uint32_t k, const std::string& text, uint32_t* pos) const {
  std::string t = text.empty() ? std::string(" ") : text.substr(0, rf_.KeyLen(k));
  uint32_t n = rf_.Live();
  *pos = rf_.LowerBound(k, t);
  if (*pos < n && std::memcmp(rf_.KeyAt(k, *pos), t.data(), t.size()) == 0) return dfres::kFound;
  return *pos == n ? dfres::kEnd : dfres::kNotFound;
}

Status DataStore::ReadKey(int key, const std::string& text, uint16_t flags) {
  Status err = 0;
  uint32_t k = 0;
  if ((err = Ready(true, false)) != 0 || (err = KeyArg(key, &k)) != 0) return err;
  char* pair = Pair(&err);
  if (!pair) return err;
  ctrl.curKey = static_cast<uint16_t>(k + 1);
  uint32_t pos = 0;
  Status s = Search(k, text, &pos);
  pos_ = pos;
  if (s == dfres::kFound || (s == dfres::kNotFound && (flags & dfmove::kAlsoOn1))) {
    err = Load(rf_.RecAt(k, pos), 3, pair);
    if (err != 0) return err;
  } else {
    cursor_ = -1;
    if (flags & 1) Clear(pair);
  }
  ctrl.lastStatus = s;
  return s;
}

Status DataStore::FindKey(int key, const std::string& text, uint16_t part) {
  Status err = 0;
  uint32_t k = 0;
  if ((err = Ready(true, false)) != 0 || (err = KeyArg(key, &k)) != 0) return err;
  char* pair = Pair(&err);
  if (!pair) return err;
  uint32_t pos = 0;
  Status s = Search(k, text, &pos);
  if (k + 1 == ctrl.curKey) pos_ = pos;
  bool loaded = s == dfres::kFound || (s == dfres::kNotFound && (part & 4));
  if (loaded && (part & 3)) {
    err = Load(rf_.RecAt(k, pos), part & 3, pair);
    if (err != 0) return err;
  }
  return s;
}

Status DataStore::Move(uint16_t flags) {
  Status err = 0;
  if ((err = Ready(true, false)) != 0) return err;
  char* pair = Pair(&err);
  if (!pair) return err;
  if (flags & dfmove::kNew) {
    Clear(pair);
    cursor_ = -1;
    return ctrl.lastStatus = dfres::kNewRecord;
  }
  int64_t n = rf_.Live();
  Status s = dfres::kEnd;
  if (n > 0) {
    int64_t p = pos_;
    switch (flags & dfmove::kStep) {
      case dfmove::kNext: p += 1; break;
      case dfmove::kPrev: p -= 1; break;
      case dfmove::kLast: p = n - 1; break;
      case dfmove::kFirst: p = 0; break;
      default: break;
    }
    s = p < 0 ? dfres::kNotFound : (p >= n ? dfres::kEnd : dfres::kFound);
    pos_ = static_cast<uint32_t>(std::clamp<int64_t>(p, 0, n - 1));
  }
  if (s == dfres::kFound || (s == dfres::kNotFound && (flags & dfmove::kAlsoOn1))) {
    err = Load(rf_.RecAt(ctrl.curKey - 1, pos_), 3, pair);
    if (err != 0) return err;
  } else {
    Clear(pair);
    cursor_ = -1;
  }
  return ctrl.lastStatus = s;
}

Status DataStore::KeyLimit(uint16_t flags, const std::string& limit) {
  if (ctrl.lastStatus > 1) return ctrl.lastStatus;
  if (limit.empty()) return 0;
  Status err = 0;
  if ((err = Ready(true, false)) != 0) return err;
  char* pair = Pair(&err);
  if (!pair) return err;
  std::string text = rf_.KeyText(ctrl.curKey - 1, pair).substr(0, limit.size());
  int c = limit.compare(text);
  bool beyond = (flags & dfmove::kDescending) ? c > 0 : c < 0;
  return beyond ? dfres::kEnd : 0;
}

int64_t DataStore::RecAtPosition(uint32_t pos) const {
  if (!rf_.HasIndex() || pos >= rf_.Live()) return -1;
  return rf_.RecAt(ctrl.curKey - 1, pos);
}

Status DataStore::KeySet(int key) {
  if (key == -1) key = ctrl.curKey;
  if (key == 0) key = 1;
  if (open_ && rf_.HasIndex() && (key < 1 || key > static_cast<int>(rf_.KeyCount()))) return st::DATAOUTBOUND;
  if (key < 1 || key > 0xffff) return st::DATAOUTBOUND;
  if (key == ctrl.curKey) return 0;
  ctrl.curKey = static_cast<uint16_t>(key);
  pos_ = 0;
  if (cursor_ >= 0 && rf_.HasIndex()) {
    std::vector<char> img(L());
    if (rf_.ReadNear(static_cast<uint64_t>(cursor_), img.data()) == 0) Follow(img.data());
  }
  return 0;
}

// --- Writing ---------------------------------------------------------------------------

Status DataStore::Insert() {
  Status err = 0;
  if ((err = Ready(true, true)) != 0) return err;
  char* pair = Pair(&err);
  if (!pair) return err;
  uint32_t rec = 0;
  err = rf_.Insert(pair, &rec);
  if (err != 0) return err;
  cursor_ = rec;
  Follow(pair);
  ctrl.lastStatus = dfres::kFound;  // the buffer now holds a stored record
  if (layout_.lineField) return 0;
  uint32_t k = ctrl.curKey - 1;
  uint32_t first = rf_.LowerBound(k, rf_.KeyText(k, pair));
  return rf_.RecAt(k, first) == rec ? 0 : dfres::kRepeatedKey;
}

Status DataStore::Update() {
  Status err = 0;
  if ((err = Ready(true, false)) != 0) return err;
  char* pair = Pair(&err);
  if (!pair) return err;
  if (std::memcmp(pair, pair + L(), L()) == 0) return 0;
  if (ctrl.lastStatus == dfres::kNewRecord) return Insert();
  if ((err = Ready(true, true)) != 0) return err;
  if (cursor_ < 0) return dfres::kBadKey;
  std::vector<char> disk(L());
  uint32_t rec = static_cast<uint32_t>(cursor_);
  if ((err = rf_.Read(rec, disk.data())) != 0) return err;
  if (std::memcmp(disk.data(), pair + L(), L()) != 0) return dfres::kConcurrentChange;
  if ((err = rf_.Update(rec, disk.data(), pair)) != 0) return err;
  Follow(pair);
  return 0;
}

Status DataStore::Delete(uint16_t flags) {
  Status err = 0;
  if ((err = Ready(true, true)) != 0) return err;
  char* pair = Pair(&err);
  if (!pair) return err;
  if (cursor_ < 0) return dfres::kBadKey;
  std::string kept = rf_.KeyText(ctrl.curKey - 1, pair + L());
  std::vector<char> disk(L());
  uint32_t rec = static_cast<uint32_t>(cursor_);
  if ((err = rf_.Read(rec, disk.data())) != 0) return err;
  if (std::memcmp(disk.data(), pair + L(), L()) != 0) return dfres::kConcurrentChange;
  if ((err = rf_.Delete(rec, disk.data())) != 0) return err;
  pair[0] = kDeleteMark;
  cursor_ = -1;  // the position now holds the record that followed
  if (flags & 2) return ReadKey(-1, kept, flags);
  return 0;
}

// Reads from a key while its text stays within the range text, running step
// and rewriting each record. The range key may not change inside the range:
// its entry would move and the walk would skip or revisit records.
Status DataStore::ReadRange(int key, const std::string& text, uint16_t flags, const Step& seed, const Step& step,
                            bool* inserted) {
  *inserted = false;
  Status err = Ready(true, false);
  if (err != 0) return err;
  DataStoreState saved;
  SaveState(&saved);
  Status code = ReadKey(key, text, 0);
  // Without a record read or inserted the range is empty; the buffer then
  // holds no record of it, whatever its key bytes say.
  bool loaded = code == 0;
  if (code < 128 && code != 0 && (flags & 4)) {
    char* pair = Pair(&err);
    code = pair ? 0 : err;
    if (code == 0) Clear(pair);
    if (code == 0 && seed) code = seed();
    if (code == 0) code = Insert();
    *inserted = code == 0;
    loaded = *inserted;
    if (*inserted) std::memcpy(pair + L(), pair, L());  // the new record as stored
  }
  if (code < 128) code = 0;
  while (loaded && code == 0 && KeyLimit(0, text) == 0) {
    char* pair = Pair(&err);
    if (!pair) {
      code = err;
      break;
    }
    std::string before = rf_.KeyText(ctrl.curKey - 1, pair);
    if (step && (code = step()) != 0) break;
    pair = Pair(&err);
    if (!pair) {
      code = err;
      break;
    }
    if (rf_.KeyText(ctrl.curKey - 1, pair) != before) {
      code = st::BADINPUTDATA;
      break;
    }
    code = Update();
    if (code != 0) break;
    Move(dfmove::kNext);
  }
  Status back = RestoreState(saved);
  return code != 0 ? code : back;
}

Status DataStore::ReadLive(int64_t rec, uint16_t flags, int64_t* reached) {
  Status err = 0;
  if ((err = Ready(false, false)) != 0) return err;
  char* pair = Pair(&err);
  if (!pair) return err;
  int64_t r = rec < 0 ? 0 : rec + ((flags & dfmove::kNext) ? 1 : 0);
  std::vector<char> img(L());
  for (;; ++r) {
    *reached = r;
    if (static_cast<uint64_t>(r) >= rf_.Records()) return dfres::kEnd;
    if ((err = rf_.ReadNear(static_cast<uint64_t>(r), img.data())) != 0) return dfres::kEnd;
    if (img[0] != kDeleteMark) break;
  }
  std::memcpy(pair, img.data(), L());
  std::memcpy(pair + L(), img.data(), L());
  cursor_ = r;
  Follow(img.data());
  return 0;
}

Status DataStore::RecRead(int64_t rec) { return RecLoad(rec, 1); }

Status DataStore::RecLoad(int64_t rec, int part) {
  Status err = 0;
  if ((err = Ready(false, false)) != 0) return err;
  if (rec < 0 || static_cast<uint64_t>(rec) >= rf_.Records()) return st::DISKREADERROR;
  char* pair = Pair(&err);
  if (!pair) return err;
  return Load(static_cast<uint32_t>(rec), part & 3, pair);
}

// Writes the current record over record rec. With an index the record must be
// live and stay live, and its keys are re-indexed; without one it is raw.
Status DataStore::RecWrite(int64_t rec) {
  Status err = 0;
  if ((err = Ready(false, true)) != 0) return err;
  if (rec < 0 || static_cast<uint64_t>(rec) >= rf_.Records()) return st::DATAOUTBOUND;
  char* pair = Pair(&err);
  if (!pair) return err;
  if (!rf_.HasIndex()) return rf_.WriteRaw(static_cast<uint64_t>(rec), pair);
  std::vector<char> disk(L());
  if ((err = rf_.Read(static_cast<uint64_t>(rec), disk.data())) != 0) return err;
  if (disk[0] == kDeleteMark || pair[0] == kDeleteMark) return st::DATAOUTBOUND;
  if ((err = rf_.Update(static_cast<uint32_t>(rec), disk.data(), pair)) != 0) return err;
  if (cursor_ == rec) Follow(pair);
  return 0;
}

// --- Bulk loading ---------------------------------------------------------------------------

Status DataStore::AppendRaw(const char* images, uint32_t count) {
  Status err = Ready(true, true);
  return err != 0 ? err : rf_.AppendRaw(images, count);
}

Status DataStore::Reindex() {
  Status err = Ready(true, true);
  if (err != 0) return err;
  cursor_ = -1;
  pos_ = 0;
  return rf_.Reindex();
}

// --- Saved states -------------------------------------------------------------------------

void DataStore::SaveState(DataStoreState* out) {
  out->ctrl = ctrl;
  out->cursor = cursor_;
  out->pos = pos_;
  out->generation = generation_;
  Status err = 0;
  char* pair = open_ ? Pair(&err) : nullptr;
  out->pair = pair ? std::string(pair, 2 * size_t(L())) : std::string();
}

// Puts a saved state back. The open state itself (flags, descriptor) and the
// relation base are what they are now; cursor and position come back only if the same open is still on.
Status DataStore::RestoreState(const DataStoreState& in) {
  DataFileCtrlBlock now = ctrl;
  ctrl = in.ctrl;
  ctrl.dataStream = now.dataStream;
  ctrl.openFlags = now.openFlags;
  ctrl.relBase = now.relBase;  // relations loaded or unwound meanwhile stay so
  if (in.generation != generation_) return 0;
  cursor_ = in.cursor;
  pos_ = in.pos;
  Status err = 0;
  char* pair = in.pair.empty() ? nullptr : Pair(&err);
  if (pair && in.pair.size() == 2 * size_t(L())) std::memcpy(pair, in.pair.data(), in.pair.size());
  return err;
}
