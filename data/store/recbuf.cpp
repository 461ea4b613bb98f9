#include "data/store/recbuf.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "data/dictionary/compat.h"
#include "data/store/datafile.h"
#include "data/dictionary/dicstore.h"
#include "runtime/errors.h"
#include "runtime/fixednum.h"
#include "runtime/format.h"
#include "runtime/strutil.h"

namespace {

using dicstore::AllDigits;
using dicstore::Sv;

std::string g_pairs[kDicMaxFiles + 1];  // by file number; empty = no pair

// The pair of a file the dictionary defines, when it has the dictionary's
// length; else null with *err set.
std::string* DefinedPair(int n, Status* err) {
  std::string& p = g_pairs[n];
  if (p.empty() || p.size() != 2u * DicRecLen(n)) {
    *err = st::FILENOTINIT;
    return nullptr;
  }
  return &p;
}

// The pair of file n when it exists with the dictionary's length, else null
// with *err set.
std::string* Pair(int n, Status* err) {
  if (Status s = DicCheckFileField(n, -1)) {
    *err = s;
    return nullptr;
  }
  return DefinedPair(n, err);
}

// The descriptor of a field of file n (a number, not 0), checked. A field
// of a defined file has a descriptor naming its file, so the full check
// (which records the error) is needed only without one.
Status CheckedField(int n, int field, DataFieldDesc* f) {
  *f = DicFieldDesc(n, field);
  return f->file ? st::OK : DicCheckFileField(n, field);
}

// The field's bytes in part 1 or 2 of file n, with its descriptor.
StrValue FieldBytes(int n, int field, int part, DataFieldDesc* f) {
  if (Status s = CheckedField(n, field, f)) return StrErr(s);
  if (part != kRecCurrent && part != kRecSaved) return StrErr(DicFileFieldError(st::DATAOUTBOUND, n, field));
  Status err = 0;
  std::string* p = DefinedPair(n, &err);
  if (!p) return StrErr(err);
  size_t start = part == kRecSaved ? p->size() / 2 : 0;
  return StrMake(p->data() + start + f->offset, f->length);
}

// Records 151 for a failed field operation and answers its own code.
Status FieldFail(Status code) {
  ErrSet(1, MOD_BUFFERFLD, st::BADFILENUMBER, st::BADFILENUMBER);
  return code;
}

// Writes bytes into the current record of a defined file at offset, cut to
// the record's end.
Status PutBytes(int n, uint16_t offset, std::string_view bytes) {
  Status err = 0;
  std::string* p = DefinedPair(n, &err);
  if (!p) return err;
  size_t length = p->size() / 2;  // the record's length: the pair has been checked against it
  size_t room = length > offset ? length - offset : 0;
  size_t k = std::min(room, bytes.size());
  if (offset == 0 && k > 0 && bytes[0] == kDeleteMark) return st::BADINPUTDATA;
  std::memcpy(p->data() + offset, bytes.data(), k);
  return st::OK;
}

// The stored form of a value for a field: formatted, then narrowed when it
// is a compact date.
StrValue StoredForm(const DataFieldDesc& f, StrValue value) {
  StrValue out = FmtByType(static_cast<char>(f.type), value, f.length);
  if (!out.IsError() && f.type == 'F' && f.length == 6 && CompatBit4()) out = RecDateNarrow(out, value);
  return out;
}

// "D<digits>" in a numeric field: the digits XOR 10.
StrValue CodedNumber(std::string_view raw) {
  int64_t v = 0;
  for (size_t i = 1; i < raw.size() && raw[i] >= '0' && raw[i] <= '9' && v < (INT64_MAX - 9) / 10; ++i)
    v = v * 10 + (raw[i] - '0');
  return Int64ToStr(v ^ 10);
}

DataFieldDesc RefFail(Status code, StrValue ref) {
  DataFieldDesc d;
  d.status = code;
  const StrAreaScope scope;
  ErrDetailSet(code, StrCat(StrFromC("Field:"), ref), false);
  return d;
}

}  // namespace

// --- The pair ------------------------------------------------------------------

Status RecBufAlloc(int file) {
  int n = DicFileNum(file);
  if (Status s = DicCheckFileField(n, -1)) return s;
  g_pairs[n].assign(2u * DicRecLen(n), ' ');
  return st::OK;
}

void RecBufDiscard(int file) {
  if (file >= 1 && file <= kDicMaxFiles) std::string().swap(g_pairs[file]);
}

