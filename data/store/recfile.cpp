#include "data/store/recfile.h"

#include <algorithm>
#include <cstring>

#include "data/store/datafail.h"
#include "data/store/recio.h"
#include "data/store/runstatus.h"
#include "platform/host/files.h"
#include "runtime/errors.h"
#include "runtime/kxassert.h"

namespace {

constexpr uint64_t kMaxCount = 0x7fffffffu;
constexpr size_t kChunkBytes = 1 << 20;  // data read at open, per transfer
constexpr uint32_t kBlockBytes = 32 * 1024;  // one read block
constexpr size_t kBlockCount = 8;            // read blocks per open file
constexpr uint64_t kNearRecords = 2;         // a read this close to the last one fetches a block
// Times this far before the moment they were read cannot hide a later
// write: well above the time granularity of any file system.
constexpr int64_t kSettledNs = 100 * 1000 * 1000;

uint32_t GetU32(const std::string& b, uint64_t off) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[off + i]);
  return v;
}

void PutU32(std::string& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

Status Record(Status code, const std::string& detail) { return DataFail(code, detail); }

const RecFileWatch* g_watch = nullptr;

bool Watched(const RecFileSpec& spec) { return g_watch && !spec.unwatched && !spec.readOnly; }

// The key orders of a closed file, kept for its next open.
struct Kept {
  RecFileSpec spec;
  host::FileIdentity data, index;
  uint64_t records = 0;
  std::vector<KeyOrder> orders;
  std::vector<std::vector<uint32_t>> seq;
  std::vector<uint32_t> nextSeq, free;
};
std::vector<Kept> g_kept;  // the oldest first

bool SameLayout(const RecFileSpec& a, const RecFileSpec& b) {
  if (a.dataPath != b.dataPath || a.indexPath != b.indexPath || a.recLen != b.recLen || a.keys.size() != b.keys.size())
    return false;
  for (size_t k = 0; k < a.keys.size(); ++k) {
    const auto &x = a.keys[k].segs, &y = b.keys[k].segs;
    if (x.size() != y.size()) return false;
    for (size_t i = 0; i < x.size(); ++i)
      if (x[i].offset != y[i].offset || x[i].length != y[i].length) return false;
  }
  return true;
}

bool Settled(const host::FileIdentity& id) {
  return id.writtenNs + kSettledNs < id.seenNs && id.changedNs + kSettledNs < id.seenNs;
}

// The record numbers in the order of their key texts (bytes compared
// unsigned), equal texts in ascending record order: what one insert per
// record in record order gives. The first 16 key bytes ride along as two
// big-endian numbers; keys of up to 16 bytes are sorted by a stable radix
// pass per byte that varies, longer ones by comparison.
struct SortEntry {
  uint64_t hi, lo;
  uint32_t rec;
};

uint8_t ByteOf(const SortEntry& e, uint32_t i) {
  return static_cast<uint8_t>(i < 8 ? e.hi >> (56 - 8 * i) : e.lo >> (56 - 8 * (i - 8)));
}

void RadixSort(std::vector<SortEntry>& e, uint32_t keyLen) {
  std::vector<SortEntry> tmp(e.size());
  for (uint32_t i = keyLen; i-- > 0;) {
    size_t at[257] = {};
    for (const SortEntry& x : e) ++at[ByteOf(x, i) + 1];
    if (std::find(at + 1, at + 257, e.size()) != at + 257) continue;  // every entry has the same byte here
    for (int b = 1; b < 257; ++b) at[b] += at[b - 1];
    for (const SortEntry& x : e) tmp[at[ByteOf(x, i)]++] = x;
    e.swap(tmp);
  }
}

void SortByKey(const char* keyBytes, uint32_t keyLen, const std::vector<uint32_t>& recs, uint32_t* out) {
  auto word = [keyLen](const char* key, uint32_t from) {
    uint64_t v = 0;
    for (uint32_t i = from; i < from + 8; ++i) v = (v << 8) | (i < keyLen ? static_cast<uint8_t>(key[i]) : 0u);
    return v;
  };
  std::vector<SortEntry> e(recs.size());
  for (size_t i = 0; i < recs.size(); ++i) {
    const char* key = keyBytes + uint64_t(recs[i]) * keyLen;
    e[i] = SortEntry{word(key, 0), word(key, 8), recs[i]};
  }
  if (keyLen <= 16) {
    RadixSort(e, keyLen);
  } else {
    std::sort(e.begin(), e.end(), [keyBytes, keyLen](const SortEntry& a, const SortEntry& b) {
      if (a.hi != b.hi) return a.hi < b.hi;
      if (a.lo != b.lo) return a.lo < b.lo;
      const char* ka = keyBytes + uint64_t(a.rec) * keyLen + 16;
      const char* kb = keyBytes + uint64_t(b.rec) * keyLen + 16;
      int c = std::memcmp(ka, kb, keyLen - 16);
      return c != 0 ? c < 0 : a.rec < b.rec;
    });
  }
  for (size_t i = 0; i < e.size(); ++i) out[i] = e[i].rec;
}

}  // namespace

