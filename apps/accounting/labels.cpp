#include "apps/accounting/labels.h"

#include <cstring>
#include <vector>

#include "apps/accounting/acdata.h"
#include "platform/host/files.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/strformat.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/arrays.h"
#include "script/builtins.h"
#include "script/evaluator.h"
#include "script/macros.h"
#include "script/objparams.h"
#include "script/procedures.h"
#include "script/variables.h"

const char kAcModelFiles[] = "COBAL%s1.DAT,COBAL%s2.DAT";
const char kAcBalanceLog[] = "BALANCE_LOG.TXT";

namespace {

constexpr char kLabelArray[] = "_#(";

Status Fail(Status code, const std::string& detail) {
  StrAreaScope mark;
  ErrDetailSet(code, AcView(detail), false);
  return ErrSet(1, MOD_EXPEXEC, code, code);
}

// --- Models ----------------------------------------------------------------------

struct Label {
  std::string name, caption, accounts;
};

// The labels of a model text: ":"-items NAME=definition; items without "="
// are skipped.
std::vector<Label> LabelsOf(const std::string& model) {
  StrAreaScope mark;
  std::vector<Label> out;
  StrListIter items(AcView(model), ':');
  StrValue item;
  while (items.Next(&item)) {
    std::string_view v = item.View();
    size_t eq = v.find('=');
    if (eq == std::string_view::npos) continue;
    Label l;
    std::string name(v.substr(0, eq));
    l.name = AcTrimRight(name.substr(std::min(name.find_first_not_of(' '), name.size())));
    if (l.name.empty()) continue;
    std::string def(v.substr(eq + 1));
    {
      StrAreaScope scope;
      l.caption = AcStr(StrListItem(AcView(def), ',', 1));
      l.accounts = AcStr(StrUnquote(StrListItem(AcView(def), ',', 2)));
    }
    out.push_back(std::move(l));
  }
  return out;
}

struct ModelStore {
  int number = -1;
  std::string text;
};
ModelStore& Models() {
  static ModelStore store;
  return store;
}

// One definition file as an object-parameter string ("" when missing).
Status ReadModelFile(const std::string& name, std::string* out, bool* found) {
  StrAreaScope mark;
  Status s = ParmStrPush(AcView(name));
  *found = s == 0;
  if (s == 0xffff) return 0;
  if (s != 0) return s;
  *out = AcStr(DynStrTop(kParmStack));
  return ParmStrPop();
}

// --- The label array and the label-name list ----------------------------------------

std::string NameList() { return AcStr(VarStrGet(kSysAcumX)); }

Status NameListSet(const std::string& list) {
  StrAreaScope mark;
  return VarStrSet(kSysAcumX, AcView(list));
}

// 1-based position of a name in the list, 0 when absent.
uint32_t PositionOf(const std::string& list, const std::string& name) {
  StrAreaScope mark;
  return StrListFind(AcView(list), ',', AcView(name));
}

// The position of the name, appended when absent; 141 past 128 names.
Status PositionTake(std::string* list, const std::string& name, uint32_t* pos) {
  *pos = PositionOf(*list, name);
  if (*pos) return 0;
  uint32_t count = list->empty() ? 0 : static_cast<uint32_t>(std::count(list->begin(), list->end(), ',')) + 1;
  if (count >= kAcLabelMax || list->size() + name.size() + 1 > kStrMaxLen)
    return Fail(st::INTERNALERROR, "Label:" + name);
  if (!list->empty()) *list += ',';
  *list += name;
  *pos = count + 1;
  return 0;
}

Status ArrayReady() {
  Status s = BuiltinCheckName(StrFromC(kLabelArray));
  return s >= 128 ? s : 0;
}

FixedNum Element(int index) {
  ArrDesc* a = ArrLookup(StrFromC(kLabelArray));
  unsigned char* e = nullptr;
  int32_t i = index;
  if (!a || ArrElemAddr(*a, 1, &i, &e) != 0 || !e) return 0;
  int64_t v = 0;
  std::memcpy(&v, e, sizeof v);
  return v;
}

void LogLine(const std::string& line) {
  StrAreaScope mark;
  LogError(AcView(line), 1);
}

std::string MsgText(const char* ref) {
  StrAreaScope mark;
  return AcStr(Msg(ref));
}

}  // namespace

// --- Models ------------------------------------------------------------------------------

Status AcBalanceModelFiles(int n) {
  std::string text, names;
  bool any = false;
  StrAreaScope mark;
  StrListIter files(StrFromC(kAcModelFiles), ',');
  StrValue pattern;
  while (files.Next(&pattern)) {
    std::string name = FmtText(pattern.View(), n);
    std::string part;
    bool found = false;
    if (Status s = ReadModelFile(name, &part, &found)) return s;
    any = any || found;
    names += (names.empty() ? "" : ",") + name;
    if (part.empty()) continue;
    if (!text.empty()) text += ':';
    text += part;
  }
  if (!any) return Fail(st::FILENOTFOUND, names);
  Models().number = n;
  Models().text = std::move(text);
  return 0;
}

