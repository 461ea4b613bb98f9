// Loading a report definition: its file and directives onto list 8, and the
// split of each loaded line into fields, expressions and options.
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "devices/reportint.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/format.h"
#include "runtime/memory.h"
#include "runtime/paths.h"
#include "runtime/streams.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/evaluator.h"
#include "script/handlers.h"
#include "script/macros.h"
#include "script/objparams.h"
#include "script/variables.h"

namespace {

constexpr char kDynamicPrefix[] = "    1";  // L 0, C 1: a relative next line
constexpr char kInclude[] = ":INCLUDE ";
constexpr char kDynamic[] = ":DYNAMIC_LINE ";
constexpr int kTypePdc = 6;  // "PDC" among the definition file types

StrValue View(std::string_view v) { return StrMake(v.empty() ? "" : v.data(), static_cast<uint32_t>(v.size())); }

std::string Trim(std::string_view v) {
  StrAreaScope scope;
  return StrTrim(View(v), 3).Str();
}

bool HasExtension(std::string_view name) {
  size_t dot = name.find_last_of('.');
  size_t sep = name.find_last_of("/\\");
  return dot != std::string_view::npos && (sep == std::string_view::npos || sep < dot);
}

bool HasDirectory(std::string_view name) { return name.find_first_of("/\\:") != std::string_view::npos; }

// A definition name with type PDC when it has none.
std::string DefName(std::string_view name) {
  std::string n = Trim(name);
  if (n.empty() || HasExtension(n)) return n;
  StrAreaScope scope;
  return FileTypeName(View(n), kTypePdc).Str();
}

// Opens a definition read-only: the name as given, else a bare name along
// the default directories. The slot, or 65535.
uint16_t OpenDef(const std::string& name) {
  uint16_t slot = StreamOpen(View(name), kStreamReadOnly | kStreamQuiet);
  if (slot < kStreamSlots || HasDirectory(name)) return slot < kStreamSlots ? slot : 65535;
  StrAreaScope scope;
  StrValue found = FileSearch(DynStrGet(SettingsList, SetDefaultDirItem), View(name));
  if (found.len == 0) return 65535;
  slot = StreamOpen(found, kStreamReadOnly | kStreamQuiet);
  return slot < kStreamSlots ? slot : 65535;
}

// The lines of a file, or 164 naming it.
Status ReadLines(const std::string& name, std::vector<std::string>* lines) {
  uint16_t slot = OpenDef(name);
  if (slot == 65535) return ReportFail(st::FILENOTFOUND, name);
  Status s = 0;
  for (;;) {
    StrAreaScope scope;
    StrValue line = StreamReadLine(slot, kStreamHere);
    if (line.IsError()) {
      s = StrError(line) == st::DISKIO ? 0 : StrError(line);
      break;
    }
    lines->push_back(line.Str());
  }
  StreamClose(slot);
  return s;
}

class Loader {
 public:
  Loader(ReportRunRecord& run, std::string report) : run_(run), report_(std::move(report)) {}

  Status File(const std::string& name, int depth) {
    if (depth > kReportMaxDepth) return ReportFail(st::BADINPUTDATA, name);
    std::vector<std::string> lines;
    if (Status s = ReadLines(name, &lines)) return s;
    for (size_t i = 0; i < lines.size(); ++i) {
      where_ = name + " line " + std::to_string(i + 1);
      if (Status s = Line(lines[i], depth)) return s;
    }
    return 0;
  }

  // Where each loaded line came from: its file and line.
  const std::vector<std::string>& Origins() const { return origins_; }

 private:
  Status Line(const std::string& line, int depth) {
    if (Trim(line).empty()) return 0;
    if (line.size() <= 5 || line[5] != ':') return Append(line);
    std::string_view body = std::string_view(line).substr(5);
    bool include = body.starts_with(kInclude);
    if (!include && !body.starts_with(kDynamic)) return ReportFail(st::BADINPUTDATA, where_);
    std::string expr(body.substr(include ? std::strlen(kInclude) : std::strlen(kDynamic)));
    std::string name;
    {
      StrAreaScope scope;
      StrValue v = ExpEvalStr(View(Trim(expr)));
      if (Status e = StrError(v)) return e;
      name = DefName(v.View());
    }
    if (include) return File(name, depth + 1);
    return Dynamic(name, depth + 1);
  }

