#include "data/dictionary/relations.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/recbuf.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/paths.h"
#include "runtime/streams.h"
#include "script/evaluator.h"
#include "script/variables.h"

namespace {

// Items of the relation list owned by each file: [relBase, relBase + count).
std::array<uint16_t, kMaxDataFiles + 1> g_relCount{};

constexpr int16_t kNotLoaded = -1;
const std::string kEmpty;

std::string Text(StrValue s) { return s.IsError() ? std::string() : s.Str(); }

StrValue Out(uint16_t mark, const std::string& s) {
  return StrAreaReturn(mark, StrMake(s.data(), static_cast<uint32_t>(s.size())));
}

// A two-column number with blanks read as zeros; -1 when it holds anything else.
int TwoDigits(std::string_view s, size_t at) {
  int v = 0;
  for (size_t i = at; i < at + 2; ++i) {
    char c = i < s.size() ? s[i] : ' ';
    if (c == ' ') c = '0';
    if (c < '0' || c > '9') return -1;
    v = v * 10 + (c - '0');
  }
  return v;
}

bool AllBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

// Reads digits at s[*i]; false when there are none.
bool Digits(std::string_view s, size_t* i, int* v) {
  size_t start = *i;
  long long n = 0;
  while (*i < s.size() && std::isdigit(static_cast<unsigned char>(s[*i]))) {
    if (n < 100000) n = n * 10 + (s[*i] - '0');
    ++*i;
  }
  *v = static_cast<int>(n);
  return *i > start;
}

// An item name <b>R<c>K<k> at s[at] followed by ":" or "="; *valueAt is
// where the value starts.
bool NameAt(std::string_view s, size_t at, int* b, int* c, int* k, size_t* valueAt) {
  size_t i = at;
  while (i < s.size() && s[i] == ' ') ++i;
  if (!Digits(s, &i, b) || i >= s.size() || (s[i] != 'R' && s[i] != 'r')) return false;
  ++i;
  if (!Digits(s, &i, c) || i >= s.size() || (s[i] != 'K' && s[i] != 'k')) return false;
  ++i;
  if (!Digits(s, &i, k) || i >= s.size() || (s[i] != ':' && s[i] != '=')) return false;
  *valueAt = i + 1;
  return true;
}

std::string Trimmed(std::string_view s) {
  size_t a = s.find_first_not_of(' ');
  if (a == std::string_view::npos) return std::string();
  size_t b = s.find_last_not_of(' ');
  return std::string(s.substr(a, b - a + 1));
}

// The relation statements of file n found in the relation file, by number.
Status ReadRelationFile(const std::string& path, int n, std::map<int, std::string>* out) {
  uint16_t slot = StreamOpen(StrMake(path.data(), static_cast<uint32_t>(path.size())), kStreamReadOnly);
  if (slot == 65535) return st::FILEOPENING;
  Status s = 0;
  for (;;) {
    uint16_t mark = StrAreaMark(-1);
    StrValue line = StreamReadLine(slot, kStreamHere);
    if (line.IsError()) {
      Status e = StrError(line);
      StrAreaRelease(mark, 0);
      if (e == st::STRINGTOOLONG) continue;  // recorded with the file name, skipped
      break;                                 // no further line
    }
    RelLine rl;
    bool ok = RelLineParse(line.View(), &rl) && rl.file == n;
    StrAreaRelease(mark, 0);
    if (!ok) continue;
    std::string& item = (*out)[rl.rel];
    if (!item.empty()) item += ';';
    item += rl.stmt;
    if (item.size() > kStrMaxLen) {
      s = st::STRINGTOOLONG;
      break;
    }
  }
  StreamClose(slot);
  return s;
}

Status Fail(Status code, const std::string& detail) {
  ErrDetailSet(code, StrMake(detail.data(), static_cast<uint32_t>(detail.size())), false);
  return ErrSet(1, MOD_DATAFILE, code, code);
}

}  // namespace

// --- Pure pieces --------------------------------------------------------------

