// File scans into statistics sets: FILESCAN, the accumulation loop, the
// expression set, opening and closing a set, and the work-record reads of
// FILEREL while a set is open.
#include <cctype>
#include <cstring>
#include <memory>
#include <string>

#include "data/dictionary/compat.h"
#include "data/store/datafile.h"
#include "data/bridges/dataui.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "data/store/recio.h"
#include "data/dictionary/relations.h"
#include "data/scans/scan.h"
#include "data/scans/statistics.h"
#include "data/scans/statscreens.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/options.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "script/evaluator.h"
#include "script/fieldaccess.h"
#include "script/objparams.h"

namespace {

StrValue Empty() { return StrMake("", 0); }

bool UpStat(uint16_t bit) { return VarIntTestBits(kSysUpStat, bit); }
void UpStatSet(uint16_t bit, bool on) { VarIntSetBits(kSysUpStat, bit, on); }

// _SGN is 1 while the accumulation runs and 0 after it, however it ends.
class SignGuard {
 public:
  SignGuard() { VarSysIntSet(kSysSgn, 1); }
  ~SignGuard() { VarSysIntSet(kSysSgn, 0); }
  SignGuard(const SignGuard&) = delete;
  SignGuard& operator=(const SignGuard&) = delete;
};

// Closes the progress window when the run that made the guard opened it.
class ProgressGuard {
 public:
  explicit ProgressGuard(const bool& opened) : opened_(opened) {}
  ~ProgressGuard() {
    if (opened_) DataProgressClose();
  }
  ProgressGuard(const ProgressGuard&) = delete;
  ProgressGuard& operator=(const ProgressGuard&) = delete;

