#include "runtime/paths.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/host/env.h"
#include "platform/host/files.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"

namespace {

constexpr char kDirKindNames[] =
    "APPPATH_RUNPATH,APPPATH_DEFAULT,APPPATH_DATA,APPPATH_DOCS,APPPATH_HELP,APPPATH_BACKUP,"
    "APPPATH_BACKREL";
// Positions are SettingsList item numbers (APNAME is derived from item 2).
constexpr char kAppVarNames[] = "COMMANDLINE,APNAME,APDESCRIP,LANGMODULE.DOCPATH,DATAPATH,HELPPATH";
constexpr char kDatabaseNames[] = "DATABASE_HOST,DATABASE_DBNAME,DATABASE_USER,DATABASE_PASSW";
constexpr char kExtKinds[] = ",FD,DIR,NDX,TMP,TXT";
// Expansion passes over a text; values that keep naming themselves stop here.
constexpr int kExpandPasses = 8;

// --- Text helpers on std::string ----------------------------------------------

std::string Text(StrValue s) { return s.IsError() ? std::string() : s.Str(); }

// Position of item name in a comma list of plain names, 0 when absent.
int ListPos(std::string_view list, std::string_view name) {
  int pos = 1;
  for (;;) {
    size_t comma = list.find(',');
    if (list.substr(0, comma) == name) return pos;
    if (comma == std::string_view::npos) return 0;
    list.remove_prefix(comma + 1);
    ++pos;
  }
}

std::string Setting(uint16_t item) { return Text(DynStrGet(SettingsList, item)); }

// Every "/" outside quoted parts becomes "\".
std::string Slashes(std::string_view p) {
  std::string out(p);
  char open = 0;
  for (char& c : out) {
    if (open) {
      if (c == open) open = 0;
    } else if (c == '\'' || c == '"') {
      open = c;
    } else if (c == '/') {
      c = '\\';
    }
  }
  return out;
}

std::string Join(std::string_view a, std::string_view b) {
  std::string x = Slashes(a), y = Slashes(b);
  if (x.empty()) return y;
  if (y.empty()) return x;
  if (x.back() == '\\' && y.front() == '\\') return x + y.substr(1);
  if (x.back() != '\\' && y.front() != '\\') return x + '\\' + y;
  return x + y;
}

size_t DriveLength(std::string_view p) {
  bool letter = p.size() >= 2 && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
  return letter && p[1] == ':' ? 2 : 0;
}

struct PathParts {
  std::string drive, dir, name, ext;
};

PathParts Split(std::string_view path) {
  std::string p = Slashes(path);
  PathParts r;
  size_t d = DriveLength(p);
  r.drive = p.substr(0, d);
  size_t last = p.rfind('\\');
  size_t nameStart = d;
  if (last != std::string::npos && last >= d) {
    r.dir = last == d ? "\\" : p.substr(d, last - d);  // the root keeps its backslash
    nameStart = last + 1;
  }
  std::string file = p.substr(nameStart);
  size_t dot = file.rfind('.');
  r.name = file.substr(0, dot);
  if (dot != std::string::npos) r.ext = file.substr(dot + 1);
  return r;
}

std::string SplitJoin(const PathParts& r, int flags) {
  std::string out;
  if (flags & kPathDrive) out += r.drive;
  if (flags & kPathDir) out += r.dir;
  if ((flags & kPathName) && !r.name.empty()) {
    if (!out.empty() && out.back() != '\\') out += '\\';
    out += r.name;
  }
  if ((flags & kPathExt) && !r.ext.empty()) {
    if (!out.empty()) out += '.';
    out += r.ext;
  }
  return out;
}

// The base one directory up; the root (with or without a drive) stays, and a
// relative base with nothing left to climb gains a ".." of its own.
std::string Up(const std::string& base) {
  size_t d = DriveLength(base);
  std::string_view rest = std::string_view(base).substr(d);
  if (rest == "\\" || (rest.empty() && d > 0)) return base;
  if (rest.empty() || rest == ".." || rest.ends_with("\\..")) return Join(base, "..");
  size_t last = base.rfind('\\');
  if (last == std::string::npos || last < d) return base.substr(0, d);
  return base.substr(0, last == d ? d + 1 : last);
}

std::string Resolve(std::string_view baseIn, std::string_view relIn) {
  std::string base = Slashes(baseIn), rel = Slashes(relIn);
  size_t d = DriveLength(base);
  while (base.size() > d + 1 && base.back() == '\\') base.pop_back();
  while (rel == ".." || rel.starts_with("..\\")) {
    rel.erase(0, rel.size() > 2 ? 3 : 2);
    base = Up(base);
  }
  std::string out = Join(base, rel);
  for (size_t pos; (pos = out.find("\\.\\")) != std::string::npos;) out.erase(pos, 2);
  return out;
}

// --- Application directories ---------------------------------------------------

std::string CurrentDir() { return Slashes(HostCurrentDir()); }

// Field n (1-based) of a text split at blanks outside quotes, trimmed and
// unquoted.
std::string Field(StrValue text, uint32_t n) {
  const StrAreaScope scope;
  StrValue fields = StrCollapseRuns(StrTrim(text, 3), ' ', kSearchQuoted);
  std::string f = Text(StrUnquote(StrTrim(StrListItem(fields, ' ', n), 3)));
  return f;
}

std::string ProgramPath(int flags) {
  std::string f = Field(DynStrGet(SettingsList, SetCommandLineItem), flags & 1 ? 2 : 1);
  if ((flags & 1) && f.starts_with("/")) return {};
  return flags & 2 ? SplitJoin(Split(f), kPathDrive | kPathDir) : f;
}

std::string DatabaseField(uint32_t n) {
  const StrAreaScope scope;
  std::string f = Text(StrTokenNorm(StrListItem(DynStrGet(SettingsList, SetDatabaseItem), ',', n)));
  return f;
}

bool LateDrive() {
  std::string dir = ProgramPath(2);
  if (DriveLength(dir) == 0) return false;
  char c = dir[0];
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return c >= 'F';
}

std::string DirOfKind(int kind) {
  switch (kind) {
    case APPPATH_RUNPATH: return ProgramPath(2);
    case APPPATH_DEFAULT: return Slashes(Setting(SetDefaultDirItem));
    case APPPATH_DATA: return Resolve(DirOfKind(LateDrive() ? APPPATH_DEFAULT : APPPATH_DOCS), "..\\data");
    case APPPATH_DOCS: {
      std::string docs = Setting(SetDocsDirItem);
      return docs.empty() ? CurrentDir() : Slashes(docs);
    }
    case APPPATH_HELP: {
      std::string help = Setting(SetHelpDirItem);
      return help.empty() ? Resolve(Setting(SetDefaultDirItem), "Help") : Slashes(help);
    }
    case APPPATH_BACKUP: return Resolve(Setting(SetDocsDirItem), "Backups");
    case APPPATH_BACKREL:
      return Join(Join(Join(CurrentDir(), "Backups"), DatabaseField(1)), DatabaseField(2));
    default: return {};
  }
}

// --- Name expansion --------------------------------------------------------------

enum class Scope { Paths, AppVars };

std::string AppVar(std::string_view name) {
  if (int item = ListPos(kAppVarNames, name)) {
    std::string v = Setting(static_cast<uint16_t>(item));
    if (item == SetIdentityItem) v = v.substr(0, std::min(v.find(':'), size_t{2}));
    return v;
  }
  if (int field = ListPos(kDatabaseNames, name)) return DatabaseField(static_cast<uint32_t>(field));
  return {};
}

// The value of one name. Directory and environment names are replaced
// wherever they stand; application variables and unknown names only outside
// quoted parts (outsideQuotesOnly tells the caller which).
std::string NameValue(std::string_view name, Scope scope, bool* outsideQuotesOnly) {
  *outsideQuotesOnly = false;
  if (scope == Scope::Paths) {
    if (int kind = ListPos(kDirKindNames, name)) return DirOfKind(kind);
    if (std::string_view env = HostEnvWindowsName(name); !env.empty()) return HostEnvGet(env);
  }
  *outsideQuotesOnly = true;
  return AppVar(name);
}

// One left-to-right pass; values put in are not scanned again in the same
// pass. Answers whether anything was replaced.
bool ExpandPass(std::string& text, Scope scope) {
  std::string out;
  bool replaced = false;
  char open = 0;
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    size_t close = c == '%' ? text.find('%', i + 1) : std::string::npos;
    if (close == std::string::npos) {
      if (open ? c == open : (c == '\'' || c == '"')) open = open ? 0 : c;
      out += c;
      ++i;
      continue;
    }
    bool outsideOnly = false;
    std::string value = NameValue(std::string_view(text).substr(i + 1, close - i - 1), scope, &outsideOnly);
    if (outsideOnly && open) {
      out.append(text, i, close + 1 - i);  // stays as written
    } else {
      out += value;
      replaced = true;
    }
    i = close + 1;
  }
  text = std::move(out);
  return replaced;
}

