// The record store engine: one fixed-length record file and its index file.
//
// Owns an open data file (a descriptor, no user-space buffer) and, unless the
// file was opened without index, the in-memory order of every key (KeyOrder)
// and the free list. It knows record lengths, key segments and paths, nothing
// of the dictionary: the data-file layer (datafile.h) passes them in.
//
// Data file ("NAME.FD"): no header, no separators.
//
//   | offset      | size | meaning                                         |
//   |-------------|------|-------------------------------------------------|
//   | n x L       | L    | record n (from 0); L = record length            |
//   | n x L       | 1    | 27 (ESC) when record n is deleted; the other    |
//   |             |      | bytes of a deleted record stay as they were     |
//
// Index file ("NAME.DIR", or "NAME.NDX"); every number u32 little-endian:
//
//   | offset           | size        | meaning                                   |
//   |------------------|-------------|-------------------------------------------|
//   | 0                | 4           | F, the number of free record numbers      |
//   | 4                | 4           | N, the number of live records             |
//   | 8                | 4 x F       | free record numbers; the last is reused   |
//   |                  |             | first                                     |
//   | 8 + 4F + 4N(k-1) | 4 x N       | key k (1..K): the live record numbers in  |
//   |                  |             | ascending order of the key's text (bytes  |
//   |                  |             | compared unsigned); equal texts in the    |
//   |                  |             | order they were inserted                  |
//
// Bytes after the last key array are ignored. A missing or empty index file
// is an empty index. The key text of a record is the concatenation of the
// bytes its key segments cover.
//
// Invariants kept on disk and checked at open (any breach answers 130 with a
// detail naming the files, the record length and the size, and the file is
// not opened): the data size is a multiple of L; N + F equals the record
// count; the index holds 8 + 4F + 4NK bytes at least; every record number is
// either free (listed once in the free list, first byte 27) or live (listed
// once in every key array, first byte not 27); each key array is in key order.
//
// Safety: a record is written before the index changes and a delete writes
// the single byte 27 first; the new record number is the last free one only
// when its record carries the delete mark, otherwise the data file's end; the
// index is saved atomically (new file, fsync, rename, fsync of the
// directory), after an fsync of the data file.
//
// Costs. A commit (Commit, Reopen) syncs the records written since the last
// sync and nothing else, so it costs what it changed: the index file, whose
// format lists every record of every key, is written at Save and Close and
// at a checkpoint, when the index changes not yet in it pass a quarter of
// the file (and at least kCheckpointChanges). Between those the index file
// lags behind the data; that is safe because the run status stays open while
// the program runs and a killed run's next start rebuilds every file from
// its records (runstatus.h, rebuild.h), and an in-process rollback reads the
// orders again from the data (journal.h). A rebuild orders equal keys by
// record number, so records with equal keys can change their relative order
// after a kill (or a rolled-back record run) when they were not inserted in
// record-number order (a reused free record, an update that moved a key).
//
// Kept orders. Close keeps the key orders of a file in memory (at most
// kKeptFiles files, the oldest dropped first), with the identity of the data
// and index files (device, inode, size, write and change times) as they were
// after the close; an Open of the same paths and layout whose files still
// have that identity takes them back and reads no record. Any write since,
// by this process or another, changes an identity; so that one landing
// within the file system's time granularity cannot go unseen, orders are
// kept only when both files were last written well before the close.
//
// Read blocks. A read of a neighbour of the record read last (a scan in
// record order, a walk of a key whose order follows the records) fetches a block of records
// around it in one transfer and later reads of those records are served from
// memory; a lone read fetches its record only. The blocks follow every write
// of this object and are dropped at a commit, a reload and a close. Read
// (not ReadNear) always asks the disk: the checks against concurrent changes
// use it.
//
// Errors: 130 index check or save (recorded, module 18); 136 short record
// read (returned); 137 record write or data sync (recorded, module 18);
// 163 an image whose first byte is 27 (a live record cannot carry the delete
// mark); 175 a write on a read-only open; 0xffff the data file cannot be
// opened (166 recorded with the path).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "data/store/keyorder.h"
#include "runtime/status.h"

