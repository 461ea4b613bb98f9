// One defined data file while the program runs: its control block, the open
// record file with its index, the lock marker of an exclusive open, and the
// cursor: the record number of the record last read into the buffer.
//
// DataStore holds every operation of the data-file layer on one file, given
// the file's layout (name, location, record length, keys) and a source of its
// record buffer pair (current record, then saved copy, 2 x L bytes) directly;
// datafile.h maps file numbers, the dictionary, the record buffers and the
// system integers onto it.
//
// Rules beyond the plain reading of the operations:
// - Update and Delete act on the cursor, which is valid only while the
//   buffer holds the record last loaded by a read, move or insert; without it
//   they answer 5 and write nothing. Before writing, the record on disk is
//   compared with the saved copy: a difference answers 7 (concurrent change).
// - Update of a new blank record (last status 3) inserts it.
// - The position (rank in the current key's order) always follows the
//   cursor when there is one; a search in another key does not move it.
// - A file that is not open, or open without index, answers 169 to index
//   operations; a key number outside 1..K answers 168; a write on a
//   read-only open answers 175.
// - Close and reopen keep the relation base (the relations stay loaded until
//   they are unwound); so does putting a saved control block back.
// Statuses below 128 are results (0 found, 1 not found, 2 end, 3 new record,
// 5 bad key, 6 repeated key, 7 concurrent change); 128 and above are errors.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "data/store/lockmark.h"
#include "data/store/recfile.h"
#include "runtime/status.h"

struct DataFileScanPos {
  uint16_t status = 0;
  uint16_t error = 0;
  int32_t rec = 0;
  int32_t extra = 0;
};

// The control block of a defined data file. dataStream holds the data file's
// descriptor while it is open (-1 when closed).
struct DataFileCtrlBlock {
  uint16_t curKey = 1;
  uint16_t lastStatus = 2;
  int16_t dataStream = -1;
  int16_t relBase = -1;
  DataFileScanPos scan;
  uint16_t selSlots[3] = {0, 0, 0};
  uint8_t openFlags = 0;
};

namespace dfopen {
constexpr uint8_t kReadOnly = 0x01;
constexpr uint8_t kExclusive = 0x02;
constexpr uint8_t kMakeCurrent = 0x08;
constexpr uint8_t kNoIndex = 0x10;
}  // namespace dfopen

namespace dfmove {
constexpr uint16_t kNew = 0x01;
constexpr uint16_t kAlsoOn1 = 0x02;   // read the record on status 1 too
constexpr uint16_t kDescending = 0x04;
constexpr uint16_t kNext = 0x10;
constexpr uint16_t kPrev = 0x14;
constexpr uint16_t kLast = 0x20;
constexpr uint16_t kFirst = 0x24;
constexpr uint16_t kStep = 0x34;  // the bits that choose the step
}  // namespace dfmove

namespace dfres {
constexpr Status kFound = 0;
constexpr Status kNotFound = 1;
constexpr Status kEnd = 2;
constexpr Status kNewRecord = 3;
constexpr Status kBadKey = 5;
constexpr Status kRepeatedKey = 6;
constexpr Status kConcurrentChange = 7;
}  // namespace dfres

struct StoreLayout {
  std::string name;      // the dictionary name (upper-cased by the dictionary)
  std::string location;  // the dictionary location, Windows-style or not
  uint32_t recLen = 0;
  std::vector<RecKey> keys;
  bool lineField = false;  // the file has an N_LINE field: no repeated-key answer
};

struct StoreEnv {
  bool temporary = false;  // fresh temporary files, no lock marker
  uint16_t compat = 0;     // the _COMPAT switches (data/dictionary/compat.h): NDX, names cut to 8
};

// The name of a file of the given kind (1-6) from its dictionary name and
// location; kind 7 (a fresh temporary file) is made by TempName.
std::string DataFileNameBuild(const std::string& name, const std::string& location, int kind, uint16_t compat);

// What DataFileCtrlSave copies out and puts back.
struct DataStoreState {
  DataFileCtrlBlock ctrl;
  std::string pair;
  int64_t cursor = -1;
  uint32_t pos = 0;
  uint64_t generation = 0;
};

class DataStore {
 public:
  // Answers the record buffer pair (2 x L bytes) or null with *err set.
  using PairSource = std::function<char*(Status* err)>;
  using Step = std::function<Status()>;

  DataFileCtrlBlock ctrl;

  void SetOwner(int owner) { owner_ = owner; }
  void SetPairSource(PairSource src) { pairSource_ = std::move(src); }
  // Resets the whole block, the relation base too (the file was redefined).
  void CtrlInit() { ctrl = DataFileCtrlBlock(); }

  // Opens the files (or answers 0 with *already when open with these flags);
  // Start then positions on the first record as the open's result.
  Status Open(const StoreLayout& layout, uint8_t flags, const StoreEnv& env, bool* already);
  Status Start();
  Status Close();
  // The commit of the Part's reopen: the records written are synced, the
  // index saved only at a checkpoint (recfile.h, Costs).
  Status Reopen(Status code);
  // Syncs the data and writes the index file now (a backup copies both).
  Status Save();

  bool IsOpen() const { return open_; }
  bool Temporary() const { return temp_; }
  const RecFile& File() const { return rf_; }
  const LockMarker& Marker() const { return lock_; }
  int64_t Cursor() const { return cursor_; }
  uint32_t Position() const { return pos_; }

  Status ReadKey(int key, const std::string& text, uint16_t flags);
  Status FindKey(int key, const std::string& text, uint16_t part);
  Status Move(uint16_t flags);
  Status KeyLimit(uint16_t flags, const std::string& limit);
  Status Insert();
  Status Update();
  Status Delete(uint16_t flags);
  Status ReadRange(int key, const std::string& text, uint16_t flags, const Step& seed, const Step& step,
                   bool* inserted);
  Status ReadLive(int64_t rec, uint16_t flags, int64_t* reached);
  Status RecRead(int64_t rec);
  Status RecWrite(int64_t rec);
  Status RecLoad(int64_t rec, int part);
  uint16_t KeyGet() const { return ctrl.curKey; }
  Status KeySet(int key);
  // The record number at a position of the current key (-1 when none).
  int64_t RecAtPosition(uint32_t pos) const;
  void SetPosition(uint32_t pos) { pos_ = pos; }

  // Bulk loading of an exclusive open (the rebuild): records appended at the
  // end without indexing, then every key indexed at once (RecFile).
  Status AppendRaw(const char* images, uint32_t count);
  Status Reindex();

  void SaveState(DataStoreState* out);
  Status RestoreState(const DataStoreState& in);

 private:
  RecFile rf_;
  LockMarker lock_;
  PairSource pairSource_;
  StoreLayout layout_;
  int owner_ = 0;
  bool open_ = false;
  bool temp_ = false;
  std::string tempData_, tempIndex_;
  int64_t cursor_ = -1;
  uint32_t pos_ = 0;
  uint64_t generation_ = 0;

  Status Ready(bool needIndex, bool write) const;
  Status KeyArg(int key, uint32_t* k) const;
  char* Pair(Status* err) const;
  uint32_t L() const { return rf_.RecLen(); }
  Status Search(uint32_t k, const std::string& text, uint32_t* pos) const;
  Status Load(uint32_t rec, int part, char* pair);
  void Clear(char* pair) const;
  void Follow(const char* diskImage);
  Status OpenFiles(uint8_t flags);
  void DropTemp();
  void OpenStateInit();
};
