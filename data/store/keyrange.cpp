// The key-range update (keyrange.h).
#include "data/store/keyrange.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "data/store/datafail.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/recbuf.h"
#include "runtime/format.h"

namespace {

StrValue View(std::string_view s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

std::string Trimmed(std::string_view s) {
  size_t a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
  return a == std::string_view::npos ? std::string() : std::string(s.substr(a, b - a + 1));
}

// "FIELD=value" (FIELD may carry a {file} suffix, which is dropped): false
// when it does not parse.
bool ParseAssign(std::string_view text, std::string* field, std::string* value) {
  size_t eq = text.find('=');
  if (eq == std::string_view::npos) return false;
  *field = Trimmed(text.substr(0, eq));
  if (size_t brace = field->find('{'); brace != std::string::npos) field->resize(brace);
  std::string v = Trimmed(text.substr(eq + 1));
  if (!v.empty() && (v.front() == '\'' || v.front() == '"')) {
    if (v.size() < 2 || v.back() != v.front()) return false;
    v = v.substr(1, v.size() - 2);
  }
  *value = v;
  return !field->empty();
}

Status Fail(Status code, int file, const std::string& what) {
  return DataFail(code, "File:" + std::to_string(file) + ", " + what);
}

// The stored bytes of a value in the field.
bool Stored(const DataFieldDesc& f, const std::string& value, std::string* out) {
  StrAreaScope mark;
  StrValue v = FmtByType(static_cast<char>(f.type), View(value), f.length);
  if (v.IsError()) return false;
  *out = std::string(v.View());
  return true;
}

struct Hit {
  int64_t rec;
  size_t change;
};

// The records of the range whose field holds one of the match values, in
// key order.
Status Collect(int file, int key, const std::string& lo, const std::string& hi, const DataFieldDesc& f,
               const std::unordered_map<std::string, size_t>& match, std::vector<Hit>* hits) {
  Status s = DataFileReadKey(file, key, View(lo), dfmove::kAlsoOn1);
  DataStore* store = DataFileStore(file);
  while (s < 2) {
    std::string keyText;
    {
      StrAreaScope mark;
      StrValue k = KeyValueCur(file, key);
      if (k.IsError()) return StrError(k);
      keyText = std::string(k.View());
    }
    if (keyText.compare(0, hi.size(), hi) > 0) break;
    StrAreaScope mark;
    StrValue raw = RecFieldRaw(file, f.field, kRecCurrent);
    if (raw.IsError()) return StrError(raw);
    auto it = match.find(std::string(raw.View()));
    if (it != match.end()) hits->push_back({store->Cursor(), it->second});
    s = DataFileMove(file, dfmove::kNext);
  }
  return s >= 128 ? s : 0;
}

Status Apply(int file, int key, const std::string& lo, const std::string& hi, const std::string& fieldName,
             const std::vector<KeyRangeChange>& changes, uint64_t* changed) {
  DataStore* store = DataFileStore(file);
  uint16_t field = 0xffff;
  {
    StrAreaScope mark;
    field = DicFieldFind(file, View(fieldName));
  }
  if (!store || !store->IsOpen() || !store->File().HasIndex() || key < 1 || key > DicKeyCount(file) || field == 0xffff)
    return kKeyRangeNoTarget;
  DataFieldDesc f = DicFieldDesc(file, field);
  std::unordered_map<std::string, size_t> match;
  std::vector<std::string> target(changes.size());
  for (size_t i = 0; i < changes.size(); ++i) {
    std::string from;
    if (!Stored(f, changes[i].from, &from) || !Stored(f, changes[i].to, &target[i]))
      return Fail(st::SINTAXERROR, file, fieldName + "=" + changes[i].to);
    if (from != target[i]) match.emplace(from, i);
  }
  if (match.empty()) return 0;
  std::vector<Hit> hits;
  Status s = Collect(file, key, lo, hi, f, match, &hits);
  if (s != 0) return s;
  std::stable_sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) { return a.change < b.change; });
  for (const Hit& h : hits) {
    s = DataFileRecLoad(file, static_cast<int32_t>(h.rec), kRecBoth);
    if (s == 0) {
      StrAreaScope mark;
      s = RecFieldSet(file, f.field, View(changes[h.change].to));
    }
    if (s == 0) s = DataFileUpdate(file);
    if (s == dfres::kRepeatedKey) return Fail(st::INDEXCMDERROR, file, fieldName + "=" + changes[h.change].to);
    if (s != 0) return s < 128 ? Fail(st::INDEXCMDERROR, file, "Record:" + std::to_string(h.rec)) : s;
    if (changed) ++*changed;
  }
  return 0;
}

}  // namespace

Status DataFileKeyRangeApply(int file, int key, StrValue lo, StrValue hi, StrValue field,
                             const std::vector<KeyRangeChange>& changes, uint64_t* changed) {
  for (StrValue v : {lo, hi, field})
    if (Status e = StrError(v)) return e;
  DataStoreState kept;
  if (DataFileCtrlSave(&kept, file, nullptr) != 0) return kKeyRangeNoTarget;
  Status s = Apply(file, key, std::string(lo.View()), std::string(hi.View()), Trimmed(field.View()), changes, changed);
  DataFileCtrlSave(nullptr, file, &kept);
  return s;
}

Status DataFileKeyRangeUpdate(int file, int key, StrValue lo, StrValue hi, StrValue set, StrValue match) {
  for (StrValue v : {set, match})
    if (Status e = StrError(v)) return e;
  std::string setField, setValue, matchField, matchValue;
  if (!ParseAssign(set.View(), &setField, &setValue)) return Fail(st::SINTAXERROR, file, std::string(set.View()));
  if (!ParseAssign(match.View(), &matchField, &matchValue) || matchField != setField)
    return Fail(st::SINTAXERROR, file, std::string(match.View()));
  return DataFileKeyRangeApply(file, key, lo, hi, View(setField), {{matchValue, setValue}}, nullptr);
}