uint32_t RecKey::Length() const {
  uint32_t n = 0;
  for (const KeySeg& s : segs) n += s.length;
  return n;
}

const RecFileWatch* RecFileWatchSet(const RecFileWatch* watch) {
  const RecFileWatch* old = g_watch;
  g_watch = watch;
  return old;
}

RecFile::~RecFile() {
  if (IsOpen()) Close();
}

Status RecFile::Watch(uint64_t rec) {
  return Watched(spec_) && g_watch->writing ? g_watch->writing(*this, rec) : 0;
}

void RecFile::Reset() {
  if (fd_ >= 0 && Watched(spec_) && g_watch->closed) g_watch->closed(*this);
  recio::Close(fd_);
  fd_ = -1;
  records_ = 0;
  dirty_ = false;
  unindexed_ = 0;
  unsaved_ = 0;
  unsynced_ = false;
  DropBlocks();
  orders_.clear();
  seq_.clear();
  nextSeq_.clear();
  free_.clear();
}

// --- Open and the checks ------------------------------------------------------

Status RecFile::Open(const RecFileSpec& spec) {
  if (IsOpen()) Close();
  spec_ = spec;
  if (spec_.recLen == 0) return Refuse("record length 0", 0);
  if (Watched(spec_) && g_watch->creating && !recio::Exists(spec_.dataPath)) {
    if (Status s = g_watch->creating(spec_.dataPath)) return s;
  }
  Status why = st::FILENOTFOUND;
  fd_ = recio::Open(spec_.dataPath, spec_.readOnly, true, &why);
  if (fd_ < 0) {
    // What the system said (175 for a file that may not be written, 164 for
    // one that is missing) is recorded with the file's name and answered,
    // so that it is what the person is shown and what the program ends with.
    ErrDetailSet(why, StrFromC(spec_.dataPath.c_str()), false);
    return ErrSet(1, MOD_STREAMS, why, why);
  }
  int64_t size = recio::Size(fd_);
  Status s = 0;
  if (size < 0 || static_cast<uint64_t>(size) % spec_.recLen != 0)
    s = Refuse("size is not a multiple of the record length", static_cast<uint64_t>(size));
  else if (static_cast<uint64_t>(size) / spec_.recLen > kMaxCount)
    s = Refuse("too many records", static_cast<uint64_t>(size));
  if (s == 0) {
    records_ = static_cast<uint64_t>(size) / spec_.recLen;
    if (!spec_.noIndex && !TakeKept()) s = LoadIndex(static_cast<uint64_t>(size));
  }
  if (s != 0) Reset();
  return s;
}

// Takes back the orders kept at the last close when neither file changed
// since; the entry goes either way.
bool RecFile::TakeKept() {
  auto it = std::find_if(g_kept.begin(), g_kept.end(), [&](const Kept& k) { return SameLayout(k.spec, spec_); });
  if (it == g_kept.end()) return false;
  Kept k = std::move(*it);
  g_kept.erase(it);
  host::FileIdentity data, index;
  if (!recio::IdentityOf(fd_, &data) || !recio::Identity(spec_.indexPath, &index)) return false;
  if (!data.SameContent(k.data) || !index.SameContent(k.index) || k.records != records_) return false;
  orders_ = std::move(k.orders);
  seq_ = std::move(k.seq);
  nextSeq_ = std::move(k.nextSeq);
  free_ = std::move(k.free);
  dirty_ = false;
  return true;
}

