// A report run: its preparation, the record loop over the range and the walk
// over the definition's lines for each pass.
#include <string>
#include <string_view>

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/recbuf.h"
#include "data/scans/scan.h"
#include "data/scans/selection.h"
#include "devices/reportint.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/fixednum.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/forms/progress.h"
#include "script/arrays.h"
#include "script/evaluator.h"
#include "script/expcache.h"
#include "script/variables.h"

namespace {

constexpr char kLabelArray[] = "_#(";
constexpr char kProgressOptions[] = ",PROGRESS,NONE";
constexpr uint32_t kSilentMax = 65535;  // silent turns allowed when no record can be seen to move

StrValue View(std::string_view v) { return StrMake(v.empty() ? "" : v.data(), static_cast<uint32_t>(v.size())); }

Status Cond(const std::string& text) { return ReportCond(text); }

// The integer value of an expression (an empty one is 0); 0 or the error.
Status EvalInt(const std::string& text, int* out) {
  StrAreaScope scope;
  *out = 0;
  if (StrTrim(View(text), 3).len == 0) return 0;
  Status s = ExpExecText(View(text));
  if (s >= 122) return s;
  FixedNum v = s == 1 ? StrToNum(StrAreaTop()) : NumFromBytes(StrAreaTop());
  *out = static_cast<int>(Int64DivRound(v, Pow10(NumPrecis())));
  return 0;
}

// --- The label array ---------------------------------------------------------------

Status LabelsClear() {
  StrAreaScope scope;
  Status made = BuiltinCheckName(StrFromC(kLabelArray));
  if (made >= 128) return made;
  return ArrFill(StrFromC(kLabelArray), NumBytes(0), 0, kReportLabelSize);
}

Status LabelAdd(int element, FixedNum value) {
  StrAreaScope scope;
  Status made = BuiltinCheckName(StrFromC(kLabelArray));
  if (made >= 128) return made;
  int32_t index = element;
  return ArrAddNum(StrFromC(kLabelArray), value, 1, &index);
}

// --- Selections opened by the run ------------------------------------------------

int SelDepth(int file) {
  const DataFileCtrlBlock* ctrl = file ? DataFileCtrl(file) : nullptr;
  if (!ctrl) return 0;
  int n = 0;
  for (uint16_t slot : ctrl->selSlots) n += slot != 0;
  return n;
}

void SelReleaseTo(int file, int depth) {
  while (SelDepth(file) > depth) {
    if (SelRelease(file)) break;
  }
}

// --- Progress -------------------------------------------------------------------

StrValue ProgressKeyText() {
  int file = ReportCurrentFile();
  return file ? DataFileKeyFirstText(file) : StrMake("", 0);
}

// The seek's per-record routine: the keys passed, as progress text.
StrValue SeekProgress(StrValue key) {
  Status s = ProgressText(key);
  return s ? StrErr(s) : key;
}

// --- The run ------------------------------------------------------------------------

Status ReportRunPrepare(ReportRunRecord& run, const ReportRunArgs& a, bool fromList) {
  if (StrTrim(View(a.name), 3).len == 0) {
    StrAreaScope scope;
    return ReportFail(st::FILENOTFOUND, Msg("0010").Str());
  }
  run.file = fromList ? 0 : ReportCurrentFile();
  run.selections = SelDepth(run.file);
  std::string texts[ReportTexts::kCount];
  texts[ReportTexts::kName] = a.name;
  texts[ReportTexts::kKey] = a.keyText;
  if (a.keyText.empty() && run.file) {
    StrAreaScope scope;
    StrValue key = KeyValueCur(run.file, 1);
    if (Status e = StrError(key)) return e;
    texts[ReportTexts::kKey] = key.Str();
  }
  {
    StrAreaScope scope;
    StrValue limits = View(a.limits), key = View(texts[ReportTexts::kKey]);
    for (int n = 1; n <= 4; ++n) {
      StrValue c = fromList ? StrTrim(StrListItem(limits, ',', n), 3) : ReportKeyLimitCond(limits, n, key);
      if (Status e = StrError(c)) return e;
      if (n == 4) c = FmtCondJoin(c, View(a.recordCond), StrMake("", 0));
      if (Status e = StrError(c)) return e;
      texts[ReportTexts::kRun + n - 1] = c.Str();
    }
    run.defaultContinue = run.file && StrTrim(StrListItem(limits, ',', 3), 3).len == 0;
    uint32_t pos = StrListFind(StrFromC(kProgressOptions), ',', StrTrim(View(a.progress), 3));
    run.progress = pos == 0 ? rpt::kProgressText : static_cast<int>(pos);
  }
  texts[ReportTexts::kProgress] = a.progress;
  if (Status s = run.texts.Set(texts)) return s;
  StrAreaScope scope;
  StrValue header = ReportPdfHeaderFind(View(a.name));
  return StrError(header);
}

// Progress at the start of each pass; a cancel there stops the run.
void ReportJobInit(ReportJob& job) {
  job.flags = 0;
  if (ReportProgressStep(job) == st::USERCANCELED) job.flags |= rpt::kCancelled;
}

// The first record of the range that meets the record condition: the current
// one, or with moveOn the ones after it.
Status Seek(ReportJob& job, bool moveOn) {
  const ReportRunRecord& run = *job.run;
  uint16_t flags = dfmove::kNext | (moveOn ? dfmove::kMoveFirst : 0);
  bool show = run.progress != rpt::kProgressNone;
  StrAreaScope scope;
  return DataFileSeekCond(run.file, flags, run.texts.Get(ReportTexts::kRecord), run.texts.Get(ReportTexts::kKey),
                          show ? SeekProgress : nullptr);
}

std::string KeyNow(int file) {
  StrAreaScope scope;
  StrValue key = KeyValueCur(file, DataFileKeyGet(file));
  return key.IsError() ? std::string() : key.Str();
}

// The passes of one record: copies + 1 walks from the same page, the first
// record read again before each further copy.
Status Walks(ReportJob& job, int copies, const std::string& keptKey) {
  ReportRunRecord& run = *job.run;
  const uint16_t page = job.dev->page;
  int selections = SelDepth(run.file);
  for (int copy = 0; copy <= copies; ++copy) {
    if (copy > 0) {
      SelReleaseTo(run.file, selections);
      StrAreaScope scope;
      Status r = DataFileReadKey(run.file, DataFileKeyGet(run.file), View(keptKey), 0);
      if (r >= 128) return r;
      if (r != 0) return ReportFail(st::INTERNALERROR, keptKey);
      if (Status s = Seek(job, false); s != 0) return s >= 122 ? s : ReportFail(st::INTERNALERROR, keptKey);
    }
    job.dev->page = page;
    DevCountersPublish(*job.dev, false);
    if (!(VarSysIntGet(kSysAuxStat) & 1)) {
      if (Status s = LabelsClear()) return s;
    }
    if (Status s = ReportExec(job); s >= 122) return s;
  }
  return 0;
}

Status ReportRecordLoop(ReportJob& job, const std::string& copiesExpr) {
  ReportRunRecord& run = *job.run;
  int copies = 0;
  if (Status s = EvalInt(copiesExpr, &copies)) return s;
  const std::string start = run.texts.Str(ReportTexts::kStart);
  const std::string more = run.texts.Str(ReportTexts::kContinue);
  const std::string record = run.texts.Str(ReportTexts::kRecord);
  bool moveOn = false;
  Status s = 0;
  for (;;) {
    if (StrAreaRoom(kReportRoom)) return ReportFail(st::OUTOFMEMORY, run.texts.Str(ReportTexts::kName));
    std::string keptKey;
    if (run.file && (start.empty() || moveOn)) {
      Status seek = Seek(job, moveOn);
      if (seek >= 122) return seek;
      if (seek != 0) break;  // nothing (more) in the range
    }
    if (run.file) keptKey = KeyNow(run.file);
    std::string before = ReportPosition(job);
    uint16_t page = job.dev->page, line = job.dev->line, column = job.dev->column;
    Status go = Cond(start);
    if (go >= 122) return go;
    if (go == 1) s = Walks(job, copies, keptKey);
    if (s >= 122) return s;
    if (!(job.flags & rpt::kEnd)) break;
    if (!run.defaultContinue && run.file && KeyNow(run.file) != keptKey && Cond(record) == 0) {
      moveOn = false;  // the record reached was not printed: the pass starts there again
    } else {
      ReportJobInit(job);
      moveOn = true;
    }
    bool printed = job.dev->page != page || job.dev->line != line || job.dev->column != column;
    if (!printed && ReportPosition(job) == before && (!moveOn || !run.file))
      return ReportFail(st::DATAOUTBOUND, run.texts.Str(ReportTexts::kName));
    if ((job.flags & rpt::kStopMask) || more.empty()) break;
    if (run.progress != rpt::kProgressNone && ProgressPoll() == st::USERCANCELED) {
      job.flags |= rpt::kCancelled;
      break;
    }
    Status c = Cond(more);
    if (c >= 122) return c;
    if (c != 1) break;
  }
  return job.flags & rpt::kCancelled ? st::USERCANCELED : 0;
}

Status RunBody(ReportRunRecord& run, const ReportRunArgs& a, DevRecord* callerDev, const uint32_t* listBase) {
  if (Status s = ReportRunPrepare(run, a, listBase != nullptr)) return s;
  if (listBase) {
    run.fromList = true;
    run.listBase = *listBase;
  }
  Status go = Cond(run.texts.Str(ReportTexts::kRun));
  if (go >= 122) return go;
  if (go != 1) return st::OUTOFDATA;
  DevRecord own;
  if (callerDev) {
    run.dev = callerDev;
  } else {
    StrAreaScope scope;
    own = DevParse(View(a.device));
    if (own.status) {
      Status failed = own.status;
      DevClose(own);
      return failed;
    }
    run.dev = &own;
  }
  Status s = ReportDefLoad(run, View(a.name));
  if (s == 0) {
    ReportJob job;
    job.run = &run;
    job.dev = run.dev;
    ReportJobInit(job);
    s = (job.flags & rpt::kCancelled) ? st::USERCANCELED : ReportRecordLoop(job, a.copies);
  }
  ReportDefRelease(run);
  if (run.progress != rpt::kProgressNone) ProgressClose();
  if (callerDev) {
    DevCountersPublish(*callerDev, false);
    return s;
  }
  return ReportDevEnd(own, s);
}

}  // namespace