bool RelLineParse(std::string_view line, RelLine* out) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  int file = TwoDigits(line, 0);
  int rel = TwoDigits(line, 2);
  if (file <= 0 || rel < 0 || line.size() <= 4) return false;
  std::string_view stmt = line.substr(4);
  size_t a = stmt.find_first_not_of(" \t");
  if (a == std::string_view::npos) return false;
  out->file = file;
  out->rel = rel;
  out->stmt = std::string(stmt.substr(a));
  return true;
}

std::string RelKeyFind(std::string_view list, int b, int c, uint16_t* k) {
  *k = 0;
  // Item starts: the text's start and every ":" after which a name follows.
  size_t at = 0;
  for (;;) {
    int ib = 0, ic = 0, ik = 0;
    size_t valueAt = 0;
    if (NameAt(list, at, &ib, &ic, &ik, &valueAt) && ib == b && ic == c && ik > 0) {
      size_t end = valueAt;
      for (;;) {
        end = list.find(':', end);
        int xb, xc, xk;
        size_t xv;
        if (end == std::string_view::npos || NameAt(list, end + 1, &xb, &xc, &xk, &xv)) break;
        ++end;
      }
      *k = static_cast<uint16_t>(ik);
      return Trimmed(list.substr(valueAt, end == std::string_view::npos ? std::string_view::npos : end - valueAt));
    }
    at = list.find(':', at);
    if (at == std::string_view::npos) return std::string();
    ++at;
  }
}

std::vector<int> RelNumbers(std::string_view list) {
  std::vector<int> out{0};
  size_t i = 0;
  while (i <= list.size()) {
    size_t end = list.find(',', i);
    if (end == std::string_view::npos) end = list.size();
    std::string item = Trimmed(list.substr(i, end - i));
    size_t j = 0;
    int v = 0;
    // A number's integer part: "2.00" is relation 2.
    if (Digits(item, &j, &v) && (j == item.size() || item[j] == '.')) {
      bool seen = false;
      for (int x : out) seen = seen || x == v;
      if (!seen) out.push_back(v);
    }
    i = end + 1;
  }
  return out;
}

std::string RelFileName(std::string_view identity, bool sql) {
  std::string prefix(identity.substr(0, std::min(identity.find(':'), size_t(2))));
  uint16_t mark = StrAreaMark(-1);
  std::string name = DicSysFileName(StrMake(prefix.data(), static_cast<uint32_t>(prefix.size())), sql ? 4 : 3).Str();
  StrAreaRelease(mark, 0);
  return name;
}

// --- Loading and unwinding --------------------------------------------------------

Status RelLoad(int file, StrValue text) {
  if (text.IsError()) return StrError(text);
  int n = DataFileNum(file);
  DataFileCtrlBlock* ctrl = DataFileCtrl(n);
  if (!ctrl) return st::DATAOUTBOUND;
  if (ctrl->relBase != kNotLoaded || text.View() == "NONE") return 0;
  uint16_t mark = StrAreaMark(-1);
  bool sql = VarSysIntGet(kSysAuxStat) & 0x800;
  std::string name = RelFileName(DynStrGet(SettingsList, SetIdentityItem).View(), sql);
  std::string path = Text(FileSearch(DynStrGet(SettingsList, SetDefaultDirItem), StrFromView(name)));
  StrAreaRelease(mark, 0);
  if (path.empty()) return 0;
  std::map<int, std::string> rels;
  if (Status s = ReadRelationFile(path, n, &rels)) return Fail(s, path);
  uint32_t base = DynStrCount(RelationStmtList);
  int count = rels.empty() ? 0 : rels.rbegin()->first + 1;
  if (base + count > 0x7fff) return Fail(st::STROUTBOUND, path);
  for (int r = 0; r < count; ++r) {
    auto it = rels.find(r);
    const std::string& item = it == rels.end() ? kEmpty : it->second;
    Status s = DynStrPush(RelationStmtList, StrMake(item.data(), static_cast<uint32_t>(item.size())));
    if (s != 0) {
      DynStrPopTo(RelationStmtList, base);
      return s;
    }
  }
  ctrl->relBase = static_cast<int16_t>(base);
  g_relCount[n] = static_cast<uint16_t>(count);
  return 0;
}