// Keeps the orders of a file being closed whose index file is current and
// whose files were last written well before now.
void RecFile::Keep() {
  if (spec_.noIndex || spec_.unwatched || dirty_ || unindexed_ > 0 || orders_.empty()) return;
  Kept k;
  if (!recio::IdentityOf(fd_, &k.data) || !recio::Identity(spec_.indexPath, &k.index)) return;
  if (!Settled(k.data) || !Settled(k.index) || static_cast<uint64_t>(k.data.size) != records_ * spec_.recLen) return;
  k.spec = spec_;
  k.records = records_;
  k.orders = std::move(orders_);
  k.seq = std::move(seq_);
  k.nextSeq = std::move(nextSeq_);
  k.free = std::move(free_);
  std::erase_if(g_kept, [&](const Kept& o) { return SameLayout(o.spec, spec_); });
  g_kept.push_back(std::move(k));
  if (g_kept.size() > kKeptFiles) g_kept.erase(g_kept.begin());
}

void RecFile::ForgetKept() { g_kept.clear(); }

Status RecFile::Refuse(const std::string& why, uint64_t size) const {
  // The files do not fit each other: the run stays open, so the next start
  // rebuilds them.
  RunStatusKeepOpen();
  std::string d = (spec_.noIndex ? spec_.dataPath : spec_.indexPath) + ": " + why + " (" + spec_.dataPath +
                  ": record length " + std::to_string(spec_.recLen) + ", size " + std::to_string(size) +
                  "); it is rebuilt at the next start";
  return Record(st::DISKIO, d);
}

Status RecFile::LoadIndex(uint64_t dataSize) {
  std::string b;
  bool missing = false;
  if (!recio::ReadWhole(spec_.indexPath, &b, &missing)) {
    if (!missing) return Refuse("index cannot be read", dataSize);
    // A missing index fits an empty data file only; none is created for
    // records it would not list.
    if (records_ != 0) return Refuse("index missing", dataSize);
    if (Watched(spec_) && g_watch->creating) {
      if (Status s = g_watch->creating(spec_.indexPath)) return s;
    }
    int fd = recio::Open(spec_.indexPath, false, true);  // an empty index
    if (fd < 0) return Refuse("index cannot be created", dataSize);
    recio::Close(fd);
  }
  uint64_t f = 0, n = 0, k = spec_.keys.size();
  if (k == 0) return Refuse("no key", dataSize);
  if (!b.empty()) {
    if (b.size() < 8) return Refuse("index header cut short", dataSize);
    f = GetU32(b, 0);
    n = GetU32(b, 4);
  }
  if (f > kMaxCount || n > kMaxCount || f + n != records_)
    return Refuse("index lists " + std::to_string(n) + " live and " + std::to_string(f) + " free records for " +
                      std::to_string(records_) + " records (stale index)",
                  dataSize);
  if (!b.empty() && b.size() < 8 + 4 * f + 4 * n * k) return Refuse("index cut short (" + std::to_string(b.size()) + " bytes)", dataSize);
  free_.resize(f);
  for (uint64_t i = 0; i < f; ++i) free_[i] = GetU32(b, 8 + 4 * i);
  std::vector<uint32_t> arrays(n * k);
  for (uint64_t i = 0; i < n * k; ++i) arrays[i] = GetU32(b, 8 + 4 * f + 4 * i);
  return BuildOrders(arrays, static_cast<uint32_t>(n), dataSize);
}

// Reads every record once, keeping its first byte and its key bytes.
Status RecFile::ReadKeyBytes(std::vector<std::string>& keyBytes, std::vector<char>& marks) {
  uint32_t L = spec_.recLen;
  keyBytes.assign(spec_.keys.size(), std::string());
  for (size_t k = 0; k < spec_.keys.size(); ++k) keyBytes[k].reserve(records_ * KeyLen(k));
  marks.resize(records_);
  uint64_t perChunk = std::max<uint64_t>(1, kChunkBytes / L);
  std::vector<char> buf(perChunk * L);
  for (uint64_t r0 = 0; r0 < records_; r0 += perChunk) {
    uint64_t cnt = std::min(perChunk, records_ - r0);
    if (recio::ReadAt(fd_, buf.data(), cnt * L, r0 * L) != static_cast<int64_t>(cnt * L)) return st::DISKIO;
    for (uint64_t i = 0; i < cnt; ++i) {
      const char* img = buf.data() + i * L;
      marks[r0 + i] = img[0];
      for (size_t k = 0; k < spec_.keys.size(); ++k)
        for (const KeySeg& s : spec_.keys[k].segs) keyBytes[k].append(img + s.offset, s.length);
    }
  }
  return 0;
}