int ReportSelDepth(int file) { return SelDepth(file); }
void ReportSelReleaseTo(int file, int depth) { SelReleaseTo(file, depth); }
StrValue ReportSeekProgress(StrValue key) { return SeekProgress(key); }

int ReportCurrentFile() {
  int n = VarSysIntGet(kSysCurFil);
  if (n < 1 || n > DataFileCount()) return 0;
  const DataFileCtrlBlock* ctrl = DataFileCtrl(n);
  return ctrl && ctrl->dataStream >= 0 ? n : 0;
}

Status ReportDevEnd(DevRecord& dev, Status s) {
  if (s > st::USERCANCELED) {
    DevClose(dev);
    return s;
  }
  Status finished = DevFinish(dev);
  Status closed = DevClose(dev);
  return s ? s : finished ? finished : closed;
}

Status ReportCond(const std::string& text) {
  StrAreaScope scope;
  return ExpEvalCond(View(text));
}

Status ReportCondCode(const ExpHeld& code) {
  if (!code.get()) return 1;
  StrAreaScope scope;
  return ExpEvalCondCompiled(code.get());
}

void ReportSelRelease(const ReportRunRecord& run) { SelReleaseTo(run.file, run.selections); }

// --- The walk -------------------------------------------------------------------------

Status ReportProgressStep(ReportJob& job) {
  const ReportRunRecord& run = *job.run;
  switch (run.progress) {
    case rpt::kProgressNone: return 0;
    case rpt::kProgressBar: return ProgressStep(0, 1, StrMake("", 0));
    case rpt::kProgressKey: {
      StrAreaScope scope;
      return ProgressText(ProgressKeyText());
    }
    default: {
      StrAreaScope scope;
      StrValue text = ExpEvalStr(run.texts.Get(ReportTexts::kProgress));
      if (Status e = StrError(text)) return e;
      return ProgressText(text);
    }
  }
}