constexpr char kDeleteMark = 27;

struct KeySeg {
  uint16_t offset = 0;  // 0-based position in the record
  uint16_t length = 0;
};

struct RecKey {
  std::vector<KeySeg> segs;  // 1 to 5 segments
  uint32_t Length() const;
};

struct RecFileSpec {
  std::string dataPath;   // host paths
  std::string indexPath;
  uint32_t recLen = 0;
  std::vector<RecKey> keys;  // at least one unless noIndex
  bool readOnly = false;
  bool noIndex = false;
  bool unwatched = false;  // temporary files: no run journal watches them
};

class RecFile;

// What a run journal (journal.h) is told before a record file changes on
// disk, while one is installed: a data or index file about to be created, a
// record about to be written (rec may be the data file's end), an index
// about to be replaced, and a file closed (its object may go). A non-zero
// answer refuses the change, which then answers that code.
struct RecFileWatch {
  Status (*creating)(const std::string& path) = nullptr;
  Status (*writing)(RecFile& file, uint64_t rec) = nullptr;
  Status (*saving)(RecFile& file) = nullptr;
  void (*closed)(RecFile& file) = nullptr;
};
// Installs the watch (null: none); answers the previous one.
const RecFileWatch* RecFileWatchSet(const RecFileWatch* watch);

class RecFile {
 public:
  RecFile() = default;
  ~RecFile();
  RecFile(const RecFile&) = delete;
  RecFile& operator=(const RecFile&) = delete;

  Status Open(const RecFileSpec& spec);
  Status Close();  // saves when dirty and syncs; the file is closed even on an error
  Status Save();   // syncs the data file, then writes the index atomically when dirty
  // Syncs what was written since the last sync; saves the index only at a
  // checkpoint (see Costs). Errors as Save.
  Status Commit();
  // Syncs the records written since the last sync, nothing else (a run
  // journal's commit: the index follows at a checkpoint or the close).
  Status Sync() { return SyncData(); }
  bool Unsynced() const { return unsynced_; }
  Status Reopen(); // Commit, then a new descriptor on the same path replaces the old one
  // Forgets the index in memory and reads the files again as they are on
  // disk now, keeping the descriptor (a run was undone underneath). A data
  // file that is gone closes the file; a check that fails answers 130.
  Status Reload();
  // Builds the index from the records on disk (what Reload cannot when the
  // index file is older than the data), leaving it to be saved. An open
  // file keeps its descriptor; a closed one is opened on spec, rebuilt and
  // saved, then closed.
  Status Rebuild();
  static Status RebuildClosed(const RecFileSpec& spec);
  // Forgets every kept order (see Kept orders): the next open of any file
  // reads it again.
  static void ForgetKept();
  static constexpr size_t kKeptFiles = 32;
  static constexpr uint64_t kCheckpointChanges = 4096;

  bool IsOpen() const { return fd_ >= 0; }
  bool HasIndex() const { return IsOpen() && !spec_.noIndex; }
  bool ReadOnly() const { return spec_.readOnly; }
  bool Dirty() const { return dirty_; }
  int Descriptor() const { return fd_; }
  const RecFileSpec& Spec() const { return spec_; }
  uint32_t RecLen() const { return spec_.recLen; }
  uint32_t KeyCount() const { return static_cast<uint32_t>(orders_.size()); }
  uint32_t KeyLen(uint32_t k) const { return spec_.keys[k].Length(); }
  uint32_t Live() const { return orders_.empty() ? 0 : orders_[0].Size(); }
  uint32_t FreeCount() const { return static_cast<uint32_t>(free_.size()); }
  uint64_t Records() const { return records_; }
  uint64_t Unsaved() const { return unsaved_; }  // index changes not in the index file
  const std::vector<uint32_t>& FreeList() const { return free_; }

