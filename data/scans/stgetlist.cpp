#include "data/scans/stgetlist.h"

#include <cstring>
#include <string>

#include "data/dictionary/compat.h"
#include "data/bridges/dataui.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/scans/scan.h"
#include "data/scans/selection.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/builtins.h"
#include "script/scanner.h"

namespace {

SortList g_list;
uint32_t g_generation = 0;  // the memory table the list's block belongs to

SortList& List() {
  if (g_generation != MemGeneration()) {
    g_list = SortList();  // its block went with the old memory table
    g_generation = MemGeneration();
  }
  return g_list;
}

StrValue Empty() { return StrMake("", 0); }

struct FieldSet {
  int count = 0;
  DataFieldDesc desc[kStGetListMaxFields];
  StrValue refs[kStGetListMaxFields];
  uint16_t width = 0;  // the longest value
};

struct NewArgs {
  int key = -1;
  StrValue start, limit, fields, bound;
  int listFlags = 0;
  bool equal = false;
};

// The length of a field's value as read (a compact date reads 8 long).
uint16_t ValueWidth(const DataFieldDesc& d) {
  return d.type == 'F' && d.length == 6 && CompatBit4() ? 8 : d.length;
}

bool NumericType(char type) { return type && std::strchr("NL123456789", type) != nullptr; }

Status ParseFields(StrValue list, FieldSet* f) {
  StrListIter it(list, ',');
  StrValue item;
  while (it.Next(&item)) {
    StrValue ref = StrTrim(item, 3);
    if (ref.len == 0) continue;
    if (f->count == kStGetListMaxFields) return st::SINTAXERROR;
    DataFieldDesc d = DicFieldRefParse(ref);
    if (d.status) return d.status;
    f->desc[f->count] = d;
    f->refs[f->count++] = ref;
    if (ValueWidth(d) > f->width) f->width = ValueWidth(d);
  }
  return f->count == 0 ? st::SINTAXERROR : 0;
}

// A display call whose answer changes nothing: an error it records is
// taken back.
template <class Call>
void Display(Call call) {
  const StrAreaScope scope;
  ErrorKeeper keeper;
  call();
  keeper.Restore();
}

bool InBound(StrValue value, StrValue bound, bool equal) {
  if (bound.len == 0) return true;
  int c = value.View().substr(0, bound.len).compare(bound.View());
  return c >= 0 && !(equal && c > 0);
}

// Every listed field's value of every row of the file's selection goes into
// the list; the last row's record stays current.
Status Gather(int n, const FieldSet& f, StrValue bound, bool equal) {
  uint16_t rows = SelCount(n);
  for (uint32_t row = 0; row < rows; ++row) {
    if (Status s = SelRowRead(n, 3, row)) return s;
    for (int i = 0; i < f.count; ++i) {
      const StrAreaScope scope;
      StrValue v = RecFieldGet(f.desc[i].file, f.desc[i].field);
      if (Status e = StrError(v)) return e;
      if (!InBound(v, bound, equal)) continue;
      Status s = SortListInsert(v, &List());
      if (s >= 128) return s;
    }
  }
  return 0;
}

// The bytes of the current record under the first part of the current key.
StrValue FirstKeyPart(int n) {
  KeyPart parts;
  if (KeyPartsDesc(n, DataFileKeyGet(n), &parts) == 0) return Empty();
  StrValue rec = RecBuf(n, 1);
  if (rec.IsError()) return rec;
  const KeyPartPair& p = parts.part[0];
  if (p.offset + p.length > rec.len) return Empty();
  return StrMake(rec.ptr + p.offset, p.length);
}

// One pass per first-key value from the current record on, while the key
// stays within the limit: 2 when the range ended, else the code that
// stopped it.
Status Walk(int n, const NewArgs& a, const FieldSet& f) {
  StrValue progress = StrDup(Msg("0016"));
  for (;;) {
    const StrAreaScope scope;
    StrValue shown = DataFileKeyFirstText(n);
    Display([&] { DataProgressText(StrCat(progress, shown)); });
    StrValue prefix = StrDup(FirstKeyPart(n));
    Status s = SelOpen(n, -1, prefix, prefix, kSelAllRows, 3, Empty());
    if (s == 0) s = Gather(n, f, a.bound, a.equal);
    Status r = SelRelease(n);
    if (s >= st::USERCANCELED) return s;
    if (r != 0) return r;
    s = DataFileMoveLimit(n, dfmove::kNext, a.limit);
    if (s != 0) return s;
  }
}

// "field == value" for each field, joined by "||"; the value in the form the
// field reads: a number trimmed, a text at the field's width.
StrValue Filter(const FieldSet& f, StrValue value) {
  std::string out;
  for (int i = 0; i < f.count; ++i) {
    const StrAreaScope scope;
    std::string v(value.View());
    if (NumericType(static_cast<char>(f.desc[i].type))) {
      v = std::string(StrTrim(value, 3).View());
    } else {
      v.resize(ValueWidth(f.desc[i]), ' ');
    }
    StrValue part = ExpBuildFilter(f.refs[i], StrMake(v.data(), static_cast<uint32_t>(v.size())), Empty());
    if (Status e = StrError(part)) return StrErr(e);
    if (!out.empty() && part.len) out += "||";
    out.append(part.View());
  }
  return StrFromView(out);
}

// Selects the range with the first value of the list, reads its first row
// and releases the selection: the file is left on the first record of the
// first value. 2 when the list is empty.
Status SelectFirst(int n, const NewArgs& a, const FieldSet& f) {
  if (List().count == 0) return dfres::kEnd;
  const StrAreaScope scope;
  SortListMove(kSortFirst, &List());
  StrValue filter = Filter(f, SortListItem(List()));
  if (Status e = StrError(filter)) return e;
  Status s = SelOpen(n, -1, a.start, a.limit, kSelAllRows, 0, filter);
  if (s == 0) s = SelRowRead(n, 3, 0);
  Status r = SelRelease(n);
  return s ? s : r;
}

Status Collect(const NewArgs& a) {
  FieldSet f;
  if (Status s = ParseFields(a.fields, &f)) return s;
  int n = DataFileNum(0);
  if (Status s = DicCheckFileField(n, -1)) return s;
  Status s = DataFileReadKey(n, a.key, a.start, dfmove::kAlsoOn1);
  if (s < 2) s = DataFileKeyLimit(n, 0, a.limit);
  if (s != 0) return s;
  Display([] { DataPopupShow(StrFromC("Hello world")); });
  StGetListFree();
  s = SortListCreate(f.width, 0, static_cast<uint8_t>(a.listFlags), &List());
  if (s == 0) s = Walk(n, a, f);
  // The walk's texts opened the progress window; left open it would stay
  // modal over the screen with nobody stepping it.
  Display([] { DataProgressClose(); });
  Display([] { DataPopupClose(); });
  return s == dfres::kEnd ? SelectFirst(n, a, f) : s;
}

Status ArgText(uint16_t n, StrValue* out) {
  *out = BuiltinArgAsText(n, Empty());
  return StrError(*out);
}

}  // namespace

