// The engine of the transactions (FileTransLow): opens the external side,
// the work copy and the data file, runs the loop that reads, tests and
// writes each record, merges an import, and closes everything, inside one
// run of the journal.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "data/bridges/dataui.h"
#include "data/store/datafail.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "data/store/journal.h"
#include "data/store/recio.h"
#include "data/transactions/trans.h"
#include "data/transactions/transio.h"
#include "data/transactions/translayout.h"
#include "platform/host/files.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/paths.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/evaluator.h"
#include "script/procedures.h"
#include "script/taskhooks.h"
#include "script/variables.h"

namespace {

constexpr uint32_t kLineLimit = 1024;
constexpr uint32_t kPollEvery = 64;

// Write rules, by mode & 0x180D.
constexpr uint16_t kRuleMask = 0x180D;
constexpr uint16_t kRuleRewrite = 1;
constexpr uint16_t kRuleText = 4;
constexpr uint16_t kRuleImage = 5;
constexpr uint16_t kRuleDelete = 8;
constexpr uint16_t kRuleTextToo = 12;

// TransCondEval answers.
constexpr Status kWrite = 0;
constexpr Status kOutside = 1;
constexpr Status kSkipped = 3;
constexpr Status kExists = 5;
constexpr Status kMissing = 9;



bool Is(const std::string& text, const char* word) { return host::EqualNoCase(TransTrim(text), word); }

// Runs a comma list of expressions over the current record; an error
// names the first item that failed (TransMergeFields, SET$, WREXP$,
// TRIGGER$).
Status RunItems(const std::string& items) {
  if (TransTrim(items).empty()) return 0;
  const StrAreaScope scope;
  StrListIter it(TransView(items), ',');
  StrValue item;
  while (it.Next(&item)) {
    if (StrTrim(item, 3).len == 0) continue;
    Status s = ExpEvalStatus(item);
    if (s != 0) {
      ErrDetailSet(s, item, true);
      return s;
    }
  }
  return 0;
}

void Log(const char* text) { LogError(StrFromC(text), 16); }

// Keeps `_UPSTAT` and puts it back when the engine ends, whatever happens.
class UpStatKeeper {
 public:
  explicit UpStatKeeper(int16_t set) : saved_(VarSysIntGet(kSysUpStat)) {
    VarSysIntSet(kSysUpStat, static_cast<int16_t>(saved_ | set));
  }
  ~UpStatKeeper() { VarSysIntSet(kSysUpStat, saved_); }
  UpStatKeeper(const UpStatKeeper&) = delete;
  UpStatKeeper& operator=(const UpStatKeeper&) = delete;

 private:
  int16_t saved_;
};

class TransJob {
 public:
  TransJob(StrValue name, uint16_t mode, StrValue bounds, TransRoutine routine)
      : name_(name.IsError() ? std::string() : name.Str()), mode_(mode), routine_(routine) {
    const StrAreaScope scope;
    if (!bounds.IsError()) {
      bound1_ = StrUnquote(StrTrim(StrListItem(bounds, ',', 1), 3)).Str();
      bound2_ = StrUnquote(StrTrim(StrListItem(bounds, ',', 2), 3)).Str();
    }
  }

  Status Run() {
    if (Status s = TransRefused(mode_)) return s;
    Log("FileTransLow Begin");
    UpStatKeeper engine(16);
    count_ = 0;
    Counted();
    RunJournalScope run;
    Status s = run.Begun();
    if (s == 0) s = TransOpen();
    if (s == 0) s = Loop();
    Log("FileTransLow Update");
    if (s == 0 && Importing()) s = Merge();
    Status closed = TransClose(s == 0);
    if (s == 0) s = closed;
    s = run.End(s);
    if (s >= 128 || (s == 0 && !Importing())) {
      const StrAreaScope scope;
      ErrorKeeper keep;
      DataTransConfirm(s >= 128 ? 3 : 4, mode_);
      keep.Restore();
    }
    Counted();
    Log("FileTransLow Ends");
    if (s == 0 && count_ == 0) return st::OUTOFDATA;
    return s;
  }

 private:
  bool Importing() const { return (mode_ & (tmode::kImport | tmode::kExternFile)) == (tmode::kImport | tmode::kExternFile); }
  bool Exporting() const { return (mode_ & tmode::kExternFile) && !(mode_ & tmode::kImport); }
  bool SqlTarget() const { return Exporting() && (mode_ & tmode::kIsSql) && !(mode_ & tmode::kStream); }
  bool WritesData() const {
    return (mode_ & (tmode::kImport | tmode::kUpdate)) || (mode_ & kRuleMask) == kRuleDelete;
  }
  uint16_t Rule() const {
    uint16_t r = mode_ & kRuleMask;
    return Importing() ? kRuleImage : r;  // a replace import writes images too
  }

