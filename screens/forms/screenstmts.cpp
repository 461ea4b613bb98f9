#include "screens/forms/screenstmts.h"

#include <algorithm>
#include <cstdint>

#include "runtime/fixednum.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/forms/msgbox.h"
#include "screens/forms/progress.h"
#include "screens/forms/runwinstmts.h"
#include "script/handlers.h"
#include "script/statements.h"

namespace {

constexpr char kProgressWord[] = "PROGRESS";

Status Outcome(Status s) {
  VarSysIntSet(kSysStat, static_cast<int16_t>(s));
  return 0;
}

bool IsProgress(StrValue arg) { return StrCompare(arg, StrFromC(kProgressWord)) == 0; }

// A number argument in full: the handlers' integers keep only 16 bits, too
// few for a count of records.
int64_t WideArg(const ExecArgs& a, int i) { return StrToLong(a.strs[i]); }

uint32_t CountArg(const ExecArgs& a, int i) {
  return static_cast<uint32_t>(std::clamp<int64_t>(WideArg(a, i), 0, UINT32_MAX));
}

// MESSAGE text[,question].
Status Message(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 1)) return s;
  if (a.strs[1].len == 0) {
    InfoBox(StrMake("", 0), a.strs[0]);
    return 0;
  }
  return Outcome(static_cast<Status>(MsgAsk(a.strs[0])));
}

// WINOPEN width,total,'PROGRESS' / WINOPEN columns,rows,text.
Status WinOpen(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 3)) return s;
  if (!IsProgress(a.strs[2])) {
    return RunWinOpenStatement(a.ints[0], a.ints[1], a.strs[2]);
  }
  ProgressInit(a.ints[0], CountArg(a, 1), StrMake("", 0));
  return Outcome(0);
}

// WINCLOSE ['PROGRESS'].
Status WinClose(uint16_t, const ExecArgs& a) {
  if (a.count >= 1 && IsProgress(a.strs[0])) return Outcome(ProgressClose());
  return RunWinCloseStatement();
}

// WINPROG text / WINPROG n.
Status WinProg(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 1)) return s;
  Status s = 0;
  if (a.kinds[0] != 0) {
    s = ProgressText(a.strs[0]);
  } else {
    s = ProgressAdvance(ProgressTotal(), CountArg(a, 0));
    if (s == 0) s = ProgressPoll();
  }
  if (s >= 128) return s;
  return Outcome(s);
}

}  // namespace

void ScreenStatementsRegister() {
  ExecStatementSet(kStmtMessage, Message);
  ExecStatementSet(kStmtWinOpen, WinOpen);
  ExecStatementSet(kStmtWinClose, WinClose);
  ExecStatementSet(kStmtWinProg, WinProg);
  RunWinStatementsRegister();
}