  // The lines the file holds, through the second line queue, each as a
  // relative next line.
  Status Dynamic(const std::string& name, int depth) {
    if (depth > kReportMaxDepth) return ReportFail(st::BADINPUTDATA, name);
    std::vector<std::string> lines;
    if (Status s = ReadLines(name, &lines)) return s;
    uint32_t before = DynStrCount(SecondLinesQueue);
    for (const std::string& l : lines) {
      if (DynStrPush(SecondLinesQueue, View(l))) {
        DynStrPopTo(SecondLinesQueue, before);
        return ReportFail(st::STROUTBOUND, report_);
      }
    }
    std::vector<std::string> queued;
    while (DynStrCount(SecondLinesQueue) > before) {
      queued.push_back(DynStrGet(SecondLinesQueue, before).Str());
      DynStrDelete(SecondLinesQueue, before);
    }
    for (size_t i = 0; i < queued.size(); ++i) {
      where_ = name + " line " + std::to_string(i + 1);
      if (Status s = Line(kDynamicPrefix + queued[i], depth)) return s;
    }
    return 0;
  }

  Status Append(const std::string& line) {
    origins_.push_back(where_);
    if (DynStrPush(ReportLinesList, View(line))) return ReportFail(st::STROUTBOUND, report_);
    run_.end = DynStrCount(ReportLinesList);
    return 0;
  }

  ReportRunRecord& run_;
  std::string report_;
  std::string where_;
  std::vector<std::string> origins_;
};

// --- Splitting a line ---------------------------------------------------------------

bool HeaderDigits(std::string_view head) {
  for (char c : head)
    if (c != ' ' && (c < '0' || c > '9')) return false;
  return true;
}

int HeaderNumber(std::string_view digits) {
  int v = 0;
  for (char c : digits)
    if (c != ' ') v = v * 10 + (c - '0');
  return v;
}

// Position of the first of the characters outside quoted parts, else of the
// first anywhere (a quote in a layout literal must not hide the placeholder).
size_t FindMark(std::string_view body) {
  StrAreaScope scope;
  StrValue set = StrFromC("\x17\x18\x19");
  uint16_t at = StrFindAny(View(body), set, kSearchQuoted);
  if (at == kNotFound) at = StrFindAny(View(body), set, kSearchPlain);
  return at == kNotFound ? std::string_view::npos : at;
}

// Items separated by sep outside quotes and parentheses.
std::vector<std::string> SplitOutside(std::string_view text, char sep) {
  std::vector<std::string> out;
  StrValue t = View(text);
  for (uint32_t at = 0;;) {
    uint32_t len = ExecArgLength(t, at, sep);
    out.emplace_back(text.substr(at, len));
    at += len + 1;
    if (at > t.len) return out;
  }
}

// Start of " /" outside quotes; npos when none.
size_t OptionsStart(std::string_view text) {
  char quote = 0;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    char c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ' ' && text[i + 1] == '/') {
      return i;
    }
  }
  return std::string_view::npos;
}

std::string Option(const std::string& options, int n, bool* present = nullptr) {
  StrAreaScope scope;
  StrValue name = ParmNameBase(n);
  StrValue text = View(options);
  if (present) *present = StrKeyLocate(text, name, 0) != kNotFound;
  return StrKeyGet(text, name, kKeyNormalised).Str();
}

int OptionInt(const std::string& options, int n, int def) {
  bool present = false;
  std::string v = Option(options, n, &present);
  if (!present || Trim(v).empty()) return def;
  StrAreaScope scope;
  return StrToInt(View(v));
}

