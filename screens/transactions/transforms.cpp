#include "screens/transactions/transforms.h"

#include <string>

#include "data/transactions/trans.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/forms/acceptlist.h"
#include "screens/forms/forms.h"
#include "screens/forms/msgbox.h"

namespace {

StrValue View(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

bool Blank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

}  // namespace

Status TransBounds(uint16_t mode) {
  if (mode & tmode::kBatchMode) return 0;
  std::string list = TransParmText(kTrAcBound);
  if (Blank(list)) return 0;
  const StrAreaScope scope;
  AcceptResult r = AcceptForm(Msg("0057 Transaction Bounds"), View(list));
  if (r.status != 0) return r.status;
  if (r.condition.empty()) return r.values.empty() ? 0 : TransParmSet(kTrLimits, View(r.values));
  StrValue joined = FmtCondJoin(View(TransParmText(kTrCond)), View(r.condition), StrFromC("&&"));
  if (Status e = StrError(joined)) return e;
  return TransParmSet(kTrCond, joined);
}

Status TransConfirm(int stage, uint16_t mode) {
  if (mode & tmode::kBatchMode) return 0;
  const StrAreaScope scope;
  if (stage == 0) {
    AcceptResult r = AcceptForm(Msg("0055 Transaction Data Needed"), Msg("0056 'File Name:':'A40'"));
    if (r.status != 0) return r.status;
    StrValue name = StrTrim(StrUnquote(StrListItem(View(r.values), ',', 1)), 3);
    if (name.len == 0) return st::USERCANCELED;
    return TransParmSet(kTrName, name);
  }
  std::string list = TransParmText(kTrAcConfirm);
  if ((stage != 3 && stage != 4) || Blank(list)) return 0;
  return AcceptForm(Msg("0051 Transaction Confirmation"), View(list)).status;
}

Status TransInfoBox(StrValue text) {
  InfoBox(StrMake("", 0), text);
  return 0;
}
