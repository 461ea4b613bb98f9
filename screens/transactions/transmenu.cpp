#include "screens/transactions/transmenu.h"

#include <algorithm>
#include <string>
#include <vector>

#include "data/store/datafail.h"
#include "data/dictionary/dictionary.h"
#include "data/store/openstate.h"
#include "data/dictionary/relations.h"
#include "data/transactions/trans.h"
#include "data/transactions/translayout.h"
#include "data/transactions/transsetup.h"
#include "platform/host/files.h"
#include "runtime/dynstrings.h"
#include "runtime/hostdialog.h"
#include "runtime/messages.h"
#include "runtime/streams.h"
#include "runtime/strformat.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/forms/acceptlist.h"
#include "screens/forms/choice.h"
#include "screens/transactions/fieldlimits.h"
#include "screens/forms/forms.h"
#include "screens/forms/msgbox.h"
#include "screens/forms/progress.h"
#include "screens/transactions/transsave.h"
#include "script/evaluator.h"
#include "script/objparams.h"
#include "script/variables.h"

namespace {

constexpr uint16_t kAskExpression = tmode::kUpdate | tmode::kExternFile | tmode::kDeleting | tmode::kIndexChk;
constexpr uint16_t kAskRelType = tmode::kUpdate | tmode::kExternFile;
constexpr uint16_t kPlainImportMask = 0x1825;  // IMPORT, EXTERNFILE, STREAM, EXTERN_INDEXED, IS_SQL
constexpr uint16_t kPlainImport = tmode::kImport | tmode::kExternFile;
constexpr int kTextKind = 8;                   // the file dialog's text files

// Set when the last run or save showed its error in a box.
bool g_shown = false;

// Item n of a form's value list, trimmed and unquoted.
std::string Answer(const std::string& values, uint32_t n) {
  const StrAreaScope scope;
  return StrUnquote(StrTrim(StrListItem(TransView(values), ',', n), 3)).Str();
}

bool IsYes(const std::string& v) {
  const StrAreaScope scope;
  return v == "1" || AnswerIsYes(TransView(v));
}

// The mode of the verb's first item: a number, or a caption of message 0111.
Status ModeOf(const std::string& item, uint16_t* mode) {
  std::string t = TransTrim(item);
  *mode = 0;
  if (t.empty()) return 0;
  if (t.find_first_not_of("0123456789") == std::string::npos) {
    unsigned long v = std::stoul(t.substr(0, 6));
    if (v > 0xffff) return DataFail(st::BADINPUTDATA, "FileTrans " + t);
    *mode = static_cast<uint16_t>(v);
    return 0;
  }
  const StrAreaScope scope;
  StrValue choices = Msg("0111");
  uint32_t count = StrListCount(choices, ',');
  for (uint32_t i = 1; i + 1 <= count; i += 2) {
    if (!host::EqualNoCase(TransTrim(StrListItem(choices, ',', i).View()), t)) continue;
    std::string code = TransTrim(StrListItem(choices, ',', i + 1).View());
    if (code.empty() || code.find_first_not_of("0123456789") != std::string::npos) break;
    *mode = static_cast<uint16_t>(std::stoul(code.substr(0, 6)));
    return 0;
  }
  return DataFail(st::BADINPUTDATA, "FileTrans " + t);
}

// Keeps the event state of the object parameters and reads them with `_AUX`
// 0, so that an event's qualification cannot hide a configuration's items.
class NoEvent {
 public:
  NoEvent() : saved_(ParmEventSave().Str()) { ParmEventSet(0, StrMake("", 0)); }
  ~NoEvent() { ParmEventRestore(TransView(saved_)); }
  NoEvent(const NoEvent&) = delete;
  NoEvent& operator=(const NoEvent&) = delete;