Status RecFile::BuildOrders(const std::vector<uint32_t>& arrays, uint32_t live, uint64_t dataSize) {
  std::vector<std::string> keyBytes;
  std::vector<char> marks;
  if (ReadKeyBytes(keyBytes, marks) != 0) return Refuse("data file cannot be read", dataSize);
  return CheckAndBuild(arrays, live, keyBytes, marks, dataSize);
}

Status RecFile::CheckAndBuild(const std::vector<uint32_t>& arrays, uint32_t live, std::vector<std::string>& keyBytes,
                              const std::vector<char>& marks, uint64_t dataSize) {
  // 1 free, 2 live; seen[r] = k + 1 once record r was met in key k's array.
  std::vector<uint8_t> state(records_, 0);
  std::vector<uint32_t> seen(records_, 0);
  for (uint32_t r : free_) {
    if (r >= records_ || state[r] != 0) return Refuse("free record " + std::to_string(r) + " out of range or listed twice", dataSize);
    if (marks[r] != kDeleteMark) return Refuse("free record " + std::to_string(r) + " is not marked deleted", dataSize);
    state[r] = 1;
  }
  size_t K = spec_.keys.size();
  for (size_t k = 0; k < K; ++k) {
    const uint32_t* arr = arrays.data() + k * live;
    uint32_t kl = KeyLen(k);
    for (uint32_t i = 0; i < live; ++i) {
      uint32_t r = arr[i];
      bool ok = r < records_ && seen[r] != k + 1 && (k == 0 ? state[r] == 0 : state[r] == 2);
      if (!ok) return Refuse("key " + std::to_string(k + 1) + " lists record " + std::to_string(r) + " wrongly", dataSize);
      if (marks[r] == kDeleteMark) return Refuse("live record " + std::to_string(r) + " is marked deleted", dataSize);
      state[r] = 2;
      seen[r] = static_cast<uint32_t>(k + 1);
      if (i > 0 && std::memcmp(keyBytes[k].data() + uint64_t(arr[i - 1]) * kl, keyBytes[k].data() + uint64_t(r) * kl, kl) > 0)
        return Refuse("key " + std::to_string(k + 1) + " out of order at position " + std::to_string(i), dataSize);
    }
  }
  orders_.clear();
  seq_.assign(K, std::vector<uint32_t>(records_, 0));
  nextSeq_.assign(K, live);
  for (size_t k = 0; k < K; ++k) {
    const uint32_t* arr = arrays.data() + k * live;
    uint32_t kl = KeyLen(k);
    const char* kb = keyBytes[k].data();
    orders_.emplace_back(kl);
    orders_[k].Build(live, [&](uint32_t i) { return KeyOrder::Entry{kb + uint64_t(arr[i]) * kl, arr[i], i}; });
    for (uint32_t i = 0; i < live; ++i) seq_[k][arr[i]] = i;
    keyBytes[k].clear();
    keyBytes[k].shrink_to_fit();
  }
  dirty_ = false;
  unsaved_ = 0;
  return 0;
}

// --- Save, close, reopen ---------------------------------------------------------

