#include "data/store/datafile.h"

#include "data/dictionary/compat.h"
#include "data/dictionary/dictionary.h"
#include "data/store/journal.h"
#include "data/store/recio.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "script/variables.h"

namespace {

DataStore* Stores() {
  static DataStore stores[kMaxDataFiles];
  static bool wired = false;
  if (!wired) {
    for (int i = 0; i < kMaxDataFiles; ++i) {
      stores[i].SetOwner(i + 1);
      stores[i].SetPairSource([i](Status* err) -> char* {
        StrValue p = RecBuf(i + 1, 3);
        if (p.IsError()) *err = StrError(p);
        return p.ptr;
      });
    }
    wired = true;
  }
  return stores;
}

std::string FileItem(uint16_t list, int n) { return DynStrGet(list, static_cast<uint32_t>(n - 1)).Str(); }

// Records an error this layer answers itself, naming the file.
Status Fail(Status code, int n) {
  std::string d = "(File:" + std::to_string(n) + ") " + FileItem(FileNamesList, n);
  ErrDetailSet(code, StrMake(d.data(), static_cast<uint32_t>(d.size())), false);
  return ErrSet(1, MOD_DATAFILE, code, code);
}

Status Done(Status s, int n) {
  bool own = s == st::DATAOUTBOUND || s == st::FILENOTINIT || s == st::PERMISSIONDENIED;
  return own ? Fail(s, n) : s;
}

// The file number after the current-file rule, checked against the dictionary.
Status Resolve(int file, int* n) {
  *n = DataFileNum(file);
  Status s = DicCheckFileField(*n, -1);
  if (s == 0 && (*n < 1 || *n > kMaxDataFiles)) s = st::DATAOUTBOUND;
  return s;
}

Status LayoutOf(int n, StoreLayout* layout) {
  layout->name = FileItem(FileNamesList, n);
  layout->location = FileItem(FileLocationsList, n);
  layout->recLen = DicRecLen(n);
  layout->keys.clear();
  for (int k = 1; k <= DicKeyCount(n); ++k) {
    KeyPart kp;
    uint16_t parts = KeyPartsDesc(n, k, &kp);
    RecKey key;
    for (uint16_t i = 0; i < parts && i < 5; ++i) key.segs.push_back(KeySeg{kp.part[i].offset, kp.part[i].length});
    layout->keys.push_back(key);
  }
  layout->lineField = DataFileLineField(n) != 0xffff;
  return layout->recLen == 0 ? st::FILENOTINIT : 0;
}

StoreEnv Env() {
  StoreEnv env;
  env.temporary = VarSysIntGet(kSysUpStat) & 2;
  env.compat = CompatBits();
  return env;
}

std::string Text(StrValue s) { return s.IsError() ? std::string() : s.Str(); }

}  // namespace

DataStore* DataFileStore(int file) {
  int n = 0;
  return Resolve(file, &n) == 0 ? &Stores()[n - 1] : nullptr;
}

DataFileCtrlBlock* DataFileCtrl(int n) {
  if (n < 1 || n > kMaxDataFiles || DicCheckFileField(n, -1) != 0) {
    ErrSet(1, MOD_DATAFILE, st::DATAOUTBOUND, 0);
    return nullptr;
  }
  return &Stores()[n - 1].ctrl;
}

void DataFileCtrlInit(int n) {
  if (n >= 1 && n <= kMaxDataFiles) Stores()[n - 1].CtrlInit();
}

int DataFileNum(int file) {
  if (file == 0 || file == 255 || file > DataFileCount()) return VarSysIntGet(kSysCurFil);
  return file;
}

int DataFileSetCurrent(int n) {
  if (n >= 1 && n <= DataFileCount()) VarSysIntSet(kSysCurFil, static_cast<int16_t>(n));
  return VarSysIntGet(kSysCurFil);
}

StrValue DataFileName(int file, int kind) {
  int n = 0;
  Status s = Resolve(file, &n);
  if (s != 0) return StrErr(s);
  std::string name = FileItem(FileNamesList, n);
  std::string out = kind == 7 ? recio::TempFile(name + "_")
                              : DataFileNameBuild(name, FileItem(FileLocationsList, n), kind, Env().compat);
  if (kind == 7 && out.empty()) return StrErr(Fail(st::FILEOPENING, n));
  if (kind == 7) DynStrPush(ObjParamsList, StrMake(out.data(), static_cast<uint32_t>(out.size())));
  return StrFromView(out);
}