 private:
  std::string saved_;
};

// The progress callback of a run: the key as text, or the bar by one record.
uint32_t g_barStep = 0;
StrValue RunStep(StrValue text) {
  Status s = g_barStep ? ProgressStep(0, g_barStep, StrMake("", 0)) : ProgressStep(0, 1, text);
  return s != 0 ? StrErr(s) : text;
}

// The rows the last run wrote.
uint32_t RowsWritten() {
  return static_cast<uint16_t>(VarSysIntGet(kSysCount)) |
         (static_cast<uint32_t>(static_cast<uint16_t>(VarSysIntGet(kSysHCount))) << 16);
}

bool Readable(const std::string& name) {
  uint16_t slot = StreamOpen(TransView(name), kStreamReadOnly | kStreamQuiet);
  if (slot >= kStreamSlots) return false;
  StreamClose(slot);
  return true;
}

Status Shown(Status s) {
  if (s != 0 && s != st::USERCANCELED) g_shown = true;
  return s;
}

}  // namespace

// --- The verb and the set-up ------------------------------------------------------

Status FileTransCommand(StrValue command) {
  g_shown = false;
  Status s = TransSelect(command);
  return g_shown ? 0 : s;
}

Status TransSelect(StrValue text) {
  if (Status e = StrError(text)) return e;
  const StrAreaScope scope;
  uint16_t mode = 0;
  if (Status s = ModeOf(StrListItem(text, ',', 1).Str(), &mode)) return s;
  std::string name = StrUnquote(StrTrim(StrListItem(text, ',', 2), 3)).Str();
  if (mode == 0) return TransPredefined(TransView(name));
  TransParmsClear();
  Status s = 0;
  int file = TransTableChoose(&s);
  if (s == 0 && file == 0) s = st::USERCANCELED;
  if (s == 0) s = TransParmSet(kTrFile, DicFileName(file));
  if (s == 0) s = TransTargetSetup(file, text);
  if (s == 0 && (mode & tmode::kExternFile)) s = TransFieldsChoose(file);
  if (s == 0 && (mode & tmode::kExternFile)) s = TransTargetForm(&name, &mode);
  if (s == 0 && !(mode & kAskExpression)) s = TransUpdateExprForm();
  if (s == 0 && (mode & kAskRelType)) s = TransRelTypeForm();
  if (s == 0 && !(mode & tmode::kBatchMode)) s = Shown(TransSaveConfig(mode));
  if (s != 0) {
    TransParmsClear();
    return s;
  }
  return TransRunSaved(TransView(name), mode);
}

Status TransTargetSetup(int file, StrValue text) {
  const StrAreaScope scope;
  StrValue limits = StrTrim(StrListItem(text, ',', 3), 3);
  StrValue form;
  if (limits.len > 0) {
    form = ExpEvalStr(limits);
  } else {
    StrValue answers = FieldsLimitSelection(file);
    if (Status e = StrError(answers)) return e;
    form = FieldsLimitForm(file, answers, nullptr);
  }
  if (Status e = StrError(form)) return e;
  if (Status s = TransParmSet(kTrAcBound, form)) return s;
  int key = TransListParms(file, form);
  return TransParmSet(kTrIndex, key > 0 ? TransView(std::to_string(key)) : StrMake("", 0));
}

int TransListParms(int file, StrValue list) {
  const StrAreaScope scope;
  StrValue item = StrListItem(list, ',', 1);
  // 'prompt':'type':NAME{}op: the field reference is the third part.
  std::string ref = StrTrim(StrListItem(item, ':', 3), 3).Str();
  size_t brace = ref.find('{');
  if (brace == std::string::npos || brace == 0) return 0;
  uint16_t field = DicFieldFind(file, TransView(ref.substr(0, brace)));
  if (field == 0xffff) return 0;
  return KeyFind(file, field);
}

StrValue TransFieldFormLines(int file) {
  uint16_t mark = StrAreaMark(-1);
  std::string list;
  for (uint16_t n = 1; n <= DicFieldCount(file); ++n) {
    if (n > 1) list += ',';
    list += FmtText("'%s:':'L1'::1", DicFieldName(file, n));
  }
  return StrAreaReturn(mark, StrFromView(list));
}

bool TransFieldSelect(StrValue answer) {
  const StrAreaScope scope;
  return IsYes(StrUnquote(StrTrim(answer, 3)).Str());
}

