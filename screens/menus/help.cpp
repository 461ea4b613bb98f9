#include "screens/menus/help.h"

#include <cctype>
#include <string>
#include <vector>

#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/hostenv.h"
#include "runtime/hostproc.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/strformat.h"
#include "runtime/streams.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/forms/msgbox.h"
#include "script/objparams.h"

namespace {

constexpr int kWebBrowser = 2;  // viewer kind
constexpr uint32_t kHelpDirMax = kStreamNameMax - 1;

std::string Setting(int item) { return std::string(DynStrGet(SettingsList, static_cast<uint32_t>(item)).View()); }

std::string AppPrefix() { return Setting(SetIdentityItem).substr(0, 2); }

std::string DefaultHelpName() { return AppPrefix() + "HELP.HLP"; }

bool LettersAndDigits(std::string_view word) {
  if (word.empty()) return false;
  for (char c : word)
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  return true;
}

// The path or address in the web browser, or in a box when no viewer can
// show it.
Status ViewerOpen(const std::string& target) {
  const StrAreaScope scope;
  StrValue what = StrFromView(target);
  if (ui::display_available()) {
    Status s = HostViewFile(kWebBrowser, what);
    if (s != st::NOTFOUND) return s;  // 0xFFFF: it could not be started
  }
  InfoBox(Msg("0071"), what);
  return 0;
}

Status NotFound(const std::string& detail) {
  ErrDetailSet(st::FILENOTFOUND, StrFromView(detail), false);
  return ErrSet(1, MOD_SCREENS, st::FILENOTFOUND, st::FILENOTFOUND);
}

// A section number 1-65535 written in digits alone, else 0.
uint32_t SectionOf(std::string_view text) {
  if (text.empty() || text.size() > 5) return 0;
  uint32_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + static_cast<uint32_t>(c - '0');
  }
  return n <= 0xFFFF ? n : 0;
}

bool FourDigitTag(std::string_view line) {
  return line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[2])) &&
         std::isdigit(static_cast<unsigned char>(line[3]));
}

// The texts of the section's lines, in order.
std::vector<std::string> SectionLines(StrValue path, uint32_t section) {
  std::vector<std::string> out;
  uint16_t slot = StreamOpen(path, kStreamReadOnly | kStreamQuiet);
  if (slot == kStreamNoSlot) return out;
  bool longTag = section > kHelpSectionTwoDigits;
  int kind = longTag ? 3 : 1;
  while (!StreamAtEnd(slot)) {
    const StrAreaScope scope;
    StrValue line = StreamReadLine(slot, kStreamHere);
    if (line.IsError()) continue;
    if (FourDigitTag(line.View()) != longTag || ParmLineTag(kind, line) != static_cast<int32_t>(section)) continue;
    out.emplace_back(ParmLineContent(kind, line).View());
  }
  StreamClose(slot);
  return out;
}

}  // namespace

Status AboutShow(StrValue text) {
  if (Status e = StrError(text)) return e;
  const StrAreaScope scope;
  std::string body = Setting(SetIdentityItem) + " (" + kAboutBuild + ")";
  if (text.len > 0) body += "\r\n" + text.Str();
  InfoBox(StrFromView(Setting(SetTitleItem)), StrFromView(body));
  return 0;
}

Status HelpShow(StrValue text) {
  if (Status e = StrError(text)) return e;
  const StrAreaScope scope;
  if (StrTrim(text, 3).len > 0) return AboutShow(StrFromView(std::to_string(VarSysIntGet(kSysPrecis))));
  std::string identity = Setting(SetIdentityItem);
  size_t colon = identity.find(':');
  std::string family = colon == std::string::npos ? std::string() : identity.substr(colon + 1);
  // The word goes into an address: anything but letters and digits could
  // change what the address names.
  if (LettersAndDigits(family)) return ViewerOpen(kHelpLocation + family);
  return HelpPageOpen(StrFromView(AppPrefix()));
}

Status HelpPageOpen(StrValue prefix) {
  if (Status e = StrError(prefix)) return e;
  const StrAreaScope scope;
  const std::string names[] = {prefix.Str() + "index.html", "index.html"};
  for (const std::string& name : names) {
    StrValue path = HelpPagePath(StrFromView(name));
    if (path.len > 0) return ViewerOpen(path.Str());
  }
  InfoBox(Msg("0071"), StrFromView(Msg("0072").Str() + "\r\n" + names[1]));
  return 0;
}

StrValue HelpPagePath(StrValue name) {
  if (name.IsError()) return name;
  uint16_t mark = StrAreaMark(-1);
  std::string wanted = name.len > 0 ? name.Str() : DefaultHelpName();
  StrValue dirs = StrFromView(Setting(SetDefaultDirItem) + "," + Setting(SetHelpDirItem));
  StrValue found = FileSearch(dirs, StrFromView(wanted));
  if (found.len == 0 && !found.IsError()) found = FileSearch(dirs, LangFileName(StrFromView(wanted), -1));
  if (found.len > 0 && PathSplit(found, kPathDir).len == 0) found = PathJoin(DirCurrent(), found);
  return StrAreaReturn(mark, found.IsError() ? StrMake("", 0) : found);
}

Status HelpTopicSet(StrValue pattern) {
  if (Status e = StrError(pattern)) return e;
  const StrAreaScope scope;
  std::string lang = Setting(SetLanguageItem);
  for (char& c : lang) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  StrValue dir = StrFormat(kHelpDirMax, pattern, lang);
  if (Status e = StrError(dir)) return e;
  return DynStrSet(SettingsList, SetHelpDirItem, dir);
}

Status HelpTextShow(StrValue spec) {
  if (Status e = StrError(spec)) return e;
  const StrAreaScope scope;
  std::string text(StrTrim(spec, 3).View());
  size_t comma = text.find(',');
  if (comma == std::string::npos) return NotFound(text);
  std::string file(StrUnquote(StrTrim(StrFromView(text.substr(0, comma)), 3)).View());
  std::string detail = (file.empty() ? DefaultHelpName() : file) + "," + text.substr(comma + 1);
  uint32_t section = SectionOf(StrTrim(StrFromView(text.substr(comma + 1)), 3).View());
  if (section == 0) return NotFound(detail);
  StrValue path = HelpPagePath(StrFromView(file));
  std::vector<std::string> lines = path.len > 0 ? SectionLines(path, section) : std::vector<std::string>();
  if (lines.empty()) return NotFound(detail);
  std::string body;
  for (size_t i = 1; i < lines.size(); ++i) body += (i > 1 ? "\r\n" : "") + lines[i];
  InfoBox(StrFromView(lines[0]), StrFromView(body));
  return 0;
}

Status CommonControlsInit() { return 0; }
