// The procedure compiler and runner: the input is a procedure file, a line
// "@@@@", and a second procedure file it may CALL or EXEC$ (SUB.PRC). The
// file is compiled and run from its first statement with the statement
// handlers of the programs registered, under the harness's statement budget.
#include "fuzz/harness.h"
#include "script/procedures.h"

KX_FUZZ_TARGET(procedures) {
  FuzzSession session;
  if (!session.ok()) return 0;
  std::vector<std::string> part = FuzzSplit(FuzzText(data, size), 2);
  FuzzWriteFile("FZ.PRC", part[0]);
  FuzzWriteFile("SUB.PRC", part[1]);
  const StrAreaScope scope;
  PrcCall(StrFromC(""), StrFromC("FZ.PRC"), 0);
  return 0;
}