std::string ReportPosition(const ReportJob& job) {
  const ReportRunRecord& run = *job.run;
  if (run.fromList) return std::to_string(DynStrCount(ResultsStack));
  if (!run.file) return std::string();
  return std::to_string(NdxCurRecNo(run.file)) + ":" + KeyNow(run.file);
}

Status ReportNextRecord(ReportJob& job, const ReportLine& line) {
  ReportRunRecord& run = *job.run;
  Status s;
  if (!line.atEnd.empty()) {
    Status c = ReportCondCode(line.atEndCode);
    s = c >= 122 ? c : c == 1 ? 0 : 2;
  } else if (run.fromList) {
    if (DynStrCount(ResultsStack) > run.listBase) DynStrPop(ResultsStack);
    s = DynStrCount(ResultsStack) > run.listBase ? 0 : 2;
  } else if (run.file) {
    StrAreaScope scope;
    s = DataFileMoveLimit(run.file, dfmove::kNext, run.texts.Get(ReportTexts::kKey));
    if (s != 0 && s < 128) s = 2;
  } else {
    s = 2;
  }
  if (s == 0) {
    Status p = ReportProgressStep(job);
    if (p == st::USERCANCELED) job.flags |= rpt::kCancelled;
    if (p) return p;
  }
  return s;
}

