// The definition store: defining files, fields and keys, and reading them
// back. The dictionary reader lives in dicload.cpp.
#include "data/dictionary/dictionary.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/dictionary/compat.h"
#include "data/store/datafile.h"
#include "data/dictionary/dicstore.h"
#include "data/store/recbuf.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/strformat.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/variables.h"

namespace {

using dicstore::Text;
using dicstore::Upper;

// --- Values kept outside the tables ---------------------------------------

// Field numbers by name, per file (index n-1), so a reference is found
// without walking the string-list store. Each entry remembers how many of
// the file's fields it covers; a hit is checked against the store.
struct NameIndex {
  uint16_t covered = 0;
  std::unordered_map<std::string, uint16_t> byName;
};
std::vector<NameIndex> g_names;

std::string g_reason;  // why the last definition failed, for the loader

Status Refuse(Status code, const std::string& reason) {
  g_reason = reason;
  ErrDetailSet(code, dicstore::Sv(reason), false);
  return code;
}

// --- Descriptors ------------------------------------------------------------

int FileCount() { return static_cast<int>(dicstore::Count(dicstore::kFiles)); }
bool Defined(int n) { return n >= 1 && n <= FileCount(); }

DataFileDesc FileStored(int n) {
  DataFileDesc d;
  if (Defined(n)) dicstore::Get(dicstore::kFiles, static_cast<uint32_t>(n - 1), &d, sizeof d);
  return d;
}

Status FilePut(const DataFileDesc& d) { return dicstore::Set(dicstore::kFiles, d.file - 1u, &d, sizeof d); }

// The global index of the first field and key of each file (index n for
// file n, n = FileCount() + 1 for the totals) and copies of the file and
// field descriptors, worked out again only when the tables have changed
// since (every field read asks for them, so they are not copied out of the
// tables each time).
struct Firsts {
  uint64_t generation = 0;
  int files = 0;
  uint32_t field[kDicMaxFiles + 2] = {};
  uint32_t key[kDicMaxFiles + 2] = {};
  DataFileDesc desc[kDicMaxFiles + 2] = {};
  std::vector<DataFieldDesc> fields;
};
Firsts g_firsts;

const Firsts& FirstsNow() {
  uint64_t gen = dicstore::Generation();
  if (gen != 0 && gen == g_firsts.generation) return g_firsts;
  g_firsts.files = std::min(FileCount(), static_cast<int>(kDicMaxFiles));
  uint32_t fields = 0, keys = 0;
  for (int n = 1; n <= g_firsts.files + 1; ++n) {
    g_firsts.field[n] = fields;
    g_firsts.key[n] = keys;
    DataFileDesc d = FileStored(n);
    g_firsts.desc[n] = d;
    fields += d.fieldCount;
    keys += d.keyCount;
  }
  g_firsts.fields.resize(dicstore::Count(dicstore::kFields));
  for (uint32_t i = 0; i < g_firsts.fields.size(); ++i)
    dicstore::Get(dicstore::kFields, i, &g_firsts.fields[i], sizeof(DataFieldDesc));
  g_firsts.generation = gen;
  return g_firsts;
}

DataFileDesc FileGet(int n) {
  const Firsts& f = FirstsNow();
  if (f.generation != 0 && n >= 1 && n <= f.files) return f.desc[n];
  return FileStored(n);
}

// Global index of the first field / key of file n (past the last file: the
// totals).
uint32_t FirstField(int n) {
  const Firsts& f = FirstsNow();
  return n < 1 ? 0 : f.field[std::min(n, f.files + 1)];
}

uint32_t FirstKey(int n) {
  const Firsts& f = FirstsNow();
  return n < 1 ? 0 : f.key[std::min(n, f.files + 1)];
}

uint64_t g_reopens = 0;  // files opened or closed: resolved references are looked at again

DataFieldDesc FieldAt(uint32_t global) {
  const Firsts& f = FirstsNow();
  if (f.generation != 0 && global < f.fields.size()) return f.fields[global];
  DataFieldDesc d;
  dicstore::Get(dicstore::kFields, global, &d, sizeof d);
  return d;
}

bool NoUpperCase() { return (VarSysIntGet(kSysAuxStat) & 8) != 0; }

// A location compared the way the file layer resolves it.
std::string LocationKey(std::string s) {
  std::replace(s.begin(), s.end(), '\\', '/');
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return Upper(s);
}

bool SameDiskFile(int n, const std::string& name, const std::string& location) {
  std::string a = CompatName8(Upper(Text(DicFileName(n)))), b = CompatName8(Upper(name));
  return a == b && LocationKey(Text(DicFileLocation(n))) == LocationKey(location);
}

Status CheckFileName(const std::string& name, const std::string& location) {
  if (name.empty() || name.find_first_of("/\\:") != std::string::npos || name.find("..") != std::string::npos)
    return Refuse(st::BADINPUTDATA, "bad file name \"" + name + "\"");
  for (int n = 1; n <= FileCount(); ++n)
    if (SameDiskFile(n, name, location))
      return Refuse(st::BADINPUTDATA, "file " + name + " is already defined as file " + std::to_string(n));
  return st::OK;
}

// Sets item i of each list, or puts the lists back as they were.
Status ListsSet(const uint16_t* lists, const StrValue* texts, int k, uint32_t i) {
  for (int j = 0; j < k; ++j) {
    if (Status s = DynStrSet(lists[j], i, texts[j])) {
      for (int u = 0; u < k; ++u) DynStrPopTo(lists[u], i);
      return s;
    }
  }
  return st::OK;
}

// Inserts an element into table t at position at, moving later ones up.
Status TableInsert(uint16_t t, uint32_t at, const void* bytes, uint16_t size) {
  uint32_t count = dicstore::Count(t);
  std::vector<unsigned char> moved(size);
  if (Status s = dicstore::Set(t, count, bytes, size)) return s;  // grows first
  for (uint32_t i = count; i > at; --i) {
    dicstore::Get(t, i - 1, moved.data(), size);
    dicstore::Set(t, i, moved.data(), size);
  }
  return dicstore::Set(t, at, bytes, size);
}

Status KeyAdd(int n, uint16_t count, const KeyPart& parts) {
  DataFileDesc d = FileGet(n);
  uint32_t at = FirstKey(n) + d.keyCount;
  KeyDesc kd{count};
  KeyPart kp{};
  std::copy(parts.part, parts.part + count, kp.part);
  if (Status s = TableInsert(dicstore::kKeys, at, &kd, sizeof kd)) return s;
  if (Status s = TableInsert(dicstore::kKeyParts, at, &kp, sizeof kp)) {
    dicstore::Remove(dicstore::kKeys, at);
    return s;
  }
  ++d.keyCount;
  return FilePut(d);
}

Status CheckParts(int n, uint16_t count, const KeyPart& parts) {
  DataFileDesc d = FileGet(n);
  std::string where = "key of file " + std::to_string(n) + " (" + Text(DicFileName(n)) + ")";
  if (count < 1 || count > kDicMaxKeyParts) return Refuse(st::BADINPUTDATA, where + " without 1 to 5 parts");
  for (int i = 0; i < count; ++i) {
    const KeyPartPair& p = parts.part[i];
    if (p.length < 1 || uint32_t{p.offset} + p.length > d.recLen)
      return Refuse(st::BADINPUTDATA, where + ": part " + std::to_string(i + 1) + " lies outside the record of " +
                                          std::to_string(d.recLen) + " bytes");
  }
  return st::OK;
}

void IndexRebuild(int n) {
  if (static_cast<int>(g_names.size()) < n) g_names.resize(n);
  NameIndex& ix = g_names[n - 1];
  ix = NameIndex{};
  DataFileDesc d = FileGet(n);
  uint32_t first = FirstField(n);
  for (uint16_t f = 1; f <= d.fieldCount; ++f) ix.byName.emplace(Text(DynStrGet(FieldNamesList, first + f - 1)), f);
  ix.covered = d.fieldCount;
}

uint16_t IndexFind(int n, const std::string& name) {
  DataFileDesc d = FileGet(n);
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (static_cast<int>(g_names.size()) < n || g_names[n - 1].covered != d.fieldCount) IndexRebuild(n);
    auto it = g_names[n - 1].byName.find(name);
    if (it == g_names[n - 1].byName.end()) return st::NOTFOUND;
    if (Text(DynStrGet(FieldNamesList, FirstField(n) + it->second - 1)) == name) return it->second;
    IndexRebuild(n);  // the store changed behind the index
  }
  return st::NOTFOUND;
}

