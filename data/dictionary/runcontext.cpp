#include "data/dictionary/runcontext.h"

#include <array>
#include <string>

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "data/store/openstate.h"
#include "data/dictionary/relations.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/fixednum.h"
#include "runtime/memory.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/evaluator.h"
#include "script/expfiles.h"
#include "script/statements.h"
#include "script/variables.h"

namespace {

struct ContextStack {
  std::array<RunContextLevel, kRunContextMax> levels{};
  uint16_t depth = 0;
  uint32_t memGeneration = 0;  // the runtime whose dictionary the levels count
};
ContextStack g_context;

// The stack, emptied when the runtime (and with it the dictionary) was
// made anew.
ContextStack& Context() {
  if (g_context.memGeneration != MemGeneration()) {
    g_context.depth = 0;
    g_context.memGeneration = MemGeneration();
  }
  return g_context;
}

Status Fail(Status code, std::string_view detail) {
  ErrDetailSet(code, StrFromView(detail), false);
  return ErrSet(1, MOD_MALLOC_MEMACUMS, code, code);
}

// A field's length: an expression that must give a number.
Status FieldLength(StrValue text, int64_t* out) {
  const StrAreaScope scope;
  Status s = ExpExecText(StrTrim(text, 3));
  if (s != 0) return s >= 128 ? s : st::BADINPUTDATA;
  *out = Int64DivRound(NumFromBytes(StrAreaTop()), Pow10(NumPrecis()));
  return 0;
}

// One field "name;length;type" of the file being defined.
Status DefineField(StrValue item) {
  const StrAreaScope scope;
  StrValue name = StrTrim(StrListItem(item, ';', 1), 3);
  StrValue type = StrTrim(StrListItem(item, ';', 3), 3);
  int64_t length = 0;
  Status s = FieldLength(StrListItem(item, ';', 2), &length);
  if (s >= 128 && s != st::BADINPUTDATA) return s;
  if (s != 0 || type.len == 0 || length < 1 || length > kDicMaxRecLen) return st::BADINPUTDATA;
  return DicDefineField(name, static_cast<int>(length), type.ptr[0]);
}

// One key-part text of file n.
Status DefineKey(int n, StrValue item) {
  const StrAreaScope scope;
  StrValue text = StrTrim(item, 3);
  if (StrFindChar(text, '<', 1) == 65535) text = StrCat(StrFromC("<"), text);
  uint16_t count = 0;
  KeyPart parts;
  if (DicKeySegsParse(text, &count, &parts) != 0) return st::BADINPUTDATA;
  return DicDefineKey(n, count, parts);
}

// Runs `define` over each item of a comma list; an error names the item.
template <class Define>
Status EachItem(StrValue list, Define define) {
  StrListIter it(list, ',');
  StrValue item;
  while (it.Next(&item)) {
    if (StrTrim(item, 3).len == 0) continue;
    if (Status s = define(item)) return Fail(s, "FILESTRUCT " + item.Str());
  }
  return 0;
}

Status Define(StrValue name, StrValue fields, StrValue keys) {
  if (Status s = DicDefineFile(0, StrTrim(name, 3), StrMake("", 0))) return s;
  int n = DataFileCount();
  if (Status s = EachItem(fields, DefineField)) return s;
  if (DicFieldCount(n) == 0) return Fail(st::BADINPUTDATA, "FILESTRUCT " + name.Str());
  if (Status s = EachItem(keys, [n](StrValue item) { return DefineKey(n, item); })) return s;
  if (DicKeyCount(n) == 0) {
    if (Status s = DicDefaultKey(n)) return s;
  }
  DataFileSetCurrent(n);
  return 0;
}

// _STAT receives the answer; errors also stop the run.
Status Outcome(Status s) {
  VarSysIntSet(kSysStat, static_cast<int16_t>(s));
  return s >= 128 ? s : 0;
}

Status LoadStruct(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 1)) return s;
  StrValue dirs = DynStrGet(SettingsList, SetDefaultDirItem);
  Status s = DicLoad(StrDup(dirs), StrTrim(a.strs[0], 3), StrMake("", 0));
  if (s == 0) s = VarFileNumsDefine();
  return Outcome(s);
}

Status RcOperation(uint16_t code, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 1)) return s;
  uint16_t mode = code == kStmtRcDelete ? dfact::kDelete : code == kStmtRcInsert ? dfact::kInsert : dfact::kUpdate;
  return Outcome(ExecRcOperation(mode, a.strs[0]));
}

Status RcUpdate(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 3)) return s;
  int file = a.kinds[0] == 0 ? a.ints[0] : DataFileFind(a.strs[0]);
  Status s = RelRecordStore(file, a.strs[1], static_cast<uint16_t>(a.ints[2]));
  if (s == st::NOTFOUND) return 0;
  return Outcome(s);
}

Status FileStruct(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 1)) return s;
  return Outcome(FILESTRUCT(a.strs[0], a.strs[1], a.strs[2]));
}

}  // namespace

Status RunContextPushPop(bool push, RunContextLevel* popped) {
  ContextStack& c = Context();
  if (push) {
    if (c.depth == kRunContextMax) return Fail(st::DATAOUTBOUND, "FILESTRUCT");
    DicCounts counts = DicCountsGet();
    c.levels[c.depth++] = RunContextLevel{counts.files, counts.fields, counts.keys,
                                          static_cast<uint8_t>(VarSysIntGet(kSysCurFil))};
    return 0;
  }
  if (c.depth == 0) return Fail(st::INTERNALERROR, "FILESTRUCT RESTORE");
  RunContextLevel top = c.levels[--c.depth];
  if (popped) *popped = top;
  return 0;
}

Status RunContextRestore() {
  RunContextLevel level;
  if (Status s = RunContextPushPop(false, &level)) return s;
  Status s = DicTruncate(level.files);
  VarSysIntSet(kSysCurFil, level.current);
  return s;
}

uint16_t RunContextDepth() { return Context().depth; }

Status FILESTRUCT(StrValue name, StrValue fields, StrValue keys) {
  if (Status e = StrError(name) ? StrError(name) : StrError(fields) ? StrError(fields) : StrError(keys)) return e;
  if (OpenStateIsRestore(name)) return RunContextRestore();
  if (Status s = RunContextPushPop(true)) return s;
  const StrAreaScope scope;
  Status s = Define(name, fields, keys);
  if (s != 0) RunContextRestore();  // the error stays the one recorded first
  return s;
}

Status ExecRcOperation(uint16_t mode, StrValue text) {
  if (Status e = StrError(text)) return e;
  const StrAreaScope scope;
  StrValue fileText = StrTrim(StrListItem(text, ',', 1), 3);
  int file = fileText.len ? static_cast<int>(StrToLong(fileText)) : 0;
  return DataFileAction(mode, file, StrListItem(text, ',', 2), StrMake("", 0));
}

void DataStatementsRegister() {
  ExecStatementSet(kStmtLoadStruct, LoadStruct);
  ExecStatementSet(kStmtRcDelete, RcOperation);
  ExecStatementSet(kStmtRcInsert, RcOperation);
  ExecStatementSet(kStmtRcWrite, RcOperation);
  ExecStatementSet(kStmtRcUpdate, RcUpdate);
  ExecStatementSet(kStmtFileStruct, FileStruct);
  RunStacksSet(RunStacks{DataFileStatePush, RunContextDepth, RunContextRestore});
}