StrValue AcBalanceModelLabels(int n) {
  if (Status s = AcBalanceModelFiles(n)) return StrErr(s);
  std::string out;
  for (const Label& l : LabelsOf(Models().text)) out += (out.empty() ? "" : ",") + l.name;
  return StrFromView(out);
}

StrValue AcLabelAccounts(StrValue labels) {
  if (Status e = StrError(labels)) return StrErr(e);
  std::vector<Label> model = LabelsOf(Models().text);
  std::string out;
  StrListIter it(labels, ',');
  StrValue want;
  while (it.Next(&want)) {
    for (const Label& l : model) {
      if (l.name != want.View()) continue;
      out += (out.empty() ? "" : ",") + l.accounts;
      break;
    }
  }
  return StrFromView(out);
}

// --- Label amounts -------------------------------------------------------------------------

Status AcLabelAmount(const std::string& accounts, DateYmd from, DateYmd to, const std::string& keySuffix,
                     uint16_t idSelect, FixedNum* total) {
  if (!total) return st::BADINPUTDATA;
  std::vector<std::string> items;
  {
    StrAreaScope mark;
    StrListIter it(AcView(accounts), ',');
    StrValue item;
    while (it.Next(&item)) items.push_back(AcStr(StrTrim(item, 3)));
  }
  const std::string format = MsgText("1011");
  for (const std::string& item : items) {
    if (item.empty()) continue;
    if (Status p = PrcPoll()) return p;
    std::string account, kindText;
    {
      StrAreaScope mark;
      account = AcStr(StrTrim(StrListItem(AcView(item), ';', 1), 3));
      kindText = AcStr(StrTrim(StrListItem(AcView(item), ';', 2), 3));
    }
    int kind = kindText.empty() ? 0 : std::atoi(kindText.c_str());
    AcAmounts a = AcAccountBalance(account, from, to, keySuffix, idSelect);
    if (a.status) return a.status;
    if (Status s = AcBalanceAdd(a.debit, a.credit, a.status, kind, total)) return Fail(s, item);
    if (a.debit != 0 || a.credit != 0)
      LogLine(FmtText(format, item, AcNumText(a.debit), AcNumText(a.credit), AcNumText(*total)));
  }
  return 0;
}

Status AcLabelStore(const std::string& label, int base, FixedNum amount) {
  if (amount == 0) return 0;
  if (Status s = ArrayReady()) return s;
  std::string list = NameList();
  const std::string format = MsgText("1012");
  std::string prefix = label;
  Status s = 0;
  while (s == 0) {
    uint32_t pos = 0;
    if ((s = PositionTake(&list, prefix, &pos)) != 0) break;
    int32_t index = base + static_cast<int32_t>(pos) - 1;
    StrAreaScope mark;
    if ((s = ArrAddNum(StrFromC(kLabelArray), amount, 1, &index)) != 0) break;
    LogLine(FmtText(format, prefix, index, AcNumText(Element(index))));
    size_t cut = prefix.rfind('_');
    if (cut == std::string::npos) break;
    prefix.resize(cut);
  }
  Status w = NameListSet(list);
  return s ? s : w;
}

FixedNum AcLabelValue(const std::string& label, int column) {
  uint32_t pos = PositionOf(NameList(), label);
  return pos ? Element(column + static_cast<int>(pos) - 1) : 0;
}

Status AcCalcFullBalance(DateYmd from, DateYmd to, const std::string& keySuffix, uint16_t idSelect, int base,
                         const std::string& model) {
  if (base == 0) {
    StrAreaScope mark;
    if (Status s = ExpEvalStatus(StrFromC("_#('CLS')"))) return s;
    if (Status s = NameListSet("")) return s;
  }
  for (const Label& l : LabelsOf(model)) {
    FixedNum total = 0;
    if (Status s = AcLabelAmount(l.accounts, from, to, keySuffix, idSelect, &total)) return s;
    if (Status s = AcLabelStore(l.name, base, total)) return s;
  }
  return 0;
}

// --- Post-calculation and output ------------------------------------------------------------

