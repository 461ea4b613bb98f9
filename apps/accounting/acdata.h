// How the accounting modules read and write their data files: the files they
// use for the length of one operation, the fields of message 1020 resolved
// against the dictionary, and walks over keys that lead with an account.
//
// Only the accounting layer includes this header.
//
// AcFileUse: an operation names the files it reads (and writes); an open
// file that it only reads keeps its state (control block, record buffers,
// cursor and position are put back at the end, so a caller's current record
// is never disturbed); a closed one is opened for the operation (read-only
// unless it is written) and closed again at its end.
//
// AcAccountKey: a key whose first part is an account field, optionally
// followed by the DATE field ("PASS_ACC + DATE + ENTRY" of the entry lines,
// "ACC. + DATE + ACC_ID" of the balances by month). AcWalkAccounts visits the
// records of every account of a range whose date lies in a range, jumping
// over the dates outside it account by account, so its cost follows the
// records it takes, not the file.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "apps/accounting/layer.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "runtime/fixednum.h"
#include "runtime/status.h"

inline StrValue AcView(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }
inline std::string AcStr(StrValue s) { return s.IsError() ? std::string() : s.Str(); }
std::string AcTrimRight(std::string_view s);
// A number as its text ("0" for zero).
std::string AcNumText(FixedNum v);

class AcFileUse {
 public:
  AcFileUse() = default;
  ~AcFileUse();
  AcFileUse(const AcFileUse&) = delete;
  AcFileUse& operator=(const AcFileUse&) = delete;
  // Takes the file of a kind for the operation; 0 or the open's error.
  Status Take(int kind, bool write);
  int File(int kind) const { return AcFileNum(kind) & 0xff; }

 private:
  struct Held {
    int file = 0;
    bool opened = false;
    DataStoreState state;
  };
  std::vector<Held> held_;
};

// A field of message 1020 in the file of a kind: 0 with *desc filled, or 147
// with "Field:NAME{n}" in the error detail.
Status AcFieldOf(int kind, int item, DataFieldDesc* desc);
inline std::string_view AcFieldText(std::string_view record, const DataFieldDesc& f) {
  return record.size() >= static_cast<size_t>(f.offset) + f.length ? record.substr(f.offset, f.length)
                                                                   : std::string_view();
}
// A stored number field (right-aligned fixed notation) as a FixedNum at the
// current precision.
FixedNum AcFieldNum(std::string_view record, const DataFieldDesc& f);
// The current record of a file (a view valid until the next read of it).
std::string_view AcRecord(int file);

class AcAccountKey {
 public:
  // The key `key` of `file` must begin with the account field; 163 with the
  // file and key in the detail otherwise.
  Status Bind(int file, int key, const DataFieldDesc& account, const DataFieldDesc& date);
  int File() const { return file_; }
  uint16_t Width() const { return width_; }
  bool DateLed() const { return dateInKey_; }
  // The key text of the current record.
  std::string KeyText() const;
  std::string_view Account(const std::string& key) const { return std::string_view(key).substr(0, width_); }
  std::string_view Date(std::string_view record) const { return AcFieldText(record, date_); }
  // First key at or after text, record read: 0 or 1 with a record, 2 at the
  // end, or an error.
  Status Seek(const std::string& text) const;
  Status Step(bool back) const;

 private:
  int file_ = 0;
  int key_ = 0;
  uint16_t width_ = 0;
  bool dateInKey_ = false;
  DataFieldDesc date_;
  KeyPart parts_{};
  uint16_t partCount_ = 0;
};

enum class AcWalk { Next, NextAccount, Stop };
// The records whose account lies in [low, high] (the first len bytes of the
// account compared with each bound) and whose date lies in [dateLow,
// dateHigh] (8-character texts; the date is read from the key when it leads
// the rest of the key, else from the record), in key order; fn says how to
// go on. 0, or the first error.
using AcWalkFn = std::function<AcWalk(std::string_view account, std::string_view record)>;
Status AcWalkAccounts(const AcAccountKey& key, const std::string& low, const std::string& high,
                      const std::string& dateLow, const std::string& dateHigh, const AcWalkFn& fn);
// The same downwards: accounts from the last one at or below `high` (or
// below it when `inclusive` is false) towards `low`.
Status AcWalkAccountsDown(const AcAccountKey& key, const std::string& low, const std::string& high, bool inclusive,
                          const std::string& dateLow, const std::string& dateHigh, const AcWalkFn& fn);