std::string RecFile::Serialize() const {
  std::string b;
  b.reserve(8 + 4 * (free_.size() + size_t(Live()) * orders_.size()));
  PutU32(b, FreeCount());
  PutU32(b, Live());
  // Every key lists each live record once, in key order; free and live
  // records are disjoint, so together they are at most all the records.
  KX_ASSERT(uint64_t(FreeCount()) + Live() <= records_);
  for (uint32_t r : free_) PutU32(b, r);
#if KX_ASSERT_ON
  // The disjointness itself, record by record, on files the checks may walk:
  // a record the first key lists is not on the free list, and no record is
  // listed twice by either.
  std::vector<uint8_t> seen(records_ <= kKxAssertScanLimit ? records_ : 0);
  if (!seen.empty()) {
    for (uint32_t r : free_) {
      KX_ASSERT(r < records_ && !seen[r]);
      seen[r] = 1;
    }
    if (!orders_.empty())
      orders_[0].ForEach([&](const KeyOrder::Entry& e) {
        KX_ASSERT(e.rec < records_ && !seen[e.rec]);
        seen[e.rec] = 1;
      });
  }
#endif
  for (const KeyOrder& o : orders_) {
    KX_ASSERT(o.Size() == Live());
    const char* prev = nullptr;
    o.ForEach([&](const KeyOrder::Entry& e) {
      KX_ASSERT(!prev || Live() > kKxAssertScanLimit || std::memcmp(prev, e.key, o.KeyLen()) <= 0);
      prev = e.key;
      PutU32(b, e.rec);
    });
  }
  return b;
}

Status RecFile::Save() {
  if (!IsOpen() || spec_.readOnly) return 0;
  // A file that cannot be saved leaves the run open: the next start
  // rebuilds its index from the records.
  if (unindexed_ > 0) {
    RunStatusKeepOpen();
    return Record(st::DISKIO, spec_.indexPath + ": " + std::to_string(unindexed_) +
                                  " appended records not indexed, the index is not saved; it is rebuilt at the next start");
  }
  if (Status s = SyncData()) return s;
  if (spec_.noIndex || !dirty_) return 0;
  if (Watched(spec_) && g_watch->saving) {
    if (Status s = g_watch->saving(*this)) return s;
  }
  std::string b = Serialize();
  if (!recio::ReplaceWhole(spec_.indexPath, b.data(), b.size())) {
    RunStatusKeepOpen();
    return Record(st::DISKIO, spec_.indexPath + ": index not saved; it is rebuilt at the next start");
  }
  dirty_ = false;
  unsaved_ = 0;
  return 0;
}

Status RecFile::SyncData() {
  if (!unsynced_) return 0;
  if (!recio::Sync(fd_)) {
    RunStatusKeepOpen();
    return Record(st::DISKWRITERROR, spec_.dataPath + ": data not synced; the index is rebuilt at the next start");
  }
  unsynced_ = false;
  return 0;
}

Status RecFile::Commit() {
  if (!IsOpen() || spec_.readOnly) return 0;
  // Appended records not yet indexed make Save refuse, as a commit must.
  bool checkpoint = dirty_ && unsaved_ >= std::max<uint64_t>(kCheckpointChanges, records_ / 4);
  return unindexed_ > 0 || checkpoint ? Save() : SyncData();
}

Status RecFile::Close() {
  if (!IsOpen()) return 0;
  Status s = Save();
  if (s == 0) Keep();
  Reset();
  return s;
}

Status RecFile::Reopen() {
  if (!IsOpen()) return st::FILENOTINIT;
  Status s = Commit();
  if (s != 0) return s;
  DropBlocks();
  int fd = recio::Open(spec_.dataPath, spec_.readOnly, false);
  if (fd < 0) {
    Reset();
    return st::FILEIO;
  }
  recio::Close(fd_);
  fd_ = fd;
  return 0;
}

Status RecFile::Reload() {
  if (!IsOpen()) return st::FILENOTINIT;
  if (!recio::Exists(spec_.dataPath)) {
    Reset();
    return 0;
  }
  int64_t size = recio::Size(fd_);
  orders_.clear();
  seq_.clear();
  nextSeq_.clear();
  free_.clear();
  dirty_ = false;
  unindexed_ = 0;
  unsaved_ = 0;
  DropBlocks();
  Status s = size < 0 || static_cast<uint64_t>(size) % spec_.recLen != 0
                 ? Refuse("size is not a multiple of the record length", static_cast<uint64_t>(size))
                 : 0;
  if (s == 0) {
    records_ = static_cast<uint64_t>(size) / spec_.recLen;
    if (!spec_.noIndex) s = LoadIndex(static_cast<uint64_t>(size));
  }
  if (s != 0) Reset();
  return s;
}

