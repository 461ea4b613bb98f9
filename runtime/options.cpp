#include "runtime/options.h"

#include <string>

#include "platform/host/cmdline.h"
#include "platform/host/env.h"
#include "runtime/dynstrings.h"
#include "runtime/paths.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"

namespace {

constexpr char kOptionNames[] =
    "?;HELP,APNAME,APSTART,DPATH,SCRWID,SCRHIG,INPUT,OUTPUT,FILE,INDEX,DEVICE,RUN,MODE,TRACE,"
    "CONFIG,HOST,DATABASE,USER,PASSW";

// A copy of the line in the area with every byte inside a quoted part
// replaced by a filler that is neither a separator nor a name character; the
// quote characters stay, so offsets and value ends are those of the line.
StrValue MaskQuoted(StrValue line) {
  StrValue m = StrDup(line);
  if (m.IsError()) return m;
  char open = 0;
  for (uint32_t i = 0; i < m.len; ++i) {
    char c = m.ptr[i];
    if (open) {
      if (c == open) open = 0;
      else m.ptr[i] = '\x01';
    } else if (c == '\'' || c == '"') {
      open = c;
    }
  }
  return m;
}

// The raw value of NAME in the line (a view into it), or an error string
// 65535 when the option is absent.
StrValue LocateRaw(StrValue line, StrValue masked, StrValue name) {
  uint32_t span = StrKeyLocate(masked, name, 0);
  if ((span & 0xffff) == 0xffff) return StrErr(st::NOTFOUND);
  return StrMid(line, static_cast<int32_t>(span & 0xffff), span >> 16);
}

StrValue OtherCase(StrValue name) {
  if (name.len == 0) return name;
  return StrCaseCopy(name, static_cast<unsigned char>(name.ptr[0]) <= 96 ? 0 : 1);
}

}  // namespace

StrValue OptJoinArgs(int count, const char* const* args) {
  std::string line = count > 0 && args ? HostCommandLineBuild(count, args) : std::string();
  if (!line.empty() && static_cast<unsigned char>(line.back()) <= 13) line.pop_back();
  return StrFromView(line);
}

Status OptNormalise(StrValue line) {
  const StrAreaScope scope;
  StrValue s = StrCollapseRuns(StrTrim(line, 3), ' ', kSearchQuoted);
  s = StrReplaceAll(s, StrFromC(" --"), StrFromC(" /"), kSearchQuoted);
  s = StrReplaceAll(s, StrFromC(" -"), StrFromC(" /"), kSearchQuoted);
  return DynStrSet(SettingsList, SetCommandLineItem, s);
}

StrValue OptCommandLine() { return DynStrGet(SettingsList, SetCommandLineItem); }

StrValue OptName(int n) {
  if (n < 1 || n > kOptionCount) return StrFromC("");
  return StrListItem(StrFromC(kOptionNames), ',', static_cast<uint32_t>(n));
}

StrValue OptLookup(StrValue name) {
  if (Status e = StrError(name)) return StrErr(e);
  uint16_t m = StrAreaMark(-1);
  StrValue line = StrDup(OptCommandLine());  // the store may move while we work
  StrValue masked = MaskQuoted(line);
  if (masked.IsError()) return StrAreaReturn(m, masked);
  StrValue raw = LocateRaw(line, masked, name);
  if (raw.IsError() && name.len > 0) raw = LocateRaw(line, masked, OtherCase(name));
  if (raw.IsError()) return StrAreaReturn(m, StrFromC(""));
  return StrAreaReturn(m, StrTokenNorm(raw));
}

StrValue OptValueByName(const char* name) { return OptLookup(StrFromC(name)); }

namespace {
std::string g_callerDir;  // where the program was started; empty until kept
}  // namespace

void OptCallerDirRemember() {
  if (g_callerDir.empty()) g_callerDir = HostCurrentDir();
}

bool OptPathIsAbsolute(std::string_view path) {
  if (path.empty()) return false;
  if (path[0] == '/' || path[0] == '\\') return true;
  return path.size() >= 2 && path[1] == ':' && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z');
}

StrValue OptPathByName(const char* name) {
  StrValue v = OptValueByName(name);
  if (v.IsError() || v.len == 0 || g_callerDir.empty() || OptPathIsAbsolute(v.View())) return v;
  if (HostCurrentDir() == g_callerDir) return v;  // still where it was started: the name as typed
  return PathJoin(StrFromView(g_callerDir), v);
}

StrValue OptValue(int n) {
  if (n < 1 || n > kOptionCount) return StrFromC("");
  return OptLookup(OptName(n));
}

uint32_t OptIsIn(int n, StrValue list) {
  const StrAreaScope scope;
  StrValue v = OptValue(n);
  uint32_t pos = 0;
  if (!v.IsError() && v.len > 0) pos = StrListFind(StrCaseCopy(list, 1), ',', StrCaseCopy(v, 1));
  return pos;
}