 private:
  const bool& opened_;
};

// 1 when the condition holds over the current records, 0 when not, or the
// code (122 and above) that stops the work.
Status Holds(StrValue cond) {
  if (cond.len == 0) return 1;
  const StrAreaScope scope;
  return ExpEvalCond(cond);
}

// A copy in the area: the caller's texts may be views into the string-list
// store, which moves while expressions run.
StrValue Own(StrValue text) { return text.IsError() || text.len == 0 ? text : StrDup(text); }

bool AllBlank(StrValue text) {
  for (uint16_t i = 0; i < text.len; ++i)
    if (text.ptr[i] != ' ') return false;
  return true;
}

// --- The file's own data behind a set -------------------------------------------------

// The data and index of a file in a set, opened read-only on the first miss
// and kept while that open of the set lasts (the store's generation), so a
// set of many groups reads the index once.
struct OwnData {
  uint64_t generation = 0;
  std::unique_ptr<RecFile> file;
};
OwnData g_own[kMaxDataFiles];

void OwnDataDrop(int n) {
  if (n >= 1 && n <= kMaxDataFiles) g_own[n - 1] = OwnData();
}

// The file's own record files when both exist; null otherwise. A failure
// to open them only means there is nothing to look up: the recorded error
// is left as it was.
RecFile* OwnDataOpen(int n, const DataStore& store) {
  DataStoreState state;
  if (DataFileCtrlSave(&state, n, nullptr) != 0) return nullptr;
  OwnData& own = g_own[n - 1];
  if (own.file && own.generation == state.generation) return own.file.get();
  own = OwnData();
  std::string name = DicFileName(n).Str(), location = DicFileLocation(n).Str();
  RecFileSpec spec = store.File().Spec();
  spec.dataPath = recio::HostPath(DataFileNameBuild(name, location, 2, CompatBits()));
  spec.indexPath = recio::HostPath(DataFileNameBuild(name, location, 3, CompatBits()));
  if (!recio::Exists(spec.dataPath) || !recio::Exists(spec.indexPath)) return nullptr;
  spec.readOnly = true;
  spec.noIndex = false;
  auto file = std::make_unique<RecFile>();
  ErrorKeeper kept;
  if (file->Open(spec) != 0) {
    kept.Restore();
    return nullptr;
  }
  own.generation = state.generation;
  own.file = std::move(file);
  return own.file.get();
}

// Reads the record of the key text from the file's own data into the
// current record; true when there was one.
bool OwnDataRead(int n, int key, StrValue text) {
  DataStore* store = DataFileStore(n);
  if (!store || !store->Temporary() || key < 1 || key > DicKeyCount(n)) return false;
  RecFile* own = OwnDataOpen(n, *store);
  if (!own) return false;
  uint32_t k = static_cast<uint32_t>(key - 1);
  std::string t = text.len == 0 ? std::string(" ") : text.Str().substr(0, own->KeyLen(k));
  uint32_t pos = own->LowerBound(k, t);
  if (pos >= own->Live() || std::memcmp(own->KeyAt(k, pos), t.data(), t.size()) != 0) return false;
  std::string image(own->RecLen(), ' ');
  if (own->Read(own->RecAt(k, pos), image.data()) != 0) return false;
  return RecBufSet(n, kRecCurrent, StrMake(image.data(), static_cast<uint32_t>(image.size()))) == 0;
}

// --- FILESCAN options ------------------------------------------------------------------

struct ScanOptions {
  int sub = 0;  // 1 ACUM, 2 EXPSET, 3 CLOSE, 0 none
  int file = 0;
  int key = -1;  // -1: the current key of the current file
  int mode = 0;
  int virtualSet = 0;
  StrValue from, to;
};

// The value of an option written in upper or lower case; raw keeps its
// quotes (FROM and TO are expressions). False when the text lacks it.
bool Option(StrValue text, const char* name, bool raw, StrValue* out) {
  std::string upper(name), lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  int flags = raw ? 0 : kKeyNormalised;
  for (const std::string& n : {upper, lower}) {
    StrValue key = StrMake(n.data(), static_cast<uint32_t>(n.size()));
    if ((StrKeyLocate(text, key, flags) & 0xffff) != 0xffff) {
      *out = StrKeyGet(text, key, flags);
      return true;
    }
  }
  return false;
}

// An integer option: absent leaves *out alone; anything but an optional
// sign and digits is 163 naming the option.
Status IntOption(StrValue text, const char* name, int* out) {
  StrValue v;
  if (!Option(text, name, false, &v)) return 0;
  std::string_view s = v.View();
  size_t i = !s.empty() && (s[0] == '-' || s[0] == '+') ? 1 : 0;
  bool digits = i < s.size() && s.size() - i <= 5;
  for (size_t j = i; digits && j < s.size(); ++j) digits = std::isdigit(static_cast<unsigned char>(s[j])) != 0;
  if (!digits) return StatFail(st::BADINPUTDATA, std::string("FILESCAN ") + name + ":" + v.Str());
  *out = static_cast<int>(StrToLong(v));
  return 0;
}

// FROM and TO: expressions, evaluated when present; their errors are the
// evaluator's, never an empty range.
Status TextOption(StrValue text, const char* name, StrValue* out) {
  *out = Empty();
  StrValue v;
  if (!Option(text, name, true, &v) || v.len == 0) return 0;
  *out = ExpEvalStr(v);
  return StrError(*out);
}

Status ParseOptions(StrValue text, ScanOptions* o) {
  StrValue word = StrTrim(StrListItem(StrTrim(text, 3), ' ', 1), 3);
  std::string w = word.Str();
  for (char& c : w) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  o->sub = w == "ACUM" ? 1 : w == "EXPSET" ? 2 : w == "CLOSE" ? 3 : 0;
  if (Status s = IntOption(text, "MODE", &o->mode)) return s;
  if (Status s = IntOption(text, "VIRTUAL", &o->virtualSet)) return s;
  std::string fileName = OptName(OPT_FILE).Str(), indexName = OptName(OPT_INDEX).Str();
  StrValue file;
  if (Option(text, fileName.c_str(), false, &file)) {
    o->file = file.len ? DataFileFind(file) : 0;
    if (o->file < 1 || o->file > DataFileCount()) return StatFail(st::BADINPUTDATA, "FILESCAN " + fileName + ":" + file.Str());
  }
  StrValue index;
  if (Option(text, indexName.c_str(), false, &index)) {
    if (Status s = IntOption(text, indexName.c_str(), &o->key)) return s;
    int of = o->file ? o->file : DataFileNum(0);
    if (o->key < 0 || o->key > DicKeyCount(of)) return StatFail(st::BADINPUTDATA, "FILESCAN " + indexName + ":" + index.Str());
  }
  if (Status s = TextOption(text, "FROM", &o->from)) return s;
  return TextOption(text, "TO", &o->to);
}

// ACUM into the current file, which the options' FILE feeds.
Status RunAccum(const ScanOptions& o, StrValue cond, StrValue assign, StrValue rowCond, StrValue pollCond) {
  int work = DataFileNum(0);
  if (o.file == 0 || o.file == work) return StatFail(st::BADINPUTDATA, "FILESCAN FILE");
  int key = o.key >= 0 ? o.key : DataFileKeyGet(work);
  UpStatSet(upstat::kSetOpen, true);
  Status s = FileScanAccum(o.file, work, key, o.from, o.to, cond, rowCond, assign, pollCond, o.mode);
  if (s >= st::USERCANCELED && s != st::OUTOFDATA) {
    // A cancelled or failed accumulation leaves nothing worth walking: the
    // set goes with its files.
    FileScanClose(work, 0);
    UpStatSet(upstat::kSetOpen, false);
  }
  return s == st::OUTOFDATA ? 0 : s;
}

// One source record into the work file: the assignment over a blank work
// record decides and builds it; its key-1 text finds its group.
Status AccumOne(int work, StrValue assign, std::string* built) {
  const StrAreaScope scope;
  if (Status s = RecBufClear(work, 0)) return s;
  Status c = ExpEvalCond(assign);
  if (c != 1) return c >= st::USERCANCELED ? c : 0;
  StrValue cur = RecBuf(work, kRecCurrent);
  if (Status e = StrError(cur)) return e;
  built->assign(cur.ptr, cur.len);
  StrValue key = KeyValueCur(work, 1);
  if (Status e = StrError(key)) return e;
  Status r = DataFileReadKey(work, 1, key, 0);
  if (r == dfres::kFound) {
    if (Status e = ExpEvalStatus(assign)) return e;
    return DataFileUpdate(work);
  }
  if (r != dfres::kNotFound && r != dfres::kEnd) return r;
  if (Status e = RecBufSet(work, kRecCurrent, StrMake(built->data(), static_cast<uint32_t>(built->size())))) return e;
  r = DataFileInsert(work);
  return r == dfres::kRepeatedKey ? 0 : r;
}

// The answer of one pass of a scan loop: 0 goes on, anything else stops it.
Status Polled(StrValue pollCond) {
  if (pollCond.len == 0) return 0;
  Status h = Holds(pollCond);
  if (h == 0) return DataFileCancelPoll();
  return h == 1 ? 0 : h;
}

}  // namespace

