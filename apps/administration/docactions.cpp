#include "apps/administration/docactions.h"

#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "apps/administration/admfuncs.h"
#include "data/store/datafile.h"
#include "data/store/datastore.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "data/store/recbuf.h"
#include "data/dictionary/relations.h"
#include "data/scans/selection.h"
#include "runtime/errors.h"
#include "runtime/fixednum.h"
#include "runtime/messages.h"
#include "runtime/strformat.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/documents/docengine.h"
#include "screens/grids/gridbuf.h"
#include "screens/grids/linsgrid.h"
#include "screens/forms/msgbox.h"
#include "script/evaluator.h"
#include "script/objparams.h"
#include "script/taskhooks.h"

namespace {

constexpr char kWords[] = "Registry,Invoice,Payments";
constexpr char kNoneRelations[] = "NONE";
constexpr Status kRegistryNotFound = 121;  // shown with the detail of 1002

StrValue View(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }
bool Blank(const std::string& s) { return s.find_first_not_of(" \t") == std::string::npos; }

Status Fail(Status code, const std::string& detail) {
  ErrDetailSet(code, View(detail), false);
  return ErrSet(1, MOD_DATAFILE, code, code);
}

std::string Parm(int n) {
  const StrAreaScope scope;
  StrValue v = ParmValueByNum(n);
  return v.IsError() ? std::string() : v.Str();
}

// A condition's truth (0 or 1) or its error.
Status Cond(const std::string& text) {
  const StrAreaScope scope;
  return ExpEvalCond(View(text));
}

// Runs the statements; errors of 128 and above only.
Status Run(const std::string& text) {
  if (Blank(text)) return 0;
  const StrAreaScope scope;
  Status s = ExpExecText(View(text));
  return s >= st::USERCANCELED ? s : 0;
}

// An integer value, or the error.
Status IntOf(const std::string& text, int64_t* out) {
  *out = 0;
  if (Blank(text)) return 0;
  const StrAreaScope scope;
  Status s = ExpExecText(View(text));
  if (s >= st::USERCANCELED) return s;
  FixedNum v = s == 1 ? StrToNum(StrAreaTop()) : NumFromBytes(StrAreaTop());
  *out = Int64DivRound(v, Pow10(NumPrecis()));
  return 0;
}

void Warn1001() { MsgBox(Msg("1001"), StrMake("", 0), kBoxWarning); }

// The relation text of the current definition's actions on another file:
// relation statements are the file's own business here.
StrValue Relations() { return RelExprGet(StrFromC(kNoneRelations), 0); }

// Key 1 of the file's current record up to its line-number part.
std::string DocumentPrefix(int file) {
  const StrAreaScope scope;
  std::string key = KeyValueCur(file, 1).Str();
  uint16_t line = DataFileLineField(file);
  KeyFieldList fields = KeyFields(file, 1);
  if (line == 0) return key;
  for (uint16_t i = 0; i < fields.count; ++i)
    if (fields.field[i] == line) return key.substr(0, KeyLen(file, 1, i));
  return key;
}

Status RegistryDelete() {
  int deleted = 0;
  Status s = AdmDocFileAction(kAdmRegistryFile, &deleted);
  if (s == 0 && deleted > 0) return 0;
  ErrDetailSet(kRegistryNotFound, Msg("1002"), false);
  ErrShow(kRegistryNotFound);
  return kRegistryNotFound;
}

Status PaymentsDelete(const std::string& name) {
  int file = Blank(name) ? 0 : DataFileFind(StrTrim(View(name), 3));
  if (file < 1 || file > DataFileCount()) return Fail(st::BADINPUTDATA, "Payments " + name);
  return AdmDocFileAction(file);
}

// One item of the list: its word, argument and the set in force.
Status ActionRun(const std::string& item, int set) {
  size_t blank = item.find(' ');
  std::string word = item.substr(0, blank), arg = blank == std::string::npos ? "" : item.substr(blank + 1);
  int w = static_cast<int>(StrListFind(StrFromC(kWords), ',', View(word)));
  if (w == 0 || set < 1) return Fail(st::BADINPUTDATA, item);
  switch (w + (set - 1) * 3) {
    case 5: return AdmInvoiceNumCheck();
    case 9: return AdmDocPayments();
    case 10: return AdmDocRegistryWrite();
    case 11: return AdmDocInvoiceUpdate();
    case 13: return RegistryDelete();
    case 14: return AdmDocInvoiceDelete();
    case 15: return PaymentsDelete(arg);
    default: return Fail(st::BADINPUTDATA, item);
  }
}

// Puts `_LNUM` back however the walk ends.
class LineNumKeeper {
 public:
  LineNumKeeper() : saved_(VarSysIntGet(kSysLNum)) {}
  ~LineNumKeeper() { VarSysIntSet(kSysLNum, saved_); }

