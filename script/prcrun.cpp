// The procedure runner: the statement loop, the control statements, the
// hand-off to the statement handlers, the trace and the message poll.
#include <cstring>
#include <string>
#include <vector>

#include "platform/host/clock.h"
#include "platform/host/files.h"
#include "platform/host/signals.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/fixednum.h"
#include "runtime/log.h"
#include "script/evaluator.h"
#include "script/expcache.h"
#include "script/handlers.h"
#include "script/macros.h"
#include "script/prcframe.h"
#include "script/procedures.h"
#include "script/variables.h"

namespace {

// The trace file stays open while any run is going on.
struct Trace {
  int fd = -1;
  uint16_t runs = 0;
};
Trace g_trace;

// The message queue is looked at (PrcPoll) before the statement that
// follows one that may have posted to it or taken long (a handler
// statement, CALL, LOCALVARS), and among the other statements every
// kPollEvery-th one or once kPollMs have passed on the monotonic clock. The
// clock is read every kClockEvery-th statement and after an expression that
// calls out (built-ins, fields, hooks), the only statements that can take
// long; so a cancel is seen within kPollMs and one statement.
constexpr uint16_t kClockEvery = 32;
constexpr uint16_t kPollEvery = 1024;
constexpr int64_t kPollMs = 20;

struct PollState {
  uint16_t countdown = 1;  // statements before the clock is read
  uint16_t sincePoll = 0;  // clock readings since the last poll
  bool pollNext = true;    // poll before the next statement
  int64_t lastPoll = 0;
};
PollState g_poll;

Status PollDue() {
  PollState& q = g_poll;
  if (!q.pollNext) {
    if (--q.countdown) return 0;
    q.countdown = kClockEvery;
    int64_t now = ClockMonotonicMs();
    if (now - q.lastPoll < kPollMs && ++q.sincePoll < kPollEvery / kClockEvery) return 0;
  }
  q.pollNext = false;
  q.countdown = kClockEvery;
  q.sincePoll = 0;
  q.lastPoll = ClockMonotonicMs();
  return PrcPoll();
}

// After an expression statement or condition: one that calls out has the
// clock read before the next statement.
void AfterExpression(const PrcProgram* p, uint16_t n) {
  ExpCompiled* code = p->exprs[n - 1];
  if (!code || ExpCompiledCallsOut(code)) g_poll.countdown = 1;
}

std::vector<PrcFrame> g_frames;
PrcFrame g_outside{0, 0, false};
uint32_t g_nextArgBase = kPrcNoArgBase;
const uint16_t* g_nextArgKinds = nullptr;
uint16_t g_nextArgCount = 0;

Status RunFail(Status code) { return ErrSet(1, MOD_MALLOC_MEMACUMS, code, code); }

bool Stops(Status s) { return s == st::USERCANCELED || s >= 128; }

// An expression statement: its value becomes the run's current result (the
// slot just above the run's result mark); a failed one leaves the previous.
Status RunExpression(const PrcProgram* program, uint16_t n) {
  if (ExpCompiled* code = program->exprs[n - 1]) {
    Status s = ExpExecCompiledAt(code, PrcFrameTop().resultMark);
    if (s == 0 || s == 1) PrcFrameTop().resultIsNumber = s == 0;
    return Stops(s) ? s : 0;
  }
  uint16_t mark = StrAreaMark(-1);
  StrValue text = PrcLineText(program, n);
  Status s = StrError(text);
  if (s == 0) s = ExpExecText(text);
  if (Stops(s)) return StrAreaRelease(mark, s);
  StrValue value = StrAreaTop();
  if (s == 0 || s == 1) {
    value = StrAreaReturn(PrcFrameTop().resultMark, value);
    PrcFrameTop().resultIsNumber = s == 0;
  } else {
    StrAreaMark(mark);
  }
  return StrError(value);
}

// 1 true, 0 false, or a status that stops the run; soft statuses are false.
Status RunCondition(const PrcProgram* program, uint16_t n) {
  Status s = 0;
  if (ExpCompiled* code = program->exprs[n - 1]) {
    s = ExpEvalCondCompiled(code);
  } else {
    const StrAreaScope scope;
    StrValue text = PrcLineText(program, n);
    s = StrError(text);
    if (s == 0) s = ExpEvalCond(text);
  }
  if (!Stops(s) && s > 1) s = 0;
  return s;
}

Status RunWithText(const PrcProgram* program, uint16_t n, Status (*statement)(StrValue)) {
  const StrAreaScope scope;
  StrValue text = PrcLineText(program, n);
  Status s = StrError(text);
  if (s == 0) s = statement(text);
  return s;
}

// END, RETURN on an empty stack and the end of the statements: with the
// EXEC$ flag the current result goes to the results stack, a number as its
// text (EXEC$ answers a string).
Status RunEnd(PrcProgram* program) {
  if (program->runFlags & kPrcRunExec) {
    uint16_t mark = StrAreaMark(-1);
    StrValue value = StrAreaTop();
    if (PrcFrameTop().resultIsNumber) value = NumToStr(NumFromBytes(value));
    Status s = StrError(value);
    if (s == 0) s = DynStrPush(ResultsStack, value);
    StrAreaMark(mark);
    if (s) return RunFail(s);
  }
  return kPrcEnd;
}

// Runs one control or expression statement at position n (already advanced
// past it); answers 0 to go on, kPrcEnd, or a stopping status.
Status RunControl(PrcProgram* p, uint16_t code, uint16_t n) {
  const PrcItem& item = p->items[n - 1];
  Status c = 0;
  switch (code) {
    case kPrcExpr:
      c = RunExpression(p, n);
      AfterExpression(p, n);
      return c;
    case kPrcGoto:
      p->position = item.target;
      return 0;
    case kPrcGosub:
      if (p->gosubDepth >= kPrcGosubDepth) return RunFail(st::OUTOFMEMORY);
      p->gosub[p->gosubDepth++] = p->position;
      p->position = item.target;
      return 0;
    case kPrcReturn:
      if (p->gosubDepth == 0) return RunEnd(p);
      p->position = p->gosub[--p->gosubDepth];
      return 0;
    case kPrcLoop:
    case kPrcElse:
      p->position = item.target;
      return 0;
    case kPrcIf:
    case kPrcIfTrue:
    case kPrcDoWhile:
    case kPrcLoopUntil:
      c = RunCondition(p, n);
      AfterExpression(p, n);
      if (c == 0) p->position = item.target;
      return c > 1 ? c : 0;
    case kPrcIfFalse:
    case kPrcDoUntil:
    case kPrcLoopWhile:
      c = RunCondition(p, n);
      AfterExpression(p, n);
      if (c == 1) p->position = item.target;
      return c > 1 ? c : 0;
    case kPrcCall:
      c = RunWithText(p, n, &PrcCallStatement);
      g_poll.pollNext = true;
      return Stops(c) ? c : 0;
    case kPrcLocalVars:
      c = RunWithText(p, n, &PrcLocalVars);
      g_poll.pollNext = true;
      return Stops(c) ? c : 0;
    default:  // ENDIF, DO
      return 0;
  }
}

// A handler statement: its arguments evaluated, the chain called.
Status RunHandler(const PrcProgram* p, uint16_t code) {
  if (!ExecHandlerFind(0)) return RunFail(st::FEATUREREMOVED);
  const StrAreaScope scope;
  StrValue text = PrcLineText(p, p->position);
  Status s = StrError(text);
  ExecArgs args;
  if (s == 0) s = ExecArgsRead(text, args);
  if (s == 0) s = ExecHandlerCall(code, args);
  return s;
}

void AppendLineDetail(const PrcProgram* p, uint16_t code, Status status) {
  uint16_t n = p->position;
  const StrAreaScope scope;
  std::string line = "Line: " + std::to_string(n) + " (+ remmarks):\r\n";
  line += code >= kPrcFirstHandler ? PrcKeyword(code).View() : std::string_view();
  line += ' ';
  line += PrcText(p, n).View();
  ErrDetailSet(status, StrMake(line.data(), static_cast<uint32_t>(line.size())), true);
}

void TraceClose() {
  if (g_trace.fd >= 0) host::Close(g_trace.fd);
  g_trace.fd = -1;
}

}  // namespace

