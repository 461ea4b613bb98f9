// The ways into the engine: the EXPORT and IMPORT statements, the run of a
// transaction (set-up, then the bounds form and the engine, or a count),
// the key range and the counts.
#include <string>

#include "data/store/datafail.h"
#include "data/bridges/dataui.h"
#include "data/dictionary/dictionary.h"
#include "data/scans/scan.h"
#include "data/transactions/trans.h"
#include "data/transactions/translayout.h"
#include "platform/host/files.h"
#include "runtime/messages.h"
#include "runtime/strformat.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/evaluator.h"
#include "script/handlers.h"
#include "script/statements.h"
#include "script/variables.h"

namespace {



// Keeps `_UPSTAT` for a transaction and puts it back on every path, and
// empties the parameter list at the end.
class TransScope {
 public:
  TransScope() : saved_(VarSysIntGet(kSysUpStat)) {}
  ~TransScope() {
    VarSysIntSet(kSysUpStat, saved_);
    TransParmsClear();
  }
  TransScope(const TransScope&) = delete;
  TransScope& operator=(const TransScope&) = delete;

 private:
  int16_t saved_;
};

// The progress window's step for each record of a statement's run.
StrValue ProgressRoutine(StrValue text) {
  Status s = DataProgressStep(0, 1, StrMake("", 0));
  return s != 0 ? StrErr(s) : text;
}

// The two bounds of a range text.
void Bounds(StrValue bounds, std::string* from, std::string* to) {
  const StrAreaScope scope;
  *from = StrUnquote(StrTrim(StrListItem(bounds, ',', 1), 3)).Str();
  *to = StrUnquote(StrTrim(StrListItem(bounds, ',', 2), 3)).Str();
}

// Opens the current file read-only for a count when it is closed; closes
// it again afterwards.
class CountOpen {
 public:
  explicit CountOpen(int file) : file_(file) {
    DataStore* store = DataFileStore(file);
    if (store && !store->IsOpen()) {
      status_ = DataFileOpen(file, dfopen::kReadOnly);
      own_ = status_ <= 2;
      if (own_) status_ = 0;
    }
  }
  ~CountOpen() {
    if (own_) DataFileClose(file_);
  }
  CountOpen(const CountOpen&) = delete;
  CountOpen& operator=(const CountOpen&) = delete;
  Status status() const { return status_; }

 private:
  int file_;
  bool own_ = false;
  Status status_ = 0;
};

Status Counted(StrValue bounds, uint16_t mode, uint32_t* count) {
  *count = 0;
  int f = DataFileNum(0);
  if (!DataFileCtrl(f)) return st::DATAOUTBOUND;
  CountOpen open(f);
  if (open.status() != 0) return open.status();
  int key = 1;
  if (Status s = TransIndexParm(mode, &key)) return s;
  std::string from, to;
  Bounds(bounds, &from, &to);
  const StrAreaScope scope;
  Status s = DataFileCountRange(f, key, TransView(from), TransView(to), TransView(TransParmText(kTrCond)), count);
  VarSysIntSet(kSysCount, static_cast<int16_t>(*count & 0xffff));
  VarSysIntSet(kSysHCount, static_cast<int16_t>(*count >> 16));
  return s;
}

Status Statement(uint16_t code, const ExecArgs& a) {
  uint16_t base = code == kStmtExport ? tmode::kExport : tmode::kImportStmt;
  return TransStatement(a.count, a.kinds, a.ints, a.strs, base);
}

}  // namespace

Status TransStatement(uint16_t count, const uint16_t* kinds, const int16_t* ints, const StrValue* strs,
                      uint16_t mode) {
  if (count < 1) return ErrSet(1, MOD_DATAFILE, st::SINTAXERROR, st::SINTAXERROR);
  const StrAreaScope scope;
  StrValue name = strs[0];
  uint16_t extra = 0;
  Status s = 0;
  if (count >= 2 && kinds[1] != 0) s = TransModeFromNames(strs[1], &extra);
  else if (count >= 2) extra = static_cast<uint16_t>(ints[1]);
  if (s == 0) {
    mode |= extra != 0 ? extra : TransModeParse(name);
    bool progress = count >= 3 && (kinds[2] != 0 ? strs[2].len > 0 : ints[2] != 0);
    if (progress) {
      DataProgressTitle(StrCat(Msg("0016 Process in progress....."), name));
      DataProgressOpen(0);
    }
    s = TransRun(name, mode, progress ? ProgressRoutine : nullptr);
    if (progress) DataProgressClose();
  }
  if (s == st::USERCANCELED || s == st::OUTOFDATA) s = 0;
  VarSysIntSet(kSysStat, static_cast<int16_t>(s));
  return 0;
}

