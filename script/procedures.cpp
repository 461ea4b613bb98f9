// The ways into a procedure: PrcCall (task hook 1, EXEC$), the CALL and
// LOCALVARS statements and the run spec of menu commands.
#include "script/procedures.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/fixednum.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/evaluator.h"
#include "script/expfiles.h"
#include "script/handlers.h"
#include "script/prcframe.h"
#include "script/taskhooks.h"
#include "script/variables.h"

namespace {

Status CallFail(Status code, StrValue detail) {
  ErrDetailSet(code, detail, false);
  return ErrSet(1, MOD_MALLOC_MEMACUMS, code, code);
}

// What belongs to one activation of a program: saved before a run and put
// back after it, so a program that is entered again (a CALL into the running
// file, recursion, EXEC$) resumes where it was.
struct Activation {
  uint16_t position;
  uint16_t gosubDepth;
  uint8_t runFlags;
  uint16_t gosub[kPrcGosubDepth];

  explicit Activation(const PrcProgram* p) : position(p->position), gosubDepth(p->gosubDepth), runFlags(p->runFlags) {
    std::memcpy(gosub, p->gosub, sizeof gosub);
  }
  void Restore(PrcProgram* p) const {
    p->position = position;
    p->gosubDepth = gosubDepth;
    p->runFlags = runFlags;
    std::memcpy(p->gosub, gosub, sizeof gosub);
  }
};

// The newest program holding the entry (its statement in *position), or for
// an empty entry the newest program.
PrcProgram* FindEntry(StrValue entry, uint16_t* position) {
  for (uint16_t i = PrcCount(); i-- > 0;) {
    PrcProgram* p = PrcAt(i);
    if (entry.len == 0) return p;
    if ((*position = PrcEntryFind(p, entry)) != 0xffff) return p;
  }
  return nullptr;
}

Status RunActivation(PrcProgram* p, StrValue entry, uint16_t position, int flags) {
  Activation saved(p);
  p->gosubDepth = 0;
  p->runFlags = entry.len ? 0 : kPrcRunRestore;
  if (entry.len) p->position = position;
  if (flags & kPrcCallExec) p->runFlags |= kPrcRunExec;
  Status s = PrcRun(p);
  saved.Restore(p);
  return s;
}

Status CallProgram(StrValue entry, StrValue file, int flags) {
  PrcProgram* compiled = nullptr;
  if (file.len) {
    Status c = PrcCompileFile(file);
    if (c >= st::USERCANCELED) return c;
    compiled = PrcAt(c);
  } else if (entry.len == 0) {
    return CallFail(st::SINTAXERROR, StrFromC("CALL"));
  }
  uint16_t position = 0;
  PrcProgram* p = FindEntry(entry, &position);
  Status s = p ? RunActivation(p, entry, position, flags) : CallFail(st::SINTAXERROR, entry);
  if (compiled) {
    Status r = PrcReleaseProgram(compiled);
    if (s == 0) s = r;
  }
  return s;
}

// The integer value of an expression text; errors stop.
Status EvalInt(StrValue text, int16_t* out) {
  const StrAreaScope scope;
  Status s = ExpExecText(text);
  if (s == st::USERCANCELED || s >= 128) return s;
  if (s > 1) *out = 0;  // a soft status has no value
  else *out = s == 1 ? StrToInt(StrAreaTop()) : VarNumToInt(NumFromBytes(StrAreaTop()));
  return 0;
}

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

// Whether the argument on top of a stack of `depth` values fits a variable
// of the type: values are raw bytes, so a number would pass for an 8-byte
// text and back. An empty (absent) value fits any type.
bool ArgFits(const PrcFrame& frame, uint32_t depth, VarType type) {
  if (depth <= frame.argBase || !frame.argKinds) return true;
  uint32_t at = depth - 1 - frame.argBase;
  if (at >= frame.argCount || DynStrTop(ArgStack).len == 0) return true;
  return (frame.argKinds[at] == 1) == (type == kVarStr);
}

}  // namespace

void PrcCallHookSet() { TaskHookSet(&PrcCall, kHookPrcCall); }

Status PrcCall(StrValue entry, StrValue file, int flags) {
  if (Status e = StrError(entry) ? StrError(entry) : StrError(file)) return e;
  if (PrcDepth() >= kPrcMaxDepth) return CallFail(st::OUTOFMEMORY, entry);
  const StrAreaScope scope;
  VarSnapshot snap = VarCountsSave();
  Status s = CallProgram(StrTrim(entry, 3), StrTrim(file, 3), flags);
  if (flags & kPrcCallLocal) {
    Status r = VarCountsRestore(snap);
    if (s == 0) s = r;
  }
  return s;
}

