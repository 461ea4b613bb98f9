#include "runtime/errors.h"

#include <string>

namespace {
uint16_t g_code = 0;
uint16_t g_module = 0;
// The detail is kept here until the string-list store takes it over.
std::string g_detail;
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
  std::string t = text.Str();
  if (!append || g_detail.empty()) {
    g_detail = t;
    return code;
  }
  while (g_detail.size() > 1024) {
    size_t cr = g_detail.rfind('\r');
    if (cr == std::string::npos || cr == 0) {
      g_detail.resize(1024);
      break;
    }
    g_detail.resize(cr);
  }
  g_detail += "\r\n";
  g_detail += t;
  return code;
}

StrValue ErrDetail() { return StrMake(g_detail.data(), static_cast<uint32_t>(g_detail.size())); }