StrValue RecBuf(int file, int part) {
  int n = DicFileNum(file);
  Status err = 0;
  std::string* p = Pair(n, &err);
  if (!p) return StrErr(err);
  uint16_t len = DicRecLen(n);
  switch (part) {
    case kRecCurrent: return StrMake(p->data(), len);
    case kRecSaved: return StrMake(p->data() + len, len);
    case kRecBoth: return StrMake(p->data(), 2u * len);
    default: return StrErr(DicFileFieldError(st::DATAOUTBOUND, n, part));
  }
}

Status RecBufClear(int file, int mode) {
  int n = DicFileNum(file);
  Status err = 0;
  std::string* p = Pair(n, &err);
  if (!p) return err;
  std::fill(p->begin(), p->end(), ' ');
  if (mode == 2) (*p)[0] = kDeleteMark;
  return st::OK;
}

Status RecBufSet(int file, int part, StrValue image) {
  if (Status e = StrError(image)) return e;
  StrValue target = RecBuf(file, part);
  if (Status e = StrError(target)) return e;
  std::memmove(target.ptr, image.ptr, std::min(target.len, image.len));
  return st::OK;
}

Status RecBufCopy(int file, int direction) {
  StrValue cur = RecBuf(file, kRecCurrent), saved = RecBuf(file, kRecSaved);
  if (Status e = StrError(cur)) return e;
  if (direction == 1) std::memcpy(saved.ptr, cur.ptr, cur.len);
  if (direction == 2) std::memcpy(cur.ptr, saved.ptr, cur.len);
  return st::OK;
}

int RecBufChanged(int file) {
  StrValue cur = RecBuf(file, kRecCurrent), saved = RecBuf(file, kRecSaved);
  if (cur.IsError()) return 0;
  return cur.View() != saved.View() ? 1 : 0;
}

// --- Fields --------------------------------------------------------------------

StrValue RecFieldRaw(int file, int field, int part) {
  DataFieldDesc f;
  return FieldBytes(DicFileNum(file), field, part, &f);
}

StrValue RecFieldGet(int file, int field) {
  DataFieldDesc f;
  StrValue raw = FieldBytes(DicFileNum(file), field, kRecCurrent, &f);
  if (raw.IsError()) return StrErr(FieldFail(StrError(raw)));
  char type = static_cast<char>(f.type);
  if (type == 'F' && CompatBit4()) return RecDateWiden(raw);
  if (type == 'N' && raw.len > 0 && raw.ptr[0] == 'D') return CodedNumber(raw.View());
  return StrDup(raw);
}

Status RecFieldSet(int file, int field, StrValue value) {
  if (Status e = StrError(value)) return e;
  int n = DicFileNum(file);
  DataFieldDesc f;
  if (Status s = CheckedField(n, field, &f)) return FieldFail(s);
  const StrAreaScope scope;
  StrValue stored = StoredForm(f, value);
  Status s = StrError(stored);
  if (s == st::OK) s = PutBytes(n, f.offset, stored.View());
  if (s == st::DATAOUTBOUND) DicFileFieldError(s, n, field);
  return s ? FieldFail(s) : st::OK;
}

Status RecFieldSetRef(StrValue ref, StrValue value) {
  DataFieldDesc d = DicFieldRefParse(ref);
  if (d.status) return d.status;
  return RecFieldSet(d.file, d.field, value);
}

StrValue RecDateWiden(StrValue stored) {
  if (stored.IsError() || stored.len != 6) return StrDup(stored);
  std::string s(stored.View());
  auto first = static_cast<unsigned char>(s[0]);
  if (first <= 32) s = "  " + s;
  else if (first <= 64) s = "19" + s;
  else s = "20" + std::string(1, static_cast<char>(first - 17)) + s.substr(1);
  if (s[0] != ' ') std::replace(s.begin(), s.end(), ' ', '0');
  return StrFromView(s);
}

StrValue RecDateNarrow(StrValue formatted, StrValue written) {
  if (formatted.IsError()) return formatted;
  if (written.IsError()) return written;
  std::string s(formatted.View());
  if (s.size() != 6 || s.find_first_not_of(' ') == std::string::npos) return StrDup(formatted);
  std::string_view w = written.View();
  while (!w.empty() && w.front() == ' ') w.remove_prefix(1);
  std::string_view century = w.size() >= 8 && AllDigits(w.substr(0, 8)) ? w.substr(0, 2) : "20";
  if (century != "19" && century != "20") return StrErr(st::DATAOUTBOUND);
  if (century == "20" && s[0] >= '0' && s[0] <= '9') s[0] = static_cast<char>(s[0] + 17);
  if (s[2] == '0') s[2] = ' ';
  if (s[4] == '0') s[4] = ' ';
  return StrFromView(s);
}