std::string Num(long v) { return std::to_string(v); }

}  // namespace

// --- Loading helpers shared with the reader --------------------------------

namespace dicstore {
const std::string& LastReason() { return g_reason; }
void ClearReason() { g_reason.clear(); }
}  // namespace dicstore

StrValue DicSysFileName(StrValue prefix, int item) {
  if (Status e = StrError(prefix)) return StrErr(e);
  uint16_t m = StrAreaMark(-1);
  StrValue name = StrListItem(StrFromC("DICC.DAT,REL.DAT,RELUP.DAT,RELUPSQL.DAT,MENU.PPN"), ',', item);
  return StrAreaReturn(m, StrCat(prefix, name));
}

// --- Defining -----------------------------------------------------------------

Status DicDefineFile(int kind, StrValue name, StrValue location) {
  if (Status e = StrError(name) ? StrError(name) : StrError(location)) return e;
  int n = FileCount() + 1;
  if (n > kDicMaxFiles) return Refuse(st::FILEOUTBOUND, "more than 30 data files");
  std::string nm = NoUpperCase() ? name.Str() : Upper(name.Str());
  if (Status s = CheckFileName(nm, location.Str())) return s;
  DataFileDesc d;
  d.file = static_cast<uint8_t>(n);
  d.kind = static_cast<uint8_t>(kind);
  const uint16_t lists[] = {FileNamesList, FileLocationsList, RelationKeysList};
  const StrValue texts[] = {dicstore::Sv(nm), location, StrMake("", 0)};
  if (Status s = ListsSet(lists, texts, 3, static_cast<uint32_t>(n - 1))) return s;
  if (Status s = FilePut(d)) {
    for (uint16_t l : lists) DynStrPopTo(l, static_cast<uint32_t>(n - 1));
    return s;
  }
  RecBufDiscard(n);
  DataFileCtrlInit(n);
  if (static_cast<int>(g_names.size()) >= n) g_names[n - 1] = NameIndex{};
  return st::OK;
}