Status RecFile::Rebuild() {
  if (!IsOpen()) return st::FILENOTINIT;
  if (spec_.noIndex) return 0;
  int64_t size = recio::Size(fd_);
  if (size < 0 || static_cast<uint64_t>(size) % spec_.recLen != 0)
    return Refuse("size is not a multiple of the record length", static_cast<uint64_t>(size));
  records_ = static_cast<uint64_t>(size) / spec_.recLen;
  DropBlocks();
  Status s = Reindex();
  // An empty file's index is rewritten too: the one on disk may list records.
  if (s == 0) dirty_ = true;
  return s;
}

Status RecFile::RebuildClosed(const RecFileSpec& spec) {
  if (spec.noIndex || spec.readOnly || !recio::Exists(spec.dataPath)) return 0;
  RecFileSpec bare = spec;
  bare.noIndex = true;
  bare.unwatched = true;
  RecFile f;
  if (Status s = f.Open(bare)) return s;
  f.spec_.noIndex = false;
  Status s = f.Rebuild();
  if (s == 0) s = f.Save();
  f.Reset();
  return s;
}

// --- Records ---------------------------------------------------------------------

std::string RecFile::KeyText(uint32_t k, const char* image) const {
  std::string t;
  t.reserve(KeyLen(k));
  for (const KeySeg& s : spec_.keys[k].segs) t.append(image + s.offset, s.length);
  return t;
}

Status RecFile::Read(uint64_t rec, char* out) const {
  if (!IsOpen()) return st::FILENOTINIT;
  if (rec >= records_) return st::DISKREADERROR;
  int64_t got = recio::ReadAt(fd_, out, spec_.recLen, rec * spec_.recLen);
  return got == static_cast<int64_t>(spec_.recLen) ? 0 : st::DISKREADERROR;
}

Status RecFile::ReadRun(uint64_t first, uint32_t count, char* out) const {
  if (!IsOpen()) return st::FILENOTINIT;
  if (first + count > records_) return st::DISKREADERROR;
  const size_t n = static_cast<size_t>(count) * spec_.recLen;
  return recio::ReadAt(fd_, out, n, first * spec_.recLen) == static_cast<int64_t>(n) ? 0 : st::DISKREADERROR;
}

uint32_t RecFile::PerBlock() const { return std::max<uint32_t>(1, kBlockBytes / spec_.recLen); }

Status RecFile::ReadNear(uint64_t rec, char* out) const {
  if (!IsOpen()) return st::FILENOTINIT;
  if (rec >= records_) return st::DISKREADERROR;
  const uint64_t L = spec_.recLen, R = PerBlock(), first = rec / R * R;
  for (Block& b : blocks_)
    if (b.count > 0 && b.first == first && rec - first < b.count) {
      std::memcpy(out, b.bytes.data() + (rec - first) * L, L);
      b.used = ++readClock_;
      lastRead_ = rec;
      return 0;
    }
  // Only a walk of neighbouring records fetches a block: a sparse walk would
  // copy a block for each record it reads.
  bool near = lastRead_ != ~0ull && (rec > lastRead_ ? rec - lastRead_ : lastRead_ - rec) <= kNearRecords;
  lastRead_ = rec;
  if (!near || R == 1) return Read(rec, out);
  if (blocks_.empty()) blocks_.resize(kBlockCount);
  Block& b = *std::min_element(blocks_.begin(), blocks_.end(), [](const Block& x, const Block& y) { return x.used < y.used; });
  uint64_t count = std::min<uint64_t>(R, records_ - first);
  b.bytes.resize(R * L);
  b.count = 0;
  if (recio::ReadAt(fd_, b.bytes.data(), count * L, first * L) != static_cast<int64_t>(count * L)) return Read(rec, out);
  b.first = first;
  b.count = static_cast<uint32_t>(count);
  b.used = ++readClock_;
  std::memcpy(out, b.bytes.data() + (rec - first) * L, L);
  return 0;
}

// Brings the read blocks in line with n bytes just written at the start of
// record rec.
void RecFile::Written(uint64_t rec, const char* bytes, size_t n) {
  const uint64_t R = PerBlock();
  for (Block& b : blocks_) {
    if (b.count == 0 || rec < b.first || rec >= b.first + R) continue;
    if (rec - b.first < b.count)
      std::memcpy(b.bytes.data() + (rec - b.first) * spec_.recLen, bytes, n);
    else
      b.count = 0;  // the record lies past the block's end: appended
  }
}

