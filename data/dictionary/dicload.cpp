// The dictionary reader: finds xxDICC.DAT and xxREL.DAT, reads them line by
// line and defines what each line describes (grammar in dictionary.h).
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "data/dictionary/dicstore.h"
#include "data/dictionary/dictionary.h"
#include "platform/host/files.h"
#include "runtime/errors.h"
#include "runtime/paths.h"
#include "runtime/streams.h"

namespace {

using dicstore::AllDigits;
using dicstore::Sv;
using dicstore::Text;
using dicstore::Upper;

constexpr int64_t kMaxDictionaryBytes = 16 << 20;

// What every level of one load shares.
struct LoadArgs {
  std::string dirs;
  std::string defaultLocation;
};

// One dictionary file being read.
struct Level {
  std::string path;
  uint32_t line = 0;
  int loadStart = 0;       // files defined before the load
  std::vector<int> slots;  // file-line number - 1 -> file; 0 for a nested dictionary
  int fieldsGoTo = 0;      // the file of the last file line; 0 before one or after a nested dictionary
  std::string reason;      // why the reader refused the line
  bool described = false;  // a nested load has already described the fault

  int Slot(int k) const { return k >= 1 && k <= static_cast<int>(slots.size()) ? slots[k - 1] : 0; }
};

std::vector<std::string> g_loading;  // prefixes being loaded, outermost first

std::string_view RTrim(std::string_view v) {
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  return v;
}

int ToInt(std::string_view v) {
  int n = 0;
  for (char c : v) n = n * 10 + (c - '0');
  return n;
}

bool ValidPrefix(std::string_view p) {
  return !p.empty() && p.size() <= 8 && std::all_of(p.begin(), p.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  });
}

Status Refuse(Level& lv, Status code, std::string reason) {
  lv.reason = std::move(reason);
  return code;
}

Status Record(Status code, const std::string& detail) {
  ErrDetailSet(code, Sv(detail), false);
  return ErrSet(1, MOD_DATAFILE, code, code);
}

// Names the dictionary file, the line and the fault in the error detail.
Status Describe(const Level& lv, Status code, std::string_view line) {
  std::string why = !lv.reason.empty() ? lv.reason : dicstore::LastReason();
  if (why.empty()) why = code == st::STROUTBOUND ? "no room left in the string-list store" : "refused";
  std::string text = lv.path + ", line " + std::to_string(lv.line) + ": " + why;
  if (!line.empty()) text += ": \"" + std::string(line.substr(0, 80)) + (line.size() > 80 ? "...\"" : "\"");
  return Record(code, text);
}

Status FileLine(Level& lv, std::string_view line, const LoadArgs& args) {
  std::vector<std::string_view> items;
  for (size_t from = 0;;) {
    size_t star = line.find('*', from);
    items.push_back(line.substr(from, star == std::string_view::npos ? std::string_view::npos : star - from));
    if (star == std::string_view::npos) break;
    from = star + 1;
  }
  std::string location(RTrim(items[1]));
  std::string_view third = items.size() > 2 ? items[2] : std::string_view();
  if (third.size() < 2 || !AllDigits(third.substr(0, 2)))
    return Refuse(lv, st::BADINPUTDATA, "file line without a two-digit kind before the name");
  std::string name(RTrim(third.substr(2)));
  if (location.find('$') != std::string::npos) {
    if (Status s = DicLoad(Sv(args.dirs), Sv(name), Sv(args.defaultLocation))) {
      lv.described = true;
      ErrDetailSet(s, Sv("(nested in " + lv.path + ", line " + std::to_string(lv.line) + ")"), true);
      return s;
    }
    lv.slots.push_back(0);
    lv.fieldsGoTo = 0;
    return st::OK;
  }
  const std::string& where = location.empty() ? args.defaultLocation : location;
  if (Status s = DicDefineFile(ToInt(third.substr(0, 2)), Sv(name), Sv(where))) return s;
  lv.slots.push_back(DataFileCount());
  lv.fieldsGoTo = DataFileCount();
  return st::OK;
}

Status FieldLine(Level& lv, std::string_view line) {
  if (lv.fieldsGoTo == 0 || lv.fieldsGoTo != DataFileCount())
    return Refuse(lv, st::FILEOUTBOUND, "field line without a file line of this dictionary before it");
  if (line.size() < 14) return Refuse(lv, st::BADINPUTDATA, "field line shorter than 14 characters");
  std::string_view len = line.substr(9, 3);
  if (!AllDigits(len)) return Refuse(lv, st::BADINPUTDATA, "field length in columns 10-12 is not 3 digits");
  std::string name(RTrim(line.substr(14)));
  return DicDefineField(Sv(name), ToInt(len), line[13]);
}

Status KeyLine(Level& lv, int k, std::string_view line) {
  int file = lv.Slot(k);
  if (file == 0)
    return Refuse(lv, st::BADINPUTDATA, "key line for file " + std::to_string(k) + ", which this dictionary does not define");
  KeyPart parts;
  uint16_t count = 0;
  std::string text(line);
  if (Status s = DicKeySegsParse(Sv(text), &count, &parts)) return s;
  return DicDefineKey(file, count, parts);
}

Status RelLine(Level& lv, int k, std::string_view line) {
  int file = lv.Slot(k);
  if (file == 0)
    return Refuse(lv, st::BADFILENUMBER,
                  "relation-key line for file " + std::to_string(k) + ", which this dictionary does not define");
  size_t colon = line.find(':');
  if (colon == std::string_view::npos) return Refuse(lv, st::BADINPUTDATA, "relation-key line without \":\"");
  std::string text(RTrim(line.substr(colon + 1)));
  return DicRelKeyText(file, Sv(text));
}