StrValue TransFieldsJoin(int file, StrValue answers) {
  if (Status e = StrError(answers)) return StrErr(e);
  uint16_t mark = StrAreaMark(-1);
  std::string joined;
  for (uint16_t n = 1; n <= DicFieldCount(file); ++n) {
    if (!TransFieldSelect(StrListItem(answers, ',', n))) continue;
    if (!joined.empty()) joined += ',';
    joined += DicFieldName(file, n).View();
  }
  return StrAreaReturn(mark, StrFromView(joined));
}

Status TransFieldsChoose(int file) {
  const StrAreaScope scope;
  AcceptResult r = AcceptForm(Msg("0096 Fields Selection"), TransFieldFormLines(file));
  if (r.status != 0) return r.status;
  StrValue joined = TransFieldsJoin(file, TransView(r.values));
  if (Status e = StrError(joined)) return e;
  return TransParmSet(kTrStruct, joined);
}

Status TransTargetForm(std::string* name, uint16_t* mode) {
  const StrAreaScope scope;
  std::string offered = *name;
  if (!BatchMode()) {
    StrValue chosen = FileSelectDialog(!(*mode & tmode::kImport), kTextKind | kDialogKeepDir);
    if (Status e = StrError(chosen)) return e;
    if (chosen.len == 0) return st::USERCANCELED;
    offered = chosen.Str();
  }
  // A name holding a quote cannot be offered inside the form's quotes.
  if (offered.find_first_of("'\"") != std::string::npos) offered.clear();
  StrValue list = StrFormat(static_cast<uint32_t>(offered.size()) + 128, Msg("0095"), offered);
  AcceptResult r = AcceptForm(Msg("0088 Target File"), list);
  if (r.status != 0) return r.status;
  std::string target = TransTrim(Answer(r.values, 1));
  if (target.empty()) return st::USERCANCELED;
  // A file to import from that cannot be read is said now, before the
  // forms that would only prepare its reading.
  if ((*mode & tmode::kImport) && !Readable(target)) return DataFail(st::FILENOTFOUND, target);
  if (IsYes(Answer(r.values, 2))) *mode |= tmode::kAppend;
  else *mode &= static_cast<uint16_t>(~tmode::kAppend);
  *name = target;
  return TransParmSet(kTrName, TransView(target));
}

Status TransRelTypeForm() {
  const StrAreaScope scope;
  AcceptResult r = AcceptForm(Msg("0087 Relational Update"), Msg("0094 'Relational Update Type:':'N1'"));
  if (r.status != 0) return r.status;
  return TransParmSet(kTrTrigger, TransView(TransTrim(Answer(r.values, 1))));
}

Status TransUpdateExprForm() {
  const StrAreaScope scope;
  AcceptResult r = AcceptForm(Msg("0099 Update Expresion"), Msg("0100 'Update Expresion:':'A256'"));
  if (r.status != 0) return r.status;
  return TransParmSet(kTrWrExp, TransView(TransTrim(Answer(r.values, 1))));
}

// --- Saved configurations ------------------------------------------------------------

Status TransPredefined(StrValue file) {
  const StrAreaScope scope;
  StrValue path = file.len > 0 ? file : TransPpnPath();
  if (Status e = StrError(path)) return e;
  std::vector<std::string> names = TransNamesSplit(TransConfigNames(path).View());
  if (names.empty()) {
    MsgBox(Msg("0007"), StrMake("", 0), kBoxInfo);
    return 0;
  }
  // One item per name: a hand-written name holding a comma must not make two.
  std::string items;
  for (std::string n : names) {
    for (char& c : n)
      if (c == ',') c = ';';
    items += (items.empty() ? "" : ",") + n;
  }
  Status s = 0;
  int chosen = WinChoiceAndClose(Msg("0098 Transaction selector"), TransView(items), 3, &s);
  if (s != 0) return s;
  if (chosen < 1 || chosen > static_cast<int>(names.size())) return st::USERCANCELED;
  return TransRunTag(path, chosen, names[chosen - 1]);
}