// --- Opening and closing a set ----------------------------------------------------------

Status FileScanClose(int file, uint8_t flags) {
  int n = DataFileNum(file);
  if (Status s = DicCheckFileField(n, -1)) return s;
  DataStore* store = DataFileStore(n);
  if (!store) return st::DATAOUTBOUND;
  OwnDataDrop(n);
  if (flags == 0) return store->IsOpen() && store->Temporary() ? DataFileClose(n) : 0;
  if (store->IsOpen()) {
    if (Status s = DataFileClose(n)) return s;
  }
  bool temporary = UpStat(upstat::kTemporary);
  UpStatSet(upstat::kTemporary, true);
  Status s = DataFileOpen(n, flags);
  UpStatSet(upstat::kTemporary, temporary);
  return s;
}

// --- Reading work records ---------------------------------------------------------------

Status FileScanTmpCheck(int file) {
  int n = DataFileNum(file);
  const StrAreaScope scope;
  StrValue reset = StatUiProp(kParmReset, 0);
  if (Status e = StrError(reset)) return e;
  // RESET$ doubles as the level of a steps job; a bare number there resets
  // nothing.
  StrValue trimmed = StrTrim(reset, 3);
  bool number = trimmed.len > 0 && StrAllIn(trimmed, StrFromC("0123456789"));
  if (trimmed.len > 0 && !number) return ExpEvalStatus(trimmed);
  uint16_t fields = DicFieldCount(n);
  for (uint16_t f = 1; f <= fields; ++f) {
    if (!DicFieldName(n, f).View().starts_with("TMP")) continue;
    if (Status s = RecFieldSet(n, f, Empty())) return s;
  }
  return 0;
}

