#include "data/bridges/databuiltins.h"

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "data/scans/scan.h"
#include "runtime/errors.h"
#include "runtime/strutil.h"
#include "script/dataaccess.h"

namespace {

constexpr int kNavSave = 8;    // SVE
constexpr int kNavInsert = 9;  // INS
constexpr int kNavDelete = 10; // DEL

// The file number a text gives: a defined name, or digits naming a defined
// file; 0 otherwise.
int FileOfText(StrValue text) {
  std::string_view v = StrTrim(text, 3).View();
  if (v.empty()) return 0;
  int n = 0;
  if (static_cast<unsigned char>(v[0]) > 64) {
    n = DataFileFind(StrTrim(text, 3));
  } else {
    for (char c : v) n = c >= '0' && c <= '9' && n <= kMaxDataFiles ? n * 10 + (c - '0') : kMaxDataFiles + 1;
  }
  return n >= 1 && n <= DataFileCount() ? n : 0;
}

Status Refuse(StrValue word) {
  ErrDetailSet(st::SINTAXERROR, word, false);
  return ErrSet(1, MOD_DATAFILE, st::SINTAXERROR, st::SINTAXERROR);
}

}  // namespace

Status DataFileLenOf(StrValue name, int64_t* count) {
  *count = 0;
  if (Status e = StrError(name)) return e;
  const StrAreaScope scope;
  int n = FileOfText(name);
  if (n == 0) return st::NOTFOUND;
  uint32_t records = 0;
  Status s = DataFileCountRange(n, -1, StrMake("", 0), StrMake("", 0), StrMake("", 0), &records);
  *count = records;
  return s;
}

Status DataFileFindText(StrValue key, int file, int keyNo, int flags) {
  if (Status e = StrError(key)) return e;
  int n = DataFileNum(file);
  if (Status s = DicCheckFileField(n, -1)) return ErrSet(1, MOD_DATAFILE, s, s);
  if (flags & 8) {
    if (keyNo > 0)
      if (Status s = DataFileKeySet(n, keyNo)) return s;
    Status s = DataFileMove(n, dfmove::kFirst);
    if (s >= 128) return s;
    return DataFileMoveLimit(n, dfmove::kNext, key);
  }
  bool insert = (flags & 4) && key.len > 0;
  Status s = DataFileReadKey(n, keyNo, key, insert ? 1 : 0);
  if (insert && (s == dfres::kNotFound || s == dfres::kEnd)) s = DataFileInsert(n);
  return s;
}

Status DataFileLocate(StrValue command, int file) {
  if (Status e = StrError(command)) return e;
  const StrAreaScope scope;
  StrValue word = StrTrim(command, 3);
  int pos = NavCmdIndex(word, StrFromC(kNavCommands));
  uint16_t code = pos ? DataFileOpCode(pos) : 0xFF;
  if (code == 0xFF || pos == kNavSave || pos == kNavInsert) return Refuse(word);
  if (pos == kNavDelete) return DataFileDelete(file, code & 0xFF);
  return DataFileMove(file, code & 0xFF);
}

StrValue DataFileKeyText(int file, int key, int parts, int part) {
  int n = DataFileNum(file);
  if (Status s = DicCheckFileField(n, -1)) return StrErr(ErrSet(1, MOD_DATAFILE, s, s));
  if (key == 0) return StrMake("", 0);
  if (key < 0) key = DataFileKeyGet(n);
  if (Status s = DicKeyCheck(n, key)) return StrErr(ErrSet(1, MOD_DATAFILE, s, s));
  uint16_t mark = StrAreaMark(-1);
  StrValue text = KeyValueOf(n, key, RecBuf(n, part == 2 ? 2 : 1));
  uint16_t len = KeyLen(n, key, parts);
  if (!text.IsError() && text.len > len) text.len = len;
  return StrAreaReturn(mark, text);
}

Status DataFileLastStatus(int file) {
  int n = DataFileNum(file);
  if (Status s = DicCheckFileField(n, -1)) return ErrSet(1, MOD_DATAFILE, s, s);
  return DataFileCtrl(n)->lastStatus;
}

StrValue DataFieldRaw(StrValue ref, int part) {
  if (ref.IsError()) return ref;
  DataFieldDesc d = DicFieldRefParse(ref);
  if (d.status) return StrErr(d.status);
  return StrDup(RecFieldRaw(d.file, d.field, part == 2 ? 2 : 1));
}

void DataBuiltinsRegister() {
  DataAccessSet(
      DataAccess{DataFileLenOf, DataFileFindText, DataFileLocate, DataFileKeyText, DataFileLastStatus, DataFieldRaw});
}
