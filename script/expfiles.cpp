// Expression files (configuration and variables files), task-hook calls by
// text and the file-number variables of the dictionary.
#include "script/expfiles.h"

#include <string>
#include <string_view>
#include <vector>

#include "platform/host/files.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/evaluator.h"
#include "script/scanner.h"
#include "script/taskhooks.h"
#include "script/variables.h"

namespace {

constexpr int64_t kMaxFileBytes = 16 << 20;

int g_fileDepth = 0;  // expression files being run, one inside the other

struct DepthStep {
  DepthStep() { ++g_fileDepth; }
  ~DepthStep() { --g_fileDepth; }
  DepthStep(const DepthStep&) = delete;
  DepthStep& operator=(const DepthStep&) = delete;
};

Status Record(Status code, StrValue detail) {
  ErrDetailSet(code, detail, false);
  return ErrSet(1, MOD_EXPEXEC, code, code);
}

// The file a script names: names between percent signs expanded, then found
// as it is or along the default directory list. Empty when none exists.
StrValue ExpFileFind(StrValue name) {
  StrValue expanded = PathExpand(name);
  if (expanded.IsError()) return expanded;
  StrValue dirs = StrDup(DynStrGet(SettingsList, SetDefaultDirItem));
  return FileSearch(dirs, expanded);
}

// The whole content of a file; false when it cannot be read.
bool ReadWhole(StrValue path, std::string* out) {
  std::string real = host::ResolvePath(path.View());
  int fd = host::Open(real, host::kOpenRead);
  if (fd < 0) return false;
  int64_t size = host::Size(fd);
  bool ok = size >= 0 && size <= kMaxFileBytes;
  if (ok) {
    out->resize(static_cast<size_t>(size));
    ok = host::ReadAt(fd, out->data(), out->size(), 0) == size;
  }
  host::Close(fd);
  return ok;
}

// Splits at line ends (CR LF, CR or LF).
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  return lines;
}

// Splits an expression list at ";" and "," outside quotes and parentheses.
std::vector<std::string_view> Expressions(std::string_view text) {
  std::vector<std::string_view> items;
  size_t start = 0;
  int depth = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    char c = i < text.size() ? text[i] : ';';
    if (c == '\'' || c == '"') {
      size_t close = text.find(c, i + 1);
      i = close == std::string_view::npos ? text.size() - 1 : close;
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if ((c != ';' && c != ',') || (depth > 0 && i < text.size())) continue;
    items.push_back(text.substr(start, i - start));
    start = i + 1;
  }
  return items;
}

std::string_view Trim(std::string_view v) {
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  return v;
}

StrValue View(std::string_view v) { return StrMake(v.data(), static_cast<uint32_t>(v.size())); }

// The items of a variables file being written, each name once.
class VarItems {
 public:
  bool Has(std::string_view name) const {
    for (const auto& it : items_)
      if (it.first == name) return true;
    return false;
  }
  // Adds the item, or replaces the text of an item of the same name.
  void Put(std::string_view name, std::string_view text) {
    for (auto& it : items_)
      if (it.first == name) return void(it.second = text);
    items_.emplace_back(std::string(name), std::string(text));
  }
  std::string Content() const {
    std::string out;
    for (const auto& it : items_) out.append(it.second).append("\r\n");
    return out;
  }

 private:
  std::vector<std::pair<std::string, std::string>> items_;
};

// name=value for an entry "name" or "name;expression" of the names list.
StrValue EntryItem(std::string_view entry, std::string_view* name) {
  std::vector<std::string_view> parts = Expressions(entry);
  *name = Trim(parts[0]);
  std::string_view expr = entry.substr(parts[0].size());
  expr = expr.empty() ? *name : expr.substr(1);
  Status s = ExpExecText(View(expr));
  if (s >= st::TYPEMISMATCH || s == st::USERCANCELED) return StrErr(s);
  StrValue value = s == 1 ? StrAreaTop() : NumToStr(NumFromBytes(StrAreaTop()));
  return ExpAssignText(View(*name), value);
}

// The new items first, in the order of the names list.
Status NewItems(StrValue names, VarItems* items) {
  StrListIter it(names, ',');
  StrValue entry;
  while (it.Next(&entry)) {
    std::string_view e = Trim(entry.View());
    if (e.empty()) continue;
    const StrAreaScope step;
    std::string_view name;
    StrValue item = EntryItem(e, &name);
    if (item.IsError()) return StrError(item);
    items->Put(name, item.View());
  }
  return 0;
}