Status TransRun(StrValue name, uint16_t mode, TransRoutine routine) {
  if (Status s = TransSetup(name, mode)) {
    TransParmsClear();
    return s;
  }
  return TransExec(name, mode, routine);
}

Status TransSetup(StrValue name, uint16_t mode) {
  if (Status s = TransParmsReset(name, mode)) return s;
  std::string set = TransParmText(kTrSet);
  if (!TransTrim(set).empty()) {
    const StrAreaScope scope;
    if (Status s = ExpEvalStatus(TransView(set))) return s;
  }
  std::string file = TransTrim(TransParmText(kTrFile));
  if (file.empty()) return 0;
  int n = 0;
  if (file.find_first_not_of(".-1234567890") == std::string::npos) {
    n = std::atoi(file.c_str());
  } else {
    const StrAreaScope scope;
    n = DataFileFind(TransView(file));
  }
  if (n < 1 || n > DataFileCount()) return DataFail(st::BADFILENUMBER, "FILE " + file);
  DataFileSetCurrent(n);
  return 0;
}

Status TransExec(StrValue name, uint16_t mode, TransRoutine routine) {
  TransScope scope;
  if (Status s = TransRefused(mode)) return s;
  std::string trigger = TransTrim(TransParmText(kTrTrigger));
  if ((mode & (tmode::kUpdate | tmode::kExternFile)) && host::EqualNoCase(trigger, "DISABLE"))
    VarSysIntSet(kSysUpStat, static_cast<int16_t>(VarSysIntGet(kSysUpStat) & ~1));
  std::string external = name.IsError() ? std::string() : name.Str();
  if ((mode & tmode::kExternFile) && TransTrim(external).empty()) {
    if (Status s = DataTransConfirm(0, mode)) return s;
    external = TransParmText(kTrName);
  }
  if (Status s = DataTransBounds(mode)) return s;
  const StrAreaScope area;
  StrValue bounds = TransLimits();
  if (Status e = StrError(bounds)) return e;
  if ((mode & 0x1001) == 0x1001) {
    if (Status s = TransCountProceed(bounds, mode)) return s;
  }
  if (mode & tmode::kIndexChk) {
    uint32_t n = 0;
    return TransCount(bounds, mode, &n);
  }
  return FileTransLow(TransView(external), mode, bounds, routine);
}

StrValue TransLimits() {
  uint16_t mark = StrAreaMark(-1);
  std::string limits = TransParmText(kTrLimits);
  if (TransTrim(limits).empty()) return StrAreaReturn(mark, StrFromC("'',''"));
  std::string out;
  for (uint32_t i = 1; i <= 2; ++i) {
    StrValue item = StrTrim(StrListItem(TransView(limits), ',', i), 3);
    StrValue v = item.len ? ExpEvalStr(item) : StrMake("", 0);
    if (v.IsError()) return StrAreaReturn(mark, v);
    std::string quoted;
    if (Status s = TransQuote(v.Str(), '\'', "LIMITS$", &quoted)) return StrAreaReturn(mark, StrErr(s));
    out += (i > 1 ? "," : "") + quoted;
  }
  return StrAreaReturn(mark, StrFromView(out));
}

Status TransIndexParm(uint16_t mode, int* key) {
  int f = DataFileNum(0);
  std::string index = TransTrim(TransParmText(kTrIndex));
  if (!index.empty()) {
    *key = std::atoi(index.c_str());
    if (*key < 1 || *key > DicKeyCount(f)) return DataFail(st::BADINPUTDATA, "INDEX$ " + index);
    return 0;
  }
  uint16_t date = (mode & tmode::kBatchMode) ? KeyFindDate(f) : 0xffff;
  *key = date != 0xffff ? date : DataFileKeyGet(f);
  if (*key < 1) *key = 1;
  return 0;
}

Status TransCount(StrValue bounds, uint16_t mode, uint32_t* count) {
  if (Status s = Counted(bounds, mode, count)) return s;
  if (mode & tmode::kBatchMode) return 0;
  const StrAreaScope scope;
  return DataInfo(StrFormat(256, Msg("0101 Counted %s rows in %s"), *count, DicFileName(DataFileNum(0))));
}

Status TransCountProceed(StrValue bounds, uint16_t mode) {
  uint32_t count = 0;
  if (Status s = Counted(bounds, mode, &count)) return s;
  const StrAreaScope scope;
  Status err = 0;
  int yes = DataAsk(StrFormat(256, StrFromC("%s records. Proceed?"), count), &err);
  if (err != 0) return err;
  return yes ? 0 : st::USERCANCELED;
}

void TransStatementsRegister() {
  ExecStatementSet(kStmtExport, Statement);
  ExecStatementSet(kStmtImport, Statement);
}
