#include "runtime/errors.h"

#include <string>
#include <string_view>

#include "runtime/dynstrings.h"
#include "runtime/messages.h"
#include "runtime/strlist.h"

namespace {

uint16_t g_code = 0;
uint16_t g_module = 0;

// --- Detail storage --------------------------------------------------------
// The detail lives in SystemTextList item 9. Before the string-list store
// exists, or when it has no room left, it is kept here instead; it moves into
// the store at the next access that finds room there.
std::string g_detail;

// Stores text as the detail in the store without letting a full store
// record an error of its own: that would mask the error being described.
bool StoreDetail(std::string_view text) {
  if (!DynStrReady()) return false;
  uint32_t recorded = ErrGet();
  Status s = DynStrSet(SystemTextList, SysErrDetailItem, StrMake(text.data(), static_cast<uint32_t>(text.size())));
  ErrSet(2, static_cast<uint16_t>(recorded >> 16), static_cast<Status>(recorded & 0xffff), 0);
  return s == st::OK;
}

// True when the detail is in the store (moving a kept one there first).
bool DetailInStore() {
  if (!DynStrReady()) return false;
  if (g_detail.empty()) return true;
  if (!StoreDetail(g_detail)) return false;
  g_detail.clear();
  return true;
}

std::string CurrentDetail() { return DetailInStore() ? DynStrGet(SystemTextList, SysErrDetailItem).Str() : g_detail; }

// Cuts a kept detail back to at most kErrDetailMax bytes: at its last CR
// while it is longer (the text before the CR stays), flatly when no CR is
// left, so the loop always ends.
std::string_view DetailCut(std::string_view d) {
  while (d.size() > kErrDetailMax) {
    size_t cr = d.rfind('\r');
    d = cr == std::string_view::npos ? d.substr(0, kErrDetailMax) : d.substr(0, cr);
  }
  return d;
}

StrValue ViewOf(std::string_view v) { return StrMake(v.empty() ? "" : v.data(), static_cast<uint32_t>(v.size())); }

}  // namespace

Status ErrSet(int condition, uint16_t module, Status code, Status value) {
  if (condition == 0) return 0;
  if (condition == 2) {
    g_code = code;
    g_module = code ? module : 0;
  } else if (g_code == 0 && code >= 128) {
    g_code = code;
    g_module = module;
  }
  return value;
}

uint32_t ErrGet() { return static_cast<uint32_t>(g_code) | (static_cast<uint32_t>(g_module) << 16); }

StrValue ErrSetStr(int condition, uint16_t module, Status code, StrValue s) {
  return ErrSet(condition, module, code, code) ? StrErr(code) : s;
}

Status ErrDetailSet(Status code, StrValue text, bool append) {
  std::string_view add = text.View().substr(0, kErrDetailPieceMax);
  std::string detail(add);
  if (append) {
    std::string kept = CurrentDetail();
    if (!kept.empty()) detail = std::string(DetailCut(kept)) + "\r\n" + detail;
  }
  if (StoreDetail(detail)) g_detail.clear();
  else g_detail = detail;
  return code;
}

StrValue ErrDetail() {
  if (DetailInStore()) return DynStrGet(SystemTextList, SysErrDetailItem);
  return ViewOf(g_detail);
}

StrValue ErrCodeName(Status code) {
  StrValue name = code > 121 ? StrListItem(StrFromC(kErrorNameList), ',', code - 121u) : StrFromC("");
  return name.len ? name : StrFromC("Undefined");
}

StrValue ErrModuleName(uint16_t module) {
  return module ? StrListItem(StrFromC(kModuleNameList), ',', module) : StrFromC("");
}

StrValue ErrCodeText(int code) {
  if (code == -1) {
    if (g_code == 0) return ErrCodeName(0);
    code = g_code;
  }
  if (code == 0) return Msg("0005");
  if (code >= 1 && code <= 120) return Msg("0008");
  if (code == 121 || code == 126) {
    StrValue detail = ErrDetail();
    if (detail.len) return detail;
  }
  return ErrCodeName(static_cast<Status>(code));
}

StrValue ErrText(int code) {
  unsigned c = code == -1 ? g_code : static_cast<Status>(code);
  StrValue text = ErrCodeText(code);
  if (c < 128) return text;
  uint16_t m = StrAreaMark(-1);
  text = StrCat(Msg("0009"), text);
  if (g_module) text = StrCat(StrCat(StrCat(text, StrMake("(", 1)), ErrModuleName(g_module)), StrMake(")", 1));
  StrValue detail = ErrDetail();
  if (detail.len) text = StrCat(StrCat(text, StrMake(": ", 2)), detail);
  return StrAreaReturn(m, text);
}

ErrorKeeper::ErrorKeeper() : code_(ErrGet()), detail_(StrDup(ErrDetail())) {}

void ErrorKeeper::Restore() {
  ErrSet(2, static_cast<uint16_t>(code_ >> 16), static_cast<Status>(code_ & 0xffff), 0);
  ErrDetailSet(0, detail_.IsError() ? StrMake("", 0) : detail_, false);
}
