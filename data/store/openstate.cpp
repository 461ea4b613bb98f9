#include "data/store/openstate.h"

#include <string>

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"

namespace {

Status Fail(Status code, StrValue detail) {
  ErrDetailSet(code, detail, false);
  return ErrSet(1, MOD_DATAFILE, code, code);
}

// The flags of an item: digits only, at most 255.
bool FlagsText(StrValue text, int* flags) {
  std::string_view v = StrTrim(text, 3).View();
  if (v.empty() || v.size() > 3) return false;
  *flags = 0;
  for (char c : v) {
    if (c < '0' || c > '9') return false;
    *flags = *flags * 10 + (c - '0');
  }
  return *flags <= 255;
}

Status CloseAll() {
  Status first = 0;
  for (int n = DataFileCount(); n >= 1; --n) {
    Status s = DataFileClose(n);
    if (first == 0 && s >= 128) first = s;
  }
  return first;
}

}  // namespace

bool OpenStateIsRestore(StrValue text) {
  std::string_view v = StrTrim(text, 3).View();
  if (v.size() != 7) return false;
  for (size_t i = 0; i < 7; ++i)
    if ((v[i] & ~0x20) != "RESTORE"[i]) return false;
  return true;
}

StrValue DataFileStateText(StrValue list) {
  if (Status e = StrError(list)) return StrErr(e);
  std::string state(DataFileCount(), '\0');
  uint32_t items = StrListCount(list, ',');
  StrListIter it(list, ',');
  StrValue item;
  for (uint32_t i = 1; it.Next(&item); ++i) {
    StrValue fileText = StrTrim(StrListItem(item, ';', 1), 3);
    int file = DataFileFind(fileText);
    if (file < 1 || file > static_cast<int>(state.size())) return StrErr(Fail(st::FILEOPENING, fileText));
    bool last = i == items;
    int flags = last ? 0 : dfopen::kReadOnly;
    if (StrListCount(item, ';') > 1 && !FlagsText(StrListItem(item, ';', 2), &flags))
      return StrErr(Fail(st::BADINPUTDATA, item));
    if (last) flags |= dfopen::kMakeCurrent;
    state[static_cast<size_t>(file - 1)] = static_cast<char>(flags);
  }
  return StrFromView(state);
}

Status DataFileStateApply(StrValue state) {
  if (Status e = StrError(state)) return e;
  for (int n = DataFileCount(); n >= 1; --n) {
    uint8_t flags = n <= state.len ? static_cast<uint8_t>(state.ptr[n - 1]) : 0;
    Status s = flags ? DataFileOpen(n, flags) : DataFileClose(n);
    if (s >= 128) return s;
  }
  return 0;
}

Status DataFileStatePush(StrValue text) {
  if (Status e = StrError(text)) return e;
  const StrAreaScope scope;
  if (OpenStateIsRestore(text)) {
    if (DynStrCount(OpenFileStatesList) == 0) return Fail(st::INTERNALERROR, text);
    DynStrPop(OpenFileStatesList);
    if (DynStrCount(OpenFileStatesList) == 0) return CloseAll();
    return DataFileStateApply(StrDup(DynStrTop(OpenFileStatesList)));
  }
  StrValue state = DataFileStateText(text);
  if (Status e = StrError(state)) return e;
  if (Status s = DynStrPush(OpenFileStatesList, state)) return s;
  return DataFileStateApply(state);
}
