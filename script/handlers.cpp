#include "script/handlers.h"

#include <array>
#include <cstring>
#include <string>

#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/fixednum.h"
#include "runtime/seam.h"
#include "runtime/strutil.h"
#include "script/evaluator.h"
#include "script/procedures.h"
#include "script/variables.h"

namespace {

std::array<ExecHandler, kExecSlots> g_slots{};
std::array<ExecStatement, kPrcLastHandler - kPrcFirstHandler + 1> g_statements{};

Status OpenStateMissing(StrValue) { return SeamMissing("DataFileStatePush"); }
uint16_t NoContext() { return 0; }
Status ContextMissing() { return SeamMissing("RunContextRestore"); }
RunStacks g_stacks = {OpenStateMissing, NoContext, ContextMissing};

bool NoProgress() { return false; }
Status NothingToClose() { return 0; }
RunProgress g_progress = {NoProgress, NoProgress, NothingToClose};

uint16_t NoWindows() { return 0; }
Status NoWindowToClose(uint16_t) { return 0; }
RunWindows g_windows = {NoWindows, NoWindowToClose};

Status Fail(Status code, StrValue detail) {
  ErrDetailSet(code, detail, false);
  return ErrSet(1, MOD_MALLOC_MEMACUMS, code, code);
}


// Evaluates one argument and pushes its value on the argument stack.
// An empty argument is absent: the empty text, read as 0 by a handler.
Status PushArg(StrValue arg, uint16_t* kind) {
  *kind = 1;
  if (StrTrim(arg, 3).len == 0) return DynStrPush(ArgStack, StrMake("", 0));
  const StrAreaScope scope;
  Status s = ExpExecText(arg);
  if (s == st::USERCANCELED || s >= 128) return s;
  // A string result answers 1; soft statuses leave the result's type unknown
  // to the caller, so the value's own form decides (8 bytes: a number).
  *kind = s == 1 ? 1 : 0;
  StrValue value = StrAreaTop();
  if (*kind == 0 && value.len != 8) *kind = 1;
  return DynStrPush(ArgStack, value);
}

// A number's text with exactly _PRECIS decimals (5 reads "5.00").
StrValue FixedText(FixedNum v) {
  size_t p = static_cast<size_t>(NumPrecis());
  uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  std::string d = std::to_string(mag);
  if (d.size() <= p) d.insert(0, p + 1 - d.size(), '0');
  if (p) d.insert(d.size() - p, 1, '.');
  if (v < 0) d.insert(0, 1, '-');
  return StrFromView(d);
}

}  // namespace

ExecHandler ExecHandlerSet(uint16_t slot, ExecHandler handler) {
  if (slot >= kExecSlots) return nullptr;
  g_slots[slot] = handler;
  return handler;
}

ExecHandler ExecHandlerFind(uint16_t slot) {
  for (uint16_t i = slot; i < kExecSlots; ++i)
    if (g_slots[i]) return g_slots[i];
  return nullptr;
}

uint16_t ExecHandlerSlotOf(ExecHandler handler) {
  for (uint16_t i = 0; i < kExecSlots; ++i)
    if (handler && g_slots[i] == handler) return i;
  return 0xffff;
}

Status ExecHandlerCall(uint16_t code, const ExecArgs& args) {
  ExecHandler h = ExecHandlerFind(0);
  if (!h) return ErrSet(1, MOD_MALLOC_MEMACUMS, st::FEATUREREMOVED, st::FEATUREREMOVED);
  return h(code, args.count, args.kinds, args.ints, args.strs);
}

Status ExecHandlerNext(uint16_t slot, uint16_t code, const ExecArgs& args) {
  ExecHandler h = slot + 1u < kExecSlots ? ExecHandlerFind(static_cast<uint16_t>(slot + 1)) : nullptr;
  if (!h) return ErrSet(1, MOD_MALLOC_MEMACUMS, st::SINTAXERROR, st::SINTAXERROR);
  return h(code, args.count, args.kinds, args.ints, args.strs);
}

void ExecHandlersReset() { g_slots.fill(nullptr); }

Status ExecArgsEval(StrValue text, char separator, uint16_t* kinds, uint16_t* count) {
  *count = 0;
  if (Status e = StrError(text)) return e;
  uint32_t base = DynStrCount(ArgStack);
  uint32_t pos = 0;
  bool more = text.len > 0;
  Status s = 0;
  while (more && s == 0) {
    uint32_t len = ExecArgLength(text, pos, separator);
    if (*count == kExecMaxArgs) {
      s = Fail(st::SINTAXERROR, text);
      break;
    }
    s = PushArg(StrMake(text.ptr + pos, len), &kinds[*count]);
    if (s == 0) ++*count;
    pos += len + 1;
    more = pos <= text.len;
  }
  if (s != 0) {
    DynStrPopTo(ArgStack, base);
    *count = 0;
  }
  return s;
}

