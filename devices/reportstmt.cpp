// The report statements DOCPRINT and REPORT, and printing a text file.
#include <string>
#include <string_view>
#include <vector>

#include "devices/devstack.h"
#include "devices/reportint.h"
#include "devices/reportlaunch.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/streams.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/forms/forms.h"
#include "screens/window/geometry.h"
#include "script/statements.h"
#include "script/variables.h"

namespace {

StrValue View(std::string_view v) { return StrMake(v.empty() ? "" : v.data(), static_cast<uint32_t>(v.size())); }

Status StatSet(Status s) {
  VarSysIntSet(kSysStat, static_cast<int16_t>(s));
  return 0;
}

// The lines of a text file; 164 naming it when it cannot be read.
Status FileLines(StrValue file, std::vector<std::string>* lines) {
  uint16_t slot = StreamOpen(file, kStreamReadOnly | kStreamQuiet);
  if (slot >= kStreamSlots) return ReportFail(st::FILENOTFOUND, file.Str());
  for (;;) {
    StrAreaScope scope;
    StrValue line = StreamReadLine(slot, kStreamHere);
    if (line.IsError()) break;
    lines->push_back(line.Str());
  }
  StreamClose(slot);
  return 0;
}

// The lines printed through a report: on list 30, the first on top.
Status PrintThrough(DevRecord& dev, const std::vector<std::string>& lines, StrValue report, StrValue file) {
  const uint32_t base = DynStrCount(ResultsStack);
  for (size_t i = lines.size(); i > 0; --i) {
    if (DynStrPush(ResultsStack, View(lines[i - 1]))) {
      DynStrPopTo(ResultsStack, base);
      return ReportFail(st::STROUTBOUND, file.Str());
    }
  }
  ReportRunArgs a;
  a.name = report.Str();
  Status s = ReportRunWith(a, &dev, &base);
  DynStrPopTo(ResultsStack, base);
  return s;
}

// DOCPRINT 'name[,limits]'[,condition[,key text[,copies]]] on the top device.
Status DocPrint(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 1)) return s;
  DevRecord* top = DevStackTop();
  if (!top) return ReportFail(st::DATAOUTBOUND, "DOCPRINT");
  StrAreaScope scope;
  StrValue name = StrTrim(StrListItem(a.strs[0], ',', 1), 3);
  StrValue limits = StrListRest(a.strs[0], ',');
  StrValue empty = StrMake("", 0);
  return StatSet(ReportRun(empty, top, name, limits, a.strs[1], a.strs[2], empty, empty, a.strs[3]));
}

// REPORT 'device<file'[,report]: the file printed on the device (asked
// when empty); REPORT spec[,limits[,files[,flags]]]: the report launch.
Status ReportStmt(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 1)) return s;
  const TextWinGeom geom = TextWinGeomGet();
  StrAreaScope scope;
  std::string_view spec = a.strs[0].View();
  size_t lt = spec.find('<');
  // The device selection's `_SYSCOMPAT` bit holds for the parse of its answer only.
  const SysCompatKeep keep;
  Status s;
  if (lt == std::string_view::npos) {
    s = ReportStart(StrMake("", 0), a.strs[0], a.strs[1], a.strs[2], StrMake("", 0), a.ints[3], DevStackTop(),
                    AcceptForm, DevSelect);
  } else {
    StrValue device = StrTrim(View(spec.substr(0, lt)), 3);
    StrValue file = StrTrim(View(spec.substr(lt + 1)), 3);
    if (device.len == 0) {
      device = DevSelect(StrMake("", 0));
      if (Status e = StrError(device)) return StatSet(e);
      device = StrTrim(device, 3);
    }
    s = device.len == 0 ? st::USERCANCELED : ReportPrintFile(device, file, a.strs[1]);
  }
  if (!(TextWinGeomGet() == geom)) {
    TextWinGeomSet(geom.columns, geom.rows, false);
    TextWinGeomSetParts(geom.originCol, geom.originRow, geom.rowAdjust, geom.spacing);
  }
  return StatSet(s);
}

}  // namespace

Status ReportPrintFile(StrValue device, StrValue file, StrValue report) {
  for (StrValue t : {device, file, report}) {
    if (Status e = StrError(t)) return e;
  }
  std::string reportName = StrTrim(report, 3).Str();
  std::vector<std::string> lines;
  if (Status s = FileLines(file, &lines)) return s;
  DevRecord dev = DevParse(device);
  Status s = dev.status;
  if (s == 0 && reportName.empty()) {
    for (size_t i = 0; i < lines.size() && s == 0; ++i) s = DevWrite(dev, View(lines[i] + "\r\n"));
  } else if (s == 0) {
    s = PrintThrough(dev, lines, View(reportName), file);
  }
  return ReportDevEnd(dev, s);
}

void ReportStatementsRegister() {
  ExecStatementSet(kStmtReport, ReportStmt);
  ExecStatementSet(kStmtDocPrint, DocPrint);
}