std::string Expand(std::string text, Scope scope) {
  for (int pass = 0; pass < kExpandPasses && text.find('%') != std::string::npos; ++pass)
    if (!ExpandPass(text, scope)) break;
  return text;
}

// --- Results into the string area ------------------------------------------------

StrValue Out(uint16_t mark, std::string_view v) { return StrAreaReturn(mark, StrFromView(v)); }

Status Refuse(Status code, StrValue path) {
  ErrDetailSet(code, path, false);
  return ErrSet(1, MOD_NONE, code, code);
}

}  // namespace

StrValue AppProgramPath(int flags) {
  uint16_t m = StrAreaMark(-1);
  return Out(m, ProgramPath(flags));
}

StrValue AppPath(int kind) {
  uint16_t m = StrAreaMark(-1);
  return Out(m, DirOfKind(kind));
}

StrValue AppPathJoin(StrValue name, int kind) {
  if (Status e = StrError(name)) return StrErr(e);
  uint16_t m = StrAreaMark(-1);
  return Out(m, Join(DirOfKind(kind), name.View()));
}

bool AppOnLateDrive() { return LateDrive(); }

StrValue FileSearch(StrValue dirs, StrValue name) {
  if (Status e = StrError(dirs) ? StrError(dirs) : StrError(name)) return StrErr(e);
  uint16_t m = StrAreaMark(-1);
  if (name.len == 0) return Out(m, "");
  if (host::Exists(Slashes(name.View()))) return Out(m, Slashes(name.View()));
  StrListIter it(dirs, ',');
  for (StrValue dir; it.Next(&dir);) {
    std::string candidate = Join(Text(StrUnquote(StrTrim(dir, 3))), name.View());
    if (host::Exists(candidate)) return Out(m, candidate);
  }
  return Out(m, "");
}