Status AcPostCalc(int n) {
  if (n == 0) return 0;
  std::string text;
  {
    StrAreaScope mark;
    text = AcStr(ExpEvalStr(AcView("POSTCLC" + std::to_string(n) + "$")));
  }
  if (text.empty()) return 0;
  std::string list = NameList();
  for (size_t at = text.find("_#('"); at != std::string::npos; at = text.find("_#('", at + 4)) {
    size_t end = text.find('\'', at + 4);
    if (end == std::string::npos) break;
    uint32_t pos = 0;
    if (Status s = PositionTake(&list, text.substr(at + 4, end - at - 4), &pos)) return s;
  }
  if (Status s = NameListSet(list)) return s;
  std::vector<std::string> names;
  {
    StrAreaScope mark;
    StrListIter it(AcView(list), ',');
    StrValue name;
    while (it.Next(&name)) names.push_back(name.Str());
  }
  for (size_t i = names.size(); i-- > 0;) {
    for (char q : {'\'', '"'}) {
      std::string quoted = q + names[i] + q, number = std::to_string(i);
      for (size_t at = text.find(quoted); at != std::string::npos; at = text.find(quoted, at + number.size()))
        text.replace(at, quoted.size(), number);
    }
  }
  StrAreaScope mark;
  Status s = ExpExecText(AcView(text));
  return s >= 122 ? s : 0;
}

namespace {

bool ReadLines(const std::string& path, std::vector<std::string>* lines) {
  int fd = host::Open(path, host::kOpenRead);
  if (fd < 0) return false;
  std::string all;
  char buf[8192];
  int64_t n = 0;
  while ((n = host::Read(fd, buf, sizeof buf)) > 0) all.append(buf, static_cast<size_t>(n));
  host::Close(fd);
  if (n < 0) return false;
  size_t at = 0;
  while (at < all.size()) {
    size_t lf = all.find('\n', at);
    std::string line = all.substr(at, lf == std::string::npos ? std::string::npos : lf - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines->push_back(std::move(line));
    if (lf == std::string::npos) break;
    at = lf + 1;
  }
  return true;
}

}  // namespace

Status AcFullBalanceOut(StrValue target, StrValue marker) {
  if (Status e = StrError(target)) return e;
  if (Status e = StrError(marker)) return e;
  StrAreaScope mark;
  std::string targetPath = host::ResolvePath(AcStr(PathExpand(target)));
  std::string templateName = AcStr(PathSplit(target, kPathName | kPathExt));
  // The template is found as the other application files are: by its name,
  // then along the default directory list.
  StrValue found = FileSearch(DynStrGet(SettingsList, SetDefaultDirItem), AcView(templateName));
  std::string templatePath = host::ResolvePath(AcStr(found));
  std::vector<std::string> templ, old;
  if (templatePath.empty() || !ReadLines(templatePath, &templ)) return Fail(st::FILEIO, templateName);
  bool hasOld = ReadLines(targetPath, &old);
  std::string want = AcStr(marker), out;
  for (size_t i = 0; i < templ.size(); ++i) {
    if (!want.empty() && templ[i].find(want) != std::string::npos) {
      StrAreaScope lineMark;
      StrValue line = MacroExpand(AcView(templ[i]), kMacroNoTrim);
      if (Status e = StrError(line)) return e;
      out += line.View();
    } else {
      out += hasOld && i < old.size() ? old[i] : templ[i];
    }
    out += "\r\n";
  }
  if (host::ReplaceFile(targetPath, out.data(), out.size()) != 0) return Fail(st::FILEIO, targetPath);
  return 0;
}

// --- Built-ins ------------------------------------------------------------------------------------

namespace {

// A text argument copied out of the string area ("" when absent).
Status TextArg(uint16_t n, std::string* out) {
  StrAreaScope mark;
  StrValue v = BuiltinArgStr(n, StrMake("", 0));
  if (Status e = StrError(v)) return e;
  *out = v.Str();
  return 0;
}

Status DateArg(uint16_t n, DateYmd open, DateYmd* out) {
  std::string t;
  if (Status s = TextArg(n, &t)) return s;
  StrAreaScope mark;
  return AcDateArg(AcView(t), open, out);
}

// idSelect as the 16-bit value it is: 65535 and -1 both take every record.
Status IdArg(uint16_t n, uint16_t def, uint16_t* out) {
  int32_t v = def;
  if (Status s = BuiltinArgLong(n, def, &v)) return s;
  *out = static_cast<uint16_t>(v);
  return 0;
}

DateYmd YearBack(DateYmd d) { return d == kAcOpenFrom || d == kAcOpenTo ? d : AcYearBefore(d); }

// The opening date FAPE$ moved back a year at a time while it lies after the
// date; the earliest day when FAPE$ is empty or not a date.
DateYmd FiscalYearStart(DateYmd date) {
  std::string fape;
  {
    StrAreaScope mark;
    fape = AcStr(ExpEvalStr(StrFromC("FAPE$")));
  }
  DateYmd start = 0;
  bool digits = fape.size() == 8 && fape.find_first_not_of("0123456789") == std::string::npos;
  if (!digits || !DateIsValid(start = std::stoi(fape))) return kAcOpenFrom;
  while (start > date && start > 10000) start = AcYearBefore(start);
  return start;
}

std::string CurrentModel() {
  if (DynStrCount(kParmStack) == 0) return std::string();
  return AcStr(DynStrTop(kParmStack));
}

}  // namespace

// AcFullBalance(from; to; idSelect[; output; marker; posting])
Status AcBiFullBalance(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(2, 6)) return s;
  DateYmd from = 0, to = 0;
  uint16_t ids = 0;
  std::string output, marker;
  int32_t posting = 0;
  Status s = DateArg(1, kAcOpenFrom, &from);
  if (s == 0) s = DateArg(2, kAcOpenTo, &to);
  if (s == 0) s = IdArg(3, 0, &ids);
  if (s == 0) s = TextArg(4, &output);
  if (s == 0) s = TextArg(5, &marker);
  if (s == 0) s = BuiltinArgLong(6, 0, &posting);
  if (s) return s;
  {
    StrAreaScope mark;
    if ((s = LogSetName(StrFromC(kAcBalanceLog))) != 0) return s;
  }
  const std::string model = CurrentModel();
  if ((s = AcCalcFullBalance(from, to, "", ids, 0, model)) != 0) return s;
  if ((s = AcCalcFullBalance(YearBack(from), YearBack(to), "", ids, kAcPrevYearBase, model)) != 0) return s;
  if ((s = AcPostCalc(posting)) != 0) return s;
  if (!output.empty()) {
    StrAreaScope mark;
    if ((s = AcFullBalanceOut(AcView(output), AcView(marker))) != 0) return s;
  }
  return BuiltinResultInt(1);
}