Status TransRunTag(StrValue file, int tag, const std::string& name) {
  NoEvent event;
  TransParmsClear();
  Status pushed = ParmStrPush(file, 1, tag);
  if (pushed == 0xffff) return DataFail(st::FILENOTFOUND, name);
  if (pushed != 0) return pushed;
  TransApplied applied;
  Status s = TransParmGet(ParmNameBase(kParmOpen), ParmNameBase(kParmRelOpt), &applied);
  uint16_t mode = 0;
  std::string target;
  if (s == 0) {
    const StrAreaScope scope;
    std::string m = TransTrim(ParmValue(StrFromC("TRANSPARMSMODE%")).View());
    if (m.empty() || m.size() > 5 || m.find_first_not_of("0123456789") != std::string::npos ||
        std::stoul(m) > 0xffff)
      s = DataFail(st::BADINPUTDATA, "TRANSPARMSMODE% " + m);
    else
      mode = static_cast<uint16_t>(std::stoul(m));
    target = ParmValueByNum(kParmTarget).Str();
  }
  if (s == 0) s = TransRunSaved(TransView(target), mode);
  else TransParmsClear();
  TransStateRestore(applied);
  ParmStrPop();
  return s;
}

Status TransParmGet(StrValue stateParm, StrValue relParm, TransApplied* applied) {
  const StrAreaScope scope;
  *applied = TransApplied();
  StrValue state = ParmValue(stateParm);
  if (Status e = StrError(state)) return e;
  if (state.len > 0) {
    if (Status s = DataFileStatePush(state)) return s;
    applied->statePushed = true;
  }
  StrValue rel = ParmValue(relParm);
  if (Status e = StrError(rel)) return e;
  if (rel.len > 0) {
    applied->file = DataFileNum(0);
    applied->relBase = static_cast<int>(DynStrCount(RelationStmtList));
    if (Status s = RelLoad(applied->file, rel); s >= 128) return s;
    if (Status s = TransParmSet(kTrTrigger, StrFromC("ENABLE"))) return s;
  }
  return 0;
}

void TransStateRestore(const TransApplied& applied) {
  if (applied.relBase >= 0) {
    RelUnwind(applied.file, static_cast<uint16_t>(applied.relBase));
    TransParmSet(kTrTrigger, StrMake("", 0));
  }
  if (applied.statePushed) DataFileStatePush(StrFromC("RESTORE"));
}

Status TransRunSaved(StrValue name, uint16_t mode) {
  if (Status e = StrError(name)) return e;
  std::string external = TransTrim(name.View());
  if (!(mode & tmode::kImport) && (mode & tmode::kExternFile) && external.empty()) {
    if (Status s = TransTargetForm(&external, &mode)) {
      TransParmsClear();
      return s;
    }
  }
  const StrAreaScope scope;
  bool plainImport = (mode & kPlainImportMask) == kPlainImport;
  int64_t size = plainImport ? FileSize(TransView(external)) : -1;
  bool bar = plainImport && size > 0;
  ProgressSetTitle(StrCat(Msg("0016 Process in progress....."), TransView(external)));
  ProgressCreate(0, bar ? static_cast<uint32_t>(std::min<int64_t>(size, 0xffffffff)) : 0, !bar);
  g_barStep = bar ? std::max<uint16_t>(DicRecLen(DataFileNum(0)), 1) : 0;
  Status s = TransRun(TransView(external), mode, RunStep);
  g_barStep = 0;
  ProgressClose();
  if (s == st::OUTOFDATA) s = 0;  // no row written
  if ((mode & tmode::kBatchMode) || s == st::USERCANCELED) return s;
  if (s != 0) {
    ErrShow(s);
    g_shown = true;
    return s;
  }
  if (mode & tmode::kIndexChk) return 0;  // the count reported it
  std::string shown = external.empty() ? std::string(DicFileName(DataFileNum(0)).View()) : external;
  InfoBox(StrMake("", 0), StrFormat(static_cast<uint32_t>(shown.size()) + 64, Msg("0101 Counted %s rows in %s"),
                                    RowsWritten(), shown));
  return 0;
}