Status DocLineLoad(ReportJob& job) {
  const ReportLine& line = job.Line();
  if (line.hasCond) {
    Status c = ReportCondCode(line.condCode);
    if (c >= 122) return c;
    if (c != 1) return 0;
  }
  job.flags = static_cast<uint16_t>((job.flags & rpt::kKeepOnLoad) | (line.kind & (rpt::kFixed | rpt::kDoubled |
                                                                                    rpt::kRelative)));
  job.target = ReportTarget(job, line);
  return 1;
}

int ReportTarget(ReportJob& job, const ReportLine& line) {
  const DevRecord& dev = *job.dev;
  int target = line.L;
  if ((line.kind & rpt::kRelative) || line.L == 0) {
    int diff = line.L == 0 ? dev.step : line.L - job.prevL;
    target = dev.line + diff - (dev.column == 1 ? dev.step : 0);
  }
  if (line.L != 0) job.prevL = line.L;
  return target;
}

bool ReportNextLine(ReportJob& job) {
  while (++job.cur < job.End()) {
    Status s = DocLineLoad(job);
    if (s == 1) return true;
    if (s != 0) {
      job.status = s;
      return false;
    }
  }
  job.flags |= rpt::kEnd;
  return false;
}

int ReportLineStep(const ReportJob& job, const ReportLine& line) {
  return line.lineStep >= 0 ? line.lineStep : job.dev->step;
}

namespace {

// One field: evaluated, added to its total, formatted by its template and
// appended to the line's text.
Status ReportFieldOut(ReportJob& job, const ReportField& field, const ExpHeld& expr, int total, bool top,
                      int recordField, std::string* line) {
  DevRecord& dev = *job.dev;
  if (top) DevCountersPublish(dev, true);
  StrAreaScope scope;
  StrValue mask = field.expand ? ReportTemplate(field) : View(field.mask);
  if (Status e = StrError(mask)) return e;
  StrValue text = StrMake("", 0);
  bool number = false;  // a number fills its mask even when it is 0 (an empty text)
  if (recordField > 0) {
    text = job.run->file ? RecFieldGet(job.run->file, recordField) : StrMake("", 0);
    if (Status e = StrError(text)) return e;
  } else if (expr.get()) {
    Status s = ExpExecCompiled(expr.get());
    if (s >= 122) return s;
    StrValue top = StrAreaTop();
    if (s == 1) {
      text = top;
    } else {
      FixedNum v = NumFromBytes(top);
      if (total >= 0) {
        if (Status t = LabelAdd(total, v)) return t;
      }
      text = NumToStr(v);
      number = true;
    }
  }
  StrValue out = text.len == 0 && !number ? StrRepeat(StrFromC(" "), mask.len) : FmtMaskMode(mask, text, 255);
  if (Status e = StrError(out)) return e;
  line->append(out.View());
  return 0;
}

}  // namespace