 private:
  int16_t saved_;
};

// The last N_LINE stored under the key text on the key number; 0 when none.
Status LastLine(int file, int key, const std::string& text, int64_t* base) {
  *base = 0;
  uint16_t line = DataFileLineField(file);
  if (Blank(text) || line == 0) return 0;
  DataStoreState state;
  if (Status s = DataFileCtrlSave(&state, file, nullptr)) return s;
  Status s = DataFileReadKey(file, key, View(text), 0);
  int16_t keyNum = static_cast<int16_t>(DataFileKeyGet(file));
  for (; s < dfres::kEnd; s = DataFileMove(file, 0x10)) {
    const StrAreaScope scope;
    if (KeyValueCur(file, keyNum).View().substr(0, text.size()) != text) break;
    StrValue v = RecFieldGet(file, line);
    int64_t n = 0;
    for (char c : v.View())
      if (c >= '0' && c <= '9') n = n * 10 + (c - '0');
    if (n > *base) *base = n;
  }
  Status r = DataFileCtrlSave(nullptr, file, &state);
  return s >= st::USERCANCELED ? s : r;
}

// The grid column that shows the file's line number; 0 when none does.
int LineColumn(const GridBuffer& rows, int file) {
  uint16_t line = DataFileLineField(file);
  for (uint16_t c = 1; line && c <= rows.cols; ++c)
    if (rows.fields[c - 1] == line) return c;
  return 0;
}

// A row that shows a line number is a payment on file already (loaded with
// the document, or written by an earlier walk).
bool Stored(const GridBuffer& rows, uint16_t row, int col) {
  const StrAreaScope scope;
  for (char c : GridCellGet(rows, row, col).View())
    if (c >= '1' && c <= '9') return true;
  return false;
}

}  // namespace

Status AdmDocActions(StrValue list) {
  if (Status e = StrError(list)) return e;
  std::string items = list.Str();
  int set = VarSysIntGet(kSysAux);
  size_t at = 0;
  while (at <= items.size()) {
    size_t end = items.find(',', at);
    if (end == std::string::npos) end = items.size();
    std::string item = items.substr(at, end - at);
    size_t a = item.find_first_not_of(' '), b = item.find_last_not_of(' ');
    item = a == std::string::npos ? "" : item.substr(a, b - a + 1);
    if (Status s = ActionRun(item, set)) return s;
    at = end + 1;
  }
  return 0;
}

Status AdmTaskDocActions(int) {
  const StrAreaScope scope;
  StrValue windows = ParmValueByNum(kParmWindows);
  if (Status e = StrError(windows)) return e;
  return AdmDocActions(StrTokenNorm(StrListItem(windows, ',', 1)));
}

Status AdmInvoiceNumCheck() {
  Status c = Cond(Parm(kParmSet));
  if (c >= st::USERCANCELED) return c;
  if (c == 0) return 0;
  Warn1001();
  return st::BADINPUTDATA;
}

Status AdmDocInvoiceUpdate() {
  std::string set = Parm(kParmSet);
  Status c = Cond(set);
  if (c >= st::USERCANCELED) return c;
  // A number in use stops the list here: nothing after it writes for an
  // invoice that was not written.
  if (c == 0) {
    Warn1001();
    return st::BADINPUTDATA;
  }
  uint16_t mode = c == 1 ? dfact::kRunNew : dfact::kInsert;
  for (int parm : {kParmWriteCab0, kParmWriteLins}) {
    if (Status s = Run(Parm(parm))) return s;
    if (Blank(set)) continue;
    Status s = DataFileAction(mode, kAdmInvoiceFile, Relations(), StrMake("", 0));
    if (s >= st::USERCANCELED) return s;
  }
  return 0;
}

Status AdmDocRegistryWrite() {
  std::string set = Parm(kParmSet);
  int64_t c = 0;
  if (Status s = IntOf(set, &c)) return s;
  if (Status s = Run(Parm(kParmWrExp))) return s;
  if (Blank(set)) return 0;
  Status s = DataFileAction(c != 0 ? dfact::kInsert : dfact::kUpdate, kAdmRegistryFile, Relations(), StrMake("", 0));
  return s >= st::USERCANCELED ? s : 0;
}