Status StGetList(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, 8)) return s;
  StrValue word;
  if (Status s = ArgText(1, &word)) return s;
  uint32_t sub = ExpListFindNoCase(StrFromC("NEW,KILL"), StrTrim(word, 3));
  if (sub == 2) {
    StGetListFree();
    return BuiltinResultInt(0);
  }
  if (sub != 1) return st::SINTAXERROR;
  NewArgs a;
  int32_t key = -1, flags = 0, equal = 0;
  if (Status s = BuiltinArgLong(2, -1, &key)) return s;
  if (Status s = BuiltinArgLong(5, 0, &flags)) return s;
  if (Status s = BuiltinArgLong(8, 0, &equal)) return s;
  for (auto [n, out] : {std::pair{3, &a.start}, {4, &a.limit}, {6, &a.fields}, {7, &a.bound}})
    if (Status s = ArgText(static_cast<uint16_t>(n), out)) return s;
  a.key = key <= 0 ? -1 : key;
  a.listFlags = flags;
  a.equal = equal != 0;
  Status s = Collect(a);
  if (s >= st::USERCANCELED) return s;
  return BuiltinResultInt(s);
}

Status StGetListRegister() { return BuiltinRegister(StrFromC("StGetList"), StGetList); }

const SortList& StGetListValues() { return List(); }

void StGetListFree() {
  if (List().items.ptr) SortListFree(&List());
  List() = SortList();
}
