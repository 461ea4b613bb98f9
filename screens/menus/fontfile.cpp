#include "screens/menus/fontfile.h"

#include <string>
#include <vector>

#include "runtime/dynstrings.h"
#include "runtime/paths.h"
#include "runtime/streams.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/forms/choice.h"
#include "screens/window/fonttable.h"
#include "script/objparams.h"

Status FontLoad() {
  const StrAreaScope scope;
  Status s = ParmStrPush(StrFromC("KXFONT.PPN"));
  if (s != 0) return s == st::NOTFOUND ? 0 : s;
  StrValue first = StrListItem(DynStrTop(ObjParamsList), ':', 1);
  StrValue fields[4];
  for (uint32_t i = 0; i < 4; ++i) fields[i] = StrListItem(first, ';', i + 1);
  int height = StrToInt(fields[0]);
  int width = StrToInt(fields[1]);
  int weight = StrFindStr(fields[2], StrFromC("BOLD"), 1) != kNotFound ? 700 : 400;
  // A line with unusable sizes would break every pixel computation of the
  // screens: keep the entry point's font unless both are -1 or sane.
  bool sane = (height == -1 && width == -1) || (height >= 4 && height <= 200 && width >= 4 && width <= 200);
  if (sane) FontAdd(height, width, weight, StrTrim(fields[3], 3));
  ParmStrPop();
  return 0;
}

namespace {

// The screen font file as FontLoad finds it: by its plain name, else in the
// default directory.
StrValue FontFilePath() {
  StrValue found = FileSearch(DynStrGet(SettingsList, SetDefaultDirItem), StrFromC("KXFONT.PPN"));
  return found.IsError() || found.len == 0 ? StrFromC("KXFONT.PPN") : found;
}

}  // namespace

Status FontSelect() {
  const StrAreaScope scope;
  StrValue file = FontFilePath();
  StrValue whole = FileRead(file, 0, kStreamToEnd);
  if (whole.IsError()) return StrError(whole);
  // Lines are kept whole: each is offered quoted, so a face name holding ","
  // or ":" stays one choice.
  std::vector<std::string> lines;
  std::string_view rest = whole.View();
  while (!rest.empty()) {
    size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) lines.emplace_back(line);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  }
  std::string choices;
  for (const std::string& line : lines) {
    StrValue q = StrQuote(StrFromView(line), '"');
    if (q.IsError()) q = StrFromView(line);
    if (!choices.empty()) choices += ',';
    choices += q.View();
  }
  Status cs = 0;
  int choice = WinChoice(StrFromC("Font"), StrFromView(choices), kChoiceWindow | kChoiceList, &cs);
  if (cs == 0 && choice > 0 && static_cast<size_t>(choice) <= lines.size()) {
    WinChoiceClose();
    std::string text = lines[static_cast<size_t>(choice) - 1];
    for (size_t i = 0; i < lines.size(); ++i)
      if (i + 1 != static_cast<size_t>(choice)) text.append("\r\n").append(lines[i]);
    // The whole file is replaced, so a shorter content leaves no stale tail.
    cs = FileWrite(file, kStreamReplace, StrFromView(text));
  }
  return cs;
}
