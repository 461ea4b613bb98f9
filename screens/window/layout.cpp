#include "screens/window/layout.h"

#include <algorithm>
#include <string>

#include "data/dictionary/compat.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "script/objparams.h"
#include "script/variables.h"

namespace {

constexpr int kLayoutLineKind = 1;

bool Digits(StrValue line, uint32_t from, uint32_t n, uint16_t* out) {
  uint16_t v = 0;
  for (uint32_t i = from; i < from + n; ++i) {
    char c = line.ptr[i];
    if (c < '0' || c > '9') return false;
    v = static_cast<uint16_t>(v * 10 + (c - '0'));
  }
  *out = v;
  return true;
}

Status Fail(Status code, StrValue detail) {
  ErrDetailSet(code, detail, false);
  return ErrSet(1, MOD_SCREENS, code, code);
}

// A "V" field takes its type from its variable "_V<n>$"; while that is not
// defined the field carries 181.
Status ValueListStatus(uint16_t number) {
  if (CompatOn(compat::kNoValueLists)) return 0;
  std::string name = "_V" + std::to_string(number) + "$";
  VarRef ref = VarLookup(StrMake(name.data(), static_cast<uint32_t>(name.size())));
  return ref.slot == kVarUndefined ? st::VARSCREENFIELD : 0;
}

}  // namespace

bool FieldLayoutLine(StrValue line, uint16_t number, FieldDesc* out) {
  if (line.IsError() || line.len < kLayoutFieldLine) return false;
  uint16_t row, col, file, field, width;
  if (!Digits(line, 1, 2, &row) || !Digits(line, 3, 2, &col) || !Digits(line, 5, 2, &file) ||
      !Digits(line, 7, 2, &field) || !Digits(line, 9, 2, &width))
    return false;
  char type = line.ptr[11];
  if (type == ' ' || type == '\0') return false;
  FieldDesc f;
  f.status = type == 'V' ? ValueListStatus(number) : 0;
  f.row = row;
  f.col = col;
  f.length = CompatFieldLen(type, type == 'D' ? std::min<uint16_t>(width, 8) : width);
  f.limit = CompatFieldLen(type, width);
  f.width = f.limit;
  f.keyFile = static_cast<uint8_t>(file);
  f.keyField = field;
  f.type = type;
  *out = f;
  return true;
}

LayoutResult FieldLayoutLoad(StrValue layoutName, int tag, int flags, FieldDesc* out, uint16_t capacity,
                             LayoutLineFn callback) {
  LayoutResult r;
  const StrAreaScope scope;
  StrValue file = FileTypeName(layoutName, 2);
  uint32_t before = DynStrCount(FileLinesQueue);
  int32_t n = ParmLinesLoad(file, kLayoutLineKind, tag);
  if (n == kParmMissing) {
    r.status = (flags & kLayoutMissingOk) ? 0 : Fail(st::FILENOTFOUND, file);
    return r;
  }
  if (n < 0) {
    r.status = static_cast<Status>(-n);
    return r;
  }
  for (int32_t k = 0; k < n; ++k) {
    const StrAreaScope lineScope;
    StrValue line = StrDup(DynStrGet(FileLinesQueue, before));
    DynStrDelete(FileLinesQueue, before);
    if (r.status) continue;  // after an error the layout's remaining lines only leave the queue
    bool field = !callback || (line.len && line.ptr[0] == '1');
    if (!field) {
      int kind = line.len && line.ptr[0] >= '0' && line.ptr[0] <= '9' ? line.ptr[0] - '0' : 0xFF;
      callback(kind, line);
    } else if (out && r.fields >= capacity) {
      r.status = Fail(st::DATAOUTBOUND, line);
    } else {
      FieldDesc f;
      if (!FieldLayoutLine(line, static_cast<uint16_t>(r.fields + 1), &f))
        r.status = Fail(st::BADINPUTDATA, line);
      else if (out)
        out[r.fields] = f;
      if (!r.status) ++r.fields;
    }
  }
  return r;
}
