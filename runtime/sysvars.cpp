#include "runtime/sysvars.h"

#include <cstring>

#include "runtime/fixednum.h"
#include "runtime/valtables.h"

const SysVarDecl kSysIntDecls[kSysIntCount] = {
    {"_AUXSTAT", "0"}, {"_RELRES", "0"},   {"_CURFIL", "0"},   {"_CUREDFLD", "0"},
    {"_DEVHIG", "24"}, {"_DEVWID", "80"},  {"_DEVLIN", "0"},   {"_DEVPOS", "0"},
    {"_DEVPAG", "0"},  {"_CURROW", "0"},   {"_STAT", "0"},     {"_LASTKEY", "4"},
    {"_SGN", "0"},     {"_UPSTAT", "1"},   {"_IER", "0"},      {"_SYSCOMPAT", "0"},
    {"_SQLSTK", "0"},  {"_COUNT", "0"},    {"_HCOUNT", "0"},   {"_ADMSTAT", "0"},
    {"_COMPAT", "0"},  {"_SCRSTAT", "0"},  {"_LMAX", "0"},     {"_LNUM", "0"},
    {"_LLST", "0"},    {"_HNUM", "0"},     {"_SAFE", "0"},     {"_LB", "128"},
    {"_AUX", "0"},     {"_KEYMAP", "0"},   {"_SERIAL", "0"},   {"_TRACE", "1"},
    {"_PRECIS", "2"},  {"_BYEAR", "2000"}, {"_BKYEAR", "80"},  {"_DX", "0"},
    {"_INHND", "0"},   {"_OUTHND", "0"},   {"_DATE", "0"},     {"_DOCST", "0"},
    {"_WMAXROW", "0"}, {"_USER01", "0"},   {"_USER02", "0"},   {"_USER03", "0"},
};
const SysVarDecl kSysStrDecls[kSysStrCount] = {{"_ACUM$", ""}, {"_ACUMX$", ""}, {"_LTEXT$", ""}};

int16_t VarIntGet(uint32_t n) {
  const void* p = ValTableGet(VtIntVars, n);
  int16_t v = 0;
  if (p) std::memcpy(&v, p, sizeof v);
  return v;
}

Status VarIntSet(uint32_t n, int16_t v) {
  Status s = ValTableSet(VtIntVars, n, &v, sizeof v);
  if (s == 0 && n == kSysPrecis) NumPrecisSet(v);
  if (s == 0 && n == kSysTrace) g_sysTrace = v;
  return s;
}

bool VarIntTestBits(uint32_t n, uint16_t bits) { return (static_cast<uint16_t>(VarIntGet(n)) & bits) != 0; }

bool VarIntSetBits(uint32_t n, uint16_t bits, bool on) {
  auto v = static_cast<uint16_t>(VarIntGet(n));
  v = on ? static_cast<uint16_t>(v | bits) : static_cast<uint16_t>(v & ~bits);
  VarIntSet(n, static_cast<int16_t>(v));
  return (v & bits) != 0;
}
