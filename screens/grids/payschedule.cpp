#include "screens/grids/payschedule.h"

#include <string>
#include <vector>

#include "data/store/datafile.h"
#include "data/store/datastore.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "data/store/recbuf.h"
#include "data/scans/selection.h"
#include "runtime/errors.h"
#include "runtime/fixednum.h"
#include "runtime/log.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/window/actions.h"
#include "screens/forms/forms.h"
#include "screens/grids/gridbuf.h"
#include "screens/grids/gridpad.h"
#include "screens/grids/linsgrid.h"
#include "screens/forms/msgbox.h"
#include "screens/window/screendef.h"
#include "screens/window/winlist.h"
#include "script/builtins.h"
#include "script/evaluator.h"
#include "script/macros.h"
#include "script/objparams.h"
#include "script/taskhooks.h"

namespace {

constexpr int kDefinitionKind = 1;  // tagged lines of a definition file
enum : int { kEventCreate = 1, kEventEdit = 2, kEventSave = 3 };

constexpr char kDefaultColumns[] = "'Pay Date':'D8','Amount':'29'";
constexpr char kDefaultForm[] =
    "'1st Date:':'D8':IDATE$,'Pays#:':'N2':VNE:VNE,'Days Range:':'N2':VCD:VCD,'Mounths Range:':'N2':VCM:VCM";
constexpr char kDefaultAlarm[] = "VNE>36";
constexpr char kDefaultSet[] = "VNEX=1";
constexpr char kDefaultWrite[] =
    "PayDate$(IDATE$;0;VCD;VCM;VNEX),C#=IMP#/VNE;CHK#(VNE==VNEX;IMP#-(VNE-1)*C#;C#)";
constexpr char kDefaultEnd[] = "(VNEX=VNEX+1)>VNE";
constexpr int32_t kDefaultRows = 4;
constexpr int32_t kMaxInstalments = 36;
constexpr int32_t kDefaultMaxLin = 100;

// What the grid save needs of the open schedule.
struct Schedule {
  int file = 0;
  std::string key;
  Status saveError = 0;
};
Schedule* g_open = nullptr;

StrValue View(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

Status Fail(Status code, const std::string& detail) {
  ErrDetailSet(code, View(detail), false);
  return ErrSet(1, MOD_SCREENS, code, code);
}

// Parameter n of the current event as a text, or the default when empty.
std::string Parm(int n, const char* def = "") {
  const StrAreaScope scope;
  StrValue v = ParmValueByNum(n);
  if (v.IsError() || StrTrim(v, 3).len == 0) return def;
  return v.Str();
}

Status EventSet(int index) { return ParmEventSet(index, StrMake("", 0)); }

// Puts back `_AUX` and the event list however the scope is left.
class EventKeeper {
 public:
  EventKeeper() : saved_(ParmEventSave().Str()) {}
  ~EventKeeper() { ParmEventRestore(View(saved_)); }

 private:
  std::string saved_;
};

// Closes a file opened here when the scope is left.
class FileCloser {
 public:
  explicit FileCloser(int file) : file_(file) {}
  ~FileCloser() {
    if (file_) DataFileClose(file_);
  }

 private:
  int file_;
};

GridBuffer* Grid(int level) {
  LinsGridRec* rec = LinsGridGet(level);
  return rec ? &rec->buffer : nullptr;
}

// A condition that must hold: its truth, or its error.
Status Holds(const std::string& cond, bool* holds) {
  const StrAreaScope scope;
  Status c = ExpEvalCond(View(cond));
  if (c >= st::USERCANCELED) return c;
  *holds = c != 0;
  return 0;
}

// The stored instalments of the key: the images of their records.
Status StoredImages(int file, const std::string& key, std::vector<std::string>* images) {
  Status s = SelOpen(file, 0, View(key), View(key), kSelAllRows, 0, StrMake("", 0));
  if (s == dfres::kEnd) return 0;
  if (s) return s;
  uint16_t rows = SelCount(file);
  for (uint32_t row = 0; s == 0 && row < rows; ++row) {
    s = SelRowRead(file, 1, row);
    if (s == 0) images->push_back(RecBuf(file, 1).Str());
  }
  Status r = SelRelease(file);
  return s ? s : r;
}

// After a failed write: what the save wrote under the key goes, the kept
// records come back.
void Restore(int file, const std::string& key, const std::vector<std::string>& images) {
  ErrorKeeper keep;
  SelDeleteAll(file, 0, View(key), StrMake("", 0));
  for (const std::string& image : images) {
    if (RecBufSet(file, 1, View(image)) == 0) DataFileInsert(file);
  }
  keep.Restore();
}

// The rows written as records of the key by the append loop of the save's
// definition.
Status WriteRows(int file, const std::string& key) {
  std::vector<std::string> kept;
  if (Status s = StoredImages(file, key, &kept)) return s;
  if (!kept.empty()) {
    if (Status s = SelDeleteAll(file, 0, View(key), StrMake("", 0))) {
      Restore(file, key, kept);
      return s;
    }
  }
  RecBufClear(file, 0);
  Status s = KeyFieldsSet(file, 1, View(key));
  if (s == 0) {
    std::string start = Parm(kParmSet), row = Parm(kParmRdCond), write = Parm(kParmWrExp), until = Parm(kParmEotExp);
    AppendLoopSpec spec;
    spec.start = View(start);
    spec.row = View(row);
    spec.write = View(write);
    spec.until = View(until);
    spec.list = StrMake("", 0);
    uint32_t count = 0;
    s = DataFileAppendLoop(file, spec, &count);
  }
  if (s >= st::USERCANCELED) Restore(file, key, kept);
  return s >= st::USERCANCELED ? s : 0;
}

// Fills grid rows from the stored records of the key; none stored: 1.
Status LoadRows(int file, const std::string& key, int level) {
  GridBuffer* g = Grid(level);
  Status s = SelOpen(file, 0, View(key), View(key), kSelAllRows, 0, StrMake("", 0));
  if (s == dfres::kEnd) return 1;
  if (s) return s;
  std::string assign = Parm(kParmRdExp);
  uint16_t rows = SelCount(file);
  for (uint32_t row = 0; s == 0 && row < rows && row < g->maxRows; ++row) {
    s = SelRowRead(file, 1, row);
    g->curRow = static_cast<uint16_t>(row + 1);
    VarSysIntSet(kSysLNum, static_cast<int16_t>(g->curRow));
    if (s == 0) s = GridRowAssign(*g, View(assign));
  }
  Status r = SelRelease(file);
  g->curRow = 1;
  VarSysIntSet(kSysLNum, 1);
  return s ? s : r;
}

}  // namespace

Status PaymentsGenerate(int grid) {
  GridBuffer* g = Grid(grid);
  if (!g) return Fail(st::SCREENSTRUCTERR, "PaymentsGenerate");
  const EventKeeper events;
  EventSet(kEventCreate);
  std::string title = Parm(kParmWinName), form = Parm(kParmAcBound, kDefaultForm);
  std::string alarm = Parm(kParmAlarm, kDefaultAlarm);
  for (;;) {
    AcceptResult r = AcceptForm(View(title), View(form));
    if (r.status) return r.status;
    bool again = false;
    if (Status s = Holds(alarm, &again)) return s;
    // No instalment at all would lose the total: asked again like ALARM$.
    if (!again) {
      const StrAreaScope scope;
      again = ExpEvalNum(StrFromC("VNE")) < Pow10(NumPrecis());
    }
    if (!again) break;
    ErrShow(st::BADUSERDATA);
  }
  std::string set = Parm(kParmSet, kDefaultSet), write = Parm(kParmWrExp, kDefaultWrite);
  std::string until = Parm(kParmEotExp, kDefaultEnd);
  {
    const StrAreaScope scope;
    Status s = ExpExecText(View(set));
    if (s >= st::USERCANCELED) return s;
  }
  GridReset(*g);
  Status s = GridRowsFill(*g, 1, StrMake("", 0), View(write), View(until));
  if (s == 0) s = LinsGridReload(grid);
  return s;
}

Status PaymentsGridSave(uint8_t) {
  Schedule* open = g_open;
  if (!open || open->file == 0) return kActCloseBit;
  const EventKeeper events;
  EventSet(kEventSave);
  Status s = WriteRows(open->file, open->key);
  if (s) {
    open->saveError = s;
    ErrShow(s);
  }
  return kActCloseBit;
}

Status PaymentsMaintenance(int file, StrValue key, int32_t rows, int32_t maxRows) {
  if (Status e = StrError(key)) return e;
  const EventKeeper events;
  Schedule schedule{file, key.Str(), 0};
  if (file != 0 && StrTrim(key, 3).len == 0) return Fail(st::BADINPUTDATA, "PaymentsMaintenance: no key");
  EventSet(kEventEdit);
  std::string title = Parm(kParmWinName), columns = Parm(kParmAcBound, kDefaultColumns);
  EventSet(0);
  // A file the caller has not opened is opened for the schedule's time.
  bool opened = false;
  if (file != 0) {
    DataStore* store = DataFileStore(file);
    if (!store) return Fail(st::DATAOUTBOUND, "PaymentsMaintenance: file " + std::to_string(file));
    if (!store->IsOpen()) {
      // An empty file opens with 2: a schedule still has to be made there.
      if (Status s = DataFileOpen(file, 0); s >= 128) return s;
      opened = true;
    }
  }
  const FileCloser closer(opened ? file : 0);
  ui::Hwnd caller = WinTop();
  Status level = LinsGridPadCreate(View(title), View(columns), rows > 0 ? rows : kDefaultRows,
                                   maxRows > 0 ? maxRows : kMaxInstalments, PaymentsGridSave, nullptr);
  if (level >= st::USERCANCELED) return level;
  if (AssertCheck(WinGet(kCurrentIndex) != nullptr, StrFromC("PaymentsMaintenance")).IsError()) {
    LinsGridPadClose(level);
    return st::SCREENSTRUCTERR;
  }
  ui::Hwnd pad = WinTop();
  Schedule* outer = g_open;
  g_open = &schedule;
  EventSet(kEventEdit);
  Status s = file != 0 ? LoadRows(file, schedule.key, level) : 1;
  if (s == 1) s = PaymentsGenerate(level);
  if (s == 0 && file != 0) s = KeyFieldsSet(file, 1, key);
  if (s == 0) s = LinsGridReload(level);
  if (s == 0) {
    VarSysIntSet(kSysLastKey, 4);
    VarIntSetBits(kSysScrStat, kScrStatGridNotify, true);
    WinModalReturn(caller, pad);
    VarIntSetBits(kSysScrStat, kScrStatGridNotify, false);
    if (VarSysIntGet(kSysLastKey) != 0) s = st::USERCANCELED;
  }
  if (LinsGridGet(level) && LinsGridLevel() >= level) LinsGridPadClose(level);
  g_open = outer;
  if (s == 0) s = schedule.saveError;
  return s;
}

Status PaymentsSchedule(StrValue spec) {
  if (Status e = StrError(spec)) return e;
  const StrAreaScope scope;
  WinSpec w = WinSpecParse(spec);
  std::string key;
  {
    StrValue expanded = MacroExpand(w.text, 0);
    StrValue value = expanded.IsError() ? expanded : ExpEvalStr(expanded);
    if (value.IsError()) return StrError(value);
    key = value.Str();
  }
  if (StrTrim(View(key), 3).len == 0) return 0;
  if (AssertCheck(BuiltinCode(StrFromC("PayDate$")) != 0, StrFromC("PayDate$ Not Defined")).IsError())
    return st::FEATUREREMOVED;
  StrValue defFile = FileTypeName(w.file, 1);
  Status pushed = ParmStrPush(defFile, kDefinitionKind, w.row);
  if (pushed == st::NOTFOUND) return Fail(st::FILENOTFOUND, defFile.Str() + " (tag " + std::to_string(w.row) + ")");
  if (pushed) return pushed;
  Status s = 0;
  {
    const EventKeeper events;
    int file = w.file.len ? DataFileFind(StrTrim(w.file, 3)) : 0;
    std::string name = StrCaseCopy(DicFileName(file ? file : DicFileNum(0)), 1).Str();
    ParmEventSet(0, View("CREATE,EDIT," + (name.empty() ? std::string("NONE") : name)));
    int16_t maxLin = 0;
    {
      const StrAreaScope inner;
      std::string m = Parm(kParmMaxLin);
      maxLin = m.empty() ? kDefaultMaxLin : ExpEvalInt(View(m));
    }
    s = PaymentsMaintenance(file, View(key), w.height, maxLin > 0 ? maxLin : kDefaultMaxLin);
  }
  ParmStrPop();
  if (s == 0 && w.title.len) {
    StrValue value = ParmValue(StrTrim(w.title, 3));
    if (!value.IsError() && StrTrim(value, 3).len) {
      StrValue expanded = MacroExpand(value, 0);
      s = expanded.IsError() ? StrError(expanded) : ExpExecText(expanded);
      if (s < st::USERCANCELED) s = 0;
    }
  }
  return s;
}

Status PaymentsTask(int event) {
  if (event != kTaskExecute) return 0;
  const StrAreaScope scope;
  StrValue windows = ParmValueByNum(kParmWindows);
  if (Status e = StrError(windows)) return e;
  StrValue spec = StrTokenNorm(StrListItem(StrListItem(windows, ',', 1), ';', 1));
  return PaymentsSchedule(spec);
}