  // `_COUNT` and `_HCOUNT` show the rows written.
  void Counted() {
    VarSysIntSet(kSysCount, static_cast<int16_t>(count_ & 0xffff));
    VarSysIntSet(kSysHCount, static_cast<int16_t>(count_ >> 16));
  }

  std::string HostPathOf(int kind) {
    const StrAreaScope scope;
    StrValue n = DataFileName(f_, kind);
    return n.IsError() ? std::string() : recio::HostPath(n.Str());
  }

  // --- Open and close ------------------------------------------------------------------

  Status TransOpen() {
    f_ = DataFileNum(0);
    if (!DataFileCtrl(f_)) return st::DATAOUTBOUND;
    if (Status s = layout_.Build(f_, mode_)) return s;
    if (Status s = ExternalOpen()) return s;
    if (Importing()) {
      if (Status s = work_.Create(DicRecLen(f_))) return s;
    }
    DataStore* store = DataFileStore(f_);
    if (!store->IsOpen()) {
      Status s = DataFileOpen(f_, WritesData() ? dfopen::kExclusive : dfopen::kReadOnly);
      if (s > 2) return s;
      ownOpen_ = true;
    }
    if (Status s = TransIndexParm(mode_, &key_)) return s;
    if (Status s = DataFileKeySet(f_, key_)) return s;
    return 0;
  }

  Status ExternalOpen() {
    if (!(mode_ & tmode::kExternFile)) return 0;
    if (SqlTarget()) return SqlTargetOpen();
    std::string path;
    if (transio::StdStream(name_) < 0) {
      const StrAreaScope scope;
      StrValue joined = PathJoin(TransView(TransParmText(kTrTarPath)), TransView(name_));
      if (Status e = StrError(joined)) return e;
      if (joined.len == 0) return DataFail(st::BADINPUTDATA, "FileTransLow: no external file name");
      path = recio::HostPath(joined.Str());
      for (int kind : {2, 3})
        if (host::SameFile(path, HostPathOf(kind)))
          return DataFail(st::BADINPUTDATA, name_ + ": the transaction's own data or index file");
    }
    return Importing() ? source_.Open(name_, path) : sink_.Open(name_, path, mode_ & tmode::kAppend);
  }

  // IS_SQL without STREAM: the records go into another data file, SQLTABLE$
  // or the external name.
  Status SqlTargetOpen() {
    std::string table = TransParmText(kTrSqlTable);
    if (TransTrim(table).empty()) {
      table = name_;
      TransParmSet(kTrSqlTable, TransView(table));
    }
    const StrAreaScope scope;
    target_ = DataFileFind(TransView(TransTrim(table)));
    if (target_ < 1 || target_ > DataFileCount()) return DataFail(st::BADFILENUMBER, "SQLTABLE$ " + table);
    if (target_ == f_) return DataFail(st::BADINPUTDATA, "SQLTABLE$ " + table + ": the transaction's own file");
    if (!DataFileStore(target_)->IsOpen()) {
      Status s = DataFileOpen(target_, dfopen::kExclusive);
      if (s > 2) return s;
      ownTarget_ = true;
    }
    return 0;
  }

  Status TransClose(bool ok) {
    Status s = 0;
    if (ok && Exporting() && !SqlTarget()) s = sink_.Commit();
    sink_.Abandon();
    source_.Close();
    work_.Remove();
    for (auto [file, own] : {std::pair{f_, &ownOpen_}, std::pair{target_, &ownTarget_}}) {
      if (!*own) continue;
      Status c = DataFileClose(file);
      if (s == 0) s = c;
      *own = false;
    }
    return s;
  }

  // --- The loop --------------------------------------------------------------------------

  Status Loop() {
    if (Importing()) return ImportRead();
    if ((mode_ & 0xF) == 4 || (mode_ & 0xF) == 12) return ExportLoop();
    uint16_t m = mode_ & 0xF;
    if (m == 1 || m == 3 || m == 8) return InternalLoop();
    return 0;
  }

  // Positions on the first record of the range: 0 when there is one.
  Status First() {
    if (bound1_.empty()) return DataFileMove(f_, dfmove::kFirst);
    Status s = DataFileReadKey(f_, key_, TransView(bound1_), dfmove::kAlsoOn1);
    return s == dfres::kNotFound ? 0 : s;
  }

  bool Beyond() {
    if (bound2_.empty()) return false;
    const StrAreaScope scope;
    StrValue k = KeyValueCur(f_, key_);
    return !k.IsError() && k.View().substr(0, bound2_.size()) > std::string_view(bound2_);
  }