PrcFrame& PrcFrameTop() { return g_frames.empty() ? g_outside : g_frames.back(); }

void PrcNextArgBase(uint32_t base, const uint16_t* kinds, uint16_t count) {
  g_nextArgBase = base;
  g_nextArgKinds = kinds;
  g_nextArgCount = count;
}

uint16_t PrcDepth() { return static_cast<uint16_t>(g_frames.size()); }

Status PrcPoll() {
  // SIGINT or SIGTERM cancels the run like the user would; the loop that
  // owns the windows then closes them for the same signal.
  if (host::SignalCancelTake()) return st::USERCANCELED;
  ui::PumpResult r = ui::pump_pending();
  if (!r.quit) return RunProgressCancelled() ? st::USERCANCELED : 0;
  ui::post_quit(r.quitCode);  // for the loop that owns it
  return st::USERCANCELED;
}

void PrcLog(const PrcProgram* program, uint16_t n) {
  if (!(VarSysTrace() & 8)) return;
  if (g_trace.fd < 0)
    g_trace.fd = host::Open(kPrcLogFile, host::kOpenWrite | host::kOpenCreate | host::kOpenAppend);
  if (g_trace.fd < 0) return;  // a trace never stops a run
  std::string line = std::to_string(n) + "\t";
  line += PrcKeyword(program->items[n - 1].code).View();
  line += ' ';
  line += PrcText(program, n).View();
  line += "\r\n";
  host::Write(g_trace.fd, line.data(), line.size());
}