// Then the old file's name=value items whose names were not written (the
// last one of a name, which is the one that counted when it was read).
void OldItems(std::string_view old, const VarItems& fresh, VarItems* items) {
  for (std::string_view line : Lines(old))
    for (std::string_view e : Expressions(line)) {
      e = Trim(e);
      size_t eq = e.find('=');
      size_t quote = e.find_first_of("'\"");
      if (eq == std::string_view::npos || eq == 0 || quote < eq) continue;
      std::string_view name = Trim(e.substr(0, eq));
      if (!name.empty() && !fresh.Has(name)) items->Put(name, e);
    }
}

}  // namespace

Status ExpExecFile(StrValue name, int flags) {
  if (Status e = StrError(name)) return e;
  // A file that runs itself (EXEC$ of its own name) stops here, not when
  // the string area is exhausted.
  if (g_fileDepth >= kExpFileMaxDepth)
    return Record(st::OUTOFMEMORY, StrFromView(name.Str() + ": expression files nested deeper than " +
                                                std::to_string(kExpFileMaxDepth)));
  const DepthStep step;
  const StrAreaScope scope;
  StrValue path = ExpFileFind(name);
  if (Status e = StrError(path)) return Record(e, name);
  std::string content;
  if (path.len == 0 || !ReadWhole(path, &content) || content.empty())
    return (flags & 1) ? Record(st::FILENOTFOUND, name) : 0;
  for (std::string_view line : Lines(content)) {
    if (line.size() > kStrMaxLen) return Record(st::SINTAXERROR, View(line.substr(0, 64)));
    uint16_t lm = StrAreaMark(-1);
    Status s = ExpExecLines(View(line));
    StrAreaMark(lm);
    if (s >= st::TYPEMISMATCH) return s;
  }
  return 0;
}

Status ExpVarsSaveFile(StrValue file, StrValue names) {
  if (Status e = StrError(file) ? StrError(file) : StrError(names)) return e;
  const StrAreaScope scope;
  StrValue found = ExpFileFind(file);
  StrValue target = found.IsError() || found.len == 0 ? PathExpand(file) : found;
  if (target.IsError()) return StrError(target);
  std::string old;
  ReadWhole(target, &old);
  VarItems fresh, items;
  if (Status s = NewItems(names, &fresh)) return s;
  items = fresh;
  OldItems(old, fresh, &items);
  std::string content = items.Content();
  if (host::ReplaceFile(host::ResolvePath(target.View()), content.data(), content.size()) != 0)
    return Record(host::LastStatus(), target);
  return ExpExecFile(target, 1);
}

Status ExpCallHook(StrValue text) {
  if (Status e = StrError(text)) return e;
  std::string_view t = text.View();
  size_t digits = 0;
  while (digits < t.size() && digits < 3 && t[digits] >= '0' && t[digits] <= '9') ++digits;
  if (digits == 0) return st::SINTAXERROR;
  int id = std::stoi(std::string(t.substr(0, digits)));
  std::string_view rest = digits < t.size() ? t.substr(digits + 1) : std::string_view();
  return TaskHookCallText(id, View(rest));
}

Status VarFileNumsDefine() {
  uint32_t files = DynStrCount(FileNamesList);
  Status first = 0;
  for (uint32_t n = 1; n <= files; ++n) {
    uint16_t m = StrAreaMark(-1);
    StrValue name = StrCaseCopy(DynStrGet(FileNamesList, n - 1), 1);
    Status s = name.IsError() ? StrError(name) : name.len ? VarAssignInt(name, static_cast<int16_t>(n)) : 0;
    StrAreaMark(m);
    if (s >= st::TYPEMISMATCH && first == 0) first = s;
  }
  return first;
}

// A catalogue text becomes the variable's value as it is: the assignment is
// built with the text quoted, so quotes, operators or calls in a language
// file are never evaluated.
Status LangVarAssign(StrValue name, StrValue text) {
  const StrAreaScope scope;
  StrValue assignment = ExpAssignText(name, text);
  Status s = assignment.IsError() ? StrError(assignment) : ExpEvalStatus(assignment);
  return s;
}