  Status ExportLoop() {
    Status s = First();
    if (s >= 128) return s;
    if (Status h = TransHeader()) return h;
    while (s == 0 && !Beyond()) {
      Status c = TransCondEval();
      if (c >= 128) return c;
      if (Status r = OfferKey()) return r;
      if (c == kWrite && (s = TransWriteRecord()) != 0) return s;
      s = DataFileMove(f_, dfmove::kNext);
    }
    return s >= 128 ? s : 0;
  }

  // Updates and deletions run over the record numbers chosen first, so a
  // record whose key a write moves is neither met again nor skipped.
  Status InternalLoop() {
    std::vector<int64_t> recs;
    DataStore* store = DataFileStore(f_);
    Status s = First();
    if (s >= 128) return s;
    while (s == 0 && !Beyond()) {
      Status c = TransCondEval();
      if (c >= 128) return c;
      if (c == kWrite) recs.push_back(store->Cursor());
      s = DataFileMove(f_, dfmove::kNext);
    }
    if (s >= 128) return s;
    for (int64_t rec : recs) {
      if ((s = DataFileRecLoad(f_, static_cast<int32_t>(rec), kRecBoth)) != 0) return s;
      if (Status r = OfferKey()) return r;
      if ((s = TransWriteRecord()) != 0) return s;
    }
    return 0;
  }

  std::string Where() const {
    return name_ + (mode_ & tmode::kStream ? ": line " : ": record ") + std::to_string(source_.Number());
  }

  // TransReadRecord: the next line or record into the current record; 2
  // at the end of the data.
  Status TransReadRecord() {
    std::string line;
    if (!(mode_ & tmode::kStream)) {
      Status s = source_.NextRecord(&line, layout_.RecordLen());
      if (s != 0) return s;
      deleted_ = !line.empty() && line[0] == kDeleteMark;
      return layout_.ReadInto(line, Where());
    }
    uint32_t limit = std::max<uint32_t>(kLineLimit, 4 * DicRecLen(f_));
    uint64_t empty = 0;  // the first empty line of a run of them
    for (;;) {
      Status s = source_.NextLine(&line, limit);
      if (s != 0) return s;
      if (!line.empty() && line[0] == kDeleteMark) return dfres::kEnd;  // an ESC line ends the data
      if (line.empty()) {
        if (empty == 0) empty = source_.Number();
        continue;
      }
      if (empty != 0)
        return DataFail(st::BADINPUTDATA, name_ + ": line " + std::to_string(empty) + " is empty and more data follows");
      deleted_ = false;
      return layout_.ReadInto(line, Where());
    }
  }

  // The external file read whole into the work copy.
  Status ImportRead() {
    for (;;) {
      Status s = TransReadRecord();
      if (s == dfres::kEnd) return 0;
      if (s != 0) return s;
      Status c = TransCondEval();
      if (c >= 128) return c;
      if (Status r = OfferKey()) return r;
      if (c == kWrite && (s = TransWriteRecord()) != 0) return s;
    }
  }

  // --- Test and write ---------------------------------------------------------------------

  // The unique-key text of the current record: UNICKEY$ evaluated, else the
  // value of key UNICCRI$.
  Status UniqueText(int* key, std::string* text) {
    std::string cri = TransTrim(TransParmText(kTrUnicCri));
    *key = cri.empty() ? 1 : std::atoi(cri.c_str());
    if (*key < 1 || *key > DicKeyCount(f_)) return DataFail(st::DATAOUTBOUND, "UNICCRI$ " + cri);
    const StrAreaScope scope;
    std::string expr = TransParmText(kTrUnicKey);
    StrValue v = TransTrim(expr).empty() ? KeyValueCur(f_, *key) : ExpEvalStr(TransView(expr));
    if (v.IsError()) return StrError(v);
    text->assign(v.View());
    return 0;
  }

  Status Exists(bool* found) {
    int key = 1;
    std::string text;
    if (Status s = UniqueText(&key, &text)) return s;
    const StrAreaScope scope;
    Status s = DataFileFindKey(f_, key, TransView(text), 0);
    if (s >= 128) return s;
    *found = s == 0;
    return 0;
  }