void RecFile::DropBlocks() const {
  for (Block& b : blocks_) b.count = 0;
  lastRead_ = ~0ull;
}

Status RecFile::WriteError(uint64_t rec) const {
  return Record(st::DISKWRITERROR, spec_.dataPath + ": record " + std::to_string(rec) + " not written");
}

Status RecFile::WriteRaw(uint64_t rec, const char* image) {
  if (!IsOpen()) return st::FILENOTINIT;
  if (spec_.readOnly) return st::PERMISSIONDENIED;
  if (rec >= records_) return st::DATAOUTBOUND;
  if (Status s = Watch(rec)) return s;
  unsynced_ = true;
  if (!recio::WriteAt(fd_, image, spec_.recLen, rec * spec_.recLen)) {
    DropBlocks();
    return WriteError(rec);
  }
  Written(rec, image, spec_.recLen);
  return 0;
}

uint32_t RecFile::TakeSeq(uint32_t k) {
  if (nextSeq_[k] == KeyOrder::kNone) {  // renumber in order; happens after 2^32 insertions
    std::vector<std::pair<std::string, uint32_t>> all;
    orders_[k].ForEach([&](const KeyOrder::Entry& e) { all.emplace_back(std::string(e.key, KeyLen(k)), e.rec); });
    orders_[k].Build(static_cast<uint32_t>(all.size()), [&](uint32_t i) {
      return KeyOrder::Entry{all[i].first.data(), all[i].second, i};
    });
    for (uint32_t i = 0; i < all.size(); ++i) seq_[k][all[i].second] = i;
    nextSeq_[k] = static_cast<uint32_t>(all.size());
  }
  return nextSeq_[k]++;
}

void RecFile::IndexRecord(uint32_t k, uint32_t rec, const char* image) {
  uint32_t seq = TakeSeq(k);
  seq_[k][rec] = seq;
  orders_[k].Insert(KeyText(k, image).data(), rec, seq);
}

Status RecFile::UnindexRecord(uint32_t k, uint32_t rec, const char* image) {
  if (orders_[k].Erase(KeyText(k, image).data(), seq_[k][rec]) == KeyOrder::kNone)
    return Record(st::INTERNALERROR, spec_.indexPath + ": record " + std::to_string(rec) + " missing from key " +
                                         std::to_string(k + 1));
  return 0;
}

Status RecFile::Insert(const char* image, uint32_t* rec) {
  if (!HasIndex()) return st::FILENOTINIT;
  if (spec_.readOnly) return st::PERMISSIONDENIED;
  if (image[0] == kDeleteMark) return st::BADINPUTDATA;
  uint64_t r = records_;
  if (!free_.empty()) {
    char mark = 0;
    r = free_.back();
    if (recio::ReadAt(fd_, &mark, 1, r * spec_.recLen) != 1 || mark != kDeleteMark)
      return Record(st::DISKIO, spec_.dataPath + ": free record " + std::to_string(r) + " is not marked deleted");
  } else if (r >= kMaxCount) {
    return Record(st::DISKWRITERROR, spec_.dataPath + ": file full");
  }
  if (Status s = Watch(r)) return s;
  unsynced_ = true;
  if (!recio::WriteAt(fd_, image, spec_.recLen, r * spec_.recLen)) {
    DropBlocks();
    if (r == records_) recio::Truncate(fd_, records_ * spec_.recLen);  // no torn tail
    return WriteError(r);
  }
  Written(r, image, spec_.recLen);
  if (free_.empty()) {
    ++records_;
    for (auto& s : seq_) s.push_back(0);
  } else {
    free_.pop_back();
  }
  for (uint32_t k = 0; k < KeyCount(); ++k) IndexRecord(k, static_cast<uint32_t>(r), image);
  dirty_ = true;
  ++unsaved_;
  *rec = static_cast<uint32_t>(r);
  return 0;
}