Status SplitLine(ReportLine& out, const std::string& line, const std::string& where) {
  if (line.size() < 5 || !HeaderDigits(std::string_view(line).substr(0, 5))) return ReportFail(st::BADINPUTDATA, where);
  out.L = HeaderNumber(std::string_view(line).substr(0, 2));
  out.C = HeaderNumber(std::string_view(line).substr(2, 3));
  std::string_view body = std::string_view(line).substr(5);
  if (out.L == 0) {
    size_t tab = body.find('\t');
    if (tab != std::string_view::npos) {
      out.cond = Trim(body.substr(0, tab));
      out.hasCond = !out.cond.empty();
      body = body.substr(tab + 1);
      if (body.empty()) body = " ";
    }
  }
  size_t mark = FindMark(body);
  if (mark == std::string_view::npos) {
    out.text = std::string(body);
    return 0;
  }
  char m = body[mark];
  out.kind = m == rpt::kFixedMark ? rpt::kFixed : m == rpt::kRelativeMark ? rpt::kRelative : rpt::kGroup;
  size_t rest = mark + 1;
  if (rest < body.size() && body[rest] == m) {
    out.kind |= rpt::kDoubled;
    ++rest;
  }
  std::string_view after = body.substr(rest);
  size_t opts = OptionsStart(after);
  std::string_view exprs = after.substr(0, opts);
  if (opts != std::string_view::npos) out.options = std::string(after.substr(opts));
  std::string_view layout = body.substr(0, mark);
  size_t from = 0;
  for (;;) {
    size_t bar = layout.find('|', from);
    ReportField f;
    f.mask = std::string(layout.substr(from, bar == std::string_view::npos ? bar : bar - from));
    f.expand = f.mask.find('[') != std::string::npos;
    out.fields.push_back(std::move(f));
    if (bar == std::string_view::npos) break;
    from = bar + 1;
  }
  for (const std::string& e : SplitOutside(exprs, ',')) out.exprs.push_back(Trim(e));
  out.exprs.resize(out.fields.size());
  return 0;
}

// The texts of a line's options, once per run.
Status ReadOptions(ReportLine& line, const ReportRunRecord& run) {
  const std::string& o = line.options;
  const std::string report = run.texts.Str(ReportTexts::kName);
  std::string key = run.texts.Str(ReportTexts::kKey);
  line.atEnd = Option(o, kParmAtEnd);
  if (line.atEnd.empty() && (VarSysIntGet(kSysUpStat) & 4)) line.atEnd = "StatMove('NEXT')==0";
  line.brkEnd = Option(o, kParmBrkEnd);
  StrAreaScope scope;
  if (line.brkEnd.empty()) {
    StrValue cmp = FmtCompareExpr(StrFromC("KEY$()"), 2, View(key + "\xFF"), StrMake("", 0));
    if (Status e = StrError(cmp)) return e;
    line.brkEnd.assign(1, '(').append(cmp.View()).push_back(')');
  } else if (line.brkEnd.find("[$]") != std::string::npos) {
    if (key.find_first_of("'\"") != std::string::npos) return ReportFail(st::BADINPUTDATA, report);
    line.brkEnd = MacroDollarSubst(View(line.brkEnd), View(key)).Str();
  }
  line.brk = Option(o, kParmBreak);
  StrValue form = DynStrGet(SystemTextList, 1);
  StrValue cond = FmtCondJoin(FmtCondJoin(StrDup(form), run.texts.Get(ReportTexts::kRecord), StrMake("", 0)),
                              View(Option(o, kParmCond)), StrMake("", 0));
  if (Status e = StrError(cond)) return e;
  line.groupCond = cond.Str();
  line.maxLine = OptionInt(o, kParmMaxLine, 0);
  line.lineStep = OptionInt(o, kParmLineStep, -1);
  line.totalBase = OptionInt(o, kParmTotalBase, -1);
  line.extraStep = OptionInt(o, kParmExtraStep, 0);
  line.wd = OptionInt(o, kParmWd, -1);
  std::string cont = Option(o, kParmContinue);
  size_t colon = cont.find(':');
  if (colon != std::string::npos) {
    line.contLine = std::atoi(cont.substr(0, colon).c_str());
    line.contCount = std::atoi(cont.substr(colon + 1).c_str());
  }
  // Every numeric field adds into its own element of the label array.
  if (line.totalBase >= 0 && line.totalBase + line.fields.size() > kReportLabelSize)
    return ReportFail(st::DATAOUTBOUND, report);
  return 0;
}