// --- Open and close --------------------------------------------------------------

Status DataFileOpen(int file, uint8_t flags) {
  int n = DataFileNum(file);
  if (flags & dfopen::kMakeCurrent) n = DataFileSetCurrent(n);
  Status s = Resolve(n, &n);
  StoreLayout layout;
  if (s == 0) s = LayoutOf(n, &layout);
  if (s != 0) return Done(s, n);
  DataStore& store = Stores()[n - 1];
  bool already = false;
  s = store.Open(layout, flags, Env(), &already);
  if (s != 0 || already) return Done(s, n);
  DicRefsInvalidate();  // a reopened file may stand for another definition
  s = RecBufAlloc(n);
  if (s != 0) {
    store.Close();
    return s;
  }
  return Done(store.Start(), n);
}

Status DataFileClose(int file) {
  int n = 0;
  Status s = Resolve(file, &n);
  return s != 0 ? s : Stores()[n - 1].Close();
}

Status DataFileCloseAll() {
  Status first = 0;
  for (int i = 0; i < kMaxDataFiles; ++i) {
    Status s = Stores()[i].Close();
    if (first == 0) first = s;
  }
  // Every file closed: the journal kept between runs goes too.
  RunJournalTidy();
  return first;
}

// --- Reading and stepping ----------------------------------------------------------

Status DataFileReadKey(int file, int key, StrValue text, uint16_t flags) {
  int n = 0;
  Status s = Resolve(file, &n);
  if (s != 0) return s;
  if (text.IsError()) return StrError(text);
  DataStore& store = Stores()[n - 1];
  s = store.ReadKey(key, Text(text), flags);
  bool loaded = s == 0 || (s == dfres::kNotFound && (flags & dfmove::kAlsoOn1));
  if (s < 128 && !loaded && (flags & 1)) {
    Status f = KeyFieldsFromText(n, text, flags);
    if (f != 0) return f;
  }
  return Done(s, n);
}

Status DataFileFindKey(int file, int key, StrValue text, uint16_t part) {
  int n = 0;
  Status s = Resolve(file, &n);
  if (s != 0) return s;
  if (text.IsError()) return StrError(text);
  return Done(Stores()[n - 1].FindKey(key, Text(text), part), n);
}

Status DataFileMove(int file, uint16_t flags) {
  int n = 0;
  Status s = Resolve(file, &n);
  return s != 0 ? s : Done(Stores()[n - 1].Move(flags), n);
}

Status DataFileKeyLimit(int file, uint16_t flags, StrValue limit) {
  int n = 0;
  Status s = Resolve(file, &n);
  if (s != 0) return s;
  if (limit.IsError()) return StrError(limit);
  return Done(Stores()[n - 1].KeyLimit(flags, Text(limit)), n);
}

Status DataFileMoveLimit(int file, uint16_t flags, StrValue limit) {
  Status s = DataFileMove(file, flags);
  return s >= 128 ? s : DataFileKeyLimit(file, flags, limit);
}

Status DataFileReadLive(int file, int32_t rec, uint16_t flags, int32_t* reached) {
  int n = 0;
  Status s = Resolve(file, &n);
  if (s != 0) return s;
  int64_t at = rec;
  s = Stores()[n - 1].ReadLive(rec, flags, &at);
  *reached = static_cast<int32_t>(at);
  return Done(s, n);
}

Status DataFileRecRead(int file, int32_t rec) { return DataFileRecLoad(file, rec, 1); }

Status DataFileRecLoad(int file, int32_t rec, int part) {
  int n = 0;
  Status s = Resolve(file, &n);
  return s != 0 ? s : Done(Stores()[n - 1].RecLoad(rec, part), n);
}

uint16_t DataFileKeyGet(int file) {
  int n = 0;
  if (file == 0 || Resolve(file, &n) != 0) return 0xffff;
  return Stores()[n - 1].KeyGet();
}