Status RelLoadPlain(int file, StrValue text) {
  VarSysIntSet(kSysAuxStat, static_cast<int16_t>(VarSysIntGet(kSysAuxStat) & ~0x800));
  return RelLoad(file, text);
}

// Every file whose items lie above the level loses them, not only the file
// named: a base left pointing at deleted items would run whatever is loaded
// there next.
Status RelUnwind(int file, uint16_t level) {
  (void)file;
  Status s = DynStrPopTo(RelationStmtList, level);
  for (int n = 1; n <= DataFileCount() && n <= kMaxDataFiles; ++n) {
    DataFileCtrlBlock* ctrl = DataFileCtrl(n);
    if (!ctrl || ctrl->relBase == kNotLoaded) continue;
    if (ctrl->relBase >= level) {
      ctrl->relBase = kNotLoaded;
      g_relCount[n] = 0;
    } else if (ctrl->relBase + g_relCount[n] > level) {
      g_relCount[n] = static_cast<uint16_t>(level - ctrl->relBase);
    }
  }
  return s;
}

// --- Texts of an action -------------------------------------------------------------

StrValue RelExprGet(StrValue text, uint16_t m) {
  if (text.IsError()) return text;
  uint16_t mark = StrAreaMark(-1);
  if (text.View() == "NONE") return Out(mark, "");
  uint32_t len = DynStrCount(RelationStmtList);
  if (text.len == 0 && m != len) {
    if (len >= 1u + m && len <= 2u + m) return Out(mark, "1");
    if (DataFileLineField(0) != 0xffff) return Out(mark, "1+(N_LINE{}>0)");
  }
  return StrAreaReturn(mark, text);
}

StrValue RelCheckString(int file, StrValue list) {
  if (list.IsError()) return list;
  uint16_t mark = StrAreaMark(-1);
  int n = DataFileNum(file);
  DataFileCtrlBlock* ctrl = DataFileCtrl(n);
  if (!ctrl) return StrAreaReturn(mark, StrErr(st::DATAOUTBOUND));
  std::string numbers;
  if (list.len > 0) {
    StrValue v = ExpEvalStr(list);
    if (v.IsError()) return StrAreaReturn(mark, v);
    numbers = v.Str();
  }
  std::string out;
  if (ctrl->relBase != kNotLoaded) {
    for (int r : RelNumbers(numbers)) {
      if (r >= g_relCount[n]) continue;
      StrValue item = DynStrGet(RelationStmtList, static_cast<uint32_t>(ctrl->relBase + r));
      if (item.len == 0) continue;
      if (!out.empty()) out += ';';
      out.append(item.View());
    }
  }
  if (out.size() > kStrMaxLen) return StrAreaReturn(mark, StrErr(st::STRINGTOOLONG));
  return Out(mark, out);
}

StrValue RelKeyName(int a, int b, int c, uint16_t* key) {
  uint16_t mark = StrAreaMark(-1);
  uint16_t k = 0;
  if (key) *key = 0;
  int n = DataFileNum(a);
  if (n < 1 || n > DataFileCount()) return Out(mark, "");
  StrValue expr = Out(mark, RelKeyFind(DynStrGet(RelationKeysList, static_cast<uint32_t>(n - 1)).View(), DataFileNum(b), c, &k));
  if (key) *key = k;
  return expr;
}

uint16_t RelKeyNum(int a, int b, int c) {
  int n = DataFileNum(a);
  if (n < 1 || n > DataFileCount()) return 0;
  uint16_t k = 0;
  RelKeyFind(DynStrGet(RelationKeysList, static_cast<uint32_t>(n - 1)).View(), DataFileNum(b), c, &k);
  return k;
}

// --- FILEREL and the record stores ------------------------------------------------------