Status DicDefineField(StrValue name, int length, char type) {
  if (Status e = StrError(name)) return e;
  int n = FileCount();
  if (n == 0) return Refuse(st::FILEOUTBOUND, "field before any file");
  DataFileDesc d = FileGet(n);
  if (length < 1) return Refuse(st::BADINPUTDATA, "field " + name.Str() + " of length 0");
  if (uint32_t{d.recLen} + static_cast<uint32_t>(length) > kDicMaxRecLen)
    return Refuse(st::BADINPUTDATA, "record of " + Text(DicFileName(n)) + " longer than 32767 bytes");
  uint32_t g = dicstore::Count(dicstore::kFields);
  DataFieldDesc f;
  f.file = d.file;
  f.field = static_cast<uint16_t>(d.fieldCount + 1);
  f.offset = d.recLen;
  f.length = static_cast<uint16_t>(length);
  f.type = static_cast<uint8_t>(type);
  if (Status s = DynStrSet(FieldNamesList, g, name)) return s;
  if (Status s = dicstore::Set(dicstore::kFields, g, &f, sizeof f)) {
    DynStrPopTo(FieldNamesList, g);
    return s;
  }
  d.fieldCount = f.field;
  d.recLen = static_cast<uint16_t>(d.recLen + length);
  FilePut(d);
  if (static_cast<int>(g_names.size()) >= n && g_names[n - 1].covered + 1 == f.field) {
    g_names[n - 1].byName.emplace(name.Str(), f.field);
    g_names[n - 1].covered = f.field;
  }
  return st::OK;
}