  Status TransCondEval() {
    if (mode_ & tmode::kUsrUpdate) return st::FEATUREREMOVED;
    if (Importing() ? deleted_ : RecBuf(f_, kRecCurrent).View().substr(0, 1) == std::string_view("\x1b", 1))
      return kSkipped;
    std::string cond = TransParmText(kTrCond);
    if (!TransTrim(cond).empty()) {
      const StrAreaScope scope;
      Status c = ExpEvalCond(TransView(cond));
      if (c >= 122) return c;
      if (c != 1) return kSkipped;
    }
    if (!bound1_.empty() || !bound2_.empty()) {
      const StrAreaScope scope;
      StrValue k = KeyValueCur(f_, key_);
      std::string_view kt = k.IsError() ? std::string_view() : k.View();
      if (kt.substr(0, bound1_.size()) < std::string_view(bound1_) ||
          (!bound2_.empty() && kt.substr(0, bound2_.size()) > std::string_view(bound2_)))
        return kOutside;
    }
    if (!Importing()) return kWrite;
    // A replace import empties the file before its merge: no key of the old
    // data counts (the same key twice in the import keeps the first row;
    // OVERWRITE is refused with it).
    if (mode_ & tmode::kDeleting) return kWrite;
    bool found = false;
    if (Status s = Exists(&found)) return s;
    if (mode_ & tmode::kOverwrite) return found ? kWrite : kMissing;
    return found ? kExists : kWrite;
  }

  Status TransWriteRecord() {
    if (Status s = RunItems(TransParmText(kTrWrExp))) return s;
    Status s = 0;
    switch (Rule()) {
      case kRuleRewrite:
        s = (mode_ & tmode::kUpdate) ? DataFileAction(dfact::kUpdate, f_, StrMake("", 0), StrMake("", 0))
                                     : DataFileUpdate(f_);
        break;
      case kRuleText:
      case kRuleTextToo:
        s = TransWriteText();
        break;
      case kRuleImage: {
        StrValue cur = RecBuf(f_, kRecCurrent);
        s = cur.IsError() ? StrError(cur) : work_.Append(cur.ptr);
        break;
      }
      case kRuleDelete:
        s = DataFileAction(dfact::kDelete, f_, StrMake("", 0), StrMake("", 0));
        break;
      default:
        if (SqlTarget()) s = SqlInsert();
        else if ((mode_ & (tmode::kExternIndexed | tmode::kIsSql)) && (mode_ & tmode::kExternFile)) s = TransWriteText();
        else s = DataFail(st::BADINPUTDATA, "FileTransLow: no write rule for mode " + std::to_string(mode_));
    }
    if (s >= 128) return s;
    std::string trigger = TransParmText(kTrTrigger);
    if (!Is(trigger, "DISABLE") && !Is(trigger, "ENABLE")) {
      if (Status t = RunItems(trigger)) return t;
    }
    if (Rule() != kRuleImage) Row();
    return 0;
  }

  void Row() {
    ++count_;
    Counted();
  }

  Status TransWriteText() {
    text_.clear();
    if (Status s = layout_.RecordText(text_)) return s;
    return sink_.Write(text_);
  }

  Status TransHeader() {
    if (SqlTarget() || !Exporting()) return 0;
    std::string header = TransParmText(kTrHeader);
    text_.clear();
    if (layout_.List()) {
      if (Status s = layout_.ListHeader(text_, header.empty())) return s;
    }
    if (!header.empty()) {
      text_ = header;
      if (mode_ & tmode::kStream) text_ += "\r\n";
    }
    return text_.empty() ? 0 : sink_.Write(text_);
  }

  // A record into the SQLTABLE$ file: the fields of the same names.
  Status SqlInsert() {
    if (Status s = DataFileMove(target_, dfmove::kNew); s >= 128) return s;
    for (const TransColumn& c : layout_.Columns()) {
      if (!c.IsField()) continue;
      const StrAreaScope scope;
      uint16_t to = DicFieldFind(target_, DicFieldName(c.file, c.field));
      if (to == 0xffff) continue;
      StrValue raw = RecFieldRaw(c.file, c.field, kRecCurrent);
      if (Status e = StrError(raw)) return e;
      if (Status s = RecFieldSet(target_, to, StrTrim(raw, 2))) return s;
    }
    Status s = DataFileAction(dfact::kInsert, target_, StrMake("", 0), StrMake("", 0));
    return s == dfres::kRepeatedKey ? 0 : s;
  }

  // The per-record routine and, every 64 records, a poll for a cancel
  // (the progress window, SIGINT or SIGTERM).
  Status Offer(const std::string& text) {
    if (routine_) {
      const StrAreaScope scope;
      if (Status e = StrError(routine_(TransView(text)))) return e;
    }
    return Poll();
  }
  // The per-record routine with the current key's text, made only for it.
  Status OfferKey() { return routine_ ? Offer(KeyText()) : Poll(); }
  Status Poll() {
    if (++polled_ % kPollEvery == 0) return PrcPoll();
    return 0;
  }