namespace {

// True when a statement text holds a FILEREL that reaches the file (its
// second argument names it by number or name).
bool ReachesFile(const std::string& statements, int file) {
  std::string upper = statements;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static constexpr std::string_view kCall = "FILEREL(";
  for (size_t at = upper.find(kCall); at != std::string::npos; at = upper.find(kCall, at + 1)) {
    size_t first = statements.find(';', at + kCall.size());
    size_t second = first == std::string::npos ? first : statements.find(';', first + 1);
    if (second == std::string::npos) break;
    const std::string arg = statements.substr(first + 1, second - first - 1);
    const StrAreaScope scope;
    if (DataFileFind(StrTrim(View(arg), 3)) == file) return true;
  }
  return false;
}

// The relation statements that run over an invoice's lines as they are
// deleted: every relation of the invoice file (the delivery notes lose their
// invoice mark, so a later run invoices them again) except those that reach
// the VAT registry, whose entry this delete removes next: they would write
// it back as each line goes.
Status LineDeleteStatements(std::string* out) {
  out->clear();
  const StrAreaScope scope;
  if (Status s = RelLoad(kAdmInvoiceFile, StrMake("", 0))) return s;
  // Relation 0 comes with every list: the others are what a list of one
  // number adds to it.
  StrValue zero = RelCheckString(kAdmInvoiceFile, StrMake("", 0));
  if (Status e = StrError(zero)) return e;
  const std::string first = zero.Str();
  std::vector<std::string> groups{first};
  for (int r = 1; r <= 99; ++r) {
    const StrAreaScope each;
    std::string quoted = std::to_string(r);  // built in place: GCC 12 misreads "'" + a temporary (-Wrestrict)
    quoted.insert(quoted.begin(), '\'');
    quoted += '\'';
    StrValue both = RelCheckString(kAdmInvoiceFile, View(quoted));
    if (Status e = StrError(both)) return e;
    std::string text = both.Str();
    if (!first.empty()) text = text.size() > first.size() ? text.substr(first.size() + 1) : std::string();
    groups.push_back(text);
  }
  for (const std::string& g : groups) {
    if (Blank(g) || ReachesFile(g, kAdmRegistryFile)) continue;
    if (!out->empty()) *out += ';';
    *out += g;
  }
  return 0;
}

}  // namespace

Status AdmDocInvoiceDelete() {
  std::string prefix = DocumentPrefix(kAdmInvoiceFile);
  // The delete walks the invoice's records; the document's own record comes
  // back afterwards, as the relation keys of the items that follow (its
  // registry entries here, its payments after) are made from it.
  std::string record(RecBuf(kAdmInvoiceFile, kRecBoth).View());
  std::string statements;
  Status s = LineDeleteStatements(&statements);
  if (s >= st::USERCANCELED) return s;
  // The records go without the statements of the action (they would write
  // the registry entry back); the others run over each record gone, as its
  // own delete would have run them.
  std::vector<std::string> gone;
  // (DataFileUpStat answers the new state: the old one is read first.)
  bool statementsOn = (VarSysIntGet(kSysUpStat) & 1) != 0;
  DataFileUpStat(false);
  s = MovsDocDelete(kAdmInvoiceFile, 1, View(prefix), Relations(), StrMake("", 0), &gone);
  DataFileUpStat(statementsOn);
  for (size_t i = 0; i < gone.size() && s < st::USERCANCELED && !statements.empty(); ++i) {
    const StrAreaScope scope;
    Status r = RecBufSet(kAdmInvoiceFile, kRecSaved, View(gone[i]));
    if (r == 0) r = DataFileActionStmt(dfact::kRunOld, kAdmInvoiceFile, View(statements));
    if (r >= st::USERCANCELED) s = r;
  }
  if (Status r = RecBufSet(kAdmInvoiceFile, kRecBoth, View(record)); r && s < st::USERCANCELED) s = r;
  if (s >= st::USERCANCELED) return s;
  return AdmDocFileAction(kAdmRegistryFile);
}

Status AdmDocFileAction(int file, int* deleted) {
  if (deleted) *deleted = 0;
  int current = DicFileNum(0);
  std::string key;
  {
    const StrAreaScope scope;
    key = DicItemEval(file, 1).Str();
  }
  uint16_t keyNum = RelKeyNum(current, file, 1);
  if (Blank(key) || keyNum == 0) {
    return Fail(st::INDEXCMDERROR, "AdmDocFileAction: " + DicFileName(file).Str());
  }
  std::vector<std::string> kept;
  Status s = MovsDocDelete(file, keyNum, View(key), Relations(), StrMake("", 0), &kept);
  if (deleted) *deleted = static_cast<int>(kept.size());
  return s < st::USERCANCELED ? 0 : s;
}