Status RecFile::Update(uint32_t rec, const char* oldImage, const char* newImage) {
  if (!HasIndex()) return st::FILENOTINIT;
  if (spec_.readOnly) return st::PERMISSIONDENIED;
  if (newImage[0] == kDeleteMark) return st::BADINPUTDATA;
  if (rec >= records_) return st::DATAOUTBOUND;
  if (Status s = Watch(rec)) return s;
  unsynced_ = true;
  if (!recio::WriteAt(fd_, newImage, spec_.recLen, uint64_t(rec) * spec_.recLen)) {
    DropBlocks();
    return WriteError(rec);
  }
  Written(rec, newImage, spec_.recLen);
  bool moved = false;
  for (uint32_t k = 0; k < KeyCount(); ++k) {
    if (KeyText(k, oldImage) == KeyText(k, newImage)) continue;
    Status s = UnindexRecord(k, rec, oldImage);
    if (s != 0) return s;
    IndexRecord(k, rec, newImage);
    dirty_ = moved = true;
  }
  if (moved) ++unsaved_;
  return 0;
}

Status RecFile::Delete(uint32_t rec, const char* image) {
  if (!HasIndex()) return st::FILENOTINIT;
  if (spec_.readOnly) return st::PERMISSIONDENIED;
  if (rec >= records_) return st::DATAOUTBOUND;
  if (Status s = Watch(rec)) return s;
  unsynced_ = true;
  if (!recio::WriteAt(fd_, &kDeleteMark, 1, uint64_t(rec) * spec_.recLen)) {
    DropBlocks();
    return WriteError(rec);
  }
  Written(rec, &kDeleteMark, 1);
  for (uint32_t k = 0; k < KeyCount(); ++k) {
    Status s = UnindexRecord(k, rec, image);
    if (s != 0) return s;
  }
  free_.push_back(rec);
  dirty_ = true;
  ++unsaved_;
  return 0;
}

// --- Bulk loading -------------------------------------------------------------------

Status RecFile::AppendRaw(const char* images, uint32_t count) {
  if (!HasIndex()) return st::FILENOTINIT;
  if (spec_.readOnly) return st::PERMISSIONDENIED;
  if (records_ + count > kMaxCount) return Record(st::DISKWRITERROR, spec_.dataPath + ": file full");
  uint64_t bytes = uint64_t(count) * spec_.recLen;
  if (Status s = Watch(records_)) return s;
  unsynced_ = true;
  DropBlocks();
  if (!recio::WriteAt(fd_, images, bytes, records_ * spec_.recLen)) {
    recio::Truncate(fd_, records_ * spec_.recLen);  // no torn tail
    return WriteError(records_);
  }
  records_ += count;
  unindexed_ += count;
  return 0;
}

Status RecFile::Reindex() {
  if (!HasIndex()) return st::FILENOTINIT;
  uint64_t dataSize = records_ * spec_.recLen;
  std::vector<std::string> keyBytes;
  std::vector<char> marks;
  if (ReadKeyBytes(keyBytes, marks) != 0) return Refuse("data file cannot be read", dataSize);
  std::vector<uint32_t> liveRecs;
  free_.clear();
  for (uint32_t r = 0; r < records_; ++r) (marks[r] == kDeleteMark ? free_ : liveRecs).push_back(r);
  uint32_t live = static_cast<uint32_t>(liveRecs.size());
  std::vector<uint32_t> arrays(size_t(live) * spec_.keys.size());
  for (size_t k = 0; k < spec_.keys.size(); ++k) SortByKey(keyBytes[k].data(), KeyLen(k), liveRecs, arrays.data() + k * live);
  unindexed_ = 0;
  Status s = CheckAndBuild(arrays, live, keyBytes, marks, dataSize);
  dirty_ = s == 0 && records_ > 0;  // an empty file keeps its empty index
  // A whole new order: the next commit writes it.
  unsaved_ = dirty_ ? std::max<uint64_t>(kCheckpointChanges, records_) : 0;
  return s;
}

// --- Positions -------------------------------------------------------------------

uint32_t RecFile::LowerBound(uint32_t k, const std::string& text) const {
  return orders_[k].LowerBound(text.data(), static_cast<uint32_t>(text.size()));
}

uint32_t RecFile::UpperBound(uint32_t k, const std::string& text) const {
  return orders_[k].UpperBound(text.data(), static_cast<uint32_t>(text.size()));
}

uint32_t RecFile::PosOf(uint32_t k, uint32_t rec, const char* image) const {
  if (rec >= records_) return KeyOrder::kNone;
  return orders_[k].RankOf(KeyText(k, image).data(), seq_[k][rec]);
}