StrValue PrcExecResult(StrValue entry, StrValue file) {
  PrcCallFn hook = TaskHookGetAs<PrcCallFn>(kHookPrcCall);
  if (!hook) return StrErr(CallFail(st::FEATUREREMOVED, StrFromC("EXEC$()")));
  uint16_t mark = StrAreaMark(-1);
  uint32_t base = DynStrCount(ResultsStack);
  Status s = hook(entry, file, kPrcCallExec);
  StrValue value = DynStrCount(ResultsStack) > base ? StrDup(DynStrTop(ResultsStack)) : StrMake("", 0);
  DynStrPopTo(ResultsStack, base);
  return StrAreaReturn(mark, s ? StrErr(s) : value);
}

Status PrcCallStatement(StrValue text) {
  if (Status e = StrError(text)) return e;
  const StrAreaScope scope;
  text = StrTrim(text, 3);
  uint32_t cut = 0;
  while (cut < text.len && !IsBlankChar(text.ptr[cut])) ++cut;
  StrValue head = StrMake(text.ptr, cut);
  StrValue args = StrTrim(StrMake(text.ptr + cut, text.len - cut), 3);
  int16_t local = 1;
  Status s = 0;
  StrValue localText = StrTrim(StrListItem(head, ',', 3), 3);  // empty: local
  if (localText.len) s = EvalInt(localText, &local);
  uint32_t base = DynStrCount(ArgStack);
  uint16_t kinds[kExecMaxArgs];
  uint16_t count = 0;
  if (s == 0 && args.len) s = ExecArgsEval(args, ',', kinds, &count);
  if (s == 0) {
    PrcNextArgBase(base, kinds, count);
    s = PrcCall(StrListItem(head, ',', 1), StrListItem(head, ',', 2), local ? kPrcCallLocal : 0);
    PrcNextArgBase(kPrcNoArgBase);
  }
  // The stack goes back to where it was whatever happened; arguments left
  // over by a call that succeeded mean its LOCALVARS did not take them.
  if (DynStrCount(ArgStack) != base) {
    DynStrPopTo(ArgStack, base);
    if (s == 0) s = CallFail(st::SINTAXERROR, StrFromC("LOCALVARS"));
  }
  return s;
}

Status PrcLocalVars(StrValue text) {
  if (Status e = StrError(text)) return e;
  const StrAreaScope scope;
  std::vector<StrValue> names;
  StrListIter it(text, ',');
  StrValue item;
  while (it.Next(&item)) names.push_back(StrTrim(item, 3));
  const PrcFrame& frame = PrcFrameTop();
  uint32_t base = frame.argBase;
  Status s = 0;
  for (size_t k = names.size(); k-- > 0 && s == 0;) {
    VarType type = VarTypeOfName(names[k]);
    if (names[k].len == 0 || (type != kVarInt && type != kVarNum && type != kVarStr) ||
        !ArgFits(frame, DynStrCount(ArgStack), type)) {
      s = CallFail(st::TYPEMISMATCH, names[k]);
      break;
    }
    bool have = DynStrCount(ArgStack) > base;
    s = VarAssign(names[k], have ? DynStrTop(ArgStack) : StrMake("", 0));
    if (have) DynStrPop(ArgStack);
  }
  return s;
}

Status PrcRunSpec(StrValue spec) {
  if (Status e = StrError(spec)) return e;
  const StrAreaScope scope;
  StrValue files = StrTrim(StrListItem(spec, ',', 1), 3);
  StrValue label = StrTrim(StrListItem(spec, ',', 2), 3);
  Status s = 0;
  uint32_t items = StrListCount(spec, ',');
  for (uint32_t i = 3; i <= items && s == 0; ++i) {
    StrValue vars = StrTrim(StrListItem(spec, ',', i), 3);
    if (vars.len) s = ExpExecFile(vars, 1);
  }
  std::vector<PrcProgram*> compiled;
  for (uint32_t k = StrListCount(files, ';'); k >= 2 && s == 0; --k) {
    Status c = PrcCompileFile(StrTrim(StrListItem(files, ';', k), 3));
    if (c >= st::USERCANCELED) s = c;
    else compiled.push_back(PrcAt(c));
  }
  if (s == 0) s = PrcCall(label, StrListItem(files, ';', 1), kPrcCallLocal);
  for (size_t k = compiled.size(); k-- > 0;) {
    Status r = PrcReleaseProgram(compiled[k]);
    if (s == 0) s = r;
  }
  PrcPoll();
  return s;
}
