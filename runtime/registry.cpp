#include "runtime/registry.h"

#include <string_view>

#include "platform/host/files.h"
#include "platform/host/registry.h"
#include "runtime/strlist.h"

namespace {

std::string_view FirstField(std::string_view path) { return path.substr(0, path.find('\\')); }

std::string_view RootName(uint32_t root) { return StrListItem(StrFromC(kRegRoots), ',', root).View(); }

}  // namespace

uint32_t RegRootIndex(StrValue path) {
  if (path.IsError()) return 0;
  std::string_view first = FirstField(path.View());
  StrListIter it(StrFromC(kRegRoots), ',');
  StrValue item;
  for (uint32_t pos = 1; it.Next(&item); ++pos)
    if (host::EqualNoCase(item.View(), first)) return pos;
  return 0;
}

Status RegSplitPath(StrValue path, bool valueFlag, RegPath* out) {
  if (Status e = StrError(path)) return e;
  *out = RegPath{};
  out->root = RegRootIndex(path);
  if (out->root == 0) return st::SINTAXERROR;
  std::string_view v = path.View();
  size_t start = v.find('\\');
  std::string_view rest = start == std::string_view::npos ? std::string_view() : v.substr(start + 1);
  if (valueFlag) {
    size_t cut = rest.rfind('\\');
    out->value = std::string(cut == std::string_view::npos ? rest : rest.substr(cut + 1));
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(0, cut);
  }
  out->key = std::string(rest);
  return 0;
}

Status RegOpenPath(StrValue path, bool valueFlag, RegKey* out) {
  RegPath p;
  if (Status s = RegSplitPath(path, valueFlag, &p)) return s;
  std::string key(RootName(p.root));
  if (!p.key.empty()) key += "\\" + p.key;
  if (!host::RegistryKeyExists(key)) return st::FILENOTFOUND;
  out->path = key;
  return 0;
}

StrValue RegReadValue(StrValue path) {
  RegKey key;
  if (Status s = RegOpenPath(path, true, &key)) return StrErr(s);
  RegPath p;
  RegSplitPath(path, true, &p);
  std::string data;
  if (host::RegistryRead(key.path, p.value, &data) != host::RegistryAnswer::Found) return StrErr(st::FILENOTFOUND);
  if (data.size() > kRegValueMax) return StrErr(st::STRINGTOOLONG);
  return StrFromView(data);
}