Status DicDefineKey(int file, uint16_t count, const KeyPart& parts) {
  if (!Defined(file)) return Refuse(st::BADINPUTDATA, "key of undefined file " + Num(file));
  if (Status s = CheckParts(file, count, parts)) return s;
  return KeyAdd(file, count, parts);
}

Status DicDefaultKeys(int n) {
  for (int f = 1; f <= n && f <= FileCount(); ++f)
    if (FileGet(f).keyCount == 0)
      if (Status s = DicDefaultKey(f)) return s;
  return st::OK;
}

Status DicDefaultKey(int file) {
  if (!Defined(file)) return Refuse(st::BADINPUTDATA, "key of undefined file " + Num(file));
  DataFileDesc d = FileGet(file);
  if (d.fieldCount == 0) return Refuse(st::BADINPUTDATA, "file " + Text(DicFileName(file)) + " has no fields");
  uint16_t line = DicFieldFind(file, StrFromC("N_LINE"));
  DataFieldDesc f = DicFieldDesc(file, line == st::NOTFOUND ? 1 : line);
  KeyPart parts{};
  parts.part[0] = KeyPartPair{0, static_cast<uint16_t>(f.offset + f.length)};
  return KeyAdd(file, 1, parts);
}

Status DicRelKeyText(int file, StrValue text) {
  if (Status e = StrError(text)) return e;
  if (!Defined(file)) return Refuse(st::BADFILENUMBER, "relation keys of undefined file " + Num(file));
  std::string list = Text(DynStrGet(RelationKeysList, static_cast<uint32_t>(file - 1)));
  if (!list.empty()) list += ':';
  list += text.View();
  return DynStrSet(RelationKeysList, static_cast<uint32_t>(file - 1), dicstore::Sv(list));
}