  std::string KeyText(uint32_t k, const char* image) const;  // k from 0

  Status Read(uint64_t rec, char* out) const;      // from the disk
  // count records from first on, from the disk in one transfer.
  Status ReadRun(uint64_t first, uint32_t count, char* out) const;
  Status ReadNear(uint64_t rec, char* out) const;  // through the read blocks
  Status WriteRaw(uint64_t rec, const char* image);  // no index change
  Status Insert(const char* image, uint32_t* rec);
  Status Update(uint32_t rec, const char* oldImage, const char* newImage);
  Status Delete(uint32_t rec, const char* image);

  // Bulk loading (the rebuild): AppendRaw writes count records at the end of
  // the data file in one write without indexing them; Reindex then builds
  // every key's order from the records on disk in one stable sort per key
  // (live records in record order for equal keys, the marked ones free in
  // ascending order), exactly what inserting them one by one gives. Between
  // the two only AppendRaw may be called, and Save refuses (130): the index
  // does not cover the appended records yet.
  Status AppendRaw(const char* images, uint32_t count);
  Status Reindex();
  uint32_t Unindexed() const { return unindexed_; }

  // Positions are ranks in key k's order (k from 0).
  uint32_t LowerBound(uint32_t k, const std::string& text) const;
  uint32_t UpperBound(uint32_t k, const std::string& text) const;
  uint32_t RecAt(uint32_t k, uint32_t pos) const { return orders_[k].At(pos).rec; }
  const char* KeyAt(uint32_t k, uint32_t pos) const { return orders_[k].At(pos).key; }
  // The position of rec in key k, image being the record as on disk.
  uint32_t PosOf(uint32_t k, uint32_t rec, const char* image) const;

 private:
  RecFileSpec spec_;
  int fd_ = -1;
  uint64_t records_ = 0;  // data size / L
  bool dirty_ = false;
  uint32_t unindexed_ = 0;  // records appended since the last Reindex
  std::vector<KeyOrder> orders_;
  std::vector<std::vector<uint32_t>> seq_;  // per key, per record: its sequence
  std::vector<uint32_t> nextSeq_;
  std::vector<uint32_t> free_;
  uint64_t unsaved_ = 0;   // index changes since the index file was written
  bool unsynced_ = false;  // records written since the last sync
  struct Block {
    uint64_t first = 0;  // its first record
    uint32_t count = 0;  // records held; 0: unused
    uint64_t used = 0;   // when last read, for the replacement
    std::vector<char> bytes;
  };
  mutable std::vector<Block> blocks_;
  mutable uint64_t readClock_ = 0;
  mutable uint64_t lastRead_ = ~0ull;

  Status Refuse(const std::string& why, uint64_t size) const;
  Status SyncData();
  bool TakeKept();
  void Keep();
  uint32_t PerBlock() const;
  void Written(uint64_t rec, const char* bytes, size_t n);
  void DropBlocks() const;
  Status LoadIndex(uint64_t dataSize);
  Status BuildOrders(const std::vector<uint32_t>& arrays, uint32_t live, uint64_t dataSize);
  Status CheckAndBuild(const std::vector<uint32_t>& arrays, uint32_t live, std::vector<std::string>& keyBytes,
                       const std::vector<char>& marks, uint64_t dataSize);
  Status ReadKeyBytes(std::vector<std::string>& keyBytes, std::vector<char>& marks);
  void IndexRecord(uint32_t k, uint32_t rec, const char* image);
  Status UnindexRecord(uint32_t k, uint32_t rec, const char* image);
  uint32_t TakeSeq(uint32_t k);
  Status WriteError(uint64_t rec) const;
  std::string Serialize() const;
  void Reset();
  Status Watch(uint64_t rec);
};