Status FileScanReadKey(int file, int key, StrValue text, uint16_t flags) {
  if (Status e = StrError(text)) return e;
  int n = DataFileNum(file);
  Status s = DataFileReadKey(n, key, text, flags);
  if (s != dfres::kNotFound && s != dfres::kEnd) return s;
  if (UpStat(upstat::kVirtual) || text.len == 0 || AllBlank(text)) return s;
  if (!OwnDataRead(n, key, text)) return s;
  Status t = FileScanTmpCheck(n);
  return t >= 128 ? t : s;
}

Status FileScanOpenHook(int a, int b, int c, int flags, StrValue text) {
  if (Status e = StrError(text)) return e;
  const StrAreaScope scope;
  text = Own(text);
  int nb = DataFileNum(b);
  // Only work records of a set are this hook's: any other file is related
  // as FILEREL always does.
  DataStore* store = DataFileStore(nb);
  if (!store || !store->IsOpen() || !store->Temporary()) return RelRead(a, b, c, static_cast<uint16_t>(flags), text);
  VarSysIntSet(kSysRelRes, 0);
  uint16_t k = 0;
  StrValue expr = RelKeyName(a, nb, c, &k);
  if (expr.len == 0 || k == 0)
    return StatFail(st::BADINPUTDATA, std::to_string(nb) + "R" + std::to_string(c) + "K (File:" +
                                          std::to_string(DataFileNum(a)) + ")");
  StrValue key = ExpEvalStr(expr);
  if (key.IsError()) return StrError(key);
  if (key.len == 0) return 0;
  // A missing work record starts blank with its key fields set (or from the
  // file's own record), never from a neighbour the read stopped at.
  Status s = FileScanReadKey(nb, k, key, relflag::kSeed);
  if (s >= 128) return s;
  bool found = s == dfres::kFound;
  if (!found && s != dfres::kNotFound && s != dfres::kEnd) return s;
  if (text.len > 0) {
    if (Status e = ExpEvalStatus(text)) return e;
  }
  if (found) return DataFileUpdate(nb);
  VarSysIntSet(kSysRelRes, 4);
  Status r = DataFileInsert(nb);
  return r == dfres::kRepeatedKey ? 0 : r;
}

// --- Scans ------------------------------------------------------------------------------

Status StatWorkOpen(int source, int key, StrValue start, StrValue limit, StrValue cond, int mode, uint32_t* total,
                    bool* opened) {
  *total = 0;
  *opened = false;
  if (!(mode & 1) || StatUiProgressShown()) return 0;
  // Record order (key 0) has no range: every record is a candidate.
  Status s = key == 0 ? DataFileCountRange(source, -1, StrMake("", 0), StrMake("", 0), cond, total)
                      : DataFileCountRange(source, key, start, limit, cond, total);
  if (s >= st::USERCANCELED) return s;
  s = DataProgressOpen(*total);
  if (s >= 128) return s;
  *opened = true;
  return 0;
}

Status FileScanAccum(int source, int work, int key, StrValue start, StrValue limit, StrValue cond,
                     StrValue rowCond, StrValue assign, StrValue pollCond, int mode) {
  for (StrValue t : {start, limit, cond, rowCond, assign, pollCond})
    if (Status e = StrError(t)) return e;
  int nw = DataFileNum(work);
  if (Status s = DicCheckFileField(nw, -1)) return s;
  const StrAreaScope scope;
  start = Own(start), limit = Own(limit), cond = Own(cond);
  rowCond = Own(rowCond), assign = Own(assign), pollCond = Own(pollCond);
  DataFileSetCurrent(nw);
  const SignGuard sign;
  uint32_t total = 0;
  bool opened = false;
  const ProgressGuard progress(opened);
  Status s = StatWorkOpen(source, key, start, limit, cond, mode, &total, &opened);
  if (s != 0) return s;
  s = DataFileScanFirst(source, key, start, limit, cond, nullptr);
  if (s != 0) return s >= st::USERCANCELED ? s : st::OUTOFDATA;
  std::string built;
  while (s == 0) {
    Status row = Holds(rowCond);
    if (row == 1) row = AccumOne(nw, assign, &built);
    if (row != 0) return row >= 2 ? row : 0;
    if ((s = Polled(pollCond)) != 0) return s;
    if ((mode & 1) && (s = DataProgressStep(total, 1, Empty())) != 0) return s;
    s = DataFileScanNext(source, key, cond, limit, nullptr, nullptr);
  }
  if (s != dfres::kEnd && s != dfres::kNotFound) return s;
  s = DataFileMove(nw, dfmove::kFirst);
  if (s >= 128) return s;
  return s == 0 ? 0 : st::OUTOFDATA;
}