Status DicKeySegsParse(StrValue line, uint16_t* count, KeyPart* parts) {
  *count = 0;
  *parts = KeyPart{};
  if (Status e = StrError(line)) return e;
  std::string_view v = line.View();
  size_t lt = v.find('<');
  if (lt == std::string_view::npos) return Refuse(st::BADINPUTDATA, "key line without \"<\"");
  v.remove_prefix(lt + 1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  while (*count < kDicMaxKeyParts && v.size() >= 2) {
    std::string g(v.substr(0, 7));
    if (g.size() < 7 || !dicstore::AllDigits(g))
      return Refuse(st::BADINPUTDATA, "key part \"" + g + "\" is not 4 + 3 digits");
    int pos = std::stoi(g.substr(0, 4)), len = std::stoi(g.substr(4, 3));
    if (pos < 1 || len < 1) return Refuse(st::BADINPUTDATA, "key part \"" + g + "\" of position or length 0");
    parts->part[(*count)++] = KeyPartPair{static_cast<uint16_t>(pos - 1), static_cast<uint16_t>(len)};
    v.remove_prefix(7);
  }
  if (*count == 0) return Refuse(st::BADINPUTDATA, "key line without parts");
  return st::OK;
}

Status DicTruncate(int files) {
  if (files < 0) files = 0;
  int count = FileCount();
  if (files >= count) return st::OK;
  for (int n = files + 1; n <= count; ++n) {
    DataFileClose(n);
    DataFileCtrlInit(n);
    RecBufDiscard(n);
  }
  uint32_t fields = FirstField(files + 1), keys = FirstKey(files + 1);
  dicstore::Truncate(dicstore::kFields, fields);
  dicstore::Truncate(dicstore::kKeys, keys);
  dicstore::Truncate(dicstore::kKeyParts, keys);
  dicstore::Truncate(dicstore::kFiles, static_cast<uint32_t>(files));
  DynStrPopTo(FieldNamesList, fields);
  for (uint16_t l : {FileNamesList, FileLocationsList, RelationKeysList}) DynStrPopTo(l, static_cast<uint32_t>(files));
  if (static_cast<int>(g_names.size()) > files) g_names.resize(files);
  return st::OK;
}

DicCounts DicCountsGet() {
  DicCounts c;
  c.files = static_cast<uint8_t>(FileCount());
  c.fields = static_cast<uint16_t>(dicstore::Count(dicstore::kFields));
  c.keys = static_cast<uint16_t>(dicstore::Count(dicstore::kKeys));
  return c;
}

// --- Accessors -------------------------------------------------------------------

uint16_t DataFileCount() { return static_cast<uint16_t>(FileCount()); }

uint64_t DicGeneration() {
  uint64_t gen = dicstore::Generation();
  return gen == 0 ? 0 : gen + g_reopens;
}

void DicRefsInvalidate() { ++g_reopens; }

int DicFileNum(int file) { return file == 0 || file == kDicCurrentFile ? VarSysIntGet(kSysCurFil) : file; }

DataFileDesc DicFileDesc(int file) { return FileGet(DicFileNum(file)); }
uint16_t DicRecLen(int file) { return DicFileDesc(file).recLen; }
uint16_t DicFieldCount(int file) { return DicFileDesc(file).fieldCount; }
uint16_t DicKeyCount(int file) { return DicFileDesc(file).keyCount; }

StrValue DicFileName(int file) {
  int n = DicFileNum(file);
  return Defined(n) ? DynStrGet(FileNamesList, static_cast<uint32_t>(n - 1)) : StrMake("", 0);
}

StrValue DicFileLocation(int file) {
  int n = DicFileNum(file);
  return Defined(n) ? DynStrGet(FileLocationsList, static_cast<uint32_t>(n - 1)) : StrMake("", 0);
}

StrValue DicRelKeys(int file) {
  int n = DicFileNum(file);
  return Defined(n) ? DynStrGet(RelationKeysList, static_cast<uint32_t>(n - 1)) : StrMake("", 0);
}

uint16_t DicFieldIndex(int file, int field) {
  int n = DicFileNum(file);
  if (!Defined(n) || field < 1 || field > FileGet(n).fieldCount) return st::NOTFOUND;
  return static_cast<uint16_t>(FirstField(n) + field - 1);
}

uint16_t DicKeyIndex(int file, int key) {
  int n = DicFileNum(file);
  if (!Defined(n) || key < 1 || key > FileGet(n).keyCount) return st::NOTFOUND;
  return static_cast<uint16_t>(FirstKey(n) + key - 1);
}

DataFieldDesc DicFieldDesc(int file, int field) {
  // Every field read asks: one look at the kept copies when they hold.
  int n = DicFileNum(file);
  const Firsts& f = FirstsNow();
  if (f.generation != 0 && n >= 1 && n <= f.files) {
    if (field < 1 || field > f.desc[n].fieldCount) return DataFieldDesc{};
    auto g = static_cast<uint16_t>(f.field[n] + field - 1);
    if (g != st::NOTFOUND && g < f.fields.size()) return f.fields[g];
  }
  uint16_t g = DicFieldIndex(file, field);
  return g == st::NOTFOUND ? DataFieldDesc{} : FieldAt(g);
}

uint16_t DicFieldLen(int file, int field) { return DicFieldDesc(file, field).length; }
uint16_t DicFieldOffset(int file, int field) { return DicFieldDesc(file, field).offset; }
char DicFieldType(int file, int field) { return static_cast<char>(DicFieldDesc(file, field).type); }

StrValue DicFieldName(int file, int field) {
  uint16_t g = DicFieldIndex(file, field);
  return g == st::NOTFOUND ? StrMake("", 0) : DynStrGet(FieldNamesList, g);
}

uint16_t DicFieldFind(int file, StrValue name) {
  int n = DicFileNum(file);
  if (!Defined(n) || name.IsError()) return st::NOTFOUND;
  return IndexFind(n, name.Str());
}

uint16_t DicFieldWidth(char type, uint16_t length) {
  if (type >= '0' && type <= '8') return static_cast<uint16_t>(length + (type - '0') + 1);
  return length;
}

Status DicFileFieldError(Status code, int file, int field) {
  std::string text = FmtText("(File:%s, Field:%s)", Num(file), Num(field));
  ErrDetailSet(code, dicstore::Sv(text), false);
  return code;
}

Status DicCheckFileField(int file, int field) {
  int n = DicFileNum(file);
  if (Defined(n) && (field == -1 || (field >= 1 && field <= FileGet(n).fieldCount))) return st::OK;
  return DicFileFieldError(st::DATAOUTBOUND, n, field);
}

Status DicKeyCheck(int file, int key) {
  int n = DicFileNum(file);
  if (Defined(n) && key >= 1 && key <= FileGet(n).keyCount) return st::OK;
  return DicFileFieldError(st::DATAOUTBOUND, n, key);
}

uint16_t KeyPartsDesc(int file, int key, KeyPart* parts) {
  *parts = KeyPart{};
  uint16_t g = DicKeyIndex(file, key);
  if (g == st::NOTFOUND) return 0;
  KeyDesc kd;
  dicstore::Get(dicstore::kKeys, g, &kd, sizeof kd);
  dicstore::Get(dicstore::kKeyParts, g, parts, sizeof *parts);
  return std::min<uint16_t>(kd.partCount, kDicMaxKeyParts);
}

uint16_t KeyLen(int file, int key, int c) {
  KeyPart parts;
  uint16_t count = KeyPartsDesc(file, key, &parts);
  int upto = c <= 0 || c > count ? count : c;
  uint32_t sum = 0;
  for (int i = 0; i < upto; ++i) sum += parts.part[i].length;
  return static_cast<uint16_t>(sum);
}

KeyFieldList KeyFields(int file, int key) {
  KeyFieldList out;
  int n = DicFileNum(file);
  KeyPart parts;
  uint16_t count = KeyPartsDesc(n, key, &parts);
  if (count == 0) {
    out.count = 1;
    out.field[0] = 1;
    return out;
  }
  uint16_t fields = FileGet(n).fieldCount;
  for (int i = 0; i < count; ++i) {
    uint16_t f = 1;
    while (f <= fields) {
      DataFieldDesc d = DicFieldDesc(n, f);
      if (d.offset + d.length > parts.part[i].offset) break;
      ++f;
    }
    if (f > fields) {
      out.status = st::INTERNALERROR;
      return out;
    }
    out.field[out.count++] = f;
  }
  return out;
}

uint16_t KeyFind(int file, int field) {
  int n = DicFileNum(file);
  for (int k = 1; k <= FileGet(n).keyCount; ++k) {
    KeyFieldList f = KeyFields(n, k);
    if (f.status == 0 && f.field[0] == field) return static_cast<uint16_t>(k);
  }
  return 0;
}

uint16_t KeyFindDate(int file) {
  int n = DicFileNum(file);
  for (int k = 1; k <= FileGet(n).keyCount; ++k) {
    KeyFieldList f = KeyFields(n, k);
    if (f.status == 0 && DicFieldType(n, f.field[0]) == 'D') return static_cast<uint16_t>(k);
  }
  return st::NOTFOUND;
}

int DataFileFind(StrValue text) {
  if (text.IsError()) return 0;
  if (text.len == 0) return DicFileNum(0);
  if (static_cast<unsigned char>(text.ptr[0]) > 64) {
    std::string name = NoUpperCase() ? text.Str() : Upper(text.Str());
    for (int n = 1; n <= FileCount(); ++n)
      if (DynStrGet(FileNamesList, static_cast<uint32_t>(n - 1)).View() == name) return n;
    return 0;
  }
  return StrToInt(text);
}

StrValue DicFileList(int kind) {
  uint16_t mark = StrAreaMark(-1);
  std::string list;
  for (int n = 1; n <= FileCount(); ++n) {
    StrValue name = kind == 1 ? DicFileName(n) : DataFileName(n, kind);
    if (name.IsError()) return StrAreaReturn(mark, name);
    if (n > 1) list += ',';
    list += name.View();
  }
  return StrAreaReturn(mark, StrFromView(list));
}

StrValue DicFileRefSuffix(int file) {
  std::string s = "{";
  if (file != 0) s += Num(file);
  s += '}';
  return StrFromView(s);
}

StrValue DataFileStateItem(int file, int key) { return StrFromView(Num(file) + ";" + Num(key)); }
