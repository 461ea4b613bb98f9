// The limits of a report and its PDF header picture.
#include <cctype>
#include <string>
#include <string_view>

#include "data/store/datafile.h"
#include "devices/reportint.h"
#include "runtime/dynstrings.h"
#include "runtime/format.h"
#include "runtime/hostenv.h"
#include "runtime/paths.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/evaluator.h"

namespace {

constexpr char kPdfStem[] = "pdf_";
constexpr char kPdfExt[] = ".png";

StrValue View(std::string_view v) { return StrMake(v.empty() ? "" : v.data(), static_cast<uint32_t>(v.size())); }

// The limits of a spec: its comma items other than FILE:n; item n (from 1)
// into *text, their count answered.
int LimitItems(StrValue limits, int n, std::string* text) {
  int seen = 0;
  StrListIter it(limits, ',');
  for (StrValue item; it.Next(&item);) {
    StrValue t = StrTrim(item, 3);
    std::string_view v = t.View();
    if (v.starts_with("FILE:") || v.starts_with("FILE=")) continue;
    if (++seen == n) *text = t.Str();
  }
  return seen;
}

// A name matched against a pattern: "?" one character, "@" any run; letter
// case ignored.
bool Matches(std::string_view pattern, std::string_view name) {
  if (pattern.empty()) return name.empty();
  if (pattern[0] == '@') {
    for (size_t skip = 0; skip <= name.size(); ++skip)
      if (Matches(pattern.substr(1), name.substr(skip))) return true;
    return false;
  }
  if (name.empty()) return false;
  bool same = pattern[0] == '?' || std::toupper(static_cast<unsigned char>(pattern[0])) ==
                                       std::toupper(static_cast<unsigned char>(name[0]));
  return same && Matches(pattern.substr(1), name.substr(1));
}

// The report's name without directory and extension.
std::string Title(std::string_view name) {
  size_t sep = name.find_last_of("/\\");
  if (sep != std::string_view::npos) name = name.substr(sep + 1);
  size_t dot = name.find_last_of('.');
  return std::string(name.substr(0, dot));
}

std::string Search(StrValue dirs, const std::string& file) {
  StrAreaScope scope;
  return FileSearch(dirs, View(file)).Str();
}

// The first picture "pdf_<pattern>.png" of the directories whose pattern
// matches the title.
std::string PatternPicture(StrValue dirs, const std::string& title) {
  StrListIter it(dirs, ',');
  for (StrValue dir; it.Next(&dir);) {
    StrAreaScope scope;
    StrValue d = StrTrim(dir, 3);
    if (DirList(PathJoin(d, View(std::string(kPdfStem) + "*" + kPdfExt))) != 0) continue;
    StrListIter names(StrAreaTop(), '\0');
    for (StrValue n; names.Next(&n);) {
      std::string_view file = n.View();
      if (file.size() < 8) continue;
      if (Matches(file.substr(4, file.size() - 8), title)) return PathJoin(d, n).Str();
    }
  }
  return std::string();
}

}  // namespace

StrValue ReportLimitNormalize(StrValue limit) {
  uint16_t mark = StrAreaMark(-1);
  StrValue t = StrTrim(limit, 3);
  if (t.IsError() || t.len == 0) return StrAreaReturn(mark, t);
  return StrAreaReturn(mark, ExpEvalIfExpr(t));
}

StrValue ReportLimitItem(StrValue limits, int selector) {
  if (limits.IsError()) return limits;
  uint16_t mark = StrAreaMark(-1);
  if (selector == 3) {
    StrValue file = StrTrim(StrKeyGet(limits, StrFromC("FILE"), kKeyNormalised), 3);
    if (file.len > 0) DataFileSetCurrent(StrToInt(file));
    return StrAreaReturn(mark, file);
  }
  if (selector != 1 && selector != 2) return StrAreaReturn(mark, StrErr(st::BADINPUTDATA));
  std::string text;
  int count = LimitItems(limits, 0, &text);
  // A single value is the to-limit.
  int item = count <= 1 ? (selector == 2 ? 1 : 0) : selector;
  if (item == 0) return StrAreaReturn(mark, StrMake("", 0));
  LimitItems(limits, item, &text);
  return StrAreaReturn(mark, ReportLimitNormalize(View(text)));
}

StrValue ReportKeyLimitCond(StrValue limits, int n, StrValue keyText) {
  if (limits.IsError()) return limits;
  if (keyText.IsError()) return keyText;
  uint16_t mark = StrAreaMark(-1);
  StrValue item = StrTrim(StrListItem(limits, ',', static_cast<uint32_t>(n)), 3);
  if (n != 3 || item.len > 0 || !ReportCurrentFile()) return StrAreaReturn(mark, item);
  // The key's range reaches every key that begins with the key text,
  // national letters (above 'z') included.
  std::string bound = keyText.Str() + "\xFF";
  StrValue cmp = FmtCompareExpr(StrFromC("KEY$()"), 5, View(bound), StrMake("", 0));
  if (cmp.IsError()) return StrAreaReturn(mark, cmp);
  return StrAreaReturn(mark, View("(IER()<2&&" + cmp.Str() + ")"));
}

StrValue ReportPdfHeaderFind(StrValue name) {
  if (name.IsError()) return name;
  uint16_t mark = StrAreaMark(-1);
  std::string title = Title(name.View());
  std::string dirs = DynStrGet(SettingsList, SetDefaultDirItem).Str();
  std::string prefix = DynStrGet(SettingsList, SetIdentityItem).Str().substr(0, 2);
  std::string path = Search(View(dirs), kPdfStem + prefix + title + kPdfExt);
  if (path.empty()) path = Search(View(dirs), kPdfStem + title + kPdfExt);
  if (path.empty()) path = PatternPicture(View(dirs), title);
  StrAreaMark(mark);
  if (Status s = DynStrSet(SystemTextList, kReportPdfHeaderItem, View(path))) return StrErr(s);
  return StrFromView(path);
}