// ",." of a template resolved: "#" the decimals of _DX (or _PRECIS), n those
// of screen field n; the mask then expanded.
StrValue ResolveDecimals(StrValue mask) {
  std::string_view m = mask.View();
  size_t at = m.find(",.");
  if (at == std::string_view::npos || at == 0) return mask;
  size_t codeEnd = at + 2;
  int decimals = 0;
  if (codeEnd < m.size() && m[codeEnd] == '#') {
    ++codeEnd;
    decimals = VarSysIntGet(kSysDX);
    if (decimals == 0) decimals = VarSysIntGet(kSysPrecis);
  } else {
    int field = 0;
    while (codeEnd < m.size() && m[codeEnd] >= '0' && m[codeEnd] <= '9') field = field * 10 + (m[codeEnd++] - '0');
    if (codeEnd == at + 2) return FmtMaskLocalise(mask);
    ScreenFieldVar v = VarScreenFieldRead(field);
    if (v.status) return StrErr(v.status);
    decimals = v.kind >= '0' && v.kind <= '9' ? v.kind - '0' : 0;
  }
  std::string resolved = std::string(m.substr(0, at + 2)) + std::to_string(decimals) + std::string(m.substr(codeEnd));
  return FmtMaskLocalise(View(resolved));
}

}  // namespace

Status ReportFail(Status code, const std::string& detail) {
  StrAreaScope scope;
  ErrDetailSet(code, View(detail), false);
  return ErrSet(1, MOD_DEVICES, code, code);
}

StrValue ReportTemplate(const ReportField& field) {
  uint16_t mark = StrAreaMark(-1);
  StrValue mask = View(field.mask);
  if (field.expand) mask = MacroExpand(mask, 0);
  if (mask.IsError()) return StrAreaReturn(mark, mask);
  return StrAreaReturn(mark, ResolveDecimals(mask));
}

Status ReportDefLoad(ReportRunRecord& run, StrValue name) {
  if (Status e = StrError(name)) return e;
  std::string file = DefName(name.View());
  run.first = run.end = DynStrCount(ReportLinesList);
  Loader loader(run, run.texts.Str(ReportTexts::kName));
  if (Status s = loader.File(file, 0)) return s;
  run.lines.resize(run.end - run.first);
  for (uint32_t i = 0; i < run.lines.size(); ++i) {
    ReportLine& line = run.lines[i];
    line.number = i + 1;
    std::string text = DynStrGet(ReportLinesList, run.first + i).Str();
    if (Status s = SplitLine(line, text, loader.Origins()[i])) return s;
    if (Status s = ReadOptions(line, run)) return s;
    for (const std::string& e : line.exprs) line.code.emplace_back(View(e));
    if (line.hasCond) line.condCode = ExpHeld(View(line.cond));
    line.groupCode = ExpHeld(View(line.groupCond));
    line.brkEndCode = ExpHeld(View(line.brkEnd));
    line.brkCode = ExpHeld(View(line.brk));
    line.atEndCode = ExpHeld(View(line.atEnd));
    for (ReportField& f : line.fields) {
      if (f.expand) continue;
      StrAreaScope scope;
      StrValue mask = ResolveDecimals(View(f.mask));
      if (Status e = StrError(mask)) return e;
      f.mask = mask.Str();
    }
  }
  return 0;
}

void ReportDefRelease(ReportRunRecord& run) {
  if (run.end > run.first && DynStrCount(ReportLinesList) >= run.end) {
    for (uint32_t i = run.end; i > run.first; --i) DynStrDelete(ReportLinesList, i - 1);
  }
  run.end = run.first;
  run.lines.clear();
}

// --- The run's texts ---------------------------------------------------------------

ReportTexts::~ReportTexts() {
  if (block_) MemFree(MOD_DEVICES, block_);
}

Status ReportTexts::Set(const std::string (&texts)[kCount]) {
  uint32_t size = 0;
  for (const std::string& t : texts) size += static_cast<uint32_t>(t.size());
  char* block = static_cast<char*>(MemAlloc(MOD_DEVICES, size + 1));
  if (!block) return ErrSet(1, MOD_DEVICES, st::OUTOFMEMORY, st::OUTOFMEMORY);
  if (block_) MemFree(MOD_DEVICES, block_);
  block_ = block;
  uint32_t at = 0;
  for (int i = 0; i < kCount; ++i) {
    offsets_[i] = at;
    std::memcpy(block_ + at, texts[i].data(), texts[i].size());
    at += static_cast<uint32_t>(texts[i].size());
  }
  offsets_[kCount] = at;
  return 0;
}

StrValue ReportTexts::Get(Item i) const {
  if (!block_) return StrMake("", 0);
  return StrMake(block_ + offsets_[i], offsets_[i + 1] - offsets_[i]);
}