Status ExecArgsFetch(ExecArgs& args) {
  for (uint16_t k = args.count; k-- > 0;) {
    StrValue top = DynStrTop(ArgStack);
    if (args.kinds[k] == 0) {
      FixedNum v = NumFromBytes(top);
      args.ints[k] = VarNumToInt(v);
      args.strs[k] = FixedText(v);
    } else {
      args.ints[k] = 0;
      args.strs[k] = StrDup(top);
    }
    if (Status e = StrError(args.strs[k])) return e;
    DynStrPop(ArgStack);
  }
  for (uint16_t k = args.count; k < kExecMaxArgs; ++k) {
    args.kinds[k] = 0;
    args.ints[k] = 0;
    args.strs[k] = StrMake("", 0);
  }
  return 0;
}

Status ExecArgsRead(StrValue text, ExecArgs& args) {
  uint32_t base = DynStrCount(ArgStack);
  Status s = ExecArgsEval(text, ',', args.kinds, &args.count);
  if (s == 0) s = ExecArgsFetch(args);
  DynStrPopTo(ArgStack, base);
  return s;
}

ExecArgs ExecArgsOf(uint16_t count, const uint16_t* kinds, const int16_t* ints, const StrValue* strs) {
  ExecArgs a;
  a.count = count < kExecMaxArgs ? count : kExecMaxArgs;
  for (uint16_t i = 0; i < kExecMaxArgs; ++i) {
    bool given = i < a.count;
    a.kinds[i] = given ? kinds[i] : 0;
    a.ints[i] = given ? ints[i] : 0;
    a.strs[i] = given ? strs[i] : StrMake("", 0);
  }
  return a;
}

Status ExecStatementSet(uint16_t code, ExecStatement fn) {
  if (code < kPrcFirstHandler || code > kPrcLastHandler) return st::SINTAXERROR;
  g_statements[code - kPrcFirstHandler] = fn;
  return 0;
}

ExecStatement ExecStatementFind(uint16_t code) {
  if (code < kPrcFirstHandler || code > kPrcLastHandler) return nullptr;
  return g_statements[code - kPrcFirstHandler];
}

void RunStacksSet(const RunStacks& stacks) {
  g_stacks.openStatePush = stacks.openStatePush ? stacks.openStatePush : OpenStateMissing;
  g_stacks.contextDepth = stacks.contextDepth ? stacks.contextDepth : NoContext;
  g_stacks.contextRestore = stacks.contextRestore ? stacks.contextRestore : ContextMissing;
}

Status RunStackOpenState(StrValue listOrRestore) { return g_stacks.openStatePush(listOrRestore); }

void RunProgressSet(const RunProgress& progress) {
  g_progress.cancelled = progress.cancelled ? progress.cancelled : NoProgress;
  g_progress.open = progress.open ? progress.open : NoProgress;
  g_progress.close = progress.close ? progress.close : NothingToClose;
}

bool RunProgressCancelled() { return g_progress.cancelled(); }

void RunWindowsSet(const RunWindows& windows) {
  g_windows.count = windows.count ? windows.count : NoWindows;
  g_windows.closeTo = windows.closeTo ? windows.closeTo : NoWindowToClose;
}

PrcStateMark PrcStateNote() {
  PrcStateMark m;
  m.openStates = DynStrCount(OpenFileStatesList);
  m.contextDepth = g_stacks.contextDepth();
  m.progressOpen = g_progress.open();
  m.runWindows = g_windows.count();
  m.acceptQueue = DynStrCount(AcceptQueueList);
  return m;
}

// Each pop either lowers its stack by one or fails, so the loops end; the
// bound is only a guard.
Status PrcRestoreState(const PrcStateMark& mark) {
  Status first = 0;
  for (uint32_t n = DynStrCount(OpenFileStatesList); first == 0 && n > mark.openStates; --n)
    first = g_stacks.openStatePush(StrFromC("RESTORE"));
  for (uint16_t d = g_stacks.contextDepth(); first == 0 && d > mark.contextDepth; --d) first = g_stacks.contextRestore();
  // Closed whatever else failed: a window left open would stay modal over
  // the program with nobody stepping it.
  if (!mark.progressOpen && g_progress.open()) {
    Status closed = g_progress.close();
    if (first == 0) first = closed;
  }
  // Modal too, and closed for the same reason.
  if (g_windows.count() > mark.runWindows) {
    Status closed = g_windows.closeTo(mark.runWindows);
    if (first == 0) first = closed;
  }
  if (DynStrCount(AcceptQueueList) > mark.acceptQueue) DynStrPopTo(AcceptQueueList, mark.acceptQueue);
  return first;
}

uint32_t ExecArgLength(StrValue text, uint32_t from, char sep) {
  char quote = 0;
  int depth = 0;
  uint32_t i = from;
  for (; i < text.len; ++i) {
    char c = text.ptr[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (depth > 0) --depth;
    } else if (c == sep && depth == 0) {
      break;
    }
  }
  return i - from;
}