// Lines that do not start with a two-digit number from 01 to 90 are skipped.
Status HandleLine(Level& lv, std::string_view line, const LoadArgs& args) {
  if (line.size() > kDicMaxLine) return Refuse(lv, st::BADINPUTDATA, "line longer than 512 bytes");
  if (line.size() < 2 || !AllDigits(line.substr(0, 2))) return st::OK;
  int t = ToInt(line.substr(0, 2));
  if (t < 1 || t > 90) return st::OK;
  switch ((t - 1) / 30) {
    case 0:
      return line.find('*') != std::string_view::npos ? FileLine(lv, line, args) : FieldLine(lv, line);
    case 1:
      return KeyLine(lv, t - 30, line);
    default:
      return RelLine(lv, t - 60, line);
  }
}

Status ReadWhole(const std::string& path, std::string* text) {
  uint16_t slot = StreamOpen(Sv(path), kStreamReadOnly | kStreamQuiet);
  if (slot >= kStreamSlots) return Record(st::FILEOPENING, path);
  int64_t size = StreamSize(slot);
  Status s = st::OK;
  if (size < 0 || size > kMaxDictionaryBytes) {
    s = Record(st::BADINPUTDATA, path + ": not a dictionary file of at most 16 MB");
  } else {
    text->resize(static_cast<size_t>(size));
    auto n = static_cast<uint32_t>(size);
    if (n && StreamRead(slot, 0, n, text->data(), n) != n) s = Record(st::DISKREADERROR, path);
  }
  StreamClose(slot);
  return s;
}

// Reads one dictionary file; lines end at CR LF, CR or LF, and a line that
// is the single byte 26 (end-of-file mark) is skipped.
Status ReadLevel(Level& lv, const LoadArgs& args) {
  std::string text;
  if (Status s = ReadWhole(lv.path, &text)) return s;
  std::string_view rest(text);
  while (!rest.empty()) {
    size_t end = rest.find_first_of("\r\n");
    std::string_view line = rest.substr(0, end);
    size_t next = end == std::string_view::npos ? rest.size() : end + 1;
    if (end != std::string_view::npos && rest[end] == '\r' && next < rest.size() && rest[next] == '\n') ++next;
    rest.remove_prefix(next);
    ++lv.line;
    if (line.size() == 1 && line[0] == 26) continue;
    lv.reason.clear();
    dicstore::ClearReason();
    if (Status s = HandleLine(lv, line, args)) return lv.described ? s : Describe(lv, s, line);
  }
  return st::OK;
}

// Every file of the load still without a key gets the default key.
Status GiveDefaultKeys(const Level& lv) {
  for (int n = lv.loadStart + 1; n <= DataFileCount(); ++n) {
    if (DicKeyCount(n) > 0) continue;
    dicstore::ClearReason();
    if (Status s = DicDefaultKey(n)) {
      std::string why = dicstore::LastReason();
      return Record(s, lv.path + ": " + (why.empty() ? "default key refused" : why));
    }
  }
  return st::OK;
}

Status LoadPasses(const LoadArgs& args, const std::string& prefix, int before) {
  std::string dicc = prefix + "DICC.DAT";
  StrValue found = FileSearch(Sv(args.dirs), Sv(dicc));
  if (Status e = StrError(found)) return Record(e, dicc + "[" + args.dirs + "]");
  std::string path = host::NormalizePath(Text(found));
  if (path.empty()) return Record(st::FILENOTFOUND, dicc + "[" + args.dirs + "]");
  Level main;
  main.path = path;
  main.loadStart = before;
  if (Status s = ReadLevel(main, args)) return s;
  if (Status s = GiveDefaultKeys(main)) return s;
  path = host::NormalizePath(Text(FileSearch(Sv(args.dirs), Sv(prefix + "REL.DAT"))));
  if (path.empty()) return st::OK;
  Level rel;
  rel.path = path;
  rel.loadStart = before;
  for (int n = before + 1; n <= DataFileCount(); ++n) rel.slots.push_back(n);
  if (Status s = ReadLevel(rel, args)) return s;
  return GiveDefaultKeys(rel);
}

bool Loading(const std::string& prefix) {
  return std::any_of(g_loading.begin(), g_loading.end(), [&](const std::string& p) { return Upper(p) == Upper(prefix); });
}

}  // namespace

Status DicLoad(StrValue directories, StrValue prefix, StrValue defaultLocation) {
  for (StrValue v : {directories, prefix, defaultLocation})
    if (Status e = StrError(v)) return e;
  const StrAreaScope scope;
  LoadArgs args{directories.Str(), defaultLocation.Str()};
  std::string pre = prefix.Str();
  if (!ValidPrefix(pre)) return Record(st::BADINPUTDATA, "bad dictionary prefix \"" + pre + "\"");
  if (Loading(pre))
    return Record(st::BADINPUTDATA, "dictionary " + pre + "DICC.DAT contains itself");
  if (g_loading.size() >= kDicMaxDepth)
    return Record(st::OUTOFMEMORY, "dictionary " + pre + "DICC.DAT nested deeper than " +
                                       std::to_string(kDicMaxDepth) + " dictionaries");
  int before = DataFileCount();
  g_loading.push_back(pre);
  Status s = LoadPasses(args, pre, before);
  g_loading.pop_back();
  if (s) DicTruncate(before);
  return s;
}