Status DataFileKeySet(int file, int key) {
  int n = 0;
  Status s = Resolve(file, &n);
  return s != 0 ? s : Done(Stores()[n - 1].KeySet(key), n);
}

// --- Writing ------------------------------------------------------------------------

Status DataFileInsert(int file) {
  int n = 0;
  Status s = Resolve(file, &n);
  return s != 0 ? s : Done(Stores()[n - 1].Insert(), n);
}

Status DataFileUpdate(int file) {
  int n = 0;
  Status s = Resolve(file, &n);
  return s != 0 ? s : Done(Stores()[n - 1].Update(), n);
}

Status DataFileDelete(int file, uint16_t flags) {
  int n = 0;
  Status s = Resolve(file, &n);
  return s != 0 ? s : Done(Stores()[n - 1].Delete(flags), n);
}

Status DataFileDeleteAll(int) {
  ErrDetailSet(st::FEATUREREMOVED, StrFromC("DataFileDeleteAll"), false);
  return ErrSet(1, MOD_DATAFILE, st::FEATUREREMOVED, st::FEATUREREMOVED);
}

Status DataFileRecWrite(int file, int32_t rec) {
  int n = 0;
  Status s = Resolve(file, &n);
  return s != 0 ? s : Done(Stores()[n - 1].RecWrite(rec), n);
}

Status DataFileReopen(int file, Status code) {
  int n = 0;
  Status s = Resolve(file, &n);
  if (s != 0) return code != 0 ? code : s;
  return Stores()[n - 1].Reopen(code);
}

Status DataFileReadRange(int file, int key, StrValue text, uint16_t flags, StrValue arg, DataFileRoutine routine) {
  int n = 0;
  Status s = Resolve(file, &n);
  if (s != 0) return s;
  if (text.IsError()) return StrError(text);
  DataStore& store = Stores()[n - 1];
  auto seed = [&]() { return KeyFieldsSet(n, key == -1 ? store.KeyGet() : key, text); };
  auto step = [&]() -> Status {
    const StrAreaScope scope;
    StrValue r = routine(arg);
    return r.IsError() ? StrError(r) : 0;
  };
  bool inserted = false;
  s = store.ReadRange(key, Text(text), flags, seed, routine ? DataStore::Step(step) : DataStore::Step(), &inserted);
  if (inserted) VarSysIntSet(kSysRelRes, 4);
  return Done(s, n);
}

Status DataFileCtrlSave(DataStoreState* target, int file, const DataStoreState* source) {
  int n = 0;
  Status s = Resolve(file, &n);
  if (s != 0) return s;
  if (source) return Stores()[n - 1].RestoreState(*source);
  Stores()[n - 1].SaveState(target);
  return 0;
}

// --- Small accessors ------------------------------------------------------------------

uint8_t DataFileCountByte() { return static_cast<uint8_t>(DataFileCount()); }

StrValue DataFileNames() {
  std::string out;
  for (int n = 1; n <= DataFileCount(); ++n) {
    if (n > 1) out += ',';
    out += FileItem(FileNamesList, n);
  }
  return StrFromView(out);
}

uint16_t DataFileLineField(int file) { return DicFieldFind(file, StrFromC("N_LINE")); }

int DataFileUpStat(bool on) {
  int16_t v = VarSysIntGet(kSysUpStat);
  VarSysIntSet(kSysUpStat, static_cast<int16_t>(on ? (v | 1) : (v & ~1)));
  return VarSysIntGet(kSysUpStat) & 1;
}

Status DataFileNullHook() { return 0xffff; }

NdxPositionInfo NdxPosition(int file, int64_t pos) {
  NdxPositionInfo info;
  DataStore* store = DataFileStore(file);
  if (!store || !store->File().HasIndex()) return info;
  if (pos >= 0) store->SetPosition(static_cast<uint32_t>(pos));
  info.pos = store->Position();
  info.rec = store->RecAtPosition(info.pos);
  info.live = store->File().Live();
  info.free = store->File().FreeCount();
  return info;
}

int64_t NdxCurRecNo(int file) {
  DataStore* store = DataFileStore(file);
  return store ? store->RecAtPosition(store->Position()) : -1;
}
