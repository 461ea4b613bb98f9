#include "runtime/errors.h"

#include <string>

#include "runtime/dynstrings.h"

namespace {
uint16_t g_code = 0;
uint16_t g_module = 0;
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

// Cuts a kept detail back to at most 1024 bytes, at its last CR where
// there is one, so that appended details never grow without bound.
void CutBack(std::string& kept) {
  while (kept.size() > 1024) {
    size_t cr = kept.rfind('\r');
    if (cr == std::string::npos || cr == 0) {
      kept.resize(1024);
      break;
    }
    kept.resize(cr);
  }
}
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
  std::string detail = text.Str();
  if (append) {
    std::string kept = CurrentDetail();
    if (!kept.empty()) {
      CutBack(kept);
      detail = kept + "\r\n" + detail;
    }
  }
  if (StoreDetail(detail)) g_detail.clear();
  else g_detail = detail;
  return code;
}

StrValue ErrDetail() {
  if (DetailInStore()) return DynStrGet(SystemTextList, SysErrDetailItem);
  return StrMake(g_detail.data(), static_cast<uint32_t>(g_detail.size()));
}
