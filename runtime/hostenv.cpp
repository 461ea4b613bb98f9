#include "runtime/hostenv.h"

#include <string_view>
#include <vector>

#include "platform/host/env.h"
#include "runtime/datetime.h"
#include "runtime/paths.h"

namespace {

StrValue Empty() { return StrFromView(""); }

// The names a pattern matches: a name without wildcards by one look-up (no
// directory is read), else the sorted listing.
std::vector<std::string> Matches(std::string_view pattern) {
  std::vector<std::string> names;
  if (host::HasWildcards(pattern)) {
    host::List(pattern, &names);
  } else if (host::Exists(pattern)) {
    std::string path = host::ResolvePath(pattern);
    names.push_back(path.substr(path.rfind('/') + 1));
  }
  return names;
}

// The directory part of a pattern as the host layer writes it ("" for none).
std::string DirectoryOf(std::string_view pattern) {
  std::string n = host::NormalizePath(pattern);
  size_t slash = n.rfind('/');
  return slash == std::string::npos ? std::string() : n.substr(0, slash + 1);
}

}  // namespace

StrValue EnvGet(StrValue name) {
  if (Status e = StrError(name)) return StrErr(e);
  if (name.len == 0) return Empty();
  return StrFromView(HostEnvGet(name.View()));
}

StrValue DirCurrent() {
  std::string dir = HostCurrentDir();
  if (dir.size() > kDirCurrentMax) dir.clear();
  return PathSlashes(StrFromView(dir));
}

Status DirChange(StrValue path) {
  if (path.IsError() || path.len == 0) return st::NOTFOUND;
  return HostChangeDir(path.View()) ? 0 : st::NOTFOUND;
}

Status DirList(StrValue pattern) {
  if (Status e = StrError(pattern)) return e;
  std::vector<std::string> names = Matches(pattern.View());
  if (names.empty()) return st::FILENOTFOUND;
  std::string out;
  Status status = 0;
  for (const std::string& n : names) {
    size_t grown = out.size() + (out.empty() ? 0 : 1) + n.size();
    if (grown > kStrMaxLen) {
      status = st::STRINGTOOLONG;
      break;
    }
    if (!out.empty()) out += '\0';
    out += n;
  }
  StrValue list = StrFromView(out);
  if (Status e = StrError(list)) return e;
  return status;
}

Status FileStat(StrValue name, FileStatInfo* out) {
  if (Status e = StrError(name)) return e;
  std::vector<std::string> names = Matches(name.View());
  if (names.empty() || !host::Stat(DirectoryOf(name.View()) + names[0], &out->info)) return st::FILENOTFOUND;
  out->name = names[0];
  return 0;
}

int64_t FileStatSize(StrValue name) {
  FileStatInfo fi;
  return FileStat(name, &fi) == 0 ? fi.info.size : 0;
}

uint32_t FileStatAttr(StrValue name) {
  FileStatInfo fi;
  return FileStat(name, &fi) == 0 ? fi.info.attributes : st::FILENOTFOUND;
}

int64_t FileStatTime(StrValue name, int which, int form) {
  FileStatInfo fi;
  if (FileStat(name, &fi) != 0) return 0;
  time_t t = which == 0 ? fi.info.created : which == 1 ? fi.info.accessed : fi.info.written;
  return form == 1 ? DateFromTime(t) : TimeToMs(t);
}

Status DirMake(StrValue path) {
  if (path.IsError() || path.len == 0) return st::NOTFOUND;
  return host::MakeDir(path.View()) == 0 ? 0 : st::NOTFOUND;
}

StrValue TempName() { return StrFromView(host::TempName()); }

StrValue TempFileName(StrValue ext) {
  if (Status e = StrError(ext)) return StrErr(e);
  std::string name = host::TempName();
  if (ext.len) name.append(1, '.').append(ext.View());
  host::Remove(host::TempDirectory() + "/" + name);
  return StrFromView(name);
}
