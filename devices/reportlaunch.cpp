// The report launch: print-job parameters, the rounds of limits form, range
// seek and device choice, and the run of each round.
#include "devices/reportlaunch.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "data/store/datafile.h"
#include "data/store/openstate.h"
#include "data/scans/scan.h"
#include "data/scans/statistics.h"
#include "devices/reportint.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/forms/accept.h"
#include "screens/window/fieldvalues.h"
#include "screens/forms/forms.h"
#include "screens/menus/menucmd.h"
#include "screens/forms/msgbox.h"
#include "screens/forms/progress.h"
#include "screens/window/screendef.h"
#include "screens/window/screenprops.h"
#include "script/evaluator.h"
#include "script/macros.h"
#include "script/objparams.h"
#include "script/procedures.h"

namespace {

constexpr int kDefinitionKind = 1;   // tagged lines "NN content"
constexpr int kPpnType = 1;          // FileTypeName: PPN
constexpr uint32_t kLaunchSpecAccept = 5;  // items from which a spec is an accept form
constexpr char kLimitsTitle[] = "0081";
// The range of the last limits form: its first and second answers.
constexpr char kFormLimits[] =
    "FN$TRIM(FN$PARM(_$(.envvar;.dialog);1);'FIT'),FN$TRIM(FN$PARM(_$(.envvar;.dialog);2);'FIT')";
constexpr char kAllKeys[] = "\xFF";
constexpr char kFileOption[] = "FILE";  // the file to open of a report spec

StrValue View(std::string_view v) { return StrMake(v.empty() ? "" : v.data(), static_cast<uint32_t>(v.size())); }

std::string Trimmed(StrValue v) {
  const StrAreaScope scope;
  return StrTrim(v, 3).Str();
}

std::string RightTrimmed(StrValue v) {
  const StrAreaScope scope;
  return StrTrim(v, 2).Str();
}

bool IsNumber(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// The condition of a limits form confirmed before its job runs (the form
// asked first): the job's rounds take it instead of asking.
const std::string* g_confirmedCond = nullptr;
int g_formFirstFlags = 0;

// Pops the print job's parameter string when the scope ends.
class ParmPop {
 public:
  ~ParmPop() { ParmStrPop(); }
};

// A definition file found as named or along the default directory list.
bool DefinitionExists(StrValue file) {
  const StrAreaScope scope;
  StrValue found = FileSearch(DynStrGet(SettingsList, SetDefaultDirItem), file);
  return !found.IsError() && found.len > 0;
}

// The parameter path of ReportLaunch: the job of the definition's tag.
Status LaunchDefinition(StrValue file, int tag, int flags) {
  Status pushed = ParmStrPush(file, kDefinitionKind, tag);
  if (pushed == st::NOTFOUND) return ReportFail(st::FILENOTFOUND, file.Str() + " (tag " + std::to_string(tag) + ")");
  if (pushed) return pushed;
  const ParmPop pop;
  {
    const StrAreaScope scope;
    StrValue set = ReportParmGet(kParmSet, flags);
    if (Status e = StrError(set)) return e;
    if (StrTrim(set, 3).len > 0) {
      Status s = ExpExecText(set);
      if (s >= st::USERCANCELED) return s;
    }
  }
  if (!(flags & kLaunchFormFirst)) return ReportLaunchRun(flags);
  const StrAreaScope scope;
  StrValue open = ReportParmGet(kParmOpen, flags);
  if (Status e = StrError(open)) return e;
  if (int file1 = DataFileLastInList(StrListItem(open, ',', 1))) DataFileSetCurrent(file1);
  StrValue list = ReportParmGet(kParmAcBound, flags);
  if (Status e = StrError(list)) return e;
  int outer = g_formFirstFlags;
  g_formFirstFlags = flags;
  Status s = AcceptFormThen(Msg(kLimitsTitle), list, ReportLimitsCallback);
  g_formFirstFlags = outer;
  return s == st::USERCANCELED ? 0 : s;
}

// --- The range ---------------------------------------------------------------------

struct Range {
  std::string from, to;
};

// The from- and to-limit of a round: the job's range, LIMITS$, screen fields
// 1 and 2 (from a screen), else the last limits form's first two answers.
Status RangeOf(const ReportLaunchJob& job, Range* r) {
  const StrAreaScope scope;
  StrValue text = job.range;
  if (StrTrim(text, 3).len == 0) text = ReportParmGet(kParmLimits, job.flags);
  if (Status e = StrError(text)) return e;
  if (StrTrim(text, 3).len == 0 && (job.flags & kLaunchFromScreen)) {
    r->from = RightTrimmed(FieldValue(1));
    r->to = RightTrimmed(FieldValue(2));
    return 0;
  }
  if (StrTrim(text, 3).len == 0) text = StrFromC(kFormLimits);
  StrValue from = ReportLimitItem(text, 1);
  if (Status e = StrError(from)) return e;
  r->from = RightTrimmed(from);
  StrValue to = ReportLimitItem(text, 2);
  if (Status e = StrError(to)) return e;
  r->to = RightTrimmed(to);
  return 0;
}

// The record filter: the form's condition, COND$ and the job's own.
Status FilterOf(const ReportLaunchJob& job, StrValue formCond, std::string* filter) {
  const StrAreaScope scope;
  StrValue cond = ReportParmGet(kParmCond, job.flags);
  if (Status e = StrError(cond)) return e;
  StrValue joined = FmtCondJoin(StrTrim(formCond, 3), StrTrim(cond, 3), StrFromC("&&"));
  if (Status e = StrError(joined)) return e;
  *filter = joined.Str();
  return 0;
}

// The key of the range: INDEX%, 1 when it is not set.
int RangeKey(int flags) {
  const StrAreaScope scope;
  StrValue index = ReportParmGet(kParmIndex, flags);
  int key = index.IsError() ? 0 : static_cast<int>(StrToLong(StrTrim(index, 3)));
  return key > 0 ? key : 1;
}

// Moves to the first record of the range that meets the filter: 0 or 1
// found, 2 none, 124 cancelled, or an error.
Status SeekRange(int file, const ReportLaunchJob& job, const Range& range, const std::string& filter) {
  Status s = DataFileReadKey(file, RangeKey(job.flags), View(range.from), dfmove::kAlsoOn1);
  if (s > 1) return s;
  bool hadProgress = ProgressIsOpen();
  {
    const StrAreaScope scope;
    s = DataFileSeekCond(file, dfmove::kNext, View(filter), View(range.to), ReportSeekProgress);
  }
  if (!hadProgress) ProgressClose();
  return s == st::USERCANCELED ? st::UNDEFWARNING : s;
}

// The rounds of a launch: limits form, seek and report, again while the
// print job has a form that was asked and nothing failed or was cancelled.
Status Rounds(const ReportLaunchJob& job) {
  const bool cascade = VarIntTestBits(kSysScrStat, kScrStatCascade);
  Status s = 0;
  bool again = false;
  do {
    VarIntSetBits(kSysScrStat, kScrStatCascade, cascade);
    std::string acbound;
    {
      const StrAreaScope scope;
      StrValue list = ReportParmGet(kParmAcBound, job.flags);
      if (!list.IsError()) list = MacroExpand(list, 0);
      if (Status e = StrError(list)) return e;
      acbound = Trimmed(list);
    }
    s = ReportLimitsAsk(job, View(acbound));
    // Only a form asked each round can end the rounds.
    again = s <= 2 && !acbound.empty() && job.dialog && !(job.flags & kLaunchNoLimits);
  } while (again);
  return s;
}

}  // namespace

// --- _SYSCOMPAT ---------------------------------------------------------------------

SysCompatKeep::SysCompatKeep() : kept_(VarSysIntGet(kSysSysCompat)) {}
SysCompatKeep::~SysCompatKeep() { VarSysIntSet(kSysSysCompat, kept_); }

// --- Parameters ---------------------------------------------------------------------

StrValue ReportParmGet(int n, int flags) {
  uint16_t mark = StrAreaMark(-1);
  StrValue raw = (flags & kLaunchFromScreen) ? ScreenProp(n, kPropWhole) : ParmValueByNum(n);
  if (raw.IsError()) return StrAreaReturn(mark, raw);
  StrValue v = raw;
  switch (n) {
    case kParmSet: v = MacroExpand(raw, 0); break;
    case kParmCond: v = ExpEvalIfExpr(MacroExpand(raw, 0)); break;
    case kParmDevice: {
      v = ExpEvalIfExpr(raw);
      if (v.IsError()) break;
      std::string text = v.Str();
      for (size_t at = text.find(','); at != std::string::npos; at = text.find(',', at + 2)) text.replace(at, 1, " /");
      v = StrFromView(text);
      break;
    }
    case kParmCounter:
    case kParmOpen:
    case kParmDocName:
    case kParmIndex:
    case kParmAuxLoad: v = ExpEvalIfExpr(raw); break;
    default: break;  // as written
  }
  return StrAreaReturn(mark, v);
}

// --- The launch ---------------------------------------------------------------------

Status ReportCommand(StrValue spec) { return ReportLaunch(spec, 0); }

Status ReportLaunch(StrValue spec, int flags) {
  if (Status e = StrError(spec)) return e;
  const StrAreaScope scope;
  uint32_t items = StrListCount(spec, ',');
  std::string first = Trimmed(StrListItem(spec, ',', 1));
  std::string second = Trimmed(StrListItem(spec, ',', 2));
  if (items == 2 && IsNumber(second)) {
    StrValue file = FileTypeName(View(first), kPpnType);
    if (Status e = StrError(file)) return e;
    if (!DefinitionExists(file)) return ReportFail(st::FILENOTFOUND, file.Str());
    return LaunchDefinition(file, static_cast<int>(StrToLong(View(second))), flags);
  }
  if (items >= kLaunchSpecAccept) return AcceptCommand(spec, kAcceptRunWindowMode);
  if (items >= 2 && IsNumber(second) && StrToLong(View(second)) != 0)
    return ReportFail(st::SINTAXERROR, spec.Str());
  return ReportLaunchSpec(spec, flags);
}

Status ReportLaunchRun(int flags) {
  const StrAreaScope scope;
  StrValue device = ReportParmGet(kParmDevice, flags);
  StrValue name = ReportParmGet(kParmDocName, flags);
  StrValue limits = ReportParmGet(kParmDocSets, flags);
  StrValue files = ReportParmGet(kParmOpen, flags);
  Status s = ReportStartAsked(device, name, limits, files, StrMake("", 0), flags);
  return s == st::USERCANCELED ? 0 : s;
}

Status ReportLaunchSpec(StrValue spec, int flags) {
  if (Status e = StrError(spec)) return e;
  const StrAreaScope scope;
  StrValue name = StrTrim(StrListItem(spec, ',', 1), 3);
  StrValue rest = StrListRest(spec, ',');
  StrValue files = StrTrim(StrKeyGet(rest, StrFromC(kFileOption), kKeyNormalised), 3);
  // The range is what is left once the FILE option is taken out.
  std::string range = rest.Str();
  uint32_t hit = StrKeyLocate(rest, StrFromC(kFileOption), 0);
  if ((hit & 0xFFFF) != 0xFFFF) {
    const size_t named = std::string_view(kFileOption).size() + 1;  // the name and its ":" or "="
    size_t at = hit & 0xFFFF, from = at - std::min(at, named);
    range.erase(from, at + (hit >> 16) - from);
  }
  StrValue limits = ReportParmGet(kParmDocSets, flags);
  Status s = ReportStartAsked(StrMake("", 0), name, limits, files, View(range), flags);
  return s == st::USERCANCELED ? 0 : s;
}

Status ReportScreenPrint(StrValue doc) {
  if (Status e = StrError(doc)) return e;
  if (Trimmed(StrListItem(doc, ',', 1)).empty()) {
    const StrAreaScope scope;
    return ReportFail(st::FILENOTFOUND, Msg("0010").Str());
  }
  return ReportLaunchSpec(doc, kLaunchFromScreen | kLaunchNoLimits);
}

Status ReportAcceptLaunch(StrValue doc) {
  if (Status e = StrError(doc)) return e;
  if (Trimmed(doc).empty()) {
    const StrAreaScope scope;
    return ReportFail(st::FILENOTFOUND, Msg("0010").Str());
  }
  return ReportLaunchRun(kLaunchFromScreen);
}

Status ReportStartAsked(StrValue device, StrValue spec, StrValue limits, StrValue files, StrValue range, int flags) {
  return ReportStart(device, spec, limits, files, range, flags, nullptr, AcceptForm, DevSelect);
}

Status ReportStart(StrValue device, StrValue spec, StrValue limits, StrValue files, StrValue range, int flags,
                   DevRecord* dev, ReportLimitsDialog dialog, ReportDevChooser chooser) {
  for (StrValue t : {device, spec, limits, files, range})
    if (Status e = StrError(t)) return e;
  // The texts live here for the whole launch, whatever the rounds do to the
  // string area.
  const std::string deviceText = device.Str(), limitsText = limits.Str(), rangeText = range.Str();
  const std::string name = Trimmed(StrListItem(spec, ';', 1));
  const std::string procedure = Trimmed(StrListItem(spec, ';', 2));
  PrcProgram* program = nullptr;
  if (!procedure.empty()) {
    Status index = PrcCompileFile(View(procedure));
    if (index >= st::USERCANCELED) return index;
    program = PrcAt(index);
  }
  bool pushed = false;
  Status s = 0;
  if (!Trimmed(files).empty()) {
    const uint32_t states = DynStrCount(OpenFileStatesList);
    s = DataFileStatePush(files);
    pushed = DynStrCount(OpenFileStatesList) > states;
    // A state that could not be applied is taken back: the files are as
    // they were and the launch stops with the failure.
    if (s >= 128 && pushed) {
      DataFileStatePush(StrFromC("RESTORE"));
      pushed = false;
    }
    if (s == 2) s = st::OUTOFDATA;
  }
  // A form confirmed before this job belongs to it, not to launches its
  // report may start.
  const std::string* confirmed = std::exchange(g_confirmedCond, nullptr);
  if (s == 0) {
    const ReportLaunchJob job{View(deviceText), View(name),  View(limitsText),
                              View(rangeText),  flags,       dev,
                              dialog,           chooser,     confirmed ? View(*confirmed) : StrMake("", 0)};
    s = Rounds(job);
  }
  g_confirmedCond = confirmed;
  if (pushed) {
    Status r = DataFileStatePush(StrFromC("RESTORE"));
    if (s == 0 || (r >= 128 && s < 128)) s = r;
  }
  if (program) PrcReleaseProgram(program);
  return s;
}

Status ReportLimitsAsk(const ReportLaunchJob& job, StrValue acbound) {
  if (Status e = StrError(acbound)) return e;
  std::string cond = job.confirmedCond.Str();
  if (StrTrim(acbound, 3).len > 0 && job.dialog && !(job.flags & kLaunchNoLimits)) {
    AcceptResult r;
    {
      const StrAreaScope scope;
      r = job.dialog(Msg(kLimitsTitle), acbound);
    }
    if (r.status) return r.status;
    cond = r.condition;
  }
  return ReportFilterSeek(job, View(cond));
}

Status ReportLimitsCallback(uint32_t) {
  AcceptResult r;
  {
    const StrAreaScope scope;
    uint32_t queued = DynStrCount(AcceptQueueList);
    std::string list = queued ? DynStrGet(AcceptQueueList, queued - 1).Str() : std::string();
    r = AcceptCollectNext(View(list));
  }
  if (r.status) return r.status;
  const std::string* outer = g_confirmedCond;
  g_confirmedCond = &r.condition;
  Status s = ReportLaunchRun(g_formFirstFlags | kLaunchNoLimits);
  g_confirmedCond = outer;
  return s;
}

Status ReportFilterSeek(const ReportLaunchJob& job, StrValue formCond) {
  if (Status e = StrError(formCond)) return e;
  const bool scanMode = VarIntTestBits(kSysUpStat, upstat::kSetOpen);
  const int file = ReportCurrentFile();
  const int selections = ReportSelDepth(file);
  std::string filter;
  Range range;
  Status s = scanMode ? 0 : FilterOf(job, formCond, &filter);
  if (s == 0) s = RangeOf(job, &range);
  if (s == 0 && !scanMode && file) s = SeekRange(file, job, range, filter);
  if (s <= 1) {
    s = DevChooseAndRun(job.device, job.name, job.limits, View(filter), View(range.to), job.flags, job.dev,
                        job.chooser);
  } else if (s == st::UNDEFWARNING) {
    s = 0;
  } else if (s < st::USERCANCELED) {
    // Nothing in the range: said in the status box, which answers 0, so a
    // launch with a limits form asks again and no caller says it twice.
    s = ErrShow(st::OUTOFDATA);
  }
  ReportSelReleaseTo(file, selections);
  return s;
}

Status DevChooseAndRun(StrValue device, StrValue report, StrValue limits, StrValue cond, StrValue key, int flags,
                       DevRecord* dev, ReportDevChooser chooser) {
  for (StrValue t : {device, report, limits, cond, key})
    if (Status e = StrError(t)) return e;
  // The chooser's `_SYSCOMPAT` bit holds for the parse of its answer only.
  const SysCompatKeep keep;
  const StrAreaScope scope;
  std::string deviceText = device.Str();
  if (!dev && StrTrim(DevStripOptions(device), 3).len == 0) {
    if (chooser) {
      StrValue chosen = chooser(device);
      if (Status e = StrError(chosen)) return e;
      deviceText = Trimmed(chosen);
      if (deviceText.empty()) return st::USERCANCELED;
    } else {
      deviceText = "CON" + deviceText;
    }
  }
  std::string progress, copies;
  {
    const StrAreaScope inner;
    StrValue p = ReportParmGet(kParmProgMode, flags);
    StrValue c = ReportParmGet(kParmCounter, flags);
    if (Status e = StrError(p) ? StrError(p) : StrError(c)) return e;
    progress = p.Str();
    copies = c.Str();
  }
  const uint32_t base = DynStrCount(ObjParamsList);
  uint32_t pushed = 0;
  if (Status s = ReportAuxLoad(flags, &pushed)) return s;
  StrValue keyText = key.len ? key : StrFromC(kAllKeys);
  Status s = ReportRun(View(deviceText), dev, report, limits, cond, keyText, StrMake("", 0), View(progress),
                       View(copies));
  if (pushed && DynStrCount(ObjParamsList) >= base + pushed) DynStrPopTo(ObjParamsList, base);
  return s;
}

Status ReportAuxLoad(int flags, uint32_t* pushed) {
  *pushed = 0;
  const StrAreaScope scope;
  StrValue aux = ReportParmGet(kParmAuxLoad, flags);
  if (Status e = StrError(aux)) return e;
  if (StrTrim(aux, 3).len == 0) return 0;
  const uint32_t base = DynStrCount(ObjParamsList);
  auto dropRead = [base]() { DynStrPopTo(ObjParamsList, base); };
  StrListIter it(aux, ',');
  for (StrValue item; it.Next(&item);) {
    StrValue file = StrTrim(StrListItem(item, ';', 1), 3);
    if (file.len == 0) continue;
    int type = static_cast<int>(StrToLong(StrTrim(StrListItem(item, ';', 2), 3)));
    int32_t n = ParmLinesRead(file, kDefinitionKind, type, ObjParamsList);
    if (n == kParmMissing && !DefinitionExists(file)) {
      dropRead();
      return ReportFail(st::FILENOTFOUND, file.Str());
    }
    if (n < 0 && n != kParmMissing) {
      dropRead();
      return static_cast<Status>(-n);
    }
  }
  std::string joined;
  for (uint32_t i = base; i < DynStrCount(ObjParamsList); ++i) {
    if (i > base) joined += ':';
    joined += DynStrGet(ObjParamsList, i).Str();
  }
  dropRead();
  if (joined.size() > 0xFFFF) return ReportFail(st::STROUTBOUND, aux.Str());
  if (Status s = DynStrPush(ObjParamsList, View(joined))) return s;
  *pushed = 1;
  return 0;
}