// AcGetBalance(account; to; keySuffix; kind; from)
Status AcBiGetBalance(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, 5)) return s;
  std::string account, suffix;
  DateYmd to = 0, from = 0;
  int32_t kind = 1;
  Status s = TextArg(1, &account);
  if (s == 0) s = DateArg(2, kAcOpenTo, &to);
  if (s == 0) s = TextArg(3, &suffix);
  if (s == 0) s = BuiltinArgLong(4, 1, &kind);
  if (s == 0) {
    if (BuiltinArgAbsent(5)) from = FiscalYearStart(to);
    else s = DateArg(5, kAcOpenFrom, &from);
  }
  if (s) return s;
  AcAmounts a = AcAccountBalance(account, from, to, suffix, kAcIdAll);
  FixedNum total = 0;
  if ((s = AcBalanceAdd(a.debit, a.credit, a.status, kind, &total)) != 0) return s;
  if ((s = ArrayReady()) != 0) return s;
  {
    StrAreaScope mark;
    int32_t one = 1, two = 2;
    if ((s = ArrSetNum(StrFromC(kLabelArray), a.debit, 1, &one)) != 0) return s;
    if ((s = ArrSetNum(StrFromC(kLabelArray), a.credit, 1, &two)) != 0) return s;
  }
  return BuiltinResultNum(total);
}

// AcBLabel(label) or AcBLabel(label; operator; label2)
Status AcBiBLabel(const uint16_t*, uint16_t count) {
  if (Status s = BuiltinArgCount(1, 3)) return s;
  if (count == 2) return Fail(st::SINTAXERROR, "AcBLabel");
  std::string label;
  if (Status s = TextArg(1, &label)) return s;
  int lb = VarSysIntGet(kSysLB);
  if (count == 1) {
    std::string caption;
    for (const Label& l : LabelsOf(CurrentModel()))
      if (l.name == label) caption = l.caption;
    {
      StrAreaScope mark;
      if (Status s = VarStrSet(kSysLText, AcView(caption))) return s;
    }
    bool any = AcLabelValue(label, 0) != 0 || AcLabelValue(label, lb) != 0;
    return BuiltinResultInt(any ? 1 : 0);
  }
  std::string op, other;
  if (Status s = TextArg(2, &op)) return s;
  if (Status s = TextArg(3, &other)) return s;
  {
    StrAreaScope mark;
    op = AcStr(StrCaseCopy(StrTrim(AcView(op), 3), 1));
  }
  bool holds = false;
  if (op == ">=") {
    holds = AcLabelValue(label, 0) >= AcLabelValue(other, 0) || AcLabelValue(label, lb) >= AcLabelValue(other, lb);
  } else if (op == "<") {
    holds = AcLabelValue(label, 0) < AcLabelValue(other, 0) || AcLabelValue(label, lb) < AcLabelValue(other, lb);
  } else {
    return Fail(st::SINTAXERROR, "AcBLabel:" + op);
  }
  return BuiltinResultInt(holds ? 1 : 0);
}
