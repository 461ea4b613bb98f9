// Registry reads: a path text names a root, a key and (for a value) the
// value name, separated by backslashes; the root is one of
// "HKEY_CLASSES_ROOT,HKEY_CURRENT_CONFIG,HKEY_CURRENT_USER,
// HKEY_LOCAL_MACHINE,HKEY_USERS" (any letter case). The values come from
// the host layer's registry file (platform/host/registry.h); nothing is
// ever written. Nothing here records an error.
#pragma once
#include <cstdint>
#include <string>

#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr char kRegRoots[] = "HKEY_CLASSES_ROOT,HKEY_CURRENT_CONFIG,HKEY_CURRENT_USER,HKEY_LOCAL_MACHINE,HKEY_USERS";
constexpr uint32_t kRegValueMax = 1024;

// A path taken apart: the root (1-based in kRegRoots), the key path below it
// and the value name.
struct RegPath {
  uint32_t root = 0;
  std::string key;
  std::string value;
};
// An open key: the root's name and the key path, as the registry file
// writes them.
struct RegKey {
  std::string path;
};

// 1-based position of the path's first field among the roots, 0 when none.
uint32_t RegRootIndex(StrValue path);
// With the value flag the last field is the value name (empty after a
// trailing backslash, the default value); otherwise all of it is the key.
// 147 for a root outside the list.
Status RegSplitPath(StrValue path, bool valueFlag, RegPath* out);
// Opens the key for reading: 0, 147 for a bad root, 164 when the key does
// not exist.
Status RegOpenPath(StrValue path, bool valueFlag, RegKey* out);
// The value as a new slot of the string area; the error string 147 for a
// bad root, 164 when the key or the value is missing, 146 for a value over
// kRegValueMax bytes.
StrValue RegReadValue(StrValue path);
