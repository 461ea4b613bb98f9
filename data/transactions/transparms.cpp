// The parameter routines of the transaction engine: the parameter list
// (string list 10), mode names, the reset from the object parameters, the
// stream modes and the refused modes.
#include <string>

#include "data/store/datafail.h"
#include "data/transactions/trans.h"
#include "data/transactions/translayout.h"
#include "runtime/dynstrings.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/objparams.h"

namespace {


std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return u;
}

// The external name without its directory.
std::string BaseName(std::string_view name) {
  size_t at = name.find_last_of("\\/");
  return std::string(at == std::string_view::npos ? name : name.substr(at + 1));
}

}  // namespace

std::string TransParmText(uint32_t item) {
  StrValue v = DynStrGet(TransParamsList, item);
  return v.IsError() ? std::string() : v.Str();
}

Status TransParmSet(uint32_t item, StrValue value) { return DynStrSet(TransParamsList, item, value); }

void TransParmsClear() { DynStrClear(TransParamsList); }

StrValue TransExtName(StrValue name, StrValue external) {
  if (Status e = StrError(name)) return StrErr(e);
  uint16_t mark = StrAreaMark(-1);
  std::string base = external.IsError() ? std::string() : BaseName(external.View());
  StrValue v = StrMake("", 0);
  if (!base.empty()) v = ParmValue(TransView(base + "." + name.Str()));
  if (v.IsError() || v.len == 0) v = ParmValue(name);
  return StrAreaReturn(mark, v);
}

uint16_t TransModeParse(StrValue external) {
  const StrAreaScope scope;
  uint16_t mode = 0;
  StrListIter it(StrFromC(tmode::kNames), ',');
  StrValue name;
  for (int bit = 0; it.Next(&name); ++bit) {
    StrValue v = TransExtName(name, external);
    if (!v.IsError() && StrTrim(v, 3).View() == "1") mode |= static_cast<uint16_t>(1u << bit);
  }
  return mode;
}

Status TransModeFromNames(StrValue names, uint16_t* mode) {
  if (Status e = StrError(names)) return e;
  *mode = 0;
  const StrAreaScope scope;
  StrListIter it(names, ',');
  StrValue word;
  while (it.Next(&word)) {
    std::string w = Upper(StrTrim(word, 3).View());
    if (w.empty()) continue;
    uint32_t at = StrListFind(StrFromC(tmode::kNames), ',', TransView(w));
    if (at == 0) return DataFail(st::BADINPUTDATA, "TransMode " + w);
    *mode |= static_cast<uint16_t>(1u << (at - 1));
  }
  return 0;
}

Status TransParmsReset(StrValue name, uint16_t mode) {
  if (Status e = StrError(name)) return e;
  const StrAreaScope scope;
  std::string external = name.Str();
  if (Status s = TransParmSet(kTrName, TransView(external))) return s;
  StrListIter it(StrFromC(kTransParmNames), ',');
  StrValue parm;
  for (uint32_t item = 1; it.Next(&parm); ++item) {
    if (!TransParmText(item).empty()) continue;
    const StrAreaScope each;
    StrValue v = TransExtName(parm, TransView(external));
    if (Status e = StrError(v)) return e;
    std::string value = v.Str();
    if (value.empty() && !(mode & tmode::kBatchMode) && (item == kTrAcBound || item == kTrAcConfirm)) value = "1{}";
    if (Status s = TransParmSet(item, TransView(value))) return s;
  }
  return 0;
}

uint16_t TransOpenMode(uint16_t mode) {
  if (mode & tmode::kImport) return (mode & tmode::kStream) ? 8 : 9;
  return (mode & tmode::kExternFile) && (mode & tmode::kAppend) ? 4 : 2;
}

constexpr uint16_t kReplaceOverwrite = tmode::kImport | tmode::kExternFile | tmode::kDeleting | tmode::kOverwrite;

Status TransRefused(uint16_t mode) {
  const char* why = nullptr;
  bool import = mode & tmode::kImport;
  if (mode & tmode::kRelationalReset) why = "RELATIONAL_RESET";
  else if ((mode & 0xF) == 11) why = "IMPORT,UPDATE,DELETING";
  else if (mode & tmode::kUsrUpdate) why = "USR_UPDATE";
  else if (mode & tmode::kTables) why = "0x8000";
  else if (import && (mode & tmode::kIsSql)) why = "IMPORT,IS_SQL";
  else if (import && (mode & tmode::kExternIndexed)) why = "IMPORT,EXTERN_INDEXED";
  // A replace import empties the file first, so an OVERWRITE (only keys
  // already there) would find none and leave the file empty.
  else if ((mode & kReplaceOverwrite) == kReplaceOverwrite) why = "IMPORT,DELETING,OVERWRITE";
  else if ((mode & tmode::kExternIndexed) && (!(mode & tmode::kStream) || TransParmText(kTrStruct).empty()))
    why = "EXTERN_INDEXED";
  return why ? DataFail(st::FEATUREREMOVED, std::string("TransMode ") + why) : 0;
}
