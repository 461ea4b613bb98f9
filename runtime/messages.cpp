#include "runtime/messages.h"

#include <string>
#include <string_view>
#include <vector>

#include "platform/host/files.h"
#include "runtime/dynstrings.h"
#include "runtime/msgtable.h"
#include "runtime/paths.h"
#include "runtime/seam.h"
#include "runtime/streams.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"

namespace {

LangVarAssignFn g_langVarAssign = nullptr;

constexpr std::string_view kLanguages[] = {"EN", "ES", "FR", "DE", "IT"};
constexpr std::string_view kLangSuffixes[] = {"_en", "_es", "_fr", "_de", "_it"};
constexpr size_t kLangCodeMax = 15;

// One loaded catalogue file: the numbers it covers and where its entries start.
struct CatalogRange {
  uint32_t first = 0;
  uint32_t last = 0;
  uint32_t firstEntry = 0;
};

struct Catalog {
  int state = kCatalogNotTried;
  std::vector<uint16_t> ends;  // entry k ends at ends[k] in SystemTextList item 2
  std::vector<CatalogRange> ranges;
};
Catalog g_catalog;

std::string_view ViewOf(StrValue s) { return s.View(); }
// A view as a string value; an empty view is an empty text, never an error
// string (an empty std::string_view may hold a null pointer).
StrValue StrOf(std::string_view v) { return StrMake(v.empty() ? "" : v.data(), static_cast<uint32_t>(v.size())); }

// The value of the leading digits of the first four characters; 0 when the
// text does not start with a digit.
uint32_t NumberOf(std::string_view ref) {
  uint32_t n = 0;
  for (char c : ref.substr(0, 4)) {
    if (c < '0' || c > '9') break;
    n = n * 10 + static_cast<uint32_t>(c - '0');
  }
  return n;
}

// A catalogue text: from the sixth character, each backslash n as CR LF.
std::string CatalogLineText(std::string_view line) {
  std::string out;
  std::string_view text = line.size() > 5 ? line.substr(5) : std::string_view();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      out += "\r\n";
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

void QueueDrain(uint32_t lines) {
  for (uint32_t i = 0; i < lines && DynStrCount(FileLinesQueue) > 0; ++i) DynStrPop(FileLinesQueue);
}

// Appends one text to item 2 and records its end; false when the store is full.
bool CatalogAppend(uint32_t number, const CatalogRange& range, std::string_view text) {
  StrValue kept = DynStrGet(SystemTextList, SysCatalogueItem);
  while (g_catalog.ends.size() - range.firstEntry < number - range.first &&
         g_catalog.ends.size() < kCatalogMaxEntries)
    g_catalog.ends.push_back(kept.len);  // numbers missing from the file: empty texts
  if (g_catalog.ends.size() >= kCatalogMaxEntries) return true;  // beyond the table: not kept
  uint16_t m = StrAreaMark(-1);
  Status s = DynStrSet(SystemTextList, SysCatalogueItem, StrCat(kept, StrOf(text)));
  StrAreaRelease(m, 0);
  if (s) return false;
  g_catalog.ends.push_back(DynStrGet(SystemTextList, SysCatalogueItem).len);
  g_catalog.state = kCatalogLoaded;
  return true;
}

// The first match of a file pattern under its plain name, then in each
// directory of the default-directory list (as FileSearch goes, but a pattern
// needs the name it matched); empty when nothing matches.
std::string CatalogFileFind(std::string_view pattern) {
  std::vector<std::string> candidates{std::string(pattern)};
  uint16_t m = StrAreaMark(-1);
  StrListIter dirs(DynStrGet(SettingsList, SetDefaultDirItem), ',');
  for (StrValue dir; dirs.Next(&dir);) {
    dir = StrUnquote(StrTrim(dir, 3));
    if (dir.len) candidates.push_back(PathJoin(dir, StrOf(pattern)).Str());
  }
  StrAreaMark(m);
  for (const std::string& c : candidates) {
    std::vector<std::string> names;
    if (host::List(c, &names) != 0 || names.empty()) continue;
    std::string norm = host::NormalizePath(c);
    size_t slash = norm.rfind('/');
    return slash == std::string::npos ? names.front() : norm.substr(0, slash + 1) + names.front();
  }
  return {};
}

// The two-letter application prefix (APNAME).
std::string AppPrefixText() {
  const StrAreaScope scope;
  std::string prefix(ViewOf(AppVarValue(StrFromC("%APNAME%"))));
  return prefix;
}

std::string_view LanguageCode() {
  return ViewOf(DynStrGet(SettingsList, SetLanguageItem)).substr(0, kLangCodeMax);
}

}  // namespace

// --- Look-up ---------------------------------------------------------------

StrValue Msg(const char* ref) { return MsgRef(StrFromC(ref)); }

StrValue MsgRef(StrValue ref) {
  if (ref.IsError()) return ref;
  uint32_t n = NumberOf(ref.View());
  if (g_catalog.state == kCatalogNotTried) MsgCatalogLoad();
  if (n != 0 && g_catalog.state == kCatalogLoaded) {
    StrValue text = MsgCatalogText(n);
    if (!text.IsError()) return text;
  }
  if (n != 0 && ref.len > 4) return ref.len > 5 ? StrOf(ref.View().substr(5)) : StrOf({});
  return MsgCatalogFind(ref);
}

StrValue MsgCatalogFind(StrValue ref) {
  std::string_view number = ViewOf(ref).substr(0, 4);
  if (MsgTableBlockOf(number) != 4) return StrOf(MsgTableLookup(number, {}));
  return StrOf(MsgTableLookup(number, AppPrefixText()));
}

StrValue MsgCatalogText(uint32_t number) {
  for (const CatalogRange& r : g_catalog.ranges) {
    if (r.last < number) continue;
    if (number < r.first) break;
    uint32_t j = number - r.first + r.firstEntry;
    if (j >= g_catalog.ends.size()) break;
    std::string_view all = ViewOf(DynStrGet(SystemTextList, SysCatalogueItem));
    size_t start = j == 0 ? 0 : g_catalog.ends[j - 1];
    size_t end = g_catalog.ends[j];
    if (end > all.size() || start > end) break;  // the store was reset under the tables
    return StrFromView(all.substr(start, end - start));
  }
  return StrErr(st::NOTFOUND);
}

// --- Catalogue loading -------------------------------------------------------

Status MsgCatalogLoad() {
  g_catalog.state = kCatalogTried;
  std::string_view lang = LanguageCode();
  std::string pattern = "KX_LANG_" + std::string(lang.empty() ? "*" : lang) + ".MSJ";
  std::string file = CatalogFileFind(pattern);
  if (file.empty()) return 0;
  uint32_t queued = 0;
  uint16_t m = StrAreaMark(-1);
  Status s = FileLinesLoad(StrOf(file), FileLinesQueue, &queued);
  StrAreaRelease(m, 0);
  if (s) return s;
  return MsgCatalogParse(queued);
}

Status MsgCatalogParse(uint32_t lines) {
  if (lines == 0 || lines >= kCatalogMaxEntries) {
    QueueDrain(lines);
    return 0;
  }
  CatalogRange range;
  range.firstEntry = static_cast<uint32_t>(g_catalog.ends.size());
  uint32_t taken = 0;
  Status result = 0;
  for (uint32_t i = 0; i < lines && DynStrCount(FileLinesQueue) > 0; ++i) {
    std::string line(ViewOf(DynStrTop(FileLinesQueue)));
    DynStrPop(FileLinesQueue);
    uint32_t number = NumberOf(line);
    if (number == 0 || number <= taken || result) continue;  // out of order: ignored
    if (taken == 0) range.first = number;
    if (!CatalogAppend(number, range, CatalogLineText(line))) {
      result = st::STROUTBOUND;  // store full: keep what fits, drain the rest
      continue;
    }
    taken = number;
    range.last = number;
  }
  if (taken) g_catalog.ranges.push_back(range);
  return result;
}

int MsgCatalogState() { return g_catalog.state; }

void MsgCatalogReset() {
  g_catalog = Catalog{};
  if (DynStrReady()) DynStrSet(SystemTextList, SysCatalogueItem, StrOf({}));
}

// --- Languages ---------------------------------------------------------------

int LangIndex() {
  std::string_view code = ViewOf(DynStrGet(SettingsList, SetLanguageItem));
  for (int i = 0; i < 5; ++i)
    if (code == kLanguages[i]) return i + 1;
  return 0;
}

Status LangDefault() { return DynStrSet(SettingsList, SetLanguageItem, StrFromC("EN")); }

StrValue LangFileName(StrValue name, int lang) {
  if (name.IsError()) return name;
  if (lang == -1) lang = LangIndex();
  if (lang < 1 || lang > 5) return name;
  std::string_view n = name.View();
  size_t base = n.find_last_of("\\/");
  base = base == std::string_view::npos ? 0 : base + 1;
  size_t dot = n.find('.', base);
  if (dot == std::string_view::npos) dot = n.size();
  std::string out(n.substr(0, dot));
  out += kLangSuffixes[lang - 1];
  out += n.substr(dot);
  return StrFromView(out);
}

void LangVarAssignHookSet(LangVarAssignFn fn) { g_langVarAssign = fn; }

Status LangVarsLoad() {
  const StrAreaScope scope;
  StrValue name = StrCat(AppVarValue(StrFromC("%APNAME%")), StrFromC("LANGVARS.DAT"));
  StrValue file = FileSearch(DynStrGet(SettingsList, SetDefaultDirItem), name);
  if (file.IsError() || file.len == 0) return 0;
  uint16_t slot = StreamOpen(file, kStreamReadOnly | kStreamQuiet);
  if (slot < kStreamFirstFile || slot >= kStreamSlots) return 0;
  Status result = 0;
  for (;;) {
    const StrAreaScope step;
    StrValue line = StreamReadLine(slot, kStreamHere);
    if (line.IsError()) break;
    std::string_view l = line.View();
    size_t eq = l.find('=');
    StrValue var = StrOf(l.substr(0, eq));
    StrValue text = eq == std::string_view::npos ? StrOf({}) : MsgRef(StrOf(l.substr(eq + 1)));
    if (var.len && !text.IsError() && text.len) {
      Status s = g_langVarAssign ? g_langVarAssign(var, text) : SeamMissing("LangVarAssign");
      if (s >= 128 && result == 0) result = s;
    }
  }
  StreamClose(slot);
  return result;
}