  std::string KeyText() {
    const StrAreaScope scope;
    StrValue k = KeyValueCur(f_, key_);
    return k.IsError() ? std::string() : k.Str();
  }

  // --- The merge -----------------------------------------------------------------------------

  Status Merge() {
    if (Status c = DataTransConfirm(4, mode_)) return c;
    if (mode_ & tmode::kDeleting) {
      if (Status s = SetOldPairAside()) return s;
    }
    if (ImportMergeFn hook = TaskHookGetAs<ImportMergeFn>(kHookImportMerge)) return hook();
    return TransImport();
  }

  // A replace import: the old data and index files go aside for the run
  // (a rollback puts them back) and the merge fills a new, empty pair.
  Status SetOldPairAside() {
    if (Status s = DataFileClose(f_)) return s;
    if (Status s = RunJournalSetAside(HostPathOf(2))) return s;
    if (Status s = RunJournalSetAside(HostPathOf(3))) return s;
    Status s = DataFileOpen(f_, dfopen::kExclusive);
    if (s > 2) return s;
    ownOpen_ = true;
    return DataFileKeySet(f_, key_);
  }

  Status TransMergeFields(const char* image) {
    std::string merge = TransParmText(kTrMerge);
    if (TransTrim(merge).empty()) return RecBufSet(f_, kRecCurrent, StrMake(image, DicRecLen(f_)));
    return RunItems(merge);
  }

  // One image of the work copy into the data file.
  Status MergeOne(const char* image, bool* written) {
    uint32_t len = DicRecLen(f_);
    *written = false;
    std::string both(image, len);
    both.append(image, len);
    if (Status s = RecBufSet(f_, kRecBoth, TransView(both))) return s;
    if (mode_ & tmode::kOverwrite) {
      int key = 1;
      std::string text;
      if (Status s = UniqueText(&key, &text)) return s;
      Status found = DataFileFindKey(f_, key, TransView(text), kRecCurrent);
      if (found != 0) return found >= 128 ? found : DataFail(st::INTERNALERROR, "OVERWRITE: key " + TransTrim(text) + " is gone");
      int64_t rec = DataFileStore(f_)->Cursor();
      if (Status s = TransMergeFields(image)) return s;
      if (Status s = DataFileRecLoad(f_, static_cast<int32_t>(rec), kRecSaved)) return s;
      *written = true;
      return DataFileAction(dfact::kUpdate, f_, StrMake("", 0), StrMake("", 0));
    }
    bool found = false;
    if (Status s = Exists(&found)) return s;
    if (found) return 0;  // the same key twice in the import: the first one stays
    *written = true;
    Status s = DataFileAction(dfact::kInsert, f_, StrMake("", 0), StrMake("", 0));
    return s == dfres::kRepeatedKey ? 0 : s;
  }

  Status TransImport() {
    if (Status s = work_.Rewind()) return s;
    Status s = 0;
    for (;;) {
      Status err = 0;
      const char* image = work_.Next(&err);
      if (!image) {
        s = err;
        break;
      }
      bool written = false;
      s = MergeOne(image, &written);
      if (s > 127) {
        const StrAreaScope scope;
        StrValue key = KeyValueCur(f_, 1);
        LogError(StrFromView(ErrText(s).Str() + " " + (key.IsError() ? std::string() : key.Str())), 0xFF);
        bool tolerated = s == st::DATAALREADYEXIST || (s == st::SQLERROR && (mode_ & tmode::kBatchMode));
        if (!tolerated) break;
        ErrClear();
        written = true;
        s = 0;
      }
      if (written) Row();
      if ((s = routine_ ? Offer(std::to_string(count_)) : Poll()) != 0) break;
    }
    if (s > 127) {
      const StrAreaScope scope;
      StrValue cur = RecBuf(f_, kRecCurrent);
      if (!cur.IsError()) ErrDetailSet(s, cur, true);
    }
    return s <= 121 ? 0 : s;
  }

  std::string name_;
  uint16_t mode_;
  TransRoutine routine_;
  std::string bound1_, bound2_;
  int f_ = 0, key_ = 1, target_ = 0;
  bool ownOpen_ = false, ownTarget_ = false, deleted_ = false;
  uint32_t count_ = 0, polled_ = 0;
  TransLayout layout_;
  transio::Sink sink_;
  transio::Source source_;
  transio::WorkCopy work_;
  std::string text_;
};

}  // namespace

Status FileTransLow(StrValue name, uint16_t mode, StrValue bounds, TransRoutine routine) {
  TransJob job(name, mode, bounds, routine);
  return job.Run();
}