Status AdmRedundantConfirm(int file, StrValue condition) {
  if (Status e = StrError(condition)) return e;
  std::string key = KeyValueCur(file, 1).Str();
  int count = 0;
  {
    // Counting reads past the key: the record stays the current one.
    DataStoreState state;
    if (Status s = DataFileCtrlSave(&state, file, nullptr)) return s;
    Status s = SelOpen(file, 0, View(key), View(key), kSelAllRows, 0, condition);
    if (s == 0) count = SelCount(file);
    Status r = s == 0 ? SelRelease(file) : 0;
    Status back = DataFileCtrlSave(nullptr, file, &state);
    if (s != 0 && s != dfres::kEnd) return s;
    if (r || back) return r ? r : back;
  }
  if (count == 0) {
    ErrShow(st::OUTOFDATA);
    return 0;
  }
  if (count >= 2) {
    const StrAreaScope scope;
    StrValue text = StrFormat(256, Msg("1003"), std::to_string(count).c_str());
    if (!MsgAsk(text)) return st::USERCANCELED;
  }
  return SelDeleteAll(file, 0, View(key), condition);
}

Status AdmDocPayments() {
  int level = MovsWinGrid();
  LinsGridRec* grid = level >= 0 ? LinsGridGet(level) : nullptr;
  if (!grid) return Fail(st::SCREENSTRUCTERR, "AdmDocPayments");
  return AdmDocPaymentRows(grid->buffer);
}

Status AdmDocPaymentRows(GridBuffer& rows) {
  int file = DicFileNum(0);
  if (file < 1 || file > DataFileCount()) return Fail(st::SCREENSTRUCTERR, "AdmDocPayments");
  const LineNumKeeper keepLine;
  std::string keyText, set = Parm(kParmSet);
  if (!Blank(set)) {
    const StrAreaScope scope;
    StrValue v = ExpEvalStr(View(set));
    if (v.IsError()) return StrError(v);
    keyText = v.Str();
  }
  int64_t index = 0;
  if (Status s = IntOf(Parm(kParmIndex), &index)) return s;
  int64_t base = 0;
  if (Status s = LastLine(file, static_cast<int>(index), keyText, &base)) return s;
  std::string wrExp = Parm(kParmWrExp), rdCond = Parm(kParmRdCond);
  std::string insert, redundant;
  {
    const StrAreaScope scope;
    insert = StrListItem(View(wrExp), ',', 1).Str();
    redundant = StrListItem(View(wrExp), ',', 4).Str();
  }
  int lineCol = LineColumn(rows, file);
  uint16_t saved = rows.curRow;
  Status s = 0;
  int64_t added = 0;
  for (uint16_t row = 1; s == 0 && row <= rows.rowCount; ++row) {
    rows.curRow = row;
    if (lineCol && Stored(rows, row, lineCol)) continue;
    s = MovsLineToRecord(file, rows, StrMake("", 0));
    if (s) break;
    VarSysIntSet(kSysLNum, static_cast<int16_t>(base + ++added));
    int64_t v = 0;
    if ((s = IntOf(rdCond, &v)) != 0) break;
    switch (v) {
      case 0: break;
      case 1:
        if ((s = Run(insert)) != 0) break;
        s = DataFileAction(dfact::kInsert, file, Relations(), StrMake("", 0));
        if (s < st::USERCANCELED) s = 0;
        if (s == 0 && lineCol) {
          const StrAreaScope scope;
          s = GridCellSet(rows, row, lineCol, StrTrim(RecFieldGet(file, DataFileLineField(file)), 3));
        }
        break;
      case 2: s = AdmRedundantConfirm(file, View(redundant)); break;
      case 3:
      case 4:
      case 5: s = Fail(st::FEATUREREMOVED, "AdmDocPayments: structure action " + std::to_string(v)); break;
      default: s = static_cast<Status>(v); break;
    }
  }
  rows.curRow = saved;
  if (s != 0) return s;
  // Every row on file and showing its number: the document holds nothing
  // unsaved, so leaving it asks nothing and saving it again writes nothing.
  bool all = lineCol != 0;
  for (uint16_t row = 1; all && row <= rows.rowCount; ++row) all = Stored(rows, row, lineCol);
  if (all) {
    rows.flags &= static_cast<uint16_t>(~kGridLinesChanged);
    if (Status c = RecBufCopy(file, 1)) return c;
  }
  return 1;
}