Status ReportDetailLine(ReportJob& job, const ReportLine& line) {
  DevRecord& dev = *job.dev;
  const int16_t width = dev.width;
  if (line.wd >= 0) dev.width = static_cast<int16_t>(line.wd);
  Status s = DevGotoLineCol(dev, job.target, line.C);
  // The fields are written together, one blank between them: one write a line.
  std::string text = line.kind == 0 ? line.text : std::string();
  for (size_t i = 0; s == 0 && line.kind != 0 && i < line.fields.size(); ++i) {
    if (i > 0) text += ' ';
    int total = line.totalBase >= 0 ? line.totalBase + static_cast<int>(i) : -1;
    bool fromRecord = (line.kind & rpt::kGroup) && line.exprs[i].empty();
    s = ReportFieldOut(job, line.fields[i], line.code[i], total, i == 0 && job.target == 1,
                       fromRecord ? static_cast<int>(i) + 1 : 0, &text);
  }
  if (s == 0 && !text.empty()) {
    if (text.size() > kStrMaxLen) s = ReportFail(st::STRINGTOOLONG, job.run->texts.Str(ReportTexts::kName));
    else s = DevWrite(dev, View(text));
  }
  if (line.wd >= 0) {
    dev.width = width;
    DevCountersPublish(dev, false);
  }
  return s;
}

Status ReportExec(ReportJob& job) {
  job.flags &= rpt::kStopMask;
  job.cur = 0;
  job.prevL = 0;
  job.status = 0;
  DevCountersPublish(*job.dev, false);
  Status s = 0;
  bool have = false;
  if (job.End() > 0) {
    Status load = DocLineLoad(job);
    if (load >= 122) return load;
    have = load == 1 || ReportNextLine(job);
  } else {
    job.flags |= rpt::kEnd;
  }
  while (have) {
    const ReportLine& line = job.Line();
    s = (line.kind & rpt::kGroup) ? ReportCondLine(job) : ReportDetailLine(job, line);
    if (s >= 122) break;
    if (job.flags & rpt::kResume) {  // a page break went back to another group line
      job.flags &= static_cast<uint16_t>(~rpt::kResume);
      job.target = ReportTarget(job, job.Line());
      continue;
    }
    have = ReportNextLine(job);
  }
  if (s < 122 && job.status >= 122) s = job.status;
  if (job.flags & rpt::kCancelled) return st::USERCANCELED;
  if (s >= 122) return s;
  return DevGotoLineCol(*job.dev, 1, 1);
}

// --- Entry points --------------------------------------------------------------------

Status ReportRunWith(const ReportRunArgs& a, DevRecord* dev, const uint32_t* listBase) {
  if (Status s = LabelsClear()) return s;
  const int16_t aux = VarSysIntGet(kSysAux);
  VarSysIntSet(kSysAux, 0);
  Status s;
  {
    ReportRunRecord run;
    s = RunBody(run, a, dev, listBase);
  }
  VarSysIntSet(kSysAux, aux);
  return s <= st::USERCANCELED ? 0 : s;
}

Status ReportRun(StrValue device, DevRecord* dev, StrValue name, StrValue limits, StrValue recordCond,
                 StrValue keyText, StrValue, StrValue progress, StrValue copies) {
  for (StrValue t : {device, name, limits, recordCond, keyText, progress, copies}) {
    if (Status e = StrError(t)) return e;
  }
  ReportRunArgs a{device.Str(), name.Str(), limits.Str(), recordCond.Str(), keyText.Str(), progress.Str(),
                  copies.Str()};
  return ReportRunWith(a, dev, nullptr);
}