// --- Keys ----------------------------------------------------------------------

StrValue KeyValueOf(int file, int key, StrValue image) {
  if (image.IsError()) return image;
  int n = DicFileNum(file);
  if (Status s = DicKeyCheck(n, key)) return StrErr(s);
  KeyPart parts;
  uint16_t count = KeyPartsDesc(n, key, &parts);
  std::string text;
  std::string_view img = image.View();
  for (int i = 0; i < count; ++i)
    if (parts.part[i].offset < img.size()) text += img.substr(parts.part[i].offset, parts.part[i].length);
  return StrFromView(text);
}

StrValue KeyValueCur(int file, int key) {
  uint16_t mark = StrAreaMark(-1);
  return StrAreaReturn(mark, KeyValueOf(file, key, RecBuf(file, kRecCurrent)));
}

Status KeyFieldsSet(int file, int key, StrValue text) {
  if (Status e = StrError(text)) return e;
  int n = DicFileNum(file);
  if (Status s = DicKeyCheck(n, key)) return s;
  KeyPart parts;
  uint16_t count = KeyPartsDesc(n, key, &parts);
  KeyFieldList at = KeyFields(n, key);
  std::string_view rest = text.View();
  for (int i = 0; i < count && !rest.empty(); ++i) {
    const KeyPartPair& p = parts.part[i];
    std::string slice(rest.substr(0, p.length));
    rest.remove_prefix(slice.size());
    DataFieldDesc f = DicFieldDesc(n, at.status ? 0 : at.field[i]);
    Status s;
    if (f.file && f.offset == p.offset && f.length == p.length) {
      s = RecFieldSet(n, f.field, Sv(slice));
    } else {
      slice.resize(p.length, ' ');
      s = PutBytes(n, p.offset, slice);
    }
    if (s) return s;
  }
  return st::OK;
}

Status KeyFieldsFromText(int file, StrValue text, int flags) {
  if (!(flags & 1)) return st::OK;
  if (Status s = RecBufClear(file, 1)) return s;
  return KeyFieldsSet(file, DataFileKeyGet(file), text);
}

// --- References ----------------------------------------------------------------

DataFieldDesc DicFieldRefParse(StrValue ref) {
  if (Status e = StrError(ref)) {
    DataFieldDesc d;
    d.status = e;
    return d;
  }
  uint16_t open = StrFindChar(ref, '{', kSearchQuoted), close = StrFindChar(ref, '}', kSearchQuoted);
  if (open == kNotFound || close == kNotFound || close < open || close + 1u != ref.len)
    return RefFail(st::SINTAXERROR, ref);
  int n = DataFileFind(StrMake(ref.ptr + open + 1, close - open - 1u));
  if (n < 1 || n > DataFileCount()) {
    DataFieldDesc d;
    d.status = st::FILEOUTBOUND;
    return d;
  }
  if (open == 0) {
    DataFieldDesc d;
    d.file = static_cast<uint8_t>(n);
    d.type = 'N';
    return d;
  }
  StrValue name = StrMake(ref.ptr, open);
  uint16_t field = DicFieldFind(n, name);
  if (field == st::NOTFOUND) {
    std::string_view v = name.View();
    field = AllDigits(v) && v.size() <= 5 ? static_cast<uint16_t>(std::min(std::stoi(std::string(v)), 65535)) : 0;
  }
  if (field == 0) return RefFail(st::SINTAXERROR, ref);
  if (field > DicFieldCount(n)) {
    DataFieldDesc d;
    d.status = DicFileFieldError(st::DATAOUTBOUND, n, field);
    return d;
  }
  return DicFieldDesc(n, field);
}

StrValue DicFieldRefName(int file, int field) {
  uint16_t mark = StrAreaMark(-1);
  StrValue name = DicFieldName(file, field);
  std::string text = name.Str() + "{" + std::to_string(DicFileNum(file)) + "}";
  return StrAreaReturn(mark, StrFromView(text));
}

FieldRef FieldRefParse(StrValue ref) {
  DataFieldDesc d = DicFieldRefParse(ref);
  FieldRef r;
  r.status = d.status;
  r.file = d.file;
  r.field = d.field;
  r.type = d.type ? static_cast<char>(d.type) : 'N';
  return r;
}

Status FieldRefAssign(const FieldRef& ref, StrValue value) {
  if (ref.status) return ref.status;
  return RecFieldSet(ref.file, ref.field, value);
}

StrValue FieldRefRead(const FieldRef& ref) {
  if (ref.status) return StrErr(ref.status);
  return RecFieldGet(ref.file, ref.field);
}