namespace {

StrValue RangeStep(StrValue text) {
  Status s = ExpEvalStatus(text);
  return s != 0 ? StrErr(s) : StrMake("", 0);
}

// Steps through file b after a FILEREL read in a browsing screen: previous
// when the last key was PgUp, else next, until a move fails or, with flag 8,
// until the text holds.
Status Browse(int b, uint16_t flags, StrValue text) {
  uint16_t dir = VarSysIntGet(kSysLastKey) == 23 ? 0x14 : 0x10;
  Status s = 0;
  for (;;) {
    s = DataFileMove(b, dir);
    if (s != 0) break;
    if (flags & relflag::kDelete) {
      Status c = ExpEvalCond(text);
      if (c >= 122) return c;
      if (c == 1) break;
    }
  }
  VarSysIntSet(kSysRelRes, 2);
  VarSysIntSet(kSysScrStat, static_cast<int16_t>(VarSysIntGet(kSysScrStat) & ~64));
  return s >= 128 ? s : 0;
}

}  // namespace

Status RelRead(int a, int b, int c, uint16_t flags, StrValue text) {
  if (text.IsError()) return StrError(text);
  const StrAreaScope scope;
  VarSysIntSet(kSysRelRes, 0);
  int nb = DataFileNum(b);
  uint16_t k = 0;
  StrValue expr = RelKeyName(a, nb, c, &k);
  if (expr.len == 0 || k == 0) {
    std::string d = std::to_string(nb) + "R" + std::to_string(c) + "K (File:" + std::to_string(DataFileNum(a)) + ")";
    return Fail(st::BADINPUTDATA, d);
  }
  StrValue key = ExpEvalStr(expr);
  if (key.IsError()) return StrError(key);
  if (key.len == 0) return 0;
  bool both = (flags & (relflag::kInsert | relflag::kDelete)) == (relflag::kInsert | relflag::kDelete);
  if ((VarSysIntGet(kSysUpStat) & 32) && !both && text.len > 0)
    return RelReadRange(nb, k, key, flags, text);
  bool browsing = VarSysIntGet(kSysScrStat) & 64;
  uint16_t rflags = flags;
  if (AllBlank(key.View()) && !browsing) rflags &= ~relflag::kAlsoOn1;
  Status s = DataFileReadKey(nb, k, key, rflags & (relflag::kSeed | relflag::kAlsoOn1));
  if (s >= 128) return s;
  Status result = s;
  bool found = s == 0;
  if (found && both) {
    VarSysIntSet(kSysRelRes, 12);
    result = DataFileDelete(nb, 0);
  } else if (!(flags & relflag::kDelete) &&
             ((found && text.len > 0) || ((s == 1 || s == 2) && (flags & relflag::kInsert)))) {
    if (!found) {
      // A new related record starts blank with its key fields set, never
      // from what the buffer held (a neighbour read under flag 2).
      Status f = KeyFieldsFromText(nb, key, 1);
      if (f != 0) return f;
      if (s == 2) VarSysIntSet(kSysRelRes, 4);
    }
    result = RelRecordStore(nb, text, found ? 0 : relflag::kInsert);
  }
  if (result < 128 && s <= 2 && (rflags & relflag::kAlsoOn1) && browsing) {
    Status br = Browse(nb, flags, text);
    if (br != 0) result = br;
  }
  return result;
}

Status RelReadRange(int b, int key, StrValue keyText, uint16_t flags, StrValue text) {
  return DataFileReadRange(b, key, keyText, flags, text, RangeStep);
}

Status RelRecordStore(int file, StrValue text, uint16_t flags) {
  if (text.IsError()) return StrError(text);
  Status s = text.len > 0 ? ExpEvalStatus(text) : 0;
  if (s >= 128) return s;
  return (flags & relflag::kInsert) ? DataFileInsert(file) : DataFileUpdate(file);
}

// A missing key stores a new record; nothing is rewritten at the position
// where the search stopped, which holds some other record.
Status RelWriteFields(int file, int key, StrValue text) {
  if (text.IsError()) return StrError(text);
  Status s = DataFileReadKey(file, key, text, 0);
  if (s == 0 || s >= 128) return s;
  s = DataFileMove(file, 0x01);
  if (s >= 128) return s;
  Status f = KeyFieldsSet(file, key, text);
  if (f != 0) return f;
  return DataFileInsert(file);
}