Status PathMakeDirs(StrValue path) {
  if (Status e = StrError(path)) return e;
  std::string p = Slashes(path.View());
  if (SplitJoin(Split(p), kPathDir | kPathName | kPathExt).empty()) return Refuse(st::BADINPUTDATA, path);
  if (host::MakeDirs(p) == 0) return 0;
  return Refuse(host::LastStatus(), path);
}

StrValue PathResolve(StrValue base, StrValue relative) {
  if (Status e = StrError(base) ? StrError(base) : StrError(relative)) return StrErr(e);
  uint16_t m = StrAreaMark(-1);
  return Out(m, Resolve(base.View(), relative.View()));
}

StrValue TempFilePath(StrValue ext) {
  if (Status e = StrError(ext)) return StrErr(e);
  uint16_t m = StrAreaMark(-1);
  std::string dir = HostEnvGet("TEMP");
  std::string name = host::TempName();
  if (ext.len > 0) name.append(1, '.').append(ext.View());
  return Out(m, Join(dir, name));
}

StrValue PathSlashes(StrValue path) {
  if (Status e = StrError(path)) return StrErr(e);
  uint16_t m = StrAreaMark(-1);
  return Out(m, Slashes(path.View()));
}

StrValue PathJoin(StrValue a, StrValue b) {
  if (Status e = StrError(a) ? StrError(a) : StrError(b)) return StrErr(e);
  uint16_t m = StrAreaMark(-1);
  return Out(m, Join(a.View(), b.View()));
}

StrValue PathAddExt(StrValue name, StrValue ext) {
  if (Status e = StrError(name) ? StrError(name) : StrError(ext)) return StrErr(e);
  return StrJoinSep(name, '.', ext);
}

StrValue PathExtKind(int kind) {
  uint16_t m = StrAreaMark(-1);
  StrValue ext = StrListItem(StrFromC(kExtKinds), ',', static_cast<uint32_t>(kind & 0x7f));
  return StrAreaReturn(m, kind & 0x80 ? StrCaseCopy(ext, 0) : ext);
}

StrValue PathSplit(StrValue path, int flags) {
  if (Status e = StrError(path)) return StrErr(e);
  uint16_t m = StrAreaMark(-1);
  return Out(m, SplitJoin(Split(path.View()), flags));
}

StrValue PathExpand(StrValue path) {
  if (Status e = StrError(path)) return StrErr(e);
  uint16_t m = StrAreaMark(-1);
  return Out(m, Expand(path.Str(), Scope::Paths));
}

StrValue AppVarValue(StrValue text) {
  if (Status e = StrError(text)) return StrErr(e);
  uint16_t m = StrAreaMark(-1);
  return Out(m, Expand(text.Str(), Scope::AppVars));
}