Status FileScanExpSet(int source, int key, StrValue start, StrValue limit, StrValue cond, StrValue exprs, int mode,
                      FixedNum* sums, uint16_t count) {
  for (StrValue t : {start, limit, cond, exprs})
    if (Status e = StrError(t)) return e;
  int n = DataFileNum(source);
  const StrAreaScope scope;
  start = Own(start), limit = Own(limit), cond = Own(cond), exprs = Own(exprs);
  std::string keptCond = DynStrGet(SystemTextList, SysScanCondItem).Str();
  DataStoreState saved;
  if (Status s = DataFileCtrlSave(&saved, n, nullptr)) return s;
  uint32_t total = 0;
  bool opened = false;
  Status s = 0;
  {
    const ProgressGuard progress(opened);
    s = StatWorkOpen(n, key, start, limit, cond, mode, &total, &opened);
    if (s == 0) s = DataFileScanFirst(n, key, start, limit, cond, nullptr);
    while (s == 0) {
      const StrAreaScope pass;
      if (sums) {
        StrListIter it(exprs, ',');
        StrValue item;
        for (uint16_t i = 0; i < count && s == 0 && it.Next(&item); ++i) {
          Status r = ExpExecText(item);
          if (r >= st::USERCANCELED) {
            s = r;
          } else {
            FixedNum v = r == 1 ? StrToNum(StrAreaTop()) : NumFromBytes(StrAreaTop());
            if (__builtin_add_overflow(sums[i], v, &sums[i]))
              s = StatFail(st::DATAOUTBOUND, "FILESCAN EXPSET " + item.Str());
          }
        }
      } else {
        Status r = ExpExecText(exprs);
        if (r >= st::USERCANCELED) s = r;
      }
      if (s == 0 && (mode & 1)) s = DataProgressStep(total, 1, Empty());
      if (s == 0) s = DataFileScanNext(n, key, cond, limit, nullptr, nullptr);
    }
  }
  Status back = DataFileCtrlSave(nullptr, n, &saved);
  DynStrSet(SystemTextList, SysScanCondItem, StrMake(keptCond.data(), static_cast<uint32_t>(keptCond.size())));
  if (s > 121) return s;
  return back;
}

// --- The statement -----------------------------------------------------------------------

Status FileScanRun(StrValue options, StrValue cond, StrValue assign, StrValue rowCond, StrValue pollCond) {
  for (StrValue t : {options, cond, assign, rowCond, pollCond})
    if (Status e = StrError(t)) return e;
  const StrAreaScope scope;
  options = Own(options), cond = Own(cond), assign = Own(assign), rowCond = Own(rowCond), pollCond = Own(pollCond);
  ScanOptions o;
  if (Status s = ParseOptions(options, &o)) return s;
  if (o.sub == 0 && o.virtualSet < 2) return StatFail(st::BADINPUTDATA, "FILESCAN " + options.Str());
  if (o.virtualSet & 1) UpStatSet(upstat::kVirtual, true);
  Status s = 0;
  if (o.virtualSet >= 2) {
    s = FileScanClose(0, dfopen::kExclusive);  // the current file becomes an empty set
    if (s == dfres::kEnd) {
      s = 0;
      UpStatSet(upstat::kSetOpen, true);
    }
  }
  if (s == 0) {
    switch (o.sub) {
      case 1: s = RunAccum(o, cond, assign, rowCond, pollCond); break;
      case 2: {
        int key = o.key >= 0 ? o.key : DataFileKeyGet(DataFileNum(0));
        s = FileScanExpSet(o.file ? o.file : DataFileNum(0), key, o.from, o.to, cond, assign, o.mode, nullptr, 0);
        if (s == st::OUTOFDATA) s = 0;
        break;
      }
      case 3:
        s = FileScanClose(0, 0);
        UpStatSet(upstat::kSetOpen, false);
        break;
      default: break;
    }
  }
  UpStatSet(upstat::kVirtual, false);
  return s;
}