StrValue PrcLineText(const PrcProgram* program, uint16_t n) {
  StrValue text = PrcText(program, n);
  if (text.len == 0 || !std::memchr(text.ptr, '[', text.len)) return text;
  return MacroExpand(text, 1);
}

Status PrcControlStep(PrcProgram* p) {
  for (;;) {
    uint16_t pos = p->position;
    if (pos >= p->count) return RunEnd(p);
    uint16_t code = p->items[pos].code;
    uint16_t n = static_cast<uint16_t>(pos + 1);
    if (VarSysTrace() & 8) PrcLog(p, n);
    if (Status c = PollDue()) return c;
    if (code == kPrcEnd) return RunEnd(p);
    p->position = n;
    if (code >= kPrcFirstHandler) return code;
    if (Status s = RunControl(p, code, n)) return s;
  }
}

Status PrcRun(PrcProgram* p) {
  PrcStateMark state = PrcStateNote();
  ++g_trace.runs;
  ++p->running;
  bool given = g_nextArgBase != kPrcNoArgBase;
  uint32_t argBase = given ? g_nextArgBase : DynStrCount(ArgStack);
  g_frames.push_back({argBase, StrAreaMark(-1), false, given ? g_nextArgKinds : nullptr,
                      given ? g_nextArgCount : uint16_t{0}});
  PrcNextArgBase(kPrcNoArgBase);
  StrAreaPush(StrMake("", 0));  // no value yet
  Status status = 0;
  uint16_t code = 0;
  while (status == 0) {
    ErrClear();
    ErrDetailSet(0, StrMake("", 0), false);
    code = PrcControlStep(p);
    if (code > kPrcLastHandler) {
      status = code;
      code = 0;
    } else if (code == kPrcEnd) break;
    else status = RunHandler(p, code);
    g_poll.pollNext = true;
  }
  if (p->runFlags & kPrcRunRestore) {
    Status r = PrcRestoreState(state);
    if (status == 0) status = r;
  }
  if (status >= 128) {
    RunFail(status);
    AppendLineDetail(p, code, status);
    if (p->error == 0) p->error = status;
  }
  StrAreaMark(g_frames.back().resultMark);
  g_frames.pop_back();
  --p->running;
  if (--g_trace.runs == 0) TraceClose();
  return status;
}
